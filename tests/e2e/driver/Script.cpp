#include "tests/e2e/driver/Script.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <optional>

namespace e2e {
namespace {

// The kinds of positional argument, each checked and stored its own way.
enum class Arg {
  Caption,
  ControlId,
  Text,
  File,
  Millis,
  Answer,
  Key,
  CommandLine,
  Points,
  NewMark, // the name of a mark set here
  Mark,    // the name of a mark set on an earlier line
  Item,    // a non-empty path, key or name, into words
  AnyItem, // a text that may be empty, into words
  Number,  // decimal or 0x hex, into numbers
  View,    // 32 or 64
  RegType, // sz or multi-sz
};

constexpr unsigned kNoOption = 0, kTimeout = 1, kArea = 2, kCaption = 4, kStill = 8;

struct Syntax {
  std::string_view name;
  unsigned options;
  Await await;
  std::array<Arg, 5> args;
  std::size_t argCount;
};

template <typename... Args>
constexpr Syntax Row(std::string_view name, unsigned options, Await await, Args... args) {
  return Syntax{name, options, await, {args...}, sizeof...(Args)};
}

constexpr Syntax kCommands[] = {
#define E2E_COMMAND(name, handler, options, await, ...) Row(name, options, await, __VA_ARGS__),
#include "tests/e2e/driver/Commands.def"
#undef E2E_COMMAND
};

constexpr std::string_view kNameChars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Checks that `s` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    int extra = 0;
    std::uint32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07u;
    } else {
      return false;
    }
    if (i + static_cast<std::size_t>(extra) >= s.size()) return false;
    for (int k = 1; k <= extra; ++k) {
      const auto t = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
      if ((t & 0xC0u) != 0x80u) return false;
      cp = (cp << 6) | (t & 0x3Fu);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

std::optional<std::uint32_t> ParseNumber(std::string_view s, std::uint32_t max) {
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size() || value > max) return std::nullopt;
  return value;
}

// Fills one positional argument. `marks`: the names set by mark so far.
Status SetArg(Command& cmd, Arg kind, const std::string& word, std::vector<std::string>& marks) {
  switch (kind) {
  case Arg::Caption:
    if (word.empty()) return Fail("empty caption");
    cmd.caption = word;
    return Ok();
  case Arg::NewMark:
    // Letters, digits, - and _ only: the name goes into a tab-separated log line.
    if (word.empty() || word.find_first_not_of(std::string(kNameChars) + "-") != std::string::npos) {
      return Fail("bad mark name '" + word + "' (letters, digits, - and _)");
    }
    cmd.caption = word;
    marks.push_back(word);
    return Ok();
  case Arg::Mark:
    if (std::find(marks.begin(), marks.end(), word) == marks.end()) {
      return Fail("no mark '" + word + "' on an earlier line");
    }
    cmd.caption = word;
    return Ok();
  case Arg::Text: cmd.text = word; return Ok();
  case Arg::CommandLine:
    if (word.empty()) return Fail("empty command line");
    cmd.text = word;
    return Ok();
  case Arg::File:
    if (word.empty()) return Fail("empty file name");
    cmd.text = word;
    return Ok();
  case Arg::ControlId: {
    const auto id = ParseNumber(word, 0xFFFF);
    if (!id) return Fail("bad control id '" + word + "'");
    cmd.controlId = *id;
    return Ok();
  }
  case Arg::Millis: {
    const auto ms = ParseNumber(word, kMaxWaitMs);
    if (!ms) return Fail("bad milliseconds '" + word + "' (0 to " + std::to_string(kMaxWaitMs) + ")");
    cmd.millis = *ms;
    return Ok();
  }
  case Arg::Points: {
    const auto points = ParseNumber(word, 72);
    if (!points || *points == 0) return Fail("bad font size '" + word + "' (1 to 72 points)");
    cmd.points = *points;
    return Ok();
  }
  case Arg::Answer:
    if (word == "yes") cmd.answer = Answer::Yes;
    else if (word == "no") cmd.answer = Answer::No;
    else if (word == "ok") cmd.answer = Answer::Ok;
    else return Fail("answer must be yes, no or ok, not '" + word + "'");
    return Ok();
  case Arg::Key:
    if (word == "return") cmd.key = KeyName::Return;
    else if (word == "escape") cmd.key = KeyName::Escape;
    else return Fail("key must be return or escape, not '" + word + "'");
    return Ok();
  case Arg::Item:
    if (word.empty()) return Fail("empty argument");
    cmd.words.push_back(word);
    return Ok();
  case Arg::AnyItem: cmd.words.push_back(word); return Ok();
  case Arg::Number: {
    const auto n = ParseNumber(word, 0xFFFFFFFFu);
    if (!n) return Fail("bad number '" + word + "'");
    cmd.numbers.push_back(*n);
    return Ok();
  }
  case Arg::View:
    if (word != "32" && word != "64") return Fail("registry view must be 32 or 64, not '" + word + "'");
    cmd.view = word == "32" ? 32 : 64;
    return Ok();
  case Arg::RegType:
    if (word != "sz" && word != "multi-sz") return Fail("value type must be sz or multi-sz, not '" + word + "'");
    cmd.multiString = word == "multi-sz";
    return Ok();
  }
  return Fail("internal: unknown argument kind");
}

// The options, by the name written before the =.
struct OptionSyntax {
  std::string_view name;
  unsigned flag;
  Status (*set)(Command& cmd, const std::string& value);
};

constexpr OptionSyntax kOptions[] = {
    {"timeout", kTimeout,
     [](Command& cmd, const std::string& value) -> Status {
       const auto ms = ParseNumber(value, kMaxWaitMs);
       if (!ms) return Fail("bad timeout '" + value + "'");
       cmd.millis = *ms;
       cmd.hasTimeout = true;
       return Ok();
     }},
    {"area", kArea,
     [](Command& cmd, const std::string& value) -> Status {
       if (value == "client") cmd.area = Area::Client;
       else if (value == "window") cmd.area = Area::Window;
       else if (value == "screen") cmd.area = Area::Screen;
       else return Fail("area must be client, window or screen, not '" + value + "'");
       return Ok();
     }},
    {"still", kStill,
     [](Command& cmd, const std::string& value) -> Status {
       if (value != "yes" && value != "no") return Fail("still must be yes or no, not '" + value + "'");
       cmd.still = value == "yes";
       return Ok();
     }},
    {"caption", kCaption,
     [](Command& cmd, const std::string& value) -> Status {
       cmd.msgCaption = value;
       cmd.hasMsgCaption = true;
       return Ok();
     }},
};

// The option an unquoted word name=value names, if the command takes it.
const OptionSyntax* OptionOf(const Word& w, unsigned allowed) {
  const auto eq = w.text.find('=');
  if (w.quoted || eq == std::string::npos || eq == 0) return nullptr;
  for (const auto& option : kOptions) {
    if ((allowed & option.flag) && w.text.compare(0, eq, option.name) == 0) return &option;
  }
  return nullptr;
}

// Replaces every ${NAME} in `text` by the variable's value.
Status Expand(std::string& text, const Lookup& lookup) {
  std::string out;
  std::size_t i = 0;
  while (true) {
    const auto open = text.find("${", i);
    if (open == std::string::npos) break;
    const auto close = text.find('}', open + 2);
    const std::string name = close == std::string::npos ? "" : text.substr(open + 2, close - open - 2);
    if (name.empty() || name.find_first_not_of(kNameChars) != std::string::npos) {
      return Fail("bad variable reference in '" + text + "' (${NAME}: letters, digits and _)");
    }
    std::string value;
    if (!lookup || !lookup(name, value)) return Fail("variable " + name + " is not set");
    out.append(text, i, open - i);
    out += value;
    i = close + 1;
  }
  if (i == 0) return Ok();
  out.append(text, i, std::string::npos);
  text = std::move(out);
  return Ok();
}

// One line's command, or why it is not one. `words` are the line's words
// with variables replaced, the first naming the command.
Expected<Command> ParseCommand(const std::vector<Word>& words, std::vector<std::string>& marks) {
  const auto* spec = std::find_if(std::begin(kCommands), std::end(kCommands),
                                  [&](const Syntax& s) { return !words[0].quoted && words[0].text == s.name; });
  if (spec == std::end(kCommands)) return Fail("unknown command '" + words[0].text + "'");
  Command cmd;
  cmd.name = spec->name;
  cmd.row = static_cast<std::size_t>(spec - std::begin(kCommands));
  cmd.await = spec->await;
  std::size_t end = words.size();
  while (end > 1 && OptionOf(words[end - 1], spec->options)) --end;
  if (end - 1 != spec->argCount) {
    return Fail(std::string(spec->name) + " takes " + std::to_string(spec->argCount) + " argument(s), got " +
                std::to_string(end - 1));
  }
  for (std::size_t a = 0; a < spec->argCount; ++a) {
    if (auto set = SetArg(cmd, spec->args[a], words[a + 1].text, marks); !set.ok()) return set.failure();
  }
  for (std::size_t o = end; o < words.size(); ++o) {
    const std::string& w = words[o].text;
    if (auto set = OptionOf(words[o], spec->options)->set(cmd, w.substr(w.find('=') + 1)); !set.ok()) {
      return set.failure();
    }
  }
  return cmd;
}

} // namespace

Expected<std::vector<Word>> SplitWords(std::string_view line) {
  std::vector<Word> words;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) return words;
    Word word;
    word.quoted = line[i] == '"';
    if (word.quoted) ++i;
    bool closed = !word.quoted;
    while (i < line.size()) {
      const char c = line[i];
      if (word.quoted && c == '"') {
        closed = true;
        ++i;
        break;
      }
      if (!word.quoted && IsBlank(c)) break;
      if (!word.quoted && c == '"') return Fail("stray quote inside a word");
      if (c == '\\' && i + 1 < line.size()) {
        const char n = line[i + 1];
        const char* replacement = n == 'n'    ? "\n"
                                  : n == 'r'  ? "\r"
                                  : n == 't'  ? "\t"
                                  : n == '"'  ? "\""
                                  : n == '\\' ? "\\"
                                              : nullptr;
        if (replacement) {
          word.text += replacement;
          i += 2;
          continue;
        }
      }
      word.text += c;
      ++i;
    }
    if (!closed) return Fail("unterminated quote");
    if (word.quoted && i < line.size() && !IsBlank(line[i])) return Fail("closing quote must be followed by a blank");
    words.push_back(std::move(word));
  }
}

Script ParseScript(std::string_view text, const Lookup& lookup) {
  Script script;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::map<std::string, std::string, std::less<>> variables; // set so far
  const Lookup lookupAll = [&](std::string_view name, std::string& value) {
    const auto it = variables.find(name);
    if (it != variables.end()) {
      value = it->second;
      return true;
    }
    return lookup && lookup(name, value);
  };
  int lineNo = 0;
  std::vector<std::string> marks; // names set by mark so far
  // The command on one line, nothing for a comment, a blank line or a set,
  // or why the line is wrong.
  const auto parseLine = [&](std::string_view line) -> Expected<std::optional<Command>> {
    if (!IsValidUtf8(line)) return Fail("not valid UTF-8");
    auto split = SplitWords(line);
    if (!split.ok()) return split.failure();
    std::vector<Word>& words = split.value();
    if (words.empty() || (!words[0].quoted && words[0].text[0] == '#')) return std::optional<Command>();
    for (auto& w : words) {
      if (auto expanded = Expand(w.text, lookupAll); !expanded.ok()) return expanded.failure();
    }
    if (!words[0].quoted && words[0].text == "set") {
      if (words.size() != 3 || words[1].text.empty() ||
          words[1].text.find_first_not_of(kNameChars) != std::string::npos) {
        return Fail("set takes a name (letters, digits and _) and a value");
      }
      variables[words[1].text] = words[2].text;
      return std::optional<Command>();
    }
    auto cmd = ParseCommand(words, marks);
    if (!cmd.ok()) return cmd.failure();
    return std::optional<Command>(std::move(cmd.value()));
  };
  while (!text.empty()) {
    ++lineNo;
    const auto nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    auto parsed = parseLine(line);
    if (!parsed.ok()) {
      script.errors.push_back(ScriptError{lineNo, parsed.failure().reason});
    } else if (auto& cmd = parsed.value()) {
      cmd->line = lineNo;
      cmd->origin = "line " + std::to_string(lineNo);
      cmd->source = std::string(line);
      script.commands.push_back(std::move(*cmd));
    }
  }
  return script;
}

const Command* NextAwaited(const std::vector<Command>& commands, std::size_t index) {
  for (std::size_t i = index + 1; i < commands.size(); ++i) {
    if (commands[i].await != Await::Nothing) return &commands[i];
  }
  return nullptr;
}

bool Awaits(const Command& cmd, std::string_view caption, std::string_view cls, std::string_view boxText) {
  switch (cmd.await) {
  case Await::Nothing: return false;
  case Await::Window: return caption == cmd.caption;
  case Await::MessageBox:
    return cls == "#32770" && boxText == cmd.text && (!cmd.hasMsgCaption || caption == cmd.msgCaption);
  }
  return false;
}

} // namespace e2e

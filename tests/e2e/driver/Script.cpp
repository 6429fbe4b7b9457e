#include "tests/e2e/driver/Script.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>

namespace e2e {
namespace {

enum class Arg {
  Caption, ControlId, Text, File, Millis, Answer, Key, MarkName, CommandLine, Points,
  Word,     // a non-empty path, key or name, into words
  AnyWord,  // a text that may be empty, into words
  Number,   // decimal or 0x hex, into numbers
  View,     // 32 or 64
  RegType,  // sz or multi-sz
};

enum Option : unsigned { kOptTimeout = 1, kOptArea = 2, kOptCaption = 4, kOptStill = 8 };

struct CommandSpec {
  std::string_view name;
  Op op;
  std::array<Arg, 5> args;
  int argCount;
  unsigned options;
};

constexpr CommandSpec kCommands[] = {
    {"timeout", Op::Timeout, {Arg::Millis}, 1, 0},
    {"allow", Op::Allow, {Arg::Caption}, 1, 0},
    {"attach", Op::Attach, {Arg::Caption}, 1, kOptTimeout},
    {"wait-window", Op::WaitWindow, {Arg::Caption}, 1, kOptTimeout | kOptStill},
    {"expect-maximized", Op::ExpectMaximized, {Arg::Caption}, 1, kOptTimeout},
    {"screenshot", Op::Screenshot, {Arg::Caption, Arg::File}, 2, kOptArea | kOptStill},
    {"get-text", Op::GetText, {Arg::Caption, Arg::ControlId}, 2, 0},
    {"expect-text", Op::ExpectText, {Arg::Caption, Arg::ControlId, Arg::Text}, 3, kOptTimeout},
    {"expect-text-file", Op::ExpectText, {Arg::Caption, Arg::ControlId, Arg::Word}, 3, kOptTimeout},
    {"set-text", Op::SetText, {Arg::Caption, Arg::ControlId, Arg::Text}, 3, 0},
    {"click", Op::Click, {Arg::Caption, Arg::ControlId}, 2, 0},
    {"key", Op::Key, {Arg::Caption, Arg::Key}, 2, 0},
    {"expect-msgbox", Op::ExpectMsgBox, {Arg::Text, Arg::Answer}, 2, kOptTimeout | kOptCaption},
    {"close", Op::Close, {Arg::Caption}, 1, 0},
    {"expect-no-window", Op::ExpectNoWindow, {Arg::Caption}, 1, kOptTimeout},
    {"sleep", Op::Sleep, {Arg::Millis}, 1, 0},
    {"run", Op::Run, {Arg::CommandLine}, 1, kOptTimeout},
    {"mark", Op::Mark, {Arg::MarkName}, 1, 0},
    {"elapsed", Op::Elapsed, {Arg::MarkName}, 1, 0},
    {"measure-texts", Op::MeasureTexts, {Arg::Caption, Arg::Text, Arg::Points}, 3, 0},
    {"start", Op::Start, {Arg::Word, Arg::Word}, 2, 0},
    {"open", Op::Open, {Arg::Word}, 1, 0},
    {"expect-exit", Op::ExpectExit, {Arg::Number}, 1, kOptTimeout},
    {"expect-file", Op::ExpectFile, {Arg::Word, Arg::Word}, 2, 0},
    {"expect-no-file", Op::ExpectNoFile, {Arg::Word}, 1, 0},
    {"expect-tree", Op::ExpectTree, {Arg::Word, Arg::Word}, 2, 0},
    {"expect-attributes", Op::ExpectAttributes, {Arg::Word, Arg::Number, Arg::Number}, 3, 0},
    {"expect-reg", Op::ExpectReg, {Arg::View, Arg::Word, Arg::Word, Arg::RegType, Arg::AnyWord}, 5, 0},
    {"expect-no-reg", Op::ExpectNoReg, {Arg::View, Arg::Word}, 2, 0},
    {"expect-link", Op::ExpectLink, {Arg::Word, Arg::Word, Arg::Word, Arg::AnyWord, Arg::Number}, 5, 0},
    {"expect-pending", Op::ExpectPending, {Arg::Word, Arg::Word}, 2, 0},
    {"write-file", Op::WriteFile, {Arg::Word, Arg::AnyWord}, 2, 0},
    {"make-folder", Op::MakeFolder, {Arg::Word}, 1, 0},
    {"move", Op::Move, {Arg::Word, Arg::Word}, 2, 0},
    {"copy-file", Op::CopyTo, {Arg::Word, Arg::Word}, 2, 0},
    {"map-drive", Op::MapDrive, {Arg::Word, Arg::Word}, 2, 0},
    {"make-link", Op::MakeLink, {Arg::Word, Arg::Word}, 2, kOptTimeout},
    {"set-attributes", Op::SetAttributes, {Arg::Word, Arg::Number}, 2, 0},
};

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

bool ParseNumber(std::string_view s, std::uint32_t max, std::uint32_t& out) {
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return false;
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
  if (ec != std::errc() || end != s.data() + s.size() || value > max) return false;
  out = value;
  return true;
}

std::string LineError(int line, std::string_view message) {
  return "line " + std::to_string(line) + ": " + std::string(message);
}

// Fills one positional argument; returns an error message or "".
std::string SetArg(Command& cmd, Arg kind, const std::string& word) {
  switch (kind) {
  case Arg::Caption:
    if (word.empty()) return "empty caption";
    cmd.caption = word;
    return "";
  case Arg::MarkName:
    // Letters, digits, - and _ only: the name goes into a tab-separated log line.
    if (word.empty() || word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_") !=
                            std::string::npos) {
      return "bad mark name '" + word + "' (letters, digits, - and _)";
    }
    cmd.caption = word;
    return "";
  case Arg::Text:
    cmd.text = word;
    return "";
  case Arg::CommandLine:
    if (word.empty()) return "empty command line";
    cmd.text = word;
    return "";
  case Arg::File:
    if (word.empty()) return "empty file name";
    cmd.text = word;
    return "";
  case Arg::ControlId:
    if (!ParseNumber(word, 0xFFFF, cmd.controlId)) return "bad control id '" + word + "'";
    return "";
  case Arg::Millis:
    if (!ParseNumber(word, kMaxWaitMs, cmd.millis)) {
      return "bad milliseconds '" + word + "' (0 to " + std::to_string(kMaxWaitMs) + ")";
    }
    return "";
  case Arg::Points:
    if (!ParseNumber(word, 72, cmd.points) || cmd.points == 0) return "bad font size '" + word + "' (1 to 72 points)";
    return "";
  case Arg::Answer:
    if (word == "yes") cmd.answer = Answer::Yes;
    else if (word == "no") cmd.answer = Answer::No;
    else if (word == "ok") cmd.answer = Answer::Ok;
    else return "answer must be yes, no or ok, not '" + word + "'";
    return "";
  case Arg::Key:
    if (word == "return") cmd.key = KeyName::Return;
    else if (word == "escape") cmd.key = KeyName::Escape;
    else return "key must be return or escape, not '" + word + "'";
    return "";
  case Arg::Word:
    if (word.empty()) return "empty argument";
    cmd.words.push_back(word);
    return "";
  case Arg::AnyWord:
    cmd.words.push_back(word);
    return "";
  case Arg::Number: {
    std::uint32_t n = 0;
    if (!ParseNumber(word, 0xFFFFFFFFu, n)) return "bad number '" + word + "'";
    cmd.numbers.push_back(n);
    return "";
  }
  case Arg::View:
    if (word != "32" && word != "64") return "registry view must be 32 or 64, not '" + word + "'";
    cmd.view = word == "32" ? 32 : 64;
    return "";
  case Arg::RegType:
    if (word != "sz" && word != "multi-sz") return "value type must be sz or multi-sz, not '" + word + "'";
    cmd.multiString = word == "multi-sz";
    return "";
  }
  return "internal: unknown argument kind";
}

// Applies an option word name=value; returns an error message or "".
std::string SetOption(Command& cmd, unsigned allowed, std::string_view name, const std::string& value) {
  if (name == "timeout" && (allowed & kOptTimeout)) {
    if (!ParseNumber(value, kMaxWaitMs, cmd.millis)) return "bad timeout '" + value + "'";
    cmd.hasTimeout = true;
    return "";
  }
  if (name == "area" && (allowed & kOptArea)) {
    if (value == "client") cmd.area = Area::Client;
    else if (value == "window") cmd.area = Area::Window;
    else if (value == "screen") cmd.area = Area::Screen;
    else return "area must be client, window or screen, not '" + value + "'";
    return "";
  }
  if (name == "still" && (allowed & kOptStill)) {
    if (value == "yes") cmd.still = true;
    else if (value == "no") cmd.still = false;
    else return "still must be yes or no, not '" + value + "'";
    return "";
  }
  if (name == "caption" && (allowed & kOptCaption)) {
    cmd.msgCaption = value;
    cmd.hasMsgCaption = true;
    return "";
  }
  return "unknown option '" + std::string(name) + "'";
}

// Whether an unquoted word looks like an option of this command.
bool IsOptionWord(const Word& w, unsigned allowed) {
  if (w.quoted) return false;
  const auto eq = w.text.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  const std::string_view name(w.text.data(), eq);
  return (name == "timeout" && (allowed & kOptTimeout)) || (name == "area" && (allowed & kOptArea)) ||
         (name == "caption" && (allowed & kOptCaption)) || (name == "still" && (allowed & kOptStill));
}

// Replaces every ${NAME} in `text` by the variable's value; returns an error
// message or "".
std::string Expand(std::string& text, const Lookup& lookup) {
  std::string out;
  std::size_t i = 0;
  while (true) {
    const auto open = text.find("${", i);
    if (open == std::string::npos) break;
    const auto close = text.find('}', open + 2);
    const std::string name = close == std::string::npos ? "" : text.substr(open + 2, close - open - 2);
    if (name.empty() || name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_") !=
                            std::string::npos) {
      return "bad variable reference in '" + text + "' (${NAME}: letters, digits and _)";
    }
    std::string value;
    if (!lookup || !lookup(name, value)) return "variable " + name + " is not set";
    out.append(text, i, open - i);
    out += value;
    i = close + 1;
  }
  if (i == 0) return "";
  out.append(text, i, std::string::npos);
  text = std::move(out);
  return "";
}

} // namespace

bool SplitWords(std::string_view line, std::vector<Word>& words, std::string& error) {
  words.clear();
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) return true;
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
      if (!word.quoted && c == '"') {
        error = "stray quote inside a word";
        return false;
      }
      if (c == '\\' && i + 1 < line.size()) {
        const char n = line[i + 1];
        const char* replacement = n == 'n' ? "\n" : n == 'r' ? "\r" : n == 't' ? "\t" : n == '"' ? "\"" : n == '\\' ? "\\" : nullptr;
        if (replacement) {
          word.text += replacement;
          i += 2;
          continue;
        }
      }
      word.text += c;
      ++i;
    }
    if (!closed) {
      error = "unterminated quote";
      return false;
    }
    if (word.quoted && i < line.size() && !IsBlank(line[i])) {
      error = "closing quote must be followed by a blank";
      return false;
    }
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
  std::vector<Word> words;
  std::vector<std::string> marks; // names set by mark so far
  while (!text.empty()) {
    ++lineNo;
    const auto nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    if (!IsValidUtf8(line)) {
      script.errors.push_back(LineError(lineNo, "not valid UTF-8"));
      continue;
    }
    std::string error;
    if (!SplitWords(line, words, error)) {
      script.errors.push_back(LineError(lineNo, error));
      continue;
    }
    if (words.empty() || (!words[0].quoted && words[0].text[0] == '#')) continue;
    for (auto& w : words) {
      if (error.empty()) error = Expand(w.text, lookupAll);
    }
    if (error.empty() && !words[0].quoted && words[0].text == "set") {
      if (words.size() != 3 || words[1].text.empty() ||
          words[1].text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_") !=
              std::string::npos) {
        error = "set takes a name (letters, digits and _) and a value";
      } else {
        variables[words[1].text] = words[2].text;
        continue;
      }
    }
    if (!error.empty()) {
      script.errors.push_back(LineError(lineNo, error));
      continue;
    }

    const CommandSpec* spec = nullptr;
    for (const auto& candidate : kCommands) {
      if (!words[0].quoted && words[0].text == candidate.name) spec = &candidate;
    }
    if (!spec) {
      script.errors.push_back(LineError(lineNo, "unknown command '" + words[0].text + "'"));
      continue;
    }

    Command cmd;
    cmd.op = spec->op;
    cmd.line = lineNo;
    cmd.origin = "line " + std::to_string(lineNo);
    cmd.source = std::string(line);
    std::size_t end = words.size();
    while (end > 1 && IsOptionWord(words[end - 1], spec->options)) --end;
    const auto given = static_cast<int>(end) - 1;
    if (given != spec->argCount) {
      script.errors.push_back(LineError(lineNo, std::string(spec->name) + " takes " +
                                                    std::to_string(spec->argCount) + " argument(s), got " +
                                                    std::to_string(given)));
      continue;
    }
    for (int a = 0; a < spec->argCount && error.empty(); ++a) {
      error = SetArg(cmd, spec->args[static_cast<std::size_t>(a)], words[static_cast<std::size_t>(a) + 1].text);
    }
    for (std::size_t o = end; o < words.size() && error.empty(); ++o) {
      const auto eq = words[o].text.find('=');
      error = SetOption(cmd, spec->options, std::string_view(words[o].text).substr(0, eq), words[o].text.substr(eq + 1));
    }
    if (error.empty() && cmd.op == Op::Mark) marks.push_back(cmd.caption);
    if (error.empty() && cmd.op == Op::Elapsed && std::find(marks.begin(), marks.end(), cmd.caption) == marks.end()) {
      error = "no mark '" + cmd.caption + "' on an earlier line";
    }
    if (!error.empty()) {
      script.errors.push_back(LineError(lineNo, error));
      continue;
    }
    script.commands.push_back(std::move(cmd));
  }
  return script;
}

const Command* NextAwaited(const std::vector<Command>& commands, std::size_t index) {
  for (std::size_t i = index + 1; i < commands.size(); ++i) {
    switch (commands[i].op) {
    case Op::Timeout:
    case Op::Allow:
    case Op::Sleep:
    case Op::Run:
    case Op::Mark:
    case Op::Elapsed:
    case Op::ExpectNoWindow:
    case Op::Start:
    case Op::Open:
    case Op::ExpectExit:
    case Op::ExpectFile:
    case Op::ExpectNoFile:
    case Op::ExpectTree:
    case Op::ExpectAttributes:
    case Op::ExpectReg:
    case Op::ExpectNoReg:
    case Op::ExpectLink:
    case Op::ExpectPending:
    case Op::WriteFile:
    case Op::MakeFolder:
    case Op::Move:
    case Op::CopyTo:
    case Op::MapDrive:
    case Op::MakeLink:
    case Op::SetAttributes: continue;
    case Op::MeasureTexts:
    case Op::Attach:
    case Op::WaitWindow:
    case Op::ExpectMaximized:
    case Op::Screenshot:
    case Op::GetText:
    case Op::ExpectText:
    case Op::SetText:
    case Op::Click:
    case Op::Key:
    case Op::ExpectMsgBox:
    case Op::Close: return &commands[i];
    }
  }
  return nullptr;
}

bool Awaits(const Command& cmd, std::string_view caption, std::string_view cls, std::string_view boxText) {
  if (cmd.op == Op::ExpectMsgBox) {
    return cls == "#32770" && boxText == cmd.text && (!cmd.hasMsgCaption || caption == cmd.msgCaption);
  }
  return caption == cmd.caption;
}

} // namespace e2e

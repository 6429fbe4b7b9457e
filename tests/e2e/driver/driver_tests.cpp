// Checks of the driver's script parser and PNG writer. Built for Windows like
// the driver and run under Wine by ctest; prints every failed check and ends
// with exit code 1 if there was one.
#include "tests/e2e/driver/Png.h"
#include "tests/e2e/driver/Script.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

int g_failures = 0;
int g_checks = 0;

void Check(bool ok, const std::string& what) {
  ++g_checks;
  if (!ok) {
    ++g_failures;
    std::printf("FAILED: %s\n", what.c_str());
  }
}

std::span<const std::uint8_t> Bytes(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// ---- word splitting -------------------------------------------------------

struct SplitCase {
  std::string_view line;
  std::vector<std::string> words; // expected words; ignored when an error is expected
  bool error;
};

void TestSplitWords() {
  const SplitCase cases[] = {
      {"a b", {"a", "b"}, false},
      {"  \tlead and\ttabs  ", {"lead", "and", "tabs"}, false},
      {"\"two words\" x", {"two words", "x"}, false},
      {"\"line\\nbreak\"", {"line\nbreak"}, false},
      {"bare\\nescape", {"bare\nescape"}, false},
      {"\"cr\\r\\nlf\"", {"cr\r\nlf"}, false},
      {"Q:\\", {"Q:\\"}, false},
      {"\"C:\\Program Files\\Harborlit\"", {"C:\\Program Files\\Harborlit"}, false},
      {"\"a\\\\b\"", {"a\\b"}, false},
      {"\"say \\\"hi\\\"\"", {"say \"hi\""}, false},
      {"\"\" end", {"", "end"}, false},
      {"\"unterminated", {}, true},
      {"ab\"c", {}, true},
      {"\"a\"b", {}, true},
      {"\"ends with backslash\\\"", {}, true},
  };
  for (const auto& c : cases) {
    std::vector<e2e::Word> words;
    std::string error;
    const bool ok = e2e::SplitWords(c.line, words, error);
    const std::string label = "SplitWords(" + std::string(c.line) + ")";
    Check(ok == !c.error, label + (c.error ? " should fail" : " failed: " + error));
    if (!ok || c.error) continue;
    Check(words.size() == c.words.size(), label + " word count " + std::to_string(words.size()));
    for (std::size_t i = 0; i < words.size() && i < c.words.size(); ++i) {
      Check(words[i].text == c.words[i], label + " word " + std::to_string(i) + " is [" + words[i].text + "]");
    }
  }
  std::vector<e2e::Word> words;
  std::string error;
  e2e::SplitWords("\"x\" y", words, error);
  Check(words.size() == 2 && words[0].quoted && !words[1].quoted, "SplitWords marks quoted words");
}

// ---- whole scripts --------------------------------------------------------

void TestParseCommands() {
  const std::string script = "\xEF\xBB\xBF# comment\r\n"
                             "\r\n"
                             "timeout 15000\r\n"
                             "wait-window \"ドラマＣＤ１ インストーラー\" timeout=30000\n"
                             "expect-msgbox \"インストールは終わっていません。\\n終了しますか？\" no caption=installer\n"
                             "screenshot \"ドラマＣＤ１ インストーラー\" /tmp/out/shot.png area=window still=yes\n"
                             "set-text 情報 0x3EB \"C:\\Program Files\\Harborlit\\Drama1\"\n"
                             "set-text 情報 1002 timeout=5\n"
                             "wait-window \"timeout=5\" still=yes\n"
                             "key 情報 escape\n"
                             "attach 情報 timeout=100\n"
                             "expect-text 終了 1001 \"a b\" timeout=0\n"
                             "sleep 0\n"
                             "run \"xcopy /E /I /Y Q:\\ \\\"C:\\a b\\\"\" timeout=90000\n"
                             "measure-texts 情報 \"ＭＳ Ｐゴシック\" 9\n";
  const auto parsed = e2e::ParseScript(script);
  Check(parsed.errors.empty(), "valid script has no errors" + (parsed.errors.empty() ? "" : ": " + parsed.errors[0]));
  if (parsed.commands.size() != 13) {
    Check(false, "valid script gives 13 commands, got " + std::to_string(parsed.commands.size()));
    return;
  }
  const auto& c = parsed.commands;
  Check(c[0].op == e2e::Op::Timeout && c[0].millis == 15000 && c[0].line == 3, "timeout command and its line");
  Check(c[1].op == e2e::Op::WaitWindow && c[1].caption == "ドラマＣＤ１ インストーラー" && c[1].hasTimeout &&
            c[1].millis == 30000,
        "wait-window with caption and timeout option");
  Check(c[2].op == e2e::Op::ExpectMsgBox && c[2].text == "インストールは終わっていません。\n終了しますか？" &&
            c[2].answer == e2e::Answer::No && c[2].hasMsgCaption && c[2].msgCaption == "installer" &&
            !c[2].hasTimeout,
        "expect-msgbox with escape, answer and caption");
  Check(c[3].op == e2e::Op::Screenshot && c[3].text == "/tmp/out/shot.png" && c[3].area == e2e::Area::Window &&
            c[3].still && !c[1].still,
        "screenshot with area and still options");
  Check(c[4].controlId == 1003 && c[4].text == "C:\\Program Files\\Harborlit\\Drama1", "hex control id and path");
  Check(c[5].text == "timeout=5" && !c[5].hasTimeout, "set-text takes no options: name=value is its text");
  Check(c[6].caption == "timeout=5" && !c[6].hasTimeout && c[6].still, "a quoted word is never an option");
  Check(c[7].op == e2e::Op::Key && c[7].key == e2e::KeyName::Escape, "key escape");
  Check(c[8].op == e2e::Op::Attach && c[8].caption == "情報" && c[8].millis == 100, "attach with timeout");
  Check(c[9].text == "a b" && c[9].hasTimeout && c[9].millis == 0, "expect-text with zero timeout");
  Check(c[10].line == 13, "line numbers count comments and blank lines, got " + std::to_string(c[10].line));
  Check(c[11].op == e2e::Op::Run && c[11].text == "xcopy /E /I /Y Q:\\ \"C:\\a b\"" && c[11].millis == 90000,
        "run with a quoted command line and timeout, got [" + c[11].text + "]");
  Check(c[12].op == e2e::Op::MeasureTexts && c[12].caption == "情報" && c[12].text == "ＭＳ Ｐゴシック" &&
            c[12].points == 9,
        "measure-texts with a font name and size");
}

// The commands that read back the system, with variables: ${NAME} is
// replaced in every word, quoted or not, options included.
void TestParseSystemChecks() {
  const std::string script = "start \"${CD}:\\installer.exe\" ${CD}:\\\n"
                             "expect-exit 0x0 timeout=${LONG}\n"
                             "expect-reg ${VIEW} \"SOFTWARE\\x\" DisplayName multi-sz \"ドラマ ${CD}\"\n"
                             "expect-link \"${DEST}\\a.lnk\" \"${DEST}\\a.html\" ${DEST} \"\" 1\n"
                             "expect-attributes ${DEST}\\01.html 0x1 0\n"
                             "write-file ${DEST}\\a.txt \"\"\n"
                             "set DEST \"${DEST}\\sub\"\n"
                             "expect-text-file 情報 1001 ${DEST}\\shown.txt\n";
  const auto parsed = e2e::ParseScript(script, [](std::string_view name, std::string& value) {
    if (name == "CD") value = "Q";
    else if (name == "VIEW") value = "32";
    else if (name == "LONG") value = "90000";
    else if (name == "DEST") value = "C:\\Program Files\\H";
    else return false;
    return true;
  });
  Check(parsed.errors.empty(), "system checks: no errors" + (parsed.errors.empty() ? "" : ": " + parsed.errors[0]));
  if (parsed.commands.size() != 7) {
    Check(false, "system checks: 7 commands, got " + std::to_string(parsed.commands.size()));
    return;
  }
  const auto& c = parsed.commands;
  using Words = std::vector<std::string>;
  Check(c[0].op == e2e::Op::Start && c[0].words == Words{"Q:\\installer.exe", "Q:\\"}, "start with a variable");
  Check(c[1].numbers == std::vector<std::uint32_t>{0} && c[1].millis == 90000, "a variable in an option");
  Check(c[2].view == 32 && c[2].multiString && c[2].words == Words{"SOFTWARE\\x", "DisplayName", "ドラマ Q"},
        "expect-reg: view, type and a variable inside a quoted text");
  Check(c[3].words == Words{"C:\\Program Files\\H\\a.lnk", "C:\\Program Files\\H\\a.html", "C:\\Program Files\\H", ""} &&
            c[3].numbers == std::vector<std::uint32_t>{1},
        "expect-link: a value with blanks stays one word, an empty icon is kept");
  Check(c[4].numbers == std::vector<std::uint32_t>{1, 0}, "expect-attributes: mask and value");
  Check(c[5].words == Words{"C:\\Program Files\\H\\a.txt", ""}, "write-file with an empty text");
  Check(c[6].op == e2e::Op::ExpectText && c[6].controlId == 1001 &&
            c[6].words == Words{"C:\\Program Files\\H\\sub\\shown.txt"},
        "set: a variable of the script's own takes the place of the caller's from its line on");
}

struct ErrorCase {
  std::string_view script;
  std::string_view expected; // substring of the first error
};

void TestParseErrors() {
  const ErrorCase cases[] = {
      {"frobnicate x", "line 1: unknown command 'frobnicate'"},
      {"\nwait-window", "line 2: wait-window takes 1 argument(s), got 0"},
      {"click cap", "click takes 2 argument(s), got 1"},
      {"click cap 1 2", "click takes 2 argument(s), got 3"},
      {"click cap 70000", "bad control id '70000'"},
      {"click cap 12ab", "bad control id '12ab'"},
      {"click cap -1", "bad control id '-1'"},
      {"expect-msgbox text maybe", "answer must be yes, no or ok"},
      {"key cap tab", "key must be return or escape"},
      {"measure-texts cap font 0", "bad font size '0'"},
      {"measure-texts cap font 73", "bad font size '73'"},
      {"sleep 600001", "bad milliseconds '600001'"},
      {"wait-window cap timeout=soon", "bad timeout 'soon'"},
      {"screenshot cap f.png area=desk", "area must be client, window or screen"},
      {"screenshot cap f.png still=1", "still must be yes or no"},
      {"wait-window cap area=client", "wait-window takes 1 argument(s), got 2"},
      {"wait-window \"\"", "empty caption"},
      {"wait-window \xE3\x81", "line 1: not valid UTF-8"},
      {"wait-window \xC0\xAF", "not valid UTF-8"},
      {"wait-window \xED\xA0\x80", "not valid UTF-8"},
      {"\"wait-window\" cap", "unknown command 'wait-window'"},
      {"close \"cap", "unterminated quote"},
      {"mark", "mark takes 1 argument(s), got 0"},
      {"mark \"a b\"", "bad mark name 'a b'"},
      {"mark copy\\1", "bad mark name"},
      {"mark 表", "bad mark name"},
      {"elapsed copy", "line 1: no mark 'copy' on an earlier line"},
      {"elapsed copy timeout=5", "elapsed takes 1 argument(s), got 2"},
      {"run \"\"", "empty command line"},
      {"run xcopy /E Q:\\ C:\\x", "run takes 1 argument(s), got 4"},
      {"run x timeout=never", "bad timeout 'never'"},
      {"expect-reg 48 k v sz t", "registry view must be 32 or 64, not '48'"},
      {"expect-reg 32 k v dword 1", "value type must be sz or multi-sz"},
      {"expect-reg 32 k v sz", "expect-reg takes 5 argument(s), got 4"},
      {"expect-exit zero", "bad number 'zero'"},
      {"expect-no-file \"\"", "empty argument"},
      {"expect-file ${NOPE} x", "variable NOPE is not set"},
      {"start ${} x", "bad variable reference"},
      {"start \"${A B}\" x", "bad variable reference"},
      {"open ${UNCLOSED", "bad variable reference"},
      {"set A", "set takes a name (letters, digits and _) and a value"},
      {"set A-B x", "set takes a name"},
  };
  for (const auto& c : cases) {
    const auto parsed = e2e::ParseScript(c.script);
    const std::string first = parsed.errors.empty() ? "(none)" : parsed.errors[0];
    Check(first.find(c.expected) != std::string::npos,
          "script [" + std::string(c.script) + "] gives error [" + first + "], expected [" + std::string(c.expected) + "]");
    Check(parsed.commands.empty(), "a rejected line yields no command: " + std::string(c.script));
  }
  const auto many = e2e::ParseScript("bogus\nsleep 1\nclick x y\n");
  Check(many.errors.size() == 2 && many.commands.size() == 1, "every bad line is reported, good ones kept");
}

// A mark must come before every elapsed that names it; marks may be set
// again and read more than once.
void TestMarks() {
  const auto parsed = e2e::ParseScript("mark copy\nmark end-2_b\nelapsed copy\nmark copy\nelapsed copy\nelapsed end-2_b\n");
  Check(parsed.errors.empty(), "marks: valid script has no errors" + (parsed.errors.empty() ? "" : ": " + parsed.errors[0]));
  const std::vector<std::pair<e2e::Op, std::string>> want = {
      {e2e::Op::Mark, "copy"},    {e2e::Op::Mark, "end-2_b"},    {e2e::Op::Elapsed, "copy"},
      {e2e::Op::Mark, "copy"},    {e2e::Op::Elapsed, "copy"},    {e2e::Op::Elapsed, "end-2_b"}};
  Check(parsed.commands.size() == want.size(), "marks: 6 commands, got " + std::to_string(parsed.commands.size()));
  for (std::size_t i = 0; i < want.size() && i < parsed.commands.size(); ++i) {
    Check(parsed.commands[i].op == want[i].first && parsed.commands[i].caption == want[i].second,
          "marks: command " + std::to_string(i) + " is " + parsed.commands[i].source);
  }
  // Order matters, not just presence; the other lines stay.
  const auto late = e2e::ParseScript("elapsed x\nmark x\nelapsed y\nelapsed x\n");
  Check(late.errors == std::vector<std::string>{"line 1: no mark 'x' on an earlier line",
                                               "line 3: no mark 'y' on an earlier line"},
        "marks: an elapsed before its mark is an error, one per line");
  Check(late.commands.size() == 2, "marks: the mark and the later elapsed are kept");
}

// The window a script waits for next, and which windows that command accepts:
// while the setup dialog's backdrop is checked, the dialog it opens at once
// is the next command's, and so is the message box after a click.
void TestNextAwaited() {
  const auto parsed = e2e::ParseScript("wait-window A\nexpect-maximized A\nsleep 10\nallow X\nmark m\n"
                                       "expect-no-window Z\nrun \"cmd /c exit\"\nwait-window B\n"
                                       "click B 1\nexpect-msgbox \"ok\\nnow\" yes caption=C\nelapsed m\n");
  Check(parsed.errors.empty(), "next awaited: valid script");
  const auto& c = parsed.commands;
  struct Case {
    std::size_t index;
    int awaitedLine; // 0: none follows
  };
  const Case cases[] = {{0, 2}, {1, 8}, {2, 8}, {5, 8}, {7, 9}, {8, 10}, {9, 0}, {10, 0}};
  for (const auto& k : cases) {
    const e2e::Command* next = e2e::NextAwaited(c, k.index);
    Check((next ? next->line : 0) == k.awaitedLine, "next awaited after line " + std::to_string(c[k.index].line) +
                                                        " is line " + std::to_string(next ? next->line : 0));
  }
  struct Window {
    int line;
    std::string_view caption, cls, boxText;
    bool awaited;
  };
  const Window windows[] = {
      {8, "B", "#32770", "", true},      {8, "b", "#32770", "", false},  {8, "B ", "#32770", "", false},
      {10, "C", "#32770", "ok\nnow", true}, {10, "D", "#32770", "ok\nnow", false},
      {10, "C", "Button", "ok\nnow", false}, {10, "C", "#32770", "ok", false},
  };
  for (const auto& w : windows) {
    const auto& cmd = c[static_cast<std::size_t>(w.line - 1)];
    Check(e2e::Awaits(cmd, w.caption, w.cls, w.boxText) == w.awaited,
          "line " + std::to_string(w.line) + " awaits " + std::string(w.caption) + "/" + std::string(w.cls) + "/" +
              std::string(w.boxText) + ": " + (w.awaited ? "should" : "should not"));
  }
  const auto noCaption = e2e::ParseScript("expect-msgbox text ok\n");
  Check(e2e::Awaits(noCaption.commands.at(0), "any", "#32770", "text"), "a message box without caption= has any caption");
}

// ---- PNG ------------------------------------------------------------------

std::uint32_t Be32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 | std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}

// Reads back what EncodePng wrote, checking every field on the way. Returns
// the pixels, or an empty vector with `problem` set.
std::vector<std::uint8_t> DecodeOwnPng(const std::vector<std::uint8_t>& png, std::uint32_t& w, std::uint32_t& h,
                                       int& blocks, std::string& problem) {
  static const std::uint8_t kSig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (png.size() < 8 || !std::equal(kSig, kSig + 8, png.begin())) {
    problem = "bad signature";
    return {};
  }
  std::vector<std::uint8_t> idat;
  std::vector<std::string> order;
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    const std::uint32_t len = Be32(png, at);
    if (at + 12 + len > png.size()) {
      problem = "chunk runs past the end";
      return {};
    }
    const std::string type(png.begin() + static_cast<std::ptrdiff_t>(at + 4), png.begin() + static_cast<std::ptrdiff_t>(at + 8));
    const auto body = std::span(png).subspan(at + 8, len);
    if (e2e::Crc32(std::span(png).subspan(at + 4, len + 4)) != Be32(png, at + 8 + len)) {
      problem = "CRC mismatch in " + type;
      return {};
    }
    order.push_back(type);
    if (type == "IHDR") {
      std::vector<std::uint8_t> v(body.begin(), body.end());
      w = Be32(v, 0);
      h = Be32(v, 4);
      if (len != 13 || v[8] != 8 || v[9] != 2 || v[10] != 0 || v[11] != 0 || v[12] != 0) {
        problem = "unexpected IHDR fields";
        return {};
      }
    } else if (type == "IDAT") {
      idat.insert(idat.end(), body.begin(), body.end());
    }
    at += 12 + len;
  }
  if (at != png.size() || order != std::vector<std::string>{"IHDR", "IDAT", "IEND"}) {
    problem = "chunk layout is not IHDR IDAT IEND";
    return {};
  }
  if (idat.size() < 6 || idat[0] != 0x78 || (idat[0] * 256 + idat[1]) % 31 != 0) {
    problem = "bad zlib header";
    return {};
  }
  std::vector<std::uint8_t> raw;
  std::size_t p = 2;
  blocks = 0;
  bool final = false;
  while (!final) {
    if (p + 5 > idat.size()) {
      problem = "truncated deflate block";
      return {};
    }
    final = (idat[p] & 1) != 0;
    if ((idat[p] & 6) != 0) {
      problem = "not a stored block";
      return {};
    }
    const unsigned len = idat[p + 1] | idat[p + 2] << 8;
    const unsigned nlen = idat[p + 3] | idat[p + 4] << 8;
    if ((len ^ 0xFFFFu) != nlen || p + 5 + len > idat.size()) {
      problem = "bad stored block length";
      return {};
    }
    raw.insert(raw.end(), idat.begin() + static_cast<std::ptrdiff_t>(p + 5), idat.begin() + static_cast<std::ptrdiff_t>(p + 5 + len));
    p += 5 + len;
    ++blocks;
  }
  if (p + 4 != idat.size() || Be32(idat, p) != e2e::Adler32(raw)) {
    problem = "bad Adler-32 trailer";
    return {};
  }
  const std::size_t stride = std::size_t{w} * 3;
  if (raw.size() != (stride + 1) * h) {
    problem = "raw size does not match the header";
    return {};
  }
  std::vector<std::uint8_t> rgb;
  for (std::uint32_t y = 0; y < h; ++y) {
    const std::size_t row = y * (stride + 1);
    if (raw[row] != 0) {
      problem = "row filter is not 0";
      return {};
    }
    rgb.insert(rgb.end(), raw.begin() + static_cast<std::ptrdiff_t>(row + 1), raw.begin() + static_cast<std::ptrdiff_t>(row + 1 + stride));
  }
  return rgb;
}

void TestChecksums() {
  Check(e2e::Crc32(Bytes("123456789")) == 0xCBF43926u, "CRC-32 check value");
  Check(e2e::Crc32(Bytes("")) == 0, "CRC-32 of nothing");
  Check(e2e::Crc32(Bytes("6789"), e2e::Crc32(Bytes("12345"))) == 0xCBF43926u, "CRC-32 continues a running value");
  Check(e2e::Adler32(Bytes("Wikipedia")) == 0x11E60398u, "Adler-32 of Wikipedia");
  Check(e2e::Adler32(Bytes("")) == 1, "Adler-32 of nothing");
  // Enough 0xFF bytes to wrap both sums past the modulus many times.
  const std::vector<std::uint8_t> ff(100000, 0xFF);
  std::uint32_t a = 1, b = 0;
  for (int i = 0; i < 100000; ++i) {
    a = (a + 0xFF) % 65521;
    b = (b + a) % 65521;
  }
  Check(e2e::Adler32(ff) == (b << 16 | a), "Adler-32 reduces modulo 65521");
}

struct PngCase {
  std::uint32_t w, h;
  int blocks; // stored blocks expected
};

void TestPngRoundTrip() {
  // Raw data = (3w + 1) * h bytes: 28x771 fills one block exactly (65535),
  // 21x1024 needs a second block for its last byte (65536).
  const PngCase cases[] = {{1, 1, 1}, {2, 3, 1}, {28, 771, 1}, {21, 1024, 2}, {640, 200, 6}};
  for (const auto& c : cases) {
    std::vector<std::uint8_t> rgb(std::size_t{c.w} * c.h * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 7 + i / 3);
    const auto png = e2e::EncodePng(c.w, c.h, rgb);
    std::uint32_t w = 0, h = 0;
    int blocks = 0;
    std::string problem;
    const auto back = DecodeOwnPng(png, w, h, blocks, problem);
    const std::string label = "PNG " + std::to_string(c.w) + "x" + std::to_string(c.h);
    Check(problem.empty(), label + ": " + problem);
    Check(w == c.w && h == c.h, label + " size in header");
    Check(back == rgb, label + " pixels survive");
    Check(blocks == c.blocks, label + " uses " + std::to_string(blocks) + " blocks, expected " + std::to_string(c.blocks));
  }
  const std::vector<std::uint8_t> six(6);
  Check(e2e::EncodePng(0, 2, {}).empty(), "PNG of width 0 is refused");
  Check(e2e::EncodePng(2, 0, {}).empty(), "PNG of height 0 is refused");
  Check(e2e::EncodePng(2, 2, six).empty(), "PNG with too few pixels is refused");
  Check(e2e::EncodePng(1, 1, six).empty(), "PNG with too many pixels is refused");
}

} // namespace

int main() {
  TestSplitWords();
  TestParseCommands();
  TestParseSystemChecks();
  TestParseErrors();
  TestMarks();
  TestNextAwaited();
  TestChecksums();
  TestPngRoundTrip();
  std::printf("%d check(s), %d failure(s)\n", g_checks, g_failures);
  return g_failures == 0 ? 0 : 1;
}

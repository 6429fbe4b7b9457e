// The end-to-end driver's script parser (tests/e2e/driver/Script.cpp), which
// needs no Windows. Built with UTF-8 literals, as the driver is.
#include "tests/e2e/driver/Script.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using Words = std::vector<std::string>;

std::string FirstError(const e2e::Script& s) {
  if (s.errors.empty()) return "(none)";
  return "line " + std::to_string(s.errors[0].line) + ": " + s.errors[0].message;
}

TEST(E2eScriptTest, SplitWords) {
  struct Case {
    std::string_view line;
    Words words;  // expected words; ignored when an error is expected
    bool error;
  };
  const Case cases[] = {
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
    SCOPED_TRACE(std::string(c.line));
    const auto split = e2e::SplitWords(c.line);
    ASSERT_EQ(split.ok(), !c.error) << (split.ok() ? "" : split.failure().reason);
    if (c.error) continue;
    Words texts;
    for (const auto& w : split.value()) texts.push_back(w.text);
    EXPECT_EQ(texts, c.words);
  }
  const auto marked = e2e::SplitWords("\"x\" y");
  ASSERT_TRUE(marked.ok());
  ASSERT_EQ(marked.value().size(), 2u);
  EXPECT_TRUE(marked.value()[0].quoted);
  EXPECT_FALSE(marked.value()[1].quoted);
}

TEST(E2eScriptTest, ParsesCommandsAndOptions) {
  const std::string script =
      "\xEF\xBB\xBF# comment\r\n"
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
  ASSERT_TRUE(parsed.errors.empty()) << FirstError(parsed);
  ASSERT_EQ(parsed.commands.size(), 13u);
  const auto& c = parsed.commands;
  EXPECT_TRUE(c[0].name == "timeout" && c[0].millis == 15000 && c[0].line == 3);
  EXPECT_TRUE(c[1].name == "wait-window" && c[1].caption == "ドラマＣＤ１ インストーラー" &&
              c[1].hasTimeout && c[1].millis == 30000);
  EXPECT_TRUE(c[2].name == "expect-msgbox" &&
              c[2].text == "インストールは終わっていません。\n終了しますか？" &&
              c[2].answer == e2e::Answer::No && c[2].hasMsgCaption && c[2].msgCaption == "installer" &&
              !c[2].hasTimeout);
  EXPECT_TRUE(c[3].name == "screenshot" && c[3].text == "/tmp/out/shot.png" &&
              c[3].area == e2e::Area::Window && c[3].still && !c[1].still);
  EXPECT_TRUE(c[4].controlId == 1003 && c[4].text == "C:\\Program Files\\Harborlit\\Drama1")
      << "hex id and path";
  EXPECT_TRUE(c[5].text == "timeout=5" && !c[5].hasTimeout)
      << "set-text takes no options: name=value is its text";
  EXPECT_TRUE(c[6].caption == "timeout=5" && !c[6].hasTimeout && c[6].still)
      << "a quoted word is never an option";
  EXPECT_TRUE(c[7].name == "key" && c[7].key == e2e::KeyName::Escape);
  EXPECT_TRUE(c[8].name == "attach" && c[8].caption == "情報" && c[8].millis == 100);
  EXPECT_TRUE(c[9].text == "a b" && c[9].hasTimeout && c[9].millis == 0);
  EXPECT_EQ(c[10].line, 13) << "line numbers count comments and blank lines";
  EXPECT_TRUE(c[11].name == "run" && c[11].text == "xcopy /E /I /Y Q:\\ \"C:\\a b\"" && c[11].millis == 90000)
      << c[11].text;
  EXPECT_TRUE(c[12].name == "measure-texts" && c[12].caption == "情報" && c[12].text == "ＭＳ Ｐゴシック" &&
              c[12].points == 9);
}

// The commands that read back the system, with variables: ${NAME} is
// replaced in every word, quoted or not, options included.
TEST(E2eScriptTest, ParsesSystemChecksWithVariables) {
  const std::string script =
      "start \"${CD}:\\installer.exe\" ${CD}:\\\n"
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
  ASSERT_TRUE(parsed.errors.empty()) << FirstError(parsed);
  ASSERT_EQ(parsed.commands.size(), 7u);
  const auto& c = parsed.commands;
  EXPECT_TRUE((c[0].name == "start" && c[0].words == Words{"Q:\\installer.exe", "Q:\\"}));
  EXPECT_TRUE(c[1].numbers == std::vector<std::uint32_t>{0} && c[1].millis == 90000)
      << "a variable in an option";
  EXPECT_TRUE(
      (c[2].view == 32 && c[2].multiString && c[2].words == Words{"SOFTWARE\\x", "DisplayName", "ドラマ Q"}));
  EXPECT_TRUE((c[3].words == Words{"C:\\Program Files\\H\\a.lnk", "C:\\Program Files\\H\\a.html",
                                   "C:\\Program Files\\H", ""} &&
               c[3].numbers == std::vector<std::uint32_t>{1}))
      << "a value with blanks stays one word, an empty icon is kept";
  EXPECT_EQ(c[4].numbers, (std::vector<std::uint32_t>{1, 0}));
  EXPECT_EQ(c[5].words, (Words{"C:\\Program Files\\H\\a.txt", ""}));
  EXPECT_TRUE((c[6].name == "expect-text-file" && c[6].controlId == 1001 &&
               c[6].words == Words{"C:\\Program Files\\H\\sub\\shown.txt"}))
      << "set: a variable of the script's own takes the place of the caller's from its line on";
}

TEST(E2eScriptTest, RejectsBadLines) {
  struct Case {
    std::string_view script;
    std::string_view expected;  // part of the first error
  };
  const Case cases[] = {
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
    EXPECT_NE(FirstError(parsed).find(c.expected), std::string::npos)
        << "script [" << c.script << "] gives [" << FirstError(parsed) << "], expected [" << c.expected
        << "]";
    EXPECT_TRUE(parsed.commands.empty()) << "a rejected line yields no command: " << c.script;
  }
  const auto many = e2e::ParseScript("bogus\nsleep 1\nclick x y\n");
  EXPECT_EQ(many.errors.size(), 2u) << "every bad line is reported";
  EXPECT_EQ(many.commands.size(), 1u) << "good lines are kept";
}

// A mark must come before every elapsed that names it; marks may be set
// again and read more than once.
TEST(E2eScriptTest, Marks) {
  const auto parsed =
      e2e::ParseScript("mark copy\nmark end-2_b\nelapsed copy\nmark copy\nelapsed copy\nelapsed end-2_b\n");
  ASSERT_TRUE(parsed.errors.empty()) << FirstError(parsed);
  const std::vector<std::pair<std::string_view, std::string>> want = {
      {"mark", "copy"}, {"mark", "end-2_b"}, {"elapsed", "copy"},
      {"mark", "copy"}, {"elapsed", "copy"}, {"elapsed", "end-2_b"}};
  ASSERT_EQ(parsed.commands.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(parsed.commands[i].name, want[i].first) << parsed.commands[i].source;
    EXPECT_EQ(parsed.commands[i].caption, want[i].second) << parsed.commands[i].source;
  }
  // Order matters, not just presence; the other lines stay.
  const auto late = e2e::ParseScript("elapsed x\nmark x\nelapsed y\nelapsed x\n");
  ASSERT_EQ(late.errors.size(), 2u);
  EXPECT_EQ(late.errors[0].line, 1);
  EXPECT_EQ(late.errors[0].message, "no mark 'x' on an earlier line");
  EXPECT_EQ(late.errors[1].line, 3);
  EXPECT_EQ(late.errors[1].message, "no mark 'y' on an earlier line");
  EXPECT_EQ(late.commands.size(), 2u) << "the mark and the later elapsed are kept";
}

// The window a script waits for next, and which windows that command accepts:
// while the setup dialog's backdrop is checked, the dialog it opens at once
// is the next command's, and so is the message box after a click.
TEST(E2eScriptTest, NextAwaited) {
  const auto parsed = e2e::ParseScript(
      "wait-window A\nexpect-maximized A\nsleep 10\nallow X\nmark m\n"
      "expect-no-window Z\nrun \"cmd /c exit\"\nwait-window B\n"
      "click B 1\nexpect-msgbox \"ok\\nnow\" yes caption=C\nelapsed m\n");
  ASSERT_TRUE(parsed.errors.empty()) << FirstError(parsed);
  const auto& c = parsed.commands;
  struct Case {
    std::size_t index;
    int awaitedLine;  // 0: none follows
  };
  const Case cases[] = {{0, 2}, {1, 8}, {2, 8}, {5, 8}, {7, 9}, {8, 10}, {9, 0}, {10, 0}};
  for (const auto& k : cases) {
    const e2e::Command* next = e2e::NextAwaited(c, k.index);
    EXPECT_EQ(next ? next->line : 0, k.awaitedLine) << "after line " << c[k.index].line;
  }
  struct Window {
    int line;
    std::string_view caption, cls, boxText;
    bool awaited;
  };
  const Window windows[] = {
      {8, "B", "#32770", "", true},          {8, "b", "#32770", "", false},
      {8, "B ", "#32770", "", false},        {10, "C", "#32770", "ok\nnow", true},
      {10, "D", "#32770", "ok\nnow", false}, {10, "C", "Button", "ok\nnow", false},
      {10, "C", "#32770", "ok", false},
  };
  for (const auto& w : windows) {
    const auto& cmd = c[static_cast<std::size_t>(w.line - 1)];
    EXPECT_EQ(e2e::Awaits(cmd, w.caption, w.cls, w.boxText), w.awaited)
        << "line " << w.line << ": " << w.caption << "/" << w.cls << "/" << w.boxText;
  }
  const auto noCaption = e2e::ParseScript("expect-msgbox text ok\n");
  EXPECT_TRUE(e2e::Awaits(noCaption.commands.at(0), "any", "#32770", "text"))
      << "a message box without caption= has any caption";
}

}  // namespace

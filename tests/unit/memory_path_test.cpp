// Path resolution and wildcard matching of the in-memory file system.
#include <gtest/gtest.h>

#include "tests/memory/MemoryPath.h"

using mem::FullPath;
using mem::ResolvePath;

namespace {

FullPath Path(char drive, std::vector<std::string> parts) { return FullPath{drive, std::move(parts)}; }

struct ResolveCase {
  const char* input;
  bool pattern;
  const char* expected;  // full path text, or nullptr when an error is expected
  DWORD error;
  bool trailing;
};

TEST(MemoryPath, ResolvesLikeWindows) {
  const FullPath current = Path('C', {"work", "sub"});
  const ResolveCase cases[] = {
      {"C:\\a\\b", false, "C:\\a\\b", 0, false},
      {"c:/a//b/", false, "C:\\a\\b", 0, true},
      {"x\\..\\y", false, "C:\\work\\sub\\y", 0, false},
      {"..\\..\\..\\..", false, "C:\\", 0, false},
      {".\\file.txt", false, "C:\\work\\sub\\file.txt", 0, false},
      {"\\top", false, "C:\\top", 0, false},
      {"C:rel", false, "C:\\work\\sub\\rel", 0, false},
      {"D:rel", false, "D:\\rel", 0, false},
      {"c:", false, "C:\\work\\sub", 0, false},
      {"D:", false, "D:\\", 0, false},
      {"q:\\", false, "Q:\\", 0, false},
      {"C:\\a\\name. . ", false, "C:\\a\\name", 0, false},
      {"C:\\a\\name \\", false, "C:\\a\\name ", 0, true},
      {"C:\\a.\\b", false, "C:\\a\\b", 0, false},
      {"C:\\a..\\b", false, "C:\\a..\\b", 0, false},
      {"C:\\name.\\", false, "C:\\name", 0, true},
      {"C:\\a\\dest.", true, "C:\\a\\dest", 0, false},
      {"C:\\a\\*.", true, "C:\\a\\*.", 0, false},
      {"C:\\a\\*.*", true, "C:\\a\\*.*", 0, false},
      // The second byte of ソ (0x83 0x5C) and of 表 (0x95 0x5C) is no separator.
      {"C:\\ソフト\\表", false, "C:\\ソフト\\表", 0, false},
      // Half a character (a lead byte at the end, or before a byte that cannot follow it).
      {"C:\\\x83", false, "C:\\・", 0, false},
      {"C:\\a\x83"
       " b",
       false, "C:\\a・ b", 0, false},
      {"\x82:\\HTML", false, nullptr, ERROR_INVALID_NAME, false},
      {"C:\\a*", false, nullptr, ERROR_INVALID_NAME, false},
      {"C:\\a\\*\\b", true, nullptr, ERROR_INVALID_NAME, false},
      {"C:\\a<b", false, nullptr, ERROR_INVALID_NAME, false},
      {"C:\\x\\a:b", false, nullptr, ERROR_INVALID_NAME, false},
      {"1:\\x", false, nullptr, ERROR_INVALID_NAME, false},
      {"\\\\server\\share", false, nullptr, mem::ERROR_BAD_NETPATH_CODE, false},
      {"", false, nullptr, ERROR_PATH_NOT_FOUND, false},
  };
  for (const ResolveCase& c : cases) {
    SCOPED_TRACE(c.input);
    const mem::ResolvedPath r = ResolvePath(c.input, current, c.pattern);
    EXPECT_EQ(r.error, c.error);
    if (c.expected != nullptr) {
      EXPECT_EQ(r.path.Text(), c.expected);
      EXPECT_EQ(r.trailingSeparator, c.trailing);
    }
  }
}

TEST(MemoryPath, SplitsDoubleByteNamesWhole) {
  const mem::ResolvedPath r = ResolvePath("C:\\ソ\\表x", Path('C', {}), false);
  ASSERT_EQ(r.error, 0u);
  ASSERT_EQ(r.path.parts.size(), 2u);
  EXPECT_EQ(r.path.parts[0], "\x83\x5C");
  EXPECT_EQ(r.path.parts[1], "\x95\x5Cx");
}

TEST(MemoryPath, RejectsOverlongPaths) {
  const std::string longName(300, 'a');
  EXPECT_EQ(ResolvePath("C:\\" + longName, Path('C', {}), false).error, ERROR_FILENAME_EXCED_RANGE);
  // 259 characters in all is the limit; a double-byte character counts once.
  std::string justFits = "C:\\" + std::string(256, 'b');
  EXPECT_EQ(ResolvePath(justFits, Path('C', {}), false).error, 0u);
  EXPECT_EQ(ResolvePath(justFits + "c", Path('C', {}), false).error, ERROR_FILENAME_EXCED_RANGE);
  std::string wide = "C:\\";
  for (int i = 0; i < 128; ++i) wide += "表";
  EXPECT_EQ(ResolvePath(wide, Path('C', {}), false).error, 0u);
}

TEST(MemoryPath, FoldsOnlySingleByteLetters) {
  EXPECT_EQ(mem::FoldName("Readme.Txt"), "README.TXT");
  // ヂ is 0x83 0x61: its second byte looks like 'a' but must not become 'A' (ア is 0x83 0x41).
  EXPECT_EQ(mem::FoldName("ヂ"), "\x83\x61");
  EXPECT_NE(mem::FoldName("ヂ"), mem::FoldName("ア"));
  // Half-width katakana are single bytes outside ASCII: unchanged.
  EXPECT_EQ(mem::FoldName("\xB1z"), "\xB1Z");
}

struct MatchCase {
  const char* pattern;
  const char* name;
  bool matches;
};

TEST(MemoryPath, MatchesWildcards) {
  const MatchCase cases[] = {
      {"*.*", "readme", true},
      {"*.*", "a.b.c", true},
      {"*.*", ".", true},
      {"*", "..", true},
      {"*.txt", "NOTES.TXT", true},
      {"*.txt", "notes.txt.bak", false},
      {"?.txt", "ab.txt", false},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"????.*", "img", true},
      {"a??", "a", true},
      {"a?.txt", "a.txt", true},
      {"a?", "abc", false},
      {"a.*", "a", true},
      {"*.html", "index.htm", false},
      {"index.html", "INDEX.HTML", true},
      {"?", "ソ", true},
      {"ヂ*", "アイ", false},
      {"*フト", "ソフト", true},
      {"uninst.exe", "uninst.ex", false},
  };
  for (const MatchCase& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " / " + c.name);
    EXPECT_EQ(mem::MatchPattern(c.pattern, c.name), c.matches);
  }
}

TEST(MemoryPath, ContainsFoldedMatchesAtCharacterStarts) {
  EXPECT_TRUE(mem::ContainsFolded("C:\\Dest\\05.HTML", "\\05.html"));
  EXPECT_FALSE(mem::ContainsFolded("C:\\Dest\\05.HTML", "\\06.html"));
  // "\\" must not be found inside ソ (0x83 0x5C).
  EXPECT_FALSE(mem::ContainsFolded("ソ", "\\"));
}

// Trail bytes run from 0x40 to 0xFC without 0x7F: both ends and 0x80 (the
// second byte of ム in ゲーム) keep the character whole.
TEST(MemoryPath, TrailByteRangeKeepsCharactersWhole) {
  struct Case {
    const char* input;
    std::string leaf;
  };
  const Case cases[] = {
      {"C:\\ゲーム", "\x83\x51\x81\x5B\x83\x80"},
      {"C:\\\x83\x40", "\x83\x40"},
      {"C:\\\x83\x7E", "\x83\x7E"},
      {"C:\\\x83\x80", "\x83\x80"},
      {"C:\\\x83\xFC", "\x83\xFC"},
      {"C:\\\x9F\x80", "\x9F\x80"},
      {"C:\\\xE0\x80", "\xE0\x80"},
      {"C:\\\xFC\x80", "\xFC\x80"},
      // No trail byte: half a character becomes the middle dot.
      {"C:\\\x83\x3F", "\x81\x45?"},
      {"C:\\\x83\x7F", "\x81\x45\x7F"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    const mem::ResolvedPath r = ResolvePath(c.input, Path('C', {}), true);
    ASSERT_EQ(r.path.parts.size(), 1u);
    EXPECT_EQ(r.path.parts[0], c.leaf);
  }
  EXPECT_EQ(mem::PathCharCount("ゲーム"), 3u);
  EXPECT_EQ(mem::FoldName("ゲームa"), "ゲームA");
}

// Spaces before a device name's extension do not count, however many.
TEST(MemoryPath, DeviceNamesWithSpacesBeforeTheExtension) {
  struct Case {
    const char* component;
    const char* device;
  };
  const Case cases[] = {
      {"con", "con"},     {"CON .txt", "CON"}, {"nul  .html", "nul"}, {"com1 ", "com1"},
      {"lpt9.x", "lpt9"}, {"com0", ""},        {"cons", ""},          {"co n", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(mem::DeviceName(c.component), c.device) << c.component;
  }
}

}  // namespace

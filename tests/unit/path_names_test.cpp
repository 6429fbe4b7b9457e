#include "shell/PathNames.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/unit/TestSupport.h"

namespace {

// "ソ" and "表" end in 0x5C, the byte of a backslash; the rows with them are
// the only place the callers' separator searches and splits are shown to
// step over it.
const std::string kSo = "\x83\x5C";
const std::string kHyo = "\x95\x5C";
constexpr std::size_t kNone = std::string_view::npos;

TEST(PathNamesTest, SeparatorsAndLevelsTakeOnlySingleByteCharacters) {
  struct Case {
    std::string path;
    std::vector<std::size_t> separators;  // every one, as NextSeparator finds them in turn
    std::vector<std::string> levels;
  };
  const std::vector<Case> cases = {
      {"", {}, {}},
      {"C:", {}, {"C:"}},
      {"C:\\a/b", {2, 4}, {"C:", "a", "b"}},
      {"\\\\server//share\\", {0, 1, 8, 9, 15}, {"server", "share"}},
      {kSo, {}, {kSo}},
      {kSo + "\\" + kHyo + "/x" + kSo, {2, 5}, {kSo, kHyo, "x" + kSo}},
      {"a" + kHyo + kSo + "\\", {5}, {"a" + kHyo + kSo}},
      {"\x81\\\\b", {2}, {"\x81\\", "b"}},  // a lead byte takes whatever byte follows
      {"a\\\x83", {1}, {"a", "\x83"}},      // a lone lead byte at the end
  };
  for (const Case& c : cases) {
    std::vector<std::size_t> found;
    for (std::size_t i = NextSeparator(c.path); i != kNone; i = NextSeparator(c.path, i + 1)) {
      found.push_back(i);
    }
    EXPECT_EQ(found, c.separators) << c.path;
    EXPECT_EQ(LastSeparator(c.path), c.separators.empty() ? kNone : c.separators.back()) << c.path;
    const std::vector<std::string_view> levels = SplitPath(c.path);
    EXPECT_EQ(std::vector<std::string>(levels.begin(), levels.end()), c.levels) << c.path;
  }
}

TEST(PathNamesTest, DriveSpecIsALetterAndAColonOnly) {
  for (const char* drive : {"C:", "a:", "Z:", "z:"}) EXPECT_TRUE(IsDriveSpec(drive)) << drive;
  for (const char* other : {"", "C", "C:\\", "CC", "1:", "@:", "[:", "`:", "{:", ":C", "\x83:"}) {
    EXPECT_FALSE(IsDriveSpec(other)) << other;
  }
}

TEST(PathNamesTest, NamesEndingInADotOrASpaceAreThoseWindowsShortens) {
  const std::pair<std::string, bool> cases[] = {
      {"a.", true}, {"a ", true}, {".", true}, {"a.b", false}, {" a", false}, {"", false}, {"a" + kSo, false},
  };
  for (const auto& [name, shortened] : cases) EXPECT_EQ(EndsInDotOrSpace(name), shortened) << name;
}

TEST(PathNamesTest, LevelsCompareWholeIgnoringTheCaseOfSingleByteLetters) {
  using Levels = std::vector<CString>;
  struct Case {
    Levels path;
    Levels prefix;
    bool starts;
  };
  const std::vector<Case> cases = {
      {{"C:", "Games", "drama"}, {"c:", "GAMES"}, true},
      {{"C:", "Games"}, {"C:", "Games"}, true},
      {{"C:", "Games"}, {}, true},
      {{"C:"}, {"C:", "Games"}, false},
      {{"C:", "Games1"}, {"C:", "Games"}, false},       // a level is never matched in part
      {{"C:", "\x82\x60"}, {"C:", "\x82\x81"}, false},  // full-width Ａ and ａ differ
  };
  for (const Case& c : cases) EXPECT_EQ(StartsWithLevels(c.path, c.prefix), c.starts) << c.path.back().str();
}

TEST(PathNamesTest, JoinPutsOneBackslashBetweenAFolderAndAName) {
  EXPECT_EQ(JoinPath("C:\\a", "b"), CString("C:\\a\\b"));
  EXPECT_EQ(JoinPath("C:", "b" + kSo), CString("C:\\b" + kSo));
  EXPECT_EQ(JoinPath("C:\\a", ""), CString("C:\\a"));
}

}  // namespace

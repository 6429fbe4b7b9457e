#include "platform/CString.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/TestSupport.h"

namespace {

// "ソ" and "表" end in 0x5C, the byte of a backslash.
constexpr const char kSo[] = "\x83\x5C";
constexpr const char kHyo[] = "\x95\x5C";

TEST(CStringTest, JapaneseLiteralsAreShiftJis) {
  const std::string literal = "インストール先";
  const std::string expected = "\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x90\xE6";
  EXPECT_EQ(literal, expected);
  EXPECT_EQ(std::string("ソ"), kSo);
  EXPECT_EQ(std::string("表"), kHyo);
}

TEST(CStringTest, CharLengthAt) {
  struct Case {
    std::string text;
    std::size_t index;
    std::size_t length;
  };
  const std::vector<Case> cases = {
      {"a", 0, 1},        {kSo, 0, 2},        {"\x83", 0, 1},  // lone lead byte at the end
      {"\xB1\xB2", 0, 1},                                      // half-width katakana are single bytes
      {"\xE0\x40", 0, 2},                                      // upper lead-byte range
      {"\xFC\x40", 0, 2}, {"\xFD\x40", 0, 1},                  // not a lead byte
      {"\xA0\x40", 0, 1}, {"\x80\x40", 0, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CharLengthAt(c.text, c.index), c.length) << testing::PrintToString(c.text);
  }
}

TEST(CStringTest, FindNeverMatchesTrailBytes) {
  struct Case {
    std::string text;
    char ch;
    int start;
    int find;
    int reverseFind;
  };
  const std::vector<Case> cases = {
      {std::string("a") + kSo + "b", '\\', 0, -1, -1},
      {std::string(kSo) + "\\" + kHyo, '\\', 0, 2, 2},
      {std::string("x\\") + kSo + "\\" + kHyo, '\\', 0, 1, 4},
      {std::string("x\\") + kSo + "\\" + kHyo, '\\', 2, 4, 4},
      {std::string(kHyo) + kHyo, '\\', 0, -1, -1},
      // The lead byte value itself is not a character on its own.
      {std::string(kSo), '\x83', 0, -1, -1},
      // A lone lead byte at the end is a one-byte character.
      {std::string("ab\x83"), '\x83', 0, 2, 2},
      {std::string("a\tb\tc"), '\t', 0, 1, 3},
      {std::string("abc"), 'a', 3, -1, 0},
      {std::string("abc"), 'a', -1, -1, 0},
      {std::string(""), 'a', 0, -1, -1},
      // Half-width katakana are single bytes, so the next byte is its own character.
      {std::string("\xB1\x5C"), '\\', 0, 1, 1},
  };
  for (const auto& c : cases) {
    const CString s(c.text);
    EXPECT_EQ(s.Find(c.ch, c.start), c.find) << testing::PrintToString(c.text);
    EXPECT_EQ(s.ReverseFind(c.ch), c.reverseFind) << testing::PrintToString(c.text);
  }
}

TEST(CStringTest, FindStartingInsideDoubleByteCharacter) {
  // Starting at the trail byte must not turn it into a character of its own.
  const CString s(std::string(kSo) + "\\");
  EXPECT_EQ(s.Find('\\', 1), 2);
  EXPECT_EQ(s.Find("\\", 1), 2);
}

TEST(CStringTest, FindSubstring) {
  struct Case {
    std::string text;
    std::string sub;
    int start;
    int expected;
  };
  const std::vector<Case> cases = {
      {"abcabc", "bc", 0, 1},
      {"abcabc", "bc", 2, 4},
      {"abcabc", "x", 0, -1},
      {"abc", "", 1, 1},
      {"abc", "abcd", 0, -1},
      // "\\x" exists in the bytes but begins at a trail byte.
      {std::string(kSo) + "x", "\\x", 0, -1},
      {std::string(kSo) + "\\x", "\\x", 0, 2},
      // A pattern that would take only the lead byte of a character.
      {std::string("a") + kSo, "a\x83", 0, -1},
      {"abc", "a", 4, -1},
      {"abc", "a", -1, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CString(c.text).Find(c.sub, c.start), c.expected)
        << testing::PrintToString(c.text) << " / " << testing::PrintToString(c.sub);
  }
}

TEST(CStringTest, ExtractionCountsBytesAndClamps) {
  const CString s(std::string("a") + kSo + "bc");  // 5 bytes
  EXPECT_EQ(s.GetLength(), 5);
  EXPECT_EQ(s.Left(2), CString("a\x83"));
  EXPECT_EQ(s.Left(-1), CString(""));
  EXPECT_EQ(s.Left(99), s);
  EXPECT_EQ(s.Right(2), CString("bc"));
  EXPECT_EQ(s.Right(0), CString(""));
  EXPECT_EQ(s.Right(99), s);
  EXPECT_EQ(s.Mid(3), CString("bc"));
  EXPECT_EQ(s.Mid(-2), s);
  EXPECT_EQ(s.Mid(9), CString(""));
  EXPECT_EQ(s.Mid(1, 2), CString(kSo));
  EXPECT_EQ(s.Mid(4, 10), CString("c"));
  EXPECT_EQ(s.Mid(2, -1), CString(""));
}

TEST(CStringTest, TrimRemovesSingleByteWhiteSpaceOnly) {
  struct Case {
    std::string text;
    std::string left;
    std::string right;
    std::string both;
  };
  const std::string fullWidthSpace = "\x81\x40";
  const std::vector<Case> cases = {
      {" \t\r\n\v\fa b\f\v\n\r\t ", "a b\f\v\n\r\t ", " \t\r\n\v\fa b", "a b"},
      {fullWidthSpace + "a" + fullWidthSpace,
       "\x81\x40"
       "a\x81\x40",
       "\x81\x40"
       "a\x81\x40",
       "\x81\x40"
       "a\x81\x40"},
      {"   ", "", "", ""},
      // Longer than the small-string buffer: nothing before the text is read.
      {std::string(40, ' '), "", "", ""},
      {"", "", "", ""},
      // The trail byte 0x20 of a malformed character belongs to that character.
      {"a\x81 ", "a\x81 ", "a\x81 ", "a\x81 "},
      {"a\x81 \t", "a\x81 \t", "a\x81 ", "a\x81 "},
      // A lone lead byte at the end is kept.
      {" \x83", "\x83", " \x83", "\x83"},
  };
  for (const auto& c : cases) {
    CString left(c.text), right(c.text), both(c.text);
    EXPECT_EQ(left.TrimLeft(), CString(c.left)) << testing::PrintToString(c.text);
    EXPECT_EQ(right.TrimRight(), CString(c.right)) << testing::PrintToString(c.text);
    EXPECT_EQ(both.Trim(), CString(c.both)) << testing::PrintToString(c.text);
  }
}

TEST(CStringTest, TrimGivenCharacter) {
  CString s(std::string("\\\\a\\") + kSo + "\\\\");
  s.TrimRight('\\');
  EXPECT_EQ(s, CString(std::string("\\\\a\\") + kSo));
  s.TrimLeft('\\');
  EXPECT_EQ(s, CString(std::string("a\\") + kSo));
  // Trimming backslashes must stop at the trail byte of ソ.
  CString so(kSo);
  so.TrimRight('\\');
  EXPECT_EQ(so, CString(kSo));
}

TEST(CStringTest, MakeReverseKeepsDoubleByteCharacters) {
  struct Case {
    std::string text;
    std::string reversed;
  };
  const std::vector<Case> cases = {
      {"abc", "cba"},
      {"", ""},
      {std::string("a") + kSo + "b" + kHyo, std::string(kHyo) + "b" + kSo + "a"},
      {"\xB1\xB2\xB3", "\xB3\xB2\xB1"},
      {"ab\x83",
       "\x83"
       "ba"},  // lone lead byte stays one character
      {std::string("x\\y\\") + kSo, std::string(kSo) + "\\y\\x"},
  };
  for (const auto& c : cases) {
    CString s(c.text);
    EXPECT_EQ(s.MakeReverse(), CString(c.reversed)) << testing::PrintToString(c.text);
  }
}

TEST(CStringTest, CaseChangesTouchSingleByteLettersOnly) {
  // 0x82 0x60 is the full-width A; 0x83 0x41 has 'A' as its trail byte.
  const std::string mixed = "AbZ\x82\x60\x83\x41\xB1@[`{";
  CString lower(mixed);
  EXPECT_EQ(lower.MakeLower(), CString("abz\x82\x60\x83\x41\xB1@[`{"));
  // 0x88 0x61 has 'a' as its trail byte.
  CString upper("az\x88\x61\xB1");
  EXPECT_EQ(upper.MakeUpper(), CString("AZ\x88\x61\xB1"));
  CString loneLead("A\x83");
  EXPECT_EQ(loneLead.MakeLower(), CString("a\x83"));
}

TEST(CStringTest, DeleteAndInsert) {
  CString s("abcdef");
  EXPECT_EQ(s.Delete(1, 2), 4);
  EXPECT_EQ(s, CString("adef"));
  EXPECT_EQ(s.Delete(3, 10), 3);
  EXPECT_EQ(s, CString("ade"));
  EXPECT_EQ(s.Delete(5), 3);
  EXPECT_EQ(s.Delete(-1, 1), 2);
  EXPECT_EQ(s, CString("de"));
  EXPECT_EQ(s.Delete(0, -3), 2);
  EXPECT_EQ(s.Insert(1, "XY"), 4);
  EXPECT_EQ(s, CString("dXYe"));
  EXPECT_EQ(s.Insert(99, "!"), 5);
  EXPECT_EQ(s.Insert(-5, "<"), 6);
  EXPECT_EQ(s, CString("<dXYe!"));
}

// Replace(oldText, newText) on text gives count and result.
struct ReplaceCase {
  std::string text;
  std::string oldText;
  std::string newText;
  int count;
  std::string result;
};

void ExpectReplacements(const std::vector<ReplaceCase>& cases) {
  for (const auto& c : cases) {
    CString s(c.text);
    EXPECT_EQ(s.Replace(c.oldText, c.newText), c.count) << testing::PrintToString(c.text);
    EXPECT_EQ(s, CString(c.result)) << testing::PrintToString(c.text);
  }
}

TEST(CStringTest, ReplaceLeftToRightWithoutOverlap) {
  const std::vector<ReplaceCase> cases = {
      {"aaaa", "aa", "b", 2, "bb"},
      {"aaa", "aa", "b", 1, "ba"},
      // A pattern formed only by a removal stays.
      {"../../../program/../../../program/x", "../../../program/", "", 2, "x"},
      {"../../.../../../program/x", "../../../program/", "", 1, "../../.x"},
      {"../../../pro../../../program/gram/", "../../../program/", "", 1, "../../../program/"},
      {".././../../program/", "../../../program/", "", 0, ".././../../program/"},
      {"abc", "", "x", 0, "abc"},
      {"abc", "abc", "", 1, ""},
      {"abab", "ab", "abab", 2, "abababab"},
      // The trail byte of ソ is not the start of "\\x".
      {std::string(kSo) + "x\\x", "\\x", "/", 1, std::string(kSo) + "x/"},
      // A pattern ending in a lead byte would split a character.
      {std::string("a") + kSo, "a\x83", "", 0, std::string("a") + kSo},
  };
  ExpectReplacements(cases);
}

TEST(CStringTest, ReplaceTellsCharacterStartsFromRunsOfLeadBytes) {
  const std::vector<ReplaceCase> cases = {
      // Three lead bytes before the backslash: the third takes it as its
      // second byte.
      {"\x81\x81\x81\\", "\\", "/", 0, "\x81\x81\x81\\"},
      // Two: they form one character and the backslash stands alone.
      {"\x81\x81\\", "\\", "/", 1, "\x81\x81/"},
      {"\\\x81\x81\\\x81\\", "\\", "//", 2, "//\x81\x81//\x81\\"},
      // A pattern ending in a lead byte matches where that byte ends the
      // string and so stands alone.
      {"xa\x83", "a\x83", "b", 1, "xb"},
      {"a\x83xa\x83", "a\x83", "", 1, "a\x83x"},
      // Candidates inside characters are passed over, later ones still found.
      {std::string(kSo) + kSo + "\\" + kSo, "\\", "", 1, std::string(kSo) + kSo + kSo},
  };
  ExpectReplacements(cases);
  for (const auto& c : cases) {
    EXPECT_EQ(CString(c.text).Find(c.oldText) >= 0, c.count > 0) << testing::PrintToString(c.text);
  }
}

TEST(CStringTest, TrimRightOfALeadByteTakesOnlyLoneLeadBytes) {
  struct Case {
    std::string text;
    char ch;
    std::string result;
  };
  const std::vector<Case> cases = {
      {"a\x81\x81", '\x81', "a\x81\x81"},        // one double-byte character
      {"a\x81", '\x81', "a"},                    // a lone lead byte at the end
      {"ab\x81\x81\x81", '\x81', "ab\x81\x81"},  // a character, then a lone byte
      {"\x81 ", ' ', "\x81 "},                   // the space is a second byte
      {"\x81\x81  ", ' ', "\x81\x81"},           // here it is not
      {std::string(kSo) + "\\\\", '\\', kSo},
  };
  for (const auto& c : cases) {
    CString s(c.text);
    EXPECT_EQ(s.TrimRight(c.ch), CString(c.result)) << testing::PrintToString(c.text);
  }
  CString spaces("\x81 ");
  EXPECT_EQ(spaces.TrimRight(), CString("\x81 "));
  EXPECT_EQ(CString("ab").Find("b", 2), -1);
}

TEST(CStringTest, ReplaceWithTextsTakenFromTheStringItself) {
  CString shrinking("abcabc");
  EXPECT_EQ(shrinking.Replace(shrinking.view().substr(0, 3), shrinking.view().substr(3, 1)), 2);
  EXPECT_EQ(shrinking, CString("aa"));

  CString growing("ab");
  EXPECT_EQ(growing.Replace(growing.view().substr(1, 1), growing.view()), 1);
  EXPECT_EQ(growing, CString("aab"));
  // The first replacement changes the bytes the pattern was taken from: the
  // pattern is still what it was when the call began.
  CString same("xyxy");
  EXPECT_EQ(same.Replace(same.view().substr(0, 1), same.view().substr(1, 1)), 2);
  EXPECT_EQ(same, CString("yyyy"));
  // Only one of the two texts taken from the string: each is still what it
  // was when the call began.
  CString patternOnly("xyxy");
  EXPECT_EQ(patternOnly.Replace(patternOnly.view().substr(0, 1), "y"), 2);
  EXPECT_EQ(patternOnly, CString("yyyy"));
  CString replacementOnly("abcdQzzzzabcd");
  EXPECT_EQ(replacementOnly.Replace("abcd", replacementOnly.view().substr(4, 1)), 2);
  EXPECT_EQ(replacementOnly, CString("QQzzzzQ"));
}

TEST(CStringTest, FindFromAStartAfterACharacterWhoseSecondByteLooksLikeALeadByte) {
  // ぁ (0x82 0x9F) then 亜 (0x88 0x41): searching from 亜, its second byte
  // 'A' is no match; 0x9F before the start is the end of ぁ, not a lead byte.
  const CString s("\x82\x9F\x88\x41");
  EXPECT_EQ(s.Find('A', 2), -1);
  EXPECT_EQ(s.Find("A", 2), -1);
  EXPECT_EQ(CString("\x82\x9F\x88\x41"
                    "A")
                .Find('A', 2),
            4);
}

TEST(CStringTest, MbsICmpIgnoresCaseOfSingleByteLettersOnly) {
  struct Case {
    std::string a;
    std::string b;
    int sign;
  };
  const std::vector<Case> cases = {
      {"ABC", "abc", 0},
      {"uninst.EXE", "UNINST.exe", 0},
      {"abc", "abd", -1},
      {"abd", "ABC", 1},
      {"ab", "abc", -1},
      {"abc", "ab", 1},
      {"", "", 0},
      // Full-width A and full-width a are different characters.
      {"\x82\x60", "\x82\x81", -1},
      // Trail bytes that look like letters are not folded.
      {"\x83\x41", "\x83\x61", -1},
      {std::string(kSo), std::string(kSo), 0},
      // A double-byte character sorts after any single byte.
      {"\xDF", "\x81\x40", -1},
      {"_", "a", -1},  // compared lower-cased, as the runtime does
      {"_", "A", -1},
  };
  for (const auto& c : cases) {
    const int r = MbsICmp(c.a, c.b);
    const int sign = (r > 0) - (r < 0);
    EXPECT_EQ(sign, c.sign) << testing::PrintToString(c.a) << " vs " << testing::PrintToString(c.b);
  }
  // A view that ends inside a longer text (a prefix of a path): what lies
  // after its end is not part of it.
  const std::string_view text = "abcd";
  EXPECT_EQ(MbsICmp(text.substr(0, 3), text.substr(0, 2)), 1);
  EXPECT_EQ(MbsICmp(text.substr(0, 2), text.substr(0, 3)), -1);
}

// The last lead byte of the lower range, 0x9F, starts a double-byte
// character like any other: its trail byte 0x5C is no backslash.
TEST(CStringTest, LeadByteRangeEndsAreLeadBytes) {
  for (const char* lead : {"\x81", "\x9F", "\xE0", "\xFC"}) {
    const CString s(std::string(lead) + "\\a\\");
    EXPECT_EQ(CharLengthAt(s.view(), 0), 2u) << testing::PrintToString(s);
    EXPECT_EQ(s.Find('\\'), 3) << testing::PrintToString(s);
    EXPECT_EQ(s.ReverseFind('\\'), 3) << testing::PrintToString(s);
    CString trimmed(s.Left(2));
    EXPECT_EQ(trimmed.TrimRight('\\'), s.Left(2)) << testing::PrintToString(s);
  }
  for (const char* notLead : {"\x80", "\xA0", "\xDF", "\xFD"}) {
    const CString s(std::string(notLead) + "\\");
    EXPECT_EQ(s.Find('\\'), 1) << testing::PrintToString(s);
  }
}

// A search starting exactly at a match finds it there.
TEST(CStringTest, FindMatchesAtTheStartIndex) {
  struct Case {
    std::string text;
    char ch;
    int start;
    int expected;
  };
  const std::vector<Case> cases = {
      {"abc", 'a', 0, 0},      {"abc", 'b', 1, 1}, {"abc", 'c', 2, 2}, {std::string(kSo) + "\\", '\\', 2, 2},
      {"a\tb\tc", '\t', 3, 3},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CString(c.text).Find(c.ch, c.start), c.expected) << testing::PrintToString(c.text);
    EXPECT_EQ(CString(c.text).Find(std::string(1, c.ch), c.start), c.expected)
        << testing::PrintToString(c.text);
  }
}

// An empty pattern matches at the first character boundary at or after the
// start: inside a double-byte character that is the character's end.
TEST(CStringTest, FindEmptyPatternAtCharacterBoundary) {
  struct Case {
    std::string text;
    int start;
    int expected;
  };
  const std::vector<Case> cases = {
      {std::string(kSo) + "a", 0, 0},
      {std::string(kSo) + "a", 1, 2},
      {std::string(kSo) + "a", 2, 2},
      {std::string(kSo) + "a", 3, 3},
      {std::string("a") + kSo, 2, 3},
      {"", 0, 0},
      {"ab", 3, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CString(c.text).Find("", c.start), c.expected)
        << testing::PrintToString(c.text) << " from " << c.start;
  }
}

// Trimming a given byte takes whole single-byte characters only: a lead
// byte equal to it, or a trail byte, is part of its character.
TEST(CStringTest, TrimGivenByteKeepsDoubleByteCharactersWhole) {
  struct Case {
    std::string text;
    char ch;
    std::string left;
    std::string right;
  };
  const std::vector<Case> cases = {
      {std::string(kSo) + "a", '\x83', std::string(kSo) + "a", std::string(kSo) + "a"},
      // 0x83 0x83 is one character, then ソ.
      {std::string("\x83\x83") + kSo, '\x83', std::string("\x83\x83") + kSo, std::string("\x83\x83") + kSo},
      {std::string("a") + kHyo, '\\', std::string("a") + kHyo, std::string("a") + kHyo},
      {"\\\\a\\", '\\', "a\\", "\\\\a"},
  };
  for (const auto& c : cases) {
    CString left(c.text), right(c.text);
    EXPECT_EQ(left.TrimLeft(c.ch), CString(c.left)) << testing::PrintToString(c.text);
    EXPECT_EQ(right.TrimRight(c.ch), CString(c.right)) << testing::PrintToString(c.text);
  }
}

// Double-byte characters compare by lead byte, then by the whole trail byte.
TEST(CStringTest, MbsICmpOrdersDoubleByteCharactersByBothBytes) {
  struct Case {
    std::string a;
    std::string b;
    int sign;
  };
  const std::vector<Case> cases = {
      {"\x81\x40", "\x81\xC0", -1}, {"\x81\xC0", "\x81\x40", 1},    {"\x81\xFC", "\x82\x40", -1},
      {"\x83\x80", "\x83\x7E", 1},  {"a\x81\x40", "A\x81\xC0", -1},
  };
  for (const auto& c : cases) {
    const int r = MbsICmp(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign)
        << testing::PrintToString(c.a) << " vs " << testing::PrintToString(c.b);
  }
}

}  // namespace

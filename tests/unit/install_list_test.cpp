#include "installer/InstallList.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/memory/MemorySystem.h"
#include "tests/unit/TestSupport.h"

namespace {

const CString kDest = "C:\\Program Files\\Harborlit\\Drama1";

std::vector<std::string> ReadAll(const std::string& content) {
  CTextFile file(std::make_unique<ViewStream>(content), FileOpenMode::Read);
  InstallList list = ReadInstallList(file);
  std::vector<std::string> entries;
  while (!list.IsEmpty()) entries.push_back(list.RemoveHead().str());
  return entries;
}

TEST(InstallListReadTest, OneEntryPerLineWithItsLineFeed) {
  struct Case {
    std::string content;
    std::vector<std::string> entries;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {"index.html\r\n*\\images\r\n", {"index.html\n", "*\\images\n"}},
      {"a\nb", {"a\n", "b"}},
      {"a\r\n\r\n\r\nb\r\n", {"a\n", "\n", "\n", "b\n"}},
      {"a\rb\r\n", {"a\rb\n"}},
      {"a\x1A\r\nb\r\n", {"a\x1A\n", "b\n"}},
      {"\x83\x5C.html\r\n", {"\x83\x5C.html\n"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadAll(c.content), c.entries) << testing::PrintToString(c.content);
  }
}

TEST(InstallListReadTest, LongLinesBecomeSeveralEntries) {
  const std::string line(2500, 'x');
  const auto entries = ReadAll(line + "\r\nnext\r\n");
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0], std::string(1023, 'x'));
  EXPECT_EQ(entries[1], std::string(1023, 'x'));
  EXPECT_EQ(entries[2], std::string(454, 'x') + "\n");
  EXPECT_EQ(entries[3], "next\n");

  // A line of exactly 1,023 bytes leaves its line feed as an entry of its own.
  const auto exact = ReadAll(std::string(1023, 'y') + "\r\n");
  ASSERT_EQ(exact.size(), 2u);
  EXPECT_EQ(exact[1], "\n");
}

TEST(InstallListReadTest, ReadsByNameThroughTheFileSystem) {
  MemorySystem sys;
  sys.Drives().Add('Q', DRIVE_CDROM, "TAVRIN_DRAMACD1");
  ASSERT_TRUE(sys.Files().AddFile("Q:\\install.dat", "a.html\r\n*\\img\r\n", FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(sys.Files().SetCurrentFolder("Q:\\"));
  std::optional<InstallList> list = ReadInstallList(sys.Files(), "install.dat");
  ASSERT_TRUE(list.has_value());
  ASSERT_EQ(list->GetCount(), 2);
  EXPECT_EQ(list->GetHead(), CString("a.html\n"));
  EXPECT_EQ(sys.Files().OpenStreams(), 0);

  EXPECT_FALSE(ReadInstallList(sys.Files(), "missing.dat").has_value());
  EXPECT_EQ(sys.Files().GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(InstallListReadTest, AReadThatFailsGivesNoListNotAShortOne) {
  // Long enough for several reads; the last one finds the end.
  std::string bytes;
  for (int i = 0; i < 12000; ++i) bytes += "page" + std::to_string(i) + ".html\r\n";
  int reads = 0;
  {
    MemorySystem sys;
    sys.Drives().Add('Q', DRIVE_CDROM, "TAVRIN_DRAMACD1");
    ASSERT_TRUE(sys.Files().AddFile("Q:\\install.dat", bytes, FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(sys.Files().SetCurrentFolder("Q:\\"));
    const FaultRule& counter = sys.Fail("Read", ERROR_ACCESS_DENIED).OnCall(1'000'000);
    ASSERT_EQ(ReadInstallList(sys.Files(), "Q:\\install.dat")->GetCount(), 12000);
    reads = counter.Seen();
  }
  ASSERT_GE(reads, 3);
  for (int n = 1; n <= reads; ++n) {
    MemorySystem sys;
    sys.Drives().Add('Q', DRIVE_CDROM, "TAVRIN_DRAMACD1");
    ASSERT_TRUE(sys.Files().AddFile("Q:\\install.dat", bytes, FILE_ATTRIBUTE_READONLY));
    sys.Fail("Read", ERROR_ACCESS_DENIED).OnCall(n);
    EXPECT_FALSE(ReadInstallList(sys.Files(), "Q:\\install.dat").has_value()) << "read " << n;
    EXPECT_EQ(sys.Files().OpenStreams(), 0);
  }
}

struct Row {
  std::string entry;
  InstallEntryKind kind;
  std::string folder;
  std::string source;
  std::string destination;
  std::string prefixAfter;
  bool unsafe = false;
};

// Maps the rows in order, carrying the prefix from one to the next.
void ExpectRows(const std::vector<Row>& rows, const CString& drive = "Q", const CString& dest = kDest) {
  CString prefix;
  for (const auto& row : rows) {
    const InstallAction a = MapInstallEntry(row.entry, drive, dest, prefix);
    SCOPED_TRACE(testing::PrintToString(row.entry));
    EXPECT_EQ(a.kind, row.kind);
    EXPECT_EQ(a.folder.str(), row.folder);
    EXPECT_EQ(a.source.str(), row.source);
    EXPECT_EQ(a.destination.str(), row.destination);
    EXPECT_EQ(a.prefix.str(), row.prefixAfter);
    EXPECT_EQ(a.unsafe, row.unsafe);
    prefix = a.prefix;
  }
}

using K = InstallEntryKind;

TEST(InstallListMapTest, WorkedExample) {
  const std::string d = kDest.str();
  ExpectRows({
      {"index.html\n", K::File, "", "Q:\\HTML\\index.html", d + "\\index.html", ""},
      {"*\\images\n", K::Folder, d + "\\images", "", "", "images\\"},
      {"top.jpg\n", K::File, "", "Q:\\HTML\\images\\top.jpg", d + "\\images\\top.jpg", "images\\"},
      {"title.jpg\tlogo.jpg\n", K::CopyAs, "", "Q:\\HTML\\images\\title.jpg", d + "\\images\\logo.jpg",
       "images\\"},
      {"..\\program\\setup.exe\n", K::Outside, "", "Q:\\program\\setup.exe", d + "\\images\\setup.exe",
       "images\\"},
      {"*\n", K::Folder, "", "", "", ""},
      {"\n", K::Blank, "", "", "", ""},
  });
}

TEST(InstallListMapTest, EdgeCases) {
  const std::string d = "D:\\x";
  ExpectRows(
      {
          // White space only, in all its single-byte forms.
          {" \t \v\f\r\n", K::Blank, "", "", "", ""},
          // Line ends and trailing spaces do not matter.
          {"  a.html \r\n", K::File, "", "Q:\\HTML\\a.html", d + "\\a.html", ""},
          {"a.html\r", K::File, "", "Q:\\HTML\\a.html", d + "\\a.html", ""},
          {"a.html", K::File, "", "Q:\\HTML\\a.html", d + "\\a.html", ""},
          // The full-width space is not white space.
          {"\x81\x40"
           "a\n",
           K::File, "",
           "Q:\\HTML\\\x81\x40"
           "a",
           d + "\\\x81\x40"
               "a",
           ""},
          // Glued folder: the first byte of R goes into the folder, not the
          // prefix. The folder lies beside D, so it is unsafe.
          {"*images\n", K::Folder, d + "images", "", "", "mages\\", true},
          {"b.png\n", K::File, "", "Q:\\HTML\\mages\\b.png", d + "\\mages\\b.png", "mages\\"},
          {"*\\a\\b\n", K::Folder, d + "\\a\\b", "", "", "a\\b\\"},
          // The prefix is replaced, not extended.
          {"*\\c\n", K::Folder, d + "\\c", "", "", "c\\"},
          // A folder line with a tab stays a folder line.
          {"*\\t\tx\n", K::Folder, d + "\\t\tx", "", "", "t\tx\\"},
          {"*\n", K::Folder, "", "", "", ""},
          {"top.jpg", K::File, "", "Q:\\HTML\\top.jpg", d + "\\top.jpg", ""},
          // Copy-as: first and last tab; white space beside a tab stays.
          {"a.html\t\tb.html", K::CopyAs, "", "Q:\\HTML\\a.html", d + "\\b.html", ""},
          {"a.html\tx\tb.html", K::CopyAs, "", "Q:\\HTML\\a.html", d + "\\b.html", ""},
          {"a.html \t b.html", K::CopyAs, "", "Q:\\HTML\\a.html ", d + "\\ b.html", ""},
          // A trailing tab is trimmed away with the other white space.
          {"a.html\t", K::File, "", "Q:\\HTML\\a.html", d + "\\a.html", ""},
          // A dot with a tab is a copy-as line.
          {".a\tb", K::CopyAs, "", "Q:\\HTML\\.a", d + "\\b", ""},
          // Outside-file lines drop three bytes, whatever they are.
          {"..\\readme.txt", K::Outside, "", "Q:\\readme.txt", d + "\\", ""},
          {".hidden", K::Outside, "", "Q:\\dden", d + "\\", ""},
          {"..\\program\\update\\patch.exe", K::Outside, "", "Q:\\program\\update\\patch.exe",
           d + "\\patch.exe", ""},
          {".", K::Outside, "", "Q:\\", d + "\\", ""},
          {"..", K::Outside, "", "Q:\\", d + "\\", ""},
          // File lines may hold sub-folders; the asterisk is only special first.
          {"sub\\a*.html", K::File, "", "Q:\\HTML\\sub\\a*.html", d + "\\sub\\a*.html", ""},
      },
      "Q", "D:\\x");
}

TEST(InstallListMapTest, ShiftJisNamesAreNotSplit) {
  const std::string so = "\x83\x5C";   // ソ
  const std::string hyo = "\x95\x5C";  // 表
  const std::string d = kDest.str();
  ExpectRows({
      {"*\\" + hyo + "\n", K::Folder, d + "\\" + hyo, "", "", hyo + "\\"},
      {so + ".html\n", K::File, "", "Q:\\HTML\\" + hyo + "\\" + so + ".html",
       d + "\\" + hyo + "\\" + so + ".html", hyo + "\\"},
      // The last backslash of Q is the real one, not the trail byte of 表.
      {"..\\prog\\" + hyo + ".exe", K::Outside, "", "Q:\\prog\\" + hyo + ".exe",
       d + "\\" + hyo + "\\" + hyo + ".exe", hyo + "\\"},
      {"..\\" + so, K::Outside, "", "Q:\\" + so, d + "\\" + hyo + "\\", hyo + "\\"},
      {"*\n", K::Folder, "", "", "", ""},
      // A trailing trail byte 0x5C is not trimmed or split either.
      {so + "\t" + hyo, K::CopyAs, "", "Q:\\HTML\\" + so, d + "\\" + hyo, ""},
      // Half-width katakana are single bytes.
      {"\xB1\xB2.txt", K::File, "", "Q:\\HTML\\\xB1\xB2.txt", d + "\\\xB1\xB2.txt", ""},
  });
}

TEST(InstallListMapTest, EmptyDriveLetter) {
  ExpectRows(
      {
          {"a.html", K::File, "", ":\\HTML\\a.html", kDest.str() + "\\a.html", ""},
          {"..\\p\\x.exe", K::Outside, "", ":\\p\\x.exe", kDest.str() + "\\x.exe", ""},
      },
      "");
}

TEST(InstallListMapTest, PiecesOfALongLineAreMappedOnTheirOwn) {
  const std::string line = std::string(2500, 'x') + "\n";
  CTextFile file(std::make_unique<ViewStream>(line), FileOpenMode::Read);
  InstallList list = ReadInstallList(file);
  ASSERT_EQ(list.GetCount(), 3);
  const std::vector<std::size_t> lengths = {1023, 1023, 454};
  for (std::size_t length : lengths) {
    const InstallAction a = MapInstallEntry(list.RemoveHead(), "Q", kDest, "");
    EXPECT_EQ(a.kind, K::File);
    EXPECT_EQ(a.destination.str(), kDest.str() + "\\" + std::string(length, 'x'));
  }
}

TEST(InstallListMapTest, DestinationsClimbingOutAreUnsafe) {
  struct Case {
    std::string prefix;
    std::string entry;
    bool unsafe;
  };
  const std::string so = "\x83\x5C";
  const std::vector<Case> cases = {
      {"", "sub\\..\\..\\x.dll", true},
      {"", "..\\x.dll\tcopy", false},  // the source may come from anywhere
      {"", "a.dll\t..\\x.dll", true},
      {"", "a.dll\tsub\\..\\x.dll", false},
      {"", "a/../../x.dll", true},
      {"", "a/..\\x.dll", false},
      {"", "sub\\..\\x.dll", false},
      {"", "a\\b\\..\\..\\x.dll", false},
      {"", "a\\..\\b\\..\\..\\x.dll", true},
      {"", "...\\x.dll", false},  // three dots are a name
      {"", "sub\\.. \\..\\x.dll", true},
      {"", ".\\x.dll", false},  // an outside line: Q is ".dll", no name
      // The trail byte of ソ is no separator: "ソ.." is one name.
      {"", "a\\" + so + "..\\..\\x.dll", false},
      {"", "a.dll\t.." + so + "\\x.dll", false},
      // The prefix counts.
      {"..\\", "x.dll", true},
      {"a\\", "b\\..\\..\\x.dll", false},
      {"a\\", "b\\..\\..\\..\\x.dll", true},
      {"a\\", "b.dll\t..\\..\\x.dll", true},
      // Outside lines: only the prefix and the bare name count.
      {"", "..\\..\\..\\x.dll", false},
      {"..\\", "..\\prog\\x.dll", true},
      {"", "..\\prog\\a/../../x.dll", true},
      {"", "..\\prog/../../x.dll", false},  // no backslash in Q: the name is empty
      {"", "..\\prog\\..", true},           // the bare name ".." names the parent folder
      {"a\\", "..\\prog\\..", false},
  };
  for (const auto& c : cases) {
    const InstallAction a = MapInstallEntry(c.entry, "Q", kDest, c.prefix);
    EXPECT_EQ(a.unsafe, c.unsafe) << testing::PrintToString(c.prefix) << " + "
                                  << testing::PrintToString(c.entry);
  }
}

TEST(InstallListMapTest, FolderLinesClimbingOutAreUnsafe) {
  struct Case {
    std::string entry;
    bool unsafe;
    std::string prefixAfter;
    bool glued = false;
  };
  const std::vector<Case> cases = {
      {"*\\..\\..\\evil", true, "..\\..\\evil\\"},
      {"*\\a\\..\\b", false, "a\\..\\b\\"},
      {"*/../x", true, "../x\\"},
      // Glued to the destination's name, as the format says: a folder beside it.
      {"*images", true, "mages\\", true},
      {"* images", true, "images\\", true},
      {"*\x83\x5C\\x", true, "\x5C\\x\\", true},  // ソ glued: its trail byte is no separator
      {"*/images", false, "images\\"},
      {"*images\\..\\..\\x", true, "mages\\..\\..\\x\\", true},
      {"*\\..", true, "..\\"},
  };
  for (const auto& c : cases) {
    const InstallAction a = MapInstallEntry(c.entry, "Q", kDest, "");
    EXPECT_EQ(a.kind, K::Folder);
    EXPECT_EQ(a.unsafe, c.unsafe) << c.entry;
    EXPECT_EQ(a.glued, c.glued) << c.entry;
    EXPECT_EQ(a.prefix.str(), c.prefixAfter) << c.entry;
    // Files copied under such a prefix climb out as well.
    const InstallAction next = MapInstallEntry("x.dll", "Q", kDest, a.prefix);
    EXPECT_EQ(next.unsafe, ClimbsAboveStart(c.prefixAfter + "x.dll")) << c.entry;
  }
}

// The climb check counts levels, not dots and not bytes: "." is no level
// and the trail byte 0x5C of ソ does not end one.
TEST(InstallListMapTest, ClimbCheckCountsWholeLevels) {
  const std::string so = "\x83\x5C";
  struct Case {
    std::string entry;
    bool unsafe;
  };
  const std::vector<Case> cases = {
      {"a.dll\t.\\..\\x.dll", true},
      {"a.dll\t.\\.\\..\\x.dll", true},
      {"a.dll\t" + so + "x\\..\\..\\x.dll", true},
      {"a.dll\t" + so + "x\\..\\x.dll", false},
      {"a.dll\tsub\\.\\..\\x.dll", false},
      {"*..", true},  // glued: "Drama1.." is a folder beside the destination
      {"*\\.\\..\\x", true},
      {"*\\" + so + "x\\..\\..\\y", true},
      {"*\\" + so + "x\\..\\y", false},
  };
  for (const auto& c : cases) {
    const InstallAction a = MapInstallEntry(c.entry, "Q", kDest, "");
    EXPECT_EQ(a.unsafe, c.unsafe) << testing::PrintToString(c.entry);
  }
  EXPECT_TRUE(ClimbsAboveStart(".\\..\\x"));
  EXPECT_TRUE(ClimbsAboveStart(so + "x\\..\\..\\x"));
  EXPECT_FALSE(ClimbsAboveStart(so + "x\\..\\x"));
  const InstallAction glued = MapInstallEntry("*..", "Q", kDest, "");
  EXPECT_TRUE(glued.glued);
  EXPECT_EQ(glued.folder.str(), kDest.str() + "..");
  EXPECT_EQ(glued.prefix.str(), ".\\");
}

// An outside-file line whose Q begins with its only backslash keeps the
// name after it.
TEST(InstallListMapTest, OutsideLineWithTheBackslashFirstInQ) {
  const InstallAction a = MapInstallEntry("..\\\\x.dll", "Q", kDest, "sub\\");
  EXPECT_EQ(a.kind, K::Outside);
  EXPECT_EQ(a.source.str(), "Q:\\\\x.dll");
  EXPECT_EQ(a.destination.str(), kDest.str() + "\\sub\\x.dll");
}

}  // namespace

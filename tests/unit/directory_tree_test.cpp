// Making a destination folder exist: level by level, whole Shift-JIS
// characters, files in the way, failures, and nothing made outside the
// folder the path names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/DirectoryTree.h"
#include "shell/FolderTrust.h"
#include "tests/memory/MemorySystem.h"
#include "tests/unit/RecordingPlatform.h"
#include "tests/unit/TestSupport.h"

namespace {

const std::string kSo = "\x83\x5C";   // ソ
const std::string kHyo = "\x95\x5C";  // 表

struct TreeCase {
  std::string name;
  std::vector<std::string> folders;  // existing before
  std::vector<std::string> files;    // existing before
  std::string path;
  int result;
  std::vector<std::string> existAfter;  // as folders
  std::vector<std::string> absentAfter;
  std::string link = {};  // made a link to C:\\outside (an existing folder) first
};

// What the installer does with a typed destination once the user agreed:
// resolved, judged level by level from its root and every missing level
// made relative to the one above. 1 when the whole path then exists.
template <typename System>
int CreateDestination(System& sys, const CString& typed) {
  CString resolved;
  CEntryHandle held(sys.Files(), -1);
  CTrustedLevels levels(sys.Files(), sys.Drives());
  return ResolveDestination(sys.Files(), typed, resolved, held) && levels.Open(resolved) &&
                 levels.CreateMissing()
             ? 1
             : 0;
}

TEST(CreateDestinationTest, WalksLevelByLevel) {
  const std::vector<TreeCase> cases = {
      {"every level missing", {}, {}, "C:\\a\\b\\c", 1, {"C:\\a", "C:\\a\\b", "C:\\a\\b\\c"}, {}},
      {"upper levels exist", {"C:\\a\\b"}, {}, "C:\\a\\b\\c\\d", 1, {"C:\\a\\b\\c\\d"}, {}},
      {"everything exists", {"C:\\a\\b"}, {}, "C:\\a\\b", 1, {"C:\\a\\b"}, {}},
      {"a level is a file", {}, {"C:\\a\\f"}, "C:\\a\\f\\g", 0, {}, {"C:\\a\\f\\g"}},
      {"the last level is a file", {}, {"C:\\a\\f"}, "C:\\a\\f", 0, {}, {}},
      {"a trailing backslash", {}, {}, "C:\\a\\", 1, {"C:\\a"}, {}},
      // An empty level names the folder before it.
      {"two backslashes in a row", {}, {}, "C:\\a\\\\b", 1, {"C:\\a", "C:\\a\\b"}, {}},
      {"two backslashes after the drive", {}, {}, "C:\\\\a", 1, {"C:\\a"}, {}},
      {"the drive alone", {}, {}, "C:", 1, {}, {}},
      // The drive part is never looked up: a missing drive fails at the first level.
      {"a missing drive", {}, {}, "X:\\a", 0, {}, {}},
      // Names with ソ and 表, whose second byte is 0x5C, are whole levels.
      {"so and hyo",
       {},
       {},
       "C:\\" + kSo + "\\" + kHyo + "紙",
       1,
       {"C:\\" + kSo, "C:\\" + kSo + "\\" + kHyo + "紙"},
       {"C:\\\x83", "C:\\" + kSo + "\\\x95"}},
      {"so ending a level", {}, {}, "C:\\a" + kSo + "\\b", 1, {"C:\\a" + kSo + "\\b"}, {"C:\\a\x83"}},
      // A level the path leaves again through ".." is not created.
      {"climbing out of a new level",
       {"C:\\p"},
       {},
       "C:\\p\\new\\..\\dest",
       1,
       {"C:\\p\\dest"},
       {"C:\\p\\new"}},
      {"climbing out of two new levels",
       {"C:\\p"},
       {},
       "C:\\p\\a\\b\\..\\..\\dest",
       1,
       {"C:\\p\\dest"},
       {"C:\\p\\a"}},
      {"climbing within new levels", {}, {}, "C:\\a\\b\\..\\c", 1, {"C:\\a", "C:\\a\\c"}, {"C:\\a\\b"}},
      {"climbing out of an existing level",
       {"C:\\p\\old"},
       {},
       "C:\\p\\old\\..\\dest",
       1,
       {"C:\\p\\dest"},
       {}},
      {"slashes climb too", {"C:\\p"}, {}, "C:\\p\\new\\x/../..\\dest", 1, {"C:\\p\\dest"}, {"C:\\p\\new"}},
      // Nothing is made through a level that is a link, however spelled.
      {"a level is a link",
       {"C:\\outside"},
       {},
       "C:\\a\\link\\new",
       0,
       {},
       {"C:\\outside\\new"},
       "C:\\a\\link"},
      {"the last level is a link", {"C:\\outside"}, {}, "C:\\a\\link", 0, {}, {}, "C:\\a\\link"},
      {"a link spelled otherwise",
       {"C:\\outside"},
       {},
       "C:\\a\\LINK\\.\\new\\deeper",
       0,
       {},
       {"C:\\outside\\new"},
       "C:\\a\\link"},
  };
  for (const TreeCase& c : cases) {
    SCOPED_TRACE(c.name);
    MemorySystem sys;
    ASSERT_TRUE(sys.Drives().Add('C', DRIVE_FIXED));
    for (const auto& f : c.folders) ASSERT_TRUE(sys.Files().AddFolder(f));
    for (const auto& f : c.files) ASSERT_TRUE(sys.Files().AddFile(f, "x"));
    if (!c.link.empty()) {
      ASSERT_TRUE(sys.Files().AddLink(c.link, "C:\\outside"));
    }
    EXPECT_EQ(CreateDestination(sys, c.path), c.result) << sys.Dump();
    for (const auto& f : c.existAfter) EXPECT_TRUE(sys.Files().IsFolder(f)) << f << "\n" << sys.Dump();
    for (const auto& f : c.absentAfter) EXPECT_FALSE(sys.Files().Exists(f)) << f << "\n" << sys.Dump();
    EXPECT_EQ(sys.Files().OpenSearches(), 0);
  }
}

TEST(CreateDestinationTest, ShiftJisNamesMakeNoTruncatedFolder) {
  MemorySystem sys;
  ASSERT_TRUE(sys.Drives().Add('D', DRIVE_FIXED));
  EXPECT_EQ(CreateDestination(sys, "D:\\" + kSo + "フト\\" + kHyo), 1);
  // Exactly one folder per level: none cut after the lead byte.
  EXPECT_EQ(sys.Files().List("D:\\"), std::vector<CString>{CString(kSo + "フト")});
  EXPECT_EQ(sys.Files().List("D:\\" + kSo + "フト"), std::vector<CString>{CString(kHyo)});
}

TEST(CreateDestinationTest, FailureLeavesTheLevelsAlreadyMade) {
  MemorySystem sys;
  ASSERT_TRUE(sys.Drives().Add('C', DRIVE_FIXED));
  sys.Fail("CreateFolderAt", ERROR_ACCESS_DENIED).OnPath("\\b");
  EXPECT_EQ(CreateDestination(sys, "C:\\a\\b\\c"), 0);
  EXPECT_TRUE(sys.Files().IsFolder("C:\\a"));
  EXPECT_FALSE(sys.Files().Exists("C:\\a\\b"));
  EXPECT_FALSE(sys.Files().Exists("C:\\a\\b\\c"));
}

// A fixed drive C: whose current folder is C:\work.
void WorkInC(MemorySystem& sys) {
  ASSERT_TRUE(sys.Drives().Add('C', DRIVE_FIXED));
  ASSERT_TRUE(sys.Files().AddFolder("C:\\work"));
  ASSERT_TRUE(sys.Files().SetCurrentFolder("C:\\work"));
}

TEST(CreateDestinationTest, ARelativeFirstLevelIsMadeInTheCurrentFolder) {
  MemorySystem sys;
  WorkInC(sys);
  EXPECT_EQ(CreateDestination(sys, "games"), 1);
  EXPECT_TRUE(sys.Files().IsFolder("C:\\work\\games"));
  EXPECT_EQ(CreateDestination(sys, "more\\x"), 1);
  EXPECT_TRUE(sys.Files().IsFolder("C:\\work\\more\\x"));
}

// A path from the root of the current drive has no first level to look up.
TEST(CreateDestinationTest, APathFromTheRootOfTheCurrentDriveIsMade) {
  MemorySystem sys;
  WorkInC(sys);
  EXPECT_EQ(CreateDestination(sys, "\\top\\sub"), 1);
  EXPECT_TRUE(sys.Files().IsFolder("C:\\top\\sub"));
}

TEST(CreateDestinationTest, ARelativeFirstLevelThatIsAFileStopsTheWalk) {
  MemorySystem sys;
  ASSERT_TRUE(sys.Drives().Add('C', DRIVE_FIXED));
  ASSERT_TRUE(sys.Files().AddFile("C:\\work\\games", "a file"));
  ASSERT_TRUE(sys.Files().SetCurrentFolder("C:\\work"));
  EXPECT_EQ(CreateDestination(sys, "games\\x"), 0);
  EXPECT_EQ(sys.Files().Contents("C:\\work\\games"), "a file");
}

TEST(CreateDestinationTest, EveryDriveLetterIsADriveAndNothingElseIs) {
  // A drive (letter and colon) is never looked up or created; any other
  // first part is a folder in the current one.
  for (const char* drive : {"A:", "Z:", "a:", "z:", "M:"}) {
    SCOPED_TRACE(drive);
    MemoryPlatform inner;
    RecordingPlatform sys(inner);
    ASSERT_TRUE(inner.Drives().Add(drive[0], DRIVE_FIXED));
    EXPECT_EQ(CreateDestination(sys, CString(drive) + "\\new\\sub"), 1);
    EXPECT_TRUE(inner.Files().IsFolder(CString(drive) + "\\new\\sub"));
  }
  for (const char* notDrive : {"@:", "[:", "`:", "{:", "1:"}) {
    SCOPED_TRACE(notDrive);
    MemoryPlatform inner;
    RecordingPlatform sys(inner);
    ASSERT_TRUE(inner.Drives().Add('C', DRIVE_FIXED));
    ASSERT_TRUE(inner.Files().AddFolder("C:\\work"));
    ASSERT_TRUE(inner.Files().SetCurrentFolder("C:\\work"));
    // No drive path: nothing is made.
    EXPECT_EQ(CreateDestination(sys, CString(notDrive) + "\\new"), 0);
    EXPECT_EQ(inner.Files().List("C:\\work"), std::vector<CString>{});
  }
}

TEST(LookUpPathTest, TellsFoldersFromFilesAndClosesItsSearch) {
  MemorySystem sys;
  ASSERT_TRUE(sys.Drives().Add('C', DRIVE_FIXED));
  ASSERT_TRUE(sys.Files().AddFolder("C:\\dir"));
  ASSERT_TRUE(sys.Files().AddFile("C:\\dir\\file.txt", "x", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(LookUpPath(sys.Files(), "C:\\dir"), PathKind::Folder);
  EXPECT_EQ(LookUpPath(sys.Files(), "c:\\DIR\\FILE.TXT"), PathKind::File);
  EXPECT_EQ(LookUpPath(sys.Files(), "C:\\none"), PathKind::Missing);
  // Wildcards would match the folder and the file; they are no pattern here.
  EXPECT_EQ(LookUpPath(sys.Files(), "C:\\d*"), PathKind::Missing);
  EXPECT_EQ(LookUpPath(sys.Files(), "C:\\dir\\file.tx?"), PathKind::Missing);
  // Also when the wildcard comes first.
  ASSERT_TRUE(sys.Files().SetCurrentFolder("C:\\dir"));
  EXPECT_EQ(LookUpPath(sys.Files(), "*"), PathKind::Missing);
  EXPECT_EQ(LookUpPath(sys.Files(), "?ile.txt"), PathKind::Missing);
  EXPECT_EQ(sys.Files().OpenSearches(), 0);
}

TEST(CreateDestinationTest, OnlyALetterAndAColonAreTakenForTheDrive) {
  // A typed destination reaches the walk unchecked: a lower-case drive is a
  // drive, a first level that only looks like one is a folder in the
  // current folder.
  struct Case {
    const char* path;
    const char* madeFolder;
  };
  const Case cases[] = {
      {"c:\\lower", "C:\\lower"},   {"z:\\n", nullptr},  // no such drive: the level below fails, nothing made
      {"ab\\x", "C:\\work\\ab\\x"}, {"1:\\x", nullptr},  // a colon in a name: not creatable
      {"[:\\x", nullptr},
  };
  for (const Case& c : cases) {
    MemorySystem sys;
    ASSERT_TRUE(sys.Drives().Add('C', DRIVE_FIXED));
    ASSERT_TRUE(sys.Files().AddFolder("C:\\work"));
    ASSERT_TRUE(sys.Files().SetCurrentFolder("C:\\work"));
    EXPECT_EQ(CreateDestination(sys, c.path), c.madeFolder ? 1 : 0) << c.path << "\n" << sys.Dump();
    if (c.madeFolder) {
      EXPECT_TRUE(sys.Files().IsFolder(c.madeFolder)) << c.path << "\n" << sys.Dump();
    } else {
      EXPECT_EQ(sys.Files().List("C:\\work"), std::vector<CString>{}) << c.path;
    }
  }
}

TEST(CreateDestinationTest, AWildcardLevelIsNeverTakenForAnExistingFolder) {
  MemorySystem sys;
  ASSERT_TRUE(sys.Drives().Add('C', DRIVE_FIXED));
  ASSERT_TRUE(sys.Files().AddFolder("C:\\Program Files"));
  EXPECT_EQ(CreateDestination(sys, "C:\\Prog*\\Harborlit"), 0);
  EXPECT_EQ(sys.Files().List("C:\\"), std::vector<CString>{"Program Files"});
  EXPECT_TRUE(sys.Files().List("C:\\Program Files").empty());
}

}  // namespace

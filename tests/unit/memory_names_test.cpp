// Hostile names on the memory platform: names without an exact Shift-JIS
// form, folder links, trailing dots and spaces, device names.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/memory/MemorySystem.h"
#include "tests/unit/TestSupport.h"

namespace {

using Entries = std::vector<std::pair<std::string, unsigned>>;

class MemoryNames : public ::testing::Test {
 protected:
  MemoryNames() {
    sys.Drives().Add('C', DRIVE_FIXED);
    fs.AddFile("C:\\inst\\readme.txt", "r");
    fs.AddFile("C:\\Windows\\system.ini", "keep");
  }

  Entries All(const CString& pattern) {
    Entries found;
    CFindFile find(fs);
    for (bool more = find.FindFirst(pattern); more; more = find.FindNext()) {
      found.emplace_back(find.Name().str(), find.Attributes());
    }
    return found;
  }

  DWORD ErrorOf(bool failed) {
    EXPECT_TRUE(failed);
    return sys.LastError();
  }

  MemorySystem sys;
  MemoryFileSystem& fs = sys.Files();
};

// ---------------------------------------------------------------- names without an exact form

TEST_F(MemoryNames, PlantedYenNameIsListedWithQuestionMarksAndNamesNothing) {
  // x¥..¥..¥Windows: best-fit narrowing would make it x\..\..\Windows,
  // which from C:\inst climbs to C:\Windows.
  // Its listing, the canary and the folder that holds it are the yen-name
  // case; here, the error of each call.
  ASSERT_TRUE(fs.AddUnnarrowable("C:\\inst\\x?..?..?Windows", true));
  const CString path = "C:\\inst\\x?..?..?Windows";
  const CString moved = "C:\\inst\\moved";
  FindData entry;
  EXPECT_EQ(ErrorOf(fs.GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES), ERROR_INVALID_NAME);
  EXPECT_EQ(ErrorOf(fs.RemoveDirectoryA(path) == 0), ERROR_INVALID_NAME);
  EXPECT_EQ(ErrorOf(fs.DeleteFileA(path + "\\system.ini") == 0), ERROR_INVALID_NAME);
  EXPECT_EQ(ErrorOf(fs.findfirst(path + "\\*.*", entry) == -1), ERROR_INVALID_NAME);
  EXPECT_EQ(ErrorOf(fs.MoveFileExA(path, &moved, 0) == 0), ERROR_INVALID_NAME);
  EXPECT_EQ(ErrorOf(fs.SetCurrentDirectoryA(path) == 0), ERROR_INVALID_NAME);
  EXPECT_EQ(ErrorOf(fs.OpenFile(path + "\\system.ini", FileOpenMode::Read) == nullptr), ERROR_INVALID_NAME);
  EXPECT_EQ(ErrorOf(fs.CopyFileA("C:\\inst\\readme.txt", path, FALSE) == 0), ERROR_INVALID_NAME);
  EXPECT_NE(sys.Dump().find("x?..?..?Windows [no exact Shift-JIS name]"), std::string::npos) << sys.Dump();
}

TEST_F(MemoryNames, NamesSharingTheirNarrowedFormAreEntriesOfTheirOwn) {
  // x¥a and xéa both read back as x?a.
  ASSERT_TRUE(fs.AddUnnarrowable("C:\\inst\\x?a", false));
  ASSERT_TRUE(fs.AddUnnarrowable("C:\\inst\\x?a", true));
  EXPECT_EQ(All("C:\\inst\\x*"), (Entries{{"x?a", A_ARCH}, {"x?a", A_SUBDIR}}));
  // A search whose pattern is the narrowed form matches them, as '?' is a wildcard there.
  EXPECT_EQ(All("C:\\inst\\x?a").size(), 2u);
}

TEST_F(MemoryNames, PlantingNeedsAQuestionMarkInTheLastComponent) {
  EXPECT_FALSE(fs.AddUnnarrowable("C:\\inst\\plain", true));
  EXPECT_FALSE(fs.AddUnnarrowable("C:\\inst\\x*?", true));
  EXPECT_FALSE(fs.AddUnnarrowable("C:\\in?st\\x?", true));
  EXPECT_FALSE(fs.AddUnnarrowable("Q:\\x?", true));
  EXPECT_TRUE(fs.AddUnnarrowable("C:\\new\\sub\\?", false));
  EXPECT_EQ(All("C:\\new\\sub\\*"), (Entries{{".", A_SUBDIR}, {"..", A_SUBDIR}, {"?", A_ARCH}}));
}

// ---------------------------------------------------------------- folder links

class MemoryLinks : public MemoryNames {
 protected:
  MemoryLinks() {
    fs.AddFile("C:\\target\\t.txt", "t");
    EXPECT_TRUE(fs.AddLink("C:\\inst\\link", "C:\\target"));
  }
};

TEST_F(MemoryLinks, SearchesReportTheLinkAsAFolderAndAReparsePoint) {
  CFindFile find(fs);
  ASSERT_TRUE(find.FindFirst("C:\\inst\\link"));
  EXPECT_TRUE(find.IsFolder());
  EXPECT_TRUE(find.IsReparsePoint());
  const std::string dump = sys.Dump();
  EXPECT_NE(dump.find("L---- link -> C:\\target"), std::string::npos) << dump;
}

TEST_F(MemoryLinks, RemovingTheLinkLeavesTheTargetWithItsContent) {
  // Removing the link is the folder-link case; deleting it is no file's deletion.
  ASSERT_TRUE(fs.AddLink("C:\\inst\\again", "C:\\target"));
  EXPECT_EQ(ErrorOf(fs.DeleteFileA("C:\\inst\\again") == 0), ERROR_ACCESS_DENIED);
  // Nor does a restart that deletes the link touch the target.
  EXPECT_TRUE(fs.MoveFileExA("C:\\inst\\again", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  sys.SimulateRestart();
  EXPECT_FALSE(fs.Exists("C:\\inst\\again"));
  EXPECT_EQ(fs.Contents("C:\\target\\t.txt"), "t");
}

TEST_F(MemoryLinks, ALinkWhoseTargetIsGoneLeadsNowhere) {
  ASSERT_TRUE(fs.AddFolder("C:\\empty"));
  ASSERT_TRUE(fs.AddLink("C:\\inst\\dangling", "C:\\empty"));
  ASSERT_TRUE(fs.RemoveDirectoryA("C:\\empty"));
  EXPECT_EQ(fs.GetFileAttributesA("C:\\inst\\dangling"),
            FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
  FindData entry;
  EXPECT_EQ(ErrorOf(fs.findfirst("C:\\inst\\dangling\\*", entry) == -1), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(ErrorOf(fs.SetCurrentDirectoryA("C:\\inst\\dangling") == 0), ERROR_PATH_NOT_FOUND);
  EXPECT_NE(sys.Dump().find("dangling -> (target gone)"), std::string::npos) << sys.Dump();
  EXPECT_TRUE(fs.RemoveDirectoryA("C:\\inst\\dangling"));
}

TEST_F(MemoryLinks, ALinkInsideItsOwnTargetIsNoCycle) {
  ASSERT_TRUE(fs.AddLink("C:\\target\\loop", "C:\\target"));
  EXPECT_EQ(fs.GetFileAttributesA("C:\\target\\loop\\loop\\loop\\t.txt"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_NE(sys.Dump().find("loop -> C:\\target"), std::string::npos);  // not followed by the dump
  EXPECT_TRUE(fs.RemoveDirectoryA("C:\\target\\loop\\loop"));
  EXPECT_FALSE(fs.Exists("C:\\target\\loop"));
}

TEST_F(MemoryLinks, PlantingALinkNeedsAFolderTargetAndAFreeName) {
  EXPECT_FALSE(fs.AddLink("C:\\inst\\x", "C:\\missing"));
  EXPECT_FALSE(fs.AddLink("C:\\inst\\x", "C:\\inst\\readme.txt"));
  EXPECT_FALSE(fs.AddLink("C:\\inst\\readme.txt", "C:\\target"));
  EXPECT_FALSE(fs.AddLink("C:\\inst\\nul", "C:\\target"));
}

// ---------------------------------------------------------------- trailing dots and spaces

// Their attributes are the trailing-dots case; here, searches.
TEST_F(MemoryNames, TrailingDotsAndSpacesOfTheLastComponentAreDroppedEverywhere) {
  fs.AddFolder("C:\\dest");
  for (const char* path : {"C:\\dest.", "C:\\dest. .", "C:\\DEST  ", "C:\\dest..."}) {
    EXPECT_EQ(All(path), (Entries{{"dest", A_SUBDIR}})) << path;
  }
  EXPECT_EQ(All("C:\\inst\\readme.txt."), (Entries{{"readme.txt", A_ARCH}}));
  // In a wildcard pattern the dot stays, and means "no extension".
  EXPECT_EQ(All("C:\\des?."), (Entries{{"dest", A_SUBDIR}}));
  EXPECT_TRUE(All("C:\\readme?.").empty());
  EXPECT_EQ(All("C:\\*."), (Entries{{"dest", A_SUBDIR}, {"inst", A_SUBDIR}, {"Windows", A_SUBDIR}}));
}

// ---------------------------------------------------------------- device names

TEST(MemoryDeviceNames, AreRecognisedInAnyCaseWithOrWithoutAnExtension) {
  const std::pair<const char*, const char*> table[] = {
      {"NUL", "NUL"},   {"nul.txt", "nul"},   {"Con", "Con"},      {"aux.a.b", "aux"}, {"PRN", "PRN"},
      {"com1", "com1"}, {"LPT9.log", "LPT9"}, {"nul .txt", "nul"}, {"COM0", ""},       {"LPT10", ""},
      {"NULL", ""},     {"xnul", ""},         {"conx.txt", ""},    {".nul", ""},       {"", ""},
  };
  for (const auto& [name, device] : table) EXPECT_EQ(mem::DeviceName(name), device) << name;
}

// Even in a folder that is not there (the rest is the device-names case).
TEST_F(MemoryNames, TheNullDeviceTakesEverythingAndKeepsNothing) {
  {
    auto sink = fs.OpenFile("C:\\nowhere\\nul.dat", FileOpenMode::Write);
    ASSERT_NE(sink, nullptr);
    EXPECT_TRUE(sink->Write("bytes", 5));
  }
  EXPECT_EQ(fs.OpenStreams(), 0);
  EXPECT_FALSE(fs.Exists("C:\\nowhere"));
}

TEST_F(MemoryNames, DeviceNamesAreNoFilesOrFolders) {
  const CString aux = "C:\\inst\\aux";
  EXPECT_EQ(ErrorOf(fs.CreateDirectoryA("C:\\inst\\nul") == 0), ERROR_DIRECTORY);
  EXPECT_EQ(ErrorOf(fs.RemoveDirectoryA("C:\\inst\\con") == 0), ERROR_DIRECTORY);
  EXPECT_EQ(ErrorOf(fs.SetCurrentDirectoryA("C:\\inst\\nul") == 0), ERROR_DIRECTORY);
  EXPECT_EQ(ErrorOf(fs.MoveFileExA("C:\\inst\\readme.txt", &aux, 0) == 0), ERROR_ACCESS_DENIED);
  EXPECT_EQ(ErrorOf(fs.OpenFile("C:\\inst\\com1", FileOpenMode::Write) == nullptr), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ErrorOf(fs.CopyFileA("C:\\inst\\readme.txt", "C:\\inst\\PRN.txt", FALSE) == 0),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ErrorOf(fs.GetFileAttributesA("C:\\inst\\nul\\x") == INVALID_FILE_ATTRIBUTES),
            ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(fs.AddFile("C:\\inst\\con.txt", "x"));
  EXPECT_FALSE(fs.AddFolder("C:\\inst\\LPT1"));
  // A device name inside a path is an ordinary folder name.
  EXPECT_TRUE(fs.AddFile("C:\\nul.d\\file", "x"));
  EXPECT_EQ(fs.List("C:\\inst"), (std::vector<CString>{"readme.txt"}));
}

}  // namespace

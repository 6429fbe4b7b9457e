// The system as a whole: restart requests and their execution, the shared
// last error, renames, and the dump for failing tests.
#include <gtest/gtest.h>

#include "tests/memory/MemorySystem.h"
#include "tests/unit/TestSupport.h"

namespace {

class MemorySystemTest : public ::testing::Test {
 protected:
  MemorySystemTest() {
    sys.Drives().Add('C', DRIVE_FIXED);
    fs.AddFile("C:\\inst\\uninst.exe", "MZ", FILE_ATTRIBUTE_READONLY);
    fs.AddFolder("C:\\empty");
  }
  BOOL AtRestart(const CString& path) { return fs.MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT); }

  MemorySystem sys;
  MemoryFileSystem& fs = sys.Files();
};

TEST_F(MemorySystemTest, RestartDeletesInOrderAndRemovesOnlyEmptyFolders) {
  ASSERT_TRUE(fs.SetCurrentFolder("c:\\INST"));
  // The folder comes first: it is not empty yet when its turn comes.
  ASSERT_TRUE(AtRestart("C:\\inst"));
  ASSERT_TRUE(AtRestart("uninst.exe"));
  ASSERT_TRUE(AtRestart("C:\\empty"));
  ASSERT_TRUE(AtRestart("C:\\missing.txt"));  // not checked when asked
  const std::vector<mem::RestartEntry> list = fs.RestartList();
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].path, "C:\\inst");
  EXPECT_EQ(list[1].path, "C:\\INST\\uninst.exe");  // full, as the current folder was set
  EXPECT_FALSE(list[1].newName.has_value());
  EXPECT_EQ(list[2].path, "C:\\empty");

  // Nothing happens before the restart.
  EXPECT_TRUE(fs.Exists("C:\\inst\\uninst.exe"));
  sys.SimulateRestart();
  EXPECT_FALSE(fs.Exists("C:\\inst\\uninst.exe")) << sys.Dump();  // read-only or not
  EXPECT_TRUE(fs.IsFolder("C:\\inst"));
  EXPECT_FALSE(fs.Exists("C:\\empty"));
  EXPECT_TRUE(fs.RestartList().empty());

  // In the other order the folder goes too.
  ASSERT_TRUE(fs.SetCurrentFolder("C:\\"));
  fs.AddFile("C:\\inst\\uninst.exe", "MZ", FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(AtRestart("C:\\inst\\uninst.exe"));
  ASSERT_TRUE(AtRestart("C:\\inst"));
  sys.SimulateRestart();
  EXPECT_FALSE(fs.Exists("C:\\inst"));
}

TEST_F(MemorySystemTest, RestartEndsLocksAndDoesRenames) {
  fs.Lock("C:\\inst\\uninst.exe");
  fs.AddFile("C:\\old.txt", "old");
  fs.AddFile("C:\\taken.txt", "taken");
  const CString newName = "C:\\new.txt";
  const CString taken = "C:\\taken.txt";
  ASSERT_TRUE(fs.MoveFileExA("C:\\old.txt", &newName, MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(fs.MoveFileExA("C:\\new.txt", &taken, MOVEFILE_DELAY_UNTIL_REBOOT));  // no replace flag
  const CString below = "C:\\inst\\sub";
  ASSERT_TRUE(fs.MoveFileExA("C:\\inst", &below, MOVEFILE_DELAY_UNTIL_REBOOT));  // into itself: not done
  sys.SimulateRestart();
  EXPECT_TRUE(fs.Exists("C:\\inst\\uninst.exe")) << sys.Dump();
  EXPECT_EQ(fs.Contents("C:\\new.txt"), "old");
  EXPECT_EQ(fs.Contents("C:\\taken.txt"), "taken");
  ASSERT_TRUE(fs.SetFileAttributesA("C:\\inst\\uninst.exe", FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(fs.DeleteFileA("C:\\inst\\uninst.exe"));  // the lock ended with the programs
}

// Onto a drive that is not there (taken names, respellings and no new name
// are the moves case).
TEST_F(MemorySystemTest, MoveRenamesAtOnceWithoutTheDelayFlag) {
  fs.AddFile("C:\\b.txt", "b");
  const CString elsewhere = "D:\\a.txt";
  EXPECT_FALSE(fs.MoveFileExA("C:\\b.txt", &elsewhere, 0));
}

TEST_F(MemorySystemTest, OneLastErrorForAllServices) {
  CString label;
  EXPECT_FALSE(sys.Drives().GetVolumeInformationA("R:\\", label));
  EXPECT_EQ(fs.GetLastError(), ERROR_PATH_NOT_FOUND);
  fs.SetLastError(0);
  EXPECT_EQ(sys.LastError(), 0u);
  // Successful calls leave it alone.
  EXPECT_TRUE(fs.CreateDirectoryA("C:\\x"));
  fs.SetLastError(ERROR_DISK_FULL);
  EXPECT_TRUE(fs.RemoveDirectoryA("C:\\x"));
  EXPECT_EQ(fs.GetLastError(), ERROR_DISK_FULL);
}

TEST_F(MemorySystemTest, DumpShowsTheStateReadably) {
  fs.AddFile("C:\\inst\\ソフト.txt", "中身");
  sys.Registry().AddValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "Name", REG_MULTI_SZ,
                          std::string("v\0\0", 3));
  AtRestart("C:\\inst");
  const std::string dump = sys.Dump();
  for (const char* expected :
       {"Drive C: fixed", "-R--- uninst.exe", "\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88.txt",
        "(4 bytes: \"\xE4\xB8\xAD", "REG_MULTI_SZ (7), 3 bytes", "C:\\inst (delete)"}) {
    EXPECT_NE(dump.find(expected), std::string::npos) << expected << "\n" << dump;
  }
}

}  // namespace

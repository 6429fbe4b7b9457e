// Files, folders, attributes, drives and streams of the in-memory system.
#include <gtest/gtest.h>

#include "tests/memory/MemorySystem.h"
#include "tests/unit/TestSupport.h"

namespace {

class MemoryFiles : public ::testing::Test {
 protected:
  MemoryFiles() {
    sys.Drives().Add('C', DRIVE_FIXED, "SYSTEM");
    sys.Drives().Add('Q', DRIVE_CDROM, "TAVRIN_DRAMACD1");
    fs.AddFile("Q:\\HTML\\01.html", "page one", FILE_ATTRIBUTE_READONLY);
    fs.AddFile("Q:\\HTML\\hidden.txt", "h", FILE_ATTRIBUTE_HIDDEN);
    fs.AddFolder("C:\\dest");
  }

  MemorySystem sys;
  MemoryFileSystem& fs = sys.Files();
};

// Onto the CD, onto a drive that is not there, and onto a file another handle
// reads (the rest is the copy-onto case). The last is how this platform
// answers; Wine 8 copies over a reader that shares writing.
TEST_F(MemoryFiles, CopyFailures) {
  fs.AddFile("C:\\dest\\plain.html", "old", 0);
  EXPECT_FALSE(fs.CopyFileA("Q:\\HTML\\01.html", "Q:\\HTML\\copy.html", FALSE));
  EXPECT_EQ(fs.GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(fs.CopyFileA("Q:\\HTML\\01.html", "R:\\01.html", FALSE));
  EXPECT_EQ(fs.GetLastError(), ERROR_PATH_NOT_FOUND);
  auto open = fs.OpenFile("C:\\dest\\plain.html", FileOpenMode::Read);
  ASSERT_NE(open, nullptr);
  EXPECT_FALSE(fs.CopyFileA("Q:\\HTML\\01.html", "C:\\dest\\plain.html", FALSE));
  EXPECT_EQ(fs.GetLastError(), ERROR_SHARING_VIOLATION);
}

TEST_F(MemoryFiles, DeletingNeedsAWritableFile) {
  EXPECT_FALSE(fs.DeleteFileA("Q:\\HTML\\hidden.txt"));  // read-only media
  EXPECT_EQ(fs.GetLastError(), ERROR_ACCESS_DENIED);

  fs.AddFile("C:\\dest\\running.exe", "MZ");
  fs.Lock("C:\\dest\\running.exe");
  EXPECT_FALSE(fs.DeleteFileA("C:\\dest\\running.exe"));
  EXPECT_EQ(fs.GetLastError(), ERROR_SHARING_VIOLATION);
}

// Not on the CD (the rest is the folder case; the current folder, the
// current-folder case).
TEST_F(MemoryFiles, FoldersOnTheCd) {
  EXPECT_FALSE(fs.CreateDirectoryA("Q:\\NEW"));
  EXPECT_EQ(fs.GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(MemoryFiles, NamesIgnoreAsciiCaseOnly) {
  fs.AddFile("C:\\Dir\\File.TXT", "one");
  EXPECT_EQ(fs.GetFileAttributesA("c:\\DIR\\file.txt"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_TRUE(fs.CopyFileA("c:/dir/FILE.txt", "C:\\dest\\copy", FALSE));
  // ヂ (0x83 0x61) and ア (0x83 0x41) differ only in a byte that looks like a letter.
  ASSERT_TRUE(fs.CreateDirectoryA("C:\\ヂ"));
  ASSERT_TRUE(fs.CreateDirectoryA("C:\\ア"));
  EXPECT_TRUE(fs.RemoveDirectoryA("C:\\ヂ"));
  EXPECT_TRUE(fs.IsFolder("C:\\ア"));
  // ソ ends in 0x5C: the folder "ソフト" holds the file, not a folder "\x83".
  ASSERT_TRUE(fs.CreateDirectoryA("C:\\ソフト"));
  ASSERT_TRUE(fs.CopyFileA("C:\\Dir\\File.TXT", "C:\\ソフト\\a.txt", FALSE));
  EXPECT_EQ(fs.List("C:\\ソフト"), std::vector<CString>{"a.txt"});
  EXPECT_FALSE(fs.Exists("C:\\\x83"));
}

TEST_F(MemoryFiles, DrivesWithoutMediumOrLetter) {
  sys.Drives().Add('E', DRIVE_CDROM, "EMPTY", false);
  EXPECT_EQ(fs.GetFileAttributesA("E:\\x"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(fs.GetLastError(), ERROR_NOT_READY);
  EXPECT_EQ(fs.GetFileAttributesA("R:\\x"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(fs.GetLastError(), ERROR_PATH_NOT_FOUND);

  MemoryDrives& drives = sys.Drives();
  EXPECT_EQ(drives.GetDriveTypeA("Q:\\"), DRIVE_CDROM);
  EXPECT_EQ(drives.GetDriveTypeA("q:\\"), DRIVE_CDROM);
  EXPECT_EQ(drives.GetDriveTypeA("C:\\"), DRIVE_FIXED);
  EXPECT_EQ(drives.GetDriveTypeA("R:\\"), DRIVE_NO_ROOT_DIR);
  EXPECT_EQ(drives.GetDriveTypeA("C:\\dest\\"), DRIVE_NO_ROOT_DIR);
  CString label = "unchanged";
  EXPECT_TRUE(drives.GetVolumeInformationA("Q:\\", label));
  EXPECT_EQ(label, "TAVRIN_DRAMACD1");
  label = "unchanged";
  EXPECT_FALSE(drives.GetVolumeInformationA("E:\\", label));
  EXPECT_EQ(fs.GetLastError(), ERROR_NOT_READY);
  EXPECT_EQ(label, "unchanged");
  EXPECT_EQ(drives.GetDriveTypeA("E:\\"), DRIVE_CDROM);
  drives.SetMedium('E', true);
  EXPECT_TRUE(drives.GetVolumeInformationA("E:\\", label));
  EXPECT_EQ(label, "EMPTY");
}

TEST_F(MemoryFiles, CurrentFolder) {
  // A relative folder from a drive's root, and copies from there.
  ASSERT_TRUE(fs.SetCurrentDirectoryA("Q:\\"));
  ASSERT_TRUE(fs.SetCurrentDirectoryA("HTML\\"));
  EXPECT_EQ(fs.CurrentFolder(), "Q:\\HTML");
  EXPECT_TRUE(fs.CopyFileA("01.html", "C:\\dest\\rel.html", FALSE));

  EXPECT_FALSE(fs.SetCurrentDirectoryA("Q:\\HTML\\01.html"));
  EXPECT_EQ(fs.GetLastError(), ERROR_DIRECTORY);
  EXPECT_FALSE(fs.SetCurrentDirectoryA("Q:\\NONE"));
  EXPECT_EQ(fs.GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(fs.CurrentFolder(), "Q:\\HTML");
}

TEST_F(MemoryFiles, StreamsShowWritesAtOnceAndCountAsOpen) {
  auto writer = fs.OpenFile("C:\\dest\\out.txt", FileOpenMode::Write);
  ASSERT_NE(writer, nullptr);
  EXPECT_TRUE(writer->Write("abc", 3));
  EXPECT_EQ(fs.Contents("C:\\dest\\out.txt"), "abc");
  EXPECT_EQ(fs.OpenStreams(), 1);
  EXPECT_FALSE(fs.DeleteFileA("C:\\dest\\out.txt"));
  EXPECT_EQ(fs.GetLastError(), ERROR_SHARING_VIOLATION);
  writer.reset();
  EXPECT_EQ(fs.OpenStreams(), 0);
  EXPECT_TRUE(fs.DeleteFileA("C:\\dest\\out.txt"));

  EXPECT_EQ(fs.OpenFile("Q:\\HTML\\new.txt", FileOpenMode::Write), nullptr);
  EXPECT_EQ(fs.GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_NE(fs.OpenFile("Q:\\HTML\\01.html", FileOpenMode::Read), nullptr);
}

TEST_F(MemoryFiles, DiskFull) {
  MemoryDrives& drives = sys.Drives();
  drives.Add('D', DRIVE_FIXED, "DATA");
  ASSERT_TRUE(drives.SetCapacity('D', 10));
  fs.AddFile("Q:\\big.bin", std::string(8, 'b'));
  ASSERT_TRUE(fs.CopyFileA("Q:\\big.bin", "D:\\one.bin", FALSE));
  EXPECT_FALSE(fs.CopyFileA("Q:\\big.bin", "D:\\two.bin", FALSE));
  EXPECT_EQ(fs.GetLastError(), ERROR_DISK_FULL);
  EXPECT_FALSE(fs.Exists("D:\\two.bin"));
  // Replacing a file only needs room for the difference.
  EXPECT_TRUE(fs.CopyFileA("Q:\\big.bin", "D:\\one.bin", FALSE));
  EXPECT_EQ(drives.UsedBytes('D'), 8u);

  auto stream = fs.OpenFile("D:\\s.txt", FileOpenMode::Write);
  ASSERT_NE(stream, nullptr);
  EXPECT_TRUE(stream->Write("12", 2));
  EXPECT_FALSE(stream->Write("345", 3));
  EXPECT_EQ(fs.GetLastError(), ERROR_DISK_FULL);
  stream.reset();
  EXPECT_EQ(fs.Contents("D:\\s.txt"), "12");  // what fitted was written
  EXPECT_TRUE(fs.DeleteFileA("D:\\one.bin"));
  EXPECT_EQ(drives.UsedBytes('D'), 2u);
  EXPECT_TRUE(fs.CopyFileA("Q:\\big.bin", "D:\\two.bin", FALSE));
}

TEST_F(MemoryFiles, SystemTexts) {
  struct {
    DWORD code;
    const char* text;
  } const cases[] = {
      {ERROR_DIR_NOT_EMPTY, "ディレクトリが空ではありません。\r\n"},
      {ERROR_ACCESS_DENIED, "アクセスが拒否されました。\r\n"},
      {ERROR_FILE_NOT_FOUND, "指定されたファイルが見つかりません。\r\n"},
      {ERROR_SHARING_VIOLATION, "プロセスはファイルにアクセスできません。別のプロセスが使用中です。\r\n"},
      {ERROR_DISK_FULL, "ディスクに十分な空き領域がありません。\r\n"},
      {0xDEADBEEF, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(fs.FormatMessageA(c.code), c.text);
  }
  // The texts are Shift-JIS: ア is 0x83 0x41.
  EXPECT_EQ(fs.FormatMessageA(ERROR_ACCESS_DENIED).Left(2), "\x83\x41");
}

TEST_F(MemoryFiles, ReadOnlyFolderIsNotRemoved) {
  ASSERT_TRUE(fs.AddFolder("C:\\dest\\ro", FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(fs.RemoveDirectoryA("C:\\dest\\ro"));
  EXPECT_EQ(fs.GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(fs.IsFolder("C:\\dest\\ro"));
  ASSERT_TRUE(fs.SetFileAttributesA("C:\\dest\\ro", FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(fs.RemoveDirectoryA("C:\\dest\\ro"));
  EXPECT_FALSE(fs.Exists("C:\\dest\\ro"));
}

TEST_F(MemoryFiles, CopyThatDoesNotFitRemovesTheOldDestination) {
  MemoryDrives& drives = sys.Drives();
  drives.Add('D', DRIVE_FIXED, "DATA");
  ASSERT_TRUE(drives.SetCapacity('D', 10));
  fs.AddFile("Q:\\big.bin", std::string(12, 'b'));
  fs.AddFile("D:\\old.bin", "oooo", 0);
  ASSERT_EQ(drives.UsedBytes('D'), 4u);
  EXPECT_FALSE(fs.CopyFileA("Q:\\big.bin", "D:\\old.bin", FALSE));
  EXPECT_EQ(fs.GetLastError(), ERROR_DISK_FULL);
  EXPECT_FALSE(fs.Exists("D:\\old.bin")) << sys.Dump();
  EXPECT_EQ(drives.UsedBytes('D'), 0u);
}

// A write that only partly fits moves the stream past what it wrote: the
// next write goes after it, not over it.
TEST_F(MemoryFiles, PartialWriteAdvancesTheStream) {
  MemoryDrives& drives = sys.Drives();
  drives.Add('E', DRIVE_FIXED, "SMALL");
  ASSERT_TRUE(drives.SetCapacity('E', 6));
  fs.AddFile("E:\\pad.bin", "p", 0);
  auto stream = fs.OpenFile("E:\\out.txt", FileOpenMode::Write);
  ASSERT_NE(stream, nullptr);
  EXPECT_TRUE(stream->Write("abc", 3));
  EXPECT_FALSE(stream->Write("defg", 4));
  EXPECT_EQ(fs.Contents("E:\\out.txt"), "abcde");
  ASSERT_TRUE(fs.DeleteFileA("E:\\pad.bin"));
  EXPECT_TRUE(stream->Write("X", 1));
  stream.reset();
  EXPECT_EQ(fs.Contents("E:\\out.txt"), "abcdeX");
  EXPECT_EQ(drives.UsedBytes('E'), 6u);
}

// Even when asked to replace, a move never puts a file in a folder's place.
TEST_F(MemoryFiles, MoveDoesNotReplaceAFolder) {
  ASSERT_TRUE(fs.AddFile("C:\\dest\\f.txt", "f", 0));
  ASSERT_TRUE(fs.AddFolder("C:\\dest\\sub"));
  const CString target = "C:\\dest\\sub";
  EXPECT_FALSE(fs.MoveFileExA("C:\\dest\\f.txt", &target, MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(fs.GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(fs.IsFolder("C:\\dest\\sub"));
  EXPECT_EQ(fs.Contents("C:\\dest\\f.txt"), "f");
}

// Nothing moves on a CD, within it or out of it.
TEST_F(MemoryFiles, MoveOnACdIsRefused) {
  const CString within = "Q:\\HTML\\moved.html";
  const CString out = "C:\\dest\\moved.html";
  for (const CString* target : {&within, &out}) {
    SCOPED_TRACE(target->GetString());
    fs.SetLastError(0);
    EXPECT_FALSE(fs.MoveFileExA("Q:\\HTML\\01.html", target, MOVEFILE_REPLACE_EXISTING));
    EXPECT_NE(fs.GetLastError(), 0u);
    EXPECT_EQ(fs.Contents("Q:\\HTML\\01.html"), "page one");
    EXPECT_FALSE(fs.Exists(*target));
  }
}

}  // namespace

// Special folders, item lists, the folder picker, COM shell links and
// shortcut files, and code page conversion of the in-memory shell.
#include <gtest/gtest.h>

#include "tests/memory/MemorySystem.h"
#include "tests/unit/TestSupport.h"

namespace {

class MemoryShellTest : public ::testing::Test {
 protected:
  MemoryShellTest() {
    sys.Drives().Add('C', DRIVE_FIXED);
    sys.Drives().Add('Q', DRIVE_CDROM, "CD");
    shell.SetSpecialFolder(CSIDL_PROGRAMS, "C:\\Users\\u\\Start Menu\\Programs");
    shell.SetSpecialFolder(CSIDL_APPDATA, "C:\\Users\\u\\AppData");
    sys.Files().AddFolder("C:\\Users\\u\\Start Menu\\Programs\\Harborlit");
  }

  // Writes a shortcut as the installer does, through the COM objects.
  HRESULT WriteShortcut(const std::u16string& file, const char* iconPath) {
    shell.CoInitialize();
    std::unique_ptr<IShellLinkA> link;
    HRESULT hr = shell.CoCreateShellLink(link);
    if (hr == S_OK) {
      link->SetArguments("");
      link->SetDescription("desc");
      link->SetWorkingDirectory("C:\\ソフト");
      link->SetIconLocation(iconPath, 1);
      link->SetPath("C:\\ソフト\\index.html");
      std::unique_ptr<IPersistFile> persist;
      hr = link->QueryPersistFile(persist);
      if (hr == S_OK) hr = persist->Save(file, TRUE);
    }
    link.reset();
    shell.CoUninitialize();
    return hr;
  }

  MemorySystem sys;
  MemoryShell& shell = sys.Shell();
  const mem::ShellCounters& counters = sys.Shell().Counters();
};

TEST_F(MemoryShellTest, SpecialFoldersAndItemLists) {
  CString path;
  ASSERT_TRUE(shell.SHGetSpecialFolderPathA(nullptr, path, CSIDL_APPDATA, FALSE));
  EXPECT_EQ(path, "C:\\Users\\u\\AppData");

  ItemIdList list;
  ASSERT_EQ(shell.SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, list), S_OK);
  EXPECT_EQ(counters.liveItemLists, 1);
  ASSERT_TRUE(shell.SHGetPathFromIDListA(list.get(), path));
  EXPECT_EQ(path, "C:\\Users\\u\\Start Menu\\Programs");
  std::unique_ptr<IShellMalloc> malloc;
  ASSERT_EQ(shell.SHGetMalloc(malloc), S_OK);
  EXPECT_EQ(counters.liveMallocs, 1);
  malloc->Free(std::move(list));
  malloc->Free(nullptr);
  EXPECT_EQ(counters.liveItemLists, 0);
  EXPECT_EQ(counters.itemListsFreed, 1);
  malloc.reset();
  EXPECT_EQ(counters.liveMallocs, 0);

  EXPECT_FALSE(shell.SHGetPathFromIDListA(nullptr, path));
  shell.ClearSpecialFolder(CSIDL_APPDATA);
  EXPECT_FALSE(shell.SHGetSpecialFolderPathA(nullptr, path, CSIDL_APPDATA, FALSE));
  // A folder that was set but is gone is found only when it may be created.
  ASSERT_TRUE(sys.Files().RemoveDirectoryA("C:\\Users\\u\\Start Menu\\Programs\\Harborlit"));
  ASSERT_TRUE(sys.Files().RemoveDirectoryA("C:\\Users\\u\\Start Menu\\Programs"));
  EXPECT_NE(shell.SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, list), S_OK);
  EXPECT_EQ(list, nullptr);
  EXPECT_FALSE(shell.SHGetSpecialFolderPathA(nullptr, path, CSIDL_PROGRAMS, FALSE));
  EXPECT_TRUE(shell.SHGetSpecialFolderPathA(nullptr, path, CSIDL_PROGRAMS, TRUE));
  EXPECT_TRUE(sys.Files().IsFolder("C:\\Users\\u\\Start Menu\\Programs"));
}

TEST_F(MemoryShellTest, FolderPicker) {
  BrowseInfo info;
  info.title = "インストール先";
  info.flags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX;
  EXPECT_EQ(shell.SHBrowseForFolderA(info), nullptr);  // nobody answers: Cancel

  std::vector<CString> titles;
  shell.SetBrowseHandler([&](const BrowseInfo& shown) -> std::optional<CString> {
    titles.push_back(shown.title);
    if (shown.flags == BIF_RETURNONLYFSDIRS) return std::nullopt;
    return CString("D:\\Games");
  });
  ItemIdList chosen = shell.SHBrowseForFolderA(info);
  ASSERT_NE(chosen, nullptr);
  CString path;
  ASSERT_TRUE(shell.SHGetPathFromIDListA(chosen.get(), path));
  EXPECT_EQ(path, "D:\\Games");
  info.flags = BIF_RETURNONLYFSDIRS;
  EXPECT_EQ(shell.SHBrowseForFolderA(info), nullptr);
  EXPECT_EQ(titles, (std::vector<CString>{"インストール先", "インストール先"}));
  EXPECT_EQ(shell.BrowseCalls().size(), 3u);
}

// The fields read back, with an icon file and without, are the shortcut case.
TEST_F(MemoryShellTest, ShellLinkWritesAShortcutFileUnderItsNarrowedName) {
  const std::u16string file = u"C:\\Users\\u\\Start Menu\\Programs\\Harborlit\\zuvIV１iru.lnk";
  ASSERT_EQ(WriteShortcut(file, nullptr), S_OK) << sys.Dump();

  // The UTF-16 name was converted to Shift-JIS: １ is 0x82 0x50.
  const auto content =
      shell.ReadShortcut("C:\\Users\\u\\Start Menu\\Programs\\Harborlit\\zuvIV\x82\x50iru.lnk");
  ASSERT_TRUE(content.has_value()) << sys.Dump();
  EXPECT_EQ(content->target, "C:\\ソフト\\index.html");

  EXPECT_EQ(counters.liveLinks, 0);
  EXPECT_EQ(counters.livePersistFiles, 0);
  EXPECT_EQ(counters.coInitializeCalls, 1);
  EXPECT_EQ(counters.coUninitializeCalls, 1);
  EXPECT_EQ(counters.comDepth, 0);
}

TEST_F(MemoryShellTest, ShellLinkFailures) {
  EXPECT_EQ(WriteShortcut(u"C:\\No Such Folder\\a.lnk", nullptr), HResultFromWin32(ERROR_PATH_NOT_FOUND));
  EXPECT_LT(HResultFromWin32(ERROR_PATH_NOT_FOUND), 0);
  EXPECT_EQ(WriteShortcut(u"Q:\\a.lnk", nullptr), HResultFromWin32(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(sys.Files().Exists("Q:\\a.lnk"));

  std::unique_ptr<IShellLinkA> link;
  EXPECT_EQ(shell.CoCreateShellLink(link), CO_E_NOTINITIALIZED_CODE);  // COM not initialised
  EXPECT_EQ(link, nullptr);
  EXPECT_EQ(shell.CoInitialize(), S_OK);
  EXPECT_EQ(shell.CoInitialize(), S_FALSE);
  shell.CoUninitialize();
  shell.CoUninitialize();
  shell.CoUninitialize();
  EXPECT_EQ(counters.unbalancedUninitialize, 1);
}

TEST_F(MemoryShellTest, MultiByteToWideCharNeedsRoomForTheTerminator) {
  std::u16string wide = u"unchanged";
  EXPECT_EQ(shell.MultiByteToWideChar("ソ表a", wide, 4), 4);
  EXPECT_EQ(wide, u"ソ表a");
  wide = u"unchanged";
  EXPECT_EQ(shell.MultiByteToWideChar("ソ表a", wide, 3), 0);
  EXPECT_EQ(wide, u"unchanged");
  EXPECT_EQ(sys.LastError(), mem::ERROR_INSUFFICIENT_BUFFER_CODE);
  // The text ends at its first zero byte.
  EXPECT_EQ(shell.MultiByteToWideChar(std::string_view("ab\0cd", 5), wide, 260), 3);
  EXPECT_EQ(wide, u"ab");
  EXPECT_EQ(shell.MultiByteToWideChar("", wide, 1), 1);
  EXPECT_EQ(wide, u"");
}

TEST(MemoryShortcutFile, DecodingRejectsDamagedFiles) {
  ShortcutFile shortcut;
  shortcut.target = "C:\\t\r\n:x";
  shortcut.iconPath = CString("");
  shortcut.iconIndex = -3;
  const std::string good = MemoryShell::EncodeShortcut(shortcut);
  const auto back = MemoryShell::DecodeShortcut(good);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->target, shortcut.target);
  EXPECT_EQ(back->iconPath, CString(""));
  EXPECT_EQ(back->iconIndex, -3);

  const std::string magic = good.substr(0, good.find("Target"));
  const std::string damaged[] = {
      "",
      "not a shortcut",
      good + "x",
      magic + "Target:99999999999999999999999:x\r\n",
      magic + "Target:-1:x\r\n",
      magic + "Target:5:x\r\n",
  };
  for (const std::string& bytes : damaged) {
    EXPECT_FALSE(MemoryShell::DecodeShortcut(bytes).has_value()) << bytes;
  }
  // No cut of a good file is read as a shortcut.
  for (std::size_t n = 0; n < good.size(); ++n) {
    EXPECT_FALSE(MemoryShell::DecodeShortcut(good.substr(0, n)).has_value()) << n;
  }
}

}  // namespace

// The uninstaller's registration on the in-memory platform: the copy of the
// uninstaller, the uninstall key's values byte for byte, the Start-menu
// shortcuts with every field, COM scopes and released objects, and what
// each failure leads to.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "installer/Registration.h"
#include "platform/framework/Afx.h"
#include "shell/Names.h"
#include "tests/memory/MemoryPlatform.h"
#include "tests/unit/RecordingPlatform.h"
#include "tests/unit/TestSupport.h"

namespace {

constexpr char kDest[] = "C:\\Program Files\\Harborlit\\Drama1";
constexpr char kPrograms[] = "C:\\Users\\me\\Start Menu\\Programs";
constexpr char kStartMenuFailed[] = "スタートメニューへの登録に失敗しました。";
constexpr DWORD kFailBits = 0x80004005;  // E_FAIL

// The destination folder on C:, the CD in Q: (the current folder) with the
// uninstaller, and a Start menu.
void SetUpSystem(MemoryPlatform& p) {
  p.Ui().SetModuleFileName("Q:\\installer.exe");
  p.Drives().Add('C', DRIVE_FIXED);
  p.Drives().Add('Q', DRIVE_CDROM, "TAVRIN_DRAMACD1");
  p.Files().AddFolder(kDest);
  p.Files().AddFile("Q:\\uninst.dat", "MZ uninstaller", FILE_ATTRIBUTE_READONLY);
  p.Files().SetCurrentFolder("Q:\\");
  p.Shell().SetSpecialFolder(CSIDL_PROGRAMS, kPrograms);
}

class RegistrationTest : public ::testing::Test {
 protected:
  RegistrationTest() { SetUpSystem(platform); }

  MemoryFileSystem& files() { return platform.Files(); }
  const mem::ShellCounters& com() { return platform.Shell().Counters(); }
  CString StartMenu(const char* name = nullptr) const {
    CString folder = CString(kPrograms) + "\\Harborlit";
    return name == nullptr ? folder : folder + "\\" + name;
  }
  std::optional<MemoryRegistry::Value> Value(const char* name) {
    return platform.Registry().GetValue(HKEY_LOCAL_MACHINE, names::UninstallKey(), name);
  }
  // Every COM scope closed, every link and persist object released.
  void ExpectComBalanced(int scopes) {
    EXPECT_EQ(com().coInitializeCalls, scopes);
    EXPECT_EQ(com().coUninitializeCalls, scopes);
    EXPECT_EQ(com().comDepth, 0);
    EXPECT_EQ(com().unbalancedUninitialize, 0);
    EXPECT_EQ(com().liveLinks, 0);
    EXPECT_EQ(com().livePersistFiles, 0);
    EXPECT_EQ(com().liveItemLists, 0);
  }

  MemoryPlatform platform;
};

TEST_F(RegistrationTest, UninstallerKeyAndShortcutsAsSpecifiedByteForByte) {
  EXPECT_EQ(RegisterUninstall(platform, kDest), IDOK) << platform.Dump();
  platform.Ui().CheckScriptDone();

  const CString uninstaller = CString(kDest) + "\\uninst.exe";
  EXPECT_EQ(files().Contents(uninstaller), "MZ uninstaller");
  EXPECT_EQ(files().Attributes(uninstaller), FILE_ATTRIBUTE_NORMAL) << "not read-only as on the CD";

  ASSERT_TRUE(platform.Registry().HasKey(HKEY_LOCAL_MACHINE, names::UninstallKey()));
  EXPECT_EQ(platform.Registry().IsVolatile(HKEY_LOCAL_MACHINE, names::UninstallKey()), false)
      << "the entry outlives a restart";
  const auto command = Value("UninstallString");
  ASSERT_TRUE(command);
  EXPECT_EQ(command->type, REG_MULTI_SZ);
  EXPECT_EQ(command->bytes, std::string("C:\\Program Files\\Harborlit\\Drama1\\uninst.exe") + '\0' + '\0');
  EXPECT_EQ(command->bytes.size(), 46u);
  const auto display = Value("DisplayName");
  ASSERT_TRUE(display);
  EXPECT_EQ(display->type, REG_MULTI_SZ);
  EXPECT_EQ(display->bytes.size(), 44u);
  EXPECT_EQ(display->bytes, std::string("タヴリン　ドラマＣＤ１　デジタルコンテンツ") + '\0' + '\0');
  // Shift-JIS: タ is 0x83 0x5E, the full-width space 0x81 0x40.
  EXPECT_EQ(display->bytes.substr(0, 2), "\x83\x5E");
  EXPECT_EQ(display->bytes.substr(8, 2), "\x81\x40");
  EXPECT_EQ(platform.Registry().OpenHandles(), 0);

  EXPECT_TRUE(files().IsFolder(StartMenu()));
  const auto content = platform.Shell().ReadShortcut(StartMenu(names::kContentShortcut));
  ASSERT_TRUE(content) << platform.Dump();
  EXPECT_EQ(content->target, CString(kDest) + "\\index.html");
  EXPECT_EQ(content->arguments, "");
  EXPECT_EQ(content->description, "");
  EXPECT_EQ(content->workingFolder, kDest);
  EXPECT_EQ(content->iconPath, std::nullopt);
  EXPECT_EQ(content->iconIndex, 1);
  const auto remover = platform.Shell().ReadShortcut(StartMenu(names::kUninstallShortcut));
  ASSERT_TRUE(remover);
  EXPECT_EQ(remover->target, uninstaller);
  EXPECT_EQ(remover->arguments, "");
  EXPECT_EQ(remover->description, "");
  EXPECT_EQ(remover->workingFolder, kDest);
  EXPECT_EQ(remover->iconPath, uninstaller);
  EXPECT_EQ(remover->iconIndex, 1);

  // One COM scope per shortcut.
  ExpectComBalanced(2);
}

TEST_F(RegistrationTest, SecondInstallationIntoTheSameFolderSucceeds) {
  ASSERT_EQ(RegisterUninstall(platform, kDest), IDOK);
  ASSERT_TRUE(files().AddFile("Q:\\uninst.dat", "MZ newer", FILE_ATTRIBUTE_READONLY));
  // The uninstaller has another name elsewhere (a hard link): that file,
  // seen through a handle of its own, is never written into.
  ASSERT_TRUE(files().SetLinkCount(CString(kDest) + "\\uninst.exe", 2));
  CEntryHandle dest(files(), files().OpenFolderHandle(kDest));
  CEntryHandle old(files(), files().OpenEntryAt(dest.get(), "uninst.exe"));
  // The key went meanwhile (an uninstallation that stopped half way).
  ASSERT_EQ(platform.Registry().RegDeleteKeyA(HKEY_LOCAL_MACHINE, names::UninstallKey()), ERROR_SUCCESS);
  EXPECT_EQ(RegisterUninstall(platform, kDest), IDOK) << platform.Dump();
  EXPECT_TRUE(platform.Ui().MessageBoxes().empty());
  EXPECT_EQ(files().Contents(CString(kDest) + "\\uninst.exe"), "MZ newer");
  EXPECT_EQ(files().HandleContents(old.get()), "MZ uninstaller");
  EXPECT_TRUE(Value("UninstallString"));
  EXPECT_TRUE(Value("DisplayName"));
  EXPECT_TRUE(files().Exists(StartMenu(names::kContentShortcut)));
  ExpectComBalanced(4);
}

TEST_F(RegistrationTest, UninstallerThatCannotBeCopiedStopsBeforeKeyAndShortcuts) {
  struct Case {
    const char* name;
    std::function<void(MemoryPlatform&)> arrange;
  };
  const Case cases[] = {
      {"uninst.dat missing",
       [](MemoryPlatform& p) { p.Fail("OpenFile", ERROR_FILE_NOT_FOUND).OnPath("uninst.dat"); }},
      {"disk full", [](MemoryPlatform& p) { p.Fail("WriteByHandle", ERROR_DISK_FULL); }},
      {"read-only uninst.exe in the way",
       [](MemoryPlatform& p) {
         p.Files().AddFile(CString(kDest) + "\\uninst.exe", "old", FILE_ATTRIBUTE_READONLY);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryPlatform fresh;
    SetUpSystem(fresh);
    c.arrange(fresh);
    fresh.Ui().ExpectMessageBox("アンインストーラーのコピーに失敗しました。", IDOK);
    EXPECT_EQ(RegisterUninstall(fresh, kDest), IDCANCEL);
    fresh.Ui().CheckScriptDone();
    EXPECT_FALSE(fresh.Registry().HasKey(HKEY_LOCAL_MACHINE, names::UninstallKey()));
    EXPECT_FALSE(fresh.Files().Exists(CString(kPrograms) + "\\Harborlit"));
    EXPECT_EQ(fresh.Shell().Counters().coInitializeCalls, 0);
    EXPECT_FALSE(fresh.Files().Exists(CString(kDest) + "\\~inst0.tmp")) << "no scratch file stays";
  }
}

TEST_F(RegistrationTest, LongDestinationFailsAtTheUninstallerCopy) {
  // The uninstaller's path passes the system's limit by a little: no buffer
  // is overrun, the copy fails and says so.
  const CString deep = "C:\\" + CString('d', 250);
  ASSERT_TRUE(files().AddFolder(deep));
  platform.Ui().ExpectMessageBox("アンインストーラーのコピーに失敗しました。", IDOK);
  EXPECT_EQ(RegisterUninstall(platform, deep), IDCANCEL);
  platform.Ui().CheckScriptDone();
  EXPECT_FALSE(platform.Registry().HasKey(HKEY_LOCAL_MACHINE, names::UninstallKey()));
}

TEST_F(RegistrationTest, RegistryWithoutWriteAccessIsPassedOverSilently) {
  platform.Registry().DenyWrites(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(RegisterUninstall(platform, kDest), IDOK);
  EXPECT_TRUE(platform.Ui().MessageBoxes().empty());
  EXPECT_FALSE(platform.Registry().HasKey(HKEY_LOCAL_MACHINE, names::UninstallKey()));
  EXPECT_TRUE(files().Exists(StartMenu(names::kUninstallShortcut)));
  EXPECT_EQ(platform.Registry().OpenHandles(), 0);
}

TEST_F(RegistrationTest, ValueThatCannotBeWrittenIsPassedOverAndTheKeyClosed) {
  platform.Fail("RegSetValueExA", ERROR_ACCESS_DENIED).Times(1);
  EXPECT_EQ(RegisterUninstall(platform, kDest), IDOK);
  EXPECT_TRUE(platform.Ui().MessageBoxes().empty());
  EXPECT_FALSE(Value("UninstallString"));
  EXPECT_TRUE(Value("DisplayName"));
  EXPECT_EQ(platform.Registry().OpenHandles(), 0);
}

TEST_F(RegistrationTest, ExistingStartMenuFolderIsUsedAndItsCreationFailingIsNotReported) {
  ASSERT_TRUE(files().AddFile(StartMenu("other.lnk"), "keep"));
  EXPECT_EQ(RegisterUninstall(platform, kDest), IDOK);
  EXPECT_TRUE(platform.Ui().MessageBoxes().empty());
  EXPECT_EQ(files().Contents(StartMenu("other.lnk")), "keep");
  EXPECT_TRUE(files().Exists(StartMenu(names::kContentShortcut)));
}

TEST_F(RegistrationTest, EachShortcutThatFailsIsReportedOnceAndTheResultStaysOk) {
  struct Case {
    const char* name;
    const char* operation;
    DWORD code;
    const char* onPath;  // null: every call
    int times;
    int messages;
    bool contentWritten;
    bool uninstallWritten;
  };
  const Case cases[] = {
      {"first Save fails, second succeeds", "Save", kFailBits, nullptr, 1, 1, false, true},
      {"second Save fails", "Save", kFailBits, "UnInstall.lnk", 1, 1, true, false},
      {"no shell link object", "CoCreateShellLink", 0x80040154, nullptr, 2, 2, false, false},
      {"no persist interface", "QueryPersistFile", 0x80004002, nullptr, 1, 1, false, true},
      // Calls that report success yet hand back no object.
      {"success without a link object", "CoCreateShellLink", 0, nullptr, 2, 2, false, false},
      {"success without a persist interface", "QueryPersistFile", 0, nullptr, 1, 1, false, true},
      {"COM cannot be initialised", "CoInitialize", kFailBits, nullptr, 2, 2, false, false},
      {"name cannot be converted", "MultiByteToWideChar", 1113, nullptr, 1, 1, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryPlatform fresh;
    SetUpSystem(fresh);
    auto& rule = fresh.Fail(c.operation, c.code);
    if (c.onPath != nullptr) rule.OnPath(c.onPath);
    rule.Times(c.times);
    for (int i = 0; i < c.messages; ++i) fresh.Ui().ExpectMessageBox(kStartMenuFailed, IDOK);
    EXPECT_EQ(RegisterUninstall(fresh, kDest), IDOK);
    fresh.Ui().CheckScriptDone();
    EXPECT_EQ(fresh.Files().Exists(StartMenu(names::kContentShortcut)), c.contentWritten);
    EXPECT_EQ(fresh.Files().Exists(StartMenu(names::kUninstallShortcut)), c.uninstallWritten);
    const auto& counters = fresh.Shell().Counters();
    EXPECT_EQ(counters.coInitializeCalls, 2);
    EXPECT_EQ(counters.comDepth, 0);
    EXPECT_EQ(counters.unbalancedUninitialize, 0);
    EXPECT_EQ(counters.liveLinks, 0);
    EXPECT_EQ(counters.livePersistFiles, 0);
    EXPECT_TRUE(fresh.Registry().HasKey(HKEY_LOCAL_MACHINE, names::UninstallKey()));
  }
}

TEST_F(RegistrationTest, StartMenuFolderThatCannotBeFoundOrUsedGetsNothingAndIsReportedOnce) {
  struct Case {
    const char* name;
    std::function<void(MemoryPlatform&)> arrange;
  };
  const Case cases[] = {
      {"no such special folder", [](MemoryPlatform& p) { p.Shell().ClearSpecialFolder(CSIDL_PROGRAMS); }},
      {"location fails", [](MemoryPlatform& p) { p.Fail("SHGetSpecialFolderLocation", kFailBits); }},
      {"no path for the item list", [](MemoryPlatform& p) { p.Fail("SHGetPathFromIDListA", 0); }},
      {"an empty path for the item list",
       [](MemoryPlatform& p) { p.Shell().SetSpecialFolderText(CSIDL_PROGRAMS, ""); }},
      {"the folder cannot be created",
       [](MemoryPlatform& p) { p.Fail("CreateDirectoryA", ERROR_ACCESS_DENIED); }},
      // A link in its place (the Programs folder is the user's own) receives nothing.
      {"the folder is a link",
       [](MemoryPlatform& p) { p.Files().AddLink(CString(kPrograms) + "\\Harborlit", "D:\\Drama"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryPlatform fresh;
    SetUpSystem(fresh);
    fresh.Drives().Add('D', DRIVE_FIXED);
    fresh.Files().AddFolder("D:\\Drama");
    c.arrange(fresh);
    // Every folder named Harborlit the system holds (the destination's parent).
    const auto harborlits = [&fresh] {
      const std::string dump = fresh.Dump();
      int n = 0;
      for (auto at = dump.find("Harborlit"); at != std::string::npos; at = dump.find("Harborlit", at + 1))
        ++n;
      return n;
    };
    const int before = harborlits();
    fresh.Ui().ExpectMessageBox(kStartMenuFailed, IDOK);
    EXPECT_EQ(RegisterUninstall(fresh, "D:\\Drama"), IDOK);
    fresh.Ui().CheckScriptDone();
    fresh.ClearFaults();
    // No shortcut attempted, no folder made anywhere.
    EXPECT_EQ(fresh.Shell().Counters().coInitializeCalls, 0);
    EXPECT_EQ(fresh.Shell().Counters().liveItemLists, 0);
    EXPECT_EQ(harborlits(), before) << fresh.Dump();
    EXPECT_EQ(fresh.Files().List("D:\\Drama"), std::vector<CString>{"uninst.exe"});
  }
}

TEST_F(RegistrationTest, ShortcutPathsLongerThanTheSystemAcceptsFailInTheirStep) {
  // A Programs folder so deep that the shortcut files' paths pass the limit.
  const CString deep = "C:\\" + CString('p', 235);
  ASSERT_TRUE(platform.Shell().SetSpecialFolder(CSIDL_PROGRAMS, deep));
  platform.Ui().ExpectMessageBox(kStartMenuFailed, IDOK).ExpectMessageBox(kStartMenuFailed, IDOK);
  EXPECT_EQ(RegisterUninstall(platform, kDest), IDOK);
  platform.Ui().CheckScriptDone();
  ExpectComBalanced(2);
}

TEST_F(RegistrationTest, CreateShortcutReturnsSaveResultAndReleasesEverything) {
  IShell& shell = platform.Shell();
  const CString icon = "C:\\icon.exe";
  // The folder is not there yet: Save's failure comes back.
  EXPECT_LT(CreateShortcut(shell, "C:\\t.html", StartMenu("a.lnk"), "-x", "desc", "C:\\", &icon, 3), 0);
  ASSERT_TRUE(files().AddFolder(StartMenu()));
  EXPECT_EQ(CreateShortcut(shell, "C:\\t.html", StartMenu("a.lnk"), "-x", "desc", "C:\\", &icon, 3), S_OK);
  const auto written = platform.Shell().ReadShortcut(StartMenu("a.lnk"));
  ASSERT_TRUE(written);
  EXPECT_EQ(written->arguments, "-x");
  EXPECT_EQ(written->description, "desc");
  EXPECT_EQ(written->iconPath, CString("C:\\icon.exe"));
  EXPECT_EQ(written->iconIndex, 3);

  // S_FALSE from Save is no success.
  platform.Fail("Save", 1).Times(1);
  EXPECT_EQ(CreateShortcut(shell, "C:\\t.html", StartMenu("b.lnk"), "", "", "C:\\", nullptr, 1), S_FALSE);
  // A Japanese file name reaches Save whole.
  EXPECT_EQ(CreateShortcut(shell, "C:\\t.html", StartMenu("表ソ.lnk"), "", "", "C:\\", nullptr, 1), S_OK);
  EXPECT_TRUE(files().Exists(StartMenu("表ソ.lnk")));
  // A call that fails on the way gives its own result back.
  platform.Fail("CoCreateShellLink", 0x80040154).Times(1);
  EXPECT_EQ(CreateShortcut(shell, "C:\\t.html", StartMenu("c.lnk"), "", "", "C:\\", nullptr, 1),
            static_cast<HRESULT>(0x80040154));
  platform.Fail("QueryPersistFile", 0x8007000E).Times(1);
  EXPECT_EQ(CreateShortcut(shell, "C:\\t.html", StartMenu("c.lnk"), "", "", "C:\\", nullptr, 1),
            static_cast<HRESULT>(0x8007000E));
  EXPECT_FALSE(files().Exists(StartMenu("c.lnk")));
  ExpectComBalanced(6);
}

}  // namespace

TEST_F(RegistrationTest, TheKeyIsWrittenBeforeTheStartMenuIsTouched) {
  // An installation stopped while the shortcuts are made can still be
  // uninstalled: its key already names the uninstaller.
  RecordingPlatform recording(platform);
  EXPECT_EQ(RegisterUninstall(recording, kDest), IDOK);
  const int lastValue = [&] {
    int last = -1;
    for (std::size_t i = 0; i < recording.Log().size(); ++i) {
      if (recording.Log()[i].starts_with("RegSetValueExA ")) last = static_cast<int>(i);
    }
    return last;
  }();
  const int folder = recording.IndexOf("CreateDirectoryA " + StartMenu().str());
  ASSERT_GE(lastValue, 0);
  ASSERT_GE(folder, 0);
  EXPECT_LT(lastValue, folder);
}

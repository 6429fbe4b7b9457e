// The uninstaller from its start message to its end, on the memory platform:
// confirmation, removal of the entry, the files and the Start-menu entries,
// completion, restart requests, and the folders it refuses to empty.
#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <vector>

#include "installer/Registration.h"
#include "shell/ModuleFolder.h"
#include "shell/Names.h"
#include "tests/memory/MemoryPlatform.h"
#include "tests/unit/RecordingPlatform.h"
#include "tests/unit/TestSupport.h"
#include "uninst/InstallationFolder.h"
#include "uninst/UninstApp.h"
#include "uninst/UninstDialogs.h"

std::string_view UninstResources();

namespace {

const CString kDest = "C:\\Program Files\\Harborlit\\Drama1";
const CString kPrograms = "C:\\Users\\me\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
const CString kStartMenu = kPrograms + "\\Harborlit";
const CString kContentLink = kStartMenu + "\\" + names::kContentShortcut;
const CString kUninstallLink = kStartMenu + "\\" + names::kUninstallShortcut;
const std::string kEntry = names::UninstallKey();

class UninstDriver : public ::testing::Test {
 protected:
  UninstDriver() {
    platform.Drives().Add('C', DRIVE_FIXED);
    platform.Drives().Add('D', DRIVE_FIXED);
    platform.Ui().AddResources(UninstResources());
    fs.AddFolder("C:\\Windows\\System32");
    platform.Shell().SetSpecialFolder(CSIDL_PROGRAMS, kPrograms);
    Install(kDest);
    platform.Ui().SetModuleFileName(kDest + "\\uninst.exe");
    fs.SetCurrentFolder(kDest);
  }

  // What the installer leaves behind, with read-only files as a CD gives them.
  void Install(const CString& dest) {
    fs.AddFile(dest + "\\uninst.exe", "MZ");
    fs.AddFile(dest + "\\index.html", "<html>");
    fs.AddFile(dest + "\\01.html", "1");
    fs.AddFile(dest + "\\images\\title.png", "png");
    fs.AddFile(dest + "\\images\\icons\\icon.png", "png");
    fs.AddFile(dest + "\\ソフト\\表紙.html", "sjis");
    platform.Registry().AddKey(HKEY_LOCAL_MACHINE, names::kUninstallParentKey);
    platform.Registry().AddKey(HKEY_LOCAL_MACHINE, kEntry);
    platform.Registry().AddValue(HKEY_LOCAL_MACHINE, kEntry, "UninstallString", REG_MULTI_SZ,
                                 std::string((dest + "\\uninst.exe").str()) + std::string(2, '\0'));
    fs.AddFile(kContentLink,
               MemoryShell::EncodeShortcut({dest + "\\index.html", "", "", dest, std::nullopt, 1}));
    fs.AddFile(kUninstallLink,
               MemoryShell::EncodeShortcut({dest + "\\uninst.exe", "", "", dest, dest + "\\uninst.exe", 1}));
  }

  int Run(PlatformServices& services) {
    CUninstApp app;
    const int code = app.Run(services, SW_SHOWNORMAL);
    EXPECT_NO_THROW(platform.Ui().CheckScriptDone());
    EXPECT_EQ(platform.Ui().MainFrame(), nullptr) << "the program has ended";
    EXPECT_EQ(fs.OpenSearches(), 0);
    return code;
  }
  int Run() { return Run(platform); }

  // A check run while the given dialog is shown: its text control.
  static UiAction TextIs(CString expected) {
    return UiAction::Check(
        [expected](MemoryUi& ui, HWND dialog) { EXPECT_EQ(ui.ControlText(dialog, IDC_TEXT), expected); });
  }

  bool EntryExists() { return platform.Registry().HasKey(HKEY_LOCAL_MACHINE, kEntry); }
  std::vector<std::string> RestartPaths() const {
    std::vector<std::string> paths;
    for (const auto& e : fs.RestartList()) {
      EXPECT_FALSE(e.newName.has_value());
      EXPECT_EQ(e.flags & MOVEFILE_DELAY_UNTIL_REBOOT, MOVEFILE_DELAY_UNTIL_REBOOT);
      paths.push_back(e.path.str());
    }
    return paths;
  }

  MemoryPlatform platform;
  MemoryFileSystem& fs = platform.Files();
};

using Paths = std::vector<std::string>;

// The user's and the system's own folders, as a Windows system names them.
void SetUserFolders(MemoryShell& shell) {
  const std::pair<int, const char*> folders[] = {
      {0x0028, "C:\\Users\\me"},
      {0x0005, "C:\\Users\\me\\Documents"},
      {0x0010, "C:\\Users\\me\\Desktop"},
      {0x001A, "C:\\Users\\me\\AppData\\Roaming"},
      {0x001C, "C:\\Users\\me\\AppData\\Local"},
      {0x000B, "C:\\Users\\me\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
      {0x0002, "C:\\Users\\me\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
      {0x002E, "C:\\Users\\Public\\Documents"},
      {0x0023, "C:\\ProgramData"},
      {0x002B, "C:\\Program Files\\Common Files"},
  };
  for (const auto& [csidl, path] : folders) shell.SetSpecialFolder(csidl, path);
}

// The whole state of a system but the last error code, which the lookups of
// the refused folders may set.
std::string StateOf(const MemoryPlatform& p) {
  std::string dump = p.Dump();
  const auto at = dump.find("Last error:");
  if (at != std::string::npos) dump.erase(at, dump.find('\n', at) - at);
  return dump;
}

TEST_F(UninstDriver, ConfirmedRemovesEntryFilesAndShortcutsThenAsksForTheRestart) {
  fs.AddFile(kDest + "\\.keep\\note.txt", "mine");
  platform.Ui()
      .ExpectDialog(IDD_CONFIRM, {TextIs(ConfirmationText(kDest)), UiAction::Click(IDC_NEXT)})
      .ExpectDialog(IDD_DONE, {TextIs(CompletionText()), UiAction::Check([&](MemoryUi&, HWND) {
                                 // Everything is removed before the completion; nothing is
                                 // scheduled yet.
                                 EXPECT_FALSE(EntryExists());
                                 EXPECT_EQ(fs.List(kDest), (std::vector<CString>{".keep", "uninst.exe"}));
                                 EXPECT_FALSE(fs.Exists(kStartMenu));
                                 EXPECT_TRUE(fs.RestartList().empty());
                               }),
                               UiAction::Click(IDOK)});
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(platform.Registry().HasKey(HKEY_LOCAL_MACHINE, names::kUninstallParentKey));
  EXPECT_EQ(RestartPaths(), (Paths{(kDest + "\\uninst.exe").str(), kDest.str()}));
  EXPECT_TRUE(fs.Exists(kDest + "\\.keep\\note.txt"));
  EXPECT_TRUE(fs.IsFolder(kPrograms));
  EXPECT_TRUE(platform.Ui().MessageBoxes().empty());
  // Both dialogs leave the focus to the dialog manager: on their default button.
  std::vector<int> focus;
  for (const auto& d : platform.Ui().Dialogs()) focus.push_back(d.initialFocus);
  EXPECT_EQ(focus, (std::vector<int>{IDC_NEXT, IDOK}));

  platform.SimulateRestart();
  EXPECT_FALSE(fs.Exists(kDest + "\\uninst.exe"));
  EXPECT_TRUE(fs.Exists(kDest + "\\.keep\\note.txt")) << "a folder that is not empty stays";
}

TEST_F(UninstDriver, ReturnActsAsNextAndAnEmptiedFolderGoesAtTheRestart) {
  platform.Ui().ExpectDialog(IDD_CONFIRM, {UiAction::Return()}).ExpectDialog(IDD_DONE, {UiAction::Return()});
  EXPECT_EQ(Run(), 0);
  EXPECT_FALSE(EntryExists());
  platform.SimulateRestart();
  EXPECT_FALSE(fs.Exists(kDest)) << platform.Dump();
  EXPECT_TRUE(fs.IsFolder("C:\\Program Files\\Harborlit"));
}

// The deletion at the next restart goes by path, run as SYSTEM: it is
// asked for only where no other account can have replaced a level or the
// program file by then. Otherwise the user is told which folder stays.
TEST(UninstRestart, AskedForOnlyWhereNoOtherAccountCanRedirectIt) {
  constexpr char kUsersModify[] = "O:BAG:BAD:(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;AU)";
  constexpr char kUserOwned[] = "O:S-1-5-21-1-2-3-1001D:(A;;FA;;;BA)";
  const struct Case {
    const char* what;
    std::function<void(MemoryFileSystem&)> prepare;
    bool scheduled;
    UINT driveType = DRIVE_FIXED;
  } cases[] = {
      {"administrators' folders", [](MemoryFileSystem&) {}, true},
      {"a level others may change", [&](MemoryFileSystem& fs) { fs.SetSecurity("C:\\Games", kUsersModify); },
       false},
      {"the folder itself", [&](MemoryFileSystem& fs) { fs.SetSecurity("C:\\Games\\Drama1", kUsersModify); },
       false},
      {"a program file of the user's",
       [&](MemoryFileSystem& fs) { fs.SetSecurity("C:\\Games\\Drama1\\uninst.exe", kUserOwned); }, false},
      {"a program file with a second name",
       [](MemoryFileSystem& fs) { fs.SetLinkCount("C:\\Games\\Drama1\\uninst.exe", 2); }, false},
      {"a removable drive", [](MemoryFileSystem&) {}, false, DRIVE_REMOVABLE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryPlatform p;
    p.Drives().Add('C', c.driveType);
    p.Ui().AddResources(UninstResources());
    MemoryFileSystem& fs = p.Files();
    fs.AddFile("C:\\Games\\Drama1\\uninst.exe", "MZ");
    fs.AddFile("C:\\Games\\Drama1\\index.html", "<html>");
    p.Ui().SetModuleFileName("C:\\Games\\Drama1\\uninst.exe");
    c.prepare(fs);
    p.Ui().ExpectDialog(IDD_CONFIRM, {UiAction::Return()}).ExpectDialog(IDD_DONE, {UiAction::Return()});
    if (!c.scheduled) p.Ui().ExpectMessageBox(CString("C:\\Games\\Drama1") + kFolderStays, IDOK);
    CUninstApp app;
    EXPECT_EQ(app.Run(p, SW_SHOWNORMAL), 0);
    EXPECT_NO_THROW(p.Ui().CheckScriptDone());
    EXPECT_FALSE(fs.Exists("C:\\Games\\Drama1\\index.html")) << "the walk ran all the same";
    EXPECT_EQ(fs.RestartList().size(), c.scheduled ? 2u : 0u);
  }
}

TEST_F(UninstDriver, CancelEscapeOrNoDialogChangeNothing) {
  const std::string before = StateOf(platform);
  for (int way = 0; way < 3; ++way) {
    if (way == 0) platform.Ui().ExpectDialog(IDD_CONFIRM, {UiAction::Click(IDCANCEL)});
    if (way == 1) platform.Ui().ExpectDialog(IDD_CONFIRM, {UiAction::Escape()});
    if (way == 2) platform.Ui().FailDialog(IDD_CONFIRM);
    EXPECT_EQ(Run(), 0) << way;
    EXPECT_EQ(StateOf(platform), before) << way;
    EXPECT_TRUE(EntryExists()) << way;
  }
  for (const auto& d : platform.Ui().Dialogs()) EXPECT_EQ(d.templateId, UINT{IDD_CONFIRM});
}

int LastIndex(const RecordingPlatform& r, const std::string& entry) {
  int found = -1;
  for (std::size_t i = 0; i < r.Log().size(); ++i) {
    if (r.Log()[i] == entry) found = static_cast<int>(i);
  }
  return found;
}

TEST_F(UninstDriver, StepsRunInOrderRegistryFilesShortcutsCompletionRestart) {
  fs.SetCurrentFolder("C:\\");  // the folder is held by the program alone
  RecordingPlatform recording(platform);
  platform.Ui()
      .ExpectDialog(IDD_CONFIRM, {UiAction::Check([&](MemoryUi&, HWND) {
                                    recording.Note("dialog 101");
                                    // Held while the question is open: it cannot be swapped for another.
                                    const CString away = kDest + "-old";
                                    EXPECT_FALSE(fs.MoveFileExA(kDest, &away, 0));
                                  }),
                                  UiAction::Click(IDC_NEXT)})
      .ExpectDialog(IDD_DONE, {UiAction::Check([&](MemoryUi&, HWND) { recording.Note("dialog 103"); }),
                               UiAction::Click(IDOK)});
  EXPECT_EQ(Run(recording), 0);
  const std::vector<int> order = {
      recording.IndexOf("OpenFolderHandle " + kDest.str()),  // held from before the question
      recording.IndexOf("dialog 101"),
      recording.IndexOf("RegDeleteKeyA VEVUVODIVERU1"),
      recording.IndexOf("ListFolderHandle " + kDest.str()),
      recording.IndexOf("DeleteByHandle " + kContentLink.str()),
      recording.IndexOf("DeleteByHandle " + kUninstallLink.str()),
      LastIndex(recording, "DeleteByHandle " + kStartMenu.str()),
      recording.IndexOf("dialog 103"),
      recording.IndexOf("MoveFileExA " + kDest.str() + "\\uninst.exe"),
      LastIndex(recording, "MoveFileExA " + kDest.str()),
  };
  for (std::size_t i = 0; i < order.size(); ++i) {
    EXPECT_GE(order[i], 0) << "step " << i;
    if (i > 0) {
      EXPECT_LT(order[i - 1], order[i]) << "step " << i;
    }
  }
  // The shortcuts come after every file of the installation.
  for (std::size_t i = 0; i < recording.Log().size(); ++i) {
    if (recording.Log()[i].rfind("DeleteByHandle " + kDest.str(), 0) == 0) {
      EXPECT_LT(static_cast<int>(i), order[4]) << recording.Log()[i];
    }
  }
}

TEST_F(UninstDriver, ASecondRunBeforeTheRestartAsksAgainAndFailsSilently) {
  for (int run = 1; run <= 2; ++run) {
    platform.Ui()
        .ExpectDialog(IDD_CONFIRM, {TextIs(ConfirmationText(kDest)), UiAction::Click(IDC_NEXT)})
        .ExpectDialog(IDD_DONE, {UiAction::Click(IDOK)});
    EXPECT_EQ(Run(), 0) << run;
  }
  EXPECT_TRUE(platform.Ui().MessageBoxes().empty());
  EXPECT_EQ(fs.List(kDest), std::vector<CString>{"uninst.exe"});
  const std::string exe = (kDest + "\\uninst.exe").str();
  EXPECT_EQ(RestartPaths(), (Paths{exe, kDest.str(), exe, kDest.str()}));
  platform.SimulateRestart();
  EXPECT_FALSE(fs.Exists(kDest));
}

// The Start-menu folder replaced by a link to a folder of someone else's:
// only the link goes, and nothing in its target. Where the handle reaches
// the target instead of the link (Wine), nothing goes at all.
TEST_F(UninstDriver, AStartMenuFolderThatIsALinkGoesAloneNothingThroughIt) {
  const CString other = "C:\\Users\\me\\Other";
  fs.AddFile(other + "\\" + names::kContentShortcut, "theirs");
  fs.AddFile(other + "\\" + names::kUninstallShortcut, "theirs");
  ASSERT_TRUE(fs.DeleteFileA(kContentLink) && fs.DeleteFileA(kUninstallLink) &&
              fs.RemoveDirectoryA(kStartMenu));
  RecordingPlatform recording(platform);
  for (const bool handlesFollow : {false, true}) {
    SCOPED_TRACE(handlesFollow);
    ASSERT_TRUE(fs.AddLink(kStartMenu, other));
    if (handlesFollow) recording.HandlesFollowLinks();
    platform.Ui()
        .ExpectDialog(IDD_CONFIRM, {UiAction::Return()})
        .ExpectDialog(IDD_DONE, {UiAction::Return()});
    EXPECT_EQ(Run(recording), 0);
    EXPECT_EQ(fs.List(other), (std::vector<CString>{names::kUninstallShortcut, names::kContentShortcut}));
    EXPECT_EQ(fs.Exists(kStartMenu), handlesFollow) << "the link itself goes where its handle is its own";
  }
}

TEST_F(UninstDriver, AStartMenuFolderWithAUsersFileKeepsItAndTheFile) {
  fs.AddFile(kStartMenu + "\\my notes.lnk", "mine");
  platform.Ui().ExpectDialog(IDD_CONFIRM, {UiAction::Return()}).ExpectDialog(IDD_DONE, {UiAction::Return()});
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(fs.List(kStartMenu), std::vector<CString>{"my notes.lnk"});
}

TEST_F(UninstDriver, AReadOnlyFileStopsTheWalkTheFlowGoesOn) {
  fs.AddFile(kDest + "\\images\\locked.png", "ro", FILE_ATTRIBUTE_READONLY);
  platform.Ui()
      .ExpectDialog(IDD_CONFIRM, {UiAction::Return()})
      .ExpectDialog(IDD_DONE, {TextIs(CompletionText()), UiAction::Return()});
  EXPECT_EQ(Run(), 0);
  EXPECT_FALSE(EntryExists());
  EXPECT_FALSE(fs.Exists(kStartMenu));
  EXPECT_TRUE(fs.Exists(kDest + "\\images\\locked.png"));
  EXPECT_TRUE(fs.Exists(kDest + "\\images\\title.png")) << "after the locked file in the search order";
  EXPECT_TRUE(fs.Exists(kDest + "\\index.html"));
  EXPECT_EQ(RestartPaths().size(), 2u);
}

TEST_F(UninstDriver, AnotherCurrentFolderIsNeverTouched) {
  const CString elsewhere = "C:\\Users\\me\\Documents";
  fs.AddFile(elsewhere + "\\canary.txt", "alive");
  fs.AddFile(elsewhere + "\\sub\\deep.txt", "alive");
  fs.SetCurrentFolder(elsewhere);
  platform.Ui()
      .ExpectDialog(IDD_CONFIRM, {TextIs(ConfirmationText(kDest)), UiAction::Return()})
      .ExpectDialog(IDD_DONE, {UiAction::Return()});
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(fs.List(elsewhere), (std::vector<CString>{"canary.txt", "sub"}));
  EXPECT_TRUE(fs.Exists(elsewhere + "\\sub\\deep.txt"));
  EXPECT_EQ(fs.List(kDest), std::vector<CString>{"uninst.exe"});
  EXPECT_EQ(RestartPaths(), (Paths{(kDest + "\\uninst.exe").str(), kDest.str()}));
}

TEST_F(UninstDriver, ALinkToAFolderOutsideIsRemovedAsALink) {
  fs.AddFile("C:\\Users\\me\\Documents\\canary.txt", "alive");
  fs.AddFile("C:\\Users\\me\\Documents\\sub\\canary.txt", "alive");
  ASSERT_TRUE(fs.AddLink(kDest + "\\docs", "C:\\Users\\me\\Documents"));
  ASSERT_TRUE(fs.AddUnnarrowable(kDest + "\\x?..?..?..?Users", true));
  platform.Ui()
      .ExpectDialog(IDD_CONFIRM, {UiAction::Return()})
      .ExpectMessageBox(MemoryFileSystem::SystemText(ERROR_INVALID_NAME), IDOK)
      .ExpectDialog(IDD_DONE, {UiAction::Return()});
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(fs.List("C:\\Users\\me\\Documents"), (std::vector<CString>{"canary.txt", "sub"}));
  EXPECT_TRUE(fs.Exists("C:\\Users\\me\\Documents\\sub\\canary.txt"));
  EXPECT_EQ(fs.List(kDest), (std::vector<CString>{"uninst.exe", "x?..?..?..?Users"})) << platform.Dump();
}

TEST_F(UninstDriver, UnknownProgramsFolderSkipsTheStartMenu) {
  // What an empty Programs path would lead to, relative to the current drive.
  fs.AddFile("C:\\Harborlit\\UnInstall.lnk", "not ours");
  fs.SetCurrentFolder("C:\\");
  for (int way = 0; way < 3; ++way) {
    SCOPED_TRACE(way);
    if (way == 0) platform.Shell().ClearSpecialFolder(CSIDL_PROGRAMS);
    if (way == 1) platform.Fail("SHGetPathFromIDListA", 0);
    // A list whose path comes back empty although the call succeeds.
    if (way == 2) platform.Shell().SetSpecialFolderText(CSIDL_PROGRAMS, "");
    platform.Ui()
        .ExpectDialog(IDD_CONFIRM, {UiAction::Return()})
        .ExpectDialog(IDD_DONE, {UiAction::Return()});
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(fs.Exists("C:\\Harborlit\\UnInstall.lnk"));
    EXPECT_TRUE(fs.Exists(kUninstallLink)) << "unknown, so left";
    EXPECT_FALSE(EntryExists());
    platform.ClearFaults();
    platform.Shell().SetSpecialFolder(CSIDL_PROGRAMS, kPrograms);
  }
}

TEST_F(UninstDriver, RefusedFoldersShowWhyAndRemoveNothing) {
  struct Case {
    const char* module;
    const char* message;
  };
  const Case cases[] = {
      {"D:\\uninst.exe", kRootRefusal},
      {"C:\\uninst.exe", kRootRefusal},
      {"\\\\?\\D:\\uninst.exe", kRootRefusal},
      {"\\\\server\\share\\uninst.exe", kFolderRefusal},  // a share, root or not
      {"C:\\Windows\\uninst.exe", kFolderRefusal},
      {"c:\\WINDOWS\\System32\\uninst.exe", kFolderRefusal},
      {"C:\\Windows/Temp\\x\\uninst.exe", kFolderRefusal},  // either separator
      {"\\\\?\\C:\\Windows\\Temp\\uninst.exe", kFolderRefusal},
      {"C:\\Program Files\\uninst.exe", kFolderRefusal},
      {"C:\\program files (X86)\\uninst.exe", kFolderRefusal},
      {"D:\\Program Files\\uninst.exe", kFolderRefusal},
      {"D:\\Apps\\uninst.exe", kFolderRefusal},  // the shell's Program Files, below
      {"C:\\x\\..\\..\\Windows\\uninst.exe", kFolderRefusal},
      {"uninst.exe", kFolderRefusal},
      {"x\\y\\z\\uninst.exe", kFolderRefusal},              // relative, however deep
      {"\\\\..\\share\\inst\\uninst.exe", kFolderRefusal},  // a server part that climbs
      {"\\\\server.\\share\\inst\\uninst.exe", kFolderRefusal},
      {"", kFolderRefusal},
      // Device and long-path prefixes name the same folders.
      {"\\\\.\\C:\\Windows\\uninst.exe", kFolderRefusal},
      {"\\\\?\\UNC\\server\\share\\uninst.exe", kFolderRefusal},
      {"\\\\?\\unc\\server\\share\\inst\\uninst.exe", kFolderRefusal},
      {"//server/share/inst\\uninst.exe", kFolderRefusal},
      // No drive letter, or a folder Windows would name differently.
      {"1:\\x\\uninst.exe", kFolderRefusal},
      {"_:\\x\\uninst.exe", kFolderRefusal},  // between the capitals and the small letters
      {"{:\\x\\uninst.exe", kFolderRefusal},  // just after z
      // From the root of whatever drive is current: one separator is no share.
      {"\\x\\y\\z\\uninst.exe", kFolderRefusal},
      {"/x/y/z\\uninst.exe", kFolderRefusal},
      {"CC\\x\\uninst.exe", kFolderRefusal},
      {"C;\\x\\uninst.exe", kFolderRefusal},
      {"C:\\x.\\uninst.exe", kFolderRefusal},
      {"C:\\x \\uninst.exe", kFolderRefusal},
      {"C:\\x\\.\\uninst.exe", kFolderRefusal},
      // The system's and the user's own folders, or a folder holding one.
      {"C:\\Users\\uninst.exe", kFolderRefusal},
      {"C:\\Users\\me\\uninst.exe", kFolderRefusal},
      {"C:\\users\\Other\\uninst.exe", kFolderRefusal},  // another profile
      {"C:\\Users\\Public\\uninst.exe", kFolderRefusal},
      {"C:\\Users\\me\\Documents\\uninst.exe", kFolderRefusal},
      {"C:\\Users\\me\\Desktop\\uninst.exe", kFolderRefusal},
      {"C:\\Users\\me\\AppData\\uninst.exe", kFolderRefusal},  // holds Roaming and Local
      {"C:\\Users\\me\\AppData\\Roaming\\uninst.exe", kFolderRefusal},
      {"C:\\ProgramData\\uninst.exe", kFolderRefusal},
      {"C:\\Program Files\\Common Files\\uninst.exe", kFolderRefusal},
      {"C:\\Users\\me\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\uninst.exe",
       kFolderRefusal},
      // Other spellings of refused folders: a short name, a link on the
      // way, a drive letter mapped onto the Windows folder; and a folder
      // that does not exist cannot be resolved.
      {"C:\\PROGRA~1\\uninst.exe", kFolderRefusal},
      {"D:\\Apps\\Windows\\Temp\\uninst.exe", kFolderRefusal},
      {"W:\\Temp\\uninst.exe", kFolderRefusal},
      {"W:\\uninst.exe", kFolderRefusal},
      {"C:\\Nowhere\\uninst.exe", kFolderRefusal},
      // An allowed folder reached through a link or a mapped drive: another
      // user may have put the link there after the start.
      {"D:\\Linked\\Drama\\uninst.exe", kFolderRefusal},
      {"G:\\Drama\\uninst.exe", kFolderRefusal},
  };
  for (const Case& c : cases) {
    const CString folder = ModuleFolder(c.module);
    MemoryPlatform other;
    other.Drives().Add('C', DRIVE_FIXED);
    other.Drives().Add('D', DRIVE_FIXED);
    other.Ui().AddResources(UninstResources());
    other.Shell().SetSpecialFolder(0x0026, "D:\\Apps");
    SetUserFolders(other.Shell());
    other.Files().AddFile("C:\\Windows\\Temp\\x\\kept.txt", "k");
    other.Files().AddFile("D:\\Apps\\kept.txt", "k");
    other.Files().AddFile("C:\\Program Files\\Harborlit\\Drama1\\kept.txt", "k");
    other.Files().AddFile("D:\\kept.txt", "k");
    other.Files().AddShortName("C:\\Program Files", "PROGRA~1");
    other.Files().AddLink("D:\\Apps\\Windows", "C:\\Windows");
    other.Files().AddDriveAlias('W', "C:\\Windows");
    // The shell may name its folders another way too: they are resolved alike.
    other.Files().AddFolder("C:\\ProgramData");
    other.Files().AddLink("D:\\PD", "C:\\ProgramData");
    other.Shell().SetSpecialFolder(0x0023, "D:\\PD");
    other.Files().AddFile("C:\\Games\\Drama\\kept.txt", "k");
    other.Files().AddLink("D:\\Linked", "C:\\Games");
    other.Files().AddDriveAlias('G', "C:\\Games");
    other.Ui().SetModuleFileName(c.module);
    other.Ui().ExpectMessageBox(c.message, IDOK);
    const std::string before = StateOf(other);
    CUninstApp app;
    EXPECT_EQ(app.Run(other, SW_SHOWNORMAL), 0) << c.module;
    EXPECT_NO_THROW(other.Ui().CheckScriptDone()) << c.module;
    EXPECT_TRUE(other.Ui().Dialogs().empty()) << c.module;
    EXPECT_EQ(StateOf(other), before) << c.module;
    ASSERT_EQ(other.Ui().MessageBoxes().size(), 1u) << c.module;
    EXPECT_EQ(other.Ui().MessageBoxes()[0].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_TRUE(other.Ui().MessageBoxes()[0].ownerShown) << "the backdrop stays until the answer";
  }
}

TEST_F(UninstDriver, FoldersNearTheRefusedOnesAreAcceptedUnderTheirFinalPaths) {
  platform.Shell().SetSpecialFolder(0x0026, "C:\\Program Files");
  SetUserFolders(platform.Shell());
  platform.Drives().Add('Z', DRIVE_FIXED);
  fs.AddShortName("C:\\Program Files", "PROGRA~1");
  struct Case {
    const char* module;
    const char* final;  // null: the module's folder as spelled
  };
  const Case cases[] = {
      {"C:\\Program Files\\Harborlit\\Drama1\\uninst.exe", nullptr},
      {"C:\\WindowsApps\\uninst.exe", nullptr},
      {"C:\\Program Files\\Windows\\uninst.exe", nullptr},
      {"C:\\Program Files (x86)\\H\\uninst.exe", nullptr},
      {"D:\\Windows\\uninst.exe", nullptr},
      {"z:\\Games\\uninst.exe", "Z:\\Games"},
      {"C:\\ソ\\uninst.exe", nullptr},
      {"C:\\Users\\me\\Documents\\My Game\\uninst.exe", nullptr},
      {"C:\\Users\\me\\Other\\uninst.exe", nullptr},
      {"C:\\Program Files\\Common\\uninst.exe", nullptr},
      // Another spelling of an allowed folder: judged, shown and walked as
      // the folder it names.
      {"c:\\PROGRA~1\\harborlit\\drama1\\uninst.exe", "C:\\Program Files\\Harborlit\\Drama1"},
  };
  for (const Case& c : cases) {
    const CString folder = ModuleFolder(c.module);
    fs.AddFolder(folder);
    platform.Ui().SetModuleFileName(c.module);
    CEntryHandle held(fs, -1);
    const InstallationFolder found = FindInstallationFolder(platform, held);
    EXPECT_EQ(found.refusal, nullptr) << c.module;
    EXPECT_EQ(found.path, c.final != nullptr ? CString(c.final) : folder) << c.module;
    EXPECT_TRUE(held.IsOpen()) << c.module;
  }
  EXPECT_EQ(ModuleFolder("C:\\ソ\\uninst.exe"), "C:\\ソ");  // the trail byte 0x5C is no separator
}

}  // namespace

// The installer's registration and the uninstaller as a pair on one system:
// after the uninstallation and a restart nothing of the installation is left.
std::vector<std::string> TreeOf(const MemoryFileSystem& fs, const CString& folder) {
  std::vector<std::string> found;
  for (const CString& name : fs.List(folder)) {
    const CString path = folder.view().ends_with('\\') ? folder + name : folder + "\\" + name;
    found.push_back(path.str());
    if (fs.IsFolder(path)) {
      for (auto& inner : TreeOf(fs, path)) found.push_back(inner);
    }
  }
  return found;
}

TEST(UninstallRoundTrip, RemovesExactlyWhatTheRegistrationCreated) {
  MemoryPlatform platform;
  MemoryFileSystem& fs = platform.Files();
  platform.Drives().Add('C', DRIVE_FIXED);
  platform.Ui().AddResources(UninstResources());
  platform.Shell().SetSpecialFolder(CSIDL_PROGRAMS, kPrograms);
  platform.Registry().AddKey(HKEY_LOCAL_MACHINE, names::kUninstallParentKey);
  platform.Registry().AddKey(HKEY_LOCAL_MACHINE, names::kUninstallParentKey + std::string("\\Other"));
  fs.AddFile("C:\\cd\\uninst.dat", "MZ", FILE_ATTRIBUTE_READONLY);
  fs.AddFile(kPrograms + "\\Other\\other.lnk", "other");
  fs.AddFolder("C:\\Program Files\\Harborlit");
  fs.SetCurrentFolder("C:\\cd");
  const auto filesBefore = TreeOf(fs, "C:\\");
  ASSERT_GE(filesBefore.size(), 10u) << ::testing::PrintToString(filesBefore);
  const auto keysBefore = platform.Registry().SubKeys(HKEY_LOCAL_MACHINE, names::kUninstallParentKey);

  // What an installation leaves: content, then the registration.
  fs.AddFile(kDest + "\\index.html", "<html>");
  fs.AddFile(kDest + "\\images\\title.png", "png");
  ASSERT_EQ(RegisterUninstall(platform, kDest), IDOK);
  ASSERT_TRUE(fs.Exists(kUninstallLink));
  ASSERT_TRUE(platform.Registry().HasKey(HKEY_LOCAL_MACHINE, kEntry));

  platform.Ui().SetModuleFileName(kDest + "\\uninst.exe");
  platform.Ui().ExpectDialog(IDD_CONFIRM, {UiAction::Return()}).ExpectDialog(IDD_DONE, {UiAction::Return()});
  CUninstApp app;
  EXPECT_EQ(app.Run(platform, SW_SHOWNORMAL), 0);
  EXPECT_NO_THROW(platform.Ui().CheckScriptDone());
  platform.SimulateRestart();
  EXPECT_EQ(TreeOf(fs, "C:\\"), filesBefore) << platform.Dump();
  EXPECT_EQ(platform.Registry().SubKeys(HKEY_LOCAL_MACHINE, names::kUninstallParentKey), keysBefore);
}

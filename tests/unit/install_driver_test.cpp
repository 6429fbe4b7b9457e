// The installer's flow from the backdrop's start message to its close, on
// the in-memory platform: the setup loop with each of its answers, the
// destination checks and creation, the copy's outcome and the completion.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "installer/InstallerApp.h"
#include "installer/resource.h"
#include "shell/Names.h"
#include "tests/memory/MemoryPlatform.h"
#include "tests/unit/InstallerTexts.h"
#include "tests/unit/TestSupport.h"

std::string_view InstallerResources();

namespace {

using namespace installer_texts;

const CString kDefaultDest = "C:\\Program Files\\Harborlit\\Drama1";

UiAction TypeDest(const CString& dest) { return UiAction::Type(IDC_SETUP_DEST, dest); }

class InstallDriverTest : public ::testing::Test {
 protected:
  InstallDriverTest() {
    ui().AddResources(InstallerResources());
    ui().SetModuleFileName("Q:\\installer.exe");
    EXPECT_TRUE(platform.Drives().Add('C', DRIVE_FIXED));
    EXPECT_TRUE(platform.Drives().Add('Q', DRIVE_CDROM, "TAVRIN_DRAMACD1"));
    for (const auto& [path, bytes] :
         std::vector<std::pair<const char*, const char*>>{{"Q:\\readme.txt", "readme\r\n"},
                                                          {"Q:\\install.dat", "index.html\r\n"},
                                                          {"Q:\\HTML\\index.html", "<html></html>\r\n"},
                                                          {"Q:\\uninst.dat", "MZ"}}) {
      EXPECT_TRUE(platform.Files().AddFile(path, bytes, FILE_ATTRIBUTE_READONLY));
    }
    EXPECT_TRUE(platform.Files().SetCurrentFolder("Q:\\"));
    EXPECT_TRUE(platform.Shell().SetSpecialFolder(CSIDL_APPDATA, "C:\\Users\\taro\\AppData\\Roaming"));
    EXPECT_TRUE(platform.Shell().SetSpecialFolder(CSIDL_PROGRAMS, "C:\\Users\\taro\\Start Menu\\Programs"));
  }

  MemoryUi& ui() { return platform.Ui(); }

  // Runs the installer to its end. The script must be used up, every
  // message box is captioned with the program's name, and the backdrop is gone.
  int Run() {
    CInstallerApp app;
    const int code = app.Run(platform, SW_SHOWNORMAL);
    ui().CheckScriptDone();
    for (const auto& box : ui().MessageBoxes()) {
      EXPECT_EQ(box.caption, "installer") << box.text.str();
      EXPECT_EQ(box.type, (box.answer == IDOK ? MB_OK : MB_YESNO) | MB_ICONEXCLAMATION) << box.text.str();
    }
    EXPECT_EQ(ui().MainFrame(), nullptr);
    return code;
  }

  // The dialogs shown, in order, as template id and result.
  std::vector<std::pair<UINT, INT_PTR>> Dialogs() {
    std::vector<std::pair<UINT, INT_PTR>> shown;
    for (const auto& d : platform.Ui().Dialogs()) shown.emplace_back(d.templateId, d.result);
    return shown;
  }
  using Shown = std::vector<std::pair<UINT, INT_PTR>>;

  // Every default taken, a new folder made, the copy and the completion;
  // readme gets the text the setup dialog showed.
  void ExpectTheDefaultRun(CString& readme) {
    ui().ExpectDialog(
            101, {UiAction::Check([&](MemoryUi& u, HWND d) { readme = u.ControlText(d, IDC_SETUP_README); }),
                  UiAction::Return()})
        .ExpectMessageBox(kStart, IDYES)
        .ExpectMessageBox(kCreate, IDYES)
        .ExpectDialog(102, {})
        .ExpectDialog(103, {UiAction::Return()});
  }

  MemoryPlatform platform;
};

TEST_F(InstallDriverTest, DefaultsInstallIntoANewFolderAndShowTheCompletion) {
  CString readme;
  ExpectTheDefaultRun(readme);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Dialogs(), (Shown{{101, IDOK}, {102, IDOK}, {103, IDOK}}));
  EXPECT_EQ(readme, "readme\r\n") << "the CD's readme";
  // Each dialog leaves the focus to the dialog manager: on its first tab
  // stop, the default button, or Cancel while the files are copied.
  std::vector<int> focus;
  for (const auto& d : platform.Ui().Dialogs()) focus.push_back(d.initialFocus);
  EXPECT_EQ(focus, (std::vector<int>{IDOK, IDCANCEL, IDOK}));
  EXPECT_TRUE(platform.Files().IsFolder(kDefaultDest)) << platform.Dump();
  // The copy got the CD's drive and the destination.
  EXPECT_EQ(platform.Files().Contents(kDefaultDest + "\\index.html"), "<html></html>\r\n") << platform.Dump();
}

// The CD's files are read from the folder of the installer's own file: a
// user who starts Q:\installer.exe, approved by an administrator, from a
// folder of their own holding another readme, install list and uninstaller
// still gets the CD's, and nothing of theirs is installed or registered.
TEST_F(InstallDriverTest, TheCdsFilesComeFromTheInstallersFolderNotTheCurrentOne) {
  const CString own = "C:\\Users\\taro\\own";
  for (const auto& [name, bytes] :
       std::vector<std::pair<const char*, const char*>>{{"readme.txt", "planted\r\n"},
                                                        {"install.dat", "planted.html\r\n"},
                                                        {"HTML\\planted.html", "planted"},
                                                        {"uninst.dat", "planted uninstaller"}}) {
    ASSERT_TRUE(platform.Files().AddFile(own + "\\" + name, bytes));
  }
  ASSERT_TRUE(platform.Files().SetCurrentFolder(own));
  CString readme;
  ExpectTheDefaultRun(readme);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(readme, "readme\r\n");
  EXPECT_EQ(platform.Files().List(kDefaultDest), (std::vector<CString>{"index.html", "uninst.exe"}))
      << platform.Dump();
  EXPECT_EQ(platform.Files().Contents(kDefaultDest + "\\uninst.exe"), "MZ");
}

// Without its own folder the installer has no CD to read: it says so and
// ends before any dialog, having read and created nothing.
TEST_F(InstallDriverTest, AnOwnFolderThatCannotBeMadeCurrentEndsTheProgram) {
  struct Case {
    const char* name;
    const char* module;  // the module path the system gives
    bool failCurrentFolder;
  };
  const Case cases[] = {
      {"the folder cannot be made current", "Q:\\installer.exe", true},
      {"no module path (no exact Shift-JIS form)", "", false},
      {"a module path without a folder", "installer.exe", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryPlatform p;
    p.Ui().AddResources(InstallerResources());
    p.Ui().SetModuleFileName(c.module);
    ASSERT_TRUE(p.Drives().Add('C', DRIVE_FIXED) && p.Drives().Add('Q', DRIVE_CDROM, "TAVRIN_DRAMACD1"));
    ASSERT_TRUE(p.Files().AddFile("Q:\\readme.txt", "readme\r\n") &&
                p.Files().AddFile("Q:\\install.dat", "index.html\r\n"));
    ASSERT_TRUE(p.Files().AddFile("C:\\own\\install.dat", "index.html\r\n") &&
                p.Files().SetCurrentFolder("C:\\own"));
    if (c.failCurrentFolder) p.Fail("SetCurrentDirectoryA", ERROR_ACCESS_DENIED);
    p.Ui().ExpectMessageBox(kOwnFolder, IDOK);
    CInstallerApp app;
    EXPECT_EQ(app.Run(p, SW_SHOWNORMAL), 0);
    p.Ui().CheckScriptDone();
    EXPECT_TRUE(p.Ui().Dialogs().empty());
    EXPECT_EQ(p.Files().List("C:\\"), std::vector<CString>{"own"});
  }
}

TEST_F(InstallDriverTest, CancelThenNoShowsTheSetupAgainThenYesEnds) {
  CString destOnSecondShowing;
  ui().ExpectDialog(101, {TypeDest("D:\\typed"), UiAction::Escape()})
      .ExpectMessageBox(kQuit, IDNO)
      .ExpectDialog(101, {UiAction::Check([&](MemoryUi& u, HWND d) {
                            destOnSecondShowing = u.ControlText(d, IDC_SETUP_DEST);
                          }),
                          UiAction::Escape()})
      .ExpectMessageBox(kQuit, IDYES);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(destOnSecondShowing, kDefaultDest);
  EXPECT_EQ(Dialogs(), (Shown{{101, IDCANCEL}, {101, IDCANCEL}}));
  EXPECT_FALSE(platform.Files().Exists("C:\\Program Files"));
}

TEST_F(InstallDriverTest, AnEmptyDestinationIsAskedForAgainAndNothingIsCreated) {
  ui().ExpectDialog(101, {TypeDest(" \\\\ "), UiAction::Return()})
      .ExpectMessageBox(kStart, IDYES)
      .ExpectMessageBox(kNoDest, IDOK)
      .ExpectDialog(101, {UiAction::Escape()})
      .ExpectMessageBox(kQuit, IDYES);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Dialogs(), (Shown{{101, IDOK}, {101, IDCANCEL}}));
  EXPECT_EQ(platform.Files().List("C:\\"), std::vector<CString>{"Users"});
}

TEST_F(InstallDriverTest, AFileInThePlaceOfTheDestinationIsAskedForAgain) {
  ASSERT_TRUE(platform.Files().AddFile("C:\\dest", "keep"));
  ui().ExpectDialog(101, {TypeDest("C:\\dest\\"), UiAction::Return()})
      .ExpectMessageBox(kStart, IDYES)
      .ExpectMessageBox(kFileInTheWay, IDOK)
      .ExpectDialog(101, {UiAction::Escape()})
      .ExpectMessageBox(kQuit, IDYES);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(platform.Files().Contents("C:\\dest"), "keep");
  EXPECT_EQ(Dialogs(), (Shown{{101, IDOK}, {101, IDCANCEL}}));
}

TEST_F(InstallDriverTest, AnExistingFolderIsUsedOnlyAfterYes) {
  ASSERT_TRUE(platform.Files().AddFolder("C:\\dest"));
  ui().ExpectDialog(101, {TypeDest("C:\\dest"), UiAction::Return()})
      .ExpectMessageBox(kStart, IDYES)
      .ExpectMessageBox(kOverwrite, IDNO)
      .ExpectDialog(101, {TypeDest("  C:\\dest  "), UiAction::Return()})
      .ExpectMessageBox(kStart, IDYES)
      .ExpectMessageBox(kOverwrite, IDYES)
      .ExpectDialog(102, {})
      .ExpectDialog(103, {UiAction::Return()});
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Dialogs(), (Shown{{101, IDOK}, {101, IDOK}, {102, IDOK}, {103, IDOK}}));
  EXPECT_TRUE(platform.Files().Exists("C:\\dest\\index.html")) << platform.Dump();
}

TEST_F(InstallDriverTest, NoToCreatingTheFolderShowsTheSetupAgain) {
  ui().ExpectDialog(101, {UiAction::Return()})
      .ExpectMessageBox(kStart, IDYES)
      .ExpectMessageBox(kCreate, IDNO)
      .ExpectDialog(101, {UiAction::Escape()})
      .ExpectMessageBox(kQuit, IDYES);
  EXPECT_EQ(Run(), 0);
  EXPECT_FALSE(platform.Files().Exists("C:\\Program Files"));
}

TEST_F(InstallDriverTest, AFolderThatCannotBeCreatedEndsTheProgram) {
  platform.Fail("CreateFolderAt", ERROR_ACCESS_DENIED).OnPath("\\Harborlit");
  ui().ExpectDialog(101, {UiAction::Return()})
      .ExpectMessageBox(kStart, IDYES)
      .ExpectMessageBox(kCreate, IDYES)
      .ExpectMessageBox(kCreateFailed, IDOK);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Dialogs(), (Shown{{101, IDOK}}));
  // The level made before the failure stays; nothing below it.
  EXPECT_TRUE(platform.Files().IsFolder("C:\\Program Files"));
  EXPECT_FALSE(platform.Files().Exists("C:\\Program Files\\Harborlit"));
}

TEST_F(InstallDriverTest, DestinationsNoFolderCanHaveFailInTheCreation) {
  // A wildcard is no pattern here (it would match C:\Users and be taken for
  // an existing folder), and a path longer than the system takes is no folder.
  for (const CString& dest : {CString("C:\\U*"), CString("C:\\" + std::string(300, 'a'))}) {
    SCOPED_TRACE(dest.str().substr(0, 10));
    MemoryPlatform p;
    p.Ui().AddResources(InstallerResources());
    p.Ui().SetModuleFileName("Q:\\installer.exe");
    ASSERT_TRUE(p.Drives().Add('C', DRIVE_FIXED) && p.Drives().Add('Q', DRIVE_CDROM, "TAVRIN_DRAMACD1"));
    ASSERT_TRUE(p.Files().AddFolder("C:\\Users"));
    p.Ui()
        .ExpectDialog(101, {TypeDest(dest), UiAction::Return()})
        .ExpectMessageBox(kStart, IDYES)
        .ExpectMessageBox(kCreate, IDYES)
        .ExpectMessageBox(kCreateFailed, IDOK);
    CInstallerApp app;
    EXPECT_EQ(app.Run(p, SW_SHOWNORMAL), 0);
    p.Ui().CheckScriptDone();
    EXPECT_EQ(p.Files().List("C:\\"), std::vector<CString>{"Users"});
  }
}

TEST_F(InstallDriverTest, AFailedCopyEndsWithTheIncompleteMessage) {
  platform.Fail("OpenFile", ERROR_FILE_NOT_FOUND).OnPath("install.dat");
  ui().ExpectDialog(101, {UiAction::Return()})
      .ExpectMessageBox(kStart, IDYES)
      .ExpectMessageBox(kCreate, IDYES)
      .ExpectDialog(102, {})
      .ExpectMessageBox(kNoInstallDat, IDOK)
      .ExpectMessageBox(kNotComplete, IDOK);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Dialogs(), (Shown{{101, IDOK}, {102, IDCANCEL}}));
  EXPECT_TRUE(platform.Files().IsFolder(kDefaultDest));
}

TEST_F(InstallDriverTest, ACopyDialogThatCannotBeShownIsNoCompletion) {
  ui().FailDialog(102);
  ui().ExpectDialog(101, {UiAction::Return()})
      .ExpectMessageBox(kStart, IDYES)
      .ExpectMessageBox(kCreate, IDYES)
      .ExpectMessageBox(kNotComplete, IDOK);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Dialogs(), (Shown{{101, IDOK}, {102, -1}}));
}

TEST_F(InstallDriverTest, ASetupDialogThatCannotBeShownIsHandledAsCancel) {
  ui().FailDialog(101);
  ui().ExpectMessageBox(kQuit, IDYES);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Dialogs(), (Shown{{101, -1}}));
  EXPECT_FALSE(platform.Files().Exists("C:\\Program Files"));
}

// The destination is judged as the system reaches it, before any question:
// no spelling makes a drive root, a system folder or a profile look like an
// ordinary folder, and no link chosen by someone else decides where it is.
// Then who may change it: every level, and what is inside one that exists,
// must be out of reach of every account but the administrators'. An
// allowed one is installed into under its final path.
TEST_F(InstallDriverTest, DestinationsAreJudgedUnderTheirFinalPathsBeforeAnyQuestion) {
  struct Case {
    const char* typed;
    const char* installedInto;   // null: refused
    const char* held = nullptr;  // the part that existed, which cannot be renamed while asked
    const char* refusal = kGuardedDest;
    std::function<void(MemoryFileSystem&)> prepare = nullptr;
  };
  // Windows' own descriptors: a folder a user made on C:\ inherits Modify
  // for Authenticated Users; FAT reports everyone may do everything.
  constexpr char kUserMade[] =
      "O:S-1-5-21-1-2-3-1001G:S-1-5-21-1-2-3-1001D:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)"
      "(A;OICIIOID;GA;;;CO)(A;OICIID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)(A;OICIIOID;SDGXGWGR;;;AU)";
  constexpr char kWorldWritable[] = "O:BAG:BAD:(A;OICI;FA;;;BA)(A;OICI;0x1301ff;;;WD)";
  const Case cases[] = {
      {"D:\\", nullptr},
      {"C:\\Windows\\Temp\\Game", nullptr},
      {"C:\\PROGRA~1", nullptr},
      {"D:\\win\\Temp", nullptr},        // a link to the Windows folder on the way
      {"W:\\Temp\\New\\Game", nullptr},  // a drive mapped onto it
      {"C:\\Users", nullptr},
      {"C:\\Users\\taro\\AppData\\Roaming", nullptr},
      {"\\\\server\\share\\Game", nullptr},
      {"c:\\PROGRA~1\\harborlit\\Drama1", "C:\\Program Files\\Harborlit\\Drama1",
       "C:\\Program Files\\Harborlit"},
      {"D:\\win2\\..\\Games\\.\\Drama1", "D:\\Games\\Drama1", "D:\\Games"},
      // A link on the way: whoever made it chose where the files go.
      {"D:\\Apps\\Drama1", nullptr},
      {"D:\\Games\\Drama1", nullptr, nullptr, kUntrustedDest,
       [&](MemoryFileSystem& fs) { fs.SetSecurity("D:\\Games", kUserMade); }},
      {"D:\\Games\\Drama1", nullptr, nullptr, kUntrustedDest,
       [&](MemoryFileSystem& fs) { fs.SetSecurity("D:\\", kWorldWritable); }},
      {"D:\\Games", nullptr, nullptr, kUntrustedDest,
       [&](MemoryFileSystem& fs) { fs.SetFileSystemFlags('D', 0x2); }},  // FAT: no access lists
      // An existing destination: a file there with a second name elsewhere,
      // one another account may change, or inheritance that lets it in.
      {"D:\\Games", nullptr, nullptr, kUntrustedDest,
       [&](MemoryFileSystem& fs) {
         fs.AddFile("D:\\Games\\index.html", "old");
         fs.SetLinkCount("D:\\Games\\index.html", 2);
       }},
      {"D:\\Games", nullptr, nullptr, kUntrustedDest,
       [&](MemoryFileSystem& fs) {
         fs.AddFile("D:\\Games\\sub\\a.txt", "old");
         fs.SetSecurity("D:\\Games\\sub\\a.txt", kWorldWritable);
       }},
      {"D:\\Games", nullptr, nullptr, kUntrustedDest,
       [&](MemoryFileSystem& fs) {
         fs.SetSecurity("D:\\Games", "O:BAG:BAD:P(A;OICI;FA;;;BA)(A;OICIIO;GW;;;BU)");
       }},
      // A folder made under a data drive's root, as the installer makes them.
      {"D:\\Drama1", "D:\\Drama1", "D:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    MemoryPlatform p;
    p.Ui().AddResources(InstallerResources());
    p.Ui().SetModuleFileName("Q:\\installer.exe");
    ASSERT_TRUE(p.Drives().Add('C', DRIVE_FIXED) && p.Drives().Add('D', DRIVE_FIXED));
    ASSERT_TRUE(p.Drives().Add('Q', DRIVE_CDROM, "TAVRIN_DRAMACD1"));
    MemoryFileSystem& fs = p.Files();
    fs.AddFile("Q:\\install.dat", "index.html\r\n");
    fs.AddFile("Q:\\HTML\\index.html", "<html>");
    fs.AddFile("Q:\\uninst.dat", "MZ");
    fs.SetCurrentFolder("Q:\\");
    fs.AddFolder("C:\\Windows\\Temp");
    fs.AddFolder("C:\\Program Files\\Harborlit");
    fs.AddFolder("C:\\Users\\taro\\AppData\\Roaming");
    fs.AddFolder("D:\\Games");
    fs.AddShortName("C:\\Program Files", "PROGRA~1");
    fs.AddLink("D:\\win", "C:\\Windows");
    fs.AddLink("D:\\Apps", "D:\\Games");
    fs.AddDriveAlias('W', "C:\\Windows");
    p.Shell().SetSpecialFolder(CSIDL_APPDATA, "C:\\Users\\taro\\AppData\\Roaming");
    p.Shell().SetSpecialFolder(CSIDL_PROGRAMS, "C:\\Users\\taro\\AppData\\Roaming\\Programs");
    p.Shell().SetSpecialFolder(0x0028, "C:\\Users\\taro");
    if (c.prepare) c.prepare(fs);
    // The files, drives and registry (the last error is no state of the system).
    auto state = [&] { return p.Dump().substr(0, p.Dump().find("Last error:")); };
    const std::string before = state();
    p.Ui().ExpectDialog(101, {TypeDest(c.typed), UiAction::Return()}).ExpectMessageBox(kStart, IDYES);
    if (c.installedInto == nullptr) {
      p.Ui()
          .ExpectMessageBox(c.refusal, IDOK)
          .ExpectDialog(101, {UiAction::Escape()})
          .ExpectMessageBox(kQuit, IDYES);
    } else {
      p.Ui()
          .ExpectMessageBox(kCreate, IDYES,
                            [&](MemoryUi&) {
                              const CString away = CString(c.held) + "-old";
                              EXPECT_FALSE(fs.MoveFileExA(c.held, &away, 0)) << "not held";
                            })
          .ExpectDialog(102, {})
          .ExpectDialog(103, {UiAction::Return()});
    }
    CInstallerApp app;
    EXPECT_EQ(app.Run(p, SW_SHOWNORMAL), 0);
    p.Ui().CheckScriptDone();
    if (c.installedInto == nullptr) {
      EXPECT_EQ(state(), before);
    } else {
      EXPECT_EQ(fs.Contents(CString(c.installedInto) + "\\index.html"), "<html>") << p.Dump();
      // Made by the installer with only administrators' rights in it.
      CEntryHandle made(fs, fs.OpenFolderHandle(c.installedInto));
      EntrySecurity security;
      EXPECT_TRUE(fs.GetHandleSecurity(made.get(), security) && security.owner == "S-1-5-32-544" &&
                  security.dacl.size() == 3 && security.dacl[2].sid == "S-1-5-32-545" &&
                  security.dacl[2].mask == 0x1200A9);
      EXPECT_TRUE(p.Registry().HasKey(HKEY_LOCAL_MACHINE, names::UninstallKey()));
    }
  }
}

}  // namespace

// The setup dialog on the in-memory platform: its resource, what each
// showing fills in, the CD search, the normalised drive and destination,
// the two folder pickers and the confirmation.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "installer/SetupDlg.h"
#include "installer/resource.h"
#include "tests/memory/MemoryPlatform.h"
#include "tests/memory/Resources.h"
#include "tests/unit/TestSupport.h"

std::string_view InstallerResources();

namespace {

constexpr char kStartQuestion[] = "インストールを開始します。\nよろしいですか？";
const CString kDefaultDest = "C:\\Program Files\\Harborlit\\Drama1";
const std::string kSo = "\x83\x5C";  // ソ

// Window styles as the resource compiler writes them.
constexpr DWORD kWsPopup = 0x80000000;
constexpr DWORD kWsCaption = 0x00C00000;
constexpr DWORD kWsSysMenu = 0x00080000;
constexpr DWORD kWsBorder = 0x00800000;
constexpr DWORD kWsVScroll = 0x00200000;
constexpr DWORD kDsModalFrame = 0x80;
constexpr DWORD kEsMultiline = 0x4;
constexpr DWORD kEsAutoHScroll = 0x80;
constexpr DWORD kEsReadOnly = 0x800;
constexpr DWORD kBsDefPushButton = 0x1;
constexpr int kNoId = 0xFFFF;

struct ControlSpec {
  int id;
  const char* className;
  CString text;
  int x, y, cx, cy;
  DWORD styleOn;   // bits that must be set
  DWORD styleOff;  // bits that must be clear
};

TEST(SetupDlgResourceTest, Dialog101IsLaidOutAsSpecified) {
  const auto templates = ReadDialogTemplates(InstallerResources());
  ASSERT_EQ(templates.count(101), 1u);
  const DialogTemplate& t = templates.at(101);
  EXPECT_EQ(t.caption, "情報");
  EXPECT_EQ(t.cx, 251);
  EXPECT_EQ(t.cy, 249);
  EXPECT_EQ(t.style & (kWsPopup | kWsCaption | kDsModalFrame), kWsPopup | kWsCaption | kDsModalFrame);
  EXPECT_EQ(t.style & kWsSysMenu, 0u) << "no system menu";
  EXPECT_EQ(t.pointSize, 9);
  EXPECT_EQ(t.faceName, "ＭＳ Ｐゴシック");

  const std::vector<ControlSpec> expected = {
      {IDOK, "Button", "次へ", 195, 230, 50, 14, kBsDefPushButton, 0},
      {IDCANCEL, "Button", "ｷｬﾝｾﾙ", 5, 230, 50, 14, 0, kBsDefPushButton},
      {1001, "Edit", "", 5, 5, 240, 190, kEsMultiline | kEsReadOnly | kWsVScroll | kWsBorder, 0},
      {kNoId, "Static", "ドラマCD1のドライブ", 5, 200, 60, 10, 0, 0},
      {kNoId, "Static", "インストール先", 85, 200, 120, 10, 0, 0},
      {1002, "Edit", "", 5, 210, 45, 15, kEsAutoHScroll | kWsBorder, kEsMultiline | kEsReadOnly},
      {1003, "Edit", "", 85, 210, 130, 15, kEsAutoHScroll | kWsBorder, kEsMultiline | kEsReadOnly},
      {1004, "Button", "参照", 220, 210, 25, 15, 0, kBsDefPushButton},
      {1005, "Button", "参照", 55, 210, 25, 15, 0, kBsDefPushButton},
  };
  ASSERT_EQ(t.controls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const DialogControl& c = t.controls[i];
    const ControlSpec& e = expected[i];
    SCOPED_TRACE("control " + std::to_string(i) + " (id " + std::to_string(e.id) + ")");
    EXPECT_EQ(c.id, e.id);
    EXPECT_EQ(c.className, e.className);
    EXPECT_EQ(c.text, e.text);
    EXPECT_EQ((std::vector<int>{c.x, c.y, c.cx, c.cy}), (std::vector<int>{e.x, e.y, e.cx, e.cy}));
    EXPECT_EQ(c.style & e.styleOn, e.styleOn);
    EXPECT_EQ(c.style & e.styleOff, 0u);
  }
}

TEST(GetVolumeLabelTest, LowerCasesTheLabelAndLeavesItAloneOnFailure) {
  MemoryPlatform platform;
  ASSERT_TRUE(platform.Drives().Add('Q', DRIVE_CDROM, "TAVRIN_DramaCD1"));
  ASSERT_TRUE(platform.Drives().Add('R', DRIVE_CDROM, "X", /*mediumPresent=*/false));
  CString label = "kept";
  EXPECT_EQ(GetVolumeLabel(platform.Drives(), 'R', label), 0);
  EXPECT_EQ(label, "kept");
  EXPECT_EQ(GetVolumeLabel(platform.Drives(), 'S', label), 0);  // no such drive
  EXPECT_EQ(label, "kept");
  EXPECT_EQ(GetVolumeLabel(platform.Drives(), 'Q', label), 1);
  EXPECT_EQ(label, "tavrin_dramacd1");
}

struct DriveSpec {
  char letter;
  UINT type;
  const char* label;
  bool medium = true;
};

TEST(FindCdDriveTest, FindsTheCdByTypeAndLabel) {
  struct Case {
    const char* name;
    std::vector<DriveSpec> drives;
    char expected;
    char own = 0;  // the drive the installer was started from
  };
  const std::vector<Case> cases = {
      {"upper-case label", {{'Q', DRIVE_CDROM, "TAVRIN_DRAMACD1"}}, 'Q'},
      {"lower-case label", {{'Q', DRIVE_CDROM, "tavrin_dramacd1"}}, 'Q'},
      {"drive A is examined", {{'A', DRIVE_CDROM, "TAVRIN_DRAMACD1"}}, 'A'},
      {"drive Y is examined", {{'Y', DRIVE_CDROM, "TAVRIN_DRAMACD1"}}, 'Y'},
      {"drive Z is not examined", {{'Z', DRIVE_CDROM, "TAVRIN_DRAMACD1"}}, 0},
      {"the lowest letter wins",
       {{'R', DRIVE_CDROM, "TAVRIN_DRAMACD1"}, {'E', DRIVE_CDROM, "tavrin_dramacd1"}},
       'E'},
      {"a drive without medium is skipped",
       {{'D', DRIVE_CDROM, "TAVRIN_DRAMACD1", false}, {'F', DRIVE_CDROM, "TAVRIN_DRAMACD1"}},
       'F'},
      {"only CD drives count",
       {{'D', DRIVE_FIXED, "TAVRIN_DRAMACD1"}, {'E', DRIVE_REMOVABLE, "TAVRIN_DRAMACD1"}},
       0},
      {"another CD", {{'E', DRIVE_CDROM, "AUDIO_CD"}}, 0},
      {"the label exactly",
       {{'E', DRIVE_CDROM, "TAVRIN_DRAMACD1 "}, {'G', DRIVE_CDROM, "TAVRIN_DRAMACD"}},
       0},
      {"no drives", {}, 0},
      // The installer's own drive first, tested as every other drive.
      {"the own drive before a lower letter",
       {{'E', DRIVE_CDROM, "TAVRIN_DRAMACD1"}, {'Q', DRIVE_CDROM, "TAVRIN_DRAMACD1"}},
       'Q',
       'Q'},
      {"an own drive Z is taken",
       {{'E', DRIVE_CDROM, "TAVRIN_DRAMACD1"}, {'Z', DRIVE_CDROM, "TAVRIN_DRAMACD1"}},
       'Z',
       'Z'},
      {"an own drive of another type is not",
       {{'C', DRIVE_FIXED, "TAVRIN_DRAMACD1"}, {'Q', DRIVE_CDROM, "TAVRIN_DRAMACD1"}},
       'Q',
       'C'},
      {"an own CD with another label is not",
       {{'D', DRIVE_CDROM, "AUDIO_CD"}, {'Q', DRIVE_CDROM, "TAVRIN_DRAMACD1"}},
       'Q',
       'D'},
      {"an own drive without medium is not",
       {{'D', DRIVE_CDROM, "TAVRIN_DRAMACD1", false}, {'Q', DRIVE_CDROM, "TAVRIN_DRAMACD1"}},
       'Q',
       'D'},
      {"an own drive that does not exist", {{'Q', DRIVE_CDROM, "TAVRIN_DRAMACD1"}}, 'Q', 'R'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryPlatform platform;
    for (const DriveSpec& d : c.drives)
      ASSERT_TRUE(platform.Drives().Add(d.letter, d.type, d.label, d.medium));
    EXPECT_EQ(FindCdDrive(platform.Drives(), c.own), c.expected);
  }
}

// What the dialog's fields showed at one moment.
struct Fields {
  CString readme, drive, dest;
  bool open = false;
};

UiAction Capture(Fields& f) {
  return UiAction::Check([&f](MemoryUi& ui, HWND d) {
    f.readme = ui.ControlText(d, IDC_SETUP_README);
    f.drive = ui.ControlText(d, IDC_SETUP_DRIVE);
    f.dest = ui.ControlText(d, IDC_SETUP_DEST);
    f.open = ui.ActiveDialog() == d && ui.Exists(d);
  });
}

class SetupDlgTest : public ::testing::Test {
 protected:
  SetupDlgTest() {
    ui().AddResources(InstallerResources());
    EXPECT_TRUE(platform.Drives().Add('C', DRIVE_FIXED));
    EXPECT_TRUE(platform.Drives().Add('Q', DRIVE_CDROM, "TAVRIN_DRAMACD1"));
    EXPECT_TRUE(
        platform.Files().AddFile("Q:\\readme.txt", "一行目\r\n\r\nlast line", FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(platform.Files().SetCurrentFolder("Q:\\"));
    EXPECT_TRUE(platform.Shell().SetSpecialFolder(CSIDL_APPDATA, "C:\\Users\\taro\\AppData\\Roaming"));
    dialog.SetReadmeName("readme.txt");
  }

  MemoryUi& ui() { return platform.Ui(); }
  // Runs the dialog; every scripted step must have been used.
  INT_PTR Show() {
    const INT_PTR result = dialog.DoModal();
    ui().CheckScriptDone();
    return result;
  }

  MemoryPlatform platform;
  CSetupDlg dialog{platform};
};

TEST_F(SetupDlgTest, EachShowingFillsInReadmeDriveAndDefaultDestination) {
  Fields first, second;
  ui().ExpectDialog(101,
                    {Capture(first), UiAction::Type(IDC_SETUP_DEST, "D:\\elsewhere"), UiAction::Escape()});
  EXPECT_EQ(Show(), IDCANCEL);
  EXPECT_EQ(first.readme, "一行目\r\n\r\nlast line\r\n");
  EXPECT_EQ(first.drive, "Q");
  EXPECT_EQ(first.dest, kDefaultDest);

  // The readme changes on the CD: the next showing reads it again, and the
  // destination typed before is replaced by the default.
  ASSERT_TRUE(platform.Files().AddFile("Q:\\readme.txt", "new\n"));
  ui().ExpectDialog(101, {Capture(second), UiAction::Escape()});
  EXPECT_EQ(Show(), IDCANCEL);
  EXPECT_EQ(second.readme, "new\r\n");
  EXPECT_EQ(second.drive, "Q");
  EXPECT_EQ(second.dest, kDefaultDest);
  // The members followed the fields.
  EXPECT_EQ(dialog.GetDrive(), "Q");
  EXPECT_EQ(dialog.GetDest(), kDefaultDest);
  // Cancel asks nothing.
  EXPECT_TRUE(ui().MessageBoxes().empty());
}

// The drive field names the drive the installer was started from when that
// is the CD, before a disc image of the user's with the same label at a
// lower letter; otherwise the first CD from A.
TEST_F(SetupDlgTest, TheDriveFieldPrefersTheInstallersOwnDrive) {
  ASSERT_TRUE(platform.Drives().Add('E', DRIVE_CDROM, "TAVRIN_DRAMACD1"));
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"q:\\installer.exe", "Q"},
      {"Q:\\setup\\installer.exe", "Q"},
      {"C:\\Users\\taro\\installer.exe", "E"},
      {"\\\\server\\cd\\installer.exe", "E"},
      {"", "E"},
  };
  for (const auto& [module, drive] : cases) {
    SCOPED_TRACE(module);
    ui().SetModuleFileName(module);
    Fields f;
    ui().ExpectDialog(101, {Capture(f), UiAction::Escape()});
    EXPECT_EQ(Show(), IDCANCEL);
    EXPECT_EQ(f.drive, drive);
  }
}

TEST_F(SetupDlgTest, ReadmeThatCannotBeOpenedLeavesTheAreaEmpty) {
  dialog.SetReadmeName("missing.txt");
  Fields f;
  ui().ExpectDialog(101, {Capture(f), UiAction::Escape()});
  EXPECT_EQ(Show(), IDCANCEL);
  EXPECT_EQ(f.readme, "");
  EXPECT_EQ(f.drive, "Q");
  EXPECT_EQ(f.dest, kDefaultDest);
  EXPECT_EQ(platform.Files().OpenStreams(), 0);
}

TEST_F(SetupDlgTest, WithoutTheCdTheDriveFieldStaysEmptyAndTheMemberKeepsItsValue) {
  Fields first, second;
  ui().ExpectDialog(101, {Capture(first), UiAction::Escape()});
  EXPECT_EQ(Show(), IDCANCEL);
  ASSERT_TRUE(platform.Drives().SetMedium('Q', false));
  ui().ExpectDialog(101, {Capture(second), UiAction::Escape()});
  EXPECT_EQ(Show(), IDCANCEL);
  EXPECT_EQ(first.drive, "Q");
  EXPECT_EQ(second.drive, "");
  EXPECT_EQ(dialog.GetDrive(), "Q");
}

TEST(SetupDlgDefaultTest, DestinationLiesOnTheDriveOfTheApplicationDataFolder) {
  struct Case {
    const char* name;
    std::optional<std::string> appData;  // none: the shell cannot say
    std::optional<std::string> windows;  // none: GetWindowsDirectoryA fails
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"application data on D", "D:\\Users\\taro\\AppData\\Roaming", "C:\\Windows",
       "D:\\Program Files\\Harborlit\\Drama1"},
      {"application data at a drive root", "E:\\", "C:\\Windows", "E:\\Program Files\\Harborlit\\Drama1"},
      {"no application data: the Windows drive", std::nullopt, "D:\\WINNT",
       "D:\\Program Files\\Harborlit\\Drama1"},
      {"neither", std::nullopt, std::nullopt, "C:\\Program Files\\Harborlit\\Drama1"},
      {"a Windows folder without a drive", std::nullopt, "\\\\server\\windows",
       "C:\\Program Files\\Harborlit\\Drama1"},
      // Only an ASCII letter, a colon and a backslash make a drive root:
      // anything else falls back to the Windows folder's drive.
      {"application data on a share", "\\\\server\\profiles\\taro", "D:\\WINNT",
       "D:\\Program Files\\Harborlit\\Drama1"},
      {"application data shorter than a root", "E:", "D:\\WINNT", "D:\\Program Files\\Harborlit\\Drama1"},
      {"application data without its backslash", "E:x", "D:\\WINNT", "D:\\Program Files\\Harborlit\\Drama1"},
      {"before A", "@:\\x", "D:\\WINNT", "D:\\Program Files\\Harborlit\\Drama1"},
      {"after Z", "[:\\x", "D:\\WINNT", "D:\\Program Files\\Harborlit\\Drama1"},
      {"before a", "`:\\x", "D:\\WINNT", "D:\\Program Files\\Harborlit\\Drama1"},
      {"after z", "{:\\x", "D:\\WINNT", "D:\\Program Files\\Harborlit\\Drama1"},
      {"a digit", "1:\\x", "D:\\WINNT", "D:\\Program Files\\Harborlit\\Drama1"},
      {"first letter", "A:\\x", "D:\\WINNT", "A:\\Program Files\\Harborlit\\Drama1"},
      {"last letter", "Z:\\x", "D:\\WINNT", "Z:\\Program Files\\Harborlit\\Drama1"},
      {"lower-case first letter", "a:\\x", "D:\\WINNT", "a:\\Program Files\\Harborlit\\Drama1"},
      {"lower-case last letter", "z:\\x", "D:\\WINNT", "z:\\Program Files\\Harborlit\\Drama1"},
      {"a Windows folder on a share too", "\\\\server\\p", "\\\\server\\windows",
       "C:\\Program Files\\Harborlit\\Drama1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryPlatform platform;
    platform.Ui().AddResources(InstallerResources());
    for (char letter : {'C', 'D', 'E'}) ASSERT_TRUE(platform.Drives().Add(letter, DRIVE_FIXED));
    if (c.appData) {
      platform.Shell().SetSpecialFolderText(CSIDL_APPDATA, *c.appData);
    } else {
      platform.Fail("SHGetSpecialFolderPathA", ERROR_FILE_NOT_FOUND);
    }
    if (c.windows) {
      platform.Files().SetWindowsFolder(*c.windows);
    } else {
      platform.Fail("GetWindowsDirectoryA", ERROR_ACCESS_DENIED);
    }
    CSetupDlg dialog(platform);
    dialog.SetReadmeName("readme.txt");
    Fields f;
    platform.Ui().ExpectDialog(101, {Capture(f), UiAction::Escape()});
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    platform.Ui().CheckScriptDone();
    EXPECT_EQ(f.dest, c.expected);
    EXPECT_EQ(f.readme, "");
    EXPECT_EQ(f.drive, "");
  }
}

TEST_F(SetupDlgTest, GetDriveAndGetDestNormaliseWhatWasTyped) {
  struct Case {
    std::string drive, dest;
    std::string expectedDrive, expectedDest;
  };
  const std::vector<Case> cases = {
      {" E ", "  D:\\Games\\\\ ", "E", "D:\\Games"},
      {"EF", "D:\\", "E", "D:"},
      {"", "\t D:\\a b \r\n", "", "D:\\a b"},
      {"  ", "\\\\\\", "", ""},
      {"e:\\", "D:\\a\\\\b\\", "e", "D:\\a\\\\b"},
      // A full-width letter keeps only its first byte; the full-width space
      // is no white space.
      {"\x82\x60",
       "\x81\x40"
       "D:\\x",
       "\x82",
       "\x81\x40"
       "D:\\x"},
      // The second byte of ソ is no trailing backslash.
      {"q", "D:\\" + kSo, "q", "D:\\" + kSo},
      {"q", "D:\\" + kSo + "\\\\", "q", "D:\\" + kSo},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(CString(c.drive)) + " / " + testing::PrintToString(CString(c.dest)));
    ui().ExpectDialog(101, {UiAction::Type(IDC_SETUP_DRIVE, c.drive), UiAction::Type(IDC_SETUP_DEST, c.dest),
                            UiAction::Return()})
        .ExpectMessageBox(kStartQuestion, IDYES);
    EXPECT_EQ(Show(), IDOK);
    EXPECT_EQ(dialog.GetDrive(), c.expectedDrive);
    EXPECT_EQ(dialog.GetDest(), c.expectedDest);
    // Stored back: asking again gives the same.
    EXPECT_EQ(dialog.GetDrive(), c.expectedDrive);
    EXPECT_EQ(dialog.GetDest(), c.expectedDest);
  }
}

TEST_F(SetupDlgTest, AnsweringNoKeepsTheDialogOpenWithEverythingAsTyped) {
  Fields afterNo;
  ui().ExpectDialog(101, {UiAction::Type(IDC_SETUP_DRIVE, "E"), UiAction::Type(IDC_SETUP_DEST, "D:\\x "),
                          UiAction::Return(), Capture(afterNo), UiAction::Return()})
      .ExpectMessageBox(kStartQuestion, IDNO)
      .ExpectMessageBox(kStartQuestion, IDYES);
  EXPECT_EQ(Show(), IDOK);
  EXPECT_TRUE(afterNo.open);
  EXPECT_EQ(afterNo.drive, "E");
  EXPECT_EQ(afterNo.dest, "D:\\x ");
  EXPECT_EQ(afterNo.readme, "一行目\r\n\r\nlast line\r\n");
  ASSERT_EQ(ui().MessageBoxes().size(), 2u);
  EXPECT_EQ(ui().MessageBoxes()[0].type, MB_YESNO | MB_ICONEXCLAMATION);
  EXPECT_EQ(dialog.GetDest(), "D:\\x");
}

TEST_F(SetupDlgTest, BrowsingForTheDriveKeepsTheChosenFoldersDriveLetter) {
  Fields afterRoot, afterCancel, afterFolder;
  ui().ExpectDialog(101, {UiAction::Click(IDC_SETUP_BROWSE_DRIVE), Capture(afterRoot),
                          UiAction::Click(IDC_SETUP_BROWSE_DRIVE), Capture(afterCancel),
                          UiAction::Click(IDC_SETUP_BROWSE_DRIVE), Capture(afterFolder), UiAction::Escape()})
      .ExpectFolderPicker(CString("E:\\"))
      .ExpectFolderPicker(std::nullopt)
      .ExpectFolderPicker(CString("F:\\sub\\dir"));
  EXPECT_EQ(Show(), IDCANCEL);
  EXPECT_EQ(afterRoot.drive, "E");
  EXPECT_EQ(afterCancel.drive, "E");
  EXPECT_EQ(afterFolder.drive, "F");
  EXPECT_EQ(afterFolder.dest, kDefaultDest);
  EXPECT_EQ(dialog.GetDrive(), "F");

  const auto& calls = platform.Shell().BrowseCalls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].title, "ドラマCD");
  EXPECT_EQ(calls[0].flags, BIF_RETURNONLYFSDIRS);
  EXPECT_EQ(calls[0].owner, nullptr);  // no application, so no main window
  // Every item list went back through the allocator, which was released.
  EXPECT_EQ(platform.Shell().Counters().itemListsFreed, 2);
  EXPECT_EQ(platform.Shell().Counters().liveItemLists, 0);
  EXPECT_EQ(platform.Shell().Counters().liveMallocs, 0);
}

TEST_F(SetupDlgTest, BrowsingForTheDestinationSetsTheWholePath) {
  Fields afterPick, afterCancel;
  ui().ExpectDialog(101, {UiAction::Click(IDC_SETUP_BROWSE_DEST), Capture(afterPick),
                          UiAction::Click(IDC_SETUP_BROWSE_DEST), Capture(afterCancel), UiAction::Return()})
      .ExpectFolderPicker(CString("D:\\Games\\" + kSo))
      .ExpectFolderPicker(std::nullopt)
      .ExpectMessageBox(kStartQuestion, IDYES);
  EXPECT_EQ(Show(), IDOK);
  EXPECT_EQ(afterPick.dest, "D:\\Games\\" + kSo);
  EXPECT_EQ(afterCancel.dest, "D:\\Games\\" + kSo);
  EXPECT_EQ(afterPick.drive, "Q");
  EXPECT_EQ(dialog.GetDest(), "D:\\Games\\" + kSo);

  const auto& calls = platform.Shell().BrowseCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].title, "インストール先");
  EXPECT_EQ(calls[0].flags, BIF_RETURNONLYFSDIRS | BIF_EDITBOX);
  EXPECT_EQ(platform.Shell().Counters().liveItemLists, 0);
  EXPECT_EQ(platform.Shell().Counters().liveMallocs, 0);
}

TEST_F(SetupDlgTest, BrowsingChangesNothingWhenTheShellFails) {
  // Without the allocator no picker opens (the script would reject one);
  // a path the shell cannot give leaves the field as it was.
  // The second time the call reports success but hands back no allocator.
  platform.Fail("SHGetMalloc", 0x80004005).Times(1);
  platform.Fail("SHGetMalloc", 0).OnCall(2).Times(1);
  platform.Fail("SHGetPathFromIDListA", ERROR_INVALID_PARAMETER).Times(1);
  Fields afterNoAllocator, afterNullAllocator, afterNoPath;
  ui().ExpectDialog(101, {UiAction::Click(IDC_SETUP_BROWSE_DEST), Capture(afterNoAllocator),
                          UiAction::Click(IDC_SETUP_BROWSE_DEST), Capture(afterNullAllocator),
                          UiAction::Click(IDC_SETUP_BROWSE_DEST), Capture(afterNoPath), UiAction::Escape()})
      .ExpectFolderPicker(CString("D:\\Games"));
  EXPECT_EQ(Show(), IDCANCEL);
  EXPECT_EQ(afterNoAllocator.dest, kDefaultDest);
  EXPECT_EQ(afterNullAllocator.dest, kDefaultDest);
  EXPECT_EQ(afterNoPath.dest, kDefaultDest);
  EXPECT_EQ(platform.Shell().BrowseCalls().size(), 1u);
  EXPECT_EQ(platform.Shell().Counters().itemListsFreed, 1);
  EXPECT_EQ(platform.Shell().Counters().liveItemLists, 0);
  EXPECT_EQ(platform.Shell().Counters().liveMallocs, 0);
}

}  // namespace

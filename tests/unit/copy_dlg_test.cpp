// The copy dialog on the in-memory platform: its template, the start at the
// first paint, the copy loop with its progress and path texts, the pages
// whose links are rewritten, and every way the installation stops.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "installer/CopyDlg.h"
#include "installer/PageLinks.h"
#include "installer/resource.h"
#include "shell/Names.h"
#include "tests/memory/MemoryPlatform.h"
#include "tests/memory/Resources.h"
#include "tests/unit/TestSupport.h"

std::string_view InstallerResources();
std::string_view CopyDlgTestResources();

namespace {

constexpr char kDest[] = "C:\\Program Files\\Harborlit\\Drama1";
constexpr char kPrograms[] = "C:\\Users\\me\\Start Menu\\Programs";
constexpr char kCopyFailed[] = "ファイルのコピーに失敗しました。";

// A system with the installer's dialogs, the destination folder on C:, the CD
// in Q: (the current folder) with the uninstaller and the given install list,
// and a Start menu.
void SetUpSystem(MemoryPlatform& p, std::optional<std::string_view> installList = std::nullopt) {
  p.Ui().AddResources(InstallerResources());
  p.Ui().SetModuleFileName("Q:\\installer.exe");
  p.Drives().Add('C', DRIVE_FIXED);
  p.Drives().Add('Q', DRIVE_CDROM, "TAVRIN_DRAMACD1");
  p.Files().AddFolder(kDest);
  p.Files().AddFile("Q:\\uninst.dat", "MZ uninstaller", FILE_ATTRIBUTE_READONLY);
  if (installList) p.Files().AddFile("Q:\\install.dat", *installList, FILE_ATTRIBUTE_READONLY);
  p.Files().SetCurrentFolder("Q:\\");
  p.Shell().SetSpecialFolder(CSIDL_PROGRAMS, kPrograms);
}

// Runs the copy dialog on the system with its own first-paint flag.
INT_PTR RunCopyOn(MemoryPlatform& p) {
  FirstPaintFlag flag;
  CCopyDlg dialog(p, flag);
  dialog.SetPaths("Q", kDest);
  return dialog.DoModal();
}

class CopyDlgTest : public ::testing::Test {
 protected:
  CopyDlgTest() { SetUpSystem(platform); }

  MemoryUi& ui() { return platform.Ui(); }
  MemoryFileSystem& files() { return platform.Files(); }

  void CdFile(const CString& path, std::string_view bytes) {
    ASSERT_TRUE(files().AddFile("Q:\\" + path, bytes, FILE_ATTRIBUTE_READONLY));
  }
  void InstallList(std::string_view text) { CdFile("install.dat", text); }

  // Shows the copy dialog with the CD on Q: and the destination above; the
  // copy runs on its own from the first paint.
  INT_PTR RunCopy() {
    ui().ExpectDialog(IDD_COPY, {});
    return RunScripted();
  }
  // As RunCopy, with the dialog expectation already in the script.
  INT_PTR RunScripted() {
    CCopyDlg dialog(platform, firstPaint);
    dialog.SetPaths("Q", kDest);
    return dialog.DoModal();
  }

  std::vector<MemoryUi::MessageRecord> BarMessages(UINT message) {
    std::vector<MemoryUi::MessageRecord> found;
    for (const auto& m : platform.Ui().ControlMessages()) {
      if (m.message == message) found.push_back(m);
    }
    return found;
  }
  std::vector<CString> MessageTexts() {
    std::vector<CString> texts;
    for (const auto& box : platform.Ui().MessageBoxes()) texts.push_back(box.text);
    return texts;
  }
  bool Registered() { return platform.Registry().HasKey(HKEY_LOCAL_MACHINE, names::UninstallKey()); }
  CString Dest(const char* rest) const { return CString(kDest) + "\\" + rest; }

  MemoryPlatform platform;
  FirstPaintFlag firstPaint;
};

TEST(CopyDlgTemplateTest, DialogTemplateAsTheInstallerCarriesIt) {
  const auto templates = ReadDialogTemplates(InstallerResources());
  ASSERT_EQ(templates.count(IDD_COPY), 1u);
  const DialogTemplate& t = templates.at(IDD_COPY);
  EXPECT_EQ(t.caption, "ファイルのコピー");
  EXPECT_EQ(t.cx, 195);
  EXPECT_EQ(t.cy, 85);
  EXPECT_EQ(t.pointSize, 9);
  EXPECT_EQ(t.faceName, "ＭＳ Ｐゴシック");
  constexpr DWORD kSysMenu = 0x00080000;
  constexpr DWORD kPopup = 0x80000000;
  constexpr DWORD kCaption = 0x00C00000;
  constexpr DWORD kModalFrame = 0x80;
  EXPECT_EQ(t.style & kSysMenu, 0u) << "no close box while files are copied";
  EXPECT_EQ(t.style & (kPopup | kCaption | kModalFrame), kPopup | kCaption | kModalFrame);

  struct Expected {
    int id;
    const char* className;
    const char* text;
    int x, y, cx, cy;
  };
  const Expected expected[] = {
      {IDCANCEL, "Button", "ｷｬﾝｾﾙ", 140, 65, 50, 14},
      {0xFFFF, "Static", "コピー元：", 5, 5, 30, 10},
      {0xFFFF, "Static", "コピー先：", 5, 30, 30, 10},
      {IDC_SRCFILE, "Static", "SrcFile", 35, 5, 155, 20},
      {IDC_DSTFILE, "Static", "DstFile", 35, 30, 155, 20},
      {IDC_PROGRESS, "msctls_progress32", "Progress1", 5, 50, 185, 10},
  };
  ASSERT_EQ(t.controls.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const DialogControl& c = t.controls[i];
    const Expected& e = expected[i];
    SCOPED_TRACE(e.text);
    EXPECT_EQ(c.id & 0xFFFF, e.id);
    EXPECT_EQ(MbsICmp(c.className.view(), e.className), 0) << c.className.str();
    EXPECT_EQ(c.text, e.text);
    EXPECT_EQ(c.x, e.x);
    EXPECT_EQ(c.y, e.y);
    EXPECT_EQ(c.cx, e.cx);
    EXPECT_EQ(c.cy, e.cy);
  }
  EXPECT_NE(t.controls.back().style & 0x00800000, 0u) << "the bar has a border";
}

TEST_F(CopyDlgTest, WorkedExampleIsInstalledAndRegistered) {
  InstallList(
      "index.html\r\n"
      "*\\images\r\n"
      "top.jpg\r\n"
      "title.jpg\tlogo.jpg\r\n"
      "..\\program\\setup.exe\r\n"
      "*\r\n"
      "\r\n");
  CdFile("HTML\\index.html", "<html>index</html>");
  CdFile("HTML\\images\\top.jpg", "TOP");
  CdFile("HTML\\images\\title.jpg", "TITLE");
  CdFile("program\\setup.exe", "SETUP");
  // Copies slow enough for each to be shown.
  ui().SetClock(0, 100);

  EXPECT_EQ(RunCopy(), IDOK) << platform.Dump();
  ui().CheckScriptDone();
  EXPECT_TRUE(MessageTexts().empty());

  const std::pair<const char*, const char*> installed[] = {
      {"index.html", "<html>index</html>"}, {"images\\top.jpg", "TOP"},       {"images\\logo.jpg", "TITLE"},
      {"images\\setup.exe", "SETUP"},       {"uninst.exe", "MZ uninstaller"},
  };
  for (const auto& [name, bytes] : installed) {
    EXPECT_EQ(files().Contents(Dest(name)), std::string(bytes)) << name;
    // Read-only from the CD, normal once installed.
    EXPECT_EQ(files().Attributes(Dest(name)), FILE_ATTRIBUTE_NORMAL) << name;
  }
  EXPECT_TRUE(Registered());
  EXPECT_TRUE(files().Exists(CString(kPrograms) + "\\Harborlit\\" + names::kUninstallShortcut));

  // The source and destination of each copy, in order, before its copy.
  std::vector<std::pair<int, CString>> texts;
  for (const auto& t : ui().ControlTexts()) texts.emplace_back(t.controlId, t.text);
  const std::vector<std::pair<int, CString>> expected = {
      {IDC_SRCFILE, "Q:\\HTML\\index.html"},        {IDC_DSTFILE, Dest("index.html")},
      {IDC_SRCFILE, "Q:\\HTML\\images\\top.jpg"},   {IDC_DSTFILE, Dest("images\\top.jpg")},
      {IDC_SRCFILE, "Q:\\HTML\\images\\title.jpg"}, {IDC_DSTFILE, Dest("images\\logo.jpg")},
      {IDC_SRCFILE, "Q:\\program\\setup.exe"},      {IDC_DSTFILE, Dest("images\\setup.exe")},
  };
  EXPECT_EQ(texts, expected);
}

TEST_F(CopyDlgTest, ProgressCountsEveryEntryButStepsOnlyForCopies) {
  struct Case {
    const char* name;
    std::string list;
    int range;
    int steps;  // where the copies leave the bar
  };
  std::string manyBlank(65538, '\n');
  const Case cases[] = {
      {"empty list", "", 0, 0},
      {"ten lines, two blank, one folder", "a\n \t \nb\n*\\sub\nc\nd\n\ne\nf\ng\n", 10, 7},
      {"one copy", "a\n", 1, 1},
      {"a range of 0 (65,536 entries)", std::string(65535, '\n') + "a\n", 0, 0},
      {"the range is 16 bits wide", manyBlank, 2, 0},
      // 65,538 entries again, three of them copies: past the end the bar
      // starts over, as stepping it does.
      {"more copies than the range", std::string(65535, '\n') + "a\nb\nc\n", 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Each case on a system of its own.
    MemoryPlatform fresh;
    SetUpSystem(fresh, c.list);
    fresh.Files().AddFolder(CString(kDest) + "\\sub");
    for (const char* name : {"a", "b", "c", "d", "e", "f", "g"}) {
      fresh.Files().AddFile(CString("Q:\\HTML\\") + name, name);
      fresh.Files().AddFile(CString("Q:\\HTML\\sub\\") + name, name);
    }
    fresh.Ui().ExpectDialog(IDD_COPY, {});
    EXPECT_EQ(RunCopyOn(fresh), IDOK) << fresh.Dump();

    std::vector<MemoryUi::MessageRecord> bar;
    for (const auto& m : fresh.Ui().ControlMessages()) bar.push_back(m);
    ASSERT_GE(bar.size(), 3u);
    EXPECT_EQ(bar[0].message, PBM_SETRANGE);
    EXPECT_EQ(bar[0].lParam, MakeLParam(0, static_cast<WORD>(c.range)));
    EXPECT_EQ(bar[1].message, PBM_SETPOS);
    EXPECT_EQ(bar[1].wParam, 0u);
    EXPECT_EQ(bar[2].message, PBM_SETSTEP);
    EXPECT_EQ(bar[2].wParam, 1u);
    // Parameters these messages do not use must be zero.
    EXPECT_EQ(bar[0].wParam, 0u);
    EXPECT_EQ(bar[1].lParam, 0);
    EXPECT_EQ(bar[2].lParam, 0);
    // Then the bar is only moved on to where a step for each copy takes it
    // (here once, at the end: the clock stands still).
    for (std::size_t i = 3; i < bar.size(); ++i) {
      EXPECT_EQ(bar[i].message, PBM_SETPOS);
      EXPECT_EQ(bar[i].lParam, 0);
    }
    const int end = bar.size() > 3 ? static_cast<int>(bar.back().wParam) : 0;
    EXPECT_EQ(end, c.steps);
    EXPECT_LE(bar.size(), 4u);
    // Registration follows in every case.
    EXPECT_TRUE(fresh.Files().Exists(CString(kDest) + "\\uninst.exe"));
  }
}

// The loop never returns to the message loop, so what the dialog shows is
// painted by the dialog itself: a file before its copy, when the last
// painting is at least 100 ms old; the end of the list and a failure paint
// the latest state whatever its age.
struct Shown {
  int controlId;
  CString text;  // the paths; empty for the bar
  int position;  // the bar's
  bool operator==(const Shown&) const = default;
};

// What the dialog painted of itself, in order; the first `upTo` control
// paints only (those before a message box, say).
std::vector<Shown> PaintedCopyState(MemoryUi& ui, std::size_t upTo = SIZE_MAX) {
  std::vector<Shown> shown;
  const auto& paints = ui.ControlPaints();
  for (std::size_t i = 0; i < paints.size() && i < upTo; ++i) {
    const auto& p = paints[i];
    if (!p.byUpdateWindow) continue;
    const bool bar = p.controlId == IDC_PROGRESS;
    shown.push_back({p.controlId, bar ? CString() : p.text, bar ? p.position : 0});
  }
  return shown;
}

TEST_F(CopyDlgTest, PathsAndBarArePaintedBeforeEachCopyWhenTheLastPaintingIsOldEnough) {
  InstallList("a\n\n*\\sub\nb\n");
  CdFile("HTML\\a", "A");
  CdFile("HTML\\sub\\b", "B");
  ASSERT_TRUE(files().AddFolder(Dest("sub")));
  ui().SetClock(5000, 100);  // every reading 100 ms after the one before
  EXPECT_EQ(RunCopy(), IDOK);
  const std::vector<Shown> expected = {
      {IDC_PROGRESS, "", 0}, {IDC_SRCFILE, "Q:\\HTML\\a", 0},      {IDC_DSTFILE, Dest("a"), 0},
      {IDC_PROGRESS, "", 1}, {IDC_SRCFILE, "Q:\\HTML\\sub\\b", 0}, {IDC_DSTFILE, Dest("sub\\b"), 0},
      {IDC_PROGRESS, "", 2},
  };
  EXPECT_EQ(PaintedCopyState(ui()), expected);
}

TEST_F(CopyDlgTest, FilesCopiedInQuickSuccessionArePaintedTogetherAtTheEnd) {
  InstallList("a\nb\nc\nd\n");
  for (const char* name : {"HTML\\a", "HTML\\b", "HTML\\c", "HTML\\d"}) CdFile(name, "x");
  // 40 ms between readings: b and c come too soon after a, d 120 ms after
  // it; the clock wraps around between b and c.
  ui().SetClock(0xFFFFFFC0, 40);
  EXPECT_EQ(RunCopy(), IDOK);
  const std::vector<Shown> expected = {
      {IDC_PROGRESS, "", 0}, {IDC_SRCFILE, "Q:\\HTML\\a", 0}, {IDC_DSTFILE, Dest("a"), 0},
      {IDC_PROGRESS, "", 3}, {IDC_SRCFILE, "Q:\\HTML\\d", 0}, {IDC_DSTFILE, Dest("d"), 0},
      {IDC_PROGRESS, "", 4},
  };
  EXPECT_EQ(PaintedCopyState(ui()), expected);
}

TEST_F(CopyDlgTest, WhichFilesArePaintedDependsOnTheTimeSinceTheLastPainting) {
  struct Case {
    const char* name;
    DWORD step;  // ms between two readings of the clock
    std::string list;
    std::vector<std::string> painted;  // the sources shown, in order
  };
  const Case cases[] = {
      // a at 0; d at 99 is too soon; e at 132.
      {"99 ms after the last painting", 33, "a\nb\nc\nd\ne\n", {"a", "e"}},
      // a at 0; c at exactly 100; e at 200.
      {"100 ms after the last painting", 50, "a\nb\nc\nd\ne\n", {"a", "c", "e"}},
      // The page's rewriting paints nothing; b is painted with the end of the list.
      {"a page rewritten", 0, "a\n01.html\nb\n", {"a", "b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryPlatform fresh;
    SetUpSystem(fresh, c.list);
    for (const char* name : {"a", "b", "c", "d", "e"}) {
      fresh.Files().AddFile(CString("Q:\\HTML\\") + name, "x", FILE_ATTRIBUTE_READONLY);
    }
    fresh.Files().AddFile("Q:\\HTML\\01.html", "page\n", FILE_ATTRIBUTE_READONLY);
    fresh.Ui().SetClock(0, c.step);
    fresh.Ui().ExpectDialog(IDD_COPY, {});
    EXPECT_EQ(RunCopyOn(fresh), IDOK) << fresh.Dump();
    std::vector<std::string> painted;
    for (const Shown& s : PaintedCopyState(fresh.Ui())) {
      if (s.controlId == IDC_SRCFILE)
        painted.push_back(s.text.str().substr(std::string("Q:\\HTML\\").size()));
    }
    EXPECT_EQ(painted, c.painted);
  }
}

TEST_F(CopyDlgTest, AFailureShowsTheFileItStoppedAtBeforeItsMessage) {
  struct Case {
    const char* name;
    std::string list;
    DWORD step;           // ms between two readings of the clock
    const char* failing;  // the file shown with the message
    const char* message;
  };
  const Case cases[] = {
      // The clock stands still: only the first file would be painted on its own.
      {"a copy", "a\nmissing\n", 0, "missing", "ファイルのコピーに失敗しました。"},
      {"a page that cannot be written", "a\n01.html\n", 0, "01.html", nullptr},
      // 65,536 entries: a bar without a range, which no copy moves.
      {"a copy with the bar at a standstill", std::string(65534, '\n') + "a\nmissing\n", 0, "missing",
       "ファイルのコピーに失敗しました。"},
      // Every file painted on its own, the failing one included.
      {"a copy after files painted one by one", "a\nb\nmissing\n", 100, "missing",
       "ファイルのコピーに失敗しました。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryPlatform fresh;
    SetUpSystem(fresh, c.list);
    fresh.Files().AddFile("Q:\\HTML\\a", "A", FILE_ATTRIBUTE_READONLY);
    fresh.Files().AddFile("Q:\\HTML\\b", "B", FILE_ATTRIBUTE_READONLY);
    fresh.Files().AddFile("Q:\\HTML\\01.html", "page\n", FILE_ATTRIBUTE_READONLY);
    const std::string message =
        c.message != nullptr ? std::string(c.message) : Dest(c.failing).str() + "を作れませんでした。";
    if (c.message == nullptr) fresh.Fail("RenameByHandle", ERROR_ACCESS_DENIED).OnPath("01.html");
    fresh.Ui().SetClock(0, c.step);
    fresh.Ui().ExpectDialog(IDD_COPY, {}).ExpectMessageBox(CString(message), IDOK);
    EXPECT_EQ(RunCopyOn(fresh), IDCANCEL) << fresh.Dump();
    // Painted before the message appeared.
    ASSERT_EQ(fresh.Ui().MessageBoxes().size(), 1u);
    const std::vector<Shown> shown =
        PaintedCopyState(fresh.Ui(), fresh.Ui().MessageBoxes()[0].controlPaintsBefore);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[shown.size() - 2], (Shown{IDC_SRCFILE, CString("Q:\\HTML\\") + c.failing, 0}));
    EXPECT_EQ(shown.back(), (Shown{IDC_DSTFILE, Dest(c.failing), 0}));
    // The bar is only ever moved on, never set again where it stands.
    std::vector<WPARAM> positions;
    for (const auto& m : fresh.Ui().ControlMessages()) {
      if (m.message == PBM_SETPOS) positions.push_back(m.wParam);
    }
    for (std::size_t i = 1; i < positions.size(); ++i) EXPECT_LT(positions[i - 1], positions[i]);
  }
}

TEST_F(CopyDlgTest, ReadOnlyFilesFromTheCdAreReplacedOnASecondInstallation) {
  InstallList("index.html\n");
  CdFile("HTML\\index.html", "first");
  EXPECT_EQ(RunCopy(), IDOK);
  ASSERT_TRUE(files().AddFile("Q:\\HTML\\index.html", "second", FILE_ATTRIBUTE_READONLY));
  ui().ExpectDialog(IDD_COPY, {});
  EXPECT_EQ(RunCopyOn(platform), IDOK) << platform.Dump();
  EXPECT_EQ(files().Contents(Dest("index.html")), "second");
  EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(CopyDlgTest, FirstPaintStartsTheCopyOncePerRun) {
  InstallList("");
  EXPECT_EQ(RunCopy(), IDOK);
  EXPECT_FALSE(firstPaint.IsSet());

  // Later paints of a dialog in the same run post nothing: the dialog waits
  // for the user, who cancels it.
  ui().ExpectDialog(IDD_COPY, {UiAction::Check([](MemoryUi& u, HWND d) { u.Invalidate(d); }),
                               UiAction::Check([](MemoryUi&, HWND) {}), UiAction::Escape()});
  EXPECT_EQ(RunScripted(), IDCANCEL);
  ui().CheckScriptDone();

  int starts = 0;
  int paints = 0;
  for (const auto& m : ui().Delivered()) {
    starts += m.message == WM_START_COPY ? 1 : 0;
    paints += m.message == WM_PAINT ? 1 : 0;
    if (m.message == WM_START_COPY) {
      EXPECT_TRUE(m.posted);
      EXPECT_EQ(m.wParam, 0u);
      EXPECT_EQ(m.lParam, 0);
    }
  }
  EXPECT_EQ(starts, 1);
  EXPECT_GE(paints, 3);
}

TEST_F(CopyDlgTest, MissingInstallListEndsWithItsMessage) {
  ui().ExpectDialog(IDD_COPY, {}).ExpectMessageBox("install.datが見つかりませんでした。", IDOK);
  EXPECT_EQ(RunScripted(), IDCANCEL);
  ui().CheckScriptDone();
  EXPECT_TRUE(ui().ControlMessages().empty()) << "the bar is not set up";
  ASSERT_EQ(ui().MessageBoxes().size(), 1u);
  EXPECT_TRUE(ui().MessageBoxes()[0].ownerShown) << "the message stands over the copy dialog";
  EXPECT_FALSE(files().Exists(Dest("uninst.exe")));
  EXPECT_FALSE(Registered());
}

TEST_F(CopyDlgTest, DialogWithoutItsProgressBarEndsWithItsMessage) {
  MemoryPlatform other;
  other.Ui().AddResources(CopyDlgTestResources());
  other.Drives().Add('C', DRIVE_FIXED);
  other.Files().AddFile("C:\\install.dat", "a\n");
  other.Files().AddFile("C:\\HTML\\a", "A");
  other.Files().AddFolder(kDest);
  other.Ui().ExpectDialog(IDD_COPY, {}).ExpectMessageBox("Error:Can't find ProgressBar", IDOK);
  FirstPaintFlag flag;
  CCopyDlg dialog(other, flag);
  dialog.SetPaths("C", kDest);
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  other.Ui().CheckScriptDone();
  EXPECT_FALSE(other.Files().Exists(Dest("a")));
}

TEST_F(CopyDlgTest, FailedCopyStopsTheInstallationAndKeepsWhatWasDone) {
  InstallList("a.html\n*\\sub\nmissing.html\nb.html\n");
  CdFile("HTML\\a.html", "A");
  CdFile("HTML\\sub\\b.html", "B");
  ui().ExpectDialog(IDD_COPY, {}).ExpectMessageBox(kCopyFailed, IDOK);
  EXPECT_EQ(RunScripted(), IDCANCEL);
  ui().CheckScriptDone();
  EXPECT_EQ(files().Contents(Dest("a.html")), "A");
  EXPECT_TRUE(files().IsFolder(Dest("sub")));
  EXPECT_FALSE(files().Exists(Dest("sub\\b.html")));
  EXPECT_FALSE(files().Exists(Dest("uninst.exe")));
  EXPECT_FALSE(Registered());
  // The bar shows the one copy done, the texts the copy that failed.
  ASSERT_FALSE(BarMessages(PBM_SETPOS).empty());
  EXPECT_EQ(BarMessages(PBM_SETPOS).back().wParam, 1u);
  ASSERT_GE(ui().ControlTexts().size(), 2u);
  EXPECT_EQ(ui().ControlTexts().back().text, Dest("sub\\missing.html"));
}

TEST_F(CopyDlgTest, DiskFullDuringACopyIsAFailedCopy) {
  InstallList("a.html\nb.html\n");
  CdFile("HTML\\a.html", "A");
  CdFile("HTML\\b.html", "B");
  platform.Fail("WriteByHandle", ERROR_DISK_FULL).OnCall(2);
  ui().ExpectDialog(IDD_COPY, {}).ExpectMessageBox(kCopyFailed, IDOK);
  EXPECT_EQ(RunScripted(), IDCANCEL);
  // Nothing of b, not even its scratch file.
  EXPECT_EQ(files().List(kDest), std::vector<CString>{"a.html"}) << platform.Dump();
}

TEST_F(CopyDlgTest, DestinationLongerThanTheSystemAcceptsIsAFailedCopy) {
  // The CD's path fits, the destination's does not: no buffer is overrun,
  // the copy fails with its message.
  const std::string name(259 - 9 - 5, 'n');  // Q:\HTML\ + name + .html is 259 bytes
  InstallList(name + ".html\n");
  CdFile("HTML\\" + CString(name) + ".html", "N");
  ui().ExpectDialog(IDD_COPY, {}).ExpectMessageBox(kCopyFailed, IDOK);
  EXPECT_EQ(RunScripted(), IDCANCEL);
  ui().CheckScriptDone();
  ASSERT_FALSE(ui().ControlTexts().empty());
  EXPECT_EQ(ui().ControlTexts().back().text, Dest((name + ".html").c_str()));
  EXPECT_TRUE(files().List(kDest).empty());
}

TEST_F(CopyDlgTest, DestinationsOutsideTheInstallationFolderAreNeverWritten) {
  struct Case {
    const char* name;
    const char* list;
    const char* outside;           // where the copy would have gone
    const char* linked = nullptr;  // a folder of the destination that is a link to C:\outside
    bool wine = false;             // handles follow links, as under Wine
    // An empty folder of the destination made a link to C:\outside in place
    // once held, just before the call named by the next two (its first one
    // whose path holds the fragment).
    const char* linkedLater = nullptr;
    const char* laterBefore = nullptr;
    const char* laterOnPath = nullptr;
  };
  const Case cases[] = {
      {"file line climbing out", "sub\\..\\..\\..\\evil.txt\n", "C:\\Program Files\\evil.txt"},
      {"copy-as line climbing out", "a.html\t..\\..\\evil.txt\n", "C:\\Program Files\\evil.txt"},
      {"copy-as line into a sibling folder", "a.html\t..\\Drama1x\\a.html\n",
       "C:\\Program Files\\Harborlit\\Drama1x\\a.html"},
      {"file line into a linked folder", "*\\images\nt.png\n", "C:\\outside\\t.png", "images"},
      {"folder line below a linked folder", "*\\images\\icons\nt.png\n", "C:\\outside\\icons", "images"},
      {"copy-as line through a link deeper down", "a.html\tsub\\deep/a.html\n", "C:\\outside\\a.html",
       "sub\\deep"},
      {"file line into a linked folder, under Wine", "*\\images\nt.png\n", "C:\\outside\\t.png", "images",
       true},
      {"folder line below a linked folder, under Wine", "*\\images\\icons\nt.png\n", "C:\\outside\\icons",
       "images", true},
      {"file line into a held folder made a link", "*\\sub\nt.png\n", "C:\\outside\\t.png", nullptr, false,
       "sub", "CreateFileAt", "\\sub\\"},
      {"folder line into a held folder made a link", "*\\sub\n*\\sub\\icons\nt.png\n", "C:\\outside\\icons",
       nullptr, false, "sub", "CreateFolderAt", "\\icons"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryPlatform fresh;
    SetUpSystem(fresh, c.list);
    fresh.Files().AddFolder(CString(kDest) + "\\sub");
    fresh.Files().AddFile("C:\\outside\\top.jpg", "canary");
    if (c.linked != nullptr) fresh.Files().AddLink(CString(kDest) + "\\" + c.linked, "C:\\outside");
    fresh.Files().SetUnderWine(c.wine);
    if (c.linkedLater != nullptr) {
      const CString folder = CString(kDest) + "\\" + c.linkedLater;
      fresh.Fail(c.laterBefore, 0).OnPath(c.laterOnPath).Times(1).Before([&fresh, folder] {
        EXPECT_EQ(fresh.Files().UserMakeLink(folder, "C:\\outside"), 0u);
      });
    }
    fresh.Files().AddFile("Q:\\HTML\\images\\t.png", "T");
    fresh.Files().AddFile("Q:\\HTML\\images\\icons\\t.png", "T");
    fresh.Files().AddFile("Q:\\HTML\\a.html", "A");
    fresh.Files().AddFile("Q:\\HTML\\sub\\t.png", "T");
    fresh.Files().AddFile("Q:\\HTML\\sub\\icons\\t.png", "T");
    fresh.Files().AddFolder("C:\\Program Files\\Harborlit\\Drama1x");
    fresh.Files().AddFile("Q:\\evil.txt", "EVIL");
    fresh.Ui().ExpectDialog(IDD_COPY, {}).ExpectMessageBox(kCopyFailed, IDOK);
    EXPECT_EQ(RunCopyOn(fresh), IDCANCEL);
    fresh.Ui().CheckScriptDone();
    EXPECT_FALSE(fresh.Files().Exists(c.outside)) << fresh.Dump();
    EXPECT_EQ(fresh.Files().List("C:\\outside"), std::vector<CString>{"top.jpg"});
    EXPECT_EQ(fresh.Files().Contents("C:\\outside\\top.jpg"), "canary");
    EXPECT_FALSE(fresh.Files().Exists(CString(kDest) + "\\uninst.exe"));
  }
}

TEST_F(CopyDlgTest, FolderLineClimbingOutCreatesNothing) {
  InstallList("*\\..\\..\\Outside\nx.html\n*\na.html\n");
  CdFile("HTML\\a.html", "A");
  CdFile("Outside\\x.html", "X");
  // The file line after it names a place outside too, and fails as a copy.
  ui().ExpectDialog(IDD_COPY, {}).ExpectMessageBox(kCopyFailed, IDOK);
  EXPECT_EQ(RunScripted(), IDCANCEL);
  EXPECT_FALSE(files().Exists("C:\\Program Files\\Outside")) << platform.Dump();
}

TEST_F(CopyDlgTest, PagesWithProgramLinksAreRewrittenByTheEndOfTheirName) {
  InstallList(
      "01.html\n"
      "05.html\n"
      "page01.html\n"
      "LOUD01.HTML\n"
      "*\\sub\n"
      "01.html\n");
  const std::string page =
      "<a href=\"../../../program/a.exe\">a</a>\n"
      "<a href=\"../../../program/update/b.exe\">b</a>\r\n";
  for (const char* name :
       {"HTML\\01.html", "HTML\\05.html", "HTML\\page01.html", "HTML\\LOUD01.HTML", "HTML\\sub\\01.html"}) {
    CdFile(name, page);
  }
  EXPECT_EQ(RunCopy(), IDOK) << platform.Dump();
  const std::string programRemoved = "<a href=\"a.exe\">a</a>\r\n<a href=\"update/b.exe\">b</a>\r\n";
  const std::string updateRemoved = "<a href=\"../../../program/a.exe\">a</a>\r\n<a href=\"b.exe\">b</a>\r\n";
  EXPECT_EQ(files().Contents(Dest("01.html")), programRemoved);
  EXPECT_EQ(files().Contents(Dest("sub\\01.html")), programRemoved);
  EXPECT_EQ(files().Contents(Dest("page01.html")), programRemoved);
  EXPECT_EQ(files().Contents(Dest("05.html")), updateRemoved);
  EXPECT_EQ(files().Contents(Dest("LOUD01.HTML")), page) << "upper case is not rewritten";
  // Nothing is left beside the pages.
  EXPECT_EQ(files().List(kDest).size(), 6u) << platform.Dump();
}

TEST_F(CopyDlgTest, PageThatCannotBeWrittenLeavesThePageThereAsItWasAndNoScratchFile) {
  const std::string page = "<a href=\"../../../program/a.exe\">a</a>\r\n";
  struct Case {
    const char* name;
    const char* operation;
    const char* onPath;
    const char* suffix;  // after the page's path; null: the failed copy's message
  };
  const Case cases[] = {
      {"page cannot be opened on the CD", "OpenFile", "\\01.html", nullptr},
      {"page cannot be read to its end", "Read", "\\01.html", "が見つかりませんでした。"},
      {"rewritten page cannot be created", "CreateFileAt", "\\~inst", "を作れませんでした。"},
      {"a write fails", "WriteByHandle", "\\~inst", "を作れませんでした。"},
      {"rewritten page cannot replace the page", "RenameByHandle", "\\01.html", "を作れませんでした。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryPlatform fresh;
    SetUpSystem(fresh, "01.html\nnext.html\n");
    fresh.Files().AddFile("Q:\\HTML\\01.html", page, FILE_ATTRIBUTE_READONLY);
    fresh.Files().AddFile("Q:\\HTML\\next.html", "N");
    const CString pagePath = CString(kDest) + "\\01.html";
    fresh.Files().AddFile(pagePath, "installed before");
    fresh.Fail(c.operation, ERROR_DISK_FULL).OnPath(c.onPath);
    const CString message = c.suffix != nullptr ? pagePath + c.suffix : CString(kCopyFailed);
    fresh.Ui().ExpectDialog(IDD_COPY, {}).ExpectMessageBox(message, IDOK);
    EXPECT_EQ(RunCopyOn(fresh), IDCANCEL);
    fresh.Ui().CheckScriptDone();
    fresh.ClearFaults();
    EXPECT_EQ(fresh.Files().Contents(pagePath), "installed before");
    EXPECT_EQ(fresh.Files().List(kDest), std::vector<CString>{"01.html"}) << fresh.Dump();
    EXPECT_EQ(fresh.Files().OpenStreams(), 0);
  }
}

TEST_F(CopyDlgTest, AnExistingFileIsReplacedByItsNameOnlyOrKeptWhole) {
  struct Case {
    const char* name;
    const char* file;
    DWORD attributes;                              // of the file there, "old"
    std::function<void(MemoryPlatform&)> arrange;  // then this
    const char* installed;                         // its bytes afterwards; null: the copy fails and keeps it
  };
  const auto nothing = [](MemoryPlatform&) {};
  const Case cases[] = {
      {"a file with another name elsewhere (a hard link)", "a.html", FILE_ATTRIBUTE_ARCHIVE,
       [](MemoryPlatform& p) { p.Files().SetLinkCount(CString(kDest) + "\\a.html", 2); }, "A"},
      // The page's text comes from the CD alone: what is put in the page's
      // place meanwhile (a link to a file only administrators may read) is
      // never read.
      {"a page replaced while the CD's page is read", "01.html", FILE_ATTRIBUTE_ARCHIVE,
       [](MemoryPlatform& p) {
         p.Fail("OpenFile", 0).OnPath("01.html").Times(1).Before([&p] {
           const CString page = CString(kDest) + "\\01.html";
           EXPECT_EQ(p.Files().UserDelete(page), 0u);
           p.Files().AddFile(page, "secret\n");
         });
       },
       "<a href=\"a.exe\">\r\n"},
      {"read-only", "a.html", FILE_ATTRIBUTE_READONLY, nothing, nullptr},
      {"hidden", "a.html", FILE_ATTRIBUTE_HIDDEN, nothing, nullptr},
      {"system", "a.html", FILE_ATTRIBUTE_SYSTEM, nothing, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryPlatform fresh;
    SetUpSystem(fresh, std::string(c.file) + "\n");
    fresh.Files().AddFile("Q:\\HTML\\a.html", "A", FILE_ATTRIBUTE_READONLY);
    fresh.Files().AddFile("Q:\\HTML\\01.html", "<a href=\"../../../program/a.exe\">\n",
                          FILE_ATTRIBUTE_READONLY);
    const CString path = CString(kDest) + "\\" + c.file;
    fresh.Files().AddFile(path, "old", c.attributes);
    c.arrange(fresh);
    // The file that was there, seen through a handle of its own.
    CEntryHandle dest(fresh.Files(), fresh.Files().OpenFolderHandle(kDest));
    CEntryHandle old(fresh.Files(), fresh.Files().OpenEntryAt(dest.get(), c.file));
    ASSERT_TRUE(old.IsOpen());
    fresh.Ui().ExpectDialog(IDD_COPY, {});
    if (c.installed == nullptr) fresh.Ui().ExpectMessageBox(kCopyFailed, IDOK);
    EXPECT_EQ(RunCopyOn(fresh), c.installed ? IDOK : IDCANCEL) << fresh.Dump();
    fresh.Ui().CheckScriptDone();
    EXPECT_EQ(fresh.Files().Contents(path), c.installed ? c.installed : "old");
    EXPECT_EQ(fresh.Files().HandleContents(old.get()), "old") << "never written into";
    std::vector<CString> left = {c.file};
    if (c.installed) left.push_back("uninst.exe");
    EXPECT_EQ(fresh.Files().List(kDest), left) << "no scratch file stays";
  }
}

TEST_F(CopyDlgTest, UninstallerThatCannotBeCopiedEndsWithIdCancel) {
  InstallList("a.html\n");
  CdFile("HTML\\a.html", "A");
  platform.Fail("OpenFile", ERROR_FILE_NOT_FOUND).OnPath("uninst.dat");
  ui().ExpectDialog(IDD_COPY, {}).ExpectMessageBox("アンインストーラーのコピーに失敗しました。", IDOK);
  EXPECT_EQ(RunScripted(), IDCANCEL);
  ui().CheckScriptDone();
  EXPECT_EQ(files().Contents(Dest("a.html")), "A") << "the content stays";
  EXPECT_FALSE(Registered());
}

}  // namespace

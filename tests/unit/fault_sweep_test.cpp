// Fault-injection sweeps on the sample CD: a flow is run once to count
// every platform call it makes, then once for each of those calls with that
// one call failing. Every run must end (within a bounded number of user
// steps), show only the flow's own messages, change nothing outside the
// installation folder, the Start-menu folder and the uninstall key, and
// leave each rewritten page either as copied or as completely rewritten.
//
// Three flows are swept: the installer's copy phase alone, the whole
// installation from the program's start to its end, and the whole
// uninstallation of an installed sample CD. The windows a failure brings up
// are answered by standing answers, as a careful user would: Return in
// every dialog, Yes to the flow's own questions, OK to every notice.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "installer/CopyDlg.h"
#include "installer/InstallerApp.h"
#include "installer/resource.h"
#include "shell/Names.h"
#include "tests/memory/MemoryFaults.h"
#include "tests/memory/MemoryPlatform.h"
#include "tests/unit/InstallerTexts.h"
#include "tests/unit/SweepSupport.h"
#include "tests/unit/TestSupport.h"
#include "uninst/InstallationFolder.h"
#include "uninst/UninstApp.h"
#include "uninst/resource.h"

std::string_view InstallerResources();
std::string_view UninstResources();

namespace {

using sweep::Snapshot;

const std::string kDest = "C:\\Program Files\\Harborlit\\Drama1";
const std::string kStartMenu = sweep::kPrograms + "\\" + names::kStartMenuFolder;
const std::string kPages[] = {kDest + "\\01.html", kDest + "\\05.html"};
using sweep::kMaxUserSteps;
// The drives a flow could write to: the CDs in P: and Q: are read-only.
constexpr char kFixedDrives[] = "C";

using namespace installer_texts;
const std::vector<std::string> kInstallerNotices = {
    kNoDest,
    kCreateFailed,
    kFileInTheWay,
    kGuardedDest,
    kUntrustedDest,
    kOwnFolder,
    kNotComplete,
    kNoInstallDat,
    kNoProgressBar,
    kCopyFailed,
    kUninstallerCopyFailed,
    kStartMenuFailed,
    kPages[0] + kPageNotFound,
    kPages[0] + kPageNotWritten,
    kPages[1] + kPageNotFound,
    kPages[1] + kPageNotWritten,
};

bool OneOf(const std::string& text, const std::vector<std::string>& texts) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

using sweep::AnswerAsTheInstallersUser;
using sweep::RunProgram;
using sweep::SetUpSystem;

// Everything opened is closed, except what a failing close left open.
void ExpectAllClosed(MemoryPlatform& platform, const std::string& failedOp) {
  EXPECT_EQ(platform.Files().OpenStreams(), 0);
  if (failedOp != "findclose") {
    EXPECT_EQ(platform.Files().OpenSearches(), 0);
  }
  if (failedOp != "RegCloseKey") {
    EXPECT_EQ(platform.Registry().OpenHandles(), 0);
  }
  const mem::ShellCounters& shell = platform.Shell().Counters();
  EXPECT_EQ(shell.comDepth, 0);
  EXPECT_EQ(shell.liveLinks + shell.livePersistFiles + shell.liveMallocs + shell.liveItemLists, 0);
}

void ExpectNothingChangedOutside(const Snapshot& before, const Snapshot& after) {
  const std::vector<std::string> outside =
      sweep::ChangesOutside(before, after, {kDest, kStartMenu}, {names::UninstallKey()});
  EXPECT_TRUE(outside.empty()) << "changed outside: " << testing::PrintToString(outside);
  // No scratch file outlives its copy, whatever failed.
  for (const auto& [name, bytes] : sweep::FilesBelow(after, kDest)) {
    EXPECT_EQ(name.find("~inst"), std::string::npos) << name;
  }
}

// For each call counted by a clean run, one run with that call failing.
// run(op, n) sets up a fresh system, makes the nth call of op fail and
// checks the run. Returns the number of runs.
int SweepEveryCall(const std::map<std::string, int>& calls,
                   const std::function<void(const std::string& op, int n)>& run) {
  int runs = 0;
  for (const auto& [op, count] : calls) {
    for (int n = 1; n <= count; ++n) {
      SCOPED_TRACE(op + " call " + std::to_string(n) + " of " + std::to_string(count));
      run(op, n);
      ++runs;
    }
  }
  return runs;
}

// ---------------------------------------------------------------- the copy phase

struct CopyRun {
  MemoryPlatform platform;
  FirstPaintFlag firstPaint;
  Snapshot before;

  CopyRun() {
    SetUpSystem(platform);
    platform.Ui().AddResources(InstallerResources());
    platform.Ui().SetModuleFileName("Q:\\installer.exe");
    platform.Ui().AnswerUnscriptedMessageBoxes(IDNO);
    platform.Files().AddFolder(kDest);
    before = sweep::Take(platform, kFixedDrives);
  }

  INT_PTR Copy() {
    platform.Ui().ExpectDialog(IDD_COPY, {});
    CCopyDlg dialog(platform, firstPaint);
    dialog.SetPaths("Q", kDest.c_str());
    return dialog.DoModal();
  }
};

TEST(FaultSweepTest, EveryFailingCallOfTheCopyPhaseEndsCleanly) {
  // The clean run: count the calls of each operation and keep the pages.
  std::map<std::string, int> calls;
  std::map<std::string, std::string> pagesCopied, pagesRewritten;
  {
    CopyRun clean;
    const sweep::CallCounter counter(clean.platform);
    ASSERT_EQ(clean.Copy(), IDOK) << clean.platform.Dump();
    ASSERT_TRUE(clean.platform.Ui().MessageBoxes().empty());
    calls = counter.Counts();
    for (const std::string& page : kPages) {
      pagesCopied[page] = clean.platform.Files().Contents("Q:\\HTML" + page.substr(kDest.size())).value();
      pagesRewritten[page] = clean.platform.Files().Contents(page).value();
      ASSERT_NE(pagesCopied[page], pagesRewritten[page]) << page;
    }
  }
  ASSERT_GT(calls["CreateFileAt"], 5);
  ASSERT_GT(calls["WriteByHandle"], 5);

  const int runs = SweepEveryCall(calls, [&](const std::string& op, int n) {
    CopyRun run;
    const FaultRule& fault = run.platform.Fail(op, sweep::FailureCodeFor(op)).OnCall(n);
    INT_PTR result = 0;
    ASSERT_NO_THROW(result = run.Copy()) << run.platform.Dump();
    EXPECT_EQ(fault.Fired(), 1);
    EXPECT_TRUE(result == IDOK || result == IDCANCEL) << result;

    // Only the flow's own messages; a failed installation names its failure.
    const auto& boxes = run.platform.Ui().MessageBoxes();
    for (const auto& box : boxes)
      EXPECT_TRUE(OneOf(box.text.str(), kInstallerNotices)) << testing::PrintToString(box.text);
    if (result == IDCANCEL) {
      EXPECT_FALSE(boxes.empty());
    }
    ExpectNothingChangedOutside(run.before, sweep::Take(run.platform, kFixedDrives));
    // A page is as copied or completely rewritten, never in between.
    for (const auto& [page, copied] : pagesCopied) {
      const auto now = run.platform.Files().Contents(page);
      if (!now) continue;
      EXPECT_TRUE(*now == copied || *now == pagesRewritten[page]) << page;
    }
    ExpectAllClosed(run.platform, op);
  });
  EXPECT_GT(runs, 20);
  RecordProperty("runs", runs);
}

// ---------------------------------------------------------------- the whole installation

// The installer from its start on a system holding the sample CD; the
// destination is the default one, which does not exist yet.
struct InstallRun {
  MemoryPlatform platform;
  Snapshot before;

  InstallRun() {
    SetUpSystem(platform);
    AnswerAsTheInstallersUser(platform.Ui());
    before = sweep::Take(platform, kFixedDrives);
  }
  void Run() { RunProgram<CInstallerApp>(platform); }
};

TEST(FaultSweepTest, EveryFailingCallOfTheWholeInstallationEndsCleanly) {
  std::map<std::string, int> calls;
  Snapshot installed;
  std::map<std::string, std::string> pagesCopied, pagesRewritten;
  {
    InstallRun clean;
    const sweep::CallCounter counter(clean.platform);
    clean.Run();
    ASSERT_FALSE(testing::Test::HasFailure());
    calls = counter.Counts();
    installed = sweep::Take(clean.platform, kFixedDrives);
    std::vector<std::string> texts;
    for (const auto& box : clean.platform.Ui().MessageBoxes()) texts.push_back(box.text.str());
    ASSERT_EQ(texts, (std::vector<std::string>{kStart, kCreate}));
    ASSERT_EQ(clean.platform.Ui().Dialogs().size(), 3u);
    ASSERT_TRUE(clean.platform.Files().Exists(kStartMenu + "\\" + names::kUninstallShortcut));
    ASSERT_TRUE(clean.platform.Registry().HasKey(HKEY_LOCAL_MACHINE, names::UninstallKey()));
    for (const std::string& page : kPages) {
      pagesCopied[page] = clean.platform.Files().Contents("Q:\\HTML" + page.substr(kDest.size())).value();
      pagesRewritten[page] = clean.platform.Files().Contents(page).value();
    }
  }
  // Every part of the flow made its calls: the readme, the drive search,
  // the destination's creation, the copy, the pages, the registration.
  for (const char* op : {"GetVolumeInformationA", "GetDriveTypeA", "SHGetSpecialFolderPathA", "findfirst",
                         "CreateDirectoryA", "CreateFileAt", "Read", "WriteByHandle", "RenameByHandle",
                         "RegCreateKeyExA", "RegSetValueExA", "Save"}) {
    EXPECT_GT(calls[op], 0) << op;
  }
  const auto installedFiles = sweep::FilesBelow(installed, kDest);
  const auto installedShortcuts = sweep::FilesBelow(installed, kStartMenu);

  const int runs = SweepEveryCall(calls, [&](const std::string& op, int n) {
    InstallRun run;
    const FaultRule& fault = run.platform.Fail(op, sweep::FailureCodeFor(op)).OnCall(n);
    run.Run();
    EXPECT_EQ(fault.Fired(), 1);
    const MemoryUi& ui = run.platform.Ui();

    // Only the flow's messages, each with the buttons its kind has.
    std::vector<std::string> notices;
    for (const auto& box : ui.MessageBoxes()) {
      const std::string text = box.text.str();
      const bool question = OneOf(text, sweep::InstallerQuestions());
      EXPECT_TRUE(question || OneOf(text, kInstallerNotices)) << testing::PrintToString(box.text);
      EXPECT_EQ(box.caption, "installer");
      EXPECT_EQ(box.type & MB_TYPEMASK, question ? UINT{MB_YESNO} : UINT{MB_OK})
          << testing::PrintToString(box.text);
      if (!question) notices.push_back(text);
    }
    // The completion comes after a copy that ended with OK, and only then;
    // an installation that ends otherwise says so last.
    bool copied = false, completed = false;
    for (const auto& dialog : ui.Dialogs()) {
      if (dialog.templateId == IDD_COPY) copied = dialog.result == IDOK;
      if (dialog.templateId == IDD_FINISH) completed = true;
    }
    EXPECT_EQ(completed, copied);
    const Snapshot after = sweep::Take(run.platform, kFixedDrives);
    if (!completed) {
      ASSERT_FALSE(notices.empty()) << "an installation that ended early told nothing";
      EXPECT_TRUE(notices.back() == kNotComplete || notices.back() == kCreateFailed ||
                  notices.back() == kOwnFolder)
          << notices.back();
      if (notices.back() == kNotComplete) {
        EXPECT_GE(notices.size(), 2u) << "the failure itself was not named";
      }
    } else if (notices.empty()) {
      // A completion with no failure told is the whole installation. The
      // steps that go on silently may differ: attributes, the uninstall
      // entry's values and the shortcuts' fields.
      const auto missing = sweep::Differences(sweep::FilesBelow(after, kDest), installedFiles);
      EXPECT_TRUE(missing.empty()) << "installed otherwise: " << testing::PrintToString(missing);
      std::vector<std::string> shortcuts, expected;
      for (const auto& [name, bytes] : sweep::FilesBelow(after, kStartMenu)) shortcuts.push_back(name);
      for (const auto& [name, bytes] : installedShortcuts) expected.push_back(name);
      EXPECT_EQ(shortcuts, expected);
    }

    ExpectNothingChangedOutside(run.before, after);
    for (const std::string& page : kPages) {
      const auto now = run.platform.Files().Contents(page);
      if (!now) continue;
      EXPECT_TRUE(*now == pagesCopied[page] || *now == pagesRewritten[page]) << page;
    }
    ExpectAllClosed(run.platform, op);
  });
  EXPECT_GT(runs, 100);
  RecordProperty("runs", runs);
}

// ---------------------------------------------------------------- the whole uninstallation

// The sample CD installed by the installer, then the uninstaller started
// from the installation folder, with a dot-folder of the user's and a link
// to a folder outside planted in the installation folder.
struct UninstallRun {
  MemoryPlatform platform;
  Snapshot before;
  std::size_t boxesBefore = 0;
  std::size_t dialogsBefore = 0;

  UninstallRun() {
    SetUpSystem(platform);
    MemoryUi& ui = platform.Ui();
    ui.AddResources(InstallerResources());
    ui.SetModuleFileName("Q:\\installer.exe");
    ui.ExpectDialog(IDD_SETUP, {UiAction::Return()})
        .ExpectMessageBox(kStart, IDYES)
        .ExpectMessageBox(kCreate, IDYES)
        .ExpectDialog(IDD_COPY, {})
        .ExpectDialog(IDD_FINISH, {UiAction::Return()});
    RunProgram<CInstallerApp>(platform);
    ui.CheckScriptDone();

    platform.Files().AddFile(kDest + "\\.keep\\note.txt", "the user's");
    platform.Files().AddLink(kDest + "\\docs", "C:\\Users\\me\\Documents");
    platform.Files().SetCurrentFolder(kDest);
    ui.AddResources(UninstResources());
    ui.SetModuleFileName(kDest + "\\uninst.exe");
    ui.AlwaysAnswerDialog(IDD_CONFIRM, {UiAction::Return()})
        .AlwaysAnswerDialog(IDD_DONE, {UiAction::Return()});
    ui.AnswerUnscriptedMessageBoxes(IDNO);
    ui.LimitUserSteps(kMaxUserSteps);
    boxesBefore = ui.MessageBoxes().size();
    dialogsBefore = ui.Dialogs().size();
    before = sweep::Take(platform, kFixedDrives);
  }
  void Run() { RunProgram<CUninstApp>(platform); }
};

// The uninstaller's only message: a subfolder that cannot be removed, in
// the system's words for the error or as the error's number.
std::vector<std::string> UninstallerMessages() {
  std::vector<std::string> texts;
  for (DWORD code : {ERROR_ACCESS_DENIED, ERROR_DIR_NOT_EMPTY, ERROR_INVALID_NAME}) {
    texts.push_back(MemoryFileSystem::SystemText(code).str());
    texts.push_back("エラー " + std::to_string(code));
  }
  texts.push_back(kDest + kFolderStays);
  return texts;
}

TEST(FaultSweepTest, EveryFailingCallOfTheWholeUninstallationEndsCleanly) {
  std::map<std::string, int> calls;
  {
    UninstallRun clean;
    const sweep::CallCounter counter(clean.platform);
    clean.Run();
    ASSERT_FALSE(testing::Test::HasFailure());
    calls = counter.Counts();
    EXPECT_EQ(clean.platform.Ui().MessageBoxes().size(), clean.boxesBefore);
    EXPECT_FALSE(clean.platform.Registry().HasKey(HKEY_LOCAL_MACHINE, names::UninstallKey()));
    EXPECT_FALSE(clean.platform.Files().Exists(kStartMenu));
    EXPECT_EQ(clean.platform.Files().List(kDest), (std::vector<CString>{".keep", "uninst.exe"}));
  }
  for (const char* op : {"OpenFolderHandle", "GetFinalPathNameByHandleA", "OpenEntryAt",
                         "GetHandleAttributes", "ListFolderHandle", "DeleteByHandle", "RegDeleteKeyA",
                         "SHGetPathFromIDListA", "MoveFileExA", "GetWindowsDirectoryA"}) {
    EXPECT_GT(calls[op], 0) << op;
  }
  const std::vector<std::string> messages = UninstallerMessages();
  const std::string uninstaller = kDest + "\\" + names::kUninstaller;

  const int runs = SweepEveryCall(calls, [&](const std::string& op, int n) {
    UninstallRun run;
    const FaultRule& fault = run.platform.Fail(op, sweep::FailureCodeFor(op)).OnCall(n);
    run.Run();
    EXPECT_EQ(fault.Fired(), 1);
    const MemoryUi& ui = run.platform.Ui();

    // A folder that cannot be opened or resolved is refused before the
    // question, and nothing is removed.
    const bool refused = ui.MessageBoxes().size() > run.boxesBefore &&
                         ui.MessageBoxes()[run.boxesBefore].text == kFolderRefusal;
    if (refused) {
      EXPECT_EQ(ui.MessageBoxes().size(), run.boxesBefore + 1);
      EXPECT_TRUE(run.platform.Registry().HasKey(HKEY_LOCAL_MACHINE, names::UninstallKey()));
      EXPECT_TRUE(run.platform.Files().Exists(kStartMenu));
    }
    for (std::size_t i = run.boxesBefore + (refused ? 1 : 0); i < ui.MessageBoxes().size(); ++i) {
      const auto& box = ui.MessageBoxes()[i];
      EXPECT_TRUE(OneOf(box.text.str(), messages)) << testing::PrintToString(box.text);
      EXPECT_EQ(box.caption, "uninst");
      EXPECT_EQ(box.type, UINT{MB_OK | MB_ICONEXCLAMATION}) << testing::PrintToString(box.text);
    }
    // Confirmed, then completed whatever failed on the way.
    std::vector<std::pair<UINT, INT_PTR>> dialogs;
    for (std::size_t i = run.dialogsBefore; i < ui.Dialogs().size(); ++i) {
      dialogs.emplace_back(ui.Dialogs()[i].templateId, ui.Dialogs()[i].result);
    }
    using Shown = std::vector<std::pair<UINT, INT_PTR>>;
    EXPECT_EQ(dialogs, refused ? Shown{} : Shown({{IDD_CONFIRM, IDOK}, {IDD_DONE, IDOK}}));

    // What is left of the installation folder is as it was: nothing is
    // rewritten, the user's dot-folder and the program file stay.
    const Snapshot after = sweep::Take(run.platform, kFixedDrives);
    const auto filesBefore = sweep::FilesBelow(run.before, kDest);
    for (const auto& [path, bytes] : sweep::FilesBelow(after, kDest)) {
      const auto it = filesBefore.find(path);
      EXPECT_TRUE(it != filesBefore.end() && it->second == bytes) << path;
    }
    EXPECT_EQ(run.platform.Files().Contents(kDest + "\\.keep\\note.txt"), "the user's");
    EXPECT_TRUE(run.platform.Files().Exists(uninstaller));
    // Only the program file and the folder are left to the restart.
    for (const std::string& path : after.restart) {
      EXPECT_TRUE(path == uninstaller || path == kDest) << path;
    }
    ExpectNothingChangedOutside(run.before, after);
    ExpectAllClosed(run.platform, op);

    // Nor does the restart touch anything outside.
    run.platform.SimulateRestart();
    ExpectNothingChangedOutside(run.before, sweep::Take(run.platform, kFixedDrives));
  });
  EXPECT_GT(runs, 50);
  RecordProperty("runs", runs);
}

}  // namespace

// The adversary sweep: an ordinary user who may write to the installation
// folder, to the destination's parent and to the Start-menu folder makes one
// move at a platform call of a whole flow (before the call runs), and the
// flow runs on with standing answers. For every call a clean run makes and
// every move that applies to the places that call names, one run; each must
// end, show only the program's own messages, reach nothing inside the
// canary folder the links point to, and change nothing outside the places
// the flow may change.
//
// With DRAMA_ADVERSARY_PAIRS set (./test.sh --adversary), every two moves
// that apply at the same call are also tried together.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "installer/HeldFolders.h"
#include "installer/InstallerApp.h"
#include "shell/Names.h"
#include "tests/memory/MemoryFaults.h"
#include "tests/memory/MemoryPlatform.h"
#include "tests/unit/InstallerTexts.h"
#include "tests/unit/SweepSupport.h"
#include "uninst/InstallationFolder.h"
#include "uninst/UninstApp.h"
#include "uninst/resource.h"

std::string_view UninstResources();

namespace {

using sweep::Snapshot;

// A folder an ordinary user made, holding the destination: they may change
// everything in it.
const std::string kGames = "C:\\Games";
const std::string kInstall = kGames + "\\Drama1";
const std::string kStartMenu = sweep::kPrograms + "\\" + names::kStartMenuFolder;
// What the links the user plants point to: nothing may reach inside.
const std::string kOutside = "C:\\outside";
// Another folder of the user's beside the destination: a link may point
// there too, and nothing of it may change.
const std::string kSaves = kGames + "\\saves";

// ---------------------------------------------------------------- moves

struct Move {
  const char* name;
  std::function<void(MemoryFileSystem&, const std::string& target)> make;
  bool putsLink = false;
};

std::string ParentOf(const std::string& path) { return FolderOf(CString(path)).str(); }

const std::vector<Move>& Moves() {
  static const std::vector<Move> moves = {
      {"rename", [](MemoryFileSystem& fs, const std::string& t) { fs.UserRename(t, t + "~"); }},
      {"a link to the canaries in its place",
       [](MemoryFileSystem& fs, const std::string& t) {
         if (fs.Exists(t) && fs.UserRename(t, t + "~") != 0) return;
         fs.AddLink(t, kOutside);
       },
       true},
      {"a link to the user's other folder in its place",
       [](MemoryFileSystem& fs, const std::string& t) {
         if (fs.Exists(t) && fs.UserRename(t, t + "~") != 0) return;
         fs.AddLink(t, kSaves);
       },
       true},
      // Where nothing is yet, a file: in the way of a folder the program
      // would make, or of a file it would write.
      {"a file for a folder, a folder for a file",
       [](MemoryFileSystem& fs, const std::string& t) {
         if (fs.IsFolder(t)) {
           if (fs.UserRename(t, t + "~") == 0) fs.AddFile(t, "planted");
         } else if (!fs.Exists(t)) {
           fs.AddFile(t, "planted");
         } else if (fs.UserDelete(t) == 0) {
           fs.AddFolder(t);
         }
       }},
      {"delete", [](MemoryFileSystem& fs, const std::string& t) { fs.UserDelete(t); }},
      {"hostile names beside it (without an exact form, a trailing dot, a device's)",
       [](MemoryFileSystem& fs, const std::string& t) {
         const std::string folder = fs.IsFolder(t) ? t : ParentOf(t);
         fs.AddUnnarrowable(folder + "\\x?..?..?outside", true);
         fs.AddRawEntry(folder, "evil.", false);
         fs.AddRawEntry(folder, "nul.txt", false);
       }},
  };
  return moves;
}

// ---------------------------------------------------------------- flows

struct Flow {
  const char* name;
  // Sets up the system up to the run (the installation, for an uninstallation).
  std::function<void(MemoryPlatform&)> arrange;
  std::function<void(MemoryPlatform&)> run;
  // The texts the program may show, besides the system's error texts.
  std::vector<std::string> messages;
  bool linkedDestinationIsChosen = false;
};

void Arrange(MemoryPlatform& p) {
  sweep::SetUpSystem(p);
  p.Files().AddFile(kOutside + "\\canary.txt", "outside");
  p.Files().AddFile(kOutside + "\\images\\top.jpg", "outside");
  p.Files().AddFolder(kInstall);
  p.Files().AddFile(kSaves + "\\game.sav", "the user's");
}

void Install(MemoryPlatform& p) { sweep::RunProgram<CInstallerApp>(p); }

void InstallFirst(MemoryPlatform& p) {
  Arrange(p);
  sweep::AnswerAsTheInstallersUser(p.Ui(), kInstall.c_str());
  Install(p);
  p.Ui().CheckScriptDone();
  MemoryUi& ui = p.Ui();
  ui.AddResources(UninstResources());
  ui.SetModuleFileName(kInstall + "\\uninst.exe");
  ui.AlwaysAnswerDialog(IDD_CONFIRM, {UiAction::Return()}).AlwaysAnswerDialog(IDD_DONE, {UiAction::Return()});
  ui.AnswerUnscriptedMessageBoxes(IDNO);
  ui.LimitUserSteps(sweep::kMaxUserSteps);
}

std::vector<std::string> InstallerMessages() {
  using namespace installer_texts;
  std::vector<std::string> texts = {kNoDest,        kCreateFailed,          kFileInTheWay,    kGuardedDest,
                                    kUntrustedDest, kNotComplete,           kNoInstallDat,    kNoProgressBar,
                                    kCopyFailed,    kUninstallerCopyFailed, kStartMenuFailed, kOwnFolder};
  for (const char* page : {"01.html", "05.html"}) {
    texts.push_back(kInstall + "\\" + page + kPageNotFound);
    texts.push_back(kInstall + "\\" + page + kPageNotWritten);
  }
  for (const std::string& q : sweep::InstallerQuestions()) texts.push_back(q);
  return texts;
}

const std::vector<Flow>& Flows() {
  static const std::vector<Flow> flows = {
      {"the installation into an existing folder of the user's",
       [](MemoryPlatform& p) {
         Arrange(p);
         sweep::AnswerAsTheInstallersUser(p.Ui(), kInstall.c_str());
       },
       Install, InstallerMessages(), true},
      {"the uninstallation",
       InstallFirst,
       sweep::RunProgram<CUninstApp>,
       {kFolderRefusal, kRootRefusal, kInstall + kFolderStays}},
      {"the uninstallation of nested folders",
       [](MemoryPlatform& p) {
         InstallFirst(p);
         p.Files().AddFile(kInstall + "\\a\\b\\c\\d\\deep.txt", "deep");
         p.Files().AddFile(kInstall + "\\a\\b\\side.txt", "side");
         p.Files().AddFile(kInstall + "\\a\\e\\f.txt", "f");
       },
       sweep::RunProgram<CUninstApp>,
       {kFolderRefusal, kRootRefusal, kInstall + kFolderStays}},
  };
  return flows;
}

// ---------------------------------------------------------------- the sweep

// The places a move may act on among those a call names: each path and the
// folders above it, as long as they lie in the destination's parent (not
// the parent itself) or are the Start-menu folder or below it.
std::vector<std::string> TargetsOf(const std::vector<std::string>& paths) {
  std::set<std::string> found;
  for (std::string p : paths) {
    if (p.size() < 3 || p[1] != ':') continue;
    for (; p.size() > 3; p = ParentOf(p)) {
      const bool inGames = sweep::Below(p, kGames) && p.size() > kGames.size();
      if (inGames || sweep::Below(p, kStartMenu)) found.insert(p);
    }
  }
  return {found.begin(), found.end()};
}

// One step of the adversary: which call, and what it does there.
struct Step {
  std::string op;
  int n = 0;
  const Move* move = nullptr;
  std::string target;
  std::string Describe() const {
    return std::string(move->name) + " at " + target + ", before " + op + " call " + std::to_string(n);
  }
  // What the move itself may change (a rename's new name, a planted name).
  std::vector<std::string> Places() const {
    std::vector<std::string> places = {target, target + "~"};
    for (const char* name : {"\\x?..?..?outside", "\\evil.", "\\nul.txt"}) {
      places.push_back(target + name);
      places.push_back(ParentOf(target) + name);
    }
    return places;
  }
};

// Every step that applies at each call of a clean run, in call order.
std::vector<std::vector<Step>> StepsOf(const Flow& flow) {
  MemoryPlatform clean;
  flow.arrange(clean);
  std::vector<const mem::FaultRule*> rules;
  for (std::string_view op : mem::KnownOperations()) {
    rules.push_back(&clean.Fail(op, ERROR_ACCESS_DENIED).OnCall(1'000'000'000).RecordPaths());
  }
  flow.run(clean);
  std::vector<std::vector<Step>> steps;
  for (const mem::FaultRule* rule : rules) {
    for (std::size_t i = 0; i < rule->PathsSeen().size(); ++i) {
      std::vector<Step> at;
      for (const std::string& target : TargetsOf(rule->PathsSeen()[i])) {
        for (const Move& move : Moves()) {
          // A destination that is a link when the installer looks at it is
          // one the user chose: it is followed once, and then held.
          if (flow.linkedDestinationIsChosen && target == kInstall && move.putsLink) continue;
          at.push_back({rule->Operation(), static_cast<int>(i + 1), &move, target});
        }
      }
      if (!at.empty()) steps.push_back(std::move(at));
    }
  }
  return steps;
}

bool IsSystemText(const std::string& text) {
  static const std::set<std::string> texts = [] {
    std::set<std::string> known;
    for (DWORD code = 1; code < 16000; ++code) {
      const CString t = MemoryFileSystem::SystemText(code);
      if (!t.IsEmpty()) known.insert(t.str());
    }
    return known;
  }();
  return texts.count(text) != 0 || text.rfind("エラー ", 0) == 0;
}

// True when a path leads through a link (its own name included): the user
// cannot write into the canaries the links point to.
bool ThroughLink(const MemoryFileSystem& fs, const std::string& path) {
  for (std::string p = path; p.size() > 3; p = ParentOf(p)) {
    const std::optional<DWORD> attributes = fs.Attributes(p);
    if (attributes && (*attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return true;
  }
  return false;
}

void RunWith(const Flow& flow, const std::vector<Step>& steps) {
  MemoryPlatform p;
  flow.arrange(p);
  MemoryFileSystem& fs = p.Files();
  std::vector<const mem::FaultRule*> rules;
  for (const Step& step : steps) {
    rules.push_back(&p.Fail(step.op, 0).OnCall(step.n).Before([&fs, &step] {
      if (!ThroughLink(fs, step.target)) step.move->make(fs, step.target);
    }));
  }
  const Snapshot before = sweep::Take(p, "C");
  const std::size_t boxesBefore = p.Ui().MessageBoxes().size();
  fs.Watch(kOutside);
  flow.run(p);
  for (const mem::FaultRule* rule : rules) EXPECT_EQ(rule->Fired(), 1) << "the move was made";
  EXPECT_TRUE(fs.Touches().empty()) << "reached inside the canaries: "
                                    << testing::PrintToString(fs.Touches());
  const auto& boxes = p.Ui().MessageBoxes();
  for (std::size_t i = boxesBefore; i < boxes.size(); ++i) {
    const std::string text = boxes[i].text.str();
    EXPECT_TRUE(std::find(flow.messages.begin(), flow.messages.end(), text) != flow.messages.end() ||
                IsSystemText(text))
        << testing::PrintToString(boxes[i].text);
  }
  std::vector<std::string> places = {kInstall, kStartMenu};
  for (const Step& step : steps) {
    for (const std::string& place : step.Places()) places.push_back(place);
  }
  const std::vector<std::string> outside =
      sweep::ChangesOutside(before, sweep::Take(p, "C"), places, {names::UninstallKey()});
  EXPECT_TRUE(outside.empty()) << "changed outside: " << testing::PrintToString(outside);
}

TEST(AdversarySweepTest, NoMoveAtAnyCallLeadsAFlowOutside) {
  const bool pairs = std::getenv("DRAMA_ADVERSARY_PAIRS") != nullptr;
  for (const Flow& flow : Flows()) {
    SCOPED_TRACE(flow.name);
    const std::vector<std::vector<Step>> calls = StepsOf(flow);
    ASSERT_GT(calls.size(), 10u);
    int runs = 0;
    for (std::size_t c = 0; c < calls.size(); ++c) {
      for (const Step& step : calls[c]) {
        SCOPED_TRACE(step.Describe());
        RunWith(flow, {step});
        ++runs;
        if (!pairs) continue;
        for (const Step* other = &step + 1; other != calls[c].data() + calls[c].size(); ++other) {
          SCOPED_TRACE("and " + other->Describe());
          RunWith(flow, {step, *other});
          ++runs;
        }
      }
      if (testing::Test::HasFailure()) return;
    }
    RecordProperty(std::string("runs: ") + flow.name, runs);
  }
}

}  // namespace

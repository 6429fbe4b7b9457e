// Helpers of the fault-injection sweeps: the sample CD on a memory system,
// counting the platform calls of a run, the failure code a failing call
// gives, and snapshots of everything a run could change, compared with the
// places a flow may write to.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tests/memory/MemoryPlatform.h"

namespace sweep {

inline const std::string kPrograms = "C:\\Users\\me\\Start Menu\\Programs";
// More than any run of these flows needs: the dialogs, their Returns and a
// few notices.
constexpr int kMaxUserSteps = 60;

// A system holding the sample CD in Q:, with neighbours that must stay as
// they are: beside the default installation folder, in its parents,
// elsewhere on C:, another program's Start-menu folder and uninstall key,
// and another CD.
void SetUpSystem(MemoryPlatform& platform);

// The installer's questions that lead on (answered Yes by its user).
const std::vector<std::string>& InstallerQuestions();

// The user of the whole installation: Return in each dialog, Yes to the
// questions that lead on, OK to every notice. With dest, the setup dialog
// gets dest typed and Return the first time, Escape (and Yes to quitting)
// any time after, when the destination was refused.
void AnswerAsTheInstallersUser(MemoryUi& ui, const char* dest = nullptr);

// Runs a program to its end; a script error (a window nobody expected, a
// dialog waiting for nothing, a run past the step limit) fails the test.
template <typename App>
void RunProgram(MemoryPlatform& platform) {
  try {
    App app;
    EXPECT_EQ(app.Run(platform, SW_SHOWNORMAL), 0);
  } catch (const UiScriptError& e) {
    ADD_FAILURE() << "the run did not end as a user could end it: " << e.what();
  }
  EXPECT_EQ(platform.Ui().MainFrame(), nullptr) << "the program has ended";
}

// The CD's files (read once from the source tree) as read-only files below
// drive:\, "uninst.dat" among them.
void AddSampleCd(MemoryFileSystem& files, char drive);

// Operations that report an HRESULT fail with E_FAIL; GetDriveTypeA reports
// an unknown drive; the others fail with a system error code (a full disk
// for writes).
DWORD FailureCodeFor(std::string_view operation);

// Counts the calls of every operation from its construction on; the counts
// say which calls a sweep can make fail, one run each.
class CallCounter {
 public:
  explicit CallCounter(MemorySystem& system);
  // Operation -> number of calls, for the operations called at least once.
  std::map<std::string, int> Counts() const;
  int Total() const;

 private:
  std::vector<const mem::FaultRule*> m_rules;
};

// Everything a flow could change: every file and folder of the writable
// drives with its attributes and bytes, every key below HKEY_LOCAL_MACHINE
// with its values, and the restart list.
struct Snapshot {
  std::map<std::string, std::string> files;  // path -> attributes and bytes ("D" for a folder)
  std::map<std::string, std::string> keys;   // key path -> its values
  std::vector<std::string> restart;          // path and new name of each entry
};
// drives: the letters of the writable drives (a CD is read-only media,
// where every write fails).
Snapshot Take(MemoryPlatform& platform, std::string_view drives);

// True when path is folder or lies below it (ASCII case ignored).
bool Below(std::string_view path, std::string_view folder);

// What changed between the snapshots outside the given folders and keys
// (each with everything below it): created, changed or removed paths and
// keys, and restart entries naming any other path. Empty when nothing did.
std::vector<std::string> ChangesOutside(const Snapshot& before, const Snapshot& after,
                                        const std::vector<std::string>& folders,
                                        const std::vector<std::string>& keys);

// The keys that one map lacks or holds with another value than the other.
std::vector<std::string> Differences(const std::map<std::string, std::string>& a,
                                     const std::map<std::string, std::string>& b);

// The files below folder (relative paths -> bytes, attributes left out).
std::map<std::string, std::string> FilesBelow(const Snapshot& snapshot, const std::string& folder);

}  // namespace sweep

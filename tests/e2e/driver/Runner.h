// Runs a parsed script against the windows on the desktop, one command after
// the other, logging every step; stops at the first failure.
#pragma once

#include "tests/e2e/driver/Desktop.h"
#include "tests/e2e/driver/Script.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace e2e {

class Runner {
public:
  explicit Runner(std::FILE* log) : log_(log) {}

  // 0 when every command succeeded, 1 at the first failure.
  int Run(const std::vector<Command>& commands);

private:
  // What a step found, for the log, or why it failed.
  using Outcome = Expected<std::string>;

  // The handlers of Commands.def, one per row (Runner.cpp, Checks.cpp).
#define E2E_COMMAND(name, handler, ...) Outcome handler(const Command& cmd);
#include "tests/e2e/driver/Commands.def"
#undef E2E_COMMAND

  // A probe looks at the desktop once (desktop_, taken by Poll for the
  // round). It returns true when the wait is over, names the window it is
  // about (so that window is not taken for an unexpected one) and describes
  // what it saw for a timeout message.
  using Probe = std::function<bool(HWND& target, std::string& seen)>;

  // Probes until done, the timeout or the program's end; with watchOthers,
  // a window of the program that nobody expects fails the wait.
  Status Poll(std::uint32_t timeoutMs, const Probe& probe, bool watchOthers = true);
  Status CheckUnexpected(HWND target);
  bool AwaitedNext(const TopWindow& w) const;
  void Watch(DWORD pid, win32::UniqueHandle process);
  HWND FindTop(const std::wstring& caption) const;
  Expected<HWND> AwaitTop(const std::string& caption, std::uint32_t timeoutMs);
  Expected<HWND> AwaitControl(const Command& cmd);
  Outcome ExpectControlText(const Command& cmd, const std::wstring& wanted);
  Outcome Begin(Expected<Started> started);
  std::uint32_t TimeoutOf(const Command& cmd) const { return cmd.hasTimeout ? cmd.millis : defaultTimeoutMs_; }
  std::string DumpWindows() const;

  std::FILE* log_;
  std::uint32_t defaultTimeoutMs_ = 60000;
  std::set<std::wstring> allowed_;
  DWORD watchedPid_ = 0;           // the program's process: that of the first window waited for
  win32::UniqueHandle watched_;    // open on that process, to notice when it ends
  bool watchedEnded_ = false;      // seen ended by the current wait
  std::vector<TopWindow> desktop_; // the visible top-level windows of this round of a wait
  std::set<HWND> known_;           // the program's windows that the script has seen or allowed
  const Command* next_ = nullptr;  // the command that waits for a window next (NextAwaited)
  std::map<std::string, std::chrono::steady_clock::time_point> marks_; // set by mark
  bool stepping_ = false;                // the program runs only in short slices between looks (wait-window still=yes)
  std::optional<SuspendedProcess> held_; // the program held still (wait-window still=yes)
};

} // namespace e2e

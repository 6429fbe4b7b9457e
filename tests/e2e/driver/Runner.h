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
  // A probe looks at the desktop once (desktop_, taken by Poll for the round). It returns true when the wait is
  // over, names the window it is about (so that window is not taken for an
  // unexpected one) and describes what it saw for a timeout message.
  using Probe = std::function<bool(HWND& target, std::string& seen)>;

  bool Execute(const Command& cmd, std::string& note, std::string& error);
  // Probes until done, the timeout or the program's end; with watchOthers,
  // a window of the program that nobody expects fails the wait.
  bool Poll(std::uint32_t timeoutMs, const Probe& probe, std::string& error, bool watchOthers = true);
  bool CheckUnexpected(HWND target, std::string& error);
  bool AwaitedNext(const TopWindow& w) const;
  void Watch(DWORD pid);
  HWND FindTop(const std::wstring& caption) const;
  bool AwaitTop(const std::string& caption, std::uint32_t timeoutMs, HWND& hwnd, std::string& error);
  bool AwaitControl(const Command& cmd, HWND& control, std::string& error);
  std::uint32_t TimeoutOf(const Command& cmd) const { return cmd.hasTimeout ? cmd.millis : defaultTimeoutMs_; }
  std::string DumpWindows() const;

  bool DoAttach(const Command& cmd, std::string& note, std::string& error);
  bool DoWaitWindow(const Command& cmd, std::string& note, std::string& error);
  bool DoExpectMaximized(const Command& cmd, std::string& note, std::string& error);
  bool DoScreenshot(const Command& cmd, std::string& note, std::string& error);
  bool DoGetText(const Command& cmd, std::string& note, std::string& error);
  bool DoExpectText(const Command& cmd, std::string& note, std::string& error);
  bool DoSetText(const Command& cmd, std::string& note, std::string& error);
  bool DoClick(const Command& cmd, std::string& note, std::string& error);
  bool DoKey(const Command& cmd, std::string& note, std::string& error);
  bool DoExpectMsgBox(const Command& cmd, std::string& note, std::string& error);
  bool DoClose(const Command& cmd, std::string& note, std::string& error);
  bool DoExpectNoWindow(const Command& cmd, std::string& note, std::string& error);
  bool DoMeasureTexts(const Command& cmd, std::string& note, std::string& error);

  std::FILE* log_;
  std::uint32_t defaultTimeoutMs_ = 60000;
  std::set<std::wstring> allowed_;
  DWORD watchedPid_ = 0;  // the program's process: that of the first window waited for
  ProcessHandle watched_; // open on that process, to notice when it ends
  bool watchedEnded_ = false; // seen ended by the current wait
  std::vector<TopWindow> desktop_; // the visible top-level windows of this round of a wait
  std::set<HWND> known_;  // the program's windows that the script has seen or allowed
  const Command* next_ = nullptr; // the command that waits for a window next (NextAwaited)
  std::map<std::string, std::chrono::steady_clock::time_point> marks_; // set by mark
  bool stepping_ = false; // the program runs only in short slices between looks (wait-window still=yes)
  std::optional<SuspendedProcess> held_; // the program held still (wait-window still=yes)
};

} // namespace e2e

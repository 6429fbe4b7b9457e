#include "tests/e2e/driver/Runner.h"

#include "tests/e2e/driver/Checks.h"
#include "tests/e2e/driver/Png.h"

#include <optional>

namespace e2e {
namespace {

constexpr DWORD kPollMs = 50;
constexpr DWORD kSliceMs = 20;        // how long a stepped program runs between two looks
constexpr DWORD kSettleMs = 200;      // between two captures of a screenshot
constexpr int kMaxCaptures = 25;      // about five seconds for the screen to settle
constexpr int kMessageBoxTextId = 0xFFFF;

std::string Quote(const std::wstring& text) {
  std::string out(1, '"');
  out += Narrow(text);
  out += '"';
  return out;
}

// Classes of short-lived helper windows that are never part of a program's flow.
bool IsIgnoredClass(const std::wstring& cls) { return cls == L"tooltips_class32" || cls == L"#32768"; }

// A control's text on one log line: line breaks and tabs written as \n and \t.
std::string OneLine(const std::wstring& text) {
  std::string out;
  for (const char c : Narrow(WithLineFeeds(text))) {
    if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

std::string Hex(std::uintptr_t v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(v));
  return buf;
}

} // namespace

int Runner::Run(const std::vector<Command>& commands) {
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const Command& cmd = commands[i];
    next_ = NextAwaited(commands, i);
    std::fprintf(log_, "[%s] %s\n", cmd.origin.c_str(), cmd.source.c_str());
    std::fflush(log_);
    std::string note;
    std::string error;
    const ULONGLONG start = GetTickCount64();
    // A program held by wait-window still=yes runs again once the command
    // after it has ended.
    std::optional<SuspendedProcess> heldBefore = std::move(held_);
    held_.reset();
    const bool ok = Execute(cmd, note, error);
    heldBefore.reset();
    if (!ok) {
      held_.reset();
      std::fprintf(log_, "FAIL at %s: %s\nwindows on the desktop:\n%s", cmd.origin.c_str(), error.c_str(),
                   DumpWindows().c_str());
      std::fflush(log_);
      return 1;
    }
    std::fprintf(log_, "    ok (%llu ms)%s%s\n", static_cast<unsigned long long>(GetTickCount64() - start),
                 note.empty() ? "" : ": ", note.c_str());
    std::fflush(log_);
  }
  std::fprintf(log_, "PASS: %zu command(s)\n", commands.size());
  std::fflush(log_);
  return 0;
}

bool Runner::Execute(const Command& cmd, std::string& note, std::string& error) {
  switch (cmd.op) {
  case Op::Timeout:
    defaultTimeoutMs_ = cmd.millis;
    return true;
  case Op::Allow:
    allowed_.insert(Widen(cmd.caption));
    return true;
  case Op::Sleep:
    Sleep(cmd.millis);
    return true;
  case Op::Mark:
    marks_[cmd.caption] = std::chrono::steady_clock::now();
    return true;
  case Op::Elapsed: {
    const auto it = marks_.find(cmd.caption);
    if (it == marks_.end()) {
      error = "no mark '" + cmd.caption + "' was set";
      return false;
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - it->second);
    std::fprintf(log_, "elapsed\t%s\t%lld\n", cmd.caption.c_str(), static_cast<long long>(ms.count()));
    note = std::to_string(ms.count()) + " ms since mark " + cmd.caption;
    return true;
  }
  case Op::Run: {
    DWORD exitCode = 0;
    if (!RunProcess(Widen(cmd.text), TimeoutOf(cmd), exitCode, error)) return false;
    if (exitCode != 0) {
      error = "ended with exit code " + std::to_string(exitCode);
      return false;
    }
    note = "ended with exit code 0";
    return true;
  }
  case Op::Start:
  case Op::Open: {
    ProcessHandle process;
    DWORD pid = 0;
    const bool started = cmd.op == Op::Start
                             ? StartProgram(Widen(cmd.words[0]), Widen(cmd.words[1]), process, pid, error)
                             : OpenFile(Widen(cmd.words[0]), process, pid, error);
    if (!started) return false;
    watchedPid_ = pid;
    watchedEnded_ = false;
    watched_ = std::move(process);
    known_.clear();
    // Without a process, the one of the first window waited for is watched.
    note = pid != 0 ? "process " + std::to_string(pid) : "no process handed back: watching the first window's";
    return true;
  }
  case Op::ExpectExit: {
    if (watchedPid_ == 0) {
      error = "no program was started or waited for";
      return false;
    }
    DWORD exitCode = 0;
    const bool ended = Poll(
        TimeoutOf(cmd),
        [&](HWND&, std::string& seen) {
          if (watched_.Ended(exitCode)) return true;
          seen = "process " + std::to_string(watchedPid_) + " still runs";
          return false;
        },
        error);
    if (!ended) return false;
    if (exitCode != cmd.numbers[0]) {
      error = "ended with exit code " + std::to_string(exitCode);
      return false;
    }
    note = "ended with exit code " + std::to_string(exitCode);
    return true;
  }
  case Op::Attach: return DoAttach(cmd, note, error);
  case Op::WaitWindow: return DoWaitWindow(cmd, note, error);
  case Op::ExpectMaximized: return DoExpectMaximized(cmd, note, error);
  case Op::Screenshot: return DoScreenshot(cmd, note, error);
  case Op::GetText: return DoGetText(cmd, note, error);
  case Op::ExpectText: return DoExpectText(cmd, note, error);
  case Op::SetText: return DoSetText(cmd, note, error);
  case Op::Click: return DoClick(cmd, note, error);
  case Op::Key: return DoKey(cmd, note, error);
  case Op::ExpectMsgBox: return DoExpectMsgBox(cmd, note, error);
  case Op::Close: return DoClose(cmd, note, error);
  case Op::ExpectNoWindow: return DoExpectNoWindow(cmd, note, error);
  case Op::MeasureTexts: return DoMeasureTexts(cmd, note, error);
  default: return RunSystemCheck(cmd, note, error);
  }
}

bool Runner::Poll(std::uint32_t timeoutMs, const Probe& probe, std::string& error, bool watchOthers) {
  const ULONGLONG start = GetTickCount64();
  std::string seen;
  while (true) {
    // The end of the program and the clock are read before the desktop, so
    // every failure rests on a look taken after it: a program that ended,
    // or a deadline that passed, while the last look was being taken gets
    // one more look. Otherwise a window closing as its program ends, or a
    // window that came just in time, would be reported as a failure.
    // Stepping: the program runs for one slice, then is held while the
    // desktop is looked at, so no window can come and go between two looks.
    if (stepping_) {
      held_.reset();
      Sleep(kSliceMs);
      held_.emplace(watchedPid_);
    }
    DWORD exitCode = 0;
    const bool ended = watched_.Ended(exitCode);
    // Windows an ended program leaves on the desktop for a moment are gone
    // for the probes.
    watchedEnded_ = ended;
    const bool late = GetTickCount64() - start >= timeoutMs;
    // One look at the desktop serves the probe and the check for unexpected
    // windows alike: with two, a window that became visible between them
    // (the very one waited for) would be taken for an unexpected one.
    desktop_ = VisibleTopWindows();
    HWND target = nullptr;
    seen.clear();
    const bool done = probe(target, seen);
    if (watchOthers && !CheckUnexpected(target, error)) return false;
    if (done) return true;
    if (ended) {
      error = "the program (process " + std::to_string(watchedPid_) + ") has ended with exit code " +
              std::to_string(exitCode) + (seen.empty() ? "" : "; " + seen);
      return false;
    }
    if (late) {
      error = "timed out after " + std::to_string(timeoutMs) + " ms" + (seen.empty() ? "" : ": " + seen);
      return false;
    }
    if (!stepping_) Sleep(kPollMs);
  }
}

bool Runner::CheckUnexpected(HWND target, std::string& error) {
  for (auto it = known_.begin(); it != known_.end();) {
    it = IsWindow(*it) ? std::next(it) : known_.erase(it);
  }
  if (watchedPid_ == 0 || watchedEnded_) return true;
  for (const auto& w : desktop_) {
    if (w.pid != watchedPid_ || w.hwnd == target || known_.count(w.hwnd) || IsIgnoredClass(w.cls)) continue;
    if (allowed_.count(w.caption)) {
      known_.insert(w.hwnd);
      continue;
    }
    // The window the script waits for next may come before the current
    // command is done: it is that command's business.
    if (AwaitedNext(w)) continue;
    // Gone since the round's look (a box closing as it was answered): not unexpected.
    if (!IsWindowVisible(w.hwnd)) continue;
    error = "unexpected window: " + DescribeWindow(w.hwnd);
    return false;
  }
  return true;
}

bool Runner::AwaitedNext(const TopWindow& w) const {
  if (!next_) return false;
  // The window waited for next is a new one: a second window with the
  // caption of one the script already knows is not it.
  for (HWND k : known_) {
    if (k != w.hwnd && IsWindow(k) && WindowCaption(k) == w.caption) return false;
  }
  std::string boxText;
  if (next_->op == Op::ExpectMsgBox && w.cls == L"#32770") {
    HWND label = GetDlgItem(w.hwnd, kMessageBoxTextId);
    std::wstring text;
    if (label && ControlText(label, text)) boxText = Narrow(WithLineFeeds(text));
  }
  return Awaits(*next_, Narrow(w.caption), Narrow(w.cls), boxText);
}

void Runner::Watch(DWORD pid) {
  watchedPid_ = pid;
  watchedEnded_ = false;
  watched_ = pid ? ProcessHandle(pid) : ProcessHandle();
}

HWND Runner::FindTop(const std::wstring& caption) const {
  HWND found = nullptr;
  for (const auto& w : desktop_) {
    if (w.caption != caption) continue;
    if (w.pid == watchedPid_ && watchedEnded_) continue;
    if (w.pid == watchedPid_) return w.hwnd;
    if (!found) found = w.hwnd;
  }
  return found;
}

bool Runner::AwaitTop(const std::string& caption, std::uint32_t timeoutMs, HWND& hwnd, std::string& error) {
  const std::wstring wanted = Widen(caption);
  hwnd = nullptr;
  const bool ok = Poll(
      timeoutMs,
      [&](HWND& target, std::string& seen) {
        target = FindTop(wanted);
        hwnd = target;
        if (!target) seen = "no visible window " + Quote(wanted);
        return target != nullptr;
      },
      error);
  if (!ok) return false;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (watchedPid_ == 0) {
    Watch(pid);
    std::fprintf(log_, "    watching process %lu\n", static_cast<unsigned long>(pid));
  }
  known_.insert(hwnd);
  return true;
}

bool Runner::AwaitControl(const Command& cmd, HWND& control, std::string& error) {
  HWND top = nullptr;
  if (!AwaitTop(cmd.caption, TimeoutOf(cmd), top, error)) return false;
  control = GetDlgItem(top, static_cast<int>(cmd.controlId));
  if (!control) {
    error = "window \"" + cmd.caption + "\" has no control " + std::to_string(cmd.controlId) + " (" +
            DescribeWindow(top) + ")";
    return false;
  }
  return true;
}

bool Runner::DoAttach(const Command& cmd, std::string& note, std::string& error) {
  const std::wstring wanted = Widen(cmd.caption);
  HWND hwnd = nullptr;
  // The first look already counts: no window is unexpected before attaching.
  Watch(0);
  known_.clear();
  const bool ok = Poll(
      TimeoutOf(cmd),
      [&](HWND& target, std::string& seen) {
        target = hwnd = FindTop(wanted);
        if (!target) seen = "no visible window " + Quote(wanted);
        return target != nullptr;
      },
      error);
  if (!ok) return false;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  Watch(pid);
  note = "process " + std::to_string(watchedPid_) + ", windows:";
  for (const auto& w : VisibleTopWindows()) {
    if (w.pid != watchedPid_) continue;
    known_.insert(w.hwnd);
    note += ' ';
    note += Quote(w.caption);
  }
  return true;
}

bool Runner::DoWaitWindow(const Command& cmd, std::string& note, std::string& error) {
  HWND hwnd = nullptr;
  if (cmd.still && watchedPid_ == 0) {
    error = "still=yes needs a program: wait for one of its windows first";
    return false;
  }
  stepping_ = cmd.still;
  const bool found = AwaitTop(cmd.caption, TimeoutOf(cmd), hwnd, error);
  stepping_ = false;
  if (!found) {
    held_.reset();
    return false;
  }
  if (held_) note = "the program held still until the next command has ended; ";
  note += "window " + Hex(reinterpret_cast<std::uintptr_t>(hwnd)) + ", class " + Narrow(WindowClass(hwnd));
  return true;
}

bool Runner::DoExpectMaximized(const Command& cmd, std::string& note, std::string& error) {
  HWND hwnd = nullptr;
  if (!AwaitTop(cmd.caption, TimeoutOf(cmd), hwnd, error)) return false;
  const bool ok = Poll(
      TimeoutOf(cmd),
      [&](HWND& target, std::string& seen) {
        target = hwnd;
        // Maximised, and grown to the work area: under Wine the state can
        // be set while the window still has its first size, and what is
        // measured next must see the final one.
        RECT window{};
        RECT work{};
        if (IsZoomed(hwnd) && GetWindowRect(hwnd, &window) &&
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) && window.left <= work.left &&
            window.top <= work.top && window.right >= work.right && window.bottom >= work.bottom) {
          return true;
        }
        seen = IsZoomed(hwnd) ? "the window is maximised but not yet as large as the work area"
                              : "the window is not maximised";
        return false;
      },
      error);
  if (!ok) return false;
  RECT r{};
  GetWindowRect(hwnd, &r);
  note = "window rect (" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) +
         "," + std::to_string(r.bottom) + "), screen " + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" +
         std::to_string(GetSystemMetrics(SM_CYSCREEN));
  return true;
}

bool Runner::DoScreenshot(const Command& cmd, std::string& note, std::string& error) {
  HWND hwnd = nullptr;
  if (!AwaitTop(cmd.caption, defaultTimeoutMs_, hwnd, error)) return false;
  RECT area{};
  switch (cmd.area) {
  case Area::Client: {
    GetClientRect(hwnd, &area);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&area), 2);
    break;
  }
  case Area::Window: GetWindowRect(hwnd, &area); break;
  case Area::Screen:
    area = RECT{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    break;
  }

  // still=yes: the program holds still while the pictures are taken.
  std::optional<SuspendedProcess> held;
  if (cmd.still) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    held.emplace(pid);
    if (held->Count() == 0) {
      error = "cannot suspend the threads of process " + std::to_string(pid);
      return false;
    }
  }
  // The program may still be painting: take pictures until two in a row agree.
  Pixels previous;
  Pixels current;
  int captures = 0;
  bool stable = false;
  while (captures < kMaxCaptures && !stable) {
    if (captures > 0) Sleep(kSettleMs);
    previous = std::move(current);
    if (!CaptureScreen(area, current, error)) return false;
    ++captures;
    stable = captures > 1 && current.width == previous.width && current.height == previous.height &&
             current.rgb == previous.rgb;
    desktop_ = VisibleTopWindows();
    if (!CheckUnexpected(hwnd, error)) return false;
  }
  if (!IsWindow(hwnd) || !IsWindowVisible(hwnd)) {
    error = "the window was gone before its picture was taken";
    return false;
  }
  const auto png = EncodePng(current.width, current.height, current.rgb);
  if (png.empty()) {
    error = "cannot encode a " + std::to_string(current.width) + "x" + std::to_string(current.height) + " image";
    return false;
  }
  if (!WriteWholeFile(ToWindowsPath(cmd.text), png, error)) return false;
  note = std::to_string(current.width) + "x" + std::to_string(current.height) + " at (" +
         std::to_string(area.left) + "," + std::to_string(area.top) + ") after " + std::to_string(captures) +
         " capture(s)" + (stable ? "" : ", NOT stable") + (held ? ", the program held still" : "");
  return true;
}

bool Runner::DoGetText(const Command& cmd, std::string& note, std::string& error) {
  HWND control = nullptr;
  if (!AwaitControl(cmd, control, error)) return false;
  std::wstring text;
  if (!ControlText(control, text)) {
    error = "cannot read the text of control " + std::to_string(cmd.controlId);
    return false;
  }
  note = Quote(text);
  return true;
}

bool Runner::DoExpectText(const Command& cmd, std::string& note, std::string& error) {
  HWND control = nullptr;
  if (!AwaitControl(cmd, control, error)) return false;
  // expect-text-file: the text is read from the file named.
  std::string fromFile;
  if (!cmd.words.empty() && !ReadWholeFile(ToWindowsPath(cmd.words[0]), fromFile, error)) return false;
  const std::wstring wanted = Widen(cmd.words.empty() ? cmd.text : fromFile);
  HWND top = GetAncestor(control, GA_ROOT);
  const bool ok = Poll(
      TimeoutOf(cmd),
      [&](HWND& target, std::string& seen) {
        target = top;
        std::wstring text;
        if (!ControlText(control, text)) {
          seen = "cannot read the text of control " + std::to_string(cmd.controlId);
          return false;
        }
        if (text == wanted) return true;
        seen = "control " + std::to_string(cmd.controlId) + " holds " + Quote(text) + ", expected " + Quote(wanted);
        return false;
      },
      error);
  if (ok) note = Quote(wanted);
  return ok;
}

bool Runner::DoSetText(const Command& cmd, std::string& note, std::string& error) {
  HWND control = nullptr;
  if (!AwaitControl(cmd, control, error)) return false;
  if (!SetControlText(control, Widen(cmd.text))) {
    error = "WM_SETTEXT to control " + std::to_string(cmd.controlId) + " failed";
    return false;
  }
  note = "control " + std::to_string(cmd.controlId) + " = \"" + cmd.text + "\"";
  return true;
}

bool Runner::DoClick(const Command& cmd, std::string& note, std::string& error) {
  HWND control = nullptr;
  if (!AwaitControl(cmd, control, error)) return false;
  if (!IsWindowVisible(control) || !IsWindowEnabled(control)) {
    error = "control " + std::to_string(cmd.controlId) + " is hidden or disabled";
    return false;
  }
  std::wstring text;
  ControlText(control, text);
  // Posted, not sent: the click may open a modal window, and the driver must
  // go on while it is open.
  if (!PostMessageW(control, BM_CLICK, 0, 0)) {
    error = "posting BM_CLICK failed, error " + std::to_string(GetLastError());
    return false;
  }
  note = "clicked " + Quote(text);
  return true;
}

bool Runner::DoKey(const Command& cmd, std::string& note, std::string& error) {
  HWND top = nullptr;
  if (!AwaitTop(cmd.caption, defaultTimeoutMs_, top, error)) return false;
  // Keys go to the control that has the focus in the window's thread, as
  // typing would; the dialog's message loop then treats Return and Escape.
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  HWND receiver = top;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info) && info.hwndFocus &&
      (info.hwndFocus == top || IsChild(top, info.hwndFocus))) {
    receiver = info.hwndFocus;
  }
  note = "sent to " + Narrow(WindowClass(receiver)) + " " + std::to_string(GetDlgCtrlID(receiver) & 0xFFFF);
  const WPARAM vk = cmd.key == KeyName::Return ? VK_RETURN : VK_ESCAPE;
  const UINT scan = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
  const LPARAM down = 1 | static_cast<LPARAM>(scan) << 16;
  const LPARAM up = down | static_cast<LPARAM>(0xC0000000u);
  if (!PostMessageW(receiver, WM_KEYDOWN, vk, down)) {
    error = "posting the key failed, error " + std::to_string(GetLastError());
    return false;
  }
  // The key-down may already have closed the window (Escape in a dialog), so
  // the key-up has nobody to go to: that is not a failure.
  PostMessageW(receiver, WM_KEYUP, vk, up);
  return true;
}

bool Runner::DoExpectMsgBox(const Command& cmd, std::string& note, std::string& error) {
  const std::wstring wanted = WithLineFeeds(Widen(cmd.text));
  const std::wstring wantedCaption = Widen(cmd.msgCaption);
  HWND box = nullptr;
  bool ok = Poll(
      TimeoutOf(cmd),
      [&](HWND& target, std::string& seen) {
        for (const auto& w : desktop_) {
          if (w.cls != L"#32770") continue;
          HWND label = GetDlgItem(w.hwnd, kMessageBoxTextId);
          std::wstring text;
          if (!label || !ControlText(label, text)) continue;
          if (WithLineFeeds(text) == wanted && (!cmd.hasMsgCaption || w.caption == wantedCaption)) {
            target = box = w.hwnd;
            return true;
          }
        }
        seen = "no message box with the text";
        return false;
      },
      error);
  if (!ok) return false;

  const int id = cmd.answer == Answer::Yes ? IDYES : cmd.answer == Answer::No ? IDNO : IDOK;
  HWND button = GetDlgItem(box, id);
  if (!button || !IsWindowVisible(button)) {
    error = "the message box has no " + std::string(cmd.answer == Answer::Yes  ? "Yes"
                                                    : cmd.answer == Answer::No ? "No"
                                                                               : "OK") +
            " button (" + DescribeWindow(box) + ")";
    return false;
  }
  known_.insert(box);
  const std::string caption = Narrow(WindowCaption(box));
  if (!PostMessageW(button, BM_CLICK, 0, 0)) {
    error = "posting BM_CLICK failed, error " + std::to_string(GetLastError());
    return false;
  }
  // Whatever the program shows next, once the box is gone, is the next
  // command's business: the program may already be showing it.
  ok = Poll(
      TimeoutOf(cmd),
      [&](HWND& target, std::string& seen) {
        target = box;
        if (!IsWindow(box) || !IsWindowVisible(box)) return true;
        seen = "the message box is still open after the answer";
        return false;
      },
      error, false);
  if (ok) note = "caption \"" + caption + "\", answered";
  return ok;
}

bool Runner::DoClose(const Command& cmd, std::string& note, std::string& error) {
  HWND hwnd = nullptr;
  if (!AwaitTop(cmd.caption, defaultTimeoutMs_, hwnd, error)) return false;
  if (!PostMessageW(hwnd, WM_CLOSE, 0, 0)) {
    error = "posting WM_CLOSE failed, error " + std::to_string(GetLastError());
    return false;
  }
  note = "WM_CLOSE posted";
  return true;
}

bool Runner::DoExpectNoWindow(const Command& cmd, std::string& note, std::string& error) {
  const std::wstring caption = Widen(cmd.caption);
  const bool ok = Poll(
      TimeoutOf(cmd),
      [&](HWND& target, std::string& seen) {
        target = FindTop(caption);
        if (!target) return true;
        seen = "window " + Quote(caption) + " is still there";
        return false;
      },
      error);
  if (ok) note = "gone";
  return ok;
}

bool Runner::DoMeasureTexts(const Command& cmd, std::string& note, std::string& error) {
  HWND hwnd = nullptr;
  if (!AwaitTop(cmd.caption, defaultTimeoutMs_, hwnd, error)) return false;
  std::vector<TextFit> fits;
  std::wstring used;
  if (!MeasureTexts(hwnd, Widen(cmd.text), static_cast<int>(cmd.points), fits, used, error)) return false;
  int over = 0;
  for (const auto& f : fits) {
    // text-fit, caption, class and id, verdict, needed and given size, text
    std::fprintf(log_, "text-fit\t%s\t%s %d\t%s\t%ldx%ld\t%ldx%ld\t%s\n", cmd.caption.c_str(),
                 Narrow(f.cls).c_str(), f.id, f.fits ? "fits" : "overflows", f.need.cx, f.need.cy, f.have.cx,
                 f.have.cy, OneLine(f.text).c_str());
    if (!f.fits) ++over;
  }
  note = std::to_string(fits.size()) + " text(s) measured in " + Quote(used) + ", " + std::to_string(over) +
         " do not fit";
  return true;
}

std::string Runner::DumpWindows() const {
  std::string out;
  for (const auto& w : VisibleTopWindows()) {
    out += "  " + Hex(reinterpret_cast<std::uintptr_t>(w.hwnd)) + (w.pid == watchedPid_ ? " * " : "   ") +
           DescribeWindow(w.hwnd) + "\n";
  }
  return out;
}

} // namespace e2e

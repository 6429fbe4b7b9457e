#include "tests/e2e/driver/Runner.h"

#include <optional>

namespace e2e {
namespace {

constexpr DWORD kPollMs = 50;
constexpr DWORD kSliceMs = 20;   // how long a stepped program runs between two looks
constexpr DWORD kSettleMs = 200; // between two captures of a screenshot
constexpr int kMaxCaptures = 25; // about five seconds for the screen to settle
constexpr int kMessageBoxTextId = 0xFFFF;

std::string Quote(const std::wstring& text) { return '"' + Narrow(text) + '"'; }

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

win32::UniqueHandle OpenToWatch(DWORD pid) {
  return win32::UniqueHandle(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
}

// A screenshot's file: the name the script gave, with .bmp for its extension.
std::wstring BitmapName(const std::wstring& named) {
  const auto dot = named.find_last_of(L".\\/");
  return (dot != std::wstring::npos && named[dot] == L'.' ? named.substr(0, dot) : named) + L".bmp";
}

} // namespace

int Runner::Run(const std::vector<Command>& commands) {
  using Handler = Outcome (Runner::*)(const Command&);
  static constexpr Handler kHandlers[] = {
#define E2E_COMMAND(name, handler, ...) &Runner::handler,
#include "tests/e2e/driver/Commands.def"
#undef E2E_COMMAND
  };
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const Command& cmd = commands[i];
    next_ = NextAwaited(commands, i);
    std::fprintf(log_, "[%s] %s\n", cmd.origin.c_str(), cmd.source.c_str());
    std::fflush(log_);
    const ULONGLONG start = GetTickCount64();
    // A program held by wait-window still=yes runs again once the command
    // after it has ended.
    std::optional<SuspendedProcess> heldBefore = std::move(held_);
    held_.reset();
    const Outcome outcome = (this->*kHandlers[cmd.row])(cmd);
    heldBefore.reset();
    if (!outcome.ok()) {
      held_.reset();
      std::fprintf(log_, "FAIL at %s: %s\nwindows on the desktop:\n%s", cmd.origin.c_str(),
                   outcome.failure().reason.c_str(), DumpWindows().c_str());
      std::fflush(log_);
      return 1;
    }
    const std::string& note = outcome.value();
    std::fprintf(log_, "    ok (%llu ms)%s%s\n", static_cast<unsigned long long>(GetTickCount64() - start),
                 note.empty() ? "" : ": ", note.c_str());
    std::fflush(log_);
  }
  std::fprintf(log_, "PASS: %zu command(s)\n", commands.size());
  std::fflush(log_);
  return 0;
}

Status Runner::Poll(std::uint32_t timeoutMs, const Probe& probe, bool watchOthers) {
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
    const std::optional<DWORD> exitCode = ExitCode(watched_);
    // Windows an ended program leaves on the desktop for a moment are gone
    // for the probes.
    watchedEnded_ = exitCode.has_value();
    const bool late = GetTickCount64() - start >= timeoutMs;
    // One look at the desktop serves the probe and the check for unexpected
    // windows alike: with two, a window that became visible between them
    // (the very one waited for) would be taken for an unexpected one.
    desktop_ = VisibleTopWindows();
    HWND target = nullptr;
    seen.clear();
    const bool done = probe(target, seen);
    if (watchOthers) {
      if (auto checked = CheckUnexpected(target); !checked.ok()) return checked;
    }
    if (done) return Ok();
    if (exitCode) {
      return Fail("the program (process " + std::to_string(watchedPid_) + ") has ended with exit code " +
                  std::to_string(*exitCode) + (seen.empty() ? "" : "; " + seen));
    }
    if (late) return Fail("timed out after " + std::to_string(timeoutMs) + " ms" + (seen.empty() ? "" : ": " + seen));
    if (!stepping_) Sleep(kPollMs);
  }
}

Status Runner::CheckUnexpected(HWND target) {
  for (auto it = known_.begin(); it != known_.end();) {
    it = IsWindow(*it) ? std::next(it) : known_.erase(it);
  }
  if (watchedPid_ == 0 || watchedEnded_) return Ok();
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
    return Fail("unexpected window: " + DescribeWindow(w.hwnd));
  }
  return Ok();
}

bool Runner::AwaitedNext(const TopWindow& w) const {
  if (!next_) return false;
  // The window waited for next is a new one: a second window with the
  // caption of one the script already knows is not it.
  for (HWND k : known_) {
    if (k != w.hwnd && IsWindow(k) && WindowCaption(k) == w.caption) return false;
  }
  std::string boxText;
  if (next_->await == Await::MessageBox && w.cls == L"#32770") {
    HWND label = GetDlgItem(w.hwnd, kMessageBoxTextId);
    if (const auto text = label ? ControlText(label) : std::nullopt) boxText = Narrow(WithLineFeeds(*text));
  }
  return Awaits(*next_, Narrow(w.caption), Narrow(w.cls), boxText);
}

void Runner::Watch(DWORD pid, win32::UniqueHandle process) {
  watchedPid_ = pid;
  watchedEnded_ = false;
  watched_ = std::move(process);
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

Expected<HWND> Runner::AwaitTop(const std::string& caption, std::uint32_t timeoutMs) {
  const std::wstring wanted = Widen(caption);
  HWND hwnd = nullptr;
  const Status found = Poll(timeoutMs, [&](HWND& target, std::string& seen) {
    target = hwnd = FindTop(wanted);
    if (!target) seen = "no visible window " + Quote(wanted);
    return target != nullptr;
  });
  if (!found.ok()) return found.failure();
  if (watchedPid_ == 0) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    Watch(pid, OpenToWatch(pid));
    std::fprintf(log_, "    watching process %lu\n", static_cast<unsigned long>(pid));
  }
  known_.insert(hwnd);
  return hwnd;
}

Expected<HWND> Runner::AwaitControl(const Command& cmd) {
  const auto top = AwaitTop(cmd.caption, TimeoutOf(cmd));
  if (!top.ok()) return top;
  HWND control = GetDlgItem(top.value(), static_cast<int>(cmd.controlId));
  if (!control) {
    return Fail("window \"" + cmd.caption + "\" has no control " + std::to_string(cmd.controlId) + " (" +
                DescribeWindow(top.value()) + ")");
  }
  return control;
}

Runner::Outcome Runner::DoTimeout(const Command& cmd) {
  defaultTimeoutMs_ = cmd.millis;
  return std::string();
}

Runner::Outcome Runner::DoAllow(const Command& cmd) {
  allowed_.insert(Widen(cmd.caption));
  return std::string();
}

Runner::Outcome Runner::DoSleep(const Command& cmd) {
  Sleep(cmd.millis);
  return std::string();
}

Runner::Outcome Runner::DoMark(const Command& cmd) {
  marks_[cmd.caption] = std::chrono::steady_clock::now();
  return std::string();
}

Runner::Outcome Runner::DoElapsed(const Command& cmd) {
  const auto it = marks_.find(cmd.caption);
  if (it == marks_.end()) return Fail("no mark '" + cmd.caption + "' was set");
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - it->second);
  std::fprintf(log_, "elapsed\t%s\t%lld\n", cmd.caption.c_str(), static_cast<long long>(ms.count()));
  return std::to_string(ms.count()) + " ms since mark " + cmd.caption;
}

Runner::Outcome Runner::DoRun(const Command& cmd) {
  const auto exitCode = RunProcess(Widen(cmd.text), TimeoutOf(cmd));
  if (!exitCode.ok()) return exitCode.failure();
  if (exitCode.value() != 0) return Fail("ended with exit code " + std::to_string(exitCode.value()));
  return std::string("ended with exit code 0");
}

Runner::Outcome Runner::Begin(Expected<Started> started) {
  if (!started.ok()) return started.failure();
  const DWORD pid = started.value().pid;
  Watch(pid, std::move(started.value().process));
  known_.clear();
  // Without a process, the one of the first window waited for is watched.
  return pid != 0 ? "process " + std::to_string(pid) : "no process handed back: watching the first window's";
}

Runner::Outcome Runner::DoStart(const Command& cmd) {
  return Begin(StartProgram(Widen(cmd.words[0]), Widen(cmd.words[1])));
}

Runner::Outcome Runner::DoOpen(const Command& cmd) { return Begin(OpenFile(Widen(cmd.words[0]))); }

Runner::Outcome Runner::DoExpectExit(const Command& cmd) {
  if (watchedPid_ == 0) return Fail("no program was started or waited for");
  std::optional<DWORD> exitCode;
  const Status ended = Poll(TimeoutOf(cmd), [&](HWND&, std::string& seen) {
    exitCode = ExitCode(watched_);
    if (!exitCode) seen = "process " + std::to_string(watchedPid_) + " still runs";
    return exitCode.has_value();
  });
  if (!ended.ok()) return ended.failure();
  const std::string what = "ended with exit code " + std::to_string(*exitCode);
  if (*exitCode != cmd.numbers[0]) return Fail(what);
  return what;
}

Runner::Outcome Runner::DoAttach(const Command& cmd) {
  const std::wstring wanted = Widen(cmd.caption);
  HWND hwnd = nullptr;
  // The first look already counts: no window is unexpected before attaching.
  Watch(0, {});
  known_.clear();
  const Status found = Poll(TimeoutOf(cmd), [&](HWND& target, std::string& seen) {
    target = hwnd = FindTop(wanted);
    if (!target) seen = "no visible window " + Quote(wanted);
    return target != nullptr;
  });
  if (!found.ok()) return found.failure();
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  Watch(pid, OpenToWatch(pid));
  std::string note = "process " + std::to_string(watchedPid_) + ", windows:";
  for (const auto& w : VisibleTopWindows()) {
    if (w.pid != watchedPid_) continue;
    known_.insert(w.hwnd);
    note += ' ' + Quote(w.caption);
  }
  return note;
}

Runner::Outcome Runner::DoWaitWindow(const Command& cmd) {
  if (cmd.still && watchedPid_ == 0) return Fail("still=yes needs a program: wait for one of its windows first");
  stepping_ = cmd.still;
  const auto hwnd = AwaitTop(cmd.caption, TimeoutOf(cmd));
  stepping_ = false;
  if (!hwnd.ok()) {
    held_.reset();
    return hwnd.failure();
  }
  return std::string(held_ ? "the program held still until the next command has ended; " : "") + "window " +
         Hex(reinterpret_cast<std::uintptr_t>(hwnd.value())) + ", class " + Narrow(WindowClass(hwnd.value()));
}

Runner::Outcome Runner::DoExpectMaximized(const Command& cmd) {
  const auto top = AwaitTop(cmd.caption, TimeoutOf(cmd));
  if (!top.ok()) return top.failure();
  HWND hwnd = top.value();
  const Status grown = Poll(TimeoutOf(cmd), [&](HWND& target, std::string& seen) {
    target = hwnd;
    // Maximised, and grown to the work area: under Wine the state can
    // be set while the window still has its first size, and what is
    // measured next must see the final one.
    RECT window{};
    RECT work{};
    if (IsZoomed(hwnd) && GetWindowRect(hwnd, &window) && SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) &&
        window.left <= work.left && window.top <= work.top && window.right >= work.right &&
        window.bottom >= work.bottom) {
      return true;
    }
    seen = IsZoomed(hwnd) ? "the window is maximised but not yet as large as the work area"
                          : "the window is not maximised";
    return false;
  });
  if (!grown.ok()) return grown.failure();
  RECT r{};
  GetWindowRect(hwnd, &r);
  return "window rect (" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) +
         "," + std::to_string(r.bottom) + "), screen " + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" +
         std::to_string(GetSystemMetrics(SM_CYSCREEN));
}

Runner::Outcome Runner::DoScreenshot(const Command& cmd) {
  const auto top = AwaitTop(cmd.caption, defaultTimeoutMs_);
  if (!top.ok()) return top.failure();
  HWND hwnd = top.value();
  RECT area{};
  switch (cmd.area) {
  case Area::Client:
    GetClientRect(hwnd, &area);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&area), 2);
    break;
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
    if (held->Count() == 0) return Fail("cannot suspend the threads of process " + std::to_string(pid));
  }
  // The program may still be painting: take pictures until two in a row agree.
  std::optional<Picture> previous;
  Picture current;
  int captures = 0;
  bool stable = false;
  while (captures < kMaxCaptures && !stable) {
    if (captures > 0) Sleep(kSettleMs);
    auto picture = CaptureScreen(area);
    if (!picture.ok()) return picture.failure();
    if (captures > 0) previous = std::move(current);
    current = std::move(picture.value());
    ++captures;
    stable = previous && previous->bmp == current.bmp;
    desktop_ = VisibleTopWindows();
    if (auto checked = CheckUnexpected(hwnd); !checked.ok()) return checked.failure();
  }
  if (!IsWindow(hwnd) || !IsWindowVisible(hwnd)) return Fail("the window was gone before its picture was taken");
  // The scenarios turn the BMP into the PNG the script named.
  const std::wstring file = BitmapName(ToWindowsPath(cmd.text));
  if (auto written = WriteWholeFile(file, current.bmp); !written.ok()) return written.failure();
  std::fprintf(log_, "picture\t%s\n", Narrow(file).c_str());
  return std::to_string(current.width) + "x" + std::to_string(current.height) + " at (" + std::to_string(area.left) +
         "," + std::to_string(area.top) + ") after " + std::to_string(captures) + " capture(s)" +
         (stable ? "" : ", NOT stable") + (held ? ", the program held still" : "");
}

Runner::Outcome Runner::DoGetText(const Command& cmd) {
  const auto control = AwaitControl(cmd);
  if (!control.ok()) return control.failure();
  const auto text = ControlText(control.value());
  if (!text) return Fail("cannot read the text of control " + std::to_string(cmd.controlId));
  return Quote(*text);
}

Runner::Outcome Runner::ExpectControlText(const Command& cmd, const std::wstring& wanted) {
  const auto control = AwaitControl(cmd);
  if (!control.ok()) return control.failure();
  HWND top = GetAncestor(control.value(), GA_ROOT);
  const Status shown = Poll(TimeoutOf(cmd), [&](HWND& target, std::string& seen) {
    target = top;
    const auto text = ControlText(control.value());
    if (text && *text == wanted) return true;
    seen = text ? "control " + std::to_string(cmd.controlId) + " holds " + Quote(*text) + ", expected " + Quote(wanted)
                : "cannot read the text of control " + std::to_string(cmd.controlId);
    return false;
  });
  if (!shown.ok()) return shown.failure();
  return Quote(wanted);
}

Runner::Outcome Runner::DoExpectText(const Command& cmd) { return ExpectControlText(cmd, Widen(cmd.text)); }

Runner::Outcome Runner::DoExpectTextFile(const Command& cmd) {
  const auto text = ReadWholeFile(ToWindowsPath(cmd.words[0]));
  if (!text.ok()) return text.failure();
  return ExpectControlText(cmd, Widen(text.value()));
}

Runner::Outcome Runner::DoSetText(const Command& cmd) {
  const auto control = AwaitControl(cmd);
  if (!control.ok()) return control.failure();
  if (!SetControlText(control.value(), Widen(cmd.text))) {
    return Fail("WM_SETTEXT to control " + std::to_string(cmd.controlId) + " failed");
  }
  return "control " + std::to_string(cmd.controlId) + " = \"" + cmd.text + "\"";
}

Runner::Outcome Runner::DoClick(const Command& cmd) {
  const auto control = AwaitControl(cmd);
  if (!control.ok()) return control.failure();
  if (!IsWindowVisible(control.value()) || !IsWindowEnabled(control.value())) {
    return Fail("control " + std::to_string(cmd.controlId) + " is hidden or disabled");
  }
  const std::wstring text = ControlText(control.value()).value_or(L"");
  // Posted, not sent: the click may open a modal window, and the driver must
  // go on while it is open.
  if (!PostMessageW(control.value(), BM_CLICK, 0, 0)) return LastError("posting BM_CLICK");
  return "clicked " + Quote(text);
}

Runner::Outcome Runner::DoKey(const Command& cmd) {
  const auto top = AwaitTop(cmd.caption, defaultTimeoutMs_);
  if (!top.ok()) return top.failure();
  // Keys go to the control that has the focus in the window's thread, as
  // typing would; the dialog's message loop then treats Return and Escape.
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  HWND receiver = top.value();
  if (GetGUIThreadInfo(GetWindowThreadProcessId(receiver, nullptr), &info) && info.hwndFocus &&
      (info.hwndFocus == receiver || IsChild(receiver, info.hwndFocus))) {
    receiver = info.hwndFocus;
  }
  const WPARAM vk = cmd.key == KeyName::Return ? VK_RETURN : VK_ESCAPE;
  const UINT scan = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
  const LPARAM down = 1 | static_cast<LPARAM>(scan) << 16;
  const LPARAM up = down | static_cast<LPARAM>(0xC0000000u);
  if (!PostMessageW(receiver, WM_KEYDOWN, vk, down)) return LastError("posting the key");
  // The key-down may already have closed the window (Escape in a dialog), so
  // the key-up has nobody to go to: that is not a failure.
  PostMessageW(receiver, WM_KEYUP, vk, up);
  return "sent to " + Narrow(WindowClass(receiver)) + " " + std::to_string(GetDlgCtrlID(receiver) & 0xFFFF);
}

Runner::Outcome Runner::DoExpectMsgBox(const Command& cmd) {
  const std::wstring wanted = WithLineFeeds(Widen(cmd.text));
  const std::wstring wantedCaption = Widen(cmd.msgCaption);
  HWND box = nullptr;
  const Status found = Poll(TimeoutOf(cmd), [&](HWND& target, std::string& seen) {
    for (const auto& w : desktop_) {
      if (w.cls != L"#32770") continue;
      HWND label = GetDlgItem(w.hwnd, kMessageBoxTextId);
      const auto text = label ? ControlText(label) : std::nullopt;
      if (text && WithLineFeeds(*text) == wanted && (!cmd.hasMsgCaption || w.caption == wantedCaption)) {
        target = box = w.hwnd;
        return true;
      }
    }
    seen = "no message box with the text";
    return false;
  });
  if (!found.ok()) return found.failure();

  const int id = cmd.answer == Answer::Yes ? IDYES : cmd.answer == Answer::No ? IDNO : IDOK;
  HWND button = GetDlgItem(box, id);
  if (!button || !IsWindowVisible(button)) {
    return Fail("the message box has no " +
                std::string(cmd.answer == Answer::Yes  ? "Yes"
                            : cmd.answer == Answer::No ? "No"
                                                       : "OK") +
                " button (" + DescribeWindow(box) + ")");
  }
  known_.insert(box);
  const std::string caption = Narrow(WindowCaption(box));
  if (!PostMessageW(button, BM_CLICK, 0, 0)) return LastError("posting BM_CLICK");
  // Whatever the program shows next, once the box is gone, is the next
  // command's business: the program may already be showing it.
  const Status gone = Poll(
      TimeoutOf(cmd),
      [&](HWND& target, std::string& seen) {
        target = box;
        if (!IsWindow(box) || !IsWindowVisible(box)) return true;
        seen = "the message box is still open after the answer";
        return false;
      },
      false);
  if (!gone.ok()) return gone.failure();
  return "caption \"" + caption + "\", answered";
}

Runner::Outcome Runner::DoClose(const Command& cmd) {
  const auto top = AwaitTop(cmd.caption, defaultTimeoutMs_);
  if (!top.ok()) return top.failure();
  if (!PostMessageW(top.value(), WM_CLOSE, 0, 0)) return LastError("posting WM_CLOSE");
  return std::string("WM_CLOSE posted");
}

Runner::Outcome Runner::DoExpectNoWindow(const Command& cmd) {
  const std::wstring caption = Widen(cmd.caption);
  const Status gone = Poll(TimeoutOf(cmd), [&](HWND& target, std::string& seen) {
    target = FindTop(caption);
    if (!target) return true;
    seen = "window " + Quote(caption) + " is still there";
    return false;
  });
  if (!gone.ok()) return gone.failure();
  return std::string("gone");
}

Runner::Outcome Runner::DoMeasureTexts(const Command& cmd) {
  const auto top = AwaitTop(cmd.caption, defaultTimeoutMs_);
  if (!top.ok()) return top.failure();
  const auto measured = MeasureTexts(top.value(), Widen(cmd.text), static_cast<int>(cmd.points));
  if (!measured.ok()) return measured.failure();
  int over = 0;
  for (const auto& f : measured.value().fits) {
    // text-fit, caption, class and id, verdict, needed and given size, text
    std::fprintf(log_, "text-fit\t%s\t%s %d\t%s\t%ldx%ld\t%ldx%ld\t%s\n", cmd.caption.c_str(), Narrow(f.cls).c_str(),
                 f.id, f.fits ? "fits" : "overflows", f.need.cx, f.need.cy, f.have.cx, f.have.cy,
                 OneLine(f.text).c_str());
    if (!f.fits) ++over;
  }
  return std::to_string(measured.value().fits.size()) + " text(s) measured in " + Quote(measured.value().face) + ", " +
         std::to_string(over) + " do not fit";
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

// What the driver needs from the Win32 desktop: finding top-level windows,
// reading and setting control texts across processes, capturing pixels and
// writing files. Every handle is owned by an RAII wrapper in Desktop.cpp.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace e2e {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// A path from the script: Unix paths (starting with /) go through drive Z:.
std::wstring ToWindowsPath(std::string_view utf8);

// Owns a process handle opened for waiting and reading the exit code.
class ProcessHandle {
public:
  ProcessHandle() = default;
  explicit ProcessHandle(DWORD pid) : h_(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {}
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;
  ProcessHandle(ProcessHandle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
  ProcessHandle& operator=(ProcessHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      h_ = std::exchange(other.h_, nullptr);
    }
    return *this;
  }
  ~ProcessHandle() { Reset(); }
  // Takes over an open handle of a process (SYNCHRONIZE and query access).
  static ProcessHandle Adopt(HANDLE h) {
    ProcessHandle p;
    p.h_ = h;
    return p;
  }

  // True when the process has ended; `exitCode` then holds its exit code.
  bool Ended(DWORD& exitCode) const {
    if (!h_ || WaitForSingleObject(h_, 0) != WAIT_OBJECT_0) return false;
    if (!GetExitCodeProcess(h_, &exitCode)) exitCode = 0;
    return true;
  }

private:
  void Reset() {
    if (h_) CloseHandle(h_);
    h_ = nullptr;
  }
  HANDLE h_ = nullptr;
};

struct TopWindow {
  HWND hwnd = nullptr;
  DWORD pid = 0;
  std::wstring caption;
  std::wstring cls;
};

// Visible top-level windows, in z-order (topmost first).
std::vector<TopWindow> VisibleTopWindows();

std::wstring WindowClass(HWND hwnd);
std::wstring WindowCaption(HWND hwnd);

// Reads or sets a control's text with WM_GETTEXT / WM_SETTEXT, bounded by a
// timeout so a hung program cannot hang the driver.
bool ControlText(HWND control, std::wstring& text);
bool SetControlText(HWND control, const std::wstring& text);

// One line naming the window: class, caption, process and the texts of its
// child controls ("id:text"), for failure messages.
std::string DescribeWindow(HWND hwnd);

// Text with every CR LF turned into LF, for comparisons that must not
// depend on how a control stores line breaks.
std::wstring WithLineFeeds(std::wstring_view text);

// Suspends every thread of a process for its lifetime, so that what the
// process shows holds still (a program busy in a long copy repaints parts
// of its window now and then); resumes them when it ends.
class SuspendedProcess {
public:
  explicit SuspendedProcess(DWORD pid);
  SuspendedProcess(const SuspendedProcess&) = delete;
  SuspendedProcess& operator=(const SuspendedProcess&) = delete;
  SuspendedProcess(SuspendedProcess&& other) noexcept : threads_(std::move(other.threads_)) { other.threads_.clear(); }
  SuspendedProcess& operator=(SuspendedProcess&&) = delete;
  ~SuspendedProcess();
  std::size_t Count() const { return threads_.size(); }

private:
  std::vector<HANDLE> threads_; // suspended once each, resumed and closed at the end
};

// Whether a control's text fits it, measured in the dialog's font.
struct TextFit {
  std::wstring cls;
  int id = 0;
  std::wstring text;
  SIZE need{}; // what the text takes (a multi-line edit: its lines' height)
  SIZE have{}; // what the control gives it
  bool fits = false;
};

// Measures every visible text control of a dialog (static texts, push
// buttons, multi-line edits without a scroll bar) in the named font and
// size, as the dialog manager makes it from the dialog's template.
// `used` receives the face name the system reports for the font made.
bool MeasureTexts(HWND dialog, const std::wstring& face, int points, std::vector<TextFit>& out, std::wstring& used,
                  std::string& error);

struct Pixels {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgb; // rows top first, 3 bytes per pixel
};

// Copies a rectangle of the screen (screen coordinates, clipped to the
// virtual screen). Returns false with `error` set when nothing is left.
bool CaptureScreen(RECT area, Pixels& out, std::string& error);

// Runs a command line (CreateProcess's rules: the program is the first
// word) with its standard input and output on NUL and waits for it to end.
// False with `error` set when it cannot start or outlives the timeout (it is
// then terminated); otherwise `exitCode` holds its exit code.
bool RunProcess(const std::wstring& commandLine, DWORD timeoutMs, DWORD& exitCode, std::string& error);

// Starts a program with the given current folder (start), or opens a file
// as the shell does, a shortcut starting its target (open); the process
// started and its id (none and 0 when the shell hands back no process, as
// Wine's does for a shortcut). False with the reason when it fails.
bool StartProgram(const std::wstring& program, const std::wstring& folder, ProcessHandle& process, DWORD& pid,
                  std::string& error);
bool OpenFile(const std::wstring& file, ProcessHandle& process, DWORD& pid, std::string& error);

bool WriteWholeFile(const std::wstring& path, std::span<const std::uint8_t> bytes, std::string& error);
bool ReadWholeFile(const std::wstring& path, std::string& bytes, std::string& error);

} // namespace e2e

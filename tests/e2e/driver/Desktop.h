// What the driver needs from the Win32 desktop: finding top-level windows,
// reading and setting control texts across processes, capturing pixels and
// writing files. Every handle is owned by a wrapper on Win32Handles.h.
#pragma once

#include "tests/e2e/Win32TestHandles.h"
#include "tests/e2e/driver/Expected.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// A path from the script: Unix paths (starting with /) go through drive Z:.
std::wstring ToWindowsPath(std::string_view utf8);

// The exit code of a process (a handle with SYNCHRONIZE and query access)
// once it has ended; nothing while it runs or when there is no handle.
std::optional<DWORD> ExitCode(const win32::UniqueHandle& process);

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
std::optional<std::wstring> ControlText(HWND control);
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
  SuspendedProcess(SuspendedProcess&&) = default; // leaves the other with no threads
  SuspendedProcess& operator=(SuspendedProcess&&) = delete;
  ~SuspendedProcess();
  std::size_t Count() const { return threads_.size(); }

private:
  std::vector<win32::UniqueHandle> threads_; // suspended once each, resumed at the end
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

struct Measured {
  std::wstring face; // the face name the system reports for the font made
  std::vector<TextFit> fits;
};

// Measures every visible text control of a dialog (static texts, push
// buttons, multi-line edits without a scroll bar) in the named font and
// size, as the dialog manager makes it from the dialog's template.
Expected<Measured> MeasureTexts(HWND dialog, const std::wstring& face, int points);

// A rectangle of the screen (screen coordinates, clipped to the virtual
// screen) as the bytes of a BMP file: 24 bits a pixel, bottom row first.
struct Picture {
  LONG width = 0;
  LONG height = 0;
  std::vector<std::uint8_t> bmp;
};
Expected<Picture> CaptureScreen(RECT area);

// Runs a command line (CreateProcess's rules: the program is the first
// word) with its standard input and output on NUL and waits for it to end;
// its exit code. Fails when it cannot start or outlives the timeout (it is
// then terminated).
Expected<DWORD> RunProcess(const std::wstring& commandLine, DWORD timeoutMs);

// A program started: its process (none when the shell hands back none, as
// Wine's does for a shortcut) and id (0 then).
struct Started {
  win32::UniqueHandle process;
  DWORD pid = 0;
};
// Starts a program with the given current folder (start), or opens a file
// as the shell does, a shortcut starting its target (open).
Expected<Started> StartProgram(const std::wstring& program, const std::wstring& folder);
Expected<Started> OpenFile(const std::wstring& file);

Status WriteWholeFile(const std::wstring& path, std::span<const std::uint8_t> bytes);
Expected<std::string> ReadWholeFile(const std::wstring& path);

// "what failed, error N" with the thread's last error.
Failure LastError(const std::string& what);

} // namespace e2e

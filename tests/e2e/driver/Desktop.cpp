#include "tests/e2e/driver/Desktop.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <utility>

namespace e2e {
namespace {

constexpr UINT kMessageTimeoutMs = 3000;

// Selects an object into a DC and puts the previous one back on scope exit.
class Selection {
public:
  Selection(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  ~Selection() {
    if (old_) SelectObject(dc_, old_);
  }

private:
  HDC dc_;
  HGDIOBJ old_;
};

BOOL CALLBACK CollectTop(HWND hwnd, LPARAM param) {
  if (IsWindowVisible(hwnd)) reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> Children(HWND hwnd) {
  std::vector<HWND> children;
  EnumChildWindows(hwnd, CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

// What a control needs to show its text whole, in the measuring font.
bool MeasureControl(HDC dc, const TEXTMETRICW& tm, HWND control, TextFit& fit) {
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  RECT client{};
  GetClientRect(control, &client);
  fit.have = SIZE{client.right, client.bottom};
  if (fit.cls == L"Edit") {
    // A multi-line edit wraps the text itself: it fits when its lines fit
    // the formatting rectangle. Edits that scroll, or hold one typed line,
    // are not fixed texts.
    if (!(style & ES_MULTILINE) || (style & WS_VSCROLL)) return false;
    DWORD_PTR lines = 0;
    if (!SendMessageTimeoutW(control, EM_GETLINECOUNT, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &lines)) return false;
    RECT format = client;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format), SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                        &ignored);
    fit.have = SIZE{format.right - format.left, format.bottom - format.top};
    fit.need = SIZE{fit.have.cx, static_cast<LONG>(lines) * tm.tmHeight};
    return true;
  }
  UINT flags = DT_CALCRECT | DT_EXPANDTABS;
  LONG width = client.right;
  if (fit.cls == L"Static") {
    const LONG type = style & SS_TYPEMASK;
    if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE) {
      return false;
    }
    flags |= (type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE) ? DT_SINGLELINE : DT_WORDBREAK;
    if (style & SS_NOPREFIX) flags |= DT_NOPREFIX;
  } else if (fit.cls == L"Button") {
    const LONG type = style & BS_TYPEMASK;
    if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) return false;
    // The caption is drawn inside the button's edge.
    flags |= DT_SINGLELINE;
    width -= 2 * GetSystemMetrics(SM_CXEDGE);
    fit.have.cx = width;
  } else {
    return false;
  }
  RECT need{0, 0, width, 0};
  DrawTextW(dc, fit.text.c_str(), static_cast<int>(fit.text.size()), &need, flags);
  fit.need = SIZE{need.right, need.bottom};
  return true;
}

} // namespace

Failure LastError(const std::string& what) { return Fail(what + " failed, error " + std::to_string(GetLastError())); }

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring ToWindowsPath(std::string_view utf8) {
  std::wstring path = Widen(utf8);
  if (!path.empty() && path[0] == L'/') {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    path.insert(0, L"Z:");
  }
  return path;
}

std::optional<DWORD> ExitCode(const win32::UniqueHandle& process) {
  DWORD code = 0;
  if (!process || WaitForSingleObject(process.get(), 0) != WAIT_OBJECT_0) return std::nullopt;
  if (!GetExitCodeProcess(process.get(), &code)) code = 0;
  return code;
}

std::vector<TopWindow> VisibleTopWindows() {
  std::vector<HWND> handles;
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&handles));
  std::vector<TopWindow> out;
  out.reserve(handles.size());
  for (HWND h : handles) {
    TopWindow w;
    w.hwnd = h;
    GetWindowThreadProcessId(h, &w.pid);
    w.caption = WindowCaption(h);
    w.cls = WindowClass(h);
    out.push_back(std::move(w));
  }
  return out;
}

std::wstring WindowClass(HWND hwnd) {
  wchar_t buf[256] = {};
  const int n = GetClassNameW(hwnd, buf, 256);
  return std::wstring(buf, static_cast<std::size_t>(n > 0 ? n : 0));
}

std::wstring WindowCaption(HWND hwnd) {
  const int len = GetWindowTextLengthW(hwnd);
  if (len <= 0) return {};
  std::wstring text(static_cast<std::size_t>(len) + 1, L'\0');
  const int n = GetWindowTextW(hwnd, text.data(), len + 1);
  text.resize(static_cast<std::size_t>(n > 0 ? n : 0));
  return text;
}

std::optional<std::wstring> ControlText(HWND control) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &len)) {
    return std::nullopt;
  }
  std::wstring buf(static_cast<std::size_t>(len) + 1, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG,
                           kMessageTimeoutMs, &got)) {
    return std::nullopt;
  }
  buf.resize(std::min<std::size_t>(got, buf.size() - 1));
  return buf;
}

bool SetControlText(HWND control, const std::wstring& text) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                             kMessageTimeoutMs, &result) != 0 &&
         result != 0;
}

std::wstring WithLineFeeds(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
    out += text[i];
  }
  return out;
}

std::string DescribeWindow(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  std::string out = "class " + Narrow(WindowClass(hwnd)) + ", caption \"" + Narrow(WindowCaption(hwnd)) +
                    "\", process " + std::to_string(pid);
  for (HWND child : Children(hwnd)) {
    const auto text = ControlText(child);
    if (!text || text->empty()) continue;
    const auto id = static_cast<unsigned>(GetDlgCtrlID(child)) & 0xFFFFu;
    out += ", " + std::to_string(id) + ":\"" + Narrow(*text) + "\"";
  }
  return out;
}

Expected<Picture> CaptureScreen(RECT area) {
  const RECT screen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                    GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                    GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  RECT clipped{};
  if (!IntersectRect(&clipped, &area, &screen)) return Fail("the area lies outside the screen");
  Picture picture;
  picture.width = clipped.right - clipped.left;
  picture.height = clipped.bottom - clipped.top;

  const win32::UniqueScreenDc screenDc(GetDC(nullptr));
  if (!screenDc) return LastError("GetDC");
  const win32::UniqueMemoryDc memDc(CreateCompatibleDC(screenDc.get()));
  // The BMP file: its headers, then the pixels as the DIB section holds them
  // (bottom row first, each row padded to four bytes).
  BITMAPFILEHEADER file{};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const std::size_t stride = (static_cast<std::size_t>(picture.width) * 3 + 3) & ~std::size_t{3};
  const std::size_t pixels = stride * static_cast<std::size_t>(picture.height);
  void* bits = nullptr;
  const win32::UniqueGdiObject bitmap(CreateDIBSection(screenDc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!memDc || !bitmap || !bits) return LastError("CreateDIBSection");
  {
    const Selection select(memDc.get(), bitmap.get());
    if (!BitBlt(memDc.get(), 0, 0, picture.width, picture.height, screenDc.get(), clipped.left, clipped.top,
                SRCCOPY | CAPTUREBLT)) {
      return LastError("BitBlt");
    }
    GdiFlush();
  }
  file.bfType = 0x4D42; // "BM"
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels);
  const auto* fileBytes = reinterpret_cast<const std::uint8_t*>(&file);
  const auto* infoBytes = reinterpret_cast<const std::uint8_t*>(&info.bmiHeader);
  const auto* pixelBytes = static_cast<const std::uint8_t*>(bits);
  picture.bmp.assign(fileBytes, fileBytes + sizeof file);
  picture.bmp.insert(picture.bmp.end(), infoBytes, infoBytes + sizeof info.bmiHeader);
  picture.bmp.insert(picture.bmp.end(), pixelBytes, pixelBytes + pixels);
  return picture;
}

Expected<DWORD> RunProcess(const std::wstring& commandLine, DWORD timeoutMs) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const win32::UniqueFileHandle nul(CreateFileW(
      L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
  if (!nul) return LastError("CreateFile(NUL)");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = nul.get();
  PROCESS_INFORMATION info{};
  std::wstring line = commandLine; // CreateProcessW may write into it
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
    return LastError("CreateProcess");
  }
  const win32::UniqueHandle process(info.hProcess);
  const win32::UniqueHandle thread(info.hThread);
  if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), kMessageTimeoutMs);
    return Fail("still running after " + std::to_string(timeoutMs) + " ms, terminated");
  }
  DWORD exitCode = 0;
  if (!GetExitCodeProcess(process.get(), &exitCode)) return LastError("GetExitCodeProcess");
  return exitCode;
}

Expected<Started> StartProgram(const std::wstring& program, const std::wstring& folder) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::wstring line = L"\"" + program + L"\""; // CreateProcessW may write into it
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                      &info)) {
    return LastError("CreateProcess");
  }
  const win32::UniqueHandle thread(info.hThread);
  return Started{win32::UniqueHandle(info.hProcess), info.dwProcessId};
}

Expected<Started> OpenFile(const std::wstring& file) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) return LastError("ShellExecuteEx");
  // Wine opens a shortcut through the shell link object, which starts the
  // target without handing its process back: then there is none to watch.
  const DWORD pid = info.hProcess != nullptr ? GetProcessId(info.hProcess) : 0;
  return Started{win32::UniqueHandle(info.hProcess), pid};
}

Status WriteWholeFile(const std::wstring& path, std::span<const std::uint8_t> bytes) {
  const win32::UniqueFileHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastError("CreateFile for " + Narrow(path));
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    return LastError("WriteFile for " + Narrow(path));
  }
  return Ok();
}

Expected<std::string> ReadWholeFile(const std::wstring& path) {
  const win32::UniqueFileHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastError("CreateFile for " + Narrow(path));
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > (1 << 24)) {
    return Fail("cannot read the size of " + Narrow(path) + " or it is over 16 MB");
  }
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  if (!bytes.empty() &&
      (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) || got != bytes.size())) {
    return LastError("ReadFile for " + Narrow(path));
  }
  return bytes;
}

SuspendedProcess::SuspendedProcess(DWORD pid) {
  const win32::UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot) return;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID != pid) continue;
    win32::UniqueHandle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
    if (thread && SuspendThread(thread.get()) != static_cast<DWORD>(-1)) threads_.push_back(std::move(thread));
  }
}

SuspendedProcess::~SuspendedProcess() {
  for (const auto& thread : threads_) ResumeThread(thread.get());
}

Expected<Measured> MeasureTexts(HWND dialog, const std::wstring& face, int points) {
  const win32::UniqueScreenDc screen(GetDC(nullptr));
  const win32::UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
  if (!dc) return LastError("CreateCompatibleDC");
  // The dialog manager makes a dialog's font from its template the same way.
  const win32::UniqueGdiObject font(CreateFontW(-MulDiv(points, GetDeviceCaps(dc.get(), LOGPIXELSY), 72), 0, 0, 0,
                                                FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                                face.c_str()));
  if (!font) return LastError("CreateFontW");
  const Selection selected(dc.get(), font.get());
  TEXTMETRICW tm{};
  GetTextMetricsW(dc.get(), &tm);
  wchar_t faceUsed[LF_FACESIZE] = {};
  GetTextFaceW(dc.get(), LF_FACESIZE, faceUsed);
  Measured measured{faceUsed, {}};
  for (HWND child : Children(dialog)) {
    if (!IsWindowVisible(child)) continue;
    TextFit fit;
    fit.cls = WindowClass(child);
    fit.id = GetDlgCtrlID(child) & 0xFFFF;
    auto text = ControlText(child);
    if (!text || text->empty()) continue;
    fit.text = std::move(*text);
    if (!MeasureControl(dc.get(), tm, child, fit)) continue;
    fit.fits = fit.need.cx <= fit.have.cx && fit.need.cy <= fit.have.cy;
    measured.fits.push_back(std::move(fit));
  }
  return measured;
}

} // namespace e2e

#include "platform/win32/Win.h"

#include "platform/win32/Win32Ui.h"

#include <commctrl.h>

#include <string>

#include "platform/framework/Afx.h"
#include "platform/win32/Win32Strings.h"

namespace {

constexpr wchar_t kFrameClass[] = L"DramaFrameWindow";

CWnd* WindowObject(HWND window) {
  return reinterpret_cast<CWnd*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* wnd = static_cast<CWnd*>(create->lpCreateParams);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(wnd));
    wnd->AttachHandle(window);
  }
  CWnd* wnd = WindowObject(window);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    LRESULT result = ::DefWindowProcW(window, message, wParam, lParam);
    if (wnd != nullptr) wnd->OnHandleDestroyed();
    return result;
  }
  LRESULT result = 0;
  if (wnd != nullptr && wnd->Dispatch(message, wParam, lParam, result)) return result;
  return ::DefWindowProcW(window, message, wParam, lParam);
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
    dialog->AttachHandle(window);
    LRESULT result = TRUE;
    dialog->Dispatch(WM_INITDIALOG, wParam, 0, result);
    return result;
  }
  auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
  if (dialog == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, DWLP_USER, 0);
    dialog->OnHandleDestroyed();
    return FALSE;
  }
  LRESULT result = 0;
  if (dialog->Dispatch(message, wParam, lParam, result)) {
    ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
  }
  return FALSE;
}

class Win32PaintContext : public IPaintContext {
 public:
  explicit Win32PaintContext(HWND window) : m_window(window), m_dc(::BeginPaint(window, &m_paint)) {}
  ~Win32PaintContext() override { ::EndPaint(m_window, &m_paint); }
  Win32PaintContext(const Win32PaintContext&) = delete;
  Win32PaintContext& operator=(const Win32PaintContext&) = delete;

  void FillSolidRect(const Rect& rect, COLORREF colour) override {
    RECT r{rect.left, rect.top, rect.right, rect.bottom};
    COLORREF old = ::SetBkColor(m_dc, colour);
    ::ExtTextOutW(m_dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    ::SetBkColor(m_dc, old);
  }
  HFONT CreateFontA(const LogFont& f) override {
    std::wstring face = win32::Widen(f.faceName.view());
    return ::CreateFontW(f.height, f.width, f.escapement, f.orientation, f.weight, f.italic, f.underline,
                         f.strikeOut, f.charSet, f.outPrecision, f.clipPrecision, f.quality, f.pitchAndFamily,
                         face.empty() ? nullptr : face.c_str());
  }
  BOOL DeleteObject(HFONT font) override { return ::DeleteObject(font); }
  HFONT SelectObject(HFONT font) override { return static_cast<HFONT>(::SelectObject(m_dc, font)); }
  int SetBkMode(int mode) override { return ::SetBkMode(m_dc, mode); }
  COLORREF SetTextColor(COLORREF colour) override { return ::SetTextColor(m_dc, colour); }
  BOOL TextOutA(int x, int y, const char* text, int length) override {
    std::wstring wide =
        win32::Widen(std::string_view(text, static_cast<std::size_t>(length < 0 ? 0 : length)));
    return ::TextOutW(m_dc, x, y, wide.c_str(), static_cast<int>(wide.size()));
  }
  int PixelsPerInch() override { return ::GetDeviceCaps(m_dc, LOGPIXELSY); }

 private:
  HWND m_window;
  PAINTSTRUCT m_paint{};
  HDC m_dc;
};

}  // namespace

Win32Ui::Win32Ui(HINSTANCE instance) : m_instance(instance) {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  cls.style = CS_HREDRAW | CS_VREDRAW;
  cls.lpfnWndProc = FrameProc;
  cls.hInstance = instance;
  cls.hIcon = ::LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  cls.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  cls.lpszClassName = kFrameClass;
  m_frameClass = ::RegisterClassExW(&cls) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND Win32Ui::CreateFrameWindow(CWnd& wnd, const CString& caption, DWORD style) {
  // Without its class no window can exist: the program must end, not wait.
  if (!m_frameClass) return nullptr;
  std::wstring text = win32::Widen(caption.view());
  HWND window = ::CreateWindowExW(0, kFrameClass, text.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, m_instance, &wnd);
  // A creation refused after WM_NCCREATE has destroyed the window again; the
  // object must not keep its handle.
  if (window == nullptr) wnd.AttachHandle(nullptr);
  return window;
}

BOOL Win32Ui::DestroyWindow(HWND window) { return ::DestroyWindow(window); }
BOOL Win32Ui::ShowWindow(HWND window, int showCommand) { return ::ShowWindow(window, showCommand); }
BOOL Win32Ui::UpdateWindow(HWND window) { return ::UpdateWindow(window); }

BOOL Win32Ui::CenterWindow(HWND window, HWND over) {
  RECT own{};
  if (!::GetWindowRect(window, &own)) return FALSE;
  // The work area of the monitor the owner (or the window) is on.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!::GetMonitorInfoW(::MonitorFromWindow(over != nullptr ? over : window, MONITOR_DEFAULTTONEAREST),
                         &monitor)) {
    return FALSE;
  }
  RECT area = monitor.rcWork;
  if (over != nullptr && ::IsWindowVisible(over) && !::IsIconic(over)) ::GetWindowRect(over, &area);
  const LONG width = own.right - own.left;
  const LONG height = own.bottom - own.top;
  LONG x = area.left + (area.right - area.left - width) / 2;
  LONG y = area.top + (area.bottom - area.top - height) / 2;
  // Never past the screen's edges.
  const RECT& work = monitor.rcWork;
  if (x + width > work.right) x = work.right - width;
  if (y + height > work.bottom) y = work.bottom - height;
  if (x < work.left) x = work.left;
  if (y < work.top) y = work.top;
  return ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL Win32Ui::InvalidateRect(HWND window, const Rect* rect, BOOL erase) {
  if (rect == nullptr) return ::InvalidateRect(window, nullptr, erase);
  const RECT r{rect->left, rect->top, rect->right, rect->bottom};
  return ::InvalidateRect(window, &r, erase);
}
BOOL Win32Ui::IsZoomed(HWND window) { return ::IsZoomed(window); }

Rect Win32Ui::GetClientRect(HWND window) {
  RECT r{};
  ::GetClientRect(window, &r);
  return {r.left, r.top, r.right, r.bottom};
}

BOOL Win32Ui::SetWindowTextA(HWND window, const CString& text) {
  std::wstring wide = win32::Widen(text.view());
  return ::SetWindowTextW(window, wide.c_str());
}

CString Win32Ui::GetWindowTextA(HWND window) {
  int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return "";
  std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
  int got = ::GetWindowTextW(window, wide.data(), length + 1);
  wide.resize(static_cast<std::size_t>(got < 0 ? 0 : got));
  // Text without an exact Shift-JIS form (typed or pasted by the user) is
  // not passed on changed: the result is empty, the last error
  // ERROR_NO_UNICODE_TRANSLATION.
  CString text;
  if (!win32::NarrowExact(wide, text)) return "";
  return text;
}

BOOL Win32Ui::PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // A posted pointer would outlive its text, and the window would read the
  // bytes as UTF-16.
  if (CarriesText(message)) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return ::PostMessageW(window, message, wParam, lParam);
}

LRESULT Win32Ui::SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (CarriesText(message)) return SendTextMessage(window, message, wParam, lParam);
  return ::SendMessageW(window, message, wParam, lParam);
}

LRESULT Win32Ui::SendTextMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT: {
      const char* text = reinterpret_cast<const char*>(lParam);
      const std::wstring wide = win32::Widen(text != nullptr ? std::string_view(text) : std::string_view());
      return ::SendMessageW(window, WM_SETTEXT, wParam, reinterpret_cast<LPARAM>(wide.c_str()));
    }
    case WM_GETTEXT: {
      char* buffer = reinterpret_cast<char*>(lParam);
      if (buffer == nullptr || wParam == 0) return 0;
      const CString text = GetWindowTextA(window);
      // Whole characters only, and always the terminator.
      const std::size_t n = WholeCharactersThatFit(text, wParam);
      text.str().copy(buffer, n);
      buffer[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(GetWindowTextA(window).GetLength());
    default:
      // No conversion is known for it: refused rather than sent as bytes.
      ::SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
  }
}

LRESULT Win32Ui::DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void Win32Ui::PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

int Win32Ui::RunMessageLoop() {
  MSG msg{};
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

INT_PTR Win32Ui::DialogBoxParamA(UINT templateId, HWND parent, CDialog& dialog) {
  return ::DialogBoxParamW(m_instance, MAKEINTRESOURCEW(templateId), parent, DialogProc,
                           reinterpret_cast<LPARAM>(&dialog));
}

BOOL Win32Ui::EndDialog(HWND dialog, INT_PTR result) { return ::EndDialog(dialog, result); }
HWND Win32Ui::GetDlgItem(HWND dialog, int controlId) { return ::GetDlgItem(dialog, controlId); }

int Win32Ui::MessageBoxA(HWND owner, const CString& text, const CString& caption, UINT type) {
  std::wstring wideText = win32::Widen(text.view());
  std::wstring wideCaption = win32::Widen(caption.view());
  return ::MessageBoxW(owner, wideText.c_str(), wideCaption.c_str(), type);
}

HWND Win32Ui::GetActiveWindow() { return ::GetActiveWindow(); }
HWND Win32Ui::GetDesktopWindow() { return ::GetDesktopWindow(); }

std::unique_ptr<IPaintContext> Win32Ui::BeginPaint(HWND window) {
  return std::make_unique<Win32PaintContext>(window);
}

DWORD Win32Ui::GetTickCount() { return ::GetTickCount(); }

CString Win32Ui::GetModuleFileNameA() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return "";
    if (n < path.size()) {
      path.resize(n);
      // A module path without an exact Shift-JIS form: empty, last error
      // ERROR_NO_UNICODE_TRANSLATION, never a different path.
      CString narrow;
      if (!win32::NarrowExact(path, narrow)) return "";
      return narrow;
    }
    path.resize(path.size() * 2);
  }
}

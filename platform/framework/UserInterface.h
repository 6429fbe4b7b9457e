// The user-interface area of the platform layer: windows, modal dialogs,
// message boxes, painting and the message queue. The framework classes
// (Afx.h) are written once against this interface; win32/ implements it over
// real windows, memory/ over a scripted model of them.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/CString.h"
#include "platform/WinTypes.h"

struct HFONT__;
typedef HFONT__* HFONT;

class CWnd;
class CDialog;

// Messages and styles the layer interprets (windows.h has them on Windows).
#ifndef WM_SETTEXT
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
#endif
#ifndef EN_UPDATE
constexpr UINT EN_UPDATE = 0x0400;
#endif
#ifndef BS_DEFPUSHBUTTON
constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
constexpr DWORD BS_TYPEMASK = 0x000F;
#endif
#ifndef WS_TABSTOP
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_DISABLED = 0x08000000;
#endif
#ifndef DM_GETDEFID
constexpr UINT DM_GETDEFID = WM_USER + 0;
constexpr UINT DM_SETDEFID = WM_USER + 1;
constexpr WORD DC_HASDEFID = 0x534B;
#endif

// Messages whose parameters carry text (a string pointer, a buffer to fill,
// or a length counted in characters). The layer's callers speak Shift-JIS
// and the system speaks UTF-16, so only WM_SETTEXT, WM_GETTEXT and
// WM_GETTEXTLENGTH are converted when sent; the others are refused (the send
// returns 0), and none may be posted. Handing Shift-JIS bytes to a window as
// if they were UTF-16 would show garbage or read past the end of the text.
constexpr bool CarriesText(UINT message) {
  switch (message) {
    case 0x000C:  // WM_SETTEXT
    case 0x000D:  // WM_GETTEXT
    case 0x000E:  // WM_GETTEXTLENGTH
    case 0x001A:  // WM_SETTINGCHANGE
    case 0x001B:  // WM_DEVMODECHANGE
    case 0x00C2:  // EM_REPLACESEL
    case 0x00C4:  // EM_GETLINE
    case 0x0143:  // CB_ADDSTRING
    case 0x0145:  // CB_DIR
    case 0x0148:  // CB_GETLBTEXT
    case 0x0149:  // CB_GETLBTEXTLEN
    case 0x014A:  // CB_INSERTSTRING
    case 0x014C:  // CB_FINDSTRING
    case 0x014D:  // CB_SELECTSTRING
    case 0x0158:  // CB_FINDSTRINGEXACT
    case 0x0180:  // LB_ADDSTRING
    case 0x0181:  // LB_INSERTSTRING
    case 0x0189:  // LB_GETTEXT
    case 0x018A:  // LB_GETTEXTLEN
    case 0x018C:  // LB_SELECTSTRING
    case 0x018D:  // LB_DIR
    case 0x018F:  // LB_FINDSTRING
    case 0x0196:  // LB_ADDFILE
    case 0x01A2:  // LB_FINDSTRINGEXACT
      return true;
    default: return false;
  }
}
// How many bytes of text fit into a buffer of maxBytes bytes less the
// terminator without cutting a double-byte character (WM_GETTEXT's copy).
inline std::size_t WholeCharactersThatFit(const CString& text, std::size_t bufferBytes) {
  const std::string& bytes = text.str();
  std::size_t n = 0;
  while (n < bytes.size()) {
    const std::size_t size = IsLeadByte(static_cast<unsigned char>(bytes[n])) && n + 1 < bytes.size() ? 2 : 1;
    if (bufferBytes == 0 || n + size > bufferBytes - 1) break;
    n += size;
  }
  return n;
}

// The text messages a send converts.
constexpr bool IsConvertedTextMessage(UINT message) {
  return message == 0x000C || message == 0x000D || message == 0x000E;
}

// The arguments of CreateFontA.
struct LogFont {
  int height = 0;
  int width = 0;
  int escapement = 0;
  int orientation = 0;
  int weight = 0;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  BYTE charSet = 0;
  BYTE outPrecision = 0;
  BYTE clipPrecision = 0;
  BYTE quality = 0;
  BYTE pitchAndFamily = 0;
  CString faceName;  // empty: none
  friend bool operator==(const LogFont&, const LogFont&) = default;
};

// An open paint (BeginPaint); painting ends (EndPaint) when it is destroyed.
class IPaintContext {
 public:
  virtual ~IPaintContext() = default;
  virtual void FillSolidRect(const Rect& rect, COLORREF colour) = 0;
  virtual HFONT CreateFontA(const LogFont& font) = 0;
  virtual BOOL DeleteObject(HFONT font) = 0;
  // Returns the font selected before.
  virtual HFONT SelectObject(HFONT font) = 0;
  // Each returns the previous value.
  virtual int SetBkMode(int mode) = 0;
  virtual COLORREF SetTextColor(COLORREF colour) = 0;
  virtual BOOL TextOutA(int x, int y, const char* text, int length) = 0;
  // The device's pixels per logical inch (GetDeviceCaps LOGPIXELSY): 96 at
  // 100 % scaling, 144 at 150 %.
  virtual int PixelsPerInch() = 0;
};

class IUserInterface {
 public:
  virtual ~IUserInterface() = default;

  // A top-level window with the default class, position and size, no parent
  // and no menu. Messages for it go to wnd.Dispatch. Null when the window
  // class could not be registered or the window could not be created.
  virtual HWND CreateFrameWindow(CWnd& wnd, const CString& caption, DWORD style) = 0;
  virtual BOOL DestroyWindow(HWND window) = 0;
  virtual BOOL ShowWindow(HWND window, int showCommand) = 0;
  // Paints the window at once (WM_PAINT sent, not queued) when part of it
  // needs painting; for a control, what setting its text or position left.
  virtual BOOL UpdateWindow(HWND window) = 0;
  // Marks the window, or a rectangle of its client area (null: all of it),
  // as needing a paint.
  virtual BOOL InvalidateRect(HWND window, const Rect* rect, BOOL erase) = 0;
  // Moves the window, keeping its size, so that it stands centred over the
  // window `over` (over the screen when `over` is null), inside the screen.
  virtual BOOL CenterWindow(HWND window, HWND over) = 0;
  virtual BOOL IsZoomed(HWND window) = 0;
  virtual Rect GetClientRect(HWND window) = 0;
  virtual BOOL SetWindowTextA(HWND window, const CString& text) = 0;
  virtual CString GetWindowTextA(HWND window) = 0;

  // Queued after what is being handled now; delivered also inside nested
  // modal loops. A message that carries text is refused (FALSE).
  virtual BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // Handled before it returns. WM_SETTEXT takes a zero-terminated Shift-JIS
  // text in lParam; WM_GETTEXT fills the buffer in lParam of wParam bytes with
  // Shift-JIS text, zero-terminated, never cutting a double-byte character,
  // and returns the bytes copied; WM_GETTEXTLENGTH returns the length in
  // bytes. Other messages carrying text are refused (0).
  virtual LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  virtual void PostQuitMessage(int exitCode) = 0;
  // Runs the message loop until the quit message; returns its exit code.
  virtual int RunMessageLoop() = 0;

  // Runs the dialog template with the given resource id modally; messages for
  // it go to dialog.Dispatch. Returns the code given to EndDialog, or -1 when
  // the dialog cannot be created.
  virtual INT_PTR DialogBoxParamA(UINT templateId, HWND parent, CDialog& dialog) = 0;
  virtual BOOL EndDialog(HWND dialog, INT_PTR result) = 0;
  // Null when the dialog has no control with that id.
  virtual HWND GetDlgItem(HWND dialog, int controlId) = 0;

  virtual int MessageBoxA(HWND owner, const CString& text, const CString& caption, UINT type) = 0;
  virtual HWND GetActiveWindow() = 0;
  virtual HWND GetDesktopWindow() = 0;

  virtual std::unique_ptr<IPaintContext> BeginPaint(HWND window) = 0;

  // The program's own file path.
  virtual CString GetModuleFileNameA() = 0;

  // Milliseconds since the system started, wrapping around after 49.7 days:
  // only differences of two readings mean anything.
  virtual DWORD GetTickCount() = 0;
};

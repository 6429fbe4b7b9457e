// The user-interface area of the platform layer: windows, modal dialogs,
// message boxes, painting and the message queue. The framework classes
// (Afx.h) are written once against this interface; win32/ implements it over
// real windows, memory/ over a scripted model of them.
#pragma once

#include <memory>

#include "platform/CString.h"
#include "platform/WinTypes.h"

struct HFONT__;
typedef HFONT__* HFONT;

class CWnd;
class CDialog;

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
};

class IUserInterface {
 public:
  virtual ~IUserInterface() = default;

  // A top-level window with the default class, position and size, no parent
  // and no menu. Messages for it go to wnd.Dispatch.
  virtual HWND CreateFrameWindow(CWnd& wnd, const CString& caption, DWORD style) = 0;
  virtual BOOL DestroyWindow(HWND window) = 0;
  virtual BOOL ShowWindow(HWND window, int showCommand) = 0;
  virtual BOOL UpdateWindow(HWND window) = 0;
  virtual BOOL IsZoomed(HWND window) = 0;
  virtual Rect GetClientRect(HWND window) = 0;
  virtual BOOL SetWindowTextA(HWND window, const CString& text) = 0;
  virtual CString GetWindowTextA(HWND window) = 0;

  // Queued after what is being handled now; delivered also inside nested
  // modal loops.
  virtual BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
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
};

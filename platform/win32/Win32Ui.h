// The user interface over real windows: the framework's default frame-window
// class, dialogs from the program's resources, message boxes, GDI painting.
// Texts cross into the W functions through code page 932.
#pragma once

#include "platform/win32/Win.h"

#include "platform/framework/UserInterface.h"

class Win32Ui : public IUserInterface {
 public:
  explicit Win32Ui(HINSTANCE instance);

  HWND CreateFrameWindow(CWnd& wnd, const CString& caption, DWORD style) override;
  BOOL DestroyWindow(HWND window) override;
  BOOL ShowWindow(HWND window, int showCommand) override;
  BOOL UpdateWindow(HWND window) override;
  BOOL InvalidateRect(HWND window, const Rect* rect, BOOL erase) override;
  BOOL CenterWindow(HWND window, HWND over) override;
  BOOL IsZoomed(HWND window) override;
  Rect GetClientRect(HWND window) override;
  BOOL SetWindowTextA(HWND window, const CString& text) override;
  CString GetWindowTextA(HWND window) override;
  BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void PostQuitMessage(int exitCode) override;
  int RunMessageLoop() override;
  INT_PTR DialogBoxParamA(UINT templateId, HWND parent, CDialog& dialog) override;
  BOOL EndDialog(HWND dialog, INT_PTR result) override;
  HWND GetDlgItem(HWND dialog, int controlId) override;
  int MessageBoxA(HWND owner, const CString& text, const CString& caption, UINT type) override;
  HWND GetActiveWindow() override;
  HWND GetDesktopWindow() override;
  std::unique_ptr<IPaintContext> BeginPaint(HWND window) override;
  CString GetModuleFileNameA() override;
  DWORD GetTickCount() override;

 private:
  LRESULT SendTextMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HINSTANCE m_instance;
  // The frame class is registered (or was by an earlier object of this process).
  bool m_frameClass = false;
};

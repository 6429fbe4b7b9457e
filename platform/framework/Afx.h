// The application framework the programs are written in: one application
// object, windows whose messages go through static message maps, modal
// dialogs by resource id, message boxes and a paint context. It is written
// once against IUserInterface, so it behaves the same on real windows and on
// the in-memory model.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "platform/CString.h"
#include "platform/Platform.h"
#include "platform/WinTypes.h"
#include "platform/framework/UserInterface.h"

class CWnd;

constexpr WORD LoWord(UINT_PTR v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HiWord(UINT_PTR v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr WPARAM MakeWParam(WORD low, WORD high) {
  return static_cast<WPARAM>(low) | (static_cast<WPARAM>(high) << 16);
}
constexpr LPARAM MakeLParam(WORD low, WORD high) {
  return static_cast<LPARAM>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16));
}

// ---------------------------------------------------------------- message maps

using AfxMessageHandler = LRESULT (CWnd::*)(WPARAM, LPARAM);
using AfxNotifyHandler = void (CWnd::*)();

// One binding of a message, or of a control notification (WM_COMMAND with a
// notification code and a control id), to a member handler.
struct MessageMapEntry {
  UINT message = 0;
  UINT code = 0;
  int controlId = 0;
  AfxMessageHandler onMessage = nullptr;  // ON_MESSAGE style: (wParam, lParam)
  AfxNotifyHandler onNotify = nullptr;    // WM_PAINT and control notifications
};

// A class's table, searched in order, then its base class's.
struct MessageMap {
  const MessageMap* base;
  std::span<const MessageMapEntry> entries;
};

template <class T>
MessageMapEntry OnMessage(UINT message, LRESULT (T::*handler)(WPARAM, LPARAM)) {
  return {message, 0, 0, static_cast<AfxMessageHandler>(handler), nullptr};
}
template <class T>
MessageMapEntry OnWmPaint(void (T::*handler)()) {
  return {WM_PAINT, 0, 0, nullptr, static_cast<AfxNotifyHandler>(handler)};
}
template <class T>
MessageMapEntry OnCommand(UINT code, int controlId, void (T::*handler)()) {
  return {WM_COMMAND, code, controlId, nullptr, static_cast<AfxNotifyHandler>(handler)};
}
template <class T>
MessageMapEntry OnBnClicked(int controlId, void (T::*handler)()) {
  return OnCommand(BN_CLICKED, controlId, handler);
}
template <class T>
MessageMapEntry OnEnChange(int controlId, void (T::*handler)()) {
  return OnCommand(EN_CHANGE, controlId, handler);
}

// ---------------------------------------------------------------- windows

class CWnd {
 public:
  explicit CWnd(PlatformServices& platform) : m_platform(platform) {}
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  // Destroys the window if this object still owns a live one.
  virtual ~CWnd();

  HWND GetSafeHwnd() const { return m_hWnd; }
  PlatformServices& Platform() const { return m_platform; }
  IUserInterface& Ui() const { return m_platform.Ui(); }

  BOOL ShowWindow(int showCommand);
  // Paints at once what needs painting (also a control, from GetDlgItem:
  // a long loop that pumps no messages shows its progress this way).
  BOOL UpdateWindow();
  BOOL Invalidate(BOOL erase = TRUE);
  BOOL InvalidateRect(const Rect* rect, BOOL erase = TRUE);
  BOOL DestroyWindow();
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  Rect GetClientRect() const;
  void SetWindowText(const CString& text);
  CString GetWindowText() const;

  // A control of this window, or null when there is none with that id. The
  // object stays valid while this window lives.
  CWnd* GetDlgItem(int controlId);
  void SetDlgItemText(int controlId, const CString& text);
  CString GetDlgItemText(int controlId);

  // Called by the user-interface backend.
  // Routes one message: true when a handler took it, with its result.
  virtual bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void AttachHandle(HWND window) { m_hWnd = window; }
  // The backend's window is gone (WM_NCDESTROY).
  void OnHandleDestroyed();

 protected:
  virtual const MessageMap* GetMessageMap() const;
  // Messages no map entry took; false lets the backend's default run.
  virtual bool OnUnmappedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // After the window is gone.
  virtual void PostNcDestroy() {}

  HWND m_hWnd = nullptr;

 private:
  friend class CDialog;
  PlatformServices& m_platform;
  bool m_ownsWindow = true;
  std::map<int, std::unique_ptr<CWnd>> m_controls;
};

class CFrameWnd : public CWnd {
 public:
  using CWnd::CWnd;
  // A top-level window of the framework's default class at the default
  // position and size, no parent, no menu.
  BOOL Create(const CString& caption, DWORD style);

 protected:
  // Ends the program when the application's main window goes.
  void PostNcDestroy() override;
};

class CDialog : public CWnd {
 public:
  CDialog(PlatformServices& platform, UINT templateId, CWnd* parent = nullptr)
      : CWnd(platform), m_templateId(templateId), m_parent(parent) {}

  // Runs the dialog modally; the code given to EndDialog, -1 when it could
  // not be created.
  virtual INT_PTR DoModal();
  void EndDialog(INT_PTR result);
  UINT TemplateId() const { return m_templateId; }

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  bool OnUnmappedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  UINT m_templateId;
  CWnd* m_parent;
  HWND m_owner = nullptr;  // of the running modal loop
};

// ---------------------------------------------------------------- painting

// BeginPaint on construction, EndPaint on destruction.
class CPaintDC {
 public:
  explicit CPaintDC(CWnd& wnd) : m_context(wnd.Ui().BeginPaint(wnd.GetSafeHwnd())) {}
  IPaintContext& Context() { return *m_context; }
  void FillSolidRect(const Rect& rect, COLORREF colour) { m_context->FillSolidRect(rect, colour); }
  HFONT SelectObject(HFONT font) { return m_context->SelectObject(font); }
  int SetBkMode(int mode) { return m_context->SetBkMode(mode); }
  COLORREF SetTextColor(COLORREF colour) { return m_context->SetTextColor(colour); }
  BOOL TextOut(int x, int y, const CString& text) {
    return m_context->TextOutA(x, y, text.GetString(), text.GetLength());
  }
  int PixelsPerInch() { return m_context->PixelsPerInch(); }

 private:
  std::unique_ptr<IPaintContext> m_context;
};

// A font created for a paint and deleted when the owner goes away.
class CFont {
 public:
  CFont(CPaintDC& dc, const LogFont& font) : m_dc(dc), m_font(dc.Context().CreateFontA(font)) {}
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;
  ~CFont() {
    if (m_font != nullptr) m_dc.Context().DeleteObject(m_font);
  }
  HFONT get() const { return m_font; }

 private:
  CPaintDC& m_dc;
  HFONT m_font;
};

// ---------------------------------------------------------------- application

class CWinApp {
 public:
  CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;
  virtual ~CWinApp();

  // Runs the program on the given platform: InitInstance, then the message
  // loop until the main window is gone. Returns the exit code.
  int Run(PlatformServices& platform, int showCommand);
  PlatformServices& Platform() const { return *m_platform; }

  std::unique_ptr<CWnd> m_pMainWnd;
  int m_nCmdShow = SW_SHOWNORMAL;

  // The innermost modal dialog running now that has its window, else null.
  HWND ActiveModalDialog() const;

 protected:
  virtual BOOL InitInstance() { return FALSE; }

 private:
  friend class CDialog;
  PlatformServices* m_platform = nullptr;
  // The dialogs whose DoModal has not returned yet, outermost first.
  std::vector<const CDialog*> m_modalDialogs;
};

// The one application object of the process (null when none exists).
CWinApp* AfxGetApp();
// Runs the process's application object.
int AfxWinMain(PlatformServices& platform, int showCommand);

// The window a new modal window of the program belongs to: the innermost
// modal dialog running, else the main window. The system's active window is
// asked only when the program has neither (no application object runs): it
// is null while another program has the foreground, and an unowned box
// would leave the program's windows enabled behind it.
HWND AfxGetModalOwner(IUserInterface& ui);

// A modal message box owned as AfxGetModalOwner says, captioned with the
// program's file name without extension, with the exclamation icon unless
// the type names an icon.
int AfxMessageBox(PlatformServices& platform, const CString& text, UINT type = MB_OK);
// The program's file name without folder and extension.
CString AfxProgramName(IUserInterface& ui);

#include "platform/framework/Afx.h"

namespace {
// The process's one application object, registered by its constructor.
CWinApp* g_theApp = nullptr;
}  // namespace

// ---------------------------------------------------------------- CWnd

CWnd::~CWnd() {
  if (m_hWnd != nullptr && m_ownsWindow) {
    Ui().DestroyWindow(m_hWnd);
  }
}

BOOL CWnd::ShowWindow(int showCommand) { return Ui().ShowWindow(m_hWnd, showCommand); }
BOOL CWnd::UpdateWindow() { return Ui().UpdateWindow(m_hWnd); }
BOOL CWnd::Invalidate(BOOL erase) { return Ui().InvalidateRect(m_hWnd, nullptr, erase); }
BOOL CWnd::InvalidateRect(const Rect* rect, BOOL erase) { return Ui().InvalidateRect(m_hWnd, rect, erase); }

BOOL CWnd::DestroyWindow() {
  if (m_hWnd == nullptr) return FALSE;
  return Ui().DestroyWindow(m_hWnd);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return Ui().PostMessageA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return Ui().SendMessageA(m_hWnd, message, wParam, lParam);
}

Rect CWnd::GetClientRect() const { return Ui().GetClientRect(m_hWnd); }
void CWnd::SetWindowText(const CString& text) { Ui().SetWindowTextA(m_hWnd, text); }
CString CWnd::GetWindowText() const { return Ui().GetWindowTextA(m_hWnd); }

CWnd* CWnd::GetDlgItem(int controlId) {
  HWND control = Ui().GetDlgItem(m_hWnd, controlId);
  if (control == nullptr) return nullptr;
  auto& slot = m_controls[controlId];
  if (!slot || slot->m_hWnd != control) {
    slot = std::make_unique<CWnd>(m_platform);
    slot->m_ownsWindow = false;  // the dialog owns its controls
    slot->m_hWnd = control;
  }
  return slot.get();
}

void CWnd::SetDlgItemText(int controlId, const CString& text) {
  Ui().SetWindowTextA(Ui().GetDlgItem(m_hWnd, controlId), text);
}

CString CWnd::GetDlgItemText(int controlId) {
  return Ui().GetWindowTextA(Ui().GetDlgItem(m_hWnd, controlId));
}

const MessageMap* CWnd::GetMessageMap() const { return nullptr; }

bool CWnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  for (const MessageMap* map = GetMessageMap(); map != nullptr; map = map->base) {
    for (const MessageMapEntry& entry : map->entries) {
      if (entry.message != message) continue;
      if (message == WM_COMMAND &&
          (HiWord(wParam) != entry.code || LoWord(wParam) != static_cast<WORD>(entry.controlId))) {
        continue;
      }
      if (entry.onMessage != nullptr) {
        result = (this->*entry.onMessage)(wParam, lParam);
      } else {
        (this->*entry.onNotify)();
        result = 0;
      }
      return true;
    }
  }
  return OnUnmappedMessage(message, wParam, lParam, result);
}

bool CWnd::OnUnmappedMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

void CWnd::OnHandleDestroyed() {
  m_hWnd = nullptr;
  m_controls.clear();
  PostNcDestroy();
}

// ---------------------------------------------------------------- CFrameWnd

BOOL CFrameWnd::Create(const CString& caption, DWORD style) {
  return Ui().CreateFrameWindow(*this, caption, style) != nullptr;
}

void CFrameWnd::PostNcDestroy() {
  CWinApp* app = AfxGetApp();
  if (app == nullptr || app->m_pMainWnd.get() == this) {
    Ui().PostQuitMessage(0);
  }
}

// ---------------------------------------------------------------- CDialog

namespace {
// Keeps a dialog on the application's list of running modal dialogs while
// its DoModal runs, on every way out.
class ModalScope {
 public:
  ModalScope(std::vector<const CDialog*>* list, const CDialog& dialog) : m_list(list) {
    if (m_list != nullptr) m_list->push_back(&dialog);
  }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
  ~ModalScope() {
    if (m_list != nullptr) m_list->pop_back();
  }

 private:
  std::vector<const CDialog*>* m_list;
};
}  // namespace

INT_PTR CDialog::DoModal() {
  CWinApp* app = AfxGetApp();
  HWND parent = nullptr;
  if (m_parent != nullptr) {
    parent = m_parent->GetSafeHwnd();
  } else if (app != nullptr) {
    parent = AfxGetModalOwner(Ui());
  }
  ModalScope scope(app != nullptr ? &app->m_modalDialogs : nullptr, *this);
  m_owner = parent;
  INT_PTR result = Ui().DialogBoxParamA(m_templateId, parent, *this);
  m_owner = nullptr;
  m_hWnd = nullptr;
  m_controls.clear();
  return result;
}

void CDialog::EndDialog(INT_PTR result) {
  if (m_hWnd != nullptr) Ui().EndDialog(m_hWnd, result);
}

bool CDialog::OnUnmappedMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (message == WM_INITDIALOG) {
    result = OnInitDialog();
    // A modal dialog stands centred over its owner (the backdrop), as the
    // framework places every dialog whose template gives no place of its own:
    // at the template's origin it would cover the backdrop's title.
    Ui().CenterWindow(m_hWnd, m_owner);
    return true;
  }
  if (message == WM_COMMAND && HiWord(wParam) == BN_CLICKED) {
    if (LoWord(wParam) == IDOK) {
      OnOK();
      result = 0;
      return true;
    }
    if (LoWord(wParam) == IDCANCEL) {
      OnCancel();
      result = 0;
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------- CWinApp

CWinApp::CWinApp() { g_theApp = this; }

CWinApp::~CWinApp() {
  if (g_theApp == this) g_theApp = nullptr;
}

int CWinApp::Run(PlatformServices& platform, int showCommand) {
  m_platform = &platform;
  m_nCmdShow = showCommand;
  int exitCode = 0;
  if (InitInstance()) {
    exitCode = platform.Ui().RunMessageLoop();
  }
  m_pMainWnd.reset();
  m_platform = nullptr;
  return exitCode;
}

HWND CWinApp::ActiveModalDialog() const {
  for (auto it = m_modalDialogs.rbegin(); it != m_modalDialogs.rend(); ++it) {
    if ((*it)->GetSafeHwnd() != nullptr) return (*it)->GetSafeHwnd();
  }
  return nullptr;
}

CWinApp* AfxGetApp() { return g_theApp; }

int AfxWinMain(PlatformServices& platform, int showCommand) {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return -1;
  return app->Run(platform, showCommand);
}

// ---------------------------------------------------------------- message boxes

CString AfxProgramName(IUserInterface& ui) {
  CString path = ui.GetModuleFileNameA();
  int slash = path.ReverseFind('\\');
  CString name = slash >= 0 ? path.Mid(slash + 1) : path;
  int dot = name.ReverseFind('.');
  return dot >= 0 ? name.Left(dot) : name;
}

HWND AfxGetModalOwner(IUserInterface& ui) {
  if (const CWinApp* app = AfxGetApp()) {
    if (HWND dialog = app->ActiveModalDialog()) return dialog;
    if (app->m_pMainWnd && app->m_pMainWnd->GetSafeHwnd() != nullptr) return app->m_pMainWnd->GetSafeHwnd();
  }
  return ui.GetActiveWindow();
}

int AfxMessageBox(PlatformServices& platform, const CString& text, UINT type) {
  IUserInterface& ui = platform.Ui();
  if ((type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
  return ui.MessageBoxA(AfxGetModalOwner(ui), text, AfxProgramName(ui), type);
}

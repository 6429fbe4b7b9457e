// A small program on the window framework and the real Win32 backend, so the
// end-to-end bench can check that the framework behaves under Wine as the
// unit tests say it does on the in-memory backend: message maps, a message
// posted before a modal dialog arriving inside it, EN_CHANGE raised by
// setting an edit control's text, message boxes with the program's name as
// caption and owned by the dialog, Shift-JIS texts sent as messages, a
// control repainted at once by UpdateWindow, and progress-bar messages.
#include "platform/win32/Win.h"

#include "platform/framework/Afx.h"
#include "platform/win32/Win32Platform.h"

namespace {

constexpr UINT kDialog = 200;  // tests/unit/framework_test.rc
constexpr UINT WM_PROBE_START = WM_USER + 1;
constexpr UINT WM_PROBE_DURING = WM_USER + 3;
constexpr UINT WM_PROBE_IN_BOX = WM_USER + 4;
constexpr UINT kPbmGetPos = WM_USER + 8;

class CProbeDialog : public CDialog {
 public:
  explicit CProbeDialog(PlatformServices& p) : CDialog(p, kDialog) {}

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    CheckTextMessages();
    // Raises EN_CHANGE, which copies the text into the label.
    SetDlgItemText(1001, "初期値");
    CWnd* bar = GetDlgItem(1008);
    bar->SendMessage(PBM_SETRANGE, 0, MakeLParam(0, 5));
    bar->SendMessage(PBM_SETPOS, 0, 0);
    bar->SendMessage(PBM_SETSTEP, 1, 0);
    bar->SendMessage(PBM_STEPIT, 0, 0);
    bar->SendMessage(PBM_STEPIT, 0, 0);
    m_barPos = static_cast<int>(bar->SendMessage(kPbmGetPos, 0, 0));
    return TRUE;
  }
  void OnEditChange() { SetDlgItemText(1005, "changed:" + GetDlgItemText(1001)); }
  void OnAsk() {
    CheckRepaint();
    // Handled inside the box's own loop: the box must be owned by this
    // dialog, which is then disabled.
    PostMessage(WM_PROBE_IN_BOX);
    int answer = AfxMessageBox(Platform(), "よろしいですか？", MB_YESNO);
    SetDlgItemText(1005, answer == IDYES ? "yes" : "no");
  }
  LRESULT OnInBox(WPARAM, LPARAM) {
    if (::IsWindowEnabled(GetSafeHwnd())) Problem("the dialog stays enabled under its message box");
    return 0;
  }
  // WM_SETTEXT and WM_GETTEXT through the layer carry Shift-JIS.
  void CheckTextMessages() {
    CWnd* label = GetDlgItem(1005);
    const CString text = "送信ソ表";
    label->SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.GetString()));
    if (GetDlgItemText(1005) != text) Problem("WM_SETTEXT did not convert the text");
    if (label->SendMessage(WM_GETTEXTLENGTH) != text.GetLength()) Problem("WM_GETTEXTLENGTH is not in bytes");
    char buffer[8] = {};
    // 7 bytes fit and the 4th character would need two more: three characters.
    const LRESULT n = label->SendMessage(WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    if (n != 6 || CString(buffer) != "送信ソ") Problem("WM_GETTEXT cut the text wrongly");
    if (label->PostMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.GetString()))) {
      Problem("a text message could be posted");
    }
  }
  // UpdateWindow on a control paints it before returning: nothing is left to paint.
  void CheckRepaint() {
    CWnd* label = GetDlgItem(1005);
    SetDlgItemText(1005, "再描画");
    label->Invalidate();
    if (!::GetUpdateRect(label->GetSafeHwnd(), nullptr, FALSE))
      Problem("the label needs no paint after Invalidate");
    label->UpdateWindow();
    if (::GetUpdateRect(label->GetSafeHwnd(), nullptr, FALSE))
      Problem("UpdateWindow left the label unpainted");
  }
  void Problem(const char* what) {
    if (m_problem.IsEmpty()) m_problem = what;
  }
  const MessageMap* GetMessageMap() const override {
    static const MessageMapEntry entries[] = {
        OnEnChange(1001, &CProbeDialog::OnEditChange),
        OnBnClicked(1002, &CProbeDialog::OnAsk),
        OnMessage(WM_PROBE_IN_BOX, &CProbeDialog::OnInBox),
    };
    static const MessageMap map{CDialog::GetMessageMap(), entries};
    return &map;
  }

 public:
  int m_barPos = -1;
  CString m_problem;  // the first check that failed
};

class CProbeFrame : public CFrameWnd {
 public:
  explicit CProbeFrame(PlatformServices& p) : CFrameWnd(p) { Create("Framework probe", WS_OVERLAPPEDWINDOW); }

 protected:
  void OnPaint() {
    CPaintDC dc(*this);
    if (!m_started) {
      m_started = true;
      PostMessage(WM_PROBE_START);
    }
  }
  LRESULT OnStart(WPARAM, LPARAM) {
    CProbeDialog dialog(Platform());
    PostMessage(WM_PROBE_DURING);  // must be handled while the dialog runs
    INT_PTR result = dialog.DoModal();
    CString verdict = "PASS";
    if (result != IDOK) verdict = "FAIL: the dialog ended with " + CString(std::to_string(result));
    else if (!m_duringDialog) verdict = "FAIL: the posted message did not arrive during the dialog";
    else if (dialog.m_barPos != 2)
      verdict = "FAIL: the progress bar is at " + CString(std::to_string(dialog.m_barPos));
    else if (!dialog.m_problem.IsEmpty()) verdict = "FAIL: " + dialog.m_problem;
    AfxMessageBox(Platform(), verdict);
    PostMessage(WM_CLOSE);
    return 0;
  }
  LRESULT OnDuring(WPARAM, LPARAM) {
    m_duringDialog = true;
    return 0;
  }
  const MessageMap* GetMessageMap() const override {
    static const MessageMapEntry entries[] = {
        OnMessage(WM_PROBE_START, &CProbeFrame::OnStart),
        OnMessage(WM_PROBE_DURING, &CProbeFrame::OnDuring),
        OnWmPaint(&CProbeFrame::OnPaint),
    };
    static const MessageMap map{CFrameWnd::GetMessageMap(), entries};
    return &map;
  }

 private:
  bool m_started = false;
  bool m_duringDialog = false;
};

class CProbeApp : public CWinApp {
 protected:
  BOOL InitInstance() override {
    m_pMainWnd = std::make_unique<CProbeFrame>(Platform());
    m_pMainWnd->ShowWindow(m_nCmdShow);
    m_pMainWnd->UpdateWindow();
    return TRUE;
  }
};

CProbeApp theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  Win32Platform platform(instance);
  return AfxWinMain(platform, showCommand);
}

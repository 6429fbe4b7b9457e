// A small program on the window framework and the real Win32 backend, so the
// end-to-end bench can check that the framework behaves under Wine as the
// unit tests say it does on the in-memory backend: message maps, a message
// posted before a modal dialog arriving inside it, EN_CHANGE raised by
// setting an edit control's text, message boxes with the program's name as
// caption, and progress-bar messages.
#include "platform/win32/Win.h"

#include "platform/framework/Afx.h"
#include "platform/win32/Win32Platform.h"

namespace {

constexpr UINT kDialog = 200;  // tests/unit/framework_test.rc
constexpr UINT WM_PROBE_START = WM_USER + 1;
constexpr UINT WM_PROBE_DURING = WM_USER + 3;
constexpr UINT kPbmGetPos = WM_USER + 8;

class CProbeDialog : public CDialog {
 public:
  explicit CProbeDialog(PlatformServices& p) : CDialog(p, kDialog) {}

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
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
    int answer = AfxMessageBox(Platform(), "よろしいですか？", MB_YESNO);
    SetDlgItemText(1005, answer == IDYES ? "yes" : "no");
  }
  const MessageMap* GetMessageMap() const override {
    static const MessageMapEntry entries[] = {
        OnEnChange(1001, &CProbeDialog::OnEditChange),
        OnBnClicked(1002, &CProbeDialog::OnAsk),
    };
    static const MessageMap map{CDialog::GetMessageMap(), entries};
    return &map;
  }

 public:
  int m_barPos = -1;
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
    else if (dialog.m_barPos != 2) verdict = "FAIL: the progress bar is at " + CString(std::to_string(dialog.m_barPos));
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

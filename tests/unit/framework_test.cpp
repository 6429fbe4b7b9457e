// The window framework on the in-memory user interface: message maps, the
// order of posted messages, modal dialogs from the compiled resources,
// change notifications, message boxes, progress bars and painting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/framework/Afx.h"
#include "platform/memory/MemoryPlatform.h"
#include "tests/unit/TestSupport.h"

std::string_view FrameworkTestResources();

namespace {

constexpr UINT kTestDialog = 200;
constexpr UINT kPlainDialog = 201;
constexpr UINT WM_FIRST = WM_USER + 10;
constexpr UINT WM_SECOND = WM_USER + 11;
constexpr UINT WM_DURING_DIALOG = WM_USER + 12;

class TestFrame : public CFrameWnd {
 public:
  TestFrame(PlatformServices& p, std::vector<std::string>& log) : CFrameWnd(p), m_log(log) {
    Create("Test frame", WS_OVERLAPPEDWINDOW);
  }
  std::vector<std::string>& m_log;
  std::function<void()> onFirst;

 protected:
  LRESULT OnFirst(WPARAM w, LPARAM) {
    m_log.push_back("first " + std::to_string(w));
    PostMessage(WM_SECOND, 7, 0);
    m_log.push_back("first done");
    if (onFirst) onFirst();
    return 0;
  }
  LRESULT OnSecond(WPARAM w, LPARAM) {
    m_log.push_back("second " + std::to_string(w));
    return 42;
  }
  LRESULT OnDuringDialog(WPARAM, LPARAM) {
    m_log.push_back("during dialog");
    return 0;
  }
  const MessageMap* GetMessageMap() const override {
    static const MessageMapEntry entries[] = {
        OnMessage(WM_FIRST, &TestFrame::OnFirst),
        OnMessage(WM_SECOND, &TestFrame::OnSecond),
        OnMessage(WM_DURING_DIALOG, &TestFrame::OnDuringDialog),
    };
    static const MessageMap map{CFrameWnd::GetMessageMap(), entries};
    return &map;
  }
};

class TestDialog : public CDialog {
 public:
  TestDialog(PlatformServices& p, std::vector<std::string>& log) : CDialog(p, kTestDialog), m_log(log) {}
  std::vector<std::string>& m_log;
  CString m_edit;
  bool m_askOnOk = false;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    m_log.push_back("init");
    SetDlgItemText(1001, "初期値");
    return TRUE;
  }
  void OnOK() override {
    m_log.push_back("ok");
    if (m_askOnOk && AfxMessageBox(Platform(), "よろしいですか？", MB_YESNO) != IDYES) return;
    CDialog::OnOK();
  }
  void OnBrowse() { m_log.push_back("browse"); }
  void OnEditChange() { m_edit = GetDlgItemText(1001); }
  const MessageMap* GetMessageMap() const override {
    static const MessageMapEntry entries[] = {
        OnBnClicked(1002, &TestDialog::OnBrowse),
        OnEnChange(1001, &TestDialog::OnEditChange),
    };
    static const MessageMap map{CDialog::GetMessageMap(), entries};
    return &map;
  }
};

class FrameworkTest : public ::testing::Test {
 protected:
  FrameworkTest() { ui().AddResources(FrameworkTestResources()); }
  MemoryUi& ui() { return platform.ui(); }
  MemoryPlatform platform;
  std::vector<std::string> log;
};

TEST_F(FrameworkTest, PostedMessageIsHandledAfterTheCurrentOne) {
  TestFrame frame(platform, log);
  frame.ShowWindow(SW_SHOWNORMAL);
  frame.PostMessage(WM_FIRST, 1, 0);
  ui().WhenIdle([&](MemoryUi&) { frame.DestroyWindow(); });
  ui().RunMessageLoop();
  EXPECT_EQ(log, (std::vector<std::string>{"first 1", "first done", "second 7"}));
}

TEST_F(FrameworkTest, SentMessageIsHandledAtOnceAndReturnsTheHandlersResult) {
  TestFrame frame(platform, log);
  EXPECT_EQ(frame.SendMessage(WM_SECOND, 3, 0), 42);
  EXPECT_EQ(log, (std::vector<std::string>{"second 3"}));
}

TEST_F(FrameworkTest, DialogRunsFromTheResourcesAndReturnsTheEndCode) {
  TestDialog dialog(platform, log);
  HWND seen = nullptr;
  ui().ExpectDialog(kTestDialog, {UiAction::Check([&](MemoryUi& u, HWND d) {
                                    seen = d;
                                    EXPECT_EQ(u.ControlIds(d), (std::vector<int>{IDOK, IDCANCEL, 1001, 1002, 1005, 1008}));
                                    EXPECT_EQ(u.ControlClass(d, 1001), "Edit");
                                    // Class names are case-insensitive; the resource compiler writes them in capitals.
                                    EXPECT_EQ(MbsICmp(u.ControlClass(d, 1008).view(), "msctls_progress32"), 0);
                                    EXPECT_EQ(u.ControlText(d, IDCANCEL), "ｷｬﾝｾﾙ");
                                    EXPECT_EQ(u.ControlText(d, 1005), "SrcFile");
                                  }),
                                  UiAction::Click(1002), UiAction::Return()});
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_NE(seen, nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"init", "browse", "ok"}));
  EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
  ui().CheckScriptDone();
}

TEST_F(FrameworkTest, EscapeAndTheCancelButtonEndWithIdCancel) {
  for (UiAction action : {UiAction::Escape(), UiAction::Click(IDCANCEL)}) {
    TestDialog dialog(platform, log);
    ui().ExpectDialog(kTestDialog, {action});
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  }
}

TEST_F(FrameworkTest, SettingAnEditControlsTextRaisesItsChangeNotification) {
  TestDialog dialog(platform, log);
  ui().ExpectDialog(kTestDialog, {UiAction::Check([&](MemoryUi&, HWND) { EXPECT_EQ(dialog.m_edit, "初期値"); }),
                                  UiAction::Type(1001, "D:\\Games"),
                                  UiAction::Check([&](MemoryUi&, HWND) { EXPECT_EQ(dialog.m_edit, "D:\\Games"); }),
                                  UiAction::Return()});
  dialog.DoModal();
  ui().CheckScriptDone();
}

TEST_F(FrameworkTest, PostedMessagesAreDeliveredInsideAModalDialog) {
  TestFrame frame(platform, log);
  TestDialog dialog(platform, log);
  ui().ExpectDialog(kTestDialog, {UiAction::Check([&](MemoryUi&, HWND) {
                                    // The frame's message came in while the dialog was up.
                                    EXPECT_EQ(log.back(), "during dialog");
                                  }),
                                  UiAction::Return()});
  frame.PostMessage(WM_DURING_DIALOG);
  dialog.DoModal();
  EXPECT_EQ(log, (std::vector<std::string>{"init", "during dialog", "ok"}));
}

TEST_F(FrameworkTest, MessageBoxCarriesTheProgramNameAndTheExclamationIcon) {
  ui().SetModuleFileName("Q:\\setup\\installer.exe");
  TestDialog dialog(platform, log);
  dialog.m_askOnOk = true;
  // No keeps the dialog open; Yes lets OnOK end it.
  ui().ExpectDialog(kTestDialog, {UiAction::Return(), UiAction::Return()})
      .ExpectMessageBox("よろしいですか？", IDNO)
      .ExpectMessageBox("よろしいですか？", IDYES);
  EXPECT_EQ(dialog.DoModal(), IDOK);
  ASSERT_EQ(ui().MessageBoxes().size(), 2u);
  for (const auto& box : ui().MessageBoxes()) {
    EXPECT_EQ(box.caption, "installer");
    EXPECT_EQ(box.type, MB_YESNO | MB_ICONEXCLAMATION);
  }
  EXPECT_EQ(AfxProgramName(ui()), "installer");
}

TEST_F(FrameworkTest, ScriptFailsOnAnUnexpectedWindowOrAnUnusedExpectation) {
  TestDialog dialog(platform, log);
  ui().ExpectMessageBox("x", IDOK);
  EXPECT_THROW(dialog.DoModal(), UiScriptError);

  MemoryPlatform other;
  other.ui().ExpectMessageBox("a", IDOK);
  EXPECT_THROW(AfxMessageBox(other, "b"), UiScriptError);
  other.ui().ExpectMessageBox("a", IDYES);  // a Yes cannot answer an OK box
  EXPECT_THROW(AfxMessageBox(other, "a", MB_OK), UiScriptError);
  other.ui().ExpectMessageBox("left over", IDOK);
  EXPECT_THROW(other.ui().CheckScriptDone(), UiScriptError);
}

TEST_F(FrameworkTest, DialogThatCannotBeCreatedReturnsMinusOne) {
  TestDialog dialog(platform, log);
  ui().FailDialog(kTestDialog);
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_TRUE(log.empty());
}

TEST_F(FrameworkTest, ProgressBarFollowsItsMessages) {
  class ProgressDialog : public CDialog {
   public:
    using CDialog::CDialog;

   protected:
    BOOL OnInitDialog() override {
      CWnd* bar = GetDlgItem(1008);
      bar->SendMessage(PBM_SETRANGE, 0, MakeLParam(0, 3));
      bar->SendMessage(PBM_SETPOS, 0, 0);
      bar->SendMessage(PBM_SETSTEP, 1, 0);
      bar->SendMessage(PBM_STEPIT, 0, 0);
      bar->SendMessage(PBM_STEPIT, 0, 0);
      EXPECT_EQ(GetDlgItem(4242), nullptr);
      return TRUE;
    }
  } dialog(platform, kTestDialog);
  ui().ExpectDialog(kTestDialog, {UiAction::Check([](MemoryUi& u, HWND d) {
                                    auto p = u.Progress(d, 1008);
                                    EXPECT_EQ(p.min, 0);
                                    EXPECT_EQ(p.max, 3);
                                    EXPECT_EQ(p.pos, 2);
                                    EXPECT_EQ(p.step, 1);
                                  }),
                                  UiAction::Escape()});
  dialog.DoModal();
  EXPECT_EQ(ui().ControlMessages().size(), 5u);
}

TEST_F(FrameworkTest, PlainDialogTemplateIsReadToo) {
  CDialog dialog(platform, kPlainDialog);
  ui().ExpectDialog(kPlainDialog, {UiAction::Check([](MemoryUi& u, HWND d) {
                                     EXPECT_EQ(u.ControlText(d, 0xFFFF), "ラベル");
                                     EXPECT_EQ(u.ControlText(d, IDOK), "OK");
                                   }),
                                   UiAction::Return()});
  EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST_F(FrameworkTest, FolderPickerIsAnsweredByTheScript) {
  ui().ExpectFolderPicker(CString("E:\\")).ExpectFolderPicker(std::nullopt);
  BrowseInfo info;
  info.title = "ドラマCD";
  info.flags = BIF_RETURNONLYFSDIRS;
  ItemIdList chosen = platform.Shell().SHBrowseForFolderA(info);
  CString path;
  ASSERT_NE(chosen, nullptr);
  EXPECT_TRUE(platform.Shell().SHGetPathFromIDListA(chosen.get(), path));
  EXPECT_EQ(path, "E:\\");
  EXPECT_EQ(platform.Shell().SHBrowseForFolderA(info), nullptr) << "cancelled";
  ASSERT_EQ(platform.Shell().BrowseCalls().size(), 2u);
  EXPECT_EQ(platform.Shell().BrowseCalls()[0].title, "ドラマCD");
  ui().CheckScriptDone();
}

}  // namespace

// The window framework on the in-memory user interface: message maps, the
// order of posted messages, modal dialogs from the compiled resources,
// change notifications, message boxes, progress bars and painting.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "platform/framework/Afx.h"
#include "tests/memory/MemoryPlatform.h"
#include "tests/unit/TestSupport.h"

std::string_view FrameworkTestResources();

namespace {

constexpr UINT kTestDialog = 200;
constexpr UINT kPlainDialog = 201;
constexpr UINT kDefaultIs1000Dialog = 202;
constexpr UINT kNoDefaultDialog = 203;
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
  MemoryUi& ui() { return platform.Ui(); }
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
  ui().ExpectDialog(kTestDialog,
                    {UiAction::Check([&](MemoryUi& u, HWND d) {
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
  ui().ExpectDialog(
      kTestDialog,
      {UiAction::Check([&](MemoryUi&, HWND) { EXPECT_EQ(dialog.m_edit, "初期値"); }),
       UiAction::Type(1001, "D:\\Games"),
       UiAction::Check([&](MemoryUi&, HWND) { EXPECT_EQ(dialog.m_edit, "D:\\Games"); }), UiAction::Return()});
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
  other.Ui().ExpectMessageBox("a", IDOK);
  EXPECT_THROW(AfxMessageBox(other, "b"), UiScriptError);
  other.Ui().ExpectMessageBox("a", IDYES);  // a Yes cannot answer an OK box
  EXPECT_THROW(AfxMessageBox(other, "a", MB_OK), UiScriptError);
  other.Ui().ExpectMessageBox("left over", IDOK);
  EXPECT_THROW(other.Ui().CheckScriptDone(), UiScriptError);
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

// ---------------------------------------------------------------- owners of message boxes

// An application object whose main window is a test frame; nothing runs it.
class OwnerApp : public CWinApp {
 public:
  OwnerApp(PlatformServices& p, std::vector<std::string>& log) {
    auto frame = std::make_unique<TestFrame>(p, log);
    frame->ShowWindow(SW_SHOWNORMAL);
    m_pMainWnd = std::move(frame);
  }
};

TEST_F(FrameworkTest, MessageBoxIsOwnedByTheModalDialogElseTheMainWindowEvenWithoutTheForeground) {
  OwnerApp app(platform, log);
  const HWND main = app.m_pMainWnd->GetSafeHwnd();
  // Another program has the foreground: the system's active window is null.
  ui().SetForegroundElsewhere(true);
  ASSERT_EQ(ui().GetActiveWindow(), nullptr);

  TestDialog dialog(platform, log);
  dialog.m_askOnOk = true;
  HWND dialogWindow = nullptr;
  ui().ExpectDialog(kTestDialog,
                    {UiAction::Check([&](MemoryUi&, HWND d) { dialogWindow = d; }), UiAction::Return()})
      .ExpectMessageBox("よろしいですか？", IDYES)
      .ExpectMessageBox("外", IDOK);
  EXPECT_EQ(dialog.DoModal(), IDOK);
  AfxMessageBox(platform, "外");

  ASSERT_EQ(ui().MessageBoxes().size(), 2u);
  EXPECT_EQ(ui().MessageBoxes()[0].owner, dialogWindow) << "inside the dialog";
  EXPECT_NE(dialogWindow, nullptr);
  EXPECT_EQ(ui().MessageBoxes()[1].owner, main) << "outside any dialog";
  EXPECT_EQ(AfxGetModalOwner(ui()), main);
}

TEST_F(FrameworkTest, ModalDialogIsCentredOverItsOwnerOnceItsInitialisationRan) {
  OwnerApp app(platform, log);
  const HWND main = app.m_pMainWnd->GetSafeHwnd();
  TestDialog dialog(platform, log);
  HWND dialogWindow = nullptr;
  std::size_t centredAtFirstLook = 99;
  ui().ExpectDialog(kTestDialog, {UiAction::Check([&](MemoryUi& u, HWND d) {
                                    dialogWindow = d;
                                    centredAtFirstLook = u.Centred().size();
                                  }),
                                  UiAction::Escape()});
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(centredAtFirstLook, 1u) << "placed before the user sees it";
  ASSERT_EQ(ui().Centred().size(), 1u);
  EXPECT_EQ(ui().Centred()[0].window, dialogWindow);
  EXPECT_EQ(ui().Centred()[0].over, main);
}

TEST_F(FrameworkTest, DialogOpenedInsideADialogIsOwnedByIt) {
  OwnerApp app(platform, log);
  ui().SetForegroundElsewhere(true);
  HWND outer = nullptr;
  HWND ownerOfInner = nullptr;
  CDialog inner(platform, kPlainDialog);
  TestDialog dialog(platform, log);
  ui().ExpectDialog(kTestDialog, {UiAction::Check([&](MemoryUi&, HWND d) {
                                    outer = d;
                                    ownerOfInner = AfxGetModalOwner(ui());
                                    inner.DoModal();
                                  }),
                                  UiAction::Return()})
      .ExpectDialog(kPlainDialog, {UiAction::Check([&](MemoryUi&, HWND) {
                                     EXPECT_EQ(AfxGetModalOwner(ui()), inner.GetSafeHwnd())
                                         << "the innermost";
                                   }),
                                   UiAction::Return()});
  dialog.DoModal();
  EXPECT_EQ(ownerOfInner, outer);
  EXPECT_EQ(app.ActiveModalDialog(), nullptr) << "both dialogs are over";
}

// What a dialog does once its window is gone (a message box from its last
// hook) belongs to the dialog it was opened from: the finished one no longer
// has a window to own anything.
TEST_F(FrameworkTest, ADialogWhoseWindowIsGoneOwnsNothing) {
  class LastWords : public CDialog {
   public:
    LastWords(PlatformServices& p) : CDialog(p, kPlainDialog) {}
    HWND windowAfterwards = reinterpret_cast<HWND>(1);
    HWND ownerAfterwards = nullptr;

   protected:
    void PostNcDestroy() override {
      windowAfterwards = GetSafeHwnd();
      ownerAfterwards = AfxGetModalOwner(Ui());
    }
  };
  OwnerApp app(platform, log);
  HWND outer = nullptr;
  LastWords inner(platform);
  TestDialog dialog(platform, log);
  ui().ExpectDialog(kTestDialog, {UiAction::Check([&](MemoryUi&, HWND d) {
                                    outer = d;
                                    inner.DoModal();
                                  }),
                                  UiAction::Return()})
      .ExpectDialog(kPlainDialog, {UiAction::Return()});
  dialog.DoModal();
  EXPECT_EQ(inner.windowAfterwards, nullptr);
  EXPECT_NE(outer, nullptr);
  EXPECT_EQ(inner.ownerAfterwards, outer);
}

// ---------------------------------------------------------------- the Return key

// A dialog that records every command it gets, whatever its code.
class CommandLog : public CDialog {
 public:
  CommandLog(PlatformServices& p, UINT id) : CDialog(p, id) {}
  std::vector<std::pair<int, UINT>> commands;  // control id, notification code
  int setDefId = 0;

 protected:
  BOOL OnInitDialog() override {
    if (setDefId != 0) SendMessage(DM_SETDEFID, static_cast<WPARAM>(setDefId), 0);
    return TRUE;
  }
  bool OnUnmappedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message == WM_COMMAND) {
      commands.emplace_back(LoWord(wParam), HiWord(wParam));
      if (HiWord(wParam) == BN_CLICKED && LoWord(wParam) != 1001) EndDialog(LoWord(wParam));
      result = 0;
      return true;
    }
    return CDialog::OnUnmappedMessage(message, wParam, lParam, result);
  }
};

TEST_F(FrameworkTest, ReturnPressesTheDefaultPushButtonWhateverItsId) {
  struct Case {
    UINT dialog;
    int setDefId;
    int pressed;
  };
  for (const Case& c : {Case{kDefaultIs1000Dialog, 0, 1000}, Case{kTestDialog, 0, IDOK},
                        Case{kNoDefaultDialog, 0, IDOK}, Case{kDefaultIs1000Dialog, IDCANCEL, IDCANCEL}}) {
    SCOPED_TRACE("dialog " + std::to_string(c.dialog) + ", DM_SETDEFID " + std::to_string(c.setDefId));
    CommandLog dialog(platform, c.dialog);
    dialog.setDefId = c.setDefId;
    HWND button = nullptr;
    ui().ExpectDialog(c.dialog, {UiAction::Check([&](MemoryUi& u, HWND d) {
                                   button = u.GetDlgItem(d, c.pressed);
                                   EXPECT_EQ(u.DefaultButton(d), c.pressed);
                                 }),
                                 UiAction::Return()});
    EXPECT_EQ(dialog.DoModal(), c.pressed);
    EXPECT_EQ(dialog.commands, (std::vector<std::pair<int, UINT>>{{c.pressed, BN_CLICKED}}));
    // The click comes with the button's window, as a real click does.
    ASSERT_FALSE(ui().Delivered().empty());
    const auto& command = ui().Delivered().back();
    EXPECT_EQ(command.message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(command.lParam, reinterpret_cast<LPARAM>(button));
    EXPECT_NE(button, nullptr);
  }
}

// ---------------------------------------------------------------- edit notifications and texts

TEST_F(FrameworkTest, SettingAnEditsTextRaisesUpdateThenChange) {
  CommandLog dialog(platform, kTestDialog);
  ui().ExpectDialog(kTestDialog, {UiAction::Type(1001, "C:\\x"), UiAction::Escape()});
  dialog.DoModal();
  EXPECT_EQ(dialog.commands, (std::vector<std::pair<int, UINT>>{
                                 {1001, EN_UPDATE}, {1001, EN_CHANGE}, {IDCANCEL, BN_CLICKED}}));
}

TEST_F(FrameworkTest, TextMessagesSentThroughTheLayerCarryShiftJis) {
  CommandLog dialog(platform, kTestDialog);
  ui().ExpectDialog(
      kTestDialog,
      {UiAction::Check([&](MemoryUi& u, HWND d) {
         CWnd* edit = dialog.GetDlgItem(1001);
         const CString text = "表示ソ";  // trail bytes 0x5C and 0x83
         edit->SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.GetString()));
         EXPECT_EQ(u.ControlText(d, 1001), text);
         EXPECT_EQ(edit->SendMessage(WM_GETTEXTLENGTH), 6);
         struct Read {
           WPARAM size;
           const char* got;
         };
         // A buffer too small for a whole character keeps it out.
         for (Read r : {Read{7, "表示ソ"}, Read{6, "表示"}, Read{5, "表示"}, Read{4, "表"}, Read{1, ""}}) {
           char buffer[8];
           std::fill(std::begin(buffer), std::end(buffer), 'x');
           const LRESULT n = edit->SendMessage(WM_GETTEXT, r.size, reinterpret_cast<LPARAM>(buffer));
           EXPECT_EQ(CString(buffer), r.got) << r.size;
           EXPECT_EQ(n, static_cast<LRESULT>(std::strlen(r.got)));
         }
         // Other messages carrying text are refused, and no text may be posted.
         EXPECT_THROW(edit->SendMessage(0x0180 /* LB_ADDSTRING */, 0, reinterpret_cast<LPARAM>("x")),
                      UiScriptError);
         EXPECT_FALSE(edit->PostMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x")));
       }),
       UiAction::Escape()});
  dialog.DoModal();
  EXPECT_EQ(dialog.commands.size(), 3u) << "EN_UPDATE, EN_CHANGE, Cancel";
}

// ---------------------------------------------------------------- repainting controls

TEST_F(FrameworkTest, UpdateWindowOnAControlRepaintsItAtOnceInALoopThatPumpsNothing) {
  class BusyDialog : public CDialog {
   public:
    using CDialog::CDialog;

   protected:
    void OnOK() override {
      // A long task: no message is pumped until it ends.
      CWnd* bar = GetDlgItem(1008);
      bar->SendMessage(PBM_SETRANGE, 0, MakeLParam(0, 3));
      for (int i = 1; i <= 3; ++i) {
        SetDlgItemText(1005, CString("file ") + std::to_string(i).c_str());
        bar->SendMessage(PBM_SETPOS, static_cast<WPARAM>(i), 0);
        GetDlgItem(1005)->UpdateWindow();
        bar->UpdateWindow();
      }
      // Nothing changed: nothing to paint. Invalidated: painted again.
      GetDlgItem(1002)->UpdateWindow();
      GetDlgItem(1002)->Invalidate();
      GetDlgItem(1002)->UpdateWindow();
      CDialog::OnOK();
    }
  } dialog(platform, kTestDialog);
  std::size_t before = 0;
  ui().ExpectDialog(
      kTestDialog,
      {UiAction::Check([&](MemoryUi& u, HWND) { before = u.ControlPaints().size(); }), UiAction::Return()});
  dialog.DoModal();
  std::vector<std::string> painted;
  for (std::size_t i = before; i < ui().ControlPaints().size(); ++i) {
    const auto& p = ui().ControlPaints()[i];
    EXPECT_TRUE(p.byUpdateWindow);
    painted.push_back(std::to_string(p.controlId) + ":" + p.text.str() + ":" + std::to_string(p.position));
  }
  EXPECT_EQ(painted, (std::vector<std::string>{"1005:file 1:0", "1008:Progress1:1", "1005:file 2:0",
                                               "1008:Progress1:2", "1005:file 3:0", "1008:Progress1:3",
                                               "1002:参照:0"}));
  EXPECT_GT(before, 0u) << "the message loop painted the controls when the dialog was shown";
}

// ---------------------------------------------------------------- nested message boxes

TEST_F(FrameworkTest, NestedMessageBoxesLeaveTheOuterBoxModal) {
  constexpr UINT WM_SHOW_BOX = WM_USER + 20;
  constexpr UINT WM_LOOK = WM_USER + 21;
  class BoxFrame : public CFrameWnd {
   public:
    BoxFrame(PlatformServices& p, MemoryUi& ui) : CFrameWnd(p), m_ui(ui) {
      Create("frame", WS_OVERLAPPEDWINDOW);
    }
    HWND seenAfterInnerBox = reinterpret_cast<HWND>(1);

   protected:
    LRESULT OnShowBox(WPARAM, LPARAM) {
      AfxMessageBox(Platform(), "内側");
      // Handled after the inner box, inside the outer one's loop.
      PostMessage(WM_LOOK);
      return 0;
    }
    LRESULT OnLook(WPARAM, LPARAM) {
      seenAfterInnerBox = m_ui.ActiveDialog();
      return 0;
    }
    const MessageMap* GetMessageMap() const override {
      static const MessageMapEntry entries[] = {OnMessage(WM_SHOW_BOX, &BoxFrame::OnShowBox),
                                                OnMessage(WM_LOOK, &BoxFrame::OnLook)};
      static const MessageMap map{CFrameWnd::GetMessageMap(), entries};
      return &map;
    }
    MemoryUi& m_ui;
  } frame(platform, ui());
  class AskingDialog : public CDialog {
   public:
    AskingDialog(PlatformServices& p, CWnd& frame) : CDialog(p, kTestDialog), m_frame(frame) {}

   protected:
    void OnOK() override {
      // Handled inside the outer box's loop.
      m_frame.PostMessage(WM_SHOW_BOX);
      AfxMessageBox(Platform(), "外側");
      CDialog::OnOK();
    }
    CWnd& m_frame;
  } dialog(platform, frame);
  ui().ExpectDialog(kTestDialog, {UiAction::Return()})
      .ExpectMessageBox("外側", IDOK)
      .ExpectMessageBox("内側", IDOK);
  dialog.DoModal();
  EXPECT_EQ(frame.seenAfterInnerBox, nullptr) << "the outer box is still the modal window";
}

// ---------------------------------------------------------------- standing answers

TEST_F(FrameworkTest, StandingAnswersServeEveryShowingTheScriptComesFirst) {
  ui().AlwaysAnswerDialog(kTestDialog, {UiAction::Type(1001, "常に"), UiAction::Return()})
      .AlwaysAnswerMessageBox("よろしいですか？", IDYES);
  for (int showing = 0; showing < 2; ++showing) {
    TestDialog dialog(platform, log);
    dialog.m_askOnOk = true;
    EXPECT_EQ(dialog.DoModal(), IDOK) << showing;
    EXPECT_EQ(dialog.m_edit, "常に") << showing;
  }
  // A scripted step is used before the standing answer.
  ui().ExpectDialog(kTestDialog, {UiAction::Escape()});
  TestDialog scripted(platform, log);
  EXPECT_EQ(scripted.DoModal(), IDCANCEL);
  ui().ExpectMessageBox("よろしいですか？", IDNO);
  EXPECT_EQ(AfxMessageBox(platform, "よろしいですか？", MB_YESNO), IDNO);
  EXPECT_EQ(AfxMessageBox(platform, "よろしいですか？", MB_YESNO), IDYES);
  ui().CheckScriptDone();
  ASSERT_EQ(ui().MessageBoxes().size(), 4u);
  EXPECT_EQ(ui().MessageBoxes()[3].answer, IDYES);
  // 3 dialogs, 2 actions in each standing one, 1 in the scripted one, 4 boxes.
  EXPECT_EQ(ui().UserSteps(), 3 + 2 * 2 + 1 + 4);
}

TEST_F(FrameworkTest, AMessageBoxWithoutStandingAnswerFailsUnlessUnscriptedOnesAreAnswered) {
  ui().AlwaysAnswerMessageBox("はい？", IDYES);
  EXPECT_THROW(AfxMessageBox(platform, "ほか", MB_YESNO), UiScriptError);
  ui().AnswerUnscriptedMessageBoxes(IDNO);
  EXPECT_EQ(AfxMessageBox(platform, "ほか", MB_YESNO), IDNO);
  EXPECT_EQ(AfxMessageBox(platform, "はい？", MB_YESNO), IDYES);
  EXPECT_EQ(AfxMessageBox(platform, "ほか", MB_OK), IDOK);
}

TEST_F(FrameworkTest, StandingActionsRepeatWhileTheDialogWaitsUpToTheStepLimit) {
  // No keeps the dialog open: Return is pressed again and again.
  ui().AlwaysAnswerDialog(kTestDialog, {UiAction::Return()}).AlwaysAnswerMessageBox("よろしいですか？", IDNO);
  ui().LimitUserSteps(25);
  TestDialog dialog(platform, log);
  dialog.m_askOnOk = true;
  try {
    dialog.DoModal();
    ADD_FAILURE() << "a dialog that never closes ran past the limit";
  } catch (const UiScriptError& e) {
    EXPECT_NE(std::string(e.what()).find("has not ended after 25 user steps"), std::string::npos) << e.what();
  }
  // The dialog, then Return and No in turn.
  EXPECT_EQ(ui().MessageBoxes().size(), 12u);
  EXPECT_EQ(std::count(log.begin(), log.end(), "ok"), 12);
}

TEST_F(FrameworkTest, AStandingDialogWithoutActionsFailsWhenItWaits) {
  ui().AlwaysAnswerDialog(kTestDialog, {});
  TestDialog dialog(platform, log);
  EXPECT_THROW(dialog.DoModal(), UiScriptError);
}

TEST(UiPixels, WithoutRenderedPixelsTheSamePaintsAreRecordedAndNoPixelIsAnswered) {
  std::vector<std::size_t> paints;
  for (bool render : {true, false}) {
    MemoryPlatform p;
    p.Ui().RenderPixels(render);
    std::vector<std::string> log;
    TestFrame frame(p, log);
    frame.ShowWindow(SW_SHOWNORMAL);
    frame.UpdateWindow();
    frame.ShowWindow(SW_MAXIMIZE);
    frame.UpdateWindow();
    {
      CPaintDC dc(frame);
      dc.FillSolidRect({0, 0, 10, 10}, RGB(1, 2, 3));
    }
    ASSERT_FALSE(p.Ui().Paints().back().ops.empty());
    EXPECT_EQ(p.Ui().Paints().back().ops.back().colour, RGB(1, 2, 3));
    paints.push_back(p.Ui().Paints().size());
    if (render) {
      EXPECT_EQ(p.Ui().PixelAt(frame.GetSafeHwnd(), 1, 1), RGB(1, 2, 3));
    } else {
      EXPECT_THROW(p.Ui().PixelAt(frame.GetSafeHwnd(), 1, 1), UiScriptError);
    }
  }
  EXPECT_EQ(paints[0], paints[1]);
}

// ---------------------------------------------------------------- the script checks itself

TEST(UiScript, AnExpectationNeverUsedFailsTheTestAtTheLineThatSetItUp) {
  ::testing::TestPartResultArray failures;
  int line = 0;
  {
    ::testing::ScopedFakeTestPartResultReporter reporter(
        ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
    MemoryPlatform platform;
    line = __LINE__ + 1;  // the line of the call below
    platform.Ui().ExpectDialog(kTestDialog, {UiAction::Return()});
    platform.Ui().ExpectMessageBox("忘れた", IDOK);
  }
  ASSERT_EQ(failures.size(), 2);
  const ::testing::TestPartResult& first = failures.GetTestPartResult(0);
  EXPECT_TRUE(first.nonfatally_failed());
  EXPECT_NE(std::string(first.file_name()).find("framework_test.cpp"), std::string::npos)
      << first.file_name();
  EXPECT_EQ(first.line_number(), line);
  EXPECT_NE(std::string(first.message()).find("never reached [dialog 200"), std::string::npos)
      << first.message();
  EXPECT_EQ(failures.GetTestPartResult(1).line_number(), line + 1);
}

TEST(UiScript, ExpectationsAlreadyNamedByAScriptErrorAreNotReportedAgain) {
  MemoryPlatform platform;
  platform.Ui().ExpectMessageBox("left over", IDOK);
  EXPECT_THROW(platform.Ui().CheckScriptDone(), UiScriptError);
  // Leaving the scope reports nothing more: the error above failed the test already.
}

TEST_F(FrameworkTest, FailuresNameTheLineOfTheExpectation) {
  TestDialog dialog(platform, log);
  const int line = __LINE__ + 1;
  ui().ExpectDialog(kTestDialog, {UiAction::Escape(), UiAction::Click(1002)});
  try {
    dialog.DoModal();
    ADD_FAILURE() << "the unused click was not noticed";
  } catch (const UiScriptError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("1 scripted actions unused: click 1002 (tests/unit/framework_test.cpp:" +
                           std::to_string(line)),
              std::string::npos)
        << message;
  }
}

// A control notification runs its handler only for the code it was bound
// with: a click is no change and a change is no click.
TEST_F(FrameworkTest, NotificationsAreMatchedByCodeAndControl) {
  TestDialog dialog(platform, log);
  ui().ExpectDialog(kTestDialog,
                    {UiAction::Check([&](MemoryUi& u, HWND d) {
                       dialog.m_edit = "unchanged";
                       u.SendMessageA(d, WM_COMMAND, MakeWParam(1002, static_cast<WORD>(EN_CHANGE)), 0);
                       u.SendMessageA(d, WM_COMMAND, MakeWParam(1001, static_cast<WORD>(BN_CLICKED)), 0);
                       u.SendMessageA(d, WM_COMMAND, MakeWParam(1003, static_cast<WORD>(BN_CLICKED)), 0);
                       EXPECT_EQ(dialog.m_edit, "unchanged");
                       u.SendMessageA(d, WM_COMMAND, MakeWParam(1002, static_cast<WORD>(BN_CLICKED)), 0);
                     }),
                     UiAction::Escape()});
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(log, (std::vector<std::string>{"init", "browse"}));
}

// A class's map is searched first, then its base class's.
TEST_F(FrameworkTest, BaseClassMapIsSearchedAfterTheClassesOwn) {
  class DerivedFrame : public TestFrame {
   public:
    using TestFrame::TestFrame;

   protected:
    LRESULT OnSecondAgain(WPARAM w, LPARAM) {
      m_log.push_back("derived second " + std::to_string(w));
      return 43;
    }
    const MessageMap* GetMessageMap() const override {
      static const MessageMapEntry entries[] = {
          OnMessage(WM_SECOND, &DerivedFrame::OnSecondAgain),
      };
      static const MessageMap map{TestFrame::GetMessageMap(), entries};
      return &map;
    }
  } frame(platform, log);
  EXPECT_EQ(frame.SendMessage(WM_SECOND, 1, 0), 43);
  EXPECT_EQ(frame.SendMessage(WM_DURING_DIALOG, 0, 0), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"derived second 1", "during dialog"}));
}

TEST_F(FrameworkTest, PostedMessagesKeepTheirOrder) {
  TestFrame frame(platform, log);
  for (WPARAM w : {1, 2, 3}) frame.PostMessage(WM_SECOND, w, 0);
  ui().WhenIdle([&](MemoryUi&) { frame.DestroyWindow(); });
  ui().RunMessageLoop();
  EXPECT_EQ(log, (std::vector<std::string>{"second 1", "second 2", "second 3"}));
}

// A dialog is created over the window given to it, else over the
// application's main window.
TEST_F(FrameworkTest, DialogIsOwnedByItsParentOrTheMainWindow) {
  TestFrame frame(platform, log);
  HWND owner = nullptr;
  auto recordOwner = UiAction::Check([&](MemoryUi& u, HWND d) { owner = u.Owner(d); });
  {
    CDialog withParent(platform, kPlainDialog, &frame);
    ui().ExpectDialog(kPlainDialog, {recordOwner, UiAction::Return()});
    withParent.DoModal();
    EXPECT_EQ(owner, frame.GetSafeHwnd());
  }
  struct App : CWinApp {};
  App app;
  app.m_pMainWnd = std::make_unique<TestFrame>(platform, log);
  owner = nullptr;
  CDialog withoutParent(platform, kPlainDialog);
  ui().ExpectDialog(kPlainDialog, {recordOwner, UiAction::Return()});
  withoutParent.DoModal();
  EXPECT_NE(owner, nullptr);
  EXPECT_EQ(owner, app.m_pMainWnd->GetSafeHwnd());
  app.m_pMainWnd.reset();
}

// The exclamation icon is the default only: an icon the caller names stays.
TEST_F(FrameworkTest, MessageBoxKeepsAnIconTheCallerNamed) {
  constexpr UINT kIconInformation = 0x40;
  constexpr UINT kIconQuestion = 0x20;
  ui().ExpectMessageBox("a", IDOK).ExpectMessageBox("b", IDYES).ExpectMessageBox("c", IDOK);
  AfxMessageBox(platform, "a", MB_OK | kIconInformation);
  AfxMessageBox(platform, "b", MB_YESNO | kIconQuestion);
  AfxMessageBox(platform, "c");
  ASSERT_EQ(ui().MessageBoxes().size(), 3u);
  EXPECT_EQ(ui().MessageBoxes()[0].type, MB_OK | kIconInformation);
  EXPECT_EQ(ui().MessageBoxes()[1].type, MB_YESNO | kIconQuestion);
  EXPECT_EQ(ui().MessageBoxes()[2].type, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

// The backdrop both programs run behind: start message once, gradient bands,
// title, and the way the program ends.
#include <gtest/gtest.h>

#include "installer/InstallerApp.h"
#include "shell/BackdropWnd.h"
#include "shell/Names.h"
#include "tests/memory/MemoryPlatform.h"
#include "tests/unit/TestSupport.h"
#include "uninst/UninstApp.h"

std::string_view FrameworkTestResources();
std::string_view InstallerResources();
std::string_view UninstResources();

namespace {

using PaintOp = MemoryUi::PaintOp;

int CountDelivered(const MemoryUi& ui, UINT message) {
  int n = 0;
  for (const auto& m : ui.Delivered()) n += m.message == message ? 1 : 0;
  return n;
}

std::vector<MemoryUi::PaintRecord> PaintsOf(const MemoryUi& ui, HWND window) {
  std::vector<MemoryUi::PaintRecord> paints;
  for (const auto& p : ui.Paints()) {
    if (p.window == window) paints.push_back(p);
  }
  return paints;
}

// An installer whose start handler records what the program looked like
// when the start message arrived.
class ProbeWnd : public CBackdropWnd {
 public:
  ProbeWnd(PlatformServices& p, FirstPaintFlag& flag, const bool& initReturned)
      : CBackdropWnd(p, kInstallerLook, flag), m_initReturned(initReturned) {}
  int starts = 0;
  bool initReturnedAtStart = false;
  bool zoomedAtStart = false;
  std::function<void()> duringStart;

 protected:
  const MessageMap* GetMessageMap() const override {
    static const MessageMapEntry entries[] = {OnMessage(WM_START_FLOW, &ProbeWnd::OnStartFlow)};
    static const MessageMap map{CBackdropWnd::GetMessageMap(), entries};
    return &map;
  }
  LRESULT OnStartFlow(WPARAM w, LPARAM l) {
    EXPECT_EQ(w, 0u);
    EXPECT_EQ(l, 0);
    ++starts;
    initReturnedAtStart = m_initReturned;
    zoomedAtStart = Ui().IsZoomed(GetSafeHwnd()) != FALSE;
    if (duringStart) duringStart();
    return 0;
  }

 private:
  const bool& m_initReturned;
};

class ProbeApp : public CWinApp {
 public:
  FirstPaintFlag flag;
  bool initReturned = false;
  ProbeWnd* wnd = nullptr;

 protected:
  BOOL InitInstance() override {
    auto w = std::make_unique<ProbeWnd>(Platform(), flag, initReturned);
    wnd = w.get();
    BOOL ok = InitBackdropInstance(*this, std::move(w));
    initReturned = true;
    return ok;
  }
};

TEST(Backdrop, FirstPaintPostsTheStartMessageOnceAfterInitInstance) {
  MemoryPlatform platform;
  MemoryUi& ui = platform.Ui();
  ProbeApp app;
  int startsSeenAtClose = -1;
  ui.WhenIdle([&](MemoryUi& u) {
    // Minimise and restore: repaints, but no second start.
    u.Invalidate(u.MainFrame());
  });
  ui.WhenIdle([&](MemoryUi& u) {
    startsSeenAtClose = app.wnd->starts;
    u.PostMessageA(u.MainFrame(), WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(app.Run(platform, SW_SHOWNORMAL), 0);
  EXPECT_EQ(startsSeenAtClose, 1);
  EXPECT_EQ(CountDelivered(ui, WM_START_FLOW), 1);
  EXPECT_GE(CountDelivered(ui, WM_PAINT), 3);
  ui.CheckScriptDone();
}

TEST(Backdrop, StartMessageArrivesAfterInitInstanceReturnedWithTheWindowMaximised) {
  MemoryPlatform platform;
  ProbeApp app;
  platform.Ui().CloseMainWindowWhenIdle();
  app.Run(platform, SW_SHOWNORMAL);
  EXPECT_TRUE(app.initReturned);
  // The first paint happened inside InitInstance (UpdateWindow), the start later.
  const auto& delivered = platform.Ui().Delivered();
  auto firstPaint =
      std::find_if(delivered.begin(), delivered.end(), [](auto& m) { return m.message == WM_PAINT; });
  auto start =
      std::find_if(delivered.begin(), delivered.end(), [](auto& m) { return m.message == WM_START_FLOW; });
  ASSERT_NE(start, delivered.end());
  EXPECT_LT(firstPaint, start);
  EXPECT_TRUE(start->posted);
}

TEST(Backdrop, PaintsDuringAModalWindowNeverStartAgain) {
  MemoryPlatform platform;
  MemoryUi& ui = platform.Ui();
  // The driver shows a message box and a dialog; the backdrop repaints behind them.
  class BoxApp : public ProbeApp {
   public:
    MemoryPlatform* plat = nullptr;
    int paintsWhileModal = 0;

   protected:
    BOOL InitInstance() override {
      BOOL ok = ProbeApp::InitInstance();
      wnd->duringStart = [this] {
        MemoryUi& u = plat->Ui();
        const auto before = u.Paints().size();
        u.Invalidate(u.MainFrame());
        AfxMessageBox(*plat, "待って");
        CDialog dialog(*plat, 200);  // a dialog of the framework's test resources
        dialog.DoModal();
        paintsWhileModal = static_cast<int>(u.Paints().size() - before);
      };
      return ok;
    }
  } app;
  app.plat = &platform;
  ui.AddResources(FrameworkTestResources());
  ui.ExpectMessageBox("待って", IDOK)
      .ExpectDialog(
          200, {UiAction::Check([](MemoryUi& u, HWND) { u.Invalidate(u.MainFrame()); }), UiAction::Escape()})
      .CloseMainWindowWhenIdle();
  EXPECT_EQ(app.Run(platform, SW_SHOWNORMAL), 0);
  EXPECT_GE(app.paintsWhileModal, 2);
  EXPECT_EQ(CountDelivered(ui, WM_START_FLOW), 1);
  ui.CheckScriptDone();
}

struct BandCase {
  int height;
  int bandHeight;
};

class BandGeometry : public ::testing::TestWithParam<BandCase> {};

TEST_P(BandGeometry, BandsFollowTheClientHeight) {
  const BandCase c = GetParam();
  const Rect client{0, 0, 800, c.height};
  EXPECT_EQ(BandRect(client, 0), (Rect{0, -c.bandHeight, 800, 0})) << "band 0 lies above the client area";
  EXPECT_EQ(BandRect(client, 1), (Rect{0, 0, 800, c.bandHeight}));
  EXPECT_EQ(BandRect(client, 192).bottom, 192 * c.bandHeight) << "the last band on screen";
  EXPECT_EQ(BandRect(client, 255), (Rect{0, 254 * c.bandHeight, 800, 255 * c.bandHeight}));
}

INSTANTIATE_TEST_SUITE_P(Heights, BandGeometry,
                         ::testing::Values(BandCase{191, 0}, BandCase{192, 1}, BandCase{383, 1},
                                           BandCase{768, 4}, BandCase{1000, 5}));

struct PixelCase {
  int height;
  int row;
  int band;  // -1: not filled, the class background shows
};

class BackdropPixels : public ::testing::TestWithParam<PixelCase> {};

// Paints a maximised backdrop of the given height and checks one row's colour.
TEST_P(BackdropPixels, RowShowsItsBandColour) {
  const PixelCase c = GetParam();
  for (bool installer : {true, false}) {
    MemoryPlatform platform;
    platform.Ui().SetScreenClient(640, c.height);
    FirstPaintFlag flag, copyFlag;
    std::unique_ptr<CBackdropWnd> wnd;
    if (installer) wnd = std::make_unique<CInstallerWnd>(platform, flag, copyFlag);
    else wnd = std::make_unique<CUninstWnd>(platform, flag);
    ASSERT_TRUE(wnd->CreateBackdrop());
    wnd->ShowWindow(SW_MAXIMIZE);
    wnd->UpdateWindow();
    const COLORREF expected = c.band < 0 ? MemoryUi::kClassBackground
                                         : (installer ? RGB(0, 0, static_cast<BYTE>(255 - c.band))
                                                      : RGB(static_cast<BYTE>(255 - c.band), 0, 0));
    EXPECT_EQ(platform.Ui().PixelAt(wnd->GetSafeHwnd(), 600, c.row), expected)
        << (installer ? "installer" : "uninst") << " height " << c.height << " row " << c.row;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, BackdropPixels,
                         ::testing::Values(PixelCase{191, 0, -1}, PixelCase{191, 190, -1},  // no band at all
                                           PixelCase{192, 0, 1}, PixelCase{192, 191, 192},
                                           PixelCase{383, 191, 192}, PixelCase{383, 192, 193},
                                           PixelCase{383, 254, 255}, PixelCase{383, 255, -1},
                                           PixelCase{383, 382, -1},  // below band 255
                                           PixelCase{768, 0, 1}, PixelCase{768, 767, 192},
                                           PixelCase{1000, 959, 192}, PixelCase{1000, 960, 193},
                                           PixelCase{1000, 999, 200}));

TEST(Backdrop, TitleIsWhiteItalicShiftJisScaledByTheScreensDpiAndTheContextIsRestored) {
  // Height and position are 32 and (20, 20) at 96 DPI, and grow with the DPI.
  struct Screen {
    int dpi, height, at;
  };
  for (const Screen screen :
       {Screen{96, 32, 20}, Screen{120, 40, 25}, Screen{144, 48, 30}, Screen{192, 64, 40}}) {
    SCOPED_TRACE(screen.dpi);
    MemoryPlatform platform;
    platform.Ui().SetPixelsPerInch(screen.dpi);
    FirstPaintFlag flag;
    CUninstWnd wnd(platform, flag);
    ASSERT_TRUE(wnd.CreateBackdrop());
    wnd.ShowWindow(SW_MAXIMIZE);
    wnd.UpdateWindow();
    auto paints = PaintsOf(platform.Ui(), wnd.GetSafeHwnd());
    ASSERT_EQ(paints.size(), 1u);
    const auto& ops = paints[0].ops;
    ASSERT_EQ(ops.size(), 256u + 9u);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(ops[i].kind, PaintOp::Kind::Fill);

    const PaintOp& create = ops[256];
    ASSERT_EQ(create.kind, PaintOp::Kind::CreateFont);
    LogFont expected;
    expected.height = screen.height;
    expected.italic = true;
    expected.charSet = SHIFTJIS_CHARSET;
    EXPECT_EQ(create.font, expected);

    const PaintOp& text = ops[260];
    ASSERT_EQ(text.kind, PaintOp::Kind::TextOut);
    EXPECT_EQ(text.x, screen.at);
    EXPECT_EQ(text.y, screen.at);
    EXPECT_EQ(text.text, "タヴリン ドラマＣＤ plus ぺるしゅか アンインストーラー");
    EXPECT_EQ(text.fontHandle, create.fontHandle);
    EXPECT_EQ(text.mode, TRANSPARENT);
    EXPECT_EQ(text.colour, RGB(255, 255, 255));

    // Mode, colour and font restored in that order, then the font deleted.
    EXPECT_EQ(ops[261].kind, PaintOp::Kind::SetBkMode);
    EXPECT_EQ(ops[262].kind, PaintOp::Kind::SetTextColor);
    EXPECT_EQ(ops[263].kind, PaintOp::Kind::SelectFont);
    EXPECT_EQ(ops[264].kind, PaintOp::Kind::DeleteFont);
    EXPECT_EQ(paints[0].bkModeAtEnd, OPAQUE);
    EXPECT_EQ(paints[0].textColourAtEnd, 0u);
    EXPECT_NE(paints[0].fontAtEnd, create.fontHandle);
    EXPECT_TRUE(paints[0].ended);
    EXPECT_EQ(platform.Ui().LiveFonts(), 0);
  }
}

TEST(Backdrop, EachProgramHasItsOwnCaptionAndStartsMaximised) {
  struct Case {
    bool installer;
    const char* caption;
  };
  for (Case c : {Case{true, "ドラマＣＤ１ インストーラー"}, Case{false, "ドラマＣＤ１ アンインストーラー"}}) {
    MemoryPlatform platform;
    bool zoomed = false;
    auto look = [&](MemoryUi& u) {
      HWND main = u.FindWindow(c.caption);
      ASSERT_NE(main, nullptr) << c.caption;
      zoomed = u.IsZoomed(main) != FALSE;
    };
    if (c.installer) {
      // The installer's flow opens its setup dialog at once; leaving it ends the program.
      platform.Ui().AddResources(InstallerResources());
      platform.Ui().SetModuleFileName("C:\\cd\\installer.exe");
      platform.Drives().Add('C', DRIVE_FIXED);
      platform.Files().AddFolder("C:\\cd");
      platform.Ui()
          .ExpectDialog(101, {UiAction::Check([&](MemoryUi& u, HWND) { look(u); }), UiAction::Escape()})
          .ExpectMessageBox("インストールは終わっていません。\n終了しますか？", IDYES);
    } else {
      // The uninstaller's flow asks first; cancelling closes the program.
      platform.Ui().AddResources(UninstResources());
      platform.Ui().SetModuleFileName("C:\\inst\\uninst.exe");
      platform.Drives().Add('C', DRIVE_FIXED);
      platform.Files().AddFolder("C:\\inst");
      platform.Ui().ExpectDialog(101,
                                 {UiAction::Check([&](MemoryUi& u, HWND) { look(u); }), UiAction::Escape()});
    }
    int code = -1;
    if (c.installer) {
      CInstallerApp app;
      code = app.Run(platform, SW_SHOWNORMAL);
    } else {
      CUninstApp app;
      code = app.Run(platform, SW_SHOWNORMAL);
    }
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(zoomed) << c.caption;
    EXPECT_EQ(platform.Ui().MainFrame(), nullptr) << "the backdrop is gone";
  }
}

TEST(Backdrop, ProgramEndsAtOnceWhenItsWindowCannotBeCreated) {
  // Nothing is scripted: a message loop left waiting would fail the test.
  for (bool installer : {true, false}) {
    MemoryPlatform platform;
    platform.Ui().FailFrameWindows();
    int code = -1;
    if (installer) {
      CInstallerApp app;
      code = app.Run(platform, SW_SHOWNORMAL);
    } else {
      CUninstApp app;
      code = app.Run(platform, SW_SHOWNORMAL);
    }
    EXPECT_EQ(code, 0) << installer;
    EXPECT_EQ(platform.Ui().MainFrame(), nullptr);
    EXPECT_TRUE(platform.Ui().Delivered().empty()) << "no window, no message";
  }
}

TEST(SharedNames, AreSpelledAsBothProgramsExpect) {
  EXPECT_EQ(names::UninstallKey(), "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VEVUVODIVERU1");
  // The full-width digit one is the Shift-JIS pair 0x82 0x50.
  EXPECT_EQ(std::string(names::kContentShortcut), "zuvIV\x82\x50iru.lnk");
}

}  // namespace

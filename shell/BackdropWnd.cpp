#include "shell/BackdropWnd.h"

Rect BandRect(const Rect& client, int band) {
  const int a = (client.bottom - client.top) / kBandsOnScreen;
  return {client.left, (band - 1) * a, client.right, band * a};
}

CBackdropWnd::CBackdropWnd(PlatformServices& platform, const BackdropLook& look, FirstPaintFlag& firstPaint)
    : CFrameWnd(platform), m_look(look), m_firstPaint(firstPaint) {}

BOOL CBackdropWnd::CreateBackdrop() { return Create(m_look.caption, WS_OVERLAPPEDWINDOW); }

const MessageMap* CBackdropWnd::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      OnWmPaint(&CBackdropWnd::OnPaint),
  };
  static const MessageMap map{CFrameWnd::GetMessageMap(), entries};
  return &map;
}

void CBackdropWnd::OnPaint() {
  // Posted before any drawing, so the driver starts after this paint ends.
  if (m_firstPaint.TestAndClear()) {
    PostMessage(WM_START_FLOW, 0, 0);
  }
  const Rect client = GetClientRect();
  CPaintDC dc(*this);
  for (int band = 0; band < kBandCount; ++band) {
    dc.FillSolidRect(BandRect(client, band), m_look.bandColour(band));
  }

  // The title is 32 pixels high at (20, 20) on a 96-DPI screen, and as much
  // larger as the screen's DPI is: the program declares itself DPI-aware, so
  // Windows does not stretch what it draws.
  const int dpi = dc.PixelsPerInch();
  const auto scaled = [dpi](int pixelsAt96) { return dpi > 0 ? pixelsAt96 * dpi / 96 : pixelsAt96; };
  LogFont look;
  look.height = scaled(32);
  look.weight = FW_DONTCARE;
  look.italic = true;
  look.charSet = SHIFTJIS_CHARSET;
  CFont font(dc, look);
  HFONT oldFont = dc.SelectObject(font.get());
  int oldMode = dc.SetBkMode(TRANSPARENT);
  COLORREF oldColour = dc.SetTextColor(RGB(255, 255, 255));
  dc.TextOut(scaled(20), scaled(20), m_look.title);
  dc.SetBkMode(oldMode);
  dc.SetTextColor(oldColour);
  dc.SelectObject(oldFont);
}

BOOL InitBackdropInstance(CWinApp& app, std::unique_ptr<CBackdropWnd> backdrop) {
  if (!backdrop->CreateBackdrop()) return FALSE;
  app.m_pMainWnd = std::move(backdrop);
  app.m_pMainWnd->ShowWindow(app.m_nCmdShow);
  app.m_pMainWnd->UpdateWindow();
  app.m_pMainWnd->ShowWindow(SW_MAXIMIZE);
  return TRUE;
}

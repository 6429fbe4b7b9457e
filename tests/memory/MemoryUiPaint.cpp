// Painting in the in-memory user interface: a paint context that records
// every call and renders fills into the window's pixels, and the paints of
// controls (recorded with what they showed).
#include <algorithm>
#include <utility>

#include "platform/framework/Afx.h"
#include "tests/memory/MemoryUi.h"
#include "tests/memory/MemoryUiInternal.h"

using namespace mem::ui;

namespace {
constexpr UINT_PTR kStockFont = 0x4000;  // the font a new paint context starts with
}  // namespace

class MemoryUi::PaintContext : public IPaintContext {
 public:
  PaintContext(MemoryUi& ui, HWND window, std::size_t record)
      : m_ui(ui), m_window(window), m_record(record) {}
  ~PaintContext() override {
    PaintRecord& r = m_ui.m_paints[m_record];
    r.ended = true;
    r.fontAtEnd = m_font;
    r.bkModeAtEnd = m_bkMode;
    r.textColourAtEnd = m_textColour;
  }

  void FillSolidRect(const Rect& rect, COLORREF colour) override {
    PaintOp& op = Op(PaintOp::Kind::Fill);
    op.rect = rect;
    op.colour = colour;
    Window* w = m_ui.Find(m_window);
    if (w == nullptr || !m_ui.m_renderPixels) return;
    const int width = w->client.right - w->client.left;
    const int height = w->client.bottom - w->client.top;
    const int x0 = std::max(rect.left, 0), x1 = std::min(rect.right, width);
    const int y0 = std::max(rect.top, 0), y1 = std::min(rect.bottom, height);
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        w->pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)] = colour;
      }
    }
  }
  HFONT CreateFontA(const LogFont& font) override {
    PaintOp& op = Op(PaintOp::Kind::CreateFont);
    op.font = font;
    op.fontHandle = reinterpret_cast<HFONT>(m_ui.m_nextFont++);
    ++m_ui.m_liveFonts;
    return op.fontHandle;
  }
  BOOL DeleteObject(HFONT font) override {
    Op(PaintOp::Kind::DeleteFont).fontHandle = font;
    --m_ui.m_liveFonts;
    return TRUE;
  }
  HFONT SelectObject(HFONT font) override {
    Op(PaintOp::Kind::SelectFont).fontHandle = font;
    return std::exchange(m_font, font);
  }
  int SetBkMode(int mode) override {
    Op(PaintOp::Kind::SetBkMode).mode = mode;
    return std::exchange(m_bkMode, mode);
  }
  COLORREF SetTextColor(COLORREF colour) override {
    Op(PaintOp::Kind::SetTextColor).colour = colour;
    return std::exchange(m_textColour, colour);
  }
  BOOL TextOutA(int x, int y, const char* text, int length) override {
    // Recorded with the font, mode and colour it is drawn in.
    PaintOp& op = Op(PaintOp::Kind::TextOut);
    op.x = x;
    op.y = y;
    op.text = CString(text, static_cast<std::size_t>(std::max(length, 0)));
    op.fontHandle = m_font;
    op.mode = m_bkMode;
    op.colour = m_textColour;
    return TRUE;
  }
  int PixelsPerInch() override { return m_ui.m_pixelsPerInch; }

 private:
  PaintOp& Op(PaintOp::Kind kind) { return m_ui.m_paints[m_record].ops.emplace_back(kind); }
  MemoryUi& m_ui;
  HWND m_window;
  std::size_t m_record;
  HFONT m_font = reinterpret_cast<HFONT>(kStockFont);
  int m_bkMode = OPAQUE;
  COLORREF m_textColour = kBlack;
};

std::unique_ptr<IPaintContext> MemoryUi::BeginPaint(HWND window) {
  Window* w = Find(window);
  Rect client = w != nullptr ? w->client : Rect{};
  if (w != nullptr) {
    // The class background erases the window before the owner paints.
    std::fill(w->pixels.begin(), w->pixels.end(), kClassBackground);
    w->invalid = false;
  }
  m_paints.push_back({window, client, {}, false, nullptr, 0, 0});
  return std::make_unique<PaintContext>(*this, window, m_paints.size() - 1);
}

void MemoryUi::PaintControl(HWND, Window& w, bool byUpdateWindow) {
  w.invalid = false;
  m_controlPaints.push_back({w.parent, w.controlId, w.text, w.progress.pos, byUpdateWindow});
}

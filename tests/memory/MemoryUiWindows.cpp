// Windows of the in-memory user interface: frames, visibility and size,
// texts, controls, what needs painting, and the queries tests use.
#include <algorithm>
#include <utility>

#include "platform/framework/Afx.h"
#include "tests/memory/MemoryUi.h"
#include "tests/memory/MemoryUiInternal.h"

using namespace mem::ui;

MemoryUi::Window* MemoryUi::Find(HWND h) {
  auto it = m_windows.find(Key(h));
  return it == m_windows.end() ? nullptr : &it->second;
}

const MemoryUi::Window* MemoryUi::Find(HWND h) const {
  auto it = m_windows.find(Key(h));
  return it == m_windows.end() ? nullptr : &it->second;
}

HWND MemoryUi::NewWindow(Window w) {
  UINT_PTR key = m_nextHandle;
  m_nextHandle += 4;
  m_windows.emplace(key, std::move(w));
  return reinterpret_cast<HWND>(key);
}

void MemoryUi::Resize(Window& w, const Rect& client) {
  const bool sized = m_renderPixels ? !w.pixels.empty() : w.sized;
  if (w.client == client && sized) return;
  w.client = client;
  w.sized = true;
  const auto width = static_cast<std::size_t>(std::max(0, client.right - client.left));
  const auto height = static_cast<std::size_t>(std::max(0, client.bottom - client.top));
  w.pixels.assign(m_renderPixels ? width * height : 0, kClassBackground);
  w.invalid = true;
}

bool MemoryUi::IsShown(const Window& w) const {
  if (!w.visible) return false;
  if (w.kind != Kind::Control) return true;
  const Window* parent = Find(w.parent);
  return parent != nullptr && parent->visible;
}

HWND MemoryUi::CreateFrameWindow(CWnd& wnd, const CString& caption, DWORD style) {
  if (m_failFrames) return nullptr;
  Window w;
  w.kind = Kind::Frame;
  w.owner = &wnd;
  w.className = "AfxFrame";
  w.text = caption;
  w.style = style;
  HWND h = NewWindow(std::move(w));
  Resize(*Find(h), m_normalClient);
  wnd.AttachHandle(h);
  return h;
}

BOOL MemoryUi::DestroyWindow(HWND window) {
  Window* w = Find(window);
  if (w == nullptr || w->kind == Kind::Control) return FALSE;
  Deliver(window, WM_DESTROY, 0, 0, false);
  w = Find(window);
  if (w == nullptr) return TRUE;
  CWnd* owner = w->owner;
  for (HWND c : w->controls) m_windows.erase(Key(c));
  m_windows.erase(Key(window));
  std::erase(m_modalStack, window);
  InvalidateAllBut(nullptr);
  if (owner != nullptr) owner->OnHandleDestroyed();
  return TRUE;
}

BOOL MemoryUi::ShowWindow(HWND window, int showCommand) {
  Window* w = Find(window);
  if (w == nullptr) return FALSE;
  BOOL wasVisible = w->visible ? TRUE : FALSE;
  switch (showCommand) {
    case SW_HIDE:
      w->visible = false;
      InvalidateAllBut(window);
      break;
    case SW_MAXIMIZE:
      w->visible = true;
      w->zoomed = true;
      Resize(*w, m_maximizedClient);
      w->invalid = true;
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
      w->visible = true;
      w->zoomed = false;
      break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
      w->visible = true;
      w->zoomed = false;
      Resize(*w, m_normalClient);
      w->invalid = true;
      break;
    default:
      w->visible = true;
      w->invalid = true;
      break;
  }
  return wasVisible;
}

BOOL MemoryUi::UpdateWindow(HWND window) {
  Window* w = Find(window);
  if (w == nullptr) return FALSE;
  if (!IsShown(*w) || !w->invalid) return TRUE;
  if (w->kind == Kind::Control) {
    PaintControl(window, *w, true);
  } else {
    Deliver(window, WM_PAINT, 0, 0, false);
  }
  return TRUE;
}

BOOL MemoryUi::InvalidateRect(HWND window, const Rect*, BOOL) {
  Window* w = Find(window);
  if (w == nullptr) return FALSE;
  // The model repaints whole windows: a rectangle invalidates all of it.
  w->invalid = true;
  return TRUE;
}

BOOL MemoryUi::IsZoomed(HWND window) {
  const Window* w = Find(window);
  return w != nullptr && w->zoomed ? TRUE : FALSE;
}

Rect MemoryUi::GetClientRect(HWND window) {
  const Window* w = Find(window);
  return w == nullptr ? Rect{} : w->client;
}

BOOL MemoryUi::SetWindowTextA(HWND window, const CString& text) {
  Window* w = Find(window);
  if (w == nullptr) return FALSE;
  if (w->kind == Kind::Control) {
    SetControlText(window, *w, text);
  } else {
    w->text = text;
  }
  return TRUE;
}

void MemoryUi::SetControlText(HWND control, Window& w, const CString& text) {
  w.text = text;
  w.invalid = true;
  const HWND parent = w.parent;
  const int id = w.controlId;
  const bool edit = IsEditClass(w.className);
  m_controlTexts.push_back({parent, id, text});
  // An edit control tells its dialog at once, as Windows does: first that it
  // is about to show the new text, then that the text changed.
  if (edit) {
    for (UINT code : {EN_UPDATE, EN_CHANGE}) {
      Deliver(parent, WM_COMMAND, MakeWParam(static_cast<WORD>(id), static_cast<WORD>(code)),
              reinterpret_cast<LPARAM>(control), false);
    }
  }
}

CString MemoryUi::GetWindowTextA(HWND window) {
  const Window* w = Find(window);
  return w == nullptr ? CString() : w->text;
}

HWND MemoryUi::GetDlgItem(HWND dialog, int controlId) {
  const Window* d = Find(dialog);
  if (d == nullptr) return nullptr;
  for (HWND c : d->controls) {
    if (Find(c)->controlId == controlId) return c;
  }
  return nullptr;
}

HWND MemoryUi::GetActiveWindow() {
  if (m_foregroundElsewhere) return nullptr;
  for (auto it = m_modalStack.rbegin(); it != m_modalStack.rend(); ++it) {
    if (*it != nullptr) return *it;
  }
  return MainFrame();
}

BOOL MemoryUi::CenterWindow(HWND window, HWND over) {
  if (!Exists(window)) return FALSE;
  m_centred.push_back({window, over});
  return TRUE;
}

HWND MemoryUi::GetDesktopWindow() { return reinterpret_cast<HWND>(kDesktopWindow); }

// ---------------------------------------------------------------- queries

HWND MemoryUi::MainFrame() const {
  for (const auto& [key, w] : m_windows) {
    if (w.kind == Kind::Frame) return reinterpret_cast<HWND>(key);
  }
  return nullptr;
}

HWND MemoryUi::FindWindow(const CString& caption) const {
  for (const auto& [key, w] : m_windows) {
    if (w.kind != Kind::Control && w.text == caption) return reinterpret_cast<HWND>(key);
  }
  return nullptr;
}

HWND MemoryUi::ActiveDialog() const { return m_modalStack.empty() ? nullptr : m_modalStack.back(); }

HWND MemoryUi::Owner(HWND window) const {
  const Window* w = Find(window);
  return w == nullptr ? nullptr : w->parent;
}

bool MemoryUi::IsVisible(HWND window) const {
  const Window* w = Find(window);
  return w != nullptr && w->visible;
}

CString MemoryUi::ControlText(HWND dialog, int controlId) const {
  const Window* d = Find(dialog);
  if (d == nullptr) return "";
  for (HWND c : d->controls) {
    const Window* w = Find(c);
    if (w != nullptr && w->controlId == controlId) return w->text;
  }
  return "";
}

std::vector<int> MemoryUi::ControlIds(HWND dialog) const {
  std::vector<int> ids;
  if (const Window* d = Find(dialog)) {
    for (HWND c : d->controls) ids.push_back(Find(c)->controlId);
  }
  return ids;
}

CString MemoryUi::ControlClass(HWND dialog, int controlId) const {
  const Window* d = Find(dialog);
  if (d == nullptr) return "";
  for (HWND c : d->controls) {
    const Window* w = Find(c);
    if (w->controlId == controlId) return w->className;
  }
  return "";
}

MemoryUi::ProgressState MemoryUi::Progress(HWND dialog, int controlId) const {
  const Window* d = Find(dialog);
  if (d != nullptr) {
    for (HWND c : d->controls) {
      const Window* w = Find(c);
      if (w->controlId == controlId) return w->progress;
    }
  }
  return {};
}

COLORREF MemoryUi::PixelAt(HWND window, int x, int y) const {
  const Window* w = Find(window);
  if (w == nullptr) return kBlack;
  if (!m_renderPixels) Fail("PixelAt: the pixels are not rendered (RenderPixels(false))");
  const int width = w->client.right - w->client.left;
  const int height = w->client.bottom - w->client.top;
  if (x < 0 || y < 0 || x >= width || y >= height) return kBlack;
  return w
      ->pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
}

void MemoryUi::Invalidate(HWND window) {
  if (Window* w = Find(window)) w->invalid = true;
}

bool MemoryUi::NeedsPaint(HWND window) const {
  const Window* w = Find(window);
  return w != nullptr && w->invalid;
}

void MemoryUi::InvalidateAllBut(HWND except) {
  for (auto& [key, w] : m_windows) {
    if (w.kind != Kind::Control && w.visible && reinterpret_cast<HWND>(key) != except) w.invalid = true;
  }
}

#include "platform/memory/MemoryUi.h"

#include <algorithm>
#include <sstream>
#include <utility>

#include "platform/framework/Afx.h"

namespace {

constexpr UINT_PTR kDesktopWindow = 0x10010;
constexpr UINT_PTR kStockFont = 0x4000;  // the font a new paint context starts with
constexpr COLORREF kBlack = 0;
// Dialog units to pixels for the templates' 9-point font (close enough for
// tests that only look at the layout's proportions).
constexpr int kDialogUnitX = 2;
constexpr int kDialogUnitY = 2;

std::string Printable(const CString& s) {
  std::string out;
  for (char c : s.str()) {
    auto u = static_cast<unsigned char>(c);
    if (u == '\n') out += "\\n";
    else if (u == '\r') out += "\\r";
    else if (u < 0x20) out += "?";
    else out += c;
  }
  return out;
}

bool IsEditClass(const CString& cls) { return MbsICmp(cls.view(), "Edit") == 0; }
bool IsProgressClass(const CString& cls) { return MbsICmp(cls.view(), "msctls_progress32") == 0; }

}  // namespace

// ---------------------------------------------------------------- actions

UiAction UiAction::Type(int controlId, CString text) {
  UiAction a;
  a.kind = Kind::Type;
  a.controlId = controlId;
  a.text = std::move(text);
  return a;
}
UiAction UiAction::Click(int controlId) {
  UiAction a;
  a.kind = Kind::Click;
  a.controlId = controlId;
  return a;
}
UiAction UiAction::Return() {
  UiAction a;
  a.kind = Kind::Return;
  return a;
}
UiAction UiAction::Escape() {
  UiAction a;
  a.kind = Kind::Escape;
  return a;
}
UiAction UiAction::Check(std::function<void(MemoryUi&, HWND)> check) {
  UiAction a;
  a.kind = Kind::Check;
  a.check = std::move(check);
  return a;
}

// ---------------------------------------------------------------- script

MemoryUi& MemoryUi::ExpectDialog(UINT templateId, std::vector<UiAction> actions) {
  Step s(Step::Kind::Dialog);
  s.templateId = templateId;
  s.actions.assign(actions.begin(), actions.end());
  m_script.push_back(std::move(s));
  return *this;
}

MemoryUi& MemoryUi::ExpectMessageBox(CString text, int answer) {
  Step s(Step::Kind::MessageBox);
  s.text = std::move(text);
  s.answer = answer;
  m_script.push_back(std::move(s));
  return *this;
}

MemoryUi& MemoryUi::ExpectFolderPicker(std::optional<CString> choice) {
  Step s(Step::Kind::FolderPicker);
  s.choice = std::move(choice);
  m_script.push_back(std::move(s));
  return *this;
}

MemoryUi& MemoryUi::WhenIdle(std::function<void(MemoryUi&)> action) {
  Step s(Step::Kind::Idle);
  s.idle = std::move(action);
  m_script.push_back(std::move(s));
  return *this;
}

MemoryUi& MemoryUi::CloseMainWindowWhenIdle() {
  return WhenIdle([](MemoryUi& ui) { ui.PostMessageA(ui.MainFrame(), WM_CLOSE, 0, 0); });
}

void MemoryUi::CheckScriptDone() const {
  if (!m_script.empty()) Fail("the script still expects: " + DescribePending());
}

std::string MemoryUi::DescribePending() const {
  std::ostringstream out;
  for (const Step& s : m_script) {
    switch (s.kind) {
      case Step::Kind::Dialog: out << "[dialog " << s.templateId << ", " << s.actions.size() << " actions] "; break;
      case Step::Kind::MessageBox: out << "[message box \"" << Printable(s.text) << "\"] "; break;
      case Step::Kind::FolderPicker: out << "[folder picker] "; break;
      case Step::Kind::Idle: out << "[idle action] "; break;
    }
  }
  std::string text = out.str();
  return text.empty() ? "nothing" : text;
}

void MemoryUi::Fail(const std::string& message) const { throw UiScriptError(message); }

MemoryUi::Step MemoryUi::TakeStep(Step::Kind kind, const std::string& what) {
  if (m_script.empty()) Fail("unexpected " + what + ": the script expects nothing more");
  if (m_script.front().kind != kind) {
    Fail("unexpected " + what + "; the script expects " + DescribePending());
  }
  Step s = std::move(m_script.front());
  m_script.pop_front();
  return s;
}

// ---------------------------------------------------------------- resources

void MemoryUi::AddResources(std::string_view res) {
  for (auto& [id, t] : ReadDialogTemplates(res)) m_templates[id] = t;
}

// ---------------------------------------------------------------- windows

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
  if (w.client == client && !w.pixels.empty()) return;
  w.client = client;
  const auto width = static_cast<std::size_t>(std::max(0, client.right - client.left));
  const auto height = static_cast<std::size_t>(std::max(0, client.bottom - client.top));
  w.pixels.assign(width * height, kClassBackground);
  w.invalid = true;
}

HWND MemoryUi::CreateFrameWindow(CWnd& wnd, const CString& caption, DWORD style) {
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
  if (w->visible && w->invalid) Deliver(window, WM_PAINT, 0, 0, false);
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
  w->text = text;
  if (w->kind != Kind::Control) return TRUE;
  const HWND parent = w->parent;
  const int id = w->controlId;
  m_controlTexts.push_back({parent, id, text});
  // An edit control tells its dialog that its text changed, at once.
  if (IsEditClass(w->className)) {
    Deliver(parent, WM_COMMAND, MakeWParam(static_cast<WORD>(id), static_cast<WORD>(EN_CHANGE)),
            reinterpret_cast<LPARAM>(window), false);
  }
  return TRUE;
}

CString MemoryUi::GetWindowTextA(HWND window) {
  const Window* w = Find(window);
  return w == nullptr ? CString() : w->text;
}

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
  const int width = w->client.right - w->client.left;
  const int height = w->client.bottom - w->client.top;
  if (x < 0 || y < 0 || x >= width || y >= height) return kBlack;
  return w->pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
}

void MemoryUi::Invalidate(HWND window) {
  if (Window* w = Find(window)) w->invalid = true;
}

void MemoryUi::InvalidateAllBut(HWND except) {
  for (auto& [key, w] : m_windows) {
    if (w.kind != Kind::Control && w.visible && reinterpret_cast<HWND>(key) != except) w.invalid = true;
  }
}

HWND MemoryUi::GetActiveWindow() {
  if (!m_modalStack.empty()) return m_modalStack.back();
  return MainFrame();
}

HWND MemoryUi::GetDesktopWindow() { return reinterpret_cast<HWND>(kDesktopWindow); }

// ---------------------------------------------------------------- messages

LRESULT MemoryUi::Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool posted) {
  Window* w = Find(window);
  if (w == nullptr) return 0;
  if (w->kind == Kind::Control) {
    m_controlMessages.push_back({window, message, wParam, lParam, posted});
    ProgressState& p = w->progress;
    if (!IsProgressClass(w->className)) return 0;
    switch (message) {
      case PBM_SETRANGE: {
        LRESULT previous = MakeLParam(static_cast<WORD>(p.min), static_cast<WORD>(p.max));
        p.min = LoWord(static_cast<UINT_PTR>(lParam));
        p.max = HiWord(static_cast<UINT_PTR>(lParam));
        p.pos = std::clamp(p.pos, p.min, std::max(p.min, p.max));
        return previous;
      }
      case PBM_SETPOS: {
        int previous = p.pos;
        p.pos = std::clamp(static_cast<int>(wParam), p.min, std::max(p.min, p.max));
        return previous;
      }
      case PBM_SETSTEP: {
        int previous = p.step;
        p.step = static_cast<int>(wParam);
        return previous;
      }
      case PBM_STEPIT: {
        int previous = p.pos;
        p.pos += p.step;
        // Past the end the bar starts over from the beginning.
        if (p.pos > p.max) p.pos = p.min + (p.pos - p.max);
        if (p.pos > p.max) p.pos = p.min;
        return previous;
      }
      default:
        return 0;
    }
  }
  m_delivered.push_back({window, message, wParam, lParam, posted});
  CWnd* owner = w->owner;
  if (message == WM_PAINT) w->invalid = false;
  LRESULT result = 0;
  if (owner != nullptr && owner->Dispatch(message, wParam, lParam, result)) return result;
  if (Find(window) == nullptr) return result;
  if (Find(window)->kind == Kind::Dialog) return 0;  // a dialog's default handling
  return DefWindowProcA(window, message, wParam, lParam);
}

BOOL MemoryUi::PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (Find(window) == nullptr) return FALSE;
  m_queue.push_back({window, message, wParam, lParam});
  return TRUE;
}

LRESULT MemoryUi::SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Deliver(window, message, wParam, lParam, false);
}

LRESULT MemoryUi::DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM) {
  if (message == WM_CLOSE) DestroyWindow(window);
  return 0;
}

void MemoryUi::PostQuitMessage(int exitCode) {
  if (!m_quit) m_quit = exitCode;
}

bool MemoryUi::PumpOne() {
  if (!m_queue.empty()) {
    Posted p = m_queue.front();
    m_queue.pop_front();
    Deliver(p.window, p.message, p.wParam, p.lParam, true);
    return true;
  }
  // Paints come when nothing is queued; windows in the order they were made.
  for (auto& [key, w] : m_windows) {
    if (w.kind != Kind::Control && w.visible && w.invalid) {
      Deliver(reinterpret_cast<HWND>(key), WM_PAINT, 0, 0, false);
      return true;
    }
  }
  return false;
}

void MemoryUi::PumpUntilIdle() {
  int guard = 0;
  while (!m_quit && PumpOne()) {
    if (++guard > 1000000) Fail("the message queue never empties");
  }
}

int MemoryUi::RunMessageLoop() {
  while (!m_quit) {
    if (PumpOne()) continue;
    if (m_script.empty() || m_script.front().kind != Step::Kind::Idle) {
      Fail("the program waits for the user with only its main window; the script expects " +
           DescribePending());
    }
    Step s = TakeStep(Step::Kind::Idle, "idle");
    s.idle(*this);
  }
  int code = *m_quit;
  m_quit.reset();
  return code;
}

// ---------------------------------------------------------------- dialogs

INT_PTR MemoryUi::DialogBoxParamA(UINT templateId, HWND parent, CDialog& dialog) {
  if (std::find(m_failingDialogs.begin(), m_failingDialogs.end(), templateId) != m_failingDialogs.end()) {
    m_dialogs.push_back({templateId, -1});
    return -1;
  }
  auto t = m_templates.find(templateId);
  if (t == m_templates.end()) {
    Fail("dialog " + std::to_string(templateId) + " has no template in the resources");
  }
  Step step = TakeStep(Step::Kind::Dialog, "dialog " + std::to_string(templateId));
  if (step.templateId != templateId) {
    Fail("dialog " + std::to_string(templateId) + " opened; the script expects dialog " +
         std::to_string(step.templateId));
  }

  Window d;
  d.kind = Kind::Dialog;
  d.owner = &dialog;
  d.parent = parent;
  d.className = "#32770";
  d.text = t->second.caption;
  d.style = t->second.style;
  d.templateId = templateId;
  HWND h = NewWindow(std::move(d));
  Resize(*Find(h), {0, 0, t->second.cx * kDialogUnitX, t->second.cy * kDialogUnitY});
  for (const DialogControl& c : t->second.controls) {
    Window w;
    w.kind = Kind::Control;
    w.parent = h;
    w.className = c.className;
    w.text = c.text;
    w.style = c.style;
    w.controlId = c.id;
    w.visible = true;
    w.client = {0, 0, c.cx * kDialogUnitX, c.cy * kDialogUnitY};
    HWND ch = NewWindow(std::move(w));
    Find(h)->controls.push_back(ch);
  }
  m_modalStack.push_back(h);
  dialog.AttachHandle(h);
  Deliver(h, WM_INITDIALOG, 0, 0, false);
  if (Window* w = Find(h)) {
    w->visible = true;
    w->invalid = true;
  }

  while (true) {
    Window* w = Find(h);
    if (w == nullptr || w->ended || m_quit) break;
    if (PumpOne()) continue;
    if (step.actions.empty()) {
      Fail("dialog " + std::to_string(templateId) +
           " waits for the user and the script has no more actions for it");
    }
    UiAction action = std::move(step.actions.front());
    step.actions.pop_front();
    RunAction(h, action);
  }
  if (!step.actions.empty()) {
    Fail("dialog " + std::to_string(templateId) + " closed with " + std::to_string(step.actions.size()) +
         " scripted actions unused");
  }
  INT_PTR result = 0;
  if (Window* w = Find(h)) {
    result = w->result;
    for (HWND c : w->controls) m_windows.erase(Key(c));
    m_windows.erase(Key(h));
  }
  std::erase(m_modalStack, h);
  InvalidateAllBut(nullptr);
  m_dialogs.push_back({templateId, result});
  dialog.OnHandleDestroyed();
  return result;
}

void MemoryUi::RunAction(HWND dialog, const UiAction& action) {
  switch (action.kind) {
    case UiAction::Kind::Type: {
      HWND control = GetDlgItem(dialog, action.controlId);
      if (control == nullptr) Fail("typing into control " + std::to_string(action.controlId) + ", which the dialog lacks");
      SetWindowTextA(control, action.text);
      break;
    }
    case UiAction::Kind::Click: {
      HWND control = GetDlgItem(dialog, action.controlId);
      if (control == nullptr) Fail("clicking control " + std::to_string(action.controlId) + ", which the dialog lacks");
      Deliver(dialog, WM_COMMAND, MakeWParam(static_cast<WORD>(action.controlId), static_cast<WORD>(BN_CLICKED)),
              reinterpret_cast<LPARAM>(control), false);
      break;
    }
    case UiAction::Kind::Return:
      Deliver(dialog, WM_COMMAND, MakeWParam(static_cast<WORD>(IDOK), static_cast<WORD>(BN_CLICKED)),
              reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)), false);
      break;
    case UiAction::Kind::Escape:
      Deliver(dialog, WM_COMMAND, MakeWParam(static_cast<WORD>(IDCANCEL), static_cast<WORD>(BN_CLICKED)),
              reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)), false);
      break;
    case UiAction::Kind::Check:
      action.check(*this, dialog);
      break;
  }
}

BOOL MemoryUi::EndDialog(HWND dialog, INT_PTR result) {
  Window* w = Find(dialog);
  if (w == nullptr || w->kind != Kind::Dialog) return FALSE;
  w->ended = true;
  w->result = result;
  w->visible = false;
  return TRUE;
}

HWND MemoryUi::GetDlgItem(HWND dialog, int controlId) {
  const Window* d = Find(dialog);
  if (d == nullptr) return nullptr;
  for (HWND c : d->controls) {
    if (Find(c)->controlId == controlId) return c;
  }
  return nullptr;
}

// ---------------------------------------------------------------- message boxes, picker

int MemoryUi::MessageBoxA(HWND owner, const CString& text, const CString& caption, UINT type) {
  MessageBoxRecord record{text, caption, type, owner, 0};
  Step step = TakeStep(Step::Kind::MessageBox, "message box \"" + Printable(text) + "\"");
  if (step.text != text) {
    Fail("message box \"" + Printable(text) + "\" shown; the script expects \"" + Printable(step.text) + "\"");
  }
  const UINT buttons = type & MB_TYPEMASK;
  const bool fits = (buttons == MB_OK && step.answer == IDOK) ||
                    (buttons == MB_YESNO && (step.answer == IDYES || step.answer == IDNO));
  if (!fits) {
    Fail("message box \"" + Printable(text) + "\" cannot be answered with " + std::to_string(step.answer));
  }
  // A message box runs its own modal loop: what is queued is handled meanwhile.
  m_modalStack.push_back(nullptr);
  PumpUntilIdle();
  std::erase(m_modalStack, nullptr);
  InvalidateAllBut(nullptr);
  record.answer = step.answer;
  m_messageBoxes.push_back(record);
  return step.answer;
}

std::optional<CString> MemoryUi::RunFolderPicker(const BrowseInfo& info) {
  Step step = TakeStep(Step::Kind::FolderPicker, "folder picker \"" + Printable(info.title) + "\"");
  InvalidateAllBut(nullptr);
  return step.choice;
}

// ---------------------------------------------------------------- painting

class MemoryUi::PaintContext : public IPaintContext {
 public:
  PaintContext(MemoryUi& ui, HWND window, std::size_t record) : m_ui(ui), m_window(window), m_record(record) {}
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
    if (w == nullptr) return;
    const int width = w->client.right - w->client.left;
    const int height = w->client.bottom - w->client.top;
    const int x0 = std::max(rect.left, 0), x1 = std::min(rect.right, width);
    const int y0 = std::max(rect.top, 0), y1 = std::min(rect.bottom, height);
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        w->pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] = colour;
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

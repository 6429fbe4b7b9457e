// Messages in the in-memory user interface: delivery to the framework's
// windows, the controls' own handling (texts, progress bars), the queue with
// Windows' ordering (posted messages after the current one, paints when the
// queue is empty) and the message loops.
#include <algorithm>
#include <cstring>
#include <sstream>

#include "platform/framework/Afx.h"
#include "tests/memory/MemoryUi.h"
#include "tests/memory/MemoryUiInternal.h"

using namespace mem::ui;

namespace {

std::string Hex(UINT v) {
  std::ostringstream out;
  out << "0x" << std::hex << std::uppercase << v;
  return out.str();
}

}  // namespace

LRESULT MemoryUi::Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool posted) {
  Window* w = Find(window);
  if (w == nullptr) return 0;
  if (CarriesText(message) && !IsConvertedTextMessage(message)) {
    Fail("message " + Hex(message) + " carries text the layer does not convert; it is refused on Windows");
  }
  if (w->kind == Kind::Control) return DeliverToControl(window, *w, message, wParam, lParam, posted);
  m_delivered.push_back({window, message, wParam, lParam, posted});
  CWnd* owner = w->owner;
  if (message == WM_PAINT) w->invalid = false;
  LRESULT result = 0;
  if (owner != nullptr && owner->Dispatch(message, wParam, lParam, result)) return result;
  w = Find(window);
  if (w == nullptr) return result;
  if (w->kind == Kind::Dialog) {
    // The dialog manager's own handling.
    switch (message) {
      case DM_SETDEFID: w->defId = static_cast<int>(wParam); return TRUE;
      case DM_GETDEFID: return MakeLParam(static_cast<WORD>(DefaultButton(window)), DC_HASDEFID);
      default: return IsConvertedTextMessage(message) ? TextMessage(window, message, wParam, lParam) : 0;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT MemoryUi::DeliverToControl(HWND control, Window& w, UINT message, WPARAM wParam, LPARAM lParam,
                                   bool posted) {
  m_controlMessages.push_back({control, message, wParam, lParam, posted});
  if (IsConvertedTextMessage(message)) return TextMessage(control, message, wParam, lParam);
  if (!IsProgressClass(w.className)) return 0;
  ProgressState& p = w.progress;
  switch (message) {
    case PBM_SETRANGE: {
      LRESULT previous = MakeLParam(static_cast<WORD>(p.min), static_cast<WORD>(p.max));
      p.min = LoWord(static_cast<UINT_PTR>(lParam));
      p.max = HiWord(static_cast<UINT_PTR>(lParam));
      p.pos = std::clamp(p.pos, p.min, std::max(p.min, p.max));
      w.invalid = true;
      return previous;
    }
    case PBM_SETPOS: {
      int previous = p.pos;
      p.pos = std::clamp(static_cast<int>(wParam), p.min, std::max(p.min, p.max));
      w.invalid = true;
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
      w.invalid = true;
      return previous;
    }
    default: return 0;
  }
}

LRESULT MemoryUi::TextMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(window);
  if (w == nullptr) return 0;
  switch (message) {
    case WM_SETTEXT: {
      const char* text = reinterpret_cast<const char*>(lParam);
      SetWindowTextA(window, text != nullptr ? CString(text) : CString());
      return TRUE;
    }
    case WM_GETTEXT: {
      char* buffer = reinterpret_cast<char*>(lParam);
      if (buffer == nullptr || wParam == 0) return 0;
      // Whole characters only: a lead byte whose trail byte does not fit stays out.
      const std::size_t n = WholeCharactersThatFit(w->text, wParam);
      std::memcpy(buffer, w->text.str().data(), n);
      buffer[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.GetLength());
    default: return 0;
  }
}

BOOL MemoryUi::PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (Find(window) == nullptr) return FALSE;
  // A pointer posted would outlive what it points to: Windows refuses these.
  if (CarriesText(message)) return FALSE;
  m_queue.push_back({window, message, wParam, lParam});
  return TRUE;
}

LRESULT MemoryUi::SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Deliver(window, message, wParam, lParam, false);
}

LRESULT MemoryUi::DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) DestroyWindow(window);
  if (IsConvertedTextMessage(message)) return TextMessage(window, message, wParam, lParam);
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
    if (!w.invalid || !IsShown(w)) continue;
    if (w.kind == Kind::Control) {
      PaintControl(reinterpret_cast<HWND>(key), w, false);
    } else {
      Deliver(reinterpret_cast<HWND>(key), WM_PAINT, 0, 0, false);
    }
    return true;
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
    CountUserStep("idle action");
    s.idle(*this);
  }
  int code = *m_quit;
  m_quit.reset();
  return code;
}

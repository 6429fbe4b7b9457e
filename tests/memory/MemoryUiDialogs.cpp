// Modal windows of the in-memory user interface: dialogs built from the
// programs' compiled templates and worked by the script, message boxes and
// the folder picker.
#include <algorithm>

#include "platform/framework/Afx.h"
#include "tests/memory/ExpectationReport.h"
#include "tests/memory/MemoryUi.h"
#include "tests/memory/MemoryUiInternal.h"

using namespace mem::ui;

void MemoryUi::AddResources(std::string_view res) {
  for (auto& [id, t] : ReadDialogTemplates(res)) m_templates[id] = t;
}

INT_PTR MemoryUi::DialogBoxParamA(UINT templateId, HWND parent, CDialog& dialog) {
  if (std::find(m_failingDialogs.begin(), m_failingDialogs.end(), templateId) != m_failingDialogs.end()) {
    m_dialogs.push_back({templateId, -1});
    return -1;
  }
  auto t = m_templates.find(templateId);
  if (t == m_templates.end()) {
    Fail("dialog " + std::to_string(templateId) + " has no template in the resources");
  }
  Step step = TakeDialogStep(templateId);
  if (step.templateId != templateId) {
    Fail("dialog " + std::to_string(templateId) + " opened; the script expects " + DescribeStep(step));
  }
  const std::string name =
      "dialog " + std::to_string(templateId) + " (set at " + mem::DescribeLocation(step.where) + ")";

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
    w.invalid = true;
    w.client = {0, 0, c.cx * kDialogUnitX, c.cy * kDialogUnitY};
    HWND ch = NewWindow(std::move(w));
    Find(h)->controls.push_back(ch);
  }
  m_modalStack.push_back(h);
  dialog.AttachHandle(h);
  // A nonzero answer lets the dialog manager focus the first tab stop; zero
  // says the dialog placed the focus itself.
  const int initialFocus = Deliver(h, WM_INITDIALOG, 0, 0, false) != 0 ? FirstTabStop(h) : 0;
  if (Window* w = Find(h)) {
    w->visible = true;
    w->invalid = true;
  }

  while (true) {
    Window* w = Find(h);
    if (w == nullptr || w->ended || m_quit) break;
    if (PumpOne()) continue;
    if (step.actions.empty()) step.actions.assign(step.repeat.begin(), step.repeat.end());
    if (step.actions.empty()) Fail(name + " waits for the user and the script has no more actions for it");
    UiAction action = std::move(step.actions.front());
    step.actions.pop_front();
    RunAction(h, action);
  }
  if (!step.actions.empty()) {
    std::string unused;
    for (const UiAction& a : step.actions) unused += " " + a.Describe() + ";";
    Fail(name + " closed with " + std::to_string(step.actions.size()) + " scripted actions unused:" + unused);
  }
  INT_PTR result = 0;
  if (Window* w = Find(h)) {
    result = w->result;
    for (HWND c : w->controls) m_windows.erase(Key(c));
    m_windows.erase(Key(h));
  }
  std::erase(m_modalStack, h);
  InvalidateAllBut(nullptr);
  m_dialogs.push_back({templateId, result, initialFocus});
  dialog.OnHandleDestroyed();
  return result;
}

int MemoryUi::DefaultButton(HWND dialog) const {
  const Window* d = Find(dialog);
  if (d == nullptr) return IDOK;
  if (d->defId != 0) return d->defId;
  for (HWND c : d->controls) {
    const Window* w = Find(c);
    if (w != nullptr && IsButtonClass(w->className) && (w->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      return w->controlId;
    }
  }
  return IDOK;
}

int MemoryUi::FirstTabStop(HWND dialog) const {
  const Window* d = Find(dialog);
  if (d == nullptr) return 0;
  for (HWND c : d->controls) {
    const Window* w = Find(c);
    if (w != nullptr && w->visible && (w->style & WS_TABSTOP) != 0 && (w->style & WS_DISABLED) == 0) {
      return w->controlId;
    }
  }
  return 0;
}

BOOL MemoryUi::EndDialog(HWND dialog, INT_PTR result) {
  Window* w = Find(dialog);
  if (w == nullptr || w->kind != Kind::Dialog) return FALSE;
  w->ended = true;
  w->result = result;
  w->visible = false;
  return TRUE;
}

int MemoryUi::MessageBoxA(HWND owner, const CString& text, const CString& caption, UINT type) {
  MessageBoxRecord record{text, caption, type, owner, 0};
  record.controlPaintsBefore = m_controlPaints.size();
  const std::string what = "message box \"" + Printable(text) + "\"";
  if (m_script.empty() || m_script.front().kind != Step::Kind::MessageBox) {
    const auto standing = std::find_if(m_standingMessageBoxes.begin(), m_standingMessageBoxes.end(),
                                       [&](const Step& s) { return s.text == text; });
    if (standing != m_standingMessageBoxes.end()) {
      m_script.push_front(*standing);
    } else if (m_unscriptedYesNoAnswer) {
      Step answered(Step::Kind::MessageBox);
      answered.text = text;
      answered.answer = (type & MB_TYPEMASK) == MB_YESNO ? *m_unscriptedYesNoAnswer : IDOK;
      answered.where = std::source_location::current();
      m_script.push_front(std::move(answered));
    }
  }
  Step step = TakeStep(Step::Kind::MessageBox, what);
  CountUserStep(what);
  const std::string where = " (set at " + mem::DescribeLocation(step.where) + ")";
  if (step.text != text) {
    Fail("message box \"" + Printable(text) + "\" shown; the script expects " + DescribeStep(step));
  }
  const UINT buttons = type & MB_TYPEMASK;
  const bool fits = (buttons == MB_OK && step.answer == IDOK) ||
                    (buttons == MB_YESNO && (step.answer == IDYES || step.answer == IDNO));
  if (!fits) {
    Fail("message box \"" + Printable(text) + "\" cannot be answered with " + std::to_string(step.answer) +
         where);
  }
  // A message box runs its own modal loop: what is queued is handled meanwhile.
  // Its marker on the modal stack is removed alone, so a box opened inside
  // this loop leaves this one's marker in place.
  m_modalStack.push_back(nullptr);
  PumpUntilIdle();
  if (step.meanwhile) step.meanwhile(*this);
  if (auto marker = std::find(m_modalStack.rbegin(), m_modalStack.rend(), nullptr);
      marker != m_modalStack.rend()) {
    m_modalStack.erase(std::next(marker).base());
  }
  InvalidateAllBut(nullptr);
  const Window* shownOwner = owner != nullptr ? Find(owner) : nullptr;
  record.ownerShown = shownOwner != nullptr && shownOwner->visible;
  record.answer = step.answer;
  m_messageBoxes.push_back(record);
  return step.answer;
}

std::optional<CString> MemoryUi::RunFolderPicker(const BrowseInfo& info) {
  Step step = TakeStep(Step::Kind::FolderPicker, "folder picker \"" + Printable(info.title) + "\"");
  CountUserStep("folder picker");
  InvalidateAllBut(nullptr);
  return step.choice;
}

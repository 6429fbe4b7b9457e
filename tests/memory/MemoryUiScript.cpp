// The script of the in-memory user interface: what the user does, the
// expectations in order, and the failures naming where they were set up.
#include <sstream>
#include <utility>

#include "platform/framework/Afx.h"
#include "tests/memory/ExpectationReport.h"
#include "tests/memory/MemoryUi.h"
#include "tests/memory/MemoryUiInternal.h"

namespace mem::ui {

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
bool IsButtonClass(const CString& cls) { return MbsICmp(cls.view(), "Button") == 0; }
bool IsProgressClass(const CString& cls) { return MbsICmp(cls.view(), "msctls_progress32") == 0; }

}  // namespace mem::ui

using mem::ui::Printable;

// ---------------------------------------------------------------- actions

namespace {
UiAction MakeAction(UiAction::Kind kind, int controlId, std::source_location where) {
  UiAction a;
  a.kind = kind;
  a.controlId = controlId;
  a.where = where;
  return a;
}
}  // namespace

UiAction UiAction::Type(int controlId, CString text, Here where) {
  UiAction a = MakeAction(Kind::Type, controlId, where);
  a.text = std::move(text);
  return a;
}
UiAction UiAction::Click(int controlId, Here where) { return MakeAction(Kind::Click, controlId, where); }
UiAction UiAction::Return(Here where) { return MakeAction(Kind::Return, 0, where); }
UiAction UiAction::Escape(Here where) { return MakeAction(Kind::Escape, 0, where); }
UiAction UiAction::Check(std::function<void(MemoryUi&, HWND)> check, Here where) {
  UiAction a = MakeAction(Kind::Check, 0, where);
  a.check = std::move(check);
  return a;
}

std::string UiAction::Describe() const {
  std::string text;
  switch (kind) {
    case Kind::Type: text = "type \"" + Printable(this->text) + "\" into " + std::to_string(controlId); break;
    case Kind::Click: text = "click " + std::to_string(controlId); break;
    case Kind::Return: text = "Return"; break;
    case Kind::Escape: text = "Escape"; break;
    case Kind::Check: text = "check"; break;
  }
  return text + " (" + mem::DescribeLocation(where) + ")";
}

// ---------------------------------------------------------------- script

MemoryUi::~MemoryUi() {
  for (const Step& s : m_script) {
    if (!s.reported) mem::ReportUnusedExpectation(s.where, "the program never reached " + DescribeStep(s));
  }
}

void MemoryUi::AddStep(Step step) { m_script.push_back(std::move(step)); }

MemoryUi& MemoryUi::ExpectDialog(UINT templateId, std::vector<UiAction> actions, Here where) {
  Step s(Step::Kind::Dialog);
  s.templateId = templateId;
  s.actions.assign(actions.begin(), actions.end());
  s.where = where;
  AddStep(std::move(s));
  return *this;
}

MemoryUi::Step MemoryUi::MessageBoxStep(CString text, int answer, Here where) {
  Step s(Step::Kind::MessageBox);
  s.text = std::move(text);
  s.answer = answer;
  s.where = where;
  return s;
}

MemoryUi& MemoryUi::ExpectMessageBox(CString text, int answer, Here where) {
  AddStep(MessageBoxStep(std::move(text), answer, where));
  return *this;
}

MemoryUi& MemoryUi::ExpectMessageBox(CString text, int answer, std::function<void(MemoryUi&)> meanwhile,
                                     Here where) {
  Step step = MessageBoxStep(std::move(text), answer, where);
  step.meanwhile = std::move(meanwhile);
  AddStep(std::move(step));
  return *this;
}

MemoryUi& MemoryUi::ExpectFolderPicker(std::optional<CString> choice, Here where) {
  Step s(Step::Kind::FolderPicker);
  s.choice = std::move(choice);
  s.where = where;
  AddStep(std::move(s));
  return *this;
}

MemoryUi& MemoryUi::WhenIdle(std::function<void(MemoryUi&)> action, Here where) {
  Step s(Step::Kind::Idle);
  s.idle = std::move(action);
  s.where = where;
  AddStep(std::move(s));
  return *this;
}

MemoryUi& MemoryUi::CloseMainWindowWhenIdle(Here where) {
  return WhenIdle([](MemoryUi& ui) { ui.PostMessageA(ui.MainFrame(), WM_CLOSE, 0, 0); }, where);
}

MemoryUi& MemoryUi::AnswerUnscriptedMessageBoxes(int yesNoAnswer) {
  m_unscriptedYesNoAnswer = yesNoAnswer;
  return *this;
}

MemoryUi& MemoryUi::AlwaysAnswerDialog(UINT templateId, std::vector<UiAction> actions, Here where) {
  Step s(Step::Kind::Dialog);
  s.templateId = templateId;
  s.repeat = std::move(actions);
  s.where = where;
  m_standingDialogs.insert_or_assign(templateId, std::move(s));
  return *this;
}

MemoryUi& MemoryUi::AlwaysAnswerMessageBox(CString text, int answer, Here where) {
  m_standingMessageBoxes.push_back(MessageBoxStep(std::move(text), answer, where));
  return *this;
}

MemoryUi& MemoryUi::LimitUserSteps(int steps) {
  m_userStepLimit = m_userSteps + steps;
  return *this;
}

void MemoryUi::CountUserStep(const std::string& what) {
  ++m_userSteps;
  if (m_userStepLimit && m_userSteps > *m_userStepLimit) {
    Fail("the program has not ended after " + std::to_string(m_userSteps - 1) + " user steps; the next was " +
         what);
  }
}

MemoryUi::Step MemoryUi::TakeDialogStep(UINT templateId) {
  const std::string what = "dialog " + std::to_string(templateId);
  if (m_script.empty() || m_script.front().kind != Step::Kind::Dialog) {
    if (auto standing = m_standingDialogs.find(templateId); standing != m_standingDialogs.end()) {
      CountUserStep(what);
      Step s = standing->second;
      s.actions.assign(s.repeat.begin(), s.repeat.end());
      return s;
    }
  }
  Step s = TakeStep(Step::Kind::Dialog, what);
  CountUserStep(what);
  return s;
}

void MemoryUi::CheckScriptDone() const {
  if (!m_script.empty()) Fail("the script still expects: " + DescribePending());
}

std::string MemoryUi::DescribeStep(const Step& s) const {
  std::ostringstream out;
  switch (s.kind) {
    case Step::Kind::Dialog:
      out << "[dialog " << s.templateId << ", " << s.actions.size() << " actions";
      if (!s.repeat.empty()) out << " (standing, " << s.repeat.size() << " each time)";
      break;
    case Step::Kind::MessageBox: out << "[message box \"" << Printable(s.text) << "\""; break;
    case Step::Kind::FolderPicker: out << "[folder picker"; break;
    case Step::Kind::Idle: out << "[idle action"; break;
  }
  out << " set at " << mem::DescribeLocation(s.where) << "]";
  return out.str();
}

std::string MemoryUi::DescribePending() const {
  std::string text;
  for (const Step& s : m_script) text += DescribeStep(s) + " ";
  return text.empty() ? "nothing" : text;
}

void MemoryUi::Fail(const std::string& message) const {
  for (Step& s : m_script) s.reported = true;
  throw UiScriptError(message);
}

MemoryUi::Step MemoryUi::TakeStep(Step::Kind kind, const std::string& what) {
  if (m_script.empty()) Fail("unexpected " + what + ": the script expects nothing more");
  if (m_script.front().kind != kind) {
    Fail("unexpected " + what + "; the script expects " + DescribePending());
  }
  Step s = std::move(m_script.front());
  m_script.pop_front();
  return s;
}

void MemoryUi::RunAction(HWND dialog, const UiAction& action) {
  CountUserStep(action.Describe());
  const auto click = [&](int id) {
    Deliver(dialog, WM_COMMAND, MakeWParam(static_cast<WORD>(id), static_cast<WORD>(BN_CLICKED)),
            reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)), false);
  };
  switch (action.kind) {
    case UiAction::Kind::Type: {
      HWND control = GetDlgItem(dialog, action.controlId);
      if (control == nullptr) {
        Fail(action.Describe() + ": the dialog has no control " + std::to_string(action.controlId));
      }
      SetWindowTextA(control, action.text);
      break;
    }
    case UiAction::Kind::Click:
      if (GetDlgItem(dialog, action.controlId) == nullptr) {
        Fail(action.Describe() + ": the dialog has no control " + std::to_string(action.controlId));
      }
      click(action.controlId);
      break;
    case UiAction::Kind::Return:
      // As the dialog manager does: the default push button, else IDOK.
      click(DefaultButton(dialog));
      break;
    case UiAction::Kind::Escape: click(IDCANCEL); break;
    case UiAction::Kind::Check: action.check(*this, dialog); break;
  }
}

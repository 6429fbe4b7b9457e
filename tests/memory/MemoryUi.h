// The in-memory user interface: windows, dialogs built from the programs'
// own dialog templates, a message queue with the same ordering rules as
// Windows (posted messages after the current one, paints when the queue is
// empty, nested modal loops), message boxes and a paint model that renders
// fills into a pixel buffer per window.
//
// A test scripts the user: it lists, in order, the modal windows it expects
// (a dialog by resource id, a message box by text, the folder picker) and
// what the user does in each. An unexpected window, a wrong text, or a
// program left waiting with nothing scripted throws UiScriptError, which the
// test harness reports. Every expectation remembers the file and line that
// set it up; one still unused when the MemoryUi goes away is reported there
// (ExpectationReport.h), so a test that forgets to check still fails.
// CheckScriptDone() checks the same at a moment of the test's choosing.
//
// The implementation is split by concern: MemoryUiScript.cpp (the script),
// MemoryUiWindows.cpp (windows and controls), MemoryUiMessages.cpp (the
// queue and the loops), MemoryUiDialogs.cpp (dialogs, message boxes, the
// picker) and MemoryUiPaint.cpp (painting).
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <source_location>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "platform/framework/UserInterface.h"
#include "tests/memory/Resources.h"

class MemoryUi;

class UiScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One thing the user does inside a dialog.
struct UiAction {
  using Here = std::source_location;
  enum class Kind { Type, Click, Return, Escape, Check };
  Kind kind = Kind::Check;
  int controlId = 0;
  CString text;
  std::function<void(MemoryUi&, HWND dialog)> check;
  std::source_location where;

  // Replaces the control's text as typing would (an edit raises EN_UPDATE,
  // then EN_CHANGE).
  static UiAction Type(int controlId, CString text, Here where = Here::current());
  static UiAction Click(int controlId, Here where = Here::current());
  // Presses the dialog's default push button (DM_SETDEFID, else the
  // template's DEFPUSHBUTTON), whatever its id; IDOK when it has none.
  static UiAction Return(Here where = Here::current());
  static UiAction Escape(Here where = Here::current());  // Cancel
  // Runs a test's own look at the dialog at this point.
  static UiAction Check(std::function<void(MemoryUi&, HWND dialog)> check, Here where = Here::current());
  std::string Describe() const;
};

class MemoryUi : public IUserInterface {
 public:
  using Here = std::source_location;
  MemoryUi() = default;
  MemoryUi(const MemoryUi&) = delete;
  MemoryUi& operator=(const MemoryUi&) = delete;
  // Reports every expectation still unused, unless a UiScriptError already
  // named it.
  ~MemoryUi() override;

  // ----- the script
  MemoryUi& ExpectDialog(UINT templateId, std::vector<UiAction> actions, Here where = Here::current());
  MemoryUi& ExpectMessageBox(CString text, int answer, Here where = Here::current());
  // The same, and while the box waits for its answer, this runs: what
  // another program (or a person) does meanwhile.
  MemoryUi& ExpectMessageBox(CString text, int answer, std::function<void(MemoryUi&)> meanwhile,
                             Here where = Here::current());
  // The folder picker: the chosen folder, or nullopt for Cancel.
  MemoryUi& ExpectFolderPicker(std::optional<CString> choice, Here where = Here::current());
  // At a moment when the program waits for the user outside any modal
  // window (the backdrop alone is shown), run this.
  MemoryUi& WhenIdle(std::function<void(MemoryUi&)> action, Here where = Here::current());
  // Posts WM_CLOSE to the main frame when the program is idle.
  MemoryUi& CloseMainWindowWhenIdle(Here where = Here::current());
  // Message boxes the script does not expect where they come are answered
  // (OK, or the given answer for Yes/No) and recorded instead of failing:
  // for sweeps that look at every message afterwards.
  MemoryUi& AnswerUnscriptedMessageBoxes(int yesNoAnswer);
  // Standing answers, for scripts that cannot know which windows a run
  // brings up (sweeps): whenever the script holds no step of that kind
  // next, a dialog with this template id gets these actions (from the
  // first again each time they are used up while it still waits), and a
  // message box with this text gets this answer, before the default of
  // AnswerUnscriptedMessageBoxes. A window with no standing answer is
  // handled as without them.
  MemoryUi& AlwaysAnswerDialog(UINT templateId, std::vector<UiAction> actions, Here where = Here::current());
  MemoryUi& AlwaysAnswerMessageBox(CString text, int answer, Here where = Here::current());
  // At most this many user steps (a modal window shown, a dialog action,
  // an idle action) from now on: the next one throws UiScriptError, so a
  // program that never ends fails instead of running on.
  MemoryUi& LimitUserSteps(int steps);
  int UserSteps() const { return m_userSteps; }
  // Throws UiScriptError when expectations are left over.
  void CheckScriptDone() const;

  // ----- set-up
  void AddResources(std::string_view res);
  void SetScreenClient(int width, int height) { m_maximizedClient = {0, 0, width, height}; }
  void SetNormalClient(int width, int height) { m_normalClient = {0, 0, width, height}; }
  void SetModuleFileName(CString path) { m_moduleFileName = std::move(path); }
  // The clock GetTickCount reads: it stands still unless a step is given,
  // by which it moves on after each reading.
  void SetClock(DWORD now, DWORD stepPerReading = 0) {
    m_clock = now;
    m_clockStep = stepPerReading;
  }
  // Whether fills are rendered into pixel buffers (the default). Without,
  // paints are still recorded but windows hold no pixels and PixelAt throws
  // UiScriptError: for runs by the thousand that look at no pixel.
  void RenderPixels(bool render) { m_renderPixels = render; }
  // The screen's pixels per logical inch a paint reports (96 unless set).
  void SetPixelsPerInch(int pixelsPerInch) { m_pixelsPerInch = pixelsPerInch; }
  // A dialog template id that fails to be created (DialogBoxParam gives -1).
  void FailDialog(UINT templateId) { m_failingDialogs.push_back(templateId); }
  // Frame windows fail to be created from now on (CreateFrameWindow gives null).
  void FailFrameWindows() { m_failFrames = true; }
  // Another program has the foreground: GetActiveWindow gives null, as
  // Windows does then.
  void SetForegroundElsewhere(bool elsewhere) { m_foregroundElsewhere = elsewhere; }
  // The folder picker as the shell calls it (the shell records each call).
  std::optional<CString> RunFolderPicker(const BrowseInfo& info);

  // ----- what happened
  struct MessageBoxRecord {
    CString text;
    CString caption;
    UINT type = 0;
    HWND owner = nullptr;
    int answer = 0;
    // Whether the owner was still shown while the box waited for its answer
    // (an ended dialog is hidden; a closed window is gone).
    bool ownerShown = false;
    // How many control paints (ControlPaints) came before the box.
    std::size_t controlPaintsBefore = 0;
  };
  struct PaintOp {
    enum class Kind { Fill, CreateFont, DeleteFont, SelectFont, SetBkMode, SetTextColor, TextOut };
    explicit PaintOp(Kind k) : kind(k) {}
    Kind kind;
    Rect rect{};
    COLORREF colour = 0;
    LogFont font{};
    HFONT fontHandle = nullptr;
    int mode = 0;
    int x = 0, y = 0;
    CString text;
  };
  struct PaintRecord {
    HWND window = nullptr;
    Rect client{};
    std::vector<PaintOp> ops;
    bool ended = false;
    // The context's state when painting ended.
    HFONT fontAtEnd = nullptr;
    int bkModeAtEnd = 0;
    COLORREF textColourAtEnd = 0;
  };
  struct MessageRecord {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool posted = false;
  };
  struct TextRecord {
    HWND window = nullptr;
    int controlId = 0;
    CString text;
  };
  struct DialogRecord {
    UINT templateId = 0;
    INT_PTR result = 0;
    // The control the dialog manager focused after WM_INITDIALOG (the first
    // visible, enabled tab stop, when the dialog's answer asked for it); 0: none.
    int initialFocus = 0;
  };
  // A control painted: what it showed then.
  struct ControlPaintRecord {
    HWND dialog = nullptr;
    int controlId = 0;
    CString text;
    int position = 0;             // a progress bar's position
    bool byUpdateWindow = false;  // at once, from UpdateWindow; else by the message loop
  };

  const std::vector<MessageBoxRecord>& MessageBoxes() const { return m_messageBoxes; }
  const std::vector<PaintRecord>& Paints() const { return m_paints; }
  // Every message delivered to a frame or dialog (posted or sent), in order.
  const std::vector<MessageRecord>& Delivered() const { return m_delivered; }
  // Every message sent to a control (progress-bar messages ...), in order.
  const std::vector<MessageRecord>& ControlMessages() const { return m_controlMessages; }
  // Every text set on a control, in order.
  const std::vector<TextRecord>& ControlTexts() const { return m_controlTexts; }
  const std::vector<DialogRecord>& Dialogs() const { return m_dialogs; }
  // Every window centred, with the window it was centred over, in order.
  struct CenterRecord {
    HWND window = nullptr;
    HWND over = nullptr;
  };
  const std::vector<CenterRecord>& Centred() const { return m_centred; }
  // Every paint of a control, in order.
  const std::vector<ControlPaintRecord>& ControlPaints() const { return m_controlPaints; }
  int LiveFonts() const { return m_liveFonts; }

  // Live windows.
  HWND MainFrame() const;
  HWND FindWindow(const CString& caption) const;
  HWND ActiveDialog() const;
  bool Exists(HWND window) const { return m_windows.count(Key(window)) != 0; }
  bool IsVisible(HWND window) const;
  // The window a dialog was created over, a control's dialog (null for none).
  HWND Owner(HWND window) const;
  CString ControlText(HWND dialog, int controlId) const;
  std::vector<int> ControlIds(HWND dialog) const;
  CString ControlClass(HWND dialog, int controlId) const;
  struct ProgressState {
    int min = 0, max = 100, pos = 0, step = 10;
  };
  ProgressState Progress(HWND dialog, int controlId) const;
  // The colour of a client pixel as the last paints left it.
  COLORREF PixelAt(HWND window, int x, int y) const;
  // Marks a window as needing a paint (as minimising and restoring would).
  void Invalidate(HWND window);
  bool NeedsPaint(HWND window) const;
  // The control id Return presses in this dialog now.
  int DefaultButton(HWND dialog) const;
  int FirstTabStop(HWND dialog) const;
  // Background colour of the framework's window class (COLOR_WINDOW).
  static constexpr COLORREF kClassBackground = 0x00FFFFFF;

  // ----- IUserInterface
  HWND CreateFrameWindow(CWnd& wnd, const CString& caption, DWORD style) override;
  BOOL DestroyWindow(HWND window) override;
  BOOL ShowWindow(HWND window, int showCommand) override;
  BOOL UpdateWindow(HWND window) override;
  BOOL InvalidateRect(HWND window, const Rect* rect, BOOL erase) override;
  BOOL CenterWindow(HWND window, HWND over) override;
  BOOL IsZoomed(HWND window) override;
  Rect GetClientRect(HWND window) override;
  BOOL SetWindowTextA(HWND window, const CString& text) override;
  CString GetWindowTextA(HWND window) override;
  BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void PostQuitMessage(int exitCode) override;
  int RunMessageLoop() override;
  INT_PTR DialogBoxParamA(UINT templateId, HWND parent, CDialog& dialog) override;
  BOOL EndDialog(HWND dialog, INT_PTR result) override;
  HWND GetDlgItem(HWND dialog, int controlId) override;
  int MessageBoxA(HWND owner, const CString& text, const CString& caption, UINT type) override;
  HWND GetActiveWindow() override;
  HWND GetDesktopWindow() override;
  std::unique_ptr<IPaintContext> BeginPaint(HWND window) override;
  CString GetModuleFileNameA() override { return m_moduleFileName; }
  DWORD GetTickCount() override { return std::exchange(m_clock, m_clock + m_clockStep); }

 private:
  class PaintContext;
  enum class Kind { Frame, Dialog, Control };
  struct Window {
    Kind kind = Kind::Frame;
    CWnd* owner = nullptr;  // frames and dialogs
    HWND parent = nullptr;
    CString className;
    CString text;
    DWORD style = 0;
    int controlId = 0;
    bool visible = false;
    bool zoomed = false;
    bool invalid = false;
    bool sized = false;  // Resize ran once
    Rect client{};
    std::vector<COLORREF> pixels;
    // dialogs
    UINT templateId = 0;
    bool ended = false;
    INT_PTR result = 0;
    std::vector<HWND> controls;
    int defId = 0;  // set by DM_SETDEFID; 0: the template's default button
    // progress bars
    ProgressState progress;
  };
  struct Step {
    enum class Kind { Dialog, MessageBox, FolderPicker, Idle };
    explicit Step(Kind k) : kind(k) {}
    Kind kind;
    UINT templateId = 0;
    std::deque<UiAction> actions;
    // A standing answer's actions, used again whenever actions runs out.
    std::vector<UiAction> repeat;
    CString text;
    int answer = 0;
    std::optional<CString> choice;
    std::function<void(MemoryUi&)> idle;
    std::function<void(MemoryUi&)> meanwhile;  // a message box's: runs before it is answered
    std::source_location where;
    bool reported = false;  // named by a UiScriptError already
  };
  struct Posted {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };

  static UINT_PTR Key(HWND h) { return reinterpret_cast<UINT_PTR>(h); }
  Window* Find(HWND h);
  const Window* Find(HWND h) const;
  HWND NewWindow(Window w);
  void Resize(Window& w, const Rect& client);
  LRESULT Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool posted);
  LRESULT DeliverToControl(HWND control, Window& w, UINT message, WPARAM wParam, LPARAM lParam, bool posted);
  // WM_SETTEXT, WM_GETTEXT and WM_GETTEXTLENGTH as a window's default handling does them.
  LRESULT TextMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void SetControlText(HWND control, Window& w, const CString& text);
  void PaintControl(HWND control, Window& w, bool byUpdateWindow);
  bool IsShown(const Window& w) const;
  void AddStep(Step step);
  static Step MessageBoxStep(CString text, int answer, Here where);
  // Handles one queued message or one paint; false when there was nothing.
  bool PumpOne();
  void PumpUntilIdle();
  void InvalidateAllBut(HWND except);
  Step TakeStep(Step::Kind kind, const std::string& what);
  // The script's next dialog step, else the standing answer for this template.
  Step TakeDialogStep(UINT templateId);
  // Counts one user step against the limit.
  void CountUserStep(const std::string& what);
  void RunAction(HWND dialog, const UiAction& action);
  std::string DescribePending() const;
  std::string DescribeStep(const Step& s) const;
  // Throws UiScriptError; the expectations pending now count as reported.
  [[noreturn]] void Fail(const std::string& message) const;

  std::map<UINT_PTR, Window> m_windows;
  UINT_PTR m_nextHandle = 0x100;
  std::vector<HWND> m_modalStack;
  std::deque<Posted> m_queue;
  std::optional<int> m_quit;
  mutable std::deque<Step> m_script;
  std::map<UINT, DialogTemplate> m_templates;
  std::vector<UINT> m_failingDialogs;
  bool m_failFrames = false;
  bool m_foregroundElsewhere = false;
  DWORD m_clock = 0;
  DWORD m_clockStep = 0;
  bool m_renderPixels = true;
  int m_pixelsPerInch = 96;
  std::optional<int> m_unscriptedYesNoAnswer;
  std::map<UINT, Step> m_standingDialogs;
  std::vector<Step> m_standingMessageBoxes;
  std::optional<int> m_userStepLimit;
  int m_userSteps = 0;
  Rect m_maximizedClient{0, 0, 1024, 730};
  Rect m_normalClient{0, 0, 640, 440};
  CString m_moduleFileName = "C:\\program.exe";
  int m_liveFonts = 0;
  UINT_PTR m_nextFont = 0x5000;

  std::vector<MessageBoxRecord> m_messageBoxes;
  std::vector<PaintRecord> m_paints;
  std::vector<MessageRecord> m_delivered;
  std::vector<MessageRecord> m_controlMessages;
  std::vector<TextRecord> m_controlTexts;
  std::vector<DialogRecord> m_dialogs;
  std::vector<ControlPaintRecord> m_controlPaints;
  std::vector<CenterRecord> m_centred;
};

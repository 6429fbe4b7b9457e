#include "installer/CopyDlg.h"

#include <optional>
#include <string_view>

#include "installer/HeldWrites.h"
#include "installer/InstallList.h"
#include "installer/PageLinks.h"
#include "installer/Registration.h"
#include "installer/resource.h"

namespace {

constexpr char kInstallListName[] = "install.dat";
constexpr char kInstallListMissing[] = "install.datが見つかりませんでした。";
constexpr char kNoProgressBar[] = "Error:Can't find ProgressBar";
constexpr char kCopyFailed[] = "ファイルのコピーに失敗しました。";
constexpr char kPageNotFound[] = "が見つかりませんでした。";
constexpr char kPageNotWritten[] = "を作れませんでした。";

// At most this often the display is painted while files are copied.
constexpr DWORD kRepaintIntervalMs = 100;

}  // namespace

// What the copy dialog shows while the copy loop runs: the current source
// and destination and the bar. The loop never returns to the message loop,
// so everything shown is painted here, at once. Painting both texts and the
// bar for each of many small files would take longer than copying them, so
// a file is painted only when the last painting is old enough; a failure and
// the end of the list paint the latest state whatever its age. The bar is
// moved when painted, to where a step for each copy would have taken it (a
// progress bar repaints itself at every step).
class CopyDisplay {
 public:
  // barEnd: the bar's range runs from 0 to it; the bar stands at 0.
  CopyDisplay(IUserInterface& ui, CWnd& dialog, CWnd& bar, int barEnd)
      : m_ui(ui), m_dialog(dialog), m_bar(bar), m_barEnd(barEnd) {}

  // The file about to be copied.
  void ShowFile(const CString& source, const CString& destination) {
    m_source = source;
    m_destination = destination;
    m_textsStale = true;
    const DWORD now = m_ui.GetTickCount();
    if (m_paintedOnce && now - m_paintedAt < kRepaintIntervalMs) return;
    Paint(now);
  }
  // One more file done: one step of 1, starting over past the end as
  // PBM_STEPIT does.
  void Step() {
    if (m_barEnd <= 0) return;
    m_position = m_position + 1 > m_barEnd ? (m_position + 1) % m_barEnd : m_position + 1;
  }
  // Paints what has changed since the last painting.
  void Flush() {
    if (m_textsStale || m_position != m_shownPosition) Paint(m_ui.GetTickCount());
  }

 private:
  void Paint(DWORD now) {
    if (m_position != m_shownPosition) {
      m_bar.SendMessage(PBM_SETPOS, static_cast<WPARAM>(m_position), 0);
      m_bar.UpdateWindow();
      m_shownPosition = m_position;
    }
    if (m_textsStale) {
      PaintText(IDC_SRCFILE, m_source);
      PaintText(IDC_DSTFILE, m_destination);
    }
    m_textsStale = false;
    m_paintedOnce = true;
    m_paintedAt = now;
  }
  void PaintText(int controlId, const CString& text) {
    CWnd* control = m_dialog.GetDlgItem(controlId);
    if (control == nullptr) return;
    control->SetWindowText(text);
    control->UpdateWindow();
  }

  IUserInterface& m_ui;
  CWnd& m_dialog;
  CWnd& m_bar;
  const int m_barEnd;
  int m_position = 0;
  int m_shownPosition = 0;
  CString m_source;
  CString m_destination;
  bool m_textsStale = false;
  bool m_paintedOnce = false;
  DWORD m_paintedAt = 0;
};

CCopyDlg::CCopyDlg(PlatformServices& platform, FirstPaintFlag& firstPaint, CWnd* parent)
    : CDialog(platform, IDD_COPY, parent), m_firstPaint(firstPaint) {}

void CCopyDlg::SetPaths(const CString& drive, const CString& dest) {
  m_drive = drive;
  m_dest = dest;
}

const MessageMap* CCopyDlg::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      OnMessage(WM_START_COPY, &CCopyDlg::OnStartCopy),
      OnWmPaint(&CCopyDlg::OnPaint),
  };
  static const MessageMap map{CDialog::GetMessageMap(), entries};
  return &map;
}

BOOL CCopyDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  return TRUE;
}

void CCopyDlg::OnCancel() { CDialog::OnCancel(); }

void CCopyDlg::OnPaint() {
  {
    // Painting begins and ends: the dialog draws nothing of its own.
    CPaintDC dc(*this);
  }
  if (m_firstPaint.TestAndClear()) PostMessage(WM_START_COPY, 0, 0);
}

bool CCopyDlg::CopyOneFile(CopyDisplay& display, HeldTree& held, const CString& source,
                           const CString& destination, bool unsafe) {
  display.ShowFile(source, destination);

  // A page is written rewritten, straight from the CD: what was written is
  // never read back.
  const std::optional<std::string_view> prefix = LinkPrefixFor(destination.view());
  PageRewrite rewrite = PageRewrite::Done;
  const auto writePage = [&](INT_PTR file) {
    rewrite = RewritePage(Platform().Files(), source, file, *prefix);
    return rewrite == PageRewrite::Done;
  };
  // A destination that climbs out of the installation folder, or lies in a
  // folder reached through a link, is never written: it fails as a copy
  // would.
  const HeldWrite written = unsafe   ? HeldWrite::Refused
                            : prefix ? held.WriteFile(destination, writePage)
                                     : held.CopyFile(source, destination);
  if (written == HeldWrite::Done) return true;
  display.Flush();
  // The copy's message names no file: the dialog shows which one failed.
  CString message = kCopyFailed;
  if (prefix && (written == HeldWrite::NotWritten || rewrite == PageRewrite::CannotWrite)) {
    message = destination + kPageNotWritten;
  } else if (prefix && rewrite == PageRewrite::CannotRead) {
    message = destination + kPageNotFound;
  }
  AfxMessageBox(Platform(), message, MB_OK);
  return false;
}

LRESULT CCopyDlg::OnStartCopy(WPARAM, LPARAM) {
  std::optional<InstallList> list = ReadInstallList(Platform().Files(), kInstallListName);
  if (!list) {
    AfxMessageBox(Platform(), kInstallListMissing, MB_OK);
    EndDialog(IDCANCEL);
    return 0;
  }
  CWnd* bar = GetDlgItem(IDC_PROGRESS);
  if (bar == nullptr) {
    AfxMessageBox(Platform(), kNoProgressBar, MB_OK);
    EndDialog(IDCANCEL);
    return 0;
  }

  // Every entry counts towards the range, blank and folder lines included,
  // but only copies step the bar: with such lines it ends short of its end.
  // The range is 16 bits wide.
  const auto count = static_cast<WORD>(list->GetCount() & 0xFFFF);
  bar->SendMessage(PBM_SETRANGE, 0, MakeLParam(0, count));
  bar->SendMessage(PBM_SETPOS, 0, 0);
  bar->SendMessage(PBM_SETSTEP, 1, 0);
  bar->UpdateWindow();

  IFileSystem& files = Platform().Files();
  CopyDisplay display(Ui(), *this, *bar, count);
  // The destination folder, and every folder below it that is written
  // into, is held open for the whole copy, each level opened relative to the
  // one above: nothing is written through a link put into the destination,
  // and nothing can be swapped after the check.
  HeldTree held(files);
  if (!held.Hold(m_dest)) {
    AfxMessageBox(Platform(), kCopyFailed, MB_OK);
    EndDialog(IDCANCEL);
    return 0;
  }
  CString prefix;
  while (!list->IsEmpty()) {
    const InstallAction action = MapInstallEntry(list->RemoveHead(), m_drive, m_dest, prefix);
    prefix = action.prefix;
    switch (action.kind) {
      case InstallEntryKind::Blank: break;
      case InstallEntryKind::Folder:
        // Whether it was created shows at the copies into it. A folder that
        // would lie outside the installation folder is not created at all.
        if (!action.folder.IsEmpty() && !action.unsafe) held.HoldFolder(action.folder, true);
        break;
      case InstallEntryKind::File:
      case InstallEntryKind::CopyAs:
      case InstallEntryKind::Outside:
        if (!CopyOneFile(display, held, action.source, action.destination, action.unsafe)) {
          EndDialog(IDCANCEL);
          return 0;
        }
        display.Step();
        break;
    }
  }

  display.Flush();
  EndDialog(RegisterUninstall(Platform(), m_dest));
  return 0;
}

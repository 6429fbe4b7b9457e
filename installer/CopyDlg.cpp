#include "installer/CopyDlg.h"

#include <optional>
#include <string_view>

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

}  // namespace

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

void CCopyDlg::ShowPath(int controlId, const CString& path) {
  CWnd* control = GetDlgItem(controlId);
  if (control == nullptr) return;
  control->SetWindowText(path);
  control->UpdateWindow();
}

bool CCopyDlg::CopyOneFile(const CString& source, const CString& destination, bool unsafe) {
  ShowPath(IDC_SRCFILE, source);
  ShowPath(IDC_DSTFILE, destination);

  IFileSystem& files = Platform().Files();
  // A destination that climbs out of the installation folder is never
  // written: it fails as a copy would.
  if (unsafe || !files.CopyFileA(source, destination, FALSE)) {
    AfxMessageBox(Platform(), kCopyFailed, MB_OK);
    return false;
  }
  // Files from a CD arrive read-only; a failure here is no reason to stop.
  files.SetFileAttributesA(destination, FILE_ATTRIBUTE_NORMAL);

  if (const std::optional<std::string_view> prefix = LinkPrefixFor(destination.view())) {
    switch (RewritePageLinks(files, destination, *prefix)) {
      case PageRewrite::Done:
        break;
      case PageRewrite::CannotRead:
        AfxMessageBox(Platform(), destination + kPageNotFound, MB_OK);
        return false;
      case PageRewrite::CannotWrite:
        AfxMessageBox(Platform(), destination + kPageNotWritten, MB_OK);
        return false;
    }
  }
  return true;
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
  CString prefix;
  while (!list->IsEmpty()) {
    const InstallAction action = MapInstallEntry(list->RemoveHead(), m_drive, m_dest, prefix);
    prefix = action.prefix;
    switch (action.kind) {
      case InstallEntryKind::Blank:
        break;
      case InstallEntryKind::Folder:
        // Whether it was created shows at the copies into it. A folder that
        // would lie outside the installation folder is not created at all.
        if (!action.folder.IsEmpty() && !action.unsafe) files.CreateDirectoryA(action.folder);
        break;
      case InstallEntryKind::File:
      case InstallEntryKind::CopyAs:
      case InstallEntryKind::Outside:
        if (!CopyOneFile(action.source, action.destination, action.unsafe)) {
          EndDialog(IDCANCEL);
          return 0;
        }
        bar->SendMessage(PBM_STEPIT, 0, 0);
        bar->UpdateWindow();
        break;
    }
  }

  EndDialog(RegisterUninstall(Platform(), m_dest));
  return 0;
}

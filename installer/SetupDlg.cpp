#include "installer/SetupDlg.h"

#include <memory>

#include "installer/resource.h"
#include "platform/TextFile.h"
#include "shell/PathNames.h"

namespace {

constexpr char kDestPickerTitle[] = "インストール先";
constexpr char kDrivePickerTitle[] = "ドラマCD";
constexpr char kStartQuestion[] = "インストールを開始します。\nよろしいですか？";

// The application's main window, the owner of the pickers; none when there
// is no application object or no main window.
HWND MainWindow() {
  CWinApp* app = AfxGetApp();
  return app != nullptr && app->m_pMainWnd ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
}

// "%c:\\" for a drive letter.
CString DriveRoot(char letter) { return CString(letter) + ":\\"; }

// True when the path begins with a drive root: an ASCII letter, a colon and
// a backslash. A roaming profile on a network share (\\server\...) does not.
bool StartsWithDriveRoot(const CString& path) {
  return path.GetLength() >= 3 && IsDriveSpec(path.view().substr(0, 2)) && path[2] == '\\';
}

// The upper-case drive letter a path begins with ("q:\\installer.exe" gives
// 'Q'); 0 when it begins with none (a network path, an empty one).
char DriveLetterOf(const CString& path) {
  if (!IsDriveSpec(path.view().substr(0, 2))) return 0;
  return path[0] >= 'a' ? static_cast<char>(path[0] - 'a' + 'A') : path[0];
}

}  // namespace

int GetVolumeLabel(IDrives& drives, char letter, CString& label) {
  CString found;
  if (!drives.GetVolumeInformationA(DriveRoot(letter), found)) return 0;
  label = found.MakeLower();
  return 1;
}

char FindCdDrive(IDrives& drives, char ownDrive) {
  const auto isTheCd = [&drives](char letter) {
    if (drives.GetDriveTypeA(DriveRoot(letter)) != DRIVE_CDROM) return false;
    CString label;
    return GetVolumeLabel(drives, letter, label) && MbsICmp(label.view(), kCdVolumeLabel) == 0;
  };
  if (ownDrive != 0 && isTheCd(ownDrive)) return ownDrive;
  for (char letter = 'A'; letter <= 'Y'; ++letter) {
    if (isTheCd(letter)) return letter;
  }
  return 0;
}

CSetupDlg::CSetupDlg(PlatformServices& platform, CWnd* parent) : CDialog(platform, IDD_SETUP, parent) {}

const MessageMap* CSetupDlg::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      OnBnClicked(IDC_SETUP_BROWSE_DRIVE, &CSetupDlg::OnBrowseDrive),
      OnBnClicked(IDC_SETUP_BROWSE_DEST, &CSetupDlg::OnBrowseDest),
      OnEnChange(IDC_SETUP_DRIVE, &CSetupDlg::OnChangeDrive),
      OnEnChange(IDC_SETUP_DEST, &CSetupDlg::OnChangeDest),
  };
  static const MessageMap map{CDialog::GetMessageMap(), entries};
  return &map;
}

CString CSetupDlg::GetDrive() {
  m_drive.TrimLeft();
  m_drive = m_drive.Left(1);
  return m_drive;
}

CString CSetupDlg::GetDest() {
  m_dest.TrimRight();
  m_dest.TrimLeft();
  // Reversed by characters, the trailing backslashes come first; the last
  // byte of ソ or 表 (0x5C) stays behind its lead byte and is not removed.
  m_dest.MakeReverse();
  while (!m_dest.IsEmpty() && m_dest[0] == '\\') m_dest.Delete(0);
  m_dest.MakeReverse();
  return m_dest;
}

BOOL CSetupDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemText(IDC_SETUP_README, ReadReadme());
  // When no CD is found the field is left alone, and m_drive keeps what it
  // held from an earlier showing.
  // The drive the installer itself was started from is looked at first.
  const char ownDrive = DriveLetterOf(Platform().Ui().GetModuleFileNameA());
  if (const char letter = FindCdDrive(Platform().Drives(), ownDrive); letter != 0) {
    SetDlgItemText(IDC_SETUP_DRIVE, CString(letter));
  }
  SetDlgItemText(IDC_SETUP_DEST, DefaultDestRoot() + kDefaultDestBelowRoot);
  return TRUE;
}

// The readme's lines, each followed by CR LF. A readme that cannot be opened
// leaves the area empty: the dialog is usable without it.
CString CSetupDlg::ReadReadme() {
  CString text;
  CStdioFile file;
  if (!file.Open(Platform().Files(), m_readmeName)) return text;
  CString line;
  while (file.ReadString(line)) {
    text += line;
    text += "\r\n";
  }
  return text;
}

// The drive root of the user's application-data folder. When the shell
// cannot say (or names no drive), the drive of the Windows folder, and when
// that cannot be told either, C:\.
CString CSetupDlg::DefaultDestRoot() {
  CString appData;
  if (Platform().Shell().SHGetSpecialFolderPathA(MainWindow(), appData, CSIDL_APPDATA, FALSE) &&
      StartsWithDriveRoot(appData)) {
    return appData.Left(3);
  }
  CString windows;
  if (Platform().Files().GetWindowsDirectoryA(windows) != 0 && StartsWithDriveRoot(windows)) {
    return windows.Left(3);
  }
  return "C:\\";
}

std::optional<CString> CSetupDlg::BrowseForFolder(const CString& title, UINT flags) {
  IShell& shell = Platform().Shell();
  std::unique_ptr<IShellMalloc> allocator;
  if (shell.SHGetMalloc(allocator) < 0 || !allocator) return std::nullopt;
  BrowseInfo info;
  info.owner = MainWindow();
  info.title = title;
  info.flags = flags;
  ItemIdList list = shell.SHBrowseForFolderA(info);
  std::optional<CString> chosen;
  CString path;  // as long as the shell's path is: no fixed-size buffer
  if (list && shell.SHGetPathFromIDListA(list.get(), path)) chosen = path;
  // Freed through the allocator whatever happened, a null list included;
  // the allocator is released when its owner goes.
  allocator->Free(std::move(list));
  return chosen;
}

void CSetupDlg::OnBrowseDrive() {
  // Only the drive letter of the chosen folder is kept.
  if (std::optional<CString> path = BrowseForFolder(kDrivePickerTitle, BIF_RETURNONLYFSDIRS)) {
    SetDlgItemText(IDC_SETUP_DRIVE, path->Left(1));
  }
}

void CSetupDlg::OnBrowseDest() {
  if (std::optional<CString> path = BrowseForFolder(kDestPickerTitle, BIF_RETURNONLYFSDIRS | BIF_EDITBOX)) {
    SetDlgItemText(IDC_SETUP_DEST, *path);
  }
}

void CSetupDlg::OnChangeDrive() { m_drive = GetDlgItemText(IDC_SETUP_DRIVE); }
void CSetupDlg::OnChangeDest() { m_dest = GetDlgItemText(IDC_SETUP_DEST); }

void CSetupDlg::OnOK() {
  // Only Yes starts the installation; No (or a question that could not be
  // asked) keeps the dialog open with everything as typed.
  if (AfxMessageBox(Platform(), kStartQuestion, MB_YESNO) != IDYES) return;
  CDialog::OnOK();
}

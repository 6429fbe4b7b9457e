// The installer's whole flow, started by the backdrop's first paint: the
// setup dialog until the user gives up or names a usable destination, the
// destination made to exist, the copy, the completion dialog, and the end of
// the program.
#include "installer/CopyDlg.h"
#include "installer/DirectoryTree.h"
#include "installer/FinishDlg.h"
#include "installer/InstallerApp.h"
#include "installer/SetupDlg.h"

namespace {

constexpr char kReadmeName[] = "readme.txt";

constexpr char kQuitQuestion[] = "インストールは終わっていません。\n終了しますか？";
constexpr char kNoDestination[] = "インストール先のフォルダを指定してください。";
constexpr char kCreateQuestion[] =
    "インストール先のフォルダは存在しません。\nフォルダを作成してもよろしいですか？";
constexpr char kCreateFailed[] = "フォルダの作成に失敗しました。";
constexpr char kOverwriteQuestion[] = "インストール先のフォルダは存在します。\n上書きしてもよろしいですか？";
constexpr char kFileInTheWay[] =
    "インストール先のフォルダと\n同名のファイルがあります。\nフォルダの指定をやり直してください。";
constexpr char kNotComplete[] = "インストールは完了していません。";

enum class SetupResult { Install, Quit };

// Every message box is captioned with the program's file name without its
// extension (AfxMessageBox), "installer" for installer.exe.

bool AskYes(PlatformServices& platform, const char* question) {
  return AfxMessageBox(platform, question, MB_YESNO) == IDYES;
}

// Shows the setup dialog until the user either gives up or names a folder
// that exists (and may be written into) or has just been created.
SetupResult ChooseDestination(PlatformServices& platform, CSetupDlg& setup) {
  for (;;) {
    // Only the dialog's OK goes on: a dialog that could not even be shown
    // is no consent to install, and is handled like Cancel.
    if (setup.DoModal() != IDOK) {
      if (AskYes(platform, kQuitQuestion)) return SetupResult::Quit;
      continue;
    }
    const CString dest = setup.GetDest();
    // An empty field would pass the checks below as a folder to create that
    // needs no creating, and the copy would then write below a bare "\".
    if (dest.IsEmpty()) {
      AfxMessageBox(platform, kNoDestination, MB_OK);
      continue;
    }
    switch (LookUpPath(platform.Files(), dest)) {
      case PathKind::Missing:
        if (!AskYes(platform, kCreateQuestion)) continue;
        if (!CreateDirectoryTree(platform.Files(), setup.GetDest())) {
          AfxMessageBox(platform, kCreateFailed, MB_OK);
          return SetupResult::Quit;
        }
        return SetupResult::Install;
      case PathKind::Folder:
        if (!AskYes(platform, kOverwriteQuestion)) continue;
        return SetupResult::Install;
      case PathKind::File:
        AfxMessageBox(platform, kFileInTheWay, MB_OK);
        continue;
    }
  }
}

}  // namespace

LRESULT CInstallerWnd::OnStartInstall(WPARAM, LPARAM) {
  PlatformServices& platform = Platform();
  // The three dialog objects live for the whole flow; the setup object keeps
  // what was typed from one showing to the next.
  CSetupDlg setup(platform);
  CCopyDlg copy(platform, m_copyFirstPaint);
  CFinishDlg finish(platform);
  setup.SetReadmeName(kReadmeName);

  if (ChooseDestination(platform, setup) == SetupResult::Install) {
    copy.SetPaths(setup.GetDrive(), setup.GetDest());
    // Only a copy that ended with OK is complete: a copy dialog that could
    // not be shown has installed nothing.
    if (copy.DoModal() == IDOK) {
      finish.DoModal();
    } else {
      AfxMessageBox(platform, kNotComplete, MB_OK);
    }
  }
  PostMessage(WM_CLOSE);
  return 0;
}

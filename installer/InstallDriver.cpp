// The installer's whole flow, started by the backdrop's first paint: its own
// folder made the current one, the setup dialog until the user gives up or names a usable destination, the
// destination made to exist, the copy, the completion dialog, and the end of
// the program.
#include "installer/CopyDlg.h"
#include "installer/DirectoryTree.h"
#include "installer/FinishDlg.h"
#include "installer/InstallerApp.h"
#include "installer/SetupDlg.h"
#include "shell/FolderGuard.h"
#include "shell/FolderTrust.h"
#include "shell/ModuleFolder.h"

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
constexpr char kGuardedDestination[] = "このフォルダにはインストールできません。";
constexpr char kUntrustedDestination[] =
    "管理者以外のユーザーが変更できるフォルダにはインストールできません。";
constexpr char kOwnFolderUnusable[] =
    "インストーラーのフォルダを開けませんでした。\nインストールを終了します。";

enum class SetupResult { Install, Quit };

// Every message box is captioned with the program's file name without its
// extension (AfxMessageBox), "installer" for installer.exe.

bool AskYes(PlatformServices& platform, const char* question) {
  return AfxMessageBox(platform, question, MB_YESNO) == IDYES;
}

// Shows the setup dialog until the user either gives up or names a folder
// that exists (and may be written into) or has just been created. dest is
// then the folder as the system reaches it (see ResolveDestination), held
// holds the part of it that existed before, and levels every level of it,
// judged to be one that only administrators can change.
SetupResult ChooseDestination(PlatformServices& platform, CSetupDlg& setup, CString& dest, CEntryHandle& held,
                              CTrustedLevels& levels) {
  IFileSystem& files = platform.Files();
  for (;;) {
    // Only the dialog's OK goes on: a dialog that could not even be shown
    // is no consent to install, and is handled like Cancel.
    if (setup.DoModal() != IDOK) {
      if (AskYes(platform, kQuitQuestion)) return SetupResult::Quit;
      continue;
    }
    // An empty field would pass the checks below as a folder to create that
    // needs no creating, and the copy would then write below a bare "\".
    if (setup.GetDest().IsEmpty()) {
      AfxMessageBox(platform, kNoDestination, MB_OK);
      continue;
    }
    // Judged as the system reaches it, before any question: a short name,
    // a link or a mapped drive cannot make a system folder, a profile or a
    // drive root look like another folder.
    if (!ResolveDestination(files, setup.GetDest(), dest, held) ||
        JudgeFolder(platform, dest) != FolderVerdict::Allowed) {
      held.Close();
      AfxMessageBox(platform, kGuardedDestination, MB_OK);
      continue;
    }
    // What is registered to run as administrator must lie where no other
    // account can replace it: every level, and what is already inside.
    if (!levels.Open(dest)) {
      held.Close();
      AfxMessageBox(platform, kUntrustedDestination, MB_OK);
      continue;
    }
    switch (LookUpPath(files, dest)) {
      case PathKind::Missing:
        if (!AskYes(platform, kCreateQuestion)) {
          levels.Release();
          continue;
        }
        break;
      case PathKind::Folder:
        if (!AskYes(platform, kOverwriteQuestion)) {
          levels.Release();
          continue;
        }
        break;
      case PathKind::File:
        levels.Release();
        AfxMessageBox(platform, kFileInTheWay, MB_OK);
        continue;
    }
    // Whichever the question was: a level that is missing now is made,
    // held, with only administrators' rights in it.
    if (!levels.CreateMissing()) {
      AfxMessageBox(platform, kCreateFailed, MB_OK);
      return SetupResult::Quit;
    }
    return SetupResult::Install;
  }
}

// Makes the folder of the installer's own file the current one. The CD's
// files (readme, install list, uninstaller) are read by relative names, and
// the current folder is whatever the one who started the program chose: a
// user's own folder holding another install.dat or uninst.dat would
// otherwise be copied into the destination, and registered, with the rights
// the administrator gave. False when the module path has no folder (or no
// exact Shift-JIS form) or the folder cannot be made current.
bool EnterOwnFolder(PlatformServices& platform) {
  const CString folder = ModuleFolder(platform.Ui().GetModuleFileNameA());
  return !folder.IsEmpty() && platform.Files().SetCurrentDirectoryA(FolderSpelling(folder));
}

}  // namespace

LRESULT CInstallerWnd::OnStartInstall(WPARAM, LPARAM) {
  PlatformServices& platform = Platform();
  // Before anything is read. Without its own folder the installer has no
  // CD to read from: it says so and ends, rather than read the CD's files
  // from wherever the current folder is, or create a destination it cannot
  // fill.
  if (!EnterOwnFolder(platform)) {
    AfxMessageBox(platform, kOwnFolderUnusable, MB_OK);
    PostMessage(WM_CLOSE);
    return 0;
  }
  // The three dialog objects live for the whole flow; the setup object keeps
  // what was typed from one showing to the next.
  CSetupDlg setup(platform);
  CCopyDlg copy(platform, m_copyFirstPaint);
  CFinishDlg finish(platform);
  setup.SetReadmeName(kReadmeName);

  CString dest;
  // The destination's existing part, held until the installation ends.
  CEntryHandle held(platform.Files(), -1);
  // Every level of the destination, held until the installation ends.
  CTrustedLevels levels(platform.Files(), platform.Drives());
  if (ChooseDestination(platform, setup, dest, held, levels) == SetupResult::Install) {
    copy.SetPaths(setup.GetDrive(), dest);
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

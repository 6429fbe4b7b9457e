// The uninstaller's one flow, run by the backdrop's start message: confirm,
// then remove the uninstall entry, the installed files and the Start-menu
// entries, tell the user, and ask the system to delete the program file and
// the folder at the next restart. Each removal step undoes one step of the
// installer's registration under the same names (shell/Names.h).
#include <algorithm>
#include <vector>

#include "platform/framework/Afx.h"
#include "shell/FolderTrust.h"
#include "shell/Names.h"
#include "uninst/DeleteTree.h"
#include "uninst/InstallationFolder.h"
#include "uninst/UninstApp.h"
#include "uninst/UninstDialogs.h"

namespace {

// Deletes the product's uninstall entry with its values. A missing entry (a
// second run) or a parent key that cannot be opened changes nothing.
void UnregisterUninstall(IRegistry& registry) {
  CRegKey parent(registry);
  if (parent.Create(HKEY_LOCAL_MACHINE, names::kUninstallParentKey, REG_OPTION_NON_VOLATILE,
                    KEY_ALL_ACCESS) != ERROR_SUCCESS) {
    return;
  }
  registry.RegDeleteKeyA(parent.get(), names::kUninstallSubKey);
}

// Deletes both shortcuts, then their Start-menu folder if nothing else is
// left in it, all through handles opened below the Programs folder. A
// Start-menu folder that is a link goes alone: nothing is deleted through
// it. Nothing is deleted when the Programs folder is unknown: no path is
// ever built on an empty one.
void DeleteShortcuts(PlatformServices& platform) {
  IShell& shell = platform.Shell();
  ItemIdList programsList;
  if (shell.SHGetSpecialFolderLocation(platform.Ui().GetDesktopWindow(), CSIDL_PROGRAMS, programsList) < 0 ||
      !programsList) {
    return;
  }
  CString programs;
  if (!shell.SHGetPathFromIDListA(programsList.get(), programs) || programs.IsEmpty()) return;
  IFileSystem& files = platform.Files();
  CEntryHandle programsFolder(files, files.OpenFolderHandle(programs));
  if (!programsFolder.IsOpen()) return;
  std::vector<FolderEntry> entries;
  if (!files.ListFolderHandle(programsFolder.get(), entries)) return;
  const auto listed = std::find_if(entries.begin(), entries.end(), [](const FolderEntry& e) {
    return MbsICmp(e.name.view(), names::kStartMenuFolder) == 0;
  });
  if (listed == entries.end()) return;
  CEntryHandle menu(files, -1);
  switch (OpenListedEntry(files, ListedFolder(files, programsFolder.get()), *listed, menu)) {
    case OpenedAs::Link: files.DeleteByHandle(menu.get()); return;
    case OpenedAs::Folder: break;
    default: return;
  }
  for (const char* name : {names::kContentShortcut, names::kUninstallShortcut}) {
    CEntryHandle shortcut(files, files.OpenEntryAt(menu.get(), name));
    if (!shortcut.IsOpen()) continue;
    const DWORD attributes = files.GetHandleAttributes(shortcut.get());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      files.DeleteByHandle(shortcut.get());
    }
  }
  // Only when empty: a file of the user's keeps the folder.
  files.DeleteByHandle(menu.get());
}

// The program file and then its folder go at the next restart; the folder
// only if it is empty by then. The system deletes them by path, as SYSTEM,
// following every level of the path that is a link by then: so they are
// asked for only where no other account can replace a level, and while
// every level is held. False when nothing was asked for.
bool ScheduleRestartDeletion(PlatformServices& platform, const CString& folder) {
  IFileSystem& files = platform.Files();
  CTrustedLevels levels(files, platform.Drives());
  if (!levels.OpenLevels(folder) || !levels.Complete()) return false;
  CEntryHandle uninstaller(files, files.OpenEntryAt(levels.Deepest(), names::kUninstaller));
  if (!uninstaller.IsOpen() || !trust::FileIsTrusted(files, uninstaller.get())) return false;
  uninstaller.Close();
  files.MoveFileExA(folder + "\\" + names::kUninstaller, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  files.MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return true;
}

}  // namespace

LRESULT CUninstWnd::OnStartUninstall(WPARAM, LPARAM) {
  PlatformServices& platform = Platform();
  // Held from before the question to the end of the walk: what the user
  // agrees to empty is the folder that is emptied, whatever is renamed or
  // replaced meanwhile.
  CEntryHandle held(platform.Files(), -1);
  const InstallationFolder folder = FindInstallationFolder(platform, held);
  if (folder.refusal != nullptr) {
    AfxMessageBox(platform, folder.refusal, MB_OK);
    PostMessage(WM_CLOSE);
    return 0;
  }

  CConfirmDlg confirm(platform, folder.path);
  CDoneDlg done(platform);
  // Only Next goes on: Cancel, Escape and a dialog that could not be shown
  // (-1) leave everything as it was.
  if (confirm.DoModal() != IDOK) {
    PostMessage(WM_CLOSE);
    return 0;
  }

  UnregisterUninstall(platform.Registry());
  // A file that cannot be deleted stops the walk; the flow goes on all the same.
  DeleteTree(platform, held.get());
  held.Close();
  DeleteShortcuts(platform);
  done.DoModal();
  if (!ScheduleRestartDeletion(platform, folder.path)) {
    AfxMessageBox(platform, folder.path + kFolderStays, MB_OK);
  }
  PostMessage(WM_CLOSE);
  return 0;
}

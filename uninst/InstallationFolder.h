// The folder the uninstaller empties: the one that holds its own program
// file, never the current folder (a start from the list of installed
// programs, from a console in another folder or through a shortcut with
// another working folder must not empty that folder). The folder is opened
// once and held for the whole run, so it cannot be renamed or replaced
// between the check, the confirmation and the walk; its final path (short
// names made long) is the one judged, shown and scheduled for deletion. A
// folder reached through a link, a junction or a mapped drive is refused,
// and so is a drive root and every folder shell/FolderGuard.h refuses.
#pragma once

#include "platform/CString.h"
#include "platform/Platform.h"

inline constexpr char kRootRefusal[] = "ドライブのルートからはアンインストールできません。";
inline constexpr char kFolderRefusal[] = "このフォルダからはアンインストールできません。";
// After the folder's path, when its deletion at the next restart is not
// asked for: someone else could put another folder in its place by then.
inline constexpr char kFolderStays[] =
    "\nこのフォルダは管理者以外のユーザーが変更できるため、再起動時に削除されません。"
    "不要であれば手動で削除してください。";

struct InstallationFolder {
  // The folder's final path, without a trailing backslash (a drive root
  // keeps only its "X:"); the module's folder as named when it could not
  // be resolved.
  CString path;
  // The message shown instead of uninstalling; null when the folder may be
  // emptied.
  const char* refusal = nullptr;
};

// The running program's folder, opened into held and checked against the
// refused folders. A folder that cannot be opened or resolved is refused.
InstallationFolder FindInstallationFolder(PlatformServices& platform, CEntryHandle& held);

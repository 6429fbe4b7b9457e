// The folder the uninstaller empties: the one that holds its own program
// file, never the current folder (a start from the list of installed
// programs, from a console in another folder or through a shortcut with
// another working folder must not empty that folder). Some folders are
// refused outright, since a copy of the program started there would empty
// them: a drive root, the Windows folder and every folder inside it, and
// every folder that is or holds one of the system's or the user's own
// folders (Program Files, Common Files, ProgramData, the Users folder and
// every profile in it, Public, the user's Desktop, Documents, AppData,
// Start menu and Programs). A folder inside Program Files or Documents is
// accepted.
#pragma once

#include "platform/CString.h"
#include "platform/Platform.h"

inline constexpr char kRootRefusal[] = "ドライブのルートからはアンインストールできません。";
inline constexpr char kFolderRefusal[] = "このフォルダからはアンインストールできません。";

struct InstallationFolder {
  // The program file's folder as the system named it, without a trailing
  // backslash (a drive root keeps only its "X:").
  CString path;
  // The message shown instead of uninstalling; null when the folder may be
  // emptied.
  const char* refusal = nullptr;
};

// The folder part of a module path: everything before its last backslash;
// empty when there is none.
CString ModuleFolder(const CString& modulePath);

// The running program's folder, checked against the refused folders.
InstallationFolder FindInstallationFolder(PlatformServices& platform);

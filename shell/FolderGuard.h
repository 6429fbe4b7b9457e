// The folders neither program may fill or empty, and the one spelling every
// folder is judged by. Both programs run elevated and take a folder from
// someone else (the folder a copy of the uninstaller was started in, the
// destination typed into the setup dialog), so a folder is first resolved
// to the path the system finally reaches it by: short names made long, every
// link and mapped drive on the way followed. Only that path is judged, and
// the system's own folders are resolved the same way before the comparison,
// which goes by whole components and ignores case.
//
// Refused: a drive root; a network path; the Windows folder and everything
// in it; every folder that is or holds one of the system's or the user's
// own folders (Program Files, Common Files, ProgramData, the Users folder and
// every profile in it, Public, the user's Desktop, Documents, AppData, Start
// menu and Programs). A folder inside Program Files or Documents is allowed.
#pragma once

#include <vector>

#include "platform/CString.h"
#include "platform/Platform.h"

enum class FolderVerdict {
  Allowed,
  DriveRoot,  // a drive's root
  Guarded,    // any other refused folder, or one whose path cannot be judged
};

// The path the open folder is finally reached by, without the "\\?\" the
// system puts before it ("\\?\UNC\server\share" becomes "\\server\share").
// False when the system cannot say or the path has no exact Shift-JIS form.
bool FinalFolderPath(IFileSystem& files, INT_PTR folder, CString& path);

// Judges a folder's final path.
FolderVerdict JudgeFolder(PlatformServices& platform, const CString& finalPath);

// The levels of a full drive path, each a whole name: its "X:" first, then
// every folder name in order ("C:\\a\\b" gives "C:", "a", "b"). Empty for
// a path that is not a plain full drive path (a share, a relative path, "."
// or ".." levels, a name Windows would shorten).
std::vector<CString> DrivePathLevels(const CString& path);

// True when both paths name the same folder by the same components,
// ignoring case and the kind of separator (no look-up on the disk).
bool SameFolderPath(const CString& a, const CString& b);

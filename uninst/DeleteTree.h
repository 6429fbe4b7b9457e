// Empties a folder: every file below it at any depth except those named
// "uninst.exe", every subfolder emptied and then removed, folders whose
// names begin with a dot neither entered nor removed. The folder given
// stays.
#pragma once

#include "platform/CString.h"
#include "platform/Platform.h"

// folder: without a trailing backslash. Returns 1 when the walk ran to its
// end (a folder that yields no entry included), 0 when a file could not be
// deleted: the walk stops there at every level, and what it had not come to
// stays. A subfolder that cannot be removed is reported in a message box
// with the system's text for the error, and the walk goes on.
//
// A link (a junction or a symbolic link to a folder) is never entered: only
// the link is removed. A name that cannot be used exactly as it was read
// (it holds a separator, a wildcard or another character no name may hold,
// or ends in a dot or a space, which Windows would strip) is never passed to
// the system: it fails as an undeletable file or an unremovable folder.
int DeleteTree(PlatformServices& platform, const CString& folder);

// The system's text for an error code, or "エラー " and the code in decimal
// when the system has none.
CString ErrorText(IFileSystem& files, DWORD code);

// True when a name read from a folder search names exactly one entry of that
// folder when appended to the folder's path.
bool IsExactEntryName(const CString& name);

// The folder a program's own file lies in. Both programs run elevated and
// take what is theirs from there: the installer its CD's files, the
// uninstaller the folder it empties. The current folder is never used for
// either: whoever started the program chose it.
#pragma once

#include "platform/CString.h"

// The folder part of a module path: everything before its last backslash
// ("Q:" for "Q:\installer.exe"); empty when there is none.
CString ModuleFolder(const CString& modulePath);

// The folder as it is handed to the system: a drive's "X:" alone names that
// drive's current folder, so its root is spelled "X:\". Any other folder
// stays as it is.
CString FolderSpelling(const CString& folder);

// Included first by every translation unit in win32/: the system headers, then
// the layer's own types, whose constants step aside for the system's.
//
// The system's COM headers declare interfaces named IShellLinkA and
// IPersistFile, the names Platform.h gives the layer's own shortcut objects.
// They are renamed while the system headers are read, so inside win32/ the
// system's interfaces are SysIShellLinkA and SysIPersistFile and both sets can
// meet in one translation unit. A system header that declared them before
// this one would make the layer's declarations collide loudly at compile time.
#pragma once

#define IShellLinkA SysIShellLinkA
#define IPersistFile SysIPersistFile
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>
#undef IShellLinkA
#undef IPersistFile

// The framework's members keep the names of the calls they stand for
// (CWnd::PostMessage, CPaintDC::TextOut ...); the system's A/W switch macros
// of the same names would rename them in this translation unit only.
#undef PostMessage
#undef SendMessage
#undef SetWindowText
#undef GetWindowText
#undef SetDlgItemText
#undef GetDlgItemText
#undef TextOut

#include "platform/WinTypes.h"

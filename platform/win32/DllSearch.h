// Where the process looks for DLLs loaded by name at run time. A system DLL
// that loads another by its bare name would otherwise find it in the
// program's own folder first, or in the current folder: a folder an ordinary
// user may write to (the installer's may be a disc image of theirs), while
// the program runs elevated.
#pragma once

// Restricts the search to System32: SetDefaultDllDirectories(
// LOAD_LIBRARY_SEARCH_SYSTEM32), looked up in kernel32, which Windows 7
// lacks without KB2533623; there SetDllDirectoryW(L"") at least takes the
// current folder out of the search. Called first in WinMain, before
// anything could load a DLL by name.
void RestrictDllSearch();

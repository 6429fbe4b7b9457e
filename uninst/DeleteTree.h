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
// The walk holds the folder open for its whole length (it cannot be renamed
// or replaced meanwhile), lists each folder through its handle, opens every
// entry relative to its folder's handle without following a link, decides
// file, folder or link on the entry's own handle, and deletes through that
// handle: no path is resolved again, so no rename anywhere can send a
// deletion elsewhere. An entry that cannot be opened fails as one that
// cannot be deleted.
//
// A link (a junction or a symbolic link to a folder) is never entered: only
// the link is removed, through its own handle. One that the listing marks
// as a link while its handle does not (a system that opened the target
// instead) is reported with ERROR_NOT_A_REPARSE_POINT and left alone. A
// name that cannot be used exactly as it was read (it holds a separator, a
// wildcard or another character no name may hold, or ends in a dot or a
// space, which Windows would strip) is never passed to the system: it fails
// as an undeletable file or an unremovable folder.
int DeleteTree(PlatformServices& platform, const CString& folder);
// The same for a folder already held open (OpenFolderHandle).
int DeleteTree(PlatformServices& platform, INT_PTR folder);

// What an entry listed in an open folder turned out to be when opened
// relative to the folder's handle (never through a link).
enum class OpenedAs {
  Failed,  // not opened, or not the entry listed (replaced since):
           // GetLastError says why (ERROR_FILE_NOT_FOUND for a newcomer)
  File,
  Folder,
  Link,            // a link to a folder, its handle its own: delete it alone
  LinkNotReached,  // listed as a link, but the handle is not the link's (a
                   // system that opened the target): use it for nothing
};

// An open folder whose entries are opened as listed. Where handles follow
// links (Wine), an entry is taken only when the system reaches it by the
// folder's path and its listed name: the folder's path is read here once,
// for all of them.
struct ListedFolder {
  ListedFolder(IFileSystem& files, INT_PTR folder);
  INT_PTR handle;
  bool pathRead = false;  // false where handles do not follow links, or the path could not be read
  CString path;
};

// Opens listed into entry and says what it is, deciding on the entry's own
// handle and file number, with the listing's link mark kept in mind.
OpenedAs OpenListedEntry(IFileSystem& files, const ListedFolder& folder, const FolderEntry& listed,
                         CEntryHandle& entry);

// The system's text for an error code, or "エラー " and the code in decimal
// when the system has none.
CString ErrorText(IFileSystem& files, DWORD code);

// True when a name read from a folder search names exactly one entry of that
// folder when appended to the folder's path.
bool IsExactEntryName(const CString& name);

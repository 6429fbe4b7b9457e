// Looking up a path, and making sure a folder exists with every folder above it.
#pragma once

#include "platform/CString.h"
#include "platform/Platform.h"

enum class PathKind { Missing, Folder, File };

// What a directory search finds at the path (the search is closed at once).
// A path with a wildcard (* or ?) is missing: it is no pattern here.
PathKind LookUpPath(IFileSystem& files, const CString& path);

// Walks the path from left to right and checks or creates each folder on
// the way. 1 when every folder of the path exists as a folder afterwards,
// 0 when a level is a file or cannot be created. A missing level that a
// later ".." level leaves again is not created: nothing is made outside the
// folder the path names. Folders created before a failure stay. A level
// that is a link (a junction, a symbolic link, a mapped folder) is a
// failure: nothing is created through it.
int CreateDirectoryTree(IFileSystem& files, const CString& path);

// The destination as the installer uses it: the typed path made full, its
// deepest existing folder replaced by the path the system finally reaches
// it by (short names made long), the
// levels that do not exist yet appended as typed. That folder is held open
// in held until the caller lets it go, so it cannot be renamed or replaced
// meanwhile. Nothing existing: the full path, nothing held. False when the
// path is no drive path ("X:\...") or its existing part cannot be resolved
// or is reached through a link, a junction or a mapped drive.
bool ResolveDestination(IFileSystem& files, const CString& typed, CString& resolved, CEntryHandle& held);

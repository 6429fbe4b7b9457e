// Looking up a path, and the destination as the installer resolves it
// (the levels are made by CTrustedLevels, shell/FolderTrust.h).
#pragma once

#include "platform/CString.h"
#include "platform/Platform.h"

enum class PathKind { Missing, Folder, File };

// What a directory search finds at the path (the search is closed at once).
// A path with a wildcard (* or ?) is missing: it is no pattern here.
PathKind LookUpPath(IFileSystem& files, const CString& path);

// The destination as the installer uses it: the typed path made full, its
// deepest existing folder replaced by the path the system finally reaches
// it by (short names made long), the
// levels that do not exist yet appended as typed. That folder is held open
// in held until the caller lets it go, so it cannot be renamed or replaced
// meanwhile. Nothing existing: the full path, nothing held. False when the
// path is no drive path ("X:\...") or its existing part cannot be resolved
// or is reached through a link, a junction or a mapped drive.
bool ResolveDestination(IFileSystem& files, const CString& typed, CString& resolved, CEntryHandle& held);

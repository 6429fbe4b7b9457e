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
// folder the path names. Folders created before a failure stay.
int CreateDirectoryTree(IFileSystem& files, const CString& path);

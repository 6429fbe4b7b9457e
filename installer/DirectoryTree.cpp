#include "installer/DirectoryTree.h"

#include <string_view>

#include "installer/InstallList.h"

namespace {

// The end of the folder level that starts at i: the next backslash or the
// end of the path. The walk goes by whole Shift-JIS characters, so the
// second byte of ソ or 表 (0x5C) never ends a level.
std::size_t LevelEnd(std::string_view path, std::size_t i) {
  while (i < path.size() && path[i] != '\\') i += CharLengthAt(path, i);
  return i;
}

// A drive: a letter and a colon.
bool IsDrive(std::string_view part) {
  return part.size() == 2 && part[1] == ':' &&
         ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= 'a' && part[0] <= 'z'));
}

// Looks up one level (the path up to its end) and creates it when missing.
// rest is what follows the level in the path.
bool EnsureFolder(IFileSystem& files, const CString& level, std::string_view rest) {
  switch (LookUpPath(files, level)) {
    case PathKind::Folder:
      return true;
    case PathKind::File:
      return false;
    case PathKind::Missing:
      break;
  }
  // A folder the rest of the path climbs out of again is not part of the
  // folder the path names: for "C:\new\..\dest" only C:\dest is made.
  // The system resolves ".." by the text alone, so the walk goes on without it.
  if (ClimbsAboveStart(rest)) return true;
  return files.CreateDirectoryA(level) != FALSE;
}

}  // namespace

PathKind LookUpPath(IFileSystem& files, const CString& path) {
  // The search takes * and ? as wildcards and would report whatever other
  // entry they match. No name can hold them, so such a path names nothing.
  if (path.Find('*') >= 0 || path.Find('?') >= 0) return PathKind::Missing;
  CFindFile find(files);
  if (!find.FindFirst(path)) return PathKind::Missing;
  return find.IsFolder() ? PathKind::Folder : PathKind::File;
}

int CreateDirectoryTree(IFileSystem& files, const CString& path) {
  const std::string_view p = path.view();
  // The part before the first backslash: normally the drive (letter and
  // colon), which is never looked up or created. Anything else there is a
  // folder relative to the current one, and is checked like the others.
  std::size_t end = LevelEnd(p, 0);
  if (end > 0 && !IsDrive(p.substr(0, end)) && !EnsureFolder(files, CString(p.substr(0, end)), p.substr(end))) {
    return 0;
  }
  while (end < p.size()) {
    const std::size_t start = end;  // a backslash
    end = LevelEnd(p, start + 1);
    // Two backslashes in a row: the empty level between them names the
    // folder just walked, which is not looked up again.
    if (end == start + 1) continue;
    if (!EnsureFolder(files, CString(p.substr(0, end)), p.substr(end))) return 0;
  }
  return 1;
}

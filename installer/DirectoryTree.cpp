#include "installer/DirectoryTree.h"

#include <string_view>

#include "installer/HeldFolders.h"
#include "installer/InstallList.h"
#include "shell/FolderGuard.h"

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
// rest is what follows the level in the path. The level is then held open
// for the rest of the walk, and only when the system reaches it by that
// very path: a level that is (or was just replaced by) a link stops the
// walk, so no folder is ever made through one.
bool EnsureFolder(IFileSystem& files, HeldFolders& held, const CString& level, std::string_view rest) {
  switch (LookUpPath(files, level)) {
    case PathKind::Folder:
      return held.Hold(level);
    case PathKind::File:
      return false;
    case PathKind::Missing:
      break;
  }
  // A folder the rest of the path climbs out of again is not part of the
  // folder the path names: for "C:\new\..\dest" only C:\dest is made.
  // The system resolves ".." by the text alone, so the walk goes on without it.
  if (ClimbsAboveStart(rest)) return true;
  return files.CreateDirectoryA(level) != FALSE && held.Hold(level);
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
  HeldFolders held(files);
  // The part before the first backslash: normally the drive (letter and
  // colon), which is never looked up or created. Anything else there is a
  // folder relative to the current one, and is checked like the others.
  std::size_t end = LevelEnd(p, 0);
  if (end > 0 && !IsDrive(p.substr(0, end)) && !EnsureFolder(files, held, CString(p.substr(0, end)), p.substr(end))) {
    return 0;
  }
  while (end < p.size()) {
    const std::size_t start = end;  // a backslash
    end = LevelEnd(p, start + 1);
    // Two backslashes in a row: the empty level between them names the
    // folder just walked, which is not looked up again.
    if (end == start + 1) continue;
    if (!EnsureFolder(files, held, CString(p.substr(0, end)), p.substr(end))) return 0;
  }
  return 1;
}

bool ResolveDestination(IFileSystem& files, const CString& typed, CString& resolved, CEntryHandle& held) {
  held.Close();
  CString full;
  if (files.GetFullPathNameA(typed, full) == 0) return false;
  const std::string_view f = full.view();
  if (f.size() < 3 || !IsDrive(f.substr(0, 2)) || (f[2] != '\\' && f[2] != '/')) return false;
  // From the whole path upwards, the first folder that opens is the part
  // that exists.
  CString candidate = full;
  CString rest;
  for (;;) {
    // "X:" alone would be the drive's current folder, not its root.
    held.Reset(files.OpenFolderHandle(candidate.GetLength() == 2 ? candidate + "\\" : candidate));
    if (held.IsOpen()) break;
    const CString parent = FolderOf(candidate);
    if (parent.IsEmpty()) {
      resolved = full;
      return true;
    }
    const CString leaf = candidate.Mid(parent.GetLength() + 1);
    rest = rest.IsEmpty() ? leaf : leaf + "\\" + rest;
    candidate = parent;
  }
  // Reached through a link, a junction or a mapped drive (its long path
  // and its final path differ): refused. Whoever made the link chose where
  // the files go and what is registered, and that need not be the
  // administrator who installs.
  CString final;
  CString longPath;
  const CString spelled = candidate.GetLength() == 2 ? candidate + "\\" : candidate;
  if (!FinalFolderPath(files, held.get(), final) || files.GetLongPathNameA(spelled, longPath) == 0 ||
      !SameFolderPath(longPath, final)) {
    held.Close();
    return false;
  }
  resolved = rest.IsEmpty() ? final : final + "\\" + rest;
  return true;
}

#include "installer/DirectoryTree.h"

#include <string_view>

#include "installer/HeldFolders.h"
#include "shell/FolderGuard.h"
#include "shell/PathNames.h"

PathKind LookUpPath(IFileSystem& files, const CString& path) {
  // The search takes * and ? as wildcards and would report whatever other
  // entry they match. No name can hold them, so such a path names nothing.
  if (path.Find('*') >= 0 || path.Find('?') >= 0) return PathKind::Missing;
  CFindFile find(files);
  if (!find.FindFirst(path)) return PathKind::Missing;
  return find.IsFolder() ? PathKind::Folder : PathKind::File;
}

bool ResolveDestination(IFileSystem& files, const CString& typed, CString& resolved, CEntryHandle& held) {
  held.Close();
  CString full;
  if (files.GetFullPathNameA(typed, full) == 0) return false;
  const std::string_view f = full.view();
  if (f.size() < 3 || !IsDriveSpec(f.substr(0, 2)) || !IsSeparator(f[2])) return false;
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
    rest = JoinPath(leaf, rest);
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
  resolved = JoinPath(final, rest);
  return true;
}

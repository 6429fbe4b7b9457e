#include "installer/InstallList.h"

#include "shell/PathNames.h"

namespace {

// A level that names the parent folder. Windows resolves exactly ".."; a
// ".." followed only by spaces is taken as one too, since some path
// functions drop trailing spaces before resolving.
bool IsParentLevel(std::string_view level) {
  while (!level.empty() && level.back() == ' ') level.remove_suffix(1);
  return level == "..";
}

// The part of a folder line's R below the destination folder: R's first
// level is glued to the destination's own name, so only what follows the
// first separator counts. Empty when R has no separator.
std::string_view BelowGluedLevel(std::string_view r) {
  const std::size_t separator = NextSeparator(r);
  return separator == std::string_view::npos ? std::string_view() : r.substr(separator + 1);
}

}  // namespace

InstallList ReadInstallList(CTextFile& file) {
  InstallList list;
  CString entry;
  while (file.fgets(entry, kInstallListReadSize)) list.AddTail(std::move(entry));
  return list;
}

std::optional<InstallList> ReadInstallList(IFileSystem& files, const CString& path) {
  std::optional<CTextFile> file = CTextFile::Open(files, path, FileOpenMode::Read);
  if (!file) return std::nullopt;
  // A read that fails looks like the end of the file to the text stream;
  // the error code tells the two apart. A list read only in part would
  // install part of the CD and then report the installation complete.
  files.SetLastError(0);
  InstallList list = ReadInstallList(*file);
  if (files.GetLastError() != 0) return std::nullopt;
  return list;
}

std::string_view InstallEntryKindName(InstallEntryKind kind) {
  switch (kind) {
    case InstallEntryKind::Blank: return "blank";
    case InstallEntryKind::Folder: return "folder";
    case InstallEntryKind::File: return "file";
    case InstallEntryKind::CopyAs: return "copy-as";
    case InstallEntryKind::Outside: return "outside";
  }
  return "unknown";
}

bool ClimbsAboveStart(std::string_view relative) {
  int depth = 0;
  for (const std::string_view level : SplitPath(relative)) {
    if (IsParentLevel(level)) {
      if (--depth < 0) return true;
    } else if (level != ".") {
      ++depth;
    }
  }
  return false;
}

InstallAction MapInstallEntry(const CString& entry, const CString& drive, const CString& dest,
                              const CString& prefix) {
  InstallAction action;
  action.prefix = prefix;
  CString line = entry;
  line.TrimLeft();
  line.TrimRight();

  if (line.IsEmpty()) return action;

  if (line[0] == '*') {
    action.kind = InstallEntryKind::Folder;
    const CString r = line.Mid(1);
    action.prefix = r;
    if (r.IsEmpty()) return action;
    action.folder = dest + r;
    action.glued = !IsSeparator(r[0]);
    action.unsafe = action.glued || ClimbsAboveStart(BelowGluedLevel(r.view()));
    action.prefix = (r + "\\").Mid(1);
    return action;
  }

  const int firstTab = line.Find('\t');
  if (firstTab >= 0) {
    action.kind = InstallEntryKind::CopyAs;
    const CString s = line.Left(firstTab);
    const CString t = line.Mid(line.ReverseFind('\t') + 1);
    action.source = drive + ":\\HTML\\" + prefix + s;
    action.destination = dest + "\\" + prefix + t;
    action.unsafe = ClimbsAboveStart((prefix + t).view());
    return action;
  }

  if (line[0] == '.') {
    action.kind = InstallEntryKind::Outside;
    // Shorter lines ("." or "..") leave Q empty.
    const CString q = line.Mid(3);
    const int lastBackslash = q.ReverseFind('\\');
    const CString b = lastBackslash >= 0 ? q.Mid(lastBackslash + 1) : CString();
    action.source = drive + ":\\" + q;
    action.destination = dest + "\\" + prefix + b;
    action.unsafe = ClimbsAboveStart((prefix + b).view());
    return action;
  }

  action.kind = InstallEntryKind::File;
  action.source = drive + ":\\HTML\\" + prefix + line;
  action.destination = dest + "\\" + prefix + line;
  action.unsafe = ClimbsAboveStart((prefix + line).view());
  return action;
}

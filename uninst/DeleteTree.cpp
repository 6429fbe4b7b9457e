#include "uninst/DeleteTree.h"

#include <string>
#include <vector>

#include "platform/framework/Afx.h"
#include "shell/FolderGuard.h"
#include "shell/Names.h"
#include "shell/PathNames.h"

namespace {

// A subfolder (or a link to one) could not be removed: the system's text for
// the error, in a message box with an OK button, and the walk goes on.
void ReportFailedRemoval(PlatformServices& platform, DWORD code) {
  AfxMessageBox(platform, ErrorText(platform.Files(), code), MB_OK);
}

// Deletes an open subfolder (or link) and closes it; reports a failure.
void RemoveOpenSubfolder(PlatformServices& platform, CEntryHandle& entry) {
  IFileSystem& files = platform.Files();
  if (!files.DeleteByHandle(entry.get())) {
    ReportFailedRemoval(platform, files.GetLastError());
    return;
  }
  entry.Close();
}

bool StartsWithDot(const CString& name) { return name.GetLength() > 0 && name.GetAt(0) == '.'; }
bool IsUninstaller(const CString& name) { return MbsICmp(name.view(), names::kUninstaller) == 0; }

// How deep the walk goes below the folder given. Opened relative to their
// folders, entries have no path length to stop at; a tree deeper than any
// path the installer could make (MAX_PATH allows about 130 levels) is
// someone's doing, and the walk stops there as at a file it cannot delete
// instead of running out of stack.
constexpr int kMaxDepth = 200;

// Empties the open folder: every entry is opened relative to the folder's
// handle without following a link, and deleted through its own handle, so
// no rename anywhere can send a deletion elsewhere. Returns as DeleteTree.
int EmptyFolder(PlatformServices& platform, INT_PTR folder, int depth) {
  IFileSystem& files = platform.Files();
  if (depth > kMaxDepth) {
    files.SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  std::vector<FolderEntry> entries;
  // A folder that cannot be listed yields no entry.
  if (!files.ListFolderHandle(folder, entries)) return 1;
  const ListedFolder listedFolder(files, folder);
  for (const FolderEntry& listed : entries) {
    const CString& name = listed.name;
    const bool listedAsFolder = (listed.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // Spared without being opened: folders whose names begin with a dot,
    // and the uninstaller itself.
    if (listedAsFolder ? StartsWithDot(name) : IsUninstaller(name)) continue;
    // A name that cannot be used exactly never reaches the system: a folder
    // is reported, a file stops the walk.
    if (!IsExactEntryName(name)) {
      if (listedAsFolder) {
        ReportFailedRemoval(platform, ERROR_INVALID_NAME);
        continue;
      }
      files.SetLastError(ERROR_INVALID_NAME);
      return 0;
    }
    // What the entry is, the listing does not decide: it may have been
    // replaced since. An entry that cannot be opened is handled like one
    // that cannot be deleted.
    CEntryHandle entry(files, -1);
    const OpenedAs opened = OpenListedEntry(files, listedFolder, listed, entry);
    if (opened == OpenedAs::Failed) {
      if (!listedAsFolder) return 0;
      ReportFailedRemoval(platform, files.GetLastError());
      continue;
    }
    if (opened == OpenedAs::File) {
      if (IsUninstaller(name)) continue;
      if (!files.DeleteByHandle(entry.get())) return 0;
      entry.Close();
      continue;
    }
    if (StartsWithDot(name)) continue;
    // A link to a folder is never entered: only the link goes, and only
    // through a handle that is the link's.
    if (opened == OpenedAs::Link) {
      RemoveOpenSubfolder(platform, entry);
      continue;
    }
    if (opened == OpenedAs::LinkNotReached) {
      ReportFailedRemoval(platform, ERROR_NOT_A_REPARSE_POINT);
      continue;
    }
    if (EmptyFolder(platform, entry.get(), depth + 1) == 0) return 0;
    RemoveOpenSubfolder(platform, entry);
  }
  return 1;
}

// The entry's handle reaches the folder's own path and the listed name.
bool ReachedByItsName(IFileSystem& files, const ListedFolder& folder, const CString& name, INT_PTR entry) {
  CString entryPath;
  return folder.pathRead && FinalFolderPath(files, entry, entryPath) &&
         SameFolderPath(entryPath, JoinPath(folder.path, name));
}

}  // namespace

CString ErrorText(IFileSystem& files, DWORD code) {
  CString text = files.FormatMessageA(code);
  if (text.IsEmpty()) text = CString("エラー ") + std::to_string(code);
  return text;
}

ListedFolder::ListedFolder(IFileSystem& files, INT_PTR folder) : handle(folder) {
  if (files.RunsUnderWine()) pathRead = FinalFolderPath(files, folder, path);
}

OpenedAs OpenListedEntry(IFileSystem& files, const ListedFolder& folder, const FolderEntry& listed,
                         CEntryHandle& entry) {
  entry.Reset(files.OpenEntryAt(folder.handle, listed.name));
  if (!entry.IsOpen()) return OpenedAs::Failed;
  const DWORD own = files.GetHandleAttributes(entry.get());
  if (own == INVALID_FILE_ATTRIBUTES) return OpenedAs::Failed;
  // Another entry took the name since the listing (a system whose handles
  // follow links gives the target's number for a link put there).
  std::uint64_t id = 0;
  if (listed.fileId != 0 && files.GetHandleFileId(entry.get(), id) && id != 0 && id != listed.fileId) {
    files.SetLastError(ERROR_FILE_NOT_FOUND);
    return OpenedAs::Failed;
  }
  const bool folderHandle = (own & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (folderHandle && (own & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return OpenedAs::Link;
  if (folderHandle && (listed.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return OpenedAs::LinkNotReached;
  // Where handles follow links whatever the open asks (Wine), a link to a
  // file opens as its target and lists as a plain file with the target's
  // number: only the path the handle reaches tells. Windows opens a link
  // as itself.
  if (files.RunsUnderWine() && !ReachedByItsName(files, folder, listed.name, entry.get())) {
    files.SetLastError(ERROR_FILE_NOT_FOUND);
    return OpenedAs::Failed;
  }
  return folderHandle ? OpenedAs::Folder : OpenedAs::File;
}

bool IsExactEntryName(const CString& name) {
  const std::string_view s = name.view();
  // No separator, wildcard or other reserved character, no dot entry.
  if (!IsSingleEntryName(s)) return false;
  for (std::size_t i = 0; i < s.size(); i += CharLengthAt(s, i)) {
    const auto c = static_cast<unsigned char>(s[i]);
    // A lead byte without its second byte is no character.
    if (IsLeadByte(c) && i + 1 >= s.size()) return false;
    if (c < 0x20) return false;
  }
  // Windows would drop a trailing dot or space and reach another entry.
  return !EndsInDotOrSpace(s);
}

int DeleteTree(PlatformServices& platform, const CString& folder) {
  IFileSystem& files = platform.Files();
  // Held open for the whole walk, without delete sharing: the folder cannot
  // be renamed or replaced while it is emptied. One that cannot be opened
  // yields no entry.
  CEntryHandle top(files, files.OpenFolderHandle(folder));
  if (!top.IsOpen()) return 1;
  return DeleteTree(platform, top.get());
}

int DeleteTree(PlatformServices& platform, INT_PTR folder) { return EmptyFolder(platform, folder, 1); }

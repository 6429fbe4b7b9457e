#include "shell/FolderGuard.h"

#include <string_view>
#include <vector>

#include "platform/framework/Afx.h"
#include "shell/PathNames.h"

namespace {

// The system's and the user's own folders, asked of the shell: a folder
// that is one of them, or holds one, is never emptied. Program Files and
// Common Files (both kinds), ProgramData, the user's profile, Public's
// documents, the user's Desktop, Documents, AppData (roaming and local),
// Start menu and Programs, and the same for all users.
constexpr int kGuardedFolders[] = {
    CSIDL_PROGRAM_FILES,
    CSIDL_PROGRAM_FILESX86,
    CSIDL_PROGRAM_FILES_COMMON,
    CSIDL_PROGRAM_FILES_COMMONX86,
    CSIDL_COMMON_APPDATA,
    CSIDL_PROFILE,
    CSIDL_COMMON_DOCUMENTS,
    CSIDL_DESKTOPDIRECTORY,
    CSIDL_PERSONAL,
    CSIDL_APPDATA,
    CSIDL_LOCAL_APPDATA,
    CSIDL_STARTMENU,
    CSIDL_PROGRAMS,
    CSIDL_COMMON_DESKTOPDIRECTORY,
    CSIDL_COMMON_STARTMENU,
    CSIDL_COMMON_PROGRAMS,
};

// A path taken apart for comparison: the "\\?\" and "\\.\" prefixes are
// dropped ("\\?\UNC\" becoming "\\"), then it is split at every backslash
// or slash, double-byte characters kept whole, empty parts dropped. A drive
// path starts with its "X:", a network path with its server and share.
struct PathParts {
  bool network = false;
  std::vector<CString> parts;
};

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && MbsICmp(s.substr(0, prefix.size()), prefix) == 0;
}

PathParts Split(const CString& path) {
  std::string_view s = path.view();
  PathParts result;
  if (StartsWithNoCase(s, "\\\\?\\") || StartsWithNoCase(s, "\\\\.\\")) {
    s.remove_prefix(4);
    if (StartsWithNoCase(s, "UNC\\")) {
      s.remove_prefix(4);
      result.network = true;
    }
  } else if (s.size() >= 2 && IsSeparator(s[0]) && IsSeparator(s[1])) {
    result.network = true;
  }
  for (const std::string_view level : SplitPath(s)) result.parts.emplace_back(level);
  return result;
}

// How many leading parts name the volume: "X:", or a server and its share.
std::size_t VolumeParts(const PathParts& p) { return p.network ? 2 : 1; }

// A full path the comparisons can rely on: a drive or a network share first,
// no "." or ".." parts and no part that Windows would shorten (a trailing dot
// or space).
bool IsPlainFullPath(const PathParts& p) {
  if (!p.network && (p.parts.empty() || !IsDriveSpec(p.parts.front().view()))) return false;
  for (std::size_t i = p.network ? 0 : 1; i < p.parts.size(); ++i) {
    const std::string_view s = p.parts[i].view();
    if (s == "." || s == ".." || EndsInDotOrSpace(s)) return false;
  }
  return true;
}

// True when every part of prefix equals the same part of path, ignoring case.
bool StartsWithParts(const PathParts& path, const PathParts& prefix) {
  return !prefix.parts.empty() && path.network == prefix.network &&
         StartsWithLevels(path.parts, prefix.parts);
}

// A folder of the system's as it is finally reached, like the folder it is
// compared with; one that cannot be opened (it does not exist) as spelled.
PathParts Resolved(IFileSystem& files, const CString& path) {
  CEntryHandle folder(files, files.OpenFolderHandle(path));
  CString final;
  if (folder.IsOpen() && FinalFolderPath(files, folder.get(), final)) return Split(final);
  return Split(path);
}

// The folders a refusal covers: the shell's guarded folders, and on the
// folder's own volume "Program Files" and "Program Files (x86)" whatever the
// shell says.
std::vector<PathParts> GuardedFolders(PlatformServices& platform, const PathParts& folder) {
  std::vector<PathParts> found;
  for (const int csidl : kGuardedFolders) {
    CString path;
    if (platform.Shell().SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE) && !path.IsEmpty()) {
      found.push_back(Resolved(platform.Files(), path));
    }
  }
  CString volume = folder.parts.front();
  for (const char* name : {"Program Files", "Program Files (x86)"}) {
    found.push_back(Resolved(platform.Files(), JoinPath(volume, name)));
  }
  return found;
}

}  // namespace

bool FinalFolderPath(IFileSystem& files, INT_PTR folder, CString& path) {
  CString final;
  if (files.GetFinalPathNameByHandleA(folder, final) == 0) return false;
  std::string_view s = final.view();
  if (StartsWithNoCase(s, "\\\\?\\UNC\\")) {
    path = CString("\\\\") + CString(s.substr(8));
  } else if (StartsWithNoCase(s, "\\\\?\\")) {
    path = CString(s.substr(4));
  } else {
    path = final;
  }
  // A drive's root keeps only its "X:", as no other folder has a trailing
  // backslash.
  if (path.GetLength() == 3 && path.GetAt(1) == ':' && path.GetAt(2) == '\\') path = path.Left(2);
  return true;
}

FolderVerdict JudgeFolder(PlatformServices& platform, const CString& finalPath) {
  const PathParts folder = Split(finalPath);
  // A share is no place to install into or to empty: what it holds is
  // another machine's, and its path cannot be judged here.
  if (folder.network || !IsPlainFullPath(folder)) return FolderVerdict::Guarded;
  if (folder.parts.size() <= 1) return FolderVerdict::DriveRoot;
  IFileSystem& files = platform.Files();
  CString windows;
  if (files.GetWindowsDirectoryA(windows) != 0 && StartsWithParts(folder, Resolved(files, windows))) {
    return FolderVerdict::Guarded;
  }
  // A guarded folder itself, or one that holds it (C:\\Users holds every
  // profile), is refused; what is inside one (a program's own folder in
  // Program Files or in Documents) is not.
  for (const PathParts& guarded : GuardedFolders(platform, folder)) {
    if (IsPlainFullPath(guarded) && StartsWithParts(guarded, folder)) return FolderVerdict::Guarded;
  }
  // Every profile: the folders beside the user's own in the Users folder.
  CString profile;
  if (platform.Shell().SHGetSpecialFolderPathA(nullptr, profile, CSIDL_PROFILE, FALSE) &&
      !profile.IsEmpty()) {
    PathParts users = Resolved(files, profile);
    if (IsPlainFullPath(users) && users.parts.size() > VolumeParts(users) + 1) {
      users.parts.pop_back();
      if (folder.parts.size() == users.parts.size() + 1 && StartsWithParts(folder, users)) {
        return FolderVerdict::Guarded;
      }
    }
  }
  return FolderVerdict::Allowed;
}

bool SameFolderPath(const CString& a, const CString& b) {
  const PathParts x = Split(a);
  const PathParts y = Split(b);
  return x.parts.size() == y.parts.size() && StartsWithParts(x, y);
}

std::vector<CString> DrivePathLevels(const CString& path) {
  PathParts p = Split(path);
  if (p.network || !IsPlainFullPath(p)) return {};
  return std::move(p.parts);
}

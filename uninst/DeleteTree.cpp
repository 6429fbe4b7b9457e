#include "uninst/DeleteTree.h"

#include <string>

#include "platform/framework/Afx.h"
#include "shell/Names.h"

namespace {

// A subfolder (or a link to one) could not be removed: the system's text for
// the error, in a message box with an OK button, and the walk goes on.
void ReportFailedRemoval(PlatformServices& platform, DWORD code) {
  AfxMessageBox(platform, ErrorText(platform.Files(), code), MB_OK);
}

// Removes a subfolder (or a link) and reports a failure.
void RemoveSubfolder(PlatformServices& platform, const CString& path) {
  IFileSystem& files = platform.Files();
  if (!files.RemoveDirectoryA(path)) ReportFailedRemoval(platform, files.GetLastError());
}

}  // namespace

CString ErrorText(IFileSystem& files, DWORD code) {
  CString text = files.FormatMessageA(code);
  if (text.IsEmpty()) text = CString("エラー ") + std::to_string(code);
  return text;
}

bool IsExactEntryName(const CString& name) {
  const std::string_view s = name.view();
  if (s.empty()) return false;
  for (std::size_t i = 0; i < s.size(); i += CharLengthAt(s, i)) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (IsLeadByte(c)) {
      // A lead byte without its second byte is no character.
      if (i + 1 >= s.size()) return false;
      continue;
    }
    if (c < 0x20) return false;
    switch (c) {
      case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
        return false;
      default:
        break;
    }
  }
  // Windows drops trailing dots and spaces from a path's last component, so
  // such a name would address another entry (or the folder itself). Neither
  // byte can be the second byte of a double-byte character.
  if (s.back() == '.' || s.back() == ' ') return false;
  return true;
}

int DeleteTree(PlatformServices& platform, const CString& folder) {
  IFileSystem& files = platform.Files();
  CFindFile find(files);
  // Entries are deleted while this search is open; it closes on every return.
  for (bool more = find.FindFirst(folder + "\\*.*"); more; more = find.FindNext()) {
    const CString name = find.Name();
    const CString path = folder + "\\" + name;
    if (find.IsFolder()) {
      // ".", ".." and every folder whose name begins with a dot stay untouched.
      if (name.GetLength() > 0 && name.GetAt(0) == '.') continue;
      if (!IsExactEntryName(name)) {
        ReportFailedRemoval(platform, ERROR_INVALID_NAME);
        continue;
      }
      // A link to a folder elsewhere: never entered, only the link goes.
      if (find.IsReparsePoint()) {
        RemoveSubfolder(platform, path);
        continue;
      }
      if (DeleteTree(platform, path) == 0) return 0;
      RemoveSubfolder(platform, path);
    } else {
      if (MbsICmp(name.view(), names::kUninstaller) == 0) continue;
      if (!IsExactEntryName(name)) {
        files.SetLastError(ERROR_INVALID_NAME);
        return 0;
      }
      if (!files.DeleteFileA(path)) return 0;
    }
  }
  return 1;
}

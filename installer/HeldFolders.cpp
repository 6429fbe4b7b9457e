#include "installer/HeldFolders.h"

#include <string_view>

#include "shell/FolderGuard.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// True when the last character is a separator (never the second byte of
// ソ or 表, which is 0x5C).
bool EndsWithSeparator(std::string_view s) {
  bool separator = false;
  for (std::size_t i = 0; i < s.size(); i += CharLengthAt(s, i)) separator = IsSeparator(s[i]);
  return separator;
}

}  // namespace

bool HeldFolders::Hold(const CString& path) {
  CString full;
  if (m_files.GetFullPathNameA(path, full) == 0) return false;
  if (m_paths.count(full.str()) != 0) return true;
  CEntryHandle& folder = m_held.emplace_back(m_files, m_files.OpenFolderHandle(full));
  CString final;
  if (!folder.IsOpen() || !FinalFolderPath(m_files, folder.get(), final)) {
    m_held.pop_back();
    return false;
  }
  if (!SameFolderPath(final, full)) {
    m_held.pop_back();
    m_files.SetLastError(ERROR_CANT_RESOLVE_FILENAME);
    return false;
  }
  m_paths.insert(full.str());
  return true;
}

bool HeldFolders::HoldBelow(const CString& base, const CString& path) {
  CString fullBase;
  CString full;
  if (m_files.GetFullPathNameA(base, fullBase) == 0 || m_files.GetFullPathNameA(path, full) == 0) return false;
  const std::string_view p = full.view();
  std::size_t i = fullBase.view().size();
  // Below the base: its path, then a separator (a root ends in one already).
  if (MbsICmp(p.substr(0, i), fullBase.view()) != 0 ||
      (i < p.size() && !IsSeparator(p[i]) && !EndsWithSeparator(fullBase.view()))) {
    m_files.SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  while (i < p.size()) {
    while (i < p.size() && IsSeparator(p[i])) ++i;
    while (i < p.size() && !IsSeparator(p[i])) i += CharLengthAt(p, i);
    if (!Hold(CString(p.substr(0, i)))) return false;
  }
  return true;
}

CString FolderOf(const CString& path) {
  const std::string_view p = path.view();
  std::size_t last = std::string_view::npos;
  for (std::size_t i = 0; i < p.size(); i += CharLengthAt(p, i)) {
    if (IsSeparator(p[i]) && i + 1 < p.size() && !IsSeparator(p[i + 1])) last = i;
  }
  return last == std::string_view::npos ? CString() : CString(p.substr(0, last));
}

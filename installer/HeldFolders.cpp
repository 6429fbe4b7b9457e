#include "installer/HeldFolders.h"

#include <string_view>

#include "shell/FolderGuard.h"
#include "shell/PathNames.h"

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

CString FolderOf(const CString& path) {
  const std::string_view p = path.view();
  std::size_t last = std::string_view::npos;
  for (std::size_t i = NextSeparator(p); i != std::string_view::npos; i = NextSeparator(p, i + 1)) {
    if (i + 1 < p.size() && !IsSeparator(p[i + 1])) last = i;
  }
  return last == std::string_view::npos ? CString() : CString(p.substr(0, last));
}

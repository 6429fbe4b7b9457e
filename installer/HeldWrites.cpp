#include "installer/HeldWrites.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

#include "shell/FolderGuard.h"
#include "shell/PathNames.h"

namespace {

// Tried in turn for a file's scratch name, until one is free.
constexpr int kScratchNames = 10;
constexpr std::size_t kCopyChunk = 256 * 1024;
// MAX_PATH: the longest path, with its terminator, the calls by path take.
constexpr int kMaxPath = 260;

}  // namespace

bool HeldTree::Hold(const CString& path) {
  CString full;
  if (!m_top.empty() || m_files.GetFullPathNameA(path, full) == 0) return false;
  const auto it = m_held.try_emplace(full.str(), m_files, m_files.OpenFolderHandle(full)).first;
  CString final;
  if (!it->second.handle.IsOpen() || !FinalFolderPath(m_files, it->second.handle.get(), final)) {
    m_held.erase(it);
    return false;
  }
  if (!SameFolderPath(final, full)) {
    m_held.erase(it);
    m_files.SetLastError(ERROR_CANT_RESOLVE_FILENAME);
    return false;
  }
  m_top = full.str();
  return true;
}

bool HeldTree::HoldFolder(const CString& path, bool create) { return Open(path, create) != nullptr; }

const HeldTree::Level* HeldTree::Open(const CString& path, bool create) {
  CString full;
  if (m_top.empty() || m_files.GetFullPathNameA(path, full) == 0) return nullptr;
  const std::string_view p = full.view();
  std::size_t i = m_top.size();
  // Below the top: its path, then a separator.
  if (MbsICmp(p.substr(0, i), m_top) != 0 || (i < p.size() && !IsSeparator(p[i]))) {
    m_files.SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const Level* level = &m_held.at(m_top);
  while (true) {
    while (i < p.size() && IsSeparator(p[i])) ++i;
    const std::size_t start = i;
    i = std::min(NextSeparator(p, i), p.size());
    if (start == i) return level;
    const std::string key(p.substr(0, i));
    if (const auto held = m_held.find(key); held != m_held.end()) {
      level = &held->second;
      continue;
    }
    const INT_PTR parent = level->handle.get();
    const CString name(p.substr(start, i - start));
    const bool last = p.find_first_not_of("\\/", i) == std::string_view::npos;
    INT_PTR handle = create && last ? m_files.CreateFolderAt(parent, name, nullptr) : -1;
    const bool made = handle != -1;
    if (!made && (!create || !last || m_files.GetLastError() == ERROR_ALREADY_EXISTS)) {
      handle = m_files.OpenFolderAt(parent, name);
    }
    const auto it = m_held.try_emplace(key, m_files, handle).first;
    if (!it->second.handle.IsOpen()) {
      m_held.erase(it);
      return nullptr;
    }
    // What was there already is taken only as a folder of its own, never
    // as a link (Windows opens the link itself; under Wine its path shows it).
    if (!made) {
      const DWORD attributes = m_files.GetHandleAttributes(handle);
      if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
          (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || !ReachedAsNamed(handle, key)) {
        m_held.erase(it);
        m_files.SetLastError(ERROR_CANT_RESOLVE_FILENAME);
        return nullptr;
      }
    }
    level = &it->second;
  }
}

bool HeldTree::ReachedAsNamed(INT_PTR entry, std::string_view expected) {
  if (!m_files.RunsUnderWine()) return true;
  CString final;
  return FinalFolderPath(m_files, entry, final) && SameFolderPath(final, CString(expected));
}

bool HeldTree::MayReplace(const Level& folder, std::string_view folderPath, const CString& name) {
  CEntryHandle entry(m_files, m_files.OpenEntryAt(folder.handle.get(), name));
  if (!entry.IsOpen()) return false;
  // A read-only file is refused by the rename itself.
  constexpr DWORD kKept =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  const DWORD attributes = m_files.GetHandleAttributes(entry.get());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & kKept) == 0 &&
         ReachedAsNamed(entry.get(), JoinPath(CString(folderPath), name).view());
}

HeldWrite HeldTree::WriteFile(const CString& path, const std::function<bool(INT_PTR)>& fill) {
  CString full;
  // A file the system could not reach by its path is not written.
  if (m_files.GetFullPathNameA(path, full) == 0 || full.GetLength() >= kMaxPath) return HeldWrite::Refused;
  const std::size_t separator = LastSeparator(full.view());
  if (separator == std::string_view::npos || separator + 1 == full.view().size()) return HeldWrite::Refused;
  const std::string_view folderPath = full.view().substr(0, separator);
  const CString name(full.view().substr(separator + 1));
  const Level* folder = Open(CString(folderPath), false);
  if (folder == nullptr) return HeldWrite::Refused;

  CEntryHandle scratch(m_files, -1);
  for (int n = 0; n < kScratchNames && !scratch.IsOpen(); ++n) {
    scratch.Reset(m_files.CreateFileAt(folder->handle.get(), "~inst" + std::to_string(n) + ".tmp"));
    if (!scratch.IsOpen() && m_files.GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  if (!scratch.IsOpen()) return HeldWrite::NotWritten;
  const auto discard = [&](HeldWrite result) {
    m_files.DeleteByHandle(scratch.get());
    scratch.Close();
    return result;
  };
  if (!fill(scratch.get())) return discard(HeldWrite::NotFilled);
  // Nothing new is read-only; a failure here is no reason to stop.
  m_files.SetHandleAttributes(scratch.get(), FILE_ATTRIBUTE_NORMAL);
  if (m_files.RenameByHandle(scratch.get(), folder->handle.get(), name, FALSE)) return HeldWrite::Done;
  if (m_files.GetLastError() != ERROR_ALREADY_EXISTS) return discard(HeldWrite::NotWritten);
  if (!MayReplace(*folder, folderPath, name) ||
      !m_files.RenameByHandle(scratch.get(), folder->handle.get(), name, TRUE)) {
    return discard(HeldWrite::Refused);
  }
  return HeldWrite::Done;
}

HeldWrite HeldTree::CopyFile(const CString& source, const CString& path) {
  return WriteFile(path, [&](INT_PTR file) {
    const std::unique_ptr<IFileStream> in = m_files.OpenFile(source, FileOpenMode::Read);
    if (!in) return false;
    // One buffer for every copy: a fresh one each time costs the system a
    // mapping and an unmapping per file.
    m_chunk.resize(kCopyChunk);
    // A read that fails looks like the end; the error code tells them apart.
    m_files.SetLastError(0);
    while (const std::size_t n = in->Read(m_chunk.data(), m_chunk.size())) {
      if (!m_files.WriteByHandle(file, m_chunk.data(), n)) return false;
    }
    return m_files.GetLastError() == 0;
  });
}

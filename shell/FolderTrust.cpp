#include "shell/FolderTrust.h"

#include "shell/FolderGuard.h"

namespace trust {
namespace {

constexpr char kSystem[] = "S-1-5-18";
constexpr char kAdministrators[] = "S-1-5-32-544";
constexpr char kTrustedInstaller[] = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
// The user a Wine prefix runs as, whose every file it reports as owned by it.
constexpr char kWineUser[] = "S-1-5-21-0-0-0-1000";
constexpr char kCreatorOwner[] = "S-1-3-0";
constexpr char kCreatorGroup[] = "S-1-3-1";
constexpr char kOwnerRights[] = "S-1-3-4";

bool ExactlyOutsideRead(DWORD grants) { return (grants & ~kReadAndRun) != 0; }

}  // namespace

bool IsTrustedAccount(std::string_view sid, bool underWine) {
  return sid == kSystem || sid == kAdministrators || sid == kTrustedInstaller ||
         (underWine && sid == kWineUser);
}

DWORD MapFileRights(DWORD mask) {
  DWORD mapped = mask & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
  if (mask & GENERIC_READ) mapped |= FILE_GENERIC_READ;
  if (mask & GENERIC_WRITE) mapped |= FILE_GENERIC_WRITE;
  if (mask & GENERIC_EXECUTE) mapped |= FILE_GENERIC_EXECUTE;
  if (mask & GENERIC_ALL) mapped |= FILE_ALL_ACCESS;
  return mapped;
}

DWORD Grants(const EntrySecurity& security, bool underWine) {
  if (security.nullDacl) return FILE_ALL_ACCESS;
  DWORD grants = 0;
  for (const AccessEntry& entry : security.dacl) {
    if (!entry.allow || (entry.flags & INHERIT_ONLY_ACE) != 0) continue;
    if (entry.sid == kCreatorOwner || entry.sid == kCreatorGroup) continue;
    const std::string_view who = entry.sid == kOwnerRights ? std::string_view(security.owner) : entry.sid;
    if (!IsTrustedAccount(who, underWine)) grants |= MapFileRights(entry.mask);
  }
  return grants;
}

DWORD InheritedGrants(const EntrySecurity& security, BYTE inheritFlag, bool underWine) {
  if (security.nullDacl) return FILE_ALL_ACCESS;
  DWORD grants = 0;
  for (const AccessEntry& entry : security.dacl) {
    if (!entry.allow || (entry.flags & inheritFlag) == 0) continue;
    if (entry.sid == kCreatorOwner) continue;  // the new entry's owner: Administrators
    const bool outside =
        entry.sid == kCreatorGroup || entry.sid == kOwnerRights || !IsTrustedAccount(entry.sid, underWine);
    if (outside) grants |= MapFileRights(entry.mask);
  }
  return grants;
}

bool RootIsTrusted(const EntrySecurity& security, bool underWine) {
  return IsTrustedAccount(security.owner, underWine) &&
         (Grants(security, underWine) & (WRITE_DAC | WRITE_OWNER | FILE_DELETE_CHILD)) == 0;
}

bool LevelIsTrusted(const EntrySecurity& security, bool underWine) {
  return IsTrustedAccount(security.owner, underWine) && !ExactlyOutsideRead(Grants(security, underWine));
}

bool InheritanceIsTrusted(const EntrySecurity& security, bool underWine) {
  return !ExactlyOutsideRead(InheritedGrants(security, OBJECT_INHERIT_ACE, underWine)) &&
         !ExactlyOutsideRead(InheritedGrants(security, CONTAINER_INHERIT_ACE, underWine));
}

bool FileIsTrusted(IFileSystem& files, INT_PTR file) {
  const DWORD attributes = files.GetHandleAttributes(file);
  EntrySecurity security;
  DWORD links = 0;
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
         files.GetHandleSecurity(file, security) && IsTrustedAccount(security.owner, files.RunsUnderWine()) &&
         files.GetHandleLinkCount(file, links) && links == 1;
}

}  // namespace trust

namespace {

// Deeper than any path the installer could make; a tree deeper still is
// someone's doing and is not judged to the end, so it is not trusted.
constexpr int kMaxDepth = 200;

// What an open of a level answers when there is no folder of that name to
// judge: nothing, a file, or a name no folder can have.
bool IsNoFolder(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY ||
         error == ERROR_INVALID_NAME || error == ERROR_FILENAME_EXCED_RANGE;
}

}  // namespace

bool CTrustedLevels::Judge(INT_PTR level, const CString& expected, bool root) {
  const bool wine = m_files.RunsUnderWine();
  const DWORD attributes = m_files.GetHandleAttributes(level);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return false;
  }
  // Where handles follow links whatever the open asks, a link shows only
  // in the path the handle reaches.
  CString final;
  if (wine && (!FinalFolderPath(m_files, level, final) || !SameFolderPath(final, expected))) return false;
  EntrySecurity security;
  if (!m_files.GetHandleSecurity(level, security)) return false;
  return root ? trust::RootIsTrusted(security, wine) : trust::LevelIsTrusted(security, wine);
}

bool CTrustedLevels::JudgeContents(INT_PTR folder, const CString& path, int depth) {
  const bool wine = m_files.RunsUnderWine();
  EntrySecurity security;
  if (depth > kMaxDepth || !m_files.GetHandleSecurity(folder, security) ||
      !trust::InheritanceIsTrusted(security, wine)) {
    return false;
  }
  std::vector<FolderEntry> entries;
  if (!m_files.ListFolderHandle(folder, entries)) return false;
  for (const FolderEntry& listed : entries) {
    CEntryHandle entry(m_files, m_files.OpenEntryAt(folder, listed.name));
    if (!entry.IsOpen()) return false;
    const DWORD attributes = m_files.GetHandleAttributes(entry.get());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
      return false;
    const CString entryPath = path + "\\" + listed.name;
    CString final;
    if (wine && (m_files.GetFinalPathNameByHandleA(entry.get(), final) == 0 ||
                 !SameFolderPath(final, CString("\\\\?\\") + entryPath))) {
      return false;
    }
    EntrySecurity own;
    if (!m_files.GetHandleSecurity(entry.get(), own) || !trust::LevelIsTrusted(own, wine)) return false;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      if (!JudgeContents(entry.get(), entryPath, depth + 1)) return false;
      continue;
    }
    DWORD links = 0;
    if (!m_files.GetHandleLinkCount(entry.get(), links) || links != 1) return false;
  }
  return true;
}

bool CTrustedLevels::Open(const CString& path) {
  if (!OpenLevels(path)) return false;
  if (Complete() && !JudgeContents(Deepest(), m_heldPath, 1)) {
    Release();
    return false;
  }
  return true;
}

bool CTrustedLevels::OpenLevels(const CString& path) {
  Release();
  const std::vector<CString> levels = DrivePathLevels(path);
  if (levels.empty()) return false;
  const CString root = levels.front() + "\\";
  DWORD flags = 0;
  // Wine 8 reports FILE_PERSISTENT_ACLS for its drives too (access lists
  // made from the Unix permissions): its C: passes as the NTFS drive it
  // stands for.
  if (m_drives.GetDriveTypeA(root) != DRIVE_FIXED) return false;
  CEntryHandle& top = m_held.emplace_back(m_files, m_files.OpenFolderHandle(root));
  if (!top.IsOpen() || !m_files.GetHandleVolumeFlags(top.get(), flags) ||
      (flags & FILE_PERSISTENT_ACLS) == 0 || !Judge(top.get(), levels.front(), true)) {
    Release();
    return false;
  }
  m_heldPath = levels.front();
  for (std::size_t i = 1; i < levels.size(); ++i) {
    const CString expected = m_heldPath + "\\" + levels[i];
    const INT_PTR level = m_files.OpenFolderAt(Deepest(), levels[i]);
    if (level == -1) {
      const DWORD error = m_files.GetLastError();
      // What is not there yet is made later; a file in the way or a name
      // no folder can have is the caller's to report.
      if (IsNoFolder(error)) {
        m_missing.assign(levels.begin() + static_cast<std::ptrdiff_t>(i), levels.end());
        return true;
      }
      Release();
      return false;
    }
    CEntryHandle& held = m_held.emplace_back(m_files, level);
    if (!Judge(held.get(), expected, false)) {
      Release();
      return false;
    }
    m_heldPath = expected;
  }
  return true;
}

bool CTrustedLevels::CreateMissing() {
  if (m_held.empty()) return false;
  for (std::size_t i = 0; i < m_missing.size(); ++i) {
    const CString& name = m_missing[i];
    const CString expected = m_heldPath + "\\" + name;
    INT_PTR level = m_files.CreateFolderAt(Deepest(), name, trust::kAdminsOnlySddl);
    if (level != -1) {
      m_held.emplace_back(m_files, level);
    } else {
      // Someone was first: judged like any level that was there before.
      if (m_files.GetLastError() != ERROR_ALREADY_EXISTS) return false;
      level = m_files.OpenFolderAt(Deepest(), name);
      if (level == -1) return false;
      CEntryHandle& held = m_held.emplace_back(m_files, level);
      if (!Judge(held.get(), expected, false)) return false;
      if (i + 1 == m_missing.size() && !JudgeContents(held.get(), expected, 1)) return false;
    }
    m_heldPath = expected;
  }
  m_missing.clear();
  return true;
}

void CTrustedLevels::Release() {
  while (!m_held.empty()) m_held.pop_back();
  m_heldPath = CString();
  m_missing.clear();
}

#include "tests/memory/MemoryDrives.h"

namespace {

// The letter of "X:\\" (or "X:/"), or 0 when root is not written so.
char RootLetter(const CString& root) {
  const std::string_view s = root.view();
  if (s.size() != 3 || s[1] != ':' || (s[2] != '\\' && s[2] != '/')) return 0;
  const char c = s[0];
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return c;
  return 0;
}

}  // namespace

MemoryDrives::MemoryDrives(std::shared_ptr<mem::MemoryCore> core) : m_core(std::move(core)) {}

UINT MemoryDrives::GetDriveTypeA(const CString& root) {
  if (auto code = m_core->faults.Check("GetDriveTypeA", {root.view()})) return static_cast<UINT>(*code);
  const char letter = RootLetter(root);
  const mem::DriveInfo* drive = letter ? m_core->files.FindDrive(letter) : nullptr;
  return drive ? drive->type : DRIVE_NO_ROOT_DIR;
}

BOOL MemoryDrives::GetVolumeInformationA(const CString& root, CString& label) {
  if (auto code = m_core->faults.Check("GetVolumeInformationA", {root.view()})) {
    m_core->lastError = *code;
    return FALSE;
  }
  const char letter = RootLetter(root);
  if (letter == 0) {
    m_core->lastError = ERROR_INVALID_NAME;
    return FALSE;
  }
  const mem::DriveInfo* drive = m_core->files.FindDrive(letter);
  if (drive == nullptr) {
    m_core->lastError = ERROR_PATH_NOT_FOUND;
    return FALSE;
  }
  if (!drive->medium) {
    m_core->lastError = ERROR_NOT_READY;
    return FALSE;
  }
  label = drive->label;
  return TRUE;
}

bool MemoryDrives::Add(char letter, UINT type, const CString& label, bool mediumPresent) {
  return m_core->files.AddDrive(letter, type, label.str(), mediumPresent);
}

bool MemoryDrives::SetMedium(char letter, bool present) {
  mem::DriveInfo* drive = m_core->files.FindDrive(letter);
  if (drive == nullptr) return false;
  drive->medium = present;
  return true;
}

bool MemoryDrives::SetLabel(char letter, const CString& label) {
  mem::DriveInfo* drive = m_core->files.FindDrive(letter);
  if (drive == nullptr) return false;
  drive->label = label.str();
  return true;
}

bool MemoryDrives::SetCapacity(char letter, std::optional<std::uint64_t> bytes) {
  mem::DriveInfo* drive = m_core->files.FindDrive(letter);
  if (drive == nullptr) return false;
  drive->capacity = bytes;
  return true;
}

std::optional<std::uint64_t> MemoryDrives::UsedBytes(char letter) const {
  const mem::DriveInfo* drive = m_core->files.FindDrive(letter);
  if (drive == nullptr) return std::nullopt;
  return drive->used;
}

// IDrives over the in-memory drive table the file system also uses, with
// the set-up of drives beside the interface.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/Platform.h"
#include "tests/memory/MemoryCore.h"

class MemoryDrives final : public IDrives {
 public:
  explicit MemoryDrives(std::shared_ptr<mem::MemoryCore> core);

  // root must be a drive root: a letter, a colon and a backslash (or slash).
  UINT GetDriveTypeA(const CString& root) override;
  BOOL GetVolumeInformationA(const CString& root, CString& label) override;

  // ----- set-up. A CD drive (DRIVE_CDROM) is read-only media: every write
  // to it fails with ERROR_ACCESS_DENIED. Without a medium, every access to
  // the drive fails with ERROR_NOT_READY. False when the letter is taken or
  // not a letter.
  bool Add(char letter, UINT type, const CString& label = CString(), bool mediumPresent = true);
  bool SetMedium(char letter, bool present);
  bool SetLabel(char letter, const CString& label);
  // The most bytes of file data the drive holds; none: unlimited.
  bool SetCapacity(char letter, std::optional<std::uint64_t> bytes);
  std::optional<std::uint64_t> UsedBytes(char letter) const;

 private:
  std::shared_ptr<mem::MemoryCore> m_core;
};

// IRegistry over the in-memory keys, with set-up and inspection beside the
// interface. Values keep their type and the exact bytes written.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "tests/memory/MemoryCore.h"

class MemoryRegistry final : public IRegistry {
 public:
  explicit MemoryRegistry(std::shared_ptr<mem::MemoryCore> core);

  LONG RegCreateKeyExA(HKEY root, const CString& subKey, DWORD options, DWORD access, HKEY* result,
                       DWORD* disposition) override;
  LONG RegSetValueExA(HKEY key, const CString& valueName, DWORD type, const BYTE* data,
                      DWORD byteCount) override;
  LONG RegDeleteKeyA(HKEY key, const CString& subKey) override;
  LONG RegCloseKey(HKEY key) override;

  // ----- set-up (no access rules)
  bool AddKey(HKEY root, const CString& path, bool isVolatile = false);
  bool AddValue(HKEY root, const CString& path, const CString& name, DWORD type, std::string_view bytes);
  // Every write below root fails with ERROR_ACCESS_DENIED (no administrator rights).
  void DenyWrites(HKEY root, bool deny = true);

  // ----- inspection
  struct Value {
    DWORD type = REG_NONE;
    std::string bytes;
  };
  bool HasKey(HKEY root, const CString& path) const;
  std::optional<bool> IsVolatile(HKEY root, const CString& path) const;
  std::optional<Value> GetValue(HKEY root, const CString& path, const CString& name) const;
  std::vector<CString> ValueNames(HKEY root, const CString& path) const;
  std::vector<CString> SubKeys(HKEY root, const CString& path) const;
  int OpenHandles() const;

 private:
  std::shared_ptr<mem::MemoryCore> m_core;
};

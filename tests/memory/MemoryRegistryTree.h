// The state behind the in-memory registry: two roots (HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER), keys with case-insensitive names, values with a type
// and exact bytes, volatile keys, and the table of open handles.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace mem {

struct RegValue {
  std::string name;  // as first written
  DWORD type = REG_NONE;
  std::string bytes;
};

struct RegKeyNode {
  std::string name;  // as created
  bool isVolatile = false;
  bool deleted = false;
  RegKeyNode* parent = nullptr;
  std::map<std::string, RegValue> values;                       // by folded name
  std::map<std::string, std::shared_ptr<RegKeyNode>> children;  // by folded name
};

class RegistryTree {
 public:
  RegistryTree();

  // The root key for HKEY_LOCAL_MACHINE / HKEY_CURRENT_USER, or null.
  std::shared_ptr<RegKeyNode> Root(HKEY root) const;
  static bool IsPredefined(HKEY key);

  struct Opened {
    std::shared_ptr<RegKeyNode> key;
    HKEY root = nullptr;  // the predefined root the key lies under
    DWORD access = 0;
  };
  // A predefined root or an open handle; error is ERROR_INVALID_HANDLE or
  // ERROR_KEY_DELETED when it is neither or its key is gone.
  LONG Resolve(HKEY key, Opened& opened) const;

  LONG Create(HKEY key, std::string_view subKey, DWORD options, DWORD access, HKEY* result,
              DWORD* disposition);
  LONG SetValue(HKEY key, std::string_view name, DWORD type, const BYTE* data, DWORD byteCount);
  LONG DeleteKey(HKEY key, std::string_view subKey);
  LONG Close(HKEY key);
  int OpenHandles() const { return static_cast<int>(m_handles.size()); }

  // Writes to keys below this root fail with ERROR_ACCESS_DENIED.
  void DenyWrites(HKEY root, bool deny);
  bool WritesDenied(HKEY root) const;

  // ----- set-up and inspection (no access rules)
  std::shared_ptr<RegKeyNode> Find(HKEY root, std::string_view path) const;
  std::shared_ptr<RegKeyNode> Make(HKEY root, std::string_view path, bool isVolatile);
  // The full name, such as "HKEY_LOCAL_MACHINE\\SOFTWARE\\Example".
  std::string PathOf(HKEY key) const;
  // Drops every volatile key, as a restart does.
  void DropVolatile();
  std::string Dump() const;

 private:
  struct Handle {
    Opened opened;
  };

  std::shared_ptr<RegKeyNode> m_localMachine;
  std::shared_ptr<RegKeyNode> m_currentUser;
  bool m_denyLocalMachine = false;
  bool m_denyCurrentUser = false;
  std::map<UINT_PTR, Handle> m_handles;
  UINT_PTR m_nextHandle = 0x1000;
};

// Splits a registry path at backslashes; nullopt when a component is empty
// (a leading or doubled backslash). A trailing backslash is allowed.
std::optional<std::vector<std::string>> SplitKeyPath(std::string_view path);

}  // namespace mem

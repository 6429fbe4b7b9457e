#include "tests/memory/MemoryRegistryTree.h"

#include <cstdio>

#include "tests/memory/MemoryCodePage.h"
#include "tests/memory/MemoryPath.h"

namespace mem {

namespace {

constexpr DWORD KEY_SET_VALUE_BIT = 0x0002;
constexpr DWORD KEY_CREATE_SUB_KEY_BIT = 0x0004;
constexpr DWORD DELETE_BIT = 0x00010000;
constexpr DWORD WRITE_DAC_BIT = 0x00040000;
constexpr DWORD WRITE_OWNER_BIT = 0x00080000;
constexpr DWORD kWriteAccess =
    KEY_SET_VALUE_BIT | KEY_CREATE_SUB_KEY_BIT | DELETE_BIT | WRITE_DAC_BIT | WRITE_OWNER_BIT;

UINT_PTR KeyValue(HKEY key) { return reinterpret_cast<UINT_PTR>(key); }

const char* TypeName(DWORD type) {
  switch (type) {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    default: return "type";
  }
}

void DumpKey(const RegKeyNode& key, const std::string& indent, std::string& out) {
  for (const auto& [folded, value] : key.values) {
    out += indent + "= \"" + Cp932ToReadable(value.name) + "\" " + TypeName(value.type) + " (" +
           std::to_string(value.type) + "), " + std::to_string(value.bytes.size()) + " bytes: \"" +
           Cp932ToReadable(value.bytes) + "\"\n";
  }
  for (const auto& [folded, child] : key.children) {
    out += indent + Cp932ToReadable(child->name) + (child->isVolatile ? " [volatile]" : "") + "\n";
    DumpKey(*child, indent + "  ", out);
  }
}

void MarkDeleted(RegKeyNode& key) {
  key.deleted = true;
  key.parent = nullptr;
  for (auto& [folded, child] : key.children) MarkDeleted(*child);
}

void DropVolatileBelow(RegKeyNode& key) {
  for (auto it = key.children.begin(); it != key.children.end();) {
    if (it->second->isVolatile) {
      MarkDeleted(*it->second);
      it = key.children.erase(it);
    } else {
      DropVolatileBelow(*it->second);
      ++it;
    }
  }
}

std::shared_ptr<RegKeyNode> NewKey(std::string name, bool isVolatile, RegKeyNode* parent) {
  auto key = std::make_shared<RegKeyNode>();
  key->name = std::move(name);
  key->isVolatile = isVolatile;
  key->parent = parent;
  return key;
}

}  // namespace

std::optional<std::vector<std::string>> SplitKeyPath(std::string_view path) {
  std::vector<std::string> parts;
  std::string part;
  for (std::size_t i = 0; i < path.size();) {
    const std::size_t len = PathCharLength(path, i);
    if (len == 1 && path[i] == '\\') {
      if (part.empty()) return std::nullopt;
      parts.push_back(std::move(part));
      part.clear();
    } else {
      part.append(path.substr(i, len));
    }
    i += len;
  }
  if (!part.empty()) parts.push_back(std::move(part));
  return parts;
}

RegistryTree::RegistryTree()
    : m_localMachine(NewKey("HKEY_LOCAL_MACHINE", false, nullptr)),
      m_currentUser(NewKey("HKEY_CURRENT_USER", false, nullptr)) {}

bool RegistryTree::IsPredefined(HKEY key) { return key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER; }

std::shared_ptr<RegKeyNode> RegistryTree::Root(HKEY root) const {
  if (root == HKEY_LOCAL_MACHINE) return m_localMachine;
  if (root == HKEY_CURRENT_USER) return m_currentUser;
  return nullptr;
}

bool RegistryTree::WritesDenied(HKEY root) const {
  return (root == HKEY_LOCAL_MACHINE && m_denyLocalMachine) ||
         (root == HKEY_CURRENT_USER && m_denyCurrentUser);
}

void RegistryTree::DenyWrites(HKEY root, bool deny) {
  if (root == HKEY_LOCAL_MACHINE) m_denyLocalMachine = deny;
  if (root == HKEY_CURRENT_USER) m_denyCurrentUser = deny;
}

LONG RegistryTree::Resolve(HKEY key, Opened& opened) const {
  if (IsPredefined(key)) {
    opened.key = Root(key);
    opened.root = key;
    opened.access = KEY_ALL_ACCESS;
    return ERROR_SUCCESS;
  }
  auto it = m_handles.find(KeyValue(key));
  if (it == m_handles.end()) return static_cast<LONG>(ERROR_INVALID_HANDLE);
  if (it->second.opened.key->deleted) return static_cast<LONG>(ERROR_KEY_DELETED_CODE);
  opened = it->second.opened;
  return ERROR_SUCCESS;
}

LONG RegistryTree::Create(HKEY key, std::string_view subKey, DWORD options, DWORD access, HKEY* result,
                          DWORD* disposition) {
  if (result == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  *result = nullptr;
  Opened from;
  if (LONG error = Resolve(key, from); error != ERROR_SUCCESS) return error;
  const auto parts = SplitKeyPath(subKey);
  if (!parts) return static_cast<LONG>(ERROR_BAD_PATHNAME_CODE);
  const bool makeVolatile = (options & REG_OPTION_VOLATILE) != 0;

  // Walk what exists; check the rest could be created before creating any.
  std::shared_ptr<RegKeyNode> node = from.key;
  std::size_t existing = 0;
  for (; existing < parts->size(); ++existing) {
    auto it = node->children.find(FoldName((*parts)[existing]));
    if (it == node->children.end()) break;
    node = it->second;
  }
  const bool creates = existing < parts->size();
  if (WritesDenied(from.root) && (creates || (access & kWriteAccess) != 0)) {
    return static_cast<LONG>(ERROR_ACCESS_DENIED);
  }
  if (creates) {
    if (existing == 0 && !(from.access & KEY_CREATE_SUB_KEY_BIT))
      return static_cast<LONG>(ERROR_ACCESS_DENIED);
    if (node->isVolatile && !makeVolatile) return static_cast<LONG>(ERROR_CHILD_MUST_BE_VOLATILE_CODE);
    for (std::size_t i = existing; i < parts->size(); ++i) {
      auto child = NewKey((*parts)[i], makeVolatile, node.get());
      node->children[FoldName((*parts)[i])] = child;
      node = child;
    }
  }
  const UINT_PTR handle = m_nextHandle;
  m_nextHandle += 4;
  m_handles[handle] = Handle{Opened{node, from.root, access}};
  *result = reinterpret_cast<HKEY>(handle);
  if (disposition != nullptr) *disposition = creates ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG RegistryTree::SetValue(HKEY key, std::string_view name, DWORD type, const BYTE* data, DWORD byteCount) {
  Opened opened;
  if (LONG error = Resolve(key, opened); error != ERROR_SUCCESS) return error;
  if (WritesDenied(opened.root) || !(opened.access & KEY_SET_VALUE_BIT)) {
    return static_cast<LONG>(ERROR_ACCESS_DENIED);
  }
  if (data == nullptr && byteCount > 0) return static_cast<LONG>(ERROR_NOACCESS_CODE);
  RegValue& value = opened.key->values[FoldName(name)];
  if (value.name.empty()) value.name = std::string(name);
  value.type = type;
  value.bytes.assign(reinterpret_cast<const char*>(data), data ? byteCount : 0);
  return ERROR_SUCCESS;
}

LONG RegistryTree::DeleteKey(HKEY key, std::string_view subKey) {
  Opened opened;
  if (LONG error = Resolve(key, opened); error != ERROR_SUCCESS) return error;
  const auto parts = SplitKeyPath(subKey);
  if (!parts) return static_cast<LONG>(ERROR_BAD_PATHNAME_CODE);
  std::shared_ptr<RegKeyNode> node = opened.key;
  for (const std::string& part : *parts) {
    auto it = node->children.find(FoldName(part));
    if (it == node->children.end()) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    node = it->second;
  }
  if (node->parent == nullptr) return static_cast<LONG>(ERROR_ACCESS_DENIED);  // a root
  if (WritesDenied(opened.root)) return static_cast<LONG>(ERROR_ACCESS_DENIED);
  if (!node->children.empty()) return static_cast<LONG>(ERROR_ACCESS_DENIED);
  RegKeyNode* parent = node->parent;
  MarkDeleted(*node);
  parent->children.erase(FoldName(node->name));
  return ERROR_SUCCESS;
}

LONG RegistryTree::Close(HKEY key) {
  if (IsPredefined(key)) return ERROR_SUCCESS;
  return m_handles.erase(KeyValue(key)) == 1 ? ERROR_SUCCESS : static_cast<LONG>(ERROR_INVALID_HANDLE);
}

std::shared_ptr<RegKeyNode> RegistryTree::Find(HKEY root, std::string_view path) const {
  std::shared_ptr<RegKeyNode> node = Root(root);
  const auto parts = SplitKeyPath(path);
  if (!node || !parts) return nullptr;
  for (const std::string& part : *parts) {
    auto it = node->children.find(FoldName(part));
    if (it == node->children.end()) return nullptr;
    node = it->second;
  }
  return node;
}

std::shared_ptr<RegKeyNode> RegistryTree::Make(HKEY root, std::string_view path, bool isVolatile) {
  std::shared_ptr<RegKeyNode> node = Root(root);
  const auto parts = SplitKeyPath(path);
  if (!node || !parts) return nullptr;
  for (const std::string& part : *parts) {
    auto it = node->children.find(FoldName(part));
    if (it == node->children.end()) {
      if (node->isVolatile && !isVolatile) return nullptr;
      auto child = NewKey(part, isVolatile, node.get());
      node->children[FoldName(part)] = child;
      node = child;
    } else {
      node = it->second;
    }
  }
  return node;
}

std::string RegistryTree::PathOf(HKEY key) const {
  if (IsPredefined(key)) return Root(key)->name;
  auto it = m_handles.find(KeyValue(key));
  if (it == m_handles.end()) return std::string();
  std::string path;
  for (const RegKeyNode* node = it->second.opened.key.get(); node != nullptr; node = node->parent) {
    path = path.empty() ? node->name : node->name + "\\" + path;
  }
  return path;
}

void RegistryTree::DropVolatile() {
  DropVolatileBelow(*m_localMachine);
  DropVolatileBelow(*m_currentUser);
}

std::string RegistryTree::Dump() const {
  std::string out;
  for (const auto* root : {m_localMachine.get(), m_currentUser.get()}) {
    out += root->name;
    if ((root == m_localMachine.get() && m_denyLocalMachine) ||
        (root == m_currentUser.get() && m_denyCurrentUser)) {
      out += " [writes denied]";
    }
    out += "\n";
    DumpKey(*root, "  ", out);
  }
  out += "Open registry handles: " + std::to_string(m_handles.size()) + "\n";
  return out;
}

}  // namespace mem

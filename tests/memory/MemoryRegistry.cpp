#include "tests/memory/MemoryRegistry.h"

#include "tests/memory/MemoryPath.h"

MemoryRegistry::MemoryRegistry(std::shared_ptr<mem::MemoryCore> core) : m_core(std::move(core)) {}

LONG MemoryRegistry::RegCreateKeyExA(HKEY root, const CString& subKey, DWORD options, DWORD access,
                                     HKEY* result, DWORD* disposition) {
  const std::string parent = m_core->registry.PathOf(root);
  if (auto code = m_core->faults.Check("RegCreateKeyExA", {subKey.view(), parent + "\\" + subKey.str()})) {
    if (result != nullptr) *result = nullptr;
    return static_cast<LONG>(*code);
  }
  return m_core->registry.Create(root, subKey.view(), options, access, result, disposition);
}

LONG MemoryRegistry::RegSetValueExA(HKEY key, const CString& valueName, DWORD type, const BYTE* data,
                                    DWORD byteCount) {
  if (auto code = m_core->faults.Check("RegSetValueExA", {m_core->registry.PathOf(key), valueName.view()})) {
    return static_cast<LONG>(*code);
  }
  return m_core->registry.SetValue(key, valueName.view(), type, data, byteCount);
}

LONG MemoryRegistry::RegDeleteKeyA(HKEY key, const CString& subKey) {
  const std::string parent = m_core->registry.PathOf(key);
  if (auto code = m_core->faults.Check("RegDeleteKeyA", {subKey.view(), parent + "\\" + subKey.str()})) {
    return static_cast<LONG>(*code);
  }
  return m_core->registry.DeleteKey(key, subKey.view());
}

LONG MemoryRegistry::RegCloseKey(HKEY key) {
  if (auto code = m_core->faults.Check("RegCloseKey", {m_core->registry.PathOf(key)})) {
    return static_cast<LONG>(*code);
  }
  return m_core->registry.Close(key);
}

bool MemoryRegistry::AddKey(HKEY root, const CString& path, bool isVolatile) {
  return m_core->registry.Make(root, path.view(), isVolatile) != nullptr;
}

bool MemoryRegistry::AddValue(HKEY root, const CString& path, const CString& name, DWORD type,
                              std::string_view bytes) {
  auto key = m_core->registry.Make(root, path.view(), false);
  if (!key) return false;
  mem::RegValue& value = key->values[mem::FoldName(name.view())];
  if (value.name.empty()) value.name = name.str();
  value.type = type;
  value.bytes.assign(bytes);
  return true;
}

void MemoryRegistry::DenyWrites(HKEY root, bool deny) { m_core->registry.DenyWrites(root, deny); }

bool MemoryRegistry::HasKey(HKEY root, const CString& path) const {
  return m_core->registry.Find(root, path.view()) != nullptr;
}

std::optional<bool> MemoryRegistry::IsVolatile(HKEY root, const CString& path) const {
  auto key = m_core->registry.Find(root, path.view());
  if (!key) return std::nullopt;
  return key->isVolatile;
}

std::optional<MemoryRegistry::Value> MemoryRegistry::GetValue(HKEY root, const CString& path,
                                                              const CString& name) const {
  auto key = m_core->registry.Find(root, path.view());
  if (!key) return std::nullopt;
  auto it = key->values.find(mem::FoldName(name.view()));
  if (it == key->values.end()) return std::nullopt;
  return Value{it->second.type, it->second.bytes};
}

std::vector<CString> MemoryRegistry::ValueNames(HKEY root, const CString& path) const {
  std::vector<CString> names;
  if (auto key = m_core->registry.Find(root, path.view())) {
    for (const auto& [folded, value] : key->values) names.emplace_back(value.name);
  }
  return names;
}

std::vector<CString> MemoryRegistry::SubKeys(HKEY root, const CString& path) const {
  std::vector<CString> names;
  if (auto key = m_core->registry.Find(root, path.view())) {
    for (const auto& [folded, child] : key->children) names.emplace_back(child->name);
  }
  return names;
}

int MemoryRegistry::OpenHandles() const { return m_core->registry.OpenHandles(); }

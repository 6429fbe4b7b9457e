#include "tests/e2e/inspect/ReadBack.h"

#include <shlobj.h>

#include <cstring>

#include "tests/e2e/Win32TestHandles.h"

namespace readback {
namespace {

void Field(std::string& out, const char* name, std::string_view value) {
  out += name;
  out += '\t';
  out += value;
  out += '\n';
}

// The value's type and bytes; false with the error code when it cannot be read.
bool QueryValue(HKEY key, const std::wstring& name, DWORD& type, std::vector<BYTE>& data, LONG& status) {
  DWORD size = 0;
  status = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
  if (status != ERROR_SUCCESS) return false;
  data.assign(size + sizeof(wchar_t), 0);
  status = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
  if (status != ERROR_SUCCESS) return false;
  data.resize(size);
  return true;
}

}  // namespace

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
  return out;
}

REGSAM ReadIn(std::wstring_view view) {
  // Both views are open to 32- and 64-bit readers alike.
  if (view == L"32") return KEY_READ | KEY_WOW64_32KEY;
  if (view == L"64") return KEY_READ | KEY_WOW64_64KEY;
  return 0;
}

LONG OpenKeyStatus(REGSAM access, const std::wstring& subKey) {
  win32::UniqueRegKey key;
  return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, access, key.put());
}

bool RegistryValue(REGSAM access, const std::wstring& subKey, const std::wstring& name, std::string& fields,
                   std::string& error) {
  win32::UniqueRegKey key;
  LONG status = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, access, key.put());
  if (status != ERROR_SUCCESS) {
    error = "cannot open the key, error " + std::to_string(status);
    return false;
  }
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!QueryValue(key.get(), name, type, data, status)) {
    error = "cannot read " + Utf8(name) + ", error " + std::to_string(status);
    return false;
  }
  fields.clear();
  Field(fields, "type", std::to_string(type));
  Field(fields, "bytes", std::to_string(data.size()));
  if (type != REG_SZ && type != REG_MULTI_SZ && type != REG_EXPAND_SZ) return true;

  std::wstring text(data.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
  if (type == REG_MULTI_SZ) {
    const bool terminated = text.size() >= 2 && text.compare(text.size() - 2, 2, std::wstring(2, L'\0')) == 0;
    Field(fields, "terminated", terminated ? "yes" : "no");
  }
  // Each zero-terminated string in order; an empty string ends a multi-string.
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find(L'\0', start);
    const std::wstring_view one(text.data() + start, (end == std::wstring::npos ? text.size() : end) - start);
    if (one.empty() && type == REG_MULTI_SZ) break;
    Field(fields, "string", Utf8(one));
    if (end == std::wstring::npos || type != REG_MULTI_SZ) break;
    start = end + 1;
  }
  return true;
}

bool LinkFields(const std::wstring& file, std::string& fields, std::string& error) {
  win32::ComPtr<IShellLinkW> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.put_void()))) {
    error = "cannot create a shell link object";
    return false;
  }
  win32::ComPtr<SysIPersistFile> persist;
  if (FAILED(link->QueryInterface(IID_IPersistFile, persist.put_void()))) {
    error = "no IPersistFile";
    return false;
  }
  const HRESULT loaded = persist->Load(file.c_str(), STGM_READ);
  if (FAILED(loaded)) {
    error = "cannot load " + Utf8(file) + ", HRESULT " + std::to_string(loaded);
    return false;
  }
  fields.clear();
  wchar_t buffer[MAX_PATH + 1] = {};
  if (SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH))) Field(fields, "path", Utf8(buffer));
  LPITEMIDLIST target = nullptr;
  buffer[0] = 0;
  if (SUCCEEDED(link->GetIDList(&target)) && target != nullptr) {
    win32::UniqueItemList owner(target);
    if (::SHGetPathFromIDListW(target, buffer)) Field(fields, "target", Utf8(buffer));
  }
  buffer[0] = 0;
  if (SUCCEEDED(link->GetArguments(buffer, MAX_PATH))) Field(fields, "arguments", Utf8(buffer));
  buffer[0] = 0;
  if (SUCCEEDED(link->GetDescription(buffer, MAX_PATH))) Field(fields, "description", Utf8(buffer));
  buffer[0] = 0;
  if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH))) Field(fields, "workdir", Utf8(buffer));
  buffer[0] = 0;
  int iconIndex = -1;
  if (SUCCEEDED(link->GetIconLocation(buffer, MAX_PATH, &iconIndex))) {
    Field(fields, "icon", Utf8(buffer));
    Field(fields, "icon-index", std::to_string(iconIndex));
  }
  return true;
}

std::vector<std::wstring> PendingOperations() {
  std::vector<std::wstring> out;
  win32::UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_READ | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) {
    return out;
  }
  DWORD type = 0;
  std::vector<BYTE> data;
  LONG status = 0;
  if (!QueryValue(key.get(), L"PendingFileRenameOperations", type, data, status) || type != REG_MULTI_SZ)
    return out;
  std::wstring text(data.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
  // Pairs of zero-terminated strings; the list ends at the extra zero.
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find(L'\0', start);
    if (end == std::wstring::npos) {
      out.emplace_back(text.substr(start));
      break;
    }
    out.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  // The final empty string of the list, and padding, are no operation.
  while (out.size() % 2 != 0 && !out.empty() && out.back().empty()) out.pop_back();
  return out;
}

}  // namespace readback

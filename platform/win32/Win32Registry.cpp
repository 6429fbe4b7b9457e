#include "platform/win32/Win.h"

#include "platform/win32/Win32Registry.h"

#include <climits>
#include <string>
#include <string_view>

#include "platform/win32/Win32Strings.h"

using win32::Widen;

LONG Win32Registry::RegCreateKeyExA(HKEY root, const CString& subKey, DWORD options, DWORD access,
                                    HKEY* result, DWORD* disposition) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  return ::RegCreateKeyExW(root, Widen(subKey.view()).c_str(), 0, nullptr, options, access, nullptr, result,
                           disposition);
}

LONG Win32Registry::RegSetValueExA(HKEY key, const CString& valueName, DWORD type, const BYTE* data,
                                   DWORD byteCount) {
  const std::wstring name = Widen(valueName.view());
  if (!win32::IsRegistryStringType(type)) {
    return ::RegSetValueExW(key, name.c_str(), 0, type, data, byteCount);
  }
  if (data == nullptr && byteCount != 0) return ERROR_INVALID_PARAMETER;
  const std::wstring text = win32::WidenZeroSeparated(
      data == nullptr ? std::string_view()
                      : std::string_view(reinterpret_cast<const char*>(data), byteCount));
  const std::size_t bytes = text.size() * sizeof(wchar_t);
  if (bytes > static_cast<std::size_t>(ULONG_MAX)) return ERROR_INVALID_PARAMETER;
  return ::RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(bytes));
}

LONG Win32Registry::RegDeleteKeyA(HKEY key, const CString& subKey) {
  return ::RegDeleteKeyW(key, Widen(subKey.view()).c_str());
}

LONG Win32Registry::RegCloseKey(HKEY key) { return ::RegCloseKey(key); }

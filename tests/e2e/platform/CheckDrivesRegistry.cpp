// Drives and the registry through the layer, read back through the system.
#include "platform/win32/Win.h"

#include "platform/win32/Win32Drives.h"
#include "platform/win32/Win32Registry.h"
#include "tests/e2e/Win32TestHandles.h"
#include "tests/e2e/platform/CheckSupport.h"

namespace check {

using win32::UniqueRegKey;

void CheckDrives(cases::Checker& c, wchar_t cdLetter) {
  Win32Drives drives;
  c.Number(drives.GetDriveTypeA("C:\\"), DRIVE_FIXED, "GetDriveTypeA(C:\\) is DRIVE_FIXED");
  CString label = "unchanged";
  c(drives.GetVolumeInformationA("C:\\", label) != 0, "GetVolumeInformationA(C:\\) succeeds");
  label = "unchanged";
  c(drives.GetVolumeInformationA("B:\\", label) == 0 && label == "unchanged",
    "GetVolumeInformationA of a missing drive fails and leaves the label");
  if (cdLetter == 0) return;
  CString root;
  root += static_cast<char>(cdLetter);
  root += ":\\";
  c.Number(drives.GetDriveTypeA(root), DRIVE_CDROM, "GetDriveTypeA of the CD drive is DRIVE_CDROM");
  label.Empty();
  c(drives.GetVolumeInformationA(root, label) != 0, "GetVolumeInformationA of the CD drive succeeds");
  c.Bytes(label, "ドラマＣＤ_検査", "  ... with its label in Shift-JIS");
}

void CheckRegistry(cases::Checker& c, const Places& at) {
  Win32Registry registry;
  const CString parent = "Software\\PlatformCheck";
  const CString name = parent + "\\検査ソ";
  HKEY key = nullptr;
  DWORD disposition = 0;
  c.Number(registry.RegCreateKeyExA(HKEY_CURRENT_USER, name, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &key,
                                    &disposition),
           ERROR_SUCCESS, "RegCreateKeyExA creates a key with a Japanese name under HKCU");
  c.Number(disposition, REG_CREATED_NEW_KEY, "  ... reporting REG_CREATED_NEW_KEY");
  {
    HKEY again = nullptr;
    registry.RegCreateKeyExA(HKEY_CURRENT_USER, name, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &again,
                             &disposition);
    c.Number(disposition, REG_OPENED_EXISTING_KEY, "a second RegCreateKeyExA opens it");
    if (again != nullptr) registry.RegCloseKey(again);
    HKEY raw = nullptr;
    c.Number(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\PlatformCheck\\検査ソ", 0, KEY_READ, &raw),
             ERROR_SUCCESS, "the key exists under its UTF-16 name");
    UniqueRegKey opened(raw);
  }
  c.Number(registry.RegCreateKeyExA(HKEY_CURRENT_USER, name, 0, KEY_ALL_ACCESS, nullptr, nullptr),
           ERROR_INVALID_PARAMETER, "RegCreateKeyExA without a place for the key is refused");

  // A one-string multi-string: the path, then two zero bytes.
  const CString path = at.base + "\\uninst.exe";
  std::string multi = path.str();
  multi.append(2, '\0');
  c.Number(
      registry.RegSetValueExA(key, "UninstallString", REG_MULTI_SZ,
                              reinterpret_cast<const BYTE*>(multi.data()), static_cast<DWORD>(multi.size())),
      ERROR_SUCCESS, "RegSetValueExA REG_MULTI_SZ with Shift-JIS data");
  RegValue value = QueryWide(key, L"UninstallString");
  std::wstring want = at.baseWide + L"\\uninst.exe";
  want.append(2, L'\0');
  c.Number(value.type, REG_MULTI_SZ, "  ... stored as REG_MULTI_SZ");
  Wide(c, AsWide(value.data), want, "  ... reading back as UTF-16 with both terminators");

  const char display[] = "タヴリン　ドラマＣＤ１　デジタルコンテンツ\0";
  c.Number(sizeof display, 44, "the display name is 42 Shift-JIS bytes and two zeros");
  registry.RegSetValueExA(key, "DisplayName", REG_MULTI_SZ, reinterpret_cast<const BYTE*>(display),
                          sizeof display);
  value = QueryWide(key, L"DisplayName");
  const std::wstring displayWide(L"タヴリン　ドラマＣＤ１　デジタルコンテンツ\0\0", 23);
  Wide(c, AsWide(value.data), displayWide, "the display name reads back as 21 characters and two zeros");
  c.Number(static_cast<long long>(value.data.size()), 46, "  ... in 46 bytes");

  const char text[] = "値ソ";
  c.Number(registry.RegSetValueExA(key, "名前", REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
           ERROR_SUCCESS, "RegSetValueExA REG_SZ under a Japanese value name");
  value = QueryWide(key, L"名前");
  c(value.status == ERROR_SUCCESS && value.type == REG_SZ && AsWide(value.data) == std::wstring(L"値ソ\0", 3),
    "  ... reads back by its UTF-16 name", Utf8(AsWide(value.data)));
  const char expand[] = "%TEMP%\\ソ";
  registry.RegSetValueExA(key, "", REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand), sizeof expand);
  value = QueryWide(key, L"");
  c(value.type == REG_EXPAND_SZ && AsWide(value.data) == std::wstring(L"%TEMP%\\ソ\0", 9),
    "REG_EXPAND_SZ into the default value is widened as well", Utf8(AsWide(value.data)));

  const DWORD number = 0x12345678;
  registry.RegSetValueExA(key, "Number", REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  value = QueryWide(key, L"Number");
  c(value.type == REG_DWORD && value.data.size() == 4 &&
        *reinterpret_cast<const DWORD*>(value.data.data()) == number,
    "REG_DWORD is stored unchanged");
  const BYTE binary[] = {0x83, 0x5C, 0x00, 0xFF};
  registry.RegSetValueExA(key, "Binary", REG_BINARY, binary, sizeof binary);
  value = QueryWide(key, L"Binary");
  c(value.type == REG_BINARY && value.data == std::vector<BYTE>(binary, binary + 4),
    "REG_BINARY is stored unchanged, Shift-JIS-looking bytes included");
  c.Number(registry.RegSetValueExA(key, "Null", REG_SZ, nullptr, 4), ERROR_INVALID_PARAMETER,
           "string data missing behind a byte count is refused");

  c.Number(registry.RegCloseKey(key), ERROR_SUCCESS, "RegCloseKey");
  HKEY parentKey = nullptr;
  registry.RegCreateKeyExA(HKEY_CURRENT_USER, parent, 0, KEY_ALL_ACCESS, &parentKey, nullptr);
  c.Number(registry.RegDeleteKeyA(parentKey, "検査ソ"), ERROR_SUCCESS,
           "RegDeleteKeyA deletes the Japanese sub-key with its values");
  c.Number(registry.RegDeleteKeyA(parentKey, "検査ソ"), ERROR_FILE_NOT_FOUND,
           "  ... and a second time finds nothing");
  registry.RegCloseKey(parentKey);
  ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\PlatformCheck");

  // HKLM, with the volatile option the installer may use.
  const CString machine = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\PlatformCheck検査";
  HKEY machineKey = nullptr;
  c.Number(registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, machine, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                    &machineKey, &disposition),
           ERROR_SUCCESS, "RegCreateKeyExA creates a volatile key under HKLM");
  registry.RegSetValueExA(machineKey, "DisplayName", REG_MULTI_SZ, reinterpret_cast<const BYTE*>(display),
                          sizeof display);
  value = QueryWide(machineKey, L"DisplayName");
  Wide(c, AsWide(value.data), displayWide, "  ... and a value written there reads back");
  registry.RegCloseKey(machineKey);
  HKEY uninstall = nullptr;
  registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                           REG_OPTION_VOLATILE, KEY_ALL_ACCESS, &uninstall, &disposition);
  c.Number(disposition, REG_OPENED_EXISTING_KEY, "the existing Uninstall key is only opened");
  c.Number(registry.RegDeleteKeyA(uninstall, "PlatformCheck検査"), ERROR_SUCCESS,
           "RegDeleteKeyA removes the HKLM entry");
  registry.RegCloseKey(uninstall);
}

}  // namespace check

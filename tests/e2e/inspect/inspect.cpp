// Reads back, inside the Wine prefix, what an installation left on the
// system, through the system's own W functions (not through the programs'
// platform layer, so the layer cannot vouch for itself). Prints UTF-8, one
// "field<TAB>value" line each, for the scenarios to compare.
//
//   e2e_inspect.exe codepages                  acp and oemcp of the system
//   e2e_inspect.exe folder programs|appdata    a special folder's path
//   e2e_inspect.exe reg VIEW KEY VALUE         a value under HKEY_LOCAL_MACHINE\KEY
//                                              in the registry's 32- or 64-bit
//                                              view (VIEW 32 or 64): type, bytes
//                                              (as stored, UTF-16), each string
//                                              of a REG_MULTI_SZ or REG_SZ, and
//                                              whether a multi-string ends in its
//                                              two terminating zeros
//   e2e_inspect.exe reg-key VIEW KEY           "key present" or "key absent"
//   e2e_inspect.exe link FILE                  a shortcut's fields
//   e2e_inspect.exe attributes PATH...         each file's attributes in hex and
//                                              its path, one line each
//
// Exit code 0 on success, 1 when the thing asked about cannot be read, 2 on
// a bad command line.
#include "platform/win32/Win.h"

#include <shlobj.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/Win32Handles.h"

namespace {

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
  return out;
}

void Field(const char* name, std::string_view value) {
  std::printf("%s\t%.*s\n", name, static_cast<int>(value.size()), value.data());
}
void Field(const char* name, std::wstring_view value) { Field(name, Utf8(value)); }
void Field(const char* name, unsigned long value) { Field(name, std::to_string(value)); }

int Fail(const std::string& message) {
  std::fprintf(stderr, "e2e_inspect: %s\n", message.c_str());
  return 1;
}

int CodePages() {
  Field("acp", static_cast<unsigned long>(::GetACP()));
  Field("oemcp", static_cast<unsigned long>(::GetOEMCP()));
  return 0;
}

int SpecialFolder(std::wstring_view which) {
  int csidl = 0;
  if (which == L"programs") {
    csidl = CSIDL_PROGRAMS;
  } else if (which == L"appdata") {
    csidl = CSIDL_APPDATA;
  } else {
    return Fail("unknown folder " + Utf8(which));
  }
  wchar_t path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) {
    return Fail("SHGetFolderPathW failed for " + Utf8(which));
  }
  Field("path", std::wstring_view(path));
  return 0;
}

// KEY_READ in the named view of the registry ("32" or "64"); 0 for any other
// word. Both views are open to 32- and 64-bit readers alike.
REGSAM ReadIn(const std::wstring& view) {
  if (view == L"32") return KEY_READ | KEY_WOW64_32KEY;
  if (view == L"64") return KEY_READ | KEY_WOW64_64KEY;
  return 0;
}

int RegistryKey(REGSAM access, const std::wstring& subKey) {
  win32::UniqueRegKey key;
  const LONG status = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, access, key.put());
  Field("key", status == ERROR_SUCCESS ? "present" : "absent");
  return 0;
}

int RegistryValue(REGSAM access, const std::wstring& subKey, const std::wstring& name) {
  win32::UniqueRegKey key;
  LONG status = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, access, key.put());
  if (status != ERROR_SUCCESS) return Fail("cannot open the key, error " + std::to_string(status));
  DWORD type = 0;
  DWORD size = 0;
  status = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size);
  if (status != ERROR_SUCCESS) return Fail("no value " + Utf8(name) + ", error " + std::to_string(status));
  std::vector<BYTE> data(size + sizeof(wchar_t));
  status = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &size);
  if (status != ERROR_SUCCESS) return Fail("cannot read " + Utf8(name) + ", error " + std::to_string(status));
  data.resize(size);
  Field("type", static_cast<unsigned long>(type));
  Field("bytes", static_cast<unsigned long>(size));
  if (type != REG_SZ && type != REG_MULTI_SZ && type != REG_EXPAND_SZ) return 0;

  std::wstring text(size / sizeof(wchar_t), L'\0');
  if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
  if (type == REG_MULTI_SZ) {
    Field("terminated", text.size() >= 2 && text.compare(text.size() - 2, 2, std::wstring(2, L'\0')) == 0
                            ? "yes"
                            : "no");
  }
  // Each zero-terminated string in order; an empty string ends a multi-string.
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find(L'\0', start);
    const std::wstring_view one(text.data() + start, (end == std::wstring::npos ? text.size() : end) - start);
    if (one.empty() && type == REG_MULTI_SZ) break;
    Field("string", one);
    if (end == std::wstring::npos || type != REG_MULTI_SZ) break;
    start = end + 1;
  }
  return 0;
}

int Link(const std::wstring& file) {
  win32::ComPtr<IShellLinkW> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.put_void()))) {
    return Fail("cannot create a shell link object");
  }
  win32::ComPtr<SysIPersistFile> persist;
  if (FAILED(link->QueryInterface(IID_IPersistFile, persist.put_void()))) return Fail("no IPersistFile");
  const HRESULT loaded = persist->Load(file.c_str(), STGM_READ);
  if (FAILED(loaded)) return Fail("cannot load " + Utf8(file) + ", HRESULT " + std::to_string(loaded));

  wchar_t buffer[MAX_PATH + 1] = {};
  if (SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH))) Field("path", std::wstring_view(buffer));
  LPITEMIDLIST target = nullptr;
  buffer[0] = 0;
  if (SUCCEEDED(link->GetIDList(&target)) && target != nullptr) {
    win32::UniqueItemList owner(target);
    if (::SHGetPathFromIDListW(target, buffer)) Field("target", std::wstring_view(buffer));
  }
  buffer[0] = 0;
  if (SUCCEEDED(link->GetArguments(buffer, MAX_PATH))) Field("arguments", std::wstring_view(buffer));
  buffer[0] = 0;
  if (SUCCEEDED(link->GetDescription(buffer, MAX_PATH))) Field("description", std::wstring_view(buffer));
  buffer[0] = 0;
  if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH))) Field("workdir", std::wstring_view(buffer));
  buffer[0] = 0;
  int iconIndex = -1;
  if (SUCCEEDED(link->GetIconLocation(buffer, MAX_PATH, &iconIndex))) {
    Field("icon", std::wstring_view(buffer));
    Field("icon-index", std::to_string(iconIndex));
  }
  return 0;
}

int Attributes(const std::vector<std::wstring>& paths) {
  int result = 0;
  for (const auto& path : paths) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      result = Fail("no file " + Utf8(path));
      continue;
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%lx", static_cast<unsigned long>(attributes));
    std::printf("%s\t%s\n", hex, Utf8(path).c_str());
  }
  return result;
}

int Usage() {
  std::fprintf(stderr,
               "usage: e2e_inspect.exe codepages | folder programs|appdata | reg 32|64 KEY VALUE |\n"
               "       reg-key 32|64 KEY |\n"
               "       link FILE | attributes PATH...\n");
  return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  // UTF-8 bytes and bare line feeds, whatever the console's code page.
  _setmode(_fileno(stdout), _O_BINARY);
  const std::vector<std::wstring> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  const std::wstring& command = args[0];
  if (command == L"codepages" && args.size() == 1) return CodePages();
  if (command == L"folder" && args.size() == 2) return SpecialFolder(args[1]);
  if (command == L"reg" && args.size() == 4 && ReadIn(args[1]) != 0) {
    return RegistryValue(ReadIn(args[1]), args[2], args[3]);
  }
  if (command == L"reg-key" && args.size() == 3 && ReadIn(args[1]) != 0) return RegistryKey(ReadIn(args[1]), args[2]);
  if (command == L"attributes" && args.size() >= 2) return Attributes({args.begin() + 1, args.end()});
  if (command == L"link" && args.size() == 2) {
    if (FAILED(::CoInitialize(nullptr))) return Fail("CoInitialize failed");
    const int result = Link(args[1]);
    ::CoUninitialize();
    return result;
  }
  return Usage();
}

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
#include "tests/e2e/inspect/ReadBack.h"

namespace {

using readback::Utf8;

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

int RegistryKey(REGSAM access, const std::wstring& subKey) {
  const LONG status = readback::OpenKeyStatus(access, subKey);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    return Fail("cannot tell whether the key is there, error " + std::to_string(status));
  }
  Field("key", status == ERROR_SUCCESS ? "present" : "absent");
  return 0;
}

int RegistryValue(REGSAM access, const std::wstring& subKey, const std::wstring& name) {
  std::string fields;
  std::string error;
  if (!readback::RegistryValue(access, subKey, name, fields, error)) return Fail(error);
  std::fputs(fields.c_str(), stdout);
  return 0;
}

int Link(const std::wstring& file) {
  std::string fields;
  std::string error;
  if (!readback::LinkFields(file, fields, error)) return Fail(error);
  std::fputs(fields.c_str(), stdout);
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // UTF-8 bytes and bare line feeds, whatever the console's code page.
  _setmode(_fileno(stdout), _O_BINARY);
  const std::vector<std::wstring> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  const std::wstring& command = args[0];
  if (command == L"codepages" && args.size() == 1) return CodePages();
  if (command == L"folder" && args.size() == 2) return SpecialFolder(args[1]);
  if (command == L"reg" && args.size() == 4 && readback::ReadIn(args[1]) != 0) {
    return RegistryValue(readback::ReadIn(args[1]), args[2], args[3]);
  }
  if (command == L"reg-key" && args.size() == 3 && readback::ReadIn(args[1]) != 0)
    return RegistryKey(readback::ReadIn(args[1]), args[2]);
  if (command == L"attributes" && args.size() >= 2) return Attributes({args.begin() + 1, args.end()});
  if (command == L"link" && args.size() == 2) {
    if (FAILED(::CoInitialize(nullptr))) return Fail("CoInitialize failed");
    const int result = Link(args[1]);
    ::CoUninitialize();
    return result;
  }
  return Usage();
}

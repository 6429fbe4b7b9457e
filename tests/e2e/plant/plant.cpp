// Plants the registration of an installation inside the Wine prefix, with
// the installer's own code on the real platform: run in a folder holding
// "uninst.dat", it copies it into the destination as "uninst.exe", writes
// the uninstall key and creates the Start-menu folder with both shortcuts,
// exactly as the end of an installation does. Used by the uninstaller's
// scenarios, which need an installation without running the whole
// installer.
//
//   e2e_plant.exe register DEST    exit code 0 when the registration gave IDOK
//   e2e_plant.exe programs         prints the Start menu's Programs folder (UTF-8)
#include "platform/win32/Win.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "installer/Registration.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Strings.h"

namespace {

int PrintPrograms() {
  wchar_t path[MAX_PATH + 1] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAMS, FALSE)) return 1;
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, path, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, path, -1, utf8.data(), n, nullptr, nullptr);
  std::fputs(utf8.c_str(), stdout);
  std::fputs("\n", stdout);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && std::wcscmp(argv[1], L"programs") == 0) return PrintPrograms();
  if (argc == 3 && std::wcscmp(argv[1], L"register") == 0) {
    Win32Platform platform(::GetModuleHandleW(nullptr));
    return RegisterUninstall(platform, win32::Narrow(argv[2])) == IDOK ? 0 : 1;
  }
  std::fputs("usage: e2e_plant.exe register DEST | programs\n", stderr);
  return 2;
}

// Entry point on Windows: the one application object runs on the real platform.
#include "platform/win32/Win.h"

#include "installer/InstallerApp.h"
#include "platform/win32/DllSearch.h"
#include "platform/win32/Win32Platform.h"

CInstallerApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  RestrictDllSearch();
  Win32Platform platform(instance);
  return AfxWinMain(platform, showCommand);
}

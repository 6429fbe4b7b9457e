// Entry point on Windows: the one application object runs on the real platform.
#include "platform/win32/Win.h"

#include "platform/win32/DllSearch.h"
#include "platform/win32/Win32Platform.h"
#include "uninst/UninstApp.h"

CUninstApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  RestrictDllSearch();
  Win32Platform platform(instance);
  return AfxWinMain(platform, showCommand);
}

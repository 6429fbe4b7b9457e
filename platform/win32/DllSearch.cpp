#include "platform/win32/DllSearch.h"

#include "platform/win32/Win.h"

void RestrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  // kernel32 is in every process; GetModuleHandleW takes no reference.
  if (HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll")) {
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  }
  ::SetDllDirectoryW(L"");
}

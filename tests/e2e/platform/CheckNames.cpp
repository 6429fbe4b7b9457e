// Names the system hands back that have no exact Shift-JIS form (Wine and
// Windows only: the conversion itself is the system's). Narrowing never
// uses a best-fit look-alike; a search result keeps '?' in their place; a
// path the system hands back (the current folder, the module path, a
// control's text) makes the call fail with ERROR_NO_UNICODE_TRANSLATION.
#include "platform/win32/Win.h"

#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Strings.h"
#include "platform/win32/Win32Ui.h"
#include "tests/e2e/platform/CheckSupport.h"

namespace check {

void CheckHostileNames(cases::Checker& c, const Places& at) {
  // The conversion: the yen sign and é have no Shift-JIS form; best fit
  // would give 0x5C (a backslash) and e.
  const win32::Narrowed narrowed = win32::NarrowChecked(L"x\u00A5..\u00A5\u00E9");
  c.Bytes(narrowed.text, "x?..??", "narrowing puts '?' for the yen sign and for e-acute, no look-alike");
  c(!narrowed.exact, "  ... and says it was not exact");
  const win32::Narrowed japanese = win32::NarrowChecked(L"ソ表\uFF3C");
  c(japanese.exact, "Japanese text and the full-width backslash narrow exactly", Hex(japanese.text.view()));
  CString untouched = "unchanged";
  ::SetLastError(0);
  c(!win32::NarrowExact(L"C:\\x\u00A5y", untouched) && untouched == "unchanged",
    "NarrowExact refuses a path without an exact form and leaves the output alone");
  c.Number(::GetLastError(), ERROR_NO_UNICODE_TRANSLATION, "  ... with ERROR_NO_UNICODE_TRANSLATION");

  // The current folder inside a folder named with a yen sign.
  Win32FileSystem files;
  const std::wstring yenFolder = at.baseWide + L"\\cur\u00A5rent";
  ::CreateDirectoryW(yenFolder.c_str(), nullptr);
  wchar_t before[MAX_PATH + 1] = {};
  ::GetCurrentDirectoryW(MAX_PATH + 1, before);
  if (c(::SetCurrentDirectoryW(yenFolder.c_str()) != 0, "the current folder is set to cur\u00A5rent")) {
    CString folder = "unchanged";
    files.SetLastError(0);
    c.Number(files.GetCurrentDirectoryA(MAX_PATH + 1, folder), 0,
             "GetCurrentDirectoryA fails there rather than give another path");
    c.Number(files.GetLastError(), ERROR_NO_UNICODE_TRANSLATION, "  ... with ERROR_NO_UNICODE_TRANSLATION");
    c(folder == "unchanged", "  ... and leaves the output alone", Shown(folder));
    ::SetCurrentDirectoryW(before);
  }
  ::RemoveDirectoryW(yenFolder.c_str());

  // A control's text read back.
  Win32Ui ui(::GetModuleHandleW(nullptr));
  const HWND edit = ::CreateWindowExW(0, L"EDIT", L"a\u00A5b", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      ::GetModuleHandleW(nullptr), nullptr);
  if (c(edit != nullptr, "an edit control holding a yen sign")) {
    ::SetLastError(0);
    c.Bytes(ui.GetWindowTextA(edit), "", "GetWindowTextA gives no text rather than a changed one");
    c.Number(::GetLastError(), ERROR_NO_UNICODE_TRANSLATION, "  ... with ERROR_NO_UNICODE_TRANSLATION");
    ::SetWindowTextW(edit, L"ソ表");
    c.Bytes(ui.GetWindowTextA(edit), "ソ表", "an exact text reads back in Shift-JIS");
    ::DestroyWindow(edit);
  }

  // The module's own path: exact here (the check runs from an ASCII path),
  // and the layer hands the same bytes the system names.
  wchar_t module[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, module, MAX_PATH + 1);
  const win32::Narrowed modulePath = win32::NarrowChecked(std::wstring_view(module, length));
  if (modulePath.exact) {
    c.Bytes(ui.GetModuleFileNameA(), modulePath.text.view(), "GetModuleFileNameA gives the module's path");
  } else {
    ::SetLastError(0);
    c.Bytes(ui.GetModuleFileNameA(), "", "GetModuleFileNameA of a path without an exact form gives nothing");
    c.Number(::GetLastError(), ERROR_NO_UNICODE_TRANSLATION, "  ... with ERROR_NO_UNICODE_TRANSLATION");
  }
}

}  // namespace check

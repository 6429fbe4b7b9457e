// Dialog templates read from a compiled resource file (.res), so the
// in-memory user interface knows the same controls the real dialogs have.
#pragma once

#include <map>
#include <string_view>
#include <vector>

#include "platform/CString.h"
#include "platform/WinTypes.h"

struct DialogControl {
  int id = 0;
  CString className;  // "Button", "Edit", "Static", "msctls_progress32", ...
  CString text;       // Shift-JIS
  DWORD style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
  UINT id = 0;
  CString caption;
  DWORD style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  int pointSize = 0;
  CString faceName;
  std::vector<DialogControl> controls;
};

// Every RT_DIALOG resource with a numeric id in the .res image, in DIALOG or
// DIALOGEX form. Malformed data ends the reading at that resource.
std::map<UINT, DialogTemplate> ReadDialogTemplates(std::string_view res);

// UTF-16 to Shift-JIS as the system converts; characters without a
// Shift-JIS form become '?'.
CString Utf16ToShiftJis(std::u16string_view text);

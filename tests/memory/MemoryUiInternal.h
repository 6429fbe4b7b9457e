// Helpers the parts of the in-memory user interface share.
#pragma once

#include <string>

#include "platform/CString.h"
#include "platform/WinTypes.h"

namespace mem::ui {

inline constexpr UINT_PTR kDesktopWindow = 0x10010;
inline constexpr COLORREF kBlack = 0;
// Dialog units to pixels for the templates' 9-point font (close enough for
// tests that only look at the layout's proportions).
inline constexpr int kDialogUnitX = 2;
inline constexpr int kDialogUnitY = 2;

// A text for a failure message: control characters escaped, the rest as is.
std::string Printable(const CString& s);

bool IsEditClass(const CString& cls);
bool IsButtonClass(const CString& cls);
bool IsProgressClass(const CString& cls);

}  // namespace mem::ui

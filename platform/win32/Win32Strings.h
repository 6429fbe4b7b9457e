// Conversions between the programs' Shift-JIS bytes and the system's UTF-16.
// Code page 932 is named explicitly, never the ANSI code page of the running
// system, so the programs treat their text the same under any system locale.
// Every string that crosses into a W function, or comes back from one,
// passes through here.
#pragma once

#include "platform/win32/Win.h"

#include <string>
#include <string_view>

#include "platform/CString.h"

namespace win32 {

inline constexpr UINT kCodePage = 932;

// Shift-JIS to UTF-16. Conversion stops at nothing: an embedded zero byte
// becomes a zero character. Bytes that are no character of the code page
// become the system's replacement character.
std::wstring Widen(std::string_view text);

// UTF-16 to Shift-JIS, never through a look-alike: the system's best-fit
// table would turn the yen sign U+00A5 into 0x5C, a backslash, and é into e,
// so that a name read from the disk would become a path to another entry.
// A character without an exact Shift-JIS form becomes the default character
// '?', which Windows refuses in every name, so the result names nothing.
struct Narrowed {
  CString text;
  bool exact = true;  // false when some character had no Shift-JIS form
};
Narrowed NarrowChecked(std::wstring_view text);

// NarrowChecked's text: for what is shown or compared, never for a path
// handed on (a search result's name is one: its '?' makes it unusable).
CString Narrow(std::wstring_view text);

// For a path the system hands back (current folder, module path, shell
// folders): the exact Shift-JIS form, or false with the last error set to
// ERROR_NO_UNICODE_TRANSLATION and out left unchanged.
bool NarrowExact(std::wstring_view text, CString& out);

// Widens registry string data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) byte
// count for byte count: the text between zero bytes is converted piece by
// piece and every zero byte stays one zero character, so a multi-string of
// one string and two zero bytes becomes the UTF-16 string and two zero
// characters. A double-byte character never holds a zero byte, so cutting at
// zeros never splits one; a lead byte left alone before a zero cannot swallow
// the terminator that follows it.
std::wstring WidenZeroSeparated(std::string_view bytes);

// True for the registry types whose data is text.
constexpr bool IsRegistryStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

}  // namespace win32

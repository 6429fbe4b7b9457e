// Code page 932 conversions for the in-memory platform, done with iconv the
// way the system's own conversions behave without their strict flags: a
// byte sequence that has no character becomes KATAKANA MIDDLE DOT (U+30FB),
// a character that has no Shift-JIS form becomes '?'.
#pragma once

#include <string>
#include <string_view>

namespace mem {

std::u16string Cp932ToUtf16(std::string_view text);
std::string Utf16ToCp932(std::u16string_view text);

// For people reading a dump: the text in UTF-8, with \xNN for bytes that
// are no character and for control characters.
std::string Cp932ToReadable(std::string_view text);

}  // namespace mem

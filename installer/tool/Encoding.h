// Conversions between the programs' code page 932 and the UTF-8 of a Linux
// terminal, for the CD authors' tool.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Shift-JIS bytes as UTF-8; a byte sequence that is not code page 932
// becomes U+FFFD, so any input gives printable output.
std::string Cp932ToUtf8(std::string_view sjis);

// UTF-8 as Shift-JIS bytes; nothing when the text is not valid UTF-8 or holds
// a character code page 932 lacks.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// Paths as Windows reads them, in Shift-JIS bytes: separators, drives, the
// names Windows shortens, and paths split, compared and joined by levels.
// Only a single-byte \ or / separates: the second byte of ソ or 表 (0x83 0x5C,
// 0x95 0x5C) is the backslash's byte, so every search steps over double-byte
// characters whole.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "platform/CString.h"

// \ or /; asked only of the first byte of a character.
constexpr bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The index of the first separator at or after from (a character's start),
// or of the last one; npos when there is none.
std::size_t NextSeparator(std::string_view path, std::size_t from = 0);
std::size_t LastSeparator(std::string_view path);

// A drive: a letter and a colon ("C:", "q:"), nothing more.
constexpr bool IsDriveSpec(std::string_view s) {
  return s.size() == 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

// Windows drops trailing dots and spaces from a path's last level, so a name
// ending in either would address another entry (or the folder itself).
// Neither byte is ever the second byte of a double-byte character.
constexpr bool EndsInDotOrSpace(std::string_view name) {
  return !name.empty() && (name.back() == '.' || name.back() == ' ');
}

// The levels of a path in order, split at every separator, empty levels
// dropped ("\a\\b\" gives "a", "b"); views into path.
std::vector<std::string_view> SplitPath(std::string_view path);

// True when path's first levels are prefix's, each the same name ignoring
// the case of single-byte letters (MbsICmp).
bool StartsWithLevels(const std::vector<CString>& path, const std::vector<CString>& prefix);

// name in folder: folder, a backslash and name; folder alone when name is empty.
inline CString JoinPath(const CString& folder, const CString& name) {
  return name.IsEmpty() ? folder : folder + "\\" + name;
}

// Windows path rules for the in-memory file system: splitting at \ and /
// (never at the second byte of a double-byte character), drive letters,
// relative paths against the current folder, "." and "..", names compared
// with ASCII letters folded to upper case and double-byte characters taken
// exactly, and the wildcard match of a directory search.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WinTypes.h"

namespace mem {

constexpr DWORD ERROR_WRITE_PROTECT_CODE = 19;
constexpr DWORD ERROR_NO_MORE_FILES_CODE = 18;
constexpr DWORD ERROR_NOT_SAME_DEVICE_CODE = 17;
constexpr DWORD ERROR_BAD_NETPATH_CODE = 53;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER_CODE = 122;
constexpr DWORD ERROR_BAD_PATHNAME_CODE = 161;
constexpr DWORD ERROR_MR_MID_NOT_FOUND_CODE = 317;
constexpr DWORD ERROR_NOACCESS_CODE = 998;
constexpr DWORD ERROR_KEY_DELETED_CODE = 1018;
constexpr DWORD ERROR_CHILD_MUST_BE_VOLATILE_CODE = 1021;

// The longest full path, in characters, without the terminator.
constexpr std::size_t kMaxPathChars = 259;

// Length in bytes of the character at s[i] as the system's code page 932
// conversion sees it: 2 for a lead byte followed by a valid trail byte
// (0x40-0x7E, 0x80-0xFC), 1 otherwise.
std::size_t PathCharLength(std::string_view s, std::size_t i);

// The number of characters (a double-byte character counts once).
std::size_t PathCharCount(std::string_view s);

// The name with single-byte ASCII letters in upper case; double-byte
// characters unchanged. Two names are the same entry when their folds are equal.
std::string FoldName(std::string_view name);

// Case-insensitive search of fragment in text, matching only at character starts.
bool ContainsFolded(std::string_view text, std::string_view fragment);

// A full path: drive letter (upper case) and its components, spelled as given.
struct FullPath {
  char drive = 0;
  std::vector<std::string> parts;

  bool IsRoot() const { return parts.empty(); }
  // "C:\\a\\b", or "C:\\" for a root.
  std::string Text() const;
  FullPath Parent() const;
  const std::string& Leaf() const { return parts.back(); }
};

struct ResolvedPath {
  FullPath path;
  DWORD error = 0;                 // 0, or why the path is unusable
  bool trailingSeparator = false;  // the text ended in \ or / after a name
};

// Turns path into a full path. current is the process's current folder.
// A lead byte that lacks a valid second byte becomes the middle dot ・, as
// in the system's own conversion of the path (so a name never ends in half
// a character).
// With pattern set, the last component may hold * and ?; one that does is
// kept as written. Otherwise trailing dots and spaces of the last component
// are dropped, as the system's own path normaliser does, in a search too
// (a search for "C:\\dest." finds "C:\\dest"), but not when a separator
// follows it ("C:\\name \\" keeps the space). A component followed by a
// separator loses a single trailing dot ("C:\\dest.\\x" is "C:\\dest\\x",
// "C:\\dest..\\x" is not).
ResolvedPath ResolvePath(std::string_view path, const FullPath& current, bool pattern);

// The DOS device a path's last component names: NUL, CON, AUX, PRN,
// COM1-COM9 or LPT1-LPT9, in any case, with or without an extension (the
// spaces before the extension do not count). Returns the device's name as
// written, without the extension ("NUL" for "NUL.txt"), or an empty string
// when the component is an ordinary name. Such a name never reaches a folder:
// the system opens the device instead, whatever folder the path names.
std::string DeviceName(std::string_view component);

// True when a component holds a wildcard (* or ?).
bool HasWildcard(std::string_view component);

// The search match of one name against a pattern component: * is any run of
// characters, ? one character or none where the name has a dot or has ended
// (so "????.*" matches "img"), letters ignore case; a pattern ending in
// ".*" also matches the names that match the part before it (so "*.*"
// matches every name, with or without a dot); a wildcard pattern ending in a
// dot matches only names without one (so "*." lists those without an
// extension, "." and ".." included).
bool MatchPattern(std::string_view pattern, std::string_view name);

}  // namespace mem

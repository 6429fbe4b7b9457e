#include "tests/memory/MemoryPath.h"

#include "platform/CString.h"

namespace mem {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// KATAKANA MIDDLE DOT in code page 932.
constexpr std::string_view kNoCharacter = "\x81\x45";

bool IsValidTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// A name component holds no control character and none of < > : " | and,
// outside a search pattern, neither * nor ?.
bool IsValidComponent(std::string_view name, bool allowWildcards) {
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t len = PathCharLength(name, i);
    if (len == 1) {
      const auto c = static_cast<unsigned char>(name[i]);
      if (c < 0x20) return false;
      switch (c) {
        case '<':
        case '>':
        case ':':
        case '"':
        case '|': return false;
        case '*':
        case '?':
          if (!allowWildcards) return false;
          break;
        default: break;
      }
    }
    i += len;
  }
  return true;
}

// Drops trailing dots and spaces (single bytes, which are never trail bytes).
std::string StripTrailingDotsAndSpaces(std::string name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  return name;
}

// A '?' of a pattern: one character, or none where the name has a dot or
// has ended (as the system's matcher treats it).
constexpr unsigned kDosQuestion = 0x10000;

// One matching unit: a single byte (letters folded) or a double-byte pair.
std::vector<unsigned> Units(std::string_view s) {
  std::vector<unsigned> units;
  units.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t len = PathCharLength(s, i);
    if (len == 2) {
      units.push_back((static_cast<unsigned char>(s[i]) << 8) | static_cast<unsigned char>(s[i + 1]));
    } else {
      units.push_back(static_cast<unsigned char>(UpperAscii(s[i])));
    }
    i += len;
  }
  return units;
}

std::vector<unsigned> PatternUnits(std::string_view s) {
  std::vector<unsigned> units = Units(s);
  for (std::size_t i = 0; i < units.size(); ++i) {
    if (units[i] == '?') units[i] = kDosQuestion;
  }
  return units;
}

bool Glob(const std::vector<unsigned>& pattern, const std::vector<unsigned>& name) {
  // Iterative match with one backtrack point: the last * seen.
  std::size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == kDosQuestion) {
      ++p;
      if (name[n] != '.') ++n;
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && (pattern[p] == '*' || pattern[p] == kDosQuestion)) ++p;
  return p == pattern.size();
}

}  // namespace

std::size_t PathCharLength(std::string_view s, std::size_t i) {
  if (i + 1 < s.size() && IsLeadByte(static_cast<unsigned char>(s[i])) &&
      IsValidTrailByte(static_cast<unsigned char>(s[i + 1]))) {
    return 2;
  }
  return 1;
}

std::size_t PathCharCount(std::string_view s) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.size(); i += PathCharLength(s, i)) ++count;
  return count;
}

std::string FoldName(std::string_view name) {
  std::string folded(name);
  for (std::size_t i = 0; i < folded.size();) {
    const std::size_t len = PathCharLength(folded, i);
    if (len == 1) folded[i] = UpperAscii(folded[i]);
    i += len;
  }
  return folded;
}

bool ContainsFolded(std::string_view text, std::string_view fragment) {
  const std::string t = FoldName(text);
  const std::string f = FoldName(fragment);
  if (f.empty()) return true;
  for (std::size_t i = 0; i + f.size() <= t.size(); i += PathCharLength(t, i)) {
    if (t.compare(i, f.size(), f) == 0) return true;
  }
  return false;
}

std::string FullPath::Text() const {
  std::string text;
  text += drive;
  text += ":\\";
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += '\\';
    text += parts[i];
  }
  return text;
}

FullPath FullPath::Parent() const {
  FullPath parent = *this;
  if (!parent.parts.empty()) parent.parts.pop_back();
  return parent;
}

ResolvedPath ResolvePath(std::string_view path, const FullPath& current, bool pattern) {
  ResolvedPath result;
  if (path.empty()) {
    result.error = ERROR_PATH_NOT_FOUND;
    return result;
  }

  std::string_view rest = path;
  // "\\?\X:\..." and "\\.\X:\..." name a drive's path as well (the
  // literal rules of the long-path prefix are not modelled).
  if (rest.size() >= 6 && (rest.substr(0, 4) == "\\\\?\\" || rest.substr(0, 4) == "\\\\.\\") &&
      IsAsciiLetter(rest[4]) && rest[5] == ':') {
    rest.remove_prefix(4);
  }
  if (rest.size() >= 2 && IsAsciiLetter(rest[0]) && rest[1] == ':') {
    result.path.drive = UpperAscii(rest[0]);
    rest.remove_prefix(2);
    if (rest.empty() || !IsSeparator(rest[0])) {
      // "X:name" is relative to the folder current on that drive; only the
      // current drive has one here, the others start at their root.
      if (current.drive == result.path.drive) result.path.parts = current.parts;
    }
  } else if (rest.size() >= 2 && IsSeparator(rest[0]) && IsSeparator(rest[1])) {
    result.error = ERROR_BAD_NETPATH_CODE;  // a network path: no such thing here
    return result;
  } else if (IsSeparator(rest[0])) {
    result.path.drive = current.drive;
  } else {
    result.path = current;
  }
  if (result.path.drive == 0) {
    result.error = ERROR_PATH_NOT_FOUND;
    return result;
  }

  // Split at separators, character by character.
  std::vector<std::string> components;
  std::string name;
  bool lastWasSeparator = false;
  for (std::size_t i = 0; i < rest.size();) {
    const std::size_t len = PathCharLength(rest, i);
    if (len == 1 && IsSeparator(rest[i])) {
      if (!name.empty()) components.push_back(std::move(name));
      name.clear();
      lastWasSeparator = true;
    } else if (len == 1 && IsLeadByte(static_cast<unsigned char>(rest[i]))) {
      // A lead byte without its second byte is no character: the system's
      // conversion makes it the middle dot, and so does this one.
      name.append(kNoCharacter);
      lastWasSeparator = false;
    } else {
      name.append(rest.substr(i, len));
      lastWasSeparator = false;
    }
    i += len;
  }
  if (!name.empty()) components.push_back(std::move(name));
  result.trailingSeparator = lastWasSeparator && !components.empty();

  for (std::size_t i = 0; i < components.size(); ++i) {
    std::string& part = components[i];
    const bool last = i + 1 == components.size();
    if (part == ".") continue;
    if (part == "..") {
      if (!result.path.parts.empty()) result.path.parts.pop_back();
      continue;
    }
    if (!last || result.trailingSeparator) {
      // A component followed by a separator loses one trailing dot (not
      // two, and not its spaces): "C:\\dest.\\x" is "C:\\dest\\x".
      if (part.size() >= 2 && part.back() == '.' && part[part.size() - 2] != '.') part.pop_back();
    } else if (!(pattern && HasWildcard(part))) {
      part = StripTrailingDotsAndSpaces(std::move(part));
      if (part.empty()) continue;
    }
    if (!IsValidComponent(part, pattern && last)) {
      result.error = ERROR_INVALID_NAME;
      return result;
    }
    result.path.parts.push_back(std::move(part));
  }

  if (PathCharCount(result.path.Text()) > kMaxPathChars) result.error = ERROR_FILENAME_EXCED_RANGE;
  return result;
}

bool HasWildcard(std::string_view component) {
  // Stepping character by character: a lead byte is never * or ?.
  for (std::size_t i = 0; i < component.size(); i += PathCharLength(component, i)) {
    if (component[i] == '*' || component[i] == '?') return true;
  }
  return false;
}

std::string DeviceName(std::string_view component) {
  // The base name: up to the first dot, without the spaces before it.
  std::string_view base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  const std::string folded = FoldName(base);
  const bool device =
      folded == "NUL" || folded == "CON" || folded == "AUX" || folded == "PRN" ||
      (folded.size() == 4 && (folded.compare(0, 3, "COM") == 0 || folded.compare(0, 3, "LPT") == 0) &&
       folded[3] >= '1' && folded[3] <= '9');
  return device ? std::string(base) : std::string();
}

bool MatchPattern(std::string_view pattern, std::string_view name) {
  // A wildcard pattern ending in a dot ("*.", "ab?.") matches the names
  // without an extension: the system reads its dot as "a dot or the end".
  if (pattern.size() >= 2 && pattern.back() == '.' && HasWildcard(pattern)) {
    const std::string_view stem = pattern.substr(0, pattern.size() - 1);
    if (name == "." || name == "..") return stem == "*";
    return name.find('.') == std::string_view::npos && Glob(PatternUnits(stem), Units(name));
  }
  const std::vector<unsigned> n = Units(name);
  if (Glob(PatternUnits(pattern), n)) return true;
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*") {
    return Glob(PatternUnits(pattern.substr(0, pattern.size() - 2)), n);
  }
  return false;
}

}  // namespace mem

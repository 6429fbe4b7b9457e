#include "platform/CString.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

namespace {

std::size_t ClampCount(int count, std::size_t limit) {
  if (count <= 0) return 0;
  return std::min(static_cast<std::size_t>(count), limit);
}

bool IsAsciiUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }
bool IsAsciiLower(unsigned char c) { return c >= 'a' && c <= 'z'; }

// True when the byte at starts a character, told from the bytes before it
// back to the known character boundary floor: a byte that is not a lead byte
// always ends a character (it stands alone or is a second byte), so only
// the run of lead bytes just before at counts. Those pair up, each with the
// byte after it, so at starts a character when the run is even and is the
// second byte of one when it is odd.
bool IsBoundaryAfter(std::string_view s, std::size_t floor, std::size_t at) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(s.data());
  std::size_t runStart = at;
  while (runStart > floor && IsLeadByte(bytes[runStart - 1])) --runStart;
  return (at - runStart) % 2 == 0;
}

// A text to search for (not empty), with what its own bytes say about where
// a match of it ends. Inside a match the string's bytes are the pattern's,
// so the match ends at a character boundary unless the pattern's last byte
// begins a character as a lead byte, which then takes the byte after the
// match along (a lead byte at the very end of the string stands alone).
struct Pattern {
  explicit Pattern(std::string_view text)
      : text(text), endsOnLeadByte(!IsBoundaryAfter(text, 0, text.size())) {}
  std::string_view text;
  bool endsOnLeadByte;
};

// The first occurrence of sub at or after the character boundary from that
// starts and ends at a character boundary; npos when none. The byte search
// finds candidates; whether one starts a character is told from the bytes
// just before it, never looking further back than the last boundary known,
// so the cost stays linear in the length.
std::size_t FindAtBoundary(std::string_view s, std::size_t from, const Pattern& sub) {
  std::size_t boundary = from;
  std::size_t searchFrom = from;
  for (;;) {
    const std::size_t candidate = s.find(sub.text, searchFrom);
    if (candidate == std::string_view::npos) return candidate;
    const bool startsCharacter = IsBoundaryAfter(s, boundary, candidate);
    if (startsCharacter && (!sub.endsOnLeadByte || candidate + sub.text.size() == s.size())) {
      return candidate;
    }
    // A candidate inside a character (the next character then begins just
    // after it), or one whose end would split a character: search on after
    // its first byte.
    boundary = startsCharacter ? candidate : candidate + 1;
    searchFrom = candidate + 1;
  }
}

// True when a and b share any byte.
bool Overlaps(std::string_view a, std::string_view b) {
  if (a.empty() || b.empty()) return false;
  const std::less<const char*> before;
  return before(a.data(), b.data() + b.size()) && before(b.data(), a.data() + a.size());
}

// Index where the run of trailing characters accepted by pred begins,
// walking characters from the front so trail bytes are never inspected alone.
template <typename Pred>
std::size_t TrailingRunStart(std::string_view s, Pred pred, bool acceptsLeadByte) {
  if (!acceptsLeadByte) {
    // Every accepted byte ends a character, so the run is read from the
    // end; only its first byte may be the second byte of a character.
    std::size_t runStart = s.size();
    while (runStart > 0 && pred(static_cast<unsigned char>(s[runStart - 1]))) --runStart;
    if (runStart == s.size() || IsBoundaryAfter(s, 0, runStart)) return runStart;
    return runStart + 1;
  }
  std::size_t runStart = s.size();
  bool inRun = false;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t len = CharLengthAt(s, i);
    if (len == 1 && pred(static_cast<unsigned char>(s[i]))) {
      if (!inRun) {
        runStart = i;
        inRun = true;
      }
    } else {
      inRun = false;
      runStart = s.size();
    }
    i += len;
  }
  return inRun ? runStart : s.size();
}

template <typename Pred>
std::size_t LeadingRunEnd(std::string_view s, Pred pred) {
  std::size_t i = 0;
  while (i < s.size() && CharLengthAt(s, i) == 1 && pred(static_cast<unsigned char>(s[i]))) ++i;
  return i;
}

// One character as a number: a double-byte character is lead * 256 + trail,
// so it sorts after every single byte, as the runtime's comparison does.
unsigned CharValueAt(std::string_view s, std::size_t i, std::size_t len) {
  const auto lead = static_cast<unsigned char>(s[i]);
  if (len == 2) return (static_cast<unsigned>(lead) << 8) | static_cast<unsigned char>(s[i + 1]);
  return lead;
}

}  // namespace

std::size_t CharLengthAt(std::string_view s, std::size_t i) {
  if (i + 1 < s.size() && IsLeadByte(static_cast<unsigned char>(s[i]))) return 2;
  return 1;
}

CString CString::Left(int count) const { return CString(m_s.substr(0, ClampCount(count, m_s.size()))); }

CString CString::Right(int count) const {
  const std::size_t n = ClampCount(count, m_s.size());
  return CString(m_s.substr(m_s.size() - n));
}

CString CString::Mid(int first) const {
  const std::size_t from = ClampCount(first, m_s.size());
  return CString(m_s.substr(from));
}

CString CString::Mid(int first, int count) const {
  const std::size_t from = ClampCount(first, m_s.size());
  return CString(m_s.substr(from, ClampCount(count, m_s.size() - from)));
}

int CString::Find(char ch, int start) const {
  if (start < 0 || static_cast<std::size_t>(start) >= m_s.size()) return -1;
  const auto from = static_cast<std::size_t>(start);
  // The first character boundary at or after start, then the byte search.
  std::size_t boundary = IsBoundaryAfter(m_s, 0, from) ? from : from + 1;
  const auto target = static_cast<unsigned char>(ch);
  while (boundary < m_s.size()) {
    const void* hit = std::memchr(m_s.data() + boundary, target, m_s.size() - boundary);
    if (hit == nullptr) return -1;
    const auto candidate = static_cast<std::size_t>(static_cast<const char*>(hit) - m_s.data());
    if (IsBoundaryAfter(m_s, boundary, candidate)) {
      if (CharLengthAt(m_s, candidate) == 1) return static_cast<int>(candidate);
      boundary = candidate + 2;  // a lead byte with its second byte
    } else {
      boundary = candidate + 1;  // the second byte of a character
    }
  }
  return -1;
}

int CString::Find(std::string_view sub, int start) const {
  if (start < 0 || static_cast<std::size_t>(start) > m_s.size()) return -1;
  const auto from = static_cast<std::size_t>(start);
  std::size_t i = 0;
  while (i < from) i += CharLengthAt(m_s, i);  // first character boundary at or after start
  if (sub.empty()) return static_cast<int>(std::min(i, m_s.size()));
  if (i >= m_s.size()) return -1;
  const std::size_t found = FindAtBoundary(m_s, i, Pattern(sub));
  return found == std::string_view::npos ? -1 : static_cast<int>(found);
}

int CString::ReverseFind(char ch) const {
  const auto target = static_cast<unsigned char>(ch);
  if (!IsLeadByte(target)) {
    // From the end: a byte that is not a lead byte is a character of its own
    // unless the run of lead bytes before it makes it a second byte. Each
    // look back stops at the first byte that is not a lead byte, so no byte
    // is looked at twice.
    for (std::size_t end = m_s.size(); end > 0;) {
      const std::size_t candidate = m_s.rfind(ch, end - 1);
      if (candidate == std::string::npos) return -1;
      if (IsBoundaryAfter(m_s, 0, candidate)) return static_cast<int>(candidate);
      end = candidate;
    }
    return -1;
  }
  int found = -1;
  for (std::size_t i = 0; i < m_s.size();) {
    const std::size_t len = CharLengthAt(m_s, i);
    if (len == 1 && m_s[i] == ch) found = static_cast<int>(i);
    i += len;
  }
  return found;
}

CString& CString::TrimLeft() {
  m_s.erase(0, LeadingRunEnd(m_s, IsSpaceByte));
  return *this;
}

CString& CString::TrimRight() {
  m_s.erase(TrailingRunStart(m_s, IsSpaceByte, false));
  return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }

CString& CString::TrimLeft(char ch) {
  const auto target = static_cast<unsigned char>(ch);
  m_s.erase(0, LeadingRunEnd(m_s, [target](unsigned char c) { return c == target; }));
  return *this;
}

CString& CString::TrimRight(char ch) {
  const auto target = static_cast<unsigned char>(ch);
  m_s.erase(TrailingRunStart(
      m_s, [target](unsigned char c) { return c == target; }, IsLeadByte(target)));
  return *this;
}

CString& CString::MakeReverse() {
  std::string reversed(m_s.size(), '\0');
  std::size_t out = m_s.size();
  for (std::size_t i = 0; i < m_s.size();) {
    const std::size_t len = CharLengthAt(m_s, i);
    out -= len;
    m_s.copy(&reversed[out], len, i);
    i += len;
  }
  m_s = std::move(reversed);
  return *this;
}

CString& CString::MakeLower() {
  for (std::size_t i = 0; i < m_s.size();) {
    const std::size_t len = CharLengthAt(m_s, i);
    const auto c = static_cast<unsigned char>(m_s[i]);
    if (len == 1 && IsAsciiUpper(c)) m_s[i] = static_cast<char>(c - 'A' + 'a');
    i += len;
  }
  return *this;
}

CString& CString::MakeUpper() {
  for (std::size_t i = 0; i < m_s.size();) {
    const std::size_t len = CharLengthAt(m_s, i);
    const auto c = static_cast<unsigned char>(m_s[i]);
    if (len == 1 && IsAsciiLower(c)) m_s[i] = static_cast<char>(c - 'a' + 'A');
    i += len;
  }
  return *this;
}

int CString::Delete(int index, int count) {
  const std::size_t from = ClampCount(index, m_s.size());
  m_s.erase(from, ClampCount(count, m_s.size() - from));
  return GetLength();
}

int CString::Insert(int index, std::string_view s) {
  m_s.insert(ClampCount(index, m_s.size()), s);
  return GetLength();
}

int CString::Replace(std::string_view oldText, std::string_view newText) {
  if (oldText.empty()) return 0;
  // Texts that lie inside this string are copied first: the string changes
  // under them.
  if (Overlaps(oldText, m_s) || Overlaps(newText, m_s)) {
    return Replace(std::string(oldText), std::string(newText));
  }
  const Pattern pattern(oldText);
  std::size_t at = FindAtBoundary(m_s, 0, pattern);
  if (at == std::string::npos) return 0;
  int replaced = 0;
  if (newText.size() <= oldText.size()) {
    // The text never grows: move the kept bytes down in place. Writing stays
    // behind reading, and the search only ever looks at bytes not yet
    // written over, so what a removal forms is never matched.
    std::size_t read = 0;
    std::size_t write = 0;
    while (at != std::string::npos) {
      std::memmove(m_s.data() + write, m_s.data() + read, at - read);
      write += at - read;
      if (!newText.empty()) std::memcpy(m_s.data() + write, newText.data(), newText.size());
      write += newText.size();
      read = at + oldText.size();
      ++replaced;
      at = read < m_s.size() ? FindAtBoundary(m_s, read, pattern) : std::string::npos;
    }
    std::memmove(m_s.data() + write, m_s.data() + read, m_s.size() - read);
    m_s.resize(write + m_s.size() - read);
    return replaced;
  }
  std::string result;
  result.reserve(m_s.size() + newText.size() - oldText.size());
  std::size_t copiedUpTo = 0;
  while (at != std::string::npos) {
    result.append(m_s, copiedUpTo, at - copiedUpTo);
    result.append(newText);
    copiedUpTo = at + oldText.size();
    ++replaced;
    at = copiedUpTo < m_s.size() ? FindAtBoundary(m_s, copiedUpTo, pattern) : std::string::npos;
  }
  result.append(m_s, copiedUpTo, std::string::npos);
  m_s = std::move(result);
  return replaced;
}

int MbsICmp(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const std::size_t la = CharLengthAt(a, i);
    const std::size_t lb = CharLengthAt(b, j);
    unsigned ca = CharValueAt(a, i, la);
    unsigned cb = CharValueAt(b, j, lb);
    if (la == 1 && IsAsciiUpper(static_cast<unsigned char>(ca))) ca += 'a' - 'A';
    if (lb == 1 && IsAsciiUpper(static_cast<unsigned char>(cb))) cb += 'a' - 'A';
    if (ca != cb) return ca < cb ? -1 : 1;
    i += la;
    j += lb;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

CString CStringList::RemoveHead() {
  CString head = std::move(m_items.front());
  m_items.pop_front();
  return head;
}

#include "platform/CString.h"

#include <algorithm>
#include <utility>

namespace {

std::size_t ClampCount(int count, std::size_t limit) {
  if (count <= 0) return 0;
  return std::min(static_cast<std::size_t>(count), limit);
}

bool IsAsciiUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }
bool IsAsciiLower(unsigned char c) { return c >= 'a' && c <= 'z'; }

// True when text starting at the character boundary i matches sub byte for
// byte and the match also ends at a character boundary, so that a pattern
// never takes half of a double-byte character.
bool MatchesAt(std::string_view s, std::size_t i, std::string_view sub) {
  if (s.size() - i < sub.size() || s.compare(i, sub.size(), sub) != 0) return false;
  std::size_t end = i;
  const std::size_t want = i + sub.size();
  while (end < want) end += CharLengthAt(s, end);
  return end == want;
}

// Index where the run of trailing characters accepted by pred begins,
// walking characters from the front so trail bytes are never inspected alone.
template <typename Pred>
std::size_t TrailingRunStart(std::string_view s, Pred pred) {
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

CString CString::Left(int count) const {
  return CString(m_s.substr(0, ClampCount(count, m_s.size())));
}

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
  for (std::size_t i = 0; i < m_s.size();) {
    const std::size_t len = CharLengthAt(m_s, i);
    if (i >= from && len == 1 && m_s[i] == ch) return static_cast<int>(i);
    i += len;
  }
  return -1;
}

int CString::Find(std::string_view sub, int start) const {
  if (start < 0 || static_cast<std::size_t>(start) > m_s.size()) return -1;
  const auto from = static_cast<std::size_t>(start);
  std::size_t i = 0;
  while (i < from) i += CharLengthAt(m_s, i);  // first character boundary at or after start
  if (sub.empty()) return static_cast<int>(std::min(i, m_s.size()));
  for (; i < m_s.size(); i += CharLengthAt(m_s, i)) {
    if (MatchesAt(m_s, i, sub)) return static_cast<int>(i);
  }
  return -1;
}

int CString::ReverseFind(char ch) const {
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
  m_s.erase(TrailingRunStart(m_s, IsSpaceByte));
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
  m_s.erase(TrailingRunStart(m_s, [target](unsigned char c) { return c == target; }));
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
  std::string result;
  int replaced = 0;
  std::size_t copiedUpTo = 0;
  for (std::size_t i = 0; i < m_s.size();) {
    if (MatchesAt(m_s, i, oldText)) {
      if (replaced == 0) result.reserve(m_s.size());
      result.append(m_s, copiedUpTo, i - copiedUpTo);
      result.append(newText);
      i += oldText.size();
      copiedUpTo = i;
      ++replaced;
    } else {
      i += CharLengthAt(m_s, i);
    }
  }
  if (replaced > 0) {
    result.append(m_s, copiedUpTo, std::string::npos);
    m_s = std::move(result);
  }
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

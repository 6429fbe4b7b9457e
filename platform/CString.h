// CString: a byte string in the ANSI code page (Shift-JIS, code page 932),
// held by value. Searching, trimming, reversing and case changes step over
// double-byte characters whole, so the second byte of a character such as
// ソ (0x83 0x5C) is never taken for a backslash. Left, Right, Mid, Delete and
// GetLength count bytes. CStringList is the ordered list the programs fill
// at the tail and consume from the head.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

// True for a Shift-JIS lead byte (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The single-byte white space: space, tab, LF, VT, FF, CR.
constexpr bool IsSpaceByte(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Byte length of the character starting at s[i]: 2 for a lead byte that has a
// following byte, 1 otherwise (a lone lead byte at the end counts as one).
std::size_t CharLengthAt(std::string_view s, std::size_t i);

class CString {
 public:
  CString() = default;
  CString(const char* s) : m_s(s ? s : "") {}  // NOLINT: implicit, as the framework's string
  CString(const char* s, std::size_t n) : m_s(s, n) {}
  CString(std::string s) : m_s(std::move(s)) {}  // NOLINT
  CString(std::string_view s) : m_s(s) {}        // NOLINT
  CString(char c, std::size_t repeat = 1) : m_s(repeat, c) {}

  int GetLength() const { return static_cast<int>(m_s.size()); }
  bool IsEmpty() const { return m_s.empty(); }
  void Empty() { m_s.clear(); }
  const char* GetString() const { return m_s.c_str(); }
  const char* c_str() const { return m_s.c_str(); }
  const std::string& str() const { return m_s; }
  std::string_view view() const { return m_s; }
  char GetAt(int i) const { return m_s[static_cast<std::size_t>(i)]; }
  char operator[](int i) const { return GetAt(i); }

  // Byte-counted extraction; counts beyond the ends are clamped.
  CString Left(int count) const;
  CString Right(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;

  // Character-wise searches: index of the first (last) occurrence, -1 if none.
  // A match is only ever at the start of a character.
  int Find(char ch, int start = 0) const;
  int Find(std::string_view sub, int start = 0) const;
  int ReverseFind(char ch) const;

  // Removes single-byte white space (or the given byte) at one end.
  CString& TrimLeft();
  CString& TrimRight();
  CString& Trim();
  CString& TrimLeft(char ch);
  CString& TrimRight(char ch);

  // Reverses character by character: a double-byte character keeps its byte order.
  CString& MakeReverse();
  // Changes the case of single-byte ASCII letters only.
  CString& MakeLower();
  CString& MakeUpper();

  // Deletes count bytes at index; returns the new length.
  int Delete(int index, int count = 1);
  int Insert(int index, std::string_view s);
  // Replaces every occurrence of old, left to right without overlap, matching
  // only at character boundaries; returns how many were replaced.
  int Replace(std::string_view oldText, std::string_view newText);

  CString& operator+=(const CString& o) {
    m_s += o.m_s;
    return *this;
  }
  CString& operator+=(const char* s) {
    m_s += s ? s : "";
    return *this;
  }
  CString& operator+=(char c) {
    m_s += c;
    return *this;
  }

  friend CString operator+(CString a, const CString& b) {
    a += b;
    return a;
  }
  friend CString operator+(CString a, const char* b) {
    a += b;
    return a;
  }
  friend CString operator+(const char* a, const CString& b) { return CString(a) += b; }
  friend CString operator+(CString a, char b) {
    a += b;
    return a;
  }
  friend bool operator==(const CString& a, const CString& b) { return a.m_s == b.m_s; }
  friend bool operator==(const CString& a, const char* b) { return a.m_s == (b ? b : ""); }
  friend auto operator<=>(const CString& a, const CString& b) { return a.m_s <=> b.m_s; }

 private:
  std::string m_s;
};

// Compares two Shift-JIS strings ignoring the case of single-byte letters;
// a double-byte character is compared as one unit. 0 when equal, <0 or >0
// by the order of the first differing character (as the runtime's _mbsicmp).
int MbsICmp(std::string_view a, std::string_view b);

class CStringList {
 public:
  void AddTail(const CString& s) { m_items.push_back(s); }
  void AddTail(CString&& s) { m_items.push_back(std::move(s)); }
  // The list must not be empty.
  CString RemoveHead();
  const CString& GetHead() const { return m_items.front(); }
  int GetCount() const { return static_cast<int>(m_items.size()); }
  bool IsEmpty() const { return m_items.empty(); }
  void RemoveAll() { m_items.clear(); }
  auto begin() const { return m_items.begin(); }
  auto end() const { return m_items.end(); }

 private:
  std::deque<CString> m_items;
};

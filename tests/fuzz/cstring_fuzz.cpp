// Differential fuzzing of CString: a random string goes through a random
// sequence of operations, both in CString and in a reference written the
// plainest possible way (a walk over the bytes that first lists where each
// character starts). Any difference in a result or in the string aborts.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/CString.h"

namespace ref {

bool Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool Space(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The characters of s: (start, length) in order. A lead byte with a byte
// after it takes that byte along; a lead byte at the very end stands alone.
struct Char {
  std::size_t start;
  std::size_t length;
};
std::vector<Char> Chars(const std::string& s) {
  std::vector<Char> chars;
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t length = 1;
    if (Lead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) length = 2;
    chars.push_back({i, length});
    i += length;
  }
  return chars;
}

bool IsBoundary(const std::string& s, std::size_t at) {
  if (at == s.size()) return true;
  for (const Char& c : Chars(s)) {
    if (c.start == at) return true;
  }
  return false;
}

int Find(const std::string& s, char ch, int start) {
  if (start < 0 || start >= static_cast<int>(s.size())) return -1;
  for (const Char& c : Chars(s)) {
    if (static_cast<int>(c.start) >= start && c.length == 1 && s[c.start] == ch)
      return static_cast<int>(c.start);
  }
  return -1;
}

int Find(const std::string& s, const std::string& sub, int start) {
  if (start < 0 || start > static_cast<int>(s.size())) return -1;
  std::vector<std::size_t> starts;
  for (const Char& c : Chars(s)) starts.push_back(c.start);
  starts.push_back(s.size());
  for (std::size_t at : starts) {
    if (static_cast<int>(at) < start) continue;
    if (sub.empty()) return static_cast<int>(at);
    if (at + sub.size() <= s.size() && s.compare(at, sub.size(), sub) == 0 &&
        IsBoundary(s, at + sub.size())) {
      return static_cast<int>(at);
    }
  }
  return -1;
}

int ReverseFind(const std::string& s, char ch) {
  int found = -1;
  for (const Char& c : Chars(s)) {
    if (c.length == 1 && s[c.start] == ch) found = static_cast<int>(c.start);
  }
  return found;
}

template <typename Pred>
std::string TrimLeft(const std::string& s, Pred drop) {
  for (const Char& c : Chars(s)) {
    if (c.length != 1 || !drop(static_cast<unsigned char>(s[c.start]))) return s.substr(c.start);
  }
  return "";
}

template <typename Pred>
std::string TrimRight(const std::string& s, Pred drop) {
  const std::vector<Char> chars = Chars(s);
  std::size_t keep = chars.size();
  while (keep > 0 && chars[keep - 1].length == 1 &&
         drop(static_cast<unsigned char>(s[chars[keep - 1].start])))
    --keep;
  return keep == 0 ? "" : s.substr(0, chars[keep - 1].start + chars[keep - 1].length);
}

std::string Reverse(const std::string& s) {
  std::string out;
  const std::vector<Char> chars = Chars(s);
  for (auto it = chars.rbegin(); it != chars.rend(); ++it) out += s.substr(it->start, it->length);
  return out;
}

std::string ChangeCase(const std::string& s, bool lower) {
  std::string out = s;
  for (const Char& c : Chars(s)) {
    if (c.length != 1) continue;
    char& b = out[c.start];
    if (lower && b >= 'A' && b <= 'Z') b = static_cast<char>(b + 32);
    if (!lower && b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
  }
  return out;
}

int Replace(std::string& s, const std::string& from, const std::string& to) {
  if (from.empty()) return 0;
  std::string out;
  int count = 0;
  std::size_t i = 0;
  const std::vector<Char> chars = Chars(s);
  std::size_t next = 0;  // index into chars of the character at i
  while (i < s.size()) {
    while (chars[next].start < i) ++next;
    if (chars[next].start == i && i + from.size() <= s.size() && s.compare(i, from.size(), from) == 0 &&
        IsBoundary(s, i + from.size())) {
      out += to;
      i += from.size();
      ++count;
    } else {
      out += s.substr(i, chars[next].length);
      i += chars[next].length;
    }
  }
  if (count > 0) s = out;
  return count;
}

std::size_t Clamp(int n, std::size_t limit) { return n <= 0 ? 0 : std::min<std::size_t>(n, limit); }

int Compare(const std::string& a, const std::string& b) {
  const std::vector<Char> ca = Chars(a), cb = Chars(b);
  for (std::size_t k = 0; k < ca.size() && k < cb.size(); ++k) {
    auto value = [](const std::string& s, const Char& c) {
      unsigned v = static_cast<unsigned char>(s[c.start]);
      if (c.length == 2) return v * 256 + static_cast<unsigned char>(s[c.start + 1]);
      return v >= 'A' && v <= 'Z' ? v + 32 : v;
    };
    const unsigned va = value(a, ca[k]), vb = value(b, cb[k]);
    if (va != vb) return va < vb ? -1 : 1;
  }
  if (ca.size() != cb.size()) return ca.size() < cb.size() ? -1 : 1;
  return 0;
}

}  // namespace ref

namespace {

void Check(bool ok, const char* what, const std::string& s) {
  if (ok) return;
  std::fprintf(stderr, "CString differs from the reference in %s on", what);
  for (unsigned char c : s) std::fprintf(stderr, " %02X", c);
  std::fprintf(stderr, "\n");
  std::abort();
}

// Bytes that matter to the rules: separators, white space, lead bytes at
// both ends of their ranges, trail bytes equal to a backslash, letters.
char InterestingByte(FuzzedDataProvider& in) {
  static const char kBytes[] = {'\\',   '/',    ' ',    '\t',   '\n',   '\r',   '\v',   '\f',
                                'a',    'A',    'z',    'Z',    '.',    '*',    '\x81', '\x9F',
                                '\xA0', '\xDF', '\xE0', '\xFC', '\xFD', '\x80', '\x5C', '\x40'};
  if (in.ConsumeBool()) return static_cast<char>(in.ConsumeIntegral<std::uint8_t>());
  return kBytes[in.ConsumeIntegralInRange<std::size_t>(0, sizeof kBytes - 1)];
}

std::string SmallString(FuzzedDataProvider& in) {
  std::string s;
  const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, 4);
  for (std::size_t i = 0; i < n; ++i) s += InterestingByte(in);
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  std::string expected;
  const std::size_t length = in.ConsumeIntegralInRange<std::size_t>(0, 64);
  for (std::size_t i = 0; i < length && in.remaining_bytes() > 0; ++i) expected += InterestingByte(in);
  CString s(expected);

  // Replacements can make the text grow fourfold at every step; past a
  // kilobyte the reference's character walks only slow the search down (a
  // timeout of the reference, not a finding), so the steps stop there.
  constexpr std::size_t kLongestText = 1024;
  for (int step = 0; step < 32 && in.remaining_bytes() > 0 && expected.size() <= kLongestText; ++step) {
    const int n = static_cast<int>(expected.size());
    const int index = in.ConsumeIntegralInRange<int>(-2, n + 2);
    const int count = in.ConsumeIntegralInRange<int>(-2, n + 2);
    switch (in.ConsumeIntegralInRange<int>(0, 18)) {
      case 0: {
        const char ch = InterestingByte(in);
        Check(s.Find(ch, index) == ref::Find(expected, ch, index), "Find(char)", expected);
        Check(s.Find(ch) == ref::Find(expected, ch, 0), "Find(char)", expected);
        break;
      }
      case 1: {
        const std::string sub = SmallString(in);
        Check(s.Find(sub, index) == ref::Find(expected, sub, index), "Find(string)", expected);
        break;
      }
      case 2: {
        const char ch = InterestingByte(in);
        Check(s.ReverseFind(ch) == ref::ReverseFind(expected, ch), "ReverseFind", expected);
        break;
      }
      case 3:
        s.TrimLeft();
        expected = ref::TrimLeft(expected, ref::Space);
        break;
      case 4:
        s.TrimRight();
        expected = ref::TrimRight(expected, ref::Space);
        break;
      case 5:
        s.Trim();
        expected = ref::TrimLeft(ref::TrimRight(expected, ref::Space), ref::Space);
        break;
      case 6: {
        const auto ch = static_cast<unsigned char>(InterestingByte(in));
        s.TrimLeft(static_cast<char>(ch));
        expected = ref::TrimLeft(expected, [ch](unsigned char c) { return c == ch; });
        break;
      }
      case 7: {
        const auto ch = static_cast<unsigned char>(InterestingByte(in));
        s.TrimRight(static_cast<char>(ch));
        expected = ref::TrimRight(expected, [ch](unsigned char c) { return c == ch; });
        break;
      }
      case 8:
        s.MakeReverse();
        expected = ref::Reverse(expected);
        break;
      case 9:
        s.MakeLower();
        expected = ref::ChangeCase(expected, true);
        break;
      case 10:
        s.MakeUpper();
        expected = ref::ChangeCase(expected, false);
        break;
      case 11: {
        const std::string from = SmallString(in), to = SmallString(in);
        const int got = s.Replace(from, to);
        Check(got == ref::Replace(expected, from, to), "Replace count", expected);
        break;
      }
      case 12: {
        const std::size_t at = ref::Clamp(index, expected.size());
        expected.erase(at, ref::Clamp(count, expected.size() - at));
        Check(s.Delete(index, count) == static_cast<int>(expected.size()), "Delete result", expected);
        break;
      }
      case 13: {
        const std::string piece = SmallString(in);
        expected.insert(ref::Clamp(index, expected.size()), piece);
        Check(s.Insert(index, piece) == static_cast<int>(expected.size()), "Insert result", expected);
        break;
      }
      case 14:
        s = s.Left(count);
        expected = expected.substr(0, ref::Clamp(count, expected.size()));
        break;
      case 15:
        s = s.Right(count);
        expected = expected.substr(expected.size() - ref::Clamp(count, expected.size()));
        break;
      case 16: {
        const std::size_t from = ref::Clamp(index, expected.size());
        Check(s.Mid(index) == CString(expected.substr(from)), "Mid", expected);
        s = s.Mid(index, count);
        expected = expected.substr(from, ref::Clamp(count, expected.size() - from));
        break;
      }
      case 17: {
        const std::string other =
            in.ConsumeBool() ? ref::ChangeCase(expected, in.ConsumeBool()) : SmallString(in);
        const int got = MbsICmp(expected, other);
        const int sign = (got > 0) - (got < 0);
        Check(sign == ref::Compare(expected, other), "MbsICmp", expected);
        break;
      }
      case 18: {
        for (std::size_t i = 0; i < expected.size(); ++i) {
          const std::size_t want =
              ref::Lead(static_cast<unsigned char>(expected[i])) && i + 1 < expected.size() ? 2 : 1;
          Check(CharLengthAt(expected, i) == want, "CharLengthAt", expected);
        }
        break;
      }
    }
    Check(s.str() == expected, "the string after an operation", expected);
    Check(s.GetLength() == static_cast<int>(expected.size()), "GetLength", expected);
  }
  return 0;
}

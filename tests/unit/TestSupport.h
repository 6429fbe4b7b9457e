// Helpers shared by the unit tests.
//
// TestSupport.cpp also ties the in-memory platform's reports into GoogleTest:
// an expectation a test scripted and never used, or a failure rule required
// to fire that never did, fails the running test at the line that set it up,
// without the test asking.
#pragma once

#include <ostream>

#include "platform/CString.h"

// Shows a CString in a failure message: printable ASCII as is, every other
// byte (Shift-JIS, control characters) as \xNN.
inline void PrintTo(const CString& s, std::ostream* os) {
  static const char kHex[] = "0123456789ABCDEF";
  *os << '"';
  for (char c : s.str()) {
    auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F && u != '\\') {
      *os << c;
    } else {
      *os << "\\x" << kHex[u >> 4] << kHex[u & 0xF];
    }
  }
  *os << '"';
}

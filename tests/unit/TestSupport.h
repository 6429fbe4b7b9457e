// Helpers shared by the unit tests.
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

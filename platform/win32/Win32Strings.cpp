#include "platform/win32/Win.h"

#include "platform/win32/Win32Strings.h"

#include <climits>

namespace win32 {

std::wstring Widen(std::string_view text) {
  std::wstring wide;
  if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return wide;
  const int length = static_cast<int>(text.size());
  const int needed = ::MultiByteToWideChar(kCodePage, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return wide;
  wide.resize(static_cast<std::size_t>(needed));
  const int written =
      ::MultiByteToWideChar(kCodePage, 0, text.data(), length, wide.data(), needed);
  wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return wide;
}

CString Narrow(std::wstring_view text) {
  std::string narrow;
  if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return narrow;
  const int length = static_cast<int>(text.size());
  const int needed =
      ::WideCharToMultiByte(kCodePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return narrow;
  narrow.resize(static_cast<std::size_t>(needed));
  const int written = ::WideCharToMultiByte(kCodePage, 0, text.data(), length, narrow.data(),
                                            needed, nullptr, nullptr);
  narrow.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return narrow;
}

std::wstring WidenZeroSeparated(std::string_view bytes) {
  std::wstring wide;
  std::size_t start = 0;
  while (start <= bytes.size()) {
    const std::size_t zero = bytes.find('\0', start);
    const std::size_t end = zero == std::string_view::npos ? bytes.size() : zero;
    wide += Widen(bytes.substr(start, end - start));
    if (zero == std::string_view::npos) break;
    wide += L'\0';
    start = zero + 1;
  }
  return wide;
}

}  // namespace win32

#include "platform/win32/Win.h"

#include "platform/win32/Win32Strings.h"

#include <climits>
#include <utility>

namespace win32 {

std::wstring Widen(std::string_view text) {
  std::wstring wide;
  if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return wide;
  const int length = static_cast<int>(text.size());
  const int needed = ::MultiByteToWideChar(kCodePage, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return wide;
  wide.resize(static_cast<std::size_t>(needed));
  const int written = ::MultiByteToWideChar(kCodePage, 0, text.data(), length, wide.data(), needed);
  wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return wide;
}

Narrowed NarrowChecked(std::wstring_view text) {
  Narrowed result;
  if (text.empty()) return result;
  if (text.size() > static_cast<std::size_t>(INT_MAX)) {
    result.exact = false;
    return result;
  }
  const int length = static_cast<int>(text.size());
  // WC_NO_BEST_FIT_CHARS: a character without an exact form becomes the
  // default character and is reported through usedDefault, never replaced by
  // a look-alike.
  BOOL usedDefault = FALSE;
  const int needed = ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0,
                                           nullptr, &usedDefault);
  if (needed <= 0) {
    result.exact = false;
    return result;
  }
  std::string narrow(static_cast<std::size_t>(needed), '\0');
  usedDefault = FALSE;
  const int written = ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(), length,
                                            narrow.data(), needed, nullptr, &usedDefault);
  narrow.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  result.text = CString(narrow);
  result.exact = written > 0 && !usedDefault;
  return result;
}

CString Narrow(std::wstring_view text) { return NarrowChecked(text).text; }

bool NarrowExact(std::wstring_view text, CString& out) {
  Narrowed narrowed = NarrowChecked(text);
  if (!narrowed.exact) {
    ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return false;
  }
  out = std::move(narrowed.text);
  return true;
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

// Fuzzes the link rewriting of a page: any bytes must rewrite without a crash
// or undefined behaviour, whole prefixes only are removed (the text shrinks by
// a multiple of the prefix's length), and a page without the prefix's first
// byte comes back unchanged apart from its line feeds written as CR LF.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "installer/PageLinks.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// The bytes as text mode reads them: CR LF becomes LF.
std::string TextModeBytes(std::string_view raw) {
  std::string text;
  text.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text += raw[i];
  }
  return text;
}

// The bytes as text mode writes them: every LF becomes CR LF.
std::string WrittenBytes(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view prefix = data[0] % 2 == 0 ? kProgramLinkPrefix : kUpdateLinkPrefix;
  const std::string_view page(reinterpret_cast<const char*>(data) + 1, size - 1);

  const std::string written = RewritePageBytes(page, prefix);
  const std::string text = TextModeBytes(page);
  std::size_t lineFeeds = 0;
  for (char c : text) lineFeeds += c == '\n' ? 1 : 0;
  // Only whole prefixes go; line feeds each gain a CR.
  Require(written.size() <= text.size() + lineFeeds);
  Require((text.size() + lineFeeds - written.size()) % prefix.size() == 0);
  if (text.find('.') == std::string::npos) Require(written == WrittenBytes(text));
  return 0;
}

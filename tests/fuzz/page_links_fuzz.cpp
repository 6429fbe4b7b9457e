// Fuzzes the link rewriting of a page: any bytes must rewrite without a crash
// or undefined behaviour, whole prefixes only are removed (the text shrinks by
// a multiple of the prefix's length), and a page without the prefix's first
// byte comes back unchanged apart from its line feeds written as CR LF.
// The result must also equal that of a reference written the plainest way:
// the text cut into pieces of at most 8,191 bytes, each ending after its
// line feed, and in each piece every occurrence of the prefix that starts a
// character removed, left to right without overlap. So an occurrence that
// straddles two pieces stays, and no byte outside a removed occurrence moves.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "installer/PageLinks.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using fuzz::Require;
using fuzz::TextModeBytes;

// The bytes as text mode writes them: every LF becomes CR LF.
std::string WrittenBytes(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

constexpr std::size_t kPieceBytes = 8191;

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

std::string ReferenceText(const std::string& text, std::string_view prefix) {
  std::string out;
  std::size_t pieceStart = 0;
  while (pieceStart < text.size()) {
    std::size_t pieceEnd = pieceStart;
    while (pieceEnd < text.size() && pieceEnd - pieceStart < kPieceBytes) {
      if (text[pieceEnd++] == '\n') break;
    }
    // Within the piece, walk character by character; a lead byte at the
    // piece's end stands alone.
    std::size_t i = pieceStart;
    while (i < pieceEnd) {
      if (pieceEnd - i >= prefix.size() && std::string_view(text).substr(i, prefix.size()) == prefix) {
        i += prefix.size();
        continue;
      }
      const std::size_t length = IsLead(static_cast<unsigned char>(text[i])) && i + 1 < pieceEnd ? 2 : 1;
      out.append(text, i, length);
      i += length;
    }
    pieceStart = pieceEnd;
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
  Require(written == WrittenBytes(ReferenceText(text, prefix)));
  return 0;
}

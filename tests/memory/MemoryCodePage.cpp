#include "tests/memory/MemoryCodePage.h"

#include <cstdio>

#include "platform/host/Iconv.h"
#include "tests/memory/MemoryPath.h"

namespace mem {

namespace {

char16_t FromLittleEndian(const std::string& bytes, std::size_t i) {
  return static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                               (static_cast<unsigned char>(bytes[i + 1]) << 8));
}

constexpr char16_t kNoCharacter = 0x30FB;

}  // namespace

std::u16string Cp932ToUtf16(std::string_view text) {
  IconvConverter converter("UTF-16LE", "CP932");
  std::u16string wide;
  std::string piece;
  // Character by character, so that one bad sequence costs one replacement.
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = PathCharLength(text, i);
    if (converter.ConvertWhole(text.substr(i, len), piece) && piece.size() >= 2) {
      for (std::size_t k = 0; k + 1 < piece.size(); k += 2) wide += FromLittleEndian(piece, k);
    } else {
      wide += kNoCharacter;
    }
    i += len;
  }
  return wide;
}

std::string Utf16ToCp932(std::u16string_view text) {
  IconvConverter converter("CP932", "UTF-16LE");
  std::string narrow;
  std::string piece;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t units = 1;
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      units = 2;
    }
    std::string bytes;
    for (std::size_t k = 0; k < units; ++k) {
      bytes += static_cast<char>(text[i + k] & 0xFF);
      bytes += static_cast<char>(text[i + k] >> 8);
    }
    if (converter.ConvertWhole(bytes, piece) && !piece.empty()) {
      narrow += piece;
    } else {
      narrow += '?';
    }
    i += units;
  }
  return narrow;
}

std::string Cp932ToReadable(std::string_view text) {
  IconvConverter converter("UTF-8", "CP932");
  std::string readable;
  std::string piece;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = PathCharLength(text, i);
    const auto c = static_cast<unsigned char>(text[i]);
    const bool control = len == 1 && (c < 0x20 || c == 0x7F);
    if (!control && converter.ConvertWhole(text.substr(i, len), piece) && !piece.empty()) {
      readable += piece;
    } else {
      for (std::size_t k = 0; k < len; ++k) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(text[i + k]));
        readable += hex;
      }
    }
    i += len;
  }
  return readable;
}

}  // namespace mem

#include "platform/memory/MemoryCodePage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/memory/MemoryPath.h"

namespace mem {

namespace {

// One iconv conversion descriptor, closed when the owner goes away.
class Converter {
 public:
  Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() {
    if (Ok()) iconv_close(m_cd);
  }
  bool Ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

  // Converts one piece; returns false when the piece has no conversion.
  bool Convert(std::string_view in, std::string& out) {
    out.clear();
    if (!Ok()) return false;
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);  // fresh shift state
    std::vector<char> buffer(in.size() * 4 + 16);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    if (iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return false;
    out.assign(buffer.data(), buffer.size() - outLeft);
    return true;
  }

 private:
  iconv_t m_cd;
};

char16_t FromLittleEndian(const std::string& bytes, std::size_t i) {
  return static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                               (static_cast<unsigned char>(bytes[i + 1]) << 8));
}

constexpr char16_t kNoCharacter = 0x30FB;

}  // namespace

std::u16string Cp932ToUtf16(std::string_view text) {
  Converter converter("UTF-16LE", "CP932");
  std::u16string wide;
  std::string piece;
  // Character by character, so that one bad sequence costs one replacement.
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = PathCharLength(text, i);
    if (converter.Convert(text.substr(i, len), piece) && piece.size() >= 2) {
      for (std::size_t k = 0; k + 1 < piece.size(); k += 2) wide += FromLittleEndian(piece, k);
    } else {
      wide += kNoCharacter;
    }
    i += len;
  }
  return wide;
}

std::string Utf16ToCp932(std::u16string_view text) {
  Converter converter("CP932", "UTF-16LE");
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
    if (converter.Convert(bytes, piece) && !piece.empty()) {
      narrow += piece;
    } else {
      narrow += '?';
    }
    i += units;
  }
  return narrow;
}

std::string Cp932ToReadable(std::string_view text) {
  Converter converter("UTF-8", "CP932");
  std::string readable;
  std::string piece;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = PathCharLength(text, i);
    const auto c = static_cast<unsigned char>(text[i]);
    const bool control = len == 1 && (c < 0x20 || c == 0x7F);
    if (!control && converter.Convert(text.substr(i, len), piece) && !piece.empty()) {
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

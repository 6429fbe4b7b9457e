#include "installer/tool/Encoding.h"

#include <iconv.h>

#include <cerrno>

namespace {

// An iconv conversion descriptor, closed when it goes away.
class Converter {
 public:
  Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() {
    if (ok()) iconv_close(m_cd);
  }
  bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

  // Converts as much of in as it can, appending to out; returns false at the
  // first byte that cannot be converted, leaving in at that byte.
  bool Convert(std::string_view& in, std::string& out) {
    char buffer[4096];
    while (!in.empty()) {
      char* inPtr = const_cast<char*>(in.data());
      std::size_t inLeft = in.size();
      char* outPtr = buffer;
      std::size_t outLeft = sizeof buffer;
      const std::size_t r = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
      out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
      in.remove_prefix(in.size() - inLeft);
      if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);  // reset the shift state
        return false;
      }
    }
    return true;
  }

 private:
  iconv_t m_cd;
};

}  // namespace

std::string Cp932ToUtf8(std::string_view sjis) {
  Converter converter("UTF-8", "CP932");
  std::string out;
  if (!converter.ok()) return std::string(sjis);
  while (!converter.Convert(sjis, out)) {
    out += "\xEF\xBF\xBD";  // U+FFFD
    sjis.remove_prefix(1);
  }
  return out;
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
  Converter converter("CP932", "UTF-8");
  std::string out;
  if (!converter.ok() || !converter.Convert(utf8, out)) return std::nullopt;
  return out;
}

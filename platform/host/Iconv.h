// An iconv conversion descriptor for the host-side code-page conversions
// (the in-memory platform, the CD authors' tool), closed when it goes away.
// platform/host/ holds what Linux builds share and the Windows builds never
// see; it is part of neither implementation of the layer.
#pragma once

#include <iconv.h>

#include <cerrno>
#include <string>
#include <string_view>

class IconvConverter {
 public:
  IconvConverter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
  IconvConverter(const IconvConverter&) = delete;
  IconvConverter& operator=(const IconvConverter&) = delete;
  ~IconvConverter() {
    if (ok()) iconv_close(m_cd);
  }
  bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

  // Converts as much of in as it can, appending to out; returns false at the
  // first byte that cannot be converted (or a sequence cut off at the end),
  // leaving in at that byte and the shift state reset.
  bool Convert(std::string_view& in, std::string& out) {
    if (!ok()) return false;
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
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        return false;
      }
    }
    return true;
  }

  // Converts the whole piece into out (replacing what it held); false when
  // any of it has no conversion.
  bool ConvertWhole(std::string_view in, std::string& out) {
    out.clear();
    return Convert(in, out);
  }

 private:
  iconv_t m_cd;
};

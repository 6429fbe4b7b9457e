// Helpers the fuzz targets share.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzz {

// Stops the run (libFuzzer reports the input) when a property does not hold.
inline void Require(bool condition) {
  if (!condition) std::abort();
}

// The bytes as a text-mode read gives them: CR LF becomes LF.
inline std::string TextModeBytes(std::string_view raw) {
  std::string text;
  text.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text += raw[i];
  }
  return text;
}

}  // namespace fuzz

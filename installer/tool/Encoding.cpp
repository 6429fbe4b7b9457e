#include "installer/tool/Encoding.h"

#include "platform/host/Iconv.h"

std::string Cp932ToUtf8(std::string_view sjis) {
  IconvConverter converter("UTF-8", "CP932");
  std::string out;
  if (!converter.ok()) return std::string(sjis);
  while (!converter.Convert(sjis, out)) {
    out += "\xEF\xBF\xBD";  // U+FFFD
    sjis.remove_prefix(1);
  }
  return out;
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
  IconvConverter converter("CP932", "UTF-8");
  std::string out;
  if (!converter.ok() || !converter.Convert(utf8, out)) return std::nullopt;
  return out;
}

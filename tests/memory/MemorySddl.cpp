#include "tests/memory/MemorySddl.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string>
#include <utility>

namespace mem {
namespace {

constexpr std::pair<std::string_view, std::string_view> kAccounts[] = {
    {"SY", "S-1-5-18"}, {"BA", "S-1-5-32-544"}, {"BU", "S-1-5-32-545"}, {"WD", "S-1-1-0"}, {"AU", "S-1-5-11"},
    {"CO", "S-1-3-0"},  {"CG", "S-1-3-1"},      {"OW", "S-1-3-4"},      {"IU", "S-1-5-4"}, {"AN", "S-1-5-7"},
};

constexpr std::pair<std::string_view, DWORD> kRights[] = {
    {"FA", FILE_ALL_ACCESS},      {"FR", FILE_GENERIC_READ}, {"FW", FILE_GENERIC_WRITE},
    {"FX", FILE_GENERIC_EXECUTE}, {"GA", GENERIC_ALL},       {"GR", GENERIC_READ},
    {"GW", GENERIC_WRITE},        {"GX", GENERIC_EXECUTE},   {"SD", DELETE},
    {"RC", READ_CONTROL},         {"WD", WRITE_DAC},         {"WO", WRITE_OWNER},
};

constexpr std::pair<std::string_view, BYTE> kFlags[] = {
    {"OI", OBJECT_INHERIT_ACE}, {"CI", CONTAINER_INHERIT_ACE}, {"NP", NO_PROPAGATE_INHERIT_ACE},
    {"IO", INHERIT_ONLY_ACE},   {"ID", INHERITED_ACE},
};

std::optional<std::string> Account(std::string_view text) {
  if (text.starts_with("S-")) return std::string(text);
  for (const auto& [alias, sid] : kAccounts) {
    if (alias == text) return std::string(sid);
  }
  return std::nullopt;
}

// A run of two-letter codes, each adding its bits ("OICI", "FRFX").
template <typename Bits, std::size_t N>
std::optional<Bits> Codes(std::string_view text, const std::pair<std::string_view, Bits> (&table)[N]) {
  Bits bits = 0;
  for (; !text.empty(); text.remove_prefix(2)) {
    const auto known = std::find_if(std::begin(table), std::end(table),
                                    [&](const auto& code) { return text.starts_with(code.first); });
    if (known == std::end(table) || text.size() < 2) return std::nullopt;
    bits |= known->second;
  }
  return bits;
}

std::optional<DWORD> Rights(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) {
    DWORD mask = 0;
    const auto [end, error] = std::from_chars(text.data() + 2, text.data() + text.size(), mask, 16);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return mask;
  }
  return Codes(text, kRights);
}

// One "(type;flags;rights;;;account)".
std::optional<AccessEntry> Entry(std::string_view text) {
  std::string_view fields[6];
  for (int i = 0; i < 6; ++i) {
    const std::size_t semicolon = text.find(';');
    if ((semicolon == std::string_view::npos) != (i == 5)) return std::nullopt;
    fields[i] = text.substr(0, semicolon);
    if (i < 5) text.remove_prefix(semicolon + 1);
  }
  if (fields[0] != "A" && fields[0] != "D") return std::nullopt;
  const std::optional<BYTE> flags = Codes(fields[1], kFlags);
  const std::optional<DWORD> mask = Rights(fields[2]);
  std::optional<std::string> sid = Account(fields[5]);
  if (!flags || !mask || !sid) return std::nullopt;
  return AccessEntry{fields[0] == "A", *flags, *mask, std::move(*sid)};
}

}  // namespace

std::optional<EntrySecurity> ParseSddl(std::string_view sddl) {
  EntrySecurity security;
  bool owner = false;
  while (!sddl.empty()) {
    if (sddl.size() < 2 || sddl[1] != ':') return std::nullopt;
    const char part = sddl[0];
    sddl.remove_prefix(2);
    // A part runs to the next "X:" that stands outside parentheses.
    std::size_t end = 0;
    for (int depth = 0; end < sddl.size(); ++end) {
      if (sddl[end] == '(') ++depth;
      if (sddl[end] == ')') --depth;
      if (depth == 0 && end + 1 < sddl.size() && sddl[end + 1] == ':' &&
          std::string_view("OGDS").find(sddl[end]) != std::string_view::npos) {
        break;
      }
    }
    std::string_view body = sddl.substr(0, end);
    sddl.remove_prefix(end);
    switch (part) {
      case 'O': {
        std::optional<std::string> sid = Account(body);
        if (!sid) return std::nullopt;
        security.owner = std::move(*sid);
        owner = true;
        break;
      }
      case 'G':
        if (!Account(body)) return std::nullopt;
        break;
      case 'D': {
        if (body == "NO_ACCESS_CONTROL") {
          security.nullDacl = true;
          break;
        }
        const std::size_t open = body.find('(');
        for (body.remove_prefix(open == std::string_view::npos ? body.size() : open); !body.empty();) {
          const std::size_t close = body.find(')');
          if (body[0] != '(' || close == std::string_view::npos) return std::nullopt;
          std::optional<AccessEntry> entry = Entry(body.substr(1, close - 1));
          if (!entry) return std::nullopt;
          security.dacl.push_back(std::move(*entry));
          body.remove_prefix(close + 1);
        }
        break;
      }
      default: return std::nullopt;
    }
  }
  if (!owner) return std::nullopt;
  return security;
}

}  // namespace mem

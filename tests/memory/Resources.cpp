#include "tests/memory/Resources.h"

#include <optional>

#include "tests/memory/MemoryCodePage.h"

namespace {

constexpr WORD kRtDialog = 5;
constexpr DWORD kDsSetFont = 0x40;

// A bounds-checked little-endian reader.
class Reader {
 public:
  Reader(std::string_view data, std::size_t pos = 0) : m_data(data), m_pos(pos) {}
  bool ok() const { return m_ok; }
  std::size_t pos() const { return m_pos; }
  void Seek(std::size_t pos) {
    if (pos > m_data.size()) m_ok = false;
    else m_pos = pos;
  }
  void AlignTo(std::size_t n, std::size_t base = 0) {
    std::size_t rel = m_pos - base;
    Seek(m_pos + (n - rel % n) % n);
  }
  WORD Word() {
    if (!Need(2)) return 0;
    auto b = reinterpret_cast<const unsigned char*>(m_data.data() + m_pos);
    m_pos += 2;
    return static_cast<WORD>(b[0] | (b[1] << 8));
  }
  DWORD Dword() {
    DWORD lo = Word();
    DWORD hi = Word();
    return lo | (hi << 16);
  }
  short Short() { return static_cast<short>(Word()); }
  BYTE Byte() {
    if (!Need(1)) return 0;
    return static_cast<BYTE>(m_data[m_pos++]);
  }
  std::u16string String() {
    std::u16string s;
    while (m_ok) {
      WORD c = Word();
      if (c == 0) break;
      s.push_back(static_cast<char16_t>(c));
    }
    return s;
  }
  // A string or, after 0xFFFF, an ordinal.
  struct NameOrId {
    std::optional<WORD> id;
    std::u16string name;
  };
  NameOrId NameOrOrdinal() {
    NameOrId r;
    WORD first = Word();
    if (first == 0xFFFF) {
      r.id = Word();
    } else if (first != 0) {
      r.name.push_back(static_cast<char16_t>(first));
      r.name += String();
    }
    return r;
  }

 private:
  bool Need(std::size_t n) {
    if (!m_ok || m_data.size() - m_pos < n) {
      m_ok = false;
      return false;
    }
    return true;
  }
  std::string_view m_data;
  std::size_t m_pos;
  bool m_ok = true;
};

CString ControlClass(const Reader::NameOrId& cls) {
  if (cls.id) {
    switch (*cls.id) {
      case 0x80: return "Button";
      case 0x81: return "Edit";
      case 0x82: return "Static";
      case 0x83: return "ListBox";
      case 0x84: return "ScrollBar";
      case 0x85: return "ComboBox";
      default: return "#" + CString(std::to_string(*cls.id));
    }
  }
  return Utf16ToShiftJis(cls.name);
}

CString TextOf(const Reader::NameOrId& text) {
  if (text.id) return "";
  return Utf16ToShiftJis(text.name);
}

std::optional<DialogTemplate> ReadDialog(std::string_view data) {
  Reader r(data);
  DialogTemplate t;
  bool extended = false;
  WORD count = 0;
  WORD version = r.Word();
  WORD signature = r.Word();
  if (version == 1 && signature == 0xFFFF) {
    extended = true;
    r.Dword();  // help id
    r.Dword();  // extended style
    t.style = r.Dword();
  } else {
    r.Seek(0);
    t.style = r.Dword();
    r.Dword();  // extended style
  }
  count = r.Word();
  t.x = r.Short();
  t.y = r.Short();
  t.cx = r.Short();
  t.cy = r.Short();
  r.NameOrOrdinal();  // menu
  r.NameOrOrdinal();  // class
  t.caption = Utf16ToShiftJis(r.String());
  if (t.style & kDsSetFont) {
    t.pointSize = r.Word();
    if (extended) {
      r.Word();  // weight
      r.Byte();  // italic
      r.Byte();  // charset
    }
    t.faceName = Utf16ToShiftJis(r.String());
  }
  for (WORD i = 0; i < count && r.ok(); ++i) {
    r.AlignTo(4);
    DialogControl c;
    if (extended) {
      r.Dword();  // help id
      r.Dword();  // extended style
      c.style = r.Dword();
    } else {
      c.style = r.Dword();
      r.Dword();  // extended style
    }
    c.x = r.Short();
    c.y = r.Short();
    c.cx = r.Short();
    c.cy = r.Short();
    if (extended) {
      c.id = static_cast<int>(r.Dword());
    } else {
      c.id = r.Word();
    }
    // Ids are 16-bit for the dialog manager: -1 (static) reads as 0xFFFF.
    c.id = static_cast<WORD>(c.id);
    c.className = ControlClass(r.NameOrOrdinal());
    c.text = TextOf(r.NameOrOrdinal());
    WORD extra = r.Word();
    r.Seek(r.pos() + extra);
    t.controls.push_back(std::move(c));
  }
  if (!r.ok()) return std::nullopt;
  return t;
}

}  // namespace

CString Utf16ToShiftJis(std::u16string_view text) { return CString(mem::Utf16ToCp932(text)); }

std::map<UINT, DialogTemplate> ReadDialogTemplates(std::string_view res) {
  std::map<UINT, DialogTemplate> dialogs;
  Reader r(res);
  while (r.ok() && r.pos() + 8 <= res.size()) {
    const std::size_t start = r.pos();
    DWORD dataSize = r.Dword();
    DWORD headerSize = r.Dword();
    Reader::NameOrId type = r.NameOrOrdinal();
    Reader::NameOrId name = r.NameOrOrdinal();
    if (!r.ok() || headerSize < 8 || start + headerSize > res.size() ||
        res.size() - start - headerSize < dataSize) {
      break;
    }
    const std::size_t dataStart = start + headerSize;
    if (type.id && *type.id == kRtDialog && name.id) {
      if (auto t = ReadDialog(res.substr(dataStart, dataSize))) {
        t->id = *name.id;
        dialogs[t->id] = std::move(*t);
      }
    }
    r.Seek(dataStart + dataSize);
    r.AlignTo(4);
  }
  return dialogs;
}

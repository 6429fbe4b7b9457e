// Fuzzes the install-list reader and the mapping of its entries: any bytes
// must read and map without a crash or undefined behaviour, every entry must
// hold at most 1,023 bytes before its line feed, and reading must lose and
// invent nothing (the entries together are the file with CR LF read as LF).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "installer/InstallList.h"
#include "platform/TextFile.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using fuzz::Require;
using fuzz::TextModeBytes;

// Serves the bytes in small pieces so that line ends meet every boundary of
// the reader's buffer.
class PieceStream : public IFileStream {
 public:
  PieceStream(std::string_view bytes, std::size_t piece) : m_bytes(bytes), m_piece(piece) {}
  std::size_t Read(char* buffer, std::size_t n) override {
    const std::size_t count = std::min({n, m_piece, m_bytes.size()});
    m_bytes.copy(buffer, count);
    m_bytes.remove_prefix(count);
    return count;
  }
  bool Write(const char*, std::size_t) override { return false; }

 private:
  std::string_view m_bytes;
  std::size_t m_piece;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  CTextFile file(std::make_unique<PieceStream>(raw, 1 + size % 13), FileOpenMode::Read);
  const InstallList list = ReadInstallList(file);

  // The destination alternates between a plain one and one ending in 表.
  const CString dest = size % 2 == 0 ? "C:\\Program Files\\Harborlit\\Drama1" : "D:\\\x95\x5C";
  const CString drive = size % 3 == 0 ? "" : "Q";
  std::string joined;
  CString prefix;
  for (const CString& entry : list) {
    const std::string_view bytes = entry.view();
    Require(!bytes.empty());
    const std::size_t lf = bytes.find('\n');
    Require(lf == std::string_view::npos || lf == bytes.size() - 1);
    Require(bytes.size() - (lf == std::string_view::npos ? 0 : 1) <= 1023);
    joined += bytes;

    const InstallAction action = MapInstallEntry(entry, drive, dest, prefix);
    switch (action.kind) {
      case InstallEntryKind::Blank: Require(action.prefix == prefix); break;
      case InstallEntryKind::Folder:
        Require(action.prefix.IsEmpty() || action.prefix.view().back() == '\\');
        Require(action.folder.IsEmpty() || action.folder.view().starts_with(dest.view()));
        // A folder the copy engine may create lies below the destination.
        Require(action.unsafe || action.folder.IsEmpty() ||
                (action.folder.GetLength() > dest.GetLength() &&
                 (action.folder[dest.GetLength()] == '\\' || action.folder[dest.GetLength()] == '/')));
        break;
      case InstallEntryKind::File:
      case InstallEntryKind::CopyAs:
      case InstallEntryKind::Outside:
        Require(action.prefix == prefix);
        Require(action.source.view().starts_with((drive + ":\\").view()));
        Require(action.destination.view().starts_with((dest + "\\" + prefix).view()));
        break;
    }
    prefix = action.prefix;
  }
  Require(joined == TextModeBytes(raw));
  return 0;
}

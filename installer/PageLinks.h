// Link rewriting of the two pages whose links climb out of the CD's HTML
// tree: after its copy, a page whose destination ends in "01.html" loses
// every "../../../program/" and one ending in "05.html" every
// "../../../program/update/", so the links name files an outside-file line of
// the install list placed in the page's own folder.
//
// The text work is pure (pieces in, pieces out) so that it can be fuzzed and
// measured on its own; RewritePage applies it to a page on disk.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/CString.h"
#include "platform/Platform.h"
#include "platform/TextFile.h"

inline constexpr char kProgramLinkPrefix[] = "../../../program/";
inline constexpr char kUpdateLinkPrefix[] = "../../../program/update/";

// Size of the reads of a page: no piece holds more than kPageReadSize - 1
// bytes, so a longer line becomes several consecutive pieces, and a prefix
// that straddles two pieces stays.
constexpr int kPageReadSize = 8192;

// The text to remove from the page copied to this destination, nothing when
// the page is not rewritten. Only the last seven bytes count, compared
// exactly: "page01.html" is rewritten, "01.HTML" is not.
std::optional<std::string_view> LinkPrefixFor(std::string_view destination);

// Removes every occurrence of prefix from the piece, found left to right
// without overlap; text that forms the prefix only through a removal stays.
CString RemoveLinkPrefix(const CString& piece, std::string_view prefix);

enum class PageRewrite {
  Done,
  CannotRead,   // the page could not be read to its end
  CannotWrite,  // the rewritten page could not be written
  NoSource,     // the page could not be opened at all
};

// Reads the page in text mode piece by piece (each line with its line feed,
// none longer than kPageReadSize - 1 bytes) and writes each piece with the
// prefix removed as soon as it is read, then closes the output: memory stays
// at one piece whatever the page's size. `readFailed` tells a read that
// failed from the end of the page (for a stream on disk, the layer's error
// code); Done only when every piece was read and written and the close
// succeeded.
PageRewrite RewritePieces(CTextFile& page, CTextFile& out, std::string_view prefix,
                          const std::function<bool()>& readFailed);

// The whole rewriting over bytes in memory: the page's bytes as on disk in,
// the rewritten bytes as they would be written (line feeds as CR LF) out.
std::string RewritePageBytes(std::string_view pageBytes, std::string_view prefix);

// Reads the page at source piece by piece and writes each piece with the
// prefix removed through the open file out (WriteByHandle) as soon as it is
// read. The page is never read back from where it is written to: its text
// comes from the source alone.
PageRewrite RewritePage(IFileSystem& files, const CString& source, INT_PTR out, std::string_view prefix);

#include "installer/PageLinks.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace {

constexpr std::string_view kProgramPage = "01.html";
constexpr std::string_view kUpdatePage = "05.html";

// A byte stream that writes through an open file's handle.
class HandleStream : public IFileStream {
 public:
  HandleStream(IFileSystem& files, INT_PTR file) : m_files(files), m_file(file) {}
  std::size_t Read(char*, std::size_t) override { return 0; }
  bool Write(const char* data, std::size_t n) override {
    return m_files.WriteByHandle(m_file, data, n) != FALSE;
  }

 private:
  IFileSystem& m_files;
  INT_PTR m_file;
};

}  // namespace

std::optional<std::string_view> LinkPrefixFor(std::string_view destination) {
  if (destination.ends_with(kProgramPage)) return std::string_view(kProgramLinkPrefix);
  if (destination.ends_with(kUpdatePage)) return std::string_view(kUpdateLinkPrefix);
  return std::nullopt;
}

CString RemoveLinkPrefix(const CString& piece, std::string_view prefix) {
  CString rewritten = piece;
  rewritten.Replace(prefix, std::string_view());
  return rewritten;
}

PageRewrite RewritePieces(CTextFile& page, CTextFile& out, std::string_view prefix,
                          const std::function<bool()>& readFailed) {
  // One string holds each piece in turn: its room is reused.
  CString piece;
  bool written = true;
  while (page.fgets(piece, kPageReadSize)) {
    piece.Replace(prefix, std::string_view());
    if (!out.fputs(piece)) {
      written = false;
      break;
    }
  }
  const bool read = written && !readFailed();
  // The close writes what is still buffered: its result counts as much as
  // any write's.
  const bool closed = out.Close();
  if (!read && written) return PageRewrite::CannotRead;
  return written && closed ? PageRewrite::Done : PageRewrite::CannotWrite;
}

std::string RewritePageBytes(std::string_view pageBytes, std::string_view prefix) {
  CTextFile in(std::make_unique<ViewStream>(pageBytes), FileOpenMode::Read);
  // The written bytes are never more than the page's own plus a CR for each
  // line feed, so the output takes one allocation.
  std::string bytes;
  bytes.reserve(pageBytes.size() +
                static_cast<std::size_t>(std::count(pageBytes.begin(), pageBytes.end(), '\n')));
  CTextFile out(std::make_unique<AppendStream>(bytes), FileOpenMode::Write);
  RewritePieces(in, out, prefix, [] { return false; });
  return bytes;
}

PageRewrite RewritePage(IFileSystem& files, const CString& source, INT_PTR out, std::string_view prefix) {
  std::optional<CTextFile> page = CTextFile::Open(files, source, FileOpenMode::Read);
  if (!page) return PageRewrite::NoSource;
  CTextFile written(std::make_unique<HandleStream>(files, out), FileOpenMode::Write);
  // A read that fails looks like the end of the file to the text stream;
  // the error code tells the two apart, so a page read only in part is
  // never written shortened. Writes that succeed leave the code alone.
  files.SetLastError(0);
  return RewritePieces(*page, written, prefix, [&files] { return files.GetLastError() != 0; });
}

#include "platform/TextFile.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr std::size_t kWriteChunk = 64 * 1024;

}  // namespace

CTextFile::CTextFile(std::unique_ptr<IFileStream> stream, FileOpenMode mode)
    : m_stream(std::move(stream)), m_mode(mode) {}

CTextFile::CTextFile(CTextFile&& other) noexcept
    : m_stream(std::move(other.m_stream)),
      m_mode(other.m_mode),
      m_buffer(std::move(other.m_buffer)),
      m_pos(other.m_pos),
      m_end(other.m_end),
      m_eof(other.m_eof),
      m_pending(std::move(other.m_pending)),
      m_writeFailed(other.m_writeFailed) {
  other.m_pos = other.m_end = 0;
  other.m_pending.clear();
}

CTextFile& CTextFile::operator=(CTextFile&& other) noexcept {
  if (this != &other) {
    Close();
    m_stream = std::move(other.m_stream);
    m_mode = other.m_mode;
    m_buffer = std::move(other.m_buffer);
    m_pos = std::exchange(other.m_pos, 0);
    m_end = std::exchange(other.m_end, 0);
    m_eof = other.m_eof;
    m_pending = std::move(other.m_pending);
    other.m_pending.clear();
    m_writeFailed = other.m_writeFailed;
  }
  return *this;
}

CTextFile::~CTextFile() { Close(); }

std::optional<CTextFile> CTextFile::Open(IFileSystem& files, const CString& path, FileOpenMode mode) {
  std::unique_ptr<IFileStream> stream = files.OpenFile(path, mode);
  if (!stream) return std::nullopt;
  return CTextFile(std::move(stream), mode);
}

// Moves the unconsumed bytes to the front of the buffer and reads more after
// them. False when the stream gave nothing more.
bool CTextFile::Fill() {
  if (!m_stream || m_mode != FileOpenMode::Read) {
    m_eof = true;
    return false;
  }
  if (m_buffer.empty()) m_buffer.resize(kReadChunk);
  if (m_pos > 0) {
    std::memmove(m_buffer.data(), m_buffer.data() + m_pos, m_end - m_pos);
    m_end -= m_pos;
    m_pos = 0;
  }
  const std::size_t got = m_stream->Read(m_buffer.data() + m_end, m_buffer.size() - m_end);
  if (got == 0) {
    m_eof = true;
    return false;
  }
  m_end += got;
  return true;
}

std::size_t CTextFile::ReadLine(std::string& out, std::size_t max) {
  std::size_t appended = 0;
  while (appended < max) {
    if (m_pos == m_end && !Fill()) break;
    // Copy the run of ordinary bytes in one go: it ends at the first CR or
    // LF, whichever comes first.
    const std::size_t limit = m_pos + std::min(m_end - m_pos, max - appended);
    const char* begin = m_buffer.data() + m_pos;
    const auto length = limit - m_pos;
    const char* stop = static_cast<const char*>(std::memchr(begin, '\n', length));
    const auto beforeLf = stop ? static_cast<std::size_t>(stop - begin) : length;
    if (const void* cr = std::memchr(begin, '\r', beforeLf)) stop = static_cast<const char*>(cr);
    const auto run = stop ? static_cast<std::size_t>(stop - begin) : length;
    // A run that ends the line is followed by one more byte: room for it
    // now saves a second allocation of the line.
    if (stop) out.reserve(out.size() + run + 1);
    out.append(begin, run);
    appended += run;
    m_pos += run;
    if (m_pos == limit) continue;

    if (m_buffer[m_pos] == '\n') {
      out += '\n';
      ++m_pos;
      ++appended;
      break;
    }
    // A CR: look at the byte after it, reading on when the buffer ends here.
    if (m_pos + 1 == m_end) Fill();
    if (m_pos + 1 < m_end && m_buffer[m_pos + 1] == '\n') {
      out += '\n';
      m_pos += 2;
      ++appended;
      break;
    }
    out += '\r';
    ++m_pos;
    ++appended;
  }
  return appended;
}

bool CTextFile::fgets(CString& out, int n) {
  if (n < 2) return false;
  std::string line;
  if (ReadLine(line, static_cast<std::size_t>(n) - 1) == 0) return false;
  out = CString(std::move(line));
  return true;
}

bool CTextFile::fputs(const CString& text) {
  if (!m_stream || m_mode != FileOpenMode::Write) return false;
  const std::string_view s = text.view();
  // The buffer is written out once it holds a chunk: room for a chunk and a
  // line of text from the start spares the copies of its growth.
  if (m_pending.capacity() < 2 * kWriteChunk) m_pending.reserve(2 * kWriteChunk);
  std::size_t from = 0;
  while (from < s.size()) {
    const std::size_t lf = s.find('\n', from);
    if (lf == std::string_view::npos) {
      m_pending.append(s.substr(from));
      break;
    }
    m_pending.append(s.substr(from, lf - from));
    m_pending.append("\r\n");
    from = lf + 1;
  }
  if (m_pending.size() >= kWriteChunk) Flush();
  return !m_writeFailed;
}

bool CTextFile::Flush() {
  if (!m_pending.empty() && m_stream && !m_writeFailed) {
    if (!m_stream->Write(m_pending.data(), m_pending.size())) m_writeFailed = true;
  }
  m_pending.clear();
  return !m_writeFailed;
}

bool CTextFile::Close() {
  if (!m_stream) return !m_writeFailed;
  const bool ok = Flush();
  m_stream.reset();
  m_buffer.clear();
  m_buffer.shrink_to_fit();
  m_pos = m_end = 0;
  return ok;
}

bool CStdioFile::Open(IFileSystem& files, const CString& path, unsigned flags) {
  m_file.reset();
  if ((flags & 0x0003u) != modeRead) return false;  // write and read-write modes
  m_file = CTextFile::Open(files, path, FileOpenMode::Read);
  return m_file.has_value();
}

bool CStdioFile::ReadString(CString& line) {
  if (!m_file) return false;
  std::string text;
  if (m_file->ReadLine(text, std::numeric_limits<std::size_t>::max()) == 0) {
    line.Empty();
    return false;
  }
  if (text.back() == '\n') text.pop_back();
  line = CString(std::move(text));
  return true;
}

// Text files in the manner of the C runtime's text streams, built once over
// the raw byte streams of IFileSystem::OpenFile so that the real and the
// in-memory platform read and write text identically.
//
// Conventions: on reading, CR LF becomes LF; a CR that is not followed by LF
// stays an ordinary byte, and so does 0x1A (there is no end-of-file mark).
// On writing, every LF is written as CR LF.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CString.h"
#include "platform/Platform.h"

// A text stream opened for reading ("rt") or for writing ("wt"); closed when
// it goes away. Reading and writing run in one pass over the bytes, so the
// cost of a file is linear in its size whatever its line lengths.
class CTextFile {
 public:
  // Takes over an open byte stream.
  CTextFile(std::unique_ptr<IFileStream> stream, FileOpenMode mode);
  CTextFile(CTextFile&&) noexcept;
  CTextFile& operator=(CTextFile&&) noexcept;
  CTextFile(const CTextFile&) = delete;
  CTextFile& operator=(const CTextFile&) = delete;
  ~CTextFile();

  // fopen(path, "rt") or fopen(path, "wt"): nothing when the file cannot be
  // opened (the file system's GetLastError says why).
  static std::optional<CTextFile> Open(IFileSystem& files, const CString& path, FileOpenMode mode);

  // fgets: the next line up to and including its line feed, but never more
  // than n - 1 bytes; false when nothing more could be read (or n < 2).
  bool fgets(CString& out, int n);
  // True once a read has met the end of the file.
  bool feof() const { return m_eof; }

  // fputs: writes the text with every LF as CR LF. Output is buffered; false
  // once any write to the stream has failed (disk full ...).
  bool fputs(const CString& text);

  // fclose: writes what is buffered and releases the stream. False when any
  // write failed since the file was opened. Closing twice is harmless.
  bool Close();

  // Appends the next line to out, its LF included, stopping after at most
  // max bytes; returns the number of bytes appended (0 at the end).
  std::size_t ReadLine(std::string& out, std::size_t max);

 private:
  bool Fill();
  bool Flush();

  std::unique_ptr<IFileStream> m_stream;
  FileOpenMode m_mode;
  std::vector<char> m_buffer;  // read: bytes not yet consumed are [m_pos, m_end)
  std::size_t m_pos = 0;
  std::size_t m_end = 0;
  bool m_eof = false;
  std::string m_pending;  // write: translated bytes not yet written
  bool m_writeFailed = false;
};

// The framework's text file for reading: CStdioFile::Open(path, modeRead |
// typeText | shareDenyNone) and ReadString.
class CStdioFile {
 public:
  enum OpenFlags : unsigned {
    modeRead = 0x0000,
    shareDenyNone = 0x0040,
    typeText = 0x4000,
  };

  CStdioFile() = default;

  // Opens for reading in text mode; false when the file cannot be opened.
  // Writing modes are not offered.
  bool Open(IFileSystem& files, const CString& path, unsigned flags = modeRead | typeText | shareDenyNone);
  // The next line without its line feed, however long; false at the end of
  // the file. An empty line gives true and an empty string.
  bool ReadString(CString& line);
  void Close() { m_file.reset(); }
  bool IsOpen() const { return m_file.has_value(); }

 private:
  std::optional<CTextFile> m_file;
};

// A byte stream that reads bytes its caller keeps, without a copy of them;
// writes are refused.
class ViewStream : public IFileStream {
 public:
  explicit ViewStream(std::string_view bytes) : m_bytes(bytes) {}
  std::size_t Read(char* buffer, std::size_t n) override {
    const std::size_t count = m_bytes.copy(buffer, n);
    m_bytes.remove_prefix(count);
    return count;
  }
  bool Write(const char*, std::size_t) override { return false; }

 private:
  std::string_view m_bytes;
};

// A byte stream that appends what is written to a string its caller keeps,
// so the bytes outlive the text file that closes (and drops) the stream;
// reads give nothing.
class AppendStream : public IFileStream {
 public:
  explicit AppendStream(std::string& out) : m_out(out) {}
  std::size_t Read(char*, std::size_t) override { return 0; }
  bool Write(const char* data, std::size_t n) override {
    m_out.append(data, n);
    return true;
  }

 private:
  std::string& m_out;
};

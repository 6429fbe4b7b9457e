#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/memory/MemorySystem.h"
#include "tests/unit/FailingFileSystem.h"
#include "tests/unit/TestSupport.h"

namespace {

// Serves its content in pieces of at most chunk bytes, so that line ends fall
// on every possible boundary of the reader's buffer.
class ChunkedStream : public IFileStream {
 public:
  ChunkedStream(std::string content, std::size_t chunk, std::size_t* bytesServed = nullptr)
      : m_content(std::move(content)), m_chunk(chunk), m_served(bytesServed) {}
  std::size_t Read(char* buffer, std::size_t n) override {
    const std::size_t count = std::min({n, m_chunk, m_content.size() - m_pos});
    m_content.copy(buffer, count, m_pos);
    m_pos += count;
    if (m_served) *m_served += count;
    return count;
  }
  bool Write(const char*, std::size_t) override { return false; }

 private:
  std::string m_content;
  std::size_t m_chunk;
  std::size_t m_pos = 0;
  std::size_t* m_served;
};

// Collects what is written into a string the test owns; fails every write
// once capacity bytes have been accepted (a full disk).
class SinkStream : public IFileStream {
 public:
  explicit SinkStream(std::string& sink, std::size_t capacity = std::string::npos)
      : m_sink(sink), m_capacity(capacity) {}
  std::size_t Read(char*, std::size_t) override { return 0; }
  bool Write(const char* data, std::size_t n) override {
    if (m_sink.size() + n > m_capacity) return false;
    m_sink.append(data, n);
    return true;
  }

 private:
  std::string& m_sink;
  std::size_t m_capacity;
};

// Only OpenFile matters here: files named in the map can be read or
// written, every other name cannot be opened.
class OpenOnlyFileSystem : public FailingFileSystem {
 public:
  std::map<std::string, std::string> files;
  std::size_t chunk = 3;  // bytes served per read

  std::unique_ptr<IFileStream> OpenFile(const CString& path, FileOpenMode mode) override {
    auto it = files.find(path.str());
    if (it == files.end()) return nullptr;
    if (mode == FileOpenMode::Write) {
      it->second.clear();
      return std::make_unique<SinkStream>(it->second);
    }
    return std::make_unique<ChunkedStream>(it->second, chunk);
  }
};

std::vector<std::string> ReadPieces(const std::string& content, std::size_t chunk, int n) {
  CTextFile file(std::make_unique<ChunkedStream>(content, chunk), FileOpenMode::Read);
  std::vector<std::string> pieces;
  CString piece;
  while (file.fgets(piece, n)) pieces.push_back(piece.str());
  if (n >= 2) {
    EXPECT_TRUE(file.feof());
  }
  return pieces;
}

std::vector<std::string> ReadStrings(const std::string& content, std::size_t chunk) {
  OpenOnlyFileSystem files;
  files.files["f"] = content;
  files.chunk = chunk;
  CStdioFile file;
  EXPECT_TRUE(file.Open(files, "f"));
  std::vector<std::string> lines;
  CString line;
  while (file.ReadString(line)) lines.push_back(line.str());
  EXPECT_TRUE(line.IsEmpty());
  return lines;
}

TEST(TextFileTest, FgetsSplitsLinesInTextMode) {
  struct Case {
    std::string content;
    int n;
    std::vector<std::string> pieces;
  };
  const std::vector<Case> cases = {
      {"", 1024, {}},
      {"a\r\nb\n", 1024, {"a\n", "b\n"}},
      {"a\nb", 1024, {"a\n", "b"}},
      {"\n\n", 1024, {"\n", "\n"}},
      // A CR without LF is a byte of the line, also at the very end.
      {"a\rb\r\nc\r", 1024, {"a\rb\n", "c\r"}},
      {"\r\r\n\r", 1024, {"\r\n", "\r"}},
      // 0x1A is not an end-of-file mark.
      {"x\x1Ay\n\x1A\nz", 1024, {"x\x1Ay\n", "\x1A\n", "z"}},
      // At most n - 1 bytes per piece; CR LF counts as the one byte it becomes.
      {"abcdef\n", 4, {"abc", "def", "\n"}},
      {"ab\r\ncd", 4, {"ab\n", "cd"}},
      {"ab\r\n", 3, {"ab", "\n"}},
      {"abc\rd", 4, {"abc", "\rd"}},
      {"ab\rd", 4, {"ab\r", "d"}},
      // A Shift-JIS character is bytes like any other here.
      {"\x83\x5C\r\n", 1024, {"\x83\x5C\n"}},
      {"abc", 1, {}},
  };
  for (const auto& c : cases) {
    for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{5}, std::size_t{1} << 20}) {
      EXPECT_EQ(ReadPieces(c.content, chunk, c.n), c.pieces)
          << testing::PrintToString(c.content) << " n=" << c.n << " chunk=" << chunk;
    }
  }
}

TEST(TextFileTest, FeofOnlyAfterReadingMetTheEnd) {
  CTextFile file(std::make_unique<ChunkedStream>("a\nb", 100), FileOpenMode::Read);
  CString line;
  ASSERT_TRUE(file.fgets(line, 1024));
  EXPECT_FALSE(file.feof());
  ASSERT_TRUE(file.fgets(line, 1024));
  EXPECT_EQ(line, CString("b"));
  EXPECT_TRUE(file.feof());
  EXPECT_FALSE(file.fgets(line, 1024));
  EXPECT_EQ(line, CString("b"));  // left as it was
}

TEST(TextFileTest, ReadStringRemovesTheLineBreak) {
  struct Case {
    std::string content;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {"a\r\nb", {"a", "b"}},
      {"\n\r\nx\n", {"", "", "x"}},
      {"a\rb\r\n", {"a\rb"}},
      {"tail\r", {"tail\r"}},
      {"\x95\x5C\n", {"\x95\x5C"}},
  };
  for (const auto& c : cases) {
    for (std::size_t chunk : {std::size_t{1}, std::size_t{4096}}) {
      EXPECT_EQ(ReadStrings(c.content, chunk), c.lines) << testing::PrintToString(c.content);
    }
  }
}

TEST(TextFileTest, ReadStringReturnsLongLinesWhole) {
  std::string longLine(300000, 'x');
  for (std::size_t i = 0; i < longLine.size(); i += 997) longLine[i] = '\r';
  OpenOnlyFileSystem files;
  files.files["long.txt"] = longLine + "\r\nnext";
  CStdioFile file;
  ASSERT_TRUE(file.Open(files, "long.txt"));
  CString line;
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line.str(), longLine);
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line, CString("next"));
  EXPECT_FALSE(file.ReadString(line));
}

TEST(TextFileTest, ReadsEveryByteOnce) {
  // One pass: a long single line is read with the stream touched once per byte.
  const std::size_t size = 8 * 1024 * 1024 + 5;
  std::string content(size, 'a');
  content.back() = '\n';
  std::size_t served = 0;
  CTextFile file(std::make_unique<ChunkedStream>(content, 1 << 16, &served), FileOpenMode::Read);
  CString piece;
  std::size_t total = 0;
  int pieces = 0;
  while (file.fgets(piece, 1024)) {
    total += static_cast<std::size_t>(piece.GetLength());
    ++pieces;
  }
  EXPECT_EQ(total, size);
  EXPECT_EQ(served, size);
  EXPECT_EQ(pieces, static_cast<int>((size + 1022) / 1023));
}

TEST(TextFileTest, WritingTurnsLineFeedsIntoCrLf) {
  struct Case {
    std::vector<std::string> writes;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {{"a\nb\n"}, "a\r\nb\r\n"}, {{"a", "b\n", "\n"}, "ab\r\n\r\n"},
      {{"x\r\n"}, "x\r\r\n"},  // a CR already there stays
      {{"last"}, "last"},         {{}, ""},
  };
  for (const auto& c : cases) {
    std::string sink;
    CTextFile file(std::make_unique<SinkStream>(sink), FileOpenMode::Write);
    for (const auto& w : c.writes) EXPECT_TRUE(file.fputs(CString(w)));
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(sink, c.bytes);
  }
}

TEST(TextFileTest, ClosingOnDestructionWritesWhatIsBuffered) {
  std::string sink;
  {
    CTextFile file(std::make_unique<SinkStream>(sink), FileOpenMode::Write);
    file.fputs("a\n");
  }
  EXPECT_EQ(sink, "a\r\n");
}

TEST(TextFileTest, WriteFailureIsReported) {
  {
    // Small output that only fails when it is flushed at the close.
    std::string sink;
    CTextFile file(std::make_unique<SinkStream>(sink, 3), FileOpenMode::Write);
    file.fputs("abcd\n");
    EXPECT_FALSE(file.Close());
    EXPECT_FALSE(file.Close());
  }
  {
    // Large output fails while it is being written.
    std::string sink;
    CTextFile file(std::make_unique<SinkStream>(sink, 1000), FileOpenMode::Write);
    const CString line(std::string(1000, 'x') + "\n");
    bool allOk = true;
    for (int i = 0; i < 200; ++i) allOk = file.fputs(line) && allOk;
    EXPECT_FALSE(allOk);
    EXPECT_FALSE(file.fputs("more"));
    EXPECT_FALSE(file.Close());
  }
}

TEST(TextFileTest, OpenThroughTheFileSystem) {
  OpenOnlyFileSystem files;
  files.files["in.txt"] = "one\r\ntwo";
  EXPECT_FALSE(CTextFile::Open(files, "missing.txt", FileOpenMode::Read).has_value());
  CStdioFile stdioFile;
  EXPECT_FALSE(stdioFile.Open(files, "missing.txt"));
  EXPECT_FALSE(stdioFile.Open(files, "in.txt", 0x0001));  // writing is not offered

  auto in = CTextFile::Open(files, "in.txt", FileOpenMode::Read);
  ASSERT_TRUE(in.has_value());
  CString line;
  ASSERT_TRUE(in->fgets(line, 1024));
  EXPECT_EQ(line, CString("one\n"));

  auto out = CTextFile::Open(files, "in.txt", FileOpenMode::Write);
  ASSERT_TRUE(out.has_value());
  EXPECT_FALSE(out->fgets(line, 1024));  // a file opened for writing gives nothing to read
  EXPECT_TRUE(out->fputs("new\n"));
  EXPECT_TRUE(out->Close());
  EXPECT_EQ(files.files["in.txt"], "new\r\n");
}

TEST(TextFileTest, MovedFileKeepsItsPosition) {
  CTextFile first(std::make_unique<ChunkedStream>("a\nb\nc\n", 100), FileOpenMode::Read);
  CString line;
  ASSERT_TRUE(first.fgets(line, 1024));
  CTextFile second(std::move(first));
  ASSERT_TRUE(second.fgets(line, 1024));
  EXPECT_EQ(line, CString("b\n"));
  CTextFile third(std::make_unique<ChunkedStream>("", 1), FileOpenMode::Read);
  third = std::move(second);
  ASSERT_TRUE(third.fgets(line, 1024));
  EXPECT_EQ(line, CString("c\n"));
}

TEST(TextFileTest, OnTheInMemoryPlatform) {
  MemorySystem sys;
  sys.Drives().Add('C', DRIVE_FIXED);
  sys.Drives().Add('Q', DRIVE_CDROM, "TAVRIN_DRAMACD1");
  ASSERT_TRUE(sys.Files().AddFile("Q:\\readme.txt", "one\r\ntwo\r\n", FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(sys.Files().SetCurrentFolder("Q:\\"));
  {
    CStdioFile readme;
    ASSERT_TRUE(readme.Open(sys.Files(), "readme.txt"));
    CString line;
    ASSERT_TRUE(readme.ReadString(line));
    EXPECT_EQ(line, CString("one"));
    EXPECT_EQ(sys.Files().OpenStreams(), 1);
  }
  EXPECT_EQ(sys.Files().OpenStreams(), 0);  // closed when the owner goes away

  {
    auto page = CTextFile::Open(sys.Files(), "C:\\page.html", FileOpenMode::Write);
    ASSERT_TRUE(page.has_value());
    EXPECT_TRUE(page->fputs("<p>\n"));
    EXPECT_TRUE(page->Close());
  }
  EXPECT_EQ(sys.Files().Contents("C:\\page.html"), std::optional<std::string>("<p>\r\n"));

  // A full disk shows when the file is closed at the latest.
  sys.Fail("Write", ERROR_DISK_FULL);
  auto full = CTextFile::Open(sys.Files(), "C:\\full.html", FileOpenMode::Write);
  ASSERT_TRUE(full.has_value());
  full->fputs("x\n");
  EXPECT_FALSE(full->Close());
  EXPECT_EQ(sys.Files().OpenStreams(), 0);
}

// A buffer of two bytes holds one byte and the terminator: every read takes
// exactly one byte, CR LF still counting as the one LF it becomes. Smaller
// buffers read nothing.
TEST(TextFileTest, FgetsWithTheSmallestBuffers) {
  struct Case {
    std::string content;
    int n;
    std::vector<std::string> pieces;
  };
  const std::vector<Case> cases = {
      {"ab\r\nc", 2, {"a", "b", "\n", "c"}},
      {"\x83\x5C", 2, {"\x83", "\x5C"}},
      {"\r", 2, {"\r"}},
      {"ab", 1, {}},
      {"ab", 0, {}},
      {"ab", -1, {}},
  };
  for (const auto& c : cases) {
    for (std::size_t chunk : {std::size_t{1}, std::size_t{1} << 20}) {
      EXPECT_EQ(ReadPieces(c.content, chunk, c.n), c.pieces)
          << testing::PrintToString(c.content) << " n=" << c.n << " chunk=" << chunk;
    }
  }
}

// A file moved into another keeps reading from its stream beyond what was
// buffered, and keeps what it has still to write.
TEST(TextFileTest, MoveAssignedFileKeepsItsStream) {
  CTextFile first(std::make_unique<ChunkedStream>("a\nbb\nccc\n", 2), FileOpenMode::Read);
  CString line;
  ASSERT_TRUE(first.fgets(line, 1024));
  CTextFile second(std::make_unique<ChunkedStream>("", 1), FileOpenMode::Read);
  second = std::move(first);
  std::vector<std::string> rest;
  while (second.fgets(line, 1024)) rest.push_back(line.str());
  EXPECT_EQ(rest, (std::vector<std::string>{"bb\n", "ccc\n"}));

  std::string sink, other;
  CTextFile writer(std::make_unique<SinkStream>(sink), FileOpenMode::Write);
  ASSERT_TRUE(writer.fputs("x\n"));
  CTextFile target(std::make_unique<SinkStream>(other), FileOpenMode::Write);
  target = std::move(writer);
  EXPECT_TRUE(target.fputs("y"));
  EXPECT_TRUE(target.Close());
  EXPECT_EQ(sink, "x\r\ny");
  EXPECT_EQ(other, "");
}

// A file opened for writing reads nothing, whatever its stream could give.
TEST(TextFileTest, FileOpenedForReadingOrClosedTakesNoWrites) {
  CTextFile file(std::make_unique<ViewStream>("old\n"), FileOpenMode::Read);
  EXPECT_FALSE(file.fputs("new\n"));
  CString line;
  ASSERT_TRUE(file.fgets(line, 1024));
  EXPECT_EQ(line, "old\n");
  // Nothing of a refused write reaches the stream, not even at the close.
  std::string bytes = "old\n";
  CTextFile reader(std::make_unique<AppendStream>(bytes), FileOpenMode::Read);
  EXPECT_FALSE(reader.fputs("new\n"));
  EXPECT_TRUE(reader.Close());
  EXPECT_EQ(bytes, "old\n");

  CTextFile written(std::make_unique<AppendStream>(bytes), FileOpenMode::Write);
  EXPECT_TRUE(written.fputs("a\n"));
  EXPECT_TRUE(written.Close());
  EXPECT_FALSE(written.fputs("b\n"));
  EXPECT_FALSE(written.fgets(line, 1024));
}

TEST(TextFileTest, FileOpenedForWritingReadsNothing) {
  CTextFile file(std::make_unique<ViewStream>("old\n"), FileOpenMode::Write);
  CString line;
  EXPECT_FALSE(file.fgets(line, 1024));
  EXPECT_TRUE(file.feof());
}

}  // namespace

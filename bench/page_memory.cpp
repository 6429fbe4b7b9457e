// Peak resident memory while the installer rewrites the links of a large
// page on disk: a page of short link lines (100 MB unless given) is written
// to a temporary folder in small chunks, then RewritePage rewrites it into a
// file beside it through a file system over the real files, and the
// process's peak resident set is reported against the goal (32 MB).
//
//   page_memory [MEGABYTES] [FOLDER]
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "installer/PageLinks.h"
#include "tests/unit/FailingFileSystem.h"

namespace {

constexpr long kGoalKb = 32 * 1024;

class PosixStream : public IFileStream {
 public:
  explicit PosixStream(std::FILE* f) : m_file(f) {}
  ~PosixStream() override { std::fclose(m_file); }
  PosixStream(const PosixStream&) = delete;
  PosixStream& operator=(const PosixStream&) = delete;
  std::size_t Read(char* buffer, std::size_t n) override { return std::fread(buffer, 1, n, m_file); }
  bool Write(const char* data, std::size_t n) override { return std::fwrite(data, 1, n, m_file) == n; }

 private:
  std::FILE* m_file;
};

// The calls the page rewriting makes, over POSIX files: the page is read by
// its path as it is, every write through a handle goes to the one output
// file. Everything else fails.
class PosixFiles : public FailingFileSystem {
 public:
  explicit PosixFiles(std::FILE* out) : m_out(out) {}
  std::unique_ptr<IFileStream> OpenFile(const CString& path, FileOpenMode mode) override {
    std::FILE* f = mode == FileOpenMode::Read ? std::fopen(path.c_str(), "rb") : nullptr;
    if (f == nullptr) {
      m_error = static_cast<DWORD>(errno);
      return nullptr;
    }
    return std::make_unique<PosixStream>(f);
  }
  BOOL WriteByHandle(INT_PTR, const char* data, std::size_t n) override {
    return std::fwrite(data, 1, n, m_out) == n;
  }

 private:
  std::FILE* m_out;
};

long PeakKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 100;
  const std::string folder = argc > 2 ? argv[2] : "/tmp";
  const std::string path = folder + "/page_memory_" + std::to_string(getpid()) + "_01.html";
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
      std::perror(path.c_str());
      return 2;
    }
    const std::string line = "<a href=\"../../../program/viewer.exe\">v</a>\n";
    const long long bytes = static_cast<long long>(megabytes) * 1024 * 1024;
    for (long long written = 0; written < bytes; written += static_cast<long long>(line.size())) {
      std::fwrite(line.data(), 1, line.size(), f);
    }
    std::fclose(f);
  }
  const std::string written = path + ".out";
  std::FILE* out = std::fopen(written.c_str(), "wb");
  if (out == nullptr) {
    std::perror(written.c_str());
    unlink(path.c_str());
    return 2;
  }
  const long before = PeakKb();
  PosixFiles files(out);
  const PageRewrite result = RewritePage(files, CString(path.c_str()), 1, kProgramLinkPrefix);
  const long peak = PeakKb();
  std::fclose(out);
  struct stat st {};
  const long long size = stat(written.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
  unlink(path.c_str());
  unlink(written.c_str());
  if (result != PageRewrite::Done) {
    std::fprintf(stderr, "page_memory: the rewriting failed\n");
    return 2;
  }
  std::printf(
      "page rewriting, %ld MB page of short link lines (%lld bytes written): peak resident %.1f MB "
      "(%.1f MB before the rewriting), goal <= %ld MB: %s\n",
      megabytes, size, peak / 1024.0, before / 1024.0, kGoalKb / 1024, peak <= kGoalKb ? "met" : "NOT met");
  return peak <= kGoalKb ? 0 : 1;
}

#include "tests/e2e/platform/CheckSupport.h"

#include <cstdio>

#include "platform/win32/Win32Handles.h"

namespace check {

using win32::UniqueFileHandle;

std::string Hex(std::string_view bytes) {
  std::string out;
  char piece[4];
  for (unsigned char c : bytes) {
    std::snprintf(piece, sizeof piece, "%02X ", c);
    out += piece;
  }
  if (!out.empty()) out.pop_back();
  return out;
}

std::string DescribeEntry(std::string_view name, unsigned attrib) {
  std::string out = "[";
  out += Hex(name);
  out += "]/";
  out += std::to_string(attrib);
  return out;
}

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
  // Zero characters (multi-strings) shown visibly.
  std::string shown;
  for (char c : out) shown += c == '\0' ? std::string("\\0") : std::string(1, c);
  return shown;
}

std::string Shown(const CString& text) {
  std::wstring wide(static_cast<std::size_t>(text.GetLength()), L'\0');
  wide.resize(static_cast<std::size_t>(::MultiByteToWideChar(932, 0, text.c_str(), text.GetLength(),
                                                             wide.data(), static_cast<int>(wide.size()))));
  return Utf8(wide);
}

bool UnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

void PrintedReport::Pass(const std::string& name) {
  ++m_passed;
  std::printf("PASS %s\n", name.c_str());
  std::fflush(stdout);
}

void PrintedReport::Fail(const std::string& name, const std::string& detail) {
  ++m_failed;
  std::printf("FAIL %s%s%s\n", name.c_str(), detail.empty() ? "" : ": ", detail.c_str());
  std::fflush(stdout);
}

void PrintedReport::KnownDifference(const std::string& name, const std::string& detail,
                                    const std::string& reason) {
  ++m_differences;
  std::printf("WINE %s%s%s (known difference: %s)\n", name.c_str(), detail.empty() ? "" : ": ",
              detail.c_str(), reason.c_str());
  std::fflush(stdout);
}

void PrintedReport::Skip(const std::string& name, const std::string& reason) {
  std::printf("SKIP %s: %s\n", name.c_str(), reason.c_str());
  std::fflush(stdout);
}

int PrintedReport::Finish() const {
  std::printf("%d passed, %d failed, %d known Wine differences\n", m_passed, m_failed, m_differences);
  return m_failed == 0 ? 0 : 1;
}

bool Wide(cases::Checker& c, std::wstring_view got, std::wstring_view want, const std::string& name) {
  return c(got == want, name, "got \"" + Utf8(got) + "\" want \"" + Utf8(want) + "\"");
}

// ---------------------------------------------------------------- independent helpers

DWORD WideAttributes(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

bool WideExists(const std::wstring& path) { return WideAttributes(path) != INVALID_FILE_ATTRIBUTES; }

std::string ReadWide(const std::wstring& path) {
  UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string data;
  if (!file) return data;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    data.append(buffer, got);
  }
  return data;
}

bool WriteLayer(IFileSystem& files, const CString& path, std::string_view data) {
  auto stream = files.OpenFile(path, FileOpenMode::Write);
  return stream && stream->Write(data.data(), data.size());
}

std::string ReadLayer(IFileSystem& files, const CString& path) {
  std::string data;
  auto stream = files.OpenFile(path, FileOpenMode::Read);
  if (!stream) return data;
  char buffer[7];  // small on purpose: several reads per file
  for (std::size_t n; (n = stream->Read(buffer, sizeof buffer)) > 0;) data.append(buffer, n);
  return data;
}

void RemoveTreeWide(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  win32::UniqueFindHandle search(::FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (search) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        ::RemoveDirectoryW(path.c_str());
      } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTreeWide(path);
      } else {
        ::DeleteFileW(path.c_str());
      }
    } while (::FindNextFileW(search.get(), &found));
  }
  search.reset();
  ::RemoveDirectoryW(folder.c_str());
}

RegValue QueryWide(HKEY key, const wchar_t* name) {
  RegValue value;
  DWORD size = 0;
  value.status = ::RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
  if (value.status != ERROR_SUCCESS) return value;
  value.data.resize(size);
  value.status = ::RegQueryValueExW(key, name, nullptr, &value.type, value.data.data(), &size);
  value.data.resize(size);
  return value;
}

std::wstring AsWide(const std::vector<BYTE>& data) {
  return std::wstring(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
}

}  // namespace check

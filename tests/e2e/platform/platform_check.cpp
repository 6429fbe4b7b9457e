// Checks the real platform layer inside a running Wine prefix (or Windows):
// every operation the programs use goes through the layer with Shift-JIS
// input, and the effect is read back through the system's own W functions
// with UTF-16 expectations written as wide literals. Narrow literals in this
// file are Shift-JIS (the build compiles with -fexec-charset=CP932), so they
// are what the programs would pass.
//
// Usage: platform_check.exe [--expect-acp N] [--cd-drive L]
//   --expect-acp N  also check that the system's ANSI code page is N (run it
//                   once under a non-Japanese locale to show that nothing
//                   depends on the system's code page)
//   --cd-drive L    drive L is a CD-ROM drive whose volume label is
//                   "ドラマＣＤ_検査"
// Prints one line per check and "N passed, M failed"; exits 1 on a failure.
#include "platform/win32/Win.h"

#include <cstdio>
#include <cwchar>
#include <memory>
#include <set>
#include <thread>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "platform/win32/Win32Drives.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"

namespace {

using win32::ComPtr;
using win32::UniqueFileHandle;
using win32::UniqueRegKey;

// ---------------------------------------------------------------- reporting

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

// A search entry as "[hex bytes]/attribute bits".
std::string DescribeEntry(std::string_view name, unsigned attrib) {
  std::string out = "[";
  out += Hex(name);
  out += "]/";
  out += std::to_string(attrib);
  return out;
}

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  // Zero characters (multi-strings) shown visibly.
  std::string shown;
  for (char c : out) shown += c == '\0' ? std::string("\\0") : std::string(1, c);
  return shown;
}

// Shift-JIS text as UTF-8 for the log.
std::string Shown(const CString& text) {
  std::wstring wide(static_cast<std::size_t>(text.GetLength()), L'\0');
  wide.resize(static_cast<std::size_t>(::MultiByteToWideChar(
      932, 0, text.c_str(), text.GetLength(), wide.data(), static_cast<int>(wide.size()))));
  return Utf8(wide);
}

class Checks {
 public:
  bool Check(bool ok, const char* name, const std::string& detail = {}) {
    if (ok) {
      ++m_passed;
      std::printf("PASS %s\n", name);
    } else {
      ++m_failed;
      std::printf("FAIL %s%s%s\n", name, detail.empty() ? "" : ": ", detail.c_str());
    }
    std::fflush(stdout);
    return ok;
  }
  bool Bytes(const CString& got, std::string_view want, const char* name) {
    return Check(got.view() == want, name, "got [" + Hex(got.view()) + "] want [" + Hex(want) + "]");
  }
  bool Wide(std::wstring_view got, std::wstring_view want, const char* name) {
    return Check(got == want, name, "got \"" + Utf8(got) + "\" want \"" + Utf8(want) + "\"");
  }
  bool Number(long long got, long long want, const char* name) {
    return Check(got == want, name,
                 "got " + std::to_string(got) + " want " + std::to_string(want));
  }
  int Finish() const {
    std::printf("%d passed, %d failed\n", m_passed, m_failed);
    return m_failed == 0 ? 0 : 1;
  }

 private:
  int m_passed = 0;
  int m_failed = 0;
};

// ---------------------------------------------------------------- independent helpers

DWORD WideAttributes(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

bool WideExists(const std::wstring& path) {
  return WideAttributes(path) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadWide(const std::wstring& path) {
  UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
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

// Empties and removes a folder with the system's W functions (clean-up only).
void RemoveTreeWide(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  win32::UniqueFindHandle search(::FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (search) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTreeWide(path);
      } else {
        ::DeleteFileW(path.c_str());
      }
    } while (::FindNextFileW(search.get(), &found));
  }
  search.reset();
  ::RemoveDirectoryW(folder.c_str());
}

struct RegValue {
  LONG status = ERROR_FILE_NOT_FOUND;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

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

// ---------------------------------------------------------------- the checks

struct Places {
  std::wstring baseWide;  // the temporary folder, UTF-16
  CString base;           // the same, Shift-JIS
};

void CheckStrings(Checks& c) {
  // The bytes this file's narrow literals carry: the build really is Shift-JIS.
  c.Bytes(CString("ソ表"), "\x83\x5C\x95\x5C", "narrow literals are Shift-JIS");
}

void CheckFiles(Checks& c, Win32FileSystem& files, const Places& at) {
  const CString& base = at.base;
  const std::wstring& wbase = at.baseWide;

  // Folders.
  c.Check(files.CreateDirectoryA(base) != 0, "CreateDirectoryA creates a folder with a Japanese name");
  c.Check((WideAttributes(wbase) & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
              WideAttributes(wbase) != INVALID_FILE_ATTRIBUTES,
          "the folder exists under its UTF-16 name");
  files.SetLastError(0);
  c.Check(files.CreateDirectoryA(base) == 0, "CreateDirectoryA on an existing folder fails");
  c.Number(files.GetLastError(), ERROR_ALREADY_EXISTS, "  ... with ERROR_ALREADY_EXISTS");
  c.Check(files.CreateDirectoryA(base + "\\無い\\下") == 0,
          "CreateDirectoryA fails when the parent is missing");
  c.Number(files.GetLastError(), ERROR_PATH_NOT_FOUND, "  ... with ERROR_PATH_NOT_FOUND");

  // Writing and reading raw bytes, CR LF and Shift-JIS kept as they are.
  const char raw[] = "line 1\r\nソ表の行\r\n\x00\xFF end";
  const std::string data(raw, sizeof raw - 1);
  const CString source = base + "\\ソ表.txt";
  c.Check(WriteLayer(files, source, data), "OpenFile(Write) writes all bytes");
  c.Check(ReadWide(wbase + L"\\ソ表.txt") == data, "the written bytes are on disk unchanged",
          "got [" + Hex(ReadWide(wbase + L"\\ソ表.txt")) + "]");
  c.Check(ReadLayer(files, source) == data, "OpenFile(Read) reads them back in pieces");
  c.Check(WriteLayer(files, source, "short"), "OpenFile(Write) truncates an existing file");
  c.Check(ReadWide(wbase + L"\\ソ表.txt") == "short", "  ... leaving only the new bytes");
  files.SetLastError(0);
  c.Check(files.OpenFile(base + "\\missing.txt", FileOpenMode::Read) == nullptr,
          "OpenFile(Read) of a missing file gives no stream");
  c.Number(files.GetLastError(), ERROR_FILE_NOT_FOUND, "  ... with ERROR_FILE_NOT_FOUND");
  {
    auto reader = files.OpenFile(source, FileOpenMode::Read);
    UniqueFileHandle writer(::CreateFileW((wbase + L"\\ソ表.txt").c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    c.Check(reader != nullptr && writer.valid(),
            "a file open for reading can still be opened for writing by others");
  }
  WriteLayer(files, source, data);

  // Copying.
  const CString copy = base + "\\copy.txt";
  c.Check(files.CopyFileA(source, copy, FALSE) != 0, "CopyFileA copies to a new name");
  c.Check(ReadWide(wbase + L"\\copy.txt") == data, "  ... with the same bytes");
  files.SetLastError(0);
  c.Check(files.CopyFileA(source, copy, TRUE) == 0, "CopyFileA with failIfExists onto a file fails");
  c.Number(files.GetLastError(), ERROR_FILE_EXISTS, "  ... with ERROR_FILE_EXISTS");
  c.Check(files.SetFileAttributesA(copy, FILE_ATTRIBUTE_READONLY) != 0,
          "SetFileAttributesA makes a file read-only");
  c.Check((files.GetFileAttributesA(copy) & FILE_ATTRIBUTE_READONLY) != 0 &&
              (WideAttributes(wbase + L"\\copy.txt") & FILE_ATTRIBUTE_READONLY) != 0,
          "GetFileAttributesA and the system agree it is read-only");
  files.SetLastError(0);
  c.Check(files.CopyFileA(source, copy, FALSE) == 0, "CopyFileA onto a read-only file fails");
  c.Number(files.GetLastError(), ERROR_ACCESS_DENIED, "  ... with ERROR_ACCESS_DENIED");
  files.SetLastError(0);
  c.Check(files.OpenFile(copy, FileOpenMode::Write) == nullptr,
          "OpenFile(Write) of a read-only file gives no stream");
  c.Number(files.GetLastError(), ERROR_ACCESS_DENIED, "  ... with ERROR_ACCESS_DENIED");
  c.Check(ReadWide(wbase + L"\\copy.txt") == data, "  ... and the file keeps its bytes");
  const CString hiddenCopy = base + "\\hcopy.txt";
  files.CopyFileA(source, hiddenCopy, FALSE);
  files.SetFileAttributesA(hiddenCopy, FILE_ATTRIBUTE_HIDDEN);
  files.SetLastError(0);
  c.Check(files.CopyFileA(source, hiddenCopy, FALSE) == 0, "CopyFileA onto a hidden file fails");
  c.Number(files.GetLastError(), ERROR_ACCESS_DENIED, "  ... with ERROR_ACCESS_DENIED");
  c.Check(files.CopyFileA(hiddenCopy, hiddenCopy + ".2", FALSE) != 0 &&
              files.CopyFileA(hiddenCopy, hiddenCopy + ".2", FALSE) != 0,
          "CopyFileA of a hidden file onto a hidden file succeeds");
  files.SetFileAttributesA(hiddenCopy, FILE_ATTRIBUTE_NORMAL);
  files.SetFileAttributesA(hiddenCopy + ".2", FILE_ATTRIBUTE_NORMAL);
  files.DeleteFileA(hiddenCopy);
  files.DeleteFileA(hiddenCopy + ".2");
  const CString copyOfReadOnly = base + "\\copy2.txt";
  c.Check(files.CopyFileA(copy, copyOfReadOnly, FALSE) != 0 &&
              (WideAttributes(wbase + L"\\copy2.txt") & FILE_ATTRIBUTE_READONLY) != 0,
          "a copy of a read-only file is read-only");
  files.SetLastError(0);
  c.Check(files.DeleteFileA(copy) == 0, "DeleteFileA of a read-only file fails");
  c.Number(files.GetLastError(), ERROR_ACCESS_DENIED, "  ... with ERROR_ACCESS_DENIED");
  c.Check(files.SetFileAttributesA(copy, FILE_ATTRIBUTE_NORMAL) != 0 &&
              (files.GetFileAttributesA(copy) & FILE_ATTRIBUTE_READONLY) == 0,
          "SetFileAttributesA(FILE_ATTRIBUTE_NORMAL) clears read-only");
  c.Check(files.DeleteFileA(copy) != 0 && !WideExists(wbase + L"\\copy.txt"),
          "DeleteFileA deletes the file");
  c.Number(files.GetFileAttributesA(copy), INVALID_FILE_ATTRIBUTES,
           "GetFileAttributesA of a missing file is INVALID_FILE_ATTRIBUTES");
  files.SetLastError(0);
  c.Check(files.CopyFileA(base + "\\none.txt", copy, FALSE) == 0,
          "CopyFileA of a missing source fails");
  c.Number(files.GetLastError(), ERROR_FILE_NOT_FOUND, "  ... with ERROR_FILE_NOT_FOUND");

  // Search: every entry with its attribute bits, "." and ".." included.
  const CString sub = base + "\\表サブ";
  files.CreateDirectoryA(sub);
  WriteLayer(files, sub + "\\inner.txt", "x");
  const CString hidden = base + "\\hidden.txt";
  WriteLayer(files, hidden, "h");
  files.SetFileAttributesA(hidden, FILE_ATTRIBUTE_HIDDEN);
  std::set<std::pair<std::string, unsigned>> seen;
  FindData entry;
  const INT_PTR search = files.findfirst(base + "\\*.*", entry);
  c.Check(search != -1, "findfirst on \\*.* finds entries");
  if (search != -1) {
    int guard = 0;
    do {
      seen.emplace(entry.name.str(), entry.attrib & (A_RDONLY | A_HIDDEN | A_SUBDIR));
    } while (files.findnext(search, entry) == 0 && ++guard < 100);
    c.Number(files.findnext(search, entry), -1, "findnext at the end gives -1");
    c.Number(files.findclose(search), 0, "findclose gives 0");
  }
  const std::set<std::pair<std::string, unsigned>> want = {
      {".", A_SUBDIR},           {"..", A_SUBDIR},        {"ソ表.txt", 0},
      {"copy2.txt", A_RDONLY},   {"hidden.txt", A_HIDDEN}, {"表サブ", A_SUBDIR},
  };
  std::string listing;
  for (const auto& [name, attrib] : seen) listing += DescribeEntry(name, attrib) + " ";
  c.Check(seen == want, "the search lists names in Shift-JIS with their attribute bits", listing);
  c.Number(static_cast<long long>(files.OpenSearches()), 0, "no search is left open");
  const INT_PTR inner = files.findfirst(sub + "\\*.txt", entry);
  c.Check(inner != -1 && entry.name == "inner.txt" && entry.attrib == A_ARCH,
          "findfirst with a pattern inside a folder whose name ends in 0x5C bytes",
          inner == -1 ? std::string("no match") : DescribeEntry(entry.name.view(), entry.attrib));
  if (inner != -1) files.findclose(inner);
  c.Number(files.findfirst(base + "\\*.none", entry), -1, "findfirst with no match gives -1");
  c.Number(files.findfirst(base + "\\無い\\*.*", entry), -1, "findfirst in a missing folder gives -1");
  c.Number(files.findnext(12345, entry), -1, "findnext on an unknown handle gives -1");
  c.Number(files.findclose(12345), -1, "findclose on an unknown handle gives -1");
  {
    // Searches left open are closed with the object, so the folder can go.
    Win32FileSystem scoped;
    const INT_PTR open = scoped.findfirst(sub + "\\*.*", entry);
    c.Check(open != -1 && scoped.OpenSearches() == 1, "a search stays open in the object's table");
  }

  // Folders must be empty to be removed; the system's text for that error.
  files.SetLastError(0);
  c.Check(files.RemoveDirectoryA(sub) == 0, "RemoveDirectoryA of a non-empty folder fails");
  const DWORD notEmpty = files.GetLastError();
  c.Number(notEmpty, ERROR_DIR_NOT_EMPTY, "  ... with ERROR_DIR_NOT_EMPTY");
  const CString text = files.FormatMessageA(ERROR_DIR_NOT_EMPTY);
  wchar_t* wideText = nullptr;
  const DWORD wideLength = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
      nullptr, ERROR_DIR_NOT_EMPTY, 0x400, reinterpret_cast<LPWSTR>(&wideText), 0, nullptr);
  const win32::UniqueLocalBuffer wideOwner(wideText);
  std::printf("     text: %s", Utf8(std::wstring_view(wideText ? wideText : L"", wideLength)).c_str());
  c.Check(!text.IsEmpty(), "FormatMessageA(ERROR_DIR_NOT_EMPTY) gives a text");
  std::wstring back(static_cast<std::size_t>(text.GetLength()), L'\0');
  back.resize(static_cast<std::size_t>(::MultiByteToWideChar(
      932, 0, text.c_str(), text.GetLength(), back.data(), static_cast<int>(back.size()))));
  c.Wide(back, std::wstring_view(wideText ? wideText : L"", wideLength),
         "  ... which is the system's text in Shift-JIS");
  c.Check(files.FormatMessageA(0x2FFFFFFF).IsEmpty(), "FormatMessageA of an unknown code is empty");
  c.Check(files.DeleteFileA(sub + "\\inner.txt") != 0 && files.RemoveDirectoryA(sub) != 0 &&
              !WideExists(wbase + L"\\表サブ"),
          "RemoveDirectoryA removes the emptied folder");

  // Moving, and deletion at the next restart.
  const CString moved = base + "\\moved ソ.txt";
  c.Check(files.MoveFileExA(copyOfReadOnly, &moved, 0) != 0 &&
              WideExists(wbase + L"\\moved ソ.txt") && !WideExists(wbase + L"\\copy2.txt"),
          "MoveFileExA renames a file");
  c.Check(files.MoveFileExA(source, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0,
          "MoveFileExA(path, null, MOVEFILE_DELAY_UNTIL_REBOOT) is accepted");
  c.Check(files.MoveFileExA(base, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0,
          "  ... for a folder too");
  {
    HKEY raw = nullptr;
    ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                    KEY_QUERY_VALUE, &raw);
    UniqueRegKey session(raw);
    const RegValue pending = QueryWide(session.get(), L"PendingFileRenameOperations");
    const std::wstring list = AsWide(pending.data);
    // Each request is the source in NT form and an empty destination.
    const std::wstring file = L"\\??\\" + wbase + L"\\ソ表.txt" + std::wstring(1, L'\0') +
                              std::wstring(1, L'\0');
    const std::wstring folder = L"\\??\\" + wbase + std::wstring(1, L'\0') + std::wstring(1, L'\0');
    c.Check(pending.type == REG_MULTI_SZ && list.find(file) != std::wstring::npos &&
                list.find(folder) != std::wstring::npos,
            "the system lists both restart deletions under their UTF-16 names", Utf8(list));
  }

  // The current folder: bytes of the Shift-JIS path, as the A function counts.
  CString before;
  files.GetCurrentDirectoryA(MAX_PATH + 1, before);
  c.Check(files.SetCurrentDirectoryA(base) != 0, "SetCurrentDirectoryA into the Japanese folder");
  CString folder = "unchanged";
  const DWORD length = files.GetCurrentDirectoryA(261, folder);
  c.Bytes(folder, base.view(), "GetCurrentDirectoryA gives it back in Shift-JIS");
  c.Number(length, base.GetLength(), "  ... and its length in bytes");
  CString small = "unchanged";
  c.Number(files.GetCurrentDirectoryA(4, small), base.GetLength() + 1,
           "GetCurrentDirectoryA with a small buffer gives the size needed");
  c.Check(small == "unchanged", "  ... and leaves the output alone");
  wchar_t wideCurrent[MAX_PATH + 1] = {};
  ::GetCurrentDirectoryW(MAX_PATH + 1, wideCurrent);
  c.Wide(wideCurrent, wbase, "the system agrees on the current folder");
  c.Check(files.SetCurrentDirectoryA("C:\\") != 0 && files.GetCurrentDirectoryA(261, folder) == 3 &&
              folder == "C:\\",
          "a drive root keeps its backslash");
  files.SetLastError(0);
  c.Check(files.SetCurrentDirectoryA(base + "\\無い") == 0, "SetCurrentDirectoryA to a missing folder fails");
  files.SetCurrentDirectoryA(before);

  files.SetLastError(1234);
  c.Number(files.GetLastError(), 1234, "SetLastError / GetLastError");
}

void CheckDrives(Checks& c, wchar_t cdLetter) {
  Win32Drives drives;
  c.Number(drives.GetDriveTypeA("C:\\"), DRIVE_FIXED, "GetDriveTypeA(C:\\) is DRIVE_FIXED");
  CString label = "unchanged";
  c.Check(drives.GetVolumeInformationA("C:\\", label) != 0, "GetVolumeInformationA(C:\\) succeeds");
  label = "unchanged";
  c.Check(drives.GetVolumeInformationA("B:\\", label) == 0 && label == "unchanged",
          "GetVolumeInformationA of a missing drive fails and leaves the label");
  if (cdLetter == 0) return;
  CString root;
  root += static_cast<char>(cdLetter);
  root += ":\\";
  c.Number(drives.GetDriveTypeA(root), DRIVE_CDROM, "GetDriveTypeA of the CD drive is DRIVE_CDROM");
  label.Empty();
  c.Check(drives.GetVolumeInformationA(root, label) != 0, "GetVolumeInformationA of the CD drive succeeds");
  c.Bytes(label, "ドラマＣＤ_検査", "  ... with its label in Shift-JIS");
}

void CheckRegistry(Checks& c, const Places& at) {
  Win32Registry registry;
  const CString parent = "Software\\PlatformCheck";
  const CString name = parent + "\\検査ソ";
  HKEY key = nullptr;
  DWORD disposition = 0;
  c.Number(registry.RegCreateKeyExA(HKEY_CURRENT_USER, name, REG_OPTION_NON_VOLATILE,
                                    KEY_ALL_ACCESS, &key, &disposition),
           ERROR_SUCCESS, "RegCreateKeyExA creates a key with a Japanese name under HKCU");
  c.Number(disposition, REG_CREATED_NEW_KEY, "  ... reporting REG_CREATED_NEW_KEY");
  {
    HKEY again = nullptr;
    registry.RegCreateKeyExA(HKEY_CURRENT_USER, name, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             &again, &disposition);
    c.Number(disposition, REG_OPENED_EXISTING_KEY, "a second RegCreateKeyExA opens it");
    if (again != nullptr) registry.RegCloseKey(again);
    HKEY raw = nullptr;
    c.Number(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\PlatformCheck\\検査ソ", 0, KEY_READ, &raw),
             ERROR_SUCCESS, "the key exists under its UTF-16 name");
    UniqueRegKey opened(raw);
  }
  c.Number(registry.RegCreateKeyExA(HKEY_CURRENT_USER, name, 0, KEY_ALL_ACCESS, nullptr, nullptr),
           ERROR_INVALID_PARAMETER, "RegCreateKeyExA without a place for the key is refused");

  // A one-string multi-string: the path, then two zero bytes.
  const CString path = at.base + "\\uninst.exe";
  std::string multi = path.str();
  multi.append(2, '\0');
  c.Number(registry.RegSetValueExA(key, "UninstallString", REG_MULTI_SZ,
                                   reinterpret_cast<const BYTE*>(multi.data()),
                                   static_cast<DWORD>(multi.size())),
           ERROR_SUCCESS, "RegSetValueExA REG_MULTI_SZ with Shift-JIS data");
  RegValue value = QueryWide(key, L"UninstallString");
  std::wstring want = at.baseWide + L"\\uninst.exe";
  want.append(2, L'\0');
  c.Number(value.type, REG_MULTI_SZ, "  ... stored as REG_MULTI_SZ");
  c.Wide(AsWide(value.data), want, "  ... reading back as UTF-16 with both terminators");

  const char display[] = "タヴリン　ドラマＣＤ１　デジタルコンテンツ\0";
  c.Number(sizeof display, 44, "the display name is 42 Shift-JIS bytes and two zeros");
  registry.RegSetValueExA(key, "DisplayName", REG_MULTI_SZ, reinterpret_cast<const BYTE*>(display),
                          sizeof display);
  value = QueryWide(key, L"DisplayName");
  const std::wstring displayWide(L"タヴリン　ドラマＣＤ１　デジタルコンテンツ\0\0", 23);
  c.Wide(AsWide(value.data), displayWide, "the display name reads back as 21 characters and two zeros");
  c.Number(static_cast<long long>(value.data.size()), 46, "  ... in 46 bytes");

  const char text[] = "値ソ";
  c.Number(registry.RegSetValueExA(key, "名前", REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
           ERROR_SUCCESS, "RegSetValueExA REG_SZ under a Japanese value name");
  value = QueryWide(key, L"名前");
  c.Check(value.status == ERROR_SUCCESS && value.type == REG_SZ &&
              AsWide(value.data) == std::wstring(L"値ソ\0", 3),
          "  ... reads back by its UTF-16 name", Utf8(AsWide(value.data)));
  const char expand[] = "%TEMP%\\ソ";
  registry.RegSetValueExA(key, "", REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand), sizeof expand);
  value = QueryWide(key, L"");
  c.Check(value.type == REG_EXPAND_SZ && AsWide(value.data) == std::wstring(L"%TEMP%\\ソ\0", 9),
          "REG_EXPAND_SZ into the default value is widened as well", Utf8(AsWide(value.data)));

  const DWORD number = 0x12345678;
  registry.RegSetValueExA(key, "Number", REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  value = QueryWide(key, L"Number");
  c.Check(value.type == REG_DWORD && value.data.size() == 4 &&
              *reinterpret_cast<const DWORD*>(value.data.data()) == number,
          "REG_DWORD is stored unchanged");
  const BYTE binary[] = {0x83, 0x5C, 0x00, 0xFF};
  registry.RegSetValueExA(key, "Binary", REG_BINARY, binary, sizeof binary);
  value = QueryWide(key, L"Binary");
  c.Check(value.type == REG_BINARY && value.data == std::vector<BYTE>(binary, binary + 4),
          "REG_BINARY is stored unchanged, Shift-JIS-looking bytes included");
  c.Number(registry.RegSetValueExA(key, "Null", REG_SZ, nullptr, 4), ERROR_INVALID_PARAMETER,
           "string data missing behind a byte count is refused");

  c.Number(registry.RegCloseKey(key), ERROR_SUCCESS, "RegCloseKey");
  HKEY parentKey = nullptr;
  registry.RegCreateKeyExA(HKEY_CURRENT_USER, parent, 0, KEY_ALL_ACCESS, &parentKey, nullptr);
  c.Number(registry.RegDeleteKeyA(parentKey, "検査ソ"), ERROR_SUCCESS,
           "RegDeleteKeyA deletes the Japanese sub-key with its values");
  c.Number(registry.RegDeleteKeyA(parentKey, "検査ソ"), ERROR_FILE_NOT_FOUND,
           "  ... and a second time finds nothing");
  registry.RegCloseKey(parentKey);
  ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\PlatformCheck");

  // HKLM, with the volatile option the installer may use.
  const CString machine = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\PlatformCheck検査";
  HKEY machineKey = nullptr;
  c.Number(registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, machine, REG_OPTION_VOLATILE,
                                    KEY_ALL_ACCESS, &machineKey, &disposition),
           ERROR_SUCCESS, "RegCreateKeyExA creates a volatile key under HKLM");
  registry.RegSetValueExA(machineKey, "DisplayName", REG_MULTI_SZ,
                          reinterpret_cast<const BYTE*>(display), sizeof display);
  value = QueryWide(machineKey, L"DisplayName");
  c.Wide(AsWide(value.data), displayWide, "  ... and a value written there reads back");
  registry.RegCloseKey(machineKey);
  HKEY uninstall = nullptr;
  registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                           REG_OPTION_VOLATILE, KEY_ALL_ACCESS, &uninstall, &disposition);
  c.Number(disposition, REG_OPENED_EXISTING_KEY, "the existing Uninstall key is only opened");
  c.Number(registry.RegDeleteKeyA(uninstall, "PlatformCheck検査"), ERROR_SUCCESS,
           "RegDeleteKeyA removes the HKLM entry");
  registry.RegCloseKey(uninstall);
}

struct LinkFields {
  HRESULT load = E_FAIL;
  std::wstring path, idListPath, workingDirectory, iconPath, arguments, description;
  int iconIndex = -1;
};

LinkFields ReadLink(const std::wstring& file) {
  LinkFields fields;
  ComPtr<IShellLinkW> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.put_void()))) {
    return fields;
  }
  ComPtr<SysIPersistFile> persist;
  if (FAILED(link->QueryInterface(IID_IPersistFile, persist.put_void()))) return fields;
  fields.load = persist->Load(file.c_str(), STGM_READ);
  if (FAILED(fields.load)) return fields;
  wchar_t buffer[MAX_PATH + 1] = {};
  if (SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH))) fields.path = buffer;
  LPITEMIDLIST target = nullptr;
  if (SUCCEEDED(link->GetIDList(&target))) {
    win32::UniqueItemList owner(target);
    buffer[0] = 0;
    if (target != nullptr && ::SHGetPathFromIDListW(target, buffer)) fields.idListPath = buffer;
  }
  buffer[0] = 0;
  if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH))) fields.workingDirectory = buffer;
  buffer[0] = 0;
  if (SUCCEEDED(link->GetIconLocation(buffer, MAX_PATH, &fields.iconIndex))) fields.iconPath = buffer;
  buffer[0] = 0;
  if (SUCCEEDED(link->GetArguments(buffer, MAX_PATH))) fields.arguments = buffer;
  buffer[0] = 0;
  if (SUCCEEDED(link->GetDescription(buffer, MAX_PATH))) fields.description = buffer;
  return fields;
}

// Wine keeps a shortcut's target path in the file as text of the system's ANSI
// code page, so under any other than 932 the Japanese characters of the path
// come back as '?'; the target's item list, checked beside it, is UTF-16.
void CheckLinkPath(Checks& c, const std::wstring& got, const std::wstring& want) {
  if (::GetACP() == 932) {
    c.Wide(got, want, "  ... target path");
  } else {
    std::printf("SKIP   ... target path: kept in the system code page %u\n", ::GetACP());
  }
}

// Writes a shortcut the way the installer does, through the layer only.
HRESULT WriteLink(Checks& c, IShell& shell, const CString& target, const CString& file,
                  const CString& folder, const char* icon, int iconIndex, const char* label) {
  std::unique_ptr<IShellLinkA> link;
  HRESULT hr = shell.CoCreateShellLink(link);
  std::string name = std::string("CoCreateShellLink for ") + label;
  if (!c.Number(hr, S_OK, name.c_str()) || !link) return hr;
  const bool setters = link->SetArguments("") == S_OK && link->SetDescription("") == S_OK &&
                       link->SetWorkingDirectory(folder.c_str()) == S_OK;
  hr = link->SetIconLocation(icon, iconIndex);
  name = std::string("SetIconLocation(") + (icon ? "path" : "null") + ") for " + label;
  c.Number(hr, S_OK, name.c_str());
  const bool setPath = link->SetPath(target.c_str()) == S_OK;
  name = std::string("the other setters succeed for ") + label;
  c.Check(setters && setPath, name.c_str());
  std::unique_ptr<IPersistFile> persist;
  hr = link->QueryPersistFile(persist);
  name = std::string("QueryPersistFile for ") + label;
  if (!c.Number(hr, S_OK, name.c_str()) || !persist) return hr;
  std::u16string wide;
  const int chars = shell.MultiByteToWideChar(file.view(), wide, 260);
  name = std::string("MultiByteToWideChar of the shortcut path for ") + label;
  c.Check(chars > 0 && static_cast<std::size_t>(chars) == wide.size() + 1, name.c_str());
  return persist->Save(wide, TRUE);
}

// Answers the folder picker from a second thread: waits for the process's
// dialog window, notes whether one of its controls shows the title, and
// presses the given button.
struct PickerAnswer {
  std::wstring title;
  int button = IDCANCEL;
  bool found = false;
  bool sawTitle = false;
};

BOOL CALLBACK FindTitle(HWND child, LPARAM param) {
  auto* answer = reinterpret_cast<PickerAnswer*>(param);
  wchar_t text[256] = {};
  ::GetWindowTextW(child, text, 255);
  if (answer->title == text) answer->sawTitle = true;
  return TRUE;
}

BOOL CALLBACK FindPicker(HWND window, LPARAM param) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  wchar_t className[64] = {};
  ::GetClassNameW(window, className, 63);
  if (process != ::GetCurrentProcessId() || !::IsWindowVisible(window) ||
      std::wstring_view(className) != L"#32770") {
    return TRUE;
  }
  auto* answer = reinterpret_cast<PickerAnswer*>(param);
  answer->found = true;
  ::EnumChildWindows(window, FindTitle, param);
  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(answer->button, BN_CLICKED), 0);
  return FALSE;
}

ItemIdList RunPicker(IShell& shell, const CString& title, UINT flags, PickerAnswer& answer) {
  std::thread helper([&answer] {
    for (int i = 0; i < 300 && !answer.found; ++i) {
      ::Sleep(100);
      ::EnumWindows(FindPicker, reinterpret_cast<LPARAM>(&answer));
    }
  });
  BrowseInfo info;
  info.owner = nullptr;
  info.title = title;
  info.flags = flags;
  ItemIdList chosen = shell.SHBrowseForFolderA(info);
  helper.join();
  return chosen;
}

void CheckPicker(Checks& c, IShell& shell) {
  PickerAnswer cancel;
  cancel.title = L"インストール先";
  const ItemIdList none = RunPicker(shell, "インストール先", BIF_RETURNONLYFSDIRS | BIF_EDITBOX, cancel);
  c.Check(cancel.found, "SHBrowseForFolderA shows a dialog");
  c.Check(cancel.sawTitle, "  ... with the title in UTF-16");
  c.Check(none == nullptr, "  ... and gives no item list when cancelled");

  PickerAnswer ok;
  ok.title = L"ドラマCD";
  ok.button = IDOK;
  const ItemIdList chosen = RunPicker(shell, "ドラマCD", BIF_RETURNONLYFSDIRS, ok);
  CString path;
  c.Check(ok.found && ok.sawTitle && chosen != nullptr && shell.SHGetPathFromIDListA(chosen.get(), path) != 0,
          "SHBrowseForFolderA confirmed at once gives the selected folder's item list");
  std::printf("     picked: %s\n", Shown(path).c_str());
  std::unique_ptr<IShellMalloc> malloc;
  if (SUCCEEDED(shell.SHGetMalloc(malloc)) && malloc) {
    malloc->Free(nullptr);
  }
}

void CheckShell(Checks& c, const Places& at) {
  Win32Shell shell;
  Win32FileSystem files;

  CString appData;
  c.Check(shell.SHGetSpecialFolderPathA(nullptr, appData, CSIDL_APPDATA, FALSE) != 0,
          "SHGetSpecialFolderPathA(CSIDL_APPDATA)");
  const DWORD appDataAttributes = files.GetFileAttributesA(appData);
  c.Check(appData.GetLength() > 3 && appData[1] == ':' && appData[2] == '\\' &&
              appDataAttributes != INVALID_FILE_ATTRIBUTES &&
              (appDataAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
          "  ... is an existing folder below a drive root", appData.str());

  ItemIdList list;
  c.Number(shell.SHGetSpecialFolderLocation(::GetDesktopWindow(), CSIDL_PROGRAMS, list), S_OK,
           "SHGetSpecialFolderLocation(CSIDL_PROGRAMS)");
  CString programs;
  c.Check(list != nullptr && shell.SHGetPathFromIDListA(list.get(), programs) != 0,
          "SHGetPathFromIDListA of the Programs item list");
  CString programsByPath;
  shell.SHGetSpecialFolderPathA(nullptr, programsByPath, CSIDL_PROGRAMS, FALSE);
  c.Check(!programs.IsEmpty() && programs == programsByPath &&
              (files.GetFileAttributesA(programs) & FILE_ATTRIBUTE_DIRECTORY) != 0,
          "  ... names the existing Programs folder", programs.str());
  CString untouched = "unchanged";
  c.Check(shell.SHGetPathFromIDListA(nullptr, untouched) == 0 && untouched == "unchanged",
          "SHGetPathFromIDListA of no list fails");
  std::unique_ptr<IShellMalloc> malloc;
  c.Number(shell.SHGetMalloc(malloc), S_OK, "SHGetMalloc");
  c.Check(malloc != nullptr, "  ... gives an allocator");
  if (malloc) {
    malloc->Free(std::move(list));
    malloc->Free(nullptr);
  }

  CheckPicker(c, shell);

  // Conversion of the shortcut file name, and its limit.
  std::u16string wide;
  c.Number(shell.MultiByteToWideChar("ソ表", wide, 260), 3, "MultiByteToWideChar(\"ソ表\") counts the terminator");
  c.Check(wide == u"ソ表", "  ... and converts with code page 932");
  c.Number(shell.MultiByteToWideChar("ソ表", wide, 2), 0, "MultiByteToWideChar into too small a buffer gives 0");
  c.Number(shell.MultiByteToWideChar(std::string(300, 'a'), wide, 260), 0,
           "MultiByteToWideChar of 300 characters into 260 gives 0");

  // Shortcuts, as the installer writes them, read back through the system.
  const HRESULT init = shell.CoInitialize();
  c.Check(init == S_OK || init == S_FALSE, "CoInitialize");
  const CString folder = at.base + "\\リンク";
  files.CreateDirectoryA(folder);
  WriteLayer(files, folder + "\\index.html", "<html></html>");
  WriteLayer(files, folder + "\\uninst.exe", "MZ");
  const std::wstring wfolder = at.baseWide + L"\\リンク";

  HRESULT hr = WriteLink(c, shell, folder + "\\index.html", folder + "\\zuvIV１iru.lnk", folder,
                         nullptr, 1, "the content shortcut");
  c.Number(hr, S_OK, "IPersistFile::Save writes the content shortcut");
  c.Check(WideExists(wfolder + L"\\zuvIV１iru.lnk"), "  ... under its UTF-16 name");
  LinkFields fields = ReadLink(wfolder + L"\\zuvIV１iru.lnk");
  c.Number(fields.load, S_OK, "  ... which the system loads");
  CheckLinkPath(c, fields.path, wfolder + L"\\index.html");
  c.Wide(fields.idListPath, wfolder + L"\\index.html", "  ... target item list");
  c.Wide(fields.workingDirectory, wfolder, "  ... working folder");
  c.Wide(fields.iconPath, L"", "  ... no icon file");
  c.Wide(fields.arguments, L"", "  ... no arguments");

  hr = WriteLink(c, shell, folder + "\\uninst.exe", folder + "\\UnInstall.lnk", folder,
                 (folder + "\\uninst.exe").c_str(), 1, "the uninstaller shortcut");
  c.Number(hr, S_OK, "IPersistFile::Save writes the uninstaller shortcut");
  fields = ReadLink(wfolder + L"\\UnInstall.lnk");
  CheckLinkPath(c, fields.path, wfolder + L"\\uninst.exe");
  c.Wide(fields.idListPath, wfolder + L"\\uninst.exe", "  ... target item list");
  c.Wide(fields.workingDirectory, wfolder, "  ... working folder");
  c.Wide(fields.iconPath, wfolder + L"\\uninst.exe", "  ... icon file");
  c.Number(fields.iconIndex, 1, "  ... icon index");

  std::unique_ptr<IShellLinkA> link;
  shell.CoCreateShellLink(link);
  std::unique_ptr<IPersistFile> persist;
  if (link) link->QueryPersistFile(persist);
  c.Check(persist != nullptr &&
              FAILED(persist->Save(u"C:\\無いフォルダ\\x.lnk", TRUE)) &&
              !WideExists(L"C:\\無いフォルダ\\x.lnk"),
          "IPersistFile::Save into a missing folder fails");
  persist.reset();
  link.reset();
  shell.CoUninitialize();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  unsigned expectAcp = 0;
  wchar_t cdLetter = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring option = argv[i];
    if (option == L"--expect-acp") expectAcp = static_cast<unsigned>(std::wcstoul(argv[i + 1], nullptr, 10));
    if (option == L"--cd-drive") cdLetter = argv[i + 1][0];
  }

  Checks c;
  std::printf("     system ANSI code page %u\n", ::GetACP());
  if (expectAcp != 0) c.Number(::GetACP(), expectAcp, "the system's ANSI code page is the one asked for");
  CheckStrings(c);

  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD tempLength = ::GetTempPathW(MAX_PATH + 1, temp);
  Places at;
  at.baseWide = std::wstring(temp, tempLength) + L"plchk" + std::to_wstring(::GetCurrentProcessId()) +
                L"_検査ソ表";
  // The Shift-JIS twin of the folder, built from the ASCII temp path and literals.
  std::string tempNarrow;
  for (DWORD i = 0; i < tempLength; ++i) tempNarrow += static_cast<char>(temp[i]);
  at.base = CString(tempNarrow) + "plchk" + std::to_string(::GetCurrentProcessId()).c_str() + "_検査ソ表";
  bool asciiTemp = true;
  for (DWORD i = 0; i < tempLength; ++i) asciiTemp = asciiTemp && temp[i] < 0x80;
  if (!c.Check(asciiTemp && tempLength > 0, "the temporary folder has an ASCII path")) return c.Finish();

  {
    Win32FileSystem files;
    CheckFiles(c, files, at);
    c.Number(static_cast<long long>(files.OpenSearches()), 0, "the file system object holds no search");
  }
  CheckDrives(c, cdLetter);
  CheckRegistry(c, at);
  CheckShell(c, at);

  RemoveTreeWide(at.baseWide);
  return c.Finish();
}

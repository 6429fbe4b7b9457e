// The file system through the layer, read back through the system's W
// functions: Japanese names, raw bytes, attributes, searches, restart
// requests and the current folder.
#include "platform/win32/Win.h"

#include <cstdio>
#include <set>
#include <utility>

#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Handles.h"
#include "tests/e2e/platform/CheckSupport.h"

namespace check {

using win32::UniqueFileHandle;
using win32::UniqueRegKey;

void CheckStrings(Checks& c) {
  // The bytes this file's narrow literals carry: the build really is Shift-JIS.
  c.Bytes(CString("ソ表"), "\x83\x5C\x95\x5C", "narrow literals are Shift-JIS");
}

void CheckFiles(Checks& c, IFileSystem& filesInterface, const Places& at) {
  auto& files = static_cast<Win32FileSystem&>(filesInterface);
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

}  // namespace check

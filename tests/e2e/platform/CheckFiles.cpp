// What only the Win32 layer shows about files, read back through the
// system's W functions: the folder the checks work in, the sharing of an open
// file, the layer's own table of searches and the system's error texts. The
// file facts both backends share are behaviour cases (tests/behaviour/).
#include "platform/win32/Win.h"

#include <cstdio>

#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Handles.h"
#include "tests/e2e/platform/CheckSupport.h"

namespace check {

using win32::UniqueFileHandle;

void CheckStrings(cases::Checker& c) {
  // The bytes this file's narrow literals carry: the build really is Shift-JIS.
  c.Bytes(CString("ソ表"), "\x83\x5C\x95\x5C", "narrow literals are Shift-JIS");
}

void CheckFiles(cases::Checker& c, IFileSystem& filesInterface, const Places& at) {
  auto& files = static_cast<Win32FileSystem&>(filesInterface);
  const CString source = at.base + "\\ソ表.txt";
  const std::wstring wsource = at.baseWide + L"\\ソ表.txt";
  c(files.CreateDirectoryA(at.base) != 0 && (WideAttributes(at.baseWide) & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        WideAttributes(at.baseWide) != INVALID_FILE_ATTRIBUTES,
    "CreateDirectoryA creates a folder with a Japanese name, there under its UTF-16 name");
  WriteLayer(files, source, "data");
  {
    auto reader = files.OpenFile(source, FileOpenMode::Read);
    UniqueFileHandle writer(::CreateFileW(wsource.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    c(reader != nullptr && writer.valid(),
      "a file open for reading can still be opened for writing by others");
  }
  {
    // Searches left open are closed with the object, so the folder can go.
    Win32FileSystem scoped;
    FindData entry;
    const INT_PTR open = scoped.findfirst(at.base + "\\*.*", entry);
    c(open != -1 && scoped.OpenSearches() == 1, "a search stays open in the object's table");
  }
  files.DeleteFileA(source);

  // The system's text for an error, in Shift-JIS.
  const CString text = files.FormatMessageA(ERROR_DIR_NOT_EMPTY);
  wchar_t* wideText = nullptr;
  const DWORD wideLength = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
      ERROR_DIR_NOT_EMPTY, 0x400, reinterpret_cast<LPWSTR>(&wideText), 0, nullptr);
  const win32::UniqueLocalBuffer wideOwner(wideText);
  std::printf("     text: %s", Utf8(std::wstring_view(wideText ? wideText : L"", wideLength)).c_str());
  c(!text.IsEmpty(), "FormatMessageA(ERROR_DIR_NOT_EMPTY) gives a text");
  std::wstring back(static_cast<std::size_t>(text.GetLength()), L'\0');
  back.resize(static_cast<std::size_t>(::MultiByteToWideChar(932, 0, text.c_str(), text.GetLength(),
                                                             back.data(), static_cast<int>(back.size()))));
  Wide(c, back, std::wstring_view(wideText ? wideText : L"", wideLength),
       "  ... which is the system's text in Shift-JIS");
}

}  // namespace check

// A file system whose every call fails, for tests and benchmarks that need
// only a few calls of the layer: derive and override those.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Platform.h"

class FailingFileSystem : public IFileSystem {
 public:
  INT_PTR findfirst(const CString&, FindData&) override { return -1; }
  int findnext(INT_PTR, FindData&) override { return -1; }
  int findclose(INT_PTR) override { return -1; }
  BOOL CreateDirectoryA(const CString&) override { return FALSE; }
  BOOL CopyFileA(const CString&, const CString&, BOOL) override { return FALSE; }
  DWORD GetFileAttributesA(const CString&) override { return INVALID_FILE_ATTRIBUTES; }
  BOOL SetFileAttributesA(const CString&, DWORD) override { return FALSE; }
  BOOL DeleteFileA(const CString&) override { return FALSE; }
  BOOL RemoveDirectoryA(const CString&) override { return FALSE; }
  BOOL MoveFileExA(const CString&, const CString*, DWORD) override { return FALSE; }
  DWORD GetCurrentDirectoryA(DWORD, CString&) override { return 0; }
  BOOL SetCurrentDirectoryA(const CString&) override { return FALSE; }
  UINT GetWindowsDirectoryA(CString&) override { return 0; }
  DWORD GetFullPathNameA(const CString&, CString&) override { return 0; }
  DWORD GetLongPathNameA(const CString&, CString&) override { return 0; }
  DWORD GetLastError() override { return m_error; }
  void SetLastError(DWORD code) override { m_error = code; }
  CString FormatMessageA(DWORD) override { return {}; }
  std::unique_ptr<IFileStream> OpenFile(const CString&, FileOpenMode) override { return nullptr; }
  INT_PTR OpenFolderHandle(const CString&) override { return -1; }
  INT_PTR OpenEntryAt(INT_PTR, const CString&) override { return -1; }
  DWORD GetHandleAttributes(INT_PTR) override { return INVALID_FILE_ATTRIBUTES; }
  BOOL GetHandleFileId(INT_PTR, std::uint64_t&) override { return FALSE; }
  BOOL ListFolderHandle(INT_PTR, std::vector<FolderEntry>&) override { return FALSE; }
  BOOL DeleteByHandle(INT_PTR) override { return FALSE; }
  DWORD GetFinalPathNameByHandleA(INT_PTR, CString&) override { return 0; }
  BOOL CloseEntryHandle(INT_PTR) override { return FALSE; }
  BOOL GetHandleSecurity(INT_PTR, EntrySecurity&) override { return FALSE; }
  BOOL GetHandleLinkCount(INT_PTR, DWORD&) override { return FALSE; }
  BOOL GetHandleVolumeFlags(INT_PTR, DWORD&) override { return FALSE; }
  INT_PTR OpenFolderAt(INT_PTR, const CString&) override { return -1; }
  INT_PTR CreateFolderAt(INT_PTR, const CString&, const char*) override { return -1; }
  INT_PTR CreateFileAt(INT_PTR, const CString&) override { return -1; }
  BOOL WriteByHandle(INT_PTR, const char*, std::size_t) override { return FALSE; }
  BOOL SetHandleAttributes(INT_PTR, DWORD) override { return FALSE; }
  BOOL RenameByHandle(INT_PTR, INT_PTR, const CString&, BOOL) override { return FALSE; }
  bool RunsUnderWine() override { return false; }

 protected:
  DWORD m_error = 0;
};

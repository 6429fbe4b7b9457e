// IFileSystem over the kernel's W functions. Searches live in a table owned by
// the object and are closed on findclose, or all at once when it goes away.
#pragma once

#include "platform/win32/Win.h"

#include <map>
#include <memory>
#include <set>

#include "platform/Platform.h"
#include "platform/win32/Win32Handles.h"

class Win32FileSystem : public IFileSystem {
 public:
  Win32FileSystem() = default;
  Win32FileSystem(const Win32FileSystem&) = delete;
  Win32FileSystem& operator=(const Win32FileSystem&) = delete;

  INT_PTR findfirst(const CString& pattern, FindData& entry) override;
  int findnext(INT_PTR handle, FindData& entry) override;
  int findclose(INT_PTR handle) override;

  BOOL CreateDirectoryA(const CString& path) override;
  BOOL CopyFileA(const CString& source, const CString& destination, BOOL failIfExists) override;
  DWORD GetFileAttributesA(const CString& path) override;
  BOOL SetFileAttributesA(const CString& path, DWORD attributes) override;
  BOOL DeleteFileA(const CString& path) override;
  BOOL RemoveDirectoryA(const CString& path) override;
  BOOL MoveFileExA(const CString& existing, const CString* newName, DWORD flags) override;

  DWORD GetCurrentDirectoryA(DWORD bufferLength, CString& folder) override;
  BOOL SetCurrentDirectoryA(const CString& folder) override;
  UINT GetWindowsDirectoryA(CString& folder) override;
  DWORD GetFullPathNameA(const CString& path, CString& full) override;
  DWORD GetLongPathNameA(const CString& path, CString& longPath) override;

  DWORD GetLastError() override;
  void SetLastError(DWORD code) override;
  CString FormatMessageA(DWORD code) override;

  std::unique_ptr<IFileStream> OpenFile(const CString& path, FileOpenMode mode) override;
  INT_PTR OpenFolderHandle(const CString& path) override;
  INT_PTR OpenEntryAt(INT_PTR folder, const CString& name) override;
  DWORD GetHandleAttributes(INT_PTR entry) override;
  BOOL GetHandleFileId(INT_PTR entry, std::uint64_t& fileId) override;
  BOOL ListFolderHandle(INT_PTR folder, std::vector<FolderEntry>& entries) override;
  BOOL DeleteByHandle(INT_PTR entry) override;
  DWORD GetFinalPathNameByHandleA(INT_PTR entry, CString& path) override;
  BOOL CloseEntryHandle(INT_PTR handle) override;
  BOOL GetHandleSecurity(INT_PTR entry, EntrySecurity& security) override;
  BOOL GetHandleLinkCount(INT_PTR entry, DWORD& links) override;
  BOOL GetHandleVolumeFlags(INT_PTR entry, DWORD& flags) override;
  INT_PTR OpenFolderAt(INT_PTR folder, const CString& name) override;
  INT_PTR CreateFolderAt(INT_PTR folder, const CString& name, const char* sddl) override;
  INT_PTR CreateFileAt(INT_PTR folder, const CString& name) override;
  BOOL WriteByHandle(INT_PTR entry, const char* data, std::size_t n) override;
  BOOL SetHandleAttributes(INT_PTR entry, DWORD attributes) override;
  BOOL RenameByHandle(INT_PTR entry, INT_PTR folder, const CString& name, BOOL replace) override;
  bool RunsUnderWine() override;

  // How many searches are open (a search left open is a leak in the caller).
  std::size_t OpenSearches() const { return m_searches.size(); }
  // How many entry handles are open.
  std::size_t OpenEntryHandles() const { return m_entries.size(); }

 private:
  std::map<INT_PTR, win32::UniqueFindHandle> m_searches;
  INT_PTR m_nextSearch = 1;
  std::map<INT_PTR, win32::UniqueFileHandle> m_entries;
  std::set<INT_PTR> m_withoutDelete;  // entries opened without delete access
  INT_PTR m_nextEntry = 1;
  INT_PTR Keep(win32::UniqueFileHandle handle);
  // The handle kept under id; INVALID_HANDLE_VALUE and ERROR_INVALID_HANDLE
  // for an id that is not open.
  HANDLE Entry(INT_PTR id) const;
  // One kind of information on an open entry (GetFileInformationByHandleEx).
  bool HandleInfo(INT_PTR id, FILE_INFO_BY_HANDLE_CLASS kind, void* info, DWORD size) const;
  // NtCreateFile of name relative to the open folder, a link opened as
  // itself; the handle kept, or -1 with the error set.
  INT_PTR CreateAt(INT_PTR folder, const CString& name, ACCESS_MASK access, ULONG share, ULONG disposition,
                   ULONG options, const char* sddl);
};

namespace win32 {

// A search entry's attribute bits as the runtime's _findfirst gives them: every
// bit the system reports, the reparse point (0x400) of a junction or a
// symbolic link included, so that a walk can tell a link from a folder.
constexpr unsigned CrtAttributes(DWORD fileAttributes) { return static_cast<unsigned>(fileAttributes); }

}  // namespace win32

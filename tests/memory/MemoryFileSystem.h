// IFileSystem over the in-memory drives, with a set-up and inspection API
// beside the interface.
//
// Streams opened for writing change the file at once: a reader, a copy or a
// search sees every byte written so far. A file open for writing cannot be
// deleted, and no file that is open can be copied onto (ERROR_SHARING_VIOLATION).
//
// A search lists a folder's entries in the order of their names with ASCII
// case ignored (as NTFS does), "." and ".." first except in a drive root. It
// takes the list of names when it starts: an entry deleted before it is
// reached is not returned, an entry created meanwhile is not either, and
// attribute bits are read when the entry is returned.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"
#include "tests/memory/MemoryCore.h"

class MemoryFileSystem final : public IFileSystem {
 public:
  explicit MemoryFileSystem(std::shared_ptr<mem::MemoryCore> core);

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
  // The descriptor is read with mem::ParseSddl; one it cannot read fails
  // the call with ERROR_INVALID_PARAMETER.
  INT_PTR CreateFolderAt(INT_PTR folder, const CString& name, const char* sddl) override;
  INT_PTR CreateFileAt(INT_PTR folder, const CString& name) override;
  BOOL WriteByHandle(INT_PTR entry, const char* data, std::size_t n) override;
  BOOL SetHandleAttributes(INT_PTR entry, DWORD attributes) override;
  BOOL RenameByHandle(INT_PTR entry, INT_PTR folder, const CString& name, BOOL replace) override;
  bool RunsUnderWine() override;

  // ----- set-up: missing parent folders are created; read-only media,
  // attributes and failures on demand do not apply. False when the drive
  // is missing or a file stands where a folder is needed.
  bool AddFolder(const CString& path, DWORD attributes = 0);
  bool AddFile(const CString& path, std::string_view bytes, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE);
  // A folder link (a junction, or a symbolic link to a folder) at path to the
  // existing folder target, as Windows has them: searches report it with
  // A_SUBDIR | A_REPARSE (GetFileAttributesA: FILE_ATTRIBUTE_DIRECTORY |
  // FILE_ATTRIBUTE_REPARSE_POINT), a path through it reaches the target's
  // content (DeleteFileA of link\x deletes target\x), and RemoveDirectoryA
  // of it removes the link alone, however full the target. False when path
  // exists or target is no folder.
  bool AddLink(const CString& path, const CString& target);
  // An entry whose name has no exact Shift-JIS form, planted as a search
  // reads it back: the last component of path is written with '?' where the
  // characters without a form stand ("C:\\d\\x?..?..?Windows" for a folder
  // named x¥..¥..¥Windows). Searches list it under that name; a path naming
  // it fails with ERROR_INVALID_NAME in every operation, as Windows refuses
  // '?' in names, so it never resolves to another entry. False unless the
  // last component holds a '?' (and no '*').
  bool AddUnnarrowable(const CString& path, bool folder);
  // An entry named exactly name in the existing folder, a name no path
  // reaches: "evil." keeps its dot, "nul.txt" is a file, not the device.
  bool AddRawEntry(const CString& folder, const CString& name, bool isFolder);
  // A short (8.3) name for the existing entry at path: a path may spell
  // the entry either way; listings and final paths give the long name.
  bool AddShortName(const CString& path, const CString& shortName);
  // The drive letter as a second name for the existing folder target, as a
  // mapped or substituted drive: letter + ":\\x" reaches target\\x, whose
  // final path keeps the target's own drive. False when the letter is taken.
  bool AddDriveAlias(char letter, const CString& target);
  // The owner and access list of the existing entry at path, in SDDL
  // (mem::ParseSddl); false when it cannot be read or nothing is there.
  // An entry without one reports the administrators' own (FileTree::SecurityOf).
  bool SetSecurity(const CString& path, std::string_view sddl);
  // The existing file at path has this many names (hard links elsewhere).
  bool SetLinkCount(const CString& path, DWORD links);
  // What the drive reports as its file system's flags (a FAT drive: no
  // FILE_PERSISTENT_ACLS).
  bool SetFileSystemFlags(char letter, DWORD flags);
  // Wine rather than Windows (RunsUnderWine): OpenEntryAt and OpenFolderAt
  // of a folder link then give its target's handle, as Wine 8 does.
  void SetUnderWine(bool wine);
  // Another program's steps, as an ordinary user takes them: the system's
  // rules apply (an entry held open without sharing is neither renamed nor
  // deleted), no failure rule does, and no call is counted. 0 or the error.
  DWORD UserRename(const CString& from, const CString& to);
  DWORD UserDelete(const CString& path);  // a file, or an empty folder
  // An empty folder made a link to target in place: a folder held without
  // delete sharing still shares writing, which this needs.
  DWORD UserMakeLink(const CString& path, const CString& target);
  // Every access below the folder from now on, and every listing of it, is
  // kept in Touches: a canary that must never be reached.
  bool Watch(const CString& folder);
  const std::vector<std::string>& Touches() const;
  // The process's current folder (an existing folder).
  bool SetCurrentFolder(const CString& path);
  // What GetWindowsDirectoryA reports (C:\Windows unless set).
  void SetWindowsFolder(const CString& path);
  // Another program holds the file open without sharing: deleting it,
  // opening it or copying onto it fails with ERROR_SHARING_VIOLATION.
  bool Lock(const CString& path, bool locked = true);

  // ----- inspection (no failures on demand, no effect on GetLastError)
  bool Exists(const CString& path) const;
  bool IsFolder(const CString& path) const;
  std::optional<std::string> Contents(const CString& path) const;
  // The bytes of the file an entry handle is open on, whatever became of
  // its name (a file replaced by name keeps them).
  std::optional<std::string> HandleContents(INT_PTR handle) const;
  // As GetFileAttributesA reports them: FILE_ATTRIBUTE_DIRECTORY for a
  // folder, FILE_ATTRIBUTE_NORMAL for a file without attributes.
  std::optional<DWORD> Attributes(const CString& path) const;
  // The entries of a folder in the order a search returns them, without
  // "." and "..".
  std::vector<CString> List(const CString& folder) const;
  CString CurrentFolder() const;
  std::vector<mem::RestartEntry> RestartList() const;
  int OpenSearches() const;
  int OpenStreams() const;

  // The Japanese system text for a code, as FormatMessageA gives it
  // (ending in CR LF), empty for a code without one.
  static CString SystemText(DWORD code);

 private:
  std::optional<DWORD> Fault(const char* operation, std::string_view path,
                             std::string_view other = std::string_view());
  BOOL Fail(DWORD code);
  // A call that hands back a path: the fault rule for operation (on
  // faultPath) or ask's error fails it; else out takes the answer and its
  // length is returned.
  DWORD PathAnswer(const char* operation, std::string_view faultPath,
                   const std::function<DWORD(std::string&)>& ask, CString& out);

  std::shared_ptr<mem::MemoryCore> m_core;
};

// The narrow layer of operating-system services the programs are written
// against. One abstract interface per area; each operation is named after the
// Windows call it stands for and returns what that call returns (non-zero for
// success, an HRESULT, -1 from a failed search), so the logic reads like the
// system it runs on. Two implementations: win32/ (the real one) and memory/
// (an in-memory substitute for tests). The programs receive the layer by
// reference; nothing here is global.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CString.h"
#include "platform/WinTypes.h"

class IUserInterface;  // platform/framework/UserInterface.h

// ---------------------------------------------------------------- files

// One entry of a directory search: its name (no folder) and its CRT
// attribute bits (A_SUBDIR marks a folder, A_RDONLY, A_HIDDEN ...).
struct FindData {
  CString name;
  unsigned attrib = 0;
};

// One entry of a folder listed through the folder's handle: its name (no
// folder) and the attribute bits the listing reported (FILE_ATTRIBUTE_*).
// A listing is a snapshot: whether an entry is a folder or a link is
// decided on the entry's own handle, never on these bits.
struct FolderEntry {
  CString name;
  DWORD attributes = 0;
  // The file system's number for the entry (0 when it has none): the same
  // as its handle's (GetHandleFileId) as long as the entry was not replaced.
  std::uint64_t fileId = 0;
};

// Whether a name read from a folder can be opened as one entry of it,
// exactly as written: not empty, not "." or "..", and without a separator,
// a wildcard or another character the system gives a meaning.
// The bytes are Shift-JIS: a second byte 0x5C (ソ, 表) is no separator.
inline bool IsSingleEntryName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (std::size_t i = 0; i < name.size(); i += CharLengthAt(name, i)) {
    if (IsLeadByte(static_cast<unsigned char>(name[i]))) continue;
    if (std::string_view("\\/*?:\"<>|").find(name[i]) != std::string_view::npos) return false;
  }
  return true;
}

// An open file, read or written as raw bytes. Closing happens when the
// owner is destroyed. The text-mode conventions live in platform/TextFile.h.
class IFileStream {
 public:
  virtual ~IFileStream() = default;
  // Reads up to n bytes; returns how many were read, 0 at the end or on error.
  virtual std::size_t Read(char* buffer, std::size_t n) = 0;
  // Writes all n bytes; false when they could not all be written (disk full ...).
  virtual bool Write(const char* data, std::size_t n) = 0;
};

// Who may change an entry: its owner and the entries of its access list
// as the system keeps them (GetSecurityInfo with the owner and the DACL).
// Security identifiers are in their string form ("S-1-5-32-544").
struct AccessEntry {
  bool allow = true;  // an access-allowed entry; false: access-denied
  BYTE flags = 0;     // OBJECT_INHERIT_ACE, CONTAINER_INHERIT_ACE, INHERIT_ONLY_ACE ...
  DWORD mask = 0;     // as stored: generic rights not mapped yet
  std::string sid;
};
struct EntrySecurity {
  std::string owner;
  bool nullDacl = false;  // no access list at all: everyone may do everything
  std::vector<AccessEntry> dacl;
};

enum class FileOpenMode {
  Read,   // existing file, shared for reading and writing by others
  Write,  // created or truncated
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;

  // Directory search in the manner of the runtime's _findfirst/_findnext/
  // _findclose. findfirst returns -1 when nothing matches the pattern
  // (a path whose last component may hold * and ?), else a search handle
  // and the first entry. findnext returns 0 while another entry follows.
  virtual INT_PTR findfirst(const CString& pattern, FindData& entry) = 0;
  virtual int findnext(INT_PTR handle, FindData& entry) = 0;
  virtual int findclose(INT_PTR handle) = 0;

  virtual BOOL CreateDirectoryA(const CString& path) = 0;
  virtual BOOL CopyFileA(const CString& source, const CString& destination, BOOL failIfExists) = 0;
  virtual DWORD GetFileAttributesA(const CString& path) = 0;
  virtual BOOL SetFileAttributesA(const CString& path, DWORD attributes) = 0;
  virtual BOOL DeleteFileA(const CString& path) = 0;
  virtual BOOL RemoveDirectoryA(const CString& path) = 0;
  // newName null with MOVEFILE_DELAY_UNTIL_REBOOT schedules a deletion at the
  // next restart.
  virtual BOOL MoveFileExA(const CString& existing, const CString* newName, DWORD flags) = 0;

  // Like GetCurrentDirectoryA(bufferLength, buf): on success the length of the
  // path (no trailing backslash unless a drive root); when the buffer is too
  // small the length needed including the terminator, and folder stays as it was.
  virtual DWORD GetCurrentDirectoryA(DWORD bufferLength, CString& folder) = 0;
  virtual BOOL SetCurrentDirectoryA(const CString& folder) = 0;
  // Like GetWindowsDirectoryA: the length of the Windows folder's path (no
  // trailing backslash unless a drive root), 0 on failure (folder unchanged).
  virtual UINT GetWindowsDirectoryA(CString& folder) = 0;
  // Like GetFullPathNameA: path made full against the current folder, "."
  // and ".." levels resolved by the text alone, trailing dots and spaces
  // dropped as the system drops them. The length of the result, 0 on
  // failure (full unchanged). Nothing is looked up on the disk.
  virtual DWORD GetFullPathNameA(const CString& path, CString& full) = 0;
  // Like GetLongPathNameA: the existing path with every short (8.3) name
  // replaced by the entry's long name; links on the way are not followed.
  // The length of the result, 0 on failure (longPath unchanged).
  virtual DWORD GetLongPathNameA(const CString& path, CString& longPath) = 0;

  // The code of the last failed call, and the system's text for a code in
  // the user's language (empty when the system has none). The text buffer
  // the system allocates is freed before this returns.
  virtual DWORD GetLastError() = 0;
  virtual void SetLastError(DWORD code) = 0;
  virtual CString FormatMessageA(DWORD code) = 0;

  // Opens a file as raw bytes; null when it cannot be opened (GetLastError
  // says why).
  virtual std::unique_ptr<IFileStream> OpenFile(const CString& path, FileOpenMode mode) = 0;

  // ----- entries by handle. A walk that holds its folder open and opens,
  // reads and deletes every entry through a handle cannot be redirected by
  // a rename anywhere: no path is resolved again once opened. A handle is
  // an id this object keeps (-1 on failure, GetLastError says why);
  // CEntryHandle owns one.
  //
  // The folder at path, a link in it followed once, held open for listing
  // and deleting below it: shared for reading and writing but not for
  // deleting, so it cannot be renamed, moved or removed while open
  // (CreateFileW with FILE_FLAG_BACKUP_SEMANTICS). ERROR_DIRECTORY when
  // path names a file.
  virtual INT_PTR OpenFolderHandle(const CString& path) = 0;
  // The entry of an open folder named name, opened relative to the folder's
  // handle with delete access, a link as itself and never followed
  // (NtCreateFile with the folder as root and FILE_OPEN_REPARSE_POINT). The
  // name is used exactly: ERROR_INVALID_NAME for "", ".", "..", or a name
  // with a separator or a wildcard.
  virtual INT_PTR OpenEntryAt(INT_PTR folder, const CString& name) = 0;
  // The open entry's own attributes (GetFileInformationByHandleEx,
  // FileBasicInfo): a link has FILE_ATTRIBUTE_REPARSE_POINT.
  // INVALID_FILE_ATTRIBUTES on failure.
  virtual DWORD GetHandleAttributes(INT_PTR entry) = 0;
  // The open entry's number on its volume, the one its folder's listing
  // gives (FileInternalInformation); 0 when the file system has none.
  virtual BOOL GetHandleFileId(INT_PTR entry, std::uint64_t& fileId) = 0;
  // The entries of an open folder as they are now, without "." and ".."
  // (GetFileInformationByHandleEx with FileIdBothDirectoryInfo).
  virtual BOOL ListFolderHandle(INT_PTR folder, std::vector<FolderEntry>& entries) = 0;
  // Deletes the open entry (SetFileInformationByHandle, FileDispositionInfo);
  // it is gone once its handle is closed. A folder only when empty
  // (ERROR_DIR_NOT_EMPTY), a read-only file never (ERROR_ACCESS_DENIED), a
  // link by itself, whatever its target holds.
  virtual BOOL DeleteByHandle(INT_PTR entry) = 0;
  // The path the system reaches the open entry by, however it was opened:
  // long names, every link and mapped drive on the way resolved
  // (GetFinalPathNameByHandleW, normalized, with the DOS volume name), so
  // "\\?\C:\..." or "\\?\UNC\server\share\...". The length of the
  // result, 0 on failure (path unchanged); a name without an exact
  // Shift-JIS form is a failure (ERROR_NO_UNICODE_TRANSLATION).
  virtual DWORD GetFinalPathNameByHandleA(INT_PTR entry, CString& path) = 0;
  virtual BOOL CloseEntryHandle(INT_PTR handle) = 0;

  // ----- who may change an entry, and writes relative to a held folder
  //
  // The open entry's owner and access list (GetSecurityInfo on the handle).
  virtual BOOL GetHandleSecurity(INT_PTR entry, EntrySecurity& security) = 0;
  // How many names the open file has (GetFileInformationByHandleEx,
  // FileStandardInfo): more than 1 for a file with hard links.
  virtual BOOL GetHandleLinkCount(INT_PTR entry, DWORD& links) = 0;
  // The file system flags of the volume the open entry lies on
  // (GetVolumeInformationByHandleW): FILE_PERSISTENT_ACLS when it keeps
  // access lists.
  virtual BOOL GetHandleVolumeFlags(INT_PTR entry, DWORD& flags) = 0;
  // The subfolder name of an open folder, opened as itself (a link is
  // never followed: the handle is the link's) and held as OpenFolderHandle
  // holds: no delete sharing. ERROR_DIRECTORY when it is a file.
  virtual INT_PTR OpenFolderAt(INT_PTR folder, const CString& name) = 0;
  // Creates the subfolder name of an open folder with the security
  // descriptor given in SDDL (null: inherited), in the same call, and holds
  // it as OpenFolderAt does. ERROR_ALREADY_EXISTS when anything has the name.
  virtual INT_PTR CreateFolderAt(INT_PTR folder, const CString& name, const char* sddl) = 0;
  // Creates the new file name in an open folder, for writing, never
  // opening what is there (ERROR_ALREADY_EXISTS): FILE_CREATE.
  virtual INT_PTR CreateFileAt(INT_PTR folder, const CString& name) = 0;
  // Writes all n bytes at the end of what was written through the handle;
  // FALSE when they could not all be written (disk full ...).
  virtual BOOL WriteByHandle(INT_PTR entry, const char* data, std::size_t n) = 0;
  // Sets the open entry's attributes (SetFileInformationByHandle, FileBasicInfo).
  virtual BOOL SetHandleAttributes(INT_PTR entry, DWORD attributes) = 0;
  // Gives the open entry the name name in the open folder (FileRenameInfo
  // with the folder as root). With replace an existing file of that name
  // goes (its data untouched: only that name is dropped); a read-only one
  // or a folder is refused (ERROR_ACCESS_DENIED). Without replace an
  // existing name fails with ERROR_ALREADY_EXISTS.
  virtual BOOL RenameByHandle(INT_PTR entry, INT_PTR folder, const CString& name, BOOL replace) = 0;
  // Wine rather than Windows: handles follow links to files whatever the
  // open asks, and there are no other accounts (every entry is owned by the
  // one user the system runs as). Asked once; false on Windows.
  virtual bool RunsUnderWine() = 0;
};

// An open entry or folder of IFileSystem's handle calls, closed when the
// owner goes away.
//
//   CEntryHandle top(files, files.OpenFolderHandle(folder));
//   CEntryHandle entry(files, files.OpenEntryAt(top.get(), name));
class CEntryHandle {
 public:
  CEntryHandle(IFileSystem& files, INT_PTR handle) : m_files(files), m_handle(handle) {}
  CEntryHandle(const CEntryHandle&) = delete;
  CEntryHandle& operator=(const CEntryHandle&) = delete;
  ~CEntryHandle() { Close(); }
  INT_PTR get() const { return m_handle; }
  bool IsOpen() const { return m_handle != -1; }
  // Closes what it holds and takes another handle.
  void Reset(INT_PTR handle) {
    Close();
    m_handle = handle;
  }
  // Closes it now; the deletion of an entry marked with DeleteByHandle
  // happens here. False when the close failed.
  bool Close() {
    if (m_handle == -1) return true;
    const INT_PTR handle = m_handle;
    m_handle = -1;
    return m_files.CloseEntryHandle(handle) != FALSE;
  }

 private:
  IFileSystem& m_files;
  INT_PTR m_handle;
};

// A directory search, closed when the owner goes away (or by Close).
//
//   CFindFile find(files);
//   for (bool more = find.FindFirst(folder + "\\*.*"); more; more = find.FindNext()) {
//     if (find.IsFolder()) ...
//   }
class CFindFile {
 public:
  explicit CFindFile(IFileSystem& files) : m_files(files) {}
  CFindFile(const CFindFile&) = delete;
  CFindFile& operator=(const CFindFile&) = delete;
  ~CFindFile() { Close(); }

  // Starts a search (closing one held before); false when nothing matches.
  bool FindFirst(const CString& pattern) {
    Close();
    INT_PTR handle = m_files.findfirst(pattern, m_entry);
    if (handle == -1) return false;
    m_handle = handle;
    return true;
  }
  // The next entry; false at the end (or when no search is open).
  bool FindNext() { return m_handle != -1 && m_files.findnext(m_handle, m_entry) == 0; }
  void Close() {
    if (m_handle != -1) {
      m_files.findclose(m_handle);
      m_handle = -1;
    }
  }
  bool IsOpen() const { return m_handle != -1; }

  // The current entry, as the system gave it: every attribute bit is kept.
  const FindData& Entry() const { return m_entry; }
  const CString& Name() const { return m_entry.name; }
  unsigned Attributes() const { return m_entry.attrib; }
  bool IsFolder() const { return (m_entry.attrib & A_SUBDIR) != 0; }
  // A junction or a symbolic link: never to be entered by a walk.
  bool IsReparsePoint() const { return (m_entry.attrib & A_REPARSE) != 0; }

 private:
  IFileSystem& m_files;
  INT_PTR m_handle = -1;
  FindData m_entry;
};

// ---------------------------------------------------------------- drives

class IDrives {
 public:
  virtual ~IDrives() = default;
  // root is written "%c:\\".
  virtual UINT GetDriveTypeA(const CString& root) = 0;
  // Non-zero when a medium is present; its volume label goes to label.
  virtual BOOL GetVolumeInformationA(const CString& root, CString& label) = 0;
};

// ---------------------------------------------------------------- shell and COM

// An item list returned by the shell. It is freed through the shell
// allocator when its owner goes away.
class IItemIdList {
 public:
  virtual ~IItemIdList() = default;
};
using ItemIdList = std::unique_ptr<IItemIdList>;

// The shell's allocator (SHGetMalloc); released when its owner goes away.
class IShellMalloc {
 public:
  virtual ~IShellMalloc() = default;
  // Frees an item list (a null one too).
  virtual void Free(ItemIdList list) = 0;
};

struct BrowseInfo {
  HWND owner = nullptr;
  CString title;
  UINT flags = 0;
};

// IPersistFile, released when its owner goes away.
class IPersistFile {
 public:
  virtual ~IPersistFile() = default;
  virtual HRESULT Save(const std::u16string& fileName, BOOL remember) = 0;
};

// IShellLinkA, released when its owner goes away. A null icon path is allowed.
class IShellLinkA {
 public:
  virtual ~IShellLinkA() = default;
  virtual HRESULT SetArguments(const char* arguments) = 0;
  virtual HRESULT SetDescription(const char* description) = 0;
  virtual HRESULT SetWorkingDirectory(const char* folder) = 0;
  virtual HRESULT SetIconLocation(const char* iconPath, int iconIndex) = 0;
  virtual HRESULT SetPath(const char* target) = 0;
  // QueryInterface(IID_IPersistFile).
  virtual HRESULT QueryPersistFile(std::unique_ptr<IPersistFile>& out) = 0;
};

class IShell {
 public:
  virtual ~IShell() = default;
  virtual BOOL SHGetSpecialFolderPathA(HWND owner, CString& path, int csidl, BOOL create) = 0;
  virtual HRESULT SHGetSpecialFolderLocation(HWND owner, int csidl, ItemIdList& list) = 0;
  virtual BOOL SHGetPathFromIDListA(const IItemIdList* list, CString& path) = 0;
  virtual HRESULT SHGetMalloc(std::unique_ptr<IShellMalloc>& malloc) = 0;
  // The modal folder picker; null when the user cancels.
  virtual ItemIdList SHBrowseForFolderA(const BrowseInfo& info) = 0;

  virtual HRESULT CoInitialize() = 0;
  virtual void CoUninitialize() = 0;
  // CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA).
  virtual HRESULT CoCreateShellLink(std::unique_ptr<IShellLinkA>& link) = 0;
  // MultiByteToWideChar(CP_ACP, 0, text, -1, buffer, maxChars): the number of
  // wide characters written including the terminator (which is not stored in
  // wide), 0 when the text does not fit or cannot be converted.
  virtual int MultiByteToWideChar(std::string_view text, std::u16string& wide, int maxChars) = 0;
};

// A COM initialisation scope: CoInitialize on construction, CoUninitialize on
// destruction when (and only when) the initialisation succeeded, S_OK or
// S_FALSE. Declare it before the interface owners it serves, so that they are
// released first.
class CComInit {
 public:
  explicit CComInit(IShell& shell) : m_shell(shell), m_result(shell.CoInitialize()) {}
  CComInit(const CComInit&) = delete;
  CComInit& operator=(const CComInit&) = delete;
  ~CComInit() {
    if (m_result >= 0) m_shell.CoUninitialize();
  }
  HRESULT Result() const { return m_result; }

 private:
  IShell& m_shell;
  HRESULT m_result;
};

// ---------------------------------------------------------------- registry

class IRegistry {
 public:
  virtual ~IRegistry() = default;
  virtual LONG RegCreateKeyExA(HKEY root, const CString& subKey, DWORD options, DWORD access, HKEY* result,
                               DWORD* disposition) = 0;
  virtual LONG RegSetValueExA(HKEY key, const CString& valueName, DWORD type, const BYTE* data,
                              DWORD byteCount) = 0;
  virtual LONG RegDeleteKeyA(HKEY key, const CString& subKey) = 0;
  virtual LONG RegCloseKey(HKEY key) = 0;
};

// An open registry key, closed when the owner goes away.
class CRegKey {
 public:
  explicit CRegKey(IRegistry& registry) : m_registry(registry) {}
  CRegKey(const CRegKey&) = delete;
  CRegKey& operator=(const CRegKey&) = delete;
  ~CRegKey() { Close(); }

  // RegCreateKeyExA into this owner; closes a key held before.
  LONG Create(HKEY root, const CString& subKey, DWORD options, DWORD access, DWORD* disposition = nullptr) {
    Close();
    return m_registry.RegCreateKeyExA(root, subKey, options, access, &m_key, disposition);
  }
  // A string value (REG_SZ, REG_EXPAND_SZ): the text and its terminator.
  LONG SetValue(const CString& name, const CString& text, DWORD type = REG_SZ) {
    return m_registry.RegSetValueExA(m_key, name, type, reinterpret_cast<const BYTE*>(text.GetString()),
                                     static_cast<DWORD>(text.GetLength()) + 1);
  }
  // A multi-string value (REG_MULTI_SZ): each string with its terminator,
  // then the terminator of the list.
  LONG SetValue(const CString& name, const CStringList& strings) {
    std::string data;
    for (const CString& s : strings) {
      data += s.str();
      data += '\0';
    }
    data += '\0';
    return m_registry.RegSetValueExA(m_key, name, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                                     static_cast<DWORD>(data.size()));
  }
  // The raw call, for data and byte counts given exactly.
  LONG SetValue(const CString& name, DWORD type, const BYTE* data, DWORD byteCount) {
    return m_registry.RegSetValueExA(m_key, name, type, data, byteCount);
  }
  void Close() {
    if (m_key != nullptr) {
      m_registry.RegCloseKey(m_key);
      m_key = nullptr;
    }
  }
  HKEY get() const { return m_key; }
  explicit operator bool() const { return m_key != nullptr; }

 private:
  IRegistry& m_registry;
  HKEY m_key = nullptr;
};

// ---------------------------------------------------------------- the layer

class PlatformServices {
 public:
  virtual ~PlatformServices() = default;
  virtual IFileSystem& Files() = 0;
  virtual IDrives& Drives() = 0;
  virtual IShell& Shell() = 0;
  virtual IRegistry& Registry() = 0;
  virtual IUserInterface& Ui() = 0;
};

#include "platform/win32/Win.h"

#include "platform/win32/Win32FileSystem.h"

#include <aclapi.h>
#include <sddl.h>
#include <winternl.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "platform/win32/Win32Strings.h"

using win32::Narrow;
using win32::Widen;

namespace {

// A name without an exact Shift-JIS form comes back with '?' where the
// characters stood: no operation accepts it, so it can never name another entry.
void FillEntry(const WIN32_FIND_DATAW& found, FindData& entry) {
  entry.name = Narrow(found.cFileName);
  entry.attrib = win32::CrtAttributes(found.dwFileAttributes);
}

// ReadFile and WriteFile count in DWORDs; larger requests go in pieces.
constexpr std::size_t kChunk = std::size_t{1} << 30;

// Writes all n bytes; false when they could not all be written (disk full ...).
bool WriteAll(HANDLE file, const char* data, std::size_t n) {
  for (std::size_t total = 0; total < n;) {
    const DWORD chunk = static_cast<DWORD>(std::min(n - total, kChunk));
    DWORD put = 0;
    if (!::WriteFile(file, data + total, chunk, &put, nullptr) || put == 0) return false;
    total += put;
  }
  return true;
}

// Reads and writes a file through its handle; the handle closes with the stream.
class Win32FileStream : public IFileStream {
 public:
  explicit Win32FileStream(win32::UniqueFileHandle file) : m_file(std::move(file)) {}

  std::size_t Read(char* buffer, std::size_t n) override {
    std::size_t total = 0;
    while (total < n) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n - total, kChunk));
      DWORD got = 0;
      if (!::ReadFile(m_file.get(), buffer + total, chunk, &got, nullptr) || got == 0) break;
      total += got;
    }
    return total;
  }

  bool Write(const char* data, std::size_t n) override { return WriteAll(m_file.get(), data, n); }

 private:
  win32::UniqueFileHandle m_file;
};

// Windows refuses to replace a read-only file, and a hidden or system file
// unless the replacement carries the same attribute (CreateFile with
// CREATE_ALWAYS, which CopyFile uses with the source's attributes). Wine, run
// as root at least, replaces them all the same, since its read-only attribute
// is the Unix write permission that root is not held to. The rule is applied
// here so the programs meet it on every system; on Windows it only repeats
// what the system would say.
bool RefusesReplacement(const std::wstring& existing, DWORD replacementAttributes) {
  const DWORD present = ::GetFileAttributesW(existing.c_str());
  if (present == INVALID_FILE_ATTRIBUTES || (present & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  constexpr DWORD kMustMatch = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  const bool refused =
      (present & FILE_ATTRIBUTE_READONLY) != 0 || (present & kMustMatch & ~replacementAttributes) != 0;
  if (refused) ::SetLastError(ERROR_ACCESS_DENIED);
  return refused;
}

// A W call that writes a path into a buffer and returns its length, or the
// size it needs when the buffer is too small: asked again with that size,
// then narrowed exactly. The length of the narrowed path, 0 on failure
// (out unchanged; a path without an exact Shift-JIS form is a failure).
DWORD NarrowedPath(const std::function<DWORD(wchar_t*, DWORD)>& call, CString& out) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
  }
  if (length == 0 || length >= buffer.size()) return 0;
  CString narrow;
  if (!win32::NarrowExact(std::wstring_view(buffer.data(), length), narrow) || narrow.IsEmpty()) return 0;
  out = narrow;
  return static_cast<DWORD>(narrow.GetLength());
}

}  // namespace

INT_PTR Win32FileSystem::findfirst(const CString& pattern, FindData& entry) {
  WIN32_FIND_DATAW found{};
  win32::UniqueFindHandle search(::FindFirstFileW(Widen(pattern.view()).c_str(), &found));
  if (!search) return -1;
  FillEntry(found, entry);
  const INT_PTR id = m_nextSearch++;
  m_searches.emplace(id, std::move(search));
  return id;
}

int Win32FileSystem::findnext(INT_PTR handle, FindData& entry) {
  const auto it = m_searches.find(handle);
  if (it == m_searches.end()) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return -1;
  }
  WIN32_FIND_DATAW found{};
  if (!::FindNextFileW(it->second.get(), &found)) return -1;
  FillEntry(found, entry);
  return 0;
}

int Win32FileSystem::findclose(INT_PTR handle) {
  const auto it = m_searches.find(handle);
  if (it == m_searches.end()) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return -1;
  }
  const BOOL closed = ::FindClose(it->second.release());
  m_searches.erase(it);
  return closed ? 0 : -1;
}

BOOL Win32FileSystem::CreateDirectoryA(const CString& path) {
  return ::CreateDirectoryW(Widen(path.view()).c_str(), nullptr);
}

BOOL Win32FileSystem::CopyFileA(const CString& source, const CString& destination, BOOL failIfExists) {
  const std::wstring from = Widen(source.view());
  const std::wstring to = Widen(destination.view());
  if (!failIfExists) {
    // A new destination is the common case and has nothing to refuse: it is
    // tried first without looking up either file. Looking up a name that is
    // not there is not free under Wine, which searches the folder for it.
    if (::CopyFileW(from.c_str(), to.c_str(), TRUE)) return TRUE;
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return FALSE;
    // Something is there: only a file can be refused, and only then do the
    // source's attributes matter.
    const DWORD present = ::GetFileAttributesW(to.c_str());
    if (present != INVALID_FILE_ATTRIBUTES && (present & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      // A missing source is left to CopyFileW, which reports it as Windows does.
      const DWORD sourceAttributes = ::GetFileAttributesW(from.c_str());
      if (sourceAttributes != INVALID_FILE_ATTRIBUTES && RefusesReplacement(to, sourceAttributes)) {
        return FALSE;
      }
    }
  }
  return ::CopyFileW(from.c_str(), to.c_str(), failIfExists);
}

DWORD Win32FileSystem::GetFileAttributesA(const CString& path) {
  return ::GetFileAttributesW(Widen(path.view()).c_str());
}

BOOL Win32FileSystem::SetFileAttributesA(const CString& path, DWORD attributes) {
  return ::SetFileAttributesW(Widen(path.view()).c_str(), attributes);
}

BOOL Win32FileSystem::DeleteFileA(const CString& path) { return ::DeleteFileW(Widen(path.view()).c_str()); }

BOOL Win32FileSystem::RemoveDirectoryA(const CString& path) {
  return ::RemoveDirectoryW(Widen(path.view()).c_str());
}

BOOL Win32FileSystem::MoveFileExA(const CString& existing, const CString* newName, DWORD flags) {
  const std::wstring from = Widen(existing.view());
  if (newName == nullptr) return ::MoveFileExW(from.c_str(), nullptr, flags);
  return ::MoveFileExW(from.c_str(), Widen(newName->view()).c_str(), flags);
}

DWORD Win32FileSystem::GetCurrentDirectoryA(DWORD bufferLength, CString& folder) {
  // The folder can change between asking for the size and reading it; a
  // second round settles that.
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  DWORD length = 0;
  for (int round = 0; round < 2; ++round) {
    length = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return 0;
    if (length < buffer.size()) break;
    buffer.resize(length + 1);
    length = 0;
  }
  if (length == 0) return 0;
  // The A function counts the bytes of the converted path. A folder whose
  // name has no exact Shift-JIS form is a failure, never a different path.
  CString narrow;
  if (!win32::NarrowExact(std::wstring_view(buffer.data(), length), narrow)) return 0;
  const DWORD bytes = static_cast<DWORD>(narrow.GetLength());
  if (bytes >= bufferLength) return bytes + 1;
  folder = narrow;
  return bytes;
}

BOOL Win32FileSystem::SetCurrentDirectoryA(const CString& folder) {
  return ::SetCurrentDirectoryW(Widen(folder.view()).c_str());
}

UINT Win32FileSystem::GetWindowsDirectoryA(CString& folder) {
  return NarrowedPath([](wchar_t* buffer, DWORD size) { return ::GetWindowsDirectoryW(buffer, size); },
                      folder);
}

DWORD Win32FileSystem::GetFullPathNameA(const CString& path, CString& full) {
  const std::wstring wide = Widen(path.view());
  return NarrowedPath(
      [&](wchar_t* buffer, DWORD size) { return ::GetFullPathNameW(wide.c_str(), size, buffer, nullptr); },
      full);
}

DWORD Win32FileSystem::GetLongPathNameA(const CString& path, CString& longPath) {
  const std::wstring wide = Widen(path.view());
  return NarrowedPath(
      [&](wchar_t* buffer, DWORD size) { return ::GetLongPathNameW(wide.c_str(), buffer, size); }, longPath);
}

DWORD Win32FileSystem::GetLastError() { return ::GetLastError(); }

void Win32FileSystem::SetLastError(DWORD code) { ::SetLastError(code); }

CString Win32FileSystem::FormatMessageA(DWORD code) {
  LPWSTR text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
      code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  const win32::UniqueLocalBuffer owner(text);
  if (length == 0 || text == nullptr) return CString();
  return Narrow(std::wstring_view(text, length));
}

std::unique_ptr<IFileStream> Win32FileSystem::OpenFile(const CString& path, FileOpenMode mode) {
  const std::wstring name = Widen(path.view());
  win32::UniqueFileHandle file;
  if (mode == FileOpenMode::Read) {
    file.reset(::CreateFileW(name.c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  } else {
    if (RefusesReplacement(name, FILE_ATTRIBUTE_NORMAL)) return nullptr;
    file.reset(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
  }
  if (!file) return nullptr;
  return std::make_unique<Win32FileStream>(std::move(file));
}

// ---------------------------------------------------------------- handles

namespace {

// The native calls, found in ntdll.dll (always loaded) rather than
// imported: an import library of ntdll would also offer its copies of the C
// runtime's functions to the linker.
using NtCreateFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                        PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using RtlNtStatusToDosErrorFn = ULONG(NTAPI*)(NTSTATUS);
// NtQueryInformationFile and NtSetInformationFile.
using NtFileInformationFn = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
constexpr ULONG kFileInternalInformation = 6;  // FILE_INFORMATION_CLASS
constexpr ULONG kFileRenameInformation = 10;

template <typename Fn>
Fn NativeCall(const char* name) {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return nullptr;
  // The cast through void (*)() is how a procedure address becomes the type it has.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(ntdll, name)));
}

// A native call's status as the W calls report it: true when it succeeded,
// else false with the matching error code set.
bool Succeeded(NTSTATUS status) {
  if (status >= 0) return true;
  static const auto toDosError = NativeCall<RtlNtStatusToDosErrorFn>("RtlNtStatusToDosError");
  ::SetLastError(toDosError != nullptr ? toDosError(status) : ERROR_GEN_FAILURE);
  return false;
}

}  // namespace

INT_PTR Win32FileSystem::Keep(win32::UniqueFileHandle handle) {
  const INT_PTR id = m_nextEntry++;
  m_entries.emplace(id, std::move(handle));
  return id;
}

HANDLE Win32FileSystem::Entry(INT_PTR id) const {
  auto it = m_entries.find(id);
  if (it != m_entries.end()) return it->second.get();
  ::SetLastError(ERROR_INVALID_HANDLE);
  return INVALID_HANDLE_VALUE;
}

bool Win32FileSystem::HandleInfo(INT_PTR id, FILE_INFO_BY_HANDLE_CLASS kind, void* info, DWORD size) const {
  const HANDLE handle = Entry(id);
  return handle != INVALID_HANDLE_VALUE && ::GetFileInformationByHandleEx(handle, kind, info, size);
}

INT_PTR Win32FileSystem::OpenFolderHandle(const CString& path) {
  // No FILE_SHARE_DELETE: while this is open nobody can rename, move or
  // remove the folder. No DELETE access either: the walk never removes it.
  win32::UniqueFileHandle folder(::CreateFileW(
      Widen(path.view()).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE,
      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder) return -1;
  FILE_BASIC_INFO info{};
  if (!::GetFileInformationByHandleEx(folder.get(), FileBasicInfo, &info, sizeof info)) return -1;
  if ((info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    ::SetLastError(ERROR_DIRECTORY);
    return -1;
  }
  return Keep(std::move(folder));
}

INT_PTR Win32FileSystem::CreateAt(INT_PTR folder, const CString& name, ACCESS_MASK access, ULONG share,
                                  ULONG disposition, ULONG options, const char* sddl) {
  const HANDLE parent = Entry(folder);
  if (parent == INVALID_HANDLE_VALUE) return -1;
  // The native call takes the name as it is (no trailing dots or spaces
  // dropped, no "." or ".." resolved): only single names get this far.
  if (!IsSingleEntryName(name.view())) {
    ::SetLastError(ERROR_INVALID_NAME);
    return -1;
  }
  static const auto ntCreateFile = NativeCall<NtCreateFileFn>("NtCreateFile");
  if (ntCreateFile == nullptr) {
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return -1;
  }
  win32::UniqueLocalBuffer descriptor;
  if (sddl != nullptr) {
    PSECURITY_DESCRIPTOR made = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(Widen(sddl).c_str(), SDDL_REVISION_1, &made,
                                                                nullptr)) {
      return -1;
    }
    descriptor.reset(made);
  }
  std::wstring wide = Widen(name.view());
  UNICODE_STRING objectName{};
  objectName.Buffer = wide.data();
  objectName.Length = static_cast<USHORT>(wide.size() * sizeof(wchar_t));
  objectName.MaximumLength = objectName.Length;
  OBJECT_ATTRIBUTES attributes{};
  InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, parent, descriptor.get());
  IO_STATUS_BLOCK io{};
  HANDLE opened = nullptr;
  const NTSTATUS status =
      ntCreateFile(&opened, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL, share,
                   disposition, options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  if (!Succeeded(status)) return -1;
  return Keep(win32::UniqueFileHandle(opened));
}

INT_PTR Win32FileSystem::OpenEntryAt(INT_PTR folder, const CString& name) {
  constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const auto open = [&](ACCESS_MASK access) {
    return CreateAt(folder, name, access | FILE_READ_ATTRIBUTES, kShareAll, FILE_OPEN,
                    FILE_OPEN_FOR_BACKUP_INTENT, nullptr);
  };
  // Listing a folder needs FILE_LIST_DIRECTORY, which for a file is the
  // right to read it. An entry that grants delete but not read is opened
  // without it, as DeleteFileW opens what it deletes: a file goes all the
  // same, a folder cannot be listed (and so is not emptied).
  INT_PTR id = open(DELETE | FILE_LIST_DIRECTORY | READ_CONTROL);
  if (id == -1 && ::GetLastError() == ERROR_ACCESS_DENIED) id = open(DELETE);
  // Held by someone without delete sharing (a folder that is a program's
  // current folder): opened all the same, to be emptied, but not deletable.
  if (id == -1 && ::GetLastError() == ERROR_SHARING_VIOLATION) {
    id = open(FILE_LIST_DIRECTORY | READ_CONTROL);
    if (id != -1) m_withoutDelete.insert(id);
  }
  return id;
}

INT_PTR Win32FileSystem::OpenFolderAt(INT_PTR folder, const CString& name) {
  // No FILE_SHARE_DELETE: held, it can be neither renamed nor replaced.
  return CreateAt(folder, name, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN,
                  FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT, nullptr);
}

INT_PTR Win32FileSystem::CreateFolderAt(INT_PTR folder, const CString& name, const char* sddl) {
  return CreateAt(folder, name, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_CREATE, FILE_DIRECTORY_FILE, sddl);
}

INT_PTR Win32FileSystem::CreateFileAt(INT_PTR folder, const CString& name) {
  // Nobody else may open it while it is being written.
  return CreateAt(folder, name, FILE_GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES, 0, FILE_CREATE,
                  FILE_NON_DIRECTORY_FILE, nullptr);
}

// The handle queries ask for one kind of information each:
// GetFileInformationByHandle asks for all of them and for the volume's
// serial number, which Wine gets from its mount manager, another process.
DWORD Win32FileSystem::GetHandleAttributes(INT_PTR entry) {
  FILE_BASIC_INFO info{};
  return HandleInfo(entry, FileBasicInfo, &info, sizeof info) ? info.FileAttributes : INVALID_FILE_ATTRIBUTES;
}

BOOL Win32FileSystem::GetHandleFileId(INT_PTR entry, std::uint64_t& fileId) {
  const HANDLE handle = Entry(entry);
  if (handle == INVALID_HANDLE_VALUE) return FALSE;
  // The file number a folder listing gives (FILE_INTERNAL_INFORMATION),
  // which no class of GetFileInformationByHandleEx returns as such.
  static const auto ntQueryInformationFile = NativeCall<NtFileInformationFn>("NtQueryInformationFile");
  if (ntQueryInformationFile == nullptr) {
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  IO_STATUS_BLOCK io{};
  LARGE_INTEGER number{};
  if (!Succeeded(ntQueryInformationFile(handle, &io, &number, sizeof number, kFileInternalInformation)))
    return FALSE;
  fileId = static_cast<std::uint64_t>(number.QuadPart);
  return TRUE;
}

BOOL Win32FileSystem::ListFolderHandle(INT_PTR folder, std::vector<FolderEntry>& entries) {
  const HANDLE handle = Entry(folder);
  if (handle == INVALID_HANDLE_VALUE) return FALSE;
  entries.clear();
  // 64 KiB of 8-byte aligned room per call; the first call starts over.
  std::vector<LONGLONG> buffer(8192);
  FILE_INFO_BY_HANDLE_CLASS request = FileIdBothDirectoryRestartInfo;
  while (::GetFileInformationByHandleEx(handle, request, buffer.data(),
                                        static_cast<DWORD>(buffer.size() * sizeof(LONGLONG)))) {
    request = FileIdBothDirectoryInfo;
    const auto* at = reinterpret_cast<const unsigned char*>(buffer.data());
    while (true) {
      const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
      const std::wstring_view name(info->FileName, info->FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..") {
        entries.push_back(
            {Narrow(name), info->FileAttributes, static_cast<std::uint64_t>(info->FileId.QuadPart)});
      }
      if (info->NextEntryOffset == 0) break;
      at += info->NextEntryOffset;
    }
  }
  return ::GetLastError() == ERROR_NO_MORE_FILES ? TRUE : FALSE;
}

BOOL Win32FileSystem::DeleteByHandle(INT_PTR entry) {
  const HANDLE handle = Entry(entry);
  if (handle == INVALID_HANDLE_VALUE) return FALSE;
  if (m_withoutDelete.count(entry) != 0) {
    // Opened without delete access, since someone holds it without sharing
    // deletion: what removing it by name used to report.
    ::SetLastError(ERROR_SHARING_VIOLATION);
    return FALSE;
  }
  // The name goes at once where the system can (POSIX semantics, Windows 10
  // and later), as DeleteFileW does there: a file that another program
  // still holds open (an indexer, a virus scanner) no longer keeps its
  // folder from being removed. Elsewhere, the classic delete on close.
  FILE_DISPOSITION_INFO_EX posix{};
  posix.Flags = FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS;
  // FileDispositionInfoEx, which the headers name only for Windows 10 builds.
  constexpr auto kDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
  if (::SetFileInformationByHandle(handle, kDispositionInfoEx, &posix, sizeof posix)) return TRUE;
  const DWORD error = ::GetLastError();
  if (error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED && error != ERROR_INVALID_FUNCTION) {
    return FALSE;
  }
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition);
}

DWORD Win32FileSystem::GetFinalPathNameByHandleA(INT_PTR entry, CString& path) {
  const HANDLE handle = Entry(entry);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  return NarrowedPath(
      [&](wchar_t* buffer, DWORD size) {
        return ::GetFinalPathNameByHandleW(handle, buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
      },
      path);
}

BOOL Win32FileSystem::GetHandleSecurity(INT_PTR entry, EntrySecurity& security) {
  const HANDLE handle = Entry(entry);
  if (handle == INVALID_HANDLE_VALUE) return FALSE;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error =
      ::GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                        &owner, nullptr, &dacl, nullptr, &descriptor);
  const win32::UniqueLocalBuffer descriptorOwner(descriptor);
  if (error != ERROR_SUCCESS) {
    ::SetLastError(error);
    return FALSE;
  }
  const auto sidText = [](PSID sid, std::string& text) {
    LPWSTR wide = nullptr;
    if (sid == nullptr || !::ConvertSidToStringSidW(sid, &wide)) return false;
    const win32::UniqueLocalBuffer wideOwner(wide);
    text = Narrow(wide).str();
    return true;
  };
  EntrySecurity result;
  if (!sidText(owner, result.owner)) return FALSE;
  result.nullDacl = dacl == nullptr;
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!::GetAce(dacl, i, &ace)) return FALSE;
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    AccessEntry listed;
    listed.flags = header->AceFlags;
    switch (header->AceType) {
      case ACCESS_ALLOWED_ACE_TYPE:
      case ACCESS_DENIED_ACE_TYPE: {
        const auto* plain = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        listed.allow = header->AceType == ACCESS_ALLOWED_ACE_TYPE;
        listed.mask = plain->Mask;
        if (!sidText(const_cast<DWORD*>(&plain->SidStart), listed.sid)) return FALSE;
        break;
      }
      default:
        // Entries of other kinds (objects, conditions) have no place on a
        // folder of files; one is taken for the worst it could be: a grant
        // of everything to everyone.
        listed.allow = true;
        listed.mask = GENERIC_ALL;
        listed.sid = "S-1-1-0";
        break;
    }
    result.dacl.push_back(std::move(listed));
  }
  security = std::move(result);
  return TRUE;
}

BOOL Win32FileSystem::GetHandleLinkCount(INT_PTR entry, DWORD& links) {
  FILE_STANDARD_INFO info{};
  if (!HandleInfo(entry, FileStandardInfo, &info, sizeof info)) return FALSE;
  links = info.NumberOfLinks;
  return TRUE;
}

BOOL Win32FileSystem::GetHandleVolumeFlags(INT_PTR entry, DWORD& flags) {
  const HANDLE handle = Entry(entry);
  if (handle == INVALID_HANDLE_VALUE) return FALSE;
  return ::GetVolumeInformationByHandleW(handle, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0);
}

BOOL Win32FileSystem::WriteByHandle(INT_PTR entry, const char* data, std::size_t n) {
  const HANDLE handle = Entry(entry);
  return handle != INVALID_HANDLE_VALUE && WriteAll(handle, data, n) ? TRUE : FALSE;
}

BOOL Win32FileSystem::SetHandleAttributes(INT_PTR entry, DWORD attributes) {
  const HANDLE handle = Entry(entry);
  if (handle == INVALID_HANDLE_VALUE) return FALSE;
  // Zero times are left as they are.
  FILE_BASIC_INFO basic{};
  basic.FileAttributes = attributes;
  return ::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
}

BOOL Win32FileSystem::RenameByHandle(INT_PTR entry, INT_PTR folder, const CString& name, BOOL replace) {
  const HANDLE handle = Entry(entry);
  const HANDLE root = Entry(folder);
  if (handle == INVALID_HANDLE_VALUE || root == INVALID_HANDLE_VALUE) return FALSE;
  if (!IsSingleEntryName(name.view())) {
    ::SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  if (replace) {
    // Wine 8 replaces a read-only file too; Windows refuses it, and a
    // folder, with STATUS_ACCESS_DENIED. Refused here on both.
    const CEntryHandle present(*this, OpenEntryAt(folder, name));
    const DWORD attributes = present.IsOpen() ? GetHandleAttributes(present.get()) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
      ::SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
  }
  const std::wstring wide = Widen(name.view());
  // FILE_RENAME_INFORMATION, the native call's, whose root folder Wine's
  // SetFileInformationByHandle does not pass on; it ends in the name's
  // first character: room for the rest.
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + wide.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = replace ? TRUE : FALSE;
  rename->RootDirectory = root;
  rename->FileNameLength = static_cast<DWORD>(wide.size() * sizeof(wchar_t));
  std::copy(wide.begin(), wide.end(), rename->FileName);
  // The native call takes the name as it is, relative to the folder;
  // SetFileInformationByHandle under Wine 8 first makes it a full path
  // against the current folder, and the rename fails.
  static const auto ntSetInformationFile = NativeCall<NtFileInformationFn>("NtSetInformationFile");
  if (ntSetInformationFile == nullptr) {
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  IO_STATUS_BLOCK io{};
  return Succeeded(ntSetInformationFile(handle, &io, rename, static_cast<ULONG>(buffer.size()),
                                        kFileRenameInformation))
             ? TRUE
             : FALSE;
}

bool Win32FileSystem::RunsUnderWine() {
  static const bool wine = NativeCall<void (*)()>("wine_get_version") != nullptr;
  return wine;
}

BOOL Win32FileSystem::CloseEntryHandle(INT_PTR handle) {
  auto it = m_entries.find(handle);
  if (it == m_entries.end()) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const HANDLE h = it->second.release();
  m_entries.erase(it);
  m_withoutDelete.erase(handle);
  return ::CloseHandle(h);
}

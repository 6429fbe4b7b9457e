#include "tests/memory/MemoryFileSystem.h"

#include "tests/memory/MemorySddl.h"

#include <algorithm>
#include <cstring>

namespace {

// A byte stream over one file of the in-memory tree. It counts as an open
// file until destroyed, which decides what others may do with the file.
class MemoryFileStream final : public IFileStream {
 public:
  MemoryFileStream(std::shared_ptr<mem::MemoryCore> core, std::shared_ptr<mem::FsNode> node, std::string path,
                   bool write)
      : m_core(std::move(core)), m_node(std::move(node)), m_path(std::move(path)), m_write(write) {
    (m_write ? m_node->writers : m_node->readers) += 1;
    ++m_core->files.openStreams;
  }
  MemoryFileStream(const MemoryFileStream&) = delete;
  MemoryFileStream& operator=(const MemoryFileStream&) = delete;
  ~MemoryFileStream() override {
    (m_write ? m_node->writers : m_node->readers) -= 1;
    --m_core->files.openStreams;
  }

  std::size_t Read(char* buffer, std::size_t n) override {
    if (auto code = m_core->faults.Check("Read", {m_path})) {
      m_core->lastError = *code;
      return 0;
    }
    if (m_write) {
      m_core->lastError = ERROR_ACCESS_DENIED;
      return 0;
    }
    if (buffer == nullptr || m_position >= m_node->data.size()) return 0;
    const std::size_t count = std::min(n, m_node->data.size() - m_position);
    std::memcpy(buffer, m_node->data.data() + m_position, count);
    m_position += count;
    return count;
  }

  bool Write(const char* data, std::size_t n) override {
    if (auto code = m_core->faults.Check("Write", {m_path})) {
      m_core->lastError = *code;
      return false;
    }
    if (!m_write) {
      m_core->lastError = ERROR_ACCESS_DENIED;
      return false;
    }
    if (n == 0) return true;
    if (data == nullptr) {
      m_core->lastError = ERROR_INVALID_PARAMETER;
      return false;
    }
    std::size_t written = 0;
    const DWORD error = m_core->files.WriteAt(*m_node, m_position, data, n, written);
    m_position += written;
    if (error != 0) {
      m_core->lastError = error;
      return false;
    }
    return true;
  }

 private:
  std::shared_ptr<mem::MemoryCore> m_core;
  std::shared_ptr<mem::FsNode> m_node;
  std::string m_path;
  bool m_write;
  std::size_t m_position = 0;
};

struct SystemMessage {
  DWORD code;
  const char* text;
};

// The system's own texts (Japanese Windows), each ending in CR LF as
// FormatMessageA returns them.
constexpr SystemMessage kSystemMessages[] = {
    {0, "この操作を正しく終了しました。\r\n"},
    {ERROR_FILE_NOT_FOUND, "指定されたファイルが見つかりません。\r\n"},
    {ERROR_PATH_NOT_FOUND, "指定されたパスが見つかりません。\r\n"},
    {ERROR_ACCESS_DENIED, "アクセスが拒否されました。\r\n"},
    {ERROR_INVALID_HANDLE, "ハンドルが無効です。\r\n"},
    {mem::ERROR_NOT_SAME_DEVICE_CODE, "システムは別のディスク ドライブにファイルを移動できません。\r\n"},
    {mem::ERROR_NO_MORE_FILES_CODE, "これ以上ファイルがありません。\r\n"},
    {mem::ERROR_WRITE_PROTECT_CODE, "メディアは書き込み禁止になっています。\r\n"},
    {ERROR_NOT_READY, "デバイスの準備ができていません。\r\n"},
    {ERROR_SHARING_VIOLATION, "プロセスはファイルにアクセスできません。別のプロセスが使用中です。\r\n"},
    {ERROR_HANDLE_DISK_FULL, "ディスクがいっぱいです。\r\n"},
    {mem::ERROR_BAD_NETPATH_CODE, "ネットワーク パスが見つかりません。\r\n"},
    {ERROR_FILE_EXISTS, "ファイルが存在します。\r\n"},
    {ERROR_INVALID_PARAMETER, "パラメーターが間違っています。\r\n"},
    {ERROR_DISK_FULL, "ディスクに十分な空き領域がありません。\r\n"},
    {mem::ERROR_INSUFFICIENT_BUFFER_CODE, "システム コールに渡されるデータ領域が小さすぎます。\r\n"},
    {ERROR_INVALID_NAME, "ファイル名、ディレクトリ名、またはボリューム ラベルの構文が間違っています。\r\n"},
    {ERROR_DIR_NOT_EMPTY, "ディレクトリが空ではありません。\r\n"},
    {ERROR_ALREADY_EXISTS, "既に存在するファイルを作成することはできません。\r\n"},
    {ERROR_FILENAME_EXCED_RANGE, "ファイル名または拡張子が長すぎます。\r\n"},
    {ERROR_DIRECTORY, "ディレクトリ名が無効です。\r\n"},
};

}  // namespace

MemoryFileSystem::MemoryFileSystem(std::shared_ptr<mem::MemoryCore> core) : m_core(std::move(core)) {}

std::optional<DWORD> MemoryFileSystem::Fault(const char* operation, std::string_view path,
                                             std::string_view other) {
  if (m_core->faults.Empty()) return std::nullopt;
  // A rule may name the path as written or as the full path it stands for.
  const mem::ResolvedPath full = m_core->files.Resolve(path, true);
  const mem::ResolvedPath fullOther = m_core->files.Resolve(other, true);
  const std::string fullText = full.error == 0 ? full.path.Text() : std::string();
  const std::string fullOtherText = fullOther.error == 0 ? fullOther.path.Text() : std::string();
  return m_core->faults.Check(operation, {path, other, fullText, fullOtherText});
}

BOOL MemoryFileSystem::Fail(DWORD code) {
  m_core->lastError = code;
  return FALSE;
}

INT_PTR MemoryFileSystem::findfirst(const CString& pattern, FindData& entry) {
  if (auto code = Fault("findfirst", pattern.view())) {
    Fail(*code);
    return -1;
  }
  INT_PTR handle = -1;
  if (DWORD error = m_core->files.FindFirst(pattern.view(), handle, entry); error != 0) {
    Fail(error);
    return -1;
  }
  return handle;
}

int MemoryFileSystem::findnext(INT_PTR handle, FindData& entry) {
  if (auto code = m_core->faults.Check("findnext", {m_core->files.PatternOf(handle)})) {
    Fail(*code);
    return -1;
  }
  if (DWORD error = m_core->files.FindNext(handle, entry); error != 0) {
    Fail(error);
    return -1;
  }
  return 0;
}

int MemoryFileSystem::findclose(INT_PTR handle) {
  if (auto code = m_core->faults.Check("findclose", {m_core->files.PatternOf(handle)})) {
    Fail(*code);
    return -1;
  }
  if (DWORD error = m_core->files.FindClose(handle); error != 0) {
    Fail(error);
    return -1;
  }
  return 0;
}

BOOL MemoryFileSystem::CreateDirectoryA(const CString& path) {
  if (auto code = Fault("CreateDirectoryA", path.view())) return Fail(*code);
  if (DWORD error = m_core->files.CreateFolder(path.view()); error != 0) return Fail(error);
  return TRUE;
}

BOOL MemoryFileSystem::CopyFileA(const CString& source, const CString& destination, BOOL failIfExists) {
  if (auto code = Fault("CopyFileA", source.view(), destination.view())) return Fail(*code);
  if (DWORD error = m_core->files.CopyFile(source.view(), destination.view(), failIfExists != FALSE);
      error != 0) {
    return Fail(error);
  }
  return TRUE;
}

DWORD MemoryFileSystem::GetFileAttributesA(const CString& path) {
  if (auto code = Fault("GetFileAttributesA", path.view())) {
    Fail(*code);
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD attributes = 0;
  if (DWORD error = m_core->files.GetAttributes(path.view(), attributes); error != 0) {
    Fail(error);
    return INVALID_FILE_ATTRIBUTES;
  }
  return attributes;
}

BOOL MemoryFileSystem::SetFileAttributesA(const CString& path, DWORD attributes) {
  if (auto code = Fault("SetFileAttributesA", path.view())) return Fail(*code);
  if (DWORD error = m_core->files.SetAttributes(path.view(), attributes); error != 0) return Fail(error);
  return TRUE;
}

BOOL MemoryFileSystem::DeleteFileA(const CString& path) {
  if (auto code = Fault("DeleteFileA", path.view())) return Fail(*code);
  if (DWORD error = m_core->files.DeleteFile(path.view()); error != 0) return Fail(error);
  return TRUE;
}

INT_PTR MemoryFileSystem::OpenFolderHandle(const CString& path) {
  INT_PTR handle = -1;
  const std::optional<DWORD> fault = Fault("OpenFolderHandle", path.view());
  if (const DWORD error = fault ? *fault : m_core->files.OpenFolderHandle(path.view(), handle); error != 0) {
    Fail(error);
    return -1;
  }
  return handle;
}

INT_PTR MemoryFileSystem::OpenEntryAt(INT_PTR folder, const CString& name) {
  INT_PTR handle = -1;
  const std::optional<DWORD> fault =
      Fault("OpenEntryAt", m_core->files.HandlePath(folder) + "\\" + name.str());
  if (const DWORD error =
          fault ? *fault : m_core->files.OpenEntryAt(folder, name.view(), m_core->underWine, handle);
      error != 0) {
    Fail(error);
    return -1;
  }
  return handle;
}

DWORD MemoryFileSystem::GetHandleAttributes(INT_PTR entry) {
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  const std::optional<DWORD> fault = Fault("GetHandleAttributes", m_core->files.HandlePath(entry));
  if (const DWORD error = fault ? *fault : m_core->files.HandleAttributes(entry, attributes); error != 0) {
    Fail(error);
    return INVALID_FILE_ATTRIBUTES;
  }
  return attributes;
}

BOOL MemoryFileSystem::GetHandleFileId(INT_PTR entry, std::uint64_t& fileId) {
  if (DWORD error = m_core->files.HandleFileId(entry, fileId); error != 0) return Fail(error);
  return TRUE;
}

BOOL MemoryFileSystem::ListFolderHandle(INT_PTR folder, std::vector<FolderEntry>& entries) {
  if (auto code = Fault("ListFolderHandle", m_core->files.HandlePath(folder))) return Fail(*code);
  if (DWORD error = m_core->files.ListHandle(folder, entries); error != 0) return Fail(error);
  return TRUE;
}

BOOL MemoryFileSystem::DeleteByHandle(INT_PTR entry) {
  if (auto code = Fault("DeleteByHandle", m_core->files.HandlePath(entry))) return Fail(*code);
  if (DWORD error = m_core->files.DeleteByHandle(entry); error != 0) return Fail(error);
  return TRUE;
}

DWORD MemoryFileSystem::PathAnswer(const char* operation, std::string_view faultPath,
                                   const std::function<DWORD(std::string&)>& ask, CString& out) {
  std::string answer;
  const std::optional<DWORD> fault = Fault(operation, faultPath);
  if (const DWORD error = fault ? *fault : ask(answer); error != 0) {
    Fail(error);
    return 0;
  }
  out = answer;
  return static_cast<DWORD>(out.GetLength());
}

DWORD MemoryFileSystem::GetFinalPathNameByHandleA(INT_PTR entry, CString& path) {
  return PathAnswer(
      "GetFinalPathNameByHandleA", m_core->files.HandlePath(entry),
      [&](std::string& out) { return m_core->files.FinalPath(entry, out); }, path);
}

DWORD MemoryFileSystem::GetFullPathNameA(const CString& path, CString& full) {
  return PathAnswer(
      "GetFullPathNameA", path.view(),
      [&](std::string& out) { return m_core->files.FullPathName(path.view(), out); }, full);
}

DWORD MemoryFileSystem::GetLongPathNameA(const CString& path, CString& longPath) {
  return PathAnswer(
      "GetLongPathNameA", path.view(),
      [&](std::string& out) { return m_core->files.LongPathName(path.view(), out); }, longPath);
}

DWORD MemoryFileSystem::UserRename(const CString& from, const CString& to) {
  return m_core->files.Move(from.view(), to.view(), 0);
}

DWORD MemoryFileSystem::UserDelete(const CString& path) {
  const std::shared_ptr<mem::FsNode> node = m_core->files.Lookup(path.view());
  if (!node) return ERROR_FILE_NOT_FOUND;
  return node->folder ? m_core->files.RemoveFolder(path.view()) : m_core->files.DeleteFile(path.view());
}

DWORD MemoryFileSystem::UserMakeLink(const CString& path, const CString& target) {
  return m_core->files.MakeLinkInPlace(path.view(), target.view());
}

bool MemoryFileSystem::Watch(const CString& folder) { return m_core->files.Watch(folder.view()); }

const std::vector<std::string>& MemoryFileSystem::Touches() const { return m_core->files.Touches(); }

bool MemoryFileSystem::AddRawEntry(const CString& folder, const CString& name, bool isFolder) {
  return m_core->files.AddRawEntry(folder.view(), name.view(), isFolder);
}

bool MemoryFileSystem::AddShortName(const CString& path, const CString& shortName) {
  return m_core->files.AddShortName(path.view(), shortName.view());
}

bool MemoryFileSystem::AddDriveAlias(char letter, const CString& target) {
  return m_core->files.AddDriveAlias(letter, target.view());
}

BOOL MemoryFileSystem::GetHandleSecurity(INT_PTR entry, EntrySecurity& security) {
  if (auto code = Fault("GetHandleSecurity", m_core->files.HandlePath(entry))) return Fail(*code);
  if (DWORD error = m_core->files.HandleSecurity(entry, security); error != 0) return Fail(error);
  return TRUE;
}

BOOL MemoryFileSystem::GetHandleLinkCount(INT_PTR entry, DWORD& links) {
  if (auto code = Fault("GetHandleLinkCount", m_core->files.HandlePath(entry))) return Fail(*code);
  if (DWORD error = m_core->files.HandleLinkCount(entry, links); error != 0) return Fail(error);
  return TRUE;
}

BOOL MemoryFileSystem::GetHandleVolumeFlags(INT_PTR entry, DWORD& flags) {
  if (auto code = Fault("GetHandleVolumeFlags", m_core->files.HandlePath(entry))) return Fail(*code);
  if (DWORD error = m_core->files.HandleVolumeFlags(entry, flags); error != 0) return Fail(error);
  return TRUE;
}

INT_PTR MemoryFileSystem::OpenFolderAt(INT_PTR folder, const CString& name) {
  INT_PTR handle = -1;
  const std::optional<DWORD> fault =
      Fault("OpenFolderAt", m_core->files.HandlePath(folder) + "\\" + name.str());
  if (const DWORD error =
          fault ? *fault : m_core->files.OpenFolderAt(folder, name.view(), m_core->underWine, handle);
      error != 0) {
    Fail(error);
    return -1;
  }
  return handle;
}

INT_PTR MemoryFileSystem::CreateFolderAt(INT_PTR folder, const CString& name, const char* sddl) {
  INT_PTR handle = -1;
  std::optional<EntrySecurity> security;
  if (sddl != nullptr) {
    security = mem::ParseSddl(sddl);
    if (!security) {
      Fail(ERROR_INVALID_PARAMETER);
      return -1;
    }
  }
  const std::optional<DWORD> fault =
      Fault("CreateFolderAt", m_core->files.HandlePath(folder) + "\\" + name.str());
  if (const DWORD error =
          fault ? *fault : m_core->files.CreateFolderAt(folder, name.view(), security, handle);
      error != 0) {
    Fail(error);
    return -1;
  }
  return handle;
}

INT_PTR MemoryFileSystem::CreateFileAt(INT_PTR folder, const CString& name) {
  INT_PTR handle = -1;
  const std::optional<DWORD> fault =
      Fault("CreateFileAt", m_core->files.HandlePath(folder) + "\\" + name.str());
  if (const DWORD error = fault ? *fault : m_core->files.CreateFileAt(folder, name.view(), handle);
      error != 0) {
    Fail(error);
    return -1;
  }
  return handle;
}

BOOL MemoryFileSystem::WriteByHandle(INT_PTR entry, const char* data, std::size_t n) {
  if (auto code = Fault("WriteByHandle", m_core->files.HandlePath(entry))) return Fail(*code);
  if (n == 0) return TRUE;
  if (data == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (DWORD error = m_core->files.WriteByHandle(entry, data, n); error != 0) return Fail(error);
  return TRUE;
}

BOOL MemoryFileSystem::SetHandleAttributes(INT_PTR entry, DWORD attributes) {
  if (auto code = Fault("SetHandleAttributes", m_core->files.HandlePath(entry))) return Fail(*code);
  if (DWORD error = m_core->files.SetHandleAttributes(entry, attributes); error != 0) return Fail(error);
  return TRUE;
}

BOOL MemoryFileSystem::RenameByHandle(INT_PTR entry, INT_PTR folder, const CString& name, BOOL replace) {
  if (auto code = Fault("RenameByHandle", m_core->files.HandlePath(entry),
                        m_core->files.HandlePath(folder) + "\\" + name.str())) {
    return Fail(*code);
  }
  if (DWORD error = m_core->files.RenameByHandle(entry, folder, name.view(), replace != FALSE); error != 0) {
    return Fail(error);
  }
  return TRUE;
}

bool MemoryFileSystem::RunsUnderWine() { return m_core->underWine; }

bool MemoryFileSystem::SetSecurity(const CString& path, std::string_view sddl) {
  std::optional<EntrySecurity> security = mem::ParseSddl(sddl);
  const std::shared_ptr<mem::FsNode> node = m_core->files.Lookup(path.view());
  if (!security || !node) return false;
  node->security = std::move(security);
  return true;
}

bool MemoryFileSystem::SetLinkCount(const CString& path, DWORD links) {
  const std::shared_ptr<mem::FsNode> node = m_core->files.Lookup(path.view());
  if (!node || node->folder || links == 0) return false;
  node->links = links;
  return true;
}

bool MemoryFileSystem::SetFileSystemFlags(char letter, DWORD flags) {
  mem::DriveInfo* drive = m_core->files.FindDrive(letter);
  if (drive == nullptr) return false;
  drive->fileSystemFlags = flags;
  return true;
}

void MemoryFileSystem::SetUnderWine(bool wine) { m_core->underWine = wine; }

BOOL MemoryFileSystem::CloseEntryHandle(INT_PTR handle) {
  if (DWORD error = m_core->files.CloseEntryHandle(handle); error != 0) return Fail(error);
  return TRUE;
}

BOOL MemoryFileSystem::RemoveDirectoryA(const CString& path) {
  if (auto code = Fault("RemoveDirectoryA", path.view())) return Fail(*code);
  if (DWORD error = m_core->files.RemoveFolder(path.view()); error != 0) return Fail(error);
  return TRUE;
}

BOOL MemoryFileSystem::MoveFileExA(const CString& existing, const CString* newName, DWORD flags) {
  if (auto code = Fault("MoveFileExA", existing.view(), newName ? newName->view() : std::string_view())) {
    return Fail(*code);
  }
  if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) {
    // The request is kept in HKEY_LOCAL_MACHINE: without write access there, none is taken.
    if (m_core->registry.WritesDenied(HKEY_LOCAL_MACHINE)) return Fail(ERROR_ACCESS_DENIED);
    const std::string target = newName ? newName->str() : std::string();
    if (DWORD error = m_core->files.ScheduleAtRestart(existing.view(), newName ? &target : nullptr, flags);
        error != 0) {
      return Fail(error);
    }
    return TRUE;
  }
  if (newName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (DWORD error = m_core->files.Move(existing.view(), newName->view(), flags); error != 0)
    return Fail(error);
  return TRUE;
}

DWORD MemoryFileSystem::GetCurrentDirectoryA(DWORD bufferLength, CString& folder) {
  if (auto code = m_core->faults.Check("GetCurrentDirectoryA", {})) {
    Fail(*code);
    return 0;
  }
  const std::string text = m_core->files.Current().Text();
  if (text.size() + 1 > bufferLength) return static_cast<DWORD>(text.size() + 1);
  folder = text;
  return static_cast<DWORD>(text.size());
}

BOOL MemoryFileSystem::SetCurrentDirectoryA(const CString& folder) {
  if (auto code = Fault("SetCurrentDirectoryA", folder.view())) return Fail(*code);
  if (DWORD error = m_core->files.SetCurrent(folder.view()); error != 0) return Fail(error);
  return TRUE;
}

UINT MemoryFileSystem::GetWindowsDirectoryA(CString& folder) {
  if (auto code = m_core->faults.Check("GetWindowsDirectoryA", {})) {
    Fail(*code);
    return 0;
  }
  folder = m_core->windowsFolder;
  return static_cast<UINT>(folder.GetLength());
}

void MemoryFileSystem::SetWindowsFolder(const CString& path) { m_core->windowsFolder = path.str(); }

DWORD MemoryFileSystem::GetLastError() { return m_core->lastError; }

void MemoryFileSystem::SetLastError(DWORD code) { m_core->lastError = code; }

CString MemoryFileSystem::FormatMessageA(DWORD code) {
  if (auto fault = m_core->faults.Check("FormatMessageA", {})) {
    m_core->lastError = *fault;
    return CString();
  }
  CString text = SystemText(code);
  if (text.IsEmpty()) m_core->lastError = mem::ERROR_MR_MID_NOT_FOUND_CODE;
  return text;
}

CString MemoryFileSystem::SystemText(DWORD code) {
  for (const SystemMessage& message : kSystemMessages) {
    if (message.code == code) return CString(message.text);
  }
  return CString();
}

std::unique_ptr<IFileStream> MemoryFileSystem::OpenFile(const CString& path, FileOpenMode mode) {
  if (auto code = Fault("OpenFile", path.view())) {
    Fail(*code);
    return nullptr;
  }
  std::shared_ptr<mem::FsNode> node;
  const bool write = mode == FileOpenMode::Write;
  const DWORD error =
      write ? m_core->files.OpenForWrite(path.view(), node) : m_core->files.OpenForRead(path.view(), node);
  if (error != 0) {
    Fail(error);
    return nullptr;
  }
  return std::make_unique<MemoryFileStream>(m_core, std::move(node), path.str(), write);
}

// ---------------------------------------------------------------- set-up and inspection

bool MemoryFileSystem::AddFolder(const CString& path, DWORD attributes) {
  return m_core->files.AddFolder(path.view(), attributes);
}

bool MemoryFileSystem::AddFile(const CString& path, std::string_view bytes, DWORD attributes) {
  return m_core->files.AddFile(path.view(), bytes, attributes);
}

bool MemoryFileSystem::AddLink(const CString& path, const CString& target) {
  return m_core->files.AddLink(path.view(), target.view());
}

bool MemoryFileSystem::AddUnnarrowable(const CString& path, bool folder) {
  return m_core->files.AddUnnarrowable(path.view(), folder);
}

bool MemoryFileSystem::SetCurrentFolder(const CString& path) {
  return m_core->files.ForceCurrent(path.view());
}

bool MemoryFileSystem::Lock(const CString& path, bool locked) {
  return m_core->files.SetLocked(path.view(), locked);
}

bool MemoryFileSystem::Exists(const CString& path) const {
  return m_core->files.Lookup(path.view()) != nullptr;
}

bool MemoryFileSystem::IsFolder(const CString& path) const {
  auto node = m_core->files.Lookup(path.view());
  return node && node->folder;
}

std::optional<std::string> MemoryFileSystem::Contents(const CString& path) const {
  auto node = m_core->files.Lookup(path.view());
  if (!node || node->folder) return std::nullopt;
  return node->data;
}

std::optional<std::string> MemoryFileSystem::HandleContents(INT_PTR handle) const {
  const std::shared_ptr<const mem::FsNode> node = m_core->files.HandleNode(handle);
  if (!node || node->folder) return std::nullopt;
  return node->data;
}

std::optional<DWORD> MemoryFileSystem::Attributes(const CString& path) const {
  auto node = m_core->files.Lookup(path.view());
  if (!node) return std::nullopt;
  return node->ReportedAttributes();
}

std::vector<CString> MemoryFileSystem::List(const CString& folder) const {
  std::vector<CString> names;
  auto node = m_core->files.Lookup(folder.view());
  if (!node || !node->folder) return names;
  for (const auto& [key, child] : node->children) names.emplace_back(child->name);
  return names;
}

CString MemoryFileSystem::CurrentFolder() const { return CString(m_core->files.Current().Text()); }

std::vector<mem::RestartEntry> MemoryFileSystem::RestartList() const { return m_core->files.RestartList(); }

int MemoryFileSystem::OpenSearches() const { return m_core->files.OpenSearches(); }

int MemoryFileSystem::OpenStreams() const { return m_core->files.openStreams; }

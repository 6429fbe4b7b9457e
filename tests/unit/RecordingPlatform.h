// A platform for the flows' tests that stands in front of the memory
// platform: it records, in one list, the file and registry calls that
// change something, search or list (copies and attribute changes aside), and it can add entries of its own to
// a folder's search results and listings (a name the memory platform could never hold, or a link with any
// attribute bits). Operations on such an added entry are recorded and succeed without reaching the memory
// platform; a search below one is recorded and finds nothing.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/memory/MemoryPlatform.h"

class RecordingPlatform : public PlatformServices {
 public:
  explicit RecordingPlatform(MemoryPlatform& inner) : m_inner(inner), m_files(*this), m_registry(*this) {}

  IFileSystem& Files() override { return m_files; }
  IDrives& Drives() override { return m_inner.Drives(); }
  IShell& Shell() override { return m_inner.Shell(); }
  IRegistry& Registry() override { return m_registry; }
  IUserInterface& Ui() override { return m_inner.Ui(); }

  // Adds an entry to every search of folder (the pattern folder + "\\*.*")
  // and every listing of it through a handle, after the memory platform's.
  void AddEntry(const CString& folder, const CString& name, unsigned attributes) {
    m_extra[folder.str() + "\\*.*"].push_back({name, attributes});
    m_virtual.push_back(folder.str() + "\\" + name.str());
  }
  // Runs action just before the entry at path is opened relative to its
  // folder's handle (after the folder was listed): another program's move.
  void BeforeOpening(const std::string& path, std::function<void()> action) {
    m_beforeOpening[path] = std::move(action);
  }
  // Handles report what a link leads to, not the link (as Wine's do), and
  // the system says it is Wine.
  void HandlesFollowLinks() { m_handlesFollowLinks = true; }
  // The file at path is a link to the file target, as Wine shows one: a
  // listing gives it the target's file number and an open of it opens the
  // target; only the final path of its handle tells.
  void FileLink(const CString& path, const CString& target) { m_fileLinks[path.str()] = target.str(); }
  // RemoveDirectoryA on an added entry fails with this code.
  void FailRemoval(const CString& path, DWORD code) { m_failures[path.str()] = code; }
  // Lets a test mark a moment in the log ("dialog 103" ...).
  void Note(const std::string& what) { m_log.push_back(what); }

  // "findfirst C:\x\*.*", "DeleteFileA C:\x\a", "RemoveDirectoryA ...",
  // "MoveFileExA ...", "CreateDirectoryA ...", "RegSetValueExA DisplayName",
  // "RegDeleteKeyA VEVUVODIVERU1" ...
  const std::vector<std::string>& Log() const { return m_log; }
  bool Logged(const std::string& entry) const {
    for (const auto& e : m_log) {
      if (e == entry) return true;
    }
    return false;
  }
  // The index of the first entry that begins with prefix, -1 when none.
  int IndexOf(const std::string& prefix) const {
    for (std::size_t i = 0; i < m_log.size(); ++i) {
      if (m_log[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    }
    return -1;
  }

 private:
  bool IsVirtual(const CString& path) const {
    for (const auto& v : m_virtual) {
      if (path.str() == v || path.str().rfind(v + "\\", 0) == 0) return true;
    }
    return false;
  }

  class RecordingFiles final : public IFileSystem {
   public:
    explicit RecordingFiles(RecordingPlatform& owner) : m_owner(owner), m_fs(owner.m_inner.Files()) {}

    INT_PTR findfirst(const CString& pattern, FindData& entry) override {
      m_owner.m_log.push_back("findfirst " + pattern.str());
      if (m_owner.IsVirtual(pattern)) return -1;
      std::vector<FindData> extra;
      if (auto it = m_owner.m_extra.find(pattern.str()); it != m_owner.m_extra.end()) extra = it->second;
      const INT_PTR inner = m_fs.findfirst(pattern, entry);
      if (inner == -1 && extra.empty()) return -1;
      const INT_PTR handle = m_next++;
      Search& s = m_searches[handle];
      s.inner = inner;
      s.extra = std::move(extra);
      if (inner == -1) return NextExtra(s, entry) ? handle : -1;
      return handle;
    }
    int findnext(INT_PTR handle, FindData& entry) override {
      auto it = m_searches.find(handle);
      if (it == m_searches.end()) return -1;
      Search& s = it->second;
      if (s.inner != -1 && m_fs.findnext(s.inner, entry) == 0) return 0;
      if (s.inner != -1) {
        m_fs.findclose(s.inner);
        s.inner = -1;
      }
      return NextExtra(s, entry) ? 0 : -1;
    }
    int findclose(INT_PTR handle) override {
      auto it = m_searches.find(handle);
      if (it == m_searches.end()) return -1;
      if (it->second.inner != -1) m_fs.findclose(it->second.inner);
      m_searches.erase(it);
      return 0;
    }
    BOOL CreateDirectoryA(const CString& path) override {
      m_owner.m_log.push_back("CreateDirectoryA " + path.str());
      return m_fs.CreateDirectoryA(path);
    }
    BOOL CopyFileA(const CString& source, const CString& destination, BOOL failIfExists) override {
      return m_fs.CopyFileA(source, destination, failIfExists);
    }
    DWORD GetFileAttributesA(const CString& path) override { return m_fs.GetFileAttributesA(path); }
    BOOL SetFileAttributesA(const CString& path, DWORD attributes) override {
      return m_fs.SetFileAttributesA(path, attributes);
    }
    BOOL DeleteFileA(const CString& path) override {
      m_owner.m_log.push_back("DeleteFileA " + path.str());
      return m_owner.IsVirtual(path) ? TRUE : m_fs.DeleteFileA(path);
    }
    BOOL RemoveDirectoryA(const CString& path) override {
      m_owner.m_log.push_back("RemoveDirectoryA " + path.str());
      if (!m_owner.IsVirtual(path)) return m_fs.RemoveDirectoryA(path);
      if (auto it = m_owner.m_failures.find(path.str()); it != m_owner.m_failures.end()) {
        m_fs.SetLastError(it->second);
        return FALSE;
      }
      return TRUE;
    }
    INT_PTR OpenFolderHandle(const CString& path) override {
      m_owner.m_log.push_back("OpenFolderHandle " + path.str());
      return Remember(m_fs.OpenFolderHandle(path), path.str());
    }
    INT_PTR OpenEntryAt(INT_PTR folder, const CString& name) override {
      const std::string path = PathOf(folder) + "\\" + name.str();
      m_owner.m_log.push_back("OpenEntryAt " + path);
      if (auto it = m_owner.m_beforeOpening.find(path); it != m_owner.m_beforeOpening.end()) it->second();
      if (auto link = m_owner.m_fileLinks.find(path); link != m_owner.m_fileLinks.end()) {
        const std::size_t slash = link->second.rfind('\\');
        CEntryHandle targetFolder(m_fs, m_fs.OpenFolderHandle(link->second.substr(0, slash)));
        return Remember(m_fs.OpenEntryAt(targetFolder.get(), link->second.substr(slash + 1)), path);
      }
      return Remember(m_fs.OpenEntryAt(folder, name), path);
    }
    DWORD GetHandleAttributes(INT_PTR entry) override {
      const DWORD attributes = m_fs.GetHandleAttributes(entry);
      // A system whose handles follow links reports the target's attributes.
      if (attributes != INVALID_FILE_ATTRIBUTES && m_owner.m_handlesFollowLinks) {
        return attributes & ~FILE_ATTRIBUTE_REPARSE_POINT;
      }
      return attributes;
    }
    BOOL GetHandleFileId(INT_PTR entry, std::uint64_t& fileId) override {
      return m_fs.GetHandleFileId(entry, fileId);
    }
    BOOL ListFolderHandle(INT_PTR folder, std::vector<FolderEntry>& entries) override {
      m_owner.m_log.push_back("ListFolderHandle " + PathOf(folder));
      if (!m_fs.ListFolderHandle(folder, entries)) return FALSE;
      for (FolderEntry& e : entries) {
        const auto link = m_owner.m_fileLinks.find(PathOf(folder) + "\\" + e.name.str());
        if (link == m_owner.m_fileLinks.end()) continue;
        CEntryHandle folderOfTarget(m_fs,
                                    m_fs.OpenFolderHandle(link->second.substr(0, link->second.rfind('\\'))));
        CEntryHandle target(
            m_fs, m_fs.OpenEntryAt(folderOfTarget.get(), link->second.substr(link->second.rfind('\\') + 1)));
        m_fs.GetHandleFileId(target.get(), e.fileId);
      }
      if (auto it = m_owner.m_extra.find(PathOf(folder) + "\\*.*"); it != m_owner.m_extra.end()) {
        for (const FindData& extra : it->second) entries.push_back({extra.name, extra.attrib});
      }
      return TRUE;
    }
    BOOL DeleteByHandle(INT_PTR entry) override {
      m_owner.m_log.push_back("DeleteByHandle " + PathOf(entry));
      return m_fs.DeleteByHandle(entry);
    }
    BOOL CloseEntryHandle(INT_PTR handle) override {
      m_paths.erase(handle);
      return m_fs.CloseEntryHandle(handle);
    }
    BOOL MoveFileExA(const CString& existing, const CString* newName, DWORD flags) override {
      m_owner.m_log.push_back("MoveFileExA " + existing.str());
      return m_fs.MoveFileExA(existing, newName, flags);
    }
    DWORD GetCurrentDirectoryA(DWORD bufferLength, CString& folder) override {
      return m_fs.GetCurrentDirectoryA(bufferLength, folder);
    }
    BOOL SetCurrentDirectoryA(const CString& folder) override { return m_fs.SetCurrentDirectoryA(folder); }
    UINT GetWindowsDirectoryA(CString& folder) override { return m_fs.GetWindowsDirectoryA(folder); }
    DWORD GetFullPathNameA(const CString& path, CString& full) override {
      return m_fs.GetFullPathNameA(path, full);
    }
    DWORD GetLongPathNameA(const CString& path, CString& longPath) override {
      return m_fs.GetLongPathNameA(path, longPath);
    }
    DWORD GetFinalPathNameByHandleA(INT_PTR entry, CString& path) override {
      return m_fs.GetFinalPathNameByHandleA(entry, path);
    }
    DWORD GetLastError() override { return m_fs.GetLastError(); }
    void SetLastError(DWORD code) override { m_fs.SetLastError(code); }
    CString FormatMessageA(DWORD code) override { return m_fs.FormatMessageA(code); }
    std::unique_ptr<IFileStream> OpenFile(const CString& path, FileOpenMode mode) override {
      return m_fs.OpenFile(path, mode);
    }
    BOOL GetHandleSecurity(INT_PTR entry, EntrySecurity& security) override {
      return m_fs.GetHandleSecurity(entry, security);
    }
    BOOL GetHandleLinkCount(INT_PTR entry, DWORD& links) override {
      return m_fs.GetHandleLinkCount(entry, links);
    }
    BOOL GetHandleVolumeFlags(INT_PTR entry, DWORD& flags) override {
      return m_fs.GetHandleVolumeFlags(entry, flags);
    }
    INT_PTR OpenFolderAt(INT_PTR folder, const CString& name) override {
      const std::string path = PathOf(folder) + "\\" + name.str();
      m_owner.m_log.push_back("OpenFolderAt " + path);
      return Remember(m_fs.OpenFolderAt(folder, name), path);
    }
    INT_PTR CreateFolderAt(INT_PTR folder, const CString& name, const char* sddl) override {
      const std::string path = PathOf(folder) + "\\" + name.str();
      m_owner.m_log.push_back("CreateFolderAt " + path);
      return Remember(m_fs.CreateFolderAt(folder, name, sddl), path);
    }
    INT_PTR CreateFileAt(INT_PTR folder, const CString& name) override {
      const std::string path = PathOf(folder) + "\\" + name.str();
      m_owner.m_log.push_back("CreateFileAt " + path);
      return Remember(m_fs.CreateFileAt(folder, name), path);
    }
    BOOL WriteByHandle(INT_PTR entry, const char* data, std::size_t n) override {
      return m_fs.WriteByHandle(entry, data, n);
    }
    BOOL SetHandleAttributes(INT_PTR entry, DWORD attributes) override {
      return m_fs.SetHandleAttributes(entry, attributes);
    }
    BOOL RenameByHandle(INT_PTR entry, INT_PTR folder, const CString& name, BOOL replace) override {
      m_owner.m_log.push_back("RenameByHandle " + PathOf(entry) + " " + PathOf(folder) + "\\" + name.str());
      return m_fs.RenameByHandle(entry, folder, name, replace);
    }
    bool RunsUnderWine() override { return m_owner.m_handlesFollowLinks || m_fs.RunsUnderWine(); }

    int OpenSearches() const { return static_cast<int>(m_searches.size()); }

   private:
    struct Search {
      INT_PTR inner = -1;
      std::vector<FindData> extra;
    };
    static bool NextExtra(Search& s, FindData& entry) {
      if (s.extra.empty()) return false;
      entry = s.extra.front();
      s.extra.erase(s.extra.begin());
      return true;
    }

    INT_PTR Remember(INT_PTR handle, std::string path) {
      if (handle != -1) m_paths[handle] = std::move(path);
      return handle;
    }
    std::string PathOf(INT_PTR handle) const {
      auto it = m_paths.find(handle);
      return it == m_paths.end() ? std::string("?") : it->second;
    }

    RecordingPlatform& m_owner;
    MemoryFileSystem& m_fs;
    std::map<INT_PTR, Search> m_searches;
    INT_PTR m_next = 1;
    std::map<INT_PTR, std::string> m_paths;  // what each open handle was opened as
  };

  class RecordingRegistry final : public IRegistry {
   public:
    explicit RecordingRegistry(RecordingPlatform& owner) : m_owner(owner), m_reg(owner.m_inner.Registry()) {}
    LONG RegCreateKeyExA(HKEY root, const CString& subKey, DWORD options, DWORD access, HKEY* result,
                         DWORD* disposition) override {
      return m_reg.RegCreateKeyExA(root, subKey, options, access, result, disposition);
    }
    LONG RegSetValueExA(HKEY key, const CString& valueName, DWORD type, const BYTE* data,
                        DWORD byteCount) override {
      m_owner.m_log.push_back("RegSetValueExA " + valueName.str());
      return m_reg.RegSetValueExA(key, valueName, type, data, byteCount);
    }
    LONG RegDeleteKeyA(HKEY key, const CString& subKey) override {
      m_owner.m_log.push_back("RegDeleteKeyA " + subKey.str());
      return m_reg.RegDeleteKeyA(key, subKey);
    }
    LONG RegCloseKey(HKEY key) override { return m_reg.RegCloseKey(key); }

   private:
    RecordingPlatform& m_owner;
    MemoryRegistry& m_reg;
  };

 public:
  int OpenSearches() const { return m_files.OpenSearches(); }

 private:
  MemoryPlatform& m_inner;
  std::map<std::string, std::vector<FindData>> m_extra;
  std::vector<std::string> m_virtual;
  std::map<std::string, DWORD> m_failures;
  bool m_handlesFollowLinks = false;
  std::map<std::string, std::string> m_fileLinks;
  std::map<std::string, std::function<void()>> m_beforeOpening;
  std::vector<std::string> m_log;
  RecordingFiles m_files;
  RecordingRegistry m_registry;
};

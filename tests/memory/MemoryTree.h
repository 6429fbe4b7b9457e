// The state behind the in-memory file system and drives: a drive table, one
// folder tree per drive, the current folder, open searches and the list of
// what to do at the next restart. Every operation returns 0 or the system
// error code of its failure; the service classes put the code where the
// caller expects it (GetLastError, an HRESULT ...).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"
#include "tests/memory/MemoryPath.h"

namespace mem {

// The attribute bits a file or folder keeps; FILE_ATTRIBUTE_DIRECTORY is
// implied by being a folder, FILE_ATTRIBUTE_NORMAL by having none.
constexpr DWORD kStoredAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

struct FsNode {
  std::string name;  // as it was created
  std::string key;   // its key in the parent's children (FoldName of name, see Attach)
  bool folder = false;
  // A folder link (junction or symbolic link to a folder): a folder of its
  // own that shows the target's content. Weak, so that a link inside its
  // own target makes no cycle; a target removed leaves the link dangling.
  bool link = false;
  std::weak_ptr<FsNode> linkTarget;
  // A name without an exact Shift-JIS form, held as the system's narrowing
  // gives it: '?' where such a character stands. No path can name it.
  bool unnarrowable = false;
  // Its short (8.3) name, a second spelling a path may use; empty for none.
  std::string shortName;
  // The null device: reads nothing, takes every byte written and keeps none.
  bool nullDevice = false;
  DWORD attributes = 0;  // kStoredAttributes bits only
  std::string data;
  std::map<std::string, std::shared_ptr<FsNode>> children;  // by FoldName
  FsNode* parent = nullptr;                                 // null for a root or a removed node
  char drive = 0;
  bool attached = true;  // false once removed from its folder
  int readers = 0;       // open streams
  int writers = 0;
  bool watched = false;  // a canary folder: every access below it is recorded (FileTree::Watch)
  bool locked = false;   // held open by someone else without sharing
  int pins = 0;
  std::uint64_t id = 0;  // its number on the volume, never used again
  // Its owner and access list; none set: an administrators' folder or file,
  // as Program Files has them (see FileTree::SecurityOf).
  std::optional<EntrySecurity> security;
  DWORD links = 1;  // its names: more than 1 for a file with hard links

  // The attributes as GetFileAttributesA reports them.
  DWORD ReportedAttributes() const;
};

struct DriveInfo {
  UINT type = DRIVE_FIXED;
  std::string label;
  bool medium = true;
  std::optional<std::uint64_t> capacity;  // bytes of file data the drive holds at most
  std::uint64_t used = 0;
  std::shared_ptr<FsNode> root;
  // A letter mapped onto a folder of another drive (subst, a mapped drive):
  // root is that folder, and its entries keep their own drive.
  bool alias = false;
  // What GetVolumeInformationByHandleW reports; none set: a fixed or
  // removable drive keeps access lists (FILE_PERSISTENT_ACLS), a CD does not.
  std::optional<DWORD> fileSystemFlags;
};

// One request made with MoveFileExA(..., MOVEFILE_DELAY_UNTIL_REBOOT).
struct RestartEntry {
  CString path;                    // full path
  std::optional<CString> newName;  // none: delete
  DWORD flags = 0;
};

class FileTree {
 public:
  FileTree();

  // ----- drives
  bool AddDrive(char letter, UINT type, std::string label, bool medium);
  DriveInfo* FindDrive(char letter);
  const DriveInfo* FindDrive(char letter) const;

  // ----- paths
  ResolvedPath Resolve(std::string_view path, bool pattern) const;
  struct Located {
    DriveInfo* drive = nullptr;
    std::shared_ptr<FsNode> parent;  // the folder that holds the leaf (null for a root)
    std::shared_ptr<FsNode> node;    // the entry itself, null when missing
    DWORD error = 0;                 // the drive or a folder on the way is missing
    bool fileAsFolder = false;       // the leaf's folder is a file (error is ERROR_PATH_NOT_FOUND)
    std::string device;              // the DOS device the path names (then nothing else is set)
  };
  Located Locate(const FullPath& path);
  // Resolve and Locate in one; error set when either fails.
  Located Find(std::string_view path, bool pattern = false);
  const FullPath& Current() const { return m_current; }

  // ----- the operations
  DWORD CreateFolder(std::string_view path);
  DWORD CopyFile(std::string_view source, std::string_view destination, bool failIfExists);
  DWORD GetAttributes(std::string_view path, DWORD& attributes);
  DWORD SetAttributes(std::string_view path, DWORD attributes);
  DWORD DeleteFile(std::string_view path);
  DWORD RemoveFolder(std::string_view path);
  DWORD Move(std::string_view existing, std::string_view newName, DWORD flags);
  DWORD ScheduleAtRestart(std::string_view existing, const std::string* newName, DWORD flags);
  DWORD SetCurrent(std::string_view path);
  // The null device opens as a file of its own that reads nothing and keeps
  // nothing written; the other devices are not present.
  DWORD OpenForRead(std::string_view path, std::shared_ptr<FsNode>& node);
  // Creates or truncates, as CREATE_ALWAYS.
  DWORD OpenForWrite(std::string_view path, std::shared_ptr<FsNode>& node);
  // Writes n bytes at pos (a file shorter than pos is padded with zeros);
  // on a full disk writes what fits and returns ERROR_DISK_FULL.
  DWORD WriteAt(FsNode& node, std::size_t pos, const char* data, std::size_t n, std::size_t& written);
  // Creates or replaces a whole file, as CREATE_ALWAYS and one write.
  DWORD WriteWholeFile(std::string_view path, std::string_view bytes);

  // ----- searches
  DWORD FindFirst(std::string_view pattern, INT_PTR& handle, FindData& entry);
  DWORD FindNext(INT_PTR handle, FindData& entry);
  DWORD FindClose(INT_PTR handle);
  int OpenSearches() const { return static_cast<int>(m_searches.size()); }
  // The pattern a search was started with (empty for a bad handle).
  std::string PatternOf(INT_PTR handle) const;

  // ----- entries by handle (IFileSystem's handle calls); ids from the same
  // counter as searches. A handle holds its entry itself, not a path: what
  // is renamed or replaced after the open does not change what it reaches.
  DWORD OpenFolderHandle(std::string_view path, INT_PTR& handle);
  // followLink: the handle of a folder link is its target's, as Wine gives
  // it whatever the open asks (RunsUnderWine).
  DWORD OpenEntryAt(INT_PTR folder, std::string_view name, bool followLink, INT_PTR& handle);
  DWORD HandleAttributes(INT_PTR handle, DWORD& attributes) const;
  DWORD HandleFileId(INT_PTR handle, std::uint64_t& fileId) const;
  // A snapshot of the folder's entries, in the order a search gives them.
  DWORD ListHandle(INT_PTR folder, std::vector<FolderEntry>& entries) const;
  // The entry leaves its folder at once (the walk closes the handle next).
  DWORD DeleteByHandle(INT_PTR handle);
  DWORD CloseEntryHandle(INT_PTR handle);
  DWORD HandleSecurity(INT_PTR handle, EntrySecurity& security) const;
  DWORD HandleLinkCount(INT_PTR handle, DWORD& links) const;
  DWORD HandleVolumeFlags(INT_PTR handle, DWORD& flags) const;
  // The subfolder as itself, held without delete sharing.
  DWORD OpenFolderAt(INT_PTR folder, std::string_view name, bool followLink, INT_PTR& handle);
  // A new subfolder with the given owner and access list (none: inherited,
  // which is reported as the default), held as OpenFolderAt holds.
  DWORD CreateFolderAt(INT_PTR folder, std::string_view name, const std::optional<EntrySecurity>& security,
                       INT_PTR& handle);
  // A new empty file open for writing: no one else may open it meanwhile.
  DWORD CreateFileAt(INT_PTR folder, std::string_view name, INT_PTR& handle);
  DWORD WriteByHandle(INT_PTR handle, const char* data, std::size_t n);
  DWORD SetHandleAttributes(INT_PTR handle, DWORD attributes);
  DWORD RenameByHandle(INT_PTR handle, INT_PTR folder, std::string_view name, bool replace);
  // The security an entry reports: its own, or the administrators' default.
  static EntrySecurity SecurityOf(const FsNode& node);
  // "\\?\" and the entry's path from its own drive's root, long names.
  DWORD FinalPath(INT_PTR handle, std::string& path) const;
  // The path made full as the system's normaliser makes it (nothing is looked up).
  DWORD FullPathName(std::string_view path, std::string& full) const;
  // The existing path with each name as the entry was created (short names
  // made long), links on the way left as they are.
  DWORD LongPathName(std::string_view path, std::string& longPath) const;
  int OpenEntryHandles() const { return static_cast<int>(m_entryHandles.size()); }
  // The full path of the entry a handle holds, as it is now (for fault rules
  // and messages; never used to reach the entry). Empty for a bad handle.
  std::string HandlePath(INT_PTR handle) const;
  // The file an entry handle is open on, whatever became of its name.
  std::shared_ptr<const FsNode> HandleNode(INT_PTR handle) const;

  // ----- set-up and inspection: no read-only media, attribute or sharing
  // rules apply, missing parent folders are created.
  bool AddFolder(std::string_view path, DWORD attributes);
  // The empty folder at path made a link to target where it stands, as
  // FSCTL_SET_REPARSE_POINT makes it (a handle held on it stays open).
  DWORD MakeLinkInPlace(std::string_view path, std::string_view target);
  // A folder link at path to the existing folder target (see FsNode::link).
  bool AddLink(std::string_view path, std::string_view target);
  // An entry whose name has no exact Shift-JIS form: the last component of
  // path is its narrowed form, with '?' where those characters stand.
  bool AddUnnarrowable(std::string_view path, bool folder);
  // From now on every access to an entry below the existing folder at path,
  // and every listing of it, is recorded in Touches (opening the folder
  // itself is not). False when there is no such folder.
  bool Watch(std::string_view folder);
  const std::vector<std::string>& Touches() const { return m_touches; }
  // An entry named exactly name in the existing folder, a name no path
  // reaches ("evil." with its dot, "nul.txt" as a file): as a program that
  // creates entries through "\\?\" paths leaves them.
  bool AddRawEntry(std::string_view folder, std::string_view name, bool isFolder);
  // A short name for the existing entry at path.
  bool AddShortName(std::string_view path, std::string_view shortName);
  // The drive letter as another name for the existing folder target.
  bool AddDriveAlias(char letter, std::string_view target);
  bool AddFile(std::string_view path, std::string_view bytes, DWORD attributes);
  bool SetLocked(std::string_view path, bool locked);
  bool ForceCurrent(std::string_view path);
  std::shared_ptr<FsNode> Lookup(std::string_view path) const;
  const std::vector<RestartEntry>& RestartList() const { return m_restart; }
  // Carries out the restart list in order: files are deleted whatever their
  // attributes, folders only when empty, renames replace only when asked to.
  // Locks (held by processes) are dropped.
  void CarryOutRestart();
  std::string Dump() const;

  int openStreams = 0;

 private:
  struct SearchEntry {
    std::string key;  // the entry's key, "." / "..", or a device's name
    bool dots = false;
    bool device = false;
  };
  struct Search {
    std::weak_ptr<FsNode> folder;
    std::vector<SearchEntry> entries;
    std::size_t next = 0;
    std::string pattern;
  };

  std::shared_ptr<FsNode> NewNode(std::string name, bool folder, char drive);
  DWORD OpenDevice(const std::string& device, char drive, std::shared_ptr<FsNode>& node);
  void Attach(const std::shared_ptr<FsNode>& parent, const std::shared_ptr<FsNode>& node);
  void Detach(FsNode& node);
  DWORD ResizeData(FsNode& node, std::string newData);
  bool IsCurrentFolder(const FullPath& path) const;
  bool NextEntry(Search& search, FindData& entry);
  std::shared_ptr<FsNode> MakeFolders(const FullPath& path);
  void Unlock(FsNode& node);
  // The folder whose content a folder shows: itself, or a link's target
  // (null when the target is gone).
  static std::shared_ptr<FsNode> Content(const std::shared_ptr<FsNode>& folder);
  static FullPath FullPathOf(const FsNode& node);
  std::string PathOf(const FsNode& node) const;
  void DumpNode(const FsNode& node, const std::string& indent, std::string& out) const;
  // Records an access to what is in folder when it is a watched folder or
  // lies in one.
  void NoteAccess(const FsNode* folder, std::string_view what) const;
  // The entry name of the open folder, as OpenEntryAt and OpenFolderAt
  // reach it (a link's target when followLink).
  DWORD ChildAt(INT_PTR folder, std::string_view name, bool followLink, std::shared_ptr<FsNode>& node);
  // A new entry name in the open folder (CreateFolderAt, CreateFileAt).
  DWORD CreateAt(INT_PTR folder, std::string_view name, bool isFolder, std::shared_ptr<FsNode>& created);
  // The child of folder named name, by its name or its short name.
  static std::shared_ptr<FsNode> Child(const FsNode& folder, std::string_view name);

  std::map<char, DriveInfo> m_drives;
  FullPath m_current;
  std::map<INT_PTR, Search> m_searches;
  struct EntryHandle {
    std::shared_ptr<FsNode> node;
    bool pinning = false;  // a folder handle without delete sharing (and without delete access)
    bool writing = false;  // a file created through it, written at pos
    std::size_t pos = 0;
  };
  std::map<INT_PTR, EntryHandle> m_entryHandles;
  INT_PTR m_nextHandle = 0x100;
  unsigned m_nextUnnarrowable = 0;
  std::uint64_t m_nextId = 1;
  std::vector<RestartEntry> m_restart;
  mutable std::vector<std::string> m_touches;
};

}  // namespace mem

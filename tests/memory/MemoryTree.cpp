#include "tests/memory/MemoryTree.h"

#include <cstdio>

#include "tests/memory/MemoryCodePage.h"

namespace mem {

namespace {

bool IsReadOnlyMedia(const DriveInfo& drive) { return drive.type == DRIVE_CDROM; }

unsigned SearchBits(const FsNode& node) {
  return static_cast<unsigned>(node.attributes & kStoredAttributes) | (node.folder ? A_SUBDIR : 0u) |
         (node.link ? A_REPARSE : 0u);
}

// The DOS device a resolved path names by its last component (empty: none).
std::string DeviceOf(const FullPath& path) { return path.IsRoot() ? std::string() : DeviceName(path.Leaf()); }

bool IsNullDevice(std::string_view device) { return FoldName(device) == "NUL"; }

bool IsInside(const FullPath& inner, const FullPath& outer) {
  if (inner.drive != outer.drive || inner.parts.size() < outer.parts.size()) return false;
  for (std::size_t i = 0; i < outer.parts.size(); ++i) {
    if (FoldName(inner.parts[i]) != FoldName(outer.parts[i])) return false;
  }
  return true;
}

std::string AttributeLetters(DWORD a, bool folder, bool link) {
  std::string s;
  s += link ? 'L' : folder ? 'D' : '-';
  s += (a & FILE_ATTRIBUTE_READONLY) ? 'R' : '-';
  s += (a & FILE_ATTRIBUTE_HIDDEN) ? 'H' : '-';
  s += (a & FILE_ATTRIBUTE_SYSTEM) ? 'S' : '-';
  s += (a & FILE_ATTRIBUTE_ARCHIVE) ? 'A' : '-';
  return s;
}

}  // namespace

void FileTree::DumpNode(const FsNode& node, const std::string& indent, std::string& out) const {
  for (const auto& [key, child] : node.children) {
    out += indent + AttributeLetters(child->attributes, child->folder, child->link) + " " +
           Cp932ToReadable(child->name);
    if (child->unnarrowable) out += " [no exact Shift-JIS name]";
    if (child->link) {
      const std::shared_ptr<FsNode> target = child->linkTarget.lock();
      out += " -> " +
             (target && target->attached ? Cp932ToReadable(PathOf(*target)) : std::string("(target gone)"));
    }
    if (!child->folder) {
      out += "  (" + std::to_string(child->data.size()) + " bytes";
      if (!child->data.empty()) {
        const std::size_t shown = std::min<std::size_t>(child->data.size(), 48);
        out += ": \"" + Cp932ToReadable(std::string_view(child->data).substr(0, shown)) +
               (shown < child->data.size() ? "\"..." : "\"");
      }
      out += ")";
    }
    if (child->locked) out += " [locked]";
    if (child->readers + child->writers > 0) {
      out += " [open: " + std::to_string(child->readers) + " read, " + std::to_string(child->writers) +
             " write]";
    }
    out += "\n";
    if (child->folder && !child->link) DumpNode(*child, indent + "  ", out);
  }
}

namespace {

const char* DriveTypeName(UINT type) {
  switch (type) {
    case DRIVE_REMOVABLE: return "removable";
    case DRIVE_FIXED: return "fixed";
    case DRIVE_REMOTE: return "remote";
    case DRIVE_CDROM: return "cdrom";
    case DRIVE_RAMDISK: return "ramdisk";
    default: return "unknown";
  }
}

}  // namespace

DWORD FsNode::ReportedAttributes() const {
  const DWORD bits = attributes & kStoredAttributes;
  if (nullDevice) return FILE_ATTRIBUTE_ARCHIVE;
  if (link) return bits | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  if (folder) return bits | FILE_ATTRIBUTE_DIRECTORY;
  return bits == 0 ? FILE_ATTRIBUTE_NORMAL : bits;
}

FileTree::FileTree() { m_current.drive = 'C'; }

// ---------------------------------------------------------------- drives

bool FileTree::AddDrive(char letter, UINT type, std::string label, bool medium) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z' || m_drives.count(letter) != 0 || type == DRIVE_NO_ROOT_DIR) {
    return false;
  }
  DriveInfo drive;
  drive.type = type;
  drive.label = std::move(label);
  drive.medium = medium;
  drive.root = NewNode(std::string(1, letter) + ":", true, letter);
  m_drives.emplace(letter, std::move(drive));
  return true;
}

DriveInfo* FileTree::FindDrive(char letter) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  auto it = m_drives.find(letter);
  return it == m_drives.end() ? nullptr : &it->second;
}

const DriveInfo* FileTree::FindDrive(char letter) const {
  return const_cast<FileTree*>(this)->FindDrive(letter);
}

// ---------------------------------------------------------------- nodes

std::shared_ptr<FsNode> FileTree::NewNode(std::string name, bool folder, char drive) {
  auto node = std::make_shared<FsNode>();
  node->name = std::move(name);
  node->folder = folder;
  node->drive = drive;
  node->id = m_nextId++;
  return node;
}

void FileTree::Attach(const std::shared_ptr<FsNode>& parent, const std::shared_ptr<FsNode>& node) {
  node->parent = parent.get();
  node->attached = true;
  node->drive = parent->drive;
  // Names without an exact form may share their narrowed form ("x?a" for
  // both x¥a and xéa): each keeps a key of its own, which no path can name.
  node->key = FoldName(node->name);
  if (node->unnarrowable) node->key += '\x01' + std::to_string(m_nextUnnarrowable++);
  parent->children[node->key] = node;
  if (DriveInfo* drive = FindDrive(node->drive); drive && !node->folder) drive->used += node->data.size();
}

void FileTree::Detach(FsNode& node) {
  if (!node.attached || node.parent == nullptr) return;
  if (DriveInfo* drive = FindDrive(node.drive); drive && !node.folder) drive->used -= node.data.size();
  FsNode* parent = node.parent;
  node.attached = false;
  node.parent = nullptr;
  const std::string key = node.key;  // the node's own key may go with it
  parent->children.erase(key);       // may release the node: touch nothing after
}

DWORD FileTree::ResizeData(FsNode& node, std::string newData) {
  DriveInfo* drive = node.attached ? FindDrive(node.drive) : nullptr;
  if (drive) {
    const std::uint64_t after = drive->used - node.data.size() + newData.size();
    if (drive->capacity && newData.size() > node.data.size() && after > *drive->capacity) {
      return ERROR_DISK_FULL;
    }
    drive->used = after;
  }
  node.data = std::move(newData);
  return 0;
}

std::shared_ptr<FsNode> FileTree::Content(const std::shared_ptr<FsNode>& folder) {
  if (!folder || !folder->link) return folder;
  std::shared_ptr<FsNode> target = folder->linkTarget.lock();
  return target && target->attached ? target : nullptr;
}

FullPath FileTree::FullPathOf(const FsNode& node) {
  FullPath path;
  path.drive = node.drive;
  for (const FsNode* at = &node; at != nullptr && at->parent != nullptr; at = at->parent) {
    path.parts.insert(path.parts.begin(), at->name);
  }
  return path;
}

std::string FileTree::PathOf(const FsNode& node) const { return FullPathOf(node).Text(); }

// ---------------------------------------------------------------- paths

ResolvedPath FileTree::Resolve(std::string_view path, bool pattern) const {
  return ResolvePath(path, m_current, pattern);
}

FileTree::Located FileTree::Locate(const FullPath& path) {
  Located result;
  result.drive = FindDrive(path.drive);
  if (result.drive == nullptr) {
    result.error = ERROR_PATH_NOT_FOUND;
    return result;
  }
  if (!result.drive->medium) {
    result.error = ERROR_NOT_READY;
    return result;
  }
  std::shared_ptr<FsNode> folder = result.drive->root;
  if (path.IsRoot()) {
    result.node = folder;
    return result;
  }
  for (std::size_t i = 0; i + 1 < path.parts.size(); ++i) {
    const std::shared_ptr<FsNode> child = Child(*folder, path.parts[i]);
    // A link on the way leads into its target's content.
    folder = !child || !child->folder ? nullptr : Content(child);
    if (!folder) {
      result.error = ERROR_PATH_NOT_FOUND;
      result.fileAsFolder = child && !child->folder && i + 2 == path.parts.size();
      return result;
    }
  }
  result.parent = folder;
  result.node = Child(*folder, path.Leaf());
  NoteAccess(folder.get(), path.Text());
  return result;
}

void FileTree::NoteAccess(const FsNode* folder, std::string_view what) const {
  for (const FsNode* at = folder; at != nullptr; at = at->parent) {
    if (at->watched) {
      m_touches.emplace_back(what);
      return;
    }
  }
}

bool FileTree::Watch(std::string_view folder) {
  const std::shared_ptr<FsNode> node = Content(Lookup(folder));
  if (!node || !node->folder) return false;
  node->watched = true;
  return true;
}

std::shared_ptr<FsNode> FileTree::Child(const FsNode& folder, std::string_view name) {
  const std::string key = FoldName(name);
  if (auto it = folder.children.find(key); it != folder.children.end()) return it->second;
  for (const auto& [childKey, child] : folder.children) {
    if (!child->shortName.empty() && FoldName(child->shortName) == key) return child;
  }
  return nullptr;
}

FileTree::Located FileTree::Find(std::string_view path, bool pattern) {
  const ResolvedPath resolved = Resolve(path, pattern);
  if (resolved.error != 0) {
    Located failed;
    failed.error = resolved.error;
    return failed;
  }
  if (std::string device = DeviceOf(resolved.path); !device.empty()) {
    // A device is what the path names, whatever folder it is written in.
    Located named;
    named.drive = FindDrive(resolved.path.drive);
    named.device = std::move(device);
    return named;
  }
  Located found = Locate(resolved.path);
  // A trailing separator names a folder: a file cannot be reached that way.
  if (found.error == 0 && resolved.trailingSeparator && found.node && !found.node->folder) {
    found.error = ERROR_INVALID_NAME;
  }
  return found;
}

bool FileTree::IsCurrentFolder(const FullPath& path) const { return IsInside(m_current, path); }

// ---------------------------------------------------------------- operations

DWORD FileTree::CreateFolder(std::string_view path) {
  const ResolvedPath resolved = Resolve(path, false);
  if (resolved.error != 0) return resolved.error;
  if (!DeviceOf(resolved.path).empty()) return ERROR_DIRECTORY;  // a device is no folder
  Located at = Locate(resolved.path);
  if (at.error != 0) return at.error;
  if (at.node) return ERROR_ALREADY_EXISTS;
  if (IsReadOnlyMedia(*at.drive)) return ERROR_ACCESS_DENIED;
  Attach(at.parent, NewNode(resolved.path.Leaf(), true, resolved.path.drive));
  return 0;
}

DWORD FileTree::CopyFile(std::string_view source, std::string_view destination, bool failIfExists) {
  Located from = Find(source);
  if (from.error != 0) return from.error;
  if (!from.device.empty()) return ERROR_INVALID_PARAMETER;  // a device has no size to copy
  if (!from.node) return ERROR_FILE_NOT_FOUND;
  if (from.node->folder) return ERROR_ACCESS_DENIED;
  if (from.node->locked) return ERROR_SHARING_VIOLATION;

  const ResolvedPath to = Resolve(destination, false);
  if (to.error != 0) return to.error;
  if (const std::string device = DeviceOf(to.path); !device.empty()) {
    // Copied into the null device: written nowhere, and nothing appears.
    return IsNullDevice(device) ? 0 : ERROR_FILE_NOT_FOUND;
  }
  Located at = Locate(to.path);
  if (at.error != 0) return at.error;
  if (to.path.IsRoot()) return ERROR_ACCESS_DENIED;
  if (at.node) {
    if (at.node->folder) return ERROR_ACCESS_DENIED;
    if (at.node == from.node) return ERROR_SHARING_VIOLATION;
    if (failIfExists) return ERROR_FILE_EXISTS;
    if (IsReadOnlyMedia(*at.drive)) return ERROR_ACCESS_DENIED;
    if (at.node->attributes & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
    // The copy takes the source's attributes: a hidden file is replaced only
    // by a hidden one.
    if ((at.node->attributes & ~from.node->attributes & FILE_ATTRIBUTE_HIDDEN) != 0)
      return ERROR_ACCESS_DENIED;
    if (at.node->locked || at.node->readers + at.node->writers > 0) return ERROR_SHARING_VIOLATION;
  } else if (IsReadOnlyMedia(*at.drive)) {
    return ERROR_ACCESS_DENIED;
  }
  if (to.trailingSeparator) return ERROR_INVALID_NAME;

  const std::uint64_t replaced = at.node ? at.node->data.size() : 0;
  if (at.drive->capacity && at.drive->used - replaced + from.node->data.size() > *at.drive->capacity) {
    // The system removes a destination it could not fill.
    if (at.node) Detach(*at.node);
    return ERROR_DISK_FULL;
  }
  std::string bytes = from.node->data;  // copy first: source and destination may share storage
  const DWORD attributes = (from.node->attributes & kStoredAttributes) | FILE_ATTRIBUTE_ARCHIVE;
  if (at.node) {
    if (DWORD error = ResizeData(*at.node, std::move(bytes)); error != 0) return error;
    at.node->attributes = attributes;
  } else {
    auto node = NewNode(to.path.Leaf(), false, to.path.drive);
    node->data = std::move(bytes);
    node->attributes = attributes;
    Attach(at.parent, node);
  }
  return 0;
}

DWORD FileTree::GetAttributes(std::string_view path, DWORD& attributes) {
  Located at = Find(path);
  if (at.error != 0) return at.error;
  if (!at.device.empty()) {
    attributes = FILE_ATTRIBUTE_ARCHIVE;  // as the system reports a device
    return 0;
  }
  if (!at.node) return ERROR_FILE_NOT_FOUND;
  attributes = at.node->ReportedAttributes();
  return 0;
}

DWORD FileTree::SetAttributes(std::string_view path, DWORD attributes) {
  Located at = Find(path);
  if (at.error != 0) return at.error;
  if (!at.device.empty()) return 0;  // accepted, and nothing keeps them
  if (!at.node) return ERROR_FILE_NOT_FOUND;
  if (IsReadOnlyMedia(*at.drive)) return ERROR_ACCESS_DENIED;
  at.node->attributes = attributes & kStoredAttributes;
  return 0;
}

DWORD FileTree::DeleteFile(std::string_view path) {
  Located at = Find(path);
  if (at.error != 0) return at.error;
  if (!at.device.empty()) return ERROR_INVALID_PARAMETER;  // a device cannot be deleted
  if (!at.node) return ERROR_FILE_NOT_FOUND;
  if (at.node->folder) return ERROR_ACCESS_DENIED;
  if (IsReadOnlyMedia(*at.drive)) return ERROR_ACCESS_DENIED;
  if (at.node->attributes & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
  if (at.node->locked || at.node->writers > 0) return ERROR_SHARING_VIOLATION;
  Detach(*at.node);
  return 0;
}

DWORD FileTree::RemoveFolder(std::string_view path) {
  const ResolvedPath resolved = Resolve(path, false);
  if (resolved.error != 0) return resolved.error;
  if (!DeviceOf(resolved.path).empty()) return ERROR_DIRECTORY;
  Located at = Locate(resolved.path);
  if (at.error != 0) return at.error;
  if (!at.node) return ERROR_FILE_NOT_FOUND;
  if (!at.node->folder) return ERROR_DIRECTORY;
  if (resolved.path.IsRoot()) return ERROR_ACCESS_DENIED;
  if (IsReadOnlyMedia(*at.drive)) return ERROR_ACCESS_DENIED;
  if (at.node->pins > 0) return ERROR_SHARING_VIOLATION;
  // A link goes alone, whatever its target holds (the target keeps it all).
  if (!at.node->link && !at.node->children.empty()) return ERROR_DIR_NOT_EMPTY;
  if (at.node->attributes & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
  // The process holds its current folder open.
  if (IsCurrentFolder(resolved.path)) return ERROR_SHARING_VIOLATION;
  Detach(*at.node);
  return 0;
}

DWORD FileTree::Move(std::string_view existing, std::string_view newName, DWORD flags) {
  const ResolvedPath fromPath = Resolve(existing, false);
  if (fromPath.error != 0) return fromPath.error;
  if (!DeviceOf(fromPath.path).empty()) return ERROR_ACCESS_DENIED;
  Located from = Locate(fromPath.path);
  if (from.error != 0) return from.error;
  if (!from.node) return ERROR_FILE_NOT_FOUND;
  if (fromPath.path.IsRoot()) return ERROR_ACCESS_DENIED;

  const ResolvedPath toPath = Resolve(newName, false);
  if (toPath.error != 0) return toPath.error;
  if (!DeviceOf(toPath.path).empty()) return ERROR_ACCESS_DENIED;  // a file never becomes a device
  if (toPath.path.drive != fromPath.path.drive) return ERROR_NOT_SAME_DEVICE_CODE;
  Located to = Locate(toPath.path);
  if (to.error != 0) return to.error;
  if (toPath.path.IsRoot() || IsInside(toPath.path, fromPath.path)) {
    if (to.node == from.node && FoldName(toPath.path.Text()) == FoldName(fromPath.path.Text())) {
      // Same entry: only the spelling of its name changes.
      from.node->name = toPath.path.Leaf();
      return 0;
    }
    return ERROR_ACCESS_DENIED;
  }
  if (IsReadOnlyMedia(*from.drive)) return ERROR_ACCESS_DENIED;
  if (from.node->locked || from.node->writers > 0 || from.node->pins > 0) return ERROR_SHARING_VIOLATION;
  if (from.node->folder && IsCurrentFolder(fromPath.path)) return ERROR_SHARING_VIOLATION;
  if (to.node) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) return ERROR_ALREADY_EXISTS;
    if (to.node->folder || from.node->folder) return ERROR_ACCESS_DENIED;
    if (to.node->attributes & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
    if (to.node->locked || to.node->readers + to.node->writers > 0) return ERROR_SHARING_VIOLATION;
    Detach(*to.node);
  }
  std::shared_ptr<FsNode> node = from.node;
  Detach(*node);
  node->name = toPath.path.Leaf();
  Attach(to.parent, node);
  return 0;
}

DWORD FileTree::ScheduleAtRestart(std::string_view existing, const std::string* newName, DWORD flags) {
  const ResolvedPath from = Resolve(existing, false);
  if (from.error != 0) return from.error;
  if (FindDrive(from.path.drive) == nullptr) return ERROR_PATH_NOT_FOUND;
  RestartEntry entry;
  entry.path = from.path.Text();
  entry.flags = flags;
  if (newName != nullptr) {
    const ResolvedPath to = Resolve(*newName, false);
    if (to.error != 0) return to.error;
    entry.newName = CString(to.path.Text());
  }
  m_restart.push_back(std::move(entry));
  return 0;
}

DWORD FileTree::SetCurrent(std::string_view path) {
  const ResolvedPath resolved = Resolve(path, false);
  if (resolved.error != 0) return resolved.error;
  if (!DeviceOf(resolved.path).empty()) return ERROR_DIRECTORY;
  Located at = Locate(resolved.path);
  if (at.error != 0) return at.error;
  if (!at.node) return ERROR_FILE_NOT_FOUND;
  if (!at.node->folder) return ERROR_DIRECTORY;
  if (!Content(at.node)) return ERROR_PATH_NOT_FOUND;  // a link whose target is gone
  m_current = resolved.path;
  return 0;
}

DWORD FileTree::OpenDevice(const std::string& device, char drive, std::shared_ptr<FsNode>& node) {
  if (!IsNullDevice(device)) return ERROR_FILE_NOT_FOUND;  // no such device is present
  node = NewNode(device, false, drive);
  node->nullDevice = true;
  node->attached = false;  // in no folder, counted on no drive
  return 0;
}

DWORD FileTree::OpenForRead(std::string_view path, std::shared_ptr<FsNode>& node) {
  Located at = Find(path);
  if (at.error != 0) return at.error;
  if (!at.device.empty()) return OpenDevice(at.device, Current().drive, node);
  if (!at.node) return ERROR_FILE_NOT_FOUND;
  if (at.node->folder) return ERROR_ACCESS_DENIED;
  if (at.node->locked) return ERROR_SHARING_VIOLATION;
  node = at.node;
  return 0;
}

DWORD FileTree::OpenForWrite(std::string_view path, std::shared_ptr<FsNode>& node) {
  const ResolvedPath resolved = Resolve(path, false);
  if (resolved.error != 0) return resolved.error;
  if (const std::string device = DeviceOf(resolved.path); !device.empty()) {
    return OpenDevice(device, resolved.path.drive, node);
  }
  Located at = Locate(resolved.path);
  if (at.error != 0) return at.error;
  if (resolved.path.IsRoot()) return ERROR_ACCESS_DENIED;
  if (at.node) {
    if (at.node->folder) return ERROR_ACCESS_DENIED;
    if (IsReadOnlyMedia(*at.drive)) return ERROR_ACCESS_DENIED;
    if (at.node->attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)) return ERROR_ACCESS_DENIED;
    if (at.node->locked) return ERROR_SHARING_VIOLATION;
  } else if (IsReadOnlyMedia(*at.drive)) {
    return ERROR_ACCESS_DENIED;
  }
  if (resolved.trailingSeparator) return ERROR_INVALID_NAME;
  if (at.node) {
    if (DWORD error = ResizeData(*at.node, std::string()); error != 0) return error;
    at.node->attributes |= FILE_ATTRIBUTE_ARCHIVE;
    node = at.node;
  } else {
    node = NewNode(resolved.path.Leaf(), false, resolved.path.drive);
    node->attributes = FILE_ATTRIBUTE_ARCHIVE;
    Attach(at.parent, node);
  }
  return 0;
}

DWORD FileTree::WriteAt(FsNode& node, std::size_t pos, const char* data, std::size_t n,
                        std::size_t& written) {
  written = 0;
  if (node.nullDevice) {
    written = n;
    return 0;
  }
  std::string bytes = node.data;
  if (bytes.size() < pos) bytes.resize(pos, '\0');
  std::size_t fits = n;
  DriveInfo* drive = node.attached ? FindDrive(node.drive) : nullptr;
  if (drive && drive->capacity) {
    const std::uint64_t room =
        *drive->capacity > drive->used ? *drive->capacity - drive->used + node.data.size() : node.data.size();
    const std::uint64_t end = pos + n;
    if (end > room) {
      if (bytes.size() > room) return ERROR_DISK_FULL;  // not even the padding fits
      fits = room > pos ? static_cast<std::size_t>(room - pos) : 0;
    }
  }
  if (bytes.size() < pos + fits) bytes.resize(pos + fits);
  bytes.replace(pos, fits, data, fits);
  node.data.swap(bytes);
  if (drive) drive->used = drive->used - bytes.size() + node.data.size();
  written = fits;
  return fits == n ? 0 : ERROR_DISK_FULL;
}

DWORD FileTree::WriteWholeFile(std::string_view path, std::string_view bytes) {
  std::shared_ptr<FsNode> node;
  if (DWORD error = OpenForWrite(path, node); error != 0) return error;
  std::size_t written = 0;
  if (DWORD error = WriteAt(*node, 0, bytes.data(), bytes.size(), written); error != 0) {
    Detach(*node);  // as a failed copy: nothing half-written stays
    return error;
  }
  return 0;
}

// ---------------------------------------------------------------- handles

DWORD FileTree::OpenFolderHandle(std::string_view path, INT_PTR& handle) {
  Located at = Find(path);
  if (at.error != 0) return at.error;
  if (!at.device.empty()) return ERROR_DIRECTORY;
  if (!at.node) return ERROR_FILE_NOT_FOUND;
  if (!at.node->folder) return ERROR_DIRECTORY;
  // A link named by the path is followed, once: the handle holds its target.
  std::shared_ptr<FsNode> folder = Content(at.node);
  if (!folder) return ERROR_PATH_NOT_FOUND;
  ++folder->pins;
  handle = m_nextHandle++;
  m_entryHandles.emplace(handle, EntryHandle{std::move(folder), true});
  return 0;
}

DWORD FileTree::ChildAt(INT_PTR folder, std::string_view name, bool followLink,
                        std::shared_ptr<FsNode>& node) {
  auto it = m_entryHandles.find(folder);
  if (it == m_entryHandles.end()) return ERROR_INVALID_HANDLE;
  const std::shared_ptr<FsNode>& parent = it->second.node;
  if (!parent->folder) return ERROR_DIRECTORY;
  if (!IsSingleEntryName(name)) return ERROR_INVALID_NAME;
  // Relative to the folder itself: a link opened as itself shows nothing of
  // its target.
  NoteAccess(parent.get(), PathOf(*parent) + "\\" + std::string(name));
  auto child = parent->children.find(FoldName(name));
  if (child == parent->children.end()) return ERROR_FILE_NOT_FOUND;
  node = followLink && child->second->link ? child->second->linkTarget.lock() : child->second;
  return node ? 0 : ERROR_PATH_NOT_FOUND;
}

DWORD FileTree::OpenEntryAt(INT_PTR folder, std::string_view name, bool followLink, INT_PTR& handle) {
  std::shared_ptr<FsNode> node;
  if (const DWORD error = ChildAt(folder, name, followLink, node); error != 0) return error;
  // Delete access is refused while someone holds the entry without sharing it.
  if (node->locked || node->pins > 0) return ERROR_SHARING_VIOLATION;
  handle = m_nextHandle++;
  m_entryHandles.emplace(handle, EntryHandle{node, false});
  return 0;
}

std::shared_ptr<const FsNode> FileTree::HandleNode(INT_PTR handle) const {
  auto it = m_entryHandles.find(handle);
  return it == m_entryHandles.end() ? nullptr : it->second.node;
}

DWORD FileTree::HandleAttributes(INT_PTR handle, DWORD& attributes) const {
  auto it = m_entryHandles.find(handle);
  if (it == m_entryHandles.end()) return ERROR_INVALID_HANDLE;
  attributes = it->second.node->ReportedAttributes();
  return 0;
}

DWORD FileTree::HandleFileId(INT_PTR handle, std::uint64_t& fileId) const {
  auto it = m_entryHandles.find(handle);
  if (it == m_entryHandles.end()) return ERROR_INVALID_HANDLE;
  fileId = it->second.node->id;
  return 0;
}

DWORD FileTree::ListHandle(INT_PTR folder, std::vector<FolderEntry>& entries) const {
  auto it = m_entryHandles.find(folder);
  if (it == m_entryHandles.end()) return ERROR_INVALID_HANDLE;
  const FsNode& node = *it->second.node;
  if (!node.folder) return ERROR_DIRECTORY;
  NoteAccess(&node, "list " + PathOf(node));
  entries.clear();
  for (const auto& [key, child] : node.children) {
    entries.push_back({CString(child->name), child->ReportedAttributes(), child->id});
  }
  return 0;
}

DWORD FileTree::DeleteByHandle(INT_PTR handle) {
  auto it = m_entryHandles.find(handle);
  if (it == m_entryHandles.end()) return ERROR_INVALID_HANDLE;
  // A folder held without delete sharing was opened without delete access.
  if (it->second.pinning) return ERROR_ACCESS_DENIED;
  FsNode& node = *it->second.node;
  if (!node.attached || node.parent == nullptr) return ERROR_ACCESS_DENIED;
  const DriveInfo* drive = FindDrive(node.drive);
  if (drive != nullptr && IsReadOnlyMedia(*drive)) return ERROR_ACCESS_DENIED;
  if (node.attributes & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
  if (node.folder) {
    if (!node.link && !node.children.empty()) return ERROR_DIR_NOT_EMPTY;
    if (IsCurrentFolder(FullPathOf(node))) return ERROR_SHARING_VIOLATION;
  } else if (node.writers > (it->second.writing ? 1 : 0)) {
    return ERROR_SHARING_VIOLATION;
  }
  Detach(node);
  return 0;
}

std::string FileTree::HandlePath(INT_PTR handle) const {
  auto it = m_entryHandles.find(handle);
  return it == m_entryHandles.end() ? std::string() : PathOf(*it->second.node);
}

DWORD FileTree::FinalPath(INT_PTR handle, std::string& path) const {
  auto it = m_entryHandles.find(handle);
  if (it == m_entryHandles.end()) return ERROR_INVALID_HANDLE;
  const FsNode& node = *it->second.node;
  if (!node.attached) return ERROR_FILE_NOT_FOUND;
  for (const FsNode* at = &node; at != nullptr; at = at->parent) {
    if (at->unnarrowable) return ERROR_NO_UNICODE_TRANSLATION;
  }
  path = "\\\\?\\" + PathOf(node);
  return 0;
}

DWORD FileTree::FullPathName(std::string_view path, std::string& full) const {
  // Text only: a wildcard in the last name and a path longer than the
  // other calls take are made full all the same.
  const ResolvedPath resolved = Resolve(path, true);
  if (resolved.error != 0 && resolved.error != ERROR_FILENAME_EXCED_RANGE) return resolved.error;
  full = resolved.path.Text();
  return 0;
}

DWORD FileTree::LongPathName(std::string_view path, std::string& longPath) const {
  const ResolvedPath resolved = Resolve(path, false);
  if (resolved.error != 0) return resolved.error;
  const DriveInfo* drive = FindDrive(resolved.path.drive);
  if (drive == nullptr || !drive->medium) return ERROR_PATH_NOT_FOUND;
  FullPath result;
  result.drive = resolved.path.drive;
  std::shared_ptr<FsNode> folder = drive->root;
  for (const std::string& part : resolved.path.parts) {
    if (!folder || !folder->folder) return ERROR_PATH_NOT_FOUND;
    const std::shared_ptr<FsNode> child = Child(*folder, part);
    if (!child) return ERROR_FILE_NOT_FOUND;
    result.parts.push_back(child->name);
    folder = Content(child);
  }
  longPath = result.Text();
  return 0;
}

DWORD FileTree::CloseEntryHandle(INT_PTR handle) {
  auto it = m_entryHandles.find(handle);
  if (it == m_entryHandles.end()) return ERROR_INVALID_HANDLE;
  if (it->second.pinning) --it->second.node->pins;
  if (it->second.writing) --it->second.node->writers;
  m_entryHandles.erase(it);
  return 0;
}

EntrySecurity FileTree::SecurityOf(const FsNode& node) {
  if (node.security) return *node.security;
  // SYSTEM and Administrators may do everything, Users read and run, here
  // and in everything made below, whose owner may do everything to it:
  // Program Files' own rules.
  constexpr BYTE kInherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
  return EntrySecurity{"S-1-5-32-544",
                       false,
                       {{true, kInherit, FILE_ALL_ACCESS, "S-1-5-18"},
                        {true, kInherit, FILE_ALL_ACCESS, "S-1-5-32-544"},
                        {true, kInherit, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, "S-1-5-32-545"},
                        {true, kInherit | INHERIT_ONLY_ACE, GENERIC_ALL, "S-1-3-0"}}};
}

DWORD FileTree::HandleSecurity(INT_PTR handle, EntrySecurity& security) const {
  auto it = m_entryHandles.find(handle);
  if (it == m_entryHandles.end()) return ERROR_INVALID_HANDLE;
  security = SecurityOf(*it->second.node);
  return 0;
}

DWORD FileTree::HandleLinkCount(INT_PTR handle, DWORD& links) const {
  auto it = m_entryHandles.find(handle);
  if (it == m_entryHandles.end()) return ERROR_INVALID_HANDLE;
  links = it->second.node->links;
  return 0;
}

DWORD FileTree::HandleVolumeFlags(INT_PTR handle, DWORD& flags) const {
  auto it = m_entryHandles.find(handle);
  if (it == m_entryHandles.end()) return ERROR_INVALID_HANDLE;
  const DriveInfo* drive = FindDrive(it->second.node->drive);
  if (drive == nullptr) return ERROR_PATH_NOT_FOUND;
  flags = drive->fileSystemFlags.value_or(
      IsReadOnlyMedia(*drive) ? 0 : FILE_PERSISTENT_ACLS | FILE_CASE_PRESERVED_NAMES);
  return 0;
}

DWORD FileTree::OpenFolderAt(INT_PTR folder, std::string_view name, bool followLink, INT_PTR& handle) {
  std::shared_ptr<FsNode> node;
  if (const DWORD error = ChildAt(folder, name, followLink, node); error != 0) return error;
  if (!node->folder) return ERROR_DIRECTORY;
  if (node->locked) return ERROR_SHARING_VIOLATION;
  ++node->pins;
  handle = m_nextHandle++;
  m_entryHandles.emplace(handle, EntryHandle{node, true});
  return 0;
}

DWORD FileTree::CreateAt(INT_PTR folder, std::string_view name, bool isFolder,
                         std::shared_ptr<FsNode>& created) {
  auto it = m_entryHandles.find(folder);
  if (it == m_entryHandles.end()) return ERROR_INVALID_HANDLE;
  const std::shared_ptr<FsNode> parent = it->second.node;
  if (!parent->folder) return ERROR_DIRECTORY;
  if (!IsSingleEntryName(name)) return ERROR_INVALID_NAME;
  // No name on the volume is longer (NTFS counts UTF-16 units, at most as
  // many as the bytes here).
  constexpr std::size_t kMaxName = 255;
  if (name.size() > kMaxName) return ERROR_FILENAME_EXCED_RANGE;
  NoteAccess(parent.get(), PathOf(*parent) + "\\" + std::string(name));
  if (!parent->attached) return ERROR_ACCESS_DENIED;  // a folder deleted meanwhile takes nothing new
  if (parent->link) return ERROR_ACCESS_DENIED;       // a link opened as itself holds nothing
  if (parent->children.count(FoldName(name)) != 0) return ERROR_ALREADY_EXISTS;
  const DriveInfo* drive = FindDrive(parent->drive);
  if (drive == nullptr || IsReadOnlyMedia(*drive)) return ERROR_ACCESS_DENIED;
  created = NewNode(std::string(name), isFolder, parent->drive);
  Attach(parent, created);
  return 0;
}

DWORD FileTree::CreateFolderAt(INT_PTR folder, std::string_view name,
                               const std::optional<EntrySecurity>& security, INT_PTR& handle) {
  std::shared_ptr<FsNode> created;
  if (const DWORD error = CreateAt(folder, name, true, created); error != 0) return error;
  created->security = security;
  ++created->pins;
  handle = m_nextHandle++;
  m_entryHandles.emplace(handle, EntryHandle{created, true});
  return 0;
}

DWORD FileTree::CreateFileAt(INT_PTR folder, std::string_view name, INT_PTR& handle) {
  std::shared_ptr<FsNode> created;
  if (const DWORD error = CreateAt(folder, name, false, created); error != 0) return error;
  ++created->writers;
  handle = m_nextHandle++;
  m_entryHandles.emplace(handle, EntryHandle{created, false, true, 0});
  return 0;
}

DWORD FileTree::WriteByHandle(INT_PTR handle, const char* data, std::size_t n) {
  auto it = m_entryHandles.find(handle);
  if (it == m_entryHandles.end()) return ERROR_INVALID_HANDLE;
  if (!it->second.writing) return ERROR_ACCESS_DENIED;
  std::size_t written = 0;
  const DWORD error = WriteAt(*it->second.node, it->second.pos, data, n, written);
  it->second.pos += written;
  return error;
}

DWORD FileTree::SetHandleAttributes(INT_PTR handle, DWORD attributes) {
  auto it = m_entryHandles.find(handle);
  if (it == m_entryHandles.end()) return ERROR_INVALID_HANDLE;
  it->second.node->attributes = attributes & kStoredAttributes;
  return 0;
}

DWORD FileTree::RenameByHandle(INT_PTR handle, INT_PTR folder, std::string_view name, bool replace) {
  auto it = m_entryHandles.find(handle);
  auto to = m_entryHandles.find(folder);
  if (it == m_entryHandles.end() || to == m_entryHandles.end()) return ERROR_INVALID_HANDLE;
  // A folder held without delete sharing was opened without delete access.
  if (it->second.pinning) return ERROR_ACCESS_DENIED;
  const std::shared_ptr<FsNode> node = it->second.node;
  const std::shared_ptr<FsNode> parent = to->second.node;
  if (!parent->folder || parent->link) return ERROR_DIRECTORY;
  if (!IsSingleEntryName(name)) return ERROR_INVALID_NAME;
  if (!node->attached || node->parent == nullptr) return ERROR_FILE_NOT_FOUND;
  if (node->drive != parent->drive) return ERROR_NOT_SAME_DEVICE;
  NoteAccess(parent.get(), PathOf(*parent) + "\\" + std::string(name));
  const auto existing = parent->children.find(FoldName(name));
  if (existing != parent->children.end() && existing->second != node) {
    const FsNode& present = *existing->second;
    if (!replace) return ERROR_ALREADY_EXISTS;
    if (present.folder || (present.attributes & FILE_ATTRIBUTE_READONLY) != 0) return ERROR_ACCESS_DENIED;
    if (present.locked || present.readers > 0 || present.writers > 0 || present.pins > 0) {
      return ERROR_SHARING_VIOLATION;
    }
    Detach(*existing->second);
  }
  const std::shared_ptr<FsNode> keep = node;  // Detach may drop the last owner
  Detach(*keep);
  keep->name = std::string(name);
  Attach(parent, keep);
  return 0;
}

// ---------------------------------------------------------------- searches

DWORD FileTree::FindFirst(std::string_view pattern, INT_PTR& handle, FindData& entry) {
  const ResolvedPath resolved = Resolve(pattern, true);
  if (resolved.error != 0) return resolved.error;
  // A root has no name of its own, and a trailing separator leaves no name to match.
  if (resolved.path.IsRoot() || resolved.trailingSeparator) return ERROR_FILE_NOT_FOUND;
  Search search;
  search.pattern = resolved.path.Text();
  if (!HasWildcard(resolved.path.Leaf())) {
    if (std::string device = DeviceOf(resolved.path); !device.empty()) {
      // The system answers with the device itself, named as written; a
      // wildcard never matches one, since no folder holds it.
      search.entries.push_back({std::move(device), false, true});
      NextEntry(search, entry);
      handle = m_nextHandle++;
      m_searches.emplace(handle, std::move(search));
      return 0;
    }
  }
  Located at = Locate(resolved.path);
  // A search opens the folder it lists as a folder: a file there is no
  // missing path but ERROR_DIRECTORY.
  if (at.error != 0) return at.fileAsFolder ? ERROR_DIRECTORY : at.error;

  search.folder = at.parent;
  const std::string& leaf = resolved.path.Leaf();
  if (at.parent->parent != nullptr) {  // every folder but a drive root lists . and ..
    for (const char* dots : {".", ".."}) {
      if (MatchPattern(leaf, dots)) search.entries.push_back({dots, true});
    }
  }
  for (const auto& [key, child] : at.parent->children) {
    if (MatchPattern(leaf, child->name)) search.entries.push_back({key, false});
  }
  if (search.entries.empty()) return ERROR_FILE_NOT_FOUND;

  NextEntry(search, entry);  // the first entry exists: nothing ran in between
  handle = m_nextHandle++;
  m_searches.emplace(handle, std::move(search));
  return 0;
}

bool FileTree::NextEntry(Search& search, FindData& entry) {
  std::shared_ptr<FsNode> folder = search.folder.lock();
  while (search.next < search.entries.size()) {
    const SearchEntry& candidate = search.entries[search.next++];
    if (candidate.device) {
      entry.name = candidate.key;
      entry.attrib = A_ARCH;
      return true;
    }
    if (!folder || !folder->attached) return false;  // the folder itself is gone
    if (candidate.dots) {
      entry.name = candidate.key;
      const FsNode* subject = candidate.key == "." ? folder.get() : folder->parent;
      entry.attrib = subject ? SearchBits(*subject) : A_SUBDIR;
      return true;
    }
    auto it = folder->children.find(candidate.key);
    if (it == folder->children.end()) continue;  // deleted before it was reached
    entry.name = it->second->name;
    entry.attrib = SearchBits(*it->second);
    return true;
  }
  return false;
}

DWORD FileTree::FindNext(INT_PTR handle, FindData& entry) {
  auto it = m_searches.find(handle);
  if (it == m_searches.end()) return ERROR_INVALID_HANDLE;
  return NextEntry(it->second, entry) ? 0 : ERROR_NO_MORE_FILES_CODE;
}

std::string FileTree::PatternOf(INT_PTR handle) const {
  auto it = m_searches.find(handle);
  return it == m_searches.end() ? std::string() : it->second.pattern;
}

DWORD FileTree::FindClose(INT_PTR handle) { return m_searches.erase(handle) == 1 ? 0 : ERROR_INVALID_HANDLE; }

// ---------------------------------------------------------------- set-up

std::shared_ptr<FsNode> FileTree::MakeFolders(const FullPath& path) {
  DriveInfo* drive = FindDrive(path.drive);
  if (drive == nullptr) return nullptr;
  std::shared_ptr<FsNode> folder = drive->root;
  for (const std::string& part : path.parts) {
    const std::shared_ptr<FsNode> child = Child(*folder, part);
    if (!child) {
      auto created = NewNode(part, true, path.drive);
      Attach(folder, created);
      folder = created;
    } else if (!child->folder) {
      return nullptr;
    } else {
      folder = Content(child);
      if (!folder) return nullptr;
    }
  }
  return folder;
}

bool FileTree::AddFolder(std::string_view path, DWORD attributes) {
  const ResolvedPath resolved = Resolve(path, false);
  if (resolved.error != 0 || !DeviceOf(resolved.path).empty()) return false;
  std::shared_ptr<FsNode> folder = MakeFolders(resolved.path);
  if (!folder) return false;
  if (!resolved.path.IsRoot()) folder->attributes = attributes & kStoredAttributes;
  return true;
}

bool FileTree::AddFile(std::string_view path, std::string_view bytes, DWORD attributes) {
  const ResolvedPath resolved = Resolve(path, false);
  if (resolved.error != 0 || resolved.path.IsRoot() || !DeviceOf(resolved.path).empty()) return false;
  std::shared_ptr<FsNode> parent = MakeFolders(resolved.path.Parent());
  if (!parent) return false;
  auto it = parent->children.find(FoldName(resolved.path.Leaf()));
  if (it != parent->children.end()) {
    if (it->second->folder) return false;
    DriveInfo* drive = FindDrive(resolved.path.drive);
    drive->used = drive->used - it->second->data.size() + bytes.size();
    it->second->data.assign(bytes);
    it->second->attributes = attributes & kStoredAttributes;
    return true;
  }
  auto node = NewNode(resolved.path.Leaf(), false, resolved.path.drive);
  node->data.assign(bytes);
  node->attributes = attributes & kStoredAttributes;
  Attach(parent, node);
  return true;
}

bool FileTree::AddShortName(std::string_view path, std::string_view shortName) {
  const std::shared_ptr<FsNode> node = Lookup(path);
  if (!node || node->parent == nullptr) return false;
  node->shortName = std::string(shortName);
  return true;
}

bool FileTree::AddDriveAlias(char letter, std::string_view target) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  const std::shared_ptr<FsNode> folder = Content(Lookup(target));
  if (letter < 'A' || letter > 'Z' || m_drives.count(letter) != 0 || !folder || !folder->folder) return false;
  DriveInfo drive;
  drive.root = folder;
  drive.alias = true;
  m_drives.emplace(letter, std::move(drive));
  return true;
}

bool FileTree::AddLink(std::string_view path, std::string_view target) {
  std::shared_ptr<FsNode> targetNode = Content(Lookup(target));
  if (!targetNode || !targetNode->folder) return false;
  const ResolvedPath resolved = Resolve(path, false);
  if (resolved.error != 0 || resolved.path.IsRoot() || !DeviceOf(resolved.path).empty()) return false;
  std::shared_ptr<FsNode> parent = MakeFolders(resolved.path.Parent());
  if (!parent || parent->children.count(FoldName(resolved.path.Leaf())) != 0) return false;
  auto link = NewNode(resolved.path.Leaf(), true, resolved.path.drive);
  link->link = true;
  link->linkTarget = targetNode;
  Attach(parent, link);
  return true;
}

DWORD FileTree::MakeLinkInPlace(std::string_view path, std::string_view target) {
  const std::shared_ptr<FsNode> node = Lookup(path);
  const std::shared_ptr<FsNode> targetNode = Content(Lookup(target));
  if (!node || !node->folder || node->link || !targetNode || !targetNode->folder)
    return ERROR_INVALID_PARAMETER;
  if (!node->children.empty()) return ERROR_DIR_NOT_EMPTY;
  node->link = true;
  node->linkTarget = targetNode;
  return 0;
}

bool FileTree::AddUnnarrowable(std::string_view path, bool folder) {
  // Read as a pattern, so that the last component may hold its '?'s.
  const ResolvedPath resolved = Resolve(path, true);
  if (resolved.error != 0 || resolved.path.IsRoot() || resolved.trailingSeparator) return false;
  const std::string& leaf = resolved.path.Leaf();
  if (leaf.find('?') == std::string::npos || leaf.find('*') != std::string::npos) return false;
  std::shared_ptr<FsNode> parent = MakeFolders(resolved.path.Parent());
  if (!parent) return false;
  auto node = NewNode(leaf, folder, resolved.path.drive);
  node->unnarrowable = true;
  if (!folder) node->attributes = FILE_ATTRIBUTE_ARCHIVE;
  Attach(parent, node);
  return true;
}

bool FileTree::AddRawEntry(std::string_view folder, std::string_view name, bool isFolder) {
  const std::shared_ptr<FsNode> parent = Content(Lookup(folder));
  if (!parent || !parent->folder || name.empty() || parent->children.count(FoldName(name)) != 0) return false;
  auto node = NewNode(std::string(name), isFolder, parent->drive);
  if (!isFolder) node->attributes = FILE_ATTRIBUTE_ARCHIVE;
  Attach(parent, node);
  return true;
}

bool FileTree::SetLocked(std::string_view path, bool locked) {
  std::shared_ptr<FsNode> node = Lookup(path);
  if (!node || node->folder) return false;
  node->locked = locked;
  return true;
}

bool FileTree::ForceCurrent(std::string_view path) {
  const ResolvedPath resolved = Resolve(path, false);
  if (resolved.error != 0) return false;
  std::shared_ptr<FsNode> node = Lookup(path);
  if (!node || !node->folder) return false;
  m_current = resolved.path;
  return true;
}

std::shared_ptr<FsNode> FileTree::Lookup(std::string_view path) const {
  const ResolvedPath resolved = Resolve(path, false);
  if (resolved.error != 0) return nullptr;
  const DriveInfo* drive = FindDrive(resolved.path.drive);
  if (drive == nullptr) return nullptr;
  std::shared_ptr<FsNode> node = drive->root;
  for (const std::string& part : resolved.path.parts) {
    node = node->folder ? Content(node) : nullptr;  // a link on the way leads into its target
    if (!node) return nullptr;
    node = Child(*node, part);
    if (!node) return nullptr;
  }
  return node;
}

void FileTree::Unlock(FsNode& node) {
  node.locked = false;
  for (auto& [key, child] : node.children) Unlock(*child);
}

void FileTree::CarryOutRestart() {
  std::vector<RestartEntry> pending;
  pending.swap(m_restart);
  for (const RestartEntry& entry : pending) {
    std::shared_ptr<FsNode> node = Lookup(entry.path.view());
    if (!node || node->parent == nullptr) continue;
    if (!entry.newName) {
      if (!node->folder || node->children.empty()) Detach(*node);
      continue;
    }
    const ResolvedPath to = Resolve(entry.newName->view(), false);
    if (to.error != 0 || to.path.drive != node->drive || to.path.IsRoot()) continue;
    std::shared_ptr<FsNode> parent = Lookup(to.path.Parent().Text());
    if (!parent || !parent->folder) continue;
    bool intoItself = false;  // a folder cannot move below itself
    for (const FsNode* up = parent.get(); up != nullptr; up = up->parent) intoItself |= up == node.get();
    if (intoItself) continue;
    auto existing = parent->children.find(FoldName(to.path.Leaf()));
    if (existing != parent->children.end()) {
      if (existing->second == node || !(entry.flags & MOVEFILE_REPLACE_EXISTING) ||
          existing->second->folder) {
        continue;
      }
      Detach(*existing->second);
    }
    Detach(*node);
    node->name = to.path.Leaf();
    Attach(parent, node);
  }
  for (auto& [letter, drive] : m_drives) Unlock(*drive.root);
}

std::string FileTree::Dump() const {
  std::string out = "Current folder: " + Cp932ToReadable(m_current.Text()) + "\n";
  for (const auto& [letter, drive] : m_drives) {
    if (drive.alias) {
      out += std::string("Drive ") + letter + ": the folder " + Cp932ToReadable(PathOf(*drive.root)) + "\n";
      continue;
    }
    out += std::string("Drive ") + letter + ": " + DriveTypeName(drive.type) + ", label \"" +
           Cp932ToReadable(drive.label) + "\", " + (drive.medium ? "medium present" : "NO MEDIUM") + ", " +
           std::to_string(drive.used) + " bytes used";
    if (drive.capacity) out += " of " + std::to_string(*drive.capacity);
    out += "\n";
    DumpNode(*drive.root, "  ", out);
  }
  out += "Open searches: " + std::to_string(m_searches.size()) +
         ", open file streams: " + std::to_string(openStreams) + "\n";
  out += "At the next restart:\n";
  for (const RestartEntry& entry : m_restart) {
    out += "  " + Cp932ToReadable(entry.path.view()) +
           (entry.newName ? " -> " + Cp932ToReadable(entry.newName->view()) : std::string(" (delete)")) +
           "\n";
  }
  return out;
}

}  // namespace mem

#include "tests/memory/MemoryShell.h"

#include <charconv>

#include "tests/memory/MemoryCodePage.h"

namespace {

// An item list holds the path it stands for.
class MemoryItemIdList final : public IItemIdList {
 public:
  MemoryItemIdList(std::shared_ptr<mem::MemoryCore> core, std::string path)
      : m_core(std::move(core)), m_path(std::move(path)) {
    ++m_core->shell.liveItemLists;
  }
  MemoryItemIdList(const MemoryItemIdList&) = delete;
  MemoryItemIdList& operator=(const MemoryItemIdList&) = delete;
  ~MemoryItemIdList() override { --m_core->shell.liveItemLists; }
  const std::string& Path() const { return m_path; }

 private:
  std::shared_ptr<mem::MemoryCore> m_core;
  std::string m_path;
};

class MemoryShellMalloc final : public IShellMalloc {
 public:
  explicit MemoryShellMalloc(std::shared_ptr<mem::MemoryCore> core) : m_core(std::move(core)) {
    ++m_core->shell.liveMallocs;
  }
  MemoryShellMalloc(const MemoryShellMalloc&) = delete;
  MemoryShellMalloc& operator=(const MemoryShellMalloc&) = delete;
  ~MemoryShellMalloc() override { --m_core->shell.liveMallocs; }

  void Free(ItemIdList list) override {
    if (list) ++m_core->shell.itemListsFreed;
    list.reset();
  }

 private:
  std::shared_ptr<mem::MemoryCore> m_core;
};

// The persist-file side of a shell link: shares the link's fields.
class MemoryPersistFile final : public IPersistFile {
 public:
  MemoryPersistFile(std::shared_ptr<mem::MemoryCore> core, std::shared_ptr<ShortcutFile> fields)
      : m_core(std::move(core)), m_fields(std::move(fields)) {
    ++m_core->shell.livePersistFiles;
  }
  MemoryPersistFile(const MemoryPersistFile&) = delete;
  MemoryPersistFile& operator=(const MemoryPersistFile&) = delete;
  ~MemoryPersistFile() override { --m_core->shell.livePersistFiles; }

  HRESULT Save(const std::u16string& fileName, BOOL /*remember*/) override {
    const std::string path = mem::Utf16ToCp932(fileName);
    if (auto code = m_core->faults.Check("Save", {path})) return HResultFromBits(*code);
    if (path.empty()) return E_INVALIDARG_CODE;
    return HResultFromWin32(m_core->files.WriteWholeFile(path, MemoryShell::EncodeShortcut(*m_fields)));
  }

 private:
  std::shared_ptr<mem::MemoryCore> m_core;
  std::shared_ptr<ShortcutFile> m_fields;
};

class MemoryShellLink final : public IShellLinkA {
 public:
  explicit MemoryShellLink(std::shared_ptr<mem::MemoryCore> core)
      : m_core(std::move(core)), m_fields(std::make_shared<ShortcutFile>()) {
    ++m_core->shell.liveLinks;
  }
  MemoryShellLink(const MemoryShellLink&) = delete;
  MemoryShellLink& operator=(const MemoryShellLink&) = delete;
  ~MemoryShellLink() override { --m_core->shell.liveLinks; }

  HRESULT SetArguments(const char* arguments) override {
    return Set("SetArguments", arguments, m_fields->arguments);
  }
  HRESULT SetDescription(const char* description) override {
    return Set("SetDescription", description, m_fields->description);
  }
  HRESULT SetWorkingDirectory(const char* folder) override {
    return Set("SetWorkingDirectory", folder, m_fields->workingFolder);
  }
  HRESULT SetPath(const char* target) override { return Set("SetPath", target, m_fields->target); }

  HRESULT SetIconLocation(const char* iconPath, int iconIndex) override {
    if (auto code = m_core->faults.Check("SetIconLocation", {iconPath ? iconPath : ""})) {
      return HResultFromBits(*code);
    }
    m_fields->iconPath = iconPath ? std::optional<CString>(iconPath) : std::nullopt;
    m_fields->iconIndex = iconIndex;
    return S_OK;
  }

  HRESULT QueryPersistFile(std::unique_ptr<IPersistFile>& out) override {
    out.reset();
    if (auto code = m_core->faults.Check("QueryPersistFile", {})) return HResultFromBits(*code);
    out = std::make_unique<MemoryPersistFile>(m_core, m_fields);
    return S_OK;
  }

 private:
  HRESULT Set(const char* operation, const char* text, CString& field) {
    if (auto code = m_core->faults.Check(operation, {text ? text : ""})) return HResultFromBits(*code);
    if (text == nullptr) return E_INVALIDARG_CODE;
    field = text;
    return S_OK;
  }

  std::shared_ptr<mem::MemoryCore> m_core;
  std::shared_ptr<ShortcutFile> m_fields;
};

constexpr std::string_view kShortcutMagic = "MEMORY SHELL LINK\r\n";

void PutField(std::string& out, std::string_view name, std::string_view value) {
  out.append(name);
  out += ':';
  out += std::to_string(value.size());
  out += ':';
  out.append(value);
  out += "\r\n";
}

// Reads "name:length:bytes\r\n" at pos; false when the bytes do not say so.
bool GetField(std::string_view bytes, std::size_t& pos, std::string_view name, std::string& value) {
  if (bytes.substr(pos, name.size()) != name || bytes.substr(pos + name.size(), 1) != ":") return false;
  pos += name.size() + 1;
  const std::size_t colon = bytes.find(':', pos);
  if (colon == std::string_view::npos) return false;
  std::size_t length = 0;
  const auto [end, error] = std::from_chars(bytes.data() + pos, bytes.data() + colon, length);
  if (error != std::errc() || end != bytes.data() + colon) return false;
  pos = colon + 1;
  if (length > bytes.size() - pos || bytes.substr(pos + length, 2) != "\r\n") return false;
  value.assign(bytes.substr(pos, length));
  pos += length + 2;
  return true;
}

}  // namespace

MemoryShell::MemoryShell(std::shared_ptr<mem::MemoryCore> core) : m_core(std::move(core)) {}

ItemIdList MemoryShell::NewItemList(std::string path) {
  return std::make_unique<MemoryItemIdList>(m_core, std::move(path));
}

BOOL MemoryShell::SHGetSpecialFolderPathA(HWND /*owner*/, CString& path, int csidl, BOOL create) {
  if (auto code = m_core->faults.Check("SHGetSpecialFolderPathA", {})) {
    m_core->lastError = *code;
    return FALSE;
  }
  if (auto verbatim = m_core->verbatimSpecialFolders.find(csidl);
      verbatim != m_core->verbatimSpecialFolders.end()) {
    path = verbatim->second;
    return TRUE;
  }
  auto it = m_core->specialFolders.find(csidl);
  if (it == m_core->specialFolders.end()) {
    m_core->lastError = ERROR_FILE_NOT_FOUND;
    return FALSE;
  }
  auto node = m_core->files.Lookup(it->second);
  if (!node || !node->folder) {
    if (!create || !m_core->files.AddFolder(it->second, 0)) {
      m_core->lastError = ERROR_FILE_NOT_FOUND;
      return FALSE;
    }
  }
  path = it->second;
  return TRUE;
}

HRESULT MemoryShell::SHGetSpecialFolderLocation(HWND /*owner*/, int csidl, ItemIdList& list) {
  list.reset();
  if (auto code = m_core->faults.Check("SHGetSpecialFolderLocation", {})) return HResultFromBits(*code);
  if (auto verbatim = m_core->verbatimSpecialFolders.find(csidl);
      verbatim != m_core->verbatimSpecialFolders.end()) {
    list = NewItemList(verbatim->second);
    return S_OK;
  }
  auto it = m_core->specialFolders.find(csidl);
  if (it == m_core->specialFolders.end()) return E_INVALIDARG_CODE;
  auto node = m_core->files.Lookup(it->second);
  if (!node || !node->folder) return HResultFromWin32(ERROR_FILE_NOT_FOUND);
  list = NewItemList(it->second);
  return S_OK;
}

BOOL MemoryShell::SHGetPathFromIDListA(const IItemIdList* list, CString& path) {
  const auto* ours = dynamic_cast<const MemoryItemIdList*>(list);
  if (auto code = m_core->faults.Check("SHGetPathFromIDListA", {ours ? ours->Path() : std::string()})) {
    m_core->lastError = *code;
    return FALSE;
  }
  if (ours == nullptr) {
    m_core->lastError = ERROR_INVALID_PARAMETER;
    return FALSE;
  }
  path = ours->Path();
  return TRUE;
}

HRESULT MemoryShell::SHGetMalloc(std::unique_ptr<IShellMalloc>& malloc) {
  malloc.reset();
  if (auto code = m_core->faults.Check("SHGetMalloc", {})) return HResultFromBits(*code);
  malloc = std::make_unique<MemoryShellMalloc>(m_core);
  return S_OK;
}

ItemIdList MemoryShell::SHBrowseForFolderA(const BrowseInfo& info) {
  m_core->browseCalls.push_back(info);
  if (auto code = m_core->faults.Check("SHBrowseForFolderA", {info.title.view()})) {
    m_core->lastError = *code;
    return nullptr;
  }
  if (!m_core->browseHandler) return nullptr;
  std::optional<CString> choice = m_core->browseHandler(info);
  if (!choice) return nullptr;
  return NewItemList(choice->str());
}

HRESULT MemoryShell::CoInitialize() {
  ++m_core->shell.coInitializeCalls;
  if (auto code = m_core->faults.Check("CoInitialize", {})) return HResultFromBits(*code);
  ++m_core->shell.comDepth;
  return m_core->shell.comDepth == 1 ? S_OK : S_FALSE;
}

void MemoryShell::CoUninitialize() {
  ++m_core->shell.coUninitializeCalls;
  if (m_core->shell.comDepth > 0) {
    --m_core->shell.comDepth;
  } else {
    ++m_core->shell.unbalancedUninitialize;
  }
}

HRESULT MemoryShell::CoCreateShellLink(std::unique_ptr<IShellLinkA>& link) {
  link.reset();
  if (auto code = m_core->faults.Check("CoCreateShellLink", {})) return HResultFromBits(*code);
  if (m_core->shell.comDepth == 0) return CO_E_NOTINITIALIZED_CODE;
  link = std::make_unique<MemoryShellLink>(m_core);
  return S_OK;
}

int MemoryShell::MultiByteToWideChar(std::string_view text, std::u16string& wide, int maxChars) {
  if (auto code = m_core->faults.Check("MultiByteToWideChar", {text})) {
    m_core->lastError = *code;
    return 0;
  }
  // The length -1 of the system call: the text ends at its first zero byte.
  const std::size_t end = text.find('\0');
  if (end != std::string_view::npos) text = text.substr(0, end);
  std::u16string converted = mem::Cp932ToUtf16(text);
  const std::size_t needed = converted.size() + 1;
  if (maxChars <= 0 || needed > static_cast<std::size_t>(maxChars)) {
    m_core->lastError = mem::ERROR_INSUFFICIENT_BUFFER_CODE;
    return 0;
  }
  wide = std::move(converted);
  return static_cast<int>(needed);
}

// ---------------------------------------------------------------- set-up and inspection

bool MemoryShell::SetSpecialFolder(int csidl, const CString& path) {
  const mem::ResolvedPath resolved = m_core->files.Resolve(path.view(), false);
  if (resolved.error != 0) return false;
  const std::string full = resolved.path.Text();
  m_core->specialFolders[csidl] = full;
  m_core->verbatimSpecialFolders.erase(csidl);
  if (m_core->files.FindDrive(resolved.path.drive) != nullptr) return m_core->files.AddFolder(full, 0);
  return true;
}

void MemoryShell::ClearSpecialFolder(int csidl) {
  m_core->specialFolders.erase(csidl);
  m_core->verbatimSpecialFolders.erase(csidl);
}

void MemoryShell::SetSpecialFolderText(int csidl, std::string_view text) {
  m_core->verbatimSpecialFolders[csidl] = std::string(text);
}

void MemoryShell::SetBrowseHandler(mem::BrowseHandler handler) { m_core->browseHandler = std::move(handler); }

std::optional<ShortcutFile> MemoryShell::ReadShortcut(const CString& path) const {
  auto node = m_core->files.Lookup(path.view());
  if (!node || node->folder) return std::nullopt;
  return DecodeShortcut(node->data);
}

const std::vector<BrowseInfo>& MemoryShell::BrowseCalls() const { return m_core->browseCalls; }

const mem::ShellCounters& MemoryShell::Counters() const { return m_core->shell; }

std::string MemoryShell::EncodeShortcut(const ShortcutFile& shortcut) {
  std::string out(kShortcutMagic);
  PutField(out, "Target", shortcut.target.view());
  PutField(out, "Arguments", shortcut.arguments.view());
  PutField(out, "Description", shortcut.description.view());
  PutField(out, "WorkingDirectory", shortcut.workingFolder.view());
  PutField(out, "HasIcon", shortcut.iconPath ? "1" : "0");
  PutField(out, "IconLocation", shortcut.iconPath ? shortcut.iconPath->view() : std::string_view());
  PutField(out, "IconIndex", std::to_string(shortcut.iconIndex));
  return out;
}

std::optional<ShortcutFile> MemoryShell::DecodeShortcut(std::string_view bytes) {
  if (bytes.substr(0, kShortcutMagic.size()) != kShortcutMagic) return std::nullopt;
  std::size_t pos = kShortcutMagic.size();
  std::string target, arguments, description, folder, hasIcon, icon, index;
  if (!GetField(bytes, pos, "Target", target) || !GetField(bytes, pos, "Arguments", arguments) ||
      !GetField(bytes, pos, "Description", description) ||
      !GetField(bytes, pos, "WorkingDirectory", folder) || !GetField(bytes, pos, "HasIcon", hasIcon) ||
      !GetField(bytes, pos, "IconLocation", icon) || !GetField(bytes, pos, "IconIndex", index) ||
      pos != bytes.size() || (hasIcon != "0" && hasIcon != "1")) {
    return std::nullopt;
  }
  ShortcutFile shortcut;
  const auto [end, error] = std::from_chars(index.data(), index.data() + index.size(), shortcut.iconIndex);
  if (error != std::errc() || end != index.data() + index.size()) return std::nullopt;
  shortcut.target = target;
  shortcut.arguments = arguments;
  shortcut.description = description;
  shortcut.workingFolder = folder;
  if (hasIcon == "1") shortcut.iconPath = CString(icon);
  return shortcut;
}

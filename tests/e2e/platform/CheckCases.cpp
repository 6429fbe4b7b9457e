// The behaviour cases shared with the memory platform (tests/behaviour/),
// run on the Win32 layer: what the layer has no call for is read back
// through the system's W functions.
#include "platform/win32/Win.h"

#include <string>

#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32Strings.h"
#include "tests/behaviour/BehaviourCases.h"
#include "tests/e2e/Win32TestHandles.h"
#include "tests/e2e/platform/CheckSupport.h"

namespace check {

namespace {

// UTF-16 that may hold zero characters, narrowed piece by piece: each zero
// character is one zero byte.
std::string NarrowZeroSeparated(std::wstring_view wide) {
  std::string bytes;
  std::size_t start = 0;
  while (start <= wide.size()) {
    const std::size_t zero = wide.find(L'\0', start);
    const std::size_t end = zero == std::wstring_view::npos ? wide.size() : zero;
    bytes += win32::Narrow(wide.substr(start, end - start)).str();
    if (zero == std::wstring_view::npos) break;
    bytes += '\0';
    start = zero + 1;
  }
  return bytes;
}

class Win32Backend final : public cases::Backend {
 public:
  Win32Backend(CString scratch, std::wstring scratchWide)
      : m_scratch(std::move(scratch)), m_scratchWide(std::move(scratchWide)) {}

  const char* Name() const override { return "win32"; }
  IFileSystem& Files() override { return m_files; }
  IRegistry& Registry() override { return m_registry; }
  IShell& Shell() override { return m_shell; }
  CString Scratch() const override { return m_scratch; }
  CString ScratchKey() const override { return "Software\\PlatformCheckCases"; }

  std::optional<std::string> FileBytes(const CString& path) override {
    const std::wstring wide = win32::Widen(path.view());
    if (!WideExists(wide)) return std::nullopt;
    return ReadWide(wide);
  }

  std::optional<cases::ValueRead> ReadValue(HKEY root, const CString& key, const CString& name) override {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(root, win32::Widen(key.view()).c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    win32::UniqueRegKey opened(raw);
    const std::wstring valueName = win32::Widen(name.view());
    const RegValue value = QueryWide(opened.get(), valueName.c_str());
    if (value.status != ERROR_SUCCESS) return std::nullopt;
    cases::ValueRead read;
    read.type = value.type;
    if (win32::IsRegistryStringType(value.type)) {
      read.bytes = NarrowZeroSeparated(AsWide(value.data));
    } else {
      read.bytes.assign(value.data.begin(), value.data.end());
    }
    return read;
  }

  std::optional<cases::ShortcutRead> ReadShortcut(const CString& path) override {
    const LinkFields fields = ReadLink(win32::Widen(path.view()));
    if (FAILED(fields.load)) return std::nullopt;
    cases::ShortcutRead read;
    // The item list holds the target in UTF-16; the path beside it is kept
    // in the system's ANSI code page by Wine.
    read.target = win32::Narrow(fields.idListPath.empty() ? fields.path : fields.idListPath);
    read.arguments = win32::Narrow(fields.arguments);
    read.description = win32::Narrow(fields.description);
    read.workingFolder = win32::Narrow(fields.workingDirectory);
    read.iconPath = win32::Narrow(fields.iconPath);
    read.iconIndex = fields.iconIndex;
    return read;
  }

  std::vector<cases::RestartRead> RestartRequests() override {
    std::vector<cases::RestartRead> requests;
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                        KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) {
      return requests;
    }
    win32::UniqueRegKey session(raw);
    const RegValue pending = QueryWide(session.get(), L"PendingFileRenameOperations");
    const std::wstring list = AsWide(pending.data);
    // Pairs of strings: the source in NT form, then the new name (empty: delete).
    std::vector<std::wstring> strings;
    for (std::size_t start = 0; start < list.size();) {
      const std::size_t zero = list.find(L'\0', start);
      const std::size_t end = zero == std::wstring::npos ? list.size() : zero;
      strings.emplace_back(list, start, end - start);
      start = end + 1;
    }
    auto dosPath = [](std::wstring path) {
      if (path.compare(0, 4, L"\\??\\") == 0) path.erase(0, 4);
      if (!path.empty() && path[0] == L'!') path.erase(0, 1);  // "replace existing" marker
      if (path.compare(0, 4, L"\\??\\") == 0) path.erase(0, 4);
      return win32::Narrow(path);
    };
    for (std::size_t i = 0; i + 1 < strings.size(); i += 2) {
      if (strings[i].empty()) break;  // the list's end
      cases::RestartRead request;
      request.path = dosPath(strings[i]);
      if (!strings[i + 1].empty()) request.newName = dosPath(strings[i + 1]);
      requests.push_back(std::move(request));
    }
    return requests;
  }

  bool PlantLink(const CString& link, const CString& target) override {
    const std::wstring wideLink = win32::Widen(link.view());
    if (IsLink(wideLink)) return true;  // planted beforehand (a Unix symbolic link under Wine)
    // Wine 8 answers CreateSymbolicLinkW with success and creates nothing,
    // so the link is looked for again.
    ::CreateSymbolicLinkW(wideLink.c_str(), win32::Widen(target.view()).c_str(),
                          SYMBOLIC_LINK_FLAG_DIRECTORY);
    return IsLink(wideLink);
  }

  bool PlantYenFolder(const CString& folder) override {
    const std::wstring path = win32::Widen(folder.view()) + L"\\x\u00A5..\u00A5..\u00A5canary";
    return ::CreateDirectoryW(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
  }

 private:
  static bool IsLink(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  }

  CString m_scratch;
  std::wstring m_scratchWide;
  Win32FileSystem m_files;
  Win32Registry m_registry;
  Win32Shell m_shell;
};

}  // namespace

void RunBehaviourCases(cases::Checker& c, const CString& scratch, const std::wstring& scratchWide) {
  Win32Backend backend(scratch, scratchWide);
  cases::RunAll(backend, c.Prefixed("case "));
  c.Number(static_cast<long long>(static_cast<Win32FileSystem&>(backend.Files()).OpenSearches()), 0,
           "the cases leave no search open");
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\PlatformCheckCases");
}

}  // namespace check

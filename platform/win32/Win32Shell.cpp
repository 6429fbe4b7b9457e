#include "platform/win32/Win.h"

#include "platform/win32/Win32Shell.h"

#include <optional>
#include <vector>

#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Strings.h"

using win32::Widen;

namespace {

// An item list from the shell; freed through the task allocator, which is the
// shell allocator, unless IShellMalloc::Free takes it first.
class Win32ItemIdList : public IItemIdList {
 public:
  explicit Win32ItemIdList(LPITEMIDLIST list) : m_list(list) {}
  LPCITEMIDLIST get() const { return m_list.get(); }
  LPITEMIDLIST release() { return m_list.release(); }

 private:
  win32::UniqueItemList m_list;
};

ItemIdList OwnItemList(LPITEMIDLIST list) {
  if (list == nullptr) return nullptr;
  return std::make_unique<Win32ItemIdList>(list);
}

class Win32ShellMalloc : public IShellMalloc {
 public:
  explicit Win32ShellMalloc(win32::ComPtr<IMalloc> malloc) : m_malloc(std::move(malloc)) {}

  void Free(ItemIdList list) override {
    auto* own = dynamic_cast<Win32ItemIdList*>(list.get());
    if (own != nullptr) m_malloc->Free(own->release());
  }

 private:
  win32::ComPtr<IMalloc> m_malloc;
};

class Win32PersistFile : public IPersistFile {
 public:
  explicit Win32PersistFile(win32::ComPtr<SysIPersistFile> file) : m_file(std::move(file)) {}

  HRESULT Save(const std::u16string& fileName, BOOL remember) override {
    const std::wstring name(fileName.begin(), fileName.end());
    return m_file->Save(name.c_str(), remember);
  }

 private:
  win32::ComPtr<SysIPersistFile> m_file;
};

// A null string stays null, as the A interface passes it on to the W one.
class WideArgument {
 public:
  explicit WideArgument(const char* text) {
    if (text != nullptr) m_text = Widen(text);
  }
  LPCWSTR get() const { return m_text ? m_text->c_str() : nullptr; }

 private:
  std::optional<std::wstring> m_text;
};

class Win32ShellLink : public IShellLinkA {
 public:
  explicit Win32ShellLink(win32::ComPtr<IShellLinkW> link) : m_link(std::move(link)) {}

  HRESULT SetArguments(const char* arguments) override {
    return m_link->SetArguments(WideArgument(arguments).get());
  }
  HRESULT SetDescription(const char* description) override {
    return m_link->SetDescription(WideArgument(description).get());
  }
  HRESULT SetWorkingDirectory(const char* folder) override {
    return m_link->SetWorkingDirectory(WideArgument(folder).get());
  }
  HRESULT SetIconLocation(const char* iconPath, int iconIndex) override {
    return m_link->SetIconLocation(WideArgument(iconPath).get(), iconIndex);
  }
  HRESULT SetPath(const char* target) override { return m_link->SetPath(WideArgument(target).get()); }

  HRESULT QueryPersistFile(std::unique_ptr<IPersistFile>& out) override {
    win32::ComPtr<SysIPersistFile> file;
    const HRESULT hr = m_link->QueryInterface(IID_IPersistFile, file.put_void());
    if (FAILED(hr) || !file) {
      out.reset();
      return FAILED(hr) ? hr : E_NOINTERFACE;
    }
    out = std::make_unique<Win32PersistFile>(std::move(file));
    return hr;
  }

 private:
  win32::ComPtr<IShellLinkW> m_link;
};

}  // namespace

BOOL Win32Shell::SHGetSpecialFolderPathA(HWND owner, CString& path, int csidl, BOOL create) {
  wchar_t buffer[MAX_PATH + 1] = {};
  if (!::SHGetSpecialFolderPathW(owner, buffer, csidl, create)) return FALSE;
  // A folder without an exact Shift-JIS form fails (ERROR_NO_UNICODE_TRANSLATION).
  return win32::NarrowExact(buffer, path) ? TRUE : FALSE;
}

HRESULT Win32Shell::SHGetSpecialFolderLocation(HWND owner, int csidl, ItemIdList& list) {
  LPITEMIDLIST found = nullptr;
  const HRESULT hr = ::SHGetSpecialFolderLocation(owner, csidl, &found);
  // Owned at once, so a list handed back with a failure is freed as well.
  list = OwnItemList(found);
  if (FAILED(hr)) list.reset();
  return hr;
}

BOOL Win32Shell::SHGetPathFromIDListA(const IItemIdList* list, CString& path) {
  const auto* own = dynamic_cast<const Win32ItemIdList*>(list);
  if (own == nullptr) return FALSE;
  wchar_t buffer[MAX_PATH + 1] = {};
  if (!::SHGetPathFromIDListW(own->get(), buffer)) return FALSE;
  return win32::NarrowExact(buffer, path) ? TRUE : FALSE;
}

HRESULT Win32Shell::SHGetMalloc(std::unique_ptr<IShellMalloc>& malloc) {
  win32::ComPtr<IMalloc> shellMalloc;
  const HRESULT hr = ::SHGetMalloc(shellMalloc.put());
  if (FAILED(hr) || !shellMalloc) {
    malloc.reset();
    return FAILED(hr) ? hr : E_FAIL;
  }
  malloc = std::make_unique<Win32ShellMalloc>(std::move(shellMalloc));
  return hr;
}

ItemIdList Win32Shell::SHBrowseForFolderA(const BrowseInfo& info) {
  const std::wstring title = Widen(info.title.view());
  BROWSEINFOW browse{};
  browse.hwndOwner = info.owner;
  browse.lpszTitle = title.c_str();
  browse.ulFlags = info.flags;
  return OwnItemList(::SHBrowseForFolderW(&browse));
}

HRESULT Win32Shell::CoInitialize() { return ::CoInitialize(nullptr); }

void Win32Shell::CoUninitialize() { ::CoUninitialize(); }

HRESULT Win32Shell::CoCreateShellLink(std::unique_ptr<IShellLinkA>& link) {
  win32::ComPtr<IShellLinkW> shellLink;
  const HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                        shellLink.put_void());
  if (FAILED(hr) || !shellLink) {
    link.reset();
    return FAILED(hr) ? hr : E_NOINTERFACE;
  }
  link = std::make_unique<Win32ShellLink>(std::move(shellLink));
  return hr;
}

int Win32Shell::MultiByteToWideChar(std::string_view text, std::u16string& wide, int maxChars) {
  if (maxChars <= 0) return 0;
  // With a length of -1 the conversion ends at the first zero byte.
  const std::string terminated(text.substr(0, text.find('\0')));
  std::vector<wchar_t> buffer(static_cast<std::size_t>(maxChars));
  const int written =
      ::MultiByteToWideChar(win32::kCodePage, 0, terminated.c_str(), -1, buffer.data(), maxChars);
  if (written <= 0) return 0;
  wide.assign(buffer.begin(), buffer.begin() + (written - 1));
  return written;
}

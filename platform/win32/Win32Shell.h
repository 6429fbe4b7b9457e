// IShell over the shell's W functions and its COM shell-link object. Paths and
// titles are Shift-JIS on this side and UTF-16 towards the system; item lists
// handed out are freed through the shell allocator, by IShellMalloc::Free or,
// when the caller drops one, by its owner.
#pragma once

#include "platform/win32/Win.h"

#include "platform/Platform.h"

class Win32Shell : public IShell {
 public:
  BOOL SHGetSpecialFolderPathA(HWND owner, CString& path, int csidl, BOOL create) override;
  HRESULT SHGetSpecialFolderLocation(HWND owner, int csidl, ItemIdList& list) override;
  BOOL SHGetPathFromIDListA(const IItemIdList* list, CString& path) override;
  HRESULT SHGetMalloc(std::unique_ptr<IShellMalloc>& malloc) override;
  ItemIdList SHBrowseForFolderA(const BrowseInfo& info) override;

  HRESULT CoInitialize() override;
  void CoUninitialize() override;
  // Creates the system's shell link with its UTF-16 interface (IShellLinkW);
  // the object handed out takes Shift-JIS and converts.
  HRESULT CoCreateShellLink(std::unique_ptr<IShellLinkA>& link) override;
  // Converts with code page 932 whatever the system's ANSI code page is.
  int MultiByteToWideChar(std::string_view text, std::u16string& wide, int maxChars) override;
};

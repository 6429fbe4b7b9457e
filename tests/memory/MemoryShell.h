// IShell over the in-memory file system: special folders, item lists, the
// shell allocator, the folder picker (answered by a function the owner sets)
// and shell links whose IPersistFile::Save writes a shortcut file into the
// file system. Every object handed out is counted while it lives, and COM
// initialisation is counted, so a test can see what was released.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "tests/memory/MemoryCore.h"

// The fields of a shortcut file written by the in-memory shell.
struct ShortcutFile {
  CString target;
  CString arguments;
  CString description;
  CString workingFolder;
  std::optional<CString> iconPath;  // none when SetIconLocation got a null path
  int iconIndex = 0;
};

class MemoryShell final : public IShell {
 public:
  explicit MemoryShell(std::shared_ptr<mem::MemoryCore> core);

  // A special folder is found when it was set and exists; with create, a
  // missing one is created.
  BOOL SHGetSpecialFolderPathA(HWND owner, CString& path, int csidl, BOOL create) override;
  HRESULT SHGetSpecialFolderLocation(HWND owner, int csidl, ItemIdList& list) override;
  BOOL SHGetPathFromIDListA(const IItemIdList* list, CString& path) override;
  HRESULT SHGetMalloc(std::unique_ptr<IShellMalloc>& malloc) override;
  ItemIdList SHBrowseForFolderA(const BrowseInfo& info) override;
  HRESULT CoInitialize() override;
  void CoUninitialize() override;
  // Fails with CO_E_NOTINITIALIZED unless COM is initialised.
  HRESULT CoCreateShellLink(std::unique_ptr<IShellLinkA>& link) override;
  int MultiByteToWideChar(std::string_view text, std::u16string& wide, int maxChars) override;

  // ----- set-up
  // Sets a special folder's path and creates the folder (with its parents)
  // when its drive exists.
  bool SetSpecialFolder(int csidl, const CString& path);
  void ClearSpecialFolder(int csidl);
  // Makes SHGetSpecialFolderPathA, and the path of SHGetSpecialFolderLocation's
  // list, hand back this text as it is (a network share, an empty path, or
  // anything a hostile system might answer), without a folder.
  void SetSpecialFolderText(int csidl, std::string_view text);
  // What the user picks in the folder picker; nullopt or no handler: Cancel.
  void SetBrowseHandler(mem::BrowseHandler handler);

  // ----- inspection
  // The fields of a shortcut file, nullopt when path is no shortcut file.
  std::optional<ShortcutFile> ReadShortcut(const CString& path) const;
  const std::vector<BrowseInfo>& BrowseCalls() const;
  const mem::ShellCounters& Counters() const;

  // The bytes of a shortcut file, and back.
  static std::string EncodeShortcut(const ShortcutFile& shortcut);
  static std::optional<ShortcutFile> DecodeShortcut(std::string_view bytes);

 private:
  ItemIdList NewItemList(std::string path);
  std::shared_ptr<mem::MemoryCore> m_core;
};

// An HRESULT from its 32 bits: failures (top bit set) come out negative
// whatever the width of long on the host.
constexpr HRESULT HResultFromBits(DWORD bits) {
  return static_cast<HRESULT>(static_cast<std::int32_t>(static_cast<std::uint32_t>(bits)));
}
// HRESULT_FROM_WIN32.
constexpr HRESULT HResultFromWin32(DWORD code) {
  return code == 0 ? S_OK : HResultFromBits((code & 0xFFFF) | 0x80070000UL);
}
constexpr HRESULT CO_E_NOTINITIALIZED_CODE = HResultFromBits(0x800401F0UL);
constexpr HRESULT E_INVALIDARG_CODE = HResultFromBits(0x80070057UL);

#include "installer/Registration.h"

#include <memory>
#include <optional>
#include <string>

#include "installer/HeldFolders.h"
#include "installer/HeldWrites.h"
#include "platform/framework/Afx.h"
#include "shell/Names.h"

namespace {

constexpr char kUninstallerCopyFailed[] = "アンインストーラーのコピーに失敗しました。";
constexpr char kStartMenuFailed[] = "スタートメニューへの登録に失敗しました。";

// A value of the uninstall entry: one string as a multi-string, that is the
// text followed by two zero bytes, all of them counted.
LONG SetMultiStringValue(CRegKey& key, const CString& name, const CString& text) {
  std::string data = text.str();
  data.append(2, '\0');
  return key.SetValue(name, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                      static_cast<DWORD>(data.size()));
}

// The uninstall entry. Failures are not reported: without it the
// installation still works and the uninstaller still runs.
void WriteUninstallKey(IRegistry& registry, const CString& uninstaller) {
  CRegKey key(registry);
  // Non-volatile: the entry has to outlive a restart, as the files do.
  if (key.Create(HKEY_LOCAL_MACHINE, names::UninstallKey(), REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS) !=
      ERROR_SUCCESS) {
    return;
  }
  SetMultiStringValue(key, kUninstallStringValue, uninstaller);
  SetMultiStringValue(key, kDisplayNameValue, kDisplayName);
}

// The current user's Start-menu Programs folder; nothing when the shell
// cannot tell.
std::optional<CString> FindProgramsFolder(PlatformServices& platform) {
  IShell& shell = platform.Shell();
  ItemIdList list;
  if (shell.SHGetSpecialFolderLocation(platform.Ui().GetDesktopWindow(), CSIDL_PROGRAMS, list) < 0 ||
      list == nullptr) {
    return std::nullopt;
  }
  CString folder;
  if (!shell.SHGetPathFromIDListA(list.get(), folder) || folder.IsEmpty()) return std::nullopt;
  return folder;
}

// The Start-menu folder and its two shortcuts. A shortcut that cannot be
// written is reported, and the next step goes on.
void CreateStartMenuEntries(PlatformServices& platform, const CString& dest, const CString& uninstaller) {
  const std::optional<CString> programs = FindProgramsFolder(platform);
  if (!programs) {
    // Without the Programs folder there is nowhere to put the shortcuts:
    // nothing is created anywhere else, and the user is told once.
    AfxMessageBox(platform, kStartMenuFailed, MB_OK);
    return;
  }
  const CString folder = *programs + "\\" + names::kStartMenuFolder;
  platform.Files().CreateDirectoryA(folder);  // it may exist already
  // Written into only when the system reaches the folder by its own path,
  // and held meanwhile: a link put in its place (the Programs folder is the
  // user's own) never receives the shortcuts.
  HeldFolders held(platform.Files());
  if (!held.Hold(folder)) {
    AfxMessageBox(platform, kStartMenuFailed, MB_OK);
    return;
  }

  IShell& shell = platform.Shell();
  if (CreateShortcut(shell, dest + "\\" + kContentPage, folder + "\\" + names::kContentShortcut, "", "", dest,
                     nullptr, 1) != S_OK) {
    AfxMessageBox(platform, kStartMenuFailed, MB_OK);
  }
  if (CreateShortcut(shell, uninstaller, folder + "\\" + names::kUninstallShortcut, "", "", dest,
                     &uninstaller, 1) != S_OK) {
    AfxMessageBox(platform, kStartMenuFailed, MB_OK);
  }
}

}  // namespace

HRESULT CreateShortcut(IShell& shell, const CString& target, const CString& shortcutFile,
                       const CString& arguments, const CString& description, const CString& workingFolder,
                       const CString* iconFile, int iconIndex) {
  // Declared first, so the interfaces below are released before COM goes.
  CComInit com(shell);
  std::unique_ptr<IShellLinkA> link;
  HRESULT result = shell.CoCreateShellLink(link);
  if (result < 0) return result;
  if (link == nullptr) return E_FAIL;

  link->SetArguments(arguments.GetString());
  link->SetDescription(description.GetString());
  link->SetWorkingDirectory(workingFolder.GetString());
  link->SetIconLocation(iconFile != nullptr ? iconFile->GetString() : nullptr, iconIndex);
  link->SetPath(target.GetString());

  std::unique_ptr<IPersistFile> persist;
  result = link->QueryPersistFile(persist);
  if (result < 0) return result;
  if (persist == nullptr) return E_NOINTERFACE;

  // Room for every byte as one wide character: the conversion never cuts
  // the name short, and a name too long for the system fails in Save.
  std::u16string wide;
  if (shell.MultiByteToWideChar(shortcutFile.view(), wide, shortcutFile.GetLength() + 1) == 0) {
    return E_FAIL;
  }
  return persist->Save(wide, TRUE);
}

int RegisterUninstall(PlatformServices& platform, const CString& dest) {
  IFileSystem& files = platform.Files();
  const CString uninstaller = dest + "\\" + names::kUninstaller;
  // Written anew through the held installation folder, never into what is
  // there, and not read-only as on the CD, so a later installation into the
  // same folder can replace it.
  HeldTree held(files);
  if (!held.Hold(dest) || held.CopyFile(kShippedUninstaller, uninstaller) != HeldWrite::Done) {
    AfxMessageBox(platform, kUninstallerCopyFailed, MB_OK);
    return IDCANCEL;
  }

  WriteUninstallKey(platform.Registry(), uninstaller);
  CreateStartMenuEntries(platform, dest, uninstaller);
  return IDOK;
}

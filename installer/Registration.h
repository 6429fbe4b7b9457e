// The last steps of an installation: the uninstaller placed in the
// installation folder, its entry under the system's uninstall key, and a
// Start-menu folder with a shortcut to the content and one to the
// uninstaller. The uninstaller removes exactly these, by the names in
// shell/Names.h.
#pragma once

#include "platform/CString.h"
#include "platform/Platform.h"

// The uninstaller as shipped, beside the installer (whose folder the
// installer made current at its start).
inline constexpr char kShippedUninstaller[] = "uninst.dat";
// The uninstall entry's values.
inline constexpr char kUninstallStringValue[] = "UninstallString";
inline constexpr char kDisplayNameValue[] = "DisplayName";
inline constexpr char kDisplayName[] = "タヴリン　ドラマＣＤ１　デジタルコンテンツ";
// The page the content shortcut opens, below the installation folder.
inline constexpr char kContentPage[] = "index.html";

// Writes one shortcut file: target, shortcut file, arguments, description,
// working folder, icon file (null for none) and icon index. S_OK when the
// file was written; any other result is a failure. COM is initialised for
// this call alone and every interface is released before it is
// uninitialised.
HRESULT CreateShortcut(IShell& shell, const CString& target, const CString& shortcutFile,
                       const CString& arguments, const CString& description, const CString& workingFolder,
                       const CString* iconFile, int iconIndex);

// Copies "uninst.dat" into dest as "uninst.exe", registers it under the
// uninstall key and creates the Start-menu entries. IDOK once the uninstaller
// is in place (registry and Start-menu failures only inform the user);
// IDCANCEL, after its message, when it cannot be copied.
int RegisterUninstall(PlatformServices& platform, const CString& dest);

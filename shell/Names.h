// Names both programs spell identically: the installer creates these, the
// uninstaller removes exactly these.
#pragma once

#include <string>

namespace names {

// Under HKEY_LOCAL_MACHINE.
inline constexpr char kUninstallParentKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr char kUninstallSubKey[] = "VEVUVODIVERU1";
// The installer writes its entry at the parent key + "\\" + the sub-key; the
// uninstaller opens the parent and deletes the sub-key.
inline std::string UninstallKey() { return std::string(kUninstallParentKey) + "\\" + kUninstallSubKey; }

// Below the Start menu's Programs folder.
inline constexpr char kStartMenuFolder[] = "Harborlit";
inline constexpr char kContentShortcut[] = "zuvIV１iru.lnk";
inline constexpr char kUninstallShortcut[] = "UnInstall.lnk";

// The uninstaller as placed in the installation folder.
inline constexpr char kUninstaller[] = "uninst.exe";

}  // namespace names

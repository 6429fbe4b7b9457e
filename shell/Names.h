// Names both programs spell identically: the installer creates these, the
// uninstaller removes exactly these.
#pragma once

namespace names {

// Under HKEY_LOCAL_MACHINE.
inline constexpr char kUninstallParentKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr char kUninstallSubKey[] = "VEVUVODIVERU1";
inline constexpr char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VEVUVODIVERU1";

// Below the Start menu's Programs folder.
inline constexpr char kStartMenuFolder[] = "Harborlit";
inline constexpr char kContentShortcut[] = "zuvIV１iru.lnk";
inline constexpr char kUninstallShortcut[] = "UnInstall.lnk";

// The uninstaller as placed in the installation folder.
inline constexpr char kUninstaller[] = "uninst.exe";

}  // namespace names

#!/usr/bin/env bash
# The Windows programs stand alone: they import only the system's own DLLs
# (no libstdc++, libgcc or winpthread beside them), and only those the
# loader never looks for in the program's folder (a disc image or a folder a
# user can write to, while the program runs elevated): KnownDLLs, and the
# comctl32 that the manifest's Common-Controls dependency takes from the
# side-by-side store. They carry a manifest that
# asks for administrator rights, names the supported systems and declares
# system DPI awareness (drawn at the screen's DPI, not stretched). They are
# shipped small: no symbols inside (at most 400 KB each), which lie beside
# them in NAME.exe.debug, named by the program's debug link. Their resources
# are read back (check_resources.py): Japanese dialogs, the version
# information, and the icons (the uninstaller's second one is UnInstall.lnk's).
# Usage: check_executables.sh OBJDUMP EXE...
set -euo pipefail
objdump=$1
shift
nm=${objdump%objdump}nm
# The values of HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs
# on Windows 10 (its WOW64 and ARM entries aside): the loader maps these from
# System32 alone, whatever the search path. Not among them, and so never a
# static import here: comctl32 but for the manifest's, uxtheme, version,
# crypt32, winmm, and every other DLL of System32. ntdll is mapped into every
# process before anything is searched.
known_dlls='advapi32|clbcatq|combase|comdlg32|coml2|difxapi|gdi32|gdiplus|imagehlp|imm32|kernel32|msctf|msvcrt|normaliz|nsi|ntdll|ole32|oleaut32|psapi|rpcrt4|sechost|setupapi|shcore|shell32|shlwapi|user32|wldap32|ws2_32'
allowed="^($known_dlls|comctl32)\.dll\$"
failed=0
for exe in "$@"; do
  name=$(basename "$exe")
  dlls=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p')
  [ -n "$dlls" ] || { echo "FAIL $name: no imports found"; failed=1; }
  while read -r dll; do
    [ -z "$dll" ] && continue
    if ! grep -qiE "$allowed" <<<"$dll"; then
      echo "FAIL $name imports $dll, which is not a KnownDLL (the loader would look for it in the program's folder first)"
      failed=1
    fi
  done <<<"$dlls"
  # comctl32 comes from the side-by-side store only through the manifest.
  if grep -qix 'comctl32\.dll' <<<"$dlls" && ! grep -qaF 'name="Microsoft.Windows.Common-Controls"' "$exe"; then
    echo "FAIL $name imports comctl32.dll without the manifest's Common-Controls dependency"
    failed=1
  fi
  # The first call of WinMain restricts the DLL search to System32
  # (platform/win32/DllSearch.h): before it, a DLL that a system DLL loads
  # by name could come from the program's folder. Addresses are read from
  # the symbols in NAME.exe.debug, the call from the program's own code.
  winmain=$("$nm" "$exe.debug" 2>/dev/null | awk '$2 == "T" && $3 ~ /^_?WinMain(@16)?$/ {print $1}')
  restrict=$("$nm" "$exe.debug" 2>/dev/null | awk '$2 == "T" && $3 ~ /^_?_Z17RestrictDllSearchv$/ {print $1}')
  first_call=""
  if [ -n "$winmain" ]; then
    first_call=$("$objdump" -d --no-show-raw-insn --start-address="0x$winmain" \
      --stop-address="$(printf '0x%x' $((0x$winmain + 256)))" "$exe" |
      awk '$2 == "call" || $2 == "calll" || $2 == "callq" {print $3; exit}')
  fi
  if [ -z "$restrict" ] || ! [[ $first_call =~ ^0x[0-9a-f]+$ ]] || ((first_call != 0x$restrict)); then
    echo "FAIL $name: WinMain's first call (${first_call:-none}) is not RestrictDllSearch (${restrict:-absent})"
    failed=1
  fi
  for needle in SetDefaultDllDirectories SetDllDirectoryW; do
    grep -qaF "$needle" "$exe" || { echo "FAIL $name never names $needle"; failed=1; }
  done
  # The manifest is stored as UTF-8 text in the resources.
  for needle in 'level="requireAdministrator"' '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>' \
    '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>' \
    '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">system</dpiAwareness>'; do
    if ! grep -qaF "$needle" "$exe"; then
      echo "FAIL $name: its manifest lacks $needle"
      failed=1
    fi
  done
  size=$(stat -c %s "$exe")
  if [ "$size" -gt 409600 ]; then
    echo "FAIL $name is $size bytes, more than 400 KB"
    failed=1
  fi
  if "$objdump" -h "$exe" | grep -qE ' \.debug_| \.symtab'; then
    echo "FAIL $name still carries debugging information"
    failed=1
  fi
  if ! "$objdump" -h "$exe.debug" 2>/dev/null | grep -q ' \.debug_info' ||
     ! "$objdump" -s -j .gnu_debuglink "$exe" 2>/dev/null | grep -qF "$(basename "$exe.debug" | cut -c1-12)"; then
    echo "FAIL $name: no symbols in $name.debug, or the program does not name that file"
    failed=1
  fi
  case "$name" in
    installer.exe) description="ドラマＣＤ１ インストーラー" icons=1 ;;
    uninst.exe) description="ドラマＣＤ１ アンインストーラー" icons=2 ;;
    *) description="?" icons=1 ;;
  esac
  python3 "$(dirname "$0")/check_resources.py" "$exe" "$description" "$icons" || failed=1
  [ "$failed" = 0 ] && echo "ok $name: $size bytes; $(tr '\n' ' ' <<<"$dlls")"
done
exit "$failed"

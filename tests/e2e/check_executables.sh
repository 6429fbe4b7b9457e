#!/usr/bin/env bash
# The Windows programs stand alone: they import only the system's own DLLs
# (no libstdc++, libgcc or winpthread beside them) and carry a manifest that
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
allowed='^(ADVAPI32|COMCTL32|COMDLG32|GDI32|KERNEL32|msvcrt|ole32|OLEAUT32|SHELL32|SHLWAPI|USER32|UxTheme)\.dll$'
failed=0
for exe in "$@"; do
  name=$(basename "$exe")
  dlls=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p')
  [ -n "$dlls" ] || { echo "FAIL $name: no imports found"; failed=1; }
  while read -r dll; do
    [ -z "$dll" ] && continue
    if ! grep -qiE "$allowed" <<<"$dll"; then
      echo "FAIL $name imports $dll, which is not a system DLL"
      failed=1
    fi
  done <<<"$dlls"
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

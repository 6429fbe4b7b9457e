#!/usr/bin/env bash
# The Windows programs stand alone: they import only the system's own DLLs
# (no libstdc++, libgcc or winpthread beside them) and carry a manifest that
# asks for administrator rights and names the supported systems.
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
  for needle in 'level="requireAdministrator"' '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>'; do
    if ! grep -qaF "$needle" "$exe"; then
      echo "FAIL $name: its manifest lacks $needle"
      failed=1
    fi
  done
  [ "$failed" = 0 ] && echo "ok $name: $(tr '\n' ' ' <<<"$dlls")"
done
exit "$failed"

#!/usr/bin/env bash
# Runs platform_check.exe in a fresh Wine prefix: once under the Japanese
# locale (ANSI code page 932) and once under a non-Japanese one (code page
# 1252), so a conversion that leaned on the system's code page would show.
# A folder mapped as CD drive Q: with a Japanese volume label serves the drive
# checks. Usage: run_platform_check.sh path/to/platform_check.exe
set -euo pipefail

exe=$(readlink -f "$1")

# The wine64 binary under its own name: started through a symlink named
# "wine", Wine 8 looks for a loader named "wine" beside the real binary and
# fails when only wine64 is installed.
find_wine() {
  local candidate
  for candidate in "${WINE:-}" /usr/lib/wine/wine64 "$(command -v wine64 || true)" \
                   "$(command -v wine || true)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
      readlink -f "$candidate"
      return 0
    fi
  done
  echo "run_platform_check: no wine found" >&2
  return 1
}
wine=$(find_wine)
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

work=$(mktemp -d "${TMPDIR:-/tmp}/platform_check.XXXXXX")
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
# No menu entries, and no offer to install Mono or Gecko into the prefix.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "run_platform_check: creating the prefix"
LANG=ja_JP.UTF-8 "$wine" wineboot -i >"$work/wineboot.log" 2>&1 || {
  cat "$work/wineboot.log"
  exit 1
}
"$wineserver" -w

# Drive Q: is a CD-ROM drive; Wine reads a directory's label from .windows-label.
mkdir -p "$work/cd"
printf '%s' 'ドラマＣＤ_検査' >"$work/cd/.windows-label"
ln -s "$work/cd" "$WINEPREFIX/dosdevices/q:"
LANG=ja_JP.UTF-8 "$wine" reg add 'HKLM\Software\Wine\Drives' /v q: /d cdrom /f >/dev/null 2>&1
"$wineserver" -w

status=0
run() {
  local locale=$1 acp=$2
  echo "run_platform_check: LANG=$locale"
  if ! LANG=$locale LC_ALL=$locale "$wine" "$exe" --expect-acp "$acp" --cd-drive Q; then
    status=1
  fi
  "$wineserver" -w
}
run ja_JP.UTF-8 932
run C.UTF-8 1252
exit $status

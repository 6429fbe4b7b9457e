#!/usr/bin/env bash
# Runs platform_check.exe in a fresh Wine prefix (tests/e2e/lib.sh: Japanese
# locale, virtual desktop on its own display), once with the system's ANSI
# code page 932 and once with 1252, so that a conversion leaning on the
# system's code page instead of 932 shows up as failures. A folder mapped as CD
# drive Q: with a Japanese volume label serves the drive checks.
# Usage: run_platform_check.sh path/to/platform_check.exe
exe=$(readlink -f "$1")
source "$(dirname "$0")/../lib.sh"
e2e_begin platform_check

# The template maps q: as a CD-ROM drive; Wine reads its label from .windows-label.
cd_folder=$E2E_WORK/cd
mkdir -p "$cd_folder"
printf '%s' 'ドラマＣＤ_検査' >"$cd_folder/.windows-label"
ln -sfn "$cd_folder" "$WINEPREFIX/dosdevices/q:"

status=0
run_check() {
  local locale=$1 codepage=$2 log=$E2E_DIR/check-$2.log result=0
  e2e_log "platform_check.exe with LANG=$locale"
  LANG=$locale LC_ALL=$locale e2e_bounded 180 "$WINE" "$exe" --expect-acp "$codepage" --cd-drive Q \
    >"$log" 2>&1 || result=$?
  cat "$log"
  e2e_bounded 30 "$WINESERVER" -w || true
  if [ "$result" -ne 0 ]; then
    e2e_log "platform_check.exe with LANG=$locale ended with $result"
    status=1
  fi
}
run_check ja_JP.UTF-8 932
run_check C.UTF-8 1252
exit $status

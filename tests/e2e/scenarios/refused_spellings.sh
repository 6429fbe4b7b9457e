#!/usr/bin/env bash
# Protected folders under other spellings. Copies of uninst.exe in Program
# Files and in the Windows folder's Temp, each started through a spelling
# that does not look like the folder: its short name (C:\PROG~FBU under Wine), a path
# through a Unix symbolic link to the Windows folder, and a drive letter
# mapped onto the Windows folder. Each refuses with its message and empties
# nothing. Then the installer, given Program Files by its short name and a
# folder on the mapped drive, refuses both before any other question and
# creates nothing. Every canary stays.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../uninst_lib.sh"
source "$(dirname "$0")/../installer_lib.sh"
e2e_begin refused_spellings

[ -f "${E2E_UNINST:-}" ] && [ -f "${E2E_INSTALLER:-}" ] || e2e_fail "E2E_UNINST or E2E_INSTALLER do not name the built programs"
program_files=$(uninst_unix 'C:\Program Files')
temp=$(uninst_unix 'C:\windows\temp')
mkdir -p "$temp/deeper"
canaries=("$program_files/canary.txt" "$temp/canary.txt" "$temp/deeper/canary.txt")
for f in "${canaries[@]}"; do echo alive >"$f"; done
cp "$E2E_UNINST" "$program_files/uninst.exe"
cp "$E2E_UNINST" "$temp/uninst.exe"
ln -s "$(uninst_unix 'C:\windows')" "$(uninst_unix 'C:\winlink')"
ln -sfn "$(uninst_unix 'C:\windows')" "$WINEPREFIX/dosdevices/w:"
listing() { (cd "$1" && find . -maxdepth 2 | LC_ALL=C sort); }
before_pf=$(listing "$program_files")
before_temp=$(listing "$temp")

# Wine makes its short names from a hash (PROG~FBU, say), not PROGRA~1.
short=$(e2e_bounded 60 "$WINE" cmd /c 'dir /x C:\' 2>/dev/null | tr -d '\r' |
  awk '/<DIR>/ && / Program Files$/ { print $(NF - 2) }')
[[ "$short" == *~* ]] || e2e_fail "no short name for C:\Program Files (dir /x gave '$short')"
e2e_log "C:\\Program Files is also C:\\$short"

n=0
for start in "C:\\$short\\uninst.exe" 'C:\winlink\Temp\uninst.exe' 'W:\Temp\uninst.exe'; do
  n=$((n + 1))
  e2e_start "$start" 'C:\'
  e2e_script "uninst-$n" <<SCRIPT
wait-window "$UNINST_CAPTION" timeout=60000
wait-window uninst
expect-msgbox "このフォルダからはアンインストールできません。" ok caption=uninst
expect-no-window "$UNINST_CAPTION" timeout=30000
SCRIPT
  e2e_drive "uninst-$n" || e2e_fail "$start was not refused as expected"
  e2e_wait_program 30
  [ "$E2E_EXIT" -eq 0 ] || e2e_fail "$start ended with exit code $E2E_EXIT, wanted 0"
  e2e_log "$start refused"
done

e2e_stage_cd "$E2E_INSTALLER"
e2e_start 'Q:\installer.exe' 'Q:\'
e2e_script installer <<SCRIPT
$(inst_script_open)
set-text "$INST_SETUP" 1003 "C:\\\\$short"
click "$INST_SETUP" 1
expect-msgbox "$INST_MSG_CONFIRM" yes caption=$INST_MSG_CAPTION
wait-window $INST_MSG_CAPTION
screenshot $INST_MSG_CAPTION "$E2E_DIR/refused.png" area=window
expect-msgbox "このフォルダにはインストールできません。" ok caption=$INST_MSG_CAPTION
wait-window "$INST_SETUP"
set-text "$INST_SETUP" 1003 "W:\\\\Temp\\\\Game"
click "$INST_SETUP" 1
expect-msgbox "$INST_MSG_CONFIRM" yes caption=$INST_MSG_CAPTION
expect-msgbox "このフォルダにはインストールできません。" ok caption=$INST_MSG_CAPTION
wait-window "$INST_SETUP"
key "$INST_SETUP" escape
expect-msgbox "$INST_MSG_QUIT" yes caption=$INST_MSG_CAPTION
expect-no-window "$INST_BACKDROP" timeout=30000
SCRIPT
e2e_drive installer || e2e_fail "the installer did not refuse the destinations as expected"
e2e_wait_program 30
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "installer.exe ended with exit code $E2E_EXIT, wanted 0"

for f in "${canaries[@]}"; do
  [ "$(cat "$f" 2>/dev/null)" = alive ] || e2e_fail "canary $f is gone"
done
[ "$(listing "$program_files")" = "$before_pf" ] || e2e_fail "Program Files changed: $(listing "$program_files")"
[ "$(listing "$temp")" = "$before_temp" ] || e2e_fail "the Windows folder's Temp changed: $(listing "$temp")"
inst_expect_no_registry
e2e_log "every spelling refused; every canary intact, nothing created"

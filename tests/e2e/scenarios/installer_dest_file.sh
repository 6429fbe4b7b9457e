#!/usr/bin/env bash
# A destination below a folder every account may change (world-writable:
# Wine reads it as Everyone with full rights): refused, nothing made in it.
# A destination that is a file: the installer says so and shows the setup
# dialog again; the file stays as it was. The second destination, a new
# folder whose name holds 表 and ソ (Shift-JIS characters whose second byte
# is a backslash), is created whole, with no stray folder beside it.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../installer_lib.sh"
e2e_begin installer_dest_file

[ -f "${E2E_INSTALLER:-}" ] || e2e_fail "E2E_INSTALLER does not name the built installer.exe"
e2e_stage_cd "$E2E_INSTALLER"
parent=$(inst_unix_path 'C:\Program Files\Harborlit')
mkdir -p "$parent"
printf 'not a folder\r\n' >"$parent/Drama1"
open=$(inst_unix_path 'C:\Games\Open')
mkdir -p "$open"
chmod 0777 "$open"
e2e_start 'Q:\installer.exe' 'Q:\'

dest='C:\Program Files\Harborlit\表示ソフト'
e2e_script dest_file <<SCRIPT
$(inst_script_open)
expect-text "$INST_SETUP" 1003 "$INST_DEFAULT_DEST"
set-text "$INST_SETUP" 1003 'C:\Games\Open\Drama1'
click "$INST_SETUP" 1
expect-msgbox "$INST_MSG_CONFIRM" yes caption=$INST_MSG_CAPTION
expect-msgbox "$INST_MSG_UNTRUSTED" ok caption=$INST_MSG_CAPTION
wait-window "$INST_SETUP"
expect-text "$INST_SETUP" 1003 "$INST_DEFAULT_DEST"
click "$INST_SETUP" 1
expect-msgbox "$INST_MSG_CONFIRM" yes caption=$INST_MSG_CAPTION
wait-window $INST_MSG_CAPTION
screenshot $INST_MSG_CAPTION "$E2E_DIR/is-file.png" area=window
expect-msgbox "$INST_MSG_IS_FILE" ok caption=$INST_MSG_CAPTION
wait-window "$INST_SETUP"
expect-text "$INST_SETUP" 1003 "$INST_DEFAULT_DEST"
set-text "$INST_SETUP" 1003 "$dest"
click "$INST_SETUP" 1
expect-msgbox "$INST_MSG_CONFIRM" yes caption=$INST_MSG_CAPTION
expect-msgbox "$INST_MSG_CREATE" yes caption=$INST_MSG_CAPTION
wait-window "$INST_FINISH" timeout=60000
$(inst_script_close)
SCRIPT
e2e_drive dest_file || e2e_fail "the installer did not handle the destination file as expected"
e2e_wait_program 30
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "installer.exe ended with exit code $E2E_EXIT, wanted 0"

[ "$(cat "$parent/Drama1")" = $'not a folder\r' ] || e2e_fail "the file Drama1 was changed"
[ -z "$(ls -A "$open")" ] || e2e_fail "something was made in the world-writable folder: $(ls -A "$open")"
got=$(cd "$parent" && ls -A | sort)
want=$(printf '%s\n' Drama1 表示ソフト | sort)
[ "$got" = "$want" ] || e2e_fail "Harborlit holds"$'\n'"$got"$'\n'"wanted"$'\n'"$want"
inst_check_installation "$dest"

#!/usr/bin/env bash
# Setup cancelled, then confirmed. Escape in the setup dialog asks whether to
# quit; No shows the dialog again, filled in anew (the typed destination and
# drive are replaced by the default and the detected Q). No to the start
# question keeps the dialog open with what was typed. A destination of blanks
# and backslashes only is refused before anything is created. Yes installs
# into the typed destination, which the installer creates.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../installer_lib.sh"
e2e_begin installer_setup_cancel

[ -f "${E2E_INSTALLER:-}" ] || e2e_fail "E2E_INSTALLER does not name the built installer.exe"
e2e_stage_cd "$E2E_INSTALLER"
e2e_start 'Q:\installer.exe' 'Q:\'

dest='C:\Program Files\Harborlit\Drama1 Other'
e2e_script setup_cancel <<SCRIPT
$(inst_script_open)
expect-text "$INST_SETUP" 1002 "Q"
set-text "$INST_SETUP" 1002 "X"
set-text "$INST_SETUP" 1003 "D:\\elsewhere"
key "$INST_SETUP" escape
expect-msgbox "$INST_MSG_QUIT" no caption=$INST_MSG_CAPTION
wait-window "$INST_SETUP"
expect-text "$INST_SETUP" 1002 "Q"
expect-text "$INST_SETUP" 1003 "$INST_DEFAULT_DEST"
expect-text "$INST_SETUP" 1001 $(inst_readme_word)
set-text "$INST_SETUP" 1003 " \\\\ "
click "$INST_SETUP" 1
expect-msgbox "$INST_MSG_CONFIRM" yes caption=$INST_MSG_CAPTION
expect-msgbox "$INST_MSG_NO_DEST" ok caption=$INST_MSG_CAPTION
wait-window "$INST_SETUP"
expect-text "$INST_SETUP" 1003 "$INST_DEFAULT_DEST"
set-text "$INST_SETUP" 1003 "  $dest\\\\\\\\ "
click "$INST_SETUP" 1
expect-msgbox "$INST_MSG_CONFIRM" no caption=$INST_MSG_CAPTION
expect-text "$INST_SETUP" 1003 "  $dest\\\\\\\\ "
screenshot "$INST_SETUP" "$E2E_DIR/setup-kept.png" area=window
click "$INST_SETUP" 1
expect-msgbox "$INST_MSG_CONFIRM" yes caption=$INST_MSG_CAPTION
expect-msgbox "$INST_MSG_CREATE" yes caption=$INST_MSG_CAPTION
wait-window "$INST_FINISH" timeout=60000
$(inst_script_close)
SCRIPT
e2e_drive setup_cancel || e2e_fail "the setup dialog did not behave as expected"
e2e_wait_program 30
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "installer.exe ended with exit code $E2E_EXIT, wanted 0"

# The surrounding blanks and trailing backslashes were dropped from the path.
inst_check_installation "$dest"
[ ! -e "$(inst_unix_path "$INST_DEFAULT_DEST")" ] || e2e_fail "the default destination was created too"

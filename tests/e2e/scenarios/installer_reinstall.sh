#!/usr/bin/env bash
# A second installation into the same folder. The first one is the default
# installation; then an installed page and the uninstaller are changed, the
# uninstall key and one shortcut removed. The second one asks whether to
# overwrite the existing folder and, on Yes, replaces every file (the first
# installation cleared the read-only attributes, the uninstaller's included),
# writes the key again and both shortcuts.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../installer_lib.sh"
e2e_begin installer_reinstall

[ -f "${E2E_INSTALLER:-}" ] || e2e_fail "E2E_INSTALLER does not name the built installer.exe"
e2e_stage_cd "$E2E_INSTALLER"
e2e_start 'Q:\installer.exe' 'Q:\'
inst_script_default_install | e2e_script first
e2e_drive first || e2e_fail "the first installation did not go as expected"
e2e_wait_program 30
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "the first installer.exe ended with exit code $E2E_EXIT"

dest=$(inst_unix_path "$INST_DEFAULT_DEST")
printf 'changed\r\n' >"$dest/01.html"
printf 'changed\r\n' >"$dest/uninst.exe"
e2e_bounded 60 "$WINE" reg delete "HKLM\\$INST_UNINSTALL_KEY" "/reg:$E2E_REG_VIEW" /f >/dev/null 2>&1 || e2e_fail "cannot delete the uninstall key"
inst_expect_no_registry
programs=$(inst_inspect folder programs)
rm "$(inst_unix_path "${programs#path$'\t'}\\$INST_MENU_FOLDER\\$INST_UNINST_LINK")"

e2e_start 'Q:\installer.exe' 'Q:\'
e2e_script second <<SCRIPT
$(inst_script_open)
expect-text "$INST_SETUP" 1003 "$INST_DEFAULT_DEST"
click "$INST_SETUP" 1
expect-msgbox "$INST_MSG_CONFIRM" yes caption=$INST_MSG_CAPTION
wait-window $INST_MSG_CAPTION
screenshot $INST_MSG_CAPTION "$E2E_DIR/overwrite.png" area=window
expect-msgbox "$INST_MSG_OVERWRITE" yes caption=$INST_MSG_CAPTION
wait-window "$INST_FINISH" timeout=60000
$(inst_script_close)
SCRIPT
e2e_drive second || e2e_fail "the second installation did not go as expected"
e2e_wait_program 30
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "the second installer.exe ended with exit code $E2E_EXIT"

inst_check_installation "$INST_DEFAULT_DEST"

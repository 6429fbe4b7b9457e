#!/usr/bin/env bash
# A content file missing on the CD: the copy dialog shows the file it tried,
# the installer reports the failed copy and then that the installation is not
# complete, and ends. What was copied before stays (pages rewritten); nothing
# after it is copied, and no uninstaller, uninstall key or Start-menu entry
# is made.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../installer_lib.sh"
e2e_begin installer_missing_file

[ -f "${E2E_INSTALLER:-}" ] || e2e_fail "E2E_INSTALLER does not name the built installer.exe"
drop_sound() { rm "$1/HTML/media/opening.wav"; }
E2E_CD_TAMPER=drop_sound e2e_stage_cd "$E2E_INSTALLER"
e2e_start 'Q:\installer.exe' 'Q:\'

e2e_script missing_file <<SCRIPT
$(inst_script_open)
click "$INST_SETUP" 1
expect-msgbox "$INST_MSG_CONFIRM" yes caption=$INST_MSG_CAPTION
expect-msgbox "$INST_MSG_CREATE" yes caption=$INST_MSG_CAPTION
wait-window $INST_MSG_CAPTION timeout=60000
expect-text "$INST_COPY" 1005 "Q:\\HTML\\media\\opening.wav"
expect-text "$INST_COPY" 1006 "$INST_DEFAULT_DEST\\media\\opening.wav"
screenshot "$INST_COPY" "$E2E_DIR/copy-failed-dialog.png" area=window
measure-texts "$INST_COPY" $E2E_DIALOG_FONT
screenshot $INST_MSG_CAPTION "$E2E_DIR/copy-failed.png" area=window
expect-msgbox "$INST_MSG_COPY_FAILED" ok caption=$INST_MSG_CAPTION
expect-msgbox "$INST_MSG_INCOMPLETE" ok caption=$INST_MSG_CAPTION
expect-no-window "$INST_BACKDROP" timeout=30000
SCRIPT
e2e_drive missing_file || e2e_fail "the failed copy was not reported as expected"
# (The copy dialog holds still only while a message box is over it.)
e2e_check_text_fit "$E2E_DIR/missing_file.log"
e2e_wait_program 30
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "installer.exe ended with exit code $E2E_EXIT, wanted 0"

list=$E2E_DIR/expected-partial.txt
inst_expected_files | sed '/^media\/opening.wav/,$d' >"$list"
echo 'media/' >>"$list"
inst_check_files "$INST_DEFAULT_DEST" "$E2E_CD" "$list"
inst_expect_no_registry
inst_expect_no_menu

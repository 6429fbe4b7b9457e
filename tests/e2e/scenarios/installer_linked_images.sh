#!/usr/bin/env bash
# An existing destination whose images folder is a Unix symbolic link to
# C:\outside, as a user who may write to the destination could leave it.
# The overwrite question is answered Yes; the copy writes the files before
# images, then refuses the first one below the link as a failed copy:
# nothing is written through it, the outside file is untouched, and the
# installation is reported incomplete (no uninstall key).
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../installer_lib.sh"
e2e_begin installer_linked_images

[ -f "${E2E_INSTALLER:-}" ] || e2e_fail "E2E_INSTALLER does not name the built installer.exe"
e2e_stage_cd "$E2E_INSTALLER"
dest=$(inst_unix_path "$INST_DEFAULT_DEST")
outside=$(inst_unix_path 'C:\outside')
mkdir -p "$dest" "$outside"
printf 'outside\r\n' >"$outside/top.jpg"
ln -s "$outside" "$dest/images"

e2e_start 'Q:\installer.exe' 'Q:\'
e2e_script linked <<SCRIPT
$(inst_script_open)
expect-text "$INST_SETUP" 1003 "$INST_DEFAULT_DEST"
click "$INST_SETUP" 1
expect-msgbox "$INST_MSG_CONFIRM" yes caption=$INST_MSG_CAPTION
expect-msgbox "$INST_MSG_OVERWRITE" yes caption=$INST_MSG_CAPTION
wait-window $INST_MSG_CAPTION timeout=60000
screenshot $INST_MSG_CAPTION "$E2E_DIR/copy-failed.png" area=window
expect-msgbox "$INST_MSG_COPY_FAILED" ok caption=$INST_MSG_CAPTION
expect-msgbox "$INST_MSG_INCOMPLETE" ok caption=$INST_MSG_CAPTION
expect-no-window "$INST_BACKDROP" timeout=30000
SCRIPT
e2e_drive linked || e2e_fail "the installer did not refuse the linked folder as expected"
e2e_wait_program 30
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "installer.exe ended with exit code $E2E_EXIT, wanted 0"

[ "$(cat "$outside/top.jpg")" = $'outside\r' ] || e2e_fail "the outside file was changed"
[ "$(ls -A "$outside")" = top.jpg ] || e2e_fail "C:\\outside holds: $(ls -A "$outside")"
[ -L "$dest/images" ] || e2e_fail "the link itself is gone or replaced"
[ -f "$dest/index.html" ] || e2e_fail "the files before images were not copied"
inst_expect_no_registry
e2e_log "nothing written through the link; the outside file is intact"

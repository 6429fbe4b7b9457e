#!/usr/bin/env bash
# The installer, started from the CD, shows its maximised blue backdrop with
# the white title behind the setup dialog, and ends with exit code 0 when the
# user cancels the setup and confirms; nothing is installed.
source "$(dirname "$0")/../lib.sh"
e2e_begin installer_backdrop

[ -f "${E2E_INSTALLER:-}" ] || e2e_fail "E2E_INSTALLER does not name the built installer.exe"
e2e_stage_cd "$E2E_INSTALLER"
e2e_start 'Q:\installer.exe' 'Q:\'

caption="ドラマＣＤ１ インストーラー"
# The setup dialog opens over the backdrop's top left corner, where the title
# is; the quit question after Escape sits in the middle, so the backdrop is
# photographed while it is asked. Yes ends the program without installing
# anything.
e2e_script backdrop <<SCRIPT
wait-window "$caption"
expect-maximized "$caption"
wait-window "情報"
key "情報" escape
wait-window installer
screenshot "$caption" "$E2E_DIR/backdrop.png"
screenshot "$caption" "$E2E_DIR/backdrop-window.png" area=window
expect-msgbox "インストールは終わっていません。\n終了しますか？" yes caption=installer
expect-no-window "$caption"
SCRIPT
e2e_drive backdrop || e2e_fail "the driver script failed"
e2e_wait_program 30
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "installer.exe ended with exit code $E2E_EXIT, wanted 0"

e2e_expect_backdrop "$E2E_DIR/backdrop.png" blue
e2e_publish "$E2E_DIR/backdrop-window.png" "${E2E_NAME//_/-}.png"
[ ! -e "$WINEPREFIX/drive_c/Program Files/Harborlit" ] || e2e_fail "a destination folder was created"

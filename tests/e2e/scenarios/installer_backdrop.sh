#!/usr/bin/env bash
# The installer, started from the CD, shows its maximised blue backdrop with
# the white title, and ends with exit code 0 when the backdrop is closed.
source "$(dirname "$0")/../lib.sh"
e2e_begin installer_backdrop

[ -f "${E2E_INSTALLER:-}" ] || e2e_fail "E2E_INSTALLER does not name the built installer.exe"
e2e_stage_cd "$E2E_INSTALLER"
e2e_start 'Q:\installer.exe' 'Q:\'

caption="ドラマＣＤ１ インストーラー"
e2e_script backdrop <<SCRIPT
wait-window "$caption"
expect-maximized "$caption"
screenshot "$caption" "$E2E_DIR/backdrop.png"
screenshot "$caption" "$E2E_DIR/backdrop-window.png" area=window
close "$caption"
expect-no-window "$caption"
SCRIPT
e2e_drive backdrop || e2e_fail "the driver script failed"
e2e_wait_program 30
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "installer.exe ended with exit code $E2E_EXIT, wanted 0"

e2e_expect_backdrop "$E2E_DIR/backdrop.png" blue
e2e_publish "$E2E_DIR/backdrop-window.png" installer-backdrop.png

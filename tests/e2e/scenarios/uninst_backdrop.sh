#!/usr/bin/env bash
# The uninstaller, started in an installation folder as its Start-menu
# shortcut would start it, shows its maximised red backdrop with the white
# title and its confirmation over it, and ends with exit code 0 when the
# confirmation is cancelled, leaving the folder as it was.
source "$(dirname "$0")/../lib.sh"
e2e_begin uninst_backdrop

[ -f "${E2E_UNINST:-}" ] || e2e_fail "E2E_UNINST does not name the built uninst.exe"
folder="$WINEPREFIX/drive_c/Program Files/Harborlit/Drama1"
mkdir -p "$folder"
cp "$E2E_UNINST" "$folder/uninst.exe"
echo kept >"$folder/index.html"
e2e_start 'C:\Program Files\Harborlit\Drama1\uninst.exe' 'C:\Program Files\Harborlit\Drama1'

caption="ドラマＣＤ１ アンインストーラー"
e2e_script backdrop <<SCRIPT
# The confirmation opens as soon as the backdrop has painted: it is the
# window waited for next, so it may come while the backdrop is checked.
wait-window "$caption"
expect-maximized "$caption"
wait-window "情報"
screenshot "$caption" "$E2E_DIR/backdrop.png"
screenshot "$caption" "$E2E_DIR/backdrop-window.png" area=window
key "情報" escape
expect-no-window "$caption"
SCRIPT
e2e_drive backdrop || e2e_fail "the driver script failed"
e2e_wait_program 30
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "uninst.exe ended with exit code $E2E_EXIT, wanted 0"
[ -f "$folder/index.html" ] && [ -f "$folder/uninst.exe" ] || e2e_fail "cancelling removed files"

e2e_expect_backdrop "$E2E_DIR/backdrop.png" red
e2e_publish "$E2E_DIR/backdrop-window.png" uninst-backdrop.png

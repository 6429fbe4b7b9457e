#!/usr/bin/env bash
# The whole round trip: the sample CD installed by the real installer, a dot
# folder with a file and a read-only file in a subfolder planted in the
# installation, then the uninstaller started through its real Start-menu
# shortcut and confirmed. Checked: the uninstall key, both shortcuts and the
# Start-menu folder are gone; of the installation only uninst.exe, the dot
# folder and what the read-only file held back from the walk are left; the
# restart deletions name uninst.exe before the folder; after a restart of
# Wine (wineboot -r) uninst.exe is gone. (uninst_high_dpi runs it at 144 DPI.)
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../uninst_lib.sh"
e2e_begin uninst_round_trip
# Wine carries out the restart deletions whenever its server starts afresh
# (the first process of a session runs wineboot): the server is kept for the
# whole scenario, so only the wineboot -r below restarts the system.
uninst_keep_server

[ -f "${E2E_UNINST:-}" ] && [ -f "${E2E_PLANT:-}" ] || e2e_fail "E2E_UNINST or E2E_PLANT do not name the built programs"
# (e2e_plant tells the Programs folder.)
dest_win=$UNINST_INSTALL_WIN
dest=$(uninst_unix "$dest_win")
uninst_install "$dest_win"
mkdir -p "$dest/.userdata" "$dest/ソング/ro"
echo mine >"$dest/.userdata/notes.txt"
echo locked >"$dest/ソング/ro/locked.txt"
chmod a-w "$dest/ソング/ro/locked.txt"
python3 "$E2E_HERE/uninst_walk.py" "$dest" >"$E2E_DIR/expected-left.txt"
messages=$(sed -n 's/^messages //p' "$E2E_DIR/expected-left.txt")
sed -i '/^messages /d' "$E2E_DIR/expected-left.txt"
[ "$messages" = 0 ] || e2e_fail "the planted layout would show $messages message boxes"
grep -qx '表紙.html' "$E2E_DIR/expected-left.txt" || e2e_fail "the read-only file holds nothing back"
grep -qx 'index.html' "$E2E_DIR/expected-left.txt" && e2e_fail "the read-only file holds back too much"

programs=$(uninst_programs)
link_win="$programs\\Harborlit\\UnInstall.lnk"
e2e_log "starting the uninstaller through $link_win"
(cd "$E2E_WORK" && exec "$WINE" start /wait "$link_win") >"$E2E_DIR/program.log" 2>&1 &
E2E_PROG_PID=$!
uninst_confirm_script uninstall "$dest_win"
e2e_drive uninstall || e2e_fail "the uninstallation did not go as expected"
e2e_check_text_fit "$E2E_DIR/uninstall.log"
e2e_wait_program 30
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "the uninstaller ended with exit code $E2E_EXIT, wanted 0"

! uninst_key_in "$E2E_REG_VIEW" || e2e_fail "the uninstall key is still there"
[ ! -e "$(uninst_unix "$programs\\Harborlit")" ] || e2e_fail "the Start-menu folder Harborlit is still there"
e2e_log "the uninstall key and the Start-menu folder with both shortcuts are gone"
uninst_tree "$dest" | while read -r p; do [ -d "$dest/$p" ] && echo "$p/" || echo "$p"; done |
  LC_ALL=C sort >"$E2E_DIR/left.txt"
LC_ALL=C sort -o "$E2E_DIR/expected-left.txt" "$E2E_DIR/expected-left.txt"
diff "$E2E_DIR/expected-left.txt" "$E2E_DIR/left.txt" >&2 ||
  e2e_fail "the installation folder does not hold what the walk should leave"
grep -qx uninst.exe "$E2E_DIR/left.txt" && grep -qx .userdata/notes.txt "$E2E_DIR/left.txt" ||
  e2e_fail "uninst.exe or the dot folder's file is gone"
e2e_log "left in the installation folder: $(tr '\n' ' ' <"$E2E_DIR/left.txt")"

uninst_pending_renames >"$E2E_DIR/pending.txt"
want=$(printf '%s\n' "\\??\\$dest_win\\uninst.exe" "\\??\\$dest_win")
[ "$(cat "$E2E_DIR/pending.txt")" = "$want" ] ||
  e2e_fail "pending restart deletions are: $(cat "$E2E_DIR/pending.txt"); wanted: $want; reg said: $(cat "$E2E_WORK/pending-query.txt")"
e2e_log "restart deletions: uninst.exe, then the folder"

e2e_bounded 120 "$WINE" wineboot -r >"$E2E_DIR/wineboot.log" 2>&1 || e2e_fail "wineboot -r failed"
[ ! -e "$dest/uninst.exe" ] || e2e_fail "uninst.exe is still there after the restart"
[ -f "$dest/.userdata/notes.txt" ] && [ -f "$dest/ソング/ro/locked.txt" ] ||
  e2e_fail "the restart removed what was not asked for"
[ -z "$(uninst_pending_renames)" ] || e2e_fail "restart deletions are still pending after the restart"
e2e_log "after the restart uninst.exe is gone; the folder stays, it is not empty"

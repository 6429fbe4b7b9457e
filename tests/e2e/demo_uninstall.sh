# The demo's second half, sourced by demo.sh after lib.sh and uninst_lib.sh,
# once the installation is done: the uninstaller started through the
# Start-menu shortcut UnInstall.lnk and confirmed, what is left and the
# pending restart deletions printed, a restart of Wine (wineboot -r), and the
# installation folder gone. Pictures of both dialogs go to out/demo/.
#
#   demo_uninstall DEST-WINDOWS-PATH

# Prints one line of the demo's report.
demo_say() { printf '[demo] %s\n' "$*"; }

# The demo page's helpers when the demo has them (demo_section, demo_figure,
# demo_listing), else nothing.
demo_page() {
  if declare -F "$1" >/dev/null; then "$@"; fi
}

demo_uninstall() {
  local dest_win=$1 dest programs link_win shots=${DEMO_OUT:-$E2E_REPO/out/demo}
  dest=$(uninst_unix "$dest_win")
  mkdir -p "$shots"
  [ -f "${E2E_PLANT:-}" ] || e2e_fail "E2E_PLANT does not name the built e2e_plant.exe"

  # A new Wine server session carries out restart deletions as a boot does:
  # one persistent server from here on, so only wineboot -r restarts.
  e2e_bounded 60 "$WINESERVER" -w || e2e_fail "the Wine server of the installation did not end"
  uninst_keep_server

  programs=$(uninst_programs)
  link_win="$programs\\Harborlit\\UnInstall.lnk"
  [ -f "$(uninst_unix "$link_win")" ] || e2e_fail "no Start-menu shortcut $link_win"
  demo_say "uninstalling through the Start-menu shortcut $link_win"
  (cd "$E2E_WORK" && exec "$WINE" start /wait "$link_win") >"$E2E_DIR/uninst-program.log" 2>&1 &
  E2E_PROG_PID=$!
  uninst_confirm_script uninstall "$dest_win"
  e2e_drive uninstall || e2e_fail "the uninstaller did not behave as the demo expects"
  e2e_wait_program 30
  [ "$E2E_EXIT" -eq 0 ] || e2e_fail "uninst.exe ended with exit code $E2E_EXIT"
  cp "$E2E_DIR/uninstall-confirm.png" "$shots/uninst-1-confirm.png"
  cp "$E2E_DIR/uninstall-done.png" "$shots/uninst-2-done.png"
  demo_say "dialogs saved: $shots/uninst-1-confirm.png, $shots/uninst-2-done.png"
  demo_page demo_section uninstall "Uninstallation through the Start-menu shortcut UnInstall.lnk"
  demo_page demo_figure uninst-1-confirm.png "The confirmation names the folder it empties"
  demo_page demo_figure uninst-2-done.png "The completion"

  ! uninst_key_in "$E2E_REG_VIEW" || e2e_fail "the uninstall key is still there"
  [ ! -e "$(uninst_unix "$programs\\Harborlit")" ] || e2e_fail "the Start-menu folder is still there"
  demo_say "the uninstall key and the Start-menu folder with both shortcuts are gone"
  demo_say "left in $dest_win until the restart:"
  uninst_tree "$dest" | tee "$E2E_DIR/left.txt" | sed 's/^/[demo]     /'
  demo_say "restart deletions pending (PendingFileRenameOperations):"
  uninst_pending_renames | tee "$E2E_DIR/pending.txt" | sed 's/^/[demo]     /'
  [ "$(head -1 "$E2E_DIR/pending.txt")" = "\\??\\$dest_win\\uninst.exe" ] ||
    e2e_fail "uninst.exe is not the first restart deletion"

  demo_say "restarting Wine (wineboot -r)"
  e2e_bounded 120 "$WINE" wineboot -r >"$E2E_DIR/wineboot.log" 2>&1 || e2e_fail "wineboot -r failed"
  if [ -e "$dest" ]; then
    demo_say "after the restart $dest_win still holds:"
    uninst_tree "$dest" | sed 's/^/[demo]     /'
    e2e_fail "the installation folder outlived the restart"
  fi
  demo_say "after the restart $dest_win is gone"
  demo_page demo_listing "$(
    printf 'Started through %s\n\n' "$link_win"
    printf 'Uninstall key and Start-menu folder Harborlit: gone\n\n'
    printf 'Left in %s until the restart:\n' "$dest_win"
    cat "$E2E_DIR/left.txt"
    printf '\nPending restart deletions (PendingFileRenameOperations):\n'
    cat "$E2E_DIR/pending.txt"
    printf '\nAfter wineboot -r: %s is gone\n' "$dest_win"
  )"
}

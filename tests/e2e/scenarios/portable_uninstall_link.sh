#!/usr/bin/env bash
# The round trip as tests/e2e/portable/uninstall_link.txt runs it on Windows
# too: installed with every default, a dot folder and a read-only file
# planted, the uninstaller started through UnInstall.lnk and confirmed, and
# what it left, the registry and the restart-time list checked. Under Wine
# the restart is carried out too (wineboot -r): uninst.exe goes, what the
# walk left stays. (uninst_high_dpi runs it at 144 DPI.)
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../uninst_lib.sh"
source "$(dirname "$0")/../portable/wine.sh"
e2e_begin portable_uninstall_link
portable_prepare
# Wine carries out the restart deletions whenever its server starts afresh:
# the server is kept for the whole scenario, so only wineboot -r restarts.
uninst_keep_server
portable_run uninstall_link

dest=$(uninst_unix "$UNINST_INSTALL_WIN")
e2e_bounded 120 "$WINE" wineboot -r >"$E2E_DIR/wineboot.log" 2>&1 || e2e_fail "wineboot -r failed"
[ ! -e "$dest/uninst.exe" ] || e2e_fail "uninst.exe is still there after the restart"
[ -f "$dest/.userdata/notes.txt" ] && [ -f "$dest/ソング/ro/locked.txt" ] ||
  e2e_fail "the restart removed what was not asked for"
[ -z "$(uninst_pending_renames)" ] || e2e_fail "restart deletions are still pending after the restart"
e2e_log "after the restart uninst.exe is gone; the folder stays, it is not empty"

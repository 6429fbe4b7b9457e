#!/usr/bin/env bash
# The uninstaller started with another current folder (as a start from the
# list of installed programs or from a console may give it) empties its own
# folder only: a canary file in the current folder survives. The entry and
# the shortcuts (planted with the installer's own registration) go all the
# same.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../uninst_lib.sh"
e2e_begin uninst_other_folder

[ -f "${E2E_UNINST:-}" ] && [ -f "${E2E_PLANT:-}" ] || e2e_fail "E2E_UNINST or E2E_PLANT do not name the built programs"
install=$(uninst_unix "$UNINST_INSTALL_WIN")
uninst_install_sample "$UNINST_INSTALL_WIN"
elsewhere=$(uninst_unix 'C:\users\Public\Documents\elsewhere')
mkdir -p "$elsewhere/sub"
echo alive >"$elsewhere/canary.txt"
echo alive >"$elsewhere/sub/canary2.txt"

e2e_start "$UNINST_INSTALL_WIN\\uninst.exe" 'C:\users\Public\Documents\elsewhere'
uninst_confirm_script flow "$UNINST_INSTALL_WIN"
e2e_drive flow || e2e_fail "the driver script failed"
e2e_wait_program 30
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "uninst.exe ended with exit code $E2E_EXIT, wanted 0"

[ "$(cat "$elsewhere/canary.txt")" = alive ] || e2e_fail "the canary in the current folder is gone"
[ -f "$elsewhere/sub/canary2.txt" ] || e2e_fail "the canary below the current folder is gone"
! uninst_key_in "$E2E_REG_VIEW" || e2e_fail "the uninstall key is still there"
[ ! -e "$(uninst_unix "$(uninst_programs)\\Harborlit")" ] || e2e_fail "the Start-menu folder is still there"
left=$(uninst_tree "$install")
[ "$left" = uninst.exe ] || e2e_fail "the installation folder still holds: $left"
e2e_log "current folder untouched; the installation holds only uninst.exe"

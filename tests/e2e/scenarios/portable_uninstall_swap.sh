#!/usr/bin/env bash
# A folder swapped for a link while the uninstaller's message box holds its
# walk, as tests/e2e/portable/uninstall_swap.txt runs it on Windows too: the
# newcomer is reported and left, the link's target and the renamed folder
# stay untouched.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../portable/wine.sh"
e2e_begin portable_uninstall_swap
portable_prepare
portable_run uninstall_swap
[ -L "$WINEPREFIX/drive_c/Program Files/Harborlit/Drama1/z" ] || e2e_fail "the link in z's place is gone or replaced"

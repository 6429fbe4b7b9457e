#!/usr/bin/env bash
# The installer refusing to copy through a link below its destination, as
# tests/e2e/portable/install_linked_images.txt runs it on Windows too (with
# a junction there; the driver makes a Unix symbolic link under Wine).
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../portable/wine.sh"
e2e_begin portable_install_linked_images
portable_prepare
portable_run install_linked_images
[ -L "$WINEPREFIX/drive_c/Program Files/Harborlit/Drama1/images" ] || e2e_fail "the driver made no Unix link"

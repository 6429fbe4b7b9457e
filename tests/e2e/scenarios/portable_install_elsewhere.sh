#!/usr/bin/env bash
# The installer started from the CD with a user's folder as its current
# one, as tests/e2e/portable/install_elsewhere.txt runs it on Windows too:
# the readme, install list and uninstaller planted there are not used, the
# CD's are.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../portable/wine.sh"
e2e_begin portable_install_elsewhere
portable_prepare
portable_run install_elsewhere

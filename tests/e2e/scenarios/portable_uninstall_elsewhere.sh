#!/usr/bin/env bash
# The uninstaller started with another current folder, as
# tests/e2e/portable/uninstall_elsewhere.txt runs it on Windows too: that
# folder and what it holds stay, the installation folder keeps uninst.exe
# only, the key and the shortcuts go.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../portable/wine.sh"
e2e_begin portable_uninstall_elsewhere
portable_prepare
portable_run uninstall_elsewhere

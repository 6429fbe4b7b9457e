#!/usr/bin/env bash
# Demo: runs the built installer from a staged CD (drive Q:) under Wine on
# the virtual desktop, saves a picture of its backdrop as out/demo-installer.png
# and closes it again.
# Usage: tests/e2e/demo.sh [installer.exe [uninst.exe [e2e_driver.exe]]]
# (defaults: the win64 build's executables).
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$here/../.." && pwd)/build/win64
E2E_INSTALLER=$(readlink -f "${1:-${E2E_INSTALLER:-$build/installer/installer.exe}}")
E2E_UNINST=$(readlink -f "${2:-${E2E_UNINST:-$build/uninst/uninst.exe}}")
E2E_DRIVER=$(readlink -f "${3:-${E2E_DRIVER:-$build/tests/e2e/driver/e2e_driver.exe}}")
for f in "$E2E_INSTALLER" "$E2E_UNINST" "$E2E_DRIVER"; do
  [ -f "$f" ] || {
    echo "demo: $f is missing; build the win64 preset first (cmake --build --preset win64)" >&2
    exit 1
  }
done

source "$here/lib.sh"
e2e_begin demo
e2e_stage_cd "$E2E_INSTALLER"
e2e_start 'Q:\installer.exe' 'Q:\'

caption="ドラマＣＤ１ インストーラー"
e2e_script demo <<SCRIPT
wait-window "$caption"
expect-maximized "$caption"
screenshot "$caption" "$E2E_DIR/demo-installer.png" area=screen
close "$caption"
expect-no-window "$caption"
SCRIPT
e2e_drive demo || e2e_fail "the installer did not behave as the demo expects"
e2e_wait_program 30
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "installer.exe ended with exit code $E2E_EXIT"
e2e_publish "$E2E_DIR/demo-installer.png" demo-installer.png

#!/usr/bin/env bash
# Demo: the round trip under Wine on the virtual desktop. The built
# installer installs the sample CD from a staged drive Q:; then the
# uninstaller is started through its Start-menu shortcut and confirmed, what
# is left and the pending restart deletions are printed, Wine is restarted
# and the installation folder is gone. Pictures of the uninstaller's dialogs
# go to out/demo/.
# Usage: tests/e2e/demo.sh [installer.exe [uninst.exe [e2e_driver.exe [e2e_plant.exe]]]]
# (defaults: the win64 build's executables).
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$here/../.." && pwd)/build/win64
E2E_INSTALLER=$(readlink -f "${1:-${E2E_INSTALLER:-$build/installer/installer.exe}}")
E2E_UNINST=$(readlink -f "${2:-${E2E_UNINST:-$build/uninst/uninst.exe}}")
E2E_DRIVER=$(readlink -f "${3:-${E2E_DRIVER:-$build/tests/e2e/driver/e2e_driver.exe}}")
E2E_PLANT=$(readlink -f "${4:-${E2E_PLANT:-$build/tests/e2e/plant/e2e_plant.exe}}")
for f in "$E2E_INSTALLER" "$E2E_UNINST" "$E2E_DRIVER" "$E2E_PLANT"; do
  [ -f "$f" ] || {
    echo "demo: $f is missing; build the win64 preset first (cmake --build --preset win64)" >&2
    exit 1
  }
done

source "$here/lib.sh"
source "$here/uninst_lib.sh"
source "$here/demo_uninstall.sh"
e2e_begin demo
dest='C:\Program Files\Harborlit\Drama1'

# ---- The installation: the sample CD installed by the installer, worked by
# the driver with every default.
uninst_install "$dest"

# ---- The uninstallation: tests/e2e/demo_uninstall.sh.
demo_uninstall "$dest"

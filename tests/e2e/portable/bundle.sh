#!/usr/bin/env bash
# Makes what a Windows machine needs to run the portable scenarios: the CD
# as it ships (cd.iso: the sample CD with the i686 installer.exe and
# uninst.dat), the driver and platform_check.exe (bin\), and the scenarios
# staged for that CD (portable\, with run_windows.ps1). Build first:
#   cmake --preset win32 && cmake --build --preset win32
#   bash tests/e2e/portable/bundle.sh OUT [BUILD-FOLDER]
# The programs are taken from the build folder (build/win32) unless
# E2E_INSTALLER, E2E_UNINST, E2E_DRIVER and E2E_PLATFORM_CHECK name them, as
# the portable scenarios under Wine do (portable/wine.sh).
set -euo pipefail
out=$(mkdir -p "$1" && cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
# Only needed for a program the environment does not name: a machine that
# built only the x86-64 preset has no build/win32.
build=${2:-$here/../../../build/win32}
export E2E_INSTALLER=${E2E_INSTALLER:-$build/installer/installer.exe}
export E2E_UNINST=${E2E_UNINST:-$build/uninst/uninst.exe}
driver=${E2E_DRIVER:-$build/tests/e2e/driver/e2e_driver.exe}
check=${E2E_PLATFORM_CHECK:-$build/tests/e2e/platform/platform_check.exe}
source "$here/../lib.sh"
E2E_NAME=bundle
for f in "$E2E_INSTALLER" "$E2E_UNINST" "$driver" "$check"; do
  [ -f "$f" ] || e2e_fail "$f is missing: build the preset first"
done
e2e_program_views
work=$(mktemp -d "${TMPDIR:-/tmp}/bundle.XXXXXX")
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
e2e_prepare_cd "$work/cd" "$E2E_INSTALLER"
rm -rf "$out/cd.iso" "$out/bin" "$out/portable"
bash "$here/../cd_image.sh" make "$work/cd" "$out/cd.iso"
mkdir -p "$out/bin"
cp "$driver" "$out/bin/e2e_driver.exe"
cp "$check" "$out/bin/platform_check.exe"
python3 "$here/stage.py" "$out/portable" "$work/cd" "$E2E_REG_VIEW"
e2e_log "bundle in $out: cd.iso ($E2E_REG_VIEW-bit programs), bin/, portable/"

#!/usr/bin/env bash
# Installs what is missing, builds the Windows programs and runs the whole
# installation under Wine from the bundled sample CD (drive Q:, label
# TAVRIN_DRAMACD1), worked by the e2e driver with every default. Prints what
# was installed and writes out/demo/: a screenshot of every dialog and
# message box, index.html showing them beside what was installed, and the
# CD as an ISO 9660 image (cd.iso, made as ./make-cd.sh makes one). With a
# display and INTERACTIVE=1 the installer is left to the person at the
# keyboard instead.
set -euo pipefail
cd "$(dirname "$0")"

bash scripts/setup.sh
# The checker of CD content, which the demo's CD passes through as an
# author's does (./make-cd.sh).
cmake --preset host >/dev/null
cmake --build --preset host -j "$(nproc 2>/dev/null || echo 2)" --target install-list
# The CD's programs are the i686 pair; a machine whose kernel runs no 32-bit
# programs shows the x86-64 pair instead (scripts/wine_runs_32bit.sh).
preset=win32
if ! bash scripts/wine_runs_32bit.sh; then
  preset=win64
  echo "demo: this machine runs no 32-bit programs; the x86-64 pair stands in for the CD's i686 pair"
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc 2>/dev/null || echo 2)" --target installer uninst e2e_driver e2e_inspect e2e_plant
build=build/$preset
E2E_OUT=$PWD/$build/e2e-out E2E_CACHE=$PWD/$build/e2e-cache bash tests/e2e/demo.sh \
  "$build/installer/installer.exe" "$build/uninst/uninst.exe" "$build/tests/e2e/driver/e2e_driver.exe" \
  "$build/tests/e2e/inspect/e2e_inspect.exe" "$build/tests/e2e/plant/e2e_plant.exe"

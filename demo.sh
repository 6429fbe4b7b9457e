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
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$(nproc 2>/dev/null || echo 2)" --target installer uninst e2e_driver e2e_inspect e2e_plant
# The checker of CD content, which the demo's CD passes through as an
# author's does (./make-cd.sh).
cmake --preset host >/dev/null
cmake --build --preset host -j "$(nproc 2>/dev/null || echo 2)" --target install-list
bash tests/e2e/demo.sh

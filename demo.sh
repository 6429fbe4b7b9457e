#!/usr/bin/env bash
# Installs what is missing, builds the Windows programs and runs the installer
# under Wine on the bundled sample CD (drive Q:, label TAVRIN_DRAMACD1), then
# the uninstaller through its Start-menu shortcut, and a restart of Wine.
# Screenshots land in out/demo/.
set -euo pipefail
cd "$(dirname "$0")"

bash scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc 2>/dev/null || echo 2)" --target installer uninst e2e_driver e2e_plant
bash tests/e2e/demo.sh

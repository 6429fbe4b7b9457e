#!/usr/bin/env bash
# The round trip on a screen of 144 DPI: the uninstaller's confirmation and
# completion dialogs grow with the DPI, and every text that fits at 96 DPI
# fits here too.
export E2E_DPI=144 E2E_SCENARIO=uninst_high_dpi
exec bash "$(dirname "$0")/portable_uninstall_link.sh"

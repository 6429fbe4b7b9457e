#!/usr/bin/env bash
# The default installation on a screen of 144 DPI (150 %): the programs
# declare themselves DPI-aware, so their dialogs grow by their dialog units
# and every text is drawn at that size, not stretched. Every text that fits
# at 96 DPI must fit here too, and the installation is checked whole.
export E2E_DPI=144 E2E_SCENARIO=installer_high_dpi
exec bash "$(dirname "$0")/portable_install_default.sh"

#!/usr/bin/env bash
# The installer's backdrop on a screen of 144 DPI: the gradient fills the
# screen as at 96 DPI, and the title is drawn half as large again (48 pixels
# high at (30, 30)).
export E2E_DPI=144 E2E_SCENARIO=installer_backdrop_high_dpi
exec bash "$(dirname "$0")/installer_backdrop.sh"

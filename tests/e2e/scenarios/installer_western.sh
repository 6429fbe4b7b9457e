#!/usr/bin/env bash
# The default installation under a Western locale (en_US.UTF-8, ANSI code
# page 1252): every caption, text and message the driver compares, every
# installed Japanese name, the registry values and the shortcuts must still
# be correct Japanese, since the programs convert with code page 932
# themselves. The prefix maps the dialogs' Japanese font names to the installed
# IPA fonts whatever the locale, as a Western Windows has its Japanese fonts;
# screenshots are kept to see that the text renders.
export E2E_LANG=en_US.UTF-8 INST_EXPECT_ACP=1252 E2E_SCENARIO=installer_western
exec bash "$(dirname "$0")/portable_install_default.sh"

#!/usr/bin/env bash
# The default installation under a Western locale (en_US.UTF-8, ANSI code
# page 1252): every caption, text and message the driver compares, every
# installed Japanese name, the registry values and the shortcuts must still
# be correct Japanese, since the programs convert with code page 932
# themselves. The Japanese font names of the dialogs stand for the installed
# Japanese font, as on a Western Windows; screenshots are kept to see that the
# text renders.
export E2E_LANG=en_US.UTF-8 INST_EXPECT_ACP=1252 INST_SCENARIO=installer_western INST_JAPANESE_FONTS=1
exec bash "$(dirname "$0")/installer_happy.sh"

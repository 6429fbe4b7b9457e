#!/usr/bin/env bash
# The default installation as tests/e2e/portable/install_default.txt runs it
# on Windows too: every dialog, text and answer, then every installed file,
# attribute, registry value (in the programs' view only) and shortcut field.
# Under Wine the key is read again after the Wine server has ended (it is
# not volatile). E2E_LANG and E2E_DPI run it in other settings
# (installer_western, installer_high_dpi).
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../installer_lib.sh"
source "$(dirname "$0")/../portable/wine.sh"
e2e_begin portable_install_default
# The CD is mapped before any Wine process runs: a drive link made while the
# Wine session is up is not seen as a CD drive by it.
portable_prepare
if [ -n "${INST_EXPECT_ACP:-}" ]; then
  acp=$(inst_inspect codepages | sed -n 's/^acp\t//p')
  [ "$acp" = "$INST_EXPECT_ACP" ] || e2e_fail "the system's ANSI code page is $acp, wanted $INST_EXPECT_ACP"
  e2e_log "system ANSI code page $acp"
fi
portable_run install_default
e2e_bounded 60 "$WINESERVER" -w || e2e_fail "the Wine server did not end"
portable_run registry
e2e_log "the uninstall key outlived a restart of the Wine server"

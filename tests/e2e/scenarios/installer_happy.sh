#!/usr/bin/env bash
# A whole installation from the sample CD taking every default: the setup
# dialog shows the readme, finds the CD in Q: by its label and proposes
# C:\Program Files\Harborlit\Drama1; Yes to starting and to creating the
# folder; the completion dialog shows its text. Then every installed file,
# its attributes, the uninstall key's values and both shortcuts are checked,
# and the key is checked again after the Wine server has been restarted (it
# is not volatile). E2E_LANG picks another locale (installer_western).
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../installer_lib.sh"
e2e_begin installer_happy

[ -f "${E2E_INSTALLER:-}" ] || e2e_fail "E2E_INSTALLER does not name the built installer.exe"
# The CD is mapped before any Wine process runs: a drive link made while the
# Wine session is up is not seen as a CD drive by it.
e2e_stage_cd "$E2E_INSTALLER"
if [ -n "${INST_EXPECT_ACP:-}" ]; then
  acp=$(inst_inspect codepages | sed -n 's/^acp\t//p')
  [ "$acp" = "$INST_EXPECT_ACP" ] || e2e_fail "the system's ANSI code page is $acp, wanted $INST_EXPECT_ACP"
  e2e_log "system ANSI code page $acp"
fi
e2e_start 'Q:\installer.exe' 'Q:\'
inst_script_default_install "$E2E_DIR" | e2e_script install
e2e_drive install || e2e_fail "the installation did not go as expected"
e2e_check_text_fit "$E2E_DIR/install.log"
e2e_wait_program 30
[ "$E2E_EXIT" -eq 0 ] || e2e_fail "installer.exe ended with exit code $E2E_EXIT, wanted 0"

inst_check_installation "$INST_DEFAULT_DEST"

# Volatile keys do not outlive the Wine server; this one must.
e2e_bounded 60 "$WINESERVER" -w || e2e_fail "the Wine server did not end"
inst_check_registry "$INST_DEFAULT_DEST"
e2e_log "the uninstall key outlived a restart of the Wine server"

#!/usr/bin/env bash
# Protected folders under other spellings, as
# tests/e2e/portable/refused_spellings.txt runs it on Windows too: the
# uninstaller started as Program Files' short name, through a link to the
# Windows folder and from a drive mapped onto it, and the installer given
# two such destinations, refuse every one before any question.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../portable/wine.sh"
e2e_begin portable_refused_spellings
portable_prepare
portable_run refused_spellings

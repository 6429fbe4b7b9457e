#!/usr/bin/env bash
# The window framework on real windows: the probe program's dialog is worked
# through the driver; the probe itself checks what it can see from inside and
# shows PASS or FAIL.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"

e2e_begin framework_probe
cp "$E2E_PROBE" "$E2E_WORK/framework_probe.exe"
e2e_start "$(e2e_winpath "$E2E_WORK/framework_probe.exe")" 'C:\'

e2e_script probe <<'SCRIPT'
wait-window "Framework probe"
wait-window テスト
# OnInitDialog set the edit text; its EN_CHANGE copied it into the label.
expect-text テスト 1005 changed:初期値
set-text テスト 1001 "D:\Games"
expect-text テスト 1005 "changed:D:\Games"
click テスト 1002
expect-msgbox よろしいですか？ no caption=framework_probe
expect-text テスト 1005 no
click テスト 1002
expect-msgbox よろしいですか？ yes caption=framework_probe
expect-text テスト 1005 yes
key テスト return
expect-msgbox PASS ok caption=framework_probe
expect-no-window "Framework probe"
SCRIPT
e2e_drive probe || e2e_fail "the driver script failed"
e2e_wait_program 60
[ "$E2E_EXIT" = 0 ] || e2e_fail "the probe ended with exit code $E2E_EXIT"

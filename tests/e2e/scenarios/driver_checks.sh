#!/usr/bin/env bash
# The driver's own checks (script parser, PNG writer), run under Wine.
source "$(dirname "$0")/../lib.sh"
e2e_begin driver_checks

[ -f "${E2E_DRIVER_TESTS:-}" ] || e2e_fail "E2E_DRIVER_TESTS does not name e2e_driver_tests.exe"
status=0
e2e_bounded 60 "$WINE" "$E2E_DRIVER_TESTS" >"$E2E_DIR/checks.log" 2>&1 || status=$?
cat "$E2E_DIR/checks.log" >&2
[ "$status" -eq 0 ] || e2e_fail "e2e_driver_tests.exe ended with $status"
grep -q ', 0 failure(s)' "$E2E_DIR/checks.log" || e2e_fail "no summary line from e2e_driver_tests.exe"

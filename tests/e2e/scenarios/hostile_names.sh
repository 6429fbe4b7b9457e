#!/usr/bin/env bash
# Hostile names planted from the Unix side and read back through the Win32
# layer (platform_check.exe --cases-in): a folder named x¥..¥..¥canary (best-fit
# narrowing would make it x\..\..\canary, a path that climbs out to the
# canary) and a Unix symbolic link to a folder, which Wine reports with the
# attributes 0x410. The program itself runs from a folder whose name has a
# yen sign, so the layer's module path has no exact Shift-JIS form either.
source "$(dirname "$0")/../lib.sh"
e2e_begin hostile_names

[ -f "${E2E_PLATFORM_CHECK:-}" ] || e2e_fail "E2E_PLATFORM_CHECK does not name platform_check.exe"

scratch=$E2E_WORK/scratch
mkdir -p "$scratch/link/target" "$scratch/yen/hostile/x¥..¥..¥canary" "$scratch/yen/canary"
ln -s target "$scratch/link/link"
mkdir -p "$scratch/handlelink/target"
ln -s target "$scratch/handlelink/link"
printf 'keep' >"$scratch/yen/canary/keep.txt"
bin="$E2E_WORK/bin¥yen"
mkdir -p "$bin"
cp "$E2E_PLATFORM_CHECK" "$bin/platform_check.exe"

log=$E2E_DIR/check.log
status=0
e2e_bounded 180 "$WINE" "$bin/platform_check.exe" --cases-in "$(e2e_winpath "$scratch")" >"$log" 2>&1 || status=$?
cat "$log" >&2
e2e_bounded 30 "$WINESERVER" -w || true
[ "$status" -eq 0 ] || e2e_fail "platform_check.exe --cases-in ended with $status"

# Every line below must be in the log: a case that was skipped or a check
# that went missing fails the scenario.
expect() { grep -qF -- "$1" "$log" || e2e_fail "the log lacks: $1"; }
expect "PASS case a name with yen signs:   ... with '?' where each yen sign stands"
expect "PASS case a name with yen signs:   ... with ERROR_INVALID_NAME"
expect "PASS case a name with yen signs: the folder best fit would have named is untouched"
expect "PASS case a folder link: a search lists the link as a folder and a reparse point (0x410)"
expect "PASS case a folder link: GetFileAttributesA of the link"
expect "PASS case a folder link: the target's content is seen through the link"
expect "PASS case a folder link: DeleteFileA through the link deletes the target's file"
expect "PASS case a folder link by handle: deleting the link by its handle leaves the target's content"
expect "PASS GetModuleFileNameA of a path without an exact form gives nothing"
expect "PASS GetCurrentDirectoryA fails there rather than give another path"
if grep -q '^SKIP case' "$log"; then e2e_fail "a case was skipped: $(grep '^SKIP case' "$log")"; fi

# What the Unix side sees afterwards: the planted entries are where they
# were, nothing was removed through them.
[ -d "$scratch/yen/hostile/x¥..¥..¥canary" ] || e2e_fail "the yen-named folder is gone"
[ "$(cat "$scratch/yen/canary/keep.txt")" = keep ] || e2e_fail "the canary changed"
[ -f "$scratch/link/target/t.txt" ] || e2e_fail "the link's target lost its file"
[ -f "$scratch/handlelink/target/t.txt" ] || e2e_fail "the target of the link deleted by handle lost its file"
e2e_log "hostile names read back as they are"

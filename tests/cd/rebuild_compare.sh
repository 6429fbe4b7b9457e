#!/usr/bin/env bash
# The release is reproducible: the checkout's files (tracked ones and new
# ones not ignored) copied to another folder, the i686 pair built there from
# nothing, and the sample CD's image made in both places: installer.exe,
# uninst.exe, their .debug files and the image must be the same bytes. The
# first difference is named (file and byte).
#
#   bash tests/cd/rebuild_compare.sh      (needs the host build's install-list)
#
# The checkout's pair is brought up to date first; both builds carry the
# time it was built with (build/win32/commit-time.txt, the last commit's),
# which the copy, having no git history, is given as SOURCE_DATE_EPOCH.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
cd "$repo"
say() { printf 'rebuild_compare: %s\n' "$*"; }
fail() {
  say "FAIL: $*" >&2
  exit 1
}
checker=$repo/build/host/installer/tool/install-list
[ -x "$checker" ] || fail "$checker is missing: build the host preset's install-list first"
jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs" --target installer uninst >/dev/null
SOURCE_DATE_EPOCH=$(cat build/win32/commit-time.txt)
export SOURCE_DATE_EPOCH

# Another folder, at another depth, so that no path agrees by chance.
other=$(mktemp -d "${TMPDIR:-/tmp}/drama-rebuild.XXXXXX")/elsewhere/src
trap 'chmod -R u+w "$(dirname "$(dirname "$other")")"; rm -rf "$(dirname "$(dirname "$other")")"' EXIT
mkdir -p "$other"
git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
  tar --null -T - -cf - | tar -xf - -C "$other"
say "building the i686 pair again in $other"
(cd "$other" && cmake --preset win32 >/dev/null && cmake --build --preset win32 -j "$jobs" --target installer uninst >"$other/../build.log" 2>&1) ||
  fail "the second build failed: $(tail -20 "$other/../build.log")"

# The sample CD's image from each build (the same checker for both: it
# reads the content, it does not go into the image).
for side in "$repo" "$other"; do
  CD_INSTALLER=$side/build/win32/installer/installer.exe CD_UNINST=$side/build/win32/uninst/uninst.exe \
    CD_CHECKER=$checker bash "$side/scripts/make_cd.sh" "$side/sample-cd" "$side/build/win32/sample-cd.iso" \
    >"$other/../make-cd.log" 2>&1 || fail "make_cd.sh failed in $side: $(cat "$other/../make-cd.log")"
done

different=0
for f in installer/installer.exe installer/installer.exe.debug uninst/uninst.exe uninst/uninst.exe.debug sample-cd.iso; do
  a=$repo/build/win32/$f
  b=$other/build/win32/$f
  if first=$(cmp -- "$a" "$b" 2>&1); then
    say "same  $(sha256sum <"$a" | cut -d' ' -f1)  $f"
  else
    # cmp says "A B differ: byte N, line L" or "cmp: EOF on B after byte N".
    say "DIFFERENT  $f: first difference at byte $(grep -o 'byte [0-9]*' <<<"$first" | tr -dc 0-9)" \
      "($(stat -c %s "$a") and $(stat -c %s "$b") bytes)"
    different=$((different + 1))
  fi
done
[ "$different" -eq 0 ] || fail "$different of 5 outputs differ between $repo and $other"
say "PASS: the same bytes in both folders"

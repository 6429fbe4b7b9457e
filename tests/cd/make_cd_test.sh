#!/usr/bin/env bash
# scripts/make_cd.sh on content folders: a synthetic CD that is not the
# sample (bench/make_cd.py) becomes an image whose listing and sha256 file
# agree with it; each bad folder of the table is refused with its reason,
# and nothing is written for it.
#   CD_CHECKER=build/host/installer/tool/install-list bash tests/cd/make_cd_test.sh
# The programs on these images are stand-ins: every refusal comes before
# they matter (the Wine scenario portable_signed installs a real image).
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
[ -x "${CD_CHECKER:-}" ] || { echo "make_cd_test: CD_CHECKER must name install-list" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/make-cd-test.XXXXXX")
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
fail() {
  printf 'make_cd_test: FAIL: %s\n' "$*" >&2
  exit 1
}

printf 'MZ installer stand-in' >"$work/installer.exe"
printf 'MZ uninst stand-in' >"$work/uninst.exe"
export CD_INSTALLER=$work/installer.exe CD_UNINST=$work/uninst.exe SOURCE_DATE_EPOCH=1700000000
unset SIGN_PFX SIGN_CERT SIGN_KEY SIGN_PASSWORD
python3 "$repo/bench/make_cd.py" "$work/good" --files 30 --media-mb 0.05 >/dev/null

# The good folder: an image with the label asked for, its sha256 file and
# its listing, which names the content's files with their bytes and both
# programs.
bash "$repo/scripts/make_cd.sh" --label SYNTHETIC_CD "$work/good" "$work/good.iso" >"$work/good.log" 2>&1 ||
  fail "the synthetic CD was refused: $(cat "$work/good.log")"
(cd "$work" && sha256sum -c --quiet good.iso.sha256) || fail "good.iso.sha256 does not match good.iso"
[ "$(head -2 "$work/good.iso.files")" = "$(printf 'primary-label\tSYNTHETIC_CD\njoliet-label\tSYNTHETIC_CD')" ] ||
  fail "the image's labels are not the one asked for: $(head -2 "$work/good.iso.files")"
for f in readme.txt install.dat HTML/01.html; do
  grep -qx "$f	$(sha256sum <"$work/good/$f" | cut -d' ' -f1)" "$work/good.iso.files" ||
    fail "the listing lacks $f with its bytes"
done
grep -qx "installer.exe	$(sha256sum <"$CD_INSTALLER" | cut -d' ' -f1)" "$work/good.iso.files" &&
  grep -qx "uninst.dat	$(sha256sum <"$CD_UNINST" | cut -d' ' -f1)" "$work/good.iso.files" ||
  fail "the listing lacks the programs"
echo "make_cd_test: the synthetic CD made, $(grep -c "	[0-9a-f]\{64\}$" "$work/good.iso.files") files listed"

# Bad folders: a change to a copy of the good one, and what the refusal says.
no_list() { rm "$1/install.dat"; }
no_readme() { rm "$1/readme.txt"; }
no_html() { rm -r "$1/HTML"; }
html_file() { rm -r "$1/HTML" && echo x >"$1/HTML"; }
list_fails() { printf 'index.html\r\nmissing.html\r\n' >"$1/install.dat"; }
no_sjis_form() { echo x >"$1/HTML/caf$(printf '\xc3\xa9').html"; }
own_installer() { echo x >"$1/Installer.exe"; }
cases=(
  "no_list|lacks install.dat (a file): no image written"
  "no_readme|lacks readme.txt (a file): no image written"
  "no_html|lacks HTML (a folder): no image written"
  "html_file|lacks HTML (a folder): no image written"
  "list_fails|2: source not found: Q:\\HTML\\missing.html"
  "no_sjis_form|name without a Shift-JIS form: HTML/café.html"
  "own_installer|holds installer.exe: the CD's programs come from this build"
)
for c in "${cases[@]}"; do
  name=${c%%|*}
  want=${c#*|}
  cp -r "$work/good" "$work/$name"
  "$name" "$work/$name"
  status=0
  bash "$repo/scripts/make_cd.sh" "$work/$name" "$work/$name.iso" >"$work/$name.log" 2>&1 || status=$?
  [ "$status" -ne 0 ] || fail "$name: accepted"
  grep -qF -- "$want" "$work/$name.log" || fail "$name: the output does not say '$want':
$(cat "$work/$name.log")"
  for f in "$name.iso" "$name.iso.sha256" "$name.iso.files"; do
    [ ! -e "$work/$f" ] || fail "$name: $f was written"
  done
  echo "make_cd_test: $name refused: $want"
done
echo "make_cd_test: PASS"

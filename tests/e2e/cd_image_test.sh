#!/usr/bin/env bash
# The CD image on the Linux side: the staged CD (sample CD, uninst.dat, the
# installer) written with cd_image.sh make must list with the CD's label and
# every name and byte of the staged folder, Japanese names included. The
# check itself must notice a wrong label, a missing Joliet tree and a
# renamed file.
source "$(dirname "$0")/lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
E2E_NAME=cd_image
work=$(mktemp -d "${TMPDIR:-/tmp}/cd-image-test.XXXXXX")
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT

extra=()
if [ -n "${E2E_INSTALLER:-}" ]; then extra+=("$E2E_INSTALLER"); fi
e2e_prepare_cd "$work/cd" "${extra[@]}"
bash "$here/cd_image.sh" make "$work/cd" "$work/cd.iso"
bash "$here/cd_image.sh" check "$work/cd.iso" "$work/cd"

listing=$(python3 "$here/iso_tree.py" "$work/cd.iso")
for name in 'HTML/表紙.html' 'HTML/ソング/' 'HTML/ソング/歌詞.html' 'HTML/images/ソラ.png' install.dat readme.txt; do
  grep -q "^$name" <<<"$listing" || e2e_fail "the image does not list $name"
done
# The programs on the image are this build's (the i686 ones in the build
# the CD ships).
for pair in "uninst.dat ${E2E_UNINST:-}" "installer.exe ${E2E_INSTALLER:-}"; do
  read -r name built <<<"$pair"
  [ -n "$built" ] || continue
  grep -q "^$name	$(sha256sum <"$built" | cut -d' ' -f1)\$" <<<"$listing" ||
    e2e_fail "the image does not hold the built $(basename "$built") as $name"
done

# The check must be able to fail.
rejects() {
  local what=$1
  shift
  if bash "$here/cd_image.sh" check "$@" >"$work/reject.log" 2>&1; then
    e2e_fail "the check accepted $what"
  fi
  e2e_log "rejected $what: $(tail -1 "$work/reject.log")"
}
LC_ALL=C.UTF-8 xorriso -as mkisofs -quiet -input-charset UTF-8 -V OTHER_LABEL -J -joliet-long \
  -m .windows-label -o "$work/other.iso" "$work/cd" 2>/dev/null
rejects "another label" "$work/other.iso" "$work/cd"
LC_ALL=C.UTF-8 xorriso -as mkisofs -quiet -input-charset UTF-8 -V TAVRIN_DRAMACD1 \
  -m .windows-label -o "$work/plain.iso" "$work/cd" 2>/dev/null
rejects "an image without Joliet names" "$work/plain.iso" "$work/cd"
cp -r "$work/cd" "$work/renamed"
chmod -R u+w "$work/renamed"
mv "$work/renamed/HTML/ソング" "$work/renamed/HTML/ソンク"
rejects "a renamed folder" "$work/cd.iso" "$work/renamed"
e2e_log "PASS"

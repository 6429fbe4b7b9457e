#!/usr/bin/env bash
# The CD image from a CD author's content folder and built programs; what
# ./make-cd.sh runs once it has built them.
#
#   scripts/make_cd.sh [--label LABEL] CONTENT OUT.iso
#
# Environment:
#   CD_INSTALLER, CD_UNINST  the i686 installer.exe and uninst.exe to ship
#   CD_CHECKER               the host tool install-list (installer/tool/)
#   SIGN_PFX [SIGN_PASSWORD], or SIGN_CERT and SIGN_KEY [SIGN_PASSWORD]:
#                            sign both programs (Authenticode, SHA-256)
#   SOURCE_DATE_EPOCH        the image's dates and the signing time (else the
#                            last commit's time)
#
# In order: CONTENT must hold install.dat, readme.txt and the folder HTML
# (letters in any case, as Windows finds them) and no installer.exe or
# uninst.dat of its own; `install-list check CONTENT` must pass (its report
# is shown either way). CONTENT is then staged with installer.exe and
# uninst.dat (signed when asked), every file read-only and dated at the
# commit's time, written as OUT.iso with Joliet names and the label, and the
# image read back against the staged folder (cd_image.sh check). Beside it:
# OUT.iso.sha256 (sha256sum's form, checked by `sha256sum -c` in its folder)
# and OUT.iso.files (the image's volume labels and every folder and file with
# its SHA-256, as iso_tree.py lists them). Nothing is written to OUT.iso and
# its companions unless every step passes.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)

die() {
  printf 'make-cd: %s\n' "$*" >&2
  exit 1
}

usage="usage: ./make-cd.sh [--label LABEL] CONTENT OUT.iso"
label=
args=()
while [ $# -gt 0 ]; do
  case $1 in
  --label) [ $# -ge 2 ] || die "$usage"; label=$2; shift 2 ;;
  --label=*) label=${1#--label=}; shift ;;
  -*) die "unknown option $1; $usage" ;;
  *) args+=("$1"); shift ;;
  esac
done
[ "${#args[@]}" -eq 2 ] || die "$usage"
content=${args[0]}
out=${args[1]}
[ -d "$content" ] || die "$content is not a folder"
case $(realpath -m -- "$out")/ in
"$(realpath -- "$content")"/*) die "$out is inside $content: it would go onto the next image" ;;
esac
for tool in "${CD_INSTALLER:-}" "${CD_UNINST:-}" "${CD_CHECKER:-}"; do
  [ -n "$tool" ] && [ -f "$tool" ] || die "CD_INSTALLER, CD_UNINST and CD_CHECKER must name the built programs"
done

# The one entry of CONTENT's top level named NAME, letters in any case.
top_entry() {
  find "$content" -mindepth 1 -maxdepth 1 -iname "$1" -print -quit
}

# The pieces every CD needs, and none that the build provides.
missing=
for piece in "install.dat f file" "readme.txt f file" "HTML d folder"; do
  read -r name test kind <<<"$piece"
  found=$(top_entry "$name")
  if [ -z "$found" ] || ! test "-$test" "$found"; then missing+="${missing:+, }$name (a $kind)"; fi
done
[ -z "$missing" ] || die "$content lacks $missing: no image written"
for name in installer.exe uninst.dat; do
  [ -z "$(top_entry "$name")" ] || die "$content holds $name: the CD's programs come from this build; remove it"
done

# Signing: both forms of the key, or none.
sign_with=()
if [ -n "${SIGN_PFX:-}" ]; then
  [ -z "${SIGN_CERT:-}${SIGN_KEY:-}" ] || die "give SIGN_PFX or SIGN_CERT and SIGN_KEY, not both"
  [ -f "$SIGN_PFX" ] || die "SIGN_PFX: no file $SIGN_PFX"
  sign_with=(-pkcs12 "$SIGN_PFX")
elif [ -n "${SIGN_CERT:-}${SIGN_KEY:-}" ]; then
  [ -f "${SIGN_CERT:-}" ] && [ -f "${SIGN_KEY:-}" ] || die "SIGN_CERT and SIGN_KEY must both name files"
  sign_with=(-certs "$SIGN_CERT" -key "$SIGN_KEY")
fi

if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  epoch=$SOURCE_DATE_EPOCH
else
  epoch=$(git -C "$repo" log -1 --format=%ct 2>/dev/null) ||
    die "not a git checkout: set SOURCE_DATE_EPOCH to the time the image should carry"
fi
export SOURCE_DATE_EPOCH=$epoch

echo "make-cd: install-list check $content"
status=0
"$CD_CHECKER" check "$content" || status=$?
[ "$status" -eq 0 ] || die "$content fails the install-list check (above): no image written"

work=$(mktemp -d "${TMPDIR:-/tmp}/make-cd.XXXXXX")
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
stage=$work/cd
mkdir "$stage"
# The content's files themselves, links followed: the CD holds no links.
cp -rL --no-preserve=all "$content/." "$stage/"
cp "$CD_INSTALLER" "$stage/installer.exe"
cp "$CD_UNINST" "$stage/uninst.dat"

# sign FILE: FILE Authenticode-signed in place, SHA-256, signing time the
# commit's (so the same key gives the same bytes again); no time-stamp
# server is asked. The password goes through a pipe, never the command line.
sign() {
  local file=$1 pass=()
  if [ -n "${SIGN_PASSWORD:-}" ]; then pass=(-readpass /dev/stdin); fi
  printf '%s' "${SIGN_PASSWORD:-}" |
    osslsigncode sign "${sign_with[@]}" "${pass[@]}" -h sha256 -time "$epoch" \
      -n "Drama CD 1" -in "$file" -out "$file.signed" >"$work/sign.log" 2>&1 || {
    cat "$work/sign.log" >&2
    die "cannot sign $(basename "$file")"
  }
  mv "$file.signed" "$file"
}
if [ "${#sign_with[@]}" -gt 0 ]; then
  command -v osslsigncode >/dev/null || die "osslsigncode is missing (scripts/setup.sh installs it)"
  sign "$stage/installer.exe"
  sign "$stage/uninst.dat"
  echo "make-cd: installer.exe and uninst.dat signed"
else
  echo "make-cd: unsigned (set SIGN_PFX, or SIGN_CERT and SIGN_KEY, to sign)"
fi

find "$stage" -exec touch -h -d "@$epoch" {} +
chmod -R a-w "$stage"

image=$work/cd.iso
export CD_LABEL=${label:-TAVRIN_DRAMACD1}
bash "$repo/tests/e2e/cd_image.sh" make "$stage" "$image" >/dev/null
bash "$repo/tests/e2e/cd_image.sh" check "$image" "$stage"
python3 "$repo/tests/e2e/iso_tree.py" "$image" >"$work/cd.iso.files"
(cd "$work" && sha256sum cd.iso) | sed "s/ cd\.iso\$/ $(basename "$out" | sed 's/[\/&]/\\&/g')/" >"$work/cd.iso.sha256"

mkdir -p "$(dirname "$out")"
rm -f "$out" "$out.sha256" "$out.files"
mv "$work/cd.iso.files" "$out.files"
mv "$work/cd.iso.sha256" "$out.sha256"
mv "$image" "$out"
printf 'make-cd: wrote %s (%s bytes, label %s), %s, %s\n' "$out" "$(stat -c %s "$out")" "$CD_LABEL" \
  "$(basename "$out").sha256" "$(basename "$out").files"
cat "$out.sha256"

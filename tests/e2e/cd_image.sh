#!/usr/bin/env bash
# The CD as an ISO 9660 image with Joliet names (the names Windows shows,
# Japanese included) and the CD's volume label, made with xorriso.
#
#   cd_image.sh make FOLDER IMAGE   writes FOLDER (a staged CD) as IMAGE;
#                                   Wine's label file .windows-label is left out
#   cd_image.sh check IMAGE FOLDER  lists IMAGE (iso_tree.py) and fails
#                                   unless both its volume labels are the
#                                   CD's, and its Joliet tree holds exactly
#                                   FOLDER's files and folders under the same
#                                   names, every file with FOLDER's bytes
#
# Windows 8 and later mount such an image as a CD drive, which the installer
# then finds by its label (CD_LABEL, TAVRIN_DRAMACD1 unless set: another one
# only for tests).
#
# The image is reproducible: the same folder gives the same bytes wherever
# and whenever it is written. Every date in it (the volume's, every file's
# and folder's) is SOURCE_DATE_EPOCH, else the time of the last commit; the
# volume's identifiers follow from the label and that time; names are in
# sorted order, and no owner or permission is recorded (no Rock Ridge).
set -euo pipefail

CD_LABEL=${CD_LABEL:-TAVRIN_DRAMACD1}
# xorriso converts names between the local character set and UCS-2 (Joliet):
# the local one must be UTF-8, as the names in the staged folder are.
export LC_ALL=C.UTF-8

die() {
  printf 'cd_image: %s\n' "$*" >&2
  exit 1
}

# Every file and folder below FOLDER in the form iso_tree.py prints them:
# "folder/" or "path<TAB>sha256", sorted; the label file is not on the CD.
tree_of_folder() {
  (
    cd "$1"
    find . -mindepth 1 -type d -printf '%P/\n'
    find . -type f ! -path ./.windows-label -printf '%P\0' |
      while IFS= read -r -d '' f; do printf '%s\t%s\n' "$f" "$(sha256sum <"$f" | cut -d' ' -f1)"; done
  ) | sort
}

# The image's time, in seconds since 1970.
image_epoch() {
  if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    [[ $SOURCE_DATE_EPOCH =~ ^[0-9]+$ ]] || die "SOURCE_DATE_EPOCH is '$SOURCE_DATE_EPOCH', not a number of seconds"
    printf '%s\n' "$SOURCE_DATE_EPOCH"
  else
    git -C "$(dirname "$0")" log -1 --format=%ct 2>/dev/null ||
      die "not a git checkout: set SOURCE_DATE_EPOCH to the time the image should carry"
  fi
}

make_image() {
  local folder=$1 image=$2
  [ -d "$folder" ] || die "no folder $folder"
  command -v xorriso >/dev/null || die "xorriso is missing (scripts/setup.sh installs it)"
  local epoch stamp log
  epoch=$(image_epoch)
  stamp=$(TZ=UTC date -d "@$epoch" +%Y%m%d%H%M%S00)
  mkdir -p "$(dirname "$image")"
  rm -f "$image"
  log=$(SOURCE_DATE_EPOCH=$epoch TZ=UTC xorriso -as mkisofs -quiet -input-charset UTF-8 \
    -V "$CD_LABEL" -J -joliet-long --modification-date="$stamp" --set_all_file_dates "$stamp" \
    -m .windows-label -o "$image" "$folder" 2>&1) || {
    printf '%s\n' "$log" >&2
    die "xorriso could not write $image"
  }
  printf 'cd_image: wrote %s (%s bytes, label %s)\n' "$image" "$(stat -c %s "$image")" "$CD_LABEL"
}

check_image() {
  local image=$1 folder=$2 listing expected actual label
  [ -f "$image" ] || die "no image $image"
  [ -d "$folder" ] || die "no folder $folder"
  listing=$(python3 "$(dirname "$0")/iso_tree.py" "$image") || die "$image cannot be read as a CD with Joliet names"

  for label in primary-label joliet-label; do
    actual=$(printf '%s\n' "$listing" | sed -n "s/^$label\t//p")
    [ "$actual" = "$CD_LABEL" ] || die "$image: $label is '$actual', wanted '$CD_LABEL'"
  done

  expected=$(tree_of_folder "$folder")
  actual=$(printf '%s\n' "$listing" | grep -v -e '^primary-label' -e '^joliet-label')
  [ -n "$expected" ] || die "$folder is empty"
  if [ "$expected" != "$actual" ]; then
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | sed 's/^/  /' >&2 || true
    die "$image: names or bytes differ from $folder (< folder, > image)"
  fi
  printf 'cd_image: %s: label %s, %d folders and %d files with their Joliet names and bytes\n' "$image" \
    "$CD_LABEL" "$(grep -c '/$' <<<"$expected")" "$(grep -vc '/$' <<<"$expected")"
}

case ${1:-} in
make) [ $# -eq 3 ] || die "usage: cd_image.sh make FOLDER IMAGE"; make_image "$2" "$3" ;;
check) [ $# -eq 3 ] || die "usage: cd_image.sh check IMAGE FOLDER"; check_image "$2" "$3" ;;
*) die "usage: cd_image.sh make FOLDER IMAGE | check IMAGE FOLDER" ;;
esac

#!/usr/bin/env bash
# Files of an existing destination that are links to files outside it (Wine
# only: planted from the Unix side). First hard links (ln) in place of
# index.html, images/top.jpg and uninst.exe; then, after that installation,
# a symbolic link (ln -s) in place of style.css and a dangling one named
# like the installer's first scratch file. Whatever the installer says (it
# may refuse such a destination, or install), every file outside keeps its
# bytes and nothing is made through a link; the driver's log tells what it
# said.
source "$(dirname "$0")/../lib.sh"
source "$(dirname "$0")/../installer_lib.sh"
e2e_begin installer_linked_files

[ -f "${E2E_INSTALLER:-}" ] || e2e_fail "E2E_INSTALLER does not name the built installer.exe"
e2e_stage_cd "$E2E_INSTALLER"
dest=$(inst_unix_path "$INST_DEFAULT_DEST")
outside=$(inst_unix_path 'C:\outside')
before=$E2E_WORK/outside-before
mkdir -p "$dest/images" "$outside" "$before"
for name in page image uninst soft; do printf 'outside %s\r\n' "$name" >"$outside/$name.txt"; done
cp -p "$outside"/*.txt "$before/"
ln "$outside/page.txt" "$dest/index.html"
ln "$outside/image.txt" "$dest/images/top.jpg"
ln "$outside/uninst.txt" "$dest/uninst.exe"

# expect_outside_unchanged: every outside file as it was, nothing new there.
expect_outside_unchanged() {
  local f
  for f in "$before"/*.txt; do
    cmp "$f" "$outside/${f##*/}" || e2e_fail "C:\\outside\\${f##*/} was written through a link"
  done
  [ "$(ls "$outside" | wc -l)" -eq 4 ] || e2e_fail "a file was made in C:\\outside: $(ls "$outside")"
}

# install NAME SCRIPT-LINES: one installation over the existing folder;
# true when the installer said what the lines expect and ended.
install() {
  local name=$1
  e2e_start 'Q:\installer.exe' 'Q:\'
  e2e_script "$name" <<SCRIPT
$(inst_script_open)
expect-text "$INST_SETUP" 1003 "$INST_DEFAULT_DEST"
click "$INST_SETUP" 1
expect-msgbox "$INST_MSG_CONFIRM" yes caption=$INST_MSG_CAPTION
expect-msgbox "$INST_MSG_OVERWRITE" yes caption=$INST_MSG_CAPTION
$2
SCRIPT
  if e2e_drive "$name"; then
    e2e_wait_program 30
    return 0
  fi
  e2e_log "the installer said something else (see $name.log); only the files outside are judged"
  return 1
}

if install hard "wait-window \"$INST_FINISH\" timeout=60000
$(inst_script_close)"; then
  # Installed: each name now holds the CD's file, the outside file its own bytes.
  cmp "$dest/index.html" "$E2E_CD/HTML/index.html" || e2e_fail "index.html is not the CD's"
  cmp "$dest/uninst.exe" "$E2E_CD/uninst.dat" || e2e_fail "uninst.exe is not the CD's uninstaller"
fi
expect_outside_unchanged

if [ -z "$E2E_PROG_PID" ]; then
  rm "$dest/style.css"
  ln -s "$outside/soft.txt" "$dest/style.css"
  ln -s "$outside/made-through-a-link.txt" "$dest/~inst0.tmp"
  install soft "expect-msgbox \"$INST_MSG_COPY_FAILED\" ok caption=$INST_MSG_CAPTION
expect-msgbox \"$INST_MSG_INCOMPLETE\" ok caption=$INST_MSG_CAPTION
expect-no-window \"$INST_BACKDROP\" timeout=30000" || true
  expect_outside_unchanged
  [ -z "$(find "$dest" -name '~inst*' ! -type l)" ] || e2e_fail "a scratch file was left: $(find "$dest" -name '~inst*')"
fi
e2e_log "every file outside kept its bytes"

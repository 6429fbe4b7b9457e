#!/usr/bin/env bash
# Demo: the installer run from the sample CD under Wine, from start to end.
#
# Phases, one function each, run in order by demo_main:
#   demo_begin            a fresh Wine prefix and display; out/demo/ emptied
#   demo_stage_cd         the sample CD made into out/demo/cd.iso by
#                         scripts/make_cd.sh (./make-cd.sh's work: checked,
#                         uninst.dat from the built uninst.exe, read-only
#                         files), and that image's tree staged as drive Q:
#                         (label TAVRIN_DRAMACD1)
#   demo_install          the installation through the e2e driver with every
#                         default and Yes to the questions, a screenshot of every
#                         dialog and message box in out/demo/; with INTERACTIVE=1
#                         and a display, the installer is left to the person at
#                         the keyboard instead
#   demo_show_installation  prints what was installed (files, registry values,
#                         shortcut fields), checks it, and keeps it for the page
#   demo_uninstall        the uninstaller started through UnInstall.lnk and
#                         confirmed, what is left and the pending restart
#                         deletions, wineboot -r, the folder gone
#                         (tests/e2e/demo_uninstall.sh)
#   demo_high_dpi         the screen set to 144 DPI (150 %), then the installation
#                         and the uninstallation again, each dialog photographed
#                         beside its 96-DPI picture and every text measured
#   demo_write_index      out/demo/index.html: every section in order, pictures
#                         beside what was installed
# A phase adds its part of the page with demo_section; a later phase (for
# example an uninstallation) is one more function called from demo_main.
#
# Usage: tests/e2e/demo.sh [installer.exe [uninst.exe [e2e_driver.exe [e2e_inspect.exe [e2e_plant.exe]]]]]
# (defaults: the executables of the win32 build, the one the CD ships).
# CD_CHECKER names the install-list tool that checks the CD (default: the
# host build's).
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
export CD_CHECKER=${CD_CHECKER:-$repo/build/host/installer/tool/install-list}
build=$repo/build/win32
E2E_INSTALLER=$(readlink -f "${1:-${E2E_INSTALLER:-$build/installer/installer.exe}}")
E2E_UNINST=$(readlink -f "${2:-${E2E_UNINST:-$build/uninst/uninst.exe}}")
E2E_DRIVER=$(readlink -f "${3:-${E2E_DRIVER:-$build/tests/e2e/driver/e2e_driver.exe}}")
E2E_INSPECT=$(readlink -f "${4:-${E2E_INSPECT:-$build/tests/e2e/inspect/e2e_inspect.exe}}")
E2E_PLANT=$(readlink -f "${5:-${E2E_PLANT:-$build/tests/e2e/plant/e2e_plant.exe}}")
for f in "$E2E_INSTALLER" "$E2E_UNINST" "$E2E_DRIVER" "$E2E_INSPECT" "$E2E_PLANT"; do
  [ -f "$f" ] || {
    echo "demo: $f is missing; build the win32 preset first (cmake --build --preset win32)" >&2
    exit 1
  }
done
export E2E_INSTALLER E2E_UNINST E2E_DRIVER E2E_INSPECT E2E_PLANT

# DEMO_OUT: where the page and its files go; DEMO_NAME: the scenario name of
# the run (its logs in build/win32/e2e-out/NAME), so a test run of the demo
# keeps clear of ./demo.sh's.
DEMO_OUT=${DEMO_OUT:-$repo/out/demo}
DEMO_NAME=${DEMO_NAME:-demo}
# The length of the demo CD's opening track, in seconds of CD-quality sound
# (about 10.6 MB a minute): long enough for the copy dialog to be seen.
DEMO_TRACK_SECONDS=${DEMO_TRACK_SECONDS:-600}
DEMO_SECTIONS=$DEMO_OUT/.sections
INTERACTIVE=${INTERACTIVE:-0}

if [ "$INTERACTIVE" = 1 ]; then
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 || {
    echo "demo: INTERACTIVE=1 needs a working display (DISPLAY is '${DISPLAY:-}')" >&2
    exit 1
  }
  # The person at the keyboard takes their time.
  export E2E_USE_DISPLAY=1 E2E_TIME_LIMIT=${E2E_TIME_LIMIT:-3600}
fi

source "$here/lib.sh"
source "$here/installer_lib.sh"
source "$here/uninst_lib.sh"
source "$here/demo_uninstall.sh"

say() { printf '\n== %s\n' "$*"; }

# html TEXT: TEXT with &, <, > and " escaped.
html() {
  local t=$1
  t=${t//&/&amp;}
  t=${t//</&lt;}
  t=${t//\"/&quot;}
  printf '%s' "${t//>/&gt;}"
}

# demo_section NAME TITLE: starts the page section NAME (sections are shown in
# the order they were started) and makes it the one demo_figure and
# demo_listing add to.
demo_section() {
  DEMO_SECTION=$DEMO_SECTIONS/$(printf '%02d' "$(find "$DEMO_SECTIONS" -name '*.html' | wc -l)")-$1
  printf '<h2>%s</h2>\n' "$(ja "$2")" >"$DEMO_SECTION.html"
  : >"$DEMO_SECTION.figures"
  : >"$DEMO_SECTION.listing"
}

# ja TEXT: TEXT escaped (html), each run of Japanese marked lang="ja" so
# the browser picks a Japanese font for it on this English page.
ja() {
  html "$1" | perl -CS -Mutf8 -pe 's/([\x{3000}-\x{30FF}\x{4E00}-\x{9FFF}\x{FF00}-\x{FFEF}]+(?:[ 0-9A-Za-z.]*[\x{3000}-\x{30FF}\x{4E00}-\x{9FFF}\x{FF00}-\x{FFEF}]+)*)/<span lang="ja">$1<\/span>/g'
}

# demo_figure FILE CAPTION: a picture of the current section (FILE in
# $DEMO_OUT). A picture the demo did not write leaves a gap that the page
# check reports.
demo_figure() {
  printf '<figure><img src="%s" alt="%s"><figcaption>%s</figcaption></figure>\n' \
    "$1" "$(html "$2")" "$(ja "$2")" >>"$DEMO_SECTION.figures"
}

# demo_listing TEXT: text shown beside the section's pictures.
demo_listing() {
  printf '%s\n' "$(ja "$1")" >>"$DEMO_SECTION.listing"
}

demo_begin() {
  rm -rf "$DEMO_OUT"
  mkdir -p "$DEMO_SECTIONS"
  e2e_begin "$DEMO_NAME"
}

# demo_long_track CD-FOLDER: the CD's opening track made DEMO_TRACK_SECONDS
# long (silence, 16-bit stereo at 44.1 kHz), so that the copy dialog stays
# up long enough to be photographed.
demo_long_track() {
  python3 - "$1/HTML/media/opening.wav" "$DEMO_TRACK_SECONDS" <<'PY'
import struct, sys
path, seconds = sys.argv[1], int(sys.argv[2])
rate, channels, bits = 44100, 2, 16
data = rate * channels * bits // 8 * seconds
with open(path, "wb") as f:
    f.write(b"RIFF" + struct.pack("<I", 36 + data) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", 16, 1, channels, rate, rate * channels * bits // 8, channels * bits // 8, bits) +
            b"data" + struct.pack("<I", data))
    chunk = bytes(1 << 20)
    while data:
        n = min(data, len(chunk))
        f.write(chunk[:n])
        data -= n
PY
}

# The staged CD's folders and files with their sizes.
demo_cd_listing() {
  (cd "$E2E_CD" && find . -mindepth 1 ! -name .windows-label \( -type d -printf '%P/\n' -o -printf '%P  (%s bytes)\n' \)) | sort
}

# The CD is made as a disc author makes theirs (scripts/make_cd.sh, what
# ./make-cd.sh runs): the sample content with its long opening track checked,
# staged with both programs and written as out/demo/cd.iso with its sha256
# and listing. The image's Joliet tree is then written out as the folder Q:
# shows (iso_tree.py), so the demo installs from exactly that image.
demo_stage_cd() {
  local content=$E2E_WORK/content
  say "sample CD made into $DEMO_OUT/cd.iso and staged as drive Q: (label $E2E_CD_LABEL)"
  [ -x "${CD_CHECKER:-}" ] || e2e_fail "CD_CHECKER does not name install-list: build the host preset's install-list first"
  cp -r "$E2E_REPO/sample-cd" "$content"
  chmod -R u+w "$content"
  demo_long_track "$content"
  CD_INSTALLER=$E2E_INSTALLER CD_UNINST=$E2E_UNINST bash "$E2E_REPO/scripts/make_cd.sh" "$content" "$DEMO_OUT/cd.iso" ||
    e2e_fail "scripts/make_cd.sh could not make the CD"
  E2E_CD=$E2E_WORK/cd
  mkdir -p "$E2E_CD"
  python3 "$here/iso_tree.py" "$DEMO_OUT/cd.iso" "$E2E_CD" >/dev/null || e2e_fail "cannot read $DEMO_OUT/cd.iso"
  printf '%s\n' "$E2E_CD_LABEL" >"$E2E_CD/.windows-label"
  chmod -R a-w "$E2E_CD"
  ln -sfn "$E2E_CD" "$WINEPREFIX/dosdevices/q:"
  demo_cd_listing
  demo_section cd "The CD"
  demo_listing "$(demo_cd_listing)"
  demo_listing ""
  demo_listing "The sample CD as made for the demo: its opening track HTML/media/opening.wav is $((DEMO_TRACK_SECONDS / 60)) minutes of silence, so the copy takes long enough to photograph its dialog."
}

demo_install() {
  demo_section install "Installation"
  if [ "$INTERACTIVE" = 1 ]; then
    say "the installer is yours: it runs on $DISPLAY until you finish or cancel it"
    e2e_start 'Q:\installer.exe' 'Q:\'
    e2e_wait_program "$E2E_TIME_LIMIT"
    demo_listing "Run by hand (INTERACTIVE=1); installer.exe ended with exit code $E2E_EXIT."
    return
  fi
  say "installing with every default through the e2e driver"
  e2e_start 'Q:\installer.exe' 'Q:\'
  INST_COPY_SHOT=1 inst_script_default_install "$DEMO_OUT" | e2e_script demo
  e2e_drive demo || e2e_fail "the installation did not go as the demo expects"
  e2e_wait_program 30
  [ "$E2E_EXIT" -eq 0 ] || e2e_fail "installer.exe ended with exit code $E2E_EXIT"
  demo_figure 00-screen.png "The installer's backdrop with the setup dialog"
  demo_figure 01-setup.png "Setup: readme, CD drive found by its label, default destination"
  demo_figure 02-confirm.png "Start the installation?"
  demo_figure 03-create-folder.png "The destination does not exist: create it?"
  demo_figure 04-copy.png "Copying: source, destination and the bar (painted at most ten times a second)"
  demo_figure 05-finish.png "Installation complete"
}

# The installation folder is the default one unless the person chose another.
demo_show_installation() {
  local dest_win=$INST_DEFAULT_DEST dest report programs f paths=() attrs
  dest=$(inst_unix_path "$dest_win")
  report=$DEMO_OUT/installed.txt
  if [ ! -d "$dest" ]; then
    say "nothing was installed in $dest_win"
    demo_listing "Nothing was installed in $dest_win."
    return
  fi
  while IFS= read -r -d '' f; do paths+=("$dest_win\\${f//\//\\}"); done < <(cd "$dest" && find . -type f -printf '%P\0' | sort -z)
  attrs=$(inst_inspect attributes "${paths[@]}")
  programs=$(inst_inspect folder programs)
  programs=${programs#path$'\t'}
  {
    echo "Files in $dest_win (attributes, size, name):"
    while IFS=$'\t' read -r hex path; do
      printf '  %-5s %10s  %s\n' "$hex" "$(stat -c %s "$(inst_unix_path "$path")")" "${path#"$dest_win"\\}"
    done <<<"$attrs"
    echo
    echo "Registry HKEY_LOCAL_MACHINE\\$INST_UNINSTALL_KEY ($E2E_REG_VIEW-bit view):"
    local got text
    for value in UninstallString DisplayName; do
      echo "  $value"
      got=$(inst_inspect reg "$E2E_REG_VIEW" "$INST_UNINSTALL_KEY" "$value") || got="(missing)"
      printf '%s\n' "$got" | sed 's/^/    /'
      # The system keeps the text in UTF-16; the installer passed Shift-JIS.
      text=$(printf '%s\n' "$got" | sed -n 's/^string\t//p')
      [ -z "$text" ] || printf '    shift-jis bytes passed\t%d\n' "$(($(printf '%s' "$text" | iconv -f UTF-8 -t CP932 | wc -c) + 2))"
    done
    echo
    echo "Start menu $programs\\$INST_MENU_FOLDER:"
    for link in "$INST_CONTENT_LINK" "$INST_UNINST_LINK"; do
      echo "  $link"
      inst_inspect link "$programs\\$INST_MENU_FOLDER\\$link" | sed 's/^/    /' || echo "    (missing)"
    done
  } >"$report" 2>&1
  say "installed"
  cat "$report"
  demo_listing "$(cat "$report")"
  if [ "$INTERACTIVE" != 1 ]; then
    inst_check_installation "$dest_win"
    demo_listing ""
    demo_listing "Checked: every file's bytes (pages 01.html and 05.html with their links rewritten), no file read-only, both registry values, both shortcuts."
  fi
}

# demo_high_dpi: after the restart the system holds no installation; the
# screen is set to 144 DPI (Wine's LogPixels, read by each process as it
# starts, with a new Wine session so the uninstaller's restart deletions
# are done), then the installer and the uninstaller run again with every
# default. Each dialog's picture goes beside its 96-DPI one; every text that
# fits at 96 DPI must fit at 144.
demo_high_dpi() {
  local shots=$E2E_DIR/144dpi name caption before after sizes=
  demo_section high-dpi "The same dialogs at 144 DPI (150 % scaling)"
  say "again at 144 DPI"
  e2e_bounded 30 "$WINESERVER" -k >/dev/null 2>&1 || true
  e2e_set_dpi 144
  mkdir -p "$shots"
  e2e_start 'Q:\installer.exe' 'Q:\'
  inst_script_default_install "$shots" | e2e_script demo-144dpi
  e2e_drive demo-144dpi || e2e_fail "the installation at 144 DPI did not go as the demo expects"
  e2e_wait_program 30
  [ "$E2E_EXIT" -eq 0 ] || e2e_fail "installer.exe ended with exit code $E2E_EXIT at 144 DPI"
  e2e_bounded 60 "$WINESERVER" -w || e2e_fail "the Wine server of the installation did not end"
  uninst_keep_server
  (cd "$E2E_WORK" && exec "$WINE" start /wait "$(uninst_programs)\\Harborlit\\UnInstall.lnk") \
    >"$E2E_DIR/uninst-144dpi-program.log" 2>&1 &
  E2E_PROG_PID=$!
  uninst_confirm_script uninstall-144dpi "$INST_DEFAULT_DEST"
  e2e_drive uninstall-144dpi || e2e_fail "the uninstallation at 144 DPI did not go as the demo expects"
  e2e_wait_program 30
  cp "$E2E_DIR/uninstall-144dpi-confirm.png" "$shots/uninst-1-confirm.png"
  cp "$E2E_DIR/uninstall-144dpi-done.png" "$shots/uninst-2-done.png"
  E2E_DPI=144 e2e_check_text_fit "$E2E_DIR/demo-144dpi.log" "$E2E_DIR/uninstall-144dpi.log"
  for name in 00-screen.png 01-setup.png 02-confirm.png 03-create-folder.png 05-finish.png \
    uninst-1-confirm.png uninst-2-done.png; do
    cp "$shots/$name" "$DEMO_OUT/144dpi-$name"
    before=$(identify -format '%wx%h' "$DEMO_OUT/$name") after=$(identify -format '%wx%h' "$shots/$name")
    sizes+="$name: $before pixels at 96 DPI, $after at 144 DPI"$'\n'
    caption=$(sed -n "s/.*src=\"$name\" alt=\"\([^\"]*\)\".*/\1/p" "$DEMO_SECTIONS"/*.figures | head -1)
    demo_figure "144dpi-$name" "${caption:-$name} (144 DPI)"
  done
  printf '%s' "$sizes"
  demo_listing "$sizes"
  demo_listing "Every text of these dialogs that fits at 96 DPI was measured again here, in the dialog's own font at its 144-DPI size, and fits. The backdrop's title grows by the same factor (first picture)."
}

demo_write_index() {
  local s
  {
    cat <<'HEAD'
<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>Drama CD 1 installer: demo</title>
<style>
body { font-family: sans-serif; margin: 2em; background: #f6f6f6; max-width: 80em; }
[lang="ja"] { font-family: "IPAPGothic", "IPAGothic", "MS PGothic", sans-serif; }
section { display: grid; grid-template-columns: minmax(0, 3fr) minmax(0, 2fr); gap: 2em; margin-bottom: 3em; }
section.text { grid-template-columns: minmax(0, 1fr); }
figure { margin: 0 0 1.5em 0; }
figure img { max-width: 100%; border: 1px solid #999; }
figcaption { font-size: 90%; color: #333; }
pre { white-space: pre-wrap; overflow-wrap: anywhere; background: #fff; border: 1px solid #ccc; padding: 1em; font-size: 85%; }
</style></head><body>
<h1>Drama CD 1 installer under Wine</h1>
<p>What ran, in this order: the sample CD was staged as the CD drive Q: with
its volume label and written as an ISO image; <code>installer.exe</code>
was started from it and worked by the test driver with every default (the
drive found by its label, the default destination, Yes to both questions);
what it installed was read back and checked; then the uninstaller was
started through its Start-menu shortcut and confirmed, and Wine was
restarted to carry out the deletions it had scheduled. Each section shows
the dialogs as they appeared beside what the system held afterwards. Look
at: the drive and destination the setup dialog found by itself, the bar
and file names in the copy dialog, the whole completion text, the
registry values and shortcut fields in the installed report, and what the
uninstaller left until the restart.</p>
HEAD
    printf '<p>Files:'
    [ ! -f "$DEMO_OUT/cd.iso" ] || printf ' <a href="cd.iso">cd.iso</a> (the CD, ISO 9660 with Joliet names; <a href="cd.iso.sha256">cd.iso.sha256</a>, <a href="cd.iso.files">cd.iso.files</a>, its files)'
    [ ! -f "$DEMO_OUT/installed.txt" ] || printf ' <a href="installed.txt">installed.txt</a> (the installation as read back)'
    printf '.</p>\n'
    for s in $(find "$DEMO_SECTIONS" -name '*.html' | sort); do
      cat "$s"
      if [ -s "${s%.html}.figures" ]; then
        printf '<section><div>\n'
        cat "${s%.html}.figures"
        printf '</div><pre>\n'
      else
        printf '<section class="text"><pre>\n'
      fi
      cat "${s%.html}.listing"
      printf '</pre></section>\n'
    done
    printf '</body></html>\n'
  } >"$DEMO_OUT/index.html"
  python3 "$here/check_demo_page.py" "$DEMO_OUT" || e2e_fail "the demo page does not show what the demo wrote"
  # A test run of the demo keeps no copy of the CD image once the page is checked.
  if [ "${DEMO_DISCARD_ISO:-0}" = 1 ]; then rm -f "$DEMO_OUT/cd.iso" "$DEMO_OUT/cd.iso.sha256" "$DEMO_OUT/cd.iso.files"; fi
  say "pictures and index: $DEMO_OUT/index.html"
  ls "$DEMO_OUT"
}

demo_main() {
  demo_begin
  demo_stage_cd
  demo_install
  demo_show_installation
  if [ "$INTERACTIVE" != 1 ]; then
    demo_uninstall "$INST_DEFAULT_DEST"
    demo_high_dpi
  fi
  demo_write_index
}

demo_main

# Library for the end-to-end scenarios: sourced, not run.
#
# A scenario calls e2e_begin NAME, which gives it
#   - a fresh Wine prefix copied from a cached template (Japanese locale, one
#     1024x768 virtual desktop, no crash dialog, no menu builder),
#   - an X display (its own Xvfb unless E2E_USE_DISPLAY=1 and $DISPLAY works),
#   - a work folder and an output folder $E2E_DIR for logs and screenshots,
#   - a cleanup trap that stops the prefix's wineserver and the Xvfb and
#     removes the work folder, whatever happens.
# Then e2e_stage_cd maps a copy of sample-cd/ as CD drive Q:, e2e_start runs
# a program with a chosen current folder, e2e_drive runs a driver script next
# to it, and e2e_wait_program collects the program's exit code. Every wait is
# bounded.
#
# Environment a scenario reads (ctest sets the first group; by hand, export
# them first, see tests/e2e/README.md):
#   E2E_DRIVER    e2e_driver.exe, the window driver (every scenario)
#   E2E_INSTALLER, E2E_UNINST  the programs under test (installer.exe,
#                 uninst.exe; uninst.exe is also staged as the CD's uninst.dat)
#   E2E_INSPECT   e2e_inspect.exe: registry, shortcuts, attributes, folders
#   E2E_PLANT     e2e_plant.exe: an installation planted by the installer's
#                 own registration code (uninstaller scenarios)
#   E2E_FIXTURE   e2e_fixture.exe (driver_fixture)
#   E2E_PLATFORM_CHECK  platform_check.exe (hostile_names, platform check)
#   E2E_PROBE     framework_probe.exe (the framework probe)
#   E2E_OUT       root of the output folders   (build/win32/e2e-out)
#   E2E_CACHE     where the template prefix is kept (build/win32/e2e-cache)
#   E2E_REPO      the repository root (found from this file)
# Optional:
#   E2E_KEEP=1    keep the work folder (prefix, staged CD) for inspection
#   E2E_TIME_LIMIT  seconds after which a scenario stops itself (400: room
#                 for a loaded machine)
#   E2E_LANG      the locale Wine runs in (ja_JP.UTF-8)
#   E2E_DPI       the screen's pixels per inch (Wine's LogPixels; 96 unless set)
#   E2E_USE_DISPLAY=1  use a working $DISPLAY instead of an Xvfb of its own
#   E2E_CD_SOURCE a folder staged as the CD instead of sample-cd/
#   E2E_CD_TAMPER a function called with the staged CD's folder before it is
#                 made read-only
#   E2E_LOAD_JOBS scenarios at a time in load_run.sh (1)
#   WINE, WINESERVER  the Wine commands (wine, wineserver)
# Set by this library for the scenario: E2E_NAME, E2E_DIR (output), E2E_WORK
# (work folder), E2E_CD (the staged CD), E2E_EXIT (the program's exit code
# after e2e_wait_program), E2E_REG_VIEW and E2E_OTHER_VIEW (the registry
# view the programs under test write, 32 or 64, and the other), E2E_CD_LABEL, E2E_DIALOG_FONT, E2E_HERE,
# E2E_TEMPLATE and E2E_TEMPLATE_REVISION; the rest (E2E_*_PID) is its own.

set -euo pipefail

E2E_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_REPO=${E2E_REPO:-$(cd "$E2E_HERE/../.." && pwd)}
E2E_OUT=${E2E_OUT:-$E2E_REPO/build/win32/e2e-out}
E2E_CACHE=${E2E_CACHE:-$E2E_REPO/build/win32/e2e-cache}
# On a kernel that runs no 32-bit programs the wine command (which starts
# the 32-bit loader) fails at once: the 64-bit loader then runs the 64-bit
# programs (scripts/wine_runs_32bit.sh).
if [ -z "${WINE:-}" ]; then
  WINE=wine
  if ! bash "$E2E_REPO/scripts/wine_runs_32bit.sh" && /usr/lib/wine/wine64 --version >/dev/null 2>&1; then
    WINE=/usr/lib/wine/wine64
    export WINELOADER=$WINE
  fi
fi
WINESERVER=${WINESERVER:-wineserver}

# The font both programs' dialogs name in their templates, as the driver's
# measure-texts takes it.
E2E_DIALOG_FONT='"ＭＳ Ｐゴシック" 9'
# The CD's volume label, by which the installer finds its drive.
E2E_CD_LABEL=TAVRIN_DRAMACD1
# Bump when the template's settings change, so old caches are not reused.
E2E_TEMPLATE_REVISION=3

E2E_NAME=
E2E_WORK=
E2E_DIR=
E2E_XVFB_PID=
E2E_PROG_PID=
E2E_WATCHDOG_PID=
E2E_CD=

e2e_log() { printf '[e2e %s %s] %s\n' "$(date +%T)" "${E2E_NAME:-?}" "$*" >&2; }
e2e_fail() {
  e2e_log "FAIL: $*"
  exit 1
}

# Runs a command with a time limit in seconds; its status, or 124 on timeout.
e2e_bounded() {
  local seconds=$1
  shift
  timeout --kill-after=5 "$seconds" "$@"
}

# e2e_begin NAME: sets up everything a scenario needs (see the top). A
# scenario run again in other settings by a wrapper script takes the name
# E2E_SCENARIO instead.
e2e_begin() {
  E2E_NAME=${E2E_SCENARIO:-$1}
  E2E_DIR=$E2E_OUT/$E2E_NAME
  rm -rf "$E2E_DIR"
  mkdir -p "$E2E_DIR" "$E2E_CACHE"
  E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/e2e-$E2E_NAME.XXXXXX")
  trap e2e_cleanup EXIT
  trap 'exit 130' INT TERM HUP
  e2e_watchdog "${E2E_TIME_LIMIT:-400}"

  # E2E_LANG picks another locale for Wine (and so another ANSI code page),
  # for example en_US.UTF-8 for code page 1252.
  export LANG=${E2E_LANG:-ja_JP.UTF-8} LC_ALL=${E2E_LANG:-ja_JP.UTF-8}
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES=winemenubuilder.exe=d
  unset WINEARCH WINELOADER

  e2e_program_views
  e2e_display
  e2e_template
  export WINEPREFIX=$E2E_WORK/prefix
  cp -a "$E2E_TEMPLATE" "$WINEPREFIX"
  if [ -n "${E2E_DPI:-}" ]; then e2e_set_dpi "$E2E_DPI"; fi
  e2e_log "prefix $WINEPREFIX, display $DISPLAY, output $E2E_DIR, ${E2E_DPI:-96} DPI"
}

# Sets E2E_REG_VIEW to the registry view the programs under test use: 32 for
# an i686 build, whose HKLM\Software is Wow6432Node on 64-bit Windows, 64 for
# x86-64; read from the machine field of the uninstaller's (or installer's)
# PE header. E2E_OTHER_VIEW is the other one.
e2e_program_views() {
  local exe=${E2E_UNINST:-${E2E_INSTALLER:-}} pe machine
  E2E_REG_VIEW=64
  if [ -n "$exe" ] && [ -f "$exe" ]; then
    pe=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
    machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$exe" | tr -d ' ')
    case "$machine" in
      014c) E2E_REG_VIEW=32 ;;
      8664) E2E_REG_VIEW=64 ;;
      *) e2e_fail "$exe is neither an i686 nor an x86-64 program (machine $machine)" ;;
    esac
  fi
  E2E_OTHER_VIEW=$((96 - E2E_REG_VIEW))
}

# e2e_set_dpi DPI: the screen's pixels per inch from now on (Wine's
# LogPixels, read by each process as it starts). The Wine session it takes
# to write it is over when this returns, so a CD can still be mapped.
e2e_set_dpi() {
  e2e_bounded 60 "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
    >"$E2E_WORK/dpi.log" 2>&1 || e2e_fail "cannot set the DPI: $(cat "$E2E_WORK/dpi.log")"
  e2e_bounded 60 "$WINESERVER" -w || e2e_fail "the Wine server did not end after setting the DPI"
}

# Ends the scenario (through its cleanup) when it runs longer than the given
# seconds, before ctest's own timeout would kill it without cleaning up.
e2e_watchdog() {
  local scenario=$$
  (
    trap 'kill "$nap" 2>/dev/null; exit 0' TERM
    sleep "$1" &
    nap=$!
    wait "$nap" || exit 0
    e2e_log "time limit of $1 s reached, stopping"
    kill -TERM "$scenario" 2>/dev/null
  ) &
  E2E_WATCHDOG_PID=$!
}

e2e_cleanup() {
  local status=$?
  set +e
  if [ -n "$E2E_WATCHDOG_PID" ]; then
    kill "$E2E_WATCHDOG_PID" 2>/dev/null
    wait "$E2E_WATCHDOG_PID" 2>/dev/null
  fi
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    e2e_bounded 20 "$WINESERVER" -k >/dev/null 2>&1
  fi
  if [ -n "$E2E_PROG_PID" ] && kill -0 "$E2E_PROG_PID" 2>/dev/null; then
    kill "$E2E_PROG_PID" 2>/dev/null
    wait "$E2E_PROG_PID" 2>/dev/null
  fi
  if [ -n "$E2E_XVFB_PID" ]; then
    kill "$E2E_XVFB_PID" 2>/dev/null
    wait "$E2E_XVFB_PID" 2>/dev/null
  fi
  if [ -n "$E2E_WORK" ] && [ -d "$E2E_WORK" ]; then
    if [ "${E2E_KEEP:-0}" = 1 ]; then
      e2e_log "kept $E2E_WORK"
    else
      chmod -R u+w "$E2E_WORK" 2>/dev/null
      rm -rf "$E2E_WORK"
    fi
  fi
  if [ "$status" -eq 0 ]; then e2e_log "PASS"; else e2e_log "FAILED with status $status (logs in $E2E_DIR)"; fi
  exit "$status"
}

# Uses a working $DISPLAY when asked to, otherwise starts an Xvfb of our own
# on a free display number (Xvfb picks it and reports it through -displayfd).
e2e_display() {
  if [ "${E2E_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return
  fi
  local numberFile=$E2E_WORK/display deadline=$((SECONDS + 30))
  : >"$numberFile"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numberFile" >"$E2E_WORK/xvfb.log" 2>&1 &
  E2E_XVFB_PID=$!
  # A deadline in time, not a count of naps: on a loaded machine each nap
  # takes longer than asked.
  until [ -s "$numberFile" ] || ((SECONDS >= deadline)); do
    kill -0 "$E2E_XVFB_PID" 2>/dev/null || e2e_fail "Xvfb did not start: $(cat "$E2E_WORK/xvfb.log")"
    sleep 0.1
  done
  [ -s "$numberFile" ] || e2e_fail "Xvfb reported no display within 30 s"
  export DISPLAY=:$(tr -dc 0-9 <"$numberFile")
}

# Builds the template prefix once per Wine version and keeps it in
# $E2E_CACHE; scenarios running at the same time wait for each other here.
e2e_template() {
  local version
  version=$("$WINE" --version 2>/dev/null | tr -c 'A-Za-z0-9.\n' _) || e2e_fail "cannot run $WINE"
  E2E_TEMPLATE=$E2E_CACHE/prefix-$version-r$E2E_TEMPLATE_REVISION
  (
    flock -w 300 9 || e2e_fail "waited 5 minutes for another scenario to build the template prefix"
    if [ -f "$E2E_TEMPLATE/.complete" ]; then exit 0; fi
    e2e_log "building template prefix $E2E_TEMPLATE"
    local build=$E2E_TEMPLATE.building
    rm -rf "$build" "$E2E_TEMPLATE"
    # No Mono and no Gecko: their installers would ask to download.
    # Always made in the Japanese locale, whatever locale the scenario runs in.
    WINEPREFIX=$build WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 \
      e2e_bounded 180 "$WINE" wineboot -i >"$E2E_WORK/wineboot.log" 2>&1 ||
      e2e_fail "wineboot failed: $(tail -5 "$E2E_WORK/wineboot.log")"
    # The dialogs ask for Windows' Japanese fonts by name; the IPA fonts are
    # drawn to the same metrics, so texts wrap and fit as they do on
    # Windows. A version 5 file in UTF-16 carries the Japanese names intact.
    {
      printf '\xff\xfe'
      iconv -f UTF-8 -t UTF-16LE <<'EOF'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"ＭＳ Ｐゴシック"="IPAPGothic"
"MS PGothic"="IPAPGothic"
"MS UI Gothic"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
"MS Gothic"="IPAGothic"
EOF
    } >"$E2E_WORK/template.reg"
    WINEPREFIX=$build e2e_bounded 60 "$WINE" regedit /S "$(e2e_winpath "$E2E_WORK/template.reg")" ||
      e2e_fail "regedit failed"
    # Q: is a CD drive. Wine's mount manager is a 64-bit program and reads the
    # 64-bit view; with wine32 present a plain "wine reg" is the 32-bit one,
    # whose HKLM\Software lands in Wow6432Node, so the view is named.
    WINEPREFIX=$build e2e_bounded 60 "$WINE" reg add 'HKLM\Software\Wine\Drives' /v q: /t REG_SZ /d cdrom /reg:64 /f \
      >"$E2E_WORK/drives.log" 2>&1 || e2e_fail "cannot make Q: a CD drive: $(cat "$E2E_WORK/drives.log")"
    WINEPREFIX=$build e2e_bounded 60 "$WINESERVER" -w || e2e_fail "the template's wineserver did not end"
    touch "$build/.complete"
    mv "$build" "$E2E_TEMPLATE"
  ) 9>"$E2E_CACHE/prefix.lock"
}

# The Windows name of a Unix path, through drive Z: (no Wine process needed).
e2e_winpath() {
  local p=$1
  printf 'Z:%s' "${p//\//\\}"
}

# e2e_prepare_cd FOLDER [FILE...]: copies sample-cd/ (or the folder named by
# E2E_CD_SOURCE, for example a generated CD) into FOLDER, adds the
# built uninstaller as uninst.dat and the given files, writes the volume
# label Wine reads (.windows-label) and makes everything read-only, as on a
# real CD. Needs no Wine: the CD image is made from such a folder too.
# Before the read-only step, E2E_CD_TAMPER (a function name, if set) is
# called with the folder, so a scenario can change the CD it installs from.
e2e_prepare_cd() {
  local cd=$1 f
  shift
  mkdir -p "$cd"
  cp -r "${E2E_CD_SOURCE:-$E2E_REPO/sample-cd}/." "$cd/"
  if [ -n "${E2E_UNINST:-}" ]; then
    [ -f "$E2E_UNINST" ] || e2e_fail "no uninstaller at $E2E_UNINST"
    cp "$E2E_UNINST" "$cd/uninst.dat"
  fi
  for f in "$@"; do
    [ -f "$f" ] || e2e_fail "cannot stage $f: no such file"
    cp "$f" "$cd/"
  done
  printf '%s\n' "$E2E_CD_LABEL" >"$cd/.windows-label"
  if [ -n "${E2E_CD_TAMPER:-}" ]; then "$E2E_CD_TAMPER" "$cd"; fi
  chmod -R a-w "$cd"
}

# e2e_stage_cd [FILE...]: prepares the CD in the work folder (see
# e2e_prepare_cd) and maps it as CD drive Q: with the CD's volume label.
e2e_stage_cd() {
  E2E_CD=$E2E_WORK/cd
  e2e_prepare_cd "$E2E_CD" "$@"
  ln -sfn "$E2E_CD" "$WINEPREFIX/dosdevices/q:"
}

# e2e_start WINDOWS-EXE CURRENT-FOLDER [ARG...]: starts a program in the
# background with the given current folder (a Windows path such as Q:\).
# Its output goes to $E2E_DIR/program.log.
e2e_start() {
  local exe=$1 folder=$2
  shift 2
  e2e_log "starting $exe in $folder"
  (cd "$E2E_WORK" && exec "$WINE" start /d "$folder" /wait "$exe" "$@") >"$E2E_DIR/program.log" 2>&1 &
  E2E_PROG_PID=$!
}

# e2e_wait_program [SECONDS]: waits for the started program to end and sets
# E2E_EXIT to its exit code; fails the scenario when it does not end in time.
e2e_wait_program() {
  local seconds=${1:-30}
  local deadline=$((SECONDS + seconds))
  [ -n "$E2E_PROG_PID" ] || e2e_fail "no program was started"
  # A deadline in time: on a loaded machine each nap takes longer than asked.
  while kill -0 "$E2E_PROG_PID" 2>/dev/null; do
    ((SECONDS < deadline)) || e2e_fail "the program did not end within $seconds s"
    sleep 0.1
  done
  E2E_EXIT=0
  wait "$E2E_PROG_PID" || E2E_EXIT=$?
  E2E_PROG_PID=
  e2e_log "the program ended with exit code $E2E_EXIT"
}

# e2e_drive SCRIPT-NAME: runs the driver on $E2E_DIR/SCRIPT-NAME.txt (write it
# with e2e_script first); the log goes to the terminal and to
# $E2E_DIR/SCRIPT-NAME.log. Returns the driver's exit code.
e2e_drive() {
  local name=$1 status=0
  [ -n "${E2E_DRIVER:-}" ] && [ -f "$E2E_DRIVER" ] || e2e_fail "E2E_DRIVER does not name the built e2e_driver.exe"
  e2e_bounded 300 "$WINE" "$E2E_DRIVER" "$E2E_DIR/$name.txt" >"$E2E_DIR/$name.log" 2>&1 || status=$?
  sed 's/^/  | /' "$E2E_DIR/$name.log" >&2
  e2e_pictures "$E2E_DIR/$name.log"
  return "$status"
}

# e2e_pictures LOG: every screenshot the driver logged ("picture<TAB>FILE",
# a BMP on drive Z:) becomes the PNG the script named, FILE with .png for
# .bmp, through ImageMagick; the BMP goes.
e2e_pictures() {
  local bmp
  while IFS= read -r bmp; do
    [[ $bmp == [Zz]:* ]] || e2e_fail "the picture $bmp is not on drive Z:"
    bmp=${bmp:2}
    bmp=${bmp//\\//}
    convert "$bmp" "${bmp%.bmp}.png" || e2e_fail "cannot convert $bmp to PNG"
    rm -f "$bmp"
  done < <(sed -n 's/^picture\t//p' "$1")
}

# e2e_script NAME: stores the script read from stdin as $E2E_DIR/NAME.txt.
e2e_script() {
  cat >"$E2E_DIR/$1.txt"
}

# e2e_rgb FILE X Y: prints the pixel's red, green and blue (0 to 255).
e2e_rgb() {
  local f=$1 x=$2 y=$3
  convert "$f" -format "%[fx:round(255*p{$x,$y}.r)] %[fx:round(255*p{$x,$y}.g)] %[fx:round(255*p{$x,$y}.b)]\n" info:
}

# e2e_size FILE: prints width and height.
e2e_size() {
  identify -format '%w %h\n' "$1"
}

# e2e_expect_pixel FILE X Y CONDITION: the condition is bash arithmetic over
# r, g and b, for example 'r<=8 && g<=8 && b>=246'.
e2e_expect_pixel() {
  local f=$1 x=$2 y=$3 cond=$4 r g b
  read -r r g b < <(e2e_rgb "$f" "$x" "$y")
  [ -n "$b" ] || e2e_fail "cannot read pixel ($x,$y) of $f"
  if (($cond)); then
    e2e_log "pixel ($x,$y) = ($r,$g,$b): $cond"
  else
    e2e_fail "pixel ($x,$y) of $(basename "$f") is ($r,$g,$b), wanted $cond"
  fi
}

# e2e_count_white FILE X Y W H: prints how many pixels of the rectangle are
# near white (every channel above 90%).
e2e_count_white() {
  local f=$1 x=$2 y=$3 w=$4 h=$5
  convert "$f" -crop "${w}x${h}+${x}+${y}" +repage -fx '(r>0.9 && g>0.9 && b>0.9) ? 1 : 0' \
    -format '%[fx:round(mean*w*h)]\n' info:
}

# e2e_expect_backdrop FILE blue|red: checks a client-area screenshot of a
# backdrop: row y carries band y/a + 1 of the gradient, a = height / 192,
# so its intensity is 255 - (y/a + 1) (254 at the top); checked at a few
# heights near the right edge, away from the title and from a dialog in the
# middle. The title, white text at (20,20) about 32 pixels high, must put
# some white (but not only white) into the rectangle (20,20)-(400,52); on a
# screen of E2E_DPI pixels per inch these grow by E2E_DPI / 96, and above 96
# DPI some of the title's white must lie below row 52, where a title drawn
# at the 96-DPI size would end.
e2e_expect_backdrop() {
  local f=$1 colour=$2 dpi=${E2E_DPI:-96} w h a y want cond white at tw th
  read -r w h < <(e2e_size "$f")
  ((h >= 192)) || e2e_fail "$(basename "$f") is only $h pixels high"
  a=$((h / 192))
  for y in 0 1 $((h / 10)) $((h * 4 / 10)) $((h * 7 / 10)); do
    want=$((255 - (y / a + 1)))
    if [ "$colour" = blue ]; then
      cond="r<=2 && g<=2 && b>=$((want - 2)) && b<=$((want + 2))"
    else
      cond="g<=2 && b<=2 && r>=$((want - 2)) && r<=$((want + 2))"
    fi
    e2e_expect_pixel "$f" $((w - 20)) "$y" "$cond"
  done
  at=$((20 * dpi / 96)) tw=$((380 * dpi / 96)) th=$((32 * dpi / 96))
  white=$(e2e_count_white "$f" "$at" "$at" "$tw" "$th")
  e2e_log "title area at $dpi DPI: $white of $((tw * th)) pixels white"
  ((white >= 100 && white <= tw * th * 6 / 10)) ||
    e2e_fail "title area holds $white white pixels, wanted 100 to $((tw * th * 6 / 10))"
  if ((dpi > 96)); then
    white=$(e2e_count_white "$f" "$at" 52 "$tw" $((at + th - 52)))
    e2e_log "title below row 52: $white pixels white"
    ((white >= 100)) || e2e_fail "the title is not drawn larger at $dpi DPI: $white white pixels below row 52"
  fi
}

# e2e_check_text_fit LOG...: every text the driver measured in these logs
# (measure-texts) fits its control, except the known overflows listed in
# text_fit_known.txt, each of which must still overflow where it is measured
# at 96 DPI (at another E2E_DPI it may fit, its rounding being another):
# a dialog or a font change that cuts off a text fails the scenario.
e2e_check_text_fit() {
  local dpi=${E2E_DPI:-96}
  E2E_TEXT_FIT_DPI=$dpi python3 - "$E2E_HERE/text_fit_known.txt" "$@" <<'PY' || e2e_fail "a text does not fit as recorded at $dpi DPI (see above)"
import os
import sys
at_96 = os.environ["E2E_TEXT_FIT_DPI"] == "96"
known = set()
for line in open(sys.argv[1], encoding="utf-8"):
    line = line.rstrip("\n")
    if line and not line.startswith("#"):
        caption, text = line.split("\t", 1)
        known.add((caption, text))
problems, measured = [], 0
for log in sys.argv[2:]:
    for line in open(log, encoding="utf-8", errors="replace"):
        f = line.rstrip("\n").split("\t")
        if f[0] != "text-fit" or len(f) != 7:
            continue
        measured += 1
        _, caption, control, verdict, need, have, text = f
        key = (caption, text)
        if verdict == "overflows" and key not in known:
            problems.append(f"{caption}: {control} needs {need}, has {have}: {text}")
        if key in known and verdict == "fits" and at_96:
            problems.append(f"{caption}: {control} now fits ({need} in {have}), remove it from text_fit_known.txt: {text}")
for p in problems:
    print("text fit:", p)
print(f"text fit: {measured} text(s) measured, {len(problems)} problem(s)")
sys.exit(1 if problems or measured == 0 else 0)
PY
}

# e2e_publish FILE NAME: copies a screenshot to out/NAME at the repository root.
e2e_publish() {
  mkdir -p "$E2E_REPO/out"
  cp "$1" "$E2E_REPO/out/$2"
  e2e_log "published out/$2"
}

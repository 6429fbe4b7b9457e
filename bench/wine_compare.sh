#!/usr/bin/env bash
# The installer and the uninstaller against the system's own tools, under
# Wine, on the same files in the same run (see bench/README.md):
#   - the installer's copy phase (from the answer to its last question to the
#     completion dialog, timed by the e2e driver) against xcopy /E /I /Y of
#     the CD from drive Q: to a fresh folder on C:;
#   - the uninstaller's removal (from its confirmation to its completion
#     dialog) against cmd /c rmdir /s /q of the tree xcopy made;
#   - natively, cp -r of the staged CD and rm -rf of the copy: the machine's
#     limit.
# A synthetic CD (bench/make_cd.py) of BENCH_FILES files and one of ten times
# as many are staged before Wine starts; they take turns as drive Q:. For
# each, BENCH_RUNS rounds of installer, xcopy, uninst, rmdir, cp, rm (so the
# tools alternate). Prints a table of medians and ratios on stdout; progress
# goes to stderr, the driver logs to build/PAIR/bench-out/wine_compare/.
#
# With --count, nothing is timed: each tool runs once on each CD with Wine's
# server requests traced (WINEDEBUG=+server), and the table gives the
# requests each entry costs: what the larger CD took beyond the smaller one,
# per file it has beyond it (process start and the fixed work cancel out).
#
# usage: bench/wine_compare.sh [--count]  (BENCH_FILES=1000 BENCH_RUNS=5, or
#        100 and 2 with --count (the first untraced); BENCH_SCALES="1" for the small CD alone,
#        when looking into a cost)
set -euo pipefail
count=0
if [ "${1:-}" = --count ]; then count=1; fi
bench=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$bench/.." && pwd)

# Both pairs, one after the other: the i686 pair (the CD's, build/win32)
# and the x86-64 pair (build/win64). A kernel without 32-bit support runs no
# i686 program, under Wine or otherwise: there, the x86-64 pair alone.
# BENCH_PAIR=win32 or win64 measures one. The exit code is 1 when a goal
# was missed in any pair's run.
if [ -z "${BENCH_PAIR:-}" ]; then
  pairs="win32 win64"
  if ! bash "$repo/scripts/wine_runs_32bit.sh"; then
    printf 'the i686 pair is not measured: this machine runs no 32-bit programs (scripts/wine_runs_32bit.sh)\n'
    pairs=win64
  fi
  status=0
  for pair in $pairs; do BENCH_PAIR=$pair bash "$0" "$@" || status=1; done
  exit "$status"
fi
case "$BENCH_PAIR" in
  win32) pair_name="i686 pair (the CD's)" ;;
  win64) pair_name="x86-64 pair" ;;
  *) printf 'BENCH_PAIR is win32 or win64, not %s\n' "$BENCH_PAIR" >&2; exit 2 ;;
esac
build=$repo/build/$BENCH_PAIR
files=${BENCH_FILES:-$((count ? 100 : 1000))}
runs=${BENCH_RUNS:-$((count ? 2 : 5))}
scales=${BENCH_SCALES:-1 10}

# ccache only when it is installed, and only for a build folder configured
# here for the first time (CMake reads the launcher at the first configure):
# an existing build keeps its configuration, and a machine without ccache
# never gets a build that calls it.
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null && [ ! -f "$build/CMakeCache.txt" ]; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
(cd "$repo" && cmake --preset "$BENCH_PAIR" >/dev/null &&
  cmake --build --preset "$BENCH_PAIR" -j2 --target installer uninst e2e_driver >/dev/null)
export E2E_INSTALLER=$build/installer/installer.exe
export E2E_UNINST=$build/uninst/uninst.exe
export E2E_DRIVER=$build/tests/e2e/driver/e2e_driver.exe
export E2E_OUT=$build/bench-out
# Ten rounds of the large CD take a while on a loaded machine.
export E2E_TIME_LIMIT=${E2E_TIME_LIMIT:-7200}

source "$repo/tests/e2e/lib.sh"
source "$repo/tests/e2e/installer_lib.sh"
source "$repo/tests/e2e/uninst_lib.sh"

# Longest wait for one timed step, in milliseconds (the driver's maximum).
step_ms=600000
results=
progress() { printf '[bench %s] %s\n' "$(date +%T)" "$*" >&2; }

# make_cd FOLDER N: a generated CD of N files staged (read-only, label,
# installer.exe and uninst.dat added) in FOLDER.
make_cd() {
  local folder=$1 n=$2 source=$E2E_WORK/generated
  python3 "$bench/make_cd.py" "$source" --files "$n" >&2
  E2E_CD_SOURCE=$source e2e_prepare_cd "$folder" "$E2E_INSTALLER"
  rm -rf "$source"
}

# record SCALE TOOL MS: one measurement.
record() {
  printf '%s\t%s\t%s\n' "$1" "$2" "$3" >>"$results"
}

# The server's trace so far, in bytes.
trace_size() { stat -c %s "$server_log"; }

# record_requests SCALE TOOL FROM: the server requests traced since byte
# FROM of the server's trace, counted by kind, one line each (SCALE TOOL
# KIND COUNT); the slice is kept as TOOL-SCALE.trace. A request is logged as
# "thread: name( arguments )", its reply as "thread: name() = status ...".
record_requests() {
  local slice=$E2E_DIR/$2-$1.trace
  tail -c +$(($3 + 1)) "$server_log" >"$slice"
  sed -n 's/^[0-9a-f]*: \([a-z_0-9]*\)( .*$/\1/p' "$slice" | sort | uniq -c |
    awk -v scale="$1" -v tool="$2" '{ printf "%s\t%s\t%s\t%s\n", scale, tool, $2, $1 }' >>"$requests"
}

# traced SCALE TOOL COMMAND...: the Windows command run once with the
# server's requests traced (not timed), and recorded.
traced() {
  local scale=$1 tool=$2 from
  shift 2
  from=$(trace_size)
  (cd "$E2E_WORK" && WINEDEBUG=$trace "$WINE" "$@" >/dev/null 2>&1) || e2e_fail "$tool failed"
  record_requests "$scale" "$tool" "$from"
}

# drive_elapsed NAME MARK: runs the driver script NAME (its log is kept,
# not shown) and prints the milliseconds it logged for MARK.
drive_elapsed() {
  local name=$1 mark=$2 ms
  e2e_drive "$name" 2>/dev/null || e2e_fail "driver script $name failed: see $E2E_DIR/$name.log"
  ms=$(sed -n "s/^elapsed\t$mark\t\([0-9]*\)\r\?\$/\1/p" "$E2E_DIR/$name.log")
  [ -n "$ms" ] || e2e_fail "no elapsed $mark in $E2E_DIR/$name.log"
  printf '%s' "$ms"
}

# timed_run NAME COMMAND-LINE: the Windows command run by the driver, its
# milliseconds printed (the driver's clock, as for the programs; Wine's own
# process start is not counted, the command's is).
timed_run() {
  local name=$1
  printf 'mark %s\nrun "%s" timeout=%d\nelapsed %s\n' "$name" "${2//\\/\\\\}" "$step_ms" "$name" | e2e_script "$name"
  drive_elapsed "$name" "$name"
}

# native_ms COMMAND...: the command's wall-clock milliseconds.
native_ms() {
  local t0 t1
  t0=$(date +%s%N)
  "$@"
  t1=$(date +%s%N)
  printf '%s' $(((t1 - t0) / 1000000))
}

# count_files DIR: regular files below DIR.
count_files() {
  find "$1" -type f | wc -l
}

# measured SCALE TOOL MS: the time of a program the driver ran, or, when
# counting, the requests of its trace.
measured() {
  if [ "$count" = 1 ]; then
    record_requests "$1" "$2" "$from"
  else
    record "$@"
  fi
}

# The four steps of a round, each on the CD now in Q:, with the round's
# scale, tag, dest and xcopy_dir (see round).
step_installer() {
  local ms from
  from=$(trace_size)
  WINEDEBUG=$trace e2e_start 'Q:\installer.exe' 'Q:\' 2>/dev/null
  INST_TIME_COPY=copy INST_FINISH_TIMEOUT=$step_ms inst_script_default_install | e2e_script "install-$tag"
  ms=$(drive_elapsed "install-$tag" copy)
  e2e_wait_program 600 2>/dev/null
  [ "$E2E_EXIT" -eq 0 ] || e2e_fail "installer.exe ended with exit code $E2E_EXIT"
  measured "$scale" installer "$ms"
  n_inst=$(count_files "$dest")
}

step_xcopy() {
  if [ "$count" = 1 ]; then
    traced "$scale" xcopy xcopy /E /I /Y 'Q:\' 'C:\bench-xcopy'
  else
    record "$scale" xcopy "$(timed_run "xcopy-$tag" 'xcopy /E /I /Y Q:\ C:\bench-xcopy')"
  fi
  n_xcopy=$(count_files "$xcopy_dir")
}

step_uninst() {
  local ms from
  from=$(trace_size)
  WINEDEBUG=$trace e2e_start "$INST_DEFAULT_DEST\\uninst.exe" "$INST_DEFAULT_DEST" 2>/dev/null
  uninst_confirm_script "uninst-$tag" "$INST_DEFAULT_DEST" "mark removal" \
    "wait-window \"$UNINST_DONE\" timeout=$step_ms" "elapsed removal"
  ms=$(drive_elapsed "uninst-$tag" removal)
  e2e_wait_program 600 2>/dev/null
  [ "$E2E_EXIT" -eq 0 ] || e2e_fail "uninst.exe ended with exit code $E2E_EXIT"
  measured "$scale" uninst "$ms"
  # Left for the restart: uninst.exe and the folder. The next installation
  # must find no folder, as the first did.
  [ "$(count_files "$dest")" -eq 1 ] || e2e_fail "the uninstaller left $(count_files "$dest") files, wanted uninst.exe alone"
  rm -rf "$dest"
}

step_rmdir() {
  if [ "$count" = 1 ]; then
    traced "$scale" rmdir cmd /c rmdir /s /q 'C:\bench-xcopy'
  else
    record "$scale" rmdir "$(timed_run "rmdir-$tag" 'cmd /c rmdir /s /q C:\bench-xcopy')"
  fi
  [ ! -e "$xcopy_dir" ] || e2e_fail "rmdir /s /q left $xcopy_dir"
}

# round SCALE I: one round of every tool on the CD now in Q:. The copies
# take turns at going first, and so do the removals: right after many
# deletions, creating files costs more for a while (a profile showed the
# Wine server's creations in ext4's inode allocation, passing over recently
# freed inodes), so the tool that always came first after the previous
# round's removals always paid for them.
round() {
  local scale=$1 i=$2 tag="$1-$2" ms dest xcopy_dir n_inst n_xcopy steps step
  dest=$(inst_unix_path "$INST_DEFAULT_DEST")
  xcopy_dir=$WINEPREFIX/drive_c/bench-xcopy
  steps="installer xcopy uninst rmdir"
  if ((i % 2 == 0)); then steps="xcopy installer rmdir uninst"; fi
  for step in $steps; do "step_$step"; done
  if [ "$count" = 1 ]; then
    progress "$scale x $files files: requests counted (installed $n_inst files, xcopy $n_xcopy)"
    return
  fi

  ms=$(native_ms cp -r --no-preserve=mode "$E2E_CD" "$E2E_WORK/native-copy")
  record "$scale" cp "$ms"
  ms=$(native_ms rm -rf "$E2E_WORK/native-copy")
  record "$scale" rm "$ms"

  progress "$scale x $files files, round $i: $(grep -P "^$scale\t" "$results" | tail -6 | cut -f2,3 | tr '\t\n' '= ')(installed $n_inst files, xcopy $n_xcopy)"
}

# load: the load average over the last minute.
load() { cut -d' ' -f1 /proc/loadavg; }

e2e_begin wine_compare
load_start=$(load)
results=$E2E_DIR/results.tsv
requests=$E2E_DIR/requests.tsv
: >"$results"
: >"$requests"
# What the programs run with: nothing traced, unless counting.
trace=-all
progress "staging $files and $((files * 10)) files"
# Both CDs are staged before the first Wine process: a drive link made while
# the Wine session is up is not taken for a CD drive. Q: always points to
# $E2E_CD; the CDs take turns there.
make_cd "$E2E_WORK/cd" "$files"
ln -sfn "$E2E_WORK/cd" "$WINEPREFIX/dosdevices/q:"
E2E_CD=$E2E_WORK/cd
case " $scales " in *" 10 "*) make_cd "$E2E_WORK/cd-10" $((files * 10)) ;; esac
# One Wine session throughout: a new one would carry out the uninstaller's
# restart deletions in the middle of a later round. The server writes the
# traced requests; each tool's share is what it wrote while that tool ran.
server_log=$E2E_DIR/server.trace
uninst_keep_server 2>"$server_log"

for scale in $scales; do
  if [ "$scale" = 10 ]; then
    mv "$E2E_WORK/cd" "$E2E_WORK/cd-1"
    mv "$E2E_WORK/cd-10" "$E2E_WORK/cd"
  fi
  progress "CD of $((files * scale)) files in Q: ($(du -sh "$E2E_CD" | cut -f1))"
  for ((i = 1; i <= runs; i++)); do
    # Counting, the first round of each CD warms the prefix up untraced
    # (first uses of the shell and the registry, services starting).
    if [ "$count" = 1 ]; then trace=$([ "$i" = 1 ] && echo -all || echo +server); fi
    round "$scale" "$i"
  done
done

printf '%s, %s; %s CPUs (%s); %s; load average %s at the start, %s at the end; nice %s\n' \
  "$pair_name" "$(date -u '+%Y-%m-%d %H:%M UTC')" "$(nproc)" "$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)" \
  "$("$WINE" --version 2>/dev/null)" "$load_start" "$(load)" "$(nice)"
if [ "$count" = 1 ]; then
  python3 "$bench/wine_table.py" --requests "$requests" "$files"
else
  # A missed goal is the script's failure, once the table is out.
  python3 "$bench/wine_table.py" "$results" "$files" || goals_missed=1
fi
exit "${goals_missed:-0}"

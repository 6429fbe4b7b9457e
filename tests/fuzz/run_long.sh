#!/usr/bin/env bash
# Runs every fuzz target for a long time (default 600 s each, at low
# priority) on a scratch copy of its seed corpus and prints how many inputs
# each one ran without a finding. A finding stops the run with its input
# saved in build/fuzz-long/.
# usage: run_long.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-600}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)" --target fuzz_targets
out=build/fuzz-long
mkdir -p "$out"
declare -A max_len=([install_list_fuzz]=8192 [cstring_fuzz]=512 [page_links_fuzz]=40000)
summary=()
for target in build/fuzz/tests/fuzz/*_fuzz; do
  name=$(basename "$target")
  corpus=tests/fuzz/corpus/${name%_fuzz}
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -R "$corpus"/. "$work"/
  log=$out/$name.log
  echo "==== $name: $seconds s"
  if ! nice -n 19 "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len="${max_len[$name]:-4096}" -artifact_prefix="$out/$name-" -print_final_stats=1 \
      "$work" >"$log" 2>&1; then
    tail -n 30 "$log"
    echo "$name: FINDING (see $log)"
    rm -rf "$work"
    exit 1
  fi
  rm -rf "$work"
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  summary+=("$name: $runs executions in $seconds s without a finding")
done
printf '\n==== fuzzing summary (%s)\n' "$(uname -n)"
printf '%s\n' "${summary[@]}"

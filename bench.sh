#!/usr/bin/env bash
# Runs the benchmarks (not part of ./test.sh) and prints one table:
# the Google Benchmark programs of bench/ (pure parts, goals checked), the
# peak memory of rewriting a 100 MB page (bench/page_memory.cpp), then,
# when the Windows programs are built and Wine is present, the comparison of
# the installer's copy phase and the uninstaller's removal with the system's
# own tools (bench/wine_compare.sh). Every goal is printed as met or
# MISSED; the exit code is 1 when one was missed in this run.
# usage: ./bench.sh [--no-wine] [extra Google Benchmark options]
set -euo pipefail
cd "$(dirname "$0")"
wine=1
if [ "${1:-}" = "--no-wine" ]; then wine=0; shift; fi

bash scripts/setup.sh >/dev/null
cmake --preset host >/dev/null
benches=(install_list_bench cstring_bench page_links_bench)
cmake --build --preset host -j "$(nproc 2>/dev/null || echo 2)" --target "${benches[@]}" page_memory
out=build/bench
mkdir -p "$out"
results=()
missed=0
for name in "${benches[@]}"; do
  b=build/host/bench/$name
  "$b" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_out="$out/$name.json" --benchmark_out_format=json "$@" >/dev/null
  results+=("$out/$name.json")
done
printf '\n==== pure parts (Google Benchmark, median of 3)\n'
python3 bench/report.py "${results[@]}" || missed=1

printf '\n==== memory\n'
build/host/bench/page_memory 100 "$out" || missed=1

if [ "$wine" = 1 ]; then
  printf '\n==== against the system tools (Wine)\n'
  bash bench/wine_compare.sh || missed=1
fi

if [ "$missed" = 1 ]; then
  printf '\nbench: a goal was MISSED in this run (see above)\n'
  exit 1
fi
printf '\nbench: every goal met in this run\n'

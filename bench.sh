#!/usr/bin/env bash
# Runs the benchmarks (not part of ./test.sh) and prints one table:
# the Google Benchmark programs of bench/ (pure parts, goals checked), the
# peak memory of rewriting a 100 MB page (bench/page_memory.cpp), then,
# when the Windows programs are built and Wine is present, the comparison of
# the installer's copy phase and the uninstaller's removal with the system's
# own tools (bench/wine_compare.sh).
# usage: ./bench.sh [--no-wine] [extra Google Benchmark options]
set -euo pipefail
cd "$(dirname "$0")"
wine=1
if [ "${1:-}" = "--no-wine" ]; then wine=0; shift; fi

bash scripts/setup.sh >/dev/null
cmake --preset host >/dev/null
cmake --build --preset host -j "$(nproc 2>/dev/null || echo 2)" \
  --target install_list_bench cstring_bench page_links_bench page_memory
out=build/bench
mkdir -p "$out"
results=()
for b in build/host/bench/*_bench; do
  name=$(basename "$b")
  "$b" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_out="$out/$name.json" --benchmark_out_format=json "$@" >/dev/null
  results+=("$out/$name.json")
done
printf '\n==== pure parts (Google Benchmark, median of 3)\n'
python3 bench/report.py "${results[@]}"

printf '\n==== memory\n'
build/host/bench/page_memory 100 "$out"

if [ "$wine" = 1 ] && [ -x bench/wine_compare.sh ]; then
  printf '\n==== against the system tools (Wine)\n'
  bash bench/wine_compare.sh
fi

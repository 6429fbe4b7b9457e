#!/usr/bin/env bash
# The end-to-end suite under load: runs every e2e scenario of the win32 build
# (E2E_LOAD_BUILD=win64 for the other) RUNS times in a row (5 unless given)
# while one busy loop per core keeps every core busy, and stops at the first
# failing run. Build first:
#   cmake --preset win32 && cmake --build --preset win32 -j2
#   bash tests/e2e/load_run.sh [RUNS]
# E2E_LOAD_JOBS=N runs the scenarios N at a time (ctest -j); the logs of each
# run are in build/win32/e2e-load/run-N.log.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-5}
build=$repo/build/${E2E_LOAD_BUILD:-win32}
logs=$build/e2e-load
[ -d "$build" ] || { echo "no build in $build" >&2; exit 2; }
mkdir -p "$logs"

burners=()
stop_burners() {
  local p
  for p in "${burners[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${burners[@]}"; do wait "$p" 2>/dev/null || true; done
}
trap stop_burners EXIT
cores=$(nproc)
for ((i = 0; i < cores; i++)); do
  (while :; do :; done) &
  burners+=("$!")
done
echo "load: $cores busy loop(s); load average $(cut -d' ' -f1-3 /proc/loadavg)"

for ((run = 1; run <= runs; run++)); do
  start=$SECONDS
  status=0
  ctest --test-dir "$build" -L e2e -j "${E2E_LOAD_JOBS:-1}" --output-on-failure >"$logs/run-$run.log" 2>&1 || status=$?
  summary=$(grep -E 'tests passed|tests failed' "$logs/run-$run.log" | tail -1)
  echo "run $run: $summary in $((SECONDS - start)) s (load average $(cut -d' ' -f1-3 /proc/loadavg))"
  if [ "$status" -ne 0 ]; then
    grep -E '^\s+[0-9]+ - ' "$logs/run-$run.log" >&2 || true
    echo "run $run failed: see $logs/run-$run.log" >&2
    exit 1
  fi
done
echo "all $runs runs passed"

#!/usr/bin/env bash
# Line and branch coverage of the programs' code under the unit tests: a
# separate build with gcc's --coverage, the unit tests run once, and gcovr's
# summary per file of platform/, shell/, installer/ and uninst/ (the Win32
# layer is not built on the host and is left out). The HTML report lands in
# build/coverage/html/index.html.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=build/coverage
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic" -DCMAKE_EXE_LINKER_FLAGS=--coverage \
  -DDRAMA_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target unit_tests
find "$build" -name '*.gcda' -delete
status=0
(cd "$build" && ./tests/unit/unit_tests --gtest_brief=1) || status=$?
mkdir -p "$build/html"
filters=(--filter 'platform/' --filter 'shell/' --filter 'installer/' --filter 'uninst/'
         --exclude 'platform/win32/' --exclude '.*_res\.cpp$' --exclude 'build/')
# Branches the compiler adds for exceptions are not the code's own decisions.
gcovr -r . "$build" "${filters[@]}" --exclude-throw-branches --exclude-unreachable-branches \
  --html-details "$build/html/index.html" --txt "$build/lines.txt" \
  --print-summary >/dev/null
gcovr -r . "$build" "${filters[@]}" --exclude-throw-branches --exclude-unreachable-branches \
  --branches --txt "$build/branches.txt" >/dev/null
echo "==== line coverage per file"
cat "$build/lines.txt"
echo "==== branch coverage per file"
cat "$build/branches.txt"
if [ "$status" -ne 0 ]; then echo "coverage: the unit tests failed (exit $status)"; fi
exit "$status"

#!/usr/bin/env bash
# Installs what is missing, checks the C++ files' layout, builds everything
# and runs every test:
# the unit tests on the in-memory platform (plain and under ASan+UBSan),
# the fuzz targets for a bounded time, and the end-to-end tests of the real
# programs under Wine: every one against the 32-bit (i686) programs the CD
# ships, the installer's and the round trip's against the 64-bit ones too;
# and the release's reproducibility: the CD's programs and image built a
# second time in another folder must be the same bytes.
#
# Longer campaigns, each instead of the default run:
#   ./test.sh --mutation [options]  mutation run against the unit tests
#                                   (options: tests/mutation/mutate.py --help)
#   ./test.sh --fuzz-long [seconds] every fuzz target for long (default 600 s each)
#   ./test.sh --coverage            line and branch coverage under the unit tests
#   ./test.sh --adversary           the adversary sweep with every two moves at
#                                   one call tried together, besides each alone
set -euo pipefail
cd "$(dirname "$0")"

bash scripts/setup.sh

case "${1:-}" in
  --mutation) shift; exec nice -n 19 python3 tests/mutation/mutate.py "$@" ;;
  --fuzz-long) shift; exec bash tests/fuzz/run_long.sh "$@" ;;
  --coverage) shift; exec bash tests/coverage/run_coverage.sh "$@" ;;
  --adversary)
    cmake --preset host >/dev/null
    cmake --build --preset host -j "$(nproc 2>/dev/null || echo 2)" --target unit_tests
    exec env DRAMA_ADVERSARY_PAIRS=1 build/host/tests/unit/unit_tests --gtest_filter='AdversarySweep*' ;;
esac

jobs=$(nproc 2>/dev/null || echo 2)
step() { printf '\n==== %s\n' "$*"; }

step "layout of the C++ files (.clang-format)"
bash scripts/check_format.sh

step "host build and unit tests"
cmake --preset host >/dev/null
cmake --build --preset host -j "$jobs"
ctest --preset host -j "$jobs"

step "unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset host-asan >/dev/null
cmake --build --preset host-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --preset host-asan -j "$jobs"

step "fuzz targets (bounded time)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs" --target fuzz_targets
ctest --test-dir build/fuzz --output-on-failure -L fuzz

if bash scripts/wine_runs_32bit.sh; then
  step "32-bit Windows build (the CD's programs) and every end-to-end test under Wine"
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 -j "$jobs"
  ctest --preset win32

  step "64-bit Windows build and its end-to-end tests labelled both under Wine"
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 -j "$jobs"
  ctest --preset win64-both
else
  # A kernel without 32-bit support cannot start Wine's 32-bit loader: the
  # CD's i686 programs are built and checked without Wine, and every
  # end-to-end test runs against the x86-64 pair instead.
  step "NOTE: this machine runs no 32-bit programs (scripts/wine_runs_32bit.sh): the i686 build's end-to-end tests cannot run here; they run against the x86-64 build"
  step "32-bit Windows build (the CD's programs) and its checks that need no Wine"
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 -j "$jobs"
  ctest --preset win32 -LE e2e

  step "64-bit Windows build and every end-to-end test under Wine"
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 -j "$jobs"
  ctest --preset win64
fi

step "reproducible release: the i686 pair and the sample CD's image built again in another folder"
bash tests/cd/rebuild_compare.sh

step "all tests passed"

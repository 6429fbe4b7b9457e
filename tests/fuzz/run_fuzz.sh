#!/usr/bin/env bash
# Runs a libFuzzer target for a bounded time on a copy of its seed corpus, so
# that the inputs it finds never land in the source tree.
# usage: run_fuzz.sh FUZZER CORPUS SECONDS [libFuzzer options...]
set -euo pipefail
fuzzer=$1 corpus=$2 seconds=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$corpus"/. "$work"/
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "$@" "$work"

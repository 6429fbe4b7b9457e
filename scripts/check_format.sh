#!/usr/bin/env bash
# Fails when a C++ file of the repository differs from the layout
# .clang-format gives it (clang-format 14, Debian 12's), naming each place.
# To mend: scripts/check_format.sh --fix
set -euo pipefail
cd "$(dirname "$0")/.."
mode=(--dry-run -Werror)
if [ "${1:-}" = --fix ]; then mode=(-i); fi
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format "${mode[@]}"
else
  find . \( -path ./build -o -path ./out -o -path ./.git \) -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) \
    -print0 | xargs -0 clang-format "${mode[@]}"
fi

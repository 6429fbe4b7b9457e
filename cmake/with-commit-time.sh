#!/bin/sh
# with-commit-time.sh FILE COMMAND...: runs COMMAND with SOURCE_DATE_EPOCH
# set to the number in FILE (cmake/Reproducible.cmake).
SOURCE_DATE_EPOCH=$(cat "$1") || exit 1
export SOURCE_DATE_EPOCH
shift
exec "$@"

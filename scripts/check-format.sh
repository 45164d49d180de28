#!/bin/sh
# Fails when a tracked C++ file differs from what clang-format (.clang-format)
# makes of it. `clang-format -i FILE` mends one.
set -eu
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    files=$(git ls-files '*.h' '*.cpp')
else
    files=$(find . -path ./build -prune -o \( -name '*.h' -o -name '*.cpp' \) -print)
fi
# shellcheck disable=SC2086
clang-format --dry-run -Werror $files

#!/bin/sh
# Installs what is missing, checks the formatting, builds everything with
# warnings as errors and runs every test, then the fuzzers for a minute.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
sh scripts/check-format.sh
QINGHE_CMAKE_ARGS=-DQINGHE_WARNINGS_AS_ERRORS=ON sh scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2
sh scripts/fuzz.sh

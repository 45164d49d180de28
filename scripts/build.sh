#!/bin/sh
# Configures and builds into build/ (Release with debug information). Extra
# CMake settings come from QINGHE_CMAKE_ARGS; arguments go to the build.
set -eu
cd "$(dirname "$0")/.."
# shellcheck disable=SC2086
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${QINGHE_CMAKE_ARGS:-} >/dev/null
cmake --build build "$@"

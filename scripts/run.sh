#!/bin/sh
# Installs what is missing, builds and starts the program.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
sh scripts/build.sh --target qinghe
exec ./build/qinghe

#!/bin/sh
# Builds the Debian package into build-package/ and copies it here:
# qinghe_VERSION_ARCH.deb, installed with `apt install ./qinghe_*.deb`.
# The program finds its installed guide, not the one of these sources, and
# the package must hold exactly the files of desktop/installed-files.txt.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
build=build-package
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQINGHE_BUILD_TESTS=OFF -DQINGHE_BUILD_BENCH=OFF -DQINGHE_BUILD_TOOLS=OFF \
    -DQINGHE_GUIDE_FROM_SOURCE=OFF >/dev/null
cmake --build "$build"
rm -f "$build"/qinghe_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls "$build"/qinghe_*.deb)

# Only the expected files, below /usr.
dpkg-deb -c "$package" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./usr/||' |
    sh desktop/check_installed_files.sh desktop/installed-files.txt
if dpkg-deb -c "$package" | awk '{ print $6 }' | grep -v '^\./$' | grep -qv '^\./usr/'; then
    echo "files outside /usr in $package" >&2
    exit 1
fi

cp "$package" .
echo "$(basename "$package"):"
dpkg-deb -f "$package" Package Version Architecture Depends Recommends

#!/bin/sh
# Installs the Debian packages the build, the program and the tests need; does
# nothing when all are present.
set -eu

packages="g++ cmake ninja-build pkg-config
qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n
libcli11-dev nlohmann-json3-dev
libgtest-dev libgmock-dev libbenchmark-dev
libjpeg62-turbo-dev libpng-dev zlib1g-dev libsqlite3-dev libzip-dev libpugixml-dev
clang clang-format libclang-rt-dev
fonts-noto-cjk xvfb xauth python3
desktop-file-utils appstream dpkg-dev file man-db"

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing

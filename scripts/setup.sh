#!/bin/sh
# Installs the Debian/Ubuntu packages Sevenfold needs to build, with --tests also to test, and any packages named after.
set -e
packages="g++ cmake ninja-build pkg-config libsdl-mixer1.2-dev"
# sdl12-compat is the maintained SDL 1.2; older releases only have the classic library.
if apt-cache show libsdl1.2-compat-dev >/dev/null 2>&1 || dpkg-query -W libsdl1.2-compat-dev >/dev/null 2>&1; then
    packages="$packages libsdl1.2-compat-dev"
else
    packages="$packages libsdl1.2-dev"
fi
for arg in "$@"; do
    if [ "$arg" = "--tests" ]; then
        packages="$packages googletest libgtest-dev libbenchmark-dev python3 xvfb xdotool imagemagick x11-utils dpkg-dev"
    else
        packages="$packages $arg"
    fi
done

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing

#!/bin/sh
# Installs the Debian/Ubuntu packages Sevenfold needs to build, with --tests also to test, and any packages named after.
set -e
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}
known() {
    installed "$1" || apt-cache show "$1" >/dev/null 2>&1
}

# libx11-dev: the game waits on the X connection, which SDL_syswm.h names through Xlib's header.
# libxext-dev: it puts changed rectangles straight into its X window through shared memory.
packages="g++ cmake ninja-build pkg-config libsdl-mixer1.2-dev libx11-dev libxext-dev"
# sdl12-compat is the maintained SDL 1.2; older releases only have the classic library. A fresh
# machine has no package lists yet, so apt knows neither until they are fetched.
updated=no
if ! known libsdl1.2-compat-dev && ! installed libsdl1.2-dev; then
    $sudo apt-get update
    updated=yes
fi
if known libsdl1.2-compat-dev; then
    packages="$packages libsdl1.2-compat-dev"
else
    packages="$packages libsdl1.2-dev"
fi
for arg in "$@"; do
    if [ "$arg" = "--tests" ]; then
        # debhelper and build-essential: the install test builds the Debian package.
        packages="$packages googletest libgtest-dev libbenchmark-dev python3 xvfb xdotool imagemagick x11-utils file openbox debhelper build-essential"
    else
        packages="$packages $arg"
    fi
done

missing=""
for p in $packages; do
    installed "$p" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

[ $updated = yes ] || $sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing

#!/bin/sh
# Builds the console configuration (C++98, the console's host layer) with its tests and runs them on SDL's dummy drivers, then starts the program as the console would.
#
# Works against either SDL 1.2 that is installed: sdl12-compat on a desktop machine, the classic
# SDL 1.2 in the root scripts/fresh-check.sh --console makes. Builds into build-console/.
set -e
cd "$(dirname "$0")/.."
build=build-console
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSEVENFOLD_CONSOLE=ON \
    -DSEVENFOLD_TESTS=ON -DSEVENFOLD_BENCH=OFF
cmake --build "$build"
# The program asks its C library for nothing newer than the console's glibc 2.3 offers.
scripts/glibc-floor.sh "$build/sevenfold"
# Machines without a sound device need SDL's dummy audio driver.
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
(cd "$build" && ctest --output-on-failure -j2)

# The program: it starts on SDL's dummy drivers and runs until stopped, and without its sheet
# ends with 1 and not a word.
status=0
(cd "$build" && SDL_VIDEODRIVER=dummy timeout -s TERM 3 ./sevenfold) || status=$?
[ "$status" -eq 124 ] || { echo "console build: ended by itself with status $status" >&2; exit 1; }
mkdir -p "$build/empty"
status=0
(cd "$build/empty" && SDL_VIDEODRIVER=dummy ../sevenfold > said.txt 2>&1) || status=$?
if [ "$status" -ne 1 ] || [ -s "$build/empty/said.txt" ]; then
    echo "console build without its sheet: status $status, said: $(cat "$build/empty/said.txt")" >&2
    exit 1
fi
echo "console build: its suite passed, it runs until stopped, and ends silently without its sheet"

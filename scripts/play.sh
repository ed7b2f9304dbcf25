#!/bin/sh
# Installs what is missing, builds Sevenfold and starts it from the build folder, which holds tile.bmp.
set -e
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DSEVENFOLD_TESTS=OFF -DSEVENFOLD_BENCH=OFF
cmake --build build
cd build
exec ./sevenfold

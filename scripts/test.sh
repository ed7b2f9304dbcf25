#!/bin/sh
# Installs what is missing, builds Sevenfold with its tests and benchmarks, and runs the whole test suite.
set -e
cd "$(dirname "$0")/.."
scripts/setup.sh --tests
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSEVENFOLD_TESTS=ON -DSEVENFOLD_BENCH=ON
cmake --build build
cd build
ctest --output-on-failure -j2

#!/bin/sh
# Installs what is missing, then runs the whole test suite under AddressSanitizer and UBSan, and the scripted session under ThreadSanitizer.
#
# build-asan: every CTest test, built with -fsanitize=address,undefined; any report fails the run
# (UBSan does not recover, LeakSanitizer runs at exit of every in-process test and of the binary
# on the dummy drivers).
# build-tsan: the session program (real event loop, tick timer, audio thread, presses pushed from
# another thread) built with -fsanitize=thread; a race report makes it exit non-zero.
set -e
cd "$(dirname "$0")/.."
scripts/setup.sh --tests
# Machines without a sound device need SDL's dummy audio driver, as in CI.
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSEVENFOLD_SANITIZE="address;undefined" \
    -DSEVENFOLD_TESTS=ON -DSEVENFOLD_BENCH=OFF
cmake --build build-asan
(cd build-asan && ctest --output-on-failure -j2)

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSEVENFOLD_SANITIZE=thread \
    -DSEVENFOLD_TESTS=ON -DSEVENFOLD_BENCH=OFF
cmake --build build-tsan --target session
# ThreadSanitizer's shadow memory needs the classic address layout; kernels that randomise
# more address bits than it expects make it stop at start-up, so address randomisation is
# switched off for this run where the machine allows it.
norandom=""
if setarch "$(uname -m)" -R true 2>/dev/null; then
    norandom="setarch $(uname -m) -R"
fi
(cd build-tsan && $norandom ctest -R '^session$' --output-on-failure)

#!/bin/sh
# Builds the tile sheet fuzzer (clang, ASan+UBSan) in build-fuzz and runs it for the given seconds (default 60), failing on any fault.
set -e
cd "$(dirname "$0")/.."
root="$(pwd)"
seconds="${1:-60}"
scripts/setup.sh clang libclang-rt-dev

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DSEVENFOLD_FUZZ=ON -DSEVENFOLD_SANITIZE="address;undefined" \
    -DSEVENFOLD_TESTS=OFF -DSEVENFOLD_BENCH=OFF
cmake --build build-fuzz --target fuzz_sheet

# Seeds: the small sheets of the corpus, our own sheet and every fault found so far. Large ones
# would only make each mutation slower; the corpus test gives those to the game itself.
seeds=build-fuzz/fuzz-seeds
rm -rf "$seeds"
python3 tests/make_sheet_corpus.py "$seeds" --tile assets/tile.bmp --max-bytes 100000 >/dev/null
rm -f "$seeds/manifest.tsv"
cp fuzz/regressions/* "$seeds/" 2>/dev/null || true
# What the fuzzer learns is kept between runs, apart from the seeds.
mkdir -p build-fuzz/fuzz-corpus build-fuzz/fuzz-faults

# A sheet may be 16 MiB, but every header and some hundred rows fit in 100 kB, and small inputs
# mutate fast. One allocation of 64 MiB is a fault in itself: no sheet the check lets by needs it.
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
exec "$root/build-fuzz/fuzz/fuzz_sheet" -max_total_time="$seconds" -max_len=100000 -use_value_profile=1 -rss_limit_mb=2048 \
    -malloc_limit_mb=64 -timeout=30 -print_final_stats=1 -artifact_prefix="$root/build-fuzz/fuzz-faults/" \
    "$root/build-fuzz/fuzz-corpus" "$root/$seeds"

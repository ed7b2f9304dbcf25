#!/bin/bash
# Cross-builds Sevenfold for 32-bit ARM Linux (Debian armel), then runs its in-process tests and a start-up check under qemu-arm.
#
#   scripts/arm.sh [extra cmake -D options]
#
# Builds into build-arm/; the armel libraries live in build-arm-sysroot/. A second run skips
# whatever is already installed, unpacked or built.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-arm"
sysdir="$root/build-arm-sysroot"
sysroot="$sysdir/armel"
triplet=arm-linux-gnueabi

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
apt_get() {
    # Other builds may hold the package manager's lock for a while.
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 "$@"
}
installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}
# The x86-64 development packages the native build needs must survive whatever happens here.
native_dev="libsdl1.2-compat-dev libsdl-mixer1.2-dev libgtest-dev libbenchmark-dev"
native_before=""
for p in $native_dev; do installed "$p" && native_before="$native_before $p"; done
check_native() {
    for p in $native_before; do
        installed "$p" || { echo "arm.sh: $p is no longer installed" >&2; exit 1; }
    done
}

# --- Host tools: the cross compiler and the emulator. -----------------------------------------
# g++-arm-linux-gnueabi is the compiler of crossbuild-essential-armel without dpkg-cross, which
# would pull in Perl upgrades the build does not need.
host_tools="g++-arm-linux-gnueabi qemu-user cmake ninja-build pkg-config python3"
missing=""
for p in $host_tools; do installed "$p" || missing="$missing $p"; done
updated=no
if ! dpkg --print-foreign-architectures | grep -qx armel; then
    $sudo dpkg --add-architecture armel
    apt_get update
    updated=yes
fi
if [ -n "$missing" ]; then
    [ $updated = yes ] || apt_get update
    updated=yes
    apt_get install -y --no-install-recommends $missing
    check_native
fi

# --- The armel sysroot. -----------------------------------------------------------------------
# Debian's armel -dev packages conflict with the installed x86-64 ones (libsdl-mixer1.2-dev:armel
# would remove the native libsdl-mixer1.2-dev), and the security archive no longer carries armel,
# so several armel runtime libraries cannot match the versions of their installed x86-64 twins
# either. Everything ARM is therefore unpacked into a folder of its own, never installed: apt
# works out the packages as for an empty armel machine, and dpkg -x unpacks them.
wanted="libsdl1.2-compat-dev libsdl1.2-compat libsdl1.2-compat-shim libsdl-mixer1.2
        libgtest-dev libbenchmark-dev libstdc++6 libx11-dev libxext-dev"
# libsdl-mixer1.2-dev comes without its own -dev dependencies (FLAC, Vorbis, MikMod headers):
# the game includes only SDL's and SDL_mixer's headers and links the shared library.
wanted_nodeps="libsdl-mixer1.2-dev"
stamp="$sysdir/.complete"
stamp_text=$(echo $wanted "|" $wanted_nodeps)
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$stamp_text" ]; then
    if [ $updated = no ] && ! apt-cache show libc6:armel >/dev/null 2>&1; then
        apt_get update
    fi
    mkdir -p "$sysdir/debs" "$sysdir/apt"
    : > "$sysdir/apt/status"
    armel_apt=(-o Dir::State::status="$sysdir/apt/status" -o APT::Architecture=armel
               -o APT::Architectures::=armel -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=)
    plan=$(apt-get -s install --no-install-recommends "${armel_apt[@]}" $wanted |
           sed -n 's/^Inst \([^ ]*\) (\([^ ]*\) .*\[\(armel\|all\)\].*/\1 \2 \3/p')
    [ -n "$plan" ] || { echo "arm.sh: apt found no armel packages" >&2; exit 1; }
    # Architecture-independent data (keyboard maps, sound fonts) and base tools are never loaded
    # by the game or the tests; gtest's headers come with libgtest-dev itself.
    skip="dpkg tar sysvinit-utils"
    fetch=""
    while read -r name version arch; do
        # Xlib's header, which the game includes, needs the X protocol headers of x11proto-dev.
        [ "$arch" = all ] && [ "$name" != x11proto-dev ] && continue
        case " $skip " in *" $name "*) continue ;; esac
        fetch="$fetch $name=$version"
    done <<< "$plan"
    for p in $wanted_nodeps; do
        fetch="$fetch $p=$(apt-cache policy "${armel_apt[@]}" "$p" | sed -n 's/^ *Candidate: //p')"
    done
    echo "arm.sh: armel packages for the sysroot:$fetch"
    # apt's download user cannot write into root's work tree; download as we are.
    (cd "$sysdir/debs" && apt-get download "${armel_apt[@]}" -o APT::Sandbox::User=root $fetch)
    rm -rf "$sysroot"
    mkdir -p "$sysroot"
    for p in $fetch; do
        name=${p%%=*}
        version=${p#*=}
        deb=$(ls "$sysdir/debs/${name}_${version//:/%3a}_"*.deb)
        dpkg -x "$deb" "$sysroot"
    done
    # Absolute links (the loader's /lib/ld-linux.so.3, some .so links) would point out of the
    # sysroot, at the host's files; they must stay inside it.
    find "$sysroot" -type l | while read -r link; do
        target=$(readlink "$link")
        case "$target" in
        /*) ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" "$sysroot$target")" "$link" ;;
        esac
    done
    echo "$stamp_text" > "$stamp"
fi
check_native

# --- Build. -----------------------------------------------------------------------------------
cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/armel.cmake" -DSEVENFOLD_ARM_SYSROOT="$sysroot" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSEVENFOLD_TESTS=ON -DSEVENFOLD_BENCH=ON "$@"
# Two cores are all the machine has, shared with other builds.
cmake --build "$build" -j2

# The console configuration too: its game library and program, built the same way.
cmake -S "$root" -B "$build-console" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/armel.cmake" -DSEVENFOLD_ARM_SYSROOT="$sysroot" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSEVENFOLD_CONSOLE=ON -DSEVENFOLD_TESTS=OFF -DSEVENFOLD_BENCH=OFF
cmake --build "$build-console" -j2

# --- The device's CPU: no ARMv5 instruction in the game's own code. ---------------------------
# The console's ARM920T is ARMv4T. These are the instructions ARMv5 added that a compiler uses:
# blx, clz, the double-word loads and stores, the DSP multiplies, saturating arithmetic, pld.
armv5='^(blx|clz|ldrd|strd|smul[bt][bt]|smulw[bt]|smla[bt][bt]|smlaw[bt]|smlal[bt][bt]|q(d)?(add|sub)|pld)$'
cpu_ok=yes
for lib in "$build/libsevenfold_game.a" "$build-console/libsevenfold_game.a"; do
    found=$(${triplet}-objdump -d --no-show-raw-insn "$lib" |
        awk -v bad="$armv5" -F'\t' '/^[[:space:]]*[0-9a-f]+:/ { split($2, m, /[ .]/); if (m[1] ~ bad) print }')
    if [ -n "$found" ]; then
        echo "arm.sh: ARMv5 instructions in $lib, which the console's ARMv4T CPU cannot run:" >&2
        echo "$found" | head -20 >&2
        cpu_ok=no
    else
        echo "arm.sh: $(basename "$(dirname "$lib")")/$(basename "$lib"): ARMv4T only ($(${triplet}-objdump -d "$lib" | grep -c '^[[:space:]]*[0-9a-f]*:') instructions)"
    fi
done

# --- The device's C library: the console program asks for nothing newer than glibc 2.3 has. ---
floor_ok=yes
"$root/scripts/glibc-floor.sh" "$build-console/sevenfold" || floor_ok=no

qemu=(qemu-arm -L "$sysroot")
# QEMU_LD_PREFIX too: where binfmt runs ARM programs, a test that starts itself again finds the loader.
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy QEMU_LD_PREFIX="$sysroot"

# --- Tests. -----------------------------------------------------------------------------------
# The C++ test programs run through the emulator. The Python tests start the game and the test
# tools as host programs, so they belong to the x86-64 build and are left out here.
excluded=$(ctest --test-dir "$build" --show-only=json-v1 | python3 -c '
import json, re, sys
emulator = sys.argv[1]
for test in json.load(sys.stdin)["tests"]:
    command = test.get("command") or [""]
    if command[0] != emulator:
        print("^" + re.escape(test["name"]) + "$")
' "$(command -v qemu-arm)" | paste -sd'|')
echo "arm.sh: not run under qemu-arm (Python tests of the x86-64 binary): ${excluded:-none}"
ctest_log="$build/ctest-arm.log"
ctest_args=(--test-dir "$build" --output-on-failure -j2 --timeout 600)
[ -n "$excluded" ] && ctest_args+=(-E "$excluded")
set +e
ctest "${ctest_args[@]}" | tee "$ctest_log"
ctest_status=${PIPESTATUS[0]}
set -e
total=$(sed -n 's/.* tests failed out of \([0-9]*\).*/\1/p' "$ctest_log" | tail -1)
failed=$(sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' "$ctest_log" | tail -1)
total=${total:-0}
failed=${failed:-0}
[ "$total" -gt 0 ] || { echo "arm.sh: no test ran under qemu-arm" >&2; exit 1; }

# --- Benchmarks: built, and started to list themselves. A timed pass takes half a minute under
# qemu and its figures say little about a real ARM; SEVENFOLD_ARM_BENCH=1 runs one anyway.
if [ -x "$build/bench/bench_game" ]; then
    count=$("${qemu[@]}" "$build/bench/bench_game" --benchmark_list_tests | grep -c .)
    echo "arm.sh: the ARM benchmarks start under qemu-arm ($count benchmarks)"
    if [ "${SEVENFOLD_ARM_BENCH:-0}" = 1 ]; then
        "${qemu[@]}" "$build/bench/bench_game" --benchmark_min_time=0.01 | tee "$build/bench-arm.txt"
    fi
else
    echo "arm.sh: no benchmarks built (no armel Google Benchmark)"
fi

# --- The game itself: start it, look at the first screen it shows, end it with SIGTERM. ------
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
cp "$root/assets/tile.bmp" "$run/"
# The dummy video driver saves every presented frame as a BMP in the working folder. At the
# window scale of 1 the frame is the game's own screen, pixel for pixel; a larger scale may be
# smoothed by SDL, whose rounding differs between its x86-64 and ARM code.
(cd "$run" && exec env SDL_VIDEO_DUMMY_SAVE_FRAMES=1 SDL12COMPAT_WINDOW_SCALING=1 \
    "${qemu[@]}" "$build/sevenfold" > "$run/out.txt" 2>&1) &
game=$!
frames=0
for _ in $(seq 1 600); do
    frames=$(find "$run" -name '*.bmp' ! -name tile.bmp | wc -l)
    [ "$frames" -ge 3 ] && break
    kill -0 "$game" 2>/dev/null || break
    sleep 0.1
done
kill -TERM "$game" 2>/dev/null || true
game_status=0
for _ in $(seq 1 100); do
    kill -0 "$game" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$game" 2>/dev/null; then
    kill -KILL "$game"
    echo "arm.sh: the ARM game did not end within 10 s of SIGTERM" >&2
    game_status=124
fi
wait "$game" || game_status=$?
smoke_ok=yes
if [ "$game_status" -ne 0 ]; then
    echo "arm.sh: the ARM game exited with status $game_status after SIGTERM" >&2
    cat "$run/out.txt" >&2
    smoke_ok=no
fi
# The last frame shown before SIGTERM: the side panel, title and board of a new game.
frame=$(find "$run" -name '*.bmp' ! -name tile.bmp | sort | tail -1)
if [ -z "$frame" ]; then
    echo "arm.sh: the ARM game presented no frame" >&2
    smoke_ok=no
elif ! python3 - "$frame" "$root/assets/title.bmp" <<'EOF'
import struct, sys

def read_bmp(path):
    """Pixels of an uncompressed BMP as rows of (r, g, b), top row first."""
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bpp, compression = struct.unpack_from("<iiHHI", data, 18)
    masks = None
    if compression == 3:
        masks = struct.unpack_from("<III", data, 54)
    elif bpp == 16:
        masks = (0x7C00, 0x03E0, 0x001F)
    stride = (width * bpp // 8 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        src = y if height < 0 else abs(height) - 1 - y
        line = data[offset + src * stride:]
        row = []
        for x in range(width):
            if bpp in (24, 32) and masks is None:
                b, g, r = line[x * bpp // 8:x * bpp // 8 + 3]
            else:
                raw = int.from_bytes(line[x * bpp // 8:(x + 1) * bpp // 8], "little")
                rgb = []
                for mask in masks:
                    shift = (mask & -mask).bit_length() - 1
                    top = mask >> shift
                    rgb.append(((raw & mask) >> shift) * 255 // top)
                r, g, b = rgb
            row.append((r, g, b))
        rows.append(row)
    return rows

frame = read_bmp(sys.argv[1])
title = read_bmp(sys.argv[2])
h, w = len(frame), len(frame[0])
if (w, h) != (320, 240):
    sys.exit(f"frame is {w}x{h}, not 320x240")

def near(a, b, slack=8):
    # 16-bit colours lose the low bits of each channel on the way to the screen.
    return all(abs(p - q) <= slack for p, q in zip(a, b))

problems = []
grey, white = (224, 224, 224), (255, 255, 255)
# A new game paints the board area light grey; the board itself starts one row lower.
bad = [x for x in range(80, 320) if not near(frame[0][x], grey)]
if bad:
    problems.append(f"board's top row (y 0) not light grey at {len(bad)} x, first {bad[0]}: {frame[0][bad[0]]}")
bad = [(x, y) for y in range(40) for x in range(80) if not near(frame[y][x], title[y][x])]
if bad:
    x, y = bad[0]
    problems.append(f"{len(bad)} title pixels differ, first at ({x}, {y}): {frame[y][x]} vs {title[y][x]}")
# Every board cell shows a tile: around its middle there is more than the white background.
empty = []
for cy in range(7):
    for cx in range(7):
        mx, my = 80 + 34 * cx + 17, 1 + 34 * cy + 17
        block = [frame[y][x] for y in range(my - 2, my + 3) for x in range(mx - 2, mx + 3)]
        if all(near(p, white) or near(p, grey) for p in block):
            empty.append((cx, cy))
if empty:
    problems.append(f"board cells without a tile: {empty}")
if problems:
    sys.exit("; ".join(problems))
print("arm.sh: the ARM game drew the new-game screen (320x240: grey board top, title, 49 tiles)")
EOF
then
    echo "arm.sh: the ARM game's screen is wrong (frame $frame)" >&2
    cp "$frame" "$build/arm-frame.bmp"
    smoke_ok=no
else
    cp "$frame" "$build/arm-frame.bmp"
fi
check_native

passed=$((total - failed))
echo "arm.sh: game start-up under qemu-arm: $([ $smoke_ok = yes ] && echo passed || echo FAILED)"
# The closing line counts the start-up check as one test beside CTest's.
[ $smoke_ok = yes ] && passed=$((passed + 1)) || failed=$((failed + 1))
echo "qemu-arm: $passed passed, $failed failed"
echo "arm.sh: ARMv4T code for the console's CPU: $([ $cpu_ok = yes ] && echo passed || echo FAILED)"
echo "arm.sh: the console program's glibc imports: $([ $floor_ok = yes ] && echo passed || echo FAILED)"
[ "$ctest_status" -eq 0 ] && [ $smoke_ok = yes ] && [ $cpu_ok = yes ] && [ $floor_ok = yes ]

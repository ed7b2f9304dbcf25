#!/bin/bash
# Checks the README's commands on a fresh minimal Debian 12: tests, play, the source package and the installed package, each in a chroot made for the run.
#
#   sudo scripts/fresh-check.sh             everything
#   sudo scripts/fresh-check.sh --console   the console build on the classic SDL 1.2 only
#
# A developer's machine: a new Debian 12 root (debootstrap --variant=minbase, from the mirror the
# apt sources here name) gets a clone of this repository at its HEAD commit and runs
# scripts/test.sh, then scripts/play.sh under Xvfb. A distribution's build machine: a second new
# root gets a clone too, installs the source package's build dependencies alone (apt-get
# build-dep) and builds it with dpkg-buildpackage. A player's machine: a third new root installs
# the .deb made there with apt and starts the installed launcher under Xvfb. Both windows must be
# the scaled 1280x960 of a 1920x1080 screen; a fourth root runs the console build's suite on the
# classic SDL 1.2. The pristine root is
# cached as a tarball in /var/cache/sevenfold (SEVENFOLD_FRESH_CACHE) under a name made of suite,
# mirror, architecture and package set; the roots themselves are scratch copies, removed at the end.
set -euo pipefail

suite=bookworm
variant=minbase
# Nothing beyond minbase: the README's commands must bring everything else themselves.
include=""
screen_w=1920
screen_h=1080
want_w=1280
want_h=960

say() { echo "fresh-check: $*"; }
fail() {
    echo "fresh-check: FAILED: $*" >&2
    exit 1
}

# --- Inside a root: the game under Xvfb. ------------------------------------------------------
# The script copies itself into each root and runs these steps there with chroot.
inside_x_pid=""
inside_game_pid=""
inside_stop() {
    local pid
    for pid in $inside_game_pid $inside_x_pid; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    for pid in $inside_game_pid $inside_x_pid; do
        wait "$pid" 2>/dev/null || true
    done
}

# Starts a private Xvfb; Xvfb itself picks a display no one else uses.
inside_start_x() {
    local out=/tmp/fresh-check-display
    rm -f "$out"
    Xvfb -displayfd 3 -screen 0 "${screen_w}x${screen_h}x24" -nolisten tcp 3>"$out" \
        >/tmp/fresh-check-xvfb.log 2>&1 &
    inside_x_pid=$!
    local _
    for _ in $(seq 1 200); do
        if grep -q '^[0-9]' "$out" 2>/dev/null; then
            export DISPLAY=":$(head -1 "$out")"
            return 0
        fi
        kill -0 "$inside_x_pid" 2>/dev/null || break
        sleep 0.1
    done
    cat /tmp/fresh-check-xvfb.log >&2
    fail "Xvfb did not start"
}

# The size of the largest top-level window on the display, as WIDTHxHEIGHT. The game is the
# only client there; the classic SDL wraps its window in one of the same size.
inside_window_size() {
    xwininfo -root -children 2>/dev/null |
        sed -n 's/^ *0x[0-9a-f]* .*  \([0-9]*\)x\([0-9]*\)+[-0-9]*+[-0-9]*  .*/\1 \2/p' |
        awk '$1 * $2 > best { best = $1 * $2; size = $1 "x" $2 } END { print size }'
}

# Waits for the game (process $1) to show a window, leaves it running a few seconds, checks the
# window's size, and ends the game with SIGTERM, which must give status 0.
inside_check_game() {
    local pid=$1 what=$2 limit=$3 log=$4
    inside_game_pid=$pid
    local size="" t0 _
    t0=$(date +%s)
    for _ in $(seq 1 $((limit * 2))); do
        kill -0 "$pid" 2>/dev/null || break
        size=$(inside_window_size)
        [ -n "$size" ] && break
        sleep 0.5
    done
    if [ -z "$size" ]; then
        tail -30 "$log" >&2
        kill -0 "$pid" 2>/dev/null || fail "$what ended before showing a window (output above)"
        fail "$what showed no window within $limit s (output above)"
    fi
    say "$what: a window after $(( $(date +%s) - t0 )) s"
    sleep 5
    kill -0 "$pid" 2>/dev/null || { tail -30 "$log" >&2; fail "$what ended within 5 s of showing its window"; }
    size=$(inside_window_size)
    say "$what: window $size on a ${screen_w}x${screen_h} screen"
    kill -TERM "$pid"
    local status=0
    wait "$pid" || status=$?
    inside_game_pid=""
    [ "$status" -eq 0 ] || fail "$what exited with status $status after SIGTERM"
    [ "$size" = "${want_w}x${want_h}" ] ||
        fail "$what: window $size, not ${want_w}x${want_h} (320x240 times 4, the largest whole scale for the screen): is SDL 1.2 not sdl12-compat?"
}

inside() {
    trap inside_stop EXIT
    inside_start_x
    case "$1" in
    play)
        # play.sh builds first, then becomes the game.
        cd /root/sevenfold
        scripts/play.sh >/tmp/play.log 2>&1 &
        inside_check_game $! "scripts/play.sh" 500 /tmp/play.log
        ;;
    launcher)
        cd /root
        say "the installed launcher: $(command -v sevenfold)"
        sevenfold >/tmp/launcher.log 2>&1 &
        inside_check_game $! "the installed launcher" 60 /tmp/launcher.log
        ;;
    esac
}

if [ "${1:-}" = "--inside" ]; then
    inside "$2"
    exit 0
fi

# --- On the machine. ---------------------------------------------------------------------------
[ "$(id -u)" -eq 0 ] || fail "needs root (debootstrap, chroot and mounts)"
repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
head=$(git -C "$repo" rev-parse HEAD)
self=$(readlink -f "$0")
cache=${SEVENFOLD_FRESH_CACHE:-/var/cache/sevenfold}
arch=$(dpkg --print-architecture)
started=$(date +%s)

# Every "deb" entry of the apt sources as "URI SUITE COMPONENT...": one-line .list files and
# deb822 .sources files alike.
apt_entries() {
    local f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        sed 's/#.*//; s/\[[^]]*\]//' "$f" | awk '$1 == "deb" { $1 = ""; print substr($0, 2) }'
    done
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk '
            function flush(   i, j, nu, ns, us, ss) {
                if (f["types"] ~ /(^|[ \t])deb([ \t]|$)/ && tolower(f["enabled"]) !~ /^[ \t]*no/) {
                    nu = split(f["uris"], us, " "); ns = split(f["suites"], ss, " ")
                    for (i = 1; i <= nu; i++) for (j = 1; j <= ns; j++) print us[i], ss[j], f["components"]
                }
                split("", f)
            }
            /^#/ { next }
            /^[ \t]*$/ { flush(); next }
            /^[ \t]/ { f[field] = f[field] " " $0; next }
            {
                field = tolower($0); sub(/:.*/, "", field)
                value = $0; sub(/^[^:]*:[ \t]*/, "", value); f[field] = value
            }
            END { flush() }' "$f"
    done
}
entries=$(apt_entries | awk -v suite="$suite" '$2 == suite || index($2, suite "-") == 1')
mirror=$(echo "$entries" | awk -v suite="$suite" '$2 == suite { print $1; exit }')
[ -n "$mirror" ] || fail "the apt sources name no mirror for $suite (Debian 12)"
say "mirror $mirror, $suite ($arch)"

# --- Scratch space, and everything mounted in it undone on every way out. ---------------------
scratch=$(mktemp -d /var/tmp/sevenfold-fresh.XXXXXX)
partial=""
cleanup() {
    local status=$? root pid mount
    # Every step here must run, whatever fails.
    set +e
    trap - EXIT INT TERM HUP ERR
    # Whatever still runs inside the roots (started by this script) would keep them busy.
    for root in "$scratch"/*/; do
        root=${root%/}
        for pid in $(ls /proc | grep -E '^[0-9]+$'); do
            [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$root" ] && kill -KILL "$pid" 2>/dev/null
        done
    done
    # Deepest first; debootstrap's own mounts too, should it have been stopped half-way.
    for mount in $(awk -v s="$scratch/" 'index($2, s) == 1 { print $2 }' /proc/self/mounts | sort -r); do
        umount "$mount" 2>/dev/null || umount -l "$mount" 2>/dev/null
    done
    [ -n "$partial" ] && rm -f "$partial"
    if grep -q " $scratch/" /proc/self/mounts; then
        echo "fresh-check: FAILED: could not unmount everything under $scratch; left in place" >&2
        status=1
    else
        rm -rf --one-file-system "$scratch"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'echo "fresh-check: FAILED: the command at line $LINENO of $self failed" >&2' ERR
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# --- The pristine root, cached. ----------------------------------------------------------------
key=$(printf '%s\n' "$suite" "$mirror" "$arch" "$variant" "$include" | sha256sum | cut -c1-16)
tarball="$cache/root-$suite-$arch-$key.tar"
if [ ! -f "$tarball" ]; then
    if ! command -v debootstrap >/dev/null; then
        apt-get update
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends debootstrap
    fi
    mkdir -p "$cache"
    pristine="$scratch/pristine"
    say "making a pristine $suite root (debootstrap --variant=$variant) for $tarball"
    t0=$(date +%s)
    debootstrap --variant="$variant" --arch="$arch" ${include:+--include="$include"} \
        "$suite" "$pristine" "$mirror" > "$scratch/debootstrap.log" 2>&1 ||
        { tail -30 "$scratch/debootstrap.log" >&2; fail "debootstrap failed (output above)"; }
    # The downloaded packages are installed already.
    chroot "$pristine" apt-get clean
    partial="$tarball.$$"
    tar -C "$pristine" --numeric-owner -cf "$partial" .
    mv "$partial" "$tarball"
    partial=""
    printf 'suite %s\nmirror %s\narch %s\nvariant %s\ninclude %s\n' \
        "$suite" "$mirror" "$arch" "$variant" "$include" > "${tarball%.tar}.txt"
    rm -rf --one-file-system "$pristine"
    say "pristine root made in $(( $(date +%s) - t0 )) s"
fi

mount_in() {
    local root=$1 what=$2 where=$3
    shift 3
    mount "$@" "$what" "$root$where"
}

# Unpacks a fresh copy of the pristine root, with what a chroot needs from the machine.
new_root() {
    local root="$scratch/$1"
    mkdir "$root"
    tar -C "$root" --numeric-owner -xpf "$tarball"
    echo "$entries" | awk '{ print "deb", $0 }' > "$root/etc/apt/sources.list"
    cp -L /etc/resolv.conf "$root/etc/resolv.conf"
    # Packages installed here must not start services on the machine.
    printf '#!/bin/sh\nexit 101\n' > "$root/usr/sbin/policy-rc.d"
    chmod +x "$root/usr/sbin/policy-rc.d"
    mount_in "$root" proc /proc -t proc
    mount_in "$root" sysfs /sys -t sysfs
    mount_in "$root" /dev /dev --bind
    mount --make-private "$root/dev"
    mount_in "$root" /dev/pts /dev/pts --bind
    mount_in "$root" tmpfs /dev/shm -t tmpfs
    install -m 755 "$self" "$root/usr/local/bin/fresh-check-inside"
}

# Runs a command in a root as a login would, with a time limit; no sound device there. The PATH
# holds a player's games folders, as a Debian login's does (root's lacks them). It runs in the
# background so that a signal to this script is handled at once, not when it ends.
in_root() {
    local root="$scratch/$1" limit=$2
    shift 2
    timeout "$limit" chroot "$root" /usr/bin/env -i \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin:/usr/local/games:/usr/games HOME=/root LANG=C.UTF-8 \
        SDL_AUDIODRIVER=dummy DEBIAN_FRONTEND=noninteractive "$@" &
    wait $!
}

# --- The console's own SDL: the classic SDL 1.2, as the device's firmware has it. --------------
# The console configuration built against Debian's classic libsdl1.2-dev (not sdl12-compat) and
# its whole suite run on SDL's dummy and disk drivers; the program started and ended as CI starts
# it. The same suite also passes on sdl12-compat (scripts/test-console.sh).
console_on_classic() {
    local t0
    t0=$(date +%s)
    new_root console
    git clone --quiet "$repo" "$scratch/console/root/sevenfold"
    git -C "$scratch/console/root/sevenfold" checkout --quiet --detach "$head"
    in_root console 600 sh -c "apt-get update -qq && apt-get install -y -qq --no-install-recommends \
        g++ cmake ninja-build pkg-config libsdl1.2-dev libsdl-mixer1.2-dev libgtest-dev python3" \
        > "$scratch/console-apt.log" 2>&1 ||
        { tail -40 "$scratch/console-apt.log" >&2; fail "installing the classic SDL 1.2 on a fresh $suite"; }
    local sdl
    sdl=$(in_root console 60 dpkg-query -W -f='${Version}' libsdl1.2-dev)
    in_root console 60 dpkg-query -W libsdl1.2-compat >/dev/null 2>&1 &&
        fail "sdl12-compat is installed in the classic root"
    say "the classic SDL 1.2 ($sdl) on a fresh $suite: the console build's suite"
    in_root console 1200 sh -c 'cd /root/sevenfold && scripts/test-console.sh' ||
        fail "the console build's suite on the classic SDL 1.2 (output above)"
    say "the console build passed on the classic SDL 1.2 in $(( $(date +%s) - t0 )) s"
}
if [ "${1:-}" = "--console" ]; then
    console_on_classic
    exit 0
fi

# --- A developer's machine: the README's two commands. -------------------------------------------
new_root dev
git clone --quiet "$repo" "$scratch/dev/root/sevenfold"
git -C "$scratch/dev/root/sevenfold" checkout --quiet --detach "$head"
say "cloned $repo at $head"

t0=$(date +%s)
say "scripts/test.sh on a fresh $suite"
in_root dev 1500 sh -c 'cd /root/sevenfold && scripts/test.sh' ||
    fail "scripts/test.sh failed on a fresh $suite (output above)"
say "scripts/test.sh passed in $(( $(date +%s) - t0 )) s"

t0=$(date +%s)
say "scripts/play.sh on a fresh $suite, under Xvfb"
in_root dev 600 fresh-check-inside --inside play || fail "scripts/play.sh on a fresh $suite"
say "scripts/play.sh passed in $(( $(date +%s) - t0 )) s"

# --- A distribution's build machine: the source package built with what it asks for alone. -----
t0=$(date +%s)
new_root package
git clone --quiet "$repo" "$scratch/package/root/sevenfold"
git -C "$scratch/package/root/sevenfold" checkout --quiet --detach "$head"
say "the source package on a fresh $suite: apt-get build-dep, dpkg-buildpackage"
in_root package 600 sh -c "cd /root/sevenfold && apt-get update -qq && \
    apt-get build-dep -y -qq --no-install-recommends ./" > "$scratch/build-dep.log" 2>&1 ||
    { tail -40 "$scratch/build-dep.log" >&2; fail "apt-get build-dep ./ on a fresh $suite"; }
in_root package 600 sh -c 'cd /root/sevenfold && dpkg-buildpackage -us -uc' > "$scratch/dpkg-buildpackage.log" 2>&1 ||
    { tail -40 "$scratch/dpkg-buildpackage.log" >&2; fail "dpkg-buildpackage -us -uc on a fresh $suite"; }
debs=("$scratch"/package/root/sevenfold_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "dpkg-buildpackage made no single sevenfold_*.deb"
deb=$(basename "${debs[0]}")
say "made $(cd "$scratch/package/root" && echo sevenfold_*.dsc) and $deb in $(( $(date +%s) - t0 )) s: Depends: $(dpkg-deb -f "${debs[0]}" Depends)"

# --- A player's machine: the .deb installed with apt, the installed launcher started. ---------
t0=$(date +%s)
new_root player
cp "${debs[0]}" "$scratch/player/root/"
in_root player 600 sh -c "cd /root && apt-get update -qq && apt-get install -y -qq \
    --no-install-recommends xvfb x11-utils >/dev/null && apt-get install -y ./$deb" > "$scratch/apt.log" 2>&1 ||
    { tail -40 "$scratch/apt.log" >&2; fail "apt-get install ./$deb on a fresh $suite"; }
# dpkg-query fails for the one of the two that is not installed.
sdl=$(in_root player 60 dpkg-query -W -f='${Package} ${Version}\n' \
    libsdl1.2-compat-shim libsdl1.2debian 2>/dev/null | awk 'NF == 2' | paste -sd' ' || true)
say "installed $deb; SDL 1.2 there: ${sdl:-none}"
in_root player 120 fresh-check-inside --inside launcher || fail "the installed launcher on a fresh $suite"
say "installed package passed in $(( $(date +%s) - t0 )) s"

console_on_classic

say "passed in $(( $(date +%s) - started )) s: tests, play, the source package, the installed package and the console build on the classic SDL 1.2, on a fresh $suite"

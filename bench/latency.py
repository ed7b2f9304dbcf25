#!/usr/bin/env python3
"""Key press to changed pixels: how long a player waits to see a cursor step, under Xvfb.

  python3 bench/latency.py [BUILD] [--presses N] [--scale 4]

The game runs in a window on a private 1920x1080 X server (x4, as on most screens), with a data
folder of its own that it has used before (so no card of a first start covers the board). Each
press of Right or Left is made with XTEST on a connection of our own, which then reads the cell
the cursor steps to with XGetImage every half millisecond until its pixels change. Presses come
at random moments of the 70 ms tick: a press must act as it arrives, not at the next tick.

A second series makes each press arrive while the game is inside a tick's present: the server
is held (XGrabServer) until the game's next present waits on it, the key is pressed, and the
server let go. The game then reads the press from its connection while it waits for the present
to finish, before it sleeps again: such a press must act as soon as the present is done, not at
a later tick.

A third series times a press's sound: the game's mixer writes to SDL's disk audio driver, whose
output is a FIFO read here as it comes (each buffer the moment it is mixed; the driver then sleeps
for as long as the buffer plays). Each press, made after at least 0.1 s of silence, moves the
cursor and plays the move sound; the time is from the press to its first sample, as far into
the first buffer holding it as it lies there. A
real device plays that buffer after the ones it already holds: about one buffer later.

Prints the median and 95th percentile of each series, and ends with status 1 when a press waits
longer than the game allows: a median over 5 ms or a 95th percentile over 17 ms (one frame at
60 Hz) in either picture series, or a median over 50 ms for the sound."""

import argparse
import ctypes
import ctypes.util
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests"))
import xharness as xh  # noqa: E402

MEDIAN_MS, P95_MS = 5.0, 17.0
SOUND_MS = 50.0


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100 * (len(ordered) - 1))))]


class Presser(xh.XClient):
    """XTEST key presses and server grabs on our own connection."""

    def __init__(self, display):
        super().__init__(display)
        self.xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.x.XStringToKeysym.restype = ctypes.c_ulong
        self.x.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        for name in ("XGrabServer", "XUngrabServer", "XFlush"):
            getattr(self.x, name).argtypes = [ctypes.c_void_p]

    def tap(self, key):
        code = self.x.XKeysymToKeycode(self.d, self.x.XStringToKeysym(key.encode()))
        self.xtst.XTestFakeKeyEvent(self.d, code, 1, 0)
        self.xtst.XTestFakeKeyEvent(self.d, code, 0, 0)
        self.x.XFlush(self.d)

    def grab(self):
        self.x.XGrabServer(self.d)
        self.x.XSync(self.d, 0)

    def ungrab(self):
        self.x.XUngrabServer(self.d)
        self.x.XFlush(self.d)


def cell_strip(client, window, scale, cell):
    """The top three lines of a board cell as the window shows them (where the outline lands)."""
    x, y = xh.cell_origin(*cell)
    return client.image(window, x * scale, y * scale, xh.CELL * scale, 3 * scale).key()


def wait_for_change(client, window, scale, cell, before, limit=1.0):
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        if cell_strip(client, window, scale, cell) != before:
            return time.monotonic()
        time.sleep(0.0005)
    return None


def series(client, game, scale, presses, during_present, rng):
    """Latencies in ms of presses alternating Right and Left between cells (3, 3) and (4, 3)."""
    window = game.window
    here = (3, 3)
    times = []
    for i in range(presses):
        key, there = ("Right", (4, 3)) if here == (3, 3) else ("Left", (3, 3))
        before = cell_strip(client, window, scale, there)
        if during_present:
            # Held longer than a tick, the game is then waiting for its present to finish.
            client.grab()
            time.sleep(0.09)
            client.tap(key)
            client.ungrab()
        else:
            time.sleep(rng.uniform(0.0, 0.07))
            client.tap(key)
        pressed = time.monotonic()
        shown = wait_for_change(client, window, scale, there, before)
        if shown is None:
            raise RuntimeError("press %d (%s) changed nothing within a second" % (i + 1, key))
        times.append((shown - pressed) * 1000)
        here = there
        # Let the step's own present and the outline settle before the next press.
        time.sleep(rng.uniform(0.12, 0.2))
    return times


class SoundTap:
    """What the game's mixer hands its device, read as it comes: SDL's disk audio driver writes
    each buffer into a FIFO of ours the moment it is mixed, and sleeps for as long as the buffer
    plays. Notes when each read arrived and whether it held a sound (a sample not zero)."""

    def __init__(self, folder):
        self.path = os.path.join(folder, "audio.fifo")
        os.mkfifo(self.path)
        self.chunks = []  # (monotonic time of arrival, bytes, index of its first non-zero byte or -1)
        self.lock = threading.Lock()
        self.thread = threading.Thread(target=self.read, daemon=True)
        self.thread.start()

    def env(self):
        return {"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": self.path}

    def read(self):
        with open(self.path, "rb", buffering=0) as f:
            while True:
                data = f.read(1 << 16)
                if not data:
                    return
                now = time.monotonic()
                first = next((i for i, b in enumerate(data) if b), -1)
                with self.lock:
                    self.chunks.append((now, len(data), first))

    def since(self, t):
        with self.lock:
            return [c for c in self.chunks if c[0] >= t]

    def bytes_per_second(self):
        """As the driver paces its writes: a buffer's bytes over the time to the next one."""
        with self.lock:
            pairs = [(b[1], b[0] - a[0]) for a, b in zip(self.chunks, self.chunks[1:]) if 0 < b[0] - a[0] < 0.1]
        rates = sorted(n / t for n, t in pairs)
        return rates[len(rates) // 2] if rates else float("inf")

    def quiet_for(self, seconds):
        """Waits until nothing but silence (or nothing at all) has come for that long."""
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            now = time.monotonic()
            if all(c[2] < 0 for c in self.since(now - seconds)):
                return
            time.sleep(0.02)
        raise RuntimeError("the game's sound never went quiet")


def sound_series(client, game, tap, presses, rng):
    """Key press to the first sample of its sound handed to the device, in ms: each press
    moves the cursor, which plays the move sound, made in silence at a random moment of the tick."""
    times = []
    key = "Right"
    for i in range(presses):
        # In silence, so that the sound's start shows; some presses find the device running,
        # others stopped (two silent ticks stop it).
        tap.quiet_for(0.1)
        time.sleep(rng.uniform(0.0, 0.1))
        client.tap(key)
        pressed = time.monotonic()
        deadline = pressed + 1.0
        heard = None
        while heard is None and time.monotonic() < deadline:
            loud = [c for c in tap.since(pressed) if c[2] >= 0]
            if loud:
                # Within its buffer the sound starts as far in as its first sample lies.
                heard = loud[0][0] + loud[0][2] / tap.bytes_per_second()
            time.sleep(0.0005)
        if heard is None:
            raise RuntimeError("press %d made no sound within a second" % (i + 1))
        times.append((heard - pressed) * 1000)
        key = "Left" if key == "Right" else "Right"
    return times


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", nargs="?", default=os.path.join(ROOT, "build"))
    parser.add_argument("--presses", type=int, default=60)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    binary = os.path.join(os.path.abspath(args.build), "sevenfold")
    missing = xh.missing_tools()
    if missing:
        print("skipped: not installed: %s" % ", ".join(missing))
        return 77
    rng = random.Random(args.seed)
    failed = []
    with xh.XServer(size=(1920, 1080)) as x:
        client = Presser(x.display)
        # The game's first picture is looked for on the root window, which is not the window
        # here: the start is waited for by the window's own pixels instead.
        d = tempfile.mkdtemp(prefix="sevenfold-latency-")
        try:
            shutil.copy(os.path.join(ROOT, "assets", "tile.bmp"), d)
            os.makedirs(os.path.join(d, "data", "sevenfold"))
            tap = SoundTap(d)
            env = dict(x.env(tap.env()), XDG_DATA_HOME=os.path.join(d, "data"), XDG_CONFIG_HOME=os.path.join(d, "config"))
            proc = xh._spawn([binary], cwd=d, env=env, stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            game = xh.Game(x, binary, ROOT)
            game.proc = proc
            deadline = time.monotonic() + 20
            while game.find_window() is None or client.size(game.find_window())[0] < 320:
                if time.monotonic() > deadline or proc.poll() is not None:
                    raise RuntimeError("the game did not show its window")
                time.sleep(0.05)
            time.sleep(0.5)
            game.focus()
            w, h = client.size(game.window)
            scale = min(w // xh.SCREEN_W, h // xh.SCREEN_H)
            print("window %dx%d, scale %d, %d presses a series" % (w, h, scale, args.presses))
            for label, during in (("at random moments", False), ("read during a present", True)):
                times = series(client, game, scale, args.presses if not during else max(10, args.presses // 4),
                               during, rng)
                median, p95 = statistics.median(times), percentile(times, 95)
                print("key press to changed pixels, %s: median %.1f ms, p95 %.1f ms, min %.1f, max %.1f (%d presses)"
                      % (label, median, p95, min(times), max(times), len(times)))
                if median > MEDIAN_MS or p95 > P95_MS:
                    failed.append("%s: median %.1f ms (at most %.0f), p95 %.1f ms (at most %.0f)"
                                  % (label, median, MEDIAN_MS, p95, P95_MS))
            sounds = sound_series(client, game, tap, max(10, args.presses // 2), rng)
            median, p95 = statistics.median(sounds), percentile(sounds, 95)
            print("key press to its sound handed to the device: median %.1f ms, p95 %.1f ms, min %.1f, max %.1f "
                  "(%d presses)" % (median, p95, min(sounds), max(sounds), len(sounds)))
            if median > SOUND_MS:
                failed.append("sound: median %.1f ms (at most %.0f)" % (median, SOUND_MS))
        finally:
            client.close()
            for p in list(xh._children):
                if p is not x.proc:
                    xh._reap(p)
            shutil.rmtree(d, ignore_errors=True)
    for f in failed:
        print("TOO SLOW: " + f)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

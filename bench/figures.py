#!/usr/bin/env python3
"""Whole-program figures for the README: a tick's cost, start-up, idle CPU and memory of the real game."""

import argparse
import glob
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TILE = os.path.join(ROOT, "assets", "tile.bmp")

sys.path.insert(0, os.path.join(ROOT, "tests"))
from xharness import XServer  # noqa: E402  (the private 320x240 X server the end-to-end tests use)


def environment(display):
    env = dict(os.environ, SDL_AUDIODRIVER="dummy")
    if display:
        env["DISPLAY"] = display
        env.pop("SDL_VIDEODRIVER", None)
    else:
        env["SDL_VIDEODRIVER"] = "dummy"
    return env


def tick_cost(build, display, ticks=400):
    out = subprocess.run([os.path.join(build, "bench", "tick_cost"), str(ticks)], env=environment(display),
                         check=True, capture_output=True, text=True).stdout
    numbers = [float(n) for n in re.findall(r"([\d.]+) ns", out)]
    return dict(zip(["drawing", "lifted", "after", "present", "copy"], numbers))


def tick_instructions(build, display, ticks=40):
    """Instructions per call of each part of a tick, counted by callgrind."""
    if not shutil.which("valgrind"):
        return None
    with tempfile.TemporaryDirectory() as d:
        out = os.path.join(d, "callgrind.out")
        subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out,
                        os.path.join(build, "bench", "tick_cost"), str(ticks)],
                       env=environment(display), check=True, capture_output=True)
        report = subprocess.run(["callgrind_annotate", "--inclusive=yes", "--threshold=100", out], check=True,
                                capture_output=True, text=True).stdout
    counts = {}
    calls = {"TickDrawing": 2 * ticks, "TickDrawingLifted": ticks, "TickPresent": ticks, "FrameCopyFloor": ticks}
    for name, n in calls.items():
        m = re.search(r"^\s*([\d,]+) \([^)]*\)\s+.*?::" + name + r"\(\)", report, re.M)
        if m:
            counts[name] = int(m.group(1).replace(",", "")) / n
    return counts


def start_game(build, display, extra_env=None):
    d = tempfile.mkdtemp(prefix="sevenfold-figures-")
    shutil.copy(TILE, d)
    env = environment(display)
    env.update(extra_env or {})
    return d, subprocess.Popen([os.path.join(build, "sevenfold")], cwd=d, env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def stop_game(d, proc):
    proc.send_signal(signal.SIGTERM)
    proc.wait(timeout=10)
    shutil.rmtree(d, ignore_errors=True)


def first_frame_ms(build, runs=7):
    """From exec to the first frame the dummy driver presents with the game on it (the driver
    saves every presented frame as a file; the video mode itself presents a black one first)."""
    times = []
    for _ in range(runs):
        start = time.time()
        d, proc = start_game(build, None, {"SDL_VIDEO_DUMMY_SAVE_FRAMES": "1"})
        shown = None
        deadline = start + 5
        while shown is None and time.time() < deadline:
            time.sleep(0.005)
            for frame in sorted(glob.glob(os.path.join(d, "SDL_window*.bmp"))):
                when = os.stat(frame).st_mtime
                time.sleep(0.01)  # let the driver finish writing it
                with open(frame, "rb") as f:
                    if f.read()[54:].strip(b"\0"):
                        shown = when
                        break
        if shown is not None:
            times.append((shown - start) * 1000)
        stop_game(d, proc)
    return statistics.median(times) if times else None


def status_kib(pid, field):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return None


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def idle(build, display, seconds=10):
    """CPU share of one core and peak memory of a game left alone (menu closed, cursor crawling)."""
    d, proc = start_game(build, display)
    time.sleep(2)
    c0, t0 = cpu_seconds(proc.pid), time.time()
    time.sleep(seconds)
    share = (cpu_seconds(proc.pid) - c0) / (time.time() - t0) * 100
    peak = status_kib(proc.pid, "VmHWM")
    stop_game(d, proc)
    return share, peak


def new_games(build, games=10000):
    out = subprocess.run([os.path.join(build, "bench", "tick_cost"), "10", str(games)], env=environment(None),
                         check=True, capture_output=True, text=True).stdout
    m = re.search(r"RSS (\d+) KiB before, (\d+) KiB after", out)
    return int(m.group(1)), int(m.group(2))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("build", nargs="?", default=os.path.join(ROOT, "build"),
                        help="a Release build folder holding sevenfold and bench/tick_cost")
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)

    print("## A tick (drawing and present), per tick")
    with XServer() as x:
        for label, display in (("dummy driver", None), ("Xvfb", x.display)):
            ns = tick_cost(args.build, display)
            ir = tick_instructions(args.build, display) or {}
            print(f"{label}: drawing {ns['drawing'] / 1000:.0f} µs ({ir.get('TickDrawing', 0) / 1e6:.2f} M instr), "
                  f"with a lifted tile {ns['lifted'] / 1000:.0f} µs ({ir.get('TickDrawingLifted', 0) / 1e6:.2f} M), "
                  f"present {ns['present'] / 1000:.0f} µs ({ir.get('TickPresent', 0) / 1e6:.2f} M), "
                  f"frame copy floor {ns['copy'] / 1000:.1f} µs ({ir.get('FrameCopyFloor', 0) / 1e3:.1f} k instr)")

        print("## The real game")
        ms = first_frame_ms(args.build)
        print(f"start to first presented frame (dummy driver, median of 7): {ms:.0f} ms")
        for label, display in (("dummy driver", None), ("Xvfb", x.display)):
            share, peak = idle(args.build, display)
            print(f"{label}: idle CPU {share:.2f} % of a core over 10 s, peak RSS {peak / 1024:.1f} MiB")
    before, after = new_games(args.build)
    print(f"10,000 new games: RSS {before / 1024:.1f} MiB before, {after / 1024:.1f} MiB after")


if __name__ == "__main__":
    sys.exit(main())

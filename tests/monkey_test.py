"""Monkey play of the real sevenfold binary under Xvfb: seeded random presses and holds of every mapped key."""

import argparse
import os
import random
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xharness as xh  # noqa: E402

KEYS = ["Up", "Down", "Left", "Right",
        "KP_1", "KP_2", "KP_3", "KP_4", "KP_5", "KP_6", "KP_7", "KP_8", "KP_9",
        "Return", "Escape", "Tab", "q", "w", "a", "s", "z", "x", "space",
        "plus", "minus", "KP_Enter"]
SANITIZER_MARKS = (b"ERROR: AddressSanitizer", b"runtime error:", b"WARNING: ThreadSanitizer")
MAX_HELD = 3
HANG_SECONDS = 5.0
WATCH_EVERY = 0.25


class Failure(Exception):
    pass


def sanitizer_lines(stderr):
    return [line for line in stderr.splitlines() if any(m in line for m in SANITIZER_MARKS)]


class Monkey:
    def __init__(self, x, binary, source_dir, rng, log):
        self.x, self.rng, self.log = x, rng, log
        self.binary, self.source_dir = binary, source_dir
        self.art = xh.Artwork(source_dir)
        self.held = {}  # key -> time to release it
        self.game = None
        self.restarts = 0
        self.presses = 0
        self.runs_checked = 0

    def start(self):
        self.game = xh.Game(self.x, self.binary, self.source_dir, art=self.art)
        self.game.start()
        self.last_change = time.monotonic()
        self.last_picture = None
        self.next_watch = 0.0

    def check_ended_run(self, status, how):
        out, err = self.game.output()
        self.runs_checked += 1
        bad = sanitizer_lines(err)
        if bad:
            raise Failure("sanitizer report after %s:\n%s" % (how, b"\n".join(bad).decode(errors="replace")))
        if status is None:
            raise Failure("the game did not end after %s" % how)
        if status < 0:
            raise Failure("the game was killed by signal %d (%s); stderr: %r" % (-status, how, err[-2000:]))
        if status != 0:
            raise Failure("the game ended with status %d (%s); stderr: %r" % (status, how, err[-2000:]))
        if out or err:
            self.log("note: output of a run: stdout %r stderr %r" % (out[-500:], err[-500:]))

    def release_all(self):
        for key in list(self.held):
            self.x.xdotool("keyup", key, check=False)
        self.held.clear()

    def step(self, now):
        for key, until in list(self.held.items()):
            if now >= until:
                self.x.xdotool("keyup", key, check=False)
                del self.held[key]
        if len(self.held) < MAX_HELD and self.rng.random() < 0.7:
            key = self.rng.choice([k for k in KEYS if k not in self.held])
            hold = self.rng.uniform(0.0, 0.3)
            self.x.xdotool("keydown", key, check=False)
            self.presses += 1
            if hold < 0.02:
                self.x.xdotool("keyup", key, check=False)
            else:
                self.held[key] = now + hold
        time.sleep(self.rng.uniform(0.0, 0.06))

    def watch(self, now):
        """The game must be running, and with the menu closed the crawling cursor must keep
        changing the picture; a still screen for HANG_SECONDS then means the game hangs."""
        if now < self.next_watch:
            return
        self.next_watch = now + WATCH_EVERY
        pic = self.game.shot()
        view = xh.View(self.art, pic)
        menu_closed = view.menu_intact and view.menu_highlight is None
        if pic != self.last_picture or not menu_closed:
            self.last_picture, self.last_change = pic, now
        elif now - self.last_change > HANG_SECONDS:
            raise Failure("the screen has not changed for %.0f s with the menu closed: %s"
                          % (now - self.last_change, view.summary()))

    def run(self, seconds):
        self.start()
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if not self.game.alive():
                status = self.game.wait_exit(10)
                self.release_all()
                self.check_ended_run(status, "a monkey key (most likely the quit item)")
                self.game.stop()
                self.restarts += 1
                self.start()
                continue
            now = time.monotonic()
            self.step(now)
            if self.game.alive():
                self.watch(time.monotonic())
        self.release_all()
        if self.game.alive():
            # Keys still in flight may have just chosen the quit item; that ends with 0 too.
            try:
                self.game.close_window()
                how = "closing the window"
            except RuntimeError:
                self.game.terminate()
                how = "SIGTERM"
        else:
            how = "a monkey key at the very end"
        self.check_ended_run(self.game.wait_exit(10), how)
        self.game.stop()


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("binary", nargs="?", default=os.environ.get("SEVENFOLD_BIN"))
    ap.add_argument("--seed", type=int, default=None)
    ap.add_argument("--seconds", type=float, default=60.0)
    ap.add_argument("--source-dir", default=os.environ.get(
        "SEVENFOLD_SOURCE_DIR", os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
    args = ap.parse_args()

    missing = xh.missing_tools()
    if missing:
        print("skipped: not installed: %s" % ", ".join(missing))
        return 77
    binary = args.binary or os.path.join(args.source_dir, "build", "sevenfold")
    if not os.access(binary, os.X_OK):
        print("no game binary at %s (set SEVENFOLD_BIN or pass it as an argument)" % binary)
        return 1
    seed = args.seed if args.seed is not None else int.from_bytes(os.urandom(4), "little")

    def log(msg):
        print(msg, flush=True)

    log("monkey: seed %d, %.0f s, binary %s" % (seed, args.seconds, binary))
    started = time.monotonic()
    with xh.XServer() as x:
        m = Monkey(x, binary, args.source_dir, random.Random(seed), log)
        try:
            m.run(args.seconds)
        except Failure as e:
            log("FAIL (seed %d): %s" % (seed, e))
            return 1
        finally:
            m.release_all()
            if m.game is not None:
                m.game.stop()
    log("monkey: ok: %d key presses, %d restarts after the quit item, %d runs checked, %.1f s"
        % (m.presses, m.restarts, m.runs_checked, time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())

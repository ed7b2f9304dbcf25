#!/usr/bin/env python3
"""The real sevenfold binary on SDL's dummy drivers: exit statuses, output, and tile sheets good and bad."""

import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest

BINARY = os.environ.get("SEVENFOLD_BIN", "build/sevenfold")
SOURCE = os.environ.get("SEVENFOLD_SOURCE_DIR", ".")
TILE = os.path.join(SOURCE, "assets", "tile.bmp")


def sheet(width, height):
    """A 16-bit X1R5G5B5 BMP, every pixel blue."""
    row = (width * 2 + 3) & ~3
    pixels = (struct.pack("<H", 0x001F) * width).ljust(row, b"\0") * height
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 16, 0, len(pixels), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54) + info + pixels


class Game:
    """The game started in a scratch folder holding the given tile.bmp bytes (or none)."""

    def __init__(self, tile_bytes, extra_env=None):
        self.dir = tempfile.mkdtemp(prefix="sevenfold-bin-")
        if tile_bytes is not None:
            with open(os.path.join(self.dir, "tile.bmp"), "wb") as f:
                f.write(tile_bytes)
        env = dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy", **(extra_env or {}))
        for setting in ("SDL12COMPAT_SCALE_METHOD", "SDL12COMPAT_WINDOW_SCALING"):
            if not extra_env or setting not in extra_env:
                env.pop(setting, None)
        self.proc = subprocess.Popen([os.path.abspath(BINARY)], cwd=self.dir, env=env,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def finish(self, timeout=10):
        out, err = self.proc.communicate(timeout=timeout)
        shutil.rmtree(self.dir, ignore_errors=True)
        return self.proc.returncode, out, err

    def running_after(self, seconds):
        deadline = time.time() + seconds
        while time.time() < deadline:
            if self.proc.poll() is not None:
                return False
            time.sleep(0.05)
        return True

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.finish()


class StartAndExit(unittest.TestCase):
    def assertRefused(self, tile_bytes, what):
        game = Game(tile_bytes)
        try:
            status, out, err = game.finish(timeout=20)
        except subprocess.TimeoutExpired:
            game.kill()
            self.fail(f"{what}: still running; it should have been refused")
        self.assertEqual(status, 1, f"{what}: exit status (a negative one is a crash)")
        self.assertEqual(out, b"", f"{what}: nothing on standard output")
        self.assertEqual(err, b"", f"{what}: nothing on standard error")

    def assertRunsUntilTerminated(self, tile_bytes, what):
        game = Game(tile_bytes)
        try:
            self.assertTrue(game.running_after(1.5), f"{what}: the game should keep running")
            game.proc.send_signal(signal.SIGTERM)
            status, out, err = game.finish()
        except BaseException:
            game.kill()
            raise
        self.assertEqual(status, 0, f"{what}: SDL turns SIGTERM into a quit event")
        self.assertEqual(out, b"")
        self.assertEqual(err, b"")

    def test_without_tile_sheet_exits_1_silently(self):
        self.assertRefused(None, "no tile.bmp")

    def test_normal_start_runs_until_terminated(self):
        with open(TILE, "rb") as f:
            self.assertRunsUntilTerminated(f.read(), "our tile.bmp")

    def test_sheet_heights(self):
        self.assertRefused(sheet(238, 20), "20 pixels high: no whole skin")
        for height in (34, 67, 340):
            self.assertRunsUntilTerminated(sheet(238, height), f"{height} pixels high")

    def test_bad_sheets_are_refused_without_a_crash(self):
        with open(TILE, "rb") as f:
            good = f.read()
        with open(os.path.join(SOURCE, "assets", "icons", "sevenfold-32.png"), "rb") as f:
            png = f.read()
        cases = {
            "empty": b"",
            "header only": good[:54],
            "truncated rows": good[:len(good) // 3],
            "garbage": bytes((i * 37 + 11) % 256 for i in range(5000)),
            "a PNG renamed": png,
        }
        for what, data in cases.items():
            with self.subTest(what):
                self.assertRefused(data, what)

    def test_window_pixels_are_scaled_unsmoothed(self):
        # The dummy driver's desktop takes a window scaled by 2 and saves every presented frame;
        # without smoothing each game pixel is a uniform 2x2 block.
        with open(TILE, "rb") as f:
            game = Game(f.read(), {"SDL_VIDEO_DUMMY_SAVE_FRAMES": "1"})
        try:
            frame = None
            deadline = time.time() + 10
            while frame is None and time.time() < deadline:
                time.sleep(0.1)
                frames = sorted(n for n in os.listdir(game.dir) if n.startswith("SDL_window"))
                for name in frames[1:-1]:  # the first is the blank mode set, the last may be unfinished
                    with open(os.path.join(game.dir, name), "rb") as f:
                        data = f.read()
                    if data[54:].strip(b"\0"):
                        frame = data
                        break
            game.proc.send_signal(signal.SIGTERM)
        finally:
            status, _, _ = game.finish()
        self.assertEqual(status, 0)
        self.assertIsNotNone(frame, "no picture was presented")
        width, height, bits = struct.unpack("<iiH", frame[18:26] + frame[28:30])[:3]
        self.assertEqual((width, abs(height), bits), (640, 480, 24))
        row = (width * 3 + 3) & ~3
        pixels = frame[54:]
        for y in range(0, 480, 2):
            for x in range(0, 640, 2):
                at = y * row + 3 * x
                block = {pixels[at:at + 3], pixels[at + 3:at + 6],
                         pixels[at + row:at + row + 3], pixels[at + row + 3:at + row + 6]}
                self.assertEqual(len(block), 1, f"smoothed pixels at {x},{y}")

    def test_refused_start_ends_cleanly_under_load(self):
        # A failed start-up once left the audio thread running into process exit, which
        # crashed now and then; many at once make the race show.
        games = [Game(None) for _ in range(24)]
        statuses = [game.finish(timeout=60)[0] for game in games]
        self.assertEqual(statuses, [1] * len(games))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])

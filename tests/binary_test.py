#!/usr/bin/env python3
"""The real sevenfold binary on SDL's dummy drivers: exit statuses, output, and tile sheets good and bad."""

import os
import re
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
    """The game started in a scratch folder holding the given tile.bmp bytes (or none). The
    program runs from a copy in a folder of its own, with `beside` as the tile.bmp there, so
    that the sheet of the build folder is never found in its stead. `env` entries of None are
    left unset."""

    def __init__(self, tile_bytes, extra_env=None, beside=None):
        self.dir = tempfile.mkdtemp(prefix="sevenfold-bin-")
        if tile_bytes is not None:
            with open(os.path.join(self.dir, "tile.bmp"), "wb") as f:
                f.write(tile_bytes)
        self.bindir = os.path.join(self.dir, "program")
        os.mkdir(self.bindir)
        program = shutil.copy(BINARY, self.bindir)
        if beside is not None:
            with open(os.path.join(self.bindir, "tile.bmp"), "wb") as f:
                f.write(beside)
        # The player's data (high scores, the sign of an earlier start, the game kept) and settings
        # stay in the scratch folder.
        os.makedirs(os.path.join(self.dir, "data", "sevenfold"))
        env = dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy",
                   XDG_DATA_HOME=os.path.join(self.dir, "data"), XDG_CONFIG_HOME=os.path.join(self.dir, "config"))
        for setting in ("SDL12COMPAT_SCALE_METHOD", "SDL12COMPAT_WINDOW_SCALING"):
            env.pop(setting, None)
        for name, value in (extra_env or {}).items():
            if value is None:
                env.pop(name, None)
            else:
                env[name] = value
        self.proc = subprocess.Popen([program], cwd=self.dir, env=env,
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
    def assertRefused(self, tile_bytes, what, extra_env=None):
        """The start refused with status 1, nothing on standard output; returns standard error."""
        game = Game(tile_bytes, extra_env)
        try:
            status, out, err = game.finish(timeout=20)
        except subprocess.TimeoutExpired:
            game.kill()
            self.fail(f"{what}: still running; it should have been refused")
        self.assertEqual(status, 1, f"{what}: exit status (a negative one is a crash)")
        self.assertEqual(out, b"", f"{what}: nothing on standard output")
        return err.decode()

    def assertSheetRefused(self, tile_bytes, what, reason):
        """No usable sheet: standard error names each place looked in, and why the sheet failed."""
        err = self.assertRefused(tile_bytes, what)
        lines = err.splitlines()
        self.assertIn("sevenfold: no usable tile sheet; looked for tile.bmp in these places:", lines, what)
        places = lines[lines.index("sevenfold: no usable tile sheet; looked for tile.bmp in these places:") + 1:]
        self.assertEqual(len(places), 3, f"{what}: the current folder, beside the program, the data folder")
        self.assertTrue(places[0].endswith("/tile.bmp " + reason), f"{what}: {places[0]!r}")
        self.assertTrue(places[1].endswith("/program/tile.bmp is not there"), places[1])
        self.assertTrue(places[2].endswith("/share/games/sevenfold/tile.bmp is not there"), places[2])
        self.assertNotIn("..", places[2], "the data folder is named plainly")

    def assertRunsUntilTerminated(self, tile_bytes, what, extra_env=None, beside=None, sig=signal.SIGTERM):
        """Keeps running, through a SIGPIPE too, until SIGTERM (or sig), then ends with 0; returns
        standard error."""
        game = Game(tile_bytes, extra_env, beside)
        try:
            self.assertTrue(game.running_after(1.5), f"{what}: the game should keep running")
            game.proc.send_signal(signal.SIGPIPE)
            self.assertTrue(game.running_after(0.1), f"{what}: SIGPIPE ended the game")
            game.proc.send_signal(sig)
            status, out, err = game.finish()
        except BaseException:
            game.kill()
            raise
        self.assertEqual(status, 0, f"{what}: {sig.name} is a quit event, as SDL makes SIGTERM")
        self.assertEqual(out, b"")
        return err.decode()

    def test_without_tile_sheet_exits_1_naming_the_places_looked_in(self):
        self.assertSheetRefused(None, "no tile.bmp", "is not there")

    def test_normal_start_runs_until_terminated(self):
        with open(TILE, "rb") as f:
            good = f.read()
        # A closed terminal or a logout (SIGHUP), Ctrl+\ and the user signals end it as SIGTERM does.
        for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT, signal.SIGUSR1, signal.SIGUSR2):
            with self.subTest(sig.name):
                self.assertEqual(self.assertRunsUntilTerminated(good, "our tile.bmp", sig=sig), "")

    def test_a_refused_sheet_is_named_and_the_one_beside_the_program_plays(self):
        with open(TILE, "rb") as f:
            good = f.read()
        err = self.assertRunsUntilTerminated(sheet(238, 20), "a short sheet here", beside=good)
        self.assertRegex(err, r"^sevenfold: /\S+/tile\.bmp is 238×20 pixels: a sheet needs at least one "
                              r"whole 34-pixel row of tiles; playing with /\S+/program/tile\.bmp instead\n$")
        # No sheet here at all is nothing to mention.
        self.assertEqual(self.assertRunsUntilTerminated(None, "no sheet here", beside=good), "")

    def test_sheet_heights(self):
        self.assertSheetRefused(sheet(238, 20), "20 pixels high: no whole skin",
                                "is 238×20 pixels: a sheet needs at least one whole 34-pixel row of tiles")
        for height in (34, 67, 340):
            self.assertRunsUntilTerminated(sheet(238, height), f"{height} pixels high")

    def test_without_a_display_it_says_so_and_ends(self):
        with open(TILE, "rb") as f:
            good = f.read()
        for display, why in ((None, "DISPLAY is not set"),
                             ("nowhere:99\x1b[2J", 'the X display "nowhere:99\\x1B[2J" in DISPLAY cannot be reached')):
            with self.subTest(display):
                # Looking for a display, SDL loads libdbus, whose allocations LeakSanitizer would report.
                err = self.assertRefused(good, "no display",
                                         {"SDL_VIDEODRIVER": None, "DISPLAY": display, "WAYLAND_DISPLAY": None,
                                          "ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0"})
                # Other libraries may have said something first; the game's own word is the last line.
                self.assertRegex(err, r"(^|\n)sevenfold: no display to show the game on \(.*\n$")
                self.assertIn(why, err.splitlines()[-1])

    def test_without_a_sound_device_it_plays_silently(self):
        # No driver at all, and a driver whose device will not open.
        with open(TILE, "rb") as f:
            good = f.read()
        # The reason is SDL's word on the audio, not whatever video said after it.
        for what, env, named in (("no sound driver", {"SDL_AUDIODRIVER": "nosuchdriver"}, "nosuchdriver"),
                                 ("no sound device", {"SDL_AUDIODRIVER": "disk",
                                                      "SDL_DISKAUDIOFILE": "/nonexistent/folder/audio"},
                                  "/nonexistent/folder/audio")):
            with self.subTest(what):
                err = self.assertRunsUntilTerminated(good, what, env)
                self.assertRegex(err, r"^sevenfold: no sound device \(.*\); playing without sound\n$")
                self.assertIn(named, err)

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
        reasons = {
            "empty": "is not a BMP picture",
            "header only": "is damaged: its pixels would start outside the file",
            "truncated rows": "is cut short: it holds fewer rows of pixels than its header says",
            "garbage": "is not a BMP picture",
            "a PNG renamed": "is not a BMP picture",
        }
        for what, data in cases.items():
            with self.subTest(what):
                self.assertSheetRefused(data, what, reasons[what])

    def first_picture(self, extra_env=None):
        """The first picture a game on our tile sheet presents, as SDL's dummy driver saves it."""
        with open(TILE, "rb") as f:
            game = Game(f.read(), dict(extra_env or {}, SDL_VIDEO_DUMMY_SAVE_FRAMES="1"))
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
        return frame

    def test_every_launch_deals_its_own_board(self):
        # The first pictures differ only in the board: the same board would give the same bytes.
        pictures = [self.first_picture() for _ in range(4)]
        self.assertEqual(len(set(pictures)), len(pictures), "two launches dealt the same first board")

    def test_window_pixels_are_scaled_unsmoothed(self):
        # The dummy driver's desktop takes a window scaled by 2 and saves every presented frame;
        # without smoothing each game pixel is a uniform 2x2 block. A missing sound driver must
        # not cost the scale.
        self.assertEqual(struct.unpack("<ii", self.first_picture({"SDL_AUDIODRIVER": "nosuchdriver"})[18:26]),
                         (640, 480))
        frame = self.first_picture()
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


class CommandLine(unittest.TestCase):
    """--help, --version and a wrong argument, answered without a display: no DISPLAY, no video
    driver named, so a start of the game would end with "no display" and status 1."""

    def run_with(self, *args):
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER")}
        with tempfile.TemporaryDirectory() as folder:
            done = subprocess.run([BINARY, *args], cwd=folder, env=env, capture_output=True,
                                  text=True, timeout=10)
        return done.returncode, done.stdout, done.stderr

    def test_help_prints_the_usage_and_the_controls(self):
        for option in ("--help", "-h"):
            with self.subTest(option):
                status, out, err = self.run_with(option)
                self.assertEqual((status, err), (0, ""))
                self.assertTrue(out.startswith("Usage: sevenfold [--mode classic|timed|daily] [--help | --version]\n"), out)
                for control in ("arrow keys", "Space, Z", "left click on a tile", "south button",
                                "right click", "Q / W", "Escape", "Return", "Tab", "+ (or =) / -",
                                "Alt+Enter"):
                    self.assertIn(control, out)

    def test_version_is_the_projects(self):
        with open(os.path.join(SOURCE, "CMakeLists.txt")) as f:
            version = re.search(r"project\(sevenfold VERSION ([0-9.]+)", f.read()).group(1)
        self.assertEqual(self.run_with("--version"), (0, f"sevenfold {version}\n", ""))

    def test_an_answer_that_cannot_be_written_fails(self):
        for option in ("--help", "--version"):
            with self.subTest(option), open("/dev/full", "w") as full:
                done = subprocess.run([BINARY, option], stdout=full, stderr=subprocess.PIPE, text=True, timeout=10)
                self.assertEqual(done.returncode, 1)
                self.assertRegex(done.stderr, f"^sevenfold: cannot write the {option[2:]}: No space left on device\n$")

    def test_a_wrong_option_or_argument_is_refused_with_the_usage(self):
        for args, said in ((["--halp"], "unknown option '--halp'"), (["tile.bmp"], "unexpected argument 'tile.bmp'"),
                           (["-x", "--help"], "unknown option '-x'"), (["-"], "unexpected argument '-'"),
                           (["--\x1b]0;owned\x07\x7f\x9b"], "unknown option '--\\x1B]0;owned\\x07\\x7F\\xC2\\x9B'")):
            with self.subTest(args):
                status, out, err = self.run_with(*args)
                self.assertEqual((status, out), (2, ""))
                self.assertEqual(err.splitlines()[:2], [f"sevenfold: {said}",
                                                        "Usage: sevenfold [--mode classic|timed|daily] [--help | --version]"])
        # A mode that is none: one line, and no window.
        self.assertEqual(self.run_with("--mode", "weekly"),
                         (2, "", "sevenfold: no mode is called 'weekly': classic, timed or daily\n"))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])

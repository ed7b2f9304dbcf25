#!/usr/bin/env python3
"""Every sheet of the generated corpus given to the real binary and to the in-process drawing program."""

import concurrent.futures
import os
import resource
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
BINARY = os.environ.get("SEVENFOLD_BIN", "build/sevenfold")
DRAW = os.environ.get("SEVENFOLD_SHEET_DRAW", "build/tests/sheet_draw")
SOURCE = os.environ.get("SEVENFOLD_SOURCE_DIR", ".")
SANITIZED = os.environ.get("SEVENFOLD_SANITIZED", "0") not in ("", "0", "OFF")
CONSOLE = os.environ.get("SEVENFOLD_CONSOLE", "0") not in ("", "0", "OFF")

MIB = 1024 * 1024
# The hard ceiling of a start-up, whatever the sheet. Under the sanitizers the shadow memory comes
# on top of everything (measured by a start with our own sheet), and ASan keeps the blocks that
# the file buffer outgrew resident in its quarantine: up to twice the largest file. The file's
# own buffer stays there too, so a desktop's 16-bit copy of a converted sheet (half the largest
# picture) comes on top of it instead of into its place.
CEILING = 64 * MIB
OUR_START = 16 * MIB
QUARANTINE = 2 * 16 * MIB + 8 * MIB
# A game that is still up this long after starting has taken its sheet.
SETTLE = 4.0 if SANITIZED else 1.5
QUIT_WITHIN = 20
DRAW_WITHIN = 300 if SANITIZED else 60


def run_game(sheet, workdir, place=None):
    """Start the game on the sheet (or with whatever place(path) puts at tile.bmp); returns
    (outcome, detail, peak bytes): outcome is "ran", "refused" or "fault"."""
    settle = SETTLE
    for attempt in range(3):
        result = start_game(sheet, "%s-%d" % (workdir, attempt), place, settle)
        # Ended by our own SIGTERM: SDL had not yet set up its handler, so it was still
        # starting on a busy machine; give it longer.
        if not result[1].startswith("killed by signal %d" % signal.SIGTERM):
            break
        settle *= 4
    return result


def start_game(sheet, workdir, place, settle):
    os.makedirs(workdir)
    if place:
        place(os.path.join(workdir, "tile.bmp"))
    else:
        try:
            os.link(sheet, os.path.join(workdir, "tile.bmp"))  # the 17 MiB ones need no copies
        except OSError:
            shutil.copyfile(sheet, os.path.join(workdir, "tile.bmp"))
    # The player's data and settings stay in the scratch folder, never in the real home.
    os.makedirs(os.path.join(workdir, "data", "sevenfold"))
    env = dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy",
               XDG_DATA_HOME=os.path.join(workdir, "data"), XDG_CONFIG_HOME=os.path.join(workdir, "config"))
    with open(os.path.join(workdir, "err"), "w+b") as err:
        proc = subprocess.Popen([os.path.abspath(BINARY)], cwd=workdir, env=env,
                                stdout=subprocess.DEVNULL, stderr=err)
        # wait4 gives the child's peak resident size even when it is gone within a blink; the
        # child begins as a copy of this process, so the figure is never below the truth.
        started = time.monotonic()
        terminated = None
        while True:
            pid, status, usage = os.wait4(proc.pid, os.WNOHANG)
            if pid:
                break
            now = time.monotonic()
            if terminated is None and now - started > settle:
                proc.send_signal(signal.SIGTERM)
                terminated = now
            elif terminated is not None and now - terminated > QUIT_WITHIN:
                proc.kill()
                os.wait4(proc.pid, 0)
                proc.returncode = -9
                return "fault", "hung: still running %d s after SIGTERM" % QUIT_WITHIN, 0
            time.sleep(0.02)
        proc.returncode = 0  # reaped above; keep Popen from waiting again
        err.seek(0)
        text = err.read().decode(errors="replace")[-2000:]
    peak = usage.ru_maxrss * 1024
    if os.WIFSIGNALED(status):
        return "fault", "killed by signal %d\n%s" % (os.WTERMSIG(status), text), peak
    code = os.WEXITSTATUS(status)
    if code == 1 and terminated is None:
        return "refused", text, peak
    if code == 1:
        # A start-up that ends only once signalled was stuck: a pipe's open, say.
        return "fault", "refused only after SIGTERM: start-up was blocked\n%s" % text, peak
    if code == 0 and terminated is not None:
        return "ran", text, peak
    return "fault", "exit status %d\n%s" % (code, text), peak


def run_draw(sheet):
    """The in-process load and draw of every skin: (outcome, skins, detail)."""
    env = dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy")
    try:
        done = subprocess.run([os.path.abspath(DRAW), sheet], env=env, capture_output=True,
                              timeout=DRAW_WITHIN)
    except subprocess.TimeoutExpired:
        return "fault", 0, "hung for %d s" % DRAW_WITHIN
    out = done.stdout.decode(errors="replace")
    err = done.stderr.decode(errors="replace")[-2000:]
    if done.returncode == 0 and out.startswith("skins "):
        return "drawn", int(out.split()[1]), err
    if done.returncode == 1:
        return "refused", 0, err
    return "fault", 0, "status %d\n%s%s" % (done.returncode, out, err)


def console_refuses(path):
    """Whether the console build turns the sheet down: run-length compressed, or an alpha
    channel named in its header, which the console's own SDL cannot draw."""
    with open(path, "rb") as f:
        head = f.read(14 + 56)
    if len(head) < 14 + 20:
        return False
    info, = struct.unpack_from("<I", head, 14)
    bits, compression = struct.unpack_from("<HI", head, 28)
    if compression in (1, 2):
        return True
    return (bits == 32 and compression == 3 and info >= 56 and len(head) >= 14 + 56
            and struct.unpack_from("<I", head, 14 + 52)[0] != 0)


class SheetCorpus(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        global BINARY
        cls.dir = tempfile.mkdtemp(prefix="sevenfold-corpus-")
        # The program runs from a folder of its own: the sheet beside it in the build folder
        # would otherwise stand in for every sheet refused.
        os.mkdir(os.path.join(cls.dir, "program"))
        BINARY = shutil.copy(BINARY, os.path.join(cls.dir, "program"))
        sheets = os.path.join(cls.dir, "sheets")
        # Made in a process of its own: a child's peak counts its parent's too (the child starts
        # as a copy of it), so this process must stay small while it holds no sheet itself.
        subprocess.run([sys.executable, os.path.join(HERE, "make_sheet_corpus.py"), sheets,
                        "--tile", os.path.join(SOURCE, "assets", "tile.bmp")],
                       check=True, stdout=subprocess.DEVNULL)
        with open(os.path.join(sheets, "manifest.tsv")) as f:
            cls.manifest = [(name, verdict, int(skins))
                            for name, verdict, skins in (line.rstrip("\n").split("\t") for line in f)]

        def both(index_entry):
            index, (name, verdict, skins) = index_entry
            path = os.path.join(sheets, name)
            if CONSOLE and verdict == "draw" and console_refuses(path):
                verdict = "refuse"
            game = run_game(path, os.path.join(cls.dir, "run%d" % index))
            draw = run_draw(path)
            return name, verdict, skins, game, draw

        # The game mostly waits for its tick, so a few at once fit two cores.
        with concurrent.futures.ThreadPoolExecutor(max_workers=3) as pool:
            cls.results = list(pool.map(both, enumerate(cls.manifest)))
        # Our own sheet sets the measure for the ceiling in a sanitized build.
        ours = [game for name, _, _, game, _ in cls.results if name == "our_tile.bmp"]
        cls.baseline = ours[0][2] if ours else 0
        cls.ceiling = CEILING + (max(0, cls.baseline - OUR_START) + QUARANTINE if SANITIZED else 0)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def test_corpus_covers_every_verdict(self):
        verdicts = [verdict for _, verdict, _ in self.manifest]
        self.assertGreaterEqual(verdicts.count("draw"), 35)
        self.assertGreaterEqual(verdicts.count("refuse"), 100)
        self.assertGreaterEqual(verdicts.count("either"), 30)
        self.assertIn("our_tile.bmp", [name for name, _, _ in self.manifest])

    def test_game_never_crashes_hangs_or_overeats(self):
        top = max(self.results, key=lambda r: r[3][2])
        sys.stderr.write("highest peak %.1f MiB (%s), with our sheet %.1f MiB, ceiling %.1f MiB\n"
                         % (top[3][2] / MIB, top[0], self.baseline / MIB, self.ceiling / MIB))
        for name, _, _, (outcome, detail, peak), _ in self.results:
            with self.subTest(name):
                self.assertNotEqual(outcome, "fault", detail)
                self.assertLessEqual(peak, self.ceiling,
                                     "peak resident memory %.1f MiB" % (peak / MIB))

    def test_drawing_every_skin_never_faults(self):
        for name, _, _, _, (outcome, _, detail) in self.results:
            with self.subTest(name):
                self.assertNotEqual(outcome, "fault", detail)

    def test_verdicts(self):
        for name, verdict, skins, (game, game_detail, _), (draw, drawn, draw_detail) in self.results:
            with self.subTest(name):
                if verdict == "draw":
                    self.assertEqual(game, "ran", game_detail)
                    self.assertEqual(draw, "drawn", draw_detail)
                    self.assertEqual(drawn, skins)
                elif verdict == "refuse":
                    self.assertEqual(game, "refused", game_detail)
                    self.assertEqual(draw, "refused", draw_detail)
                else:
                    # Whatever the loader makes of it, the game and the in-process load agree.
                    self.assertIn(game, ("ran", "refused"), game_detail)
                    self.assertEqual(draw, "drawn" if game == "ran" else "refused", draw_detail)

    def test_tile_sheets_that_are_no_files(self):
        # A player may leave anything under the name: a device, a pipe, a directory or a
        # dangling link is simply no sheet, and none of them may hold start-up up.
        places = {
            "a directory": os.mkdir,
            "a link to /dev/zero": lambda path: os.symlink("/dev/zero", path),
            "a link to /dev/urandom": lambda path: os.symlink("/dev/urandom", path),
            "a dangling link": lambda path: os.symlink("no-such-sheet.bmp", path),
            "a named pipe": os.mkfifo,
        }
        for index, (what, place) in enumerate(places.items()):
            with self.subTest(what):
                outcome, detail, peak = run_game(None, os.path.join(self.dir, "special%d" % index), place)
                self.assertEqual(outcome, "refused", detail)
                self.assertLessEqual(peak, self.ceiling, "peak resident memory %.1f MiB" % (peak / MIB))

    def test_memory_is_measured_for_real(self):
        # The largest sheet's pixels are resident twice over (file and surface): a measure that
        # did not see them would pass any bomb too.
        peaks = {name: game[2] for name, _, _, game, _ in self.results}
        self.assertGreater(peaks["b32_largest.bmp"] - self.baseline, 24 * MIB)
        self.assertLess(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024, 24 * MIB,
                        "this test's own size shows in its children's peaks")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=1)

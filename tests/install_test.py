#!/usr/bin/env python3
"""Installing: the installed launcher starts the game, and the .deb holds what an install needs."""

import gzip
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ElementTree

BUILD = os.environ.get("SEVENFOLD_BUILD_DIR", "build")
SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# What a source package leaves out of the tree: build folders, a clone's history.
NOT_SOURCE = shutil.ignore_patterns(".git", "build*", "obj-*", "screens", "__pycache__", "*.pyc")
METAINFO = "share/metainfo/invalid.sevenfold.Sevenfold.metainfo.xml"
# Under any prefix; the launcher is bin/sevenfold in an install by hand, games/sevenfold in the package.
INSTALLED = [
    "lib/games/sevenfold/sevenfold",
    "share/games/sevenfold/tile.bmp",
    "share/applications/sevenfold.desktop",
    "share/icons/hicolor/32x32/apps/sevenfold.png",
    "share/icons/hicolor/128x128/apps/sevenfold.png",
    "share/man/man6/sevenfold.6.gz",
    METAINFO,
    "share/doc/sevenfold/copyright",
    "share/doc/sevenfold/changelog.gz",
]


def run_launcher(launcher, home, seconds=1.5, said=None):
    """Starts the launcher; returns its exit status after SIGTERM, or its own early status.
    What it says on standard error goes into the list `said`, when one is given."""
    env = dict(os.environ, HOME=home, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy")
    env.pop("XDG_DATA_HOME", None)
    env.pop("XDG_CONFIG_HOME", None)
    err = tempfile.TemporaryFile()
    proc = subprocess.Popen([launcher], cwd=home, env=env, stdout=subprocess.DEVNULL, stderr=err)
    deadline = time.time() + seconds
    while time.time() < deadline and proc.poll() is None:
        time.sleep(0.05)
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
    status = proc.wait(timeout=10)
    err.seek(0)
    if said is not None:
        said.append(err.read().decode())
    return status


class Install(unittest.TestCase):
    def test_installed_launcher_starts_the_game(self):
        with tempfile.TemporaryDirectory() as prefix, tempfile.TemporaryDirectory() as home:
            subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix],
                           check=True, stdout=subprocess.DEVNULL)
            for path in INSTALLED + ["bin/sevenfold"]:
                self.assertTrue(os.path.isfile(os.path.join(prefix, path)), path)
            self.assertFalse(os.path.exists(os.path.join(prefix, "games")), "the package's launcher only")
            launcher = os.path.join(prefix, "bin", "sevenfold")
            self.assertTrue(os.access(launcher, os.X_OK))
            # Started from anywhere, it finds its own tile sheet and keeps running.
            self.assertEqual(run_launcher(launcher, home), 0)
            # It hands its arguments on to the program.
            version = subprocess.run([launcher, "--version"], capture_output=True, text=True, timeout=10)
            self.assertEqual((version.returncode, version.stdout[:10]), (0, "sevenfold "))

            # A player's own sheet takes precedence; an unusable one is named, and the game
            # plays with the installed sheet.
            own = os.path.join(home, ".local", "share", "sevenfold")
            os.makedirs(own, exist_ok=True)
            with open(os.path.join(own, "tile.bmp"), "wb") as f:
                f.write(b"not a bitmap")
            said = []
            self.assertEqual(run_launcher(launcher, home, said=said), 0)
            self.assertIn(os.path.join(own, "tile.bmp") + " is not a BMP picture; playing with ", said[0])
            self.assertIn(os.path.join(prefix, "share", "games", "sevenfold", "tile.bmp") + " instead", said[0])

    def test_debian_package(self):
        with tempfile.TemporaryDirectory() as out:
            # dpkg-buildpackage leaves the package beside the tree it builds: a copy, here.
            tree = os.path.join(out, "sevenfold")
            shutil.copytree(SOURCE, tree, symlinks=True, ignore=NOT_SOURCE)
            built = subprocess.run(["dpkg-buildpackage", "-us", "-uc", "-b"], cwd=tree,
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            self.assertEqual(built.returncode, 0, built.stdout[-4000:])
            debs = [f for f in os.listdir(out) if f.startswith("sevenfold_") and f.endswith(".deb")]
            self.assertEqual(len(debs), 1, debs)
            deb = os.path.join(out, debs[0])
            listing = subprocess.run(["dpkg-deb", "-c", deb], check=True, capture_output=True, text=True).stdout
            for path in INSTALLED + ["games/sevenfold"]:
                self.assertIn("./usr/" + path + "\n", listing)
            self.assertNotIn("./usr/bin/", listing, "a game's command is in /usr/games")
            depends = subprocess.run(["dpkg-deb", "-f", deb, "Depends"], check=True,
                                     capture_output=True, text=True).stdout
            # SDL 1.2 must be sdl12-compat, whose windows scale, not the classic library that
            # SDL_mixer pulls in, whichever of the two the build machine has.
            names = {d.split("(")[0].strip() for d in depends.split(",")}
            self.assertLessEqual({"libsdl1.2-compat-shim", "libsdl-mixer1.2", "libc6"}, names, depends)
            self.assertEqual(subprocess.run(["dpkg-deb", "-f", deb, "Package"], capture_output=True,
                                            text=True).stdout.strip(), "sevenfold")
            # The changelog and the software centres' releases tell of the package's version.
            version = subprocess.run(["dpkg-deb", "-f", deb, "Version"], check=True, capture_output=True,
                                     text=True).stdout.strip()
            files = os.path.join(out, "files")
            subprocess.run(["dpkg-deb", "-x", deb, files], check=True)
            with gzip.open(os.path.join(files, "usr/share/doc/sevenfold/changelog.gz"), "rt") as f:
                self.assertRegex(f.readline(), r"^sevenfold \(" + re.escape(version) + r"\) ")
            releases = ElementTree.parse(os.path.join(files, "usr", METAINFO)).getroot().find("releases")
            self.assertEqual(releases[0].get("version"), version, "the newest release comes first")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])

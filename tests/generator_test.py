#!/usr/bin/env python3
"""The generator reproduces the committed assets byte for byte, and their tiles stay tellable apart."""

import filecmp
import itertools
import math
import os
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.environ.get("SEVENFOLD_SOURCE_DIR", ".")
sys.path.insert(0, os.path.join(SOURCE, "tools"))

from assetgen.check import read_bmp  # noqa: E402  (the generator's own reader)

KEY = 0x03E0
FRUIT = 1  # the sheet's rows: gems, fruit, symbols, high contrast, retro

# Machado, Oliveira and Fernandes (2009) at full severity, on linear RGB.
SIMULATIONS = {
    "deuteranopia": ((0.367322, 0.860646, -0.227968), (0.280085, 0.672501, 0.047413),
                     (-0.011820, 0.042940, 0.968881)),
    "protanopia": ((0.152286, 1.052583, -0.204868), (0.114503, 0.786281, 0.099216),
                   (-0.003882, -0.048116, 1.051998)),
}


def committed_tiles():
    """{(skin, kind): {(x, y): (r, g, b) in linear light}} of the painted pixels."""
    with open(os.path.join(SOURCE, "assets", "tile.bmp"), "rb") as f:
        _, h, _, px = read_bmp(f.read())

    def linear(v):
        c = v / 31.0
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    return {(s, k): {(x, y): tuple(linear((v >> shift) & 31) for shift in (10, 5, 0))
                     for y in range(34) for x in range(34)
                     for v in [px[34 * s + y][34 * k + x]] if v != KEY}
            for s in range(h // 34) for k in range(7)}


def outline_difference(a, b):
    """Share of the two tiles' painted pixels that only one of them paints."""
    return 1.0 - len(a.keys() & b.keys()) / len(a.keys() | b.keys())


def seen_colour(tile, matrix):
    """CIELAB of the tile's mean colour as the simulated eye sees it."""
    mean = [sum(c[i] for c in tile.values()) / len(tile) for i in range(3)]
    r, g, b = (min(1.0, max(0.0, sum(m * c for m, c in zip(row, mean)))) for row in matrix)
    xyz = ((0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047, 0.2126 * r + 0.7152 * g + 0.0722 * b,
           (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883)
    fx, fy, fz = (t ** (1 / 3) if t > 216 / 24389 else (24389 / 27 * t + 16) / 116 for t in xyz)
    return (116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz))


class Generator(unittest.TestCase):
    def test_committed_assets_are_what_the_generator_makes(self):
        assets = os.path.join(SOURCE, "assets")
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([sys.executable, os.path.join(SOURCE, "tools", "make_assets.py"), "--out", out],
                           check=True, stdout=subprocess.DEVNULL)
            made = sorted(os.path.relpath(os.path.join(d, f), out)
                          for d, _, files in os.walk(out) for f in files)
            self.assertIn("tile.bmp", made)
            self.assertIn("icon.bmp", made)
            for name in made:
                with self.subTest(name):
                    committed = os.path.join(assets, name)
                    self.assertTrue(os.path.exists(committed), f"{name} is made but not committed")
                    self.assertTrue(filecmp.cmp(committed, os.path.join(out, name), shallow=False),
                                    f"{name} differs from what the generator makes")


class TileSheet(unittest.TestCase):
    # Under simulated deuteranopia the old fruit skin's apple and orange left only 18 % of their
    # painted pixels unshared, grapes and blueberries 43 %, and players took each pair for one
    # fruit. Every pair of the redrawn fruits leaves 50 % or more unshared.
    FRUIT_OUTLINES_APART = 0.46
    # In every skin a pair needs its outline or its simulated colour to set it apart. Measured:
    # the old pear and watermelon shared 74 % of their pixels at a colour difference of 15;
    # the retro plus and star, plainly different shapes of one simulated blue, leave 30 %
    # unshared; the nearest pairs told apart by colour (red and orange circle and square,
    # yellow disc and plus) are 26 or more apart.
    OUTLINES_APART = 0.28
    COLOURS_APART = 20.0

    def test_each_fruit_has_its_own_outline(self):
        tiles = committed_tiles()
        for a, b in itertools.combinations(range(7), 2):
            with self.subTest(kinds=(a, b)):
                self.assertGreaterEqual(outline_difference(tiles[FRUIT, a], tiles[FRUIT, b]),
                                        self.FRUIT_OUTLINES_APART)

    def test_colour_blind_players_tell_every_pair_apart(self):
        tiles = committed_tiles()
        skins = {s for s, _ in tiles}
        self.assertEqual(len(skins), 5)
        for name, matrix in SIMULATIONS.items():
            for s in sorted(skins):
                for a, b in itertools.combinations(range(7), 2):
                    with self.subTest(name, skin=s, kinds=(a, b)):
                        shape = outline_difference(tiles[s, a], tiles[s, b])
                        colour = math.dist(seen_colour(tiles[s, a], matrix), seen_colour(tiles[s, b], matrix))
                        self.assertTrue(shape >= self.OUTLINES_APART or colour >= self.COLOURS_APART,
                                        "outlines %.2f apart, colours %.1f" % (shape, colour))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])

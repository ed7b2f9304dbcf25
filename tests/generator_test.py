#!/usr/bin/env python3
"""The asset generator reproduces the committed artwork and sounds byte for byte."""

import filecmp
import os
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.environ.get("SEVENFOLD_SOURCE_DIR", ".")


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


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])

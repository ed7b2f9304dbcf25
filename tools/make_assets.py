#!/usr/bin/env python3
"""Draws and synthesises every picture and sound Sevenfold ships with, into assets/."""

# Everything here is computed from geometry and maths: no source images, no
# third-party modules, no clock, no unseeded randomness.  Running it twice must
# give byte-identical files, because the game embeds them and the build should
# not churn.  The drawing and synthesis live in the assetgen package beside
# this script; this is its one entry point.

import argparse
import os

from assetgen.cards import (build_banner, build_cover, build_help, build_modes, build_nomove, build_options,
                            build_points, build_scores, build_sidebar)
from assetgen.check import verify
from assetgen.logo import build_icon, build_title
from assetgen.sounds import SOUNDS, build_sound
from assetgen.tiles import build_tiles
from assetgen.ui import build_digits, build_image, build_menu, build_wexa
from assetgen.writers import bmp_bytes, png_bytes


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument('--out', default=os.path.join(here, '..', 'assets'),
                    help="output folder (default: the repository's assets/)")
    ap.add_argument('--only', choices=['tiles', 'images', 'sounds', 'icons'],
                    help="regenerate one group only (for quick iteration on art)")
    args = ap.parse_args()
    out = os.path.normpath(args.out)
    os.makedirs(os.path.join(out, 'icons'), exist_ok=True)

    def write(name, blob):
        with open(os.path.join(out, name), 'wb') as fh:
            fh.write(blob)

    if args.only in (None, 'images'):
        w, h, px = build_digits()
        write('digit.bmp', bmp_bytes(w, h, 32, px, tail=2))
        w, h, px = build_wexa()
        write('wexa.bmp', bmp_bytes(w, h, 24, px, tail=2))
        w, h, px = build_menu()
        write('menu.bmp', bmp_bytes(w, h, 16, px, tail=2))
        w, h, px = build_image()
        write('image.bmp', bmp_bytes(w, h, 16, px, tail=2))
        w, h, px = build_title()
        write('title.bmp', bmp_bytes(w, h, 16, px, tail=2))
        for name, build in (('banner.bmp', build_banner), ('help.bmp', build_help),
                            ('scores.bmp', build_scores), ('options.bmp', build_options),
                            ('points.bmp', build_points), ('sidebar.bmp', build_sidebar),
                            ('nomove.bmp', build_nomove), ('modes.bmp', build_modes),
                            ('cover.bmp', build_cover)):
            w, h, px = build()
            write(name, bmp_bytes(w, h, 16, px))
    if args.only in (None, 'tiles'):
        w, h, px = build_tiles()
        write('tile.bmp', bmp_bytes(w, h, 16, px))
    if args.only in (None, 'sounds'):
        for sound in SOUNDS:
            write(sound[0], build_sound(*sound))
    if args.only in (None, 'icons'):
        for size in (32, 48, 64, 128):
            w, h, px = build_icon(size)
            write(os.path.join('icons', 'sevenfold-%d.png' % size), png_bytes(w, h, px))
            if size == 32:
                # the window icon, for SDL_WM_SetIcon, which loads BMPs only
                write('icon.bmp', bmp_bytes(w, h, 32, px, alpha=True))
    if args.only is None:
        verify(out)


if __name__ == '__main__':
    main()

"""The tile sheet: every skin's seven kinds, keyed on pure green."""

from .colour import KEY555, WHITE, mix, to555
from .raster import render
from .skins.common import CELL
from .skins.contrast import skin_contrast
from .skins.fruit import skin_fruit
from .skins.gems import skin_gems
from .skins.retro import PixelArt, pixel_art_cell, skin_retro
from .skins.symbols import skin_symbols


SKINS = [(skin_gems, True), (skin_fruit, True), (skin_symbols, True), (skin_contrast, False),
         (skin_retro, False)]

TILE_THRESHOLD = 0.30   # below this coverage a pixel stays transparent


def tile_pixels(scene, dither=True):
    """34x34 tile: edges blended towards the white board, the rest keyed."""
    out = []
    for y, row in enumerate(render(scene, CELL, CELL)):
        line = []
        for x, (col, cov) in enumerate(row):
            if col is None or cov < TILE_THRESHOLD:
                line.append(KEY555)
                continue
            v = to555(mix(WHITE, col, cov), x, y, dither=dither)
            if v == KEY555:
                v |= 1   # never let artwork collide with the key
            line.append(v)
        out.append(line)
    return out


def build_tiles():
    skins = [(f(), dither) for f, dither in SKINS]
    h = CELL * len(skins)
    w = CELL * 7
    px = [[KEY555] * w for _ in range(h)]
    for si, (scenes, dither) in enumerate(skins):
        for k, scene in enumerate(scenes):
            cell = pixel_art_cell(scene) if isinstance(scene, PixelArt) else tile_pixels(scene, dither)
            for y in range(CELL):
                px[si * CELL + y][k * CELL:(k + 1) * CELL] = cell[y]
    return w, h, px

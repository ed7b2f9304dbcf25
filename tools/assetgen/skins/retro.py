"""The retro skin: chunky 8-bit tiles on a doubled pixel grid."""

from ..colour import KEY555, WHITE, mix, shade, to555
from ..fonts import dilate
from ..shapes import Circle, Polygon, Union, heart_points, rounded_rect, star_points
from .common import C, CELL, HUES


class PixelArt:
    """Marks a tile drawn on a coarse grid with hard pixels, not sampled."""

    def __init__(self, shape, base, extra=None):
        self.shape, self.base, self.extra = shape, base, extra


def skin_retro():
    """Chunky 8-bit look: every shape on a 17x17 grid, pixels doubled."""
    out = []
    # sized so the keyline stays one coarse pixel clear of the cell edge;
    # straight edges sit on even coordinates, between coarse pixel centres
    out.append(PixelArt(Circle(C, C, 12.9), HUES['red']))
    out.append(PixelArt(rounded_rect(4, 4, 30, 30, 2.5), HUES['orange']))
    out.append(PixelArt(Polygon([(17, 3.2), (30.8, 17), (17, 30.8), (3.2, 17)]), HUES['yellow']))
    out.append(PixelArt(Polygon([(17, 3.5), (30.5, 29.5), (3.5, 29.5)]), HUES['green']))
    out.append(PixelArt(Union(rounded_rect(12, 4, 22, 30, 0), rounded_rect(4, 12, 30, 22, 0)), HUES['blue']))
    out.append(PixelArt(Polygon(star_points(C, 18.0, 14.8, 6.6, 5)), HUES['purple']))
    out.append(PixelArt(Polygon(heart_points(C, 17.3, 26.5, 64)), HUES['pink']))
    return out


def pixel_art_cell(art, grid=2):
    """Outline, lit and shaded edges and a glint, by neighbourhood on a coarse grid."""
    n = CELL // grid
    inside = {(i, j) for j in range(n) for i in range(n)
              if art.shape.sd((i + 0.5) * grid, (j + 0.5) * grid) < 0.0}
    outline = {(i, j) for i, j in dilate(inside) if 0 <= i < n and 0 <= j < n}
    ink = shade(art.base, 0.22)
    light = shade(art.base, 1.45)
    dark = shade(art.base, 0.62)
    cells = {}
    for i, j in outline:
        cells[(i, j)] = ink
    xs = [i for i, _ in inside]
    ys = [j for _, j in inside]
    mid = (min(xs) + max(xs) + min(ys) + max(ys)) / 2.0
    for i, j in inside:
        up_left = (i - 1, j) not in inside or (i, j - 1) not in inside
        down_right = (i + 1, j) not in inside or (i, j + 1) not in inside
        if down_right and not up_left:
            c = dark
        elif up_left and not down_right:
            c = light
        elif i + j > mid + 3:
            c = shade(art.base, 0.82)
        else:
            c = art.base
        cells[(i, j)] = c
    # a two-pixel glint in the upper-left quarter, on an inner pixel
    gx = min(xs) + (max(xs) - min(xs)) * 0.30
    gy = min(ys) + (max(ys) - min(ys)) * 0.28
    spots = [(i, j) for i, j in inside
             if all((i + di, j + dj) in inside for di in (-1, 0, 1, 2) for dj in (-1, 0, 1))]
    if spots:
        i, j = min(spots, key=lambda p: ((p[0] - gx) ** 2 + (p[1] - gy) ** 2, p))
        cells[(i, j)] = WHITE
        cells[(i + 1, j)] = mix(WHITE, light, 0.5)
    px = [[KEY555] * CELL for _ in range(CELL)]
    for (i, j), c in cells.items():
        v = to555(c)
        if v == KEY555:
            v |= 1
        for dy in range(grid):
            for dx in range(grid):
                px[j * grid + dy][i * grid + dx] = v
    return px

"""The small pictures of the screen: score digits, credit label, menu, cursor."""

from .colour import KEY555, from555, hexcol, mix, to555
from .fonts import DIGITS6x11, dilate, text_mask
from .panel import panel555
from .raster import Scene, render, vgradient3
from .shapes import HalfPlane, Intersect, Offset, Polygon, rounded_rect
from .skins.common import CELL


def build_digits():
    """100x13 strip, 32 bpp, light digits in a dark keyline on pure green."""
    w, h = 100, 13
    fill_top, fill_bot = hexcol('ffffff'), hexcol('ffe08a')
    line = hexcol('1a1430')
    px = [[(0, 255, 0)] * w for _ in range(h)]
    for d in range(10):
        ink = set()
        for gy, row in enumerate(DIGITS6x11[d]):
            for gx, c in enumerate(row):
                if c == '#':
                    ink.add((gx, gy))
        ox, oy = 10 * d + 2, 1
        for x, y in dilate(ink):
            px[oy + y][ox + x] = tuple(int(v) for v in line)
        for x, y in ink:
            c = mix(fill_top, fill_bot, y / 10.0)
            px[oy + y][ox + x] = tuple(int(round(v)) for v in c)
    return w, h, px


def emblem_scene(ox, oy):
    """Our maker mark: a small cut stone seen from the side, gold facets."""
    outline = Polygon([(ox + 2.4, oy + 1.0), (ox + 7.6, oy + 1.0), (ox + 9.1, oy + 3.4),
                       (ox + 5.0, oy + 9.2), (ox + 0.9, oy + 3.4)])

    def facets(x, y):
        u, v = x - ox, y - oy
        if v < 3.4:                                  # crown
            return hexcol('fff6c8') if u < 5.0 else hexcol('ffd850')
        if abs(u - 5.0) < 1.0:                       # pavilion keel catches light
            return hexcol('ffe488')
        return hexcol('ffc02c') if u < 5.0 else hexcol('d47a10')
    return Scene().add(outline, facets)


def build_wexa():
    """50x10 credit label: the stone emblem and '7FOLD', keyed on green."""
    w, h = 50, 10
    key = (0, 255, 0)
    edge = hexcol('0c0a18')
    px = [[key] * w for _ in range(h)]
    text, tw = text_mask("7FOLD")
    total = 10 + 2 + tw + 1
    sx = (w - total) // 2
    tx = sx + 12
    # the emblem takes a coverage threshold rather than blending towards the
    # key, which would leave a green fringe once keyed
    rows = render(emblem_scene(sx, 0), w, h)
    mark = {(x, y): col for y in range(h) for x in range(w)
            for col, cov in [rows[y][x]] if col is not None and cov >= 0.45}
    ink_all = set(mark) | {(tx + x, y + 1) for x, y in text}
    for x, y in dilate(ink_all):
        if 0 <= x < w and 0 <= y < h:
            px[y][x] = tuple(int(v) for v in edge)
    for (x, y), col in mark.items():
        px[y][x] = tuple(int(round(v)) for v in col)
    for x, y in text:
        c = mix(hexcol('f8f4e8'), hexcol('b8c8f0'), y / 6.0)
        px[y + 1][tx + x] = tuple(int(round(v)) for v in c)
    return w, h, px


MENU_ITEMS = ["HIGH SCORE", "NEW GAME", "OPTION", "QUIT GAME"]


def build_menu():
    """160x80: four labels plain on the left, highlighted on the right."""
    w, h = 160, 80
    px = [[panel555(x, y) for x in range(w)] for y in range(h)]
    plain_top, plain_bot = hexcol('e8eeff'), hexcol('a8b8e0')
    shadow = hexcol('06080e')
    bar = rounded_rect(2.5, 3.5, 77.5, 16.5, 3.0)
    bar_fill = vgradient3(3.5, hexcol('fff2a0'), 9.0, hexcol('ffc830'), 16.5, hexcol('e08a10'))
    bar_rows = render(Scene().add(Offset(bar, 1.0), hexcol('20140a')).add(bar, bar_fill)
                      .add(Intersect(Offset(bar, -1.0), HalfPlane(0, 6.0, 0, 1)),
                           lambda x, y: hexcol('fff8d0')), 80, 20)
    arrow = [(0, 0), (0, 1), (1, 1), (0, 2), (1, 2), (2, 2), (0, 3), (1, 3), (0, 4)]
    for i, label in enumerate(MENU_ITEMS):
        ink, tw = text_mask(label)
        tx = (80 - tw) // 2
        ty = 20 * i + 6
        # plain: keylined light text on the stripes
        for x, y in dilate(ink):
            px[ty + y][tx + x] = to555(shadow)
        for x, y in ink:
            px[ty + y][tx + x] = to555(mix(plain_top, plain_bot, y / 6.0))
        # highlighted: a gold plate, dark text, a pointer at each end
        for y in range(20):
            for x in range(80):
                col, cov = bar_rows[y][x]
                if col is not None and cov > 0:
                    under = from555(panel555(80 + x, 20 * i + y))
                    px[20 * i + y][80 + x] = to555(mix(under, col, cov))
        for x, y in ink:
            px[ty + y][80 + tx + x] = to555(hexcol('2a1404'))
        for ax, ay in arrow:
            px[20 * i + 8 + ay][80 + 5 + ax] = to555(hexcol('6a2a04'))
            px[20 * i + 8 + ay][80 + 74 - ax] = to555(hexcol('6a2a04'))
    return w, h, px


CURSOR_RING = 3
CURSOR_DASH = 6    # 6 red + 6 yellow: the 132-pixel perimeter holds 11 periods
CURSOR_RED, CURSOR_YELLOW = 0x7C00, 0x7FE0


def cursor_phase(x, y):
    """Position along the outer perimeter, running clockwise, mitred at corners."""
    n = CELL - 1
    d = [(y, 0), (n - x, 1), (n - y, 2), (x, 3)]
    side = min(d)[1]
    return [x, n + y, 2 * n + (n - x), 3 * n + (n - y)][side]


def build_image():
    """141x34: four crawling cursor frames and the panel swatch."""
    w, h = 141, 34
    px = [[KEY555] * w for _ in range(h)]
    period = 2 * CURSOR_DASH
    step = period // 4
    for f in range(4):
        for y in range(CELL):
            for x in range(CELL):
                if min(x, y, CELL - 1 - x, CELL - 1 - y) >= CURSOR_RING:
                    continue
                t = (cursor_phase(x, y) - f * step) % period
                px[y][34 * f + x] = CURSOR_RED if t < CURSOR_DASH else CURSOR_YELLOW
    for y in range(5):
        for x in range(5):
            px[y][136 + x] = panel555(x, y)
    return w, h, px

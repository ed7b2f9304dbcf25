"""The title logo and the app icon."""

from .colour import KEY555, clamp, hexcol, to555
from .panel import panel_rgb
from .raster import Scene, render, vgradient, vgradient3
from .shapes import Moved, Offset, Polygon, Stroke, Union, rounded_path, rounded_rect, star_points
from .skins.gems import gem


LOGO_LETTERS = {
    'S': ([[(1, 0), (0, 0), (0, 0.5), (1, 0.5), (1, 1), (0, 1)]], 0.42),
    'E': ([[(1, 0), (0, 0), (0, 1), (1, 1)], [(0, 0.5), (0.78, 0.5)]], 0.0),
    'V': ([[(0, 0), (0.5, 1), (1, 0)]], 0.0),
    'N': ([[(0, 1), (0, 0), (1, 1), (1, 0)]], 0.0),
    'F': ([[(1, 0), (0, 0), (0, 1)], [(0, 0.5), (0.78, 0.5)]], 0.0),
    'O': ([[(0, 0), (1, 0), (1, 1), (0, 1), (0, 0), (1, 0)]], 0.5),
    'L': ([[(0, 0), (0, 1), (1, 1)]], 0.0),
    'D': ([[(0, 1), (0, 0), (0.55, 0), (1, 0), (1, 1), (0.55, 1), (0, 1), (0, 0)]], None),
    # the rest spell the cards' headings
    'A': ([[(0, 1), (0, 0), (1, 0), (1, 1)], [(0, 0.55), (1, 0.55)]], 0.6),
    'C': ([[(1, 0), (0, 0), (0, 1), (1, 1)]], 0.6),
    'G': ([[(1, 0), (0, 0), (0, 1), (1, 1), (1, 0.5), (0.5, 0.5)]], 0.6),
    'H': ([[(0, 0), (0, 1)], [(1, 0), (1, 1)], [(0, 0.5), (1, 0.5)]], 0.0),
    'I': ([[(0.5, 0), (0.5, 1)], [(0.15, 0), (0.85, 0)], [(0.15, 1), (0.85, 1)]], 0.0),
    'M': ([[(0, 1), (0, 0), (0.5, 0.55), (1, 0), (1, 1)]], 0.0),
    'P': ([[(0, 1), (0, 0), (1, 0), (1, 0.5), (0, 0.5)]], 0.6),
    'R': ([[(0, 1), (0, 0), (1, 0), (1, 0.5), (0, 0.5)], [(0.5, 0.5), (1, 1)]], 0.6),
    'T': ([[(0, 0), (1, 0)], [(0.5, 0), (0.5, 1)]], 0.0),
    'U': ([[(0, 0), (0, 1), (1, 1), (1, 0)]], 0.6),
    'W': ([[(0, 0), (0.22, 1), (0.5, 0.45), (0.78, 1), (1, 0)]], 0.0),
}


def logo_word(word, x0, y0, lw, lh, pen, gap):
    """Union of strokes spelling `word` with its top left at (x0, y0)."""
    parts = []
    x = x0
    h = pen / 2.0
    for ch in word:
        paths, r = LOGO_LETTERS[ch]
        bw, bh = lw - pen, lh - pen
        for path in paths:
            pts = [(x + h + px * bw, y0 + h + py * bh) for px, py in path]
            if ch == 'D':
                radii = [0, 0, 0, bh * 0.55, bh * 0.55, 0, 0, 0]
                pts = rounded_path(pts, radii, closed=False, steps=8)
            elif ch == 'O':
                pts = rounded_path(pts, bh * 0.42, closed=False, steps=8)
            elif r:
                pts = rounded_path(pts, bh * r * 0.5, closed=False, steps=8)
            parts.append(Stroke(pts, pen))
        x += lw + gap
    return Union(*parts), x - gap - x0


def seven_star(cx, cy, r_out, r_in):
    return star_points(cx, cy, r_out, r_in, 7)


def build_title():
    """80x40 logo: SEVEN over FOLD in gold on a bevelled dark plate."""
    w, h = 80, 40
    s = Scene(background=panel_rgb)
    plate = rounded_rect(1.0, 1.0, 79.0, 39.0, 4.5)
    s.add(Offset(plate, 1.0), hexcol('05060c'))
    s.add(plate, hexcol('6878a8'))
    s.add(Moved(Offset(plate, -1.0), 0.6, 0.6), hexcol('0a0c18'))
    s.add(Offset(plate, -1.6), vgradient(2, hexcol('28304e'), 38, hexcol('10142a')))

    lw, lh, pen, gap = 10.6, 13.5, 3.3, 2.2
    top, tw = logo_word("SEVEN", 0, 0, lw, lh, pen, gap)
    bot, bw = logo_word("FOLD", 0, 0, lw, lh, pen, gap)
    top = Moved(top, (80 - tw) / 2.0, 4.5)
    bot = Moved(bot, (80 - bw) / 2.0, 21.8)
    gold_a = vgradient3(4.5, hexcol('fff6c0'), 11.0, hexcol('ffd040'), 18.0, hexcol('f08a18'))
    gold_b = vgradient3(21.8, hexcol('fff6c0'), 28.3, hexcol('ffd040'), 35.3, hexcol('f08a18'))
    for word, fill in ((top, gold_a), (bot, gold_b)):
        s.add(Moved(Offset(word, 1.3), 1.2, 1.4), hexcol('020208'))
        s.add(Offset(word, 1.25), hexcol('2a1204'))
        s.add(word, fill)
    # seven-pointed stars either side of FOLD
    for cx in ((80 - bw) / 2.0 - 7.5, (80 + bw) / 2.0 + 7.5):
        st = Polygon(seven_star(cx, 28.6, 5.4, 2.5))
        s.add(Offset(st, 1.0), hexcol('2a1204'))
        s.add(st, vgradient(23, hexcol('fff2b0'), 34, hexcol('f0a020')))
    rows = render(s, w, h)
    px = []
    for y, row in enumerate(rows):
        line = []
        for x, (col, cov) in enumerate(row):
            v = to555(col, x, y, dither=True)
            if v == KEY555:
                v |= 1
            line.append(v)
        px.append(line)
    return w, h, px


def icon_scene():
    """App icon in a 128-unit box: a dark rounded plate and a faceted seven-star."""
    s = Scene()
    plate = rounded_rect(6, 6, 122, 122, 24)
    s.add(plate, hexcol('0a0c18'))
    s.add(Offset(plate, -3), vgradient(6, hexcol('323c64'), 122, hexcol('141830')))
    pts = seven_star(64, 67, 52, 25)
    gem(s, Polygon(pts), pts, (64, 67), hexcol('ffb020'), 0.5, rim=3.0,
        glint=(48, 44, 12), contrast=1.1)
    return s


def build_icon(size):
    rows = render(icon_scene(), size, size, ss=4 if size <= 64 else 3, scale=128.0 / size)
    px = []
    for row in rows:
        line = []
        for col, cov in row:
            if col is None:
                line.append((0, 0, 0, 0))
            else:
                line.append(tuple(int(round(clamp(v))) for v in col) + (int(round(cov * 255)),))
        px.append(line)
    return size, size, px

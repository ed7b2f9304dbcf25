"""The fruit skin: seven lit fruits of seven outlines, with leaves and stems."""

import math

from ..colour import clamp, hexcol, mix, shade
from ..raster import Scene, sphere_fill, vgradient
from ..shapes import (Circle, Ellipse, HalfPlane, Intersect, Offset, Polygon, SmoothUnion, Stroke,
                      star_points)
from .common import C, HUES


def leaf(cx, cy, length, width, angle):
    return Ellipse(cx, cy, length / 2.0, width / 2.0, angle)


def rim_layers(scene, shape, body_fill, outline_col, rim=1.0):
    scene.add(shape, outline_col)
    scene.add(Offset(shape, -rim), body_fill)


def skin_fruit():
    """Seven fruits of seven outlines: told apart by shape alone, not only by hue."""
    out = []
    stem_col = hexcol('6b4420')
    stem_dark = hexcol('3a220c')
    leaf_col = hexcol('3aa83a')
    leaf_dark = hexcol('1c5a1c')

    def leaf_layers(s, cx, cy, length, width, angle):
        lf = leaf(cx, cy, length, width, angle)
        s.add(lf, leaf_dark)
        s.add(Offset(lf, -0.9), vgradient(cy - width, shade(leaf_col, 1.25), cy + width, shade(leaf_col, 0.85)))
        a = math.radians(angle)
        dx, dy = math.cos(a) * length * 0.36, math.sin(a) * length * 0.36
        s.add(Stroke([(cx - dx, cy - dy), (cx + dx, cy + dy)], 0.55), shade(leaf_col, 0.65))

    def stem(s, pts, width=2.0):
        s.add(Stroke(pts, width), stem_dark)
        s.add(Stroke(pts, width / 2.0), stem_col)

    def berry(s, bx, by, r, col, rim, gloss=0.6, shininess=16):
        rim_layers(s, Circle(bx, by, r), sphere_fill(col, bx, by, r, gloss=gloss, shininess=shininess), rim)

    # 0: a pair of cherries on their stems
    s = Scene()
    red = HUES['red']
    stem(s, [(9.8, 19.5), (11.5, 12.5), (15.0, 7.5), (18.5, 4.5)], 1.9)
    stem(s, [(24.2, 17.0), (22.8, 11.0), (18.5, 4.5)], 1.9)
    for bx, by in ((9.6, 24.6), (24.2, 22.2)):
        berry(s, bx, by, 7.0, red, shade(red, 0.32), gloss=0.7, shininess=22)
    leaf_layers(s, 24.0, 5.0, 9.5, 4.4, -12)
    out.append(s)

    # 1: pineapple, a crown of spiky leaves over a criss-crossed body
    s = Scene()
    gold = hexcol('ffa826')
    for length, angle in ((12.0, -90.0), (10.0, -62.0), (10.0, -118.0), (7.5, -35.0), (7.5, -145.0)):
        a = math.radians(angle)
        tip = (C + math.cos(a) * length, 13.5 + math.sin(a) * length)
        blade = Polygon([(C - 1.9, 13.5), tip, (C + 1.9, 13.5)])
        s.add(Offset(blade, 0.9), leaf_dark)
        s.add(blade, vgradient(2.0, shade(leaf_col, 1.25), 13.5, shade(leaf_col, 0.8)))
    body = Ellipse(C, 22.6, 8.4, 9.6)
    lit = sphere_fill(gold, C, 22.6, 8.4, 9.6, gloss=0.3, shininess=10)

    def rind(x, y):
        c = lit(x, y)
        # the scales: a diagonal lattice, each diamond with a darker eye
        u, v = (x + y) % 4.4, (x - y) % 4.4
        if min(u, v) < 0.8:
            return shade(c, 0.78)
        if math.hypot(u - 2.6, v - 2.6) < 0.8:
            return shade(c, 0.82)
        return c
    rim_layers(s, body, rind, shade(gold, 0.34))
    out.append(s)

    # 2: banana, curved from its stalk at the top right down to its dark tip
    s = Scene()
    yel = HUES['yellow']
    p0, p1, p2 = (26.5, 6.0), (25.5, 29.5), (4.0, 20.5)
    spine = []
    for i in range(25):
        u = i / 24.0
        x = (1 - u) ** 2 * p0[0] + 2 * u * (1 - u) * p1[0] + u * u * p2[0]
        y = (1 - u) ** 2 * p0[1] + 2 * u * (1 - u) * p1[1] + u * u * p2[1]
        dx = 2 * (1 - u) * (p1[0] - p0[0]) + 2 * u * (p2[0] - p1[0])
        dy = 2 * (1 - u) * (p1[1] - p0[1]) + 2 * u * (p2[1] - p1[1])
        n = math.hypot(dx, dy)
        # thickest a little past the middle, narrowing to the stalk and the tip
        half = 1.4 + 4.4 * math.sin(math.pi * u ** 0.85) ** 0.8
        spine.append((x, y, -dy / n, dx / n, half))
    outline = ([(x + nx * w, y + ny * w) for x, y, nx, ny, w in spine]
               + [(x - nx * w, y - ny * w) for x, y, nx, ny, w in reversed(spine)])

    def peel(x, y):
        # across the fruit: a pale ridge on the inner curve, shadow on the outer
        sx, sy, nx, ny, w = min(spine, key=lambda p: (p[0] - x) ** 2 + (p[1] - y) ** 2)
        across = clamp(((x - sx) * nx + (y - sy) * ny) / w, -1.0, 1.0)
        return shade(yel, 1.12 - 0.30 * (across + 1.0) + 0.10 * math.exp(-((across + 0.35) * 4.0) ** 2))
    rim_layers(s, Polygon(outline), peel, shade(yel, 0.36))
    stem(s, [(26.6, 7.5), (27.6, 3.0)], 3.0)
    s.add(Circle(4.3, 20.4, 1.4), hexcol('3a2a10'))
    out.append(s)

    # 3: pear, leaning
    s = Scene()
    grn = hexcol('8cc83a')
    body = SmoothUnion(Circle(23.0, 10.6, 5.0), Circle(12.4, 22.3, 8.9), 10.0)
    stem(s, [(25.0, 6.0), (26.8, 3.4), (29.0, 1.9)], 2.1)

    def pear_fill(x, y, a=sphere_fill(grn, 11.8, 21.8, 10.0, gloss=0.5),
                  b=sphere_fill(grn, 22.5, 10.6, 6.0, gloss=0.5)):
        # the neck's light hands over to the belly's along the leaning axis
        t = clamp(((x - 23.0) * -10.6 + (y - 10.6) * 11.7) / 150.0, 0.0, 1.0)
        c = mix(b(x, y), a(x, y), t)
        # a blush on the lit side of the belly
        blush = clamp(1.0 - math.hypot(x - 10.2, y - 19.8) / 6.5, 0.0, 1.0)
        return mix(c, hexcol('e0b040'), blush * 0.35)
    rim_layers(s, body, pear_fill, shade(grn, 0.32))
    leaf_layers(s, 30.0, 7.6, 6.5, 3.4, 50)
    out.append(s)

    # 4: blueberries, three in a slanting row, each with its crown
    s = Scene()
    blu = hexcol('3a62d8')
    for bx, by, br in ((8.4, 9.0, 6.2), (25.6, 25.0, 6.2), (17.0, 17.0, 7.2)):
        berry(s, bx, by, br, blu, hexcol('101840'), gloss=0.45, shininess=12)
        s.add(Polygon(star_points(bx, by - 1.0, 2.7, 1.2, 5)), hexcol('1a2458'))
        s.add(Circle(bx, by - 1.0, 0.8), hexcol('6a80d8'))
    out.append(s)

    # 5: grapes, a bunch narrowing to its tip
    s = Scene()
    pur = HUES['purple']
    stem(s, [(17, 8.0), (17.5, 4.0), (19.5, 2.2)], 2.0)
    for row, n in enumerate((4, 3, 2, 1)):
        for i in range(n):
            berry(s, C + 6.8 * (i - (n - 1) / 2.0), 8.5 + 6.0 * row, 3.8, pur, hexcol('2a0c40'))
    leaf_layers(s, 10.5, 4.0, 9.0, 4.2, 15)
    out.append(s)

    # 6: watermelon, a half-round slice, rind down
    s = Scene()
    top = 10.5

    def half_round(r, cut):
        return Intersect(Circle(C, top, r), HalfPlane(0.0, top + cut, 0.0, -1.0))
    s.add(half_round(14.8, 0.0), hexcol('0e3a14'))
    s.add(half_round(13.7, 1.0), hexcol('1f8a2e'))
    s.add(half_round(12.4, 1.0), hexcol('d8f0a8'))
    fl = hexcol('f0405a')
    s.add(half_round(11.2, 1.0), vgradient(top, shade(fl, 1.18), top + 12.0, shade(fl, 0.92)))
    for sx, dy in [(10.5, 4.0), (17, 5.0), (23.5, 4.0), (13.5, 8.5), (20.5, 8.5)]:
        s.add(Ellipse(sx, top + dy, 0.95, 1.6, 0), hexcol('201010'))
    out.append(s)
    return out

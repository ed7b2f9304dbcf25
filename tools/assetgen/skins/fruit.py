"""The fruit skin: seven lit fruits, leaves and stems."""

import math

from ..colour import clamp, hexcol, mix, shade
from ..raster import Scene, sphere_fill, vgradient
from ..shapes import (Circle, Ellipse, Intersect, Offset, Polygon, SmoothUnion, Stroke, Subtract, Union,
                      star_points)
from .common import C, HUES


def leaf(cx, cy, length, width, angle):
    return Ellipse(cx, cy, length / 2.0, width / 2.0, angle)


def rim_layers(scene, shape, body_fill, outline_col, rim=1.0):
    scene.add(shape, outline_col)
    scene.add(Offset(shape, -rim), body_fill)


def skin_fruit():
    out = []
    stem_col = hexcol('6b4420')
    leaf_col = hexcol('3aa83a')
    leaf_dark = hexcol('1c5a1c')

    def leaf_layers(s, cx, cy, length, width, angle):
        lf = leaf(cx, cy, length, width, angle)
        s.add(lf, leaf_dark)
        s.add(Offset(lf, -0.9), vgradient(cy - width, shade(leaf_col, 1.25), cy + width, shade(leaf_col, 0.85)))
        a = math.radians(angle)
        dx, dy = math.cos(a) * length * 0.36, math.sin(a) * length * 0.36
        s.add(Stroke([(cx - dx, cy - dy), (cx + dx, cy + dy)], 0.55), shade(leaf_col, 0.65))

    # 0: apple
    s = Scene()
    red = HUES['red']
    body = SmoothUnion(Circle(12.2, 19.5, 10.8), Circle(21.8, 19.5, 10.8), 3.0)
    body = Subtract(body, Circle(17, 5.3, 3.2))
    body = SmoothUnion(body, Circle(17, 24.5, 7.5), 2.0)
    s.add(Stroke([(17, 10.5), (17.6, 6.5), (19.0, 3.4)], 2.0), hexcol('3a220c'))
    s.add(Stroke([(17, 10.5), (17.6, 6.5), (19.0, 3.4)], 1.0), stem_col)
    rim_layers(s, body, sphere_fill(red, 16, 19.5, 14.5, 13.5, gloss=0.6), shade(red, 0.35))
    leaf_layers(s, 24.0, 6.0, 9.5, 4.6, -25)
    out.append(s)

    # 1: orange, dimpled peel
    s = Scene()
    org = HUES['orange']
    base_fill = sphere_fill(org, C, 18.2, 13.6, gloss=0.35, shininess=10)

    def peel(x, y, base_fill=base_fill):
        c = base_fill(x, y)
        # pitted peel: a fine deterministic pattern of darker pores
        v = math.sin(x * 2.3 + math.sin(y * 1.7) * 1.5) * math.sin(y * 2.1 + math.cos(x * 1.3))
        return shade(c, 0.93) if v > 0.55 else c
    body = Circle(C, 18.2, 13.6)
    rim_layers(s, body, peel, shade(org, 0.38))
    s.add(Circle(C, 5.6, 1.6), hexcol('5a7a20'))
    leaf_layers(s, 22.0, 5.2, 8.5, 4.0, -18)
    out.append(s)

    # 2: lemon
    s = Scene()
    yel = HUES['yellow']
    ly = C + 1.6
    body = SmoothUnion(Ellipse(C, ly, 12.2, 9.4, -28),
                       Union(Ellipse(5.6, ly + 6.2, 3.0, 2.0, -28), Ellipse(28.4, ly - 6.2, 3.0, 2.0, -28)), 2.6)
    rim_layers(s, body, sphere_fill(yel, C, ly, 14.5, 10.5, -28, gloss=0.55, shininess=14), shade(yel, 0.36))
    leaf_layers(s, 26.0, 7.2, 7.5, 3.6, -50)
    out.append(s)

    # 3: pear
    s = Scene()
    grn = hexcol('8cc83a')
    body = SmoothUnion(Circle(C, 12.5, 6.4), Circle(C, 22.6, 9.9), 5.0)
    s.add(Stroke([(17, 7.5), (16.5, 4.2), (15.0, 1.8)], 2.1), hexcol('3a220c'))
    s.add(Stroke([(17, 7.5), (16.5, 4.2), (15.0, 1.8)], 1.0), stem_col)

    def pear_fill(x, y, a=sphere_fill(grn, 15.8, 22.0, 10.8, gloss=0.5),
                  b=sphere_fill(grn, 16.2, 12.5, 7.0, gloss=0.5)):
        c = a(x, y) if y > 15.0 else mix(b(x, y), a(x, y), clamp((y - 11.0) / 4.0, 0, 1))
        # a blush on the lit side of the belly
        blush = clamp(1.0 - math.hypot(x - 12.0, y - 21.0) / 6.5, 0.0, 1.0)
        return mix(c, hexcol('e0b040'), blush * 0.35)
    rim_layers(s, body, pear_fill, shade(grn, 0.32))
    leaf_layers(s, 21.5, 4.8, 8.0, 3.8, -20)
    out.append(s)

    # 4: blueberries
    s = Scene()
    blu = hexcol('3a62d8')
    berries = [(10.5, 21.5, 8.2), (23.5, 21.5, 8.2), (17, 11.0, 8.2)]
    for bx, by, br in berries:
        body = Circle(bx, by, br)
        rim_layers(s, body, sphere_fill(blu, bx, by, br, gloss=0.45, shininess=12), hexcol('101840'))
        crown = Polygon(star_points(bx, by - 1.2, 3.0, 1.3, 5))
        s.add(crown, hexcol('1a2458'))
        s.add(Circle(bx, by - 1.2, 0.9), hexcol('6a80d8'))
    out.append(s)

    # 5: grapes
    s = Scene()
    pur = HUES['purple']
    grape_r = 4.6
    spots = [(9.0, 11.8), (17, 11.4), (25.0, 11.8),
             (13.0, 19.0), (21.0, 19.0),
             (17, 26.6)]
    # draw back to front so the nearer (lower) grapes overlap the upper ones
    s.add(Stroke([(17, 8.0), (17.5, 4.0), (19.5, 2.2)], 2.0), hexcol('3a220c'))
    s.add(Stroke([(17, 8.0), (17.5, 4.0), (19.5, 2.2)], 1.0), stem_col)
    for gx, gy in spots:
        g = Circle(gx, gy, grape_r + 1.6)
        rim_layers(s, g, sphere_fill(pur, gx, gy, grape_r + 1.6, gloss=0.6, shininess=16), hexcol('2a0c40'))
    leaf_layers(s, 10.5, 4.6, 9.0, 4.4, 15)
    out.append(s)

    # 6: watermelon slice
    s = Scene()
    apex = (17.0, 3.4)
    R = 27.2
    half = math.radians(32)
    wedge = Polygon([apex] + [(apex[0] + R * math.sin(t), apex[1] + R * math.cos(t))
                              for t in [half - 2 * half * i / 24 for i in range(25)]])
    wedge_r = Intersect(Offset(wedge, -1.2), Circle(17, 18, 40))
    s.add(Offset(wedge_r, 1.2), hexcol('0e3a14'))
    s.add(wedge_r, hexcol('1f8a2e'))
    inner = Intersect(wedge_r, Circle(apex[0], apex[1], R - 2.6))
    s.add(inner, hexcol('d8f0a8'))
    flesh = Intersect(wedge_r, Circle(apex[0], apex[1], R - 4.0))
    fl = hexcol('f0405a')
    s.add(flesh, vgradient(4, shade(fl, 1.18), 28, shade(fl, 0.92)))
    for sx, sy in [(17, 13.5), (12.5, 20.0), (21.5, 20.0), (17, 23.5), (9.5, 25.0), (24.5, 25.0)]:
        seed = Ellipse(sx, sy, 0.95, 1.6, 0)
        s.add(seed, hexcol('201010'))
    out.append(s)
    return out

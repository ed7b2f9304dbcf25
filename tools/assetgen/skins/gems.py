"""The gems skin: faceted stones, and the facet shading the app icon shares."""

import math

from ..colour import clamp, mix, shade
from ..raster import Scene
from ..shapes import (Circle, Offset, Polygon, Union, heart_points, regular_points, rounded_path,
                      star_points)
from .common import C, HUES

# The outline is split into sectors around a centre; each sector has a flat
# table facet and two crown facets lit by their slope.


LIGHT2 = (-0.55, -0.83)


def gem_fill(base, facet_pts, centre, table_scale=0.5, contrast=1.0):
    cx, cy = centre
    n = len(facet_pts)
    pts = facet_pts
    tab = [(cx + (px - cx) * table_scale, cy + (py - cy) * table_scale) for px, py in pts]
    ln = math.hypot(*LIGHT2)
    L = (LIGHT2[0] / ln, LIGHT2[1] / ln)
    sectors = []
    for i in range(n):
        a, b = pts[i], pts[(i + 1) % n]
        ex, ey = b[0] - a[0], b[1] - a[1]
        nx, ny = ey, -ex
        mx, my = (a[0] + b[0]) / 2 - cx, (a[1] + b[1]) / 2 - cy
        if nx * mx + ny * my < 0:
            nx, ny = -nx, -ny
        nl = math.hypot(nx, ny) or 1.0
        s = (nx * L[0] + ny * L[1]) / nl
        sectors.append((a, b, tab[i], tab[(i + 1) % n], s))

    def side(px, py, a, b):
        return (b[0] - a[0]) * (py - a[1]) - (b[1] - a[1]) * (px - a[0])

    table_lo = shade(base, 1.0)
    table_hi = shade(base, 1.32)

    def f(x, y):
        for a, b, ta, tb, s in sectors:
            if not _in_wedge(x - cx, y - cy, a[0] - cx, a[1] - cy, b[0] - cx, b[1] - cy):
                continue
            if side(x, y, ta, tb) * side(cx, cy, ta, tb) > 0:
                # table: a sheen that falls off towards the lower right
                t = clamp(0.5 + ((x - cx) * L[0] + (y - cy) * L[1]) / 14.0, 0.0, 1.0)
                return mix(table_lo, table_hi, t)
            # crown: the quad a, b, tb, ta cut along a-tb into two facets
            k = 0.78 + 0.42 * s * contrast
            if side(x, y, a, tb) * side(b[0], b[1], a, tb) > 0:
                k += 0.10
            else:
                k -= 0.05
            return shade(base, k)
        return base
    return f


def _in_wedge(px, py, ax, ay, bx, by):
    """True if direction p lies in the smaller angle from a to b."""
    cab = ax * by - ay * bx
    cap = ax * py - ay * px
    cpb = px * by - py * bx
    if cab >= 0:
        return cap >= 0 and cpb >= 0
    return cap <= 0 and cpb <= 0


def sparkle(cx, cy, r):
    """A four-pointed glint."""
    w = r * 0.28
    return Union(Polygon([(cx - r, cy), (cx, cy - w), (cx + r, cy), (cx, cy + w)]),
                 Polygon([(cx, cy - r), (cx + w, cy), (cx, cy + r), (cx - w, cy)]))


def gem(scene, outline, facet_pts, centre, base, table_scale=0.5, rim=1.1,
        glint=None, contrast=1.0):
    scene.add(outline, shade(base, 0.34))
    scene.add(Offset(outline, -rim), gem_fill(base, facet_pts, centre, table_scale, contrast))
    if glint:
        gx, gy, gr = glint
        scene.add(sparkle(gx, gy, gr), (255.0, 255.0, 250.0))
    return scene


def skin_gems():
    out = []
    # 0: round brilliant, ruby
    s = Scene()
    oct_pts = regular_points(C, C, 14.6, 8, -90 + 22.5)
    gem(s, Circle(C, C, 14.6), oct_pts, (C, C), HUES['red'], 0.52, glint=(12.5, 11.5, 3.6))
    out.append(s)
    # 1: emerald cut square, topaz
    s = Scene()
    sq = [(7, 3), (27, 3), (31, 7), (31, 27), (27, 31), (7, 31), (3, 27), (3, 7)]
    gem(s, Polygon(sq), sq, (C, C), HUES['orange'], 0.56, glint=(12, 11, 3.4))
    out.append(s)
    # 2: lozenge, citrine
    s = Scene()
    dm = [(17, 1.6), (31.2, 17), (17, 32.4), (2.8, 17)]
    gem(s, Polygon(dm), dm, (C, C), HUES['yellow'], 0.5, glint=(13.5, 12, 3.2))
    out.append(s)
    # 3: trillion, emerald
    s = Scene()
    tri = [(17, 2.6), (32.2, 29.6), (1.8, 29.6)]
    tri_r = rounded_path(tri, 2.5, closed=True, steps=3)[:-1]
    gem(s, Polygon(tri_r), tri, (17, 20.5), HUES['green'], 0.48, glint=(14.5, 15.5, 3.0))
    out.append(s)
    # 4: hexagon, sapphire
    s = Scene()
    hx = regular_points(C, C, 15.4, 6, 0)
    gem(s, Polygon(hx), hx, (C, C), HUES['blue'], 0.52, glint=(12.5, 11.5, 3.4))
    out.append(s)
    # 5: five-point star, amethyst
    s = Scene()
    st = star_points(C, 18.2, 16.4, 7.4, 5)
    gem(s, Polygon(st), st, (C, 18.2), HUES['purple'], 0.5, glint=(14, 13.5, 3.0))
    out.append(s)
    # 6: heart, rose quartz
    s = Scene()
    hp = heart_points(C, 17.3, 29.5, 64)
    coarse = heart_points(C, 17.3, 29.5, 12)
    gem(s, Polygon(hp), coarse, (C, 16.8), HUES['pink'], 0.46, glint=(11, 11.5, 3.0))
    out.append(s)
    return out

#!/usr/bin/env python3
"""Draws and synthesises every picture and sound Sevenfold ships with, into assets/."""

# Everything here is computed from geometry and maths: no source images, no
# third-party modules, no clock, no unseeded randomness.  Running it twice must
# give byte-identical files, because the game embeds them and the build should
# not churn.

import argparse
import math
import os
import struct
import sys
import zlib

# ---------------------------------------------------------------------------
# Colour helpers.  Colours are (r, g, b) tuples of floats on a 0..255 scale.
# ---------------------------------------------------------------------------

WHITE = (255.0, 255.0, 255.0)


def clamp(v, lo=0.0, hi=255.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    """Linear blend from colour a (t=0) to colour b (t=1)."""
    return (a[0] + (b[0] - a[0]) * t,
            a[1] + (b[1] - a[1]) * t,
            a[2] + (b[2] - a[2]) * t)


def shade(c, k):
    """k < 1 darkens towards black, k > 1 lightens towards white."""
    if k <= 1.0:
        k = max(k, 0.0)
        return (c[0] * k, c[1] * k, c[2] * k)
    return mix(c, WHITE, min(k - 1.0, 1.0))


def hexcol(h):
    return (float(int(h[0:2], 16)), float(int(h[2:4], 16)), float(int(h[4:6], 16)))


# 4x4 ordered-dither thresholds; 5-bit channels band visibly on the smooth
# gradients of the tiles and title without it.
BAYER4 = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]

KEY555 = 0x03E0      # pure green in X1R5G5B5: the transparent colour of the sheets


def to555(c, x=0, y=0, dither=False):
    """Packs a colour into X1R5G5B5 (bit 15 clear)."""
    out = []
    for v in c:
        f = clamp(v) * 31.0 / 255.0
        if dither:
            f += (BAYER4[y & 3][x & 3] + 0.5) / 16.0 - 0.5
        out.append(int(clamp(math.floor(f + 0.5), 0, 31)))
    return (out[0] << 10) | (out[1] << 5) | out[2]


def from555(v):
    return tuple(((v >> s) & 31) * 255.0 / 31.0 for s in (10, 5, 0))


# ---------------------------------------------------------------------------
# Shapes as signed distance fields: sd(x, y) < 0 inside, roughly the distance
# to the edge in pixels.  Distances make outlines, insets and bevels one-liners.
# ---------------------------------------------------------------------------

class Shape:
    def sd(self, x, y):
        raise NotImplementedError

    def inside(self, x, y):
        return self.sd(x, y) < 0.0


class Circle(Shape):
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r = cx, cy, r

    def sd(self, x, y):
        return math.hypot(x - self.cx, y - self.cy) - self.r


class Ellipse(Shape):
    def __init__(self, cx, cy, rx, ry, angle=0.0):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, ry
        self.ca, self.sa = math.cos(math.radians(angle)), math.sin(math.radians(angle))

    def local(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        return dx * self.ca + dy * self.sa, -dx * self.sa + dy * self.ca

    def sd(self, x, y):
        u, v = self.local(x, y)
        k = math.hypot(u / self.rx, v / self.ry)
        if k < 1e-9:
            return -min(self.rx, self.ry)
        g = math.hypot(u / (self.rx * self.rx), v / (self.ry * self.ry)) / k
        return (k - 1.0) / g


def _seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    l2 = dx * dx + dy * dy
    t = 0.0 if l2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / l2))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


class Polygon(Shape):
    # Far from the outline the exact distance does not matter, only the sign,
    # so beyond this margin outside the bounding box a cheap lower bound is used.
    FAR = 6.0

    def __init__(self, pts):
        self.pts = [(float(a), float(b)) for a, b in pts]
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        self.box = (min(xs), min(ys), max(xs), max(ys))
        self.segs = []
        for i in range(len(self.pts)):
            ax, ay = self.pts[i - 1]
            bx, by = self.pts[i]
            dx, dy = bx - ax, by - ay
            l2 = dx * dx + dy * dy
            self.segs.append((ax, ay, bx, by, dx, dy, 1.0 / l2 if l2 else 0.0))

    def sd(self, x, y):
        x0, y0, x1, y1 = self.box
        ox = x0 - x if x < x0 else x - x1 if x > x1 else 0.0
        oy = y0 - y if y < y0 else y - y1 if y > y1 else 0.0
        if ox > self.FAR or oy > self.FAR:
            return max(ox, oy)
        best = 1e18
        inside = False
        for ax, ay, bx, by, dx, dy, il2 in self.segs:
            if (ay > y) != (by > y):
                if x < (bx - ax) * (y - ay) / (by - ay) + ax:
                    inside = not inside
            t = ((x - ax) * dx + (y - ay) * dy) * il2
            if t < 0.0:
                t = 0.0
            elif t > 1.0:
                t = 1.0
            ex = x - ax - t * dx
            ey = y - ay - t * dy
            d = ex * ex + ey * ey
            if d < best:
                best = d
        best = math.sqrt(best)
        return -best if inside else best


class Stroke(Shape):
    """A polyline drawn with a round pen of the given width."""

    def __init__(self, pts, width):
        self.pts = [(float(a), float(b)) for a, b in pts]
        self.half = width / 2.0
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        self.box = (min(xs) - self.half, min(ys) - self.half, max(xs) + self.half, max(ys) + self.half)

    def sd(self, x, y):
        x0, y0, x1, y1 = self.box
        ox = x0 - x if x < x0 else x - x1 if x > x1 else 0.0
        oy = y0 - y if y < y0 else y - y1 if y > y1 else 0.0
        if ox > Polygon.FAR or oy > Polygon.FAR:
            return max(ox, oy)
        pts = self.pts
        if len(pts) == 1:
            return math.hypot(x - pts[0][0], y - pts[0][1]) - self.half
        return min(_seg_dist(x, y, *pts[i], *pts[i + 1])
                   for i in range(len(pts) - 1)) - self.half


class Union(Shape):
    def __init__(self, *parts):
        self.parts = parts

    def sd(self, x, y):
        return min(p.sd(x, y) for p in self.parts)


class SmoothUnion(Shape):
    """Union that fillets the joint, for organic outlines like the pear."""

    def __init__(self, a, b, k):
        self.a, self.b, self.k = a, b, k

    def sd(self, x, y):
        d1, d2 = self.a.sd(x, y), self.b.sd(x, y)
        h = max(0.0, min(1.0, 0.5 + 0.5 * (d2 - d1) / self.k))
        return d2 + (d1 - d2) * h - self.k * h * (1.0 - h)


class Intersect(Shape):
    def __init__(self, *parts):
        self.parts = parts

    def sd(self, x, y):
        return max(p.sd(x, y) for p in self.parts)


class Subtract(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b

    def sd(self, x, y):
        return max(self.a.sd(x, y), -self.b.sd(x, y))


class Offset(Shape):
    """Grows (d > 0) or shrinks (d < 0) a shape by d pixels."""

    def __init__(self, shape, d):
        self.shape, self.d = shape, d

    def sd(self, x, y):
        return self.shape.sd(x, y) - self.d


class Moved(Shape):
    def __init__(self, shape, dx, dy):
        self.shape, self.dx, self.dy = shape, dx, dy

    def sd(self, x, y):
        return self.shape.sd(x - self.dx, y - self.dy)


class HalfPlane(Shape):
    """Inside where (x, y) lies on the side of the line the normal points away from."""

    def __init__(self, px, py, nx, ny):
        n = math.hypot(nx, ny)
        self.px, self.py, self.nx, self.ny = px, py, nx / n, ny / n

    def sd(self, x, y):
        return (x - self.px) * self.nx + (y - self.py) * self.ny


# Point-list builders --------------------------------------------------------

def regular_points(cx, cy, r, n, rot_deg=-90.0, sx=1.0, sy=1.0):
    out = []
    for i in range(n):
        a = math.radians(rot_deg + 360.0 * i / n)
        out.append((cx + r * sx * math.cos(a), cy + r * sy * math.sin(a)))
    return out


def star_points(cx, cy, r_out, r_in, n, rot_deg=-90.0):
    out = []
    for i in range(2 * n):
        r = r_out if i % 2 == 0 else r_in
        a = math.radians(rot_deg + 180.0 * i / n)
        out.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return out


def heart_points(cx, cy, size, steps=48):
    """The classic sin^3 heart, fitted into a size x size box centred on (cx, cy)."""
    raw = []
    for i in range(steps):
        t = 2.0 * math.pi * i / steps
        x = 16.0 * math.sin(t) ** 3
        y = -(13.0 * math.cos(t) - 5.0 * math.cos(2 * t) - 2.0 * math.cos(3 * t) - math.cos(4 * t))
        raw.append((x, y))
    # fit the full curve, not this sampling of it, so every step count agrees
    fine = [(16.0 * math.sin(t) ** 3,
             -(13.0 * math.cos(t) - 5.0 * math.cos(2 * t) - 2.0 * math.cos(3 * t) - math.cos(4 * t)))
            for t in [2.0 * math.pi * i / 720 for i in range(720)]]
    x0 = min(p[0] for p in fine)
    x1 = max(p[0] for p in fine)
    y0 = min(p[1] for p in fine)
    y1 = max(p[1] for p in fine)
    k = size / max(x1 - x0, y1 - y0)
    mx, my = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    return [(cx + (x - mx) * k, cy + (y - my) * k) for x, y in raw]


def rounded_path(corners, radius, closed=False, steps=6):
    """Polyline through `corners`, with every inner corner rounded off.

    `radius` may be one number or a list with one entry per corner."""
    n = len(corners)
    radii = radius if isinstance(radius, (list, tuple)) else [radius] * n
    out = []
    for i in range(n):
        p = corners[i]
        is_end = not closed and (i == 0 or i == n - 1)
        r = radii[i]
        if is_end or r <= 0:
            out.append(p)
            continue
        a = corners[i - 1]
        b = corners[(i + 1) % n]
        la = math.hypot(a[0] - p[0], a[1] - p[1])
        lb = math.hypot(b[0] - p[0], b[1] - p[1])
        ra = min(r, la / 2.0)
        rb = min(r, lb / 2.0)
        s = (p[0] + (a[0] - p[0]) * ra / la, p[1] + (a[1] - p[1]) * ra / la)
        e = (p[0] + (b[0] - p[0]) * rb / lb, p[1] + (b[1] - p[1]) * rb / lb)
        for k in range(steps + 1):
            t = k / steps
            u = 1.0 - t
            out.append((u * u * s[0] + 2 * u * t * p[0] + t * t * e[0],
                        u * u * s[1] + 2 * u * t * p[1] + t * t * e[1]))
    if closed:
        out.append(out[0])
    return out


def rounded_rect(x0, y0, x1, y1, r):
    corners = [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]
    return Polygon(rounded_path(corners, r, closed=True, steps=8)[:-1])


# ---------------------------------------------------------------------------
# Scenes and the supersampling rasteriser.
# ---------------------------------------------------------------------------

class Scene:
    """Stack of (shape, fill) layers; later layers paint over earlier ones.

    A fill is a colour or a function (x, y) -> colour, so gradients and
    lighting are just fills."""

    def __init__(self, background=None):
        self.layers = []
        self.background = background

    def add(self, shape, fill):
        self.layers.append((shape, fill))
        return self

    def __call__(self, x, y):
        for shape, fill in reversed(self.layers):
            if shape.sd(x, y) < 0.0:
                return fill(x, y) if callable(fill) else fill
        bg = self.background
        if bg is None:
            return None
        return bg(x, y) if callable(bg) else bg


def render(paint, w, h, ss=4, scale=1.0, ox=0.0, oy=0.0):
    """Samples `paint` ss*ss times per pixel.

    Returns rows of (colour, coverage): colour is the mean of the covered
    samples (None when nothing was covered), coverage the covered fraction.
    `scale` maps output pixels to paint units, for drawing one design at
    several sizes."""
    rows = []
    offs = [(i + 0.5) / ss for i in range(ss)]
    n = float(ss * ss)
    for py in range(h):
        row = []
        for px in range(w):
            r = g = b = 0.0
            hit = 0
            for sy in offs:
                y = (py + sy) * scale + oy
                for sx in offs:
                    c = paint((px + sx) * scale + ox, y)
                    if c is not None:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        hit += 1
            if hit:
                row.append(((r / hit, g / hit, b / hit), hit / n))
            else:
                row.append((None, 0.0))
        rows.append(row)
    return rows


# Fills -----------------------------------------------------------------------

def vgradient(y0, c0, y1, c1):
    def f(x, y):
        t = clamp((y - y0) / (y1 - y0), 0.0, 1.0)
        return mix(c0, c1, t)
    return f


def vgradient3(y0, c0, y1, c1, y2, c2):
    def f(x, y):
        if y < y1:
            return mix(c0, c1, clamp((y - y0) / (y1 - y0), 0.0, 1.0))
        return mix(c1, c2, clamp((y - y1) / (y2 - y1), 0.0, 1.0))
    return f


LIGHT3 = (-0.45, -0.62, 0.64)       # light from the upper left, towards the viewer


def _norm3(v):
    n = math.sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2])
    return (v[0] / n, v[1] / n, v[2] / n)


def sphere_fill(base, cx, cy, rx, ry=None, angle=0.0, ambient=0.42, diffuse=0.75,
                gloss=0.55, shininess=18.0, rim=(0, 0, 0)):
    """Lit ellipsoid: fruit bodies, berries, glossy orbs."""
    ry = rx if ry is None else ry
    ca, sa = math.cos(math.radians(angle)), math.sin(math.radians(angle))
    L = _norm3(LIGHT3)
    H = _norm3((L[0], L[1], L[2] + 1.0))

    def f(x, y):
        dx, dy = x - cx, y - cy
        u = (dx * ca + dy * sa) / rx
        v = (-dx * sa + dy * ca) / ry
        q = u * u + v * v
        if q > 0.999:
            q = 0.999
            k = math.sqrt(q / (u * u + v * v))
            u, v = u * k, v * k
        nz = math.sqrt(1.0 - q)
        # back to screen orientation for the light
        nx = u * ca - v * sa
        ny = u * sa + v * ca
        d = max(0.0, nx * L[0] + ny * L[1] + nz * L[2])
        s = max(0.0, nx * H[0] + ny * H[1] + nz * H[2]) ** shininess * gloss
        k = ambient + diffuse * d
        c = (base[0] * k, base[1] * k, base[2] * k)
        c = mix(c, rim, (1.0 - nz) ** 3 * 0.25)
        return mix(c, WHITE, min(1.0, s))
    return f


def flat_gloss_fill(base, top, bottom):
    """Vertical light-to-dark ramp of one hue: the flat 'sticker' look."""
    light = shade(base, 1.22)
    dark = shade(base, 0.80)
    return vgradient3(top, light, (top + bottom) / 2.0, base, bottom, dark)


# ---------------------------------------------------------------------------
# Faceted gems.  The outline is split into sectors around a centre; each
# sector has a flat table facet and two crown facets lit by their slope.
# ---------------------------------------------------------------------------

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


# ---------------------------------------------------------------------------
# Tile skins.  Kind k keeps its hue and, where the theme allows, its outline
# family across skins: 0 round/red, 1 square/orange, 2 diamond/yellow,
# 3 triangle/green, 4 blue, 5 star/purple, 6 heart/pink.
# ---------------------------------------------------------------------------

CELL = 34
C = 17.0  # cell centre

HUES = {
    'red': hexcol('e8283a'),
    'orange': hexcol('ff8a1c'),
    'yellow': hexcol('ffd21e'),
    'green': hexcol('2cba4a'),
    'blue': hexcol('2a6eea'),
    'purple': hexcol('a048dc'),
    'pink': hexcol('ff6eb4'),
}


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


def sticker(scene, shape, base, outline=2.0, box=(3, 3, 31, 31)):
    """Flat symbol with a dark keyline and a glossy upper highlight."""
    x0, y0, x1, y1 = box
    scene.add(shape, shade(base, 0.28))
    body = Offset(shape, -outline)
    scene.add(body, flat_gloss_fill(base, y0, y1))
    hl = Intersect(Offset(shape, -outline - 1.6),
                   Circle((x0 + x1) / 2.0 - 2.0, y0 - 16.0, 28.0))
    scene.add(hl, mix(shade(base, 1.35), WHITE, 0.25))
    return scene


def skin_symbols():
    out = []
    s = Scene()
    sticker(s, Circle(C, C, 14.6), HUES['red'])
    out.append(s)
    s = Scene()
    sticker(s, rounded_rect(4, 4, 30, 30, 4.5), HUES['orange'])
    out.append(s)
    s = Scene()
    moon = Subtract(Circle(16.0, C, 14.6), Circle(24.5, 12.0, 11.4))
    sticker(s, moon, HUES['yellow'])
    out.append(s)
    s = Scene()
    tri = rounded_path([(17, 2.5), (32, 29.5), (2, 29.5)], 3.0, closed=True, steps=4)[:-1]
    sticker(s, Polygon(tri), HUES['green'])
    out.append(s)
    s = Scene()
    plus = Union(rounded_rect(12, 3, 22, 31, 2.5), rounded_rect(3, 12, 31, 22, 2.5))
    sticker(s, plus, HUES['blue'])
    out.append(s)
    s = Scene()
    st = rounded_path(star_points(C, 18.3, 16.4, 7.2, 5), 1.2, closed=True, steps=3)[:-1]
    sticker(s, Polygon(st), HUES['purple'])
    out.append(s)
    s = Scene()
    sticker(s, Polygon(heart_points(C, 17.3, 29.5, 64)), HUES['pink'])
    out.append(s)
    return out


HC_INK = hexcol('101010')
HC_YEL = hexcol('ffd800')
HC_WHT = hexcol('ffffff')


def skin_contrast():
    out = []
    ink = HC_INK

    def bold(shape, fill, line=3.0):
        s = Scene()
        s.add(shape, ink)
        if fill is not None:
            s.add(Offset(shape, -line), fill)
        return s

    # 0: yellow disc
    out.append(bold(Circle(C, C, 14.8), HC_YEL))
    # 1: black square with a white inner frame
    s = bold(rounded_rect(3.5, 3.5, 30.5, 30.5, 2.5), None)
    s.add(Subtract(rounded_rect(8, 8, 26, 26, 1.0), rounded_rect(11, 11, 23, 23, 0.5)), HC_WHT)
    out.append(s)
    # 2: white diamond with a black centre
    s = bold(Polygon([(17, 1.5), (32, 17), (17, 32.5), (2, 17)]), HC_WHT)
    s.add(Polygon([(17, 12), (22, 17), (17, 22), (12, 17)]), ink)
    out.append(s)
    # 3: solid black triangle
    tri = rounded_path([(17, 2.5), (32.5, 30), (1.5, 30)], 1.5, closed=True, steps=3)[:-1]
    out.append(bold(Polygon(tri), None))
    # 4: yellow plus
    plus = Union(rounded_rect(11.5, 2.5, 22.5, 31.5, 1.5), rounded_rect(2.5, 11.5, 31.5, 22.5, 1.5))
    out.append(bold(plus, HC_YEL))
    # 5: white star
    out.append(bold(Polygon(star_points(C, 18.6, 17.2, 7.6, 5)), HC_WHT, 2.6))
    # 6: black heart with a yellow heart inside
    hp = Polygon(heart_points(C, 17.3, 30.0, 64))
    s = bold(hp, None)
    s.add(Polygon(heart_points(C, 16.6, 12.5, 48)), HC_YEL)
    out.append(s)
    return out


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


# (builder, dither): the shaded skins dither their gradients into 5 bits; the
# flat high-contrast one must stay clean solid ink.
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


# ---------------------------------------------------------------------------
# Side-panel pattern.  Period 5 in x and y so that the 5x5 swatch tiles the
# panel seamlessly, and the menu sheet (drawn at a multiple of 5) continues it.
# ---------------------------------------------------------------------------

PANEL_BASE = (3, 4, 7)       # 5-bit channels
PANEL_STRIPE = (5, 7, 10)
PANEL_EDGE = (4, 5, 8)


def panel555(x, y):
    m = (x + y) % 5
    c = PANEL_STRIPE if m in (0, 1) else PANEL_EDGE if m == 2 else PANEL_BASE
    return (c[0] << 10) | (c[1] << 5) | c[2]


def panel_rgb(x, y):
    return from555(panel555(int(math.floor(x)), int(math.floor(y))))


# ---------------------------------------------------------------------------
# Pixel fonts.  Glyphs are drawn by hand on a grid; '#' is ink.
# ---------------------------------------------------------------------------

FONT5x7 = {
    'A': [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    'B': ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    'C': [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    'D': ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    'E': ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    'F': ["#####", "#....", "#....", "####.", "#....", "#....", "#...."],
    'G': [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"],
    'H': ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    'I': ["###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"],
    'J': ["..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."],
    'K': ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    'L': ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    'M': ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    'N': ["#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"],
    'O': [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    'P': ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    'Q': [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"],
    'R': ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    'S': [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    'T': ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    'U': ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    'V': ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    'W': ["#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"],
    'X': ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"],
    'Y': ["#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."],
    'Z': ["#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"],
    '0': [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."],
    '1': ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    '2': [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    '3': ["#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."],
    '4': ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
    '5': ["#####", "#....", "####.", "....#", "....#", "#...#", ".###."],
    '6': ["..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."],
    '7': ["#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."],
    '8': [".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."],
    '9': [".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."],
    ' ': ["...", "...", "...", "...", "...", "...", "..."],
}

# Score digits: 6x11 with two-pixel strokes, so they stay solid once the
# dark keyline goes round them.
DIGITS6x11 = [
    [".####.", "##..##", "##..##", "##..##", "##..##", "##..##", "##..##", "##..##", "##..##", "##..##", ".####."],
    ["..##..", ".###..", "####..", "..##..", "..##..", "..##..", "..##..", "..##..", "..##..", "..##..", "######"],
    [".####.", "##..##", "....##", "....##", "...##.", "..##..", ".##...", "##....", "##....", "##....", "######"],
    [".####.", "##..##", "....##", "....##", "..###.", "....##", "....##", "....##", "....##", "##..##", ".####."],
    ["##..##", "##..##", "##..##", "##..##", "##..##", "##..##", "######", "....##", "....##", "....##", "....##"],
    ["######", "##....", "##....", "##....", "#####.", "....##", "....##", "....##", "....##", "##..##", ".####."],
    ["..###.", ".##...", "##....", "##....", "#####.", "##..##", "##..##", "##..##", "##..##", "##..##", ".####."],
    ["######", "....##", "....##", "...##.", "...##.", "..##..", "..##..", "..##..", ".##...", ".##...", ".##..."],
    [".####.", "##..##", "##..##", "##..##", ".####.", "##..##", "##..##", "##..##", "##..##", "##..##", ".####."],
    [".####.", "##..##", "##..##", "##..##", "##..##", ".#####", "....##", "....##", "....##", "...##.", ".###.."],
]


def text_mask(text, font=FONT5x7, gap=1):
    """Set of (x, y) ink pixels for `text`, and its width."""
    ink = set()
    x = 0
    for ch in text:
        g = font[ch]
        for gy, row in enumerate(g):
            for gx, c in enumerate(row):
                if c == '#':
                    ink.add((x + gx, gy))
        x += len(g[0]) + gap
    return ink, x - gap


def dilate(ink, diagonal=True):
    out = set()
    steps = [(dx, dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1)
             if (dx or dy) and (diagonal or not (dx and dy))]
    for x, y in ink:
        for dx, dy in steps:
            if (x + dx, y + dy) not in ink:
                out.add((x + dx, y + dy))
    return out


# ---------------------------------------------------------------------------
# Stroke font for the title logo: each letter is a few pen paths in a unit box.
# ---------------------------------------------------------------------------

LOGO_LETTERS = {
    'S': ([[(1, 0), (0, 0), (0, 0.5), (1, 0.5), (1, 1), (0, 1)]], 0.42),
    'E': ([[(1, 0), (0, 0), (0, 1), (1, 1)], [(0, 0.5), (0.78, 0.5)]], 0.0),
    'V': ([[(0, 0), (0.5, 1), (1, 0)]], 0.0),
    'N': ([[(0, 1), (0, 0), (1, 1), (1, 0)]], 0.0),
    'F': ([[(1, 0), (0, 0), (0, 1)], [(0, 0.5), (0.78, 0.5)]], 0.0),
    'O': ([[(0, 0), (1, 0), (1, 1), (0, 1), (0, 0), (1, 0)]], 0.5),
    'L': ([[(0, 0), (0, 1), (1, 1)]], 0.0),
    'D': ([[(0, 1), (0, 0), (0.55, 0), (1, 0), (1, 1), (0.55, 1), (0, 1), (0, 0)]], None),
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


# ---------------------------------------------------------------------------
# Picture builders.  Each returns a function (x, y) -> raw pixel (or RGB bytes).
# ---------------------------------------------------------------------------

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


def seven_star(cx, cy, r_out, r_in):
    return star_points(cx, cy, r_out, r_in, 7)


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


# ---------------------------------------------------------------------------
# File writers.
# ---------------------------------------------------------------------------

def bmp_bytes(w, h, bpp, px, tail=0):
    """Uncompressed bottom-up BMP, 54-byte header, optional zero tail."""
    bpr = w * bpp // 8
    stride = (bpr + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            v = px[y][x]
            if bpp == 16:
                row += struct.pack('<H', v)
            elif bpp == 24:
                row += bytes((v[2], v[1], v[0]))
            else:
                row += bytes((v[2], v[1], v[0], 0))
        row += b'\0' * (stride - bpr)
        data += row
    data += b'\0' * tail
    size = 54 + len(data)
    head = struct.pack('<2sIHHI', b'BM', size, 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bpp, 0, len(data), 2835, 2835, 0, 0)
    return head + info + bytes(data)


def png_bytes(w, h, px):
    raw = bytearray()
    for row in px:
        raw.append(0)
        for p in row:
            raw += bytes(p)

    def chunk(tag, body):
        return struct.pack('>I', len(body)) + tag + body + struct.pack('>I', zlib.crc32(tag + body) & 0xFFFFFFFF)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


# ---------------------------------------------------------------------------
# Sound synthesis.
# ---------------------------------------------------------------------------

SOFTWARE = "Sevenfold asset generator"


def info_chunk(fields):
    body = b'INFO'
    for tag, text in fields:
        t = text.encode('ascii') + b'\0'
        body += tag + struct.pack('<I', len(t)) + t + (b'\0' if len(t) & 1 else b'')
    return b'LIST' + struct.pack('<I', len(body)) + body


def junk_chunk(total):
    return b'JUNK' + struct.pack('<I', total - 8) + b'\0' * (total - 8)


def fact_chunk(n):
    return b'fact' + struct.pack('<II', 4, n)


def extra_chunk_options(name, n, room):
    """Extra RIFF chunks, in order of preference, that fill exactly `room` bytes."""
    opts = []
    for fields in ([(b'INAM', name), (b'ISFT', SOFTWARE)], [(b'ISFT', SOFTWARE)]):
        info = info_chunk(fields)
        rest = room - len(info)
        if rest == 0:
            opts.append(info)
        elif rest >= 8:
            opts.append(info + junk_chunk(rest))
    if room == 12:
        opts.append(fact_chunk(n))
    elif room >= 20:
        opts.append(fact_chunk(n) + junk_chunk(room - 12))
    return opts


def wav_layout(total, rate, width, seconds, name):
    """Chooses a sample count that rounds to `seconds` (to the millisecond)
    and extra chunks that bring the file to exactly `total` bytes."""
    nominal = seconds * rate
    lo = math.ceil((seconds - 0.0005) * rate)
    hi = math.floor((seconds + 0.0005) * rate - 1e-9)
    counts = sorted(range(lo, hi + 1), key=lambda n: (abs(n - nominal), n))
    best = None
    for n in counts:
        if round(n / rate, 3) != round(seconds, 3):
            continue
        data = n * width
        room = total - 12 - 24 - 8 - data - (data & 1)
        if room < 0:
            continue
        for rank, extra in enumerate(extra_chunk_options(name, n, room)):
            key = (rank, abs(n - nominal))
            if best is None or key < best[0]:
                best = (key, n, extra)
            break
    if best is None:
        raise SystemExit("no chunk layout fits %s" % name)
    return best[1], best[2]


def wav_bytes(samples, rate, width, extra):
    n = len(samples)
    if width == 2:
        data = b''.join(struct.pack('<h', v) for v in samples)
    else:
        data = bytes(samples)
    fmt = struct.pack('<4sIHHIIHH', b'fmt ', 16, 1, 1, rate, rate * width, width, 8 * width)
    body = fmt + extra + b'data' + struct.pack('<I', len(data)) + data + (b'\0' if len(data) & 1 else b'')
    assert len(data) == n * width
    return b'RIFF' + struct.pack('<I', 4 + len(body)) + b'WAVE' + body


def envelope(i, n, attack, release):
    """Raised-cosine fade in and out, exactly zero at both ends."""
    if i <= 0 or i >= n - 1:
        return 0.0
    e = 1.0
    if i < attack:
        e *= 0.5 - 0.5 * math.cos(math.pi * i / attack)
    if n - 1 - i < release:
        e *= 0.5 - 0.5 * math.cos(math.pi * (n - 1 - i) / release)
    return e


def quantise(signal, width):
    if width == 2:
        return [int(round(clamp(v, -1.0, 1.0) * 32767)) for v in signal]
    return [int(round(128 + clamp(v, -1.0, 1.0) * 127)) for v in signal]


def note_env(t, start, attack, decay, stop=None, release=0.006):
    """Envelope of one note: raised-cosine attack, exponential decay and an
    optional raised-cosine cut-off ending at `stop`; zero outside."""
    lt = t - start
    if lt <= 0.0:
        return 0.0
    e = math.exp(-lt * decay)
    if lt < attack:
        e *= 0.5 - 0.5 * math.cos(math.pi * lt / attack)
    if stop is not None:
        left = stop - t
        if left <= 0.0:
            return 0.0
        if left < release:
            e *= 0.5 - 0.5 * math.cos(math.pi * left / release)
    return e


def synth_select(n, rate):
    """Rising two-note blip, bright but round: the tile is picked up."""
    out = []
    for i in range(n):
        t = i / rate
        # G5 leaning slightly upwards, handing over to D6; the notes overlap
        # and each has its own envelope, so the change carries no click
        p1 = 2 * math.pi * 784.0 * (t + 0.125 * t * t)
        a1 = note_env(t, 0.0, 0.004, 10.0, stop=0.056, release=0.010)
        p2 = 2 * math.pi * 1175.0 * t
        a2 = note_env(t, 0.046, 0.008, 13.0)
        v = 0.85 * a1 * (math.sin(p1) + 0.25 * math.sin(2 * p1) + 0.08 * math.sin(3 * p1))
        v += a2 * (math.sin(p2) + 0.25 * math.sin(2 * p2) + 0.08 * math.sin(3 * p2))
        out.append(0.40 * v * envelope(i, n, int(0.002 * rate), int(0.030 * rate)))
    return out


def synth_erase(n, rate):
    """A quick shimmering arpeggio over a soft pop: the run is gone."""
    notes = [1047.0, 1319.0, 1568.0, 2093.0]        # C6 E6 G6 C7
    gap = 0.017
    out = []
    for i in range(n):
        t = i / rate
        v = 0.0
        for k, f in enumerate(notes):
            a = note_env(t, k * gap, 0.003, 26.0)
            if a:
                lt = t - k * gap
                # a small bell: fundamental, octave and a faint inharmonic
                # partial, all well below the Nyquist limit
                v += a * (math.sin(2 * math.pi * f * lt) + 0.30 * math.sin(2 * math.pi * 2.0 * f * lt)
                          + 0.12 * math.sin(2 * math.pi * 2.76 * f * lt))
        # the pop: a short low thump with a falling pitch
        pop = math.exp(-t * 80.0) * math.sin(2 * math.pi * (300.0 * t - 700.0 * t * t))
        out.append((0.30 * v + 0.32 * pop) * envelope(i, n, int(0.002 * rate), int(0.020 * rate)))
    return out


def synth_un(n, rate):
    """A low bloop that falls away: the lift is cancelled."""
    out = []
    ph = 0.0
    dur = n / rate
    for i in range(n):
        t = i / rate
        f = 560.0 * (170.0 / 560.0) ** (t / dur)
        ph += 2 * math.pi * f / rate
        v = math.sin(ph) + 0.18 * math.sin(2 * ph)
        out.append(0.62 * v * envelope(i, n, int(0.005 * rate), int(0.030 * rate)))
    return out


def synth_move(n, rate):
    """A soft wooden tick; it repeats with every cursor step, so it stays mild."""
    out = []
    ph = 0.0
    for i in range(n):
        t = i / rate
        f = 1250.0 - 500.0 * min(1.0, t / 0.02)
        ph += 2 * math.pi * f / rate
        a = math.exp(-t * 140.0)
        v = math.sin(ph) + 0.2 * math.sin(0.5 * ph)
        out.append(0.34 * a * v * envelope(i, n, int(0.0015 * rate), int(0.012 * rate)))
    return out


SOUNDS = [
    # file, total bytes, rate, bytes per sample, seconds, synth
    ('select.wav', 7062, 22050, 2, 0.159, synth_select),
    ('erase.wav', 3414, 22050, 1, 0.128, synth_erase),
    ('un.wav', 944, 11025, 1, 0.081, synth_un),
    ('move.wav', 1092, 22050, 1, 0.039, synth_move),
]


def build_sound(name, total, rate, width, seconds, synth):
    n, extra = wav_layout(total, rate, width, seconds, name.split('.')[0])
    return wav_bytes(quantise(synth(n, rate), width), rate, width, extra)


# ---------------------------------------------------------------------------
# Self-check: read every file back and hold it to the formats the game loads.
# ---------------------------------------------------------------------------

BMP_FORMATS = {
    'digit.bmp': (100, 13, 32, 5256),
    'wexa.bmp': (50, 10, 24, 1576),
    'menu.bmp': (160, 80, 16, 25656),
    'image.bmp': (141, 34, 16, 9712),
    'title.bmp': (80, 40, 16, 6456),
}


class BadFile(Exception):
    pass


def need(ok, what):
    if not ok:
        raise BadFile(what)


def read_bmp(blob):
    """Decodes the uncompressed, palette-free BMPs written here."""
    need(len(blob) >= 54, "shorter than a BMP header")
    magic, size, _, _, off = struct.unpack_from('<2sIHHI', blob, 0)
    (hsize, w, h, planes, bpp, comp, isize, _, _, ncol, _) = struct.unpack_from('<IiiHHIIiiII', blob, 14)
    need(magic == b'BM' and off == 54 and hsize == 40, "not a 54-byte-header BMP")
    need(planes == 1 and comp == 0 and ncol == 0 and bpp in (16, 24, 32), "unexpected BMP format")
    need(size == len(blob), "bfSize %d but the file has %d bytes" % (size, len(blob)))
    need(isize == len(blob) - 54, "biSizeImage %d does not cover the pixel data" % isize)
    stride = (w * bpp // 8 + 3) & ~3
    need(54 + stride * h <= len(blob), "pixel rows run past the end")
    px = []
    for y in range(h):
        base = 54 + (h - 1 - y) * stride
        row = []
        for x in range(w):
            if bpp == 16:
                row.append(struct.unpack_from('<H', blob, base + 2 * x)[0])
            elif bpp == 24:
                b, g, r = blob[base + 3 * x: base + 3 * x + 3]
                row.append((r, g, b))
            else:
                b, g, r, xx = blob[base + 4 * x: base + 4 * x + 4]
                need(xx == 0, "32-bit pixel with a non-zero fourth byte")
                row.append((r, g, b))
        px.append(row)
    return w, h, bpp, px


def read_wav(blob):
    """Splits a RIFF WAVE file into its chunks, holding it to the RIFF rules."""
    need(len(blob) >= 12 and blob[:4] == b'RIFF' and blob[8:12] == b'WAVE', "not a RIFF WAVE file")
    need(struct.unpack_from('<I', blob, 4)[0] == len(blob) - 8, "RIFF size does not match the file")
    pos, chunks = 12, {}
    order = []
    while pos < len(blob):
        need(pos + 8 <= len(blob), "truncated chunk header")
        tag, size = struct.unpack_from('<4sI', blob, pos)
        chunks[tag] = blob[pos + 8: pos + 8 + size]
        order.append(tag)
        pos += 8 + size + (size & 1)
    need(pos == len(blob), "chunks overrun the file")
    return order, chunks


def perimeter_walk(n):
    """Outer-ring pixels of an n x n cell, clockwise from the top-left corner."""
    walk = [(x, 0) for x in range(n)]
    walk += [(n - 1, y) for y in range(1, n)]
    walk += [(x, n - 1) for x in range(n - 2, -1, -1)]
    walk += [(0, y) for y in range(n - 2, 0, -1)]
    return walk


def luminance(c):
    return 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]


def verify(out):
    """Reads every written file back and checks it against what the game loads."""
    problems = []

    def check(ok, what):
        if not ok:
            problems.append(what)

    current = [None]

    def load(name):
        current[0] = name
        with open(os.path.join(out, name), 'rb') as fh:
            return fh.read()

    try:
        verify_files(out, check, load)
    except BadFile as e:
        problems.append("%s: %s" % (current[0], e))
    if problems:
        for p in problems[:40]:
            print("check failed:", p, file=sys.stderr)
        raise SystemExit(1)


def verify_files(out, check, load):

    sheets = {}
    for name, (w, h, bpp, size) in BMP_FORMATS.items():
        blob = load(name)
        check(len(blob) == size, "%s is %d bytes, wants %d" % (name, len(blob), size))
        bw, bh, bb, px = read_bmp(blob)
        check((bw, bh, bb) == (w, h, bpp), "%s is %dx%d@%d" % (name, bw, bh, bb))
        check(blob[-2:] == b'\0\0', "%s tail not zero" % name)
        if bpp == 16:
            check(all(v < 0x8000 for row in px for v in row), "%s sets bit 15" % name)
        sheets[name] = px

    title = sheets['title.bmp']
    check(all(v != KEY555 for row in title for v in row), "title uses the key colour")
    check(len({v for row in title for v in row}) > 40, "title looks flat")

    # cursor sheet: ring of red/yellow dashes, green inside, then the swatch
    image = sheets['image.bmp']
    for f in range(4):
        for y in range(34):
            for x in range(34):
                v = image[y][34 * f + x]
                ring = min(x, y, 33 - x, 33 - y) < CURSOR_RING
                check((v in (CURSOR_RED, CURSOR_YELLOW)) if ring else v == KEY555,
                      "cursor frame %d pixel %d,%d" % (f, x, y))
    walk = perimeter_walk(34)
    seqs = [[image[y][34 * f + x] for x, y in walk] for f in range(4)]
    for f in range(4):
        nxt = seqs[(f + 1) % 4]
        shifts = [k for k in range(1, len(walk)) if nxt == seqs[f][-k:] + seqs[f][:-k]]
        check(bool(shifts) and min(shifts) <= 6,
              "cursor frame %d does not step forward into %d" % (f, (f + 1) % 4))
        edges = sum(1 for i in range(len(walk)) if seqs[f][i] != seqs[f][i - 1])
        check(edges >= 8, "cursor frame %d has only %d dash edges" % (f, edges))
    check(len({tuple(q) for q in seqs}) == 4, "cursor frames repeat within the cycle")
    swatch = [image[y][136:141] for y in range(5)]
    check(all(v != KEY555 for row in swatch for v in row), "swatch uses the key")
    check(len({v for row in swatch for v in row}) >= 2, "swatch has no stripes")
    check(all(luminance(from555(v)) < 70 for row in swatch for v in row), "swatch too bright for a panel")
    check(all(image[y][136 + x] == KEY555 for y in range(5, 34) for x in range(5)),
          "strip under the swatch is not keyed")

    # menu: opaque, and where no label is, the swatch tiled as on screen
    menu = sheets['menu.bmp']
    check(all(v != 0xFF00 for row in menu for v in row), "menu hits its colour key")
    for y in [20 * i + r for i in range(4) for r in (0, 1, 18, 19)]:
        for x in range(160):
            check(menu[y][x] == swatch[(y + 150) % 5][x % 5],
                  "menu pixel %d,%d breaks the panel pattern" % (x, y))
    for i in range(4):
        plain = [menu[20 * i + y][x] for y in range(20) for x in range(80)]
        lit = [menu[20 * i + y][80 + x] for y in range(20) for x in range(80)]
        check(sum(1 for v in plain if luminance(from555(v)) > 150) > 40, "menu item %d has no light text" % i)
        check(sum(1 for a, b in zip(plain, lit) if a != b) > 300, "menu item %d is not highlighted" % i)

    # digits and credit label: keyed on pure green, light ink with a dark edge
    digit = sheets['digit.bmp']
    glyphs = []
    for d in range(10):
        cell = [tuple(digit[y][10 * d + x]) for y in range(13) for x in range(10)]
        dark = sum(1 for c in cell if c != (0, 255, 0) and luminance(c) < 80)
        light = sum(1 for c in cell if c != (0, 255, 0) and luminance(c) > 200)
        check(dark > 15 and light > 10, "digit %d lacks outline or fill" % d)
        glyphs.append(tuple(luminance(c) > 128 and c != (0, 255, 0) for c in cell))
    check(len(set(glyphs)) == 10, "two digits share a glyph")
    greens = sum(1 for row in sheets['wexa.bmp'] for v in row if v == (0, 255, 0))
    check(100 < greens < 450, "credit label key/ink balance %d" % greens)

    # tiles: every cell holds a shape clear of the border, the key only
    # around it, and no artwork colour close enough to the key to fringe
    w, h, bpp, tiles = read_bmp(load('tile.bmp'))
    check(w == 238 and bpp == 16 and h % 34 == 0 and h // 34 >= 4, "tile sheet shape")
    for si in range(h // 34):
        masks = []
        for k in range(7):
            cell = [tiles[34 * si + y][34 * k: 34 * k + 34] for y in range(34)]
            border = cell[0] + cell[33] + [r[0] for r in cell] + [r[33] for r in cell]
            check(all(v == KEY555 for v in border), "tile %d,%d touches its border" % (si, k))
            ink = frozenset((x, y) for y in range(34) for x in range(34) if cell[y][x] != KEY555)
            check(len(ink) > 250, "tile %d,%d nearly empty" % (si, k))
            for x, y in ink:
                v = cell[y][x]
                check(not ((v >> 10) <= 4 and ((v >> 5) & 31) >= 27 and (v & 31) <= 4),
                      "tile %d,%d has a key-like green %04x" % (si, k, v))
            masks.append(ink)
        for a in range(7):
            for b in range(a + 1, 7):
                same = len(masks[a] & masks[b]) / float(len(masks[a] | masks[b]))
                check(same < 0.9, "skin %d kinds %d and %d have nearly the same outline" % (si, a, b))

    for name, total, rate, width, seconds, _ in SOUNDS:
        blob = load(name)
        check(len(blob) == total, "%s is %d bytes, wants %d" % (name, len(blob), total))
        order, chunks = read_wav(blob)
        check(order[0] == b'fmt ' and b'data' in order and len(order) >= 3, "%s chunks %r" % (name, order))
        fmt = struct.unpack('<HHIIHH', chunks[b'fmt '])
        check(fmt == (1, 1, rate, rate * width, width, 8 * width), "%s fmt %r" % (name, fmt))
        data = chunks[b'data']
        n = len(data) // width
        check(round(n / rate, 3) == seconds, "%s lasts %.4f s" % (name, n / rate))
        smp = list(struct.unpack('<%dh' % n, data)) if width == 2 else [v - 128 for v in data]
        top = 32767 if width == 2 else 127
        peak = max(abs(v) for v in smp)
        check(smp[0] == 0 and smp[-1] == 0, "%s does not start and end at rest" % name)
        check(0.15 * top < peak < 0.95 * top, "%s peak %d" % (name, peak))


# ---------------------------------------------------------------------------

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
    if args.only is None:
        verify(out)


if __name__ == '__main__':
    main()

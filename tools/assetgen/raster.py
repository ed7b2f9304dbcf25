"""Layered scenes, the supersampling rasteriser that samples them, and lit fills."""

import math

from .colour import WHITE, clamp, mix, shade


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

"""Colours as (r, g, b) floats on a 0..255 scale, and their packing into 5-bit channels."""

import math


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

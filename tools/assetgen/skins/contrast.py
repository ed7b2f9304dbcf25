"""The high-contrast skin: black, white and yellow only, bold keylines."""

from ..colour import hexcol
from ..raster import Scene
from ..shapes import (Circle, Offset, Polygon, Subtract, Union, heart_points, rounded_path, rounded_rect,
                      star_points)
from .common import C


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

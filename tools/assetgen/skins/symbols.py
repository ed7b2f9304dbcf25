"""The symbols skin: flat glossy stickers of plain shapes."""

from ..colour import WHITE, mix, shade
from ..raster import Scene, flat_gloss_fill
from ..shapes import (Circle, Intersect, Offset, Polygon, Subtract, Union, heart_points, rounded_path,
                      rounded_rect, star_points)
from .common import C, HUES


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

"""The side-panel stripes the swatch, menu and title sit on."""

import math

from .colour import from555

# Period 5 in x and y so that the 5x5 swatch tiles the panel seamlessly, and
# the menu sheet (drawn at a multiple of 5) continues it.


PANEL_BASE = (3, 4, 7)       # 5-bit channels
PANEL_STRIPE = (5, 7, 10)
PANEL_EDGE = (4, 5, 8)


def panel555(x, y):
    m = (x + y) % 5
    c = PANEL_STRIPE if m in (0, 1) else PANEL_EDGE if m == 2 else PANEL_BASE
    return (c[0] << 10) | (c[1] << 5) | c[2]


def panel_rgb(x, y):
    return from555(panel555(int(math.floor(x)), int(math.floor(y))))

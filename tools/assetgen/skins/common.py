"""What every tile skin shares: the cell size and the hue of each kind."""

from ..colour import hexcol

# Kind k keeps its hue and, where the theme allows, its outline family across
# skins: 0 round/red, 1 square/orange, 2 diamond/yellow, 3 triangle/green,
# 4 blue, 5 star/purple, 6 heart/pink.


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

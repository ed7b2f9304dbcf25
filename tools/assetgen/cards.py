"""The desktop's cards over the board: game-over banner, controls card, high-score card and its date glyphs, options card and its words, the hint's no-move card; the floating points' glyphs and the side panel's labels."""

# The game blits these pictures and then draws into fixed places on them:
# the final score and the table's points as digit.bmp glyphs on plain white,
# the table's dates as this sheet's own glyphs on one flat colour, and the
# "new high score" strip over the banner's message line.  The places below
# are that agreement; check.py holds the written files to them.

from .colour import KEY555, WHITE, from555, hexcol, mix, to555
from .fonts import DIGITS6x11, FONT5x7, dilate, text_mask
from .logo import logo_word, seven_star
from .panel import panel555
from .raster import Scene, render, vgradient, vgradient3
from .shapes import Moved, Offset, Polygon, RoundBox, Union


WHITE555 = 0x7FFF

BANNER_W, BANNER_H = 200, 64          # the banner proper; the strip follows it on the sheet
BANNER_FIELD = (96, 32, 72, 15)       # x, y, w, h of the final score's white field
MESSAGE_Y, MESSAGE_H = 51, 12         # the message line, and the strips that fill it
# The message line names the mode in its left part and the game's place in the high-score table
# in the rest: below the banner, a strip for each place (the place's words in the right part),
# then one for each mode (the mode's name in the left part).
PLACES = ["A NEW HIGH SCORE"] + ["%d%s IN THE TABLE" % (k, "ND" if k == 2 else "RD" if k == 3 else "TH")
                                 for k in range(2, 11)]
MODES = ["CLASSIC", "TIMED", "TODAY'S DEAL"]
MODE_PART_W = 80                      # the message line's part that names the mode

CARD_W, CARD_H = 232, 232             # controls and high-score cards
ROW_Y, ROW_H, ROWS = 30, 18, 10       # high-score rows: row i starts at ROW_Y + ROW_H * i
RANK_END = 32                         # last column of the rank's ink
POINTS_X, POINTS_W = 38, 72           # white field, rows +1 .. +15
DATE_X, DATE_W = 120, 76              # flat field, same rows
FIELD_DY, FIELD_H = 1, 15
DATE_GLYPH_X, DATE_GLYPH_DY = 122, 4  # where the game puts the date's first cell
GLYPH_W, GLYPH_H = 7, 9               # one date glyph: 5x7 ink and its keyline
TABLE_FOOTER_Y = 213                  # where the game puts the line naming the table's mode
DATE_GLYPHS = "0123456789-"

CORNER = 6.0                          # corner radius of every card

EDGE = hexcol('06080e')               # keyline round all lettering
LIGHT = (hexcol('e8eeff'), hexcol('a8b8e0'))     # the menu's plain labels
GOLD = (hexcol('fff2a0'), hexcol('ffb828'))
FIELD_LINE = hexcol('03040a')         # keyline round the fields
DATE_FIELD = hexcol('34406a')         # flat slate under the dates

CONTROLS = [
    ("ARROWS", "MOVE"),
    ("SPACE OR Z", "LIFT A TILE"),
    ("THEN MOVE", "SWAP IT"),
    ("X", "PUT IT DOWN"),
    ("H", "A HINT"),
    ("MOUSE", "CLICK OR DRAG"),
    ("Q / W", "TILE SKIN"),
    ("P", "PAUSE"),
    ("ESC", "MENU"),
    ("+ / -", "VOLUME"),
    ("ALT+ENTER", "FULL SCREEN"),
    ("F1", "THIS CARD"),
    ("MODES", "CLASSIC, TIMED, DAILY"),
]
GOAL = "LINE UP THREE OR MORE"
ALSO = "SWAP DIAGONALLY OR ACROSS THE EDGES"  # the swaps a newcomer would not guess, which count too
FOOTER = "PRESS ANY KEY"
CONTROLS_Y, CONTROLS_DY = 53, 12      # the first control's top, and the step to the next
CONTROLS_RULE, CONTROLS_FOOTER = 207, 215

# The options card: a row for each setting, its label on the left, its value in a field the
# game fills; the chosen row gets the marker from the strip below the card, at MARKER_X.
OPTION_ROWS = [                       # label, top of the row, field (x, y, w, h) relative to it
    ("TILE SKIN", 34, (110, 0, 104, 36)),
    ("VOLUME", 78, (110, 0, 90, 15)),
    ("FULL SCREEN", 100, (110, 0, 90, 15)),
    ("MOVES", 122, (110, 0, 90, 15)),
]
OPTION_LABEL_X, OPTION_LABEL_DY = 24, 4
MARKER_X, MARKER_W = 12, 7
OPTION_WORDS = ["OFF", "ON", "AT ONCE", "IN MOTION"]  # the value words: word k in the strip's
WORD_W, WORD_H = 88, 9                # cell (WORD_W * (k % 2), WORD_H * (k // 2)), 5x7 ink keylined
OPTION_HELP = ["UP, DOWN: CHOOSE", "LEFT, RIGHT: CHANGE", "OR CLICK THE VALUE", "ESC OR ENTER: DONE"]
OPTION_HELP_Y = 158
# The volume is a bar the game fills from the left, as far as the volume goes: the full bar lies on
# the strip below the words, and the game copies its first (volume / 127) part into the field.
VOLUME_BAR_W, VOLUME_BAR_H = 86, 11   # inside the field, 2 px from its left and top

# The floating points: "+90" in gold and, past the first step of a cascade, "x3" in light blue,
# each glyph a 6x11 digit (or sign) in a dark keyline on the key, GLYPH cells of 8x13.
POINT_GLYPHS = "0123456789+x"
POINT_W, POINT_H = 8, 13

# The side panel's moves box: its label, and the label it takes when only one move is left.
SIDE_W, SIDE_LABEL_H = 80, 9
SIDE_LABELS = ["MOVES", "LAST MOVE", "TIME"]
COLON_W = 6                           # the clock's colon, white like the digits' cells, after the labels

# The hint's card when no swap at all makes a run.
NOMOVE_W, NOMOVE_H = 184, 40
NOMOVE_LINES = ["NO MOVE ON THIS BOARD", "ESC, THEN NEW GAME"]


def opaque(v):
    """The key is transparent: artwork that lands on it moves one step of blue off it."""
    return v | 1 if v == KEY555 else v


def card(w, h):
    """A framed card: steel bevel like the title's plate, panel stripes inside,
    pure green outside the round corners."""
    plate = RoundBox(1.0, 1.0, w - 1.0, h - 1.0, CORNER)
    inner = Offset(plate, -2.0)
    s = Scene()
    s.add(Offset(plate, 1.0), hexcol('05060c'))
    s.add(plate, vgradient(0, hexcol('8898c8'), h, hexcol('4c5a88')))
    s.add(Moved(Offset(plate, -1.0), 0.6, 0.6), hexcol('0a0c18'))
    s.add(inner, lambda x, y: from555(panel555(int(x), int(y))))
    px = []
    for y in range(h):
        line = []
        for x in range(w):
            if inner.sd(x + 0.5, y + 0.5) < -0.75:
                line.append(panel555(x, y))     # wholly inside: plain stripes, no sampling
                continue
            col, cov = render(s, 1, 1, ox=x, oy=y)[0][0]
            if col is None or cov < 0.3:
                line.append(KEY555)
            else:
                # blended towards the white board it sits on, like the tiles
                line.append(opaque(to555(mix(WHITE, col, cov))))
        px.append(line)
    return px


def lettering(px, text, x, y, fill=LIGHT, edge=EDGE):
    """Draws `text` in the 5x7 font with its top left ink at (x, y), keylined."""
    ink, _ = text_mask(text, FONT5x7)
    for gx, gy in dilate(ink):
        px[y + gy][x + gx] = opaque(to555(edge))
    for gx, gy in ink:
        px[y + gy][x + gx] = opaque(to555(mix(fill[0], fill[1], gy / 6.0)))


def text_width(text):
    return text_mask(text, FONT5x7)[1]


def centred(px, text, cx, y, fill=LIGHT):
    lettering(px, text, cx - text_width(text) // 2, y, fill)


def bold_heading(px, words, cx, top, lw, lh, pen, gap, space):
    """Gold stroke lettering like the title's, centred on cx, blended over px."""
    shapes, widths = [], []
    for word in words.split():
        shape, wd = logo_word(word, 0, 0, lw, lh, pen, gap)
        shapes.append(shape)
        widths.append(wd)
    total = sum(widths) + space * (len(widths) - 1)
    x = cx - total / 2.0
    placed = []
    for shape, wd in zip(shapes, widths):
        placed.append(Moved(shape, x, top))
        x += wd + space
    text = Union(*placed)
    shadow = Moved(Offset(text, 1.3), 1.2, 1.4)
    gold = vgradient3(top, hexcol('fff6c0'), top + lh * 0.48, hexcol('ffd040'), top + lh, hexcol('f08a18'))
    line, drop = hexcol('2a1204'), hexcol('020208')

    def paint(x, y):
        # the title's three layers, with the letters' distance taken once for two of them
        d = text.sd(x, y)
        if d < 0.0:
            return gold(x, y)
        if d < 1.25:
            return line
        return drop if shadow.sd(x, y) < 0.0 else None
    x0 = int(cx - total / 2.0) - 3
    y0 = int(top) - 3
    blend(px, paint, Union(shadow, Offset(text, 1.25)), x0, y0, int(total) + 8, int(lh) + 8)


def blend(px, paint, reach, x0, y0, w, h):
    """Renders `paint` over the w x h box of px at (x0, y0), dithered.  Pixels
    whose centre lies more than half a diagonal outside `reach`, the union of
    everything it paints, are left alone without being sampled."""
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            if reach.sd(x + 0.5, y + 0.5) > 0.75:
                continue
            col, cov = render(paint, 1, 1, ox=x, oy=y)[0][0]
            if col is None or cov <= 0.0:
                continue
            under = from555(px[y][x])
            px[y][x] = opaque(to555(mix(under, col, cov), x, y, dither=True))


def field(px, x, y, w, h, colour555):
    """A flat field in a dark keyline: the game draws into the field itself."""
    line = opaque(to555(FIELD_LINE))
    for yy in range(y - 1, y + h + 1):
        for xx in range(x - 1, x + w + 1):
            inside = x <= xx < x + w and y <= yy < y + h
            px[yy][xx] = colour555 if inside else line


def rule(px, x0, x1, y):
    """A thin engraved line across a card: dark over light."""
    for x in range(x0, x1):
        px[y][x] = opaque(to555(hexcol('04050a')))
        px[y + 1][x] = opaque(to555(hexcol('3c4a78')))


def build_banner():
    """200x220: the game-over banner, then a strip for its message line for each place in the table
    and for each mode."""
    w, h = BANNER_W, BANNER_H + MESSAGE_H * (len(PLACES) + len(MODES))
    px = card(BANNER_W, BANNER_H)
    bold_heading(px, "GAME OVER", w / 2.0, 7.5, 13.0, 17.0, 3.6, 2.4, 8.0)
    fx, fy, fw, fh = BANNER_FIELD
    field(px, fx, fy, fw, fh, WHITE555)
    lettering(px, "SCORE", fx - 7 - text_width("SCORE"), fy + (fh - 7) // 2)
    strips = []
    for k, place in enumerate(PLACES):
        strip = [list(px[MESSAGE_Y + y]) for y in range(MESSAGE_H)]
        lettering(strip, place, MODE_PART_W + (w - MODE_PART_W - text_width(place)) // 2, (MESSAGE_H - 7) // 2,
                  GOLD if k == 0 else LIGHT)
        strips += strip
    for mode in MODES:
        strip = [list(px[MESSAGE_Y + y]) for y in range(MESSAGE_H)]
        lettering(strip, mode, (MODE_PART_W - text_width(mode)) // 2, (MESSAGE_H - 7) // 2, GOLD)
        strips += strip
    return w, h, px + strips


def build_help():
    """232x232: what every key and the mouse do."""
    w, h = CARD_W, CARD_H
    px = card(w, h)
    bold_heading(px, "CONTROLS", w / 2.0, 7.0, 10.5, 13.0, 3.0, 2.2, 7.0)
    centred(px, GOAL, w // 2, 27, GOLD)
    centred(px, ALSO, w // 2, 38)
    rule(px, 12, w - 12, 49)
    keys = max(text_width(k) for k, _ in CONTROLS)
    acts = max(text_width(a) for _, a in CONTROLS)
    gap = 15
    left = (w - (keys + gap + acts)) // 2
    mid = left + keys + gap // 2
    for i, (key, act) in enumerate(CONTROLS):
        y = CONTROLS_Y + CONTROLS_DY * i
        lettering(px, key, left + keys - text_width(key), y, GOLD)
        for dx, dy in ((0, 0), (1, 0), (0, 1), (1, 1)):    # a small stud between the two
            px[y + 3 + dy][mid - 1 + dx] = opaque(to555(hexcol('7888b8')))
        lettering(px, act, mid + gap // 2 + 1, y)
    rule(px, 12, w - 12, CONTROLS_RULE)
    centred(px, FOOTER, w // 2, CONTROLS_FOOTER)
    return w, h, px


def date_glyph(ch):
    """The 7x9 cell of one date character: the 5x7 glyph centred, keylined."""
    g = FONT5x7[ch]
    ox = 1 + (5 - len(g[0])) // 2
    return {(ox + gx, 1 + gy) for gy, row in enumerate(g) for gx, c in enumerate(row) if c == '#'}


def build_scores():
    """232x277: the high-score card over its strip of date glyphs and, for its footer, a line naming
    each mode's table."""
    w, h = CARD_W, CARD_H + GLYPH_H + MESSAGE_H * len(MODES)
    px = card(CARD_W, CARD_H)
    bold_heading(px, "HIGH SCORES", w / 2.0, 6.0, 9.6, 12.0, 2.8, 2.0, 7.0)
    date555 = opaque(to555(DATE_FIELD))
    medals = [hexcol('ffd040'), hexcol('d8e0f0'), hexcol('e0904c')]
    for i in range(ROWS):
        y = ROW_Y + ROW_H * i
        rank = "%d." % (i + 1)
        lettering(px, rank, RANK_END + 1 - text_width(rank), y + 5, GOLD)
        field(px, POINTS_X, y + FIELD_DY, POINTS_W, FIELD_H, WHITE555)
        field(px, DATE_X, y + FIELD_DY, DATE_W, FIELD_H, date555)
        if i < len(medals):
            cx, cy = (DATE_X + DATE_W + CARD_W - 4) / 2.0, y + 8.5
            st = Polygon(seven_star(cx, cy, 7.0, 3.4))
            rim = Offset(st, 1.0)
            s = Scene().add(rim, hexcol('140a04')).add(
                st, vgradient(cy - 6, mix(medals[i], WHITE, 0.6), cy + 6, mix(medals[i], hexcol('402010'), 0.35)))
            blend(px, s, rim, int(cx) - 9, int(cy) - 9, 18, 18)
    strip = [[KEY555] * w for _ in range(GLYPH_H)]
    for k, ch in enumerate(DATE_GLYPHS):
        ink = date_glyph(ch)
        for gx, gy in dilate(ink):
            strip[gy][GLYPH_W * k + gx] = opaque(to555(EDGE))
        for gx, gy in ink:
            strip[gy][GLYPH_W * k + gx] = opaque(to555(mix(hexcol('ffffff'), hexcol('ffe08a'), (gy - 1) / 6.0)))
    for mode in MODES:
        line = [list(px[TABLE_FOOTER_Y + y]) for y in range(MESSAGE_H)]
        centred(line, "<  %s  >" % mode, w // 2, (MESSAGE_H - 7) // 2, GOLD)
        strip += line
    return w, h, px + strip


def word_cell(text, fill=LIGHT):
    """A WORD_W x WORD_H cell on the key with `text` centred in it, keylined."""
    cell = [[KEY555] * WORD_W for _ in range(WORD_H)]
    lettering(cell, text, (WORD_W - text_width(text)) // 2, 1, fill)
    return cell


def build_options():
    """232x261: the options card over its strip of value words, two a row, the row marker after
    the first two, and the volume's full bar below them."""
    w, h = CARD_W, CARD_H + 2 * WORD_H + VOLUME_BAR_H
    px = card(CARD_W, CARD_H)
    bold_heading(px, "OPTIONS", w / 2.0, 7.0, 10.5, 13.0, 3.0, 2.2, 7.0)
    rule(px, 12, w - 12, 28)
    date555 = opaque(to555(DATE_FIELD))
    for label, top, (fx, fy, fw, fh) in OPTION_ROWS:
        lettering(px, label, OPTION_LABEL_X, top + OPTION_LABEL_DY, GOLD)
        # numbers are drawn in the score's digits on white, words on the dates' slate
        field(px, fx, top + fy, fw, fh, WHITE555 if fh != 15 or fw == 32 else date555)
    rule(px, 12, w - 12, 148)
    for i, line in enumerate(OPTION_HELP):
        centred(px, line, w // 2, OPTION_HELP_Y + 12 * i)
    strip = [[KEY555] * w for _ in range(2 * WORD_H + VOLUME_BAR_H)]
    for k, word in enumerate(OPTION_WORDS):
        cell = word_cell(word, GOLD if word in ("ON", "IN MOTION") else LIGHT)
        x0, y0 = WORD_W * (k % 2), WORD_H * (k // 2)
        for y in range(WORD_H):
            strip[y0 + y][x0:x0 + WORD_W] = cell[y]
    # the marker: a small gold arrow pointing at the chosen row's label
    marker_cell(strip, 2 * WORD_W)
    # the volume's bar, full: gold from quiet to loud, a notch every tenth of the way
    for y in range(VOLUME_BAR_H):
        for x in range(VOLUME_BAR_W):
            col = mix(mix(GOLD[0], GOLD[1], y / float(VOLUME_BAR_H - 1)), hexcol('ff7020'), x / float(VOLUME_BAR_W))
            notch = x % (VOLUME_BAR_W // 10) == VOLUME_BAR_W // 10 - 1
            strip[2 * WORD_H + y][x] = opaque(to555(mix(col, EDGE, 0.5) if notch else col))
    return w, h, px + strip


def glyph_cells(glyphs, rows, w, h, fills):
    """A strip of w x h cells, one a glyph, a row of them for each fill: ink in a dark keyline on the key."""
    px = [[KEY555] * (w * len(glyphs)) for _ in range(h * len(fills))]
    for r, fill in enumerate(fills):
        for k, ch in enumerate(glyphs):
            ink = {(gx, gy) for gy, row in enumerate(rows[ch]) for gx, c in enumerate(row) if c == '#'}
            ox, oy = w * k + (w - len(rows[ch][0])) // 2, h * r + 1
            for gx, gy in dilate(ink):
                px[oy + gy][ox + gx] = opaque(to555(EDGE))
            for gx, gy in ink:
                px[oy + gy][ox + gx] = opaque(to555(mix(fill[0], fill[1], gy / 10.0)))
    return px


def build_points():
    """96x26: the floating points' glyphs, gold for the points, light blue for the multiplier."""
    rows = {str(d): DIGITS6x11[d] for d in range(10)}
    rows['+'] = ["......", "......", "..##..", "..##..", "######", "######", "..##..", "..##..", "......",
                 "......", "......"]
    rows['x'] = ["......", "......", "##..##", "##..##", ".####.", "..##..", ".####.", "##..##", "##..##",
                 "......", "......"]
    px = glyph_cells(POINT_GLYPHS, rows, POINT_W, POINT_H, [GOLD, (hexcol('e8f6ff'), hexcol('78c8ff'))])
    return POINT_W * len(POINT_GLYPHS), 2 * POINT_H, px


def build_sidebar():
    """80x40: the side panel's labels, keyed: the moves (another for the last one) and the clock, then
    the clock's colon."""
    px = [[KEY555] * SIDE_W for _ in range(SIDE_LABEL_H * len(SIDE_LABELS) + 13)]
    for k, label in enumerate(SIDE_LABELS):
        rows = px[SIDE_LABEL_H * k:SIDE_LABEL_H * (k + 1)]
        lettering(rows, label, (SIDE_W - text_width(label)) // 2, 1, GOLD if k == 1 else LIGHT)
    y0 = SIDE_LABEL_H * len(SIDE_LABELS)
    for y in range(13):
        for x in range(COLON_W):
            dot = x in (2, 3) and y in (3, 4, 8, 9)
            px[y0 + y][x] = opaque(to555(hexcol('1a1430'))) if dot else WHITE555
    return SIDE_W, len(px), px


MODE_ROWS = [                          # name, and two lines on it; each row MODE_ROW_DY high
    ("CLASSIC", ["PLAY UNTIL NO MOVE IS LEFT", "NO CLOCK, NO HURRY"]),
    ("TIMED", ["THREE MINUTES ON THE CLOCK", "A DEAD BOARD IS DEALT AGAIN"]),
    ("TODAY'S DEAL", ["ONE DEAL FOR EVERYONE, EACH DAY", "THE SAME BOARD AND REFILLS FOR ALL"]),
]
MODE_ROW_Y, MODE_ROW_DY = 36, 48
MODE_HELP = ["UP, DOWN: CHOOSE", "SPACE, ENTER OR A CLICK: PLAY", "ESC: BACK"]
MODE_HELP_Y = 186

COVER_W, COVER_H = 240, 240           # the pause cover hides the whole board area
COVER_LINE_Y = 128                    # where the game puts the line saying why it waits
COVER_LINES = ["ANY KEY OR CLICK: PLAY ON", "THE CLOCK WAITS"]


def marker_cell(strip, x0):
    """The row marker: a small gold arrow pointing right, 7x9, keylined."""
    ink = {(x, y) for y in range(1, 8) for x in range(1, 6) if x - 1 <= min(y - 1, 7 - y)}
    for gx, gy in dilate(ink):
        strip[gy][x0 + gx] = opaque(to555(EDGE))
    for gx, gy in ink:
        strip[gy][x0 + gx] = opaque(to555(mix(GOLD[0], GOLD[1], gy / 8.0)))


def build_modes():
    """232x241: the card a new game begins with, a row for each mode, over its row marker."""
    w, h = CARD_W, CARD_H + WORD_H
    px = card(CARD_W, CARD_H)
    bold_heading(px, "NEW GAME", w / 2.0, 7.0, 10.5, 13.0, 3.0, 2.2, 7.0)
    rule(px, 12, w - 12, 28)
    for i, (name, lines) in enumerate(MODE_ROWS):
        top = MODE_ROW_Y + MODE_ROW_DY * i
        lettering(px, name, OPTION_LABEL_X, top, GOLD)
        for j, line in enumerate(lines):
            lettering(px, line, OPTION_LABEL_X, top + 12 + 11 * j)
    rule(px, 12, w - 12, MODE_HELP_Y - 7)
    for i, line in enumerate(MODE_HELP):
        centred(px, line, w // 2, MODE_HELP_Y + 12 * i)
    strip = [[KEY555] * w for _ in range(WORD_H)]
    marker_cell(strip, 0)
    return w, h, px + strip


def build_cover():
    """240x264: the pause cover over the board, and below it the lines that say why it waits."""
    w, h = COVER_W, COVER_H + MESSAGE_H * len(COVER_LINES)
    px = card(COVER_W, COVER_H)
    bold_heading(px, "PAUSED", w / 2.0, 96.0, 13.0, 17.0, 3.6, 2.4, 8.0)
    strip = []
    for line in COVER_LINES:
        rows = [list(px[COVER_LINE_Y + y]) for y in range(MESSAGE_H)]
        centred(rows, line, w // 2, (MESSAGE_H - 7) // 2)
        strip += rows
    return w, h, px + strip


def build_nomove():
    """184x40: the hint's card when no swap makes a run, anywhere."""
    px = card(NOMOVE_W, NOMOVE_H)
    centred(px, NOMOVE_LINES[0], NOMOVE_W // 2, 10, GOLD)
    centred(px, NOMOVE_LINES[1], NOMOVE_W // 2, 23)
    return NOMOVE_W, NOMOVE_H, px

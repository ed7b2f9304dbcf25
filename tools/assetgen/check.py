"""Self-check: reads every file back and holds it to the formats the game loads."""

import os
import struct
import sys
import zlib

from . import cards
from .colour import KEY555, from555
from .panel import panel555
from .sounds import SOUNDS
from .ui import CURSOR_RED, CURSOR_RING, CURSOR_YELLOW
from .writers import BI_BITFIELDS, BMP_V5, RGBA_MASKS


BMP_FORMATS = {
    'digit.bmp': (100, 13, 32, 5256),
    'wexa.bmp': (50, 10, 24, 1576),
    'menu.bmp': (160, 80, 16, 25656),
    'image.bmp': (141, 34, 16, 9712),
    'title.bmp': (80, 40, 16, 6456),
}


# the desktop's cards: 16 bpp without the tail, so their size follows from the picture
CARD_FORMATS = {
    'banner.bmp': (cards.BANNER_W, cards.BANNER_H + cards.MESSAGE_H * (len(cards.PLACES) + len(cards.MODES))),
    'help.bmp': (cards.CARD_W, cards.CARD_H),
    'scores.bmp': (cards.CARD_W, cards.CARD_H + cards.GLYPH_H + cards.MESSAGE_H * len(cards.MODES)),
    'options.bmp': (cards.CARD_W, cards.CARD_H + 2 * cards.WORD_H + cards.VOLUME_BAR_H),
    'points.bmp': (cards.POINT_W * len(cards.POINT_GLYPHS), 2 * cards.POINT_H),
    'sidebar.bmp': (cards.SIDE_W, cards.SIDE_LABEL_H * len(cards.SIDE_LABELS) + 13),
    'nomove.bmp': (cards.NOMOVE_W, cards.NOMOVE_H),
    'modes.bmp': (cards.CARD_W, cards.CARD_H + cards.WORD_H),
    'cover.bmp': (cards.COVER_W, cards.COVER_H + cards.MESSAGE_H * len(cards.COVER_LINES)),
}


class BadFile(Exception):
    pass


def need(ok, what):
    if not ok:
        raise BadFile(what)


def read_bmp(blob):
    """Decodes the uncompressed, palette-free BMPs written here: 54-byte headers,
    and the V5 header whose bit fields add an alpha channel."""
    need(len(blob) >= 54, "shorter than a BMP header")
    magic, size, _, _, off = struct.unpack_from('<2sIHHI', blob, 0)
    (hsize, w, h, planes, bpp, comp, isize, _, _, ncol, _) = struct.unpack_from('<IiiHHIIiiII', blob, 14)
    alpha = hsize == BMP_V5
    need(magic == b'BM' and hsize in (40, BMP_V5) and off == 14 + hsize and len(blob) >= off,
         "not a 54-byte-header or V5 BMP")
    if alpha:
        masks = struct.unpack_from('<4I', blob, 54)
        need(bpp == 32 and comp == BI_BITFIELDS and masks == RGBA_MASKS, "V5 BMP without RGBA bit fields")
    else:
        need(comp == 0 and bpp in (16, 24, 32), "unexpected BMP format")
    need(planes == 1 and ncol == 0, "unexpected BMP format")
    need(size == len(blob), "bfSize %d but the file has %d bytes" % (size, len(blob)))
    need(isize == len(blob) - off, "biSizeImage %d does not cover the pixel data" % isize)
    stride = (w * bpp // 8 + 3) & ~3
    need(off + stride * h <= len(blob), "pixel rows run past the end")
    px = []
    for y in range(h):
        base = off + (h - 1 - y) * stride
        row = []
        for x in range(w):
            if bpp == 16:
                row.append(struct.unpack_from('<H', blob, base + 2 * x)[0])
            elif bpp == 24:
                b, g, r = blob[base + 3 * x: base + 3 * x + 3]
                row.append((r, g, b))
            else:
                b, g, r, xx = blob[base + 4 * x: base + 4 * x + 4]
                if alpha:
                    row.append((r, g, b, xx))
                    continue
                need(xx == 0, "32-bit pixel with a non-zero fourth byte")
                row.append((r, g, b))
        px.append(row)
    return w, h, bpp, px


def read_png(blob):
    """Decodes the 8-bit RGBA, unfiltered PNGs written here into rows of (r, g, b, a)."""
    need(blob[:8] == b'\x89PNG\r\n\x1a\n', "not a PNG")
    pos, idat, head = 8, b'', None
    while pos < len(blob):
        need(pos + 12 <= len(blob), "truncated PNG chunk")
        size, tag = struct.unpack_from('>I4s', blob, pos)
        body = blob[pos + 8: pos + 8 + size]
        need(struct.unpack_from('>I', blob, pos + 8 + size)[0] == zlib.crc32(tag + body) & 0xFFFFFFFF,
             "PNG chunk %r fails its CRC" % tag)
        if tag == b'IHDR':
            head = struct.unpack('>IIBBBBB', body)
        elif tag == b'IDAT':
            idat += body
        pos += 12 + size
    need(head is not None and head[2:] == (8, 6, 0, 0, 0), "not an 8-bit RGBA PNG")
    w, h = head[:2]
    raw = zlib.decompress(idat)
    need(len(raw) == h * (1 + 4 * w), "PNG pixel data is %d bytes" % len(raw))
    px = []
    for y in range(h):
        line = raw[y * (1 + 4 * w): (y + 1) * (1 + 4 * w)]
        need(line[0] == 0, "PNG row %d is filtered" % y)
        px.append([tuple(line[1 + 4 * x: 5 + 4 * x]) for x in range(w)])
    return w, h, px


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

    # window icon: the 32-pixel app icon, its transparency kept in the alpha field
    iw, ih, ibpp, icon = read_bmp(load('icon.bmp'))
    check((iw, ih, ibpp) == (32, 32, 32), "icon.bmp is %dx%d@%d" % (iw, ih, ibpp))
    _, _, png = read_png(load(os.path.join('icons', 'sevenfold-32.png')))
    check(icon == png, "icon.bmp is not the 32-pixel icon")
    check(all(icon[y][x][3] == 0 for x in (0, 31) for y in (0, 31)), "icon corners are not transparent")
    check(sum(1 for row in icon for p in row if p[3] == 255) > 500, "icon has no solid body")

    verify_cards(check, load)

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


def light_bands(px, x0, x1, y0, y1, level=150):
    """Runs of consecutive rows holding light (lettering) pixels between x0 and x1."""
    bands, inside = 0, False
    for y in range(y0, y1):
        lit = any(v != KEY555 and luminance(from555(v)) > level for v in px[y][x0:x1])
        bands += lit and not inside
        inside = lit
    return bands


def verify_cards(check, load):
    """The banner, controls and high-score cards: opaque inside their round
    corners, and flat where the game draws digits, dates and the strip."""
    sheets = {}
    for name, (w, h) in CARD_FORMATS.items():
        blob = load(name)
        size = 54 + ((2 * w + 3) & ~3) * h
        check(len(blob) == size, "%s is %d bytes, wants %d" % (name, len(blob), size))
        bw, bh, bb, px = read_bmp(blob)
        need((bw, bh, bb) == (w, h, 16), "%s is %dx%d@%d" % (name, bw, bh, bb))
        check(all(v < 0x8000 for row in px for v in row), "%s sets bit 15" % name)
        sheets[name] = px

    def opaque_card(name, rows, first, last):
        # the key only in the corners: a short run at each end of a corner's row
        r = int(cards.CORNER)
        for y in range(first, last):
            row = rows[y]
            lead = next(i for i, v in enumerate(row + [0]) if v != KEY555)
            trail = next(i for i, v in enumerate(row[::-1] + [0]) if v != KEY555)
            corner = y - first < r or last - 1 - y < r
            check(KEY555 not in row[lead:len(row) - trail], "%s row %d: the key inside the card" % (name, y))
            check(max(lead, trail) <= (r if corner else 0), "%s row %d: keyed %d/%d px at its ends" % (name, y, lead, trail))

    def plain(rows, x, y, w, h, v):
        return all(rows[yy][xx] == v for yy in range(y, y + h) for xx in range(x, x + w))

    # banner: the score's field, the message line plain, the strip that line plus lettering
    banner = sheets['banner.bmp']
    bh, my, mh = cards.BANNER_H, cards.MESSAGE_Y, cards.MESSAGE_H
    opaque_card('banner.bmp', banner, 0, bh)
    fx, fy, fw, fh = cards.BANNER_FIELD
    check(plain(banner, fx, fy, fw, fh, cards.WHITE555), "banner's score field is not plain white")
    check(sum(1 for row in banner[6:27] for v in row if luminance(from555(v)) > 150) > 300,
          "banner has no heading")
    # the places' words in the line's right part, the modes' names in its left part
    places = set()
    for k in range(len(cards.PLACES) + len(cards.MODES)):
        strip = banner[bh + mh * k:bh + mh * (k + 1)]
        x0, x1 = (cards.MODE_PART_W, cards.BANNER_W) if k < len(cards.PLACES) else (0, cards.MODE_PART_W)
        diff = [(x, y) for y in range(mh) for x in range(cards.BANNER_W) if strip[y][x] != banner[my + y][x]]
        check(len(diff) > 60, "strip %d adds only %d pixels to the message line" % (k, len(diff)))
        check(all(banner[my + y][x] == panel555(x, my + y) for x, y in diff),
              "strip %d's lettering covers more than the message line's plain stripes" % k)
        if diff:
            left, right = min(x for x, _ in diff) - x0, x1 - 1 - max(x for x, _ in diff)
            check(abs(left - right) <= 1 and left >= 0, "strip %d's lettering is off centre (%d/%d)" % (k, left, right))
        check(all(v != KEY555 for x, y in diff for v in [strip[y][x]]), "strip %d's lettering uses the key" % k)
        places.add(tuple(map(tuple, strip)))
    check(len(places) == len(cards.PLACES) + len(cards.MODES), "two message strips are the same")

    # controls: heading, goal, ten controls and the footer, each on rows of its own
    help_ = sheets['help.bmp']
    opaque_card('help.bmp', help_, 0, cards.CARD_H)
    bands = light_bands(help_, 6, cards.CARD_W - 6, 4, cards.CARD_H - 4)
    check(bands == len(cards.CONTROLS) + 4, "controls card has %d lines of lettering" % bands)

    # high scores: ranks ending at one column, white points, one flat colour under the dates
    scores = sheets['scores.bmp']
    opaque_card('scores.bmp', scores, 0, cards.CARD_H)
    date = scores[cards.ROW_Y + cards.FIELD_DY][cards.DATE_X]
    check(date not in (KEY555, cards.WHITE555), "date field colour %04x" % date)
    for i in range(cards.ROWS):
        y = cards.ROW_Y + cards.ROW_H * i
        check(plain(scores, cards.POINTS_X, y + cards.FIELD_DY, cards.POINTS_W, cards.FIELD_H, cards.WHITE555),
              "points field %d is not plain white" % i)
        check(plain(scores, cards.DATE_X, y + cards.FIELD_DY, cards.DATE_W, cards.FIELD_H, date),
              "date field %d is not flat %04x" % (i, date))
        lit = [x for x in range(cards.RANK_END + 2) for yy in range(y, y + cards.ROW_H)
               if luminance(from555(scores[yy][x])) > 150]
        check(bool(lit) and max(lit) == cards.RANK_END, "rank %d does not end at x %d" % (i + 1, cards.RANK_END))
    check(light_bands(scores, 6, cards.CARD_W - 6, cards.ROW_Y + cards.ROW_H * cards.ROWS, cards.CARD_H - 4) == 0,
          "the footer under the table is the game's to draw")
    footers = scores[cards.CARD_H + cards.GLYPH_H:]
    for k in range(len(cards.MODES)):
        check(light_bands(footers, 6, cards.CARD_W - 6, cards.MESSAGE_H * k, cards.MESSAGE_H * (k + 1)) == 1,
              "no footer for the %s table" % cards.MODES[k])
    # date glyphs: keylined light ink on the key, readable on the date field
    glyphs = scores[cards.CARD_H:cards.CARD_H + cards.GLYPH_H]
    gw, n = cards.GLYPH_W, len(cards.DATE_GLYPHS)
    check(all(v == KEY555 for row in glyphs for v in row[gw * n:]), "date strip has ink past its cells")
    field_lum = luminance(from555(date))
    cells = []
    for k in range(n):
        cell = [glyphs[y][gw * k + x] for y in range(cards.GLYPH_H) for x in range(gw)]
        ink = [luminance(from555(v)) for v in cell if v != KEY555]
        light = sum(1 for l in ink if l > field_lum + 100)
        dark = sum(1 for l in ink if l < field_lum - 30)
        check(light >= 3 and dark >= 8, "date glyph %r lacks ink or keyline (%d/%d)" % (cards.DATE_GLYPHS[k], light, dark))
        cells.append(tuple(cell))
    check(len(set(cells)) == n, "two date glyphs are the same")

    # options: a plain field for each value, the words and the marker on the strip below
    options = sheets['options.bmp']
    opaque_card('options.bmp', options, 0, cards.CARD_H)
    for label, top, (fx, fy, fw, fh) in cards.OPTION_ROWS:
        colour = options[top + fy][fx]
        check(colour != KEY555 and plain(options, fx, top + fy, fw, fh, colour), "the %s field is not plain" % label)
    strip = options[cards.CARD_H:]
    cells = []
    for k in range(len(cards.OPTION_WORDS) + 1):
        x0, y0 = cards.WORD_W * (k % 2), cards.WORD_H * (k // 2)
        if k == len(cards.OPTION_WORDS):
            x0, y0 = 2 * cards.WORD_W, 0
        cell = [strip[y0 + y][x0 + x] for y in range(cards.WORD_H) for x in range(cards.WORD_W if k < len(cards.OPTION_WORDS) else cards.MARKER_W)]
        check(sum(1 for v in cell if v != KEY555 and luminance(from555(v)) > 150) >= 5, "option word or marker %d has no ink" % k)
        cells.append(tuple(cell))
    check(len(set(cells)) == len(cells), "two option words are the same")
    bar = [strip[2 * cards.WORD_H + y][x] for y in range(cards.VOLUME_BAR_H) for x in range(cards.VOLUME_BAR_W)]
    check(KEY555 not in bar, "the volume's bar is not solid")

    # the mode card: its three rows and the help under them, its marker below; the pause cover
    modes = sheets['modes.bmp']
    opaque_card('modes.bmp', modes, 0, cards.CARD_H)
    check(light_bands(modes, 6, cards.CARD_W - 6, 30, cards.CARD_H - 4) == 3 * len(cards.MODE_ROWS) + len(cards.MODE_HELP),
          "the mode card's lines")
    check(sum(1 for row in modes[cards.CARD_H:] for v in row if v != KEY555) > 10, "the mode card has no marker")
    cover = sheets['cover.bmp']
    opaque_card('cover.bmp', cover, 0, cards.COVER_H)
    for k in range(len(cards.COVER_LINES)):
        check(light_bands(cover, 6, cards.COVER_W - 6, cards.COVER_H + cards.MESSAGE_H * k,
                          cards.COVER_H + cards.MESSAGE_H * (k + 1)) == 1, "the cover's line %d" % k)

    # the floating points' glyphs, the side panel's labels, the no-move card: ink on the key, all different
    points = sheets['points.bmp']
    glyphs = [tuple(points[cards.POINT_H * r + y][cards.POINT_W * k + x] for y in range(cards.POINT_H)
                    for x in range(cards.POINT_W)) for r in range(2) for k in range(len(cards.POINT_GLYPHS))]
    check(all(sum(1 for v in g if v != KEY555) >= 20 for g in glyphs), "a point glyph has no ink")
    check(len(set(glyphs)) == len(glyphs), "two point glyphs are the same")
    side = sheets['sidebar.bmp']
    labels = [tuple(map(tuple, side[cards.SIDE_LABEL_H * k:cards.SIDE_LABEL_H * (k + 1)])) for k in range(len(cards.SIDE_LABELS))]
    check(len(set(labels)) == len(labels), "two side panel labels are the same")
    check(all(sum(1 for row in l for v in row if v != KEY555) > 60 for l in labels), "a side panel label has no ink")
    opaque_card('nomove.bmp', sheets['nomove.bmp'], 0, cards.NOMOVE_H)
    check(light_bands(sheets['nomove.bmp'], 6, cards.NOMOVE_W - 6, 4, cards.NOMOVE_H - 4) == 2,
          "the no-move card is not two lines")

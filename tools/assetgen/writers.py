"""Byte layouts of the files written: BMP, PNG and RIFF WAVE."""

import math
import struct
import zlib


# The alpha BMP: a V5 header, whose bit fields can name an alpha channel (a
# 40-byte header's fourth byte is padding to every reader), in sRGB.
BMP_V5 = 124
BI_BITFIELDS = 3
RGBA_MASKS = (0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
LCS_SRGB = 0x73524742
LCS_GM_IMAGES = 4


def bmp_bytes(w, h, bpp, px, tail=0, alpha=False):
    """Uncompressed bottom-up BMP, optional zero tail: a 54-byte header, or with
    `alpha` (32 bpp, (r, g, b, a) pixels) the V5 header that keeps the alpha."""
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
                row += bytes((v[2], v[1], v[0], v[3] if alpha else 0))
        row += b'\0' * (stride - bpr)
        data += row
    data += b'\0' * tail
    if alpha:
        info = struct.pack('<IiiHHIIiiII', BMP_V5, w, h, 1, bpp, BI_BITFIELDS, len(data), 2835, 2835, 0, 0)
        # masks, colour space, its unused end points and gammas, intent, no profile
        info += struct.pack('<4II', *RGBA_MASKS, LCS_SRGB) + b'\0' * 48
        info += struct.pack('<4I', LCS_GM_IMAGES, 0, 0, 0)
    else:
        info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bpp, 0, len(data), 2835, 2835, 0, 0)
    off = 14 + len(info)
    head = struct.pack('<2sIHHI', b'BM', off + len(data), 0, 0, off)
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

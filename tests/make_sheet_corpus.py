#!/usr/bin/env python3
"""Writes a corpus of tile sheets, good, odd and hostile, with a manifest of what the game must do with each.

Usage: make_sheet_corpus.py OUTDIR [--tile PATH] [--max-bytes N]

manifest.tsv lines are NAME<TAB>VERDICT<TAB>SKINS: VERDICT is "draw" (must load, SKINS skins),
"refuse" (must be turned away) or "either" (a hostile file the game may take or refuse, as
long as it neither crashes, hangs nor eats memory).
"""

import argparse
import os
import random
import struct
import sys

FILE_HEADER = 14
COLOURS = [(0, 0, 0), (0, 0, 255), (0, 255, 255), (255, 0, 0), (255, 0, 255), (255, 255, 0)]
# Sizes of the information header, and the offsets of their fields that matter.
V4_EXTRA = struct.pack("<I", 0x73524742) + b"\0" * 36 + b"\0" * 12  # "sRGB", endpoints, gammas
V5_EXTRA = struct.pack("<IIII", 4, 0, 0, 0)                          # intent, profile, reserved


def pack_row(values, bits):
    """One row of raw pixel values, padded to four bytes."""
    if bits < 8:
        per = 8 // bits
        out = bytearray((len(values) + per - 1) // per)
        for i, v in enumerate(values):
            out[i // per] |= (v & ((1 << bits) - 1)) << (8 - bits * (i % per + 1))
    elif bits == 8:
        out = bytearray(values)
    elif bits == 16:
        out = bytearray(struct.pack("<%dH" % len(values), *values))
    elif bits == 24:
        out = bytearray()
        for v in values:
            out += struct.pack("<I", v)[:3]
    else:
        out = bytearray(struct.pack("<%dI" % len(values), *values))
    return bytes(out) + b"\0" * (-len(out) % 4)


def rle_encode(rows, bits, absolute=False):
    """Rows (top first) as an RLE8/RLE4 stream, bottom row first, with end-of-line and end-of-bitmap."""
    out = bytearray()
    for row in reversed(rows):
        i = 0
        while i < len(row):
            j = i
            while j < len(row) and j - i < 255 and row[j] == row[i]:
                j += 1
            if absolute and j - i < 4 and len(row) - i >= 3:
                # A literal stretch, to exercise absolute mode with its word padding.
                n = min(len(row) - i, 7)
                lit = row[i:i + n]
                out += bytes([0, n])
                if bits == 8:
                    data = bytes(lit)
                else:
                    data = bytes(((lit[k] & 15) << 4) | ((lit[k + 1] & 15) if k + 1 < n else 0)
                                 for k in range(0, n, 2))
                out += data + b"\0" * (len(data) % 2)
                i += n
                continue
            v = row[i] & (255 if bits == 8 else 15)
            out += bytes([j - i, v if bits == 8 else (v << 4) | v])
            i = j
        out += b"\0\0"
    out += b"\0\1"
    return bytes(out)


def bmp(width, height, bits, rows=None, *, info=40, compression=0, masks=None, palette=None,
        colours=None, offset=None, planes=1, data=None, top_down=False, signature=b"BM"):
    """A BMP file. rows: raw values, top row first (a pattern is made when None). height is the
    stored magnitude; top_down stores it negated. data replaces the pixel bytes."""
    if rows is None and data is None:
        rows = pattern(width, height, bits)
    if data is None:
        order = rows if top_down else list(reversed(rows))
        packed = {}  # pattern rows repeat: pack each distinct row object once
        data = b"".join(packed.setdefault(id(r), pack_row(r, bits)) for r in order)
    stored_height = -height if top_down else height
    if info == 12:
        header = struct.pack("<IHHHH", 12, width & 0xFFFF, stored_height & 0xFFFF, planes, bits)
    else:
        header = struct.pack("<IiiHHIIiiII", info, width, stored_height, planes, bits, compression,
                             len(data), 2835, 2835,
                             len(palette) if colours is None and palette else (colours or 0), 0)
        if info > 40:
            m = list(masks or [0, 0, 0, 0]) + [0] * 4
            extra = struct.pack("<IIII", *m[:4])
            if info == 64:
                extra = b"\0" * 24
            elif info >= 108:
                extra += V4_EXTRA + (V5_EXTRA if info == 124 else b"")
            header += extra[:info - 40]
        elif masks:
            header += struct.pack("<III", *masks[:3])  # after a plain header, as a 3-entry table
    entry = 3 if info == 12 else 4
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0)[:entry] for r, g, b in (palette or []))
    start = FILE_HEADER + len(header) + len(pal) if offset is None else offset
    body = header + pal
    gap = max(0, start - FILE_HEADER - len(body))
    total = FILE_HEADER + len(body) + gap + len(data)
    return signature + struct.pack("<IHHI", total & 0xFFFFFFFF, 0, 0, start & 0xFFFFFFFF) + body + b"\0" * gap + data


def raw_colour(rgb, bits, masks=None):
    r, g, b = rgb
    if masks:
        out = 0
        for value, mask in zip((r, g, b), masks[:3]):
            shift = (mask & -mask).bit_length() - 1
            width = bin(mask).count("1")
            out |= (value >> (8 - width)) << shift
        if len(masks) > 3 and masks[3]:
            out |= masks[3]  # opaque
        return out
    if bits == 16:
        return (r >> 3) << 10 | (g >> 3) << 5 | b >> 3
    return r << 16 | g << 8 | b


def pattern(width, height, bits, masks=None, key=None):
    """Cell (kind k, skin s) in colour (k + s) modulo the colours there are; palette formats get
    indices. A key value, when given, fills the middle of each cell."""
    count = min(len(COLOURS), 1 << bits) if bits <= 8 else len(COLOURS)
    made = {}  # rows of one band are equal: share them
    rows = []
    for y in range(height):
        keyed = key is not None and 12 <= y % 34 < 22
        band = (y // 34) % count
        if (band, keyed) not in made:
            row = []
            for x in range(width):
                c = (x // 34 + band) % count
                if keyed and 12 <= x % 34 < 22:
                    row.append(key)
                else:
                    row.append(c if bits <= 8 else raw_colour(COLOURS[c], bits, masks))
            made[band, keyed] = row
        rows.append(made[band, keyed])
    return rows


def palette_for(bits):
    return [COLOURS[i % len(COLOURS)] for i in range(1 << bits)]


def write_corpus(out, tile, max_bytes):
    os.makedirs(out, exist_ok=True)
    manifest = []

    def add(name, data, verdict, skins=0):
        if max_bytes is not None and len(data) > max_bytes:
            return
        with open(os.path.join(out, name + ".bmp"), "wb") as f:
            f.write(data)
        manifest.append((name + ".bmp", verdict, skins))

    W, H = 238, 70  # two skins and two rows over
    RGB555 = [0x7C00, 0x03E0, 0x001F]
    RGB565 = [0xF800, 0x07E0, 0x001F]
    XRGB = [0x00FF0000, 0x0000FF00, 0x000000FF]
    ARGB = XRGB + [0xFF000000]

    # Sheets a paint program may make: every depth and layout the game takes.
    good = {
        "b1_palette": bmp(W, H, 1, palette=palette_for(1)),
        "b4_palette": bmp(W, H, 4, palette=palette_for(4)),
        "b4_palette_6_used": bmp(W, H, 4, palette=COLOURS),
        "b8_palette": bmp(W, H, 8, palette=palette_for(8)),
        "b8_palette_6_used": bmp(W, H, 8, palette=COLOURS),
        "b8_topdown": bmp(W, H, 8, palette=COLOURS, top_down=True),
        "b16_x1r5g5b5": bmp(W, H, 16, pattern(W, H, 16, key=0x3E0)),
        "b16_x1r5g5b5_topdown": bmp(W, H, 16, pattern(W, H, 16, key=0x3E0), top_down=True),
        "b16_x1r5g5b5_bitfields": bmp(W, H, 16, pattern(W, H, 16, RGB555, key=0x3E0),
                                      compression=3, masks=RGB555),
        "b16_565_bitfields": bmp(W, H, 16, pattern(W, H, 16, RGB565, key=0x3E0),
                                 compression=3, masks=RGB565),
        "b16_565_v5": bmp(W, H, 16, pattern(W, H, 16, RGB565), info=124, compression=3, masks=RGB565),
        "b16_565_info52": bmp(W, H, 16, pattern(W, H, 16, RGB565), info=52, compression=3, masks=RGB565),
        "b24": bmp(W, H, 24),
        "b24_topdown": bmp(W, H, 24, top_down=True),
        "b24_v4": bmp(W, H, 24, info=108),
        "b24_v5": bmp(W, H, 24, info=124),
        "b24_core": bmp(W, H, 24, info=12),
        "b24_os2_64": bmp(W, H, 24, info=64),
        "b8_core": bmp(W, H, 8, info=12, palette=palette_for(8)),
        "b32": bmp(W, H, 32),
        "b32_bitfields": bmp(W, H, 32, pattern(W, H, 32, XRGB), compression=3, masks=XRGB),
        "b32_bitfields_bgrx": bmp(W, H, 32, pattern(W, H, 32, [0xFF00, 0xFF0000, 0xFF000000]),
                                  compression=3, masks=[0xFF00, 0xFF0000, 0xFF000000]),
        "b32_v5_alpha": bmp(W, H, 32, pattern(W, H, 32, ARGB), info=124, compression=3, masks=ARGB),
        "b32_info56_alpha": bmp(W, H, 32, pattern(W, H, 32, ARGB), info=56, compression=3, masks=ARGB),
        "b32_v4_topdown": bmp(W, H, 32, info=108, top_down=True),
        "rle8": bmp(W, H, 8, compression=1, palette=COLOURS, data=rle_encode(pattern(W, H, 8), 8)),
        "rle8_absolute": bmp(W, H, 8, compression=1, palette=COLOURS,
                             data=rle_encode(pattern(W, H, 8), 8, absolute=True)),
        "rle4": bmp(W, H, 4, compression=2, palette=COLOURS, data=rle_encode(pattern(W, H, 4), 4)),
        "rle4_absolute": bmp(W, H, 4, compression=2, palette=COLOURS,
                             data=rle_encode(pattern(W, H, 4), 4, absolute=True)),
        "all_green": bmp(W, 34, 16, [[0x3E0] * W for _ in range(34)]),
        "width_1": bmp(1, 34, 24),
        "height_top_down_34": bmp(W, 34, 16, top_down=True),
        "skins_255": bmp(W, 255 * 34 + 33, 1, palette=palette_for(1)),
        "pixels_2048x2048": bmp(2048, 2048, 1, palette=palette_for(1)),
        "trailing_bytes": bmp(W, H, 16) + b"\xAA" * 1000,
        "gap_before_pixels": bmp(W, H, 16, offset=4096),
        # The most memory a sheet may take: the largest 32-bit picture there may be.
        "b32_largest": bmp(2048, 2048, 32),
    }
    skins = {"all_green": 1, "width_1": 1, "height_top_down_34": 1, "skins_255": 255,
             "pixels_2048x2048": 60, "b32_largest": 60}
    for name, data in good.items():
        add(name, data, "draw", skins.get(name, 2))
    if tile:
        with open(tile, "rb") as f:
            ours = f.read()
        add("our_tile", ours, "draw", struct.unpack_from("<i", ours, 22)[0] // 34)

    base = good["b16_x1r5g5b5"]

    def patched(data, at, fmt, value):
        b = bytearray(data)
        struct.pack_into(fmt, b, at, value)
        return bytes(b)

    # Truncations at every header field boundary, in a plain, a bit-field and a palette sheet.
    cuts = {
        "b16": (base, [0, 1, 2, 6, 8, 10, 14, 18, 22, 26, 28, 30, 34, 38, 42, 46, 50, 54, 55]),
        "bitfields": (good["b16_565_bitfields"], [54, 58, 62, 66, 67]),
        "palette8": (good["b8_palette"], [54, 58, 54 + 4 * 128, 54 + 1023, 54 + 1024, 54 + 1025]),
        "v5": (good["b32_v5_alpha"], [54, 66, 70, 122, 137, 138, 139]),
        "core": (good["b24_core"], [18, 20, 22, 24, 26, 27]),
    }
    for what, (data, points) in cuts.items():
        for n in points:
            add(f"cut_{what}_at_{n}", data[:n], "refuse")
        add(f"cut_{what}_one_byte_short", data[:-1], "refuse")
        add(f"cut_{what}_half", data[:len(data) // 2], "refuse")

    # Signatures, header sizes, planes, depths, compressions.
    for sig in (b"BA", b"MB", b"bm", b"\0\0"):
        add("signature_" + sig.hex(), sig + base[2:], "refuse")
    for size in (0, 16, 39, 41, 100, 125, 0x7FFFFFFF, 0xFFFFFFFF):
        add(f"info_size_{size}", patched(base, 14, "<I", size), "refuse")
    for planes in (0, 2, 0xFFFF):
        add(f"planes_{planes}", patched(base, 26, "<H", planes), "refuse")
    for bits in (0, 2, 3, 7, 12, 15, 17, 48, 64, 0xFFFF):
        add(f"bits_{bits}", patched(base, 28, "<H", bits), "refuse")
    for comp, name in ((4, "jpeg"), (5, "png"), (6, "alphabitfields"), (7, "7"), (0xFFFFFFFF, "ffffffff"),
                       (1, "rle8_on_16"), (2, "rle4_on_16")):
        add(f"compression_{name}", patched(base, 30, "<I", comp), "refuse")
    add("compression_rle8_on_4_bits", patched(good["rle4"], 30, "<I", 1), "refuse")
    add("compression_rle4_on_8_bits", patched(good["rle8"], 30, "<I", 2), "refuse")
    add("compression_bitfields_on_24", bmp(W, H, 24, compression=3, masks=XRGB), "refuse")
    add("compression_bitfields_on_8", bmp(W, H, 8, compression=3, palette=COLOURS), "refuse")

    # Dimensions.
    dims = {"width_0": (0, H), "height_0": (W, 0), "width_negative": (-W, H), "height_33": (W, 33),
            "height_negative_33": (W, -33), "width_2049": (2049, 34), "height_8704": (1, 8704),
            "width_int_min": (-2**31, H), "height_int_min": (W, -2**31), "width_int_max": (2**31 - 1, H),
            "height_int_max": (W, 2**31 - 1), "pixels_2048x2049": (2048, 2049)}
    for name, (w, h) in dims.items():
        data = patched(patched(base, 18, "<i", w), 22, "<i", h)
        add("dims_" + name, data, "refuse")
    # The bomb: 54 bytes that claim 16000x50000 at 24 bits, and its cousins.
    for name, bits, w, h in (("bomb", 24, 16000, 50000), ("bomb_8", 8, 65535, 65535),
                             ("bomb_32_topdown", 32, 46341, -46341), ("bomb_1", 1, 2**31 - 1, 2**31 - 1)):
        add(name, b"BM" + struct.pack("<IHHIIiiHHIIiiII", 54, 0, 0, 54, 40, w, h, 1, bits, 0, 0, 0, 0, 0, 0),
            "refuse")
    add("bomb_core_65535", b"BM" + struct.pack("<IHHIIHHHH", 26, 0, 0, 26, 12, 65535, 65535, 1, 24), "refuse")
    add("one_by_one", bmp(1, 1, 24), "refuse")
    add("skins_300", bmp(W, 300 * 34, 1, palette=palette_for(1)), "refuse")

    # Bit-field masks.
    masks = {"zero_red": [0, 0x3E0, 0x1F], "zero_all": [0, 0, 0], "overlap_rg": [0x7E00, 0x3E0, 0x1F],
             "overlap_gb": [0x7C00, 0x3F0, 0x1F], "beyond_16_bits": [0x7C000, 0x3E0, 0x1F],
             "nine_bits": [0xFF80, 0x60, 0x1F], "same_mask": [0x1F, 0x1F, 0x1F]}
    for name, m in masks.items():
        add("masks_" + name, bmp(W, H, 16, compression=3, masks=m), "refuse")
    add("masks_32_overlap", bmp(W, H, 32, compression=3, masks=[0xFFFF0000, 0x00FFFF00, 0xFF]), "refuse")
    # Masks the header check lets through; the loader may still not know them.
    add("masks_scattered", bmp(W, H, 16, compression=3, masks=[0x5000, 0x0A00, 0x0005]), "either")
    add("masks_444", bmp(W, H, 16, compression=3, masks=[0xF00, 0xF0, 0xF]), "either")
    add("masks_alpha_overlap", bmp(W, H, 32, info=124, compression=3, masks=XRGB + [0x00FF0000]), "either")
    add("masks_alpha_16_wide", bmp(W, H, 16, info=124, compression=3, masks=RGB555 + [0xFFFF8000]), "either")

    # Palettes.
    for name, bits, count in (("1_bit_3", 1, 3), ("4_bit_17", 4, 17), ("8_bit_257", 8, 257),
                              ("8_bit_huge", 8, 0xFFFFFFFF), ("8_bit_2_pow_31", 8, 2**31)):
        add("palette_" + name, patched(bmp(W, H, bits, palette=palette_for(bits)), 46, "<I", count), "refuse")
    # Pixels naming colours past a short palette, plain and run-length coded.
    far = [[200] * W for _ in range(H)]
    add("palette_short_pixels_past", bmp(W, H, 8, far, palette=COLOURS[:2]), "either")
    add("palette_short_rle8_past", bmp(W, H, 8, compression=1, palette=COLOURS[:2],
                                      data=rle_encode(far, 8)), "either")
    add("palette_short_rle4_past", bmp(W, H, 4, compression=2, palette=COLOURS[:2],
                                      data=rle_encode([[15] * W for _ in range(H)], 4)), "either")
    add("palette_short_4_bit_past", bmp(W, H, 4, [[15] * W for _ in range(H)], palette=COLOURS[:2]), "either")

    # Pixel offsets.
    size = len(base)
    for name, off in (("past_end", size + 10), ("at_end", size), ("last_byte", size - 1),
                      ("inside_file_header", 10), ("inside_info", 30), ("zero", 0),
                      ("ffffffff", 0xFFFFFFFF)):
        add("offset_" + name, patched(base, 10, "<I", off), "refuse")
    add("offset_inside_palette", patched(good["b8_palette"], 10, "<I", 54 + 512), "refuse")
    add("offset_inside_masks", patched(good["b16_565_bitfields"], 10, "<I", 60), "refuse")

    # Run-length streams, corrupt in every way a decoder can be led astray.
    rle_rows = pattern(W, H, 8)
    good_rle = rle_encode(rle_rows, 8)
    corrupt = {
        "no_end": good_rle[:-2],
        "cut_mid_run": good_rle[:len(good_rle) // 2 + 1],
        "runs_past_width": bytes([255, 1] * 4 + [0, 0]) * H + b"\0\1",
        "delta_far": b"\0\2\xff\xff" * 40 + b"\0\1",
        "delta_then_runs": b"\0\2\xf0\x00" + bytes([255, 3] * 200) + b"\0\1",
        "eol_past_height": b"\0\0" * (H * 4) + bytes([50, 2]) + b"\0\1",
        "absolute_past_data": b"\0\xff" + b"\x01" * 20,
        "absolute_past_row": (b"\0\xfe" + b"\x02" * 254) * (H * 2) + b"\0\1",
        "only_escape": b"\0",
        "empty_runs": b"\0\0" * 2,
        "zero_length_runs": bytes([0, 3, 1, 2, 3, 0]) * 500 + b"\0\1",
    }
    for name, stream in corrupt.items():
        add("rle8_" + name, bmp(W, H, 8, compression=1, palette=COLOURS, data=stream), "either")
        add("rle4_" + name, bmp(W, H, 4, compression=2, palette=COLOURS, data=stream), "either")
    add("rle8_top_down", bmp(W, H, 8, compression=1, palette=COLOURS, data=good_rle, top_down=True), "either")
    add("rle4_odd_counts", bmp(W, H, 4, compression=2, palette=COLOURS,
                               data=bytes([33, 0x12, 1, 0x34, 3, 0x56]) * (H * 20) + b"\0\1"), "either")

    # Garbage behind a plausible header, from a fixed seed so the corpus is the same every time.
    rng = random.Random(7)
    for i in range(8):
        data = bytearray(base)
        for _ in range(40):
            data[rng.randrange(14, 80)] = rng.randrange(256)
        add(f"scrambled_header_{i}", bytes(data), "either")
    for i in range(4):
        add(f"random_bytes_{i}", b"BM" + bytes(rng.randrange(256) for _ in range(2000)), "either")

    # File sizes around the cap (16 MiB and 64 KiB: the largest 32-bit picture with room for
    # headers): the whole file is read, so the cap itself is the limit.
    cap = 16 * 1024 * 1024 + 64 * 1024
    add("size_cap", base + b"\0" * (cap - len(base)), "draw", 2)
    add("size_cap_and_1", base + b"\0" * (cap + 1 - len(base)), "refuse")
    add("size_17_mib", base + b"\0" * (17 * 1024 * 1024 - len(base)), "refuse")

    with open(os.path.join(out, "manifest.tsv"), "w") as f:
        for name, verdict, skins in manifest:
            f.write(f"{name}\t{verdict}\t{skins}\n")
    return manifest


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--tile", help="our own tile.bmp, added as a good sheet")
    parser.add_argument("--max-bytes", type=int, help="leave out files larger than this (fuzzing seeds)")
    args = parser.parse_args()
    manifest = write_corpus(args.out, args.tile, args.max_bytes)
    print(f"{len(manifest)} sheets in {args.out}")


if __name__ == "__main__":
    sys.exit(main())

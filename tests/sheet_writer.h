// Test tile sheets written byte by byte: every BMP layout a paint program makes, in one pattern.
#ifndef SEVENFOLD_TEST_SHEET_WRITER_H
#define SEVENFOLD_TEST_SHEET_WRITER_H

#include <SDL.h>

#include <algorithm>
#include <vector>

namespace sheetwriter {

using Bytes = std::vector<Uint8>;

inline void Put16(Bytes &b, size_t at, Uint32 v)
{
    b[at] = (Uint8)v;
    b[at + 1] = (Uint8)(v >> 8);
}
inline void Put32(Bytes &b, size_t at, Uint32 v)
{
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}
inline void Add16(Bytes &b, Uint32 v) { b.resize(b.size() + 2); Put16(b, b.size() - 2, v); }
inline void Add32(Bytes &b, Uint32 v) { b.resize(b.size() + 4); Put32(b, b.size() - 4, v); }

struct Rgb {
    Uint8 r, g, b;
};
// Colours every format holds exactly, none of them white (the board's background) or the key.
inline const Rgb COLOURS[] = {{0, 0, 0}, {0, 0, 255}, {0, 255, 255}, {255, 0, 0}, {255, 0, 255}, {255, 255, 0}};
inline const int COLOUR_COUNT = 6;
inline const Uint32 RGB555[] = {0x7C00, 0x03E0, 0x001F};
inline const Uint32 KEY = 0x3E0;

// How a sheet stores its pixels; the picture is always the same pattern. Setters chain so that
// a table row reads as a description.
struct Sheet {
    int width = 238, height = 70; // height is the magnitude; topDown stores it negated
    int bits = 16;
    Uint32 info = 40;             // information header size
    Uint32 compression = 0;       // 0 plain, 1 RLE8, 2 RLE4, 3 bit-fields
    std::vector<Uint32> masks;    // red, green, blue, alpha: inside a big header, after a small one
    int palette = 0;              // entries written and counted
    bool topDown = false;
    bool absolute = false;        // run-length data in literal stretches where it can

    Sheet &Bits(int b) { bits = b; return *this; }
    Sheet &Info(Uint32 i) { info = i; return *this; }
    Sheet &Masks(std::vector<Uint32> m) { compression = 3; masks = m; return *this; }
    Sheet &Palette(int n) { palette = n; return *this; }
    Sheet &TopDown() { topDown = true; return *this; }
    Sheet &Rle(bool literal = false) { compression = bits == 8 ? 1 : 2; absolute = literal; return *this; }
    Sheet &Size(int w, int h) { width = w; height = h; return *this; }

    int Colours() const { return bits <= 8 ? std::min(COLOUR_COUNT, palette) : COLOUR_COUNT; }
    // Raw 0x3E0 is a colour of this format that the pattern can hold.
    bool Keyed() const { return bits == 16; }
    std::vector<Uint32> DirectMasks() const
    {
        if (!masks.empty())
            return masks;
        if (bits == 16)
            return {RGB555[0], RGB555[1], RGB555[2]};
        return {0xFF0000, 0xFF00, 0xFF};
    }
};

// The pattern: cell (kind k, skin s) in colour (k + s) mod the colours there are; its first
// three pixels of each row step through the next colours (pixel order within a row); the
// middle of each cell holds the key where the format has it.
inline int ColourAt(const Sheet &s, int x, int y)
{
    int c = x / 34 + y / 34;
    if (x % 34 < 3)
        c += x % 34;
    return c % s.Colours();
}
inline bool KeyAt(const Sheet &s, int x, int y)
{
    return s.Keyed() && x % 34 >= 12 && x % 34 < 22 && y % 34 >= 12 && y % 34 < 22;
}

inline Uint32 RawColour(const Sheet &s, const Rgb &rgb)
{
    std::vector<Uint32> m = s.DirectMasks();
    const Uint8 parts[3] = {rgb.r, rgb.g, rgb.b};
    Uint32 raw = 0;
    for (int i = 0; i < 3; i++) {
        if (m[(size_t)i] == 0)
            continue; // a broken sheet's missing channel
        int shift = __builtin_ctz(m[i]), width = __builtin_popcount(m[i]);
        raw |= (Uint32)(width >= 8 ? parts[i] : parts[i] >> (8 - width)) << shift;
    }
    if (m.size() > 3)
        raw |= m[3]; // opaque
    return raw;
}

inline Uint32 RawAt(const Sheet &s, int x, int y)
{
    if (KeyAt(s, x, y))
        return KEY;
    int c = ColourAt(s, x, y);
    return s.bits <= 8 ? (Uint32)c : RawColour(s, COLOURS[c]);
}

inline Bytes PackedRow(const Sheet &s, int y)
{
    Bytes row;
    if (s.bits < 8) {
        int per = 8 / s.bits;
        row.assign((size_t)((s.width + per - 1) / per), 0);
        for (int x = 0; x < s.width; x++)
            row[(size_t)(x / per)] |= (Uint8)(RawAt(s, x, y) << (8 - s.bits * (x % per + 1)));
    } else {
        for (int x = 0; x < s.width; x++) {
            Uint32 v = RawAt(s, x, y);
            for (int i = 0; i < s.bits / 8; i++)
                row.push_back((Uint8)(v >> (8 * i)));
        }
    }
    row.resize((row.size() + 3) / 4 * 4, 0);
    return row;
}

// Run-length data, bottom row first: runs of equal pixels, or literal stretches when asked for.
inline Bytes RunLengths(const Sheet &s)
{
    Bytes out;
    for (int y = s.height - 1; y >= 0; y--) {
        int x = 0;
        while (x < s.width) {
            int end = x;
            while (end < s.width && end - x < 255 && RawAt(s, end, y) == RawAt(s, x, y))
                end++;
            if (s.absolute && end - x < 3 && s.width - x >= 3) {
                int n = std::min(s.width - x, 6);
                out.push_back(0);
                out.push_back((Uint8)n);
                Bytes literal;
                for (int i = 0; i < n; i++) {
                    Uint32 v = RawAt(s, x + i, y);
                    if (s.bits == 8)
                        literal.push_back((Uint8)v);
                    else if (i % 2 == 0)
                        literal.push_back((Uint8)(v << 4));
                    else
                        literal.back() |= (Uint8)v;
                }
                literal.resize((literal.size() + 1) / 2 * 2, 0);
                out.insert(out.end(), literal.begin(), literal.end());
                x += n;
                continue;
            }
            Uint32 v = RawAt(s, x, y);
            out.push_back((Uint8)(end - x));
            out.push_back((Uint8)(s.bits == 8 ? v : v << 4 | v));
            x = end;
        }
        out.push_back(0);
        out.push_back(0);
    }
    out.push_back(0);
    out.push_back(1);
    return out;
}

inline Bytes Write(const Sheet &s)
{
    Bytes pixels;
    if (s.compression == 1 || s.compression == 2) {
        pixels = RunLengths(s);
    } else {
        for (int i = 0; i < s.height; i++) {
            Bytes row = PackedRow(s, s.topDown ? i : s.height - 1 - i);
            pixels.insert(pixels.end(), row.begin(), row.end());
        }
    }
    Bytes h;
    if (s.info == 12) {
        Add32(h, 12);
        Add16(h, (Uint32)s.width);
        Add16(h, (Uint32)(s.topDown ? -s.height : s.height));
        Add16(h, 1);
        Add16(h, (Uint32)s.bits);
    } else {
        Add32(h, s.info);
        Add32(h, (Uint32)s.width);
        Add32(h, (Uint32)(s.topDown ? -s.height : s.height));
        Add16(h, 1);
        Add16(h, (Uint32)s.bits);
        Add32(h, s.compression);
        Add32(h, (Uint32)pixels.size());
        Add32(h, 2835);
        Add32(h, 2835);
        Add32(h, (Uint32)s.palette);
        Add32(h, 0);
        std::vector<Uint32> m = s.masks;
        m.resize(4, 0);
        if (s.info == 40 && s.compression == 3) {
            for (int i = 0; i < 3; i++)
                Add32(h, m[(size_t)i]);
        } else if (s.info > 40) {
            for (size_t i = 0; i < 4 && h.size() < s.info; i++)
                Add32(h, s.info == 64 ? 0 : m[i]);
            if (s.info >= 108)
                Add32(h, 0x73524742); // sRGB
            h.resize(s.info, 0);
        }
    }
    for (int i = 0; i < s.palette; i++) {
        const Rgb &c = COLOURS[i % COLOUR_COUNT];
        h.push_back(c.b);
        h.push_back(c.g);
        h.push_back(c.r);
        if (s.info != 12)
            h.push_back(0);
    }
    Bytes file = {'B', 'M'};
    Add32(file, (Uint32)(14 + h.size() + pixels.size()));
    Add32(file, 0);
    Add32(file, (Uint32)(14 + h.size()));
    file.insert(file.end(), h.begin(), h.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

} // namespace sheetwriter

#endif

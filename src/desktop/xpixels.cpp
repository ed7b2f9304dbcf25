// The picture's RGB565 pixels as a window's visual takes them, scaled by a whole number: pure arithmetic.
#include "desktop/x11.h"

#include <X11/Xutil.h>
#include <string.h>

#include "desktop/sdl2.h"
#include "gfx/gfx.h"

static int Shift(unsigned long mask)
{
    int shift = 0;
    while (shift < 32 && !(mask >> shift & 1))
        shift++;
    return shift;
}

int MakeVisualPixels(const Visual *v, int depth, VisualPixels *p)
{
    // SDL may choose a visual other than the screen's default (a DirectColor one, say): the
    // pixels are made for the window's own visual and depth, or X answers BadMatch.
    if (v->c_class != TrueColor && v->c_class != DirectColor)
        return 0;
    // 8 bits a colour at depths 24 and 32, 10 at depth 30, RGB565 itself at depth 16.
    int bits = depth == 30 ? 10 : 8;
    if (depth != 16 && depth != 24 && depth != 30 && depth != 32)
        return 0;
    if (depth == 16 ? v->red_mask != 0xF800 || v->green_mask != 0x07E0 || v->blue_mask != 0x001F
                    : v->red_mask >> Shift(v->red_mask) != (1ul << bits) - 1 ||
                          v->green_mask >> Shift(v->green_mask) != (1ul << bits) - 1 ||
                          v->blue_mask >> Shift(v->blue_mask) != (1ul << bits) - 1)
        return 0;
    p->depth = depth;
    p->bytes = depth == 16 ? 2 : 4;
    // RGB565 as SDL widens it for the window; at 10 bits the 8-bit value again, its top two bits
    // below it.
    for (int i = 0; i < 64; i++) {
        Uint32 five = Widen5((Uint32)i % 32), six = Widen6((Uint32)i);
        if (bits == 10) {
            five = five << 2 | five >> 6;
            six = six << 2 | six >> 6;
        }
        if (depth == 16)
            five = (Uint32)i % 32, six = (Uint32)i;
        if (i < 32) {
            p->red[i] = five << Shift(v->red_mask);
            p->blue[i] = five << Shift(v->blue_mask);
        }
        p->green[i] = six << Shift(v->green_mask);
    }
    p->mask = v->red_mask | v->green_mask | v->blue_mask;
    return 1;
}

// The rectangle in pixels of type P: each picture pixel repeated s times along a row, and each
// row s times.
template <typename P> static void Scale(const VisualPixels &p, const SDL_Rect &r, int s, P *out)
{
    const int ow = r.w * s;
    for (int y = 0; y < r.h; y++) {
        const Uint16 *from = ScreenRow(r.y + y) + r.x;
        P *line = out + (size_t)y * s * ow;
        for (int c = 0; c < r.w; c++) {
            P pixel = (P)VisualPixel(p, from[c]);
            for (int k = 0; k < s; k++)
                line[c * s + k] = pixel;
        }
        for (int k = 1; k < s; k++)
            memcpy(line + (size_t)k * ow, line, (size_t)ow * sizeof(P));
    }
}

void ScaleRect(const VisualPixels &p, const SDL_Rect &r, int s, Uint8 *out)
{
    if (p.bytes == 2)
        Scale(p, r, s, (Uint16 *)out);
    else
        Scale(p, r, s, (Uint32 *)out);
}

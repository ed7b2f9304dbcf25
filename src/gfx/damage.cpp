// Where the screen changed since it was last shown: the drawings noted, and their pixels compared with a copy of the shown picture.
#include "gfx/damage.h"

#include <string.h>

enum { TILE = 16, TILES_X = SCREEN_W / TILE, TILES_Y = SCREEN_H / TILE };

// A rectangle by its edges, [x0, x1) x [y0, y1); x1 == 0 when it holds nothing.
struct Box {
    int x0, y0, x1, y1;
};

// b grown to hold [x0, x1) x [y0, y1) too, which is not empty.
static void Grow(Box *b, int x0, int y0, int x1, int y1)
{
    if (b->x1 == 0) {
        b->x0 = x0;
        b->y0 = y0;
        b->x1 = x1;
        b->y1 = y1;
        return;
    }
    if (x0 < b->x0)
        b->x0 = x0;
    if (y0 < b->y0)
        b->y0 = y0;
    if (x1 > b->x1)
        b->x1 = x1;
    if (y1 > b->y1)
        b->y1 = y1;
}

// The picture as it was last shown, and the box the screen has been drawn into since. All zero
// at start, so that the copy takes no room in the program file.
static Uint16 shownPixels[SCREEN_H][SCREEN_W];
static Box drawn;

void ScreenDrawn(Sint16 x, Sint16 y, Uint16 w, Uint16 h)
{
    screenDraws++;
    // SDL draws nothing outside the screen's clip: a picture composed piece by piece is drawn
    // whole but clipped, and only the piece counts.
    const SDL_Rect &clip = screen->clip_rect;
    int x0 = x < clip.x ? clip.x : x, y0 = y < clip.y ? clip.y : y;
    int x1 = x + w > clip.x + clip.w ? clip.x + clip.w : x + w, y1 = y + h > clip.y + clip.h ? clip.y + clip.h : y + h;
    if (x0 < x1 && y0 < y1)
        Grow(&drawn, x0, y0, x1, y1);
}

const Uint16 *ScreenRow(int y)
{
    return (const Uint16 *)PixelRow(screen, y);
}

int DrawnSinceShown(void)
{
    return drawn.x1 != 0;
}

void Shown(const SDL_Rect *rects, int count)
{
    drawn.x1 = 0;
    for (int i = 0; i < count; i++)
        for (int y = rects[i].y; y < rects[i].y + rects[i].h; y++)
            memcpy(&shownPixels[y][rects[i].x], ScreenRow(y) + rects[i].x, (size_t)rects[i].w * 2);
}

// The smallest rectangle within r that holds every pixel differing from the display's; 0 if none.
static int Tighten(SDL_Rect *r)
{
    int top = -1, bottom = -1, left = r->x + r->w, right = r->x;
    for (int y = r->y; y < r->y + r->h; y++) {
        const Uint16 *now = ScreenRow(y), *was = shownPixels[y];
        int a = r->x, b = r->x + r->w;
        while (a < b && now[a] == was[a])
            a++;
        if (a == b)
            continue;
        while (now[b - 1] == was[b - 1])
            b--;
        if (top < 0)
            top = y;
        bottom = y + 1;
        if (a < left)
            left = a;
        if (b > right)
            right = b;
    }
    if (top < 0)
        return 0;
    r->x = (Sint16)left;
    r->y = (Sint16)top;
    r->w = (Uint16)(right - left);
    r->h = (Uint16)(bottom - top);
    return 1;
}

// The rectangles of the screen whose pixels differ from the display's, looked for where the
// screen was drawn into: 16x16 blocks that differ, joined into rectangles, each cut down to the
// pixels that differ. Returns their count; -1 when so much changed that all is shown anyway.
int Changes(SDL_Rect *rects)
{
    static Uint8 dirty[TILES_Y][TILES_X];
    memset(dirty, 0, sizeof dirty);
    int x0 = drawn.x0, x1 = drawn.x1;
    int any = 0;
    for (int y = drawn.y0; y < drawn.y1; y++) {
        const Uint16 *now = ScreenRow(y), *was = shownPixels[y];
        if (memcmp(now + x0, was + x0, (size_t)(x1 - x0) * 2) == 0)
            continue;
        for (int t = x0 / TILE; t * TILE < x1; t++) {
            int a = t * TILE > x0 ? t * TILE : x0, b = (t + 1) * TILE < x1 ? (t + 1) * TILE : x1;
            if (!dirty[y / TILE][t] && memcmp(now + a, was + a, (size_t)(b - a) * 2) != 0)
                dirty[y / TILE][t] = any = 1;
        }
    }
    if (!any)
        return 0;
    // Each run of dirty blocks in a row of blocks, carried down while the rows below repeat it.
    int count = 0, area = 0;
    Box bounds = {0, 0, 0, 0};
    for (int ty = 0; ty < TILES_Y; ty++) {
        for (int tx = 0; tx < TILES_X; tx++) {
            if (dirty[ty][tx] != 1)
                continue;
            int end = tx;
            while (end < TILES_X && dirty[ty][end] == 1)
                end++;
            int below = ty + 1;
            for (; below < TILES_Y; below++) {
                int same = 1;
                for (int t = tx; t < end && same; t++)
                    same = dirty[below][t] == 1;
                if (!same)
                    break;
            }
            for (int y = ty; y < below; y++)
                for (int t = tx; t < end; t++)
                    dirty[y][t] = 2;
            SDL_Rect r;
            r.x = (Sint16)(tx * TILE);
            r.y = (Sint16)(ty * TILE);
            r.w = (Uint16)((end - tx) * TILE);
            r.h = (Uint16)((below - ty) * TILE);
            if (!Tighten(&r))
                continue;
            Grow(&bounds, r.x, r.y, r.x + r.w, r.y + r.h);
            area += r.w * r.h;
            if (count < MOST_RECTS)
                rects[count] = r;
            count++;
            tx = end - 1;
        }
    }
    // Past that many pieces, or where they fill most of a rectangle around them all (a cursor's
    // outline, two neighbouring cells), that one rectangle costs less than their requests.
    int boundsArea = (bounds.x1 - bounds.x0) * (bounds.y1 - bounds.y0);
    if (count > MOST_RECTS || (count > 1 && boundsArea <= 2 * area)) {
        rects[0].x = (Sint16)bounds.x0;
        rects[0].y = (Sint16)bounds.y0;
        rects[0].w = (Uint16)(bounds.x1 - bounds.x0);
        rects[0].h = (Uint16)(bounds.y1 - bounds.y0);
        count = 1;
        area = boundsArea;
    }
    return area * 2 > SCREEN_W * SCREEN_H ? -1 : count;
}


// Showing the screen: the whole of it, or on a desktop only the rectangles whose pixels changed.
#include "gfx/gfx.h"

#include <string.h>


Uint8 partialPresents = 0;
int (*presentRects)(const SDL_Rect *rects, int count) = NULL;

enum { W = 320, H = 240, TILE = 16, TILES_X = W / TILE, TILES_Y = H / TILE, MOST_RECTS = 24 };

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

// The display as the partial presents know it: the screen as it was last shown, and where the
// screen has been drawn into since. All zero at start, so that the copy takes no room in the
// program file; the first present is whole all the same, its screen not yet display.screen.
static struct {
    Uint16 pixels[H][W];
    Uint8 whole;       // the next present must show everything: the display's pixels are unknown
    Uint8 sdlIsStale;  // the host showed rectangles SDL does not know of: SDL may show only all
    SDL_Surface *screen;
    Box drawn;
} display;

static Uint32 lastShownBySdl; // SDL_GetTicks() when SDL's last update returned
// sdl12-compat shows an update of parts at once only when its frame time has passed since its
// last present, which it also makes on its own while it looks for events (an expose, say):
// sooner, it holds the update back until the next look after that time. The loop looks then,
// or the window would show the picture before, and go on a step behind at every tick.
enum { SDL_FRAME_MS = 17 };
static Uint32 heldSince;
static Uint8 mayBeHeld;

void ScreenDrawn(Sint16 x, Sint16 y, Uint16 w, Uint16 h)
{
    screenDraws++;
    int x0 = x < 0 ? 0 : x, y0 = y < 0 ? 0 : y;
    int x1 = x + w > W ? W : x + w, y1 = y + h > H ? H : y + h;
    if (x0 < x1 && y0 < y1)
        Grow(&display.drawn, x0, y0, x1, y1);
}

const Uint16 *ScreenRow(int y)
{
    return (const Uint16 *)PixelRow(screen, y);
}

static void Remember(const SDL_Rect *r)
{
    for (int y = r->y; y < r->y + r->h; y++)
        memcpy(&display.pixels[y][r->x], ScreenRow(y) + r->x, (size_t)r->w * 2);
}

static void ShowWhole(void)
{
    SDL_UpdateRect(screen, 0, 0, W, H);
    lastShownBySdl = SDL_GetTicks();
    display.sdlIsStale = 0;
    display.drawn.x1 = 0;
    // Without partial presents the copy is not kept, and the first partial one must be whole.
    display.whole = !partialPresents;
    display.screen = screen;
    if (!partialPresents)
        return;
    SDL_Rect all = {0, 0, W, H};
    Remember(&all);
    // The host may look whether the display shows what its own presents would have put there.
    if (presentRects != NULL && presentRects(NULL, 0) < 0)
        display.whole = 1;
}

// The smallest rectangle within r that holds every pixel differing from the display's; 0 if none.
static int Tighten(SDL_Rect *r)
{
    int top = -1, bottom = -1, left = r->x + r->w, right = r->x;
    for (int y = r->y; y < r->y + r->h; y++) {
        const Uint16 *now = ScreenRow(y), *was = display.pixels[y];
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
static int Changes(SDL_Rect *rects)
{
    static Uint8 dirty[TILES_Y][TILES_X];
    memset(dirty, 0, sizeof dirty);
    int x0 = display.drawn.x0, x1 = display.drawn.x1;
    int any = 0;
    for (int y = display.drawn.y0; y < display.drawn.y1; y++) {
        const Uint16 *now = ScreenRow(y), *was = display.pixels[y];
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
    return area * 2 > W * H ? -1 : count;
}

void UpdateScreen(void)
{
    if (!partialPresents || display.whole || display.screen != screen || screen->w != W || screen->h != H ||
        screen->format->BytesPerPixel != 2 || SDL_MUSTLOCK(screen)) {
        ShowWhole();
        return;
    }
    if (display.drawn.x1 == 0)
        return; // nothing drawn since the last present
    SDL_Rect rects[MOST_RECTS];
    int count = Changes(rects);
    display.drawn.x1 = 0;
    if (count == 0)
        return;
    if (count < 0) {
        ShowWhole();
        return;
    }
    int shownByHost = presentRects != NULL ? presentRects(rects, count) : 0;
    if (shownByHost < 0) {
        ShowWhole();
        return;
    }
    if (shownByHost == 0) {
        // SDL's own update of a part: sdl12-compat copies the rectangles and then presents its
        // whole picture, so it may do that only while its picture holds all that was shown.
        // It presents at once only when its frame time (15 ms, or one refresh) has passed
        // since its last present, and then only when asked again; an empty update asks. Sooner
        // than that the rectangles would wait for the next event pump, so the whole screen goes.
        if (display.sdlIsStale || SDL_GetTicks() - lastShownBySdl < 50) {
            ShowWhole();
            return;
        }
        for (int i = 0; i < count; i++)
            SDL_UpdateRect(screen, rects[i].x, rects[i].y, rects[i].w, rects[i].h);
        SDL_UpdateRects(screen, 0, NULL);
        lastShownBySdl = heldSince = SDL_GetTicks();
        mayBeHeld = 1;
    } else {
        display.sdlIsStale = 1;
    }
    for (int i = 0; i < count; i++)
        Remember(&rects[i]);
}

int PresentDue(Uint32 looked)
{
    if (!mayBeHeld)
        return -1;
    // A look that came a frame time after the update has shown what SDL held back.
    if ((Sint32)(looked - heldSince) >= SDL_FRAME_MS) {
        mayBeHeld = 0;
        return -1;
    }
    Sint32 left = (Sint32)(heldSince + SDL_FRAME_MS - SDL_GetTicks());
    return left > 0 ? (int)left : 0;
}

void ScreenTouched(void)
{
    // As if drawn over: what was shown before can no longer be taken for what the window holds.
    screenDraws++;
    display.whole = 1;
}

// The desktop's one composer: every frame drawn from the layers, where they changed, and presented.
#include "game/desktop/features.h"

#include <string.h>

#include "desktop/desktop.h"

// Bottom to top.
static const Layer *const layers[] = {&boardLayer,  &hintLayer,  &cursorLayer, &pointsLayer, &noMoveLayer,
                                     &panelLayer, &bannerLayer, &coverLayer,  &cardLayer};
enum { LAYERS = sizeof layers / sizeof layers[0], DIRTY_MOST = 16 };

static Look last[LAYERS];      // each layer's look at the last frame; no pieces where it showed nothing
static Uint8 wholeAsked = 1;   // the next frame draws every pixel: the first one too
static SDL_Surface *composedOn; // the screen the last frame was drawn on
static Uint32 drawsPresented;  // screenDraws once the last frame was presented
static Uint32 dueAt;           // the host clock at which a layer changes by itself next, while dueSet
static Uint8 dueSet;

Uint64 Print(Uint64 print, const void *bytes, size_t size)
{
    for (size_t i = 0; i < size; i++)
        print = (print ^ ((const Uint8 *)bytes)[i]) * 1099511628211ull;
    return print;
}

void AddPiece(Look *look, Sint16 x, Sint16 y, Uint16 w, Uint16 h, Uint64 print)
{
    if (look->count >= PIECES_MOST)
        return;
    Piece *p = &look->piece[look->count++];
    p->at.x = x;
    p->at.y = y;
    p->at.w = w;
    p->at.h = h;
    p->print = print;
}

void AskWholeFrame(void)
{
    wholeAsked = 1;
}

static int Meet(const SDL_Rect &a, const SDL_Rect &b)
{
    return a.x <= b.x + b.w && b.x <= a.x + a.w && a.y <= b.y + b.h && b.y <= a.y + a.h;
}

static int Overlap(const SDL_Rect &a, const SDL_Rect &b)
{
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

static SDL_Rect Union(const SDL_Rect &a, const SDL_Rect &b)
{
    int x0 = a.x < b.x ? a.x : b.x, y0 = a.y < b.y ? a.y : b.y;
    int x1 = a.x + a.w > b.x + b.w ? a.x + a.w : b.x + b.w, y1 = a.y + a.h > b.y + b.h ? a.y + a.h : b.y + b.h;
    SDL_Rect u = {(Sint16)x0, (Sint16)y0, (Uint16)(x1 - x0), (Uint16)(y1 - y0)};
    return u;
}

// Where the frame draws again: rectangles that meet are joined, and past DIRTY_MOST all are one.
struct Dirty {
    int count;
    SDL_Rect rect[DIRTY_MOST];
};

static void AddDirty(Dirty *d, SDL_Rect r)
{
    if (r.w == 0 || r.h == 0)
        return;
    for (int i = 0; i < d->count; i++) {
        if (Meet(d->rect[i], r)) {
            // The joined one may now meet others: it goes in again.
            r = Union(d->rect[i], r);
            d->rect[i] = d->rect[--d->count];
            AddDirty(d, r);
            return;
        }
    }
    if (d->count < DIRTY_MOST) {
        d->rect[d->count++] = r;
        return;
    }
    for (int i = 1; i < d->count; i++)
        r = Union(r, d->rect[i]);
    d->rect[0] = Union(r, d->rect[0]);
    d->count = 1;
}

// Every piece of either look that is not the same in both, in the same place.
static void Compare(const Look &was, const Look &is, Dirty *dirty)
{
    int most = was.count > is.count ? was.count : is.count;
    for (int k = 0; k < most; k++) {
        if (k < was.count && k < is.count && memcmp(&was.piece[k].at, &is.piece[k].at, sizeof(SDL_Rect)) == 0 &&
            was.piece[k].print == is.piece[k].print)
            continue;
        if (k < was.count)
            AddDirty(dirty, was.piece[k].at);
        if (k < is.count)
            AddDirty(dirty, is.piece[k].at);
    }
}

int ComposeFrame(void)
{
    if (screen == NULL)
        return -1;
    // A move in motion plays on by itself, its sounds with it, and a timed game's clock runs:
    // brought to now once, before any layer looks, every layer looks at the same moment of them.
    // The window's title follows the game-over banner.
    PlayShowToNow();
    BringClockUp();
    TitleTheWindow();
    static Look now[LAYERS];
    Dirty dirty;
    dirty.count = 0;
    for (int i = 0; i < LAYERS; i++) {
        now[i].count = 0;
        if (layers[i]->shows())
            layers[i]->look(&now[i]);
        Compare(last[i], now[i], &dirty);
    }
    if (wholeAsked || composedOn != screen) {
        SDL_Rect all = {0, 0, 320, 240};
        dirty.count = 0;
        AddDirty(&dirty, all);
        wholeAsked = 0;
        composedOn = screen;
    }
    for (int d = 0; d < dirty.count; d++) {
        SDL_SetClipRect(screen, &dirty.rect[d]);
        for (int i = 0; i < LAYERS; i++) {
            int there = 0;
            for (int k = 0; k < now[i].count && !there; k++)
                there = Overlap(now[i].piece[k].at, dirty.rect[d]);
            if (there)
                layers[i]->draw();
        }
    }
    SDL_SetClipRect(screen, NULL);
    // Anything else that changed the screen's standing, a window made anew, is shown too.
    if (dirty.count > 0 || screenDraws != drawsPresented) {
        UpdateScreen();
        drawsPresented = screenDraws;
    }
    for (int i = 0; i < LAYERS; i++) {
        last[i].count = now[i].count;
        memcpy(last[i].piece, now[i].piece, sizeof(Piece) * (size_t)now[i].count);
    }
    int due = -1;
    for (int i = 0; i < LAYERS; i++) {
        int next = now[i].count > 0 ? layers[i]->next() : -1;
        if (next >= 0 && (due < 0 || next < due))
            due = next;
    }
    dueSet = due >= 0;
    dueAt = HostClock() + (Uint32)(due > 0 ? due : 0);
    return due;
}

Uint32 FrameTime(void)
{
    return HostClock() / FRAME_MS * FRAME_MS;
}

int NextFrame(void)
{
    return (int)(FRAME_MS - HostClock() % FRAME_MS);
}

int FrameDue(void)
{
    if (!dueSet)
        return -1;
    Sint32 left = (Sint32)(dueAt - HostClock());
    return left > 0 ? (int)left : 0;
}

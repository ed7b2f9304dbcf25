// Showing the screen: the whole of it, or on a desktop only the rectangles whose pixels changed.
#include "gfx/gfx.h"

#include "gfx/damage.h"

Uint8 partialPresents = 0;
int (*presentRects)(const SDL_Rect *rects, int count) = NULL;

// What the partial presents know of the display, apart from its pixels.
static struct {
    Uint8 whole;       // the next present must show everything: the display's pixels are unknown
    Uint8 sdlIsStale;  // the host showed rectangles SDL does not know of: SDL may show only all
    SDL_Surface *screen; // the screen last shown whole: the first present, and one after a new mode, are whole
} display;

static Uint32 lastShownBySdl; // SDL_GetTicks() when SDL's last update returned
// sdl12-compat shows an update of parts at once only when its frame time has passed since its
// last present, which it also makes on its own while it looks for events (an expose, say):
// sooner, it holds the update back until the next look after that time. The loop looks then,
// or the window would show the picture before, and go on a step behind at every tick.
enum { SDL_FRAME_MS = 17 };
static Uint32 heldSince;
static Uint8 mayBeHeld;

static void ShowWhole(void)
{
    SDL_UpdateRect(screen, 0, 0, SCREEN_W, SCREEN_H);
    lastShownBySdl = SDL_GetTicks();
    display.sdlIsStale = 0;
    // Without partial presents the copy is not kept, and the first partial one must be whole.
    display.whole = !partialPresents;
    display.screen = screen;
    SDL_Rect all = {0, 0, SCREEN_W, SCREEN_H};
    Shown(&all, partialPresents ? 1 : 0);
    if (!partialPresents)
        return;
    // The host may look whether the display shows what its own presents would have put there.
    if (presentRects != NULL && presentRects(NULL, 0) < 0)
        display.whole = 1;
}

void UpdateScreen(void)
{
    if (!partialPresents || display.whole || display.screen != screen || screen->w != SCREEN_W || screen->h != SCREEN_H ||
        screen->format->BytesPerPixel != 2 || SDL_MUSTLOCK(screen)) {
        ShowWhole();
        return;
    }
    if (!DrawnSinceShown())
        return; // nothing drawn since the last present
    SDL_Rect rects[MOST_RECTS];
    int count = Changes(rects);
    if (count == 0) {
        Shown(rects, 0);
        return;
    }
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
    Shown(rects, count);
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

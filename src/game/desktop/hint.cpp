// A hint on a desktop: H (or the pad's north button) rings the two tiles of a swap that makes a run, and the rings fade.
#include "game/desktop/features.h"

#include <string.h>

#include "board/board.h"
#include "desktop/desktop.h"
#include "gfx/gfx.h"

// How long the rings take to fade, and how often they are drawn meanwhile.
enum { HINT_MS = 1500, HINT_FRAME_MS = 40, RING = 3 };

static struct {
    Uint8 shown;
    Sint16 cells[4];          // the swap: x, y of one tile, x, y of its neighbour
    Uint8 board[BOARD_CELLS]; // the board it was found on: any other ends it
    Uint32 start, nextFrame;
} hint;

// A gold ring round a cell, the rest of it keyed: faded by its alpha.
static SDL_Surface *Ring(void)
{
    static SDL_Surface *ring;
    if (ring == NULL && screen != NULL) {
        const SDL_PixelFormat *f = screen->format;
        ring = SDL_CreateRGBSurface(SDL_SWSURFACE, CELL, CELL, f->BitsPerPixel, f->Rmask, f->Gmask, f->Bmask, 0);
        if (ring != NULL) {
            Uint32 gold = SDL_MapRGB(ring->format, 255, 214, 40), key = SDL_MapRGB(ring->format, 255, 0, 255);
            SDL_FillRect(ring, NULL, gold);
            SDL_Rect inside = {RING, RING, CELL - 2 * RING, CELL - 2 * RING};
            SDL_FillRect(ring, &inside, key);
            SDL_SetColorKey(ring, SDL_SRCCOLORKEY, key);
        }
    }
    return ring;
}

static int HintShown(void)
{
    if (hint.shown && (memcmp(hint.board, table, sizeof table) != 0 || HostClock() - hint.start >= HINT_MS))
        hint.shown = 0;
    return hint.shown;
}

void ShowHint(void)
{
    // With no move left there is none to show; the game is over then anyway.
    if (!FindMove(hint.cells))
        return;
    memcpy(hint.board, table, sizeof table);
    hint.shown = 1;
    hint.start = HostClock();
    hint.nextFrame = hint.start;
}

void DrawHint(void)
{
    SDL_Surface *ring = Ring();
    if (!HintShown() || ring == NULL)
        return;
    // Full strength at first, then fading out.
    Uint32 ms = HostClock() - hint.start;
    SDL_SetAlpha(ring, SDL_SRCALPHA, (Uint8)(255 - 255 * ms / HINT_MS));
    for (int i = 0; i < 4; i += 2)
        PutSurface(ring, screen, 0, 0, CellX(hint.cells[i]), CellY(hint.cells[i + 1]), CELL, CELL);
}

int HintFrame(void)
{
    if (!hint.shown)
        return -1;
    Uint32 now = HostClock();
    if ((Sint32)(now - hint.nextFrame) < 0)
        return (int)(hint.nextFrame - now);
    // Drawn without the rings once they have faded.
    int going = HintShown();
    DrawBoardLayers();
    DrawCursorFrame();
    UpdateScreen();
    hint.nextFrame = now + HINT_FRAME_MS;
    return going ? HINT_FRAME_MS : -1;
}

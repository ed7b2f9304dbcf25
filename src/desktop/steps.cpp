// The steps of a resolution shown on a desktop: the runs marked, then the board after the fall, each for a moment.
#include "desktop/desktop.h"

#include "board/board.h"
#include "gfx/gfx.h"

// Set when a quit is waiting: the rest of the resolution goes by without pauses, so that closing
// the window during a long cascade ends the game at once. The next tick starts afresh.
static Uint8 hurry;

void ClearingBeforeTick(void)
{
    hurry = 0;
}

// Waits while the step is on screen. Everything the player does meanwhile stays in SDL's queue
// and is handled after the tick, in order; only a quit is looked for.
static void Pause(void)
{
    Uint32 start = SDL_GetTicks();
    while (!hurry && SDL_GetTicks() - start < clearingShowMs) {
        SDL_PumpEvents();
        SDL_Event quit;
        if (SDL_PeepEvents(&quit, 1, SDL_PEEKEVENT, SDL_QUITMASK) > 0)
            hurry = 1;
        else
            SDL_Delay(5);
    }
}

void PlatformShowRuns(void)
{
    if (clearingShowMs == 0 || hurry)
        return;
    // The board as the swap left it, the tiles about to vanish faded over white (DrawPan leaves
    // a marked cell white).
    DrawPan();
    for (int i = 0; i < BOARD_CELLS; i++)
        if (same[i] != 0)
            DrawCellFaded(i % 7, i / 7, 96);
    UpdateScreen();
    Pause();
}

void PlatformShowFall(void)
{
    // The resolution has just shown the board after the fall and refill.
    if (clearingShowMs != 0)
        Pause();
}

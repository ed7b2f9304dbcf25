// Showing the screen: the whole of it, or only the cursor's cell when nothing else has changed.
#include "gfx/gfx.h"

#include <string.h>

#include "board/board.h"

Uint8 partialPresents = 0;

// What the last game tick's picture showed, and how many drawings into screen there had been
// once it was shown. Anything else that draws into screen counts itself in screenDraws.
static struct {
    Uint8 valid;
    Uint8 table[BOARD_CELLS], same[BOARD_CELLS];
    Uint8 skin, isMenu, currMenu;
    Sint16 mx, my, setX, setY;
    Sint8 set;
    Uint32 score;
    SDL_Surface *screen, *tile, *image;
    Uint32 draws;
} shown;

static Uint32 lastShown; // SDL_GetTicks() when the last update returned

void UpdateScreen(void)
{
    SDL_UpdateRect(screen, 0, 0, 320, 240);
    lastShown = SDL_GetTicks();
}

void UpdateCell(Sint16 x, Sint16 y)
{
    // sdl12-compat shows a partial update only once its own frame time (15 ms, or one refresh)
    // has passed since its last present, and then only when asked again; an empty update asks.
    // Sooner than that the cell would wait for the next event pump, so the whole screen goes.
    if (SDL_GetTicks() - lastShown < 50) {
        UpdateScreen();
        return;
    }
    SDL_UpdateRect(screen, x, y, 34, 34);
    SDL_UpdateRects(screen, 0, NULL);
    lastShown = SDL_GetTicks();
}

void ScreenTouched(void)
{
    shown.valid = 0;
}

int OnlyTheCursorTurns(void)
{
    return partialPresents && shown.valid && shown.draws == screenDraws && shown.screen == screen &&
           shown.tile == tile && shown.image == image && shown.skin == skin && shown.mx == mx &&
           shown.my == my && shown.set == SET && shown.setX == setX && shown.setY == setY &&
           shown.isMenu == isMenu && shown.currMenu == _currMenu && shown.score == score &&
           memcmp(shown.table, table, sizeof table) == 0 && memcmp(shown.same, same, sizeof same) == 0;
}

void BoardShown(void)
{
    shown.valid = 1;
    memcpy(shown.table, table, sizeof table);
    memcpy(shown.same, same, sizeof same);
    shown.skin = skin;
    shown.isMenu = isMenu;
    shown.currMenu = _currMenu;
    shown.mx = mx;
    shown.my = my;
    shown.setX = setX;
    shown.setY = setY;
    shown.set = SET;
    shown.score = score;
    shown.screen = screen;
    shown.tile = tile;
    shown.image = image;
    shown.draws = screenDraws;
}

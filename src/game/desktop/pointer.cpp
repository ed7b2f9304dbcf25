// The mouse on a desktop: a click on a tile lifts it, on a neighbour swaps, on the menu chooses; a drag swaps.
#include "game/desktop/controls.h"

#include "board/board.h"
#include "gfx/gfx.h"
#include "input/input.h"
#include "platform/platform.h"

// A click becomes button taps, pressed and let go together, which a step of the game acts on
// as the click comes. A left press's release has a turn of its own: a tile dragged onto one of
// its neighbours swaps with it, as clicking the two would.
static Uint8 leftHeld; // the last left press did something, and its release has not come

// What the last left press leaves its release to do.
enum Grip {
    GRIP_NONE,
    GRIP_LIFTED,   // it lifted the tile at (gripX, gripY): a release on a neighbour swaps them
    GRIP_ON_LIFTED // it pressed the lifted tile there: the release swaps, or puts the tile down
};
static Grip grip;
static Sint16 gripX, gripY;

static int OnMenu(int x, int y)
{
    return x >= _menu.x && x < _menu.x + _menu.w && y >= _menu.y && y < _menu.y + _menu.h;
}

// The buttons a left click at (x, y) taps, as the game is now: at most two, written into taps;
// returns how many.
static int Click(int x, int y, int *taps)
{
    if (isMenu) {
        int item = OnMenu(x, y) && _item.h ? (y - _menu.y - _item.y) / _item.h : -1;
        if (item < 0 || item >= menuMax || y < _menu.y + _item.y)
            return 0;
        while (_currMenu != item)
            MenuItemDOWN();
        taps[0] = BTN_SELECT;
        return 1;
    }
    if (OnMenu(x, y)) {
        taps[0] = BTN_START;
        return 1;
    }

    Sint16 column, row;
    if (!CellAt(x, y, &column, &row))
        return 0;
    // A press on the lifted tile itself is left to its release (see Press).
    int dx = column - setX, dy = row - setY;
    if (SET && dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1) {
        // The cursor step from the lifted tile that the keys would make, diagonal or not.
        SetX_Y(setX, setY);
        int n = 0;
        if (dx != 0)
            taps[n++] = dx < 0 ? BTN_LEFT : BTN_RIGHT;
        if (dy != 0)
            taps[n++] = dy < 0 ? BTN_UP : BTN_DOWN;
        return n;
    }
    // Anywhere else: the cursor goes there and B lifts the tile, as a lifted tile is lifted anew.
    SetX_Y(column, row);
    taps[0] = BTN_B;
    return 1;
}

// A press: the buttons it taps, as Click.
static int Press(Uint8 which, int x, int y, int *taps)
{
    if (which == SDL_BUTTON_RIGHT) {
        // Putting a lifted tile down is X's work.
        taps[0] = BTN_X;
        return !isMenu && SET;
    }
    grip = GRIP_NONE;
    Sint16 column, row;
    if (!isMenu && SET && CellAt(x, y, &column, &row) && column == setX && row == setY) {
        // Put down by a click, kept for a swap by a drag: only the release can tell.
        grip = GRIP_ON_LIFTED;
        gripX = column;
        gripY = row;
        return 0;
    }
    int n = Click(x, y, taps);
    if (n == 1 && taps[0] == BTN_B) {
        grip = GRIP_LIFTED;
        gripX = mx;
        gripY = my;
    }
    return n;
}

// A left release, its press having acted.
static int Release(int x, int y, int *taps)
{
    Grip was = grip;
    grip = GRIP_NONE;
    // Since the press the tile may have been put down or swapped by a key, or the menu opened.
    if (was == GRIP_NONE || isMenu || !SET || setX != gripX || setY != gripY)
        return 0;
    Sint16 column = 0, row = 0;
    int onTile = CellAt(x, y, &column, &row);
    int dx = column - gripX, dy = row - gripY;
    if (onTile && (dx != 0 || dy != 0) && dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1)
        return Click(x, y, taps); // a neighbour of the lifted tile: the swap
    if (was == GRIP_ON_LIFTED) {
        // Let go on the lifted tile, or dragged nowhere a swap can go: a click on it.
        taps[0] = BTN_X;
        return 1;
    }
    return 0;
}

// The button events of a click's press or release: its taps pressed together, then let go
// together. They go straight to the game, apart from what keys and a pad hold: a tap is for the
// one step it makes, whatever else is held.
static int Taps(const int *taps, int count, SDL_Event *buttons)
{
    int n = 0;
    for (int pressed = 1; pressed >= 0; pressed--)
        for (int i = 0; i < count; i++)
            HostButtonEvent(taps[i], pressed, &buttons[n++]);
    return n;
}

int PointerEvent(const SDL_Event *event, SDL_Event *buttons)
{
    const SDL_MouseButtonEvent &mouse = event->button;
    int taps[2];
    if (event->type == SDL_MOUSEBUTTONUP) {
        // Only a left release whose press left it something to do acts.
        if (mouse.button != SDL_BUTTON_LEFT || !leftHeld)
            return 0;
        leftHeld = 0;
        return Taps(taps, Release(mouse.x, mouse.y, taps), buttons);
    }
    // Wheel notches and the middle button do nothing.
    if (event->type != SDL_MOUSEBUTTONDOWN || (mouse.button != SDL_BUTTON_LEFT && mouse.button != SDL_BUTTON_RIGHT))
        return 0;
    int n = Taps(taps, Press(mouse.button, mouse.x, mouse.y, taps), buttons);
    if (mouse.button == SDL_BUTTON_LEFT)
        leftHeld = grip != GRIP_NONE;
    return n;
}

// The mouse on a desktop: a click on a tile lifts it, on a neighbour swaps, on the menu chooses.
#include "desktop/desktop.h"

#include "board/board.h"
#include "gfx/gfx.h"
#include "input/input.h"

// A click becomes button taps that one tick sees, like a key's. Clicks that come faster wait
// their turn, each deciding what it does only once the tick before it has run.
enum { WAITING_MOST = 8 };
static struct {
    Uint8 button;
    Uint16 x, y;
} waiting[WAITING_MOST];
static int waitingCount;
static Uint8 tappedSinceTick; // a click's taps are out and no tick has seen them yet

// The buttons a click at (x, y) of the 320x240 picture taps, as the game is now: at most two,
// written into taps; returns how many.
static int Click(Uint8 which, int x, int y, int *taps)
{
    if (which == SDL_BUTTON_RIGHT) {
        // Putting a lifted tile down is X's work.
        taps[0] = BTN_X;
        return !isMenu && SET;
    }
    if (which != SDL_BUTTON_LEFT)
        return 0;

    int onMenu = x >= _menu.x && x < _menu.x + _menu.w && y >= _menu.y && y < _menu.y + _menu.h;
    if (isMenu) {
        int item = onMenu && _item.h ? (y - _menu.y - _item.y) / _item.h : -1;
        if (item < 0 || item >= menuMax || y < _menu.y + _item.y)
            return 0;
        while (_currMenu != item)
            MenuItemDOWN();
        taps[0] = BTN_SELECT;
        return 1;
    }
    if (onMenu) {
        taps[0] = BTN_START;
        return 1;
    }

    if (x < 80 || x >= 80 + 7 * 34 || y < 1 || y >= 1 + 7 * 34)
        return 0;
    Sint16 column = (Sint16)((x - 80) / 34), row = (Sint16)((y - 1) / 34);
    int dx = column - setX, dy = row - setY;
    if (SET && dx == 0 && dy == 0) {
        taps[0] = BTN_X;
        return 1;
    }
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

// The button events of a click: its buttons pressed together, then let go together.
static int ClickButtons(Uint8 which, int x, int y, SDL_Event *buttons)
{
    int taps[2];
    int count = Click(which, x, y, taps), n = 0;
    for (int pressed = 1; pressed >= 0; pressed--)
        for (int i = 0; i < count; i++)
            n += HostButton(taps[i], pressed, 1, &buttons[n]);
    return n;
}

int HostMouseEvent(const SDL_Event *event, SDL_Event *buttons)
{
    if (event->type == SDL_MOUSEBUTTONUP || event->type == SDL_MOUSEMOTION)
        return 0;
    const SDL_MouseButtonEvent &click = event->button;
    if (!tappedSinceTick && waitingCount == 0) {
        int n = ClickButtons(click.button, click.x, click.y, buttons);
        tappedSinceTick = n > 0;
        return n;
    }
    if (waitingCount < WAITING_MOST) {
        waiting[waitingCount].button = click.button;
        waiting[waitingCount].x = click.x;
        waiting[waitingCount].y = click.y;
        waitingCount++;
    }
    return 0;
}

int HostMouseTick(SDL_Event *buttons)
{
    int n = 0;
    // Whatever was tapped since the last tick is seen by this one; the next click waits.
    while (!tappedSinceTick && waitingCount > 0 && n == 0) {
        n = ClickButtons(waiting[0].button, waiting[0].x, waiting[0].y, buttons);
        waitingCount--;
        for (int i = 0; i < waitingCount; i++)
            waiting[i] = waiting[i + 1];
    }
    tappedSinceTick = 0;
    return n;
}

// The mouse on a desktop: a click on a tile lifts it, on a neighbour swaps, on the menu chooses; a drag swaps.
#include "desktop/desktop.h"

#include "board/board.h"
#include "gfx/gfx.h"
#include "input/input.h"

// A click becomes button taps that one tick sees, like a key's. Clicks that come faster wait
// their turn, each deciding what it does only once the tick before it has run. A left press's
// release has a turn of its own, after its press's: a tile dragged onto one of its neighbours
// swaps with it, as clicking the two would.
enum { WAITING_MOST = 8 };
static struct {
    Uint8 button;  // SDL_BUTTON_LEFT or SDL_BUTTON_RIGHT
    Uint8 press;   // the press still waits, at (x, y)
    Uint8 release; // the release came and waits, at (upX, upY)
    Uint16 x, y, upX, upY;
} waiting[WAITING_MOST];
static int waitingCount;
static Uint8 tappedSinceTick; // a click's taps are out and no tick has seen them yet
static Uint8 liftSinceTick;   // ... and one of them lifts a tile
static Uint8 leftHeld;        // the last left press was taken and its release has not come

// What the last left press to have had its turn leaves its release to do.
enum Grip {
    GRIP_NONE,
    GRIP_LIFTED,   // it lifted the tile at (gripX, gripY): a release on a neighbour swaps them
    GRIP_ON_LIFTED // it pressed the lifted tile there: the release swaps, or puts the tile down
};
static Grip grip;
static Sint16 gripX, gripY;

// The board cell under (x, y) of the 320x240 picture; 0 where no tile is.
static int Cell(int x, int y, Sint16 *column, Sint16 *row)
{
    if (x < 80 || x >= 80 + 7 * 34 || y < 1 || y >= 1 + 7 * 34)
        return 0;
    *column = (Sint16)((x - 80) / 34);
    *row = (Sint16)((y - 1) / 34);
    return 1;
}

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
    if (!Cell(x, y, &column, &row))
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

// A press at its turn: the buttons it taps now, as Click.
static int Press(Uint8 which, int x, int y, int *taps)
{
    if (which == SDL_BUTTON_RIGHT) {
        // Putting a lifted tile down is X's work.
        taps[0] = BTN_X;
        return !isMenu && SET;
    }
    grip = GRIP_NONE;
    Sint16 column, row;
    if (!isMenu && SET && Cell(x, y, &column, &row) && column == setX && row == setY) {
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

// A left release at its turn, its press having had its own.
static int Release(int x, int y, int *taps)
{
    Grip was = grip;
    grip = GRIP_NONE;
    // Since the press the tile may have been put down or swapped by a key, or the menu opened.
    if (was == GRIP_NONE || isMenu || !SET || setX != gripX || setY != gripY)
        return 0;
    Sint16 column = 0, row = 0;
    int onTile = Cell(x, y, &column, &row);
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

// The button events of the next step of a click, its press or its release: the taps pressed
// together, then let go together.
static int Step(Uint8 which, int isPress, int x, int y, SDL_Event *buttons)
{
    int taps[2];
    int count = isPress ? Press(which, x, y, taps) : Release(x, y, taps), n = 0;
    for (int pressed = 1; pressed >= 0; pressed--)
        for (int i = 0; i < count; i++)
            n += HostButton(taps[i], pressed, 1, &buttons[n]);
    for (int i = 0; i < count; i++)
        liftSinceTick |= taps[i] == BTN_B;
    return n;
}

// Whether a press can tap anything by its turn, whatever happens meanwhile. Wheel notches, the
// middle button and a click where no tile or menu is never can, and take no place in the queue.
// A right click can only while a tile is lifted, or a click before it may lift one.
static int MayTap(Uint8 which, int x, int y)
{
    Sint16 column, row;
    if (which == SDL_BUTTON_LEFT)
        return Cell(x, y, &column, &row) || OnMenu(x, y);
    if (which != SDL_BUTTON_RIGHT)
        return 0;
    if ((SET && !isMenu) || liftSinceTick)
        return 1;
    for (int i = 0; i < waitingCount; i++)
        if (waiting[i].press && waiting[i].button == SDL_BUTTON_LEFT)
            return 1;
    return 0;
}

// A press or a release that came: done now when nothing waits, else queued behind the rest.
// Returns how many button events it wrote, or -1 when the queue is full and refuses it.
static int Arrive(Uint8 which, int isPress, int x, int y, SDL_Event *buttons)
{
    if (!tappedSinceTick && waitingCount == 0) {
        int n = Step(which, isPress, x, y, buttons);
        tappedSinceTick = n > 0;
        return n;
    }
    if (waitingCount >= WAITING_MOST)
        return -1;
    waiting[waitingCount].button = which;
    waiting[waitingCount].press = (Uint8)isPress;
    waiting[waitingCount].release = (Uint8)!isPress;
    waiting[waitingCount].x = waiting[waitingCount].upX = (Uint16)x;
    waiting[waitingCount].y = waiting[waitingCount].upY = (Uint16)y;
    waitingCount++;
    return 0;
}

int HostMouseEvent(const SDL_Event *event, SDL_Event *buttons)
{
    const SDL_MouseButtonEvent &mouse = event->button;
    if (event->type == SDL_MOUSEBUTTONUP) {
        // Only a left release whose press was taken has anything to do.
        if (mouse.button != SDL_BUTTON_LEFT || !leftHeld)
            return 0;
        leftHeld = 0;
        for (int i = waitingCount - 1; i >= 0; i--)
            if (waiting[i].press && waiting[i].button == SDL_BUTTON_LEFT) {
                // Its press still waits: the release waits with it, taking no place of its own.
                waiting[i].release = 1;
                waiting[i].upX = mouse.x;
                waiting[i].upY = mouse.y;
                return 0;
            }
        if (grip == GRIP_NONE)
            return 0; // its press left it nothing to do
        int n = Arrive(SDL_BUTTON_LEFT, 0, mouse.x, mouse.y, buttons);
        return n < 0 ? 0 : n;
    }
    if (event->type != SDL_MOUSEBUTTONDOWN)
        return 0;
    int n = MayTap(mouse.button, mouse.x, mouse.y) ? Arrive(mouse.button, 1, mouse.x, mouse.y, buttons) : -1;
    // A press refused takes its release with it.
    if (mouse.button == SDL_BUTTON_LEFT)
        leftHeld = (Uint8)(n >= 0);
    return n < 0 ? 0 : n;
}

int HostMouseTick(SDL_Event *buttons)
{
    int n = 0;
    // Whatever was tapped since the last tick is seen by this one; the next step waits.
    while (!tappedSinceTick && waitingCount > 0 && n == 0) {
        int isPress = waiting[0].press;
        if (isPress)
            waiting[0].press = 0;
        else
            waiting[0].release = 0;
        n = Step(waiting[0].button, isPress, isPress ? waiting[0].x : waiting[0].upX,
                 isPress ? waiting[0].y : waiting[0].upY, buttons);
        if (grip == GRIP_NONE)
            waiting[0].release = 0; // its press left it nothing to do
        if (waiting[0].press || waiting[0].release)
            continue; // its release's turn: right away when the press tapped nothing, else next tick
        waitingCount--;
        for (int i = 0; i < waitingCount; i++)
            waiting[i] = waiting[i + 1];
    }
    tappedSinceTick = 0;
    liftSinceTick = 0;
    return n;
}

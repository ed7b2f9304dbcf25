// Key repeat on a desktop: a held direction steps once, then again from 250 ms after the press on every tick.
#include "game/desktop/controls.h"

#include "desktop/desktop.h"
#include "gfx/gfx.h"
#include "input/input.h"

// The game steps the cursor on every tick while a direction is held, as the console's stick
// repeats. A key or a pad is tapped instead, and a tap of a tenth of a second spans one tick or
// two: it moved the cursor once or twice. So the game is given a held direction for one step at
// a time, all through console button events: the press goes through as it comes, and its own
// step acts on it at once; right after that step a release takes it away again; from
// REPEAT_DELAY after the latest direction press a press gives it back for each tick's step, as
// long as the key is held. Between steps the game holds no direction, so a click's step never
// takes one along. One delay for all directions keeps two held together in step, so they
// repeat diagonally.
enum { REPEAT_DELAY = 250 };

static Uint8 hostHolds[BTN_COUNT]; // a direction a key or the pad holds
static Uint8 gameHolds[BTN_COUNT]; // a direction the game has been given for the step at hand
static Uint32 repeatFrom;          // the host clock from which held directions repeat

static int IsDirection(int button)
{
    return button >= BTN_UP && button <= BTN_UPRIGHT;
}

int RepeatEvents(SDL_Event *buttons, int n)
{
    int kept = 0;
    for (int i = 0; i < n; i++) {
        int button = buttons[i].jbutton.button;
        if (IsDirection(button)) {
            if (buttons[i].type == SDL_JOYBUTTONDOWN) {
                hostHolds[button] = 1;
                gameHolds[button] = 1;
                // A new direction starts the delay again for all: it steps alone, and the
                // ones held with it wait to repeat together with it.
                repeatFrom = HostClock() + REPEAT_DELAY;
            } else {
                // Taken away already, the game has nothing to let go. A release the host
                // never saw pressed still goes through, as HostButton lets it.
                int takenAway = hostHolds[button] && !gameHolds[button];
                hostHolds[button] = 0;
                gameHolds[button] = 0;
                if (takenAway)
                    continue;
            }
        }
        buttons[kept++] = buttons[i];
    }
    return kept;
}

int RepeatTick(SDL_Event *buttons, int room)
{
    // In the open menu a direction moves the selection once a press and never repeats: one
    // given back would move it again. A direction given back is a press, and a press while
    // Start or a volume button is down toggles the menu or steps the volume again: it waits.
    if (isMenu || (Sint32)(HostClock() - repeatFrom) < 0 || isStartKey || isVolUPkey || isVolDOWNkey)
        return 0;
    int n = 0;
    for (int button = BTN_UP; button <= BTN_UPRIGHT && n < room; button++) {
        if (!hostHolds[button] || gameHolds[button])
            continue;
        gameHolds[button] = 1;
        HostButtonEvent(button, 1, &buttons[n++]);
    }
    return n;
}

int RepeatAfterStep(SDL_Event *buttons, int room)
{
    int n = 0;
    for (int button = BTN_UP; button <= BTN_UPRIGHT && n < room; button++) {
        if (!gameHolds[button])
            continue;
        gameHolds[button] = 0;
        HostButtonEvent(button, 0, &buttons[n++]);
    }
    return n;
}

// Input timing: the release of a button pressed since the last tick waits until a tick has seen it.
#include "input/input.h"

#include <string.h>

// Start and the volume buttons are acted on as they arrive, and A, Y and Enter by nothing, so
// their releases go straight through.
Uint8 pressesActAtOnce = 0;

static Uint8 pressUnseen[BTN_COUNT]; // pressed since the last tick
static Uint8 releaseHeld[BTN_COUNT]; // released, waiting for the next tick

static int TickReads(Uint8 button)
{
    return button < BTN_COUNT && button != BTN_START && button != BTN_VOLUP &&
           button != BTN_VOLDOWN && button != BTN_A && button != BTN_Y && button != BTN_ENTER;
}

int TimedKeyDown(const SDL_Event *event)
{
    Uint8 button = event->jbutton.button;
    int read = TickReads(button);
    if (read) {
        // Pressed again before the tick: the button is simply down.
        releaseHeld[button] = 0;
        pressUnseen[button] = 1;
    }
    KeyDown(event);
    return read;
}

void TimedKeyUp(const SDL_Event *event)
{
    Uint8 button = event->jbutton.button;
    if (TickReads(button) && pressUnseen[button])
        releaseHeld[button] = 1;
    else
        KeyUp(event);
}

void TickSawButtons(void)
{
    memset(pressUnseen, 0, sizeof pressUnseen);
    for (Uint8 b = 0; b < BTN_COUNT; b++) {
        if (!releaseHeld[b])
            continue;
        releaseHeld[b] = 0;
        SDL_Event release;
        memset(&release, 0, sizeof release);
        release.type = SDL_JOYBUTTONUP;
        release.jbutton.button = b;
        release.jbutton.state = SDL_RELEASED;
        KeyUp(&release);
    }
}

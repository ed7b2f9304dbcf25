// Host controls as the console's buttons: a button is down while any key, click or pad control holds it.
#include "platform/platform.h"

#include <string.h>

#include "input/input.h"

Sint8 askedMode = -1;

static Uint8 holders[BTN_RETURN + 1]; // host controls holding each button, the console's and Return

int HostButton(int button, int pressed, int wasHolding, SDL_Event *event)
{
    if (button < 0 || button > BTN_RETURN)
        return 0;
    if (pressed) {
        if (holders[button]++ > 0)
            return 0;
    } else {
        // A control let go that never held the button (a key already down when the game
        // started) still releases it, as a console button held at start-up would.
        if (wasHolding && holders[button] > 0)
            holders[button]--;
        if (holders[button] > 0)
            return 0;
    }
    HostButtonEvent(button, pressed, event);
    return 1;
}

void HostButtonEvent(int button, int pressed, SDL_Event *event)
{
    memset(event, 0, sizeof *event);
    event->type = pressed ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
    event->jbutton.which = HOST_STICK;
    event->jbutton.button = (Uint8)button;
    event->jbutton.state = pressed ? SDL_PRESSED : SDL_RELEASED;
}

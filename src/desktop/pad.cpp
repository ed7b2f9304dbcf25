// A desktop gamepad: its hat and first stick as the four directions, its face buttons as the console's.
#include "desktop/desktop.h"

#include "input/input.h"

// Button numbers in the common layout that Linux gives most pads (south, east, west, north,
// left and right shoulder, back, start); the others stand for nothing here.
static int ConsoleButtonOfPad(Uint8 button)
{
    switch (button) {
    case 0: return BTN_B;      // south: lift, choose
    case 1: return BTN_X;      // east: put down
    case 4: return BTN_L;
    case 5: return BTN_R;
    case 6: return BTN_SELECT; // back
    case 7: return BTN_START;
    default: return -1;
    }
}

// Directions held by the hat and by the stick, in the hat's own bits (SDL_HAT_UP and so on),
// kept apart so that either may hold a direction while the other lets it go.
static Uint8 hatHeld, stickHeld;

// A stick rests near the middle and wobbles: it presses a direction past the dead zone and
// lets go only well inside it, so that a wobble on the edge is no stream of taps.
enum { PRESS_AT = 16000, RELEASE_AT = 10000 };

static Uint8 StickAxis(Sint16 value, Uint8 held, Uint8 negative, Uint8 positive)
{
    if (value <= -PRESS_AT)
        return negative;
    if (value >= PRESS_AT)
        return positive;
    if (value > -RELEASE_AT && value < RELEASE_AT)
        return 0;
    return held & (negative | positive);
}

// The button events between the directions held before and after, releases first. The hat
// and the stick count as two holders of a direction, so one letting go leaves it to the other.
static int Directions(Uint8 before, Uint8 after, SDL_Event *buttons)
{
    static const struct {
        Uint8 bit;
        int button;
    } directions[] = {{SDL_HAT_UP, BTN_UP}, {SDL_HAT_DOWN, BTN_DOWN}, {SDL_HAT_LEFT, BTN_LEFT},
                      {SDL_HAT_RIGHT, BTN_RIGHT}};
    int n = 0;
    for (int pass = 0; pass < 2; pass++) {
        for (const auto &d : directions) {
            int was = (before & d.bit) != 0, is = (after & d.bit) != 0;
            if (was == is || is != pass)
                continue;
            n += HostButton(d.button, is, 1, &buttons[n]);
        }
    }
    return n;
}

int HostPadEvent(const SDL_Event *event, SDL_Event *buttons)
{
    switch (event->type) {
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        return HostButton(ConsoleButtonOfPad(event->jbutton.button), event->type == SDL_JOYBUTTONDOWN, 1,
                          buttons);
    case SDL_JOYHATMOTION: {
        Uint8 held = event->jhat.value;
        int n = Directions(hatHeld, held, buttons);
        hatHeld = held;
        return n;
    }
    case SDL_JOYAXISMOTION: {
        Uint8 held = stickHeld;
        if (event->jaxis.axis == 0)
            held = (Uint8)((held & ~(SDL_HAT_LEFT | SDL_HAT_RIGHT)) |
                           StickAxis(event->jaxis.value, held, SDL_HAT_LEFT, SDL_HAT_RIGHT));
        else if (event->jaxis.axis == 1)
            held = (Uint8)((held & ~(SDL_HAT_UP | SDL_HAT_DOWN)) |
                           StickAxis(event->jaxis.value, held, SDL_HAT_UP, SDL_HAT_DOWN));
        int n = Directions(stickHeld, held, buttons);
        stickHeld = held;
        return n;
    }
    default:
        return -1;
    }
}

// Button presses and releases into held-button flags; the wait for one press and release.
#include "input/input.h"

Uint8 isAkey, isBkey, isXkey, isYkey, isLkey, isRkey, isStartKey, isSelectKey, isVolUPkey,
    isVolDOWNkey;
Uint8 isUPLEFTkey, isUPkey, isUPRIGHTkey, isLEFTkey, isRIGHTkey, isDOWNLEFTkey, isDOWNkey,
    isDOWNRIGHTkey;
Uint8 isENTERkey;

Sint8 moveX = 0;
Sint8 moveY = 0;
Sint8 _wayIs = 1;

// The flag of each button number.
static Uint8 *const buttonFlag[BTN_COUNT] = {
    &isUPkey, &isUPLEFTkey, &isLEFTkey, &isDOWNLEFTkey, &isDOWNkey, &isDOWNRIGHTkey,
    &isRIGHTkey, &isUPRIGHTkey, &isStartKey, &isSelectKey, &isLkey, &isRkey, &isAkey,
    &isBkey, &isXkey, &isYkey, &isVolUPkey, &isVolDOWNkey, &isENTERkey,
};

static void RunDirectionMode(void)
{
    switch (_wayIs) {
    case 0: KeyDown4(); break;
    case 1: KeyDown8(); break;
    case 2: KeyDown16(); break;
    default: break;
    }
}

void InitStick(Uint8 mode)
{
    // Without a joystick no button event ever arrives; nothing to report.
    SDL_JoystickOpen(0);
    _wayIs = (Sint8)mode;
}

void KeyDown(const SDL_Event *event)
{
    Uint8 button = event->jbutton.button;
    if (button < BTN_COUNT)
        *buttonFlag[button] = 1;
    RunDirectionMode();
}

void KeyUp(const SDL_Event *event)
{
    Uint8 button = event->jbutton.button;
    if (button < BTN_COUNT) {
        *buttonFlag[button] = 0;
        switch (button) {
        case BTN_LEFT:
        case BTN_RIGHT:
            moveX = 0;
            break;
        case BTN_UP:
        case BTN_DOWN:
            moveY = 0;
            break;
        case BTN_UPLEFT:
        case BTN_DOWNLEFT:
        case BTN_DOWNRIGHT:
        case BTN_UPRIGHT:
            moveY = 0;
            moveX = 0;
            break;
        default:
            break;
        }
    }
    // The mode runs after the zeroing, so a direction still held sets its step again.
    RunDirectionMode();
}

void AllKeyClear(void)
{
    isAkey = 0;
    isBkey = 0;
    isXkey = 0;
    isYkey = 0;
    isLkey = 0;
    isRkey = 0;
    isStartKey = 0;
    isSelectKey = 0;
    isVolUPkey = 0;
    isVolDOWNkey = 0;
}

void WaitKey(void)
{
    SDL_Event event;
    // The press itself is not recorded.
    do {
        while (!SDL_PollEvent(&event)) {
        }
    } while (event.type != SDL_JOYBUTTONDOWN);

    // Every poll hands the event buffer to KeyUp, the last event again when the queue was
    // empty, until a release arrives.
    for (;;) {
        int got = SDL_PollEvent(&event);
        KeyUp(&event);
        if (got && event.type == SDL_JOYBUTTONUP)
            break;
    }
    AllKeyClear();
}

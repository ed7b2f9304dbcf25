// What the host's plain input means to the game: Return's meaning, and on a desktop clicks and the key repeat.
#include "game/game.h"

#include "gfx/gfx.h"
#include "input/input.h"
#include "platform/platform.h"
#if SEVENFOLD_DESKTOP_FEATURES
#include "game/desktop/controls.h"
#endif

static Uint8 returnMeant; // the button Return's press stood for, plus one (0: Return is up)

// Return chooses the highlighted item in an open menu, as players expect of it; elsewhere it is
// Start. Its release lets go of what its press stood for, whatever has changed meanwhile, and
// what it stands for is held together with the keys and pad buttons that hold it too.
static int Meant(SDL_Event *buttons, int n)
{
    int kept = 0;
    for (int i = 0; i < n; i++) {
        SDL_Event event = buttons[i];
        if (event.jbutton.button != BTN_RETURN) {
            buttons[kept++] = event;
        } else if (event.type == SDL_JOYBUTTONDOWN) {
            int button = isMenu ? BTN_SELECT : BTN_START;
            returnMeant = (Uint8)(button + 1);
            kept += HostButton(button, 1, 1, &buttons[kept]);
        } else {
            int held = returnMeant != 0;
            int button = held ? returnMeant - 1 : BTN_START;
            returnMeant = 0;
            kept += HostButton(button, 0, held, &buttons[kept]);
        }
    }
    return kept;
}

int ButtonsOfEvent(const SDL_Event *event, SDL_Event *buttons)
{
#if SEVENFOLD_DESKTOP_FEATURES
    if (event->type == SDL_MOUSEBUTTONDOWN || event->type == SDL_MOUSEBUTTONUP)
        return PointerEvent(event, buttons);
#endif
    int n = PlatformEvent(event, buttons);
    if (n < 0) {
        // The console's own buttons, and the host's console button events, are buttons already.
        if (event->type != SDL_JOYBUTTONDOWN && event->type != SDL_JOYBUTTONUP)
            return -1;
        buttons[0] = *event;
        return 1;
    }
#if SEVENFOLD_DESKTOP_FEATURES
    // The buttons of keys and the pad pass the key repeat, which hears of every direction they
    // hold; a click's are taps for one step, held by nothing.
    n = RepeatEvents(buttons, n);
#endif
    return Meant(buttons, n);
}

int ButtonsBeforeStep(SDL_Event *buttons, int tick)
{
#if SEVENFOLD_DESKTOP_FEATURES
    return tick ? RepeatTick(buttons, HOST_MOST_BUTTONS) : 0;
#else
    (void)buttons;
    (void)tick;
    return 0;
#endif
}

int ButtonsAfterStep(SDL_Event *buttons)
{
#if SEVENFOLD_DESKTOP_FEATURES
    return RepeatAfterStep(buttons, HOST_MOST_BUTTONS);
#else
    (void)buttons;
    return 0;
#endif
}

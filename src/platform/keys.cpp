// Desktop keyboard as plain buttons: keys become joystick button presses and releases, the console's and Return's own.
#include "platform/platform.h"

#include "input/input.h"

int PlatformButtonOfKey(SDLKey key)
{
    switch (key) {
    case SDLK_UP: case SDLK_KP8: return BTN_UP;
    case SDLK_KP7: return BTN_UPLEFT;
    case SDLK_LEFT: case SDLK_KP4: return BTN_LEFT;
    case SDLK_KP1: return BTN_DOWNLEFT;
    case SDLK_DOWN: case SDLK_KP2: return BTN_DOWN;
    case SDLK_KP3: return BTN_DOWNRIGHT;
    case SDLK_RIGHT: case SDLK_KP6: return BTN_RIGHT;
    case SDLK_KP9: return BTN_UPRIGHT;
    case SDLK_RETURN: return BTN_RETURN;
    case SDLK_ESCAPE: return BTN_START;
    case SDLK_TAB: return BTN_SELECT;
    case SDLK_q: return BTN_L;
    case SDLK_w: return BTN_R;
    case SDLK_a: return BTN_A;
    case SDLK_SPACE: case SDLK_z: return BTN_B;
    case SDLK_x: return BTN_X;
    case SDLK_s: return BTN_Y;
    case SDLK_PLUS: case SDLK_EQUALS: case SDLK_KP_PLUS: return BTN_VOLUP;
    case SDLK_MINUS: case SDLK_KP_MINUS: return BTN_VOLDOWN;
    case SDLK_KP_ENTER: return BTN_ENTER;
    default: return -1;
    }
}

static Uint8 keyDown[SDLK_LAST]; // the key is down: its button is held by it
static Uint8 altReturn; // Return went down with Alt: it belongs to the full-screen switch

int HostKeyEvent(const SDL_Event *event, SDL_Event *buttons)
{
    SDLKey key = event->key.keysym.sym;
    if ((unsigned)key >= SDLK_LAST)
        return -1;
    // Alt+Enter is the desktop's full-screen switch, not Start; its release goes with it.
    if (key == SDLK_RETURN && event->type == SDL_KEYDOWN && (event->key.keysym.mod & KMOD_ALT) &&
        !keyDown[key]) {
        altReturn = 1;
        PlatformToggleFullScreen();
        return 0;
    }
    if (key == SDLK_RETURN && altReturn) {
        if (event->type == SDL_KEYUP)
            altReturn = 0;
        return 0;
    }
    int button = PlatformButtonOfKey(key);
    if (button < 0)
        return -1;

    if (event->type == SDL_KEYDOWN) {
        if (keyDown[key])
            return 0; // the keyboard's own repeat
        keyDown[key] = 1;
        return HostButton(button, 1, 1, buttons);
    }
    int held = keyDown[key];
    keyDown[key] = 0;
    return HostButton(button, 0, held, buttons);
}

// Desktop keyboard as the console's buttons: keys become joystick button presses and releases.
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
    case SDLK_RETURN: case SDLK_ESCAPE: return BTN_START;
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

// Which keys are down, and how many keys hold each button: a button is pressed when its
// first key goes down and released when its last key comes up, as one console button would be.
static Uint8 keyDown[SDLK_LAST];
static Uint8 keysHolding[BTN_COUNT];
static Uint8 altReturn; // Return went down with Alt: it belongs to the full-screen switch

void PlatformEvent(SDL_Event *event)
{
    if (event->type != SDL_KEYDOWN && event->type != SDL_KEYUP)
        return;
    SDLKey key = event->key.keysym.sym;
    // Alt+Enter is the desktop's full-screen switch, not Start; its release goes with it.
    if (key == SDLK_RETURN && event->type == SDL_KEYDOWN && (event->key.keysym.mod & KMOD_ALT) &&
        !keyDown[key]) {
        altReturn = 1;
        PlatformToggleFullScreen();
        event->type = SDL_NOEVENT;
        return;
    }
    if (key == SDLK_RETURN && altReturn) {
        if (event->type == SDL_KEYUP)
            altReturn = 0;
        event->type = SDL_NOEVENT;
        return;
    }
    int button = PlatformButtonOfKey(key);
    if (button < 0 || (unsigned)key >= SDLK_LAST)
        return;

    Uint8 pressed = 0;
    if (event->type == SDL_KEYDOWN) {
        if (keyDown[key] || keysHolding[button]++ > 0)
            button = -1;
        keyDown[key] = 1;
        pressed = 1;
    } else {
        // A key already down when the game started still releases its button, as a
        // console button held at start-up would.
        if (keyDown[key])
            keysHolding[button]--;
        if (keysHolding[button] > 0)
            button = -1;
        keyDown[key] = 0;
    }

    if (button < 0) {
        event->type = SDL_NOEVENT;
        return;
    }
    event->type = pressed ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
    event->jbutton.which = 0;
    event->jbutton.button = (Uint8)button;
    event->jbutton.state = pressed ? SDL_PRESSED : SDL_RELEASED;
}

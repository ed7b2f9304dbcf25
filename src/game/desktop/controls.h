// The desktop's controls as the game reads them: clicks and drags on the picture, and the key repeat.
#ifndef SEVENFOLD_CONTROLS_H
#define SEVENFOLD_CONTROLS_H

#include <SDL.h>

// The host hands a click over as SDL gives it: a point on the 320x240 picture, with its button.
// What it means (a menu item, a tile lifted, a swap, a tile put down) is the game's: button taps
// written into buttons, pressed and let go together; returns how many.
int PointerEvent(const SDL_Event *event, SDL_Event *buttons);

// Key repeat: a held direction steps once, then from 250 ms after the latest direction press on
// every tick (the console's stick repeats on every tick), never in the open menu.
int RepeatEvents(SDL_Event *buttons, int n);      // notes the direction buttons of keys and a pad among n; returns how many stay
int RepeatTick(SDL_Event *buttons, int room);     // right before a tick's step: held directions given back
int RepeatAfterStep(SDL_Event *buttons, int room); // right after any step: the directions it was given, taken away

#endif

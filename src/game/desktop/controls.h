// The desktop's controls as the game reads them: the key repeat.
#ifndef SEVENFOLD_CONTROLS_H
#define SEVENFOLD_CONTROLS_H

#include <SDL.h>

// Key repeat: a held direction steps once, then from 250 ms after the latest direction press on
// every tick (the console's stick repeats on every tick), never in the open menu.
int RepeatEvents(SDL_Event *buttons, int n);      // notes the direction buttons of keys and a pad among n; returns how many stay
int RepeatTick(SDL_Event *buttons, int room);     // right before a tick's step: held directions given back
int RepeatAfterStep(SDL_Event *buttons, int room); // right after any step: the directions it was given, taken away

#endif

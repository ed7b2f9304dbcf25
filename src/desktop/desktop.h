// The desktop's own host layer: what a desktop machine has and the console does not.
#ifndef SEVENFOLD_DESKTOP_H
#define SEVENFOLD_DESKTOP_H

#include <SDL.h>

#include "platform/platform.h"

extern Uint32 hostClockSet; // when not 0, what the host's input clock reads instead of SDL's; 0 in play, set by tests

int PlatformWindowScale(int desktopW, int desktopH);            // whole-number window scale that fits a desktop
int HostMouseEvent(const SDL_Event *event, SDL_Event *buttons); // a click as the console's buttons
int HostMouseTick(SDL_Event *buttons);                          // right before a tick: the buttons of a click that waited for it
int HostPadEvent(const SDL_Event *event, SDL_Event *buttons);   // a pad's stick, hat and buttons

// Key repeat: a held direction steps once, then from 250 ms after the latest direction press
// on every tick (the console's stick repeats on every tick).
Uint32 HostClock(void);                          // the host's input clock in ms: SDL_GetTicks(), or hostClockSet
int HostRepeatEvents(SDL_Event *buttons, int n); // notes the host's direction buttons among n; returns how many stay
int HostRepeatTick(SDL_Event *buttons, int room); // right before a tick: directions taken away or given back

#endif

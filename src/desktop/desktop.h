// The desktop's own host layer: what a desktop machine has and the console does not.
#ifndef SEVENFOLD_DESKTOP_H
#define SEVENFOLD_DESKTOP_H

#include <SDL.h>

#include "platform/platform.h"

int PlatformWindowScale(int desktopW, int desktopH);            // whole-number window scale that fits a desktop
int HostMouseEvent(const SDL_Event *event, SDL_Event *buttons); // a click as the console's buttons
int HostPadEvent(const SDL_Event *event, SDL_Event *buttons);   // a pad's stick, hat and buttons
int HostPresentRects(const SDL_Rect *rects, int count);         // changed rectangles straight to the X window
void WholeNumberScale(void);                                    // SDL's full screen at a whole-number scale too

#endif

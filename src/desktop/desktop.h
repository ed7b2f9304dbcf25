// The desktop's own host layer: what a desktop machine has and the console does not.
#ifndef SEVENFOLD_DESKTOP_H
#define SEVENFOLD_DESKTOP_H

#include <SDL.h>

#include "platform/platform.h"

int PlatformWindowScale(int desktopW, int desktopH);            // whole-number window scale that fits a desktop
int HostPadEvent(const SDL_Event *event, SDL_Event *buttons);   // a pad's stick, hat and buttons
int HostPresentRects(const SDL_Rect *rects, int count);         // changed rectangles straight to the X window
int SdlPresentRects(const SDL_Rect *rects, int count);          // ... of a smoothed picture, scaled by SDL's own renderer
void SdlPartsWhole(void);                                       // after each whole present: the window's size it was for
void WholeNumberScale(void);                                    // SDL's full screen at a whole-number scale too
const char *Printable(const char *text, char *out, size_t size); // text with terminal controls shown as \xHH, into out
void HostTitle(const char *title);                               // the window's title, UTF-8, as window managers read it
void HostSignals(void);                                         // after SDL_Init: HUP, QUIT, USR1, USR2 end the game as TERM does; PIPE ignored
Uint32 HostClock(void);                                         // the host's clock in ms: SDL_GetTicks(), or what a test set

#endif

// Where the screen changed since it was last shown, for the presents that show only that.
#ifndef SEVENFOLD_DAMAGE_H
#define SEVENFOLD_DAMAGE_H

#include "gfx/gfx.h"

enum { SCREEN_W = 320, SCREEN_H = 240, MOST_RECTS = 24 };

int DrawnSinceShown(void);               // 1 when anything was drawn into screen since the last Shown
// The rectangles of the screen whose pixels differ from the picture last shown, looked for where
// the screen was drawn into: at most MOST_RECTS into rects; their count, -1 when so much changed
// that all is to be shown.
int Changes(SDL_Rect *rects);
void Shown(const SDL_Rect *rects, int count); // these rectangles are on the display now; nothing drawn since

#endif

// The display on each machine: full screen on the console; on a desktop, a crisp scaled window.
#include "platform/platform.h"

#include <stdio.h>
#include <stdlib.h>

Uint32 PlatformVideoFlags(void)
{
#ifdef SEVENFOLD_CONSOLE
    return SDL_FULLSCREEN;
#else
    return 0;
#endif
}

int PlatformWindowScale(int desktopW, int desktopH)
{
    // Leave room for window borders and panels; never smaller than the picture itself.
    int byWidth = desktopW / 320;
    int byHeight = desktopH * 9 / 10 / 240;
    int scale = byWidth < byHeight ? byWidth : byHeight;
    return scale < 1 ? 1 : scale;
}

void PlatformBeforeInit(void)
{
#ifndef SEVENFOLD_CONSOLE
    // Pixel art wants its pixels unsmoothed. SDL reads this as video starts; a player's own
    // setting wins.
    setenv("SDL12COMPAT_SCALE_METHOD", "nearest", 0);
#endif
}

void PlatformVideoPrepare(void)
{
#ifndef SEVENFOLD_CONSOLE
    // Whole-number scaling keeps every pixel the same size. A player's own setting wins.
    const SDL_VideoInfo *desktop = SDL_GetVideoInfo();
    if (desktop != NULL && desktop->current_w > 0 && desktop->current_h > 0) {
        char scale[16];
        snprintf(scale, sizeof scale, "%d", PlatformWindowScale(desktop->current_w, desktop->current_h));
        setenv("SDL12COMPAT_WINDOW_SCALING", scale, 0);
    }
#endif
}

void PlatformToggleFullScreen(void)
{
#ifndef SEVENFOLD_CONSOLE
    SDL_Surface *surface = SDL_GetVideoSurface();
    if (surface != NULL)
        SDL_WM_ToggleFullScreen(surface);
#endif
}

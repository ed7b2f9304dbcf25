// The desktop window: titled, with its icon and pointer, a crisp whole-number scale, Alt+Enter.
#include "desktop/desktop.h"

#include <SDL_syswm.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/app.h"
#include "assets/assets.h"
#include "gfx/gfx.h"
#include "input/input.h"
#include "sound/sound.h"

Uint32 PlatformVideoFlags(void)
{
    return 0;
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
    // Pixel art wants its pixels unsmoothed. SDL reads this as video starts; a player's own
    // setting wins.
    setenv("SDL12COMPAT_SCALE_METHOD", "nearest", 0);
    // SDL's own software renderer: the changed rectangles go straight to the window, so SDL
    // presents the whole picture only now and then (the first, after an expose, a mode switch,
    // a large change), and OpenGL would save little there, and on a machine without a GPU
    // (llvmpipe and its kin) cost more than software and load some 85 MiB into the game. The
    // player's own choice wins.
    setenv("SDL_RENDER_DRIVER", "software", 0);
    // Else SDL makes the window's surface through an OpenGL renderer all the same.
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
    // SDL opens an X input method, which reads the locale's whole table of compose sequences
    // (a UTF-8 locale's: some 20 ms of the start) for text the game never takes. A player's own
    // setting wins.
    setenv("XCOMPOSEFILE", "/dev/null", 0);
    // A present shows only the rectangles that changed, straight to the X window where there is
    // one; the console shows the whole screen every tick.
    partialPresents = 1;
    // A move plays out in motion, and a press acts as it arrives; the console shows the end of a
    // move at once and reads its buttons once a tick.
    showInMotion = 1;
    pressesActAtOnce = 1;
    presentRects = HostPresentRects;
    // The loop's poll() times the tick: SDL's timer thread would wake twice a tick (re-armed,
    // fired) on top of the loop's own wake-up. The console keeps SDL's timer.
    tickOnClock = 1;
    // The mixer's buffer four times the console's: its thread wakes 44 times a second while
    // sounds play instead of 172, and a sound still starts within 50 ms of its press.
    soundSamples = 1024;
}

int PlatformHasDisplay(void)
{
    // Without a display SDL falls back to drawing off screen, and the game would run unseen
    // until killed. Asked for by name, the off-screen drivers are the player's choice.
    const char *asked = getenv("SDL_VIDEODRIVER");
    if (asked != NULL && asked[0] != '\0')
        return 1;
    char name[32];
    if (SDL_VideoDriverName(name, sizeof name) == NULL)
        return 1;
    if (strcmp(name, "offscreen") != 0 && strcmp(name, "dummy") != 0)
        return 1;
    PlatformSay("no display to show the game on (DISPLAY is not set, and there is no other)");
    return 0;
}

void PlatformVideoPrepare(void)
{
    // Whole-number scaling keeps every pixel the same size. A player's own setting wins.
    const SDL_VideoInfo *desktop = SDL_GetVideoInfo();
    if (desktop != NULL && desktop->current_w > 0 && desktop->current_h > 0) {
        char scale[16];
        snprintf(scale, sizeof scale, "%d", PlatformWindowScale(desktop->current_w, desktop->current_h));
        setenv("SDL12COMPAT_WINDOW_SCALING", scale, 0);
    }
    SDL_WM_SetCaption("Sevenfold", "Sevenfold");
    // Nothing reads where the pointer goes, and a stream of its moves would only crowd the queue
    // that presses, releases and a quit wait in.
    SDL_EventState(SDL_MOUSEMOTION, SDL_IGNORE);
    // The icon goes with the window as it is made, so it is set before the video mode.
    SDL_Surface *icon = SDL_LoadBMP_RW(SDL_RWFromConstMem(iIcon, (int)iIcon_size), 1);
    if (icon != NULL) {
        SDL_WM_SetIcon(icon, NULL);
        SDL_FreeSurface(icon);
    }
}

int PlatformPointer(void)
{
    return SDL_ENABLE;
}

void PlatformToggleFullScreen(void)
{
    SDL_Surface *surface = SDL_GetVideoSurface();
    WholeNumberScale();
    if (surface != NULL)
        SDL_WM_ToggleFullScreen(surface);
    ScreenTouched();
}

// The X connection, once the window is up: its descriptor wakes the loop for every key, click
// and window event.
static Display *XDisplay(void)
{
    static int asked;
    static Display *display;
    if (!asked && SDL_GetVideoSurface() != NULL) {
        asked = 1;
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWMInfo(&info) > 0 && info.subsystem == SDL_SYSWM_X11)
            display = info.info.x11.display;
    }
    return display;
}

int PlatformInputFd(void)
{
    Display *display = XDisplay();
    return display != NULL ? ConnectionNumber(display) : -1;
}

int PlatformInputPending(void)
{
    Display *display = XDisplay();
    return display != NULL && QLength(display) > 0;
}

int PlatformPollsInput(void)
{
    // A pad is read only as SDL pumps its events, and other displays than X give no descriptor;
    // the off-screen drivers have no input to wait for at all.
    char name[32];
    if (SDL_JoystickOpened(0))
        return 1;
    if (XDisplay() != NULL || SDL_VideoDriverName(name, sizeof name) == NULL)
        return 0;
    return strcmp(name, "dummy") != 0 && strcmp(name, "offscreen") != 0;
}

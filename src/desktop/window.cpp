// The desktop window: titled, with its icon and pointer, a crisp whole-number scale, Alt+Enter.
#include "desktop/desktop.h"
#include "desktop/x11.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "assets/assets.h"
#include "gfx/gfx.h"

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
}

const HostOffer *PlatformOffers(void)
{
    static const HostOffer desktop = {
        // A present shows only the rectangles that changed, straight to the X window where there
        // is one; the console shows the whole screen every tick.
        1,
        // A press acts as it arrives; the console reads its buttons once a tick.
        1,
        HostPresentRects,
        // The loop's poll() times the tick: SDL's timer thread would wake twice a tick (re-armed,
        // fired) on top of the loop's own wake-up. The console keeps SDL's timer.
        1,
        // The mixer at the rate a desktop's sound plays at, 48 kHz: at the console's 22 kHz every
        // buffer is resampled on its way, which cost the game a third of its time in play. Its
        // buffer as long as a quarter of a tick: the thread wakes 23 times a second while sounds
        // play, and a sound still starts within 50 ms of its press.
        2048,
        48000,
        // sdl12-compat draws every sheet SDL 1.2 can read.
        0,
    };
    return &desktop;
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
    const char *display = getenv("DISPLAY");
    if (display == NULL || display[0] == '\0') {
        PlatformSay("no display to show the game on (DISPLAY is not set, and there is no other)");
    } else {
        char shown[128];
        PlatformSay("no display to show the game on (the X display \"%s\" in DISPLAY cannot be reached)",
                    Printable(display, shown, sizeof shown));
    }
    return 0;
}

void PlatformVideoPrepare(void)
{
    // SDL_Init has put its own SIGTERM handler in place: the other ways to end a game join it.
    HostSignals();
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
    SDL_Surface *icon = LoadPicture(iIcon, iIcon_size, NO_KEY);
    if (icon != NULL) {
        SDL_WM_SetIcon(icon, NULL);
        SDL_FreeSurface(icon);
    }
}

void HostTitle(const char *title)
{
    SDL_WM_SetCaption(title, "Sevenfold");
    // sdl12-compat leaves _NET_WM_NAME as the window was made with, and puts the UTF-8 bytes
    // into WM_NAME as Latin-1: on X both are set here, the old one in Latin-1 with a plain
    // hyphen for a dash and ? for what Latin-1 lacks.
    SDL_SysWMinfo info;
    if (!SdlX11(&info))
        return;
    Display *display = info.info.x11.display;
    Window window = info.info.x11.wmwindow != 0 ? info.info.x11.wmwindow : info.info.x11.window;
    char latin1[128];
    size_t n = 0;
    for (const unsigned char *p = (const unsigned char *)title; *p != '\0' && n + 1 < sizeof latin1; n++) {
        unsigned code = *p++;
        int more = code >= 0xF0 ? 3 : code >= 0xE0 ? 2 : code >= 0xC0 ? 1 : 0;
        code = more > 0 ? code & 0x7Fu >> (more + 1) : code >= 0x80 ? '?' : code;
        for (; more > 0 && (*p & 0xC0) == 0x80; more--)
            code = code << 6 | (*p++ & 0x3F);
        latin1[n] = (char)(code == 0x2013 || code == 0x2014 ? '-' : code > 0xFF ? '?' : code);
    }
    latin1[n] = '\0';
    if (info.info.x11.lock_func != NULL)
        info.info.x11.lock_func();
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace, (const unsigned char *)title,
                    (int)strlen(title));
    XChangeProperty(display, window, XA_WM_NAME, XA_STRING, 8, PropModeReplace, (const unsigned char *)latin1,
                    (int)n);
    XFlush(display);
    if (info.info.x11.unlock_func != NULL)
        info.info.x11.unlock_func();
}

int PlatformPointer(void)
{
    return SDL_ENABLE;
}

// The X connection, once the window is up: its descriptor wakes the loop for every key, click
// and window event.
static Display *XDisplay(void)
{
    static int asked;
    static Display *display;
    SDL_SysWMinfo info;
    if (!asked && SDL_GetVideoSurface() != NULL) {
        asked = 1;
        display = SdlX11(&info) ? info.info.x11.display : NULL;
    }
    return display;
}

// Whether a window manager runs on the display: it owns the WM_Sn selection of the screen, or
// names itself on the root window.
static int Managed(Display *display)
{
    char name[16];
    snprintf(name, sizeof name, "WM_S%d", DefaultScreen(display));
    if (XGetSelectionOwner(display, XInternAtom(display, name, False)) != None)
        return 1;
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = NULL;
    int found = XGetWindowProperty(display, DefaultRootWindow(display),
                                   XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False), 0, 1, False,
                                   AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
                type != None;
    if (data != NULL)
        XFree(data);
    return found;
}

void PlatformToggleFullScreen(void)
{
    SDL_Surface *surface = SDL_GetVideoSurface();
    WholeNumberScale();
    if (surface == NULL)
        return;
    // SDL asks the window manager for the full screen and waits to hear the window's new size.
    // Without one nobody answers: the window keeps its size while SDL draws for the whole
    // screen, and back in a window SDL never hears its size again. There the game moves and
    // sizes the window itself, as a manager would, and SDL hears of it as from one.
    static int windowedX, windowedY, windowedW, windowedH;
    SDL_SysWMinfo info;
    Display *display = XDisplay();
    Window window = 0;
    XWindowAttributes now;
    if (display != NULL && SdlX11(&info))
        window = info.info.x11.window;
    if (window != 0 && (Managed(display) || !XGetWindowAttributes(display, window, &now)))
        window = 0;
    if (window != 0 && !(surface->flags & SDL_FULLSCREEN)) {
        windowedX = now.x, windowedY = now.y, windowedW = now.width, windowedH = now.height;
    }
    SDL_WM_ToggleFullScreen(surface);
    if (window != 0) {
        if (surface->flags & SDL_FULLSCREEN)
            XMoveResizeWindow(display, window, 0, 0, (unsigned)WidthOfScreen(now.screen),
                              (unsigned)HeightOfScreen(now.screen));
        else if (windowedW > 0)
            XMoveResizeWindow(display, window, windowedX, windowedY, (unsigned)windowedW, (unsigned)windowedH);
        XRaiseWindow(display, window);
        XSync(display, False);
        // SDL takes in the window's new size before the picture is shown again, at once after
        // this press: shown sooner, it would be drawn for the size the window had.
        SDL_PumpEvents();
    }
    ScreenTouched();
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

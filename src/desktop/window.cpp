// The desktop window: titled, with its icon and pointer, a crisp whole-number scale, Alt+Enter.
#include "desktop/desktop.h"

#include <SDL_syswm.h>
#include <dlfcn.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

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

// SDL draws our 320x240 picture into the window through OpenGL when it can. Where OpenGL is
// itself a software rasteriser (llvmpipe and its kin, as on a machine without a GPU), that costs
// several times what SDL's own software renderer does, and loads some 85 MiB into the game. A
// child process asks OpenGL what it is while SDL starts, so that none of it lands in the game.
static pid_t probe = -1;
static int probeAnswer = -1;

// In the child: the name of the OpenGL renderer, through an off-screen 1x1 pbuffer.
static void AskOpenGl(int answer)
{
    typedef void *(*OpenDisplay)(const char *);
    typedef int (*DefaultScreen)(void *);
    typedef void **(*ChooseFBConfig)(void *, int, const int *, int *);
    typedef unsigned long (*CreatePbuffer)(void *, void *, const int *);
    typedef void *(*CreateNewContext)(void *, void *, int, void *, int);
    typedef int (*MakeContextCurrent)(void *, unsigned long, unsigned long, void *);
    typedef const char *(*GetString)(unsigned);
    enum { DRAWABLE_TYPE = 0x8010, PBUFFER_BIT = 0x4, RENDER_TYPE = 0x8011, RGBA_BIT = 0x1,
           RGBA_TYPE = 0x8014, PBUFFER_WIDTH = 0x8041, PBUFFER_HEIGHT = 0x8040, RENDERER = 0x1F01 };
    void *x = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    void *gl = dlopen("libGL.so.1", RTLD_NOW | RTLD_LOCAL);
    if (x == NULL || gl == NULL)
        return;
    void *display = ((OpenDisplay)dlsym(x, "XOpenDisplay"))(NULL);
    if (display == NULL)
        return;
    const int wanted[] = {DRAWABLE_TYPE, PBUFFER_BIT, RENDER_TYPE, RGBA_BIT, 0};
    int count = 0;
    void **configs = ((ChooseFBConfig)dlsym(gl, "glXChooseFBConfig"))(
        display, ((DefaultScreen)dlsym(x, "XDefaultScreen"))(display), wanted, &count);
    if (configs == NULL || count < 1)
        return;
    const int size[] = {PBUFFER_WIDTH, 1, PBUFFER_HEIGHT, 1, 0};
    unsigned long pbuffer = ((CreatePbuffer)dlsym(gl, "glXCreatePbuffer"))(display, configs[0], size);
    void *context = ((CreateNewContext)dlsym(gl, "glXCreateNewContext"))(display, configs[0], RGBA_TYPE, NULL, 1);
    if (pbuffer == 0 || context == NULL ||
        !((MakeContextCurrent)dlsym(gl, "glXMakeContextCurrent"))(display, pbuffer, pbuffer, context))
        return;
    const char *name = ((GetString)dlsym(gl, "glGetString"))(RENDERER);
    if (name != NULL && write(answer, name, strlen(name)) < 0)
        return;
}

static void StartRendererProbe(void)
{
    // The player's own choice of renderer stands, and only X has this question to ask.
    if (getenv("SDL_RENDER_DRIVER") != NULL || getenv("SDL_FRAMEBUFFER_ACCELERATION") != NULL)
        return;
    const char *driver = getenv("SDL_VIDEODRIVER");
    if ((driver != NULL && driver[0] != '\0' && strcmp(driver, "x11") != 0) || getenv("DISPLAY") == NULL)
        return;
    int answer[2];
    if (pipe(answer) != 0)
        return;
    // Still a single thread: SDL has not started yet, so the child may do as it likes.
    probe = fork();
    if (probe == 0) {
        close(answer[0]);
        AskOpenGl(answer[1]);
        _exit(0);
    }
    close(answer[1]);
    if (probe < 0)
        close(answer[0]);
    else
        probeAnswer = answer[0];
}

static void ChooseRenderer(void)
{
    if (probe < 0)
        return;
    char name[256];
    size_t got = 0;
    struct pollfd wait = {probeAnswer, POLLIN, 0};
    // A probe that hangs must not hold the game up; it counts as no OpenGL.
    while (got < sizeof name - 1 && poll(&wait, 1, 1000) == 1) {
        ssize_t n = read(probeAnswer, name + got, sizeof name - 1 - got);
        if (n <= 0)
            break;
        got += (size_t)n;
    }
    name[got] = '\0';
    kill(probe, SIGKILL);
    waitpid(probe, NULL, 0);
    close(probeAnswer);
    probe = -1;
    if (got == 0 || strstr(name, "llvmpipe") || strstr(name, "softpipe") || strstr(name, "swrast")) {
        setenv("SDL_RENDER_DRIVER", "software", 0);
        // Else SDL makes the window's surface through an OpenGL renderer all the same.
        setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
    }
}

void PlatformBeforeInit(void)
{
    // Pixel art wants its pixels unsmoothed. SDL reads this as video starts; a player's own
    // setting wins.
    setenv("SDL12COMPAT_SCALE_METHOD", "nearest", 0);
    StartRendererProbe();
    // A present shows only the rectangles that changed, straight to the X window where there is
    // one; the console shows the whole screen every tick.
    partialPresents = 1;
    presentRects = HostPresentRects;
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
    ChooseRenderer();
    // Whole-number scaling keeps every pixel the same size. A player's own setting wins.
    const SDL_VideoInfo *desktop = SDL_GetVideoInfo();
    if (desktop != NULL && desktop->current_w > 0 && desktop->current_h > 0) {
        char scale[16];
        snprintf(scale, sizeof scale, "%d", PlatformWindowScale(desktop->current_w, desktop->current_h));
        setenv("SDL12COMPAT_WINDOW_SCALING", scale, 0);
    }
    SDL_WM_SetCaption("Sevenfold", "Sevenfold");
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

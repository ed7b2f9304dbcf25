// The floor for the idle game on X: one thread, Xlib alone, the cursor's cell put every 70 ms at the game's scale.
//
// figures.py runs it beside the game: whatever shows a changing 34x34 cell at x4 every 70 ms on
// this machine pays at least this, in wake-ups and in its X server's time.
//
//   x_floor [--scale N]    (default: the game's scale for the screen)
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <vector>

static long long NowMs()
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
}

int main(int argc, char *argv[])
{
    Display *d = XOpenDisplay(NULL);
    if (d == NULL) {
        fprintf(stderr, "x_floor: no display\n");
        return 1;
    }
    int screen = DefaultScreen(d);
    // The game's rule for its window's scale on this screen.
    int byWidth = DisplayWidth(d, screen) / 320, byHeight = DisplayHeight(d, screen) * 9 / 10 / 240;
    int scale = byWidth < byHeight ? byWidth : byHeight;
    if (scale < 1)
        scale = 1;
    if (argc == 3 && strcmp(argv[1], "--scale") == 0)
        scale = atoi(argv[2]);
    Window w = XCreateSimpleWindow(d, RootWindow(d, screen), 0, 0, 320 * scale, 240 * scale, 0, 0, 0);
    XStoreName(d, w, "x_floor");
    // Found by its process, as figures.py finds every program's window.
    long pid = (long)getpid();
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    (unsigned char *)&pid, 1);
    XSelectInput(d, w, ExposureMask | KeyPressMask);
    XMapWindow(d, w);
    GC gc = XCreateGC(d, w, 0, NULL);
    const int side = 34 * scale;
    std::vector<unsigned> pixels((size_t)side * side);
    XImage *image = XCreateImage(d, DefaultVisual(d, screen), (unsigned)DefaultDepth(d, screen), ZPixmap, 0,
                                 (char *)pixels.data(), (unsigned)side, (unsigned)side, 32, side * 4);
    printf("x_floor: scale %d\n", scale);
    fflush(stdout);
    long long due = NowMs();
    for (unsigned step = 0;; step++) {
        while (XPending(d)) {
            XEvent event;
            XNextEvent(d, &event);
        }
        long long now = NowMs();
        if (now >= due) {
            // An outline that turns, as the game's cursor does.
            for (int y = 0; y < side; y++)
                for (int x = 0; x < side; x++)
                    pixels[(size_t)y * side + x] = ((x / scale + y / scale + step) & 4) ? 0xFF0000 : 0xFFFF00;
            XPutImage(d, w, gc, image, 0, 0, (80 + 3 * 34) * scale, (1 + 3 * 34) * scale, (unsigned)side,
                      (unsigned)side);
            XFlush(d);
            due = now + 70;
        }
        struct pollfd fd = {ConnectionNumber(d), POLLIN, 0};
        poll(&fd, 1, (int)(due - NowMs() > 0 ? due - NowMs() : 0));
    }
}

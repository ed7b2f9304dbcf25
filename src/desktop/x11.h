// The desktop's X pieces: SDL's own connection and window, X errors trapped, the ring the puts' pixels go through, pixels of a window's visual.
#ifndef SEVENFOLD_X11_H
#define SEVENFOLD_X11_H

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

// SDL's X connection and window, once the video surface is up: 1 with them in info, 0 where SDL
// draws elsewhere (the dummy driver, Wayland).
int SdlX11(SDL_SysWMinfo *info);

// X errors while a request of ours is out: recorded, where SDL's handler would end the game.
class XTrap {
public:
    explicit XTrap(Display *display);
    ~XTrap();
    bool Failed(); // whether any request made since the trap was set failed; waits for the server's answer

private:
    Display *display_;
    XErrorHandler previous_;
};

// The window's visual as RGB565 widened into it the way SDL widens it for the window: a pixel of
// the window per picture pixel, `bytes` wide.
struct VisualPixels {
    int depth, bytes;
    unsigned long mask;
    Uint32 red[32], green[64], blue[32];
};
int MakeVisualPixels(const Visual *visual, int depth, VisualPixels *pixels); // 0 where this code cannot write them
inline Uint32 VisualPixel(const VisualPixels &p, Uint16 rgb565)
{
    return p.red[rgb565 >> 11] | p.green[rgb565 >> 5 & 63] | p.blue[rgb565 & 31];
}
// The screen's rectangle r scaled by s, nearest, into out: rows of r.w * s window pixels.
void ScaleRect(const VisualPixels &p, const SDL_Rect &r, int s, Uint8 *out);

// The room the puts' pixels go through, on a connection: a shared segment (MIT-SHM) used as a
// ring, each put's pixels after the last one's, else plain memory. A put waits for no answer:
// only one that would come round to the segment's start waits for the server to have read all
// before it. Errors of the puts come back on their own and are told apart by serial.
struct PutRoom {
    Uint8 *at;        // where the pixels go
    XShmSegmentInfo *shared; // the segment they lie in, or NULL for plain memory
};
int RoomForPuts(Display *display, size_t bytes, size_t most, PutRoom *room); // 0 when a put sent earlier failed
void PutsSent(Display *display, unsigned long from); // the puts made since `from` (a request serial) are out
int WaitPutsRead(Display *display);  // waits until the server has read every put so far; 0 if any failed
void DropPutRoom(Display *display); // the segment given up: plain puts from now on
void CountPutErrors(Display *display); // from now on errors of the puts are counted, SDL's own go to SDL

#endif

// Changed rectangles of the screen put straight into the X window, each scaled by the window's whole factor.
//
// sdl12-compat shows any update by rescaling its whole picture and sending all of it to the
// window: at x4, 4.9 MB and most of the game's and the X server's time for a 34x34 cell. Here a
// changed rectangle is scaled alone and put where SDL would have drawn it, through shared
// memory (MIT-SHM) on SDL's own X connection, or a plain XPutImage where the server cannot see
// the segment. SDL's whole present still shows the first picture and every picture after an
// expose, a mode switch or a failed put; after each, a row or two of the window are read back
// and the partial path is trusted only while they are what it would have put there (a player's
// SDL12COMPAT_SCALE_METHOD=linear, another SDL or another visual make them differ).
//
// A put waits for no answer: a round trip after each would wake the game a second time every
// tick. The segment is used as a ring, each put's pixels after the last one's, and only a put
// that would come round to the start waits for the server to have read everything before it;
// errors of the puts (a window gone) come back on their own and are counted by serial.
#include "desktop/desktop.h"

#include <X11/Xutil.h>

#include "desktop/sdl2.h"
#include "desktop/x11.h"
#include "gfx/gfx.h"

namespace {

const int kWidth = 320, kHeight = 240;
// Picture rows whose lower edge the guard reads: the score's digits beside the board's second
// row, and the side panel's pattern beside its fourth.
const int kGuardRows[] = {46, 120};
// Whole presents asked for in a row when the window could not be read (not yet shown, say).
const int kMostRetries = 20;

// The window the picture is put into, and how.
struct {
    Display *display = NULL;
    Window window = 0;
    Visual *visual = NULL;
    GC gc = NULL;
    VisualPixels pixels;
    bool usable = false;    // a visual and pixel layout this code can write
    bool trusted = false;   // the last whole present's rows read back as the partial path puts them
    int retries = 0;
    int width = 0, height = 0; // SDL's size of the window when the guard last read it
    int scale = 0, left = 0, top = 0;
} target;

// The window that shows the picture, and whether its pixels are ones this code can write.
void FindWindow()
{
    SDL_SysWMinfo info;
    if (!SdlX11(&info)) {
        target.usable = target.trusted = false;
        return;
    }
    if (target.display == info.info.x11.display && target.window == info.info.x11.window)
        return;
    if (target.display != NULL && target.display != info.info.x11.display) {
        // SDL never changes its connection while the game runs; should it, start afresh.
        target.usable = target.trusted = false;
        return;
    }
    Display *display = info.info.x11.display;
    target.display = display;
    target.window = info.info.x11.window;
    target.usable = target.trusted = false;
    if (target.gc != NULL)
        XFreeGC(display, target.gc);
    target.gc = NULL;
    XWindowAttributes attributes;
    {
        XTrap trap(display);
        if (!XGetWindowAttributes(display, target.window, &attributes) || trap.Failed())
            return;
    }
    if (!MakeVisualPixels(attributes.visual, attributes.depth, &target.pixels))
        return;
    // Rows of 16- or 32-bit pixels in this machine's byte order, as the server takes them.
    int pixelBits = target.pixels.bytes * 8;
    const Uint32 one = 1;
    int order = *(const Uint8 *)&one ? LSBFirst : MSBFirst;
    XImage *probe = XCreateImage(display, attributes.visual, (unsigned)attributes.depth, ZPixmap, 0, NULL, 8, 1,
                                 pixelBits, 0);
    bool layout = probe != NULL && probe->bits_per_pixel == pixelBits && probe->bytes_per_line == pixelBits &&
                  probe->byte_order == order;
    if (probe != NULL)
        XDestroyImage(probe);
    if (!layout)
        return;
    target.visual = attributes.visual;
    target.gc = XCreateGC(display, target.window, 0, NULL);
    target.usable = true;
    // Errors of the puts, which wait for no answer, reach SDL's handler only when not ours.
    CountPutErrors(display);
}

// After a whole present: where SDL put the picture, and whether it is what a partial present
// would have put there. Reads the window's lower line of a picture row and the upper line of
// the next, for two rows, where nearest scaling and the colours show.
int Guard()
{
    const Sdl2 *sdl2 = FindSdl2();
    void *window = sdl2->window();
    if (window == NULL)
        return 0;
    target.trusted = false;
    XWindowAttributes attributes;
    XTrap trap(target.display);
    if (!XGetWindowAttributes(target.display, target.window, &attributes) || trap.Failed())
        return ++target.retries <= kMostRetries ? -1 : 0;
    sdl2->size(window, &target.width, &target.height);
    int byWidth = attributes.width / kWidth, byHeight = attributes.height / kHeight;
    target.scale = byWidth < byHeight ? byWidth : byHeight;
    if (target.scale < 1)
        return 0;
    // Centred, as SDL's whole-number scaling centres it in a full screen.
    target.left = (attributes.width - kWidth * target.scale) / 2;
    target.top = (attributes.height - kHeight * target.scale) / 2;
    bool same = true;
    for (int row : kGuardRows) {
        int y = target.top + row * target.scale + target.scale - 1;
        XImage *got = XGetImage(target.display, target.window, target.left, y, (unsigned)(kWidth * target.scale), 2, AllPlanes, ZPixmap);
        if (got == NULL || trap.Failed()) {
            if (got != NULL)
                XDestroyImage(got);
            return ++target.retries <= kMostRetries ? -1 : 0;
        }
        for (int line = 0; line < 2 && same; line++) {
            const Uint16 *picture = ScreenRow(row + line);
            for (int i = 0; i < kWidth * target.scale && same; i++)
                same = (XGetPixel(got, i, line) & target.pixels.mask) == VisualPixel(target.pixels, picture[i / target.scale]);
        }
        XDestroyImage(got);
    }
    target.retries = 0;
    target.trusted = same;
    return 0;
}

int PutRects(const SDL_Rect *rects, int count)
{
    const Sdl2 *sdl2 = FindSdl2();
    void *window = sdl2->window();
    int w = -1, h = -1;
    if (window != NULL)
        sdl2->size(window, &w, &h);
    // A new size (full screen, say) comes with SDL's own present of it, and the guard again.
    if (w != target.width || h != target.height) {
        target.trusted = false;
        return -1;
    }
    Display *display = target.display;
    const int s = target.scale, bytes = target.pixels.bytes;
    size_t pixels = 0;
    for (int i = 0; i < count; i++)
        pixels += (size_t)rects[i].w * rects[i].h * s * s;
    // A put sent earlier failed (its error read off the connection since, or by the sync
    // before the ring comes round): SDL shows all, and shared memory the server could attach but
    // not read gives way to plain puts. Room for the most a partial present sends, half the
    // picture, at this scale.
    PutRoom room;
    if (!RoomForPuts(display, pixels * bytes, (size_t)kWidth * kHeight / 2 * s * s * 4, &room)) {
        DropPutRoom(display);
        WaitPutsRead(display);
        target.trusted = false;
        return -1;
    }
    unsigned long from = NextRequest(display);
    Uint8 *out = room.at;
    for (int i = 0; i < count; i++) {
        const SDL_Rect &r = rects[i];
        const int ow = r.w * s, oh = r.h * s, depth = target.pixels.depth;
        ScaleRect(target.pixels, r, s, out);
        if (room.shared != NULL) {
            XImage *image = XShmCreateImage(display, target.visual, (unsigned)depth, ZPixmap, (char *)out,
                                            room.shared, (unsigned)ow, (unsigned)oh);
            if (image == NULL)
                break;
            XShmPutImage(display, target.window, target.gc, image, 0, 0, target.left + r.x * s, target.top + r.y * s,
                         (unsigned)ow, (unsigned)oh, False);
            XFree(image);
        } else {
            XImage *image = XCreateImage(display, target.visual, (unsigned)depth, ZPixmap, 0, (char *)out,
                                         (unsigned)ow, (unsigned)oh, bytes * 8, ow * bytes);
            if (image == NULL)
                break;
            XPutImage(display, target.window, target.gc, image, 0, 0, target.left + r.x * s, target.top + r.y * s,
                      (unsigned)ow, (unsigned)oh);
            image->data = NULL;
            XDestroyImage(image);
        }
        // Each rectangle has its own part of the room, so none is rewritten before the server
        // has read it.
        out += (size_t)ow * oh * bytes;
    }
    PutsSent(display, from);
    if (out != room.at + pixels * bytes) {
        target.trusted = false;
        return -1;
    }
    return 1;
}

} // namespace

int HostPresentRects(const SDL_Rect *rects, int count)
{
    if (count == 0) {
        WholeNumberScale();
        if (FindSdl2() == NULL)
            return 0;
        FindWindow();
        SdlPartsWhole();
        return target.usable ? Guard() : 0;
    }
    if (target.usable && target.trusted)
        return PutRects(rects, count);
    // On X alone: elsewhere SDL's window surface is no cheaper than its own present.
    return target.display != NULL && target.window != 0 ? SdlPresentRects(rects, count) : 0;
}

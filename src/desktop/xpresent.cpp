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

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <vector>

#include "gfx/gfx.h"

namespace {

const int kWidth = 320, kHeight = 240;
// Picture rows whose lower edge the guard reads: the score's digits beside the board's second
// row, and the side panel's pattern beside its fourth.
const int kGuardRows[] = {46, 120};
// Whole presents asked for in a row when the window could not be read (not yet shown, say).
const int kMostRetries = 20;
// How much of the shared segment the puts go round in before waiting for the server.
const size_t kRingBytes = 512 * 1024;

// SDL2, which sdl12-compat loaded: the window and renderer that show the picture.
struct Sdl2 {
    void *(*window)(void);
    void *(*renderer)(void *window);
    int (*setIntegerScale)(void *renderer, int on);
    int (*integerScale)(void *renderer);
    void (*size)(void *window, int *w, int *h);
    // For scaled parts drawn by SDL's own software renderer (SDL2's own structures).
    struct Info {
        const char *name;
        Uint32 flags, formats;
        Uint32 format[16];
        int maxW, maxH;
    };
    struct Rect {
        int x, y, w, h;
    };
    int (*rendererInfo)(void *renderer, Info *info);
    void *(*createTexture)(void *renderer, Uint32 format, int access, int w, int h);
    int (*updateTexture)(void *texture, const Rect *rect, const void *pixels, int pitch);
    int (*copy)(void *renderer, void *texture, const Rect *from, const Rect *to);
    int (*flush)(void *renderer);
    void (*viewport)(void *renderer, Rect *rect);
    void (*scale)(void *renderer, float *x, float *y);
    int (*updateWindow)(void *window, const Rect *rects, int count);
    int (*setScaleMode)(void *texture, int mode);
    Uint32 (*windowFormat)(void *window);
};

const Sdl2 *FindSdl2()
{
    static int looked;
    static Sdl2 sdl2;
    static const Sdl2 *found;
    if (looked)
        return found;
    looked = 1;
    // Only sdl12-compat has SDL2 under it; the classic SDL 1.2 scales nothing.
    void *compat = dlsym(RTLD_DEFAULT, "SDL12COMPAT_GetWindow");
    void *lib = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (compat == NULL || lib == NULL)
        return NULL;
    sdl2.window = (void *(*)(void))compat;
    sdl2.renderer = (void *(*)(void *))dlsym(lib, "SDL_GetRenderer");
    sdl2.setIntegerScale = (int (*)(void *, int))dlsym(lib, "SDL_RenderSetIntegerScale");
    sdl2.integerScale = (int (*)(void *))dlsym(lib, "SDL_RenderGetIntegerScale");
    sdl2.size = (void (*)(void *, int *, int *))dlsym(lib, "SDL_GetWindowSize");
    sdl2.rendererInfo = (int (*)(void *, Sdl2::Info *))dlsym(lib, "SDL_GetRendererInfo");
    sdl2.createTexture = (void *(*)(void *, Uint32, int, int, int))dlsym(lib, "SDL_CreateTexture");
    sdl2.updateTexture = (int (*)(void *, const Sdl2::Rect *, const void *, int))dlsym(lib, "SDL_UpdateTexture");
    sdl2.copy = (int (*)(void *, void *, const Sdl2::Rect *, const Sdl2::Rect *))dlsym(lib, "SDL_RenderCopy");
    sdl2.flush = (int (*)(void *))dlsym(lib, "SDL_RenderFlush");
    sdl2.viewport = (void (*)(void *, Sdl2::Rect *))dlsym(lib, "SDL_RenderGetViewport");
    sdl2.scale = (void (*)(void *, float *, float *))dlsym(lib, "SDL_RenderGetScale");
    sdl2.updateWindow = (int (*)(void *, const Sdl2::Rect *, int))dlsym(lib, "SDL_UpdateWindowSurfaceRects");
    sdl2.setScaleMode = (int (*)(void *, int))dlsym(lib, "SDL_SetTextureScaleMode");
    sdl2.windowFormat = (Uint32(*)(void *))dlsym(lib, "SDL_GetWindowPixelFormat");
    if (sdl2.renderer && sdl2.setIntegerScale && sdl2.integerScale && sdl2.size)
        found = &sdl2;
    return found;
}

// X errors while a request of ours is out: recorded, where SDL's handler would end the game.
int xErrors;
int CountError(Display *, XErrorEvent *)
{
    xErrors++;
    return 0;
}

class Trap {
public:
    explicit Trap(Display *display) : display_(display)
    {
        xErrors = 0;
        previous_ = XSetErrorHandler(CountError);
    }
    ~Trap() { XSetErrorHandler(previous_); }
    // Whether any request made since the trap was set failed; waits for the server to answer.
    bool Failed()
    {
        XSync(display_, False);
        return xErrors != 0;
    }

private:
    Display *display_;
    XErrorHandler previous_;
};

// Errors of the puts sent since the server last answered: told apart from SDL's own by their
// serial, within [putsFrom, putsTo).
int putErrors;
unsigned long putsFrom, putsTo;
XErrorHandler sdlsHandler;
int CountPutError(Display *display, XErrorEvent *error)
{
    if (error->serial >= putsFrom && error->serial < putsTo) {
        putErrors++;
        return 0;
    }
    return sdlsHandler != NULL ? sdlsHandler(display, error) : 0;
}

int Shift(unsigned long mask)
{
    int shift = 0;
    while (shift < 32 && !(mask >> shift & 1))
        shift++;
    return shift;
}

struct Target {
    Display *display = NULL;
    Window window = 0;
    Visual *visual = NULL;
    int depth = 0;
    GC gc = NULL;
    bool usable = false;    // a visual and pixel layout this code can write
    bool trusted = false;   // the last whole present's rows read back as the partial path puts them
    int retries = 0;
    int width = 0, height = 0; // SDL's size of the window when the guard last read it
    int scale = 0, left = 0, top = 0;
    int bytes = 4;          // of a pixel in the window's images: 2 at depth 16, else 4
    unsigned long mask = 0;
    Uint32 red[32], green[64], blue[32];
    // Where scaled rectangles are written: a shared segment, else plain memory.
    XShmSegmentInfo shm;
    bool shmTried = false, shmAttached = false;
    size_t shmBytes = 0;
    size_t ringAt = 0;      // where in the segment the next put's pixels go
    std::vector<Uint32> plain;
} x;

// Waits until the server has read every put sent so far; false if any of them failed.
bool PutsRead()
{
    XSync(x.display, False);
    bool fine = putErrors == 0;
    putErrors = 0;
    putsFrom = putsTo = NextRequest(x.display);
    x.ringAt = 0;
    return fine;
}

void DropShm()
{
    if (x.shmAttached) {
        XShmDetach(x.display, &x.shm);
        PutsRead();
        shmdt(x.shm.shmaddr);
    }
    x.shmAttached = false;
    x.shmBytes = 0;
}

// Room for that many pixels of scaled rectangles: the shared segment, attached on first use,
// else plain memory.
Uint8 *Room(size_t pixels)
{
    size_t bytes = pixels * (size_t)x.bytes;
    if (!x.shmTried) {
        x.shmTried = true;
        int major, minor;
        Bool pixmaps;
        if (XShmQueryVersion(x.display, &major, &minor, &pixmaps)) {
            // Room for the most a partial present sends, half the picture, at this scale.
            size_t most = (size_t)kWidth * kHeight / 2 * x.scale * x.scale * 4;
            x.ringAt = 0;
            x.shm.shmid = shmget(IPC_PRIVATE, bytes > most ? bytes : most, IPC_CREAT | 0600);
            x.shm.shmaddr = x.shm.shmid < 0 ? (char *)-1 : (char *)shmat(x.shm.shmid, NULL, 0);
            if (x.shm.shmaddr != (char *)-1) {
                x.shm.readOnly = False;
                // A server that cannot see the segment (another machine, another IPC namespace)
                // still offers MIT-SHM, and refuses the attach with BadAccess.
                Trap trap(x.display);
                XShmAttach(x.display, &x.shm);
                x.shmAttached = !trap.Failed();
                if (x.shmAttached)
                    x.shmBytes = bytes > most ? bytes : most;
                else
                    shmdt(x.shm.shmaddr);
            }
            // Gone once both ends let go of it, however the game ends.
            if (x.shm.shmid >= 0)
                shmctl(x.shm.shmid, IPC_RMID, NULL);
        }
    }
    if (x.shmAttached && bytes <= x.shmBytes) {
        // Round to the start only once the server has read what lies there. The ring keeps to
        // the segment's first half MiB where it can (seven cursor cells at x4, a wait every
        // half second), so that the rest of the segment's pages stay untouched, out of memory.
        const size_t ring = x.shmBytes < kRingBytes ? x.shmBytes : kRingBytes;
        if (x.ringAt + bytes > (bytes > ring ? x.shmBytes : ring) && !PutsRead())
            return NULL;
        Uint8 *room = (Uint8 *)x.shm.shmaddr + x.ringAt;
        x.ringAt += (bytes + 63) & ~(size_t)63;
        return room;
    }
    if (x.shmAttached) {
        // A larger scale than the segment was made for: a larger one.
        DropShm();
        x.shmTried = false;
        return Room(pixels);
    }
    if (x.plain.size() * 4 < bytes)
        x.plain.resize(bytes / 4 + 1);
    return (Uint8 *)x.plain.data();
}

// The window that shows the picture, and whether its pixels are ones this code can write.
void FindWindow()
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) <= 0 || info.subsystem != SDL_SYSWM_X11 || info.info.x11.display == NULL) {
        x.usable = x.trusted = false;
        return;
    }
    if (x.display == info.info.x11.display && x.window == info.info.x11.window)
        return;
    if (x.display != NULL && x.display != info.info.x11.display) {
        // SDL never changes its connection while the game runs; should it, start afresh.
        x.usable = x.trusted = false;
        return;
    }
    x.display = info.info.x11.display;
    x.window = info.info.x11.window;
    x.usable = x.trusted = false;
    if (x.gc != NULL)
        XFreeGC(x.display, x.gc);
    x.gc = NULL;
    XWindowAttributes attributes;
    {
        Trap trap(x.display);
        if (!XGetWindowAttributes(x.display, x.window, &attributes) || trap.Failed())
            return;
    }
    // SDL may choose a visual other than the screen's default (a DirectColor one, say): the
    // pixels are made for the window's own visual and depth, or X answers BadMatch.
    Visual *v = attributes.visual;
    if (v->c_class != TrueColor && v->c_class != DirectColor)
        return;
    // 8 bits a colour at depths 24 and 32, 10 at depth 30, RGB565 itself at depth 16.
    int bits = attributes.depth == 30 ? 10 : 8;
    if (attributes.depth != 16 && attributes.depth != 24 && attributes.depth != 30 && attributes.depth != 32)
        return;
    if (attributes.depth == 16 ? v->red_mask != 0xF800 || v->green_mask != 0x07E0 || v->blue_mask != 0x001F
                               : v->red_mask >> Shift(v->red_mask) != (1ul << bits) - 1 ||
                                     v->green_mask >> Shift(v->green_mask) != (1ul << bits) - 1 ||
                                     v->blue_mask >> Shift(v->blue_mask) != (1ul << bits) - 1)
        return;
    // Rows of 16- or 32-bit pixels in this machine's byte order, as the server takes them.
    int pixelBits = attributes.depth == 16 ? 16 : 32;
    const Uint32 one = 1;
    int order = *(const Uint8 *)&one ? LSBFirst : MSBFirst;
    XImage *probe = XCreateImage(x.display, v, (unsigned)attributes.depth, ZPixmap, 0, NULL, 8, 1, pixelBits, 0);
    bool layout = probe != NULL && probe->bits_per_pixel == pixelBits && probe->bytes_per_line == pixelBits &&
                  probe->byte_order == order;
    if (probe != NULL)
        XDestroyImage(probe);
    if (!layout)
        return;
    x.visual = v;
    x.depth = attributes.depth;
    x.bytes = pixelBits / 8;
    x.gc = XCreateGC(x.display, x.window, 0, NULL);
    // RGB565 as SDL widens it for the window (measured: red and blue v*255/31, green v*4 + v/24;
    // at 10 bits the 8-bit value again, its top two bits below it).
    for (int i = 0; i < 64; i++) {
        Uint32 five = (Uint32)(i % 32 * 255 / 31), six = (Uint32)(i * 4 + i / 24);
        if (bits == 10) {
            five = five << 2 | five >> 6;
            six = six << 2 | six >> 6;
        }
        if (attributes.depth == 16)
            five = (Uint32)i % 32, six = (Uint32)i;
        if (i < 32) {
            x.red[i] = five << Shift(v->red_mask);
            x.blue[i] = five << Shift(v->blue_mask);
        }
        x.green[i] = six << Shift(v->green_mask);
    }
    x.mask = v->red_mask | v->green_mask | v->blue_mask;
    x.usable = true;
    // Errors of the puts, which wait for no answer, reach SDL's handler only when not ours.
    if (sdlsHandler == NULL) {
        XErrorHandler current = XSetErrorHandler(CountPutError);
        sdlsHandler = current != CountPutError ? current : NULL;
    }
    putsFrom = putsTo = NextRequest(x.display);
}

inline Uint32 Pixel(Uint16 p)
{
    return x.red[p >> 11] | x.green[p >> 5 & 63] | x.blue[p & 31];
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
    x.trusted = false;
    XWindowAttributes attributes;
    Trap trap(x.display);
    if (!XGetWindowAttributes(x.display, x.window, &attributes) || trap.Failed())
        return ++x.retries <= kMostRetries ? -1 : 0;
    sdl2->size(window, &x.width, &x.height);
    int byWidth = attributes.width / kWidth, byHeight = attributes.height / kHeight;
    x.scale = byWidth < byHeight ? byWidth : byHeight;
    if (x.scale < 1)
        return 0;
    // Centred, as SDL's whole-number scaling centres it in a full screen.
    x.left = (attributes.width - kWidth * x.scale) / 2;
    x.top = (attributes.height - kHeight * x.scale) / 2;
    bool same = true;
    for (int row : kGuardRows) {
        int y = x.top + row * x.scale + x.scale - 1;
        XImage *got = XGetImage(x.display, x.window, x.left, y, (unsigned)(kWidth * x.scale), 2, AllPlanes, ZPixmap);
        if (got == NULL || trap.Failed()) {
            if (got != NULL)
                XDestroyImage(got);
            return ++x.retries <= kMostRetries ? -1 : 0;
        }
        for (int line = 0; line < 2 && same; line++) {
            const Uint16 *picture = ScreenRow(row + line);
            for (int i = 0; i < kWidth * x.scale && same; i++)
                same = (XGetPixel(got, i, line) & x.mask) == Pixel(picture[i / x.scale]);
        }
        XDestroyImage(got);
    }
    x.retries = 0;
    x.trusted = same;
    return 0;
}

// A rectangle of the screen scaled by s into out, rows of ow pixels of type P.
template <typename P> void Scale(const SDL_Rect &r, int s, P *out)
{
    const int ow = r.w * s;
    for (int y = 0; y < r.h; y++) {
        const Uint16 *from = ScreenRow(r.y + y) + r.x;
        P *line = out + (size_t)y * s * ow;
        for (int c = 0; c < r.w; c++) {
            P p = (P)Pixel(from[c]);
            for (int k = 0; k < s; k++)
                line[c * s + k] = p;
        }
        for (int k = 1; k < s; k++)
            memcpy(line + (size_t)k * ow, line, (size_t)ow * sizeof(P));
    }
}

int PutRects(const SDL_Rect *rects, int count)
{
    const Sdl2 *sdl2 = FindSdl2();
    void *window = sdl2->window();
    int w = -1, h = -1;
    if (window != NULL)
        sdl2->size(window, &w, &h);
    // A new size (full screen, say) comes with SDL's own present of it, and the guard again.
    if (w != x.width || h != x.height) {
        x.trusted = false;
        return -1;
    }
    const int s = x.scale;
    size_t pixels = 0;
    for (int i = 0; i < count; i++)
        pixels += (size_t)rects[i].w * rects[i].h * s * s;
    // A put sent earlier failed (its error read off the connection since, or by the sync
    // before the ring comes round): SDL shows all, and shared memory the server could attach but
    // not read gives way to plain puts.
    Uint8 *room = putErrors == 0 ? Room(pixels) : NULL;
    if (room == NULL) {
        if (x.shmAttached)
            DropShm();
        PutsRead();
        x.trusted = false;
        return -1;
    }
    bool shared = x.shmAttached && room >= (Uint8 *)x.shm.shmaddr && room < (Uint8 *)x.shm.shmaddr + x.shmBytes;
    if (putsFrom == putsTo)
        putsFrom = NextRequest(x.display);
    Uint8 *out = room;
    for (int i = 0; i < count; i++) {
        const SDL_Rect &r = rects[i];
        const int ow = r.w * s, oh = r.h * s;
        if (x.bytes == 2)
            Scale(r, s, (Uint16 *)out);
        else
            Scale(r, s, (Uint32 *)out);
        if (shared) {
            XImage *image = XShmCreateImage(x.display, x.visual, (unsigned)x.depth, ZPixmap, (char *)out, &x.shm,
                                            (unsigned)ow, (unsigned)oh);
            if (image == NULL)
                break;
            XShmPutImage(x.display, x.window, x.gc, image, 0, 0, x.left + r.x * s, x.top + r.y * s,
                         (unsigned)ow, (unsigned)oh, False);
            XFree(image);
        } else {
            XImage *image = XCreateImage(x.display, x.visual, (unsigned)x.depth, ZPixmap, 0, (char *)out,
                                         (unsigned)ow, (unsigned)oh, x.bytes * 8, ow * x.bytes);
            if (image == NULL)
                break;
            XPutImage(x.display, x.window, x.gc, image, 0, 0, x.left + r.x * s, x.top + r.y * s, (unsigned)ow,
                      (unsigned)oh);
            image->data = NULL;
            XDestroyImage(image);
        }
        // Each rectangle has its own part of the room, so none is rewritten before the server
        // has read it.
        out += (size_t)ow * oh * x.bytes;
    }
    putsTo = NextRequest(x.display);
    XFlush(x.display);
    if (out != room + pixels * x.bytes) {
        x.trusted = false;
        return -1;
    }
    return 1;
}

// Where the pixels are not the partial path's own (a player's SDL12COMPAT_SCALE_METHOD=linear):
// SDL's software renderer scales each changed rectangle, a pixel around it taken along so that
// its smoothing reads the same neighbours as in SDL's whole picture, into the window's surface,
// and SDL sends only those rectangles to the window. sdl12-compat would scale and send all of it.
inline Uint32 Widened(Uint16 p)
{
    return 0xFF000000u | (Uint32)((p >> 11) * 255 / 31) << 16 | (Uint32)((p >> 5 & 63) * 4 + (p >> 5 & 63) / 24) << 8 |
           (Uint32)((p & 31) * 255 / 31);
}

struct {
    Uint32 pixels[kWidth * kHeight];
    void *renderer = NULL, *texture = NULL;
    int width = -1, height = -1; // SDL's size of the window at the last whole present
} sdlParts;

// r with a border of b pixels around it, within the picture.
Sdl2::Rect Grown(const SDL_Rect &r, int b)
{
    int x0 = r.x - b > 0 ? r.x - b : 0, y0 = r.y - b > 0 ? r.y - b : 0;
    int x1 = r.x + r.w + b < kWidth ? r.x + r.w + b : kWidth, y1 = r.y + r.h + b < kHeight ? r.y + r.h + b : kHeight;
    Sdl2::Rect grown = {x0, y0, x1 - x0, y1 - y0};
    return grown;
}

int DrawPartsThroughSdl(const SDL_Rect *rects, int count)
{
    const Sdl2 *sdl2 = FindSdl2();
    if (!sdl2->rendererInfo || !sdl2->createTexture || !sdl2->updateTexture || !sdl2->copy || !sdl2->flush ||
        !sdl2->viewport || !sdl2->scale || !sdl2->updateWindow || !sdl2->setScaleMode || !sdl2->windowFormat)
        return 0;
    void *window = sdl2->window();
    void *renderer = window != NULL ? sdl2->renderer(window) : NULL;
    Sdl2::Info info;
    if (renderer == NULL || sdl2->rendererInfo(renderer, &info) != 0 || strcmp(info.name, "software") != 0)
        return 0;
    int w = -1, h = -1;
    sdl2->size(window, &w, &h);
    if (w != sdlParts.width || h != sdlParts.height)
        return -1;
    if (renderer != sdlParts.renderer) {
        // A texture of the renderer SDL made, gone with it, scaled as sdl12-compat scales its own:
        // smoothed unless asked for nearest.
        // The texture in the window's own 32-bit format, its pixels widened from RGB565 as SDL
        // widens them: SDL smooths a part of a texture of any other format wrongly (it reads
        // from the texture's corner).
        const Uint32 rgb888 = 0x16161804u, argb8888 = 0x16362004u; // SDL_PIXELFORMAT_RGB888, _ARGB8888
        Uint32 format = sdl2->windowFormat(window);
        if (format != rgb888 && format != argb8888)
            return 0;
        sdlParts.texture = sdl2->createTexture(renderer, format, 1 /* streaming */, kWidth, kHeight);
        sdlParts.renderer = sdlParts.texture != NULL ? renderer : NULL;
        if (sdlParts.texture == NULL)
            return 0;
        const char *method = getenv("SDL12COMPAT_SCALE_METHOD");
        sdl2->setScaleMode(sdlParts.texture, method != NULL && strcmp(method, "nearest") == 0 ? 0 : 1);
    }
    Sdl2::Rect viewport;
    float sx = 1, sy = 1;
    sdl2->viewport(renderer, &viewport);
    sdl2->scale(renderer, &sx, &sy);
    Sdl2::Rect out[32];
    int n = 0;
    for (int i = 0; i < count && n < 32; i++) {
        // Smoothed, a changed pixel shows in its neighbours' scaled pixels too: those are sent
        // as well, scaled from a ring of pixels around them.
        Sdl2::Rect shown = Grown(rects[i], 1), grown = Grown(rects[i], 2);
        for (int y = grown.y; y < grown.y + grown.h; y++) {
            const Uint16 *from = ScreenRow(y) + grown.x;
            for (int c = 0; c < grown.w; c++)
                sdlParts.pixels[(y - grown.y) * kWidth + c] = Widened(from[c]);
        }
        if (sdl2->updateTexture(sdlParts.texture, &grown, sdlParts.pixels, kWidth * 4) != 0 ||
            sdl2->copy(renderer, sdlParts.texture, &grown, &grown) != 0)
            return -1;
        out[n++] = {(int)((viewport.x + shown.x) * sx), (int)((viewport.y + shown.y) * sy), (int)(shown.w * sx),
                    (int)(shown.h * sy)};
    }
    if (sdl2->flush(renderer) != 0 || sdl2->updateWindow(window, out, n) != 0)
        return -1;
    return 1;
}

} // namespace

void WholeNumberScale(void)
{
    const Sdl2 *sdl2 = FindSdl2();
    void *window = sdl2 != NULL ? sdl2->window() : NULL;
    void *renderer = window != NULL ? sdl2->renderer(window) : NULL;
    if (renderer != NULL && !sdl2->integerScale(renderer))
        sdl2->setIntegerScale(renderer, 1);
}

int HostPresentRects(const SDL_Rect *rects, int count)
{
    if (count == 0) {
        WholeNumberScale();
        if (FindSdl2() == NULL)
            return 0;
        FindWindow();
        void *window = FindSdl2()->window();
        sdlParts.width = sdlParts.height = -1;
        if (window != NULL)
            FindSdl2()->size(window, &sdlParts.width, &sdlParts.height);
        return x.usable ? Guard() : 0;
    }
    if (x.usable && x.trusted)
        return PutRects(rects, count);
    // On X alone: elsewhere SDL's window surface is no cheaper than its own present.
    return x.display != NULL && x.window != 0 ? DrawPartsThroughSdl(rects, count) : 0;
}

// SDL2 under sdl12-compat, reached where SDL 1.2 has no call: the window and renderer that show the picture.
#ifndef SEVENFOLD_SDL2_H
#define SEVENFOLD_SDL2_H

#include <SDL.h>

// Only sdl12-compat has SDL2 under it; the classic SDL 1.2 scales nothing, and FindSdl2 gives NULL.
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

const Sdl2 *FindSdl2(void); // SDL2's calls, found once; NULL under the classic SDL 1.2

// RGB565's channels widened to 8 bits as SDL widens them for its window (measured: red and blue
// v * 255 / 31, green v * 4 + v / 24).
inline Uint32 Widen5(Uint32 v) { return v * 255 / 31; }
inline Uint32 Widen6(Uint32 v) { return v * 4 + v / 24; }

#endif

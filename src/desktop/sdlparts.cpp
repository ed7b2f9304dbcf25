// Changed rectangles of a smoothed picture scaled by SDL's own software renderer and sent alone to the window.
#include "desktop/desktop.h"

#include <stdlib.h>
#include <string.h>

#include "desktop/sdl2.h"
#include "gfx/gfx.h"

namespace {

const int kWidth = 320, kHeight = 240;

// Where the pixels are not the partial path's own (a player's SDL12COMPAT_SCALE_METHOD=linear):
// SDL's software renderer scales each changed rectangle, a pixel around it taken along so that
// its smoothing reads the same neighbours as in SDL's whole picture, into the window's surface,
// and SDL sends only those rectangles to the window. sdl12-compat would scale and send all of it.
inline Uint32 Widened(Uint16 p)
{
    return 0xFF000000u | Widen5(p >> 11) << 16 | Widen6(p >> 5 & 63) << 8 | Widen5(p & 31);
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

void SdlPartsWhole(void)
{
    const Sdl2 *sdl2 = FindSdl2();
    void *window = sdl2 != NULL ? sdl2->window() : NULL;
    sdlParts.width = sdlParts.height = -1;
    if (window != NULL)
        sdl2->size(window, &sdlParts.width, &sdlParts.height);
}

int SdlPresentRects(const SDL_Rect *rects, int count)
{
    return FindSdl2() != NULL ? DrawPartsThroughSdl(rects, count) : 0;
}

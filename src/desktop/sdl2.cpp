// SDL2 under sdl12-compat, reached where SDL 1.2 has no call, and the full screen at a whole-number scale through it.
#include "desktop/sdl2.h"

#include <dlfcn.h>

#include "desktop/desktop.h"

const Sdl2 *FindSdl2(void)
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

void WholeNumberScale(void)
{
    const Sdl2 *sdl2 = FindSdl2();
    void *window = sdl2 != NULL ? sdl2->window() : NULL;
    void *renderer = window != NULL ? sdl2->renderer(window) : NULL;
    if (renderer != NULL && !sdl2->integerScale(renderer))
        sdl2->setIntegerScale(renderer, 1);
}

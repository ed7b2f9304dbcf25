// The pictures the game draws from: the embedded title and cursor sheets and the player's tile sheet.
#include "gfx/gfx.h"

#include "assets/assets.h"
#include "assets/sheet.h"

#include <string.h>

SDL_Surface *screen = NULL;
SDL_Surface *title = NULL;
SDL_Surface *image = NULL;
SDL_Surface *tile = NULL;
Uint8 skinMax = 0;
Uint8 skin = 0;

SDL_Surface *LoadPicture(const unsigned char *bytes, Uint32 size, Uint32 key)
{
    SDL_Surface *picture = SDL_LoadBMP_RW(SDL_RWFromConstMem(bytes, (int)size), 1);
    if (picture != NULL && key != NO_KEY)
        SDL_SetColorKey(picture, SDL_SRCCOLORKEY, key);
    return picture;
}

Uint8 *PixelRow(SDL_Surface *surface, int y)
{
    return (Uint8 *)surface->pixels + y * surface->pitch;
}

void LoadPictures(void)
{
    title = LoadPicture(iTitle, iTitle_size, NO_KEY);
    image = LoadPicture(iImage, iImage_size, 0x3E0);
}

// tile as the screen's own pixels, run-length keyed, or NULL; made by TileToDraw. Left out of the
// headers: only a test reaches it, to draw from the sheet itself.
SDL_Surface *tileOnScreen = NULL;
static SDL_Surface *tileOnScreenFrom; // the tile sheet tileOnScreen was made from, held (its refcount) while the copy stands

// A copy of a keyed sheet in the screen's own pixels, each one exactly what a blit of the sheet
// puts on the screen, and its transparent pixels under a key of their own, run-length encoded:
// drawing it is a copy of runs, where the sheet itself is converted pixel by pixel at every
// blit (on the console, nearly all of a tick). NULL where no exact copy can be made: a sheet
// that blends, a screen that is not 16-bit, no memory.
static SDL_Surface *InScreenPixels(SDL_Surface *sheet)
{
    if (screen == NULL || sheet == NULL || screen->format->BytesPerPixel != 2 ||
        (sheet->flags & SDL_SRCALPHA) != 0)
        return NULL;
    const SDL_PixelFormat *f = screen->format;
    // Only the seven kinds' columns are ever drawn; a wider sheet's other columns are left out.
    int w = sheet->w < 7 * 34 ? sheet->w : 7 * 34, h = sheet->h;
    SDL_Surface *onBlack = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 16, f->Rmask, f->Gmask, f->Bmask, 0);
    SDL_Surface *onWhite = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 16, f->Rmask, f->Gmask, f->Bmask, 0);
    static Uint32 used[65536 / 32];
    SDL_Surface *copy = NULL;
    if (onBlack != NULL && onWhite != NULL) {
        // The sheet blitted with its own key over two grounds: a pixel that differs between them
        // is one the blit left alone.
        SDL_FillRect(onBlack, NULL, 0x0000);
        SDL_FillRect(onWhite, NULL, 0xFFFF);
        SDL_Rect all = {0, 0, (Uint16)w, (Uint16)h};
        SDL_BlitSurface(sheet, &all, onBlack, NULL);
        SDL_BlitSurface(sheet, &all, onWhite, NULL);
        memset(used, 0, sizeof used);
        int transparent = 0;
        for (int y = 0; y < h; y++) {
            const Uint16 *b = (const Uint16 *)PixelRow(onBlack, y);
            const Uint16 *wh = (const Uint16 *)PixelRow(onWhite, y);
            for (int x = 0; x < w; x++) {
                if (b[x] != wh[x])
                    transparent = 1;
                else
                    used[b[x] / 32] |= 1u << (b[x] % 32);
            }
        }
        // The key: a value no drawn pixel has. A sheet that draws every one of the 65536 (a
        // picture of millions of pixels, all different) is drawn as it is.
        Uint32 key = 0;
        while (key < 65536 && (used[key / 32] >> (key % 32) & 1))
            key++;
        if (key < 65536) {
            for (int y = 0; y < h; y++) {
                Uint16 *b = (Uint16 *)PixelRow(onBlack, y);
                const Uint16 *wh = (const Uint16 *)PixelRow(onWhite, y);
                for (int x = 0; x < w; x++)
                    if (b[x] != wh[x])
                        b[x] = (Uint16)key;
            }
            if (transparent)
                SDL_SetColorKey(onBlack, SDL_SRCCOLORKEY | SDL_RLEACCEL, key);
            copy = onBlack;
            onBlack = NULL;
        }
    }
    if (onBlack != NULL)
        SDL_FreeSurface(onBlack);
    if (onWhite != NULL)
        SDL_FreeSurface(onWhite);
    return copy;
}

// The copy gone, and the sheet it was made from let go.
static void ForgetCopy(void)
{
    if (tileOnScreen != NULL)
        SDL_FreeSurface(tileOnScreen);
    if (tileOnScreenFrom != NULL)
        SDL_FreeSurface(tileOnScreenFrom);
    tileOnScreen = tileOnScreenFrom = NULL;
}

SDL_Surface *TileToDraw(void)
{
    // A sheet put in place without SetTile (the tests and the fuzzer do) gets its copy here.
    if (tileOnScreenFrom != tile) {
        ForgetCopy();
        tileOnScreen = InScreenPixels(tile);
        // The sheet is held while its copy stands: freed elsewhere, it would leave its address
        // free for a new sheet, which would then pass for it and be drawn as the old copy.
        tileOnScreenFrom = tile;
        if (tile != NULL)
            tile->refcount++;
    }
    return tileOnScreen != NULL ? tileOnScreen : tile;
}

void SetTile(SDL_Surface *sheet)
{
    if (tile && tile != sheet)
        SDL_FreeSurface(tile);
    tile = sheet;
    skinMax = (Uint8)(tile->h / 34); // the check allows no more than 255 whole rows
    SDL_SetColorKey(tile, SDL_SRCCOLORKEY, 0x3E0);
    // The same sheet keyed anew is copied afresh too.
    ForgetCopy();
    TileToDraw();
}

int LoadTile(const char *path)
{
    SDL_Surface *sheet = LoadSheet(path);
    if (sheet == NULL)
        return 0;
    SetTile(sheet);
    return 1;
}

void FreePictures(void)
{
    ForgetCopy();
    SDL_Surface **surfaces[] = {&image, &tile, &title, &tileOnScreen};
    for (size_t i = 0; i < sizeof surfaces / sizeof surfaces[0]; i++) {
        if (*surfaces[i])
            SDL_FreeSurface(*surfaces[i]);
        *surfaces[i] = NULL;
    }
}

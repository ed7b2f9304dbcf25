// The pictures the game draws from: the embedded title and cursor sheets and the player's tile sheet.
#include "gfx/gfx.h"

#include "assets/assets.h"
#include "assets/sheet.h"

SDL_Surface *screen = NULL;
SDL_Surface *title = NULL;
SDL_Surface *image = NULL;
SDL_Surface *tile = NULL;
Uint8 skinMax = 0;
Uint8 skin = 0;

void LoadPictures(void)
{
    title = SDL_LoadBMP_RW(SDL_RWFromConstMem(iTitle, (int)iTitle_size), 1);
    image = SDL_LoadBMP_RW(SDL_RWFromConstMem(iImage, (int)iImage_size), 1);
    if (image)
        SDL_SetColorKey(image, SDL_SRCCOLORKEY, 0x3E0);
}

void SetTile(SDL_Surface *sheet)
{
    if (tile && tile != sheet)
        SDL_FreeSurface(tile);
    tile = sheet;
    skinMax = (Uint8)(tile->h / 34); // the check allows no more than 255 whole rows
    SDL_SetColorKey(tile, SDL_SRCCOLORKEY, 0x3E0);
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
    SDL_Surface **surfaces[] = {&image, &tile, &title};
    for (size_t i = 0; i < sizeof surfaces / sizeof surfaces[0]; i++) {
        if (*surfaces[i])
            SDL_FreeSurface(*surfaces[i]);
        *surfaces[i] = NULL;
    }
}

// The drawing primitives every picture of the game goes through.
#include "gfx/gfx.h"

Uint16 _565(Uint8 red, Uint8 green, Uint8 blue)
{
    return (Uint16)(((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3));
}

Uint32 screenDraws = 0;

void FillRec(SDL_Surface *surface, Uint16 x, Uint16 y, Uint16 w, Uint16 h, Uint16 colour)
{
    if (surface == screen)
        ScreenDrawn((Sint16)x, (Sint16)y, w, h);
    SDL_Rect r;
    r.x = (Sint16)x;
    r.y = (Sint16)y;
    r.w = w;
    r.h = h;
    SDL_FillRect(surface, &r, colour);
}

void PutSurface(SDL_Surface *source, SDL_Surface *destination, Sint16 sx, Sint16 sy,
                Sint16 dx, Sint16 dy, Uint16 w, Uint16 h)
{
    // A sheet that failed to decode simply draws nothing.
    if (source == NULL || destination == NULL)
        return;
    if (destination == screen)
        ScreenDrawn(dx, dy, w, h);
    SDL_Rect from, to;
    from.x = sx;
    from.y = sy;
    from.w = w;
    from.h = h;
    to.x = dx;
    to.y = dy;
    to.w = w;
    to.h = h;
    SDL_UpperBlit(source, &from, destination, &to);
}

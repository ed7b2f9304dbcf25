// The side panel: its ground, the title, the menu, the score and the credit label.
#include "gfx/gfx.h"

#include "assets/assets.h"

SDL_Surface *Wexa = NULL;

void PutWexa(Sint16 x, Sint16 y)
{
    // Decoded once and kept: a new game must not cost a fresh surface.
    if (Wexa == NULL)
        Wexa = LoadPicture(iWexa, iWexa_size, 0xFF00);
    if (Wexa)
        PutSurface(Wexa, screen, 0, 0, x, y, (Uint16)Wexa->w, (Uint16)Wexa->h);
}

void DrawSidePanel(Uint8 highlight, Uint32 points)
{
    for (int r = 0; r < 48; r++)
        for (int c = 0; c < 16; c++)
            PutSurface(image, screen, 136, 0, (Sint16)(5 * c), (Sint16)(5 * r), 5, 5);
    PutSurface(title, screen, 0, 0, 0, 0, 80, 40);
    ShowMenu(highlight);
    DrawPoints(points);
    PutWexa(14, 229);
}

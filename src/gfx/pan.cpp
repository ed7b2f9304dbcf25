// The board in the current skin, the crawling cursor and the faded lifted tile.
#include "gfx/gfx.h"

#include "board/board.h"

Uint8 aniCursor = 0;

// Screen position of a board cell.
static Sint16 CellX(int column) { return (Sint16)(80 + 34 * column); }
static Sint16 CellY(int row) { return (Sint16)(1 + 34 * row); }

// One cell over the white board: a marked cell stays white.
static void DrawCell(int c, int r)
{
    if (same[c + r * 7] != 0)
        FillRec(screen, (Uint16)CellX(c), (Uint16)CellY(r), 34, 34, 0xFFFF);
    else
        PutSurface(TileToDraw(), screen, (Sint16)(34 * table[c + r * 7]), (Sint16)(34 * skin), CellX(c),
                   CellY(r), 34, 34);
}

void DrawPan(void)
{
    // Reaches one row below the screen; the fill clips it.
    FillRec(screen, 80, 1, 240, 240, 0xFFFF);
    for (int r = 0; r < 7; r++)
        for (int c = 0; c < 7; c++)
            DrawCell(c, r);
}

void DrawCursorCell(void)
{
    // Within the cell this is exactly what DrawPan and DrawCursor leave there.
    FillRec(screen, (Uint16)CellX(mx), (Uint16)CellY(my), 34, 34, 0xFFFF);
    DrawCell(mx, my);
    DrawCursor();
    UpdateScreen();
}

void DrawCellFaded(int c, int r, Uint8 alpha)
{
    if (tile == NULL)
        return;
    Sint16 sx = (Sint16)(34 * table[c + r * 7]), sy = (Sint16)(34 * skin);
    if (tile->format->Amask != 0 && screen != NULL) {
        // SDL ignores a whole-surface alpha on a sheet with an alpha channel: the tile is blended
        // by its own alpha onto a copy of what is under it, and that copy over it at alpha.
        static SDL_Surface *under;
        if (under == NULL)
            under = SDL_CreateRGBSurface(SDL_SWSURFACE, 34, 34, screen->format->BitsPerPixel, screen->format->Rmask,
                                         screen->format->Gmask, screen->format->Bmask, 0);
        if (under != NULL) {
            SDL_Rect cell = {CellX(c), CellY(r), 34, 34};
            SDL_SetAlpha(under, 0, 255);
            SDL_BlitSurface(screen, &cell, under, NULL);
            PutSurface(tile, under, sx, sy, 0, 0, 34, 34);
            SDL_SetAlpha(under, SDL_SRCALPHA, alpha);
            PutSurface(under, screen, 0, 0, CellX(c), CellY(r), 34, 34);
            return;
        }
    }
    // The sheet's own blending comes back afterwards: per-pixel alpha if it has an alpha
    // channel, else plain opaque blits, which cost half what blending at 255 does.
    Uint32 blending = tile->flags & SDL_SRCALPHA;
    Uint8 was = tile->format->alpha;
    SDL_SetAlpha(tile, SDL_SRCALPHA, alpha);
    PutSurface(tile, screen, sx, sy, CellX(c), CellY(r), 34, 34);
    SDL_SetAlpha(tile, blending, was);
}

void DrawCursor(void)
{
    aniCursor++;
    if (aniCursor > 3)
        aniCursor = 0;

    Sint16 x = CellX(mx), y = CellY(my);
    if (SET != 0) {
        FillRec(screen, (Uint16)x, (Uint16)y, 34, 34, 0xFFFF);
        DrawCellFaded(mx, my, 150);
    }
    PutSurface(image, screen, (Sint16)(34 * aniCursor), 0, x, y, 34, 34);
}

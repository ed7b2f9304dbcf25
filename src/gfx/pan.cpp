// The board in the current skin, the crawling cursor and the faded lifted tile.
#include "gfx/gfx.h"

#include "board/board.h"

Uint8 aniCursor = 0;

Sint16 CellX(int column) { return (Sint16)(BOARD_X + CELL * column); }
Sint16 CellY(int row) { return (Sint16)(BOARD_Y + CELL * row); }

int CellAt(int x, int y, Sint16 *column, Sint16 *row)
{
    if (x < BOARD_X || x >= BOARD_X + 7 * CELL || y < BOARD_Y || y >= BOARD_Y + 7 * CELL)
        return 0;
    *column = (Sint16)((x - BOARD_X) / CELL);
    *row = (Sint16)((y - BOARD_Y) / CELL);
    return 1;
}

void FillBoard(void)
{
    // Reaches one row below the screen; the fill clips it.
    FillRec(screen, BOARD_X, BOARD_Y, 320 - BOARD_X, 240, 0xFFFF);
}

void DrawTile(Uint8 kind, Sint16 x, Sint16 y)
{
    PutSurface(TileToDraw(), screen, (Sint16)(34 * kind), (Sint16)(34 * skin), x, y, 34, 34);
}

// One cell over the white board: a marked cell stays white.
static void DrawCell(const Uint8 *kinds, const Uint8 *marks, int c, int r)
{
    if (marks != NULL && marks[c + r * 7] != 0)
        FillRec(screen, (Uint16)CellX(c), (Uint16)CellY(r), 34, 34, 0xFFFF);
    else
        DrawTile(kinds[c + r * 7], CellX(c), CellY(r));
}

// The same over whatever the cell held: its white ground first.
static void DrawCellAfresh(const Uint8 *kinds, const Uint8 *marks, int c, int r)
{
    FillRec(screen, (Uint16)CellX(c), (Uint16)CellY(r), 34, 34, 0xFFFF);
    DrawCell(kinds, marks, c, r);
}

void DrawTiles(const Uint8 *kinds, const Uint8 *marks)
{
    FillBoard();
    // A picture drawn piece by piece clips the board to a cell or two: the others are not tried.
    const SDL_Rect &clip = screen->clip_rect;
    for (int r = 0; r < 7; r++)
        for (int c = 0; c < 7; c++)
            if (CellX(c) < clip.x + clip.w && CellX(c) + CELL > clip.x && CellY(r) < clip.y + clip.h &&
                CellY(r) + CELL > clip.y)
                DrawCell(kinds, marks, c, r);
}

void DrawTilesOver(const Uint8 *kinds, const Uint8 *was)
{
    for (int i = 0; i < BOARD_CELLS; i++)
        if (kinds[i] != was[i])
            DrawCellAfresh(kinds, NULL, i % 7, i / 7);
}

void DrawPan(void)
{
    DrawTiles(table, same);
}

void DrawTileFaded(Uint8 kind, Sint16 x, Sint16 y, Uint8 alpha)
{
    if (tile == NULL)
        return;
    Sint16 sx = (Sint16)(34 * kind), sy = (Sint16)(34 * skin);
    if (tile->format->Amask != 0 && screen != NULL) {
        // SDL ignores a whole-surface alpha on a sheet with an alpha channel: the tile is blended
        // by its own alpha onto a copy of what is under it, and that copy over it at alpha.
        static SDL_Surface *under;
        if (under == NULL)
            under = SDL_CreateRGBSurface(SDL_SWSURFACE, 34, 34, screen->format->BitsPerPixel, screen->format->Rmask,
                                         screen->format->Gmask, screen->format->Bmask, 0);
        if (under != NULL) {
            SDL_Rect cell = {x, y, 34, 34};
            SDL_SetAlpha(under, 0, 255);
            SDL_BlitSurface(screen, &cell, under, NULL);
            PutSurface(tile, under, sx, sy, 0, 0, 34, 34);
            SDL_SetAlpha(under, SDL_SRCALPHA, alpha);
            PutSurface(under, screen, 0, 0, x, y, 34, 34);
            return;
        }
    }
    // The sheet's own blending comes back afterwards: per-pixel alpha if it has an alpha
    // channel, else plain opaque blits, which cost half what blending at 255 does.
    Uint32 blending = tile->flags & SDL_SRCALPHA;
    Uint8 was = tile->format->alpha;
    SDL_SetAlpha(tile, SDL_SRCALPHA, alpha);
    PutSurface(tile, screen, sx, sy, x, y, 34, 34);
    SDL_SetAlpha(tile, blending, was);
}

void DrawCellFaded(int c, int r, Uint8 alpha)
{
    DrawTileFaded(table[c + r * 7], CellX(c), CellY(r), alpha);
}

void DrawCursorFrame(void)
{
    Sint16 x = CellX(mx), y = CellY(my);
    if (SET != 0) {
        FillRec(screen, (Uint16)x, (Uint16)y, 34, 34, 0xFFFF);
        DrawCellFaded(mx, my, 150);
    }
    PutSurface(image, screen, (Sint16)(34 * aniCursor), 0, x, y, 34, 34);
}

void TurnCursor(void)
{
    aniCursor++;
    if (aniCursor > 3)
        aniCursor = 0;
}

void DrawCursor(void)
{
    TurnCursor();
    DrawCursorFrame();
}

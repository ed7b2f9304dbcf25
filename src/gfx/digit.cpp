// The digit counter: numbers drawn right-aligned with leading zeros from the embedded glyph strip.
#include "gfx/gfx.h"

#include "assets/assets.h"
#include "board/board.h"

SDL_Surface *digit = NULL;
Uint8 _dig_width = 0;
Uint8 _dig_height = 0;
Uint32 _dig_back = 0;

void SetDigit(Uint8 width, Uint8 height)
{
    _dig_width = width;
    _dig_height = height;
    digit = LoadPicture(iDigit, iDigit_size, 0xFF00);
    _dig_back = 0;
}

void SetDigitBack(Uint32 colour)
{
    // Zero keeps the background already in force; it only sets the key again.
    if (digit)
        SDL_SetColorKey(digit, SDL_SRCCOLORKEY, 0xFF00);
    if (colour != 0)
        _dig_back = colour;
}

void PutDigit(Uint32 value, Uint8 digits, Sint16 x, Sint16 y)
{
    for (Uint8 i = 0; i < digits; i++) {
        Sint16 left = (Sint16)(x + _dig_width * (digits - 1 - i));
        if (_dig_back != 0) {
            SDL_Rect cell;
            cell.x = left;
            cell.y = y;
            cell.w = _dig_width;
            cell.h = _dig_height;
            SDL_FillRect(screen, &cell, _dig_back);
            ScreenDrawn(cell.x, cell.y, cell.w, cell.h);
        }
        PutSurface(digit, screen, (Sint16)(_dig_width * (value % 10)), 0, left, y,
                   _dig_width, _dig_height);
        value /= 10;
    }
}

void DrawPoints(Uint32 points)
{
    PutDigit(points, 7, 5, 40);
}

void DrawScore(void)
{
    DrawPoints(score);
}

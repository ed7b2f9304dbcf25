// The side-panel menu: its sheet, drawing with or without the highlighted item, and the selection.
#include "gfx/gfx.h"

SDL_Surface *menu = NULL;
SDL_Rect _menu = {0, 0, 0, 0};
SDL_Rect _item = {0, 0, 0, 0};
Uint8 menuMax = 0;
Uint8 _currMenu = 0;
Uint8 isMenu = 0;

void InitMenu(const unsigned char *sheet, Uint32 length, Sint16 x, Sint16 y,
              Uint8 items, Uint8 firstItemY, Uint8 itemHeight)
{
    if (isMenu)
        return;
    SDL_Surface *decoded = LoadPicture(sheet, length, 0xFF00);
    if (menu)
        SDL_FreeSurface(menu);
    menu = decoded;
    Uint16 half = menu ? (Uint16)(menu->w / 2) : 0;
    Uint16 height = menu ? (Uint16)menu->h : 0;
    _menu.x = x;
    _menu.y = y;
    _menu.w = half;
    _menu.h = height;
    _item.x = 0;
    _item.y = firstItemY;
    _item.w = half;
    _item.h = itemHeight;
    menuMax = items;
}

void ShowMenu(Uint8 highlight)
{
    PutSurface(menu, screen, 0, 0, _menu.x, _menu.y, _menu.w, _menu.h);
    if (highlight) {
        int row = _item.y + _currMenu * _item.h;
        PutSurface(menu, screen, (Sint16)(_item.x + _menu.w), (Sint16)row,
                   (Sint16)(_menu.x + _item.x), (Sint16)(_menu.y + row), _item.w, _item.h);
    }
}

void MenuItemUP(void)
{
    if (!isMenu)
        return;
    if (_currMenu != 0)
        _currMenu--;
    else
        _currMenu = (Uint8)(menuMax - 1);
}

void MenuItemDOWN(void)
{
    if (!isMenu)
        return;
    if ((int)_currMenu < (int)menuMax - 1)
        _currMenu++;
    else
        _currMenu = 0;
}

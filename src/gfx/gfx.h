// Presentation: drawing primitives, the digit counter, the board and cursor, and the side-panel menu.
#ifndef SEVENFOLD_GFX_H
#define SEVENFOLD_GFX_H

#include <SDL.h>

// The surfaces every picture is drawn from and into.
extern SDL_Surface *screen; // the 320x240x16 display surface; set by Init
extern SDL_Surface *title;  // title artwork; LoadPictures, freed by FreePictures
extern SDL_Surface *image;  // cursor frames and side-panel swatch; LoadPictures, freed by FreePictures
extern SDL_Surface *tile;   // tile-skin sheet, column = kind, row = skin; LoadTile, freed by FreePictures
extern Uint8 skinMax;       // number of skins in the tile sheet; set by LoadTile
extern Uint8 skin;          // skin in use (row of the tile sheet); stepped by the tick, set by a desktop's settings
void LoadPictures(void);    // decode the embedded title and cursor sheets
// An embedded BMP, with the colour key given (0x3E0 is pure green in X1R5G5B5), or none.
#define NO_KEY 0xFFFFFFFFu
SDL_Surface *LoadPicture(const unsigned char *bytes, Uint32 size, Uint32 key);
Uint8 *PixelRow(SDL_Surface *surface, int y); // the first byte of the surface's row y
int LoadTile(const char *path); // read the tile-skin sheet into tile and skinMax; 0 when unusable
void SetTile(SDL_Surface *sheet); // a loaded sheet becomes tile, keyed, its skins counted
SDL_Surface *TileToDraw(void);    // what the board's tiles are copied from: tile's copy in the screen's pixels, else tile
void FreePictures(void);

// The side panel, x 0-79: its ground of swatches, the title, the menu, the score, the credit.
extern SDL_Surface *Wexa;  // credit label, decoded once by PutWexa
void PutWexa(Sint16 x, Sint16 y);
void DrawSidePanel(Uint8 highlight, Uint32 points); // all of it, the menu's item highlighted or not

// Drawing primitives. None of them updates the display.
Uint16 _565(Uint8 red, Uint8 green, Uint8 blue);   // RGB565 pixel value, components truncated
void FillRec(SDL_Surface *surface, Uint16 x, Uint16 y, Uint16 w, Uint16 h, Uint16 colour);
void PutSurface(SDL_Surface *source, SDL_Surface *destination, Sint16 sx, Sint16 sy,
                Sint16 dx, Sint16 dy, Uint16 w, Uint16 h);
void UpdateScreen(void);                            // show the screen: what changed, or all of it
int PresentDue(Uint32 looked); // looked: SDL_GetTicks() at the last look at SDL's queue; ms until the next look must come
                               // to show a part SDL may hold back, -1 for none

// Drawing and showing less than the whole screen. The idle game changes one 34x34 cell a tick,
// the cursor's; a tick that has nothing else to show draws that cell alone. Whatever is drawn, a
// desktop shows only the rectangles whose pixels changed since the last present: the primitives
// note where they draw, and the present compares that with what it showed last. Everything that
// draws into screen goes through FillRec, PutSurface or ScreenDrawn.
extern Uint8 partialPresents; // 1: a present shows only what changed; 0: always all, as the console does; set at start-up by the host's offer
// The host's own way to show rectangles of the screen on the display, or NULL; set at start-up
// by the host's offer. Returns 1 when it showed them all; 0 when it showed nothing and SDL's own update is to
// be used; -1 when the picture must go whole through SDL. Called with no rectangles after every
// whole present, so that it can look whether the display shows what it would have put there;
// it then returns -1 to have the next present made whole too.
extern int (*presentRects)(const SDL_Rect *rects, int count);
extern Uint32 screenDraws;    // fills and copies into screen so far, and exposes; the primitives, PutDigit, ScreenTouched
void ScreenDrawn(Sint16 x, Sint16 y, Uint16 w, Uint16 h); // a drawing into screen: its pixels may have changed, within the clip
const Uint16 *ScreenRow(int y); // screen's row y of 16-bit pixels, for the presents that read it
void ScreenTouched(void);     // the window was made anew or uncovered: the next present shows it all

// Digit counter.
extern SDL_Surface *digit; // digit strip, glyph d at x = d * _dig_width; written by SetDigit
extern Uint8 _dig_width;   // glyph cell width; written by SetDigit
extern Uint8 _dig_height;  // glyph cell height; written by SetDigit
extern Uint32 _dig_back;   // screen pixel value each cell is cleared to first, 0 = none; SetDigit, SetDigitBack
void SetDigit(Uint8 width, Uint8 height);
void SetDigitBack(Uint32 colour);
void PutDigit(Uint32 value, Uint8 digits, Sint16 x, Sint16 y);
void DrawScore(void);
void DrawPoints(Uint32 points); // DrawScore of any number of points: the score as a move's steps show it

// Board and cursor. Cell (c, r), each 0-6, lies at (BOARD_X + CELL * c, BOARD_Y + CELL * r).
enum { BOARD_X = 80, BOARD_Y = 1, CELL = 34 };
extern Uint8 aniCursor;    // cursor animation frame 0-3; advanced by TurnCursor
void DrawPan(void);        // the whole board, marked cells as white squares
void DrawTiles(const Uint8 *kinds, const Uint8 *marks); // DrawPan of any board; marks may be NULL
void DrawTilesOver(const Uint8 *kinds, const Uint8 *was); // the same over the board `was` drawn by it: its changed cells
void TurnCursor(void);     // the cursor outline's next frame, 0-3 round
void DrawCursor(void);     // the next frame of the cursor outline over the cursor cell, and a lifted tile faded
void DrawCursorFrame(void); // the same with the frame it shows now: a picture between two ticks
Sint16 CellX(int column);  // screen position of a board cell
Sint16 CellY(int row);
int CellAt(int x, int y, Sint16 *column, Sint16 *row); // the cell under (x, y) of the picture; 0 where no tile is
void FillBoard(void);      // the board's white ground, no tile on it
void DrawTile(Uint8 kind, Sint16 x, Sint16 y);       // a tile of the current skin at any place
void DrawTileFaded(Uint8 kind, Sint16 x, Sint16 y, Uint8 alpha); // the same blended at alpha over what is there
void DrawCellFaded(int column, int row, Uint8 alpha); // the cell's tile blended at alpha over what is there

// Menu.
extern SDL_Surface *menu;  // menu sheet: normal labels left, highlighted right; written by InitMenu
extern SDL_Rect _menu;     // screen position, half-sheet width, sheet height; written by InitMenu
extern SDL_Rect _item;     // first item row in the sheet, half-sheet width, item height; written by InitMenu
extern Uint8 menuMax;      // number of items; written by InitMenu
extern Uint8 _currMenu;    // selected item; moved by MenuItemUP and MenuItemDOWN only
extern Uint8 isMenu;       // 1 while the menu is open; the Start button, MakeMove at game over, the tick
void InitMenu(const unsigned char *sheet, Uint32 length, Sint16 x, Sint16 y,
              Uint8 items, Uint8 firstItemY, Uint8 itemHeight);
void ShowMenu(Uint8 highlight);
void MenuItemUP(void);
void MenuItemDOWN(void);

#endif

// The layers of the desktop's picture that the console draws too: the cursor and the side panel.
#include "game/desktop/features.h"

#include "board/board.h"
#include "gfx/gfx.h"

static int Always(void) { return 1; }
static int Never(void) { return -1; }

// The cursor's outline turns with the tick, which changes its frame; a lifted tile shows faded
// under it.
static void CursorLook(Look *look)
{
    Uint8 kind = SET ? table[mx + 7 * my] : (Uint8)0;
    AddPiece(look, CellX(mx), CellY(my), CELL, CELL, PrintOf(aniCursor, SET, kind, skin, image, tile));
}

const Layer cursorLayer = {Always, CursorLook, DrawCursorFrame, Never};

// The panel's ground, title and credit never change; its score and menu do.
static void PanelLook(Look *look)
{
    AddPiece(look, 0, 0, BOARD_X, 240, PrintOf(image, title, menu));
    AddPiece(look, 5, 40, 70, 13, PrintOf(ShownScore()));
    AddPiece(look, _menu.x, _menu.y, _menu.w, _menu.h, PrintOf(isMenu, _currMenu));
}

static void DrawPanel(void)
{
    DrawSidePanel(isMenu, ShownScore());
}

const Layer panelLayer = {Always, PanelLook, DrawPanel, Never};

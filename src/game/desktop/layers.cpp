// The layers of the desktop's picture that the console draws too: the cursor and the side panel.
#include "game/desktop/features.h"

#include <string.h>

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

// The moves box below the score: its label, and the number of straight swaps that make a run on
// the board the player sees settled, which the rules end the game at when there is none.
enum { MOVES_Y = 60, MOVES_LABEL_H = 9, MOVES_X = 30, MOVES_DY = 11 };

static Uint8 MovesLeft(void)
{
    static Uint8 counted[BOARD_CELLS], moves;
    static Uint8 known;
    const Uint8 *board = ShownBoard();
    if (!known || memcmp(counted, board, sizeof counted) != 0) {
        memcpy(counted, board, sizeof counted);
        moves = CountMoves(board);
        known = 1;
    }
    return moves;
}

// The timed game's clock below the moves: its label, and the minutes and seconds left, rounded up.
enum { CLOCK_Y = 92, CLOCK_LABEL = 2, CLOCK_DY = 11, COLON_W = 6 };

static Uint32 SecondsLeft(void)
{
    return (Uint32)(clockLeft + 999) / 1000;
}

static void DrawClock(SDL_Surface *labels)
{
    Uint32 s = SecondsLeft();
    PutSurface(labels, screen, 0, CLOCK_LABEL * MOVES_LABEL_H, 0, CLOCK_Y, BOARD_X, MOVES_LABEL_H);
    int x = (BOARD_X - 3 * 10 - COLON_W) / 2;
    PutDigit(s / 60, 1, (Sint16)x, CLOCK_Y + CLOCK_DY);
    PutSurface(labels, screen, 0, 3 * MOVES_LABEL_H, (Sint16)(x + 10), CLOCK_Y + CLOCK_DY, COLON_W, 13);
    PutDigit(s % 60, 2, (Sint16)(x + 10 + COLON_W), CLOCK_Y + CLOCK_DY);
}

// The panel's ground, title and credit never change; its score, moves, clock and menu do.
static void PanelLook(Look *look)
{
    AddPiece(look, 0, 0, BOARD_X, 240, PrintOf(image, title, menu));
    AddPiece(look, 5, 40, 70, 13, PrintOf(CountedScore()));
    AddPiece(look, 0, MOVES_Y, BOARD_X, MOVES_DY + 13, PrintOf(MovesLeft()));
    AddPiece(look, 0, CLOCK_Y, BOARD_X, CLOCK_DY + 13, PrintOf(ClockShows(), SecondsLeft()));
    AddPiece(look, _menu.x, _menu.y, _menu.w, _menu.h, PrintOf(isMenu, _currMenu));
}

static void DrawPanel(void)
{
    static SDL_Surface *labels;
    if (labels == NULL)
        labels = LoadPicture(iSidebar, iSidebar_size, 0x3E0);
    DrawSidePanel(isMenu, CountedScore());
    Uint8 moves = MovesLeft();
    // The last move is marked: a player is warned before the game ends.
    PutSurface(labels, screen, 0, (Sint16)(moves == 1 ? MOVES_LABEL_H : 0), 0, MOVES_Y, BOARD_X, MOVES_LABEL_H);
    PutDigit(moves, moves < 10 ? 1 : 2, (Sint16)(moves < 10 ? MOVES_X + 5 : MOVES_X), MOVES_Y + MOVES_DY);
    if (ClockShows())
        DrawClock(labels);
}

// The counter counting, or the clock's next second, whichever comes first.
static int PanelNext(void)
{
    int counter = CounterNext(), clock = ClockNext();
    return counter < 0 || (clock >= 0 && clock < counter) ? clock : counter;
}

const Layer panelLayer = {Always, PanelLook, DrawPanel, PanelNext};

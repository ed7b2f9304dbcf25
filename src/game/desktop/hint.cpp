// A hint on a desktop: H (or the pad's north button) rings the two tiles of a swap that makes a run, or says there is none; the hint's layer.
#include "game/desktop/features.h"

#include <string.h>

#include "board/board.h"
#include "desktop/desktop.h"
#include "gfx/gfx.h"

// How long the rings take to fade, and how often they are drawn meanwhile.
enum { HINT_MS = 1500, HINT_FRAME_MS = 40, RING = 3 };

// The card that says no swap makes a run, centred on the board.
enum { NOMOVE_W = 184, NOMOVE_H = 40, NOMOVE_X = BOARD_X + (7 * CELL - NOMOVE_W) / 2, NOMOVE_Y = BOARD_Y + (7 * CELL - NOMOVE_H) / 2 };

static struct {
    Uint8 asked;
    Uint8 none;               // no swap at all makes a run: the card says so
    Sint16 cells[4];          // the swap: x, y of one tile, x, y of its neighbour
    Uint8 board[BOARD_CELLS]; // the board it was found on: any other ends it
    Uint32 start;             // the host clock at which the rings show at full strength
    Uint8 alpha;              // their strength when the composer last looked
} hint;

// A gold ring round a cell, the rest of it keyed: faded by its alpha.
static SDL_Surface *Ring(void)
{
    static SDL_Surface *ring;
    if (ring == NULL && screen != NULL) {
        const SDL_PixelFormat *f = screen->format;
        ring = SDL_CreateRGBSurface(SDL_SWSURFACE, CELL, CELL, f->BitsPerPixel, f->Rmask, f->Gmask, f->Bmask, 0);
        if (ring != NULL) {
            Uint32 gold = SDL_MapRGB(ring->format, 255, 214, 40), key = SDL_MapRGB(ring->format, 255, 0, 255);
            SDL_FillRect(ring, NULL, gold);
            SDL_Rect inside = {RING, RING, CELL - 2 * RING, CELL - 2 * RING};
            SDL_FillRect(ring, &inside, key);
            SDL_SetColorKey(ring, SDL_SRCCOLORKEY, key);
        }
    }
    return ring;
}

void ShowHint(void)
{
    // Any swap the game allows: a board whose straight swaps make no run (a rare deal) still has
    // its diagonal ones and those across the edges, which a new player would not guess.
    hint.none = !FindAnyMove(table, hint.cells);
    memcpy(hint.board, table, sizeof table);
    hint.asked = 1;
    // The swap is one on the board the rules left: while a move still plays out, its tiles are
    // elsewhere, so the rings wait for it to end.
    PlayShowToNow();
    hint.start = ShowRunning() ? ShowEndsAt() : HostClock();
}

static int HintUp(void)
{
    if (hint.asked && (memcmp(hint.board, table, sizeof table) != 0 || (Sint32)(HostClock() - hint.start) >= HINT_MS))
        hint.asked = 0;
    return hint.asked && (Sint32)(HostClock() - hint.start) >= 0 && !ShowRunning();
}

// The rings lie under the cursor, on the board; the words that there is no move, over it all.
static int RingsShow(void) { return HintUp() && !hint.none; }
static int WordsShow(void) { return HintUp() && hint.none; }

static void HintLook(Look *look)
{
    // Full strength at first, then fading out, a step each frame.
    Uint32 frame = (HostClock() - hint.start) / HINT_FRAME_MS * HINT_FRAME_MS;
    hint.alpha = (Uint8)(255 - 255 * frame / HINT_MS);
    for (int i = 0; i < 4; i += 2)
        AddPiece(look, CellX(hint.cells[i]), CellY(hint.cells[i + 1]), CELL, CELL,
                 PrintOf(hint.alpha));
}

static void DrawHint(void)
{
    SDL_Surface *ring = Ring();
    if (ring == NULL)
        return;
    SDL_SetAlpha(ring, SDL_SRCALPHA, hint.alpha);
    for (int i = 0; i < 4; i += 2)
        PutSurface(ring, screen, 0, 0, CellX(hint.cells[i]), CellY(hint.cells[i + 1]), CELL, CELL);
}

static int HintNext(void)
{
    Uint32 ms = HostClock() - hint.start;
    return (int)(HINT_FRAME_MS - ms % HINT_FRAME_MS);
}

const Layer hintLayer = {RingsShow, HintLook, DrawHint, HintNext};

static void WordsLook(Look *look)
{
    AddPiece(look, NOMOVE_X, NOMOVE_Y, NOMOVE_W, NOMOVE_H, PRINT_START);
}

static void DrawWords(void)
{
    static SDL_Surface *card;
    if (card == NULL)
        card = LoadPicture(iNomove, iNomove_size, 0x3E0);
    PutSurface(card, screen, 0, 0, NOMOVE_X, NOMOVE_Y, NOMOVE_W, NOMOVE_H);
}

// Whole until it goes.
static int WordsNext(void)
{
    return (int)(HINT_MS - (HostClock() - hint.start));
}

const Layer noMoveLayer = {WordsShow, WordsLook, DrawWords, WordsNext};

// The board model: its state, the random deal and the swap of two cells.
#include "board/board.h"

#include <stdlib.h>
#include <time.h>
#include <unistd.h>

Uint8 table[BOARD_CELLS];
Uint8 same[BOARD_CELLS];
Uint8 combo[COMBO_MAX];
Uint8 boardXmax = 7;
Uint8 boardYmax = 7;
// Off the board until the first new game, which runs before the first tick.
Sint16 mx = 7, my = 7;
Sint16 setX = 0, setY = 0;
Sint8 SET = 0;
Uint32 score = 0;
Uint8 _gameOver = 0;
Uint32 dealSalt = 0;

void SaltDeals(void)
{
    // Start-up takes the same number of milliseconds run after run, so the clock alone dealt
    // every launch the same first board.
    dealSalt = (Uint32)time(NULL) * 2654435761u ^ (Uint32)getpid() * 40503u;
}

void SetTable(void)
{
    Uint32 a = SDL_GetTicks();
    Uint32 b = SDL_GetTicks();
    srand(a * b + dealSalt);
    for (int y = 0; y < 7; y++)
        for (int x = 0; x < 7; x++)
            table[x + y * 7] = (Uint8)(rand() % 7);
}

void DealTable(void)
{
    // Each deal reseeds from the clock, so within one millisecond the same board comes
    // back; the loop simply waits for the clock to move on to a board without runs.
    do {
        SetTable();
    } while (CheckSame() != 0);
}

void SwapChoice(void)
{
    Uint8 kept = table[mx + my * 7];
    table[mx + my * 7] = table[setX + setY * 7];
    table[setX + setY * 7] = kept;
}

void SetX_Y(Sint16 x, Sint16 y)
{
    mx = x;
    my = y;
}

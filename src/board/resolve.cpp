// Settling a move: the swap, cascades of clearing with gravity and refill, scoring, undo and game over, recorded step by step.
#include "board/board.h"

#include <stdlib.h>
#include <string.h>

MoveRecord moveRecord;

void ReSetTable(void)
{
    Uint8 removed;
    do {
        removed = 0;
        // One pass takes the lowest marked cell out of every column; marks ride down
        // with their tiles, so a column with m marks settles in m passes.
        for (Uint8 x = 0; x < 7; x++) {
            int y = 6;
            while (y >= 0 && same[x + y * 7] == 0)
                y--;
            if (y < 0)
                continue;
            removed = 1;
            for (int yy = y; yy >= 1; yy--) {
                table[x + yy * 7] = table[x + (yy - 1) * 7];
                same[x + yy * 7] = same[x + (yy - 1) * 7];
            }
            same[x] = 0;
            table[x] = (Uint8)(rand() % 7);
        }
    } while (removed);
}

void CheckMove(void)
{
    Uint8 chain = 0;
    MoveRecord *r = &moveRecord;
    r->fromX = setX;
    r->fromY = setY;
    r->toX = mx;
    r->toY = my;
    memcpy(r->before, table, sizeof table);
    r->scoreBefore = score;
    r->steps = 0;
    r->gameOver = 0;

    SwapChoice();

    for (;;) {
        Uint8 n = CheckSame();
        if (n == 0)
            break;
        chain++;
        for (Uint8 j = 0; j < n; j++)
            score += (Uint32)chain * combo[j] * 10u;
        if (n > 1)
            score += (Uint32)chain * (n * 15u - 15u);
        MoveStep *step = &r->step[r->steps < RECORD_STEPS ? r->steps++ : RECORD_STEPS - 1];
        memcpy(step->runs, same, sizeof same);
        ReSetTable();
        memcpy(step->after, table, sizeof table);
        step->score = score;
        step->sound = 1;
    }

    if (chain == 0) {
        // Nothing formed: put the tiles back and the cursor on the lifted cell.
        SwapChoice();
        mx = setX;
        my = setY;
    } else if (CheckMore() == 0) {
        // The game flow opens the menu on it.
        _gameOver = 1;
        r->gameOver = 1;
    }

    SET = 0;
    // The move search leaves the marks of its last trial behind.
    memset(same, 0, sizeof same);
}

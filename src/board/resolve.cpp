// Settling a move: the swap, cascades of clearing with gravity and refill, scoring, undo and game over.
#include "board/board.h"

#include <stdlib.h>
#include <string.h>

#include "gfx/gfx.h"
#include "platform/platform.h"
#include "sound/sound.h"

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
        DrawPan();
    } while (removed);
}

void CheckMove(void)
{
    Uint8 chain = 0;

    SwapChoice();
    DrawPan();

    for (;;) {
        Uint8 n = CheckSame();
        if (n == 0)
            break;
        chain++;
        for (Uint8 j = 0; j < n; j++)
            score += (Uint32)chain * combo[j] * 10u;
        if (n > 1)
            score += (Uint32)chain * (n * 15u - 15u);
        PlatformShowRuns();
        ReSetTable();
        PlayWave(1);
        DrawPan();
        DrawScore();
        UpdateScreen();
        PlatformShowFall();
    }

    if (chain == 0) {
        // Nothing formed: put the tiles back and the cursor on the lifted cell.
        SwapChoice();
        mx = setX;
        my = setY;
    } else if (CheckMore() == 0) {
        _gameOver = 1;
        isMenu = 1;
    }

    SET = 0;
    // The move search leaves the marks of its last trial behind.
    memset(same, 0, sizeof same);
    DrawPan();
}

// Finding runs of three or more, and searching the board for a move that would make one.
#include "board/board.h"

#include <string.h>

// Marks the k + 1 cells of a run from first on, step cells apart, and lists its length.
static void RecordRun(Uint8 first, Uint8 step, Uint8 k, Uint8 *count)
{
    for (Uint8 i = 0; i <= k; i++)
        same[first + i * step] = k;
    combo[*count] = (Uint8)(k + 1);
    (*count)++;
}

Uint8 CheckSame(void)
{
    Uint8 count = 0;
    memset(same, 0, sizeof same);

    for (Uint8 y = 0; y < 7; y++) {
        Uint8 k = 0; // equal neighbour pairs in the current line of equal cells
        Uint8 x;
        for (x = 0; x < 6; x++) {
            if (table[x + y * 7] == table[x + 1 + y * 7]) {
                k++;
            } else {
                if (k >= 2)
                    RecordRun((Uint8)(x - k + y * 7), 1, k, &count);
                k = 0;
            }
        }
        if (k >= 2)
            RecordRun((Uint8)(x - k + y * 7), 1, k, &count);
    }

    // The vertical pass writes last, so a cell shared by two runs keeps the vertical mark.
    for (Uint8 x = 0; x < 7; x++) {
        Uint8 k = 0;
        Uint8 y;
        for (y = 0; y < 6; y++) {
            if (table[x + y * 7] == table[x + (y + 1) * 7]) {
                k++;
            } else {
                if (k >= 2)
                    RecordRun((Uint8)(x + (y - k) * 7), 7, k, &count);
                k = 0;
            }
        }
        if (k >= 2)
            RecordRun((Uint8)(x + (y - k) * 7), 7, k, &count);
    }
    return count;
}

// Tries the swap of the cursor cell with the lifted cell; leaves the board as it found it.
static Uint8 TrySwap(void)
{
    SwapChoice();
    Uint8 n = CheckSame();
    SwapChoice();
    return n;
}

// The move search: 1 with the first swap that forms a run in cells (x, y, and the neighbour's
// x, y) when it is not NULL, else 0.
static Uint8 SearchMove(Sint16 *cells)
{
    Sint16 savedX = mx, savedY = my, savedSetX = setX, savedSetY = setY;
    Uint8 found = 0;

    // Only true neighbours are tried: a board whose one remaining swap needs the cursor's
    // wrap-around or a diagonal step counts as finished.
    for (Uint16 y = 0; y < 7 && !found; y++) {
        for (Uint16 x = 0; x < 7 && !found; x++) {
            if (x <= 5) {
                mx = x; my = y; setX = x + 1; setY = y;
                found = TrySwap() != 0;
            }
            if (!found && y <= 5) {
                mx = x; my = y; setX = x; setY = y + 1;
                found = TrySwap() != 0;
            }
        }
    }

    if (found && cells != NULL) {
        cells[0] = mx; cells[1] = my; cells[2] = setX; cells[3] = setY;
    }
    mx = savedX; my = savedY; setX = savedSetX; setY = savedSetY;
    return found;
}

Uint8 CheckMore(void)
{
    return SearchMove(NULL);
}

Uint8 FindMove(Sint16 cells[4])
{
    Uint8 found = SearchMove(cells);
    // Between moves no cell is marked; the trial scans marked some.
    memset(same, 0, sizeof same);
    return found;
}

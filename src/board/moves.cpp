// The moves a board offers: how many straight swaps make a run, and any swap the cursor can make that does.
#include "board/board.h"

// Whether a run of three or more passes through cell i: the only place a swap on a board without
// runs can make one.
static int RunThrough(const Uint8 *board, int i)
{
    int x = i % 7, y = i / 7;
    Uint8 kind = board[i];
    int across = 1, down = 1;
    for (int c = x - 1; c >= 0 && board[c + 7 * y] == kind; c--)
        across++;
    for (int c = x + 1; c < 7 && board[c + 7 * y] == kind; c++)
        across++;
    for (int r = y - 1; r >= 0 && board[x + 7 * r] == kind; r--)
        down++;
    for (int r = y + 1; r < 7 && board[x + 7 * r] == kind; r++)
        down++;
    return across >= 3 || down >= 3;
}

static int SwapMakesRun(Uint8 *board, int a, int b)
{
    Uint8 kept = board[a];
    board[a] = board[b];
    board[b] = kept;
    int run = board[a] != board[b] && (RunThrough(board, a) || RunThrough(board, b));
    board[b] = board[a];
    board[a] = kept;
    return run;
}

Uint8 CountMoves(const Uint8 *board)
{
    Uint8 trial[BOARD_CELLS];
    for (int i = 0; i < BOARD_CELLS; i++)
        trial[i] = board[i];
    Uint8 moves = 0;
    for (int i = 0; i < BOARD_CELLS; i++) {
        if (i % 7 < 6 && SwapMakesRun(trial, i, i + 1))
            moves++;
        if (i / 7 < 6 && SwapMakesRun(trial, i, i + 7))
            moves++;
    }
    return moves;
}

Uint8 FindAnyMove(const Uint8 *board, Sint16 cells[4])
{
    Uint8 trial[BOARD_CELLS];
    for (int i = 0; i < BOARD_CELLS; i++)
        trial[i] = board[i];
    // The cursor steps in eight directions and wraps around the edges; the straight steps
    // within the board come first, as the ones a player looks for, then the diagonal ones, then
    // those across an edge; within each, cell by cell as the rules' own search goes.
    static const int steps[4][2] = {{1, 0}, {0, 1}, {1, 1}, {-1, 1}};
    for (int pass = 0; pass < 3; pass++) {
        for (int i = 0; i < BOARD_CELLS; i++) {
            for (int s = 0; s < 4; s++) {
                if (pass < 2 && (pass == 0) != (s < 2))
                    continue;
                int x = i % 7 + steps[s][0], y = i / 7 + steps[s][1];
                int across = x < 0 || x > 6 || y > 6;
                if (across != (pass == 2))
                    continue;
                int j = (x + 7) % 7 + 7 * (y % 7);
                if (SwapMakesRun(trial, i, j)) {
                    cells[0] = (Sint16)(i % 7);
                    cells[1] = (Sint16)(i / 7);
                    cells[2] = (Sint16)(j % 7);
                    cells[3] = (Sint16)(j / 7);
                    return 1;
                }
            }
        }
    }
    return 0;
}

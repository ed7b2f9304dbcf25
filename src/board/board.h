// The board of one game and its rules: deal, swap, runs, cascades, scoring, remaining moves.
#ifndef SEVENFOLD_BOARD_H
#define SEVENFOLD_BOARD_H

#include <SDL.h>

// Every per-cell array is indexed x + 7 * y: index 0 is the top-left cell, 48 the bottom right.
#define BOARD_CELLS 49
// Room for every run one scan can find: two per row and two per column.
#define COMBO_MAX 28

extern Uint8 table[BOARD_CELLS]; // tile kind 0-6 of each cell; written by the deal, the swap, the refill and a kept game
extern Uint8 same[BOARD_CELLS];  // run mark of each cell (run length - 1, 0 = in no run); written by CheckSame
extern Uint8 combo[COMBO_MAX];   // lengths of the runs the last CheckSame found, in scan order; written by CheckSame
extern Uint8 boardXmax;          // board width, 7; read by the tick's cursor wrap
extern Uint8 boardYmax;          // board height, 7; read by the tick's cursor wrap
extern Sint16 mx, my;            // cursor cell; the tick, Start, CheckMove, CheckMore's trials, a click, a kept game
extern Sint16 setX, setY;        // lifted cell, meaningful while SET is set; the tick, CheckMore's trials, a kept game
extern Sint8 SET;                // 1 while a tile is lifted; written by the tick, CheckMove and a kept game
extern Uint32 score;             // points of the current game; raised by CheckMove, reset by Start, set by a kept game
extern Uint8 _gameOver;          // 1 once no move is left; set by CheckMove, cleared by Start
extern Uint32 dealSalt;          // this process's share of every deal's seed; set once at start-up

// What the last move did, step by step: the rules settle a move at once and only record it, and
// the screen and the sound play the record afterwards (the console at once, a desktop in motion).
// A cascade longer than the record holds (never seen: each step is a fresh gamble on the refill)
// keeps its first steps and folds the rest into the last, which then ends on the final board.
#define RECORD_STEPS 48
struct MoveStep {
    Uint8 runs[BOARD_CELLS];  // the step's runs as CheckSame marked them: non-zero cells vanish
    Uint8 after[BOARD_CELLS]; // the board once they vanished, the tiles above fell and new ones came in
    Uint32 score;             // the score with the step's points added
    Uint8 sound;              // the effect the step plays as its runs vanish: the clear sound
};
struct MoveRecord {
    Sint16 fromX, fromY;         // the lifted cell
    Sint16 toX, toY;             // the cell it was swapped with, where the cursor went
    Uint8 before[BOARD_CELLS];   // the board before the swap
    Uint32 scoreBefore;          // the score before the move
    Uint8 steps;                 // clearing steps recorded; 0: the swap made no run and was undone
    MoveStep step[RECORD_STEPS];
    Uint8 gameOver;              // no move was left afterwards
};
extern MoveRecord moveRecord;    // the last move; written by CheckMove only

void SaltDeals(void);              // mix the wall clock and the process id into the deals of this run
void SetTable(void);               // seed rand from the clock and fill every cell with a random kind
void DealTable(void);              // deal again and again until the board holds no run
void SwapChoice(void);             // exchange the cursor cell and the lifted cell, whatever they are
void SetX_Y(Sint16 x, Sint16 y);   // put the cursor on (x, y)

Uint8 CheckSame(void);  // mark every run in same, list its length in combo; returns the run count
Uint8 CheckMore(void);  // 1 when some swap of two neighbours would form a run, else 0
Uint8 FindMove(Sint16 cells[4]); // CheckMore's first such swap into cells (x, y, x, y), all else left as it was; 0: none
// The same questions of any board without runs, which they leave as it was.
Uint8 CountMoves(const Uint8 *board);              // the swaps of two straight neighbours that form a run
Uint8 FindAnyMove(const Uint8 *board, Sint16 cells[4]); // any swap the cursor can make that forms one, straight first; 0: none

void CheckMove(void);   // settle a move: swap, clear runs in cascades, score, undo or end the game; recorded in moveRecord
void ReSetTable(void);  // remove the marked cells, let the columns fall and refill from the top

#endif

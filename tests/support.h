// Test helpers: boards drawn as seven strings, an independent run and move finder, and screen access.
#ifndef SEVENFOLD_TEST_SUPPORT_H
#define SEVENFOLD_TEST_SUPPORT_H

#include <SDL.h>

#include "harness.h" // HasRun, FindMoves

#include <array>
#include <string>
#include <vector>

// A board as a reader sees it: seven rows of seven kinds '0'-'6', row 0 on top.
using Rows = std::vector<std::string>;

void SetBoard(const Rows &rows);       // into table
Rows BoardRows(const Uint8 *cells);    // any 49-cell array, kinds or marks, as digits
Rows BoardRows();                      // table

// Run finding written independently of the game: maximal segments of equal kinds.
struct RunReport {
    std::vector<int> lengths; // horizontal runs row by row, then vertical runs column by column
    Uint8 marks[49];          // the game's mark convention: vertical run wins on a shared cell
};
RunReport FindRuns(const Uint8 *cells);

// What a move does, worked out independently of the game from the same rand() sequence: the
// swap of cells `lifted` and `target`, then cascade steps until no run is left.
struct MoveOutcome {
    std::vector<std::vector<int>> steps; // the run lengths of each cascade step
    std::vector<std::array<Uint8, 49>> runs, boards; // each step's run marks, and the board after it
    std::vector<Uint32> scores;          // the points of the move up to and with each step
    Uint8 board[49];                     // the board afterwards
    Uint32 points;                       // what the move scores
    bool gameOver;                       // runs were formed and no neighbour move is left
};
MoveOutcome SimulateMove(const Uint8 *cells, int lifted, int target, unsigned seed);
// The first seed from `from` on whose outcome satisfies the condition, or 0.
template <class Condition>
unsigned FindSeed(const Uint8 *cells, int lifted, int target, Condition condition, unsigned from = 1)
{
    for (unsigned seed = from; seed < from + 100000; seed++)
        if (condition(SimulateMove(cells, lifted, target, seed)))
            return seed;
    return 0;
}

// A board without runs, from the given generator state (uses its own generator, not rand).
void RandomRunFreeBoard(Uint8 *cells, unsigned seed);

// Screen access on the real display surface.
Uint16 ScreenPixel(int x, int y);
std::vector<Uint16> ScreenPixels(); // all 320x240 of them, row by row
Uint16 SheetPixelOnScreen(SDL_Surface *sheet, int x, int y); // a sheet pixel converted as a blit would
void SaveScreen(const std::string &name);                    // into <build>/screens/<name>.bmp

// Counts of calls made by the game to SDL_UpdateRect (whole screen) and Mix_PlayChannelTimed,
// by chunk; kept by linker wraps that forward to the real calls.
extern int fullUpdates;
extern int soundsPlayed[4];
extern std::vector<int> soundOrder;        // the chunks played, in order
extern int boardRepaints;                  // fills of the board background, one per DrawPan
extern int cellUpdates;                    // updates of one 34x34 cell of the screen
extern std::vector<Uint32> updateTimes;    // SDL_GetTicks() as each full-screen update returned
extern int updateDelay;                    // milliseconds each full-screen update is made to take
// While set, every picture shown adds the 320x240 picture a display showing exactly the updated
// rectangles would then hold (starting black): what any SDL 1.2 presents. A picture is shown by
// an update of the whole screen, or by SDL_UpdateRects after updates of parts.
extern std::vector<std::vector<Uint16>> *shownPictures;
// While set, every whole-screen update folds the screen's pixels into it (FNV-1a), and
// wholePresents counts them: a long session's pictures pinned in one number.
extern Uint64 *wholePresentDigest;
extern long wholePresents;
Uint64 Fnv1a(Uint64 digest, const void *bytes, size_t size);
extern int audioLocks;                     // the game's SDL_LockAudio calls not yet undone by SDL_UnlockAudio
void ResetSpies();

// Puts every global the tests touch back to a freshly started game's values.
void ResetGameState();

// The console shows each step of a move whole, and the whole screen at every tick; a desktop's
// frames come from its composer, drawn where the game changed (test_features).
#if SEVENFOLD_DESKTOP_FEATURES
constexpr bool consolePictures = false;
#else
constexpr bool consolePictures = true;
#endif
void Picture(); // what the game left to be drawn, drawn: a desktop's frame (the console's steps draw their own)
void HoldHostClock(Uint32 at); // a desktop's clock stands still at `at` (0: runs again), so its pictures repeat

#endif

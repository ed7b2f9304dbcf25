// Cost of one game tick split into the game's drawing and the present, beside a plain frame copy.
// Run natively for nanoseconds, or under callgrind for instructions (each part is its own function).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "board/board.h"
#include "game/game.h"
#include "harness.h"
#include "gfx/gfx.h"

namespace {

__attribute__((noinline)) void TickDrawing()
{
    DrawPan();
    DrawCursor();
}

// The same drawing while a tile is lifted, apart so that callgrind counts it apart.
__attribute__((noinline)) void TickDrawingLifted()
{
    DrawPan();
    DrawCursor();
}

// SDL's present of the whole screen, as every present was before a desktop showed only what
// changed, and as the console still shows every tick.
__attribute__((noinline)) void TickPresent()
{
    partialPresents = 0;
    UpdateScreen();
    partialPresents = 1;
}

// A cursor step as a desktop shows it: the board drawn, and only the two cells that changed
// presented (at the window's scale, straight to an X window).
__attribute__((noinline)) void StepDrawing()
{
    mx = (Sint16)((mx + 1) % 7);
    DrawPan();
    DrawCursor();
}
__attribute__((noinline)) void StepShown()
{
    StepDrawing();
    UpdateScreen();
}

Uint16 frame[320 * 240];
__attribute__((noinline)) void FrameCopyFloor()
{
    memcpy(frame, screen->pixels, sizeof frame);
    __asm__ __volatile__("" : : "r"(frame) : "memory");
}

__attribute__((noinline)) void NewGame() { Start(); }

// Cascades: the same swap on a board of two kinds, which clears a run and refills at random.
// Of the first thousand seeds, the one whose move scores the median and the one that scores
// most; each move is played whole, its drawing and presents included, as the console's tick plays
// it (the rules alone choose the seeds).
const char *const checker[7] = {"0101010", "1010101", "0101010", "1010101", "0101010", "1010101", "0101010"};

void SetUpMove(unsigned seed)
{
    for (int i = 0; i < 49; i++)
        table[i] = (Uint8)(checker[i / 7][i % 7] - '0');
    mx = 2; my = 4; setX = 2; setY = 3; SET = 1; score = 0;
    srand(seed);
}

Uint32 PointsOf(unsigned seed)
{
    SetUpMove(seed);
    CheckMove();
    return score;
}

// One body under two names, kept apart (noipa) so that callgrind counts each cascade on its own.
__attribute__((noipa)) void MedianCascade(unsigned seed) { SetUpMove(seed); MakeMove(); }
__attribute__((noipa)) void LongestCascade(unsigned seed) { SetUpMove(seed); MakeMove(); }

double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e9 + t.tv_nsec;
}

template <class F> double NsPer(int n, F f)
{
    double t0 = Now();
    for (int i = 0; i < n; i++)
        f();
    return (Now() - t0) / n;
}

} // namespace

int main(int argc, char **argv)
{
    int ticks = argc > 1 ? atoi(argv[1]) : 500;
    int games = argc > 2 ? atoi(argv[2]) : 0;
    // The drivers are the caller's choice: the figures compare the dummy driver and X.
    std::filesystem::path dir = InitInScratchFolder("tick", false);
    if (dir.empty())
        return 1;
    Start();
    double drawing = NsPer(ticks, TickDrawing);
    // A tick with a lifted tile also draws it faded; the ticks after it must cost no more.
    SET = 1;
    setX = mx;
    setY = my;
    double lifted = NsPer(ticks, TickDrawingLifted);
    SET = 0;
    double after = NsPer(ticks, TickDrawing);
    double present = NsPer(ticks, TickPresent);
    double floor = NsPer(ticks, FrameCopyFloor);
    // The desktop's own way, whatever the caller's drivers: the first present is whole.
    partialPresents = 1;
    ScreenTouched();
    StepShown();
    double stepDrawing = NsPer(ticks, StepDrawing);
    UpdateScreen();
    double step = NsPer(ticks, StepShown) - stepDrawing;
    printf("ticks %d: drawing %.0f ns (with a lifted tile %.0f ns, after one %.0f ns), present %.0f ns, "
           "frame copy %.0f ns, a cursor step's present %.0f ns\n", ticks, drawing, lifted, after, present, floor,
           step);

    std::vector<std::pair<Uint32, unsigned>> outcomes;
    for (unsigned seed = 1; seed <= 1000; seed++)
        outcomes.push_back({PointsOf(seed), seed});
    std::sort(outcomes.begin(), outcomes.end());
    unsigned median = outcomes[outcomes.size() / 2].second, longest = outcomes.back().second;
    int moves = ticks / 50 > 0 ? ticks / 50 : 1;
    double medianNs = NsPer(moves, [&] { MedianCascade(median); });
    double longestNs = NsPer(moves, [&] { LongestCascade(longest); });
    printf("cascades %d: median (seed %u, %u points) %.0f ns, longest (seed %u, %u points) %.0f ns\n", moves,
           median, outcomes[outcomes.size() / 2].first, medianNs, longest, outcomes.back().first, longestNs);

    if (games > 0) {
        for (int i = 0; i < 100; i++)
            NewGame(); // let the allocator settle first
        long before = RssKiB();
        for (int i = 0; i < games; i++)
            NewGame();
        printf("new games %d: RSS %ld KiB before, %ld KiB after\n", games, before, RssKiB());
    }
    SDL_Quit();
    std::filesystem::remove_all(dir);
    return 0;
}

// Cost of one game tick split into the game's drawing and the present, beside a plain frame copy.
// Run natively for nanoseconds, or under callgrind for instructions (each part is its own function).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <string>

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

__attribute__((noinline)) void TickPresent() { UpdateScreen(); }

Uint16 frame[320 * 240];
__attribute__((noinline)) void FrameCopyFloor()
{
    memcpy(frame, screen->pixels, sizeof frame);
    __asm__ __volatile__("" : : "r"(frame) : "memory");
}

__attribute__((noinline)) void NewGame() { Start(); }

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
    printf("ticks %d: drawing %.0f ns (with a lifted tile %.0f ns, after one %.0f ns), present %.0f ns, "
           "frame copy %.0f ns\n", ticks, drawing, lifted, after, present, floor);

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

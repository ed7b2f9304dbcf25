// Speed of the rules and of a tick's drawing, on the real SDL with its dummy drivers.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "board/board.h"
#include "harness.h"
#include "gfx/gfx.h"
#if SEVENFOLD_DESKTOP_FEATURES
#include "game/desktop/features.h"
void WaitForKeeper(void); // the keeper's saves on disk: the keeper's own, for tests and this
#endif

namespace {

// Seven kinds in every row and column: no swap anywhere makes a run, so the search tries all 84.
const char *const noMove[7] = {"0123456", "3456012", "6012345", "2345601", "5601234", "1234560", "4560123"};
const char *const checker[7] = {"0101010", "1010101", "0101010", "1010101", "0101010", "1010101", "0101010"};

void SetRows(const char *const rows[7])
{
    for (int i = 0; i < 49; i++)
        table[i] = (Uint8)(rows[i / 7][i % 7] - '0');
}

void BM_CheckSame(benchmark::State &state)
{
    SetRows(noMove);
    for (auto _ : state)
        benchmark::DoNotOptimize(CheckSame());
}
BENCHMARK(BM_CheckSame);

void BM_CheckSameAllOneKind(benchmark::State &state)
{
    memset(table, 3, sizeof table);
    for (auto _ : state)
        benchmark::DoNotOptimize(CheckSame());
}
BENCHMARK(BM_CheckSameAllOneKind);

void BM_CheckMoreNoMoveLeft(benchmark::State &state)
{
    SetRows(noMove);
    for (auto _ : state)
        benchmark::DoNotOptimize(CheckMore());
}
BENCHMARK(BM_CheckMoreNoMoveLeft);

// The side panel's count of the moves left, made once for each settled board: every one of the
// 84 straight swaps tried, on the board with none and on the checker with many.
void BM_CountMoves(benchmark::State &state)
{
    SetRows(state.range(0) ? checker : noMove);
    for (auto _ : state)
        benchmark::DoNotOptimize(CountMoves(table));
}
BENCHMARK(BM_CountMoves)->Arg(0)->Arg(1);

// A swap on the two-kind board that sets off a long cascade: the seed whose resolution scores
// most among the first thousand.
unsigned LongCascadeSeed()
{
    unsigned best = 1;
    Uint32 bestScore = 0;
    for (unsigned seed = 1; seed <= 1000; seed++) {
        SetRows(checker);
        mx = 2; my = 4; setX = 2; setY = 3; SET = 1; score = 0;
        srand(seed);
        CheckMove();
        if (score > bestScore) {
            bestScore = score;
            best = seed;
        }
    }
    return best;
}

void BM_CheckMoveLongCascade(benchmark::State &state)
{
    unsigned seed = LongCascadeSeed();
    Uint32 points = 0;
    for (auto _ : state) {
        SetRows(checker);
        mx = 2; my = 4; setX = 2; setY = 3; SET = 1; score = 0;
        srand(seed);
        CheckMove();
        points = score;
    }
    state.counters["points"] = points;
}
BENCHMARK(BM_CheckMoveLongCascade)->Unit(benchmark::kMicrosecond);

void BM_TickDrawing(benchmark::State &state)
{
    SetRows(noMove);
    mx = 3; my = 3; SET = 1;
    for (auto _ : state) {
        DrawPan();
        DrawCursor();
    }
}
BENCHMARK(BM_TickDrawing)->Unit(benchmark::kMicrosecond);

void BM_TickPresent(benchmark::State &state)
{
    // The whole screen, as the console shows it every tick.
    partialPresents = 0;
    for (auto _ : state)
        UpdateScreen();
}
BENCHMARK(BM_TickPresent)->Unit(benchmark::kMicrosecond);

// The floor to compare both with: one plain copy of a 320x240x16 frame.
void BM_FrameCopyFloor(benchmark::State &state)
{
    static Uint16 frame[320 * 240];
    for (auto _ : state) {
        memcpy(frame, screen->pixels, sizeof frame);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FrameCopyFloor)->Unit(benchmark::kMicrosecond);

#if SEVENFOLD_DESKTOP_FEATURES
// A settled move kept: what the main thread pays (the text formatted and handed over), and the
// whole save the keeper thread makes of it (lock, compare, write, fsync, rename, fsync of the
// folder) on the disk of the scratch folder.
void BM_KeepMoveMainThread(benchmark::State &state)
{
    SetRows(noMove);
    mx = 3; my = 3; SET = 0;
    ContinueKeptGame();
    for (auto _ : state) {
        KeepGamePlayed();
        state.PauseTiming();
        WaitForKeeper();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_KeepMoveMainThread)->Unit(benchmark::kMicrosecond)->Iterations(2000);

void BM_KeepMoveOnDisk(benchmark::State &state)
{
    SetRows(noMove);
    mx = 3; my = 3; SET = 0;
    ContinueKeptGame();
    for (auto _ : state) {
        score++;
        KeepGamePlayed();
        WaitForKeeper();
    }
}
BENCHMARK(BM_KeepMoveOnDisk)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

} // namespace

int main(int argc, char **argv)
{
    std::filesystem::path dir = InitInScratchFolder("bench");
    if (dir.empty())
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    SDL_Quit();
    std::filesystem::remove_all(dir);
    return 0;
}

// A move played as motion on a desktop: the swap slides, the runs fade, the tiles above fall and new ones drop in.
#include "game/desktop/features.h"

#include <string.h>

#include "board/board.h"
#include "desktop/desktop.h"
#include "gfx/gfx.h"
#include "sound/sound.h"

Uint8 showInMotion = 1;

// How long each part of a move takes on screen, in ms. A fall lasts longer the farther its
// tiles drop, from one row to all seven.
enum { SWAP_MS = 100, RUNS_MS = 120, FALL_ONE_ROW_MS = 150, FALL_ALL_ROWS_MS = 200, FRAME_MS = 16, RUNS_ALPHA = 96 };

static struct {
    Uint8 running;
    Uint32 start;             // the host clock as the swap began
    Uint32 nextFrame;         // when the next frame is due
    Uint8 sounded;            // steps whose clear sound has played
    MoveRecord move;          // the move being played; the rules have long moved on to its end
    Uint8 swapped[BOARD_CELLS]; // the board right after the swap
    Uint16 fallMs[RECORD_STEPS];
} show;

static const Uint8 *FinalBoard(void)
{
    return show.move.steps > 0 ? show.move.step[show.move.steps - 1].after : show.move.before;
}

// The board a step's runs vanish from.
static const Uint8 *BoardBefore(int step)
{
    return step == 0 ? show.swapped : show.move.step[step - 1].after;
}

// Eased position along a slide, 0 to 1.
static float Ease(float p) { return p * p * (3 - 2 * p); }

static void DrawSlide(float p)
{
    const MoveRecord &m = show.move;
    int from = m.fromX + 7 * m.fromY, to = m.toX + 7 * m.toY;
    Uint8 marks[BOARD_CELLS] = {0};
    marks[from] = marks[to] = 1;
    DrawTiles(m.before, marks);
    float e = Ease(p);
    int dx = CellX(m.toX) - CellX(m.fromX), dy = CellY(m.toY) - CellY(m.fromY);
    DrawTile(m.before[from], (Sint16)(CellX(m.fromX) + dx * e), (Sint16)(CellY(m.fromY) + dy * e));
    DrawTile(m.before[to], (Sint16)(CellX(m.toX) - dx * e), (Sint16)(CellY(m.toY) - dy * e));
}

static void DrawRuns(int step)
{
    const Uint8 *board = BoardBefore(step), *runs = show.move.step[step].runs;
    DrawTiles(board, runs);
    for (int i = 0; i < BOARD_CELLS; i++)
        if (runs[i] != 0)
            DrawTileFaded(board[i], CellX(i % 7), CellY(i / 7), RUNS_ALPHA);
}

// Each tile falls as far as cells vanished below it in its column, all landing together; the
// new tiles come in from above the board, as far as the column lost.
static void DrawFall(int step, float p)
{
    const Uint8 *board = BoardBefore(step), *runs = show.move.step[step].runs, *after = show.move.step[step].after;
    FillBoard();
    float e = p * p; // falling, they gather speed
    for (int x = 0; x < 7; x++) {
        int below = 0;
        for (int y = 6; y >= 0; y--) {
            if (runs[x + 7 * y] != 0) {
                below++;
                continue;
            }
            DrawTile(board[x + 7 * y], CellX(x), (Sint16)(CellY(y) + CELL * below * e));
        }
        for (int y = 0; y < below; y++)
            DrawTile(after[x + 7 * y], CellX(x), (Sint16)(CellY(y - below) + CELL * below * e));
    }
}

// The board as the show stands at ms into it, and the score with it. Returns 0 once it is over.
static int DrawAt(Uint32 ms)
{
    const MoveRecord &m = show.move;
    Uint32 points = m.scoreBefore;
    int over = 0;
    // Tiles on their way in from above the board are not drawn over what lies above it.
    SDL_Rect cells = {BOARD_X, BOARD_Y, 7 * CELL, 7 * CELL};
    SDL_SetClipRect(screen, &cells);
    if (m.steps == 0) {
        // No run: the tiles slide there and back.
        if (ms < 2 * SWAP_MS)
            DrawSlide(ms < SWAP_MS ? ms / (float)SWAP_MS : (2 * SWAP_MS - ms) / (float)SWAP_MS);
        else
            over = 1;
    } else if (ms < SWAP_MS) {
        DrawSlide(ms / (float)SWAP_MS);
    } else {
        Uint32 at = SWAP_MS;
        int step = 0;
        while (step < m.steps && ms >= at + RUNS_MS + show.fallMs[step]) {
            at += RUNS_MS + show.fallMs[step];
            step++;
        }
        if (step == m.steps) {
            over = 1;
        } else if (ms < at + RUNS_MS) {
            DrawRuns(step);
        } else {
            DrawFall(step, (ms - at - RUNS_MS) / (float)show.fallMs[step]);
            step++; // its runs have vanished: its points count and its sound plays
        }
        for (; show.sounded < step; show.sounded++)
            PlayWave(m.step[show.sounded].sound);
        if (step > 0)
            points = m.step[step - 1].score;
    }
    SDL_SetClipRect(screen, NULL);
    // Once over, the board is the rules' own, and so is the score.
    if (over)
        show.running = 0;
    DrawPoints(over ? score : points);
    return !over;
}

int ShowMove(void)
{
    if (!showInMotion)
        return 0;
    show.move = moveRecord;
    const MoveRecord &m = show.move;
    memcpy(show.swapped, m.before, sizeof show.swapped);
    show.swapped[m.fromX + 7 * m.fromY] = m.before[m.toX + 7 * m.toY];
    show.swapped[m.toX + 7 * m.toY] = m.before[m.fromX + 7 * m.fromY];
    for (int s = 0; s < m.steps; s++) {
        int deepest = 0;
        for (int x = 0; x < 7; x++) {
            int lost = 0;
            for (int y = 0; y < 7; y++)
                lost += m.step[s].runs[x + 7 * y] != 0;
            if (lost > deepest)
                deepest = lost;
        }
        show.fallMs[s] = (Uint16)(FALL_ONE_ROW_MS + (deepest - 1) * (FALL_ALL_ROWS_MS - FALL_ONE_ROW_MS) / 6);
    }
    show.running = 1;
    show.sounded = 0;
    show.start = HostClock();
    show.nextFrame = show.start + FRAME_MS;
    return 1;
}

int ShowRunning(void)
{
    // A new game, or anything else that put another board in place, ends the show unseen.
    if (show.running && memcmp(table, FinalBoard(), sizeof table) != 0)
        show.running = 0;
    return show.running;
}

void ShowFinish(void)
{
    if (!show.running)
        return;
    show.running = 0;
    DrawScore();
}

void DrawBoardLayers(void)
{
    if (!ShowRunning() || !DrawAt(HostClock() - show.start))
        DrawPan();
    DrawHint();
}

static int ShowFrame(void)
{
    if (!ShowRunning())
        return -1;
    Uint32 now = HostClock();
    if ((Sint32)(now - show.nextFrame) >= 0) {
        DrawBoardLayers();
        // The cursor stays over the moving tiles, as every picture of the board has it.
        DrawCursorFrame();
        int going = ShowRunning();
        if (!going)
            GameOverShown();
        UpdateScreen();
        if (!going)
            return -1;
        show.nextFrame = now + FRAME_MS;
    }
    return (int)(show.nextFrame - now);
}

int FeaturesFrame(void)
{
    // While a move plays, its frames draw the hint's rings too: the hint's own would draw the
    // board a second time.
    int show = ShowFrame();
    return show >= 0 ? show : HintFrame();
}

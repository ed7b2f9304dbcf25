// A move played as motion on a desktop: the swap slides, the runs fade, the tiles above fall and new ones drop in; the board's layer.
#include "game/desktop/features.h"

#include <string.h>

#include "board/board.h"
#include "desktop/desktop.h"
#include "gfx/gfx.h"
#include "sound/sound.h"

Uint8 showInMotion = 1;

// How long each part of a move takes on screen, in ms. A fall lasts longer the farther its
// tiles drop, from one row to all seven.
enum { SWAP_MS = 100, RUNS_MS = 120, FALL_ONE_ROW_MS = 150, FALL_ALL_ROWS_MS = 200, RUNS_ALPHA = 96 };

// Where a show stands: the part it is in, its step and how far through the part (0 to 1).
enum Part { PART_SLIDE, PART_RUNS, PART_FALL, PART_OVER };
struct Moment {
    Part part;
    int step;
    float p;
    int passed; // steps whose runs have vanished: their points count and their sounds have played
};

static struct {
    Uint8 running;
    Uint32 start;             // the host clock as the swap began
    Uint8 sounded;            // steps whose clear sound has played
    MoveRecord move;          // the move being played; the rules have long moved on to its end
    Uint8 swapped[BOARD_CELLS]; // the board right after the swap
    Uint16 fallMs[RECORD_STEPS];
    Uint32 length;            // ms from the swap to the end
    Moment now;               // where the show stood when the composer last looked
    Uint32 frame;             // the frame of the grid it stood at
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

static Moment At(Uint32 ms)
{
    const MoveRecord &m = show.move;
    Moment t = {PART_OVER, 0, 0, m.steps};
    if (ms >= show.length)
        return t;
    if (m.steps == 0) {
        // No run: the tiles slide there and back.
        t.part = PART_SLIDE;
        t.passed = 0;
        t.p = ms < SWAP_MS ? ms / (float)SWAP_MS : (2 * SWAP_MS - ms) / (float)SWAP_MS;
        return t;
    }
    if (ms < SWAP_MS) {
        t.part = PART_SLIDE;
        t.passed = 0;
        t.p = ms / (float)SWAP_MS;
        return t;
    }
    Uint32 at = SWAP_MS;
    int step = 0;
    while (ms >= at + RUNS_MS + show.fallMs[step]) {
        at += RUNS_MS + show.fallMs[step];
        step++;
    }
    t.step = step;
    if (ms < at + RUNS_MS) {
        t.part = PART_RUNS;
        t.passed = step;
    } else {
        t.part = PART_FALL;
        t.p = (ms - at - RUNS_MS) / (float)show.fallMs[step];
        t.passed = step + 1;
    }
    return t;
}

// The points a step of a move made, and its chain multiplier (the swap's step is the first).
static void StepPoints(const MoveRecord &m, int step, Uint32 at)
{
    Uint32 before = step == 0 ? m.scoreBefore : m.step[step - 1].score;
    PointsRise(m.step[step].runs, m.step[step].score - before, (Uint8)(step + 1), at);
}

// The steps passed whose runs have not vanished yet: their clear sound, each once, and their
// points rising from when they vanished.
static void SoundPassed(int passed)
{
    for (; show.sounded < passed; show.sounded++) {
        PlayWave(show.move.step[show.sounded].sound);
        Uint32 at = SWAP_MS + RUNS_MS;
        for (int j = 0; j < show.sounded; j++)
            at += RUNS_MS + show.fallMs[j];
        StepPoints(show.move, show.sounded, show.start + at);
    }
}

// The show brought to the host's clock: its moment, the sounds of the steps passed, its end.
static void Advance(void)
{
    Uint32 ms = HostClock() - show.start;
    show.now = At(ms);
    show.frame = FrameTime();
    SoundPassed(show.now.passed);
    if (show.now.part == PART_OVER)
        show.running = 0;
}

void PlayShowToNow(void)
{
    // A new game, or anything else that put another board in place, ends the show unseen.
    if (show.running && memcmp(table, FinalBoard(), sizeof table) != 0)
        show.running = 0;
    if (show.running)
        Advance();
}

int ShowRunning(void)
{
    return show.running;
}

void ShowMove(void)
{
    // A move made on the board the last one still plays out to cuts it short: what it had still
    // to vanish vanishes with one clear sound, not with none and not with all of them at once.
    if (show.running && memcmp(moveRecord.before, FinalBoard(), sizeof moveRecord.before) == 0) {
        Advance();
        if (show.sounded < show.move.steps)
            PlayWave(show.move.step[show.sounded].sound);
    }
    show.running = 0;
    if (!showInMotion) {
        for (Uint8 i = 0; i < moveRecord.steps; i++) {
            PlayWave(moveRecord.step[i].sound);
            StepPoints(moveRecord, i, HostClock());
        }
        return;
    }
    show.move = moveRecord;
    const MoveRecord &m = show.move;
    memcpy(show.swapped, m.before, sizeof show.swapped);
    show.swapped[m.fromX + 7 * m.fromY] = m.before[m.toX + 7 * m.toY];
    show.swapped[m.toX + 7 * m.toY] = m.before[m.fromX + 7 * m.fromY];
    show.length = m.steps == 0 ? 2 * SWAP_MS : SWAP_MS;
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
        show.length += RUNS_MS + show.fallMs[s];
    }
    show.running = 1;
    show.sounded = 0;
    show.start = HostClock();
    Advance();
}

Uint32 ShowEndsAt(void)
{
    return show.start + show.length;
}

void ShowFinish(void)
{
    if (show.running)
        SoundPassed(show.move.steps);
    show.running = 0;
}

Uint32 ShownScore(void)
{
    if (!ShowRunning())
        return score;
    return show.now.passed > 0 ? show.move.step[show.now.passed - 1].score : show.move.scoreBefore;
}

const Uint8 *ShownBoard(void)
{
    return ShowRunning() ? show.move.before : table;
}

// Eased position along a slide, 0 to 1.
static float Ease(float p) { return p * p * (3 - 2 * p); }

// The two tiles of the swap pass each other, the rest of the board still.
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

// The board's layer: the rules' board cell by cell, or the move being played, whole, frame by
// frame. Its grey top row and white ground lie under it all.
enum { GROUND_X = BOARD_X, GROUND_W = 320 - BOARD_X };

static Uint8 lookedInMotion; // the last look was a frame of a move being played

static int BoardShows(void) { return 1; }

static void BoardLook(Look *look)
{
    SDL_Surface *sheet = TileToDraw();
    lookedInMotion = (Uint8)ShowRunning();
    if (lookedInMotion) {
        AddPiece(look, GROUND_X, 0, GROUND_W, 240, PrintOf(show.start, show.frame, skin, sheet));
        return;
    }
    AddPiece(look, GROUND_X, 0, GROUND_W, 240, PRINT_START);
    // A cell's kind and mark (each 0 to 6) told apart on the print of what all cells share.
    const Uint64 print = PrintOf(skin, sheet);
    for (int i = 0; i < BOARD_CELLS; i++)
        AddPiece(look, CellX(i % 7), CellY(i / 7), CELL, CELL, print + table[i] + 8u * same[i]);
}

static void DrawBoard(void)
{
    FillRec(screen, GROUND_X, 0, GROUND_W, BOARD_Y, _565(224, 224, 224));
    if (!lookedInMotion) {
        DrawPan();
        return;
    }
    FillBoard();
    // Tiles on their way in from above the board are not drawn over what lies above it.
    SDL_Rect clip, cells = {BOARD_X, BOARD_Y, 7 * CELL, 7 * CELL};
    SDL_GetClipRect(screen, &clip);
    int x0 = clip.x > cells.x ? clip.x : cells.x, y0 = clip.y > cells.y ? clip.y : cells.y;
    int x1 = clip.x + clip.w < cells.x + cells.w ? clip.x + clip.w : cells.x + cells.w;
    int y1 = clip.y + clip.h < cells.y + cells.h ? clip.y + clip.h : cells.y + cells.h;
    if (x1 <= x0 || y1 <= y0)
        return;
    SDL_Rect inside = {(Sint16)x0, (Sint16)y0, (Uint16)(x1 - x0), (Uint16)(y1 - y0)};
    SDL_SetClipRect(screen, &inside);
    const Moment &t = show.now;
    if (t.part == PART_SLIDE)
        DrawSlide(t.p);
    else if (t.part == PART_RUNS)
        DrawRuns(t.step);
    else
        DrawFall(t.step, t.p);
    SDL_SetClipRect(screen, &clip);
}

static int BoardNext(void)
{
    // A show that ended after the look is due for its last frame, the rules' board, at once.
    if (!show.running)
        return lookedInMotion ? 0 : -1;
    return NextFrame();
}

const Layer boardLayer = {BoardShows, BoardLook, DrawBoard, BoardNext};

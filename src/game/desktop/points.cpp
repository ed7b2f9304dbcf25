// Points where they were made: each clearing step's points rise from its runs and fade, and the side panel's counter counts up to them; their layer.
#include "game/desktop/features.h"

#include "board/board.h"
#include "desktop/desktop.h"
#include "gfx/gfx.h"

// A step's points rise this far over RISE_MS, then fade out over FADE_MS. The counter takes
// COUNT_MS to count up to a step's new score.
enum { RISE_MS = 500, FADE_MS = 300, RISE_PX = 18, COUNT_MS = 250, FLOATS = 8 };
// The glyphs on their sheet: 0-9, '+', 'x' in a row, gold for the points, light blue below for
// the multiplier.
enum { GLYPH_W = 8, GLYPH_H = 13, PLUS = 10, TIMES = 11, GAP = 4 };

struct Float {
    Uint32 points;
    Uint8 times;   // the chain multiplier, shown from 2 on
    Sint16 x, y;   // where the text starts, before it rises
    Uint32 start;  // the frame its runs vanished in, on the host clock
};
static Float floats[FLOATS]; // the newest last-written; a start of 0 is none
static int newest;

static SDL_Surface *Glyphs(void)
{
    static SDL_Surface *sheet;
    if (sheet == NULL)
        sheet = LoadPicture(iPoints, iPoints_size, 0x3E0);
    return sheet;
}

static int Digits(Uint32 n)
{
    int d = 1;
    while (n >= 10) {
        n /= 10;
        d++;
    }
    return d;
}

// "+90", and " x3" past the first step.
static int TextWidth(const Float &f)
{
    int w = GLYPH_W * (1 + Digits(f.points));
    if (f.times > 1)
        w += GAP + GLYPH_W * (1 + Digits(f.times));
    return w;
}

void PointsRise(const Uint8 *runs, Uint32 points, Uint8 times, Uint32 at)
{
    int cells = 0, sx = 0, sy = 0;
    for (int i = 0; i < BOARD_CELLS; i++)
        if (runs[i] != 0) {
            cells++;
            sx += CellX(i % 7) + CELL / 2;
            sy += CellY(i / 7) + CELL / 2;
        }
    if (cells == 0)
        return;
    newest = (newest + 1) % FLOATS;
    Float &f = floats[newest];
    f.points = points;
    f.times = times;
    // On the frames' grid, so that it shows from the frame it rose in.
    f.start = at < FRAME_MS ? FRAME_MS : at / FRAME_MS * FRAME_MS;
    // Centred on the runs, and kept on the board all the way up.
    int w = TextWidth(f), x = sx / cells - w / 2, y = sy / cells - GLYPH_H / 2;
    x = x < BOARD_X ? BOARD_X : x > 320 - w ? 320 - w : x;
    y = y < BOARD_Y + RISE_PX ? BOARD_Y + RISE_PX : y > 240 - GLYPH_H ? 240 - GLYPH_H : y;
    f.x = (Sint16)x;
    f.y = (Sint16)y;
}

// How far it has risen and how strong it is at ms into its life; 0 once gone.
static int Stage(const Float &f, Uint32 now, int *rise, Uint8 *alpha)
{
    Sint32 ms = (Sint32)(now / FRAME_MS * FRAME_MS - f.start);
    if (f.start == 0 || ms < 0 || ms >= RISE_MS + FADE_MS)
        return 0;
    float p = ms < RISE_MS ? ms / (float)RISE_MS : 1.0f;
    *rise = (int)(RISE_PX * p * (2 - p)); // slowing as it rises
    *alpha = (Uint8)(ms < RISE_MS ? 255 : 255 - 255 * (ms - RISE_MS) / FADE_MS);
    return 1;
}

static int PointsShow(void)
{
    Uint32 now = HostClock();
    int rise;
    Uint8 alpha;
    for (int i = 0; i < FLOATS; i++)
        if (Stage(floats[i], now, &rise, &alpha))
            return 1;
    return 0;
}

static void PointsLook(Look *look)
{
    Uint32 now = HostClock();
    for (int i = 0; i < FLOATS; i++) {
        int rise;
        Uint8 alpha;
        const Float &f = floats[i];
        if (Stage(f, now, &rise, &alpha))
            AddPiece(look, f.x, (Sint16)(f.y - rise), (Uint16)TextWidth(f), GLYPH_H,
                     PrintOf(i, f.points, f.times, rise, alpha));
    }
}

// A number's glyphs from the left, in the sheet's row.
static int PutNumber(SDL_Surface *sheet, Uint32 n, int x, int y, int row)
{
    for (int d = Digits(n) - 1; d >= 0; d--) {
        Uint32 k = n;
        for (int j = 0; j < d; j++)
            k /= 10;
        PutSurface(sheet, screen, (Sint16)(GLYPH_W * (k % 10)), (Sint16)(GLYPH_H * row), (Sint16)x, (Sint16)y, GLYPH_W,
                   GLYPH_H);
        x += GLYPH_W;
    }
    return x;
}

static void DrawRisingPoints(void)
{
    SDL_Surface *sheet = Glyphs();
    if (sheet == NULL)
        return;
    Uint32 now = HostClock();
    for (int i = 0; i < FLOATS; i++) {
        int rise;
        Uint8 alpha;
        const Float &f = floats[i];
        if (!Stage(f, now, &rise, &alpha))
            continue;
        SDL_SetAlpha(sheet, alpha < 255 ? SDL_SRCALPHA : 0, alpha);
        int x = f.x, y = f.y - rise;
        PutSurface(sheet, screen, GLYPH_W * PLUS, 0, (Sint16)x, (Sint16)y, GLYPH_W, GLYPH_H);
        x = PutNumber(sheet, f.points, x + GLYPH_W, y, 0);
        if (f.times > 1) {
            PutSurface(sheet, screen, GLYPH_W * TIMES, GLYPH_H, (Sint16)(x + GAP), (Sint16)y, GLYPH_W, GLYPH_H);
            PutNumber(sheet, f.times, x + GAP + GLYPH_W, y, 1);
        }
    }
}

static int PointsNext(void)
{
    return NextFrame();
}

const Layer pointsLayer = {PointsShow, PointsLook, DrawRisingPoints, PointsNext};

// The counter: up from where it stood to each new score over COUNT_MS; down (a new game) at once.
static struct {
    Uint32 from, to, since;
} counter;

Uint32 CountedScore(void)
{
    Uint32 target = ShownScore(), now = FrameTime();
    Uint32 ms = now - counter.since < (Uint32)COUNT_MS ? now - counter.since : (Uint32)COUNT_MS;
    Uint32 at = counter.from + (Uint32)((Uint64)(counter.to - counter.from) * ms / COUNT_MS);
    if (target != counter.to) {
        counter.from = target > counter.to ? at : target;
        counter.to = target;
        counter.since = now;
        at = counter.from;
    }
    return at;
}

int CounterNext(void)
{
    return FrameTime() - counter.since < (Uint32)COUNT_MS && counter.from != counter.to ? NextFrame() : -1;
}

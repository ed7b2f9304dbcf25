// Test helpers and the one real SDL start-up (dummy drivers) that the in-process tests share.
#include "support.h"

#include <gtest/gtest.h>
#include <SDL_mixer.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "board/board.h"
#include "app/app.h"
#include "sound/sound.h"
#include "harness.h"
#include "gfx/gfx.h"
#include "input/input.h"

namespace fs = std::filesystem;

void SetBoard(const Rows &rows)
{
    ASSERT_EQ(rows.size(), 7u);
    for (int y = 0; y < 7; y++) {
        ASSERT_EQ(rows[y].size(), 7u) << "row " << y;
        for (int x = 0; x < 7; x++) {
            char c = rows[y][x];
            ASSERT_TRUE(c >= '0' && c <= '6') << "row " << y << " column " << x;
            table[x + 7 * y] = (Uint8)(c - '0');
        }
    }
}

Rows BoardRows(const Uint8 *cells)
{
    Rows rows;
    for (int y = 0; y < 7; y++) {
        std::string row;
        for (int x = 0; x < 7; x++)
            row += (char)('0' + cells[x + 7 * y]);
        rows.push_back(row);
    }
    return rows;
}

Rows BoardRows() { return BoardRows(table); }

RunReport FindRuns(const Uint8 *cells)
{
    RunReport report;
    memset(report.marks, 0, sizeof report.marks);
    // Lines as lists of cell indices: rows first, then columns.
    static const std::vector<std::vector<int>> lines = [] {
        std::vector<std::vector<int>> all;
        for (int y = 0; y < 7; y++) {
            std::vector<int> line;
            for (int x = 0; x < 7; x++)
                line.push_back(x + 7 * y);
            all.push_back(line);
        }
        for (int x = 0; x < 7; x++) {
            std::vector<int> line;
            for (int y = 0; y < 7; y++)
                line.push_back(x + 7 * y);
            all.push_back(line);
        }
        return all;
    }();
    for (const auto &line : lines) {
        size_t start = 0;
        while (start < line.size()) {
            size_t end = start;
            while (end + 1 < line.size() && cells[line[end + 1]] == cells[line[start]])
                end++;
            int length = (int)(end - start + 1);
            if (length >= 3) {
                report.lengths.push_back(length);
                for (size_t i = start; i <= end; i++)
                    report.marks[line[i]] = (Uint8)(length - 1);
            }
            start = end + 1;
        }
    }
    return report;
}

MoveOutcome SimulateMove(const Uint8 *cells, int lifted, int target, unsigned seed)
{
    MoveOutcome out;
    out.points = 0;
    memcpy(out.board, cells, sizeof out.board);
    Uint8 *b = out.board;
    std::swap(b[lifted], b[target]);
    srand(seed);
    for (Uint32 chain = 1;; chain++) {
        RunReport runs = FindRuns(b);
        if (runs.lengths.empty())
            break;
        out.steps.push_back(runs.lengths);
        Uint32 sum = 0;
        for (int length : runs.lengths)
            sum += (Uint32)length;
        Uint32 n = (Uint32)runs.lengths.size();
        out.points += 10 * chain * sum + (n > 1 ? 15 * chain * (n - 1) : 0);
        out.scores.push_back(out.points);
        out.runs.emplace_back();
        memcpy(out.runs.back().data(), runs.marks, 49);

        // New tiles are drawn round by round: in each round every column that still has
        // marked cells to replace gets one, columns from the left.
        int marked[7] = {0};
        for (int i = 0; i < 49; i++)
            marked[i % 7] += runs.marks[i] != 0;
        std::vector<Uint8> drawn[7];
        for (int round = 0; round < 7; round++)
            for (int x = 0; x < 7; x++)
                if (marked[x] > round)
                    drawn[x].push_back((Uint8)(rand() % 7));
        for (int x = 0; x < 7; x++) {
            std::vector<Uint8> column; // top to bottom: new tiles, the first drawn lowest, then the kept ones
            for (int k = marked[x] - 1; k >= 0; k--)
                column.push_back(drawn[x][k]);
            for (int y = 0; y < 7; y++)
                if (runs.marks[x + 7 * y] == 0)
                    column.push_back(b[x + 7 * y]);
            for (int y = 0; y < 7; y++)
                b[x + 7 * y] = column[y];
        }
        out.boards.emplace_back();
        memcpy(out.boards.back().data(), b, 49);
    }
    if (out.steps.empty())
        std::swap(b[lifted], b[target]);
    out.gameOver = !out.steps.empty() && FindMoves(b).empty();
    return out;
}

void RandomRunFreeBoard(Uint8 *cells, unsigned seed)
{
    std::mt19937 gen(seed);
    do {
        for (int i = 0; i < 49; i++)
            cells[i] = (Uint8)(gen() % 7);
    } while (HasRun(cells));
}

Uint16 ScreenPixel(int x, int y)
{
    if (SDL_MUSTLOCK(screen))
        SDL_LockSurface(screen);
    Uint16 p = ((Uint16 *)screen->pixels)[y * (screen->pitch / 2) + x];
    if (SDL_MUSTLOCK(screen))
        SDL_UnlockSurface(screen);
    return p;
}

std::vector<Uint16> ScreenPixels()
{
    std::vector<Uint16> pixels;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            pixels.push_back(ScreenPixel(x, y));
    return pixels;
}

Uint16 SheetPixelOnScreen(SDL_Surface *sheet, int x, int y)
{
    // The pixel as a plain blit puts it on the screen: libraries differ in how they widen five
    // bits to six (sdl12-compat repeats the top bit, the classic SDL 1.2 shifts in a zero), so
    // the prediction asks the library's own blitter rather than working the colour out.
    static SDL_Surface *probe;
    if (probe == NULL || probe->format->BitsPerPixel != screen->format->BitsPerPixel)
        probe = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, screen->format->BitsPerPixel, screen->format->Rmask,
                                     screen->format->Gmask, screen->format->Bmask, 0);
    // Blitted with the sheet's own key and blending: asked only of pixels that are not the key,
    // and opaque where the sheet has an alpha channel, it is what a plain copy gives.
    SDL_Rect from = {(Sint16)x, (Sint16)y, 1, 1};
    SDL_FillRect(probe, NULL, 0);
    SDL_BlitSurface(sheet, &from, probe, NULL);
    return *(Uint16 *)probe->pixels;
}

void SaveScreen(const std::string &name)
{
    fs::path dir = fs::path(SEVENFOLD_BINARY_DIR) / "screens";
    fs::create_directories(dir);
    SDL_SaveBMP(screen, (dir / (name + ".bmp")).c_str());
}

int fullUpdates = 0;
int soundsPlayed[4] = {0, 0, 0, 0};
std::vector<int> soundOrder;
int boardRepaints = 0;
int cellUpdates = 0;
std::vector<Uint32> updateTimes;
int updateDelay = 0;
std::vector<std::vector<Uint16>> *shownPictures = NULL;
Uint64 *wholePresentDigest = NULL;
long wholePresents = 0;

Uint64 Fnv1a(Uint64 digest, const void *bytes, size_t size)
{
    for (size_t i = 0; i < size; i++)
        digest = (digest ^ ((const Uint8 *)bytes)[i]) * 1099511628211ull;
    return digest;
}

namespace {

// The display the recorded pictures come from: each update copies its rectangle of the screen.
// An update of the whole screen is a picture shown; updates of parts are shown together by the
// empty SDL_UpdateRects that follows them.
// ResetSpies makes it black again.
std::vector<Uint16> display;
void RecordShown(Sint32 x, Sint32 y, Uint32 w, Uint32 h)
{
    if (display.empty())
        display.assign(320 * 240, 0);
    if (w == 0 && h == 0) {
        w = 320;
        h = 240;
    }
    for (Sint32 row = y; row < y + (Sint32)h && row < 240; row++)
        for (Sint32 col = x; col < x + (Sint32)w && col < 320; col++)
            display[(size_t)(row * 320 + col)] = ScreenPixel(col, row);
    if (w == 320 && h == 240)
        shownPictures->push_back(display);
}

} // namespace
int audioLocks = 0;

void ResetSpies()
{
    fullUpdates = 0;
    memset(soundsPlayed, 0, sizeof soundsPlayed);
    soundOrder.clear();
    boardRepaints = 0;
    cellUpdates = 0;
    updateTimes.clear();
    updateDelay = 0;
    display.clear();
}

extern "C" {
void __real_SDL_UpdateRect(SDL_Surface *s, Sint32 x, Sint32 y, Uint32 w, Uint32 h);
int __real_Mix_PlayChannelTimed(int channel, Mix_Chunk *chunk, int loops, int ticks);
int __real_SDL_FillRect(SDL_Surface *s, SDL_Rect *r, Uint32 colour);
void __real_SDL_LockAudio(void);
void __real_SDL_UnlockAudio(void);

void __wrap_SDL_UpdateRect(SDL_Surface *s, Sint32 x, Sint32 y, Uint32 w, Uint32 h)
{
    if (s == screen && x == 0 && y == 0 && w == 320 && h == 240) {
        fullUpdates++;
        if (wholePresentDigest != NULL) {
            wholePresents++;
            for (int row = 0; row < 240; row++)
                *wholePresentDigest = Fnv1a(*wholePresentDigest, (const Uint8 *)s->pixels + row * s->pitch, 320 * 2);
        }
    }
    cellUpdates += s == screen && w == 34 && h == 34;
    if (s == screen && shownPictures != NULL)
        RecordShown(x, y, w, h);
    __real_SDL_UpdateRect(s, x, y, w, h);
    if (s == screen && w == 320) {
        SDL_Delay((Uint32)updateDelay);
        updateTimes.push_back(SDL_GetTicks());
    }
}

void __real_SDL_UpdateRects(SDL_Surface *s, int count, SDL_Rect *rects);
void __wrap_SDL_UpdateRects(SDL_Surface *s, int count, SDL_Rect *rects)
{
    if (s == screen && shownPictures != NULL && !display.empty()) {
        for (int i = 0; i < count; i++)
            RecordShown(rects[i].x, rects[i].y, rects[i].w, rects[i].h);
        shownPictures->push_back(display);
    }
    __real_SDL_UpdateRects(s, count, rects);
}

int __wrap_SDL_FillRect(SDL_Surface *s, SDL_Rect *r, Uint32 colour)
{
    if (s == screen && r != NULL && r->x == 80 && r->y == 1 && r->w == 240 && r->h == 240)
        boardRepaints++;
    return __real_SDL_FillRect(s, r, colour);
}

void __wrap_SDL_LockAudio(void)
{
    __real_SDL_LockAudio();
    audioLocks++;
}

void __wrap_SDL_UnlockAudio(void)
{
    audioLocks--;
    __real_SDL_UnlockAudio();
}

int __wrap_Mix_PlayChannelTimed(int channel, Mix_Chunk *chunk, int loops, int ticks)
{
    for (int i = 0; i < 4; i++)
        if (chunk != NULL && chunk == wave[i] && channel == -1 && loops == 0 && ticks == -1) {
            soundsPlayed[i]++;
            soundOrder.push_back(i);
        }
    return __real_Mix_PlayChannelTimed(channel, chunk, loops, ticks);
}
}

void Picture()
{
#if SEVENFOLD_DESKTOP_FEATURES
    ComposeFrame();
#endif
}

#if SEVENFOLD_DESKTOP_FEATURES
extern Uint32 hostClockSet;
#endif

void HoldHostClock(Uint32 at)
{
#if SEVENFOLD_DESKTOP_FEATURES
    hostClockSet = at;
#else
    (void)at;
#endif
}

void ResetGameState()
{
    memset(table, 0, sizeof table);
    memset(same, 0, sizeof same);
    mx = 3; my = 3; setX = 0; setY = 0; SET = 0; score = 0;
    isMenu = 0; _gameOver = 0; _currMenu = 0; done = 0;
    skin = 0; aniCursor = 0;
    partialPresents = 0; // the whole screen every tick, as the console shows it
#if SEVENFOLD_DESKTOP_FEATURES
    showInMotion = 0;    // a move's steps at once, as the console shows them
#endif
    pressesActAtOnce = 0; // buttons read once a tick, as the console reads them
    tickOnClock = 0;      // the tick posted by SDL's timer, as the console has it
    ScreenTouched();
    WakeSound();
    AllKeyClear();
    isUPkey = isUPLEFTkey = isLEFTkey = isDOWNLEFTkey = isDOWNkey = isDOWNRIGHTkey = 0;
    isRIGHTkey = isUPRIGHTkey = isENTERkey = 0;
    moveX = 0; moveY = 0;
    _wayIs = 0; // as main sets it up
#if SEVENFOLD_DESKTOP_FEATURES
    GameBegins(); // a game of its own to end and enter in the table
    cardShown = CARD_NONE;
    gameMode = MODE_CLASSIC;
    clockLeft = 0;
    windowFocused = 1;
#endif
    ResetSpies();
}

namespace {

// SDL comes up once for the whole test program, as the game would, in a scratch folder that
// holds our tile sheet.
class SdlEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        dir_ = InitInScratchFolder("tests");
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override
    {
        WakeSound(); // a device stopped by the idle game would never close
        SDL_Quit();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

private:
    fs::path dir_;
};

const auto *const environment = ::testing::AddGlobalTestEnvironment(new SdlEnvironment);

} // namespace

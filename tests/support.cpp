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
#include "frame.h"
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
    std::vector<std::vector<int>> lines;
    for (int y = 0; y < 7; y++) {
        std::vector<int> line;
        for (int x = 0; x < 7; x++)
            line.push_back(x + 7 * y);
        lines.push_back(line);
    }
    for (int x = 0; x < 7; x++) {
        std::vector<int> line;
        for (int y = 0; y < 7; y++)
            line.push_back(x + 7 * y);
        lines.push_back(line);
    }
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

bool HasRun(const Uint8 *cells) { return !FindRuns(cells).lengths.empty(); }

std::vector<std::pair<int, int>> FindMoves(const Uint8 *cells)
{
    std::vector<std::pair<int, int>> moves;
    Uint8 trial[49];
    for (int i = 0; i < 49; i++) {
        int x = i % 7, y = i / 7;
        int neighbours[2] = {x < 6 ? i + 1 : -1, y < 6 ? i + 7 : -1};
        for (int j : neighbours) {
            if (j < 0)
                continue;
            memcpy(trial, cells, sizeof trial);
            std::swap(trial[i], trial[j]);
            if (HasRun(trial))
                moves.push_back({i, j});
        }
    }
    return moves;
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

Uint16 SheetPixelOnScreen(SDL_Surface *sheet, int x, int y)
{
    SDL_LockSurface(sheet);
    const Uint8 *at = (const Uint8 *)sheet->pixels + y * sheet->pitch + x * sheet->format->BytesPerPixel;
    Uint32 raw = 0;
    switch (sheet->format->BytesPerPixel) {
    case 1: raw = *at; break;
    case 2: raw = *(const Uint16 *)at; break;
    case 3: raw = (Uint32)at[0] | (Uint32)at[1] << 8 | (Uint32)at[2] << 16; break;
    default: raw = *(const Uint32 *)at; break;
    }
    SDL_UnlockSurface(sheet);
    Uint8 r, g, b;
    SDL_GetRGB(raw, sheet->format, &r, &g, &b);
    return (Uint16)SDL_MapRGB(screen->format, r, g, b);
}

void SaveScreen(const std::string &name)
{
    fs::path dir = fs::path(SEVENFOLD_BINARY_DIR) / "screens";
    fs::create_directories(dir);
    SDL_SaveBMP(screen, (dir / (name + ".bmp")).c_str());
}

int fullUpdates = 0;
int soundsPlayed[4] = {0, 0, 0, 0};

void ResetSpies()
{
    fullUpdates = 0;
    memset(soundsPlayed, 0, sizeof soundsPlayed);
}

extern "C" {
void __real_SDL_UpdateRect(SDL_Surface *s, Sint32 x, Sint32 y, Uint32 w, Uint32 h);
int __real_Mix_PlayChannelTimed(int channel, Mix_Chunk *chunk, int loops, int ticks);

void __wrap_SDL_UpdateRect(SDL_Surface *s, Sint32 x, Sint32 y, Uint32 w, Uint32 h)
{
    if (s == screen && x == 0 && y == 0 && w == 320 && h == 240)
        fullUpdates++;
    __real_SDL_UpdateRect(s, x, y, w, h);
}

int __wrap_Mix_PlayChannelTimed(int channel, Mix_Chunk *chunk, int loops, int ticks)
{
    for (int i = 0; i < 4; i++)
        if (chunk != NULL && chunk == wave[i] && channel == -1 && loops == 0 && ticks == -1)
            soundsPlayed[i]++;
    return __real_Mix_PlayChannelTimed(channel, chunk, loops, ticks);
}
}

void ResetGameState()
{
    memset(table, 0, sizeof table);
    memset(same, 0, sizeof same);
    mx = 3; my = 3; setX = 0; setY = 0; SET = 0; score = 0;
    isMenu = 0; _gameOver = 0; _currMenu = 0; done = 0;
    skin = 0; aniCursor = 0;
    AllKeyClear();
    isUPkey = isUPLEFTkey = isLEFTkey = isDOWNLEFTkey = isDOWNkey = isDOWNRIGHTkey = 0;
    isRIGHTkey = isUPRIGHTkey = isENTERkey = 0;
    moveX = 0; moveY = 0;
    ResetSpies();
}

namespace {

// SDL comes up once for the whole test program, as the game would, in a scratch folder that
// holds our tile sheet.
class SdlEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        char pattern[] = "/tmp/sevenfold-tests-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        fs::copy_file(fs::path(SEVENFOLD_SOURCE_DIR) / "assets" / "tile.bmp", dir_ / "tile.bmp");
        ASSERT_EQ(chdir(dir_.c_str()), 0);
        ASSERT_EQ(Init(), 1) << SDL_GetError();
    }
    void TearDown() override
    {
        SDL_Quit();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

private:
    fs::path dir_;
};

const auto *const environment = ::testing::AddGlobalTestEnvironment(new SdlEnvironment);

} // namespace

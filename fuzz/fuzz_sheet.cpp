// libFuzzer target: any bytes as tile.bmp, through the header check, SDL's loader and the board drawn in every skin.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <utility>

#include "board/board.h"
#include "app/app.h"
#include "assets/sheet.h"
#include "harness.h"
#include "gfx/gfx.h"

namespace fs = std::filesystem;

static Uint32 U16(const uint8_t *p) { return (Uint32)p[0] | (Uint32)p[1] << 8; }
static Uint32 U32(const uint8_t *p) { return U16(p) | U16(p + 2) << 16; }

// SDL carries no coverage instrumentation, so the fuzzer cannot see where its loader went. What
// the loader made of an input becomes a call to one of these functions, each an edge of its own,
// so an input that gets a new kind of result out of SDL is kept and built upon.
template <int N> __attribute__((noinline)) void Seen()
{
    static volatile int times;
    times = times + 1;
}
template <int... N> constexpr std::array<void (*)(), sizeof...(N)> Marks(std::integer_sequence<int, N...>)
{
    return {&Seen<N>...};
}
static const auto marks = Marks(std::make_integer_sequence<int, 64>());

static void Refused()
{
    // The reason, without its numbers, as one of 16.
    Uint32 h = 0;
    for (const char *e = SDL_GetError(); *e; e++)
        if (*e < '0' || *e > '9')
            h = h * 31 + (Uint8)*e;
    marks[h % 16]();
}

static void Loaded(const SDL_Surface *sheet)
{
    const SDL_PixelFormat *f = sheet->format;
    marks[16 + (f->BytesPerPixel & 3) * 4 + (f->palette ? 2 : 0) + (f->Amask ? 1 : 0)]();
    int skins = sheet->h / 34, band = 0;
    while (skins > 1 && band < 8) {
        skins /= 2;
        band++;
    }
    marks[32 + band]();
    marks[41 + (sheet->w < 238 ? 0 : sheet->w == 238 ? 1 : 2)]();
    if (f->palette)
        marks[44 + (f->palette->ncolors > 2) + (f->palette->ncolors > 16) + (f->palette->ncolors >= 256)]();
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    (void)argc;
    (void)argv;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    // The real start-up, once, on our own sheet; each input then takes that sheet's place.
    const fs::path home = fs::current_path(); // libFuzzer's paths are relative to it
    const fs::path scratch = InitInScratchFolder("fuzz");
    if (scratch.empty())
        abort();
    std::error_code ignored;
    fs::current_path(home, ignored);
    fs::remove_all(scratch, ignored);
    for (int i = 0; i < BOARD_CELLS; i++)
        table[i] = (Uint8)((i % 7 + i / 7) % 7);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // What LoadSheet does with the file's bytes.
    if (!TileSheetUsable(data, size))
        return 0;
    SDL_Surface *sheet = SDL_LoadBMP_RW(SDL_RWFromConstMem(data, (int)size), 1);
    if (sheet == NULL) {
        Refused();
        return 0;
    }
    Loaded(sheet);

    // The check bounds what SDL allocates only if both read the same size from the header.
    const bool core = U32(data + 14) == 12;
    const Sint64 width = core ? (Sint64)U16(data + 18) : (Sint64)(Sint32)U32(data + 18);
    Sint64 height = core ? (Sint64)U16(data + 20) : (Sint64)(Sint32)U32(data + 22);
    if (height < 0)
        height = -height;
    if (sheet->w != width || sheet->h != height) {
        fprintf(stderr, "header says %lldx%lld, SDL made %dx%d\n", (long long)width, (long long)height,
                sheet->w, sheet->h);
        abort();
    }

    // LoadTile counts skins in a byte and relies on the check for at least one and at most 255.
    if (sheet->h < 34 || sheet->h / 34 > 255) {
        fprintf(stderr, "a sheet %d high passed the check\n", sheet->h);
        abort();
    }

    // What LoadTile and Init do with the surface, then the board in every skin.
    SDL_Surface *ours = tile;
    const Uint8 ourSkins = skinMax;
    tile = sheet;
    skinMax = (Uint8)(sheet->h / 34);
    if (SDL_SetColorKey(tile, SDL_SRCCOLORKEY, 0x3E0) == 0)
        marks[48]();
    for (int s = 0; s < skinMax; s++) {
        skin = (Uint8)s;
        mx = (Sint16)(s % 7);
        my = (Sint16)(s / 7 % 7);
        SET = 1;
        DrawPan();
        DrawCursor();
    }
    SET = 0;
    skin = 0;
    tile = ours;
    skinMax = ourSkins;
    SDL_FreeSurface(sheet);
    return 0;
}

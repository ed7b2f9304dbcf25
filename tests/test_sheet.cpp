// The tile sheet's header check: what it refuses, and that what it takes loads and draws right in every skin.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "board/board.h"
#include "app/app.h"
#include "assets/sheet.h"
#include "gfx/gfx.h"
#include "platform/platform.h"
#include "sheet_writer.h"
#include "support.h"

namespace {

namespace fs = std::filesystem;
using namespace sheetwriter;

bool Usable(const Bytes &b) { return TileSheetUsable(b.data(), b.size()) == 1; }

class SheetFiles : public ::testing::Test {
protected:
    void SetUp() override { ResetGameState(); }
    void TearDown() override
    {
        for (const auto &path : written_)
            fs::remove(path);
        // The game's own sheet back, keyed as Init keys it, for the tests that follow.
        ASSERT_EQ(LoadTile("tile.bmp"), 1);
        SDL_SetColorKey(tile, SDL_SRCCOLORKEY, KEY);
    }
    std::string File(const Bytes &bytes)
    {
        std::string path = "sheet_case_" + std::to_string(written_.size()) + ".bmp";
        std::ofstream(path, std::ios::binary).write((const char *)bytes.data(), (std::streamsize)bytes.size());
        written_.push_back(path);
        return path;
    }

private:
    std::vector<std::string> written_;
};

struct Accepted {
    const char *what;
    Sheet sheet;
};

const Accepted layouts[] = {
    {"1 bit, 2 colours", Sheet().Bits(1).Palette(2)},
    {"4 bits, 16 colours", Sheet().Bits(4).Palette(16)},
    {"4 bits, 6 colours", Sheet().Bits(4).Palette(6)},
    {"8 bits, 256 colours", Sheet().Bits(8).Palette(256)},
    {"8 bits, 6 colours, top-down", Sheet().Bits(8).Palette(6).TopDown()},
    {"8 bits, OS/2 header, 3-byte palette", Sheet().Bits(8).Palette(256).Info(12)},
    {"16 bits X1R5G5B5", Sheet()},
    {"16 bits X1R5G5B5, top-down", Sheet().TopDown()},
    {"16 bits X1R5G5B5 bit-fields", Sheet().Masks({0x7C00, 0x3E0, 0x1F})},
    {"16 bits 565 bit-fields", Sheet().Masks({0xF800, 0x7E0, 0x1F})},
    {"16 bits 565, 52-byte header", Sheet().Masks({0xF800, 0x7E0, 0x1F}).Info(52)},
    {"16 bits 565, V5 header", Sheet().Masks({0xF800, 0x7E0, 0x1F, 0}).Info(124)},
    {"24 bits", Sheet().Bits(24)},
    {"24 bits, top-down", Sheet().Bits(24).TopDown()},
    {"24 bits, V4 header", Sheet().Bits(24).Info(108)},
    {"24 bits, OS/2 header", Sheet().Bits(24).Info(12)},
    {"24 bits, OS/2 2 header", Sheet().Bits(24).Info(64)},
    {"32 bits", Sheet().Bits(32)},
    {"32 bits XRGB bit-fields", Sheet().Bits(32).Masks({0xFF0000, 0xFF00, 0xFF})},
    {"32 bits BGRX bit-fields", Sheet().Bits(32).Masks({0xFF00, 0xFF0000, 0xFF000000})},
    {"32 bits ARGB, V5 header", Sheet().Bits(32).Masks({0xFF0000, 0xFF00, 0xFF, 0xFF000000}).Info(124)},
    {"32 bits ARGB, 56-byte header", Sheet().Bits(32).Masks({0xFF0000, 0xFF00, 0xFF, 0xFF000000}).Info(56)},
    {"32 bits, V4 header, top-down", Sheet().Bits(32).Info(108).TopDown()},
    {"RLE8", Sheet().Bits(8).Palette(6).Rle()},
    {"RLE8 with literal stretches", Sheet().Bits(8).Palette(256).Rle(true)},
    {"RLE4", Sheet().Bits(4).Palette(6).Rle()},
    {"RLE4 with literal stretches", Sheet().Bits(4).Palette(16).Rle(true)},
    {"three skins", Sheet().Size(238, 3 * 34)},
    {"wider than seven tiles", Sheet().Size(3000, 34)},
};

// The tile sheet decoded this pixel as this colour, to the precision of its format.
bool SheetColourIs(int x, int y, const Rgb &want)
{
    SDL_LockSurface(tile);
    const Uint8 *at = (const Uint8 *)tile->pixels + y * tile->pitch + x * tile->format->BytesPerPixel;
    Uint32 raw = 0;
    memcpy(&raw, at, tile->format->BytesPerPixel); // little-endian, as every machine we build for
    SDL_UnlockSurface(tile);
    Uint8 r, g, b;
    SDL_GetRGB(raw, tile->format, &r, &g, &b);
    return abs(r - want.r) < 8 && abs(g - want.g) < 8 && abs(b - want.b) < 8;
}

#ifdef SEVENFOLD_CONSOLE
const bool consoleBuild = true;
#else
const bool consoleBuild = false;
#endif

TEST_F(SheetFiles, EveryLayoutAPlayerMayMakeLoadsAndDrawsEverySkin)
{
    for (const auto &c : layouts) {
        SCOPED_TRACE(c.what);
        const Sheet &s = c.sheet;
        Bytes bytes = Write(s);
        std::string path = File(bytes);
        // The console refuses what its own SDL cannot draw, whichever SDL this is. Which build
        // this is says so, not the flag under test.
        bool alpha = s.masks.size() > 3 && s.masks[3] != 0;
        if (consoleBuild && (s.compression == 1 || s.compression == 2 || alpha)) {
            EXPECT_FALSE(Usable(bytes));
            EXPECT_EQ(LoadSheet(path.c_str()), nullptr);
            continue;
        }
        ASSERT_TRUE(Usable(bytes));

        SDL_Surface *direct = LoadSheet(path.c_str());
        ASSERT_NE(direct, nullptr) << SDL_GetError();
        EXPECT_EQ(direct->w, s.width);
        EXPECT_EQ(direct->h, s.height);
        SDL_FreeSurface(direct);

        skinMax = 0;
        ASSERT_EQ(LoadTile(path.c_str()), 1);
        ASSERT_EQ(skinMax, s.height / 34);
        SDL_SetColorKey(tile, SDL_SRCCOLORKEY, KEY);

        for (int i = 0; i < BOARD_CELLS; i++)
            table[i] = (Uint8)((i % 7 + i / 7) % 7);
        for (int sk = 0; sk < skinMax; sk++) {
            skin = (Uint8)sk;
            SET = 0;
            DrawPan();
            for (int cell = 0; cell < BOARD_CELLS; cell++) {
                int sx = 34 * table[cell], sy = 34 * sk;
                int dx = 80 + 34 * (cell % 7), dy = 1 + 34 * (cell / 7);
                for (int px : {0, 1, 2, 25}) {
                    for (int py : {5, 30}) {
                        const Rgb &want = COLOURS[ColourAt(s, sx + px, sy + py)];
                        ASSERT_TRUE(SheetColourIs(sx + px, sy + py, want))
                            << "skin " << sk << " cell " << cell << " pixel " << px << "," << py;
                        ASSERT_EQ(ScreenPixel(dx + px, dy + py), SheetPixelOnScreen(tile, sx + px, sy + py))
                            << "skin " << sk << " cell " << cell << " pixel " << px << "," << py;
                    }
                }
                ASSERT_EQ(ScreenPixel(dx + 16, dy + 16), s.Keyed() ? 0xFFFF : SheetPixelOnScreen(tile, sx + 16, sy + 16))
                    << "middle of skin " << sk << " cell " << cell;
            }
            // The lifted tile's faded blit reads the same sheet: under the sanitizers a fault shows.
            mx = 2;
            my = 5;
            SET = 1;
            DrawCursor();
            SET = 0;
        }
    }
}

// A valid sheet to spoil: 16 bits, 238x70, the 40-byte header.
Bytes Base() { return Write(Sheet()); }
Bytes Patch16(Bytes b, size_t at, Uint32 v) { Put16(b, at, v); return b; }
Bytes Patch32(Bytes b, size_t at, Uint32 v) { Put32(b, at, v); return b; }
Bytes Cut(Bytes b, size_t n) { b.resize(n); return b; }
Bytes Dims(Sint32 w, Sint32 h) { return Patch32(Patch32(Base(), 18, (Uint32)w), 22, (Uint32)h); }
Bytes WithCount(Sheet s, Uint32 count) { return Patch32(Write(s), 46, count); }
Bytes Bomb()
{
    // 54 bytes: the headers of a 16000x50000 24-bit picture, and no pixels.
    Bytes b = {'B', 'M'};
    for (Uint32 v : {54u, 0u, 54u, 40u, 16000u, 50000u})
        Add32(b, v);
    Add16(b, 1);
    Add16(b, 24);
    b.resize(54, 0);
    return b;
}

struct Refused {
    const char *what;
    Bytes bytes;
};

std::vector<Refused> RefusedSheets()
{
    const Uint32 FF = 0xFFFFFFFF;
    const size_t size = Base().size();
    std::vector<Refused> cases = {
        {"empty", {}},
        {"signature BA", Patch16(Base(), 0, 'B' | 'A' << 8)},
        {"signature MB", Patch16(Base(), 0, 'M' | 'B' << 8)},
        {"lower-case signature", Patch16(Base(), 0, 'b' | 'm' << 8)},
        {"header size 0", Patch32(Base(), 14, 0)},
        {"header size 16", Patch32(Base(), 14, 16)},
        {"header size 39", Patch32(Base(), 14, 39)},
        {"header size 41", Patch32(Base(), 14, 41)},
        {"header size 100", Patch32(Base(), 14, 100)},
        {"header size 125", Patch32(Base(), 14, 125)},
        {"header size all ones", Patch32(Base(), 14, FF)},
        {"header larger than the file", Cut(Write(Sheet().Info(124)), 100)},
        {"planes 0", Patch16(Base(), 26, 0)},
        {"planes 2", Patch16(Base(), 26, 2)},
        {"2 bits", Patch16(Base(), 28, 2)},
        {"0 bits", Patch16(Base(), 28, 0)},
        {"15 bits", Patch16(Base(), 28, 15)},
        {"48 bits", Patch16(Base(), 28, 48)},
        {"64 bits", Patch16(Base(), 28, 64)},
        {"JPEG", Patch32(Base(), 30, 4)},
        {"PNG", Patch32(Base(), 30, 5)},
        {"ALPHABITFIELDS", Patch32(Write(Sheet().Bits(32).Masks({0xFF0000, 0xFF00, 0xFF, 0xFF000000}).Info(56)), 30, 6)},
        {"compression all ones", Patch32(Base(), 30, FF)},
        {"RLE8 on 16 bits", Patch32(Base(), 30, 1)},
        {"RLE8 on 4 bits", Patch32(Write(Sheet().Bits(4).Palette(16).Rle()), 30, 1)},
        {"RLE4 on 8 bits", Patch32(Write(Sheet().Bits(8).Palette(16).Rle()), 30, 2)},
        {"bit-fields on 24 bits", Write(Sheet().Bits(24).Masks({0xFF0000, 0xFF00, 0xFF}))},
        {"bit-fields on 8 bits", Write(Sheet().Bits(8).Palette(6).Masks({0xE0, 0x1C, 0x3}))},
        {"zero red mask", Write(Sheet().Masks({0, 0x3E0, 0x1F}))},
        {"zero masks", Write(Sheet().Masks({0, 0, 0}))},
        {"red and green overlap", Write(Sheet().Masks({0x7E00, 0x3E0, 0x1F}))},
        {"green and blue overlap", Write(Sheet().Masks({0x7C00, 0x3F0, 0x1F}))},
        {"blue is red", Write(Sheet().Masks({0x1F, 0x3E0, 0x1F}))},
        {"mask past 16 bits", Write(Sheet().Masks({0x7C000, 0x3E0, 0x1F}))},
        {"nine-bit mask", Write(Sheet().Bits(32).Masks({0x1FF0000, 0xFF00, 0xFF}))},
        {"32-bit masks overlap", Write(Sheet().Bits(32).Masks({0xFFFF0000, 0xFFFF00, 0xFF}))},
        {"masks cut off", Cut(Write(Sheet().Masks({0xF800, 0x7E0, 0x1F})), 60)},
        {"3 colours for 1 bit", Write(Sheet().Bits(1).Palette(3))},
        {"17 colours for 4 bits", Write(Sheet().Bits(4).Palette(17))},
        {"257 colours for 8 bits", Write(Sheet().Bits(8).Palette(257))},
        {"257 colours counted, 256 there", WithCount(Sheet().Bits(8).Palette(256), 257)},
        {"colour count all ones", WithCount(Sheet().Bits(8).Palette(256), FF)},
        {"pixels past the end", Patch32(Base(), 10, (Uint32)size + 10)},
        {"pixels at the end", Patch32(Base(), 10, (Uint32)size)},
        {"pixels from the last byte", Patch32(Base(), 10, (Uint32)size - 1)},
        {"pixels inside the file header", Patch32(Base(), 10, 10)},
        {"pixels inside the info header", Patch32(Base(), 10, 30)},
        {"pixel offset 0", Patch32(Base(), 10, 0)},
        {"pixel offset all ones", Patch32(Base(), 10, FF)},
        {"pixels inside the palette", Patch32(Write(Sheet().Bits(8).Palette(256)), 10, 54 + 1020)},
        {"pixels inside the masks", Patch32(Write(Sheet().Masks({0xF800, 0x7E0, 0x1F})), 10, 62)},
        {"width 0", Dims(0, 70)},
        {"height 0", Dims(238, 0)},
        {"negative width", Dims(-238, 70)},
        {"height 33", Dims(238, 33)},
        {"height -33", Dims(238, -33)},
        {"width INT_MIN", Dims(INT_MIN, 70)},
        {"height INT_MIN", Dims(238, INT_MIN)},
        {"width INT_MAX", Dims(INT_MAX, 70)},
        {"height INT_MAX", Dims(238, INT_MAX)},
        {"256 skins", Write(Sheet().Bits(1).Palette(2).Size(8, 256 * 34))},
        {"2048x2049 pixels", Write(Sheet().Bits(1).Palette(2).Size(2048, 2049))},
        {"a 1x1 picture", Write(Sheet().Bits(24).Size(1, 1))},
        {"the 16000x50000 bomb", Bomb()},
        {"one byte short", Cut(Base(), size - 1)},
        {"one byte short, top-down", Cut(Write(Sheet().TopDown()), size - 1)},
        {"one byte short, 1 bit", Cut(Write(Sheet().Bits(1).Palette(2)), Write(Sheet().Bits(1).Palette(2)).size() - 1)},
        {"one row short", Cut(Base(), size - 476)},
        {"file over 16 MiB", [] { Bytes b = Base(); b.resize(SHEET_MAX_BYTES + 1, 0); return b; }()},
        {"OS/2 header, width 0", Patch16(Write(Sheet().Bits(24).Info(12)), 18, 0)},
        {"OS/2 header, 65535x65535", Patch16(Patch16(Cut(Write(Sheet().Bits(24).Info(12)), 26), 18, 65535), 20, 65535)},
    };
    return cases;
}

TEST_F(SheetFiles, HostileAndBrokenHeadersAreRefusedBeforeSdlSeesThem)
{
    SDL_Surface *inUse = tile;
    const Uint8 skinsInUse = skinMax;
    for (const auto &c : RefusedSheets()) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(Usable(c.bytes));
        std::string path = File(c.bytes);
        EXPECT_EQ(LoadSheet(path.c_str()), nullptr);
        EXPECT_EQ(LoadTile(path.c_str()), 0);
        EXPECT_EQ(tile, inUse) << "a refused sheet leaves the one in use";
        EXPECT_EQ(skinMax, skinsInUse);
    }
}

TEST(SheetCheck, EveryLimitIsExactlyWhereItIs)
{
    struct Edge {
        const char *what;
        Bytes inside, outside;
    };
    const Sheet oneBit = Sheet().Bits(1).Palette(2);
    Bytes exact = Base();
    Bytes cap = Base();
    cap.resize(SHEET_MAX_BYTES, 0xAA); // what follows the pixels is no business of the check
    Bytes overCap = cap;
    overCap.push_back(0);
    const Edge edges[] = {
        {"height", Write(Sheet().Size(238, 34)), Dims(238, 33)},
        {"top-down height", Write(Sheet().Size(238, 34).TopDown()), Dims(238, -33)},
        {"pixels, all in one row of tiles", Write(Sheet(oneBit).Size(123361, 34)),
         Write(Sheet(oneBit).Size(123362, 34))},
        {"skins", Write(Sheet(oneBit).Size(1, 255 * 34 + 33)), Write(Sheet(oneBit).Size(1, 256 * 34))},
        {"pixels", Write(Sheet(oneBit).Size(2048, 2048)), Write(Sheet(oneBit).Size(2048, 2049))},
        {"rows present", exact, Cut(exact, exact.size() - 1)},
        {"file size", cap, overCap},
        {"palette count", Write(Sheet().Bits(4).Palette(16)), Write(Sheet().Bits(4).Palette(17))},
        // A count of 0 means all the colours the depth has: 16 entries, 4 more than are written.
        {"implied palette", WithCount(Sheet().Bits(4).Palette(16), 0), WithCount(Sheet().Bits(4).Palette(15), 0)},
        // The file size field is not believed either way.
        {"pixel offset", Patch32(Base(), 2, 0), Patch32(Base(), 10, 53)},
    };
    for (const auto &e : edges) {
        SCOPED_TRACE(e.what);
        EXPECT_TRUE(Usable(e.inside));
        EXPECT_FALSE(Usable(e.outside));
    }
}

// The header check on its own, with every layout a paint program makes allowed as on a desktop;
// the console's refusals have their own cases above.
struct AnyLayout {
    Uint8 was = sheetsPlainOnly;
    AnyLayout() { sheetsPlainOnly = 0; }
    ~AnyLayout() { sheetsPlainOnly = was; }
};

TEST(SheetCheck, NoPrefixOfAHeaderIsReadPastItsEnd)
{
    AnyLayout desktop;
    // Each prefix sits in a buffer of exactly its size, so a read past it shows under ASan; none
    // of them holds its rows, so none may pass.
    const Sheet sheets[] = {
        Sheet(), Sheet().Masks({0xF800, 0x7E0, 0x1F}), Sheet().Bits(8).Palette(256),
        Sheet().Bits(32).Masks({0xFF0000, 0xFF00, 0xFF, 0xFF000000}).Info(124), Sheet().Bits(24).Info(12),
        Sheet().Bits(8).Palette(6).Rle(), Sheet().Bits(24).Info(64),
    };
    for (const auto &s : sheets) {
        Bytes whole = Write(s);
        const size_t pixels = whole[10] | whole[11] << 8;
        for (size_t n = 0; n <= pixels; n++) {
            Bytes prefix(whole.begin(), whole.begin() + (long)n);
            EXPECT_FALSE(TileSheetUsable(prefix.data(), prefix.size())) << "bits " << s.bits << " info "
                                                                        << s.info << " length " << n;
        }
        EXPECT_EQ(TileSheetUsable(whole.data(), whole.size()), 1);
    }
}

TEST(SheetCheck, OnlyTheHeaderAndTheSizeDecide)
{
    AnyLayout desktop;
    // Spoilt headers and cut files, each in a buffer of its exact size (a read outside shows
    // under ASan); and pixel bytes changed at will never change the verdict.
    std::mt19937 gen(5);
    const Bytes base = Write(Sheet().Bits(32).Masks({0xFF0000, 0xFF00, 0xFF, 0xFF000000}).Info(124));
    const size_t pixels = 14 + 124;
    int accepted = 0;
    for (int round = 0; round < 20000; round++) {
        Bytes b = base;
        b.resize(gen() % 2 ? b.size() : gen() % (b.size() + 1));
        for (int i = gen() % 6; i > 0 && !b.empty(); i--)
            b[gen() % std::min(b.size(), pixels)] = (Uint8)gen();
        accepted += TileSheetUsable(b.data(), b.size());

        Bytes painted = base;
        for (int i = 0; i < 50; i++)
            painted[pixels + gen() % (painted.size() - pixels)] = (Uint8)gen();
        ASSERT_EQ(TileSheetUsable(painted.data(), painted.size()), 1) << "round " << round;
    }
    EXPECT_GT(accepted, 0) << "some spoilt copies keep a sound header";
    EXPECT_LT(accepted, 20000);
}

TEST(SheetFile, ReadWholeFileReadsToTheCapAndNoFurther)
{
    std::mt19937 gen(3);
    struct { const char *what; size_t size; bool read; } const cases[] = {
        {"empty", 0, true}, {"one byte", 1, true}, {"across the first buffer", 64 * 1024 + 1, true},
        {"the cap", SHEET_MAX_BYTES, true}, {"one over", SHEET_MAX_BYTES + 1, false},
        {"a megabyte over", SHEET_MAX_BYTES + 1024 * 1024, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Bytes content(c.size);
        for (auto &byte : content)
            byte = (Uint8)gen();
        const char *path = "read_whole_case.bin";
        std::ofstream(path, std::ios::binary).write((const char *)content.data(), (std::streamsize)content.size());
        size_t size = 12345;
        Uint8 *data = ReadWholeFile(path, &size);
        fs::remove(path);
        if (!c.read) {
            EXPECT_EQ(data, nullptr);
            continue;
        }
        ASSERT_NE(data, nullptr);
        ASSERT_EQ(size, c.size);
        EXPECT_TRUE(std::equal(content.begin(), content.end(), data));
        free(data);
    }
    size_t size = 0;
    EXPECT_EQ(ReadWholeFile("no-such-file.bmp", &size), nullptr);
}

} // namespace

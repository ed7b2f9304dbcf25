// Tile sheets of any depth a paint program saves, drawn on a desktop as the game's own.
#include "desktop_support.h"

using namespace desktoptest;
using namespace sheetwriter;

namespace {

TEST_F(Desktop, PureGreenIsTransparentAtAnyDepth)
{
    // Kind 0 of skin 0 is black in the pattern: here its middle is painted pure green and, next
    // to it, a green just short of pure; a palette sheet has its black entry made pure green.
    // Some exporters write an opaque 32-bit sheet with every alpha byte 0.
    const Sheet sheets[] = {Sheet().Bits(24), Sheet().Bits(32), Sheet().Bits(8).Palette(6),
                            Sheet().Bits(32).Masks({0xFF0000, 0xFF00, 0xFF, 0xFF000000}).Info(108)};
    fs::rename("tile.bmp", "tile.bmp.game");
    for (const Sheet &s : sheets) {
        SCOPED_TRACE(std::to_string(s.bits) + " bits, header " + std::to_string(s.info));
        Bytes b = Write(s);
        const size_t data = b[10] | b[11] << 8, row = ((size_t)s.width * s.bits + 31) / 32 * 4;
        for (size_t at = data + 3; s.masks.size() == 4 && at < b.size(); at += 4)
            b[at] = 0;
        if (s.bits == 8) {
            b[14 + 40 + 1] = 255; // blue, green, red, unused
        } else {
            for (int y = 10; y < 20; y++)
                for (int x = 10; x < 25; x++) {
                    Uint8 *p = &b[data + (size_t)(s.height - 1 - y) * row + (size_t)x * (s.bits / 8)];
                    p[0] = 0, p[1] = x < 20 ? 255 : 250, p[2] = 0;
                }
        }
        std::ofstream("tile.bmp", std::ios::binary).write((const char *)b.data(), (std::streamsize)b.size());
        SDL_Surface *sheet = PlatformFindSheet();
        ASSERT_NE(sheet, nullptr);
        SetTile(sheet);
        memset(table, 0, sizeof table);
        skin = 0;
        DrawPan();
        EXPECT_EQ(ScreenPixel(80 + 15, 1 + 15), 0xFFFF) << "pure green is transparent";
        if (s.bits != 8) {
            Uint16 nearly = ScreenPixel(80 + 22, 1 + 15);
            EXPECT_EQ(nearly & 0xF81F, 0) << "no red or blue";
            EXPECT_GT((nearly >> 5) & 63, 55) << "a green just short of pure stays green";
        }
    }
    // A sheet whose alpha channel is used keeps it.
    Sheet alpha = Sheet().Bits(32).Masks({0xFF0000, 0xFF00, 0xFF, 0xFF000000}).Info(124);
    Bytes b = Write(alpha);
    Put32(b, b[10] | b[11] << 8, 0x00FF0000);
    std::ofstream("tile.bmp", std::ios::binary).write((const char *)b.data(), (std::streamsize)b.size());
    SDL_Surface *sheet = PlatformFindSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->format->BitsPerPixel, 32);
    SDL_FreeSurface(sheet);
    // So does one whose alpha is partial everywhere, never 0 and never full.
    for (size_t at = (size_t)(b[10] | b[11] << 8) + 3; at < b.size(); at += 4)
        b[at] = 0x80;
    std::ofstream("tile.bmp", std::ios::binary).write((const char *)b.data(), (std::streamsize)b.size());
    sheet = PlatformFindSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->format->BitsPerPixel, 32);
    // ... and is drawn half over the board's white, black kind 0 a grey.
    SetTile(sheet);
    DrawPan();
    EXPECT_EQ(ScreenPixel(80 + 5, 1 + 5), _565(0x7F, 0x7F, 0x7F));
    // A 16-bit sheet of another layout is taken as it is.
    b = Write(Sheet().Masks({0xF800, 0x7E0, 0x1F}));
    std::ofstream("tile.bmp", std::ios::binary).write((const char *)b.data(), (std::streamsize)b.size());
    sheet = PlatformFindSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->format->Gmask, 0x7E0u);
    SDL_FreeSurface(sheet);
    fs::rename("tile.bmp.game", "tile.bmp");
}

TEST_F(Desktop, AnAlphaSheetStaysTransparentAfterALift)
{
    // 32 bits with an alpha channel: every cell's middle is a fully transparent red.
    Sheet s = Sheet().Bits(32).Masks({0xFF0000, 0xFF00, 0xFF, 0xFF000000}).Info(124);
    Bytes bytes = Write(s);
    const size_t pixels = bytes[10] | bytes[11] << 8;
    for (int y = 0; y < s.height; y++)
        for (int x = 0; x < s.width; x++)
            if (x % 34 >= 12 && x % 34 < 22 && y % 34 >= 12 && y % 34 < 22)
                Put32(bytes, pixels + 4 * ((size_t)(s.height - 1 - y) * s.width + x), 0x00FF0000);
    std::ofstream("alpha.bmp", std::ios::binary).write((const char *)bytes.data(), (std::streamsize)bytes.size());
    ASSERT_EQ(LoadTile("alpha.bmp"), 1);
    fs::remove("alpha.bmp");
    mx = 2;
    my = 5;
    for (int lifts = 0; lifts < 2; lifts++) {
        SET = 0;
        DrawPan();
        EXPECT_EQ(ScreenPixel(80 + 16, 1 + 16), 0xFFFF) << "after " << lifts << " lifts";
        EXPECT_NE(ScreenPixel(80 + 2, 1 + 5), 0xFFFF) << "the opaque rim";
        Uint16 whole = ScreenPixel(80 + 68 + 8, 1 + 170 + 8);
        SET = 1;
        DrawCursor();
        EXPECT_NE(ScreenPixel(80 + 68 + 8, 1 + 170 + 8), whole) << "the lifted tile is faded";
        EXPECT_EQ(ScreenPixel(80 + 68 + 16, 1 + 170 + 16), 0xFFFF) << "and still transparent";
    }
    SET = 0;
}

} // namespace

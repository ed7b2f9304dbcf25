// Drawing checked by the pixels on the real 320x240x16 screen: primitives, board, cursor, digits, menu.
#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "assets/assets.h"
#include "board/board.h"
#include "game/game.h"
#include "gfx/gfx.h"
#include "support.h"

namespace {

const Uint16 WHITE = 0xFFFF;
const Uint16 GREEN565 = 0x07E0; // what a key-green source pixel would become on screen

bool IsKey(SDL_Surface *sheet, int x, int y, Uint32 key)
{
    SDL_LockSurface(sheet);
    const Uint8 *at = (const Uint8 *)sheet->pixels + y * sheet->pitch + x * sheet->format->BytesPerPixel;
    Uint32 raw = 0;
    memcpy(&raw, at, sheet->format->BytesPerPixel);
    SDL_UnlockSurface(sheet);
    // Keys compare colour bits only: a 32-bit sheet may carry an alpha byte.
    return (raw & ~sheet->format->Amask) == key;
}

// Every pixel of a 34x34 screen cell against the sheet cell at (sx, sy): key pixels show
// `behind`, the others the sheet's own colour.
void ExpectCellFromSheet(SDL_Surface *sheet, int sx, int sy, int dx, int dy, Uint16 behind)
{
    for (int y = 0; y < 34; y++)
        for (int x = 0; x < 34; x++) {
            Uint16 expected = IsKey(sheet, sx + x, sy + y, 0x3E0) ? behind
                                                                  : SheetPixelOnScreen(sheet, sx + x, sy + y);
            ASSERT_EQ(ScreenPixel(dx + x, dy + y), expected) << "cell pixel " << x << "," << y;
        }
}

class Gfx : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetGameState();
        SDL_FillRect(screen, NULL, 0x1234);
    }
};

TEST(Colour, PacksByTruncation)
{
    struct { Uint8 r, g, b; Uint16 pixel; } cases[] = {
        {224, 224, 224, 0xE71C}, {255, 255, 255, 0xFFFF}, {255, 0, 0, 0xF800},
        {0, 255, 0, 0x07E0},     {0, 0, 255, 0x001F},     {7, 3, 7, 0x0000},
        {8, 4, 8, 0x0821},       {0, 0, 0, 0x0000},       {15, 7, 15, 0x0821},
    };
    for (const auto &c : cases)
        EXPECT_EQ(_565(c.r, c.g, c.b), c.pixel) << (int)c.r << "," << (int)c.g << "," << (int)c.b;
}

TEST_F(Gfx, FillClipsAndZeroSizeDrawsNothing)
{
    std::vector<Uint16> before = ScreenPixels();
    FillRec(screen, 10, 10, 0, 50, WHITE);
    FillRec(screen, 10, 10, 50, 0, WHITE);
    EXPECT_EQ(ScreenPixels(), before);

    // A rectangle reaching past the bottom right corner fills only what lies on screen.
    FillRec(screen, 300, 230, 100, 100, WHITE);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            ASSERT_EQ(ScreenPixel(x, y), (x >= 300 && y >= 230) ? WHITE : 0x1234) << x << "," << y;
}

TEST_F(Gfx, BlitClipsOnBothSurfaces)
{
    SDL_Surface *src = SDL_CreateRGBSurface(SDL_SWSURFACE, 20, 10, 16, 0xF800, 0x07E0, 0x001F, 0);
    ASSERT_NE(src, nullptr);
    SDL_FillRect(src, NULL, 0xF800);
    std::vector<Uint16> before = ScreenPixels();
    PutSurface(src, screen, 0, 0, 50, 50, 0, 10);
    PutSurface(src, screen, 0, 0, 50, 50, 10, 0);
    EXPECT_EQ(ScreenPixels(), before);

    // Partly off the left and top edges of the screen: only the visible part lands.
    PutSurface(src, screen, 0, 0, -5, -3, 20, 10);
    for (int y = 0; y < 12; y++)
        for (int x = 0; x < 20; x++)
            ASSERT_EQ(ScreenPixel(x, y), (x < 15 && y < 7) ? 0xF800 : 0x1234) << x << "," << y;

    // A source rectangle reaching past the source copies only what exists, in place.
    SDL_FillRect(screen, NULL, 0x1234);
    PutSurface(src, screen, 15, 5, 100, 100, 34, 34);
    for (int y = 95; y < 140; y++)
        for (int x = 95; x < 140; x++)
            ASSERT_EQ(ScreenPixel(x, y), (x >= 100 && x < 105 && y >= 100 && y < 105) ? 0xF800 : 0x1234)
                << x << "," << y;
    SDL_FreeSurface(src);
}

const Rows latin = {"0123456", "3456012", "6012345", "2345601", "5601234", "1234560", "4560123"};

TEST_F(Gfx, BoardDrawsTilesOfTheSkinAndMarkedCellsWhite)
{
    SetBoard(latin);
    same[0] = 2;                 // (0, 0) marked
    same[3 + 7 * 4] = 4;         // (3, 4) marked
    for (Uint8 s = 0; s < skinMax; s++) {
        skin = s;
        DrawPan();
        SaveScreen("board_skin" + std::to_string(s));
        for (int r = 0; r < 7; r++)
            for (int c = 0; c < 7; c++) {
                SCOPED_TRACE("skin " + std::to_string(s) + " cell " + std::to_string(c) + "," + std::to_string(r));
                int dx = 80 + 34 * c, dy = 1 + 34 * r;
                if (same[c + 7 * r]) {
                    for (int y = 0; y < 34; y++)
                        for (int x = 0; x < 34; x++)
                            ASSERT_EQ(ScreenPixel(dx + x, dy + y), WHITE);
                } else {
                    ExpectCellFromSheet(tile, 34 * table[c + 7 * r], 34 * s, dx, dy, WHITE);
                }
            }
    }
    // The strip right of the cells and the row below them show the white ground; the top
    // row of the board area is not the board's.
    for (int y = 1; y < 240; y++) {
        EXPECT_EQ(ScreenPixel(318, y), WHITE);
        EXPECT_EQ(ScreenPixel(319, y), WHITE);
    }
    for (int x = 80; x < 320; x++) {
        EXPECT_EQ(ScreenPixel(x, 239), WHITE);
        EXPECT_EQ(ScreenPixel(x, 0), 0x1234);
    }
}

TEST_F(Gfx, AllMarkedBoardIsOneWhiteArea)
{
    SetBoard(latin);
    memset(same, 2, sizeof same);
    DrawPan();
    for (int y = 1; y < 240; y++)
        for (int x = 80; x < 320; x++)
            ASSERT_EQ(ScreenPixel(x, y), WHITE) << x << "," << y;
}

TEST_F(Gfx, SkinBeyondTheSheetAndNarrowSheetDrawWhiteCells)
{
    SetBoard(latin);
    skin = skinMax; // one row past the last skin
    DrawPan();
    for (int y = 1; y < 240; y++)
        for (int x = 80; x < 320; x++)
            ASSERT_EQ(ScreenPixel(x, y), WHITE) << x << "," << y;

    // A sheet 100 pixels wide holds kinds 0 and 1 and a sliver of kind 2; the rest is clipped.
    SDL_Surface *saved = tile;
    SDL_Surface *narrow = SDL_CreateRGBSurface(SDL_SWSURFACE, 100, 34, 16, 0x7C00, 0x03E0, 0x001F, 0);
    ASSERT_NE(narrow, nullptr);
    SDL_FillRect(narrow, NULL, 0x001F);
    SDL_SetColorKey(narrow, SDL_SRCCOLORKEY, 0x3E0);
    tile = narrow;
    skin = 0;
    SetBoard({"0123456", "0123456", "0123456", "0123456", "0123456", "0123456", "0123456"});
    DrawPan();
    tile = saved;
    Uint16 blue = _565(0, 0, 255);
    for (int r = 0; r < 7; r++) {
        int y = 1 + 34 * r + 17;
        EXPECT_EQ(ScreenPixel(80 + 17, y), blue);
        EXPECT_EQ(ScreenPixel(80 + 34 + 17, y), blue);
        EXPECT_EQ(ScreenPixel(80 + 68 + 31, y), blue);  // x 99 of the sheet
        EXPECT_EQ(ScreenPixel(80 + 68 + 32, y), WHITE); // x 100: past the sheet
        for (int c = 3; c < 7; c++)
            EXPECT_EQ(ScreenPixel(80 + 34 * c + 17, y), WHITE);
    }
    SDL_FreeSurface(narrow);
    // A new sheet, perhaps where the freed one lay, draws itself and not the old one's copy.
    SDL_Surface *red = SDL_CreateRGBSurface(SDL_SWSURFACE, 100, 34, 16, 0x7C00, 0x03E0, 0x001F, 0);
    ASSERT_NE(red, nullptr);
    SDL_FillRect(red, NULL, 0x7C00);
    tile = red;
    DrawPan();
    tile = saved;
    EXPECT_EQ(ScreenPixel(80 + 17, 1 + 17), _565(255, 0, 0));
    SDL_FreeSurface(red);
}

TEST_F(Gfx, CursorCrawlsThroughFramesOneTwoThreeZero)
{
    SetBoard(latin);
    mx = 2; my = 5;
    const int expectedFrames[] = {1, 2, 3, 0, 1, 2, 3, 0};
    for (int f : expectedFrames) {
        DrawPan();
        DrawCursor();
        ASSERT_EQ(aniCursor, f);
        int dx = 80 + 34 * 2, dy = 1 + 34 * 5;
        for (int y = 0; y < 34; y++)
            for (int x = 0; x < 34; x++) {
                if (IsKey(image, 34 * f + x, y, 0x3E0))
                    continue;
                ASSERT_EQ(ScreenPixel(dx + x, dy + y), SheetPixelOnScreen(image, 34 * f + x, y))
                    << "frame " << f << " pixel " << x << "," << y;
            }
    }
    // The frames really differ, or the check above could not tell them apart.
    int differing = 0;
    for (int y = 0; y < 34; y++)
        for (int x = 0; x < 34; x++)
            differing += SheetPixelOnScreen(image, x, y) != SheetPixelOnScreen(image, 34 + x, y);
    EXPECT_GT(differing, 0);
}

TEST_F(Gfx, CursorInTheLastCellStaysInsideIt)
{
    SetBoard(latin);
    mx = 6; my = 6; SET = 1;
    DrawPan();
    std::vector<Uint16> before = ScreenPixels();
    DrawCursor();
    std::vector<Uint16> after = ScreenPixels();
    int minX = 320, minY = 240, maxX = -1, maxY = -1;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            if (before[y * 320 + x] != after[y * 320 + x]) {
                minX = std::min(minX, x); maxX = std::max(maxX, x);
                minY = std::min(minY, y); maxY = std::max(maxY, y);
            }
    EXPECT_GE(minX, 284);
    EXPECT_GE(minY, 205);
    EXPECT_LE(maxX, 284 + 33);
    EXPECT_LE(maxY, 205 + 33);
    // The frame's own outline lands on the cell's edges.
    for (int y = 0; y < 34; y++)
        for (int x = 0; x < 34; x++)
            if (!IsKey(image, 34 * aniCursor + x, y, 0x3E0)) {
                ASSERT_EQ(ScreenPixel(284 + x, 205 + y), SheetPixelOnScreen(image, 34 * aniCursor + x, y));
            }
}

// One 565 channel of a pixel, scaled to 0-255.
int Channel(Uint16 pixel, int which)
{
    Uint8 r, g, b;
    SDL_GetRGB(pixel, screen->format, &r, &g, &b);
    return which == 0 ? r : which == 1 ? g : b;
}

TEST_F(Gfx, LiftedTileIsFadedOverWhiteThenFullAgain)
{
    SetBoard(latin);
    mx = 1; my = 1; SET = 1;
    DrawPan();
    DrawCursor();
    SaveScreen("lifted_tile");
    int kind = table[1 + 7 * 1];
    int dx = 80 + 34, dy = 1 + 34;
    int faded = 0;
    for (int y = 0; y < 34; y++)
        for (int x = 0; x < 34; x++) {
            if (!IsKey(image, 34 * aniCursor + x, y, 0x3E0))
                continue; // under the cursor outline
            Uint16 shown = ScreenPixel(dx + x, dy + y);
            if (IsKey(tile, 34 * kind + x, y, 0x3E0)) {
                ASSERT_EQ(shown, WHITE) << x << "," << y;
                continue;
            }
            Uint16 full = SheetPixelOnScreen(tile, 34 * kind + x, y);
            for (int ch = 0; ch < 3; ch++) {
                // 150/255 of the tile over white, within the rounding of 5 and 6 bit channels.
                int expected = (Channel(full, ch) * 150 + 255 * 105) / 255;
                ASSERT_NEAR(Channel(shown, ch), expected, 9) << x << "," << y << " channel " << ch;
            }
            faded += shown != full;
        }
    EXPECT_GT(faded, 50) << "the lifted tile should look different from the full-strength one";

    DrawPan();
    ExpectCellFromSheet(tile, 34 * kind, 0, dx, dy, WHITE);
}

// The glyph of digit d drawn in cell k of the score field, cleared to white first.
void ExpectDigitCell(int k, int d, int fieldX, int fieldY)
{
    for (int y = 0; y < 13; y++)
        for (int x = 0; x < 10; x++) {
            Uint16 expected = IsKey(digit, 10 * d + x, y, 0xFF00) ? WHITE : SheetPixelOnScreen(digit, 10 * d + x, y);
            ASSERT_EQ(ScreenPixel(fieldX + 10 * k + x, fieldY + y), expected)
                << "cell " << k << " digit " << d << " pixel " << x << "," << y;
        }
}

void ExpectField(const char *shown, int fieldX = 5, int fieldY = 40)
{
    for (int k = 0; k < 7; k++)
        ExpectDigitCell(k, shown[k] - '0', fieldX, fieldY);
}

TEST_F(Gfx, DigitsShowTheLowestSevenDigitsRightAligned)
{
    struct { Uint32 value; const char *shown; } cases[] = {
        {0, "0000000"}, {1234, "0001234"}, {12345678, "2345678"}, {4294967295u, "4967295"},
        {9999999, "9999999"}, {1, "0000001"},  // the smaller value wipes out the larger one
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.shown);
        PutDigit(c.value, 7, 5, 40);
        ExpectField(c.shown);
        for (int y = 40; y < 53; y++)
            for (int x = 5; x < 75; x++)
                ASSERT_NE(ScreenPixel(x, y), GREEN565) << "key green reached the screen at " << x << "," << y;
    }
    score = 305;
    DrawScore();
    ExpectField("0000305");
    SaveScreen("digits");
}

TEST_F(Gfx, ZeroCellsDrawNothing)
{
    std::vector<Uint16> before = ScreenPixels();
    PutDigit(123, 0, 5, 40);
    EXPECT_EQ(ScreenPixels(), before);
}

TEST_F(Gfx, DigitBackgroundZeroKeepsTheOneInForce)
{
    SetDigitBack(0);
    EXPECT_EQ(_dig_back, 0xFFFFFFu);
    PutDigit(42, 7, 5, 40);
    ExpectField("0000042");
}

// The menu rows on screen against the sheet: highlighted row from the right half.
void ExpectMenu(int highlighted, int rows = 80)
{
    for (int y = 0; y < rows; y++)
        for (int x = 0; x < 80; x++) {
            int sx = (y / 20 == highlighted) ? 80 + x : x;
            ASSERT_EQ(ScreenPixel(x, 150 + y), SheetPixelOnScreen(menu, sx, y))
                << "highlight " << highlighted << " pixel " << x << "," << y;
        }
}

TEST_F(Gfx, MenuHighlightsTheSelectedItemOnly)
{
    isMenu = 1;
    for (int item = 0; item < 4; item++) {
        _currMenu = (Uint8)item;
        ShowMenu(1);
        ExpectMenu(item);
        if (item == 1)
            SaveScreen("menu_new_game");
    }
    ShowMenu(0);
    ExpectMenu(-1);
    // The two halves differ on every item, or the checks above prove nothing.
    for (int item = 0; item < 4; item++) {
        int differing = 0;
        for (int y = 20 * item; y < 20 * item + 20; y++)
            for (int x = 0; x < 80; x++)
                differing += SheetPixelOnScreen(menu, x, y) != SheetPixelOnScreen(menu, 80 + x, y);
        EXPECT_GT(differing, 20) << "item " << item;
    }
}

TEST_F(Gfx, MenuSelectionWrapsAndMovesOnlyWhileOpen)
{
    isMenu = 1;
    _currMenu = 0;
    MenuItemUP();
    EXPECT_EQ(_currMenu, 3);
    MenuItemDOWN();
    EXPECT_EQ(_currMenu, 0);
    MenuItemDOWN();
    MenuItemDOWN();
    EXPECT_EQ(_currMenu, 2);

    isMenu = 0;
    MenuItemUP();
    MenuItemDOWN();
    MenuItemDOWN();
    EXPECT_EQ(_currMenu, 2);
}

TEST_F(Gfx, InitMenuIsIgnoredWhileOpenAndReplacesTheSheetOtherwise)
{
    SDL_Surface *sheet = menu;
    SDL_Rect place = _menu, item = _item;
    isMenu = 1;
    InitMenu(iMenu, iMenu_size, 40, 10, 1, 0, 10);
    EXPECT_EQ(menu, sheet);
    EXPECT_EQ(_menu.x, place.x);
    EXPECT_EQ(_item.h, item.h);
    EXPECT_EQ(menuMax, 4);

    // One item: both moves keep the selection on it.
    isMenu = 0;
    InitMenu(iMenu, iMenu_size, 0, 150, 1, 0, 20);
    EXPECT_EQ(menuMax, 1);
    isMenu = 1;
    _currMenu = 0;
    MenuItemUP();
    EXPECT_EQ(_currMenu, 0);
    MenuItemDOWN();
    EXPECT_EQ(_currMenu, 0);

    isMenu = 0;
    InitMenu(iMenu, iMenu_size, 0, 150, 4, 0, 20);
    EXPECT_EQ(menuMax, 4);
    EXPECT_EQ(_menu.w, 80);
    EXPECT_EQ(_menu.h, 80);
    EXPECT_EQ(_item.w, 80);
    EXPECT_EQ(_item.h, 20);
}

TEST_F(Gfx, NewGameScreen)
{
    skin = (Uint8)(skinMax - 1);
    SET = 1; setX = 5; setY = 0;
    score = 777;
    _gameOver = 1;
    Start();
    Picture();
    SaveScreen("new_game");

    EXPECT_EQ(mx, 3);
    EXPECT_EQ(my, 3);
    EXPECT_EQ(score, 0u);
    EXPECT_EQ(_gameOver, 0);
    // The lift and the skin carry over.
    EXPECT_EQ(SET, 1);
    EXPECT_EQ(setX, 5);
    EXPECT_EQ(setY, 0);
    EXPECT_EQ(skin, skinMax - 1);
    EXPECT_FALSE(HasRun(table));
    for (Uint8 m : same)
        EXPECT_EQ(m, 0);

    // Side panel: the swatch repeated, wherever nothing else is drawn.
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 80; x++) {
            // Title, score field, menu and credit label.
            bool covered = (y < 40) || (y >= 40 && y < 53 && x >= 5 && x < 75) || (y >= 150 && y < 230) ||
                           (y >= 229 && y < 239 && x >= 14 && x < 64) || (!consolePictures && y >= 60 && y < 84);
            if (!covered) {
                ASSERT_EQ(ScreenPixel(x, y), SheetPixelOnScreen(image, 136 + x % 5, y % 5)) << x << "," << y;
            }
        }
    for (int x = 80; x < 320; x++)
        EXPECT_EQ(ScreenPixel(x, 0), 0xE71C) << "top row of the board area at " << x;
    for (int y = 0; y < 40; y++)
        for (int x = 0; x < 80; x++)
            ASSERT_EQ(ScreenPixel(x, y), SheetPixelOnScreen(title, x, y)) << x << "," << y;
    ExpectField("0000000");
    ExpectMenu(-1, 79); // the credit label is drawn over the menu's last row
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < 50; x++)
            if (!IsKey(Wexa, x, y, 0xFF00)) {
                ASSERT_EQ(ScreenPixel(14 + x, 229 + y), SheetPixelOnScreen(Wexa, x, y)) << x << "," << y;
            }
    for (int r = 0; r < 7; r++)
        for (int c = 0; c < 7; c++)
            if (consolePictures || c != 3 || r != 3) // a desktop's frame has the cursor there already
                ExpectCellFromSheet(tile, 34 * table[c + 7 * r], 34 * skin, 80 + 34 * c, 1 + 34 * r, WHITE);

    // The cursor goes on the centre cell.
    DrawCursor();
    for (int y = 0; y < 34; y++)
        for (int x = 0; x < 34; x++)
            if (!IsKey(image, 34 * aniCursor + x, y, 0x3E0)) {
                ASSERT_EQ(ScreenPixel(182 + x, 103 + y), SheetPixelOnScreen(image, 34 * aniCursor + x, y));
            }
}

} // namespace

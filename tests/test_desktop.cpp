// The desktop's own host layer: the window's scale, a pad, the mouse, and sheets of any depth.
#include <gtest/gtest.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/app.h"
#include "board/board.h"
#include "desktop/desktop.h"
#include "gfx/gfx.h"
#include "harness.h"
#include "input/input.h"
#include "sheet_writer.h"
#include "sound/sound.h"
#include "support.h"

namespace {

namespace fs = std::filesystem;
using namespace sheetwriter;

const Rows latin = {"0123456", "3456012", "6012345", "2345601", "5601234", "1234560", "4560123"};

class Desktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetGameState();
        SetBoard(latin);
    }
    void TearDown() override
    {
        // A tick the timer posted meanwhile would otherwise reach the next test.
        StopTick();
        SDL_Event stale;
        while (SDL_PollEvent(&stale)) {
        }
        // The game's own sheet back, keyed as Init keys it, for the tests that follow.
        if (fs::exists("tile.bmp.game"))
            fs::rename("tile.bmp.game", "tile.bmp");
        ASSERT_EQ(LoadTile("tile.bmp"), 1);
        ResetGameState();
    }

    static void Handle(SDL_Event event) { HandleEvent(&event); }
    static void Click(int x, int y, Uint8 button = SDL_BUTTON_LEFT)
    {
        SDL_Event event;
        memset(&event, 0, sizeof event);
        event.type = SDL_MOUSEBUTTONDOWN;
        event.button.button = button;
        event.button.x = (Uint16)x;
        event.button.y = (Uint16)y;
        HandleEvent(&event);
        event.type = SDL_MOUSEBUTTONUP;
        HandleEvent(&event);
    }
    static void ClickCell(int column, int row, Uint8 button = SDL_BUTTON_LEFT)
    {
        Click(80 + 34 * column + 5, 1 + 34 * row + 30, button);
    }
};

TEST(DesktopWindow, ScaleIsTheLargestWholeNumberThatFits)
{
    struct { int w, h, scale; } const cases[] = {
        {320, 240, 1}, {640, 480, 1}, {800, 600, 2}, {1024, 768, 2}, {1366, 768, 2},
        {1920, 1080, 4}, {2560, 1440, 5}, {3840, 2160, 8}, {200, 100, 1}, {5000, 300, 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PlatformWindowScale(c.w, c.h), c.scale) << c.w << "x" << c.h;
}

// A desktop pad: its events come from joystick 0, not from the host layer.
SDL_Event PadEvent(Uint8 type, Uint8 number, Sint16 value = 0)
{
    SDL_Event event;
    memset(&event, 0, sizeof event);
    event.type = type;
    if (type == SDL_JOYHATMOTION) {
        event.jhat.value = (Uint8)value;
    } else if (type == SDL_JOYAXISMOTION) {
        event.jaxis.axis = number;
        event.jaxis.value = value;
    } else {
        event.jbutton.button = number;
        event.jbutton.state = type == SDL_JOYBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    }
    return event;
}

TEST_F(Desktop, APadsButtonsHatAndStickAreTheConsolesButtons)
{
    struct {
        Uint8 pad;
        Uint8 *flag;
    } const buttons[] = {{0, &isBkey}, {1, &isXkey}, {4, &isLkey}, {5, &isRkey}, {6, &isSelectKey}};
    for (const auto &b : buttons) {
        SCOPED_TRACE("pad button " + std::to_string(b.pad));
        Handle(PadEvent(SDL_JOYBUTTONDOWN, b.pad));
        EXPECT_EQ(*b.flag, 1);
        EXPECT_EQ(isUPkey, 0) << "the console's numbers are not a pad's";
        Handle(PadEvent(SDL_JOYBUTTONUP, b.pad));
        TickSawButtons();
        EXPECT_EQ(*b.flag, 0);
    }
    Handle(PadEvent(SDL_JOYBUTTONDOWN, 7));
    EXPECT_EQ(isMenu, 1) << "start";
    Handle(PadEvent(SDL_JOYBUTTONUP, 7));

    // The hat: a diagonal holds two straight directions, which the 4-way mode makes a diagonal step.
    Handle(PadEvent(SDL_JOYHATMOTION, 0, SDL_HAT_UP));
    EXPECT_EQ(isUPkey, 1);
    Handle(PadEvent(SDL_JOYHATMOTION, 0, SDL_HAT_RIGHTUP));
    EXPECT_EQ(isRIGHTkey, 1);
    EXPECT_EQ(moveX, 1);
    EXPECT_EQ(moveY, -1);
    Handle(PadEvent(SDL_JOYHATMOTION, 0, SDL_HAT_DOWN));
    TickSawButtons();
    EXPECT_EQ(isUPkey, 0);
    EXPECT_EQ(isRIGHTkey, 0);
    EXPECT_EQ(isDOWNkey, 1);
    Handle(PadEvent(SDL_JOYHATMOTION, 0, SDL_HAT_CENTERED));
    TickSawButtons();
    EXPECT_EQ(isDOWNkey, 0);
    EXPECT_EQ(moveY, 0);

    // The first stick, with a dead zone that presses late and lets go early.
    const struct {
        Uint8 axis;
        Sint16 value;
        Uint8 left, right, up, down;
    } stick[] = {
        {0, 9000, 0, 0, 0, 0},   {0, 20000, 0, 1, 0, 0},  {0, 12000, 0, 1, 0, 0},
        {0, 5000, 0, 0, 0, 0},   {0, -32768, 1, 0, 0, 0}, {1, 32767, 1, 0, 0, 1},
        {0, 0, 0, 0, 0, 1},      {1, -20000, 0, 0, 1, 0}, {1, 0, 0, 0, 0, 0},
        {2, 32767, 0, 0, 0, 0},
    };
    for (const auto &m : stick) {
        SCOPED_TRACE("axis " + std::to_string(m.axis) + " at " + std::to_string(m.value));
        Handle(PadEvent(SDL_JOYAXISMOTION, m.axis, m.value));
        TickSawButtons();
        EXPECT_EQ(isLEFTkey, m.left);
        EXPECT_EQ(isRIGHTkey, m.right);
        EXPECT_EQ(isUPkey, m.up);
        EXPECT_EQ(isDOWNkey, m.down);
    }

    // Hat and stick holding one direction: it is let go when both have let go.
    Handle(PadEvent(SDL_JOYAXISMOTION, 0, 30000));
    Handle(PadEvent(SDL_JOYHATMOTION, 0, SDL_HAT_RIGHT));
    Handle(PadEvent(SDL_JOYAXISMOTION, 0, 0));
    TickSawButtons();
    EXPECT_EQ(isRIGHTkey, 1);
    Handle(PadEvent(SDL_JOYHATMOTION, 0, SDL_HAT_CENTERED));
    TickSawButtons();
    EXPECT_EQ(isRIGHTkey, 0);
}

TEST_F(Desktop, ClicksLiftSwapAndChooseOneTickAtATime)
{
    // (2, 4) moved to (3, 3) completes the 3s of row 3: a diagonal swap.
    SetBoard({"0123456", "3456012", "6012345", "2345331", "5631234", "1234560", "4560123"});
    ClickCell(2, 4);
    ClickCell(3, 3); // faster than a tick: it waits for the lift to be seen
    EXPECT_EQ(mx, 2);
    EXPECT_EQ(my, 4);
    RunTick();
    EXPECT_EQ(SET, 1);
    EXPECT_EQ(setX, 2);
    RunTick();
    EXPECT_EQ(SET, 0);
    EXPECT_EQ(mx, 3);
    EXPECT_EQ(my, 3);
    EXPECT_GE(score, 30u);

    // A click on the lifted tile, or a right click, puts it down; elsewhere it lifts anew.
    isMenu = 0; // the refill may have left no move
    SetBoard(latin);
    ClickCell(0, 0);
    RunTick();
    ASSERT_EQ(SET, 1);
    ClickCell(0, 0);
    RunTick();
    EXPECT_EQ(SET, 0);
    ClickCell(5, 6);
    RunTick();
    ClickCell(1, 1);
    RunTick();
    EXPECT_EQ(SET, 1);
    EXPECT_EQ(setX, 1);
    EXPECT_EQ(setY, 1);
    ClickCell(4, 4, SDL_BUTTON_RIGHT);
    RunTick();
    EXPECT_EQ(SET, 0);
    EXPECT_EQ(soundsPlayed[2], 2) << "put down with the cancel sound, as X does";

    // The menu: a click on its labels opens it, a click on an item chooses it.
    Click(40, 215);
    EXPECT_EQ(isMenu, 1);
    score = 70;
    Click(40, 150 + 20 + 10);
    RunTick();
    EXPECT_EQ(isMenu, 1) << "the opening click's tick comes first";
    RunTick();
    EXPECT_EQ(_currMenu, 1);
    EXPECT_EQ(isMenu, 0);
    EXPECT_EQ(score, 0u) << "new game";
}

TEST_F(Desktop, PureGreenIsTransparentAtAnyDepth)
{
    // Kind 0 of skin 0 is black in the pattern: here its middle is painted pure green and, next
    // to it, a green just short of pure; a palette sheet has its black entry made pure green.
    const Sheet sheets[] = {Sheet().Bits(24), Sheet().Bits(32), Sheet().Bits(8).Palette(6)};
    fs::rename("tile.bmp", "tile.bmp.game");
    for (const Sheet &s : sheets) {
        SCOPED_TRACE(std::to_string(s.bits) + " bits");
        Bytes b = Write(s);
        const size_t data = b[10] | b[11] << 8, row = ((size_t)s.width * s.bits + 31) / 32 * 4;
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
        SET = 1;
        DrawCursor();
    }
    SET = 0;
}

} // namespace

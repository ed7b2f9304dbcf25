// The desktop's own host layer: the window's scale, a pad, the mouse, sheets of any depth, the high scores.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <pwd.h>
#include <signal.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "board/board.h"
#include "desktop/desktop.h"
#include "game/desktop/features.h"
#include "game/desktop/scores.h"
#include "game/game.h"
#include "gfx/gfx.h"
#include "harness.h"
#include "input/input.h"
#include "sheet_writer.h"
#include "sound/sound.h"
#include "support.h"

// The rooms' own variables that only tests set: kept out of the game's headers.
extern Uint8 firstStartChecked; // the features' first step has looked for the data folder
extern Uint32 hostClockSet;     // what the host's clock reads instead of SDL's, when not 0

namespace {

namespace fs = std::filesystem;
using namespace sheetwriter;

const Rows latin = {"0123456", "3456012", "6012345", "2345601", "5601234", "1234560", "4560123"};

class Desktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        Reset();
        SetBoard(latin);
    }
    static void Reset()
    {
        ResetGameState();
        pressesActAtOnce = 1; // as the desktop's host layer sets it
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
        hostClockSet = 0;
    }

    static void Handle(SDL_Event event) { HandleEvent(&event); }
    static void Key(Uint8 type, SDLKey key) { Handle(KeyEvent(type, key)); }
    // One tick at `at` on the host's clock, which the key repeat reads: time without waiting.
    static void TickAt(Uint32 at)
    {
        hostClockSet = at;
        RunTick();
    }
    // Ticks at each time in turn; after each the cursor must stand where it says.
    struct CursorAt {
        Uint32 at;
        Sint16 x, y;
    };
    template <size_t N> static void ExpectCursorAlong(const CursorAt (&ticks)[N], Uint32 from)
    {
        for (const CursorAt &t : ticks) {
            TickAt(t.at);
            EXPECT_EQ(mx, t.x) << "at " << t.at - from << " ms";
            EXPECT_EQ(my, t.y) << "at " << t.at - from << " ms";
        }
    }
    static void Mouse(Uint8 type, int x, int y, Uint8 button = SDL_BUTTON_LEFT)
    {
        SDL_Event event;
        memset(&event, 0, sizeof event);
        event.type = type;
        event.button.button = button;
        event.button.x = (Uint16)x;
        event.button.y = (Uint16)y;
        HandleEvent(&event);
    }
    static void Click(int x, int y, Uint8 button = SDL_BUTTON_LEFT)
    {
        Mouse(SDL_MOUSEBUTTONDOWN, x, y, button);
        Mouse(SDL_MOUSEBUTTONUP, x, y, button);
    }
    static void ClickCell(int column, int row, Uint8 button = SDL_BUTTON_LEFT)
    {
        Click(80 + 34 * column + 5, 1 + 34 * row + 30, button);
    }
    static void PressCell(int column, int row) { Mouse(SDL_MOUSEBUTTONDOWN, 80 + 34 * column + 17, 1 + 34 * row + 17); }
    static void ReleaseCell(int column, int row) { Mouse(SDL_MOUSEBUTTONUP, 80 + 34 * column + 3, 1 + 34 * row + 31); }
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
    pressesActAtOnce = 0; // what each control stands for, with no step to take the presses
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

TEST_F(Desktop, AKeyStepsOncePerPressThenRepeatsFrom250MsOnEveryTick)
{
    // Taps as a finger makes them, within one tick and across two: one step each.
    hostClockSet = 930;
    Key(SDL_KEYDOWN, SDLK_RIGHT);
    Key(SDL_KEYUP, SDLK_RIGHT);
    TickAt(1000);
    EXPECT_EQ(mx, 4);
    hostClockSet = 1050;
    Key(SDL_KEYDOWN, SDLK_RIGHT);
    TickAt(1070);
    TickAt(1140);
    Key(SDL_KEYUP, SDLK_RIGHT);
    TickAt(1210);
    EXPECT_EQ(mx, 5) << "a tap of two ticks";

    // Held: a step, nothing more until 250 ms after the press, then a step every tick.
    hostClockSet = 2000;
    Key(SDL_KEYDOWN, SDLK_DOWN);
    const CursorAt held[] = {{2000, 5, 4}, {2070, 5, 4}, {2140, 5, 4}, {2249, 5, 4},
                             {2250, 5, 5}, {2251, 5, 6}, {2320, 5, 0}};
    ExpectCursorAlong(held, 2000);
    Key(SDL_KEYUP, SDLK_DOWN);
    TickAt(2390);
    EXPECT_EQ(my, 0);
    EXPECT_EQ(mx, 5);

    // In the open menu a held direction moves the selection once: not again once the delay
    // has passed, nor at another press.
    isMenu = 1;
    hostClockSet = 3000;
    Key(SDL_KEYDOWN, SDLK_DOWN);
    TickAt(3000);
    EXPECT_EQ(_currMenu, 1);
    TickAt(3300);
    Key(SDL_KEYDOWN, SDLK_a);
    Key(SDL_KEYUP, SDLK_a);
    TickAt(3370);
    EXPECT_EQ(_currMenu, 1);
    Key(SDL_KEYUP, SDLK_DOWN);
    isMenu = 0;

    // A direction given back is a press, and a press while a volume key is down steps the
    // volume again: the repeat waits for the volume key to be let go.
    const Sint8 volume = _VOLUME;
    _VOLUME = 50;
    hostClockSet = 4000;
    Key(SDL_KEYDOWN, SDLK_LEFT);
    Key(SDL_KEYDOWN, SDLK_EQUALS);
    TickAt(4000);
    TickAt(4300);
    EXPECT_EQ(_VOLUME, 60);
    EXPECT_EQ(mx, 4);
    Key(SDL_KEYUP, SDLK_EQUALS);
    TickAt(4370);
    EXPECT_EQ(mx, 3);
    Key(SDL_KEYUP, SDLK_LEFT);
    _VOLUME = volume;
    ApplyVolume();
}

TEST_F(Desktop, TwoHeldDirectionsRepeatDiagonallyAndAnotherPressStepsAtOnce)
{
    hostClockSet = 1000;
    Key(SDL_KEYDOWN, SDLK_UP);
    Key(SDL_KEYDOWN, SDLK_RIGHT);
    const CursorAt both[] = {{1000, 4, 2}, {1200, 4, 2}, {1250, 5, 1}, {1320, 6, 0}};
    ExpectCursorAlong(both, 1000);
    Key(SDL_KEYUP, SDLK_UP);
    Key(SDL_KEYUP, SDLK_RIGHT);

    // Down pressed while left waits out its delay steps alone at once, and the two then repeat
    // together, 250 ms after the later press.
    hostClockSet = 2000;
    Key(SDL_KEYDOWN, SDLK_LEFT);
    TickAt(2000);
    hostClockSet = 2100;
    Key(SDL_KEYDOWN, SDLK_DOWN);
    const CursorAt later[] = {{2140, 5, 1}, {2280, 5, 1}, {2349, 5, 1}, {2350, 4, 2}, {2420, 3, 3}};
    ExpectCursorAlong(later, 2000);
    Key(SDL_KEYUP, SDLK_LEFT);
    Key(SDL_KEYUP, SDLK_DOWN);
}

TEST_F(Desktop, ThePadsHatRepeatsAsTheKeysDo)
{
    hostClockSet = 1000;
    Handle(PadEvent(SDL_JOYHATMOTION, 0, SDL_HAT_UP));
    const CursorAt held[] = {{1000, 3, 2}, {1100, 3, 2}, {1249, 3, 2}, {1250, 3, 1}, {1320, 3, 0}};
    ExpectCursorAlong(held, 1000);
    // The key held too is no new press: the direction goes on repeating while either holds it.
    Key(SDL_KEYDOWN, SDLK_UP);
    TickAt(1390);
    EXPECT_EQ(my, 6);
    Handle(PadEvent(SDL_JOYHATMOTION, 0, SDL_HAT_CENTERED));
    TickAt(1460);
    EXPECT_EQ(my, 5);
    Key(SDL_KEYUP, SDLK_UP);
    TickAt(1530);
    EXPECT_EQ(my, 5);
    EXPECT_EQ(mx, 3);
}

TEST_F(Desktop, ClicksLiftSwapAndChooseAsTheyCome)
{
    // (2, 4) moved to (3, 3) completes the 3s of row 3: a diagonal swap.
    SetBoard({"0123456", "3456012", "6012345", "2345331", "5631234", "1234560", "4560123"});
    ClickCell(2, 4);
    EXPECT_EQ(SET, 1);
    EXPECT_EQ(setX * 10 + setY, 24);
    ClickCell(3, 3);
    EXPECT_EQ(SET, 0);
    EXPECT_EQ(mx * 10 + my, 33);
    EXPECT_GE(score, 30u);

    // A click on the lifted tile, or a right click, puts it down; elsewhere it lifts anew.
    isMenu = 0; // the refill may have left no move
    SetBoard(latin);
    ClickCell(0, 0);
    ASSERT_EQ(SET, 1);
    ClickCell(0, 0);
    EXPECT_EQ(SET, 0);
    ClickCell(5, 6);
    ClickCell(1, 1);
    EXPECT_EQ(SET, 1);
    EXPECT_EQ(setX * 10 + setY, 11);
    ClickCell(4, 4, SDL_BUTTON_RIGHT);
    EXPECT_EQ(SET, 0);
    EXPECT_EQ(soundsPlayed[2], 2) << "put down with the cancel sound, as X does";

    // An arrow key held, a tile lifted, and a click on a tile that is no neighbour: the click
    // lifts that tile, and takes no step of the arrow along into a swap.
    hostClockSet = 1000;
    Key(SDL_KEYDOWN, SDLK_RIGHT);
    ClickCell(1, 1);
    ClickCell(5, 5);
    EXPECT_EQ(SET, 1);
    EXPECT_EQ(setX * 10 + setY, 55);
    EXPECT_EQ(mx * 10 + my, 55);
    EXPECT_EQ(BoardRows(), latin);
    Key(SDL_KEYUP, SDLK_RIGHT);

    // The menu: a click on its labels opens it, a click on an item chooses it.
    Click(40, 215);
    EXPECT_EQ(isMenu, 1);
    score = 70;
    Click(40, 150 + 20 + 10);
    EXPECT_EQ(_currMenu, 1);
    EXPECT_EQ(isMenu, 0);
    EXPECT_EQ(score, 0u) << "new game";
}

TEST_F(Desktop, ATileDraggedOntoANeighbourSwapsWithIt)
{
    // (2, 4) and (3, 3) swapped complete the 3s of row 3: dragged either way, diagonally.
    const Rows board = {"0123456", "3456012", "6012345", "2345331", "5631234", "1234560", "4560123"};
    for (int lifted = 0; lifted <= 1; lifted++)
        for (int ticks = 0; ticks <= 1; ticks++) {
            SCOPED_TRACE(std::string(lifted ? "lifted already" : "not lifted") + ", let go after " +
                         std::to_string(ticks) + " ticks");
            Reset();
            SetBoard(board);
            if (lifted) {
                ClickCell(2, 4);
                RunTick();
                ASSERT_EQ(SET, 1);
            }
            PressCell(lifted ? 2 : 3, lifted ? 4 : 3);
            for (int i = 0; i < ticks; i++)
                RunTick();
            ReleaseCell(lifted ? 3 : 2, lifted ? 3 : 4);
            for (int i = 0; i < 3; i++)
                RunTick();
            EXPECT_EQ(SET, 0);
            EXPECT_GE(score, 30u);
        }

    // Let go far off, nothing more; on the pressed tile, a click; a press on the lifted tile
    // let go off its neighbours puts it down; a press that swaps leaves its release nothing.
    Reset();
    SetBoard(latin);
    PressCell(2, 4);
    ReleaseCell(5, 0);
    RunTick();
    RunTick();
    EXPECT_EQ(SET, 1);
    EXPECT_EQ(setX * 10 + setY, 24);
    PressCell(2, 4);
    Mouse(SDL_MOUSEBUTTONUP, 318, 150); // beside the board
    RunTick();
    EXPECT_EQ(SET, 0);
    EXPECT_EQ(soundsPlayed[3], 0) << "no swap";
    ClickCell(2, 4);
    RunTick();
    PressCell(3, 4); // no run: swapped and undone
    ReleaseCell(4, 4);
    for (int i = 0; i < 3; i++)
        RunTick();
    EXPECT_EQ(SET, 0);
    EXPECT_EQ(soundsPlayed[3], 1);
    EXPECT_EQ(BoardRows(), latin);
}

TEST_F(Desktop, ClicksThatCanTapNothingDoNothing)
{
    // The menu opened by a click; the wheel turns, the middle and right buttons click with
    // nothing lifted, and the left one beside the board, over and over; then a click chooses
    // new game.
    Click(40, 215);
    ASSERT_EQ(isMenu, 1);
    for (int i = 0; i < 10; i++) {
        for (Uint8 button : {SDL_BUTTON_WHEELUP, SDL_BUTTON_WHEELDOWN, SDL_BUTTON_MIDDLE, SDL_BUTTON_RIGHT})
            Click(200, 100, button);
        Click(10, 10);
    }
    EXPECT_EQ(_currMenu, 0);
    score = 70;
    Click(40, 150 + 20 + 10);
    EXPECT_EQ(isMenu, 0);
    EXPECT_EQ(score, 0u) << "new game";

    // Right after a lift, a right click puts the tile down.
    ClickCell(1, 1);
    EXPECT_EQ(SET, 1);
    ClickCell(1, 1, SDL_BUTTON_RIGHT);
    EXPECT_EQ(SET, 0);

    // The last pixel columns of the picture, right of column 6, hold no tile.
    for (int x : {318, 319}) {
        Click(x, 100);
        EXPECT_EQ(SET, 0) << x;
    }
    Click(317, 100);
    EXPECT_EQ(SET, 1);
    EXPECT_EQ(setX, 6);
}

TEST_F(Desktop, QuickClicksEachActAsTheyCome)
{
    // Twelve clicks between two ticks, each lifting a tile apart from the last: none waits.
    const int cells[12][2] = {{0, 0}, {2, 0}, {4, 0}, {6, 0}, {0, 2}, {2, 2},
                              {4, 2}, {6, 2}, {0, 4}, {2, 4}, {4, 4}, {6, 4}};
    for (const auto &c : cells) {
        ClickCell(c[0], c[1]);
        EXPECT_EQ(SET, 1);
        EXPECT_EQ(setX * 10 + setY, c[0] * 10 + c[1]);
    }
}

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

// ---------------------------------------------------------------------------------------------
// What a desktop player sees and hears beyond the console: each clearing step, game over said,
// the cards over the board, the volume. Each test keeps the player's data in a folder of its own.

class DesktopPlay : public Desktop {
protected:
    void SetUp() override
    {
        Desktop::SetUp();
        was_ = getenv("XDG_DATA_HOME");
        data_ = fs::current_path() / (std::string("play-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(data_);
        fs::create_directories(data_ / "sevenfold");
        setenv("XDG_DATA_HOME", data_.c_str(), 1);
    }
    void TearDown() override
    {
        cardShown = CARD_NONE;
        ShowFinish();
        showInMotion = 0;
        setenv("XDG_DATA_HOME", was_.c_str(), 1);
        fs::remove_all(data_);
        Desktop::TearDown();
    }
    static void Tap(SDLKey key)
    {
        Key(SDL_KEYDOWN, key);
        Key(SDL_KEYUP, key);
    }
    // Every pixel of a rectangle of the screen equals the same rectangle of a picture drawn at (x, y).
    static bool Shows(SDL_Surface *picture, int sx, int sy, int x, int y, int w, int h)
    {
        for (int j = 0; j < h; j++)
            for (int i = 0; i < w; i++) {
                Uint16 want = SheetPixelOnScreen(picture, sx + i, sy + j);
                bool key = (SDL_LockSurface(picture), ((Uint16 *)picture->pixels)[(sy + j) * picture->pitch / 2 + sx + i] == 0x3E0);
                SDL_UnlockSurface(picture);
                if (!key && ScreenPixel(x + i, y + j) != want)
                    return false;
            }
        return true;
    }
    fs::path data_;
    std::string was_;
};

// A lift at (1, 2) and a step right clear the 3s of row 2; the seed gives cascades after it.
const Rows runsInRow2 = {"0123456", "3456012", "6101145", "2345601", "5601234", "1234560", "4560123"};

TEST_F(DesktopPlay, AMovePlaysOutInMotionWhileTheKeysActAtOnce)
{
    SetBoard(runsInRow2);
    const unsigned seed = FindSeed(table, 1 + 7 * 2, 2 + 7 * 2, [](const MoveOutcome &o) { return o.steps.size() >= 2 && !o.gameOver; });
    ASSERT_NE(seed, 0u);
    const MoveOutcome expected = SimulateMove(table, 1 + 7 * 2, 2 + 7 * 2, seed);
    // The board after the swap, every tile at full strength: while the first runs show, the
    // picture differs from it in the runs' cells only, where their tiles still show, faded.
    std::swap(table[1 + 7 * 2], table[2 + 7 * 2]);
    DrawPan();
    const std::vector<Uint16> swapped = ScreenPixels();
    const RunReport runs = FindRuns(table);
    SetBoard(runsInRow2);

    showInMotion = 1;
    hostClockSet = 1000;
    mx = 1; my = 2;
    Tap(SDLK_SPACE);
    srand(seed);
    Tap(SDLK_RIGHT);
    EXPECT_EQ(soundsPlayed[3], 1) << "the move sound as the swap starts";
    EXPECT_EQ(score, expected.points) << "the rules are done at once, the show plays their record";
    EXPECT_EQ(BoardRows(), BoardRows(expected.board));
    auto frameAt = [](Uint32 ms) { hostClockSet = 1000 + ms; return FeaturesFrame(); };
    frameAt(160);
    const std::vector<Uint16> faded = ScreenPixels();
    EXPECT_EQ(soundsPlayed[1], 0);
    for (int cell = 0; cell < 49; cell++) {
        int differing = 0, white = 0;
        for (int y = 0; y < 34; y++)
            for (int x = 0; x < 34; x++) {
                size_t at = (size_t)((1 + 34 * (cell / 7) + y) * 320 + 80 + 34 * (cell % 7) + x);
                differing += faded[at] != swapped[at];
                white += faded[at] == 0xFFFF;
            }
        if (cell == 2 + 7 * 2)
            continue; // under the cursor
        if (runs.marks[cell] == 0)
            EXPECT_EQ(differing, 0) << "cell " << cell << " is in no run";
        else
            EXPECT_TRUE(differing > 0 && white < 34 * 34) << "cell " << cell << " shows its tile faded";
    }
    // Presses during the show act at once, each one; the show goes on.
    Tap(SDLK_DOWN);
    Tap(SDLK_DOWN);
    EXPECT_EQ(my, 4) << "two presses, two rows";
    EXPECT_GT(frameAt(240), 0);
    EXPECT_EQ(soundsPlayed[1], 1) << "the first runs vanished with the clear sound";
    Uint32 ms = 240;
    while (frameAt(ms) >= 0 && ms < 10000)
        ms += 16;
    EXPECT_LT(ms, 100 + 2 * expected.steps.size() * (120 + 200)) << "over in its time";
    EXPECT_EQ(soundsPlayed[1], (int)expected.steps.size());
    const std::vector<Uint16> end = ScreenPixels();
    DrawPan();
    DrawCursorFrame();
    DrawScore();
    EXPECT_TRUE(end == ScreenPixels()) << "the show ends on the board and score the rules left";
}

TEST_F(DesktopPlay, GameOverIsSaidWithTheScoreAndKept)
{
    SetBoard(runsInRow2);
    const unsigned seed = FindSeed(table, 1 + 7 * 2, 2 + 7 * 2, [](const MoveOutcome &o) { return o.gameOver; });
    ASSERT_NE(seed, 0u);
    mx = 2; my = 2; setX = 1; setY = 2; SET = 1;
    srand(seed);
    MakeMove();
    ASSERT_EQ(_gameOver, 1);
    RunTick();
    char *title = NULL;
    SDL_WM_GetCaption(&title, NULL);
    EXPECT_STREQ(title, "Sevenfold \xE2\x80\x94 game over");
    // The banner with its new-high-score line (the table was empty), the score in its field.
    SDL_Surface *banner = LoadPicture(iBanner, iBanner_size, 0x3E0);
    ASSERT_NE(banner, nullptr);
    EXPECT_TRUE(Shows(banner, 0, 0, 100, 88, 200, 32)) << "the banner's top";
    EXPECT_TRUE(Shows(banner, 0, 64, 100, 88 + 51, 200, 12)) << "a new high score";
    PutDigit(score, 7, 5, 40);
    for (int y = 0; y < 13; y++)
        for (int x = 0; x < 70; x++)
            ASSERT_EQ(ScreenPixel(100 + 97 + x, 88 + 33 + y), ScreenPixel(5 + x, 40 + y)) << "the final score";
    // A card taken away puts the banner back with the board.
    Tap(SDLK_F1);
    Tap(SDLK_SPACE);
    EXPECT_TRUE(Shows(banner, 0, 0, 100, 88, 200, 32)) << "the banner after a card";
    SDL_FreeSurface(banner);
    char today[11];
    TodaysDate(today);
    std::ifstream file(data_ / "sevenfold" / "scores");
    std::string line;
    std::getline(file, line);
    EXPECT_EQ(line, std::to_string(score) + " " + today);

    // A new game takes the title back; the game over is kept once, not again.
    isMenu = 0;
    Start();
    RunTick();
    SDL_WM_GetCaption(&title, NULL);
    EXPECT_STREQ(title, "Sevenfold");
    GameEnds(); // left with no points: nothing to keep
    std::ifstream again(data_ / "sevenfold" / "scores");
    int lines = 0;
    while (std::getline(again, line))
        lines++;
    EXPECT_EQ(lines, 1);
}

TEST_F(DesktopPlay, F1ShowsTheControlsAndHoldsTheGameUntilAnyKey)
{
    RunTick();
    // A direction held as the card comes up, which steps at once and would repeat from 1250.
    hostClockSet = 1000;
    Key(SDL_KEYDOWN, SDLK_RIGHT);
    ASSERT_EQ(mx, 4);
    Tap(SDLK_F1);
    EXPECT_EQ(cardShown, CARD_HELP);
    // Alt alone, half of Alt+Enter, and a pad's hat let go are no presses.
    Tap(SDLK_LALT);
    SDL_Event centred;
    memset(&centred, 0, sizeof centred);
    centred.type = SDL_JOYHATMOTION;
    centred.jhat.value = SDL_HAT_CENTERED;
    HandleEvent(&centred);
    EXPECT_EQ(cardShown, CARD_HELP);
    SDL_Surface *help = LoadPicture(iHelp, iHelp_size, 0x3E0);
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(Shows(help, 0, 0, 84, 4, 232, 232));
    SDL_FreeSurface(help);
    // No game step while it shows: the held direction does not move the cursor.
    TickAt(1300);
    TickAt(1370);
    EXPECT_EQ(mx, 4);
    // Any key takes it away, and is no move of its own; the board is drawn again where it lay.
    Tap(SDLK_LEFT);
    EXPECT_EQ(cardShown, CARD_NONE);
    EXPECT_EQ(mx, 4);
    EXPECT_NE(ScreenPixel(80 + 34 * 3 + 1, 1 + 34 * 3 + 1), ScreenPixel(84 + 120, 4 + 120)) << "the board again";
    TickAt(1440);
    EXPECT_EQ(mx, 5) << "the held direction moves once the card is gone";
    Key(SDL_KEYUP, SDLK_RIGHT);
}

TEST_F(DesktopPlay, HighScoreShowsTheTable)
{
    ASSERT_EQ(SaveScore(1234, "2025-03-04", NULL), 0);
    isMenu = 1;
    _currMenu = 0;
    SDL_Event b = JoyButtonEvent(SDL_JOYBUTTONDOWN, BTN_B);
    HandleEvent(&b);
    RunTick();
    EXPECT_EQ(cardShown, CARD_SCORES);
    EXPECT_EQ(isBkey, 0) << "taken, so the table does not come back at once";
    SDL_Surface *card = LoadPicture(iScores, iScores_size, 0x3E0);
    ASSERT_NE(card, nullptr);
    EXPECT_TRUE(Shows(card, 0, 0, 84, 4, 232, 30)) << "its heading";
    EXPECT_TRUE(Shows(card, 0, 30 + 18, 84, 4 + 30 + 18, 232, 18)) << "the second row, empty";
    EXPECT_FALSE(Shows(card, 0, 30, 84, 4 + 30, 232, 18)) << "the first row holds the score";
    // The date, glyph by glyph from the strip below the card.
    const char *date = "2025-03-04";
    for (int j = 0; j < 10; j++) {
        int glyph = date[j] == '-' ? 10 : date[j] - '0';
        EXPECT_TRUE(Shows(card, 7 * glyph, 232, 84 + 122 + 7 * j, 4 + 30 + 4, 7, 9)) << "date character " << j;
    }
    SDL_FreeSurface(card);
    SDL_Event up = JoyButtonEvent(SDL_JOYBUTTONUP, BTN_B);
    HandleEvent(&up);
    Click(200, 100);
    EXPECT_EQ(cardShown, CARD_NONE) << "a click takes it away";
    EXPECT_EQ(isMenu, 1) << "back to the menu";
}

TEST_F(DesktopPlay, TheControlsShowByThemselvesOnAFirstStartOnly)
{
    fs::remove_all(data_ / "sevenfold");
    firstStartChecked = 0;
    RunTick();
    EXPECT_EQ(cardShown, CARD_HELP);
    EXPECT_TRUE(fs::is_directory(data_ / "sevenfold")) << "made, so the next start is no first";
    cardShown = CARD_NONE;
    firstStartChecked = 0;
    RunTick();
    EXPECT_EQ(cardShown, CARD_NONE);
}

TEST_F(DesktopPlay, AKeptGameGoesOnAndOneThatCannotBeIsSetAside)
{
    const std::string good = "sevenfold game 1\nboard 0123456/3456012/6012345/2345601/5601234/1234560/4560123\n"
                             "score 120\ncursor 4 5\nlifted 1 2\nskin 0\n";
    const struct {
        const char *what, *from, *to;
    } broken[] = {
        {"another version", "game 1", "game 2"}, {"a kind out of range", "0123456/", "0123457/"},
        {"a run on the board", "0123456/", "0003456/"}, {"a line missing", "cursor 4 5\n", ""},
        {"a score past 32 bits", "120", "4294967296"}, {"a cursor off the board", "4 5", "4 7"},
    };
    const fs::path kept = data_ / "sevenfold" / "game";
    for (const auto &b : broken) {
        SCOPED_TRACE(b.what);
        std::string text = good;
        text.replace(text.find(b.from), strlen(b.from), b.to);
        std::ofstream(kept) << text;
        Rows dealt = BoardRows();
        score = 0;
        ::testing::internal::CaptureStderr();
        ContinueKeptGame();
        std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_FALSE(fs::exists(kept));
        EXPECT_TRUE(fs::exists(data_ / "sevenfold" / "game.bad"));
        EXPECT_EQ(BoardRows(), dealt) << "the game dealt plays on";
        fs::remove(data_ / "sevenfold" / "game.bad");
    }
    std::ofstream(kept) << good;
    ContinueKeptGame();
    EXPECT_EQ(BoardRows(), latin);
    EXPECT_EQ((int)score * 100 + mx * 10 + my, 120 * 100 + 45);
    EXPECT_EQ(SET * 100 + setX * 10 + setY, 112);
}

TEST_F(DesktopPlay, ASettingsLineThatMakesNoSenseIsPassedOver)
{
    const fs::path folder = fs::path(getenv("XDG_CONFIG_HOME")) / "sevenfold";
    fs::create_directories(folder);
    std::ofstream(folder / "settings") << "volume = loud\ncolour = blue\n# a comment\n  moves=at once \nskin = 1\n";
    showInMotion = 1;
    const Sint8 volume = _VOLUME;
    ::testing::internal::CaptureStderr();
    LoadSettings();
    std::string said = ::testing::internal::GetCapturedStderr();
    fs::remove_all(folder);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;
    EXPECT_EQ(showInMotion, 0);
    EXPECT_EQ(skin, skinMax > 1 ? 1 : 0);
    EXPECT_EQ(_VOLUME, volume) << "left as it was";
}

TEST_F(DesktopPlay, AVolumeStepIsHeard)
{
    Tap(SDLK_MINUS);
    EXPECT_EQ(soundsPlayed[3], 1) << "the move sound, at the new volume";
    EXPECT_EQ(Mix_Volume(-1, -1), _VOLUME);
}

// A save of the high scores stopped on its way: while armed, every write, fsync and renameat made
// on the arming thread is logged as a step, and step `at` fails with EIO or kills the process
// just before it is made. Each write may also be cut short, as a full disk or a signal cuts it.
struct Trap {
    bool armed = false;
    pthread_t thread;
    int at = INT_MAX;             // the step that fails or kills; INT_MAX: none, only log
    bool kills = false;           // SIGKILL rather than EIO
    size_t writeMost = 0;         // non-zero: each write writes at most this many bytes
    std::vector<std::string> log; // "write", "fsync file", "fsync folder", "rename"
};
Trap trap;

void Arm(int at, bool kills = false)
{
    trap = Trap();
    trap.armed = true;
    trap.thread = pthread_self();
    trap.at = at;
    trap.kills = kills;
    trap.writeMost = 8;
}

bool Sprung(int fd, const char *call)
{
    if (!trap.armed || !pthread_equal(trap.thread, pthread_self()))
        return false;
    struct stat st;
    std::string step = call;
    if (step == "fsync")
        step += fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) ? " folder" : " file";
    trap.log.push_back(step);
    if ((int)trap.log.size() - 1 != trap.at)
        return false;
    if (trap.kills)
        kill(getpid(), SIGKILL);
    errno = EIO;
    return true;
}

class DesktopScores : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *was = getenv("XDG_DATA_HOME");
        hadData_ = was != nullptr;
        wasData_ = was != nullptr ? was : "";
        data_ = fs::current_path() / (std::string("xdg-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(data_);
        fs::create_directories(data_);
        setenv("XDG_DATA_HOME", data_.c_str(), 1);
        folder_ = data_ / "sevenfold";
    }
    void TearDown() override
    {
        trap = Trap();
        if (hadData_)
            setenv("XDG_DATA_HOME", wasData_.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
        fs::remove_all(data_);
    }

    void Put(const std::string &text, const std::string &name = "scores")
    {
        fs::create_directories(folder_);
        std::ofstream(folder_ / name, std::ios::binary).write(text.data(), (std::streamsize)text.size());
    }
    std::string Text(const std::string &name = "scores")
    {
        std::ifstream in(folder_ / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static std::string Aside(size_t i) { return i == 0 ? "scores.bad" : "scores.bad." + std::to_string(i); }
    std::vector<std::string> Temporaries()
    {
        std::vector<std::string> names;
        for (const auto &e : fs::directory_iterator(folder_))
            if (e.path().filename().string().rfind("scores.tmp.", 0) == 0)
                names.push_back(e.path().filename().string());
        return names;
    }
    // What the code said on standard error while it ran.
    template <class Code>
    static std::string Said(Code code)
    {
        ::testing::internal::CaptureStderr();
        code();
        return ::testing::internal::GetCapturedStderr();
    }
    static void ExpectOneLine(const std::string &said, const std::string &naming)
    {
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_EQ(said.rfind("sevenfold: ", 0), 0u) << said;
        EXPECT_NE(said.find(naming), std::string::npos) << said;
    }

    fs::path data_, folder_;

private:
    bool hadData_ = false;
    std::string wasData_;
};

TEST_F(DesktopScores, KeptInTheDataFolderBestFirstTenAtMost)
{
    char path[PATH_MAX];
    ASSERT_TRUE(ScoresPath(path, sizeof path));
    EXPECT_EQ(std::string(path), (folder_ / "scores").string());
    const char *wasHome = getenv("HOME");
    const std::string home = wasHome != nullptr ? wasHome : "";
    setenv("XDG_DATA_HOME", "relative/data", 1); // not absolute: ignored
    setenv("HOME", "/home/player", 1);
    ASSERT_TRUE(ScoresFolder(path, sizeof path));
    EXPECT_STREQ(path, "/home/player/.local/share/sevenfold");
    setenv("XDG_DATA_HOME", ("/" + std::string(PATH_MAX, 'x')).c_str(), 1); // no path can reach it
    ASSERT_TRUE(ScoresFolder(path, sizeof path));
    EXPECT_STREQ(path, "/home/player/.local/share/sevenfold");
    setenv("HOME", "player", 1); // nor a relative HOME: the password file's
    ASSERT_TRUE(ScoresFolder(path, sizeof path));
    EXPECT_EQ(std::string(path), std::string(getpwuid(getuid())->pw_dir) + "/.local/share/sevenfold");
    if (wasHome != nullptr)
        setenv("HOME", home.c_str(), 1);
    else
        unsetenv("HOME");
    setenv("XDG_DATA_HOME", data_.c_str(), 1);

    // A first start: no folder, an empty table, and reading makes nothing.
    ScoreTable scores;
    EXPECT_FALSE(fs::is_directory(folder_));
    EXPECT_EQ(ReadScores(&scores), 1);
    EXPECT_EQ(scores.count, 0);
    EXPECT_FALSE(fs::exists(folder_));

    EXPECT_EQ(SaveScore(300, "2025-01-02", &scores), 0);
    EXPECT_TRUE(fs::is_directory(folder_));
    EXPECT_EQ(fs::status(folder_).permissions() & fs::perms::all, fs::perms::owner_all) << "made 0700";
    EXPECT_EQ(SaveScore(500, "2025-01-03", nullptr), 0);
    EXPECT_EQ(SaveScore(300, "2025-01-04", &scores), 2) << "below the earlier equal score";
    ASSERT_EQ(scores.count, 3);
    EXPECT_STREQ(scores.entries[1].date, "2025-01-02");
    for (Uint32 points = 10; points <= 70; points += 10)
        SaveScore(points, "2025-01-05", nullptr);
    const std::string full = Text();
    const std::string top = "500 2025-01-03\n300 2025-01-02\n300 2025-01-04\n70 2025-01-05\n";
    EXPECT_EQ(full.substr(0, top.size()), top);
    EXPECT_EQ(std::count(full.begin(), full.end(), '\n'), 10);
    EXPECT_EQ(SaveScore(10, "2025-01-06", &scores), SCORE_BELOW_TABLE) << "the ten already there stay";
    EXPECT_EQ(Text(), full);
    EXPECT_EQ(scores.count, 10);
    EXPECT_EQ(SaveScore(4294967295u, "2025-12-31", &scores), 0);
    EXPECT_EQ(Text().substr(0, 22), "4294967295 2025-12-31\n");
    ASSERT_EQ(scores.count, 10);
    EXPECT_EQ(scores.entries[9].points, 20u) << "the lowest went";
    int rank = 0;
    ExpectOneLine(Said([&] { rank = SaveScore(5, "2025-13-01", nullptr); }), "2025-13-01");
    EXPECT_EQ(rank, SCORE_NOT_SAVED) << "no such month";

    // What a player's hand may leave and is still a table: leading zeros, no last newline, the
    // largest score, line ends of another system, spaces at a line's end, blank lines, nothing
    // at all, and a file of exactly 64 KiB.
    Put("4294967295 2024-02-29\n0500 2024-12-31\n0 2024-01-01");
    ASSERT_EQ(ReadScores(&scores), 1);
    ASSERT_EQ(scores.count, 3);
    Put("4294967295 2024-02-29 \t\r\n\n0500 2024-12-31\r\n0 2024-01-01\r\n \r\n");
    ASSERT_EQ(ReadScores(&scores), 1);
    ASSERT_EQ(scores.count, 3);
    EXPECT_EQ(scores.entries[0].points, 4294967295u);
    EXPECT_EQ(scores.entries[1].points, 500u);
    EXPECT_STREQ(scores.entries[2].date, "2024-01-01");
    Put("");
    EXPECT_EQ(ReadScores(&scores), 1);
    EXPECT_EQ(scores.count, 0);
    Put(std::string(65536 - 13, '0') + "7 2024-01-01\n");
    EXPECT_EQ(ReadScores(&scores), 1);
    ASSERT_EQ(scores.count, 1);
    EXPECT_EQ(scores.entries[0].points, 7u);
    EXPECT_FALSE(fs::exists(folder_ / "scores.bad"));

    // A table linked to a file elsewhere is saved into that file, in its own folder; the link stays.
    fs::create_directories(data_ / "synced");
    fs::remove(folder_ / "scores");
    fs::create_symlink("../synced/table", folder_ / "scores");
    EXPECT_EQ(SaveScore(40, "2025-01-07", nullptr), 0);
    EXPECT_EQ(SaveScore(60, "2025-01-08", nullptr), 0);
    EXPECT_TRUE(fs::is_symlink(folder_ / "scores"));
    EXPECT_EQ(Text("../synced/table"), "60 2025-01-08\n40 2025-01-07\n");
}

TEST_F(DesktopScores, AFileThatIsNotATableIsKeptAsideAndANewOneBegins)
{
    std::string eleven;
    for (int i = 0; i < 11; i++)
        eleven += "100 2024-01-01\n";
    const std::string cases[] = {
        std::string("\x7f" "ELF\x02\x01\x01\0\0\0\xff", 11), // binary
        "500 2024-01-01\nhello\n",                           // a bad line
        "4294967296 2024-01-01\n",                           // beyond 32 bits
        "+500 2024-01-01\n", "500 2024-13-01\n", "500 2024-02-32\n", "500 2024-1-01\n",
        " 500 2024-01-01\n", "500 2024-01-01 x\n", "500  2024-01-01\n", "500\r2024-01-01\n",
        "100 2024-01-01\n500 2024-01-02\n",                  // not best first
        eleven,
        std::string(65537 - 13, '0') + "7 2024-01-01\n",     // over 64 KiB
        "",                                                  // a folder named scores
    };
    const size_t count = sizeof cases / sizeof cases[0];
    for (size_t i = 0; i < count; i++) {
        SCOPED_TRACE("case " + std::to_string(i));
        if (i + 1 < count) {
            Put(cases[i]);
        } else {
            fs::remove(folder_ / "scores");
            fs::create_directories(folder_ / "scores" / "inside");
        }
        // The ten newest are kept, the higher the number the newer.
        const std::string aside = Aside(std::min(i, (size_t)9));
        ScoreTable scores;
        int rank = -9;
        std::string said = Said([&] {
            // Reading moves it aside as well as saving does.
            Arm(INT_MAX);
            if (i % 2 == 0) {
                EXPECT_EQ(ReadScores(&scores), 1);
                EXPECT_EQ(scores.count, 0);
            }
            rank = SaveScore((Uint32)(900 + i), "2025-06-01", &scores);
        });
        const auto &log = trap.log;
        EXPECT_LT(std::find(log.begin(), log.end(), "fsync folder"), std::find(log.begin(), log.end(), "write"))
            << "the name set aside made to last before the new table";
        trap = Trap();
        EXPECT_EQ(rank, 0);
        EXPECT_EQ(Text(), std::to_string(900 + i) + " 2025-06-01\n") << "a new table";
        ExpectOneLine(said, (folder_ / aside).string());
        if (i + 1 < count)
            EXPECT_EQ(Text(aside), cases[i]);
        else
            EXPECT_TRUE(fs::is_directory(folder_ / aside / "inside"));
    }
    for (size_t i = count - 10; i + 1 < count; i++)
        EXPECT_EQ(Text(Aside(i - (count - 10))), cases[i]) << "untouched since";
    EXPECT_FALSE(fs::exists(folder_ / "scores.bad.10"));
}

TEST_F(DesktopScores, ASaveStoppedAtAnyStepLeavesTheOldTableOrTheNew)
{
    const std::string before = "700 2025-01-01\n400 2025-01-02\n100 2025-01-03\n";
    const std::string after = "700 2025-01-01\n500 2025-02-01\n400 2025-01-02\n100 2025-01-03\n";
    // The steps of a whole save, eight bytes a write: every write, then the flushes and the
    // rename in the order that makes each moment safe.
    Put(before);
    Arm(INT_MAX);
    ASSERT_EQ(SaveScore(500, "2025-02-01", nullptr), 1);
    ASSERT_EQ(Text(), after) << "written whole from short writes";
    const std::vector<std::string> steps = trap.log;
    trap = Trap();
    std::vector<std::string> expected(after.size() / 8 + 1, "write");
    expected.insert(expected.end(), {"fsync file", "rename", "fsync folder"});
    ASSERT_EQ(steps, expected);

    for (int kills = 0; kills <= 1; kills++)
        for (int at = 0; at < (int)steps.size(); at++) {
            SCOPED_TRACE(std::string(kills ? "killed before " : "failed at ") + steps[at] + " (step " +
                         std::to_string(at) + ")");
            const bool renamed = at > (int)steps.size() - 2;
            Put(before);
            if (kills) {
                pid_t child = fork();
                if (child == 0) {
                    Arm(at, true);
                    SaveScore(500, "2025-02-01", nullptr);
                    _exit(0);
                }
                int status = 0;
                ASSERT_EQ(waitpid(child, &status, 0), child);
                EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the step was reached";
                EXPECT_EQ(Text(), renamed ? after : before);
                // What the killed save left is cleared by the next one.
                EXPECT_GE(SaveScore(50, "2025-02-02", nullptr), 0);
                EXPECT_EQ(Temporaries(), std::vector<std::string>());
            } else {
                Arm(at);
                int rank = 0;
                std::string said = Said([&] { rank = SaveScore(500, "2025-02-01", nullptr); });
                trap = Trap();
                EXPECT_EQ(rank, renamed ? 1 : SCORE_NOT_SAVED) << "a score is a high score once it is kept";
                EXPECT_EQ(Text(), renamed ? after : before);
                EXPECT_EQ(Temporaries(), std::vector<std::string>());
                ExpectOneLine(said, (folder_ / "scores").string());
            }
        }
}

TEST_F(DesktopScores, TwoCopiesSavingAtOnceBothKeepTheirScores)
{
    std::vector<Uint32> all;
    for (int round = 0; round < 20; round++) {
        SCOPED_TRACE("round " + std::to_string(round));
        int go[2];
        ASSERT_EQ(pipe(go), 0);
        pid_t children[2];
        for (int c = 0; c < 2; c++) {
            Uint32 points = (Uint32)(1000 + 2 * round + c);
            all.push_back(points);
            children[c] = fork();
            if (children[c] == 0) {
                close(go[1]);
                char byte;
                while (read(go[0], &byte, 1) < 0 && errno == EINTR) {
                }
                _exit(SaveScore(points, "2025-04-01", nullptr) >= 0 ? 0 : 1);
            }
        }
        close(go[0]);
        close(go[1]); // both are let go at once
        for (pid_t child : children) {
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        std::sort(all.rbegin(), all.rend());
        ScoreTable scores;
        ASSERT_EQ(ReadScores(&scores), 1);
        ASSERT_EQ(scores.count, std::min((int)all.size(), 10));
        for (int i = 0; i < scores.count; i++)
            EXPECT_EQ(scores.entries[i].points, all[(size_t)i]) << "rank " << i;
    }
}

TEST_F(DesktopScores, NoFolderOrAStuckLockIsOneLineAndTheGameGoesOn)
{
    // Under a plain file no folder can be made, whatever the permissions.
    std::ofstream(data_ / "file") << "x";
    const fs::path under = data_ / "file" / "data";
    setenv("XDG_DATA_HOME", under.c_str(), 1);
    ScoreTable scores;
    int rank = 0;
    ExpectOneLine(Said([&] { rank = SaveScore(100, nullptr, &scores); }), (under / "sevenfold").string());
    EXPECT_EQ(rank, SCORE_NOT_SAVED);
    EXPECT_EQ(scores.count, 0);
    EXPECT_FALSE(fs::is_directory(under / "sevenfold"));
    EXPECT_EQ(Said([&] { EXPECT_EQ(ReadScores(&scores), 1); }), "") << "no table yet is nothing to say";

    // Another copy that keeps the lock: the save gives up after a while and says so.
    setenv("XDG_DATA_HOME", data_.c_str(), 1);
    char today[11];
    TodaysDate(today);
    ASSERT_EQ(SaveScore(100, nullptr, nullptr), 0);
    EXPECT_EQ(Text(), "100 " + std::string(today) + "\n");
    int held = open((folder_ / "scores.lock").c_str(), O_RDWR);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    ExpectOneLine(Said([&] { rank = SaveScore(200, nullptr, nullptr); }), (folder_ / "scores.lock").string());
    EXPECT_EQ(rank, SCORE_NOT_SAVED);

    // A stranger replaced by a table while the reader waits for the lock: only what is seen under
    // the lock goes aside.
    Put("not a table\n");
    std::thread reader([&] { ReadScores(&scores); });
    usleep(300 * 1000);
    Put("300 2025-01-01\n", "scores.new");
    fs::rename(folder_ / "scores.new", folder_ / "scores");
    close(held);
    reader.join();
    EXPECT_EQ(scores.count, 1);
    EXPECT_FALSE(fs::exists(folder_ / "scores.bad"));
    EXPECT_EQ(SaveScore(200, nullptr, nullptr), 1);
}

} // namespace

// The calls a save of the high scores makes, forwarded unless a test has armed the trap.
extern "C" {
ssize_t __real_write(int fd, const void *buffer, size_t size);
int __real_fsync(int fd);
int __real_renameat(int fromFolder, const char *from, int toFolder, const char *to);

ssize_t __wrap_write(int fd, const void *buffer, size_t size)
{
    if (Sprung(fd, "write"))
        return -1;
    if (trap.armed && trap.writeMost != 0 && pthread_equal(trap.thread, pthread_self()))
        size = std::min(size, trap.writeMost);
    return __real_write(fd, buffer, size);
}

int __wrap_fsync(int fd)
{
    return Sprung(fd, "fsync") ? -1 : __real_fsync(fd);
}

int __wrap_renameat(int fromFolder, const char *from, int toFolder, const char *to)
{
    return Sprung(-1, "rename") ? -1 : __real_renameat(fromFolder, from, toFolder, to);
}
}

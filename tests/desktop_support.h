// What the desktop's tests share: a game on a desktop's host layer, and its keys, clicks, ticks and clock in a test's hands.
#ifndef SEVENFOLD_DESKTOP_SUPPORT_H
#define SEVENFOLD_DESKTOP_SUPPORT_H

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
extern Uint8 firstGameDealt;    // a game has been continued or dealt: moves are kept
extern Uint32 hostClockSet;     // what the host's clock reads instead of SDL's, when not 0
void WaitForKeeper(void);       // the game kept during play is on disk

namespace desktoptest {

namespace fs = std::filesystem;

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
        // No move of the next test is kept into this one's folders.
        WaitForKeeper();
        firstGameDealt = 0;
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

// A desktop pad: its events come from joystick 0, not from the host layer.
inline SDL_Event PadEvent(Uint8 type, Uint8 number, Sint16 value = 0)
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

inline std::string FileText(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace desktoptest

#endif

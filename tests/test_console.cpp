// What only the console's build does: the Parts' behaviour where a desktop does more.
#include <gtest/gtest.h>

#include "app/app.h"
#include "board/board.h"
#include "game/game.h"
#include "gfx/gfx.h"
#include "harness.h"
#include "input/input.h"
#include "support.h"

namespace {

enum { B = 13 };

class Console : public ::testing::Test {
protected:
    void SetUp() override { ResetGameState(); }
    void TearDown() override { ResetGameState(); }
    static void Button(Uint8 type, int button)
    {
        SDL_Event event = JoyButtonEvent(type, button);
        HandleEvent(&event);
    }
};

TEST_F(Console, BOnHighScoreOrOptionDoesNothing)
{
    // A desktop shows the table and the options over the board (test_features).
    SetBoard({"0123456", "3456012", "6012345", "2345601", "5601234", "1234560", "4560123"});
    isMenu = 1;
    score = 50;
    Rows before = BoardRows();
    for (Uint8 item : {0, 2}) {
        _currMenu = item;
        Button(SDL_JOYBUTTONDOWN, B);
        RunTick();
        StopTick();
        EXPECT_EQ(isMenu, 1);
        EXPECT_EQ(_currMenu, item);
        EXPECT_EQ(isBkey, 1) << "B stays set until it is released";
        Button(SDL_JOYBUTTONUP, B);
    }
    EXPECT_EQ(done, 0);
    EXPECT_EQ(score, 50u);
    EXPECT_EQ(BoardRows(), before);
}

} // namespace

// The mouse on a desktop: clicks that lift, swap and choose as they come, drags, clicks that do nothing.
#include "desktop_support.h"

using namespace desktoptest;

namespace {

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
    Click(CARD_X + 40, CARD_Y + 40); // the mode card's classic game
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
    Click(CARD_X + 40, CARD_Y + 40); // the mode card's classic game
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

} // namespace

// What only the console's build does: the Parts' behaviour where a desktop does more.
#include <gtest/gtest.h>

#include <random>

#include "app/app.h"
#include "board/board.h"
#include "game/game.h"
#include "gfx/gfx.h"
#include "harness.h"
#include "input/input.h"
#include "support.h"

namespace {

enum { UP, UPLEFT, LEFT, DOWNLEFT, DOWN, DOWNRIGHT, RIGHT, UPRIGHT, START, SELECT, L, R, A, B, X, Y, VOLUP, VOLDOWN, ENTER };

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

// A long session of the console's own play, pinned: every picture it presents and every sound it
// plays, in order, folded into one number. Random presses and holds of every button (the menu
// opened and closed, skins, volume, lifts, cancels, wrap-around and diagonal swaps), a
// deliberate scoring move every forty ticks, a fresh board of our own at each game over. If the
// digest has to change, the commit that changes it says why.
TEST_F(Console, ASeededSessionPresentsAndSoundsExactlyAsPinned)
{
    std::mt19937 pick(2026); // its raw outputs are the same everywhere; only % is used on them
    Uint8 held[ENTER + 1] = {0};
    auto button = [&](int b, bool down) {
        held[b] = down;
        Button(down ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP, b);
    };
    auto freshBoard = [](unsigned seed) {
        RandomRunFreeBoard(table, seed);
        memset(same, 0, sizeof same);
    };
    Start(); // the side panel; the dealt board is the clock's, so one of ours goes over it
    freshBoard(1);
    srand(1);
    Uint64 digest = 14695981039346656037ull;
    wholePresents = 0;
    wholePresentDigest = &digest;
    soundOrder.clear();
    for (int t = 0; t < 3000; t++) {
        if (t % 40 == 39 && !isMenu) {
            for (int b = 0; b <= ENTER; b++)
                if (held[b])
                    button(b, false);
            RunTick();
            std::vector<std::pair<int, int>> moves = FindMoves(table);
            if (!moves.empty()) {
                auto [a, to] = moves[pick() % moves.size()];
                SetX_Y((Sint16)(a % 7), (Sint16)(a / 7));
                button(B, true);
                RunTick();
                button(B, false);
                button(to == a + 1 ? RIGHT : DOWN, true);
            }
        } else {
            for (int n = (int)(pick() % 3); n > 0; n--) {
                int b = (int)(pick() % (ENTER + 1));
                bool choosing = b == B || b == SELECT;
                // Never a new game (the clock's deal) nor the quit: B and Select stay up in the menu
                // and while Start is held (any press then opens or closes it), and the menu opens
                // only while they are up.
                if (!held[b] && ((choosing && (isMenu || held[START])) || (b == START && (held[B] || held[SELECT]))))
                    continue;
                button(b, !held[b]);
            }
        }
        RunTick();
        if (_gameOver) {
            isMenu = 0;
            _gameOver = 0;
            freshBoard((unsigned)t);
        }
    }
    wholePresentDigest = NULL;
    StopTick();
    digest = Fnv1a(digest, soundOrder.data(), soundOrder.size() * sizeof soundOrder[0]);
    // The classic SDL 1.2, whose version is 1.2.15 and older, blends the faded tiles' pixels
    // its own way; sdl12-compat counts from 1.2.50.
    const Uint64 pinned = SDL_Linked_Version()->patch >= 50 ? 7592505972754592334ull : 15583285176369849463ull;
    EXPECT_EQ(digest, pinned) << wholePresents << " whole presents, " << soundOrder.size() << " sounds";
}

} // namespace


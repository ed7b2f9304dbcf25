// Portability: negative cursor steps stay negative on every CPU, from SDL's event queue to the cursor and the menu.
#include <gtest/gtest.h>
#include <string.h>

#include <atomic>
#include <string>
#include <type_traits>
#include <vector>

#include "board/board.h"
#include "app/app.h"
#include "game/game.h"
#include "gfx/gfx.h"
#include "input/input.h"
#include "harness.h"
#include "support.h"

namespace {

// On ARM a plain char is unsigned: a step of -1 kept or read through one becomes 255, and the
// cursor would jump right instead of left. x86-64 hides the fault, so these tests matter most
// when the suite runs on ARM (scripts/arm.sh runs it under qemu-arm).

enum { UP = 0, UPLEFT = 1, LEFT = 2, DOWNLEFT = 3, DOWN = 4, START = 8 };

// The byte as stored, whatever type the game gives the step.
template <class T>
Uint8 StoredByte(const T &step)
{
    static_assert(sizeof step == 1, "a cursor step is one byte");
    Uint8 raw;
    memcpy(&raw, &step, 1);
    return raw;
}

template <class T>
struct ByteOf {
    using type = T;
};
template <class T>
struct ByteOf<std::atomic<T>> {
    using type = T;
};

class SignedSteps : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A tick left queued by an earlier test must not run in the middle of this one.
        StopTick();
        Drain();
        ResetGameState();
    }
    void TearDown() override
    {
        StopTick();
        Drain();
        ResetGameState();
    }

    static void Drain()
    {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
    }

    // Through SDL's own queue and the event loop's handler, as the game receives input.
    static void Deliver(SDL_Event event)
    {
        ASSERT_EQ(SDL_PushEvent(&event), 0) << SDL_GetError();
        SDL_Event got;
        int arrived = 0;
        while (SDL_PollEvent(&got)) {
            arrived += got.type == event.type;
            HandleEvent(&got);
        }
        ASSERT_EQ(arrived, 1) << "the event came through SDL's queue";
    }
    // One game tick, and no further one from the timer it schedules: a tick arriving with the
    // next event would step the cursor again.
    static void Tick()
    {
        DrawSet();
        StopTick();
    }
    static SDL_Event Button(Uint8 type, int button)
    {
        return JoyButtonEvent(type, button);
    }
    static SDL_Event Key(Uint8 type, SDLKey key) { return KeyEvent(type, key); }
};

struct StepCase {
    const char *name;
    Sint8 way;                // direction mode
    std::vector<int> buttons; // pressed in this order
    int fromX, fromY;         // cursor before the tick
    int stepX, stepY;         // the steps as numbers
    Uint8 rawX, rawY;         // the steps as stored bytes
    int toX, toY;             // cursor after one tick: below 0 wraps to 6
};

const StepCase stepCases[] = {
    {"4-way left off column 0", 0, {LEFT}, 0, 3, -1, 0, 255, 0, 6, 3},
    {"4-way left", 0, {LEFT}, 4, 3, -1, 0, 255, 0, 3, 3},
    {"4-way up off row 0", 0, {UP}, 3, 0, 0, -1, 0, 255, 3, 6},
    {"4-way up and left off the corner", 0, {UP, LEFT}, 0, 0, -1, -1, 255, 255, 6, 6},
    {"8-way up-left off the corner", 1, {UPLEFT}, 0, 0, -1, -1, 255, 255, 6, 6},
    {"8-way down-left off column 0", 1, {DOWNLEFT}, 0, 2, -1, 1, 255, 1, 6, 3},
    {"16-way left from column 1", 2, {LEFT}, 1, 4, -2, 0, 254, 0, 6, 4},
    {"16-way left from column 3", 2, {LEFT}, 3, 4, -2, 0, 254, 0, 1, 4},
    {"16-way up from row 1", 2, {UP}, 2, 1, 0, -2, 0, 254, 2, 6},
    {"16-way up-left from (1, 1)", 2, {UPLEFT}, 1, 1, -2, -2, 254, 254, 6, 6},
    {"16-way left with up-left", 2, {LEFT, UPLEFT}, 4, 4, -2, -1, 254, 255, 2, 3},
    {"16-way up with up-left", 2, {UP, UPLEFT}, 4, 4, -1, -2, 255, 254, 3, 2},
    {"16-way down-left from (1, 5)", 2, {DOWNLEFT}, 1, 5, -2, 2, 254, 2, 6, 0},
};

TEST_F(SignedSteps, StepsAreDeclaredAsSignedBytes)
{
    // signed char, not char: the same type on every CPU, so a plain char shows up on x86 too.
    EXPECT_TRUE((std::is_same_v<ByteOf<std::remove_cv_t<decltype(moveX)>>::type, signed char>));
    EXPECT_TRUE((std::is_same_v<ByteOf<std::remove_cv_t<decltype(moveY)>>::type, signed char>));
}

TEST_F(SignedSteps, JoystickStepsMoveTheCursorLeftAndUpWithWrapAround)
{
    for (const StepCase &c : stepCases) {
        SCOPED_TRACE(c.name);
        ResetGameState();
        _wayIs = c.way;
        mx = (Sint16)c.fromX;
        my = (Sint16)c.fromY;
        for (int b : c.buttons)
            Deliver(Button(SDL_JOYBUTTONDOWN, b));

        EXPECT_EQ(StoredByte(moveX), c.rawX);
        EXPECT_EQ(StoredByte(moveY), c.rawY);
        // Read into a wider integer, as the tick's arithmetic does.
        const int readX = moveX, readY = moveY;
        EXPECT_EQ(readX, c.stepX);
        EXPECT_EQ(readY, c.stepY);

        Tick();
        EXPECT_EQ(mx, c.toX);
        EXPECT_EQ(my, c.toY);

        for (int b : c.buttons)
            Deliver(Button(SDL_JOYBUTTONUP, b));
        EXPECT_EQ(moveX, 0);
        EXPECT_EQ(moveY, 0);
    }
}

TEST_F(SignedSteps, ArrowKeysMoveTheCursorLeftAndUpWithWrapAround)
{
    // The desktop keys become the same button events inside the handler.
    _wayIs = 0;
    mx = 0;
    my = 0;
    Deliver(Key(SDL_KEYDOWN, SDLK_LEFT));
    Deliver(Key(SDL_KEYDOWN, SDLK_UP));
    EXPECT_EQ(StoredByte(moveX), 255);
    EXPECT_EQ(StoredByte(moveY), 255);
    Tick();
    EXPECT_EQ(mx, 6);
    EXPECT_EQ(my, 6);
    Tick(); // still held: one more step left and up
    EXPECT_EQ(mx, 5);
    EXPECT_EQ(my, 5);
    Deliver(Key(SDL_KEYUP, SDLK_LEFT));
    Deliver(Key(SDL_KEYUP, SDLK_UP));
    EXPECT_EQ(moveX, 0);
    EXPECT_EQ(moveY, 0);
}

TEST_F(SignedSteps, UpInTheMenuMovesTheSelectionUp)
{
    // Read as unsigned, up would move the selection down instead.
    struct {
        Sint8 way;
        int button;
    } const cases[] = {{0, UP}, {1, UPLEFT}, {2, UP}};
    for (const auto &c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.way));
        ResetGameState();
        _wayIs = c.way;
        isMenu = 1;
        _currMenu = 2;
        Deliver(Button(SDL_JOYBUTTONDOWN, c.button));
        ASSERT_LT((int)moveY, 0);
        Tick();
        EXPECT_EQ(_currMenu, 1);
        Deliver(Button(SDL_JOYBUTTONUP, c.button));
        // From the first item, up wraps to the last.
        _currMenu = 0;
        Deliver(Button(SDL_JOYBUTTONDOWN, c.button));
        Tick();
        EXPECT_EQ(_currMenu, menuMax - 1);
        Deliver(Button(SDL_JOYBUTTONUP, c.button));
    }
    isMenu = 0;
}

} // namespace

// Keys and a pad on a desktop: the console's buttons they stand for, a press acting at once, the held-key repeat.
#include "desktop_support.h"

using namespace desktoptest;

namespace {

TEST_F(Desktop, APadsButtonsHatAndStickAreTheConsolesButtons)
{
    pressesActAtOnce = 0; // what each control stands for, with no step to take the presses
    struct {
        Uint8 pad;
        Uint8 *flag;
    } const buttons[] = {{0, &isBkey}, {1, &isXkey}, {4, &isLkey}, {5, &isRkey}};
    for (const auto &b : buttons) {
        SCOPED_TRACE("pad button " + std::to_string(b.pad));
        Handle(PadEvent(SDL_JOYBUTTONDOWN, b.pad));
        EXPECT_EQ(*b.flag, 1);
        EXPECT_EQ(isUPkey, 0) << "the console's numbers are not a pad's";
        Handle(PadEvent(SDL_JOYBUTTONUP, b.pad));
        TickSawButtons();
        EXPECT_EQ(*b.flag, 0);
    }
    // Back pauses in play, and is Select in the menu.
    Handle(PadEvent(SDL_JOYBUTTONDOWN, 6));
    EXPECT_EQ(cardShown, CARD_PAUSE);
    Handle(PadEvent(SDL_JOYBUTTONUP, 6));
    cardShown = CARD_NONE;
    Handle(PadEvent(SDL_JOYBUTTONDOWN, 7));
    EXPECT_EQ(isMenu, 1) << "start";
    Handle(PadEvent(SDL_JOYBUTTONUP, 7));
    Handle(PadEvent(SDL_JOYBUTTONDOWN, 6));
    EXPECT_EQ(isSelectKey, 1);
    Handle(PadEvent(SDL_JOYBUTTONUP, 6));

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

} // namespace

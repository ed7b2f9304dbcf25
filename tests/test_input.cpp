// Input: button flags, direction modes, the event loop's Start and volume handling, desktop keys, WaitKey.
#include <gtest/gtest.h>
#include <SDL_mixer.h>
#include <string.h>

#include <ostream>
#include <string>
#include <vector>

#include "app/app.h"
#include "board/board.h"
#include "game/game.h"
#include "sound/sound.h"
#include "harness.h"
#include "gfx/gfx.h"
#include "input/input.h"
#include "platform/platform.h"
#include "support.h"

namespace {

// The console's button numbers, written out here rather than taken from the game's header so
// that a wrong number there shows up as a failure.
enum {
    UP = 0, UPLEFT = 1, LEFT = 2, DOWNLEFT = 3, DOWN = 4, DOWNRIGHT = 5, RIGHT = 6, UPRIGHT = 7,
    START = 8, SELECT = 9, L = 10, R = 11, A = 12, B = 13, X = 14, Y = 15, VOLUP = 16,
    VOLDOWN = 17, ENTER = 18, BUTTONS = 19
};

struct Flag {
    const char *name;
    Uint8 *flag;
    bool action; // cleared by AllKeyClear
};

const Flag flagOf[BUTTONS] = {
    {"up", &isUPkey, false},
    {"up-left", &isUPLEFTkey, false},
    {"left", &isLEFTkey, false},
    {"down-left", &isDOWNLEFTkey, false},
    {"down", &isDOWNkey, false},
    {"down-right", &isDOWNRIGHTkey, false},
    {"right", &isRIGHTkey, false},
    {"up-right", &isUPRIGHTkey, false},
    {"Start", &isStartKey, true},
    {"Select", &isSelectKey, true},
    {"L", &isLkey, true},
    {"R", &isRkey, true},
    {"A", &isAkey, true},
    {"B", &isBkey, true},
    {"X", &isXkey, true},
    {"Y", &isYkey, true},
    {"volume up", &isVolUPkey, true},
    {"volume down", &isVolDOWNkey, true},
    {"Enter", &isENTERkey, false},
};

void Press(int button)
{
    SDL_Event event = JoyButtonEvent(SDL_JOYBUTTONDOWN, button);
    KeyDown(&event);
}

void Release(int button)
{
    SDL_Event event = JoyButtonEvent(SDL_JOYBUTTONUP, button);
    KeyUp(&event);
}

void SetAllFlags(Uint8 value)
{
    for (const Flag &f : flagOf)
        *f.flag = value;
}

// Every flag compared with what it should be, so a stray write to any other flag is caught.
void ExpectFlags(const Uint8 (&expected)[BUTTONS])
{
    for (int n = 0; n < BUTTONS; n++)
        EXPECT_EQ(*flagOf[n].flag, expected[n]) << flagOf[n].name << " (button " << n << ")";
}

Uint8 RawByte(const Sint8 &step)
{
    Uint8 raw;
    memcpy(&raw, &step, 1);
    return raw;
}

// Each test starts with every flag released, both steps 0, and leaves the mode as it found it.
class InputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetGameState();
        savedWay_ = _wayIs;
    }
    void TearDown() override
    {
        _wayIs = savedWay_;
        ResetGameState();
    }

private:
    Sint8 savedWay_ = 1;
};

// ---------------------------------------------------------------------------------------------
// Button flags

using ButtonState = InputTest;

TEST_F(ButtonState, EachNumberSetsAndClearsOnlyItsOwnFlag)
{
    // Once with every other flag released and once with every other flag held, so that both a
    // stray set and a stray clear of a neighbour show up.
    for (Uint8 others : {0, 1}) {
        for (int n = 0; n < BUTTONS; n++) {
            SCOPED_TRACE(std::string("button ") + flagOf[n].name + (others ? ", others held" : ", others released"));
            SetAllFlags(others);
            *flagOf[n].flag = 0;
            Uint8 expected[BUTTONS];
            memset(expected, others, sizeof expected);

            expected[n] = 1;
            Press(n);
            ExpectFlags(expected);
            // A second press without a release leaves it held.
            Press(n);
            ExpectFlags(expected);

            expected[n] = 0;
            Release(n);
            ExpectFlags(expected);
        }
    }
}

TEST_F(ButtonState, NumbersAbove18ChangeNoFlagButStillRunTheMode)
{
    // Right, down and up-left held: the three modes give different steps for them, which shows
    // the selected mode ran even though the event names no known button.
    struct {
        Sint8 way;
        int x, y;
    } const modes[] = {{0, 1, 1}, {1, -1, -1}, {2, -2, -2}};

    Uint8 expected[BUTTONS] = {};
    expected[RIGHT] = expected[DOWN] = expected[UPLEFT] = 1;
    expected[A] = expected[VOLUP] = expected[ENTER] = 1;

    for (const auto &mode : modes) {
        _wayIs = mode.way;
        for (int n = BUTTONS; n <= 255; n++) {
            SCOPED_TRACE("mode " + std::to_string(mode.way) + ", button " + std::to_string(n));
            for (int i = 0; i < BUTTONS; i++)
                *flagOf[i].flag = expected[i];

            moveX = 0;
            moveY = 0;
            Press(n);
            ExpectFlags(expected);
            EXPECT_EQ(moveX, mode.x);
            EXPECT_EQ(moveY, mode.y);

            // A release of such a number zeroes no step before the mode runs.
            moveX = 0;
            moveY = 0;
            Release(n);
            ExpectFlags(expected);
            EXPECT_EQ(moveX, mode.x);
            EXPECT_EQ(moveY, mode.y);
        }
    }
}

TEST_F(ButtonState, AllKeyClearClearsExactlyTheTenActionFlags)
{
    _wayIs = 0;
    Press(RIGHT);
    ASSERT_EQ(moveX, 1);
    SetAllFlags(1);
    // 4-way up would make moveY -1; keeping 2 shows no mode ran.
    moveY = 2;

    AllKeyClear();

    Uint8 expected[BUTTONS];
    for (int n = 0; n < BUTTONS; n++)
        expected[n] = flagOf[n].action ? 0 : 1;
    ExpectFlags(expected);
    EXPECT_EQ(moveX, 1);
    EXPECT_EQ(moveY, 2);
}

// ---------------------------------------------------------------------------------------------
// Direction modes: the table of results for the combinations that matter most.

const int KEEP = 100; // the mode leaves this step as it was

struct Step {
    int x, y;
};

struct ModeRow {
    const char *held;
    std::vector<int> buttons;
    Step way4, way8, way16;
};

const std::vector<ModeRow> modeRows = {
    {"up", {UP}, {KEEP, -1}, {KEEP, -1}, {KEEP, -2}},
    {"down", {DOWN}, {KEEP, 1}, {KEEP, 1}, {KEEP, 2}},
    {"left", {LEFT}, {-1, KEEP}, {-1, KEEP}, {-2, KEEP}},
    {"right", {RIGHT}, {1, KEEP}, {1, KEEP}, {2, KEEP}},
    {"up-left", {UPLEFT}, {KEEP, KEEP}, {-1, -1}, {-2, -2}},
    {"up-right", {UPRIGHT}, {KEEP, KEEP}, {1, -1}, {2, -2}},
    {"down-left", {DOWNLEFT}, {KEEP, KEEP}, {-1, 1}, {-2, 2}},
    {"down-right", {DOWNRIGHT}, {KEEP, KEEP}, {1, 1}, {2, 2}},
    {"right + up-right", {RIGHT, UPRIGHT}, {1, KEEP}, {1, -1}, {2, -1}},
    {"right + down-right", {RIGHT, DOWNRIGHT}, {1, KEEP}, {1, 1}, {2, 1}},
    {"left + up-left", {LEFT, UPLEFT}, {-1, KEEP}, {-1, -1}, {-2, -1}},
    {"left + down-left", {LEFT, DOWNLEFT}, {-1, KEEP}, {-1, 1}, {-2, 1}},
    {"up + up-left", {UP, UPLEFT}, {KEEP, -1}, {-1, -1}, {-1, -2}},
    {"up + up-right", {UP, UPRIGHT}, {KEEP, -1}, {1, -1}, {1, -2}},
    {"down + down-left", {DOWN, DOWNLEFT}, {KEEP, 1}, {-1, 1}, {-1, 2}},
    {"down + down-right", {DOWN, DOWNRIGHT}, {KEEP, 1}, {1, 1}, {1, 2}},
    {"up + left", {UP, LEFT}, {-1, -1}, {-1, -1}, {-2, -2}},
    {"up + right", {UP, RIGHT}, {1, -1}, {1, -1}, {2, -2}},
    {"down + left", {DOWN, LEFT}, {-1, 1}, {-1, 1}, {-2, 2}},
    {"down + right", {DOWN, RIGHT}, {1, 1}, {1, 1}, {2, 2}},
    {"left + right", {LEFT, RIGHT}, {-1, KEEP}, {1, KEEP}, {-2, KEEP}},
    {"up + down", {UP, DOWN}, {KEEP, 1}, {KEEP, 1}, {KEEP, 2}},
    {"up + up-left + left", {UP, UPLEFT, LEFT}, {-1, -1}, {-1, -1}, {-2, -1}},
    {"down + down-right + right", {DOWN, DOWNRIGHT, RIGHT}, {1, 1}, {1, 1}, {2, 1}},
    {"up-right + down-left", {UPRIGHT, DOWNLEFT}, {KEEP, KEEP}, {1, -1}, {-2, 2}},
    {"nothing", {}, {KEEP, KEEP}, {KEEP, KEEP}, {KEEP, KEEP}},
};

struct Mode {
    const char *name;
    Sint8 way;
    void (*run)(void);
    Step ModeRow::*result;
};

// Prior steps: 0, which no mode ever stores, and a sentinel no rule can produce, so that both
// a missing write and a write where the table has a dash are caught.
const Step priors[] = {{0, 0}, {7, -7}};

void ExpectStep(Step expected, Step prior)
{
    int x = expected.x == KEEP ? prior.x : expected.x;
    int y = expected.y == KEEP ? prior.y : expected.y;
    EXPECT_EQ(moveX, x) << "moveX, from prior (" << prior.x << ", " << prior.y << ")";
    EXPECT_EQ(moveY, y) << "moveY, from prior (" << prior.x << ", " << prior.y << ")";
}

void PrintTo(const Mode &mode, std::ostream *os) { *os << mode.name; }

class DirectionModes : public InputTest, public ::testing::WithParamInterface<Mode> {};

TEST_P(DirectionModes, ResultsTableCalledDirectly)
{
    const Mode &mode = GetParam();
    for (const ModeRow &row : modeRows) {
        for (Step prior : priors) {
            SCOPED_TRACE(std::string("held: ") + row.held);
            SetAllFlags(0);
            for (int b : row.buttons)
                *flagOf[b].flag = 1;
            moveX = (Sint8)prior.x;
            moveY = (Sint8)prior.y;
            mode.run();
            ExpectStep(row.*mode.result, prior);
        }
    }
}

TEST_P(DirectionModes, ResultsTableThroughPresses)
{
    // Pressing the held buttons one by one runs the mode after each press; every subset of a
    // row's flags sets no step that the whole set leaves alone, so the end result is the row.
    const Mode &mode = GetParam();
    _wayIs = mode.way;
    for (const ModeRow &row : modeRows) {
        for (Step prior : priors) {
            SCOPED_TRACE(std::string("held: ") + row.held);
            SetAllFlags(0);
            moveX = (Sint8)prior.x;
            moveY = (Sint8)prior.y;
            for (int b : row.buttons)
                Press(b);
            // An action button reruns the mode over the same flags.
            Press(A);
            ExpectStep(row.*mode.result, prior);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, DirectionModes,
                         ::testing::Values(Mode{"FourWay", 0, KeyDown4, &ModeRow::way4},
                                           Mode{"EightWay", 1, KeyDown8, &ModeRow::way8},
                                           Mode{"SixteenWay", 2, KeyDown16, &ModeRow::way16}),
                         [](const ::testing::TestParamInfo<Mode> &info) { return info.param.name; });

// ---------------------------------------------------------------------------------------------
// Direction edge cases around releases.

using DirectionReleases = InputTest;

TEST_F(DirectionReleases, ReleasingOneOfLeftAndRightLeavesTheOther)
{
    struct {
        Sint8 way;
        int both, afterLeftUp, afterRightUp;
    } const cases[] = {
        {0, -1, 1, -1},
        {1, 1, 1, -1},
        {2, -2, 2, -2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.way));

        ResetGameState();
        _wayIs = c.way;
        Press(LEFT);
        Press(RIGHT);
        EXPECT_EQ(moveX, c.both);
        Release(LEFT);
        EXPECT_EQ(moveX, c.afterLeftUp);
        EXPECT_EQ(isLEFTkey, 0);
        EXPECT_EQ(moveY, 0);

        ResetGameState();
        _wayIs = c.way;
        Press(LEFT);
        Press(RIGHT);
        Release(RIGHT);
        EXPECT_EQ(moveX, c.afterRightUp);
        EXPECT_EQ(isRIGHTkey, 0);
        EXPECT_EQ(moveY, 0);
    }
}

TEST_F(DirectionReleases, FourWayUpWithUpLeft)
{
    _wayIs = 0;
    Press(UP);
    Press(UPLEFT);
    EXPECT_EQ(moveX, 0);
    EXPECT_EQ(moveY, -1);
    // The diagonal's release zeroes both steps, then up sets moveY again.
    Release(UPLEFT);
    EXPECT_EQ(moveX, 0);
    EXPECT_EQ(moveY, -1);

    ResetGameState();
    Press(UP);
    Press(UPLEFT);
    Release(UP);
    EXPECT_EQ(moveX, 0);
    EXPECT_EQ(moveY, 0);
    EXPECT_EQ(isUPLEFTkey, 1);
}

TEST_F(DirectionReleases, DiagonalReleaseZeroesBothSteps)
{
    struct {
        Sint8 way;
        int button;
    } const cases[] = {
        {1, UPLEFT}, {1, DOWNLEFT}, {1, DOWNRIGHT}, {1, UPRIGHT},
        {2, UPLEFT}, {2, DOWNLEFT}, {2, DOWNRIGHT}, {2, UPRIGHT},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.way) + ", " + flagOf[c.button].name);
        ResetGameState();
        _wayIs = c.way;
        Press(c.button);
        ASSERT_NE(moveX, 0);
        ASSERT_NE(moveY, 0);
        Release(c.button);
        EXPECT_EQ(moveX, 0);
        EXPECT_EQ(moveY, 0);
    }
}

TEST_F(DirectionReleases, ReleaseNeverSeenPressedZeroesItsAxesAndLeavesTheFlag0)
{
    // Which steps each button's release zeroes: 'x', 'y', both, or neither.
    const char *const zeroes[BUTTONS] = {
        "y", "xy", "x", "xy", "y", "xy", "x", "xy",         // the stick
        "", "", "", "", "", "", "", "", "", "", "",         // everything else
    };
    for (Sint8 way : {0, 1, 2, 9}) {
        _wayIs = way;
        for (int n = 0; n < BUTTONS; n++) {
            SCOPED_TRACE("mode " + std::to_string(way) + ", button " + flagOf[n].name);
            SetAllFlags(0);
            moveX = 2;
            moveY = -2;
            Release(n);
            Uint8 none[BUTTONS] = {};
            ExpectFlags(none);
            EXPECT_EQ(moveX, strchr(zeroes[n], 'x') ? 0 : 2);
            EXPECT_EQ(moveY, strchr(zeroes[n], 'y') ? 0 : -2);
        }
    }
}

TEST_F(DirectionReleases, FlagClearedByTheTickStillZeroesOnRelease)
{
    _wayIs = 0;
    Press(RIGHT);
    ASSERT_EQ(moveX, 1);
    isRIGHTkey = 0; // as the menu step of the tick does
    Press(A);
    EXPECT_EQ(moveX, 1);
    Release(RIGHT);
    EXPECT_EQ(moveX, 0);
    EXPECT_EQ(isRIGHTkey, 0);
}

TEST_F(DirectionReleases, ModeOutsideZeroToTwoOnlyEverZeroes)
{
    for (Sint8 way : {3, 4, 100, 127, -1, -128}) {
        SCOPED_TRACE("mode " + std::to_string(way));
        ResetGameState();
        _wayIs = way;
        for (int b : {RIGHT, DOWN, UPLEFT, LEFT, UP, DOWNRIGHT})
            Press(b);
        EXPECT_EQ(moveX, 0);
        EXPECT_EQ(moveY, 0);
        EXPECT_EQ(isRIGHTkey, 1);
        EXPECT_EQ(isUPLEFTkey, 1);

        moveX = 1;
        moveY = 1;
        Press(DOWN);
        EXPECT_EQ(moveX, 1);
        EXPECT_EQ(moveY, 1);
        Release(RIGHT);
        EXPECT_EQ(moveX, 0);
        EXPECT_EQ(moveY, 1);
        Release(UPLEFT);
        EXPECT_EQ(moveX, 0);
        EXPECT_EQ(moveY, 0);
        Press(LEFT);
        EXPECT_EQ(moveX, 0);
        EXPECT_EQ(moveY, 0);
    }
}

TEST_F(DirectionReleases, NegativeStepsAreSignedBytes)
{
    struct {
        Sint8 way;
        int button;
        int x, y;
        Uint8 rawX, rawY;
    } const cases[] = {
        {0, LEFT, -1, 0, 255, 0},
        {0, UP, 0, -1, 0, 255},
        {1, UPLEFT, -1, -1, 255, 255},
        {2, LEFT, -2, 0, 254, 0},
        {2, UPLEFT, -2, -2, 254, 254},
        {2, UPRIGHT, 2, -2, 2, 254},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.way) + ", " + flagOf[c.button].name);
        ResetGameState();
        _wayIs = c.way;
        Press(c.button);
        EXPECT_EQ(moveX, c.x);
        EXPECT_EQ(moveY, c.y);
        EXPECT_EQ(RawByte(moveX), c.rawX);
        EXPECT_EQ(RawByte(moveY), c.rawY);
        // The sign survives a read into a wider integer.
        EXPECT_EQ((int)moveX < 0, c.x < 0);
        EXPECT_EQ((int)moveY < 0, c.y < 0);
    }
}

// ---------------------------------------------------------------------------------------------
// Desktop keys as console buttons, as the game reads them.

struct KeyCase {
    SDLKey key;
    int button;
};

const KeyCase keyMap[] = {
    {SDLK_UP, UP},           {SDLK_KP8, UP},           {SDLK_KP7, UPLEFT},
    {SDLK_LEFT, LEFT},       {SDLK_KP4, LEFT},         {SDLK_KP1, DOWNLEFT},
    {SDLK_DOWN, DOWN},       {SDLK_KP2, DOWN},         {SDLK_KP3, DOWNRIGHT},
    {SDLK_RIGHT, RIGHT},     {SDLK_KP6, RIGHT},        {SDLK_KP9, UPRIGHT},
    {SDLK_RETURN, START},    {SDLK_ESCAPE, START},     {SDLK_TAB, SELECT},
    {SDLK_q, L},             {SDLK_w, R},              {SDLK_a, A},
    {SDLK_SPACE, B},         {SDLK_z, B},              {SDLK_x, X},
    {SDLK_s, Y},             {SDLK_PLUS, VOLUP},       {SDLK_EQUALS, VOLUP},
    {SDLK_KP_PLUS, VOLUP},   {SDLK_MINUS, VOLDOWN},    {SDLK_KP_MINUS, VOLDOWN},
    {SDLK_KP_ENTER, ENTER},
};

// The one button event a key event stands for, or an event of type SDL_NOEVENT for none.
SDL_Event Translated(Uint8 type, SDLKey key)
{
    SDL_Event event = KeyEvent(type, key);
    SDL_Event buttons[HOST_MOST_BUTTONS];
    int n = ButtonsOfEvent(&event, buttons);
    EXPECT_GE(n, 0) << "a mapped key is the host's to translate";
    EXPECT_LE(n, 1);
    if (n == 1)
        return buttons[0];
    event.type = SDL_NOEVENT;
    return event;
}

void ExpectButtonEvent(const SDL_Event &event, Uint8 type, int button)
{
    ASSERT_EQ(event.type, type);
    EXPECT_EQ(event.jbutton.which, HOST_STICK);
    EXPECT_EQ(event.jbutton.button, button);
    EXPECT_EQ(event.jbutton.state, type == SDL_JOYBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED);
}

// The key translation remembers which keys are down; letting every mapped key up returns it
// to its start, whatever a test left behind.
void ReleaseEveryMappedKey()
{
    for (const KeyCase &k : keyMap)
        Translated(SDL_KEYUP, k.key);
}

class DesktopKeys : public InputTest {
protected:
    void SetUp() override
    {
        InputTest::SetUp();
        ReleaseEveryMappedKey();
    }
    void TearDown() override
    {
        ReleaseEveryMappedKey();
        InputTest::TearDown();
    }
};

TEST_F(DesktopKeys, EveryMappedKeyPressesAndReleasesItsButton)
{
    for (const KeyCase &k : keyMap) {
        SCOPED_TRACE(std::string("key ") + SDL_GetKeyName(k.key));
        // The host's plain button: Return's is its own, which the game reads as Start here.
        EXPECT_EQ(PlatformButtonOfKey(k.key), k.key == SDLK_RETURN ? BUTTONS : k.button);
        ExpectButtonEvent(Translated(SDL_KEYDOWN, k.key), SDL_JOYBUTTONDOWN, k.button);
        ExpectButtonEvent(Translated(SDL_KEYUP, k.key), SDL_JOYBUTTONUP, k.button);
    }
}

TEST_F(DesktopKeys, UnmappedKeysAndOtherEventsPassThroughUnchanged)
{
    const SDLKey unmapped[] = {
        SDLK_b, SDLK_e, SDLK_y, SDLK_0, SDLK_1, SDLK_KP0, SDLK_KP5, SDLK_KP_PERIOD,
        SDLK_KP_DIVIDE, SDLK_KP_MULTIPLY, SDLK_KP_EQUALS, SDLK_F2, SDLK_LSHIFT, SDLK_RCTRL,
        SDLK_BACKSPACE, SDLK_PAGEUP, SDLK_PERIOD, SDLK_UNKNOWN,
    };
    for (SDLKey key : unmapped) {
        for (Uint8 type : {SDL_KEYDOWN, SDL_KEYUP}) {
            SCOPED_TRACE(std::string("key ") + SDL_GetKeyName(key) + (type == SDL_KEYDOWN ? " down" : " up"));
            EXPECT_EQ(PlatformButtonOfKey(key), -1);
            SDL_Event event = KeyEvent(type, key), buttons[HOST_MOST_BUTTONS];
            EXPECT_EQ(PlatformEvent(&event, buttons), -1);
        }
    }

    SDL_Event others[] = {JoyButtonEvent(SDL_JOYBUTTONDOWN, B), JoyButtonEvent(SDL_JOYBUTTONUP, START)};
    SDL_Event quit;
    memset(&quit, 0, sizeof quit);
    quit.type = SDL_QUIT;
    for (SDL_Event event : {others[0], others[1], quit}) {
        SDL_Event buttons[HOST_MOST_BUTTONS];
        EXPECT_EQ(PlatformEvent(&event, buttons), -1) << "event type " << (int)event.type;
    }
}

TEST_F(DesktopKeys, KeysSharingAButtonPressOnFirstDownReleaseOnLastUp)
{
    struct {
        int button;
        std::vector<SDLKey> keys;
    } const groups[] = {
        {B, {SDLK_SPACE, SDLK_z}},
        {UP, {SDLK_UP, SDLK_KP8}},
        {LEFT, {SDLK_KP4, SDLK_LEFT}},
        {DOWN, {SDLK_DOWN, SDLK_KP2}},
        {RIGHT, {SDLK_KP6, SDLK_RIGHT}},
        {START, {SDLK_RETURN, SDLK_ESCAPE}},
        {VOLUP, {SDLK_PLUS, SDLK_EQUALS, SDLK_KP_PLUS}},
        {VOLDOWN, {SDLK_KP_MINUS, SDLK_MINUS}},
    };
    for (const auto &g : groups) {
        SCOPED_TRACE(std::string("button ") + flagOf[g.button].name);
        ExpectButtonEvent(Translated(SDL_KEYDOWN, g.keys[0]), SDL_JOYBUTTONDOWN, g.button);
        for (size_t i = 1; i < g.keys.size(); i++)
            EXPECT_EQ(Translated(SDL_KEYDOWN, g.keys[i]).type, SDL_NOEVENT) << "second key down";
        // The first key comes up first while the others still hold the button.
        for (size_t i = 0; i + 1 < g.keys.size(); i++)
            EXPECT_EQ(Translated(SDL_KEYUP, g.keys[i]).type, SDL_NOEVENT) << "a key up while another holds";
        ExpectButtonEvent(Translated(SDL_KEYUP, g.keys.back()), SDL_JOYBUTTONUP, g.button);

        // The button is free again: its next first key presses it anew.
        ExpectButtonEvent(Translated(SDL_KEYDOWN, g.keys.back()), SDL_JOYBUTTONDOWN, g.button);
        ExpectButtonEvent(Translated(SDL_KEYUP, g.keys.back()), SDL_JOYBUTTONUP, g.button);
    }
}

TEST_F(DesktopKeys, RepeatedKeyDownIsSwallowed)
{
    ExpectButtonEvent(Translated(SDL_KEYDOWN, SDLK_a), SDL_JOYBUTTONDOWN, A);
    EXPECT_EQ(Translated(SDL_KEYDOWN, SDLK_a).type, SDL_NOEVENT);
    EXPECT_EQ(Translated(SDL_KEYDOWN, SDLK_a).type, SDL_NOEVENT);
    // Repeats do not count as extra holders: one release lets the button go.
    ExpectButtonEvent(Translated(SDL_KEYUP, SDLK_a), SDL_JOYBUTTONUP, A);

    // The same with two keys of one button, the repeat coming from the first.
    ExpectButtonEvent(Translated(SDL_KEYDOWN, SDLK_SPACE), SDL_JOYBUTTONDOWN, B);
    EXPECT_EQ(Translated(SDL_KEYDOWN, SDLK_SPACE).type, SDL_NOEVENT);
    EXPECT_EQ(Translated(SDL_KEYDOWN, SDLK_z).type, SDL_NOEVENT);
    EXPECT_EQ(Translated(SDL_KEYUP, SDLK_z).type, SDL_NOEVENT);
    ExpectButtonEvent(Translated(SDL_KEYUP, SDLK_SPACE), SDL_JOYBUTTONUP, B);
}

TEST_F(DesktopKeys, ReleaseOfKeyNeverSeenPressedReleasesItsButton)
{
    for (SDLKey key : {SDLK_TAB, SDLK_KP9, SDLK_z}) {
        SCOPED_TRACE(std::string("key ") + SDL_GetKeyName(key));
        int button = PlatformButtonOfKey(key);
        ExpectButtonEvent(Translated(SDL_KEYUP, key), SDL_JOYBUTTONUP, button);
        // The stray release leaves no debt behind: the next press and release are whole.
        ExpectButtonEvent(Translated(SDL_KEYDOWN, key), SDL_JOYBUTTONDOWN, button);
        ExpectButtonEvent(Translated(SDL_KEYUP, key), SDL_JOYBUTTONUP, button);
    }
}

// ---------------------------------------------------------------------------------------------
// The event loop: Start and the volume buttons, through the real handler and the real mixer.

class EventLoopInput : public InputTest {
protected:
    void SetUp() override
    {
        InputTest::SetUp();
        ReleaseEveryMappedKey();
        savedMenu_ = isMenu;
        savedVolume_ = _VOLUME;
        savedGameOver_ = _gameOver;
        savedMixVolume_ = Mix_Volume(-1, -1);
        _wayIs = 0;
    }
    void TearDown() override
    {
        // Closing the menu starts the tick timer; none may outlive the test.
        if (tmSet)
            SDL_RemoveTimer(tmSet);
        tmSet = NULL;
        SDL_Event drained;
        while (SDL_PollEvent(&drained)) {
        }
        ReleaseEveryMappedKey();
        Mix_Volume(-1, savedMixVolume_);
        isMenu = savedMenu_;
        _VOLUME = savedVolume_;
        _gameOver = savedGameOver_;
        InputTest::TearDown();
    }

    static void Handle(SDL_Event event) { HandleEvent(&event); }
    static void PressButton(int b) { Handle(JoyButtonEvent(SDL_JOYBUTTONDOWN, b)); }
    static void ReleaseButton(int b) { Handle(JoyButtonEvent(SDL_JOYBUTTONUP, b)); }
    static void Tap(int b)
    {
        PressButton(b);
        ReleaseButton(b);
    }

    static void ExpectVolume(int volume)
    {
        EXPECT_EQ(_VOLUME, volume);
        EXPECT_EQ(Mix_Volume(-1, -1), volume) << "the mixer's channels";
    }

private:
    Uint8 savedMenu_ = 0;
    Sint8 savedVolume_ = 127;
    Uint8 savedGameOver_ = 0;
    int savedMixVolume_ = MIX_MAX_VOLUME;
};

TEST_F(EventLoopInput, VolumeStepsDownToZeroAndUpTo127)
{
    _VOLUME = 127;
    for (int expected : {117, 107, 97, 87, 77, 67, 57, 47, 37, 27, 17, 7, 0, 0}) {
        Tap(VOLDOWN);
        ExpectVolume(expected);
    }
    for (int expected : {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 127, 127}) {
        Tap(VOLUP);
        ExpectVolume(expected);
    }
    // The releases changed nothing and opened no menu.
    EXPECT_EQ(isMenu, 0);
    if (consolePictures) {
        EXPECT_EQ(fullUpdates, 0);
    }
}

TEST_F(EventLoopInput, HeldVolumeUpRaisesAgainOnAnyOtherPress)
{
    _VOLUME = 50;
    PressButton(VOLUP);
    ExpectVolume(60);
    PressButton(A);
    ExpectVolume(70);
    ReleaseButton(A);
    ExpectVolume(70);
    PressButton(RIGHT);
    ExpectVolume(80);
    ReleaseButton(RIGHT);
    ReleaseButton(VOLUP);

    // No volume button held: the press still applies _VOLUME to the mixer.
    Mix_Volume(-1, 33);
    PressButton(A);
    ExpectVolume(80);
    ReleaseButton(A);
}

TEST_F(EventLoopInput, BothVolumeButtonsHeldApplyUpThenDown)
{
    // Up then down differs from down then up at both ends of the range.
    struct {
        int from, to;
    } const cases[] = {{127, 117}, {120, 117}, {50, 50}, {5, 5}, {0, 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE("from " + std::to_string(c.from));
        isVolUPkey = 1;
        isVolDOWNkey = 1;
        _VOLUME = (Sint8)c.from;
        Tap(B);
        ExpectVolume(c.to);
    }
    isVolUPkey = 0;
    isVolDOWNkey = 0;

    // Reached by real presses: the second button's press applies both.
    _VOLUME = 120;
    PressButton(VOLUP);
    ExpectVolume(127);
    PressButton(VOLDOWN);
    ExpectVolume(117);
}

TEST_F(EventLoopInput, StartOpensTheMenuWithAScreenUpdateAndClosesIt)
{
    ASSERT_EQ(isMenu, 0);
    PressButton(START);
    EXPECT_EQ(isMenu, 1);
    if (consolePictures) {
        EXPECT_EQ(fullUpdates, 1);
    }
    ReleaseButton(START);
    EXPECT_EQ(isMenu, 1);

    PressButton(START);
    EXPECT_EQ(isMenu, 0);
    if (consolePictures) {
        EXPECT_EQ(fullUpdates, 1) << "closing leaves the update to the next tick";
    }
    EXPECT_NE(tmSet, (SDL_TimerID)NULL) << "the tick is restarted";
    ReleaseButton(START);
    EXPECT_EQ(isMenu, 0);
}

TEST_F(EventLoopInput, AfterGameOverStartKeepsTheMenuOpen)
{
    _gameOver = 1;
    isMenu = 1;
    for (int updates = 1; updates <= 3; updates++) {
        Tap(START);
        EXPECT_EQ(isMenu, 1);
        if (consolePictures) {
            EXPECT_EQ(fullUpdates, updates);
        }
    }
}

TEST_F(EventLoopInput, PressWhileStartHeldTogglesTheMenuAgain)
{
    _VOLUME = 60;
    PressButton(START);
    EXPECT_EQ(isMenu, 1);
    if (consolePictures) {
        EXPECT_EQ(fullUpdates, 1);
    }

    PressButton(B);
    EXPECT_EQ(isBkey, 1);
    EXPECT_EQ(isStartKey, 1);
    EXPECT_EQ(isMenu, 0);

    // A volume button while Start is held toggles the menu and leaves the volume alone.
    Mix_Volume(-1, 33);
    PressButton(VOLUP);
    EXPECT_EQ(isMenu, 1);
    if (consolePictures) {
        EXPECT_EQ(fullUpdates, 2);
    }
    EXPECT_EQ(_VOLUME, 60);
    EXPECT_EQ(Mix_Volume(-1, -1), 33);

    // Releases never toggle it.
    ReleaseButton(B);
    ReleaseButton(VOLUP);
    ReleaseButton(START);
    EXPECT_EQ(isMenu, 1);
    if (consolePictures) {
        EXPECT_EQ(fullUpdates, 2);
    }

    // With Start up again, the next press is a volume press, not a toggle.
    PressButton(VOLUP);
    EXPECT_EQ(isMenu, 1);
    ExpectVolume(70);
}

TEST_F(EventLoopInput, DesktopKeysDriveTheSameHandling)
{
    Handle(KeyEvent(SDL_KEYDOWN, SDLK_RIGHT));
    EXPECT_EQ(isRIGHTkey, 1);
    EXPECT_EQ(moveX, 1);
    Handle(KeyEvent(SDL_KEYUP, SDLK_RIGHT));
    // No tick has seen the press yet, so its release waits for one.
    EXPECT_EQ(isRIGHTkey, 1);
    DrawSet();
    StopTick();
    EXPECT_EQ(isRIGHTkey, 0);
    EXPECT_EQ(moveX, 0);
    ResetSpies();

    _VOLUME = 100;
    Handle(KeyEvent(SDL_KEYDOWN, SDLK_MINUS));
    ExpectVolume(90);
    // A key repeat is no new press.
    Handle(KeyEvent(SDL_KEYDOWN, SDLK_MINUS));
    ExpectVolume(90);
    Handle(KeyEvent(SDL_KEYUP, SDLK_MINUS));
    EXPECT_EQ(isVolDOWNkey, 0);

    Handle(KeyEvent(SDL_KEYDOWN, SDLK_ESCAPE));
    EXPECT_EQ(isMenu, 1);
    if (consolePictures) {
        EXPECT_EQ(fullUpdates, 1);
    }
    Handle(KeyEvent(SDL_KEYUP, SDLK_ESCAPE));
    // In the open menu Return chooses: it is Select, and its release lets Select go even
    // once Escape has closed the menu.
    Handle(KeyEvent(SDL_KEYDOWN, SDLK_RETURN));
    EXPECT_EQ(isSelectKey, 1);
    EXPECT_EQ(isStartKey, 0);
    EXPECT_EQ(isMenu, 1);
    Handle(KeyEvent(SDL_KEYDOWN, SDLK_ESCAPE));
    EXPECT_EQ(isMenu, 0) << "Escape closes the menu";
    Handle(KeyEvent(SDL_KEYUP, SDLK_RETURN));
    EXPECT_EQ(isSelectKey, 0);
    Handle(KeyEvent(SDL_KEYUP, SDLK_ESCAPE));
    EXPECT_EQ(isStartKey, 0);
}

TEST_F(EventLoopInput, AltReturnSwitchesTheWindowInsteadOfPressingStart)
{
    SDL_Event down = KeyEvent(SDL_KEYDOWN, SDLK_RETURN);
    down.key.keysym.mod = KMOD_LALT;
    Handle(down);
    EXPECT_EQ(isStartKey, 0);
    EXPECT_EQ(isMenu, 0);
    Handle(KeyEvent(SDL_KEYUP, SDLK_RETURN));
    EXPECT_EQ(isStartKey, 0);
    EXPECT_EQ(SDL_GetVideoSurface(), screen) << "the picture keeps its surface";
    EXPECT_EQ(screen->w, 320);
    // Return alone is Start again.
    Handle(KeyEvent(SDL_KEYDOWN, SDLK_RETURN));
    EXPECT_EQ(isMenu, 1);
    Handle(KeyEvent(SDL_KEYUP, SDLK_RETURN));
}




// ---------------------------------------------------------------------------------------------
// WaitKey on the real SDL event queue.

using WaitKeyTest = InputTest;

// Should WaitKey miss the queued release, this pushes another one later so the test fails
// instead of hanging.
bool rescued = false;
Uint32 Rescue(Uint32, void *)
{
    rescued = true;
    SDL_Event release = JoyButtonEvent(SDL_JOYBUTTONUP, ENTER);
    SDL_PushEvent(&release);
    return 0;
}

TEST_F(WaitKeyTest, WaitsForAPressThenARelease)
{
    _wayIs = 0;
    if (tmSet)
        SDL_RemoveTimer(tmSet);
    tmSet = NULL;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }

    SetAllFlags(1);
    isDOWNkey = 0;
    isLEFTkey = 0;
    moveX = 1;  // right held
    moveY = -1; // up held

    SDL_Event user;
    memset(&user, 0, sizeof user);
    user.type = SDL_USEREVENT;
    user.user.code = 0x5EF;
    std::vector<SDL_Event> queued = {
        user,                               // not a press: dropped
        JoyButtonEvent(SDL_JOYBUTTONUP, UP),      // not a press: dropped, up stays held
        JoyButtonEvent(SDL_JOYBUTTONDOWN, DOWN),  // the press, which is not recorded
        JoyButtonEvent(SDL_JOYBUTTONDOWN, ENTER), // handed to KeyUp all the same: clears Enter
        JoyButtonEvent(SDL_JOYBUTTONUP, RIGHT),   // the release: clears right and moveX, and ends the wait
        JoyButtonEvent(SDL_JOYBUTTONUP, UP),      // after the wait: stays queued
    };
    for (SDL_Event &e : queued)
        ASSERT_EQ(SDL_PushEvent(&e), 0) << SDL_GetError();

    rescued = false;
    SDL_TimerID rescue = SDL_AddTimer(5000, Rescue, NULL);
    WaitKey();
    SDL_RemoveTimer(rescue);
    EXPECT_FALSE(rescued) << "WaitKey did not stop at the queued release";

    Uint8 expected[BUTTONS] = {};
    expected[UP] = 1;
    expected[UPLEFT] = expected[DOWNLEFT] = expected[DOWNRIGHT] = expected[UPRIGHT] = 1;
    ExpectFlags(expected); // action flags cleared, down never set, Enter and right released
    EXPECT_EQ(moveX, 0);
    EXPECT_EQ(moveY, -1);

    ASSERT_EQ(SDL_PollEvent(&event), 1) << "the event after the release was consumed";
    EXPECT_EQ(event.type, SDL_JOYBUTTONUP);
    EXPECT_EQ(event.jbutton.button, UP);
    while (SDL_PollEvent(&event)) {
    }
}

} // namespace

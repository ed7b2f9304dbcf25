// The game tick in process: button events through the event loop's handler, then DrawSet.
#include <gtest/gtest.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>
#include <vector>

#include "board/board.h"
#include "app/app.h"
#include "game/game.h"
#include "harness.h"
#include "gfx/gfx.h"
#include "input/input.h"
#include "support.h"

// The tile sheet's copy in the screen's pixels: a variable of the drawing that only tests reach.
extern SDL_Surface *tileOnScreen;

namespace {

enum { UP = 0, LEFT_ = 2, RIGHT = 6, DOWN = 4, START = 8, SELECT = 9, L = 10, R = 11, B = 13, X = 14 };

const Rows latin = {"0123456", "3456012", "6012345", "2345601", "5601234", "1234560", "4560123"};

class Tick : public ::testing::Test {
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
    }

    static void Button(Uint8 type, int button)
    {
        SDL_Event event = JoyButtonEvent(type, button);
        HandleEvent(&event);
    }
    static void Press(int button) { Button(SDL_JOYBUTTONDOWN, button); }
    static void Release(int button) { Button(SDL_JOYBUTTONUP, button); }
    static void Tap(int button) { Press(button); DrawSet(); Release(button); }
    // The ticks waiting in SDL's queue, taken out of it.
    static int TicksWaiting()
    {
        SDL_Event event;
        int ticks = 0;
        while (SDL_PollEvent(&event))
            ticks += event.type == SDL_USEREVENT;
        return ticks;
    }
    // Every event handled as it comes, for a while.
    static void RunEventsFor(Uint32 milliseconds)
    {
        Uint32 start = SDL_GetTicks();
        while (SDL_GetTicks() - start < milliseconds) {
            SDL_Event event;
            while (SDL_PollEvent(&event))
                HandleEvent(&event);
            SDL_Delay(1);
        }
    }
};

TEST_F(Tick, HeldRightMovesOneColumnPerTickAndWraps)
{
    mx = 4; my = 2;
    Press(RIGHT);
    const int columns[] = {5, 6, 0, 1};
    for (int i = 0; i < 4; i++) {
        DrawSet();
        EXPECT_EQ(mx, columns[i]);
        EXPECT_EQ(my, 2);
        EXPECT_EQ(soundsPlayed[3], i + 1) << "a move sound every tick";
        if (consolePictures) {
            EXPECT_EQ(fullUpdates, i + 1) << "every tick shows the whole screen";
        }
    }
    Release(RIGHT);
    DrawSet();
    EXPECT_EQ(mx, 1);
    EXPECT_EQ(soundsPlayed[3], 4);
}

TEST_F(Tick, LiftAtTheRightEdgeThenRightSwapsWithColumnZero)
{
    // Row 5's ends swapped line up three 1s down column 6.
    SetBoard({"0123456", "3656012", "6012345", "2345661", "5601231", "1234560", "4160126"});
    mx = 6; my = 5;
    Tap(B);
    EXPECT_EQ(SET, 1);
    EXPECT_EQ(setX, 6);
    EXPECT_EQ(soundsPlayed[0], 1);
    Tap(RIGHT);
    EXPECT_EQ(mx, 0);
    EXPECT_EQ(SET, 0);
    EXPECT_GE(score, 30u + 60u) << "the swap cleared a run and its fall cleared another";
    EXPECT_EQ(soundsPlayed[3], 1);
}

TEST_F(Tick, UpAndRightTogetherSwapDiagonally)
{
    // (2, 4) moved to (3, 3) completes the 3s of row 3.
    SetBoard({"0123456", "3456012", "6012345", "2345331", "5631234", "1234560", "4560123"});
    ASSERT_FALSE(HasRun(table));
    mx = 2; my = 4;
    Tap(B);
    Press(UP);
    Press(RIGHT);
    DrawSet();
    EXPECT_EQ(mx, 3);
    EXPECT_EQ(my, 3);
    EXPECT_EQ(SET, 0);
    EXPECT_GE(score, 30u);
}

TEST_F(Tick, XCancelsOnlyALiftedTile)
{
    Tap(X);
    EXPECT_EQ(soundsPlayed[2], 0);
    Tap(B);
    ASSERT_EQ(SET, 1);
    Tap(X);
    EXPECT_EQ(SET, 0);
    EXPECT_EQ(soundsPlayed[2], 1);

    // X in the tick of a swap: the swap has already put the tile down.
    Tap(B);
    Press(X);
    Press(RIGHT);
    DrawSet();
    EXPECT_EQ(SET, 0);
    EXPECT_EQ(soundsPlayed[2], 1);
}

TEST_F(Tick, LiftedAgainWithBWhereTheCursorIs)
{
    mx = 1; my = 1;
    Tap(B);
    mx = 5; my = 2; // as after a new game
    Tap(B);
    EXPECT_EQ(setX, 5);
    EXPECT_EQ(setY, 2);
    EXPECT_EQ(soundsPlayed[0], 2);
}

TEST_F(Tick, MenuStepsOnePerPressAndWraps)
{
    isMenu = 1;
    _currMenu = 2;
    Press(DOWN);
    DrawSet();
    DrawSet(); // still held: the tick cleared the step, so nothing more
    EXPECT_EQ(_currMenu, 3);
    Release(DOWN);
    Tap(DOWN);
    EXPECT_EQ(_currMenu, 0);
    Tap(UP);
    EXPECT_EQ(_currMenu, 3);
    EXPECT_EQ(soundsPlayed[3], 0) << "the menu moves silently";
}

TEST_F(Tick, NewGameDealsAndClosesTheMenu)
{
    isMenu = 1;
    _gameOver = 1;
    _currMenu = 1;
    score = 999;
    mx = 0; my = 6;
    Press(SELECT);
    DrawSet();
    ConfirmNewGame();
    EXPECT_EQ(isMenu, 0);
    EXPECT_EQ(isSelectKey, 0);
    EXPECT_EQ(_gameOver, 0);
    EXPECT_EQ(score, 0u);
    EXPECT_EQ(mx, 3);
    EXPECT_EQ(my, 3);
    EXPECT_FALSE(HasRun(table));
    if (consolePictures) {
        EXPECT_EQ(fullUpdates, 1);
    }
}

TEST_F(Tick, QuitEndsTheLoopWithNoFurtherTick)
{
    StartTick();
    isMenu = 1;
    _currMenu = 3;
    Press(B);
    RunTick();
    EXPECT_EQ(done, 1);
    if (consolePictures) {
        EXPECT_EQ(fullUpdates, 0);
    }
    // Nothing more arrives, not even from the timer that was running.
    SDL_Delay(200);
    EXPECT_EQ(TicksWaiting(), 0);
}

TEST_F(Tick, OneChainOfTicksAfterARestart)
{
    // A restart while a tick is waiting in the queue must not leave two chains running.
    StartTick();
    SDL_Delay(100);
    StartTick();
    RunEventsFor(400);
    // One chain gives at most 400 / 70 + 1 ticks; two would give about twice as many. (A
    // desktop also presents what moves on its own clock between ticks.)
    EXPECT_GE(fullUpdates, 1);
    if (consolePictures) {
        EXPECT_LE(fullUpdates, 6);
    }
}

TEST_F(Tick, TheTimerSaysOnceWhenTheTickIsDue)
{
    // Unanswered, the timer posts one tick and no more: the next is scheduled by the tick itself.
    StartTick();
    SDL_Delay(400);
    EXPECT_EQ(TicksWaiting(), 1);
}

// How long SDL's timer really takes, at the least, to fire a one-shot timer of one tick period.
// The classic SDL 1.2 fires 10 ms early (it takes its own resolution off the interval);
// sdl12-compat does not. A busy machine only ever makes a timer late: the least of a few is it.
Uint32 TimerPeriod()
{
    static std::atomic<Uint32> fired;
    Uint32 least = 0xFFFFFFFFu;
    for (int i = 0; i < 3; i++) {
        fired = 0;
        Uint32 start = SDL_GetTicks();
        SDL_TimerID timer = SDL_AddTimer(_timer, [](Uint32, void *) -> Uint32 {
            fired = SDL_GetTicks();
            return 0;
        }, NULL);
        while (fired == 0)
            SDL_Delay(1);
        SDL_RemoveTimer(timer);
        least = std::min(least, (Uint32)fired - start);
    }
    return least;
}

TEST_F(Tick, ASlowTickIsFollowedByAWholePeriod)
{
    // Ticks that take 30 ms: the next is due a whole period after each one ends, never sooner.
    Uint32 period = TimerPeriod();
    updateDelay = 30;
    StartTick();
    RunEventsFor(800);
    StopTick();
    ASSERT_GE(updateTimes.size(), 4u);
    for (size_t i = 1; i < updateTimes.size(); i++)
        EXPECT_GE(updateTimes[i] - updateTimes[i - 1], period + 30u - 5u) << "tick " << i;
}

TEST_F(Tick, TapsBetweenTwoTicksAreNotLost)
{
    mx = 2; my = 2;
    Press(RIGHT);
    Release(RIGHT);
    EXPECT_EQ(isRIGHTkey, 1) << "the release waits for the tick";
    DrawSet();
    EXPECT_EQ(mx, 3);
    EXPECT_EQ(isRIGHTkey, 0);
    EXPECT_EQ(moveX, 0);
    DrawSet();
    EXPECT_EQ(mx, 3) << "one tap, one step";

    Press(B);
    Release(B);
    DrawSet();
    EXPECT_EQ(SET, 1);
    EXPECT_EQ(isBkey, 0);

    // A press the tick has already seen is released at once, and so is Start, which the
    // event loop acts on as it arrives.
    Press(LEFT_);
    DrawSet();
    Release(LEFT_);
    EXPECT_EQ(isLEFTkey, 0);
    EXPECT_EQ(moveX, 0);
    Press(START);
    Release(START);
    EXPECT_EQ(isStartKey, 0);
    EXPECT_EQ(isMenu, 1);
}

TEST_F(Tick, ShoulderButtonsWrapTheSkin)
{
    Uint8 saved = skinMax;
    for (Uint8 skins : {1, 4}) {
        skinMax = skins;
        skin = 0;
        Tap(L);
        EXPECT_EQ(skin, skins - 1);
        Tap(R);
        EXPECT_EQ(skin, 0);
        for (int i = 0; i < skins; i++)
            Tap(R);
        EXPECT_EQ(skin, 0) << skins << " skins";
        EXPECT_EQ(isLkey, 0);
        EXPECT_EQ(isRkey, 0);
    }
    skinMax = saved;
}

TEST_F(Tick, TapsDoNotCrossAMenuToggle)
{
    // In play, the menu last left on new game: a B tap, then Start, before the next tick.
    _currMenu = 1;
    score = 40;
    Rows before = BoardRows();
    Press(B);
    Release(B);
    Press(START);
    ASSERT_EQ(isMenu, 1);
    DrawSet();
    EXPECT_EQ(isMenu, 1);
    EXPECT_EQ(score, 40u) << "the game in progress was lost";
    EXPECT_EQ(BoardRows(), before);
    Release(START);

    // On quit game the same taps must not end the program.
    isMenu = 0;
    _currMenu = 3;
    Press(B);
    Release(B);
    Press(START);
    EXPECT_EQ(DrawSet(), 0) << "the program ended";
    Release(START);

    // Menu open: a Down tap, then Start to close it; the next game tick leaves the cursor be.
    isMenu = 1;
    mx = 3; my = 3;
    Press(DOWN);
    Release(DOWN);
    Press(START);
    ASSERT_EQ(isMenu, 0);
    DrawSet();
    EXPECT_EQ(my, 3);
    EXPECT_EQ(_currMenu, 3);
    Release(START);
}

TEST_F(Tick, HeldButtonsActOncePerPress)
{
    Uint8 saved = skinMax;
    skinMax = 4;
    skin = 0;
    Press(R);
    for (int i = 0; i < 3; i++)
        DrawSet();
    EXPECT_EQ(skin, 1) << "R held over three ticks";
    Release(R);
    Press(L);
    for (int i = 0; i < 3; i++)
        DrawSet();
    EXPECT_EQ(skin, 0) << "L held over three ticks";
    Release(L);
    skinMax = saved;

    // The B that chooses new game lifts nothing in the new game, however long it is held.
    isMenu = 1;
    _currMenu = 1;
    Press(B);
    for (int i = 0; i < 3; i++)
        DrawSet();
    Release(B);
    ConfirmNewGame();
    DrawSet();
    EXPECT_EQ(isMenu, 0);
    EXPECT_EQ(SET, 0);
    EXPECT_EQ(soundsPlayed[0], 0);
}

TEST_F(Tick, PressedAgainBeforeTheTickIsHeld)
{
    mx = 1; my = 1;
    Press(RIGHT);
    Release(RIGHT);
    Press(RIGHT);
    for (int i = 0; i < 3; i++)
        DrawSet();
    EXPECT_EQ(mx, 4) << "a held direction repeats every tick";
    EXPECT_EQ(isRIGHTkey, 1);
    Release(RIGHT);
    DrawSet();
    EXPECT_EQ(mx, 4);
}


// ---------------------------------------------------------------------------------------------
// Showing less than the whole screen: only the rectangles whose pixels changed.

// Long enough after a present for sdl12-compat to show a partial update at once.
void PastOnePresent() { std::this_thread::sleep_for(std::chrono::milliseconds(60)); }

// The newest picture SDL's dummy driver saved (SDL_VIDEO_DUMMY_SAVE_FRAMES) as bytes, and how many it saved.
std::vector<char> NewestFrame(int *count)
{
    std::vector<std::filesystem::path> frames;
    for (const auto &e : std::filesystem::directory_iterator("."))
        if (e.path().filename().string().rfind("SDL_window", 0) == 0)
            frames.push_back(e.path());
    *count = (int)frames.size();
    std::sort(frames.begin(), frames.end());
    std::ifstream in(frames.empty() ? "" : frames.back().string(), std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

TEST_F(Tick, APartSdlHoldsBackIsShownAtTheLoopsNextLook)
{
    // sdl12-compat also presents on its own while it looks for events; a part updated right
    // after that is held back until a look a frame time later, which the loop must make.
    partialPresents = 1;
    RunTick();
    PastOnePresent();
    setenv("SDL_VIDEO_DUMMY_SAVE_FRAMES", "1", 1);
    for (int i = 0; i < 3; i++) {
        SCOPED_TRACE(i);
        SDL_UpdateRect(screen, 0, 0, 320, 240); // SDL's own present, unknown to the game
        int saved = 0;
        NewestFrame(&saved);
        if (saved == 0) {
            unsetenv("SDL_VIDEO_DUMMY_SAVE_FRAMES");
            GTEST_SKIP() << "this SDL saves no frames (the classic SDL 1.2, which holds back no part either)";
        }
        mx = (Sint16)(i + 1);                    // a change shown in part
        RunTick();
        // As the loop waits: until the present is due, then a look at SDL's queue.
        int due = PresentDue(SDL_GetTicks());
        if (due >= 0) {
            SDL_Delay((Uint32)due);
            Uint32 looked = SDL_GetTicks();
            SDL_Event event;
            while (SDL_PollEvent(&event)) {
            }
            EXPECT_EQ(PresentDue(looked), -1);
        }
        int before = 0, after = 0;
        std::vector<char> shown = NewestFrame(&before);
        SDL_UpdateRect(screen, 0, 0, 320, 240); // all of the screen, shown at once
        EXPECT_TRUE(shown == NewestFrame(&after)) << "the window shows a picture before the screen's";
        EXPECT_EQ(after, before + 1);
        PastOnePresent();
    }
    unsetenv("SDL_VIDEO_DUMMY_SAVE_FRAMES");
    for (const auto &e : std::filesystem::directory_iterator("."))
        if (e.path().filename().string().rfind("SDL_window", 0) == 0)
            std::filesystem::remove(e.path());
}

TEST_F(Tick, EveryChangeIsShownAndASmallOneInPart)
{
    Uint8 savedSkins = skinMax;
    // Whether the change is so large (or the window's pixels so unknown) that all is shown.
    const struct {
        const char *what;
        bool whole;
        std::function<void()> change;
    } changes[] = {
        {"nothing", false, [] {}},
        {"a tile", false, [] { table[10] = (Uint8)((table[10] + 1) % 7); }},
        {"a mark", false, [] { same[20] = 2; }},
        {"the skin", true, [] { skin = 1; }},
        {"the cursor", false, [] { mx = 4; }},
        {"a lift", false, [] { SET = 1; setX = mx; setY = my; }},
        {"the lifted cell", false, [] { SET = 1; setX = 0; setY = 0; }},
        {"the menu's state", false, [] { _currMenu = 2; }},
        {"the score", false, [] { score += 30; }},
        {"the menu drawn", false, [] { ShowMenu(1); }},
        {"the score drawn", false, [] { score += 30; DrawScore(); }},
        {"anything drawn", false, [] { FillRec(screen, 0, 0, 5, 5, 0); }},
        {"a copy drawn", false, [] { PutSurface(image, screen, 0, 0, 100, 100, 5, 5); }},
        {"the tile sheet", false, [] { ASSERT_EQ(LoadTile("tile.bmp"), 1); }},
        {"the window uncovered", true, [] {
             SDL_Event expose;
             memset(&expose, 0, sizeof expose);
             expose.type = SDL_VIDEOEXPOSE;
             HandleEvent(&expose);
         }},
    };
    for (const auto &c : changes) {
        SCOPED_TRACE(c.what);
        ResetGameState();
        SetBoard(latin);
        skinMax = 2;
        partialPresents = 1;
        std::vector<std::vector<Uint16>> pictures;
        shownPictures = &pictures;
        RunTick();
        PastOnePresent();
        RunTick();
        ASSERT_EQ(fullUpdates, 1);
        ASSERT_EQ(cellUpdates, 1) << "idle, the cursor's cell alone is shown";
        PastOnePresent();
        c.change();
        PastOnePresent(); // a desktop shows an uncovered window at once
        RunTick();
        shownPictures = NULL;
        ASSERT_FALSE(pictures.empty());
        EXPECT_TRUE(pictures.back() == ScreenPixels()) << "the display shows the screen";
        EXPECT_EQ(fullUpdates, c.whole ? 2 : 1);
    }
    skinMax = savedSkins;
}

// Every picture shown, in order: the screen as each update left it on the display.
std::vector<std::vector<Uint16>> PresentedFrames(const std::function<void()> &play)
{
    std::vector<std::vector<Uint16>> pictures;
    shownPictures = &pictures;
    play();
    shownPictures = NULL;
    return pictures;
}

// A short game played through the real event handling and tick: idle ticks, a lift, a swap
// that sets off a cascade on this seed, a new skin, the menu opened and closed. Every picture
// shown, as PresentedFrames records them.
const Rows scriptBoard = {"0123456", "3456012", "6101145", "2345601", "5601234", "1234560", "4560123"};

unsigned ScriptSeed()
{
    // A lift at (1, 2) and a step right clear the 3s of row 2.
    SetBoard(scriptBoard);
    return FindSeed(table, 1 + 7 * 2, 2 + 7 * 2, [](const MoveOutcome &o) { return o.steps.size() >= 2 && !o.gameOver; });
}

std::vector<std::vector<Uint16>> PlayScript(unsigned seed, Uint8 partial)
{
    auto button = [](Uint8 type, int b) {
        SDL_Event event = JoyButtonEvent(type, b);
        HandleEvent(&event);
    };
    // The points a move makes rise and the counter counts on a desktop's clock: held, each play
    // shows the same, and far from the last, none of the last play's points show.
    static Uint32 held = 5000;
    HoldHostClock(held += 10000);
    return PresentedFrames([&] {
        ResetGameState();
        Start(); // the whole screen drawn afresh, then the board of the script
        SetBoard(scriptBoard);
        partialPresents = partial;
        mx = 1; my = 2;
        auto tick = [] { RunTick(); PastOnePresent(); };
        auto tap = [&](int b) { button(SDL_JOYBUTTONDOWN, b); tick(); button(SDL_JOYBUTTONUP, b); };
        for (int i = 0; i < 3; i++)
            tick();
        tap(B);
        for (int i = 0; i < 3; i++)
            tick();
        srand(seed);
        tap(RIGHT);
        for (int i = 0; i < 3; i++)
            tick();
        tap(R);
        tick();
        button(SDL_JOYBUTTONDOWN, START); // the menu opens at once, and closes again
        button(SDL_JOYBUTTONUP, START);
        tick();
        tick();
        button(SDL_JOYBUTTONDOWN, START);
        RunTick();
        button(SDL_JOYBUTTONUP, START);
        for (int i = 0; i < 4; i++)
            tick();
        StopTick();
        HoldHostClock(0);
    });
}

// A present that shows no new pixel shows no new picture: runs of one picture count once.
std::vector<std::vector<Uint16>> Distinct(std::vector<std::vector<Uint16>> pictures)
{
    pictures.erase(std::unique(pictures.begin(), pictures.end()), pictures.end());
    return pictures;
}

void ExpectSamePictures(const std::vector<std::vector<Uint16>> &shown, const std::vector<std::vector<Uint16>> &shownToo)
{
    std::vector<std::vector<Uint16>> a = Distinct(shown), b = Distinct(shownToo);
    ASSERT_GE(a.size(), 20u);
    ASSERT_EQ(b.size(), a.size()) << "pictures presented";
    for (size_t i = 0; i < a.size(); i++)
        EXPECT_TRUE(b[i] == a[i]) << "picture " << i << " differs";
}

TEST_F(Tick, ShowingOnlyWhatChangedPresentsTheSamePicturesAsShowingAll)
{
    unsigned seed = ScriptSeed();
    ASSERT_NE(seed, 0u);
    std::vector<std::vector<Uint16>> whole = PlayScript(seed, 0);
    int wholeUpdates = fullUpdates;
    std::vector<std::vector<Uint16>> partial = PlayScript(seed, 1);
    EXPECT_GE(cellUpdates, 8) << "idle ticks showed the cursor's cell alone";
    EXPECT_LT(fullUpdates * 2, wholeUpdates) << "the lift, the moves and the menu were shown in part";
    ExpectSamePictures(whole, partial);
}

TEST_F(Tick, TheSheetInTheScreensPixelsDrawsWhatTheSheetItselfDraws)
{
    unsigned seed = ScriptSeed();
    ASSERT_NE(seed, 0u);
    ASSERT_EQ(TileToDraw(), tileOnScreen);
    ASSERT_NE(tileOnScreen, nullptr) << "our own sheet is copied into the screen's pixels";
    EXPECT_EQ(tileOnScreen->format->BitsPerPixel, screen->format->BitsPerPixel);
    std::vector<std::vector<Uint16>> copied = PlayScript(seed, 0);
    // Without the copy, the board is drawn from the sheet as it was loaded.
    SDL_Surface *copy = tileOnScreen;
    tileOnScreen = NULL;
    std::vector<std::vector<Uint16>> raw = PlayScript(seed, 0);
    tileOnScreen = copy;
    ExpectSamePictures(raw, copied);
}

TEST_F(Tick, TheConsoleShowsEachStepOfAMoveWholeWithItsSound)
{
    if (!consolePictures)
        GTEST_SKIP() << "a desktop plays a move in motion (test_features)";
    unsigned seed = ScriptSeed();
    ASSERT_NE(seed, 0u);
    const MoveOutcome model = SimulateMove(table, 1 + 7 * 2, 2 + 7 * 2, seed);
    const std::vector<std::vector<Uint16>> shown = PlayScript(seed, 0);
    std::vector<int> sounds(1, 0); // the lift, a clear sound for each step, the move sound last
    sounds.insert(sounds.end(), model.steps.size(), 1);
    sounds.push_back(3);
    EXPECT_EQ(soundOrder, sounds);
    // One picture a step, one after another: the board after its fall and refill, and the score
    // with its points, as the model plays the move.
    skin = 0; // as it was during the move
    auto step = [&](size_t k) {
        DrawTiles(model.boards[k].data(), NULL);
        DrawPoints(model.scores[k]);
        return ScreenPixels();
    };
    auto same = [](const std::vector<Uint16> &a, const std::vector<Uint16> &b) {
        for (int at = 0; at < 320 * 240; at++) {
            int x = at % 320, y = at / 320;
            if (((x >= 80 && y >= 1) || (x >= 5 && x < 75 && y >= 40 && y < 53)) && a[at] != b[at])
                return false;
        }
        return true;
    };
    size_t first = 0;
    while (first < shown.size() && !same(shown[first], step(0)))
        first++;
    ASSERT_LT(first + model.steps.size(), shown.size()) << "the first step is shown";
    for (size_t k = 1; k < model.steps.size(); k++)
        EXPECT_TRUE(same(shown[first + k], step(k))) << "step " << k + 1;
}

} // namespace

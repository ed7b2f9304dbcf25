// A scripted session of the real game: real event loop, timer-driven tick and audio, with button presses pushed from another thread.
//
// The game comes up as main brings it up, then EventLoop runs on the main thread while a
// player thread pushes joystick presses and releases into SDL's queue with SDL_PushEvent,
// as the console's input would arrive: concurrently with SDL's timer thread, which posts the
// tick, and the audio thread, which mixes the sounds. The player looks at the game only
// through snapshots that the main thread takes at the end of every tick, so the player never
// touches the game's globals and a race that ThreadSanitizer reports is never the script's.
//
// Exit status: 0 when the whole script played out and the quit item ended the loop, 1 with
// a message otherwise.
#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "board/board.h"
#include "app/app.h"
#include "game/game.h"
#include "sound/sound.h"
#include "harness.h"
#include "gfx/gfx.h"
#include "input/input.h"

namespace fs = std::filesystem;

namespace {

// What the player thread may know of the game: a copy made on the main thread.
struct Snapshot {
    Uint8 table[BOARD_CELLS];
    Sint16 mx, my, setX, setY;
    Sint8 set;
    Uint8 isMenu, currMenu, gameOver, skin, skinMax;
    Sint8 volume;
    Uint32 score;
    long tickEnds; // ends of ticks (and restarts of the tick) seen so far
};

std::mutex lock;
std::condition_variable changed;
Snapshot latest; // guarded by lock

// What the whole session saw, kept by the main thread only and read once the loop is over.
struct Seen {
    long tickEnds = 0;
    std::set<int> skins;
    std::set<int> volumes;
    std::set<int> menuItems;
    int menuOpenings = 0, menuClosings = 0;
    int lifts = 0;
    int scoreRises = 0;
    int scoreResets = 0;
    Uint32 bestScore = 0;
    int offBoard = 0;
} seen;
Uint8 lastIsMenu = 0, lastSet = 0;
Uint32 lastScore = 0;

void TakeSnapshot()
{
    // Board state with a run on it or marks left over between ticks would be a fault too.
    for (int i = 0; i < BOARD_CELLS; i++)
        if (table[i] > 6 || same[i] != 0)
            seen.offBoard++;
    if (mx < 0 || mx > 6 || my < 0 || my > 6)
        seen.offBoard++;

    seen.tickEnds++;
    seen.skins.insert(skin);
    seen.volumes.insert(_VOLUME);
    if (isMenu)
        seen.menuItems.insert(_currMenu);
    seen.menuOpenings += isMenu && !lastIsMenu;
    seen.menuClosings += !isMenu && lastIsMenu;
    seen.lifts += SET && !lastSet;
    seen.scoreRises += score > lastScore;
    seen.scoreResets += score < lastScore;
    if (score > seen.bestScore)
        seen.bestScore = score;
    lastIsMenu = isMenu;
    lastSet = (Uint8)SET;
    lastScore = score;

    std::lock_guard<std::mutex> guard(lock);
    memcpy(latest.table, table, sizeof latest.table);
    latest.mx = mx;
    latest.my = my;
    latest.setX = setX;
    latest.setY = setY;
    latest.set = SET;
    latest.isMenu = isMenu;
    latest.currMenu = _currMenu;
    latest.gameOver = _gameOver;
    latest.skin = skin;
    latest.skinMax = skinMax;
    latest.volume = _VOLUME;
    latest.score = score;
    latest.tickEnds = seen.tickEnds;
    changed.notify_all();
}

} // namespace

// The game schedules its next tick at the end of every tick, and when the tick is restarted;
// that is where the snapshot is taken. The call goes on to SDL unchanged.
extern "C" {
SDL_TimerID __real_SDL_AddTimer(Uint32 interval, SDL_NewTimerCallback callback, void *param);
SDL_TimerID __wrap_SDL_AddTimer(Uint32 interval, SDL_NewTimerCallback callback, void *param)
{
    TakeSnapshot();
    return __real_SDL_AddTimer(interval, callback, param);
}
}

namespace {

const Uint32 kTickTimeoutMs = 10000; // a tick every 70 ms; sanitizers slow the game, not the clock

class Player {
public:
    explicit Player(unsigned seed) : rng_(seed) {}

    void operator()()
    {
        try {
            Play();
            finished_ = true;
        } catch (const std::string &why) {
            failure_ = why;
            // End the loop so that the session reports instead of hanging.
            SDL_Event quit;
            memset(&quit, 0, sizeof quit);
            quit.type = SDL_QUIT;
            Push(quit);
        }
    }

    bool finished() const { return finished_; }
    const std::string &failure() const { return failure_; }
    int scoringSwaps() const { return scoringSwaps_; }
    int undoneSwaps() const { return undoneSwaps_; }
    int newGames() const { return newGames_; }

private:
    std::mt19937 rng_;
    bool finished_ = false;
    std::string failure_;
    int scoringSwaps_ = 0, undoneSwaps_ = 0, newGames_ = 0;

    static void Fail(const std::string &what) { throw what; }

    static Snapshot Now()
    {
        std::lock_guard<std::mutex> guard(lock);
        return latest;
    }

    // Waits until n more tick ends have been seen.
    static Snapshot WaitTicks(int n, const char *what)
    {
        std::unique_lock<std::mutex> guard(lock);
        long target = latest.tickEnds + n;
        while (latest.tickEnds < target) {
            long before = latest.tickEnds;
            changed.wait_for(guard, std::chrono::milliseconds(kTickTimeoutMs));
            if (latest.tickEnds == before)
                throw std::string("no tick for ") + std::to_string(kTickTimeoutMs) + " ms while " + what;
        }
        return latest;
    }

    static void Push(SDL_Event &event)
    {
        // A full queue is not the game's fault; try again a little later.
        for (int tries = 0; SDL_PushEvent(&event) != 0; tries++) {
            if (tries > 1000)
                throw std::string("SDL_PushEvent keeps failing: ") + SDL_GetError();
            SDL_Delay(1);
        }
    }

    static void Button(Uint8 type, int button)
    {
        SDL_Event event = JoyButtonEvent(type, button);
        Push(event);
    }
    static void Press(int button) { Button(SDL_JOYBUTTONDOWN, button); }
    static void Release(int button) { Button(SDL_JOYBUTTONUP, button); }

    // A press and its release. Held for no tick, the release often comes before the tick has
    // seen the press, which the event loop must hold back; otherwise held for whole ticks.
    // Two tick ends after the release the effect is in the snapshot, whichever of the two
    // ticks acted on it.
    Snapshot Tap(int button, int holdTicks, const char *what)
    {
        Press(button);
        if (holdTicks > 0)
            WaitTicks(holdTicks, what);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(rng_() % 25));
        Release(button);
        return WaitTicks(2, what);
    }

    static int Wrapped(int delta)
    {
        // The cursor wraps, so the short way may go round the edge.
        if (delta > 3)
            delta -= 7;
        if (delta < -3)
            delta += 7;
        return delta;
    }

    void MoveCursorTo(int x, int y)
    {
        for (int attempt = 0; attempt < 3; attempt++) {
            Snapshot s = Now();
            if (s.mx == x && s.my == y)
                return;
            int dx = Wrapped(x - s.mx), dy = Wrapped(y - s.my);
            for (; dx > 0; dx--) Tap(BTN_RIGHT, 0, "moving the cursor right");
            for (; dx < 0; dx++) Tap(BTN_LEFT, 0, "moving the cursor left");
            for (; dy > 0; dy--) Tap(BTN_DOWN, 0, "moving the cursor down");
            for (; dy < 0; dy++) Tap(BTN_UP, 0, "moving the cursor up");
        }
        Snapshot s = Now();
        if (s.mx != x || s.my != y)
            Fail("one tap, one step: the cursor went to (" + std::to_string(s.mx) + ", " +
                 std::to_string(s.my) + ") instead of (" + std::to_string(x) + ", " + std::to_string(y) + ")");
    }

    void MenuTo(int item)
    {
        for (int taps = 0; taps < 8; taps++) {
            Snapshot s = Now();
            if (!s.isMenu)
                Fail("the menu closed while choosing an item");
            if (s.currMenu == item)
                return;
            int down = (item - s.currMenu + 4) % 4;
            Tap(down <= 2 ? BTN_DOWN : BTN_UP, 0, "moving the menu selection");
        }
        Fail("the menu selection never reached item " + std::to_string(item));
    }

    void OpenMenu()
    {
        if (Now().isMenu)
            return;
        Snapshot s = Tap(BTN_START, 0, "opening the menu");
        if (!s.isMenu)
            Fail("Start did not open the menu");
    }

    void NewGameFromMenu()
    {
        OpenMenu();
        MenuTo(1);
        Snapshot s = Tap(rng_() % 2 ? BTN_B : BTN_SELECT, 0, "choosing new game");
#if SEVENFOLD_DESKTOP_FEATURES
        s = Tap(BTN_B, 0, "choosing the classic game on the mode card");
#endif
        if (s.isMenu || s.score != 0 || s.gameOver || s.mx != 3 || s.my != 3)
            Fail("new game did not deal a fresh game");
        newGames_++;
    }

    // The neighbour swaps on a board: independent of the game's own search.
    struct Swap { int x, y, button; };
    static std::vector<Swap> Swaps(const Uint8 *cells, bool scoring)
    {
        std::vector<Swap> found;
        for (const auto &[a, b] : FindMoves(cells, scoring))
            found.push_back({a % 7, a / 7, b == a + 1 ? BTN_RIGHT : BTN_DOWN});
        return found;
    }

    // Lift at (x, y), then one step: a swap through the tick and CheckMove.
    Snapshot LiftAndStep(const Swap &swap)
    {
        MoveCursorTo(swap.x, swap.y);
        Snapshot s = Tap(BTN_B, 0, "lifting");
        if (!s.set || s.setX != swap.x || s.setY != swap.y)
            Fail("B did not lift the tile under the cursor");
        s = Tap(swap.button, 0, "swapping");
        if (s.set)
            Fail("the tile stayed lifted after a swap");
        return s;
    }

    void ScoringSwap()
    {
        Snapshot before = Now();
        if (before.isMenu) {
            NewGameFromMenu();
            before = Now();
        }
        std::vector<Swap> moves = Swaps(before.table, true);
        if (moves.empty()) {
            // A rare deal without a move: only a new game goes on.
            NewGameFromMenu();
            return;
        }
        Snapshot after = LiftAndStep(moves[rng_() % moves.size()]);
        if (after.score <= before.score)
            Fail("a swap that lines up three did not score");
        scoringSwaps_++;
        if (after.gameOver && !after.isMenu)
            Fail("game over without the menu");
    }

    void UndoneSwap()
    {
        Snapshot before = Now();
        std::vector<Swap> moves = Swaps(before.table, false);
        if (before.isMenu || moves.empty())
            return;
        Swap swap = moves[rng_() % moves.size()];
        Snapshot after = LiftAndStep(swap);
        if (memcmp(after.table, before.table, sizeof before.table) != 0 || after.score != before.score)
            Fail("a swap that forms nothing was not undone");
        if (after.mx != swap.x || after.my != swap.y)
            Fail("the cursor did not go back to the lifted cell after an undone swap");
        undoneSwaps_++;
    }

    void Play()
    {
        Snapshot s = WaitTicks(3, "starting");
        if (s.isMenu || s.mx != 3 || s.my != 3)
            Fail("the game did not start at the board's centre with the menu closed");

        // Cursor: taps, holds, two directions at once.
        for (int i = 0; i < 12; i++) {
            static const int directions[] = {BTN_UP, BTN_DOWN, BTN_LEFT, BTN_RIGHT};
            Tap(directions[rng_() % 4], (int)(rng_() % 3), "moving the cursor");
        }
        s = Now();
        Press(BTN_DOWN);
        Press(BTN_RIGHT);
        WaitTicks(2, "holding down and right");
        Release(BTN_RIGHT);
        Release(BTN_DOWN);
        Snapshot held = WaitTicks(2, "releasing down and right");
        if (held.mx == s.mx || held.my == s.my)
            Fail("holding down and right did not move the cursor diagonally");

        // Skins: R up, L down, both wrapping.
        int skins = Now().skinMax;
        for (int i = 0; i < 3; i++) {
            int expected = (Now().skin + 1) % skins;
            if (Tap(BTN_R, 0, "next skin").skin != expected)
                Fail("R did not step to the next skin");
        }
        for (int i = 0; i < 4; i++) {
            int expected = (Now().skin + skins - 1) % skins;
            if (Tap(BTN_L, (int)(rng_() % 3), "previous skin").skin != expected)
                Fail("L did not step to the previous skin, once per press");
        }

        // Volume, acted on by the event loop itself.
        for (int i = 0; i < 3; i++) {
            int expected = Now().volume - 10;
            if (Tap(BTN_VOLDOWN, 0, "volume down").volume != expected)
                Fail("volume down did not lower the volume by 10");
        }
        for (int i = 0; i < 2; i++) {
            int expected = Now().volume + 10;
            if (Tap(BTN_VOLUP, 0, "volume up").volume != expected)
                Fail("volume up did not raise the volume by 10");
        }

        // Lift, cancel with X, lift twice.
        Tap(BTN_B, 0, "lifting");
        if (Tap(BTN_X, 0, "cancelling").set)
            Fail("X did not put the lifted tile down");
        Tap(BTN_B, 0, "lifting");
        if (!Tap(BTN_B, 0, "lifting again").set)
            Fail("B twice did not leave the tile lifted");
        Tap(BTN_X, 0, "cancelling");

        // Play: swaps that score and cascade, and swaps that are undone.
        for (int i = 0; i < 8; i++)
            ScoringSwap();
        UndoneSwap();
        UndoneSwap();

        // The menu: open, move about, the items that do nothing, close, open, new game.
        // After game over Start cannot close the menu, so a game that ended is replaced first.
        if (Now().gameOver)
            NewGameFromMenu();
        OpenMenu();
        Tap(BTN_DOWN, 0, "menu down");
        Tap(BTN_UP, 1, "menu up");
        MenuTo(0);
        if (!Tap(BTN_B, 0, "choosing high score").isMenu)
            Fail("the high-score item closed the menu");
        MenuTo(2);
        if (!Tap(BTN_SELECT, 1, "choosing option").isMenu)
            Fail("the option item closed the menu");
        // X does nothing in the menu, and puts a desktop's options card away.
        Tap(BTN_X, 0, "putting the options away");
        if (Tap(BTN_START, 0, "closing the menu").isMenu)
            Fail("Start did not close the menu");
        NewGameFromMenu();

        // More play until the session has lasted a few hundred ticks.
        for (int i = 0; i < 8 || Now().tickEnds < 400; i++) {
            if (i > 200)
                Fail("too many swaps without reaching 400 ticks");
            if (rng_() % 6 == 0)
                UndoneSwap();
            else
                ScoringSwap();
        }

        // The quit item ends the loop; nothing is waited for after the press.
        OpenMenu();
        MenuTo(3);
        Press(BTN_B);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        Release(BTN_B);
    }
};

int Check(bool ok, const std::string &what)
{
    if (!ok)
        fprintf(stderr, "session: %s\n", what.c_str());
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    unsigned seed = 1;
    for (int i = 1; i + 1 < argc; i++)
        if (strcmp(argv[i], "--seed") == 0)
            seed = (unsigned)strtoul(argv[++i], NULL, 10);

    // As main brings the game up.
    fs::path dir = InitInScratchFolder("session");
    if (dir.empty())
        return 1;
    SDL_ShowCursor(0);
    InitStick(0);
    Start();
    TakeSnapshot();
    // The tick through SDL's timer thread, whose calls the session watches (a desktop's own
    // clock tick is played by the end-to-end suite).
    tickOnClock = 0;
    StartTick();

    Player player(seed);
    std::thread thread(std::ref(player));
    Uint32 began = SDL_GetTicks();
    EventLoop();
    Uint32 took = SDL_GetTicks() - began;
    thread.join();

    // Read on the main thread, which owns them, once the loop is over.
    bool quitByItem = done && isMenu && _currMenu == 3;
    int failures = 0;
    failures += Check(player.failure().empty(), "the script failed: " + player.failure());
    failures += Check(player.finished(), "the script did not play out");
    failures += Check(quitByItem, "the loop did not end through the menu's quit item");
    failures += Check(seen.tickEnds >= 400, "only " + std::to_string(seen.tickEnds) + " ticks");
    failures += Check(seen.offBoard == 0, "a tick ended with a kind, a mark or the cursor out of range");
    failures += Check(seen.skins.size() >= 4, "skins seen: " + std::to_string(seen.skins.size()));
    failures += Check(seen.volumes.size() >= 4, "volumes seen: " + std::to_string(seen.volumes.size()));
    failures += Check(seen.menuItems.size() == 4, "menu items seen: " + std::to_string(seen.menuItems.size()));
    failures += Check(seen.menuOpenings >= 3 && seen.menuClosings >= 2, "the menu did not open and close");
    failures += Check(seen.lifts >= 10, "lifts seen: " + std::to_string(seen.lifts));
    failures += Check(seen.scoreRises >= player.scoringSwaps(), "fewer score rises than scoring swaps");
    failures += Check(seen.scoreResets >= 1, "no new game reset a score");

    printf("session: seed %u, %ld tick ends in %.1f s, %d scoring swaps, %d undone swaps, %d new games, "
           "best score %u, %d lifts, menu opened %d times\n",
           seed, seen.tickEnds, took / 1000.0, player.scoringSwaps(), player.undoneSwaps(),
           player.newGames(), seen.bestScore, seen.lifts, seen.menuOpenings);

    WakeSound(); // a device stopped by the idle game would never close
    SDL_Quit();
    std::error_code error;
    fs::remove_all(dir, error);
    if (failures) {
        printf("session: FAILED\n");
        return 1;
    }
    printf("session: passed\n");
    return 0;
}

// Soak: seeded random button play through the real event handling and tick, the board's rules checked after every tick.
//
// Usage: soak [--seed N] [--ticks N] [--progress N]
//
// Each step pushes zero to three random joystick presses and releases into SDL's queue, takes
// them out again with SDL_PollEvent and hands them to HandleEvent, as the event loop does, so
// the held-back releases, Start, the volume buttons and unknown button numbers all go their
// real way. Then the step runs one tick by calling DrawSet directly, and doing with its report
// what the loop does. A real tick event only comes from SDL's timer 70 ms after the previous
// tick and carries the serial of the running chain, which the game keeps to itself; DrawSet is
// what the handler runs for it, without the wait. Should a timer tick arrive anyway (after a slow stretch), it is handled through
// HandleEvent and checked like every other tick.
//
// Between stretches of random input the soak plays one deliberate move, found by its own
// search, so that games also end by themselves. The seed fixes the button sequence only:
// the game seeds its own deals from the clock.
// When a game ends through the menu's quit item, the soak relaunches it as a fresh start
// would (no buttons held, menu on its first item, a new game) and goes on.
#include <SDL.h>
#include <SDL_mixer.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
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

// Sounds by kind, counted by a linker wrap that forwards to SDL_mixer: a clear sound goes out
// once for every clearing step of a move, so the steps beyond the first are the cascades.
long played[4];
// Whole-screen updates: every tick that runs ends with one, and only ticks make them.
long screenUpdates;

} // namespace

extern "C" {
void __real_SDL_UpdateRect(SDL_Surface *s, Sint32 x, Sint32 y, Uint32 w, Uint32 h);
void __wrap_SDL_UpdateRect(SDL_Surface *s, Sint32 x, Sint32 y, Uint32 w, Uint32 h)
{
    if (s == screen && x == 0 && y == 0 && w == 320 && h == 240)
        screenUpdates++;
    __real_SDL_UpdateRect(s, x, y, w, h);
}

int __real_Mix_PlayChannelTimed(int channel, Mix_Chunk *chunk, int loops, int ticks);
int __wrap_Mix_PlayChannelTimed(int channel, Mix_Chunk *chunk, int loops, int ticks)
{
    for (int i = 0; i < 4; i++)
        if (chunk != NULL && chunk == wave[i])
            played[i]++;
    return __real_Mix_PlayChannelTimed(channel, chunk, loops, ticks);
}
}

namespace {

// AddressSanitizer keeps freed blocks in quarantine, so its RSS grows without a leak; its leak
// check at exit stands in for the RSS bound there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
const bool kRssBound = false;
#else
const bool kRssBound = true;
#endif

struct Stats {
    long ticks = 0, timerTicks = 0, events = 0;
    long games = 1, newGames = 0, gameOvers = 0, quits = 0;
    long scoringMoves = 0, plannedMoves = 0;
    Uint32 bestScore = 0;
};

// Every button number the console has, and a few it does not. Directions and B come often,
// so that the cursor wanders and tiles get lifted and swapped; Start rarely, so that a game
// lasts long enough to end by itself.
struct Weighted { int button; double weight; };
const Weighted kButtons[] = {
    {BTN_UP, 6}, {BTN_DOWN, 6}, {BTN_LEFT, 6}, {BTN_RIGHT, 6},
    {BTN_UPLEFT, 0.5}, {BTN_DOWNLEFT, 0.5}, {BTN_DOWNRIGHT, 0.5}, {BTN_UPRIGHT, 0.5},
    {BTN_START, 0.05}, {BTN_SELECT, 0.5}, {BTN_L, 0.5}, {BTN_R, 0.5},
    {BTN_A, 0.3}, {BTN_B, 8}, {BTN_X, 1}, {BTN_Y, 0.3},
    {BTN_VOLUP, 0.3}, {BTN_VOLDOWN, 0.3}, {BTN_ENTER, 0.3}, {19, 0.1}, {200, 0.1},
};

class Soak {
public:
    explicit Soak(unsigned seed) : rng_(seed)
    {
        std::vector<double> weights;
        for (const Weighted &w : kButtons)
            weights.push_back(w.weight);
        pick_ = std::discrete_distribution<int>(weights.begin(), weights.end());
    }

    Stats stats;

    // One step: input, then a tick. Returns an empty string or what went wrong.
    std::string Step()
    {
        if (planned_)
            PlanStep();
        else
            RandomEvents();
        std::string fault = Drain();
        if (!fault.empty())
            return fault;
        fault = Tick(false);
        if (!fault.empty())
            return fault;
        if (swapTapped_) {
            swapTapped_ = false;
            if (score <= scoreAtSwap_)
                return "a swap that lines up three did not score";
        }
        if (!planned_ && --randomLeft_ <= 0)
            StartPlan();
        return "";
    }

private:
    std::mt19937 rng_;
    std::discrete_distribution<int> pick_;
    std::vector<int> held_;

    // Random presses alone seldom line up three, so games would rarely end by themselves.
    // Between stretches of random input the soak plays one deliberate move, found on the
    // board by its own search and carried out by taps: cursor there, B, one step.
    bool planned_ = false;
    int planX_ = 0, planY_ = 0, planButton_ = 0, planSteps_ = 0;
    long randomLeft_ = 0;
    bool swapTapped_ = false;
    Uint32 scoreAtSwap_ = 0;

    void RandomEvents()
    {
        int events = std::discrete_distribution<int>({30, 40, 20, 10})(rng_);
        for (int e = 0; e < events; e++) {
            if (!held_.empty() && rng_() % 100 < 45) {
                size_t at = rng_() % held_.size();
                int button = held_[at];
                held_.erase(held_.begin() + (long)at);
                Push(SDL_JOYBUTTONUP, button);
                continue;
            }
            int button = kButtons[pick_(rng_)].button;
            if (IsHeld(button))
                continue;
            Push(SDL_JOYBUTTONDOWN, button);
            // Often let go again before the tick: the release must wait for the tick.
            if (rng_() % 100 < 30)
                Push(SDL_JOYBUTTONUP, button);
            else
                held_.push_back(button);
        }
    }

    void Tap(int button)
    {
        Push(SDL_JOYBUTTONDOWN, button);
        Push(SDL_JOYBUTTONUP, button);
    }

    void StartPlan()
    {
        randomLeft_ = (long)(rng_() % 200);
        if (isMenu)
            return;
        std::vector<std::pair<int, int>> moves = FindMoves(table);
        if (moves.empty())
            return;
        std::pair<int, int> move = moves[rng_() % moves.size()];
        planX_ = move.first % 7;
        planY_ = move.first / 7;
        planButton_ = move.second == move.first + 1 ? BTN_RIGHT : BTN_DOWN;
        planSteps_ = 0;
        planned_ = true;
        for (int button : held_)
            Push(SDL_JOYBUTTONUP, button);
        held_.clear();
    }

    void PlanStep()
    {
        if (isMenu || ++planSteps_ > 40) {
            planned_ = false;
            return;
        }
        if (SET && (setX != planX_ || setY != planY_)) {
            Tap(BTN_X);
        } else if (mx != planX_) {
            int dx = planX_ - mx;
            Tap((dx > 0) == (dx < 4 && dx > -4) ? BTN_RIGHT : BTN_LEFT);
        } else if (my != planY_) {
            int dy = planY_ - my;
            Tap((dy > 0) == (dy < 4 && dy > -4) ? BTN_DOWN : BTN_UP);
        } else if (!SET) {
            Tap(BTN_B);
        } else {
            Tap(planButton_);
            swapTapped_ = true;
            scoreAtSwap_ = score;
            stats.plannedMoves++;
            planned_ = false;
        }
    }

    bool IsHeld(int button) const
    {
        for (int b : held_)
            if (b == button)
                return true;
        return false;
    }

    void Push(Uint8 type, int button)
    {
        SDL_Event event = JoyButtonEvent(type, button);
        if (SDL_PushEvent(&event) != 0) {
            fprintf(stderr, "soak: SDL_PushEvent failed: %s\n", SDL_GetError());
            exit(2);
        }
    }

    std::string Drain()
    {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            stats.events++;
            if (event.type == SDL_USEREVENT) {
                std::string fault = Tick(true, &event);
                if (!fault.empty())
                    return fault;
            } else {
                HandleEvent(&event);
            }
        }
        return "";
    }

    // The tick, with what it must do worked out beforehand from the state it starts from.
    std::string Tick(bool fromTimer, SDL_Event *event = NULL)
    {
        int item = _currMenu;
        if (isMenu && moveY != 0)
            item = moveY < 0 ? (item == 0 ? menuMax - 1 : item - 1) : (item < menuMax - 1 ? item + 1 : 0);
        bool choosing = isMenu && (isSelectKey || isBkey);
        bool newGame = choosing && item == 1;
        bool quit = choosing && item == 3;
        Uint32 scoreBefore = score;
        Uint8 gameOverBefore = _gameOver;

        if (fromTimer) {
            long updates = screenUpdates;
            Sint8 doneBefore = done;
            HandleEvent(event);
            // A stale tick of a restarted chain, or one after the quit, is dropped by the
            // handler and not counted. A tick that ran updated the screen or took the quit item.
            if (screenUpdates == updates && done == doneBefore)
                return "";
            stats.timerTicks++;
        } else if (DrawSet()) {
            done = 1;
            StopTick();
        } else {
            ScheduleTick();
        }
        if (newGame)
            ConfirmNewGame(); // before any other press can reach a desktop's mode card
        stats.ticks++;

        std::string fault = Check(newGame, quit, scoreBefore, gameOverBefore);
        if (!fault.empty())
            return fault;

        if (newGame)
            stats.newGames++, stats.games++;
        if (_gameOver && !gameOverBefore)
            stats.gameOvers++;
        if (score > scoreBefore && !newGame)
            stats.scoringMoves++;
        if (score > stats.bestScore)
            stats.bestScore = score;
        if (quit)
            Relaunch();
        return "";
    }

    std::string Check(bool newGame, bool quit, Uint32 scoreBefore, Uint8 gameOverBefore)
    {
        for (int i = 0; i < BOARD_CELLS; i++) {
            if (table[i] > 6)
                return "cell " + std::to_string(i) + " holds kind " + std::to_string(table[i]);
            if (same[i] != 0)
                return "cell " + std::to_string(i) + " still marked " + std::to_string(same[i]) + " between moves";
        }
        if (HasRun(table))
            return "a run is left on the board between moves";
        if (mx < 0 || mx > 6 || my < 0 || my > 6)
            return "cursor off the board at (" + std::to_string(mx) + ", " + std::to_string(my) + ")";
        if (setX < 0 || setX > 6 || setY < 0 || setY > 6)
            return "lifted cell off the board at (" + std::to_string(setX) + ", " + std::to_string(setY) + ")";
        if (SET != 0 && SET != 1)
            return "lift flag " + std::to_string(SET);
        if (quit != (done != 0))
            return quit ? "the quit item did not end the loop" : "the loop was ended without the quit item";

        if (newGame) {
            if (score != 0 || _gameOver || isMenu || mx != 3 || my != 3)
                return "the new-game item did not deal a fresh game";
        } else if (score < scoreBefore) {
            return "score fell from " + std::to_string(scoreBefore) + " to " + std::to_string(score) +
                   " without a new game";
        }

        if (_gameOver && !isMenu)
            return "game over with the menu closed";
        if (_gameOver && !gameOverBefore && score <= scoreBefore)
            return "the game ended without a move that scored";
        if (_gameOver && !FindMoves(table).empty())
            return "game over while a neighbour swap would still form a run";
        if (!_gameOver && !newGame && score > scoreBefore && FindMoves(table).empty())
            return "no neighbour move is left after a scoring move, but the game goes on";
        return "";
    }

    void Relaunch()
    {
        stats.quits++;
        stats.games++;
        for (int button : held_)
            Push(SDL_JOYBUTTONUP, button);
        held_.clear();
        Drain();
        done = 0;
        isMenu = 0;
        _currMenu = 0;
        Start();
    }
};

} // namespace

int main(int argc, char *argv[])
{
    unsigned seed = 1;
    long ticks = 20000, progress = 0;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (arg == "--seed" && i + 1 < argc)
            seed = (unsigned)strtoul(argv[++i], NULL, 10);
        else if (arg == "--ticks" && i + 1 < argc)
            ticks = strtol(argv[++i], NULL, 10);
        else if (arg == "--progress" && i + 1 < argc)
            progress = strtol(argv[++i], NULL, 10);
        else {
            fprintf(stderr, "usage: soak [--seed N] [--ticks N] [--progress N]\n");
            return 2;
        }
    }

    // Unscaled, the dummy driver's present is cheap; the soak is about the game, not scaling.
    setenv("SDL12COMPAT_WINDOW_SCALING", "1", 0);
    fs::path dir = InitInScratchFolder("soak");
    if (dir.empty())
        return 2;
    InitStick(0);
    Start();
    tickOnClock = 0; // the soak drains SDL's queue itself: the tick comes through SDL's timer there

    Soak soak(seed);
    long rssAfter10k = -1;
    // A desktop's options card switches the full screen, for which SDL makes a framebuffer of the
    // new size once: memory of the display's, not the game's, and measured from anew.
    Uint32 mode = SDL_GetVideoSurface()->flags & SDL_FULLSCREEN;
    auto began = std::chrono::steady_clock::now();
    std::string fault;
    while (soak.stats.ticks < ticks) {
        fault = soak.Step();
        if (!fault.empty())
            break;
        if (soak.stats.ticks >= 10000 && (rssAfter10k < 0 || (SDL_GetVideoSurface()->flags & SDL_FULLSCREEN) != mode))
            rssAfter10k = RssKiB();
        mode = SDL_GetVideoSurface()->flags & SDL_FULLSCREEN;
        if (progress > 0 && soak.stats.ticks % progress == 0) {
            double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
            printf("soak: %ld ticks, %.0f s, RSS %ld KiB, %ld games\n", soak.stats.ticks, s, RssKiB(),
                   soak.stats.games);
            fflush(stdout);
        }
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    long rssEnd = RssKiB();
    StopTick();

    const Stats &st = soak.stats;
    printf("soak: seed %u, %ld ticks in %.1f s (%.0f ticks/s), %ld of them from the timer, %ld events\n", seed,
           st.ticks, seconds, st.ticks / seconds, st.timerTicks, st.events);
    printf("soak: %ld games (%ld new games from the menu, %ld relaunches after quit), %ld game overs\n", st.games,
           st.newGames, st.quits, st.gameOvers);
    printf("soak: %ld scoring moves (%ld of them planned), %ld clearing steps, %ld cascades, best score %u, "
           "%ld lifts, %ld cancels\n",
           st.scoringMoves, st.plannedMoves, played[1], played[1] - st.scoringMoves, st.bestScore, played[0], played[2]);
    printf("soak: RSS after 10000 ticks %ld KiB, at the end %ld KiB%s\n", rssAfter10k, rssEnd,
           kRssBound ? "" : " (not bounded under a sanitizer)");

    int status = 0;
    if (!fault.empty()) {
        fprintf(stderr, "soak: FAILED at tick %ld (seed %u): %s\n", st.ticks, seed, fault.c_str());
        status = 1;
    } else if (kRssBound && rssAfter10k >= 0 && rssEnd - rssAfter10k > 1024) {
        fprintf(stderr, "soak: FAILED: RSS grew by %ld KiB after the first 10000 ticks\n", rssEnd - rssAfter10k);
        status = 1;
    }
    WakeSound(); // a device stopped by the idle game would never close
    SDL_Quit();
    std::error_code error;
    fs::remove_all(dir, error);
    if (status == 0)
        printf("soak: passed\n");
    return status;
}

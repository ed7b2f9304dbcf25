// The event loop: button events to the input and the game, the quit event, the tick's clock and the host's frames.
#include "app/app.h"

#include <fcntl.h>
#include <poll.h>
#include <stdint.h>
#include <string.h>
#include <unistd.h>

#include "game/game.h"
#include "gfx/gfx.h"
#include "input/input.h"
#include "platform/platform.h"
#include "sound/sound.h"
#if SEVENFOLD_DESKTOP_FEATURES
#include "game/desktop/features.h"
#endif

Sint8 done = 0;
SDL_TimerID tmSet = NULL;
Uint8 _timer = 70;
Uint8 tickOnClock = 0;

// On the loop's own clock: when the next tick is due, while tickArmed.
static Uint32 tickDue;
static Uint8 tickArmed;

// The tick is timed by SDL's timer thread but runs on the main thread: the timer only posts
// an event. Each posted event carries the serial of the chain it belongs to, so restarting
// the tick orphans an event already in the queue instead of running two chains at once.
enum { TICK_EVENT = 1 };
static uintptr_t tickSerial = 0;
// The loop sleeps in poll(), which SDL's queue cannot wake: the timer wakes it through this pipe.
static int wake[2] = {-1, -1};

static Uint32 PostTick(Uint32 interval, void *serial)
{
    (void)interval;
    SDL_Event event;
    memset(&event, 0, sizeof event);
    event.type = SDL_USEREVENT;
    event.user.code = TICK_EVENT;
    event.user.data1 = serial;
    // A full queue would end the chain of ticks for good; try again shortly instead.
    if (SDL_PushEvent(&event) != 0)
        return 10;
    if (wake[1] >= 0 && write(wake[1], "", 1) < 0) {
        // Full: the loop has a wake-up waiting already.
    }
    return 0;
}

void ScheduleTick(void)
{
    if (tickOnClock) {
        tickDue = SDL_GetTicks() + _timer;
        tickArmed = 1;
        return;
    }
    // sdl12-compat keeps a fired one-shot timer registered until it is removed; the classic SDL
    // 1.2 has dropped it already, and removing it again finds nothing.
    if (tmSet)
        SDL_RemoveTimer(tmSet);
    tmSet = SDL_AddTimer(_timer, PostTick, (void *)tickSerial);
}

void StartTick(void)
{
    tickSerial++;
    ScheduleTick();
}

void StopTick(void)
{
    if (tmSet)
        SDL_RemoveTimer(tmSet);
    tmSet = NULL;
    tickArmed = 0;
    tickSerial++;
}

// A press or release of one of the console's buttons; 1 for a press that a step of the game reads.
static int HandleButton(const SDL_Event *event)
{
    if (event->type != SDL_JOYBUTTONDOWN) {
        TimedKeyUp(event);
        return 0;
    }
    int forStep = TimedKeyDown(event);
    // Any press while Start is still held toggles the menu again; the game back from the menu
    // has its first tick a period from now.
    if (isStartKey) {
        if (StartButton())
            StartTick();
    } else {
        VolumeButtons();
    }
    return forStep;
}

static int HandleButtons(const SDL_Event *buttons, int n)
{
    int forStep = 0;
    for (int i = 0; i < n; i++)
        forStep |= HandleButton(&buttons[i]);
    return forStep;
}

// One step of the game: the tick's, or on a desktop one of its own for a press as it arrives.
static void RunStep(int tick)
{
#if SEVENFOLD_DESKTOP_FEATURES
    FeaturesBeforeStep();
    // A card covers the board: the game waits until it is gone.
    if (CardHoldsTheGame()) {
        if (tick) {
            ComposeFrame(); // what the work before the step changed (a card came up)
            ScheduleTick();
        }
        return;
    }
#endif
    SDL_Event buttons[HOST_MOST_BUTTONS];
    HandleButtons(buttons, ButtonsBeforeStep(buttons, tick));
    if (tick ? DrawSet() : StepNow()) {
        // The menu's quit item: no tick may run any more.
        done = 1;
        StopTick();
    } else if (tick) {
#if SEVENFOLD_DESKTOP_FEATURES
        ComposeFrame();
#endif
        // The tick's picture is shown: the next tick is due a period from now.
        ScheduleTick();
    }
    HandleButtons(buttons, ButtonsAfterStep(buttons));
}

void RunTick(void)
{
    RunStep(1);
    QuietSound();
}

// Buttons of a host event, and on a desktop the step for a press among them, at once.
static void HandleHostButtons(const SDL_Event *buttons, int n)
{
    if (HandleButtons(buttons, n) && pressesActAtOnce && !done)
        RunStep(0);
}

static void HandleOne(SDL_Event *event)
{
#if SEVENFOLD_DESKTOP_FEATURES
    if (FeaturesEvent(event))
        return;
#endif
    SDL_Event buttons[HOST_MOST_BUTTONS];
    int n = ButtonsOfEvent(event, buttons);
#if SEVENFOLD_DESKTOP_FEATURES
    if (n >= 0 && FeaturesButtons(buttons, n))
        return;
#endif
    if (n >= 0) {
        HandleHostButtons(buttons, n);
        return;
    }
    switch (event->type) {
    case SDL_QUIT:
        // No tick may run once the surfaces are gone.
        StopTick();
        FreeSounds();
        FreePictures();
        done = 1;
        break;
    case SDL_VIDEOEXPOSE:
        // Whatever covered the window took the picture with it: the next picture shows it all.
        ScreenTouched();
        break;
    case SDL_USEREVENT:
        if (event->user.code == TICK_EVENT && (uintptr_t)event->user.data1 == tickSerial && !done)
            RunTick();
        break;
    default:
        break;
    }
}

void HandleEvent(SDL_Event *event)
{
    HandleOne(event);
#if SEVENFOLD_DESKTOP_FEATURES
    // Whatever the event changed is seen at once; once the program ends nothing is drawn.
    if (!done)
        ComposeFrame();
#endif
}

// Sleeps until the tick or a frame is due (due ms from now; -1: none) or input comes, instead of
// looking for events every 10 ms. Returns 1 when only the time ran out: nothing came.
static int WaitForEvents(int due)
{
    struct pollfd waits[2];
    memset(waits, 0, sizeof waits);
    int count = 0;
    if (wake[0] >= 0) {
        waits[count].fd = wake[0];
        waits[count++].events = POLLIN;
    }
    int input = PlatformInputFd();
    if (input >= 0) {
        waits[count].fd = input;
        waits[count++].events = POLLIN;
    }
    // Events read off the connection while the picture was shown would not wake poll().
    if (PlatformInputPending())
        return 0;
    // A signal (SIGTERM, SIGINT) cuts the sleep short, and SDL turns it into a quit event.
    int timeout = PlatformPollsInput() || wake[0] < 0 ? 10 : -1;
    if (due >= 0 && (timeout < 0 || due < timeout))
        timeout = due;
    int ready = poll(waits, (nfds_t)count, timeout);
    char drained[16];
    while (wake[0] >= 0 && waits[0].revents != 0 && read(wake[0], drained, sizeof drained) > 0) {
    }
    return ready == 0 && timeout >= 0;
}

void EventLoop(void)
{
    // Not pipe2() and O_CLOEXEC: the console's Linux 2.4 and glibc 2.3 have neither.
    if (wake[0] < 0 && pipe(wake) == 0) {
        for (int i = 0; i < 2; i++) {
            if (fcntl(wake[i], F_SETFL, O_NONBLOCK) != 0 || fcntl(wake[i], F_SETFD, FD_CLOEXEC) != 0) {
                close(wake[0]);
                close(wake[1]);
                wake[0] = wake[1] = -1;
                break;
            }
        }
    }
    // A desktop shows its first picture at once, not a tick period after the deal.
    if (tickOnClock && tickArmed)
        tickDue = SDL_GetTicks();
    SDL_Event event;
    int quiet = 0;       // the last wait ended with nothing come, for a due tick or frame alone
    Uint32 looked = 0;   // when SDL's queue was last looked at
    while (!done) {
        // When only the clock woke the loop, SDL's queue holds nothing new: looking costs the
        // idle game a fifth of its time. It is still looked at every half second, for what SDL
        // turns into events without waking anyone (a SIGTERM that came between two waits).
        Uint32 now = SDL_GetTicks();
        if (!quiet || now - looked >= 500) {
            // done is looked at only once the queue is empty, so queued events still count.
            looked = now;
            while (SDL_PollEvent(&event))
                HandleEvent(&event);
        }
        if (done)
            break;
        int due = -1;
#if SEVENFOLD_DESKTOP_FEATURES
        // The frame of a layer whose time has come: a move in motion, a fading hint, the clock.
        due = FrameDue();
        if (due == 0)
            due = ComposeFrame();
#endif
        if (tickArmed && (Sint32)(tickDue - SDL_GetTicks()) <= 0) {
            // Straight on to the wait: input that came meanwhile wakes it at once, and SDL's
            // queue is not looked at twice for one wake-up.
            tickArmed = 0;
            RunTick();
#if SEVENFOLD_DESKTOP_FEATURES
            // The tick composed its frame.
            due = FrameDue();
#endif
        }
        if (done)
            break;
        int held = PresentDue(looked);
        if (held >= 0 && (due < 0 || held < due))
            due = held;
        if (tickArmed) {
            Sint32 left = (Sint32)(tickDue - SDL_GetTicks());
            if (due < 0 || left < due)
                due = left < 0 ? 0 : left;
        }
        // Only where input has a descriptor that wakes the wait; elsewhere (the off-screen
        // drivers, whose events are pushed into SDL's queue) every wake-up looks.
        quiet = WaitForEvents(due) && tickOnClock && held < 0 && PlatformInputFd() >= 0 && !PlatformPollsInput();
    }
}

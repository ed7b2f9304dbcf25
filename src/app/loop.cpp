// The event loop: button events to the input and the game, the quit event, and the tick's clock.
#include "app/app.h"

#include <stdint.h>
#include <string.h>

#include "game/game.h"
#include "gfx/gfx.h"
#include "input/input.h"
#include "platform/platform.h"
#include "sound/sound.h"

Sint8 done = 0;
SDL_TimerID tmSet = NULL;
Uint8 _timer = 70;

// The tick is timed by SDL's timer thread but runs on the main thread: the timer only posts
// an event. Each posted event carries the serial of the chain it belongs to, so restarting
// the tick orphans an event already in the queue instead of running two chains at once.
enum { TICK_EVENT = 1 };
static uintptr_t tickSerial = 0;

static Uint32 PostTick(Uint32 interval, void *serial)
{
    (void)interval;
    SDL_Event event;
    memset(&event, 0, sizeof event);
    event.type = SDL_USEREVENT;
    event.user.code = TICK_EVENT;
    event.user.data1 = serial;
    // A full queue would end the chain of ticks for good; try again shortly instead.
    return SDL_PushEvent(&event) == 0 ? 0 : 10;
}

void ScheduleTick(void)
{
    // A fired one-shot timer stays registered until removed.
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
    tickSerial++;
}

void HandleEvent(SDL_Event *event)
{
    PlatformEvent(event);
    switch (event->type) {
    case SDL_JOYBUTTONDOWN:
        TimedKeyDown(event);
        // Any press while Start is still held toggles the menu again.
        if (isStartKey)
            StartButton();
        else
            VolumeButtons();
        break;
    case SDL_JOYBUTTONUP:
        TimedKeyUp(event);
        break;
    case SDL_QUIT:
        // No tick may run once the surfaces are gone.
        StopTick();
        FreeSounds();
        FreePictures();
        done = 1;
        break;
    case SDL_USEREVENT:
        if (event->user.code == TICK_EVENT && (uintptr_t)event->user.data1 == tickSerial && !done)
            DrawSet();
        break;
    default:
        break;
    }
}

void EventLoop(void)
{
    SDL_Event event;
    while (!done) {
        if (!SDL_WaitEvent(&event))
            continue;
        HandleEvent(&event);
        // done is looked at only once the queue is empty, so queued events still count.
        while (SDL_PollEvent(&event))
            HandleEvent(&event);
    }
}

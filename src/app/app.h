// The application: start-up and shutdown, the event loop and the clock that says when a tick is due.
#ifndef SEVENFOLD_APP_H
#define SEVENFOLD_APP_H

#include <SDL.h>

extern Sint8 done;        // non-zero ends the event loop; the quit event and the menu's quit item
extern SDL_TimerID tmSet; // the timer that says when the next tick is due; StartTick, ScheduleTick, StopTick
extern Uint8 _timer;      // tick period in milliseconds
extern Uint8 tickOnClock; // 1: the loop's own clock times the tick (a desktop); 0: SDL's timer thread posts it; set at start-up by the host's offer

int Init(void);           // bring up SDL, the display, audio and every asset; 1 on success, 0 on failure
void Quit(void);          // exit handler: shut SDL down, hand over to the console's menu

void StartTick(void);     // the first tick one period from now, forgetting any tick already due
void ScheduleTick(void);  // the next tick of the running chain, one period from now
void StopTick(void);      // no further tick, not even one already waiting in the queue
void RunTick(void);       // one game tick, the buttons the host gives it handed over first
void HandleEvent(SDL_Event *event);
void EventLoop(void);     // handle events until done, waiting while there are none

#endif

// Input: the console's joystick buttons as held-button flags, and held directions as a cursor step.
#ifndef SEVENFOLD_INPUT_H
#define SEVENFOLD_INPUT_H

#include <SDL.h>

// The console's joystick button numbers.
enum {
    BTN_UP, BTN_UPLEFT, BTN_LEFT, BTN_DOWNLEFT, BTN_DOWN, BTN_DOWNRIGHT, BTN_RIGHT, BTN_UPRIGHT,
    BTN_START, BTN_SELECT, BTN_L, BTN_R, BTN_A, BTN_B, BTN_X, BTN_Y, BTN_VOLUP, BTN_VOLDOWN,
    BTN_ENTER, BTN_COUNT
};
// Past the console's buttons: a desktop keyboard's Return, which the host hands over as it is.
// The game gives it its meaning (Start, or Select in the open menu) before the input reads it.
enum { BTN_RETURN = BTN_COUNT };

// One flag per button, 1 while held. Set by KeyDown, cleared by KeyUp, and the one-shot
// ones also by the tick once it has acted on them (and by AllKeyClear).
extern Uint8 isAkey, isBkey, isXkey, isYkey, isLkey, isRkey, isStartKey, isSelectKey,
    isVolUPkey, isVolDOWNkey;
extern Uint8 isUPLEFTkey, isUPkey, isUPRIGHTkey, isLEFTkey, isRIGHTkey, isDOWNLEFTkey,
    isDOWNkey, isDOWNRIGHTkey;
extern Uint8 isENTERkey;

extern Sint8 moveX;  // cursor step across, -2..2, right positive; the direction modes, KeyUp, the tick
extern Sint8 moveY;  // cursor step down, -2..2, down positive; the direction modes, KeyUp, the tick
extern Sint8 _wayIs; // direction mode: 0 4-way, 1 8-way, 2 16-way, else none; written by InitStick

void InitStick(Uint8 mode);
void KeyDown(const SDL_Event *event);
void KeyUp(const SDL_Event *event);
void AllKeyClear(void);
void WaitKey(void);

// Input timing. Input is level state sampled once a tick, so a press and release that both fall
// between two ticks would never be seen: these hold such a release back until a tick has run.
// On a desktop a press is acted on as it arrives, by a step of its own, and nothing waits long.
extern Uint8 pressesActAtOnce;             // 1: a press a step reads gets a step at once (a desktop); 0: the tick's; set at start-up by the host's offer
int TimedKeyDown(const SDL_Event *event);  // KeyDown, remembering the press until a step sees it; 1 when a step reads it
void TimedKeyUp(const SDL_Event *event);   // KeyUp, or held back while no tick has seen the press
void TickSawButtons(void);                 // a tick has run: deliver the releases held back

void KeyDown4(void);
void KeyDown8(void);
void KeyDown16(void);

#endif

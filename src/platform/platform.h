// The host layer: everything that differs between the handheld console and a desktop machine.
#ifndef SEVENFOLD_PLATFORM_H
#define SEVENFOLD_PLATFORM_H

#include <SDL.h>
#include <stddef.h>

// The console's menu program, which takes over when the game ends.
#define CONSOLE_MENU_DIR "/usr/gp2x"
#define CONSOLE_MENU "/usr/gp2x/gp2xmenu"

// Joystick index of the console button events made from keys, the mouse and a pad: no real
// joystick has it, so the events of a real pad are never taken for them.
#define HOST_STICK 255
// The most button events one host event can stand for, as the host or the game's controls make them.
#define HOST_MOST_BUTTONS 8

// What the host offers the game. The game reads it once at start-up and sets its rooms' own ways
// by it; the host layer sets none of them itself.
struct HostOffer {
    Uint8 partialPresents;  // a present may show only the rectangles that changed
    Uint8 pressesActAtOnce; // a press may get a step of its own as it arrives, not wait for the tick
    int (*presentRects)(const SDL_Rect *rects, int count); // the host's own way to show rectangles, or NULL
    Uint8 tickOnClock;      // the loop's own clock times the tick, not SDL's timer thread
    Uint16 soundSamples;    // the mixer's buffer in samples
    Uint16 soundRate;       // the mixer's samples a second
    Uint8 sheetsPlainOnly;  // the SDL that draws cannot take RLE or alpha sheets
};

// Start-up.
int PlatformCommandLine(int argc, char *argv[]); // first of all: -1 to play, or the status to end with at once
extern Sint8 askedMode; // the mode of play the command line asked for (the game's numbering), -1 none; PlatformCommandLine
void PlatformBeforeInit(void);        // before SDL_Init: how the picture is scaled and rendered
const HostOffer *PlatformOffers(void); // what this machine offers the game; read once at start-up
int PlatformHasDisplay(void);         // after SDL_Init: 0, having said so, where nothing can show the game
void PlatformVideoPrepare(void);      // after SDL_Init, before the video mode: window scale, title, icon
Uint32 PlatformVideoFlags(void);      // SDL_SetVideoMode flags: full screen on the console, a window elsewhere
int PlatformSoundOptional(void);      // 1 where the game plays on silently without a sound device
SDL_Surface *PlatformFindSheet(void); // the tile sheet from where this machine keeps it, or NULL having said why
int PlatformPointer(void);            // SDL_ShowCursor's setting: hidden on the console, shown on a desktop
void PlatformSay(const char *format, ...); // one line for the player on standard error; none on the console

// Input: keys and a pad as plain buttons, pressed while held, whatever the game is doing: the
// console's buttons, and Return (BTN_RETURN), which the game gives its meaning. Returns how many
// button events it wrote into buttons (at most HOST_MOST_BUTTONS), or -1 when the event is not
// the host's to translate (a click, which the game reads as SDL gives it, among others).
int PlatformEvent(const SDL_Event *event, SDL_Event *buttons);
int PlatformButtonOfKey(SDLKey key);  // button number a desktop key stands for, or -1

// Waiting for input. The event loop sleeps in poll() until the tick is due or input comes.
int PlatformInputFd(void);            // a descriptor that becomes readable when input comes (X's), or -1
int PlatformInputPending(void);       // input already read from that descriptor and waiting
int PlatformPollsInput(void);         // 1 when some input comes with nothing to wake the loop: look every 10 ms

void PlatformToggleFullScreen(void);  // between full screen and a window; nothing on the console

void PlatformLaunchMenu(void);        // hand the machine back to the console's menu, where there is one

// Shared by the host layer's input rooms and the game's controls: a button is down while any
// host control holds it (Return holds what the game says it stands for). Writes the button event into *event and returns 1 when the button changes;
// a release by a control that was not holding the button releases it only if nothing holds it.
int HostButton(int button, int pressed, int wasHolding, SDL_Event *event);
void HostButtonEvent(int button, int pressed, SDL_Event *event); // the event alone, holders untouched
int HostKeyEvent(const SDL_Event *event, SDL_Event *buttons);   // keyboard

#endif

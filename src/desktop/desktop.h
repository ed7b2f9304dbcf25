// The desktop's own host layer: what a desktop machine has and the console does not.
#ifndef SEVENFOLD_DESKTOP_H
#define SEVENFOLD_DESKTOP_H

#include <SDL.h>

#include "platform/platform.h"

extern Uint32 hostClockSet; // when not 0, what the host's input clock reads instead of SDL's; 0 in play, set by tests

int PlatformWindowScale(int desktopW, int desktopH);            // whole-number window scale that fits a desktop
int HostMouseEvent(const SDL_Event *event, SDL_Event *buttons); // a click as the console's buttons
int HostPadEvent(const SDL_Event *event, SDL_Event *buttons);   // a pad's stick, hat and buttons
int HostPresentRects(const SDL_Rect *rects, int count);         // changed rectangles straight to the X window
void WholeNumberScale(void);                                    // SDL's full screen at a whole-number scale too
const char *Printable(const char *text, char *out, size_t size); // text with terminal controls shown as \xHH, into out
void HostTitle(const char *title);                               // the window's title, UTF-8, as window managers read it
void HostSignals(void);                                         // after SDL_Init: HUP, QUIT, USR1, USR2 end the game as TERM does; PIPE ignored

// Key repeat: a held direction steps once, then from 250 ms after the latest direction press
// on every tick (the console's stick repeats on every tick).
Uint32 HostClock(void);                          // the host's clock in ms: SDL_GetTicks(), or hostClockSet
int HostRepeatEvents(SDL_Event *buttons, int n); // notes the host's direction buttons among n; returns how many stay
int HostRepeatTick(SDL_Event *buttons, int room); // right before a tick's step: held directions given back
int HostRepeatAfterStep(SDL_Event *buttons, int room); // right after any step: the directions it was given, taken away

// The desktop's own pictures, embedded from assets/ as the game's are.
extern const unsigned char iBanner[]; // banner.bmp: the game-over banner, and its new-high-score line below it
extern const Uint32 iBanner_size;
extern const unsigned char iHelp[];   // help.bmp: the controls card
extern const Uint32 iHelp_size;
extern const unsigned char iScores[]; // scores.bmp: the high-score card, and its date glyphs below it
extern const Uint32 iScores_size;

// Cards over the board: the controls (F1, and by itself on a first start) and the high scores.
// While one shows no game step runs; any key, button or click takes it away.
enum { CARD_NONE, CARD_HELP, CARD_SCORES };
extern Uint8 cardShown;            // the card over the board, CARD_NONE for none; ShowCard and HideCard
extern Uint8 firstStartChecked;    // the first tick has looked for the data folder; CardsBeforeTick
void ShowCard(int card);           // drawn over the board and shown at once
int CardEvent(const SDL_Event *event); // while a card shows: 1 when the event was the card's (a press takes it away)
int CardsBeforeTick(void);         // 1 while a card holds the game; shows the controls on a first start

// Game over, said: a banner over the board with the final score, and the window's title.
void GameOverBeforeTick(void);     // puts the banner up once the game is over and shown, and down with a new game
void DrawGameOverBanner(void);     // the banner as it stands, into screen

// A move played in motion (the swap slides, the runs fade, the tiles fall), on the host's clock.
int ShowRunning(void);             // 1 while a move is being played
void ShowFinish(void);             // the show ends where it is; whoever covers the board draws it anew

#endif

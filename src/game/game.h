// The game's flow: a new game, the tick's game and menu steps, the Start and volume buttons, what input means.
#ifndef SEVENFOLD_GAME_H
#define SEVENFOLD_GAME_H

#include <SDL.h>

void Start(void);         // deal a new game, and draw it (a desktop's next frame does); the caller updates the display
void FirstGame(void);     // the game the program begins with: a new one, or on a desktop the one kept
// The flow reports to the loop what only the loop may do: end, or start the tick afresh.
int DrawSet(void);        // one game tick: menu or game step, redraw, update; 1 when the menu's quit item ended the program
int StepNow(void);        // a press acted on as it arrives (a desktop): the tick's step and frame, off the clock; 1 as DrawSet
void MakeMove(void);      // the swap of the lifted tile: settled, the menu opened at game over, the record played
void PlayMoveAtOnce(void); // the console only: each clearing step of moveRecord shown whole with its sound, one after another
int StartButton(void);    // Start pressed: open the menu, or close it while the game runs; 1 then: the tick starts afresh
void VolumeButtons(void); // any other press: step the volume by the volume buttons held

// The host's input as the buttons the game reads, given their meaning: Return's, and on a desktop
// a click's and the key repeat's. Each returns how many button events it wrote (at most
// HOST_MOST_BUTTONS).
int ButtonsOfEvent(const SDL_Event *event, SDL_Event *buttons); // those of a host event; -1 when it stands for none
int ButtonsBeforeStep(SDL_Event *buttons, int tick); // right before a step (tick: the tick's): held directions given back
int ButtonsAfterStep(SDL_Event *buttons);            // right after a step: what was given for it alone, let go again

#endif

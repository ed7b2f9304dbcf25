// The game's own features on a desktop: moves in motion, cards over the board, game over said, high scores, a hint, settings and the game kept.
#ifndef SEVENFOLD_FEATURES_H
#define SEVENFOLD_FEATURES_H

// These files make up the desktop build only. The game's flow reaches them only where the
// setting SEVENFOLD_DESKTOP_FEATURES is on, which the desktop build turns on and the console's
// leaves off: the console plays exactly as ever, with nothing of them in its program.

#include <SDL.h>

#include "gfx/gfx.h"

// The features' own pictures, embedded from assets/ as the game's are.
extern const unsigned char iBanner[]; // banner.bmp: the game-over banner, and its new-high-score line below it
extern const Uint32 iBanner_size;
extern const unsigned char iHelp[];   // help.bmp: the controls card
extern const Uint32 iHelp_size;
extern const unsigned char iScores[]; // scores.bmp: the high-score card, and its date glyphs below it
extern const Uint32 iScores_size;
extern const unsigned char iOptions[]; // options.bmp: the options card, and its value words and row marker below it
extern const Uint32 iOptions_size;

// Where the loop and the flow meet them: an event they take before the host layer sees it, a
// step they hold back, the frames of what moves, the board as they show it.
int FeaturesEvent(const SDL_Event *event); // 1 when the event was theirs (a card's press, F1, H): the game sees none of it
int FeaturesHoldTheGame(void);             // before each step: 1 while a card holds the game; the banner, the settings kept
int FeaturesFrame(void);                   // the next frame of what moves, when due; ms until the one after, -1: none
void DrawBoardLayers(void);                // the board as a move's show has it now, and a hint's rings, into screen

// A move played in motion: the swap slides, the runs fade, the tiles above fall and new ones drop
// in, on the host's clock.
extern Uint8 showInMotion;   // 1: a move plays in motion; 0: at once, as the console plays it. Set at start-up
int ShowMove(void);          // the move in moveRecord, just made: 1 when it is played in motion
int ShowRunning(void);       // 1 while a move is being played
void ShowFinish(void);       // the show ends where it is, the score as the rules left it; the board is the caller's

// Cards over the board: the controls (F1, and by itself on a first start), the high scores, and
// the options (the menu's item). While one shows no game step runs; any key, button or click
// takes the first two away, and the options card takes what changes its settings.
enum { CARD_NONE, CARD_HELP, CARD_SCORES, CARD_OPTIONS };
// Every card covers the same square of the board area, inside its cells.
enum { CARD_X = BOARD_X + 4, CARD_Y = BOARD_Y + 3, CARD_SIZE = 232 };
extern Uint8 cardShown;      // the card over the board, CARD_NONE for none; ShowCard and FeaturesEvent
void ShowCard(int card);     // drawn over the board and shown at once
void DrawOptions(SDL_Surface *sheet);      // the options card's values, over the card just drawn
int OptionsEvent(const SDL_Event *event);  // while it shows: 1 taken, 0 taken and done with, -1 none of its business

// Game over, said: a banner over the board with the final score, and the window's title; the
// score of a game entered in the high-score table.
void GameOverShown(void);    // the banner up once the game is over and its last move shown, down with a new game
void DrawGameOverBanner(void); // the banner as it stands, into screen
void GameEnds(void);         // the game in play is over, replaced or left: its score enters the table, once

// A hint: the two tiles of a swap that makes a run, ringed, the rings fading by themselves.
void ShowHint(void);         // H or the pad's north button, in play
void DrawHint(void);         // the rings as they stand now, into screen; nothing once faded
int HintFrame(void);         // as FeaturesFrame, for the fading rings

// What stays between runs: the settings in $XDG_CONFIG_HOME/sevenfold/settings (their one home),
// the game in progress in $XDG_DATA_HOME/sevenfold/game, kept after each move and at the exit.
void LoadSettings(void);     // at start-up: the settings kept applied (skin, volume, full screen, motion)
void SaveSettings(void);     // the file's lines of those that changed rewritten, all else in it as it stood
void ContinueKeptGame(void); // right after the first deal: the game kept at the last exit takes its place
void KeepGamePlayed(void);   // a move has settled: the game kept, by a thread of its own; none once over
void GameLeft(void);         // the program ends: the game in progress kept, or its score entered if it cannot be
void ForgetKeptGame(void);   // the game kept has ended or been replaced
int FullScreenNow(void);     // 1 while the game fills the screen, 0 in a window

#endif

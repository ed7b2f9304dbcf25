// The game's own features on a desktop: each move in motion, the cards over the board, game over said, the high scores kept.
#ifndef SEVENFOLD_FEATURES_H
#define SEVENFOLD_FEATURES_H

// These files make up the desktop build only. The game's flow reaches them only where the
// setting SEVENFOLD_DESKTOP_FEATURES is on, which the desktop build turns on and the console's
// leaves off: the console plays exactly as ever, with nothing of them in its program.

#include <SDL.h>

// The features' own pictures, embedded from assets/ as the game's are.
extern const unsigned char iBanner[]; // banner.bmp: the game-over banner, and its new-high-score line below it
extern const Uint32 iBanner_size;
extern const unsigned char iHelp[];   // help.bmp: the controls card
extern const Uint32 iHelp_size;
extern const unsigned char iScores[]; // scores.bmp: the high-score card, and its date glyphs below it
extern const Uint32 iScores_size;

// Where the loop meets them: an event they take before the host layer sees it, and a step they
// hold back.
int FeaturesEvent(const SDL_Event *event); // 1 when the event was theirs (a card's press, F1): the game sees none of it
int FeaturesHoldTheGame(void);             // before each step: 1 while a card holds the game; the banner up or down

// A move played in motion: the swap slides, the runs fade, the tiles above fall and new ones drop
// in, on the host's clock.
extern Uint8 showInMotion;   // 1: a move plays in motion; 0: at once, as the console plays it. Set at start-up
int ShowMove(void);          // the move in moveRecord, just made: 1 when it is played in motion
int ShowDrawBoard(void);     // the board as the show stands now, into screen: 1 when a show runs
int ShowFrame(void);         // the next frame when due, shown; ms until the one after, -1 when nothing moves
int ShowRunning(void);       // 1 while a move is being played
void ShowFinish(void);       // the show ends where it is, the score as the rules left it; the board is the caller's

// Cards over the board: the controls (F1, and by itself on a first start) and the high scores.
// While one shows no game step runs; any key, button or click takes it away.
enum { CARD_NONE, CARD_HELP, CARD_SCORES };
extern Uint8 cardShown;      // the card over the board, CARD_NONE for none; ShowCard and FeaturesEvent
void ShowCard(int card);     // drawn over the board and shown at once

// Game over, said: a banner over the board with the final score, and the window's title; the
// score of a game entered in the high-score table.
void GameOverShown(void);    // the banner up once the game is over and its last move shown, down with a new game
void DrawGameOverBanner(void); // the banner as it stands, into screen
void GameEnds(void);         // the game in play is over, replaced or left: its score enters the table, once

#endif

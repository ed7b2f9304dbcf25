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
extern const unsigned char iOptions[]; // options.bmp: the options card, its value words, row marker and volume bar below it
extern const Uint32 iOptions_size;
extern const unsigned char iPoints[];  // points.bmp: the rising points' glyphs 0-9 + x, gold, and light blue below
extern const Uint32 iPoints_size;
extern const unsigned char iSidebar[]; // sidebar.bmp: the side panel's moves label, and its last-move label below
extern const Uint32 iSidebar_size;
extern const unsigned char iNomove[];  // nomove.bmp: the hint's card when no swap makes a run
extern const Uint32 iNomove_size;
extern const unsigned char iModes[];   // modes.bmp: the card a new game begins with, its row marker below
extern const Uint32 iModes_size;
extern const unsigned char iCover[];   // cover.bmp: the pause cover over the board, and its lines below
extern const Uint32 iCover_size;

// Where the loop and the flow meet them: an event they take before the host layer sees it, the
// buttons they take before the game reads them, the work before a step, a step they hold back.
int FeaturesEvent(const SDL_Event *event); // 1 when the event was theirs (a card's press, F1, H): the game sees none of it
int FeaturesButtons(const SDL_Event *buttons, int n); // 1 when the buttons of an event were theirs (the options card's)
void FeaturesBeforeStep(void);             // before each step: the settings kept, the controls shown on a first start
int CardHoldsTheGame(void);                // 1 while a card is over the board: no game step runs

// The desktop's picture. One composer draws every frame from layers, bottom to top: the board as
// it stands or moves, the hint's rings, the cursor, the points rising, the hint's words that there
// is no move, the side panel, the game-over banner, the pause cover, a card.
// Nothing else draws into the screen. Each layer says what it shows as pieces: a rectangle of
// the screen and a fingerprint of all its pixels there are drawn from. A frame draws again only
// where some piece changed since the last one (every layer that shows there, in order, clipped
// to it) and presents what changed; where nothing changed it draws and presents nothing.
struct Piece {
    SDL_Rect at;  // where on the screen
    Uint64 print; // everything the layer draws there is drawn from
};
enum { PIECES_MOST = 64 };
struct Look {
    int count;
    Piece piece[PIECES_MOST];
};
struct Layer {
    int (*shows)(void);       // 1 while it shows anything
    void (*look)(Look *look); // what it shows now, piece by piece; asked only while it shows
    void (*draw)(void);       // itself, all of it, into screen: the composer clips it
    int (*next)(void);        // ms until its look changes by itself; -1 only with the game's state
};
extern const Layer boardLayer, hintLayer, cursorLayer, pointsLayer, noMoveLayer, panelLayer, bannerLayer, coverLayer,
    cardLayer;
int ComposeFrame(void);      // draws and presents what changed since the last frame; ms until a layer is due, -1: none
int FrameDue(void);          // ms until a layer is due as the last frame found, 0: due now, -1: none
// What moves by itself moves on one grid of frames, FRAME_MS apart on the host's clock, so that
// the layers that move together take one frame between them, not one each.
enum { FRAME_MS = 16 };
Uint32 FrameTime(void);      // the host's clock at the start of the grid's frame it is in
int NextFrame(void);         // ms until the grid's next frame
void AskWholeFrame(void);    // the next frame draws every pixel afresh: a new game, a window uncovered
#define PRINT_START 14695981039346656037ull
Uint64 Print(Uint64 print, const void *bytes, size_t size); // a fingerprint taken further over these bytes
// The fingerprint of these values, each by its own bytes (a struct's padding would be noise).
template <class... Values> Uint64 PrintOf(const Values &...values)
{
    Uint64 print = PRINT_START;
    ((print = Print(print, &values, sizeof values)), ...);
    return print;
}
void AddPiece(Look *look, Sint16 x, Sint16 y, Uint16 w, Uint16 h, Uint64 print);

// A move played in motion: the swap slides, the runs fade, the tiles above fall and new ones drop
// in, on the host's clock. It plays on whatever is over the board: a card or the menu covers it,
// never stops it.
extern Uint8 showInMotion;   // 1: a move plays in motion; 0: at once. Set by the settings and the options card
void ShowMove(void);         // the move in moveRecord, just made: played in motion, or its sounds at once
void PlayShowToNow(void);     // the move being played brought to the host clock: its sounds play as its steps pass
int ShowRunning(void);       // 1 while a move is being played, as of the last PlayShowToNow
Uint32 ShowEndsAt(void);     // the host clock at which the move being played ends
void ShowFinish(void);       // the show ends where it is: the board and score are the rules' again
Uint32 ShownScore(void);     // the score with the steps shown so far
const Uint8 *ShownBoard(void); // the last board shown settled: before the move being played, else the rules'

// Points where they were made: a step's points rise from its runs as they vanish, then fade; the
// side panel's counter counts up to each new score.
void PointsRise(const Uint8 *runs, Uint32 points, Uint8 times, Uint32 at); // from the runs' place, from host clock `at`
Uint32 CountedScore(void);   // the counter as it stands now, on its way to ShownScore
int CounterNext(void);       // ms until it counts on, -1 when it has arrived

// Cards over the board: the controls (F1, and by itself on a first start), the high scores, the
// options (the menu's item), the modes a new game begins with, and the pause (its cover hides
// the whole board). While one shows no game step runs; any key, button or click
// takes the first two away, and the options card takes what changes its settings.
enum { CARD_NONE, CARD_HELP, CARD_SCORES, CARD_OPTIONS, CARD_MODES, CARD_PAUSE, CARDS };
// Every card covers the same square of the board area, inside its cells.
enum { CARD_X = BOARD_X + 4, CARD_Y = BOARD_Y + 3, CARD_SIZE = 232 };
extern Uint8 cardShown;      // the card over the board, CARD_NONE for none; ShowCard and FeaturesEvent
void ShowCard(int card);     // over the board from the next frame on
void DrawOptions(SDL_Surface *sheet);      // the options card's values, over the card just drawn
Uint64 OptionsPrint(Uint64 print);         // the options card's fingerprint taken further over its values
int OptionsEvent(const SDL_Event *event);  // while it shows, a click: 1 taken, 0 taken and done with, -1 none of its business
int OptionsButtons(const SDL_Event *buttons, int n); // while it shows, the buttons of keys and a pad: 1 it stays, 0 done with

// Game over, said: a banner over the board with the final score, and the window's title; the
// score of a game entered in the high-score table.
void GameEnds(void);         // the game in play is over, replaced or left: its score enters the table, once
void GameBegins(void);       // a new game is dealt: the next one to end and enter the table
void TitleTheWindow(void);   // the window's title says the game is over while the banner does

// A hint: the two tiles of a swap that makes a run, ringed, the rings fading by themselves.
// The modes of play: the classic game, endless until no move is left; the timed game, the same
// rules against a clock of TIMED_MS that runs only while nothing covers the board, a dead board
// dealt anew; the day's deal, classic rules on a deal and refills that are everyone's that day.
// A mode is the game's flow around the rules, which are the same for all.
enum { MODE_CLASSIC, MODE_TIMED, MODE_DAILY, MODES };
enum { TIMED_MS = 3 * 60 * 1000 };
extern Uint8 gameMode;        // the mode of the game in play; StartMode, ResumeMode
extern char dealDate[11];     // the day's deal's date, YYYY-MM-DD, "" in the other modes; StartMode, ResumeMode
extern Uint32 dealDraws;      // the day's deal's draws of rand() since its seed, the deal's and each refill's; the mode's flow
extern Sint32 clockLeft;      // the timed game's ms left; StartMode, ResumeMode, BringClockUp
extern Uint8 windowFocused;   // 0 while the window is in the back; PauseEvent
extern const char *const modeNames[MODES]; // "classic", "timed", "daily": as files and the command line name them
void StartMode(int mode, const char *date); // a new game of this mode, dealt (a day's deal of date, NULL: today's); the game in play ends in its own
void ResumeMode(int mode, Sint32 clock, const char *date, Uint32 draws); // a kept game's mode taken up again
void TakeAskedMode(int asked); // at the start: a new game of the mode the command line asked for, -1 none
void ModeMoveMade(void);      // after the rules settled a move: the day's draws counted
int ModeDealsAgain(void);     // a move left no move: 1 when the mode plays on with a new deal
void ModeBeforeStep(void);    // before each step: the clock brought up, a timed game's dead board dealt anew
void BringClockUp(void);      // the timed game's clock up to the host's clock; at zero the game is over
int ClockShows(void);         // 1 when the side panel shows the clock
int ClockNext(void);          // ms until the clock shows another second, -1 while it stands still
const char *ModeTable(int mode, const char *date, char *name, size_t size); // the mode's high-score file's name
int ModesEvent(const SDL_Event *event);          // the mode card's clicks: as OptionsEvent
int ModesButtons(const SDL_Event *buttons, int n); // the mode card's buttons: 1 while it stays
void DrawModes(SDL_Surface *sheet);              // the mode card's marker, over the card just drawn
Uint64 ModesPrint(Uint64 print);                 // the mode card's fingerprint taken further
int PauseEvent(const SDL_Event *event);          // P or a pad's Back in play, and the window's focus: 1 when taken

void ShowHint(void);         // H or the pad's north button, in play: rings from now, or once a move has played out

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

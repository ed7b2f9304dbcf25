// The modes of play on a desktop: the classic game, the timed one and the day's deal; the mode card, the clock, pause and its cover.
#include "game/desktop/features.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "board/board.h"
#include "desktop/desktop.h"
#include "game/desktop/scores.h"
#include "gfx/gfx.h"
#include "input/input.h"
#include "platform/platform.h"

Uint8 gameMode = MODE_CLASSIC;
char dealDate[11] = "";
Uint32 dealDraws = 0;
Sint32 clockLeft = 0;
Uint8 windowFocused = 1;

const char *const modeNames[MODES] = {"classic", "timed", "daily"};

static Uint32 clockSeen; // the host clock when the clock was last brought up to date
static int modeChosen;   // the mode card's row

// The day's deal: one seed a date, the same on every machine, made of the date's own digits.
static unsigned DaySeed(const char *date)
{
    unsigned seed = 2166136261u;
    for (int i = 0; i < 10; i++)
        seed = (seed ^ (unsigned char)date[i]) * 16777619u;
    return seed;
}

// A board without runs from the generator as it stands, as the rules' own deal fills it: every
// draw counted, so that a day's game kept and continued goes on with the same refills.
static void DealFromSeed(void)
{
    do {
        for (int i = 0; i < BOARD_CELLS; i++)
            table[i] = (Uint8)(rand() % 7);
        dealDraws += BOARD_CELLS;
    } while (CheckSame() != 0);
    memset(same, 0, sizeof same);
}

void StartMode(int mode, const char *date)
{
    // The game being left, if any, ends here in its own mode: its points may be worth keeping, in
    // its own table.
    GameEnds();
    DealTable();
    _gameOver = 0;
    score = 0;
    mx = 3;
    my = 3;
    GameBegins();
    // Every pixel afresh at the next frame, as the console's screen is drawn at its new game.
    AskWholeFrame();
    gameMode = (Uint8)mode;
    clockLeft = mode == MODE_TIMED ? TIMED_MS : 0;
    clockSeen = HostClock();
    dealDraws = 0;
    dealDate[0] = '\0';
    if (mode == MODE_DAILY) {
        if (date != NULL)
            snprintf(dealDate, sizeof dealDate, "%s", date);
        else
            TodaysDate(dealDate);
        srand(DaySeed(dealDate));
        DealFromSeed();
    }
}

void TakeAskedMode(int asked)
{
    // The game kept goes on when it is of the mode asked for (the day's deal only that day's).
    char today[11];
    TodaysDate(today);
    if (asked < 0 || (asked == gameMode && (asked != MODE_DAILY || strcmp(today, dealDate) == 0)))
        return;
    StartMode(asked, NULL);
}

void ResumeMode(int mode, Sint32 clock, const char *date, Uint32 draws)
{
    gameMode = (Uint8)mode;
    clockLeft = clock;
    clockSeen = HostClock();
    dealDate[0] = '\0';
    dealDraws = draws;
    if (mode != MODE_DAILY)
        return;
    // The day's refills go on from where the game was kept, past midnight too: that day's.
    memcpy(dealDate, date, 10);
    dealDate[10] = '\0';
    srand(DaySeed(dealDate));
    for (Uint32 i = 0; i < draws; i++)
        rand();
}

void ModeMoveMade(void)
{
    // Each cell a step cleared was refilled with one draw.
    for (int s = 0; s < moveRecord.steps; s++)
        for (int i = 0; i < BOARD_CELLS; i++)
            dealDraws += moveRecord.step[s].runs[i] != 0;
}

int ModeDealsAgain(void)
{
    if (gameMode != MODE_TIMED || clockLeft <= 0)
        return 0;
    // Against the clock a dead board is only an interruption: it is dealt anew once the move
    // has played out (ModeBeforeStep), the score kept and the clock running on.
    _gameOver = 0;
    return 1;
}

void ModeBeforeStep(void)
{
    BringClockUp();
    if (gameMode == MODE_TIMED && !_gameOver && !ShowRunning() && CountMoves(table) == 0) {
        DealTable();
        SET = 0;
        KeepGamePlayed();
    }
}

// Whether the clock runs: a timed game in play, nothing over the board, the window in front.
static int ClockRuns(void)
{
    return gameMode == MODE_TIMED && !_gameOver && !isMenu && cardShown == CARD_NONE && windowFocused;
}

void BringClockUp(void)
{
    Uint32 now = HostClock();
    if (ClockRuns()) {
        clockLeft -= (Sint32)(now - clockSeen);
        if (clockLeft <= 0) {
            // Time is up: the game is over as a game without moves is, its score kept at once.
            clockLeft = 0;
            _gameOver = 1;
            isMenu = 1;
            SET = 0;
            GameEnds();
        }
    }
    clockSeen = now;
}

int ClockShows(void)
{
    return gameMode == MODE_TIMED;
}

int ClockNext(void)
{
    // The clock shows whole seconds, rounded up: it changes as each one runs out.
    return ClockRuns() ? (int)((clockLeft - 1) % 1000 + 1) : -1;
}

const char *ModeTable(int mode, const char *date, char *name, size_t size)
{
    if (mode == MODE_TIMED)
        snprintf(name, size, "scores-timed");
    else if (mode == MODE_DAILY)
        snprintf(name, size, "scores-daily-%s", date);
    else
        snprintf(name, size, SCORES_FILE);
    return name;
}

// The mode card: Up and Down choose, B, Select (Return in the menu) or Space play the chosen
// mode, Start (Escape) or X go back to the menu; a click on a mode plays it, one off the card
// goes back.
enum { MODE_ROW_Y = 36, MODE_ROW_DY = 48, MARKER_X = 12, MARKER_W = 7, MARKER_H = 9 };

int ModesEvent(const SDL_Event *event)
{
    if (event->type == SDL_MOUSEBUTTONUP)
        return 1;
    if (event->type != SDL_MOUSEBUTTONDOWN)
        return -1;
    int x = event->button.x - CARD_X, y = event->button.y - CARD_Y;
    if (x < 0 || x >= CARD_SIZE || y < 0 || y >= CARD_SIZE)
        return 0;
    int row = (y - MODE_ROW_Y) / MODE_ROW_DY;
    if (y >= MODE_ROW_Y && row < MODES && event->button.button == SDL_BUTTON_LEFT) {
        StartMode(row, NULL);
        isMenu = 0;
        return 0;
    }
    return 1;
}

int ModesButtons(const SDL_Event *buttons, int n)
{
    for (int i = 0; i < n; i++) {
        if (buttons[i].type != SDL_JOYBUTTONDOWN)
            continue;
        switch (buttons[i].jbutton.button) {
        case BTN_UP: modeChosen = (modeChosen + MODES - 1) % MODES; break;
        case BTN_DOWN: modeChosen = (modeChosen + 1) % MODES; break;
        case BTN_B: case BTN_SELECT:
            StartMode(modeChosen, NULL);
            isMenu = 0;
            return 0;
        case BTN_START: case BTN_X: return 0;
        default: break;
        }
    }
    return 1;
}

void DrawModes(SDL_Surface *sheet)
{
    PutSurface(sheet, screen, 0, CARD_SIZE, CARD_X + MARKER_X, (Sint16)(CARD_Y + MODE_ROW_Y + MODE_ROW_DY * modeChosen - 1),
               MARKER_W, MARKER_H);
}

Uint64 ModesPrint(Uint64 print)
{
    return print ^ PrintOf(modeChosen);
}

// The pause cover: the whole board area hidden, under whatever card is over it. P's pause shows
// it in every mode; a timed game's board is hidden whenever its clock stands still, so that a
// pause gives no time to think.
enum { COVER_LINE_Y = 128, LINE_H = 12, PLAY_ON = 0, CLOCK_WAITS = 1 };

static int CoverShows(void)
{
    return cardShown == CARD_PAUSE || (gameMode == MODE_TIMED && !_gameOver && !ClockRuns());
}

static void CoverLook(Look *look)
{
    AddPiece(look, BOARD_X, 0, 320 - BOARD_X, 240, PrintOf(cardShown == CARD_PAUSE));
}

static void DrawCover(void)
{
    static SDL_Surface *cover;
    if (cover == NULL)
        cover = LoadPicture(iCover, iCover_size, 0x3E0);
    PutSurface(cover, screen, 0, 0, BOARD_X, 0, 320 - BOARD_X, 240);
    int line = cardShown == CARD_PAUSE ? PLAY_ON : CLOCK_WAITS;
    PutSurface(cover, screen, 0, (Sint16)(240 + LINE_H * line), BOARD_X, COVER_LINE_Y, 320 - BOARD_X, LINE_H);
}

static int CoverNext(void) { return -1; }

const Layer coverLayer = {CoverShows, CoverLook, DrawCover, CoverNext};

int PauseEvent(const SDL_Event *event)
{
    // The window in the back stops a timed game's clock, and leaves it paused for the player's return.
    if (event->type == SDL_ACTIVEEVENT && (event->active.state & (SDL_APPINPUTFOCUS | SDL_APPACTIVE))) {
        windowFocused = (Uint8)event->active.gain;
        BringClockUp();
        if (!event->active.gain && gameMode == MODE_TIMED && !_gameOver && !isMenu && cardShown == CARD_NONE)
            ShowCard(CARD_PAUSE);
        return 0;
    }
    // P, or a pad's Back (which in the menu is its Select), in play.
    int back = event->type == SDL_JOYBUTTONDOWN && event->jbutton.which != HOST_STICK && event->jbutton.button == 6;
    if ((back || (event->type == SDL_KEYDOWN && event->key.keysym.sym == SDLK_p)) && !isMenu) {
        BringClockUp();
        ShowCard(CARD_PAUSE);
        return 1;
    }
    return 0;
}

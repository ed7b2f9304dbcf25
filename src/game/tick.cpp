// The game tick: one step of the menu or of the game, then the redraw and the picture shown.
#include "game/game.h"

#include <string.h>

#include "app/app.h"
#include "board/board.h"
#include "gfx/gfx.h"
#include "input/input.h"
#include "platform/platform.h"
#include "sound/sound.h"
#if SEVENFOLD_DESKTOP_FEATURES
#include "game/desktop/features.h"
#endif

// What a step leaves on screen to be shown.
enum { STEP_ENDED_PROGRAM, STEP_DREW_ALL, STEP_SHOWS_BOARD };

// What the game's last picture of the board showed: everything the board, the cursor, the score
// and the menu are drawn from, and how many drawings into the screen there had been once it was
// shown (anything else that draws, or an expose, counts itself there).
struct Shown {
    Uint8 table[BOARD_CELLS], same[BOARD_CELLS];
    Uint8 skin, isMenu, currMenu, partial;
    Sint8 set;
    Sint16 mx, my, setX, setY;
    Uint32 score, draws;
    SDL_Surface *screen, *tile, *image;
};
static Shown shown;

static void TakeShown(Shown *s)
{
    memset(s, 0, sizeof *s); // the padding too, for the comparison
    memcpy(s->table, table, sizeof table);
    memcpy(s->same, same, sizeof same);
    s->skin = skin;
    s->isMenu = isMenu;
    s->currMenu = _currMenu;
    s->partial = partialPresents;
    s->set = SET;
    s->mx = mx;
    s->my = my;
    s->setX = setX;
    s->setY = setY;
    s->score = score;
    s->draws = screenDraws;
    s->screen = screen;
    s->tile = tile;
    s->image = image;
}

// Nothing drawn or changed since the last picture of the board but the cursor's frame.
static int OnlyTheCursorTurns(void)
{
    Shown now;
    TakeShown(&now);
    return partialPresents && memcmp(&now, &shown, sizeof now) == 0;
}

// The tick's work but the picture: a menu step or choice, or a game step.
static int Step(void)
{
    // Menu step: clearing moveY makes one press of up or down move the selection once.
    if (isMenu && moveY != 0) {
        if (moveY < 0)
            MenuItemUP();
        else
            MenuItemDOWN();
        isLEFTkey = 0;
        isRIGHTkey = 0;
        moveY = 0;
    }

    // Menu choice; on the console high score and option do nothing, and their B or Select
    // stays set.
    if (isMenu && (isSelectKey || isBkey)) {
        if (_currMenu == 1) {
            isSelectKey = 0;
            isBkey = 0;
            Start();
            isMenu = 0;
            return STEP_DREW_ALL;
        }
        if (_currMenu == 3) {
            done = 1;
            StopTick();
            return STEP_ENDED_PROGRAM;
        }
#if SEVENFOLD_DESKTOP_FEATURES
        // A desktop shows the high-score table, or the options, over the board.
        if (_currMenu == 0 || _currMenu == 2) {
            ShowCard(_currMenu == 0 ? CARD_SCORES : CARD_OPTIONS);
            isSelectKey = 0;
            isBkey = 0;
        }
#endif
    }

    if (isMenu) {
        ShowMenu(1);
        return STEP_DREW_ALL;
    }

    // Game step.
    if (isLkey) {
        skin = skin == 0 ? (Uint8)(skinMax - 1) : (Uint8)(skin - 1);
        isLkey = 0;
    }
    if (isRkey) {
        skin = skin < skinMax - 1 ? (Uint8)(skin + 1) : 0;
        isRkey = 0;
    }

    // The cursor wraps around the edges; with a lifted tile that makes a swap between
    // opposite edges possible, and a diagonal step a diagonal swap. Both are part of the game.
    mx = (Sint16)(mx + moveX);
    if (mx > boardXmax - 1)
        mx = 0;
    else if (mx < 0)
        mx = (Sint16)(boardXmax - 1);
    my = (Sint16)(my + moveY);
    if (my > boardYmax - 1)
        my = 0;
    else if (my < 0)
        my = (Sint16)(boardYmax - 1);

    if (SET && (moveX || moveY))
        MakeMove();
    if (moveX || moveY)
        PlayWave(3);

    if (isXkey && SET) {
        PlayWave(2);
        SET = 0;
    } else if (isBkey) {
        SET = 1;
        isBkey = 0;
        setX = mx;
        setY = my;
        PlayWave(0);
    }
    return STEP_SHOWS_BOARD;
}

// The board as it stands, or as a desktop has it now: the last move's show, a hint.
static void DrawBoardNow(void)
{
#if SEVENFOLD_DESKTOP_FEATURES
    DrawBoardLayers();
#else
    DrawPan();
#endif
}

void DrawSet(void)
{
    int drew = Step();
    if (drew == STEP_ENDED_PROGRAM)
        return;
    if (drew == STEP_SHOWS_BOARD) {
        // Idle, only the cursor's outline crawls: its cell alone is drawn and shown.
        if (OnlyTheCursorTurns()) {
            DrawCursorCell();
        } else {
            DrawBoardNow();
            DrawCursor();
            UpdateScreen();
        }
        TakeShown(&shown);
    } else {
        UpdateScreen();
    }
    // The tick's picture is shown: its buttons are seen, and the next tick is due a period from now.
    TickSawButtons();
    ScheduleTick();
}

void StepNow(void)
{
    int drew = Step();
    if (drew == STEP_ENDED_PROGRAM)
        return;
    if (drew == STEP_SHOWS_BOARD) {
        // The cursor's outline keeps the tick's pace: a press does not turn it.
        DrawBoardNow();
        DrawCursorFrame();
        UpdateScreen();
        TakeShown(&shown);
    } else {
        UpdateScreen();
    }
    TickSawButtons();
}

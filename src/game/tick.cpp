// The game tick: one step of the menu or of the game, then its picture.
#include "game/game.h"

#include "board/board.h"
#include "gfx/gfx.h"
#include "input/input.h"
#include "sound/sound.h"
#if SEVENFOLD_DESKTOP_FEATURES
#include "game/desktop/features.h"
#endif

// What a step leaves to be shown.
enum { STEP_ENDED_PROGRAM, STEP_NEW_GAME, STEP_MENU, STEP_GAME };

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
#if SEVENFOLD_DESKTOP_FEATURES
            // A desktop asks which mode: the card's choice starts it and closes the menu.
            ShowCard(CARD_MODES);
            return STEP_MENU;
#else
            Start();
            isMenu = 0;
            return STEP_NEW_GAME;
#endif
        }
        if (_currMenu == 3)
            return STEP_ENDED_PROGRAM;
#if SEVENFOLD_DESKTOP_FEATURES
        // A desktop shows the high-score table, or the options, over the board.
        if (_currMenu == 0 || _currMenu == 2) {
            ShowCard(_currMenu == 0 ? CARD_SCORES : CARD_OPTIONS);
            isSelectKey = 0;
            isBkey = 0;
        }
#endif
    }

    if (isMenu)
        return STEP_MENU;

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
    return STEP_GAME;
}

// The step's picture. A tick turns the cursor's outline; a press keeps the tick's pace.
static void Picture(int step, int tick)
{
#if SEVENFOLD_DESKTOP_FEATURES
    // A desktop's frame comes from its composer, drawn from the state the step left once the
    // tick or the event that made the step is done.
    if (step == STEP_GAME && tick)
        TurnCursor();
#else
    if (step == STEP_MENU) {
        ShowMenu(1);
    } else if (step == STEP_GAME) {
        DrawPan();
        if (tick)
            DrawCursor();
        else
            DrawCursorFrame();
    }
    UpdateScreen();
#endif
}

int DrawSet(void)
{
    int step = Step();
    if (step == STEP_ENDED_PROGRAM)
        return 1;
    Picture(step, 1);
    // The tick's picture is shown: its buttons are seen.
    TickSawButtons();
    return 0;
}

int StepNow(void)
{
    int step = Step();
    if (step == STEP_ENDED_PROGRAM)
        return 1;
    Picture(step, 0);
    TickSawButtons();
    return 0;
}

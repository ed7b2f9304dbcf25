// A new game: the deal, and on the console the whole screen drawn afresh with the side panel.
#include "game/game.h"

#include <stdlib.h>

#include "board/board.h"
#include "gfx/gfx.h"
#include "platform/platform.h"
#if SEVENFOLD_DESKTOP_FEATURES
#include "game/desktop/features.h"
#endif

void Start(void)
{
#if SEVENFOLD_DESKTOP_FEATURES
    // A desktop's new game is one of its modes: the mode in play, unless the mode card chose.
    StartMode(gameMode, NULL);
#else
    DealTable();
    _gameOver = 0;
    score = 0;
    mx = 3;
    my = 3;
    DrawSidePanel(0, score);
    FillRec(screen, 80, 0, 240, 240, _565(224, 224, 224));
    DrawPan();
#endif
}

void FirstGame(void)
{
#if SEVENFOLD_DESKTOP_FEATURES
    // A desktop starts as the player left it: the settings kept, the game kept (at the end of
    // the program, however it ends, before SDL is shut down: exit handlers run last first).
    LoadSettings();
    Start();
    ContinueKeptGame();
    TakeAskedMode(askedMode);
    atexit(GameLeft);
#else
    Start();
#endif
}

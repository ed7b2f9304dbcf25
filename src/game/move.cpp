// A player's move: settled by the rules, then played from their record, at once or on a desktop in motion.
#include "game/game.h"

#include "board/board.h"
#include "gfx/gfx.h"
#include "sound/sound.h"
#if SEVENFOLD_DESKTOP_FEATURES
#include "game/desktop/features.h"
#endif

void MakeMove(void)
{
    CheckMove();
#if SEVENFOLD_DESKTOP_FEATURES
    ModeMoveMade();
    // No move is left: the game is over the moment the rules say so, unless its mode deals
    // anew. The menu opens, the score enters the table now, and only the banner waits for the
    // move to have played out.
    if (moveRecord.gameOver && !ModeDealsAgain())
        isMenu = 1;
    // Settled by the rules: kept now, so that a crash loses at most the move after it.
    KeepGamePlayed();
    if (_gameOver)
        GameEnds();
    ShowMove();
#else
    // No move is left: the menu opens, and a new game comes from its items.
    if (moveRecord.gameOver)
        isMenu = 1;
    PlayMoveAtOnce();
#endif
}

#if !SEVENFOLD_DESKTOP_FEATURES
void PlayMoveAtOnce(void)
{
    // Each clearing step is shown whole as its runs vanish, with its sound; the end of the last
    // is the board the tick then draws with its cursor. Over the step before, only the cells
    // that changed are drawn again.
    for (Uint8 i = 0; i < moveRecord.steps; i++) {
        const MoveStep *step = &moveRecord.step[i];
        PlayWave(step->sound);
        if (i == 0)
            DrawTiles(step->after, NULL);
        else
            DrawTilesOver(step->after, moveRecord.step[i - 1].after);
        DrawPoints(step->score);
        UpdateScreen();
    }
}
#endif

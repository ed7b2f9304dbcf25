// The buttons acted on as they arrive rather than at the tick: Start and the volume buttons.
#include "game/game.h"

#include "board/board.h"
#include "gfx/gfx.h"
#include "input/input.h"
#include "sound/sound.h"
#if SEVENFOLD_DESKTOP_FEATURES
#include "game/desktop/features.h"
#endif

int StartButton(void)
{
    // A tap still waiting for its tick belongs to the mode it was made in: settled now, as if
    // its tick had passed, it can neither choose a menu item nor move the cursor.
    TickSawButtons();
    if (isMenu && !_gameOver) {
        isMenu = 0;
#if !SEVENFOLD_DESKTOP_FEATURES
        // Shown with the next tick's picture.
        ShowMenu(0);
#endif
        return 1;
    }
    // After game over Start only shows the menu again: a new game comes from its items.
    isMenu = 1;
#if !SEVENFOLD_DESKTOP_FEATURES
    ShowMenu(1);
    UpdateScreen();
#endif
    return 0;
}

void VolumeButtons(void)
{
    if (isVolUPkey)
        StepVolume(1);
    if (isVolDOWNkey)
        StepVolume(-1);
    ApplyVolume();
#if SEVENFOLD_DESKTOP_FEATURES
    // The new volume is heard at once, not only at the next move.
    if (isVolUPkey || isVolDOWNkey)
        PlayWave(3);
#endif
}

// A new game: the deal, and the whole screen drawn afresh with the side panel.
#include "game/game.h"

#include <stdlib.h>

#include "assets/assets.h"
#include "board/board.h"
#include "gfx/gfx.h"
#if SEVENFOLD_DESKTOP_FEATURES
#include "game/desktop/features.h"
#endif

SDL_Surface *Wexa = NULL;

void PutWexa(Sint16 x, Sint16 y)
{
    // Decoded once and kept: a new game must not cost a fresh surface.
    if (Wexa == NULL)
        Wexa = LoadPicture(iWexa, iWexa_size, 0xFF00);
    if (Wexa)
        PutSurface(Wexa, screen, 0, 0, x, y, (Uint16)Wexa->w, (Uint16)Wexa->h);
}

void Start(void)
{
#if SEVENFOLD_DESKTOP_FEATURES
    // The game being left, if any, ends here: its points may be worth keeping.
    GameEnds();
#endif
    DealTable();
    for (int r = 0; r < 48; r++)
        for (int c = 0; c < 16; c++)
            PutSurface(image, screen, 136, 0, (Sint16)(5 * c), (Sint16)(5 * r), 5, 5);
    FillRec(screen, 80, 0, 240, 240, _565(224, 224, 224));
    _gameOver = 0;
    score = 0;
    mx = 3;
    my = 3;
    PutSurface(title, screen, 0, 0, 0, 0, 80, 40);
    ShowMenu(0);
    DrawPan();
    DrawScore();
    PutWexa(14, 229);
}

void FirstGame(void)
{
#if SEVENFOLD_DESKTOP_FEATURES
    // A desktop starts as the player left it: the settings kept, the game kept (at the end of
    // the program, however it ends, before SDL is shut down: exit handlers run last first).
    LoadSettings();
    Start();
    ContinueKeptGame();
    atexit(GameLeft);
#else
    Start();
#endif
}

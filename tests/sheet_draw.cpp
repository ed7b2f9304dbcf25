// Loads one tile sheet as the game does and draws the board in each of its skins: 0 drawn, 1 refused.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "board/board.h"
#include "harness.h"
#include "gfx/gfx.h"

namespace fs = std::filesystem;

// Exit statuses; anything else (a signal, a sanitizer's report) is a fault.
enum { DRAWN = 0, REFUSED = 1, NO_SETUP = 2 };

int main(int argc, char *argv[])
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s SHEET.bmp\n", argv[0]);
        return NO_SETUP;
    }
    std::error_code error;
    const fs::path sheet = fs::absolute(argv[1], error);

    // The game must be fully up, on its own sheet, before the candidate replaces it, so that a
    // refusal here can only be the candidate's.
    const fs::path scratch = InitInScratchFolder("draw");
    if (scratch.empty())
        return NO_SETUP;
    fs::remove_all(scratch, error);

    if (!LoadTile(sheet.c_str())) {
        SDL_Quit();
        return REFUSED;
    }
    SDL_SetColorKey(tile, SDL_SRCCOLORKEY, 0x3E0);

    // Every kind in every row and column, so each sheet column is drawn in each skin; the
    // cursor visits all seven kinds with and without a lifted tile.
    for (int i = 0; i < BOARD_CELLS; i++) {
        table[i] = (Uint8)((i % 7 + i / 7) % 7);
        same[i] = 0;
    }
    for (int s = 0; s < skinMax; s++) {
        skin = (Uint8)s;
        for (int k = 0; k < 7; k++) {
            mx = (Sint16)k;
            my = (Sint16)k;
            SET = (Sint8)(k & 1);
            DrawPan();
            DrawCursor();
        }
    }
    SET = 0;
    same[24] = 2; // a marked cell is drawn as a blank instead of a tile
    DrawPan();
    printf("skins %d\n", skinMax);
    SDL_Quit();
    return DRAWN;
}

// Shared by the test programs, the benchmarks and the fuzzer: the real game brought up in a scratch folder.
#ifndef SEVENFOLD_TEST_HARNESS_H
#define SEVENFOLD_TEST_HARNESS_H

#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "input/input.h"
#if SEVENFOLD_DESKTOP_FEATURES
#include "game/desktop/features.h"
#endif
#include "platform/platform.h"

// A press or release of one of the console's buttons, as the host layer hands it to the game.
inline SDL_Event JoyButtonEvent(Uint8 type, int button)
{
    SDL_Event event;
    memset(&event, 0, sizeof event);
    event.type = type;
    event.jbutton.which = HOST_STICK;
    event.jbutton.button = (Uint8)button;
    event.jbutton.state = type == SDL_JOYBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    return event;
}

// After new game is chosen in the menu: a desktop asks which mode, and B plays the one its card
// points at, the classic game unless a press moved it. The console deals at once.
inline void ConfirmNewGame()
{
#if SEVENFOLD_DESKTOP_FEATURES
    for (Uint8 type : {SDL_JOYBUTTONDOWN, SDL_JOYBUTTONUP}) {
        SDL_Event b = JoyButtonEvent(type, BTN_B);
        HandleEvent(&b);
    }
#endif
}

// A press or release of a desktop key, as SDL delivers it.
inline SDL_Event KeyEvent(Uint8 type, SDLKey key)
{
    SDL_Event event;
    memset(&event, 0, sizeof event);
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    return event;
}

// Whether three equal kinds stand in a line anywhere: written apart from the game's CheckSame.
inline bool HasRun(const Uint8 *cells)
{
    for (int y = 0; y < 7; y++)
        for (int x = 0; x < 7; x++) {
            Uint8 k = cells[x + 7 * y];
            if (x <= 4 && cells[x + 1 + 7 * y] == k && cells[x + 2 + 7 * y] == k)
                return true;
            if (y <= 4 && cells[x + 7 * (y + 1)] == k && cells[x + 7 * (y + 2)] == k)
                return true;
        }
    return false;
}

// The neighbour swaps (a, b as cell indices, b right of or below a, in cell order) that form a
// run, or with `scoring` false those that do not: no wrap-around, no diagonals.
inline std::vector<std::pair<int, int>> FindMoves(const Uint8 *cells, bool scoring = true)
{
    std::vector<std::pair<int, int>> moves;
    Uint8 trial[49];
    for (int i = 0; i < 49; i++) {
        const int neighbours[2] = {i % 7 < 6 ? i + 1 : -1, i / 7 < 6 ? i + 7 : -1};
        for (int j : neighbours) {
            if (j < 0)
                continue;
            memcpy(trial, cells, sizeof trial);
            std::swap(trial[i], trial[j]);
            if (HasRun(trial) == scoring)
                moves.push_back({i, j});
        }
    }
    return moves;
}

// This process's resident memory in KiB, or -1 where /proc cannot tell.
inline long RssKiB()
{
    FILE *f = fopen("/proc/self/status", "r");
    if (f == NULL)
        return -1;
    char line[256];
    long kib = -1;
    while (fgets(line, sizeof line, f))
        if (strncmp(line, "VmRSS:", 6) == 0)
            kib = strtol(line + 6, NULL, 10);
    fclose(f);
    return kib;
}

// The game's own start-up in a fresh folder under the temporary directory that holds our tile
// sheet, which becomes the working directory; on SDL's dummy drivers unless `dummy` is false or
// the caller chose drivers already. Returns the folder, or an empty path after saying on
// standard error what failed (`who` names the program).
inline std::filesystem::path InitInScratchFolder(const char *who, bool dummy = true)
{
    namespace fs = std::filesystem;
    if (dummy) {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
    }
    std::string pattern = (fs::temp_directory_path() / (std::string("sevenfold-") + who + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == NULL) {
        perror(who);
        return {};
    }
    fs::path dir = pattern;
    std::error_code error;
    fs::copy_file(fs::path(SEVENFOLD_SOURCE_DIR) / "assets" / "tile.bmp", dir / "tile.bmp", error);
    if (error || chdir(dir.c_str()) != 0) {
        fprintf(stderr, "%s: cannot prepare %s\n", who, dir.c_str());
        return {};
    }
    // The player's data (high scores, the sign of an earlier start) and settings live in the
    // folder too, as on a machine where the game has been played before.
    fs::create_directories(dir / "data" / "sevenfold", error);
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    if (!Init()) {
        fprintf(stderr, "%s: the game did not start: %s\n", who, SDL_GetError());
        SDL_Quit();
        return {};
    }
    // The rules at their own speed, stepped by the ticks the caller runs: a desktop's motion, and
    // its step for each press as it arrives, are for players.
#if SEVENFOLD_DESKTOP_FEATURES
    showInMotion = 0;
#endif
    pressesActAtOnce = 0;
    return dir;
}

#endif

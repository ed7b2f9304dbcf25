// The floor for the idle game: an SDL 1.2 program with the game's window that presents it every tick.
//
// figures.py runs it beside the game so that both share the same noisy machine at the same
// moment; the game's idle cost is read as a ratio to this. It links SDL (and SDL_mixer) only,
// never the game, so it measures what any program showing this window at this rate must pay.
//
//   idle_reference [--mixer] [--tick MS]
//
// --mixer opens the mixer as the game does and leaves it silent, so the audio thread's cost is
// part of the floor too. The window is set up as a desktop build of the game sets it up.
#include <SDL.h>
#include <SDL_mixer.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const int kWidth = 320, kHeight = 240, kDepth = 16;
const int kCell = 34, kCellX = 80 + 3 * kCell, kCellY = 1 + 3 * kCell;

// The same whole-number scale the game picks for a desktop of this size; it must stay in step
// with the game's rule, or the two windows would cost different amounts to present.
int WindowScale(int desktopW, int desktopH)
{
    int byWidth = desktopW / kWidth;
    int byHeight = desktopH * 9 / 10 / kHeight;
    int scale = byWidth < byHeight ? byWidth : byHeight;
    return scale < 1 ? 1 : scale;
}

} // namespace

int main(int argc, char **argv)
{
    bool mixer = false;
    int tick = 70;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--mixer") == 0) {
            mixer = true;
        } else if (strcmp(argv[i], "--tick") == 0 && i + 1 < argc) {
            tick = atoi(argv[++i]);
        } else {
            fprintf(stderr, "usage: %s [--mixer] [--tick MS]\n", argv[0]);
            return 2;
        }
    }
    if (tick < 1)
        tick = 1;

    // As the game does, a player's own setting wins over both.
    setenv("SDL12COMPAT_SCALE_METHOD", "nearest", 0);
    if (SDL_Init(SDL_INIT_VIDEO | (mixer ? SDL_INIT_AUDIO : 0)) < 0) {
        fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        return 1;
    }
    const SDL_VideoInfo *desktop = SDL_GetVideoInfo();
    if (desktop != NULL && desktop->current_w > 0 && desktop->current_h > 0) {
        char scale[16];
        snprintf(scale, sizeof scale, "%d", WindowScale(desktop->current_w, desktop->current_h));
        setenv("SDL12COMPAT_WINDOW_SCALING", scale, 0);
    }
    SDL_Surface *screen = SDL_SetVideoMode(kWidth, kHeight, kDepth, 0);
    if (screen == NULL) {
        fprintf(stderr, "SDL_SetVideoMode: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    SDL_ShowCursor(0);
    if (mixer && Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 256) < 0) {
        fprintf(stderr, "Mix_OpenAudio: %s\n", Mix_GetError());
        SDL_Quit();
        return 1;
    }
    printf("window scale %s\n", getenv("SDL12COMPAT_WINDOW_SCALING") ? getenv("SDL12COMPAT_WINDOW_SCALING") : "-");
    fflush(stdout);

    SDL_FillRect(screen, NULL, SDL_MapRGB(screen->format, 224, 224, 224));
    // One cell changes from frame to frame, as the game's cursor does, so no layer below can
    // skip a frame for being unchanged.
    const Uint32 shades[4] = {SDL_MapRGB(screen->format, 255, 0, 0), SDL_MapRGB(screen->format, 0, 255, 0),
                              SDL_MapRGB(screen->format, 0, 0, 255), SDL_MapRGB(screen->format, 255, 255, 255)};
    SDL_Rect cell = {kCellX, kCellY, kCell, kCell};

    Uint32 due = SDL_GetTicks();
    for (unsigned frame = 0;; frame++) {
        SDL_Event event;
        // SIGTERM and SIGINT arrive as SDL_QUIT, so figures.py can stop it like the game.
        while (SDL_PollEvent(&event))
            if (event.type == SDL_QUIT) {
                if (mixer)
                    Mix_CloseAudio();
                SDL_Quit();
                return 0;
            }
        SDL_FillRect(screen, &cell, shades[frame % 4]);
        SDL_UpdateRect(screen, 0, 0, kWidth, kHeight);
        // A late tick does not make the next ones hurry.
        due += (Uint32)tick;
        Uint32 now = SDL_GetTicks();
        if ((Sint32)(due - now) > 0)
            SDL_Delay(due - now);
        else
            due = now;
    }
}

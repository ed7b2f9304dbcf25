// Start-up and shutdown: SDL, the display, audio and every asset; the exit handler.
#include "app/app.h"

#include <stdio.h>
#include <string.h>

#include "assets/assets.h"
#include "assets/sheet.h"
#include "board/board.h"
#include "gfx/gfx.h"
#include "input/input.h"
#include "platform/platform.h"
#include "sound/sound.h"

// SDL's error as it stands, copied into error.
static void KeepError(char *error, size_t size)
{
    strncpy(error, SDL_GetError(), size - 1);
    error[size - 1] = '\0';
}

// What the host offers, taken once: each room's own way set by it.
static void TakeOffer(const HostOffer *offer)
{
    partialPresents = offer->partialPresents;
    presentRects = offer->presentRects;
    pressesActAtOnce = offer->pressesActAtOnce;
    tickOnClock = offer->tickOnClock;
    soundSamples = offer->soundSamples;
    soundRate = offer->soundRate;
    sheetsPlainOnly = offer->sheetsPlainOnly;
}

int Init(void)
{
    PlatformBeforeInit();
    TakeOffer(PlatformOffers());
    SaltDeals();
    // Video first, sound on its own: sdl12-compat takes every subsystem asked for as started even
    // when the call failed, so one SDL_Init of all four that a missing sound driver fails would
    // leave video half set up for any retry, and a failure of video would pass for no sound.
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) < 0) {
        printf("Unable to init SDL: %s\n", SDL_GetError());
        return 0;
    }
    int sound = SDL_InitSubSystem(SDL_INIT_AUDIO) >= 0;
    // Why there is no sound, kept before any later call replaces SDL's error with its own.
    char noSound[256] = "";
    if (!sound) {
        KeepError(noSound, sizeof noSound);
        // Where sound is needed, no sound is no start, as a failed SDL_Init always was.
        if (!PlatformSoundOptional()) {
            printf("Unable to init SDL: %s\n", noSound);
            return 0;
        }
    }
    if (!PlatformHasDisplay())
        return 0;
    PlatformVideoPrepare();
    screen = SDL_SetVideoMode(320, 240, 16, PlatformVideoFlags());
    if (screen == NULL) {
        printf("Unable to set 320x240 video: %s\n", SDL_GetError());
        return 0;
    }
    if (sound && !OpenSound()) {
        sound = 0;
        KeepError(noSound, sizeof noSound);
    }
    if (sound)
        LoadSounds();
    else if (PlatformSoundOptional())
        PlatformSay("no sound device (%s); playing without sound", noSound);
    else
        return 0;

    LoadPictures();
    SDL_Surface *sheet = PlatformFindSheet();
    if (sheet == NULL)
        return 0;
    SetTile(sheet);

    InitMenu(iMenu, iMenu_size, 0, 150, 4, 0, 20);
    SetDigit(10, 13);
    SetDigitBack(0xFFFFFF);
    return 1;
}

void Quit(void)
{
    // A device stopped by the held audio lock would never close.
    WakeSound();
    // Both ways out of the event loop set done. An exit from anywhere else comes from inside
    // a library, typically Xlib after the display connection died, perhaps with SDL's event
    // queue locked: shutting video down would wait forever on the dead connection, and waiting
    // for the timer thread could wait on that lock. Only the tick and the audio thread stop.
    if (done) {
        SDL_Quit();
    } else {
        StopTick();
        SDL_QuitSubSystem(SDL_INIT_AUDIO | SDL_INIT_JOYSTICK);
    }
    PlatformLaunchMenu();
}

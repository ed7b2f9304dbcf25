// Sevenfold's entry point: the command line, then start up, deal the first game, start the tick and run the event loop.
#include <stdlib.h>

#include "app/app.h"
#include "game/game.h"
#include "input/input.h"
#include "platform/platform.h"

int main(int argc, char *argv[])
{
    int answered = PlatformCommandLine(argc, argv);
    if (answered >= 0)
        return answered;
    if (!Init()) {
        // The console's menu is not started after a failed start-up, but SDL is shut down:
        // an audio thread left running while the process exits can crash it.
        SDL_Quit();
        return 1;
    }
    SDL_ShowCursor(PlatformPointer());
    atexit(Quit);
    InitStick(0);
    FirstGame();
    StartTick();
    EventLoop();
    return 0;
}

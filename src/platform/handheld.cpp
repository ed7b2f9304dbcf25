// The console's host layer: full screen, its own joystick's button numbers, the sheet beside the game, no words.
#include "platform/platform.h"

#include "assets/sheet.h"

// The console's menu starts the game without arguments, and any it is given are ignored.
int PlatformCommandLine(int argc, char *argv[])
{
    (void)argc;
    (void)argv;
    return -1;
}

void PlatformBeforeInit(void) {}

// The console shows the whole screen and reads its buttons once a tick, on SDL's timer, with the
// mixer's buffer small; its classic SDL 1.2 draws only plain sheets.
const HostOffer *PlatformOffers(void)
{
    static const HostOffer console = {0, 0, NULL, 0, 256, 22050, 1};
    return &console;
}

int PlatformHasDisplay(void) { return 1; }
void PlatformVideoPrepare(void) {}
Uint32 PlatformVideoFlags(void) { return SDL_FULLSCREEN; }
int PlatformPointer(void) { return SDL_DISABLE; }
void PlatformSay(const char *format, ...) { (void)format; }

// Without sound the console's game does not start, and says nothing about it.
int PlatformSoundOptional(void) { return 0; }

SDL_Surface *PlatformFindSheet(void)
{
    return LoadSheet("tile.bmp");
}

int PlatformEvent(const SDL_Event *event, SDL_Event *buttons)
{
    // The console reports every control as a button of its joystick, numbered as the game counts.
    if (event->type == SDL_KEYDOWN || event->type == SDL_KEYUP)
        return HostKeyEvent(event, buttons);
    return -1;
}

void PlatformToggleFullScreen(void) {}

// The console's buttons are read only as SDL pumps its events: the loop looks every 10 ms.
int PlatformInputFd(void) { return -1; }
int PlatformInputPending(void) { return 0; }
int PlatformPollsInput(void) { return 1; }

// The host layer: everything that differs between the handheld console and a desktop machine.
#ifndef SEVENFOLD_PLATFORM_H
#define SEVENFOLD_PLATFORM_H

#include <SDL.h>

// The console's menu program, which takes over when the game ends.
#define CONSOLE_MENU_DIR "/usr/gp2x"
#define CONSOLE_MENU "/usr/gp2x/gp2xmenu"

int PlatformButtonOfKey(SDLKey key);  // console button number a desktop key stands for, or -1
void PlatformEvent(SDL_Event *event); // turns desktop key events into the console's button events
void PlatformLaunchMenu(void);        // hand the machine back to the console's menu, where there is one

#endif

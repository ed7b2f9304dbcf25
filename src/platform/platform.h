// The host layer: everything that differs between the handheld console and a desktop machine.
#ifndef SEVENFOLD_PLATFORM_H
#define SEVENFOLD_PLATFORM_H

#include <SDL.h>

// The console's menu program, which takes over when the game ends.
#define CONSOLE_MENU_DIR "/usr/gp2x"
#define CONSOLE_MENU "/usr/gp2x/gp2xmenu"

int PlatformButtonOfKey(SDLKey key);  // console button number a desktop key stands for, or -1
void PlatformEvent(SDL_Event *event); // desktop keys into the console's button events; Alt+Enter
void PlatformLaunchMenu(void);        // hand the machine back to the console's menu, where there is one

Uint32 PlatformVideoFlags(void);      // SDL_SetVideoMode flags: full screen on the console, a window elsewhere
void PlatformBeforeInit(void);        // before SDL_Init: how the picture is scaled up
void PlatformVideoPrepare(void);      // after SDL_Init, before the video mode: by how much
int PlatformWindowScale(int desktopW, int desktopH); // whole-number window scale that fits a desktop
void PlatformToggleFullScreen(void);  // between full screen and a window, on a desktop

#endif

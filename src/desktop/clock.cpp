// The host's clock on a desktop: SDL's milliseconds, or a time a test set.
#include "desktop/desktop.h"

// When not 0, what the host's clock reads instead of SDL's: tests set it to play a timeline
// without waiting for it. The game never does, and its headers leave it out.
Uint32 hostClockSet = 0;

Uint32 HostClock(void)
{
    return hostClockSet != 0 ? hostClockSet : SDL_GetTicks();
}

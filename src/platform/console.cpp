// Handing the machine back when the game ends: the console's menu program, where there is one.
#include "platform/platform.h"

#include <unistd.h>

void PlatformLaunchMenu(void)
{
    // A desktop has no console menu; the game just ends there.
    if (access(CONSOLE_MENU, X_OK) != 0)
        return;
    // The menu expects to run from its own folder; it is started even if that fails.
    if (chdir(CONSOLE_MENU_DIR) != 0) {
    }
    // On success this does not return; on failure the process ends normally.
    execl(CONSOLE_MENU, CONSOLE_MENU, (char *)NULL);
}

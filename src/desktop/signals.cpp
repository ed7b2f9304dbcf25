// The signals that end a game on a desktop: each keeps the score as SIGTERM does.
#include "desktop/desktop.h"

#include <signal.h>
#include <string.h>

// SDL turns SIGTERM (and SIGINT) into a quit event, and the game keeps its score on the way out.
// These are re-raised as SIGTERM, so they end the game the same way, however SDL handles it.
static void AsTerm(int sig)
{
    (void)sig;
    raise(SIGTERM);
}

void HostSignals(void)
{
    // SIGHUP: the terminal closed, or a logout (SIGTERM then at once SIGHUP). SIGQUIT: Ctrl+\.
    // SIGUSR1 and SIGUSR2 mean nothing to the game, and would otherwise end it without a word.
    static const int ending[] = {SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2};
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = AsTerm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < sizeof ending / sizeof ending[0]; i++)
        sigaction(ending[i], &action, NULL);
    // A closed pipe or socket is an error of the write that met it (standard error piped into a
    // pager that was quit, say), never a reason to lose the game.
    signal(SIGPIPE, SIG_IGN);
}

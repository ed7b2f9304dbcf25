// The desktop program's command line: --help and --version answered before SDL starts, --mode taken, anything else refused.
#include "desktop/desktop.h"

#include <errno.h>
#include <stdio.h>
#include <getopt.h>
#include <string.h>

static const char usage[] = "Usage: sevenfold [--mode classic|timed|daily] [--help | --version]\n";

// The controls as a desktop player has them: keyboard; mouse; gamepad, then what they do.
static const char help[] =
    "Sevenfold, a match-three puzzle. Lift a tile, then step to a neighbour: the two swap\n"
    "places. Rows and columns of three or more equal tiles vanish and the tiles above fall.\n"
    "\n"
    "Options:\n"
    "      --mode MODE  start a game of MODE at once: classic (until no move is left),\n"
    "                   timed (three minutes on the clock; a board with no move is dealt\n"
    "                   again) or daily (the day's deal, the same board and refills for\n"
    "                   everyone that day); the game kept goes on if it is one of MODE\n"
    "  -h, --help       show this help and exit\n"
    "      --version    show the version and exit\n"
    "\n"
    "Controls (keyboard; mouse; gamepad):\n"
    "  arrow keys, keypad 8 / 2 / 4 / 6; d-pad, left stick\n"
    "        move the cursor one cell (held: again after 250 ms, then every tick);\n"
    "        in the menu, move the selection; two held together move it diagonally\n"
    "  keypad 7 / 9 / 1 / 3\n"
    "        nothing (the game uses the 4-way stick)\n"
    "  Space, Z; left click on a tile; south button (A on most pads)\n"
    "        lift the tile under the cursor; in the menu, choose the item\n"
    "  left click on a neighbour of the lifted tile, or a drag onto a neighbour\n"
    "        swap the two (diagonal neighbours too)\n"
    "  X; right click, or a click on the lifted tile; east button (B on most pads)\n"
    "        put a lifted tile back down\n"
    "  Q / W; left / right shoulder\n"
    "        previous / next tile skin\n"
    "  Escape; click on the menu; Start\n"
    "        open the menu; in the menu, close it\n"
    "  Return; click on an item\n"
    "        open the menu; in the menu, choose the item\n"
    "  Tab; Back\n"
    "        in the menu, choose the item; Back in play, pause\n"
    "  P\n"
    "        pause (a timed game's board is hidden, its clock stands still)\n"
    "  + (or =) / -\n"
    "        volume up / down by 10, heard at once\n"
    "  F1\n"
    "        these controls over the board, until any key or click\n"
    "  H; north button (Y on most pads)\n"
    "        a hint: two tiles whose swap makes a run, ringed for a moment (diagonal\n"
    "        swaps and swaps across the edges count too); a card if there is none\n"
    "  A, S, keypad Enter\n"
    "        nothing\n"
    "  Alt+Enter\n"
    "        full screen or a window\n"
    "\n"
    "The menu's items are high score (the ten best, kept in\n"
    "$XDG_DATA_HOME/sevenfold/scores), new game, option (the skin, the volume, full screen\n"
    "and moves in motion or at once, kept in $XDG_CONFIG_HOME/sevenfold/settings) and quit\n"
    "game. Each step of a move shows its points where its runs vanished; the side panel shows\n"
    "how many straight swaps make a run, the moves whose absence ends the game.\n"
    "Quitting or closing the window keeps the game in progress\n"
    "($XDG_DATA_HOME/sevenfold/game), and the next start goes on with it. The tile sheet\n"
    "tile.bmp is looked for in the current folder, beside the program, then in the installed\n"
    "data folder.\n";

// The answer is only given once it is written: a full disk or a closed standard output is a
// failure, not a success with nothing said. Returns the exit status.
static int FlushAnswer(const char *what)
{
    if (fflush(stdout) == 0 && !ferror(stdout))
        return 0;
    fprintf(stderr, "sevenfold: cannot write the %s: %s\n", what, strerror(errno));
    return 1;
}

// A word on the command line that the game does not take, said with the usage; the exit status.
static int Refuse(const char *kind, const char *arg)
{
    char shown[256];
    fprintf(stderr, "sevenfold: %s '%s'\n", kind, Printable(arg, shown, sizeof shown));
    fputs(usage, stderr);
    fputs("Try 'sevenfold --help' for the controls.\n", stderr);
    return 2;
}

int PlatformCommandLine(int argc, char *argv[])
{
    static const struct option options[] = {{"help", no_argument, NULL, 'h'},
                                            {"version", no_argument, NULL, 'V'},
                                            {"mode", required_argument, NULL, 'm'},
                                            {NULL, 0, NULL, 0}};
    // The modes' names, in the game's order of its modes.
    static const char *const modes[] = {"classic", "timed", "daily"};
    // The words are taken in order, and the first that is no option ends the taking ("+"); the
    // messages are the game's own.
    opterr = 0;
    for (;;) {
        int at = optind;
        switch (getopt_long(argc, argv, "+h", options, NULL)) {
        case -1:
            return optind < argc ? Refuse("unexpected argument", argv[optind]) : -1;
        case 'h':
            fputs(usage, stdout);
            fputs("\n", stdout);
            fputs(help, stdout);
            return FlushAnswer("help");
        case 'V':
            puts("sevenfold " SEVENFOLD_VERSION);
            return FlushAnswer("version");
        case 'm':
            for (askedMode = 0; askedMode < 3 && strcmp(optarg, modes[askedMode]) != 0; askedMode++) {
            }
            if (askedMode == 3) {
                char shown[256];
                fprintf(stderr, "sevenfold: no mode is called '%s': classic, timed or daily\n",
                        Printable(optarg, shown, sizeof shown));
                askedMode = -1;
                return 2;
            }
            break;
        default:
            return Refuse("unknown option", argv[at]);
        }
    }
}

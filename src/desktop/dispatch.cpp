// The desktop's host input and its words to the player: keys and pad as plain buttons; messages on standard error.
#include "desktop/desktop.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

int PlatformEvent(const SDL_Event *event, SDL_Event *buttons)
{
    switch (event->type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return HostKeyEvent(event, buttons);
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        // The host's own console button events go straight to the game.
        if (event->jbutton.which == HOST_STICK)
            return -1;
        return HostPadEvent(event, buttons);
    case SDL_JOYAXISMOTION:
    case SDL_JOYHATMOTION:
        return HostPadEvent(event, buttons);
    default:
        return -1;
    }
}

void PlatformSay(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    // Whole lines: the game is also kept from a thread of its own, which may speak meanwhile.
    flockfile(stderr);
    fputs("sevenfold: ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    funlockfile(stderr);
    va_end(args);
}

const char *Printable(const char *text, char *out, size_t size)
{
    // Control bytes, DEL and the C1 controls UTF-8 encodes as C2 80 to C2 9F could move the
    // cursor, recolour or retitle a terminal: they are written as \xHH. A text cut short ends in "...".
    size_t n = 0;
    for (const unsigned char *p = (const unsigned char *)text; *p != '\0'; p++) {
        char piece[9];
        if (*p < 0x20 || *p == 0x7F)
            snprintf(piece, sizeof piece, "\\x%02X", *p);
        else if (*p == 0xC2 && p[1] >= 0x80 && p[1] <= 0x9F)
            snprintf(piece, sizeof piece, "\\xC2\\x%02X", *++p);
        else
            piece[0] = (char)*p, piece[1] = '\0';
        size_t length = strlen(piece);
        if (n + length + 4 > size) {
            snprintf(out + n, size - n, "...");
            return out;
        }
        memcpy(out + n, piece, length + 1);
        n += length;
    }
    if (n == 0 && size > 0)
        out[0] = '\0';
    return out;
}

int PlatformSoundOptional(void)
{
    return 1;
}

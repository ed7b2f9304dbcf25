// Finding the tile sheet on a desktop: the current folder, beside the program, the installed data.
#include "desktop/desktop.h"

#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>

#include "assets/sheet.h"
#include "gfx/gfx.h"

namespace fs = std::filesystem;

// A paint program saves a sheet at whatever depth it likes, and the colour key 0x3E0 means
// pure green only in X1R5G5B5. Such a sheet is brought into that format once, pure green to
// the key and every other colour kept off it. A sheet whose alpha channel is used keeps it;
// alpha that is the same everywhere, all opaque or all 0 as some exporters write an opaque
// sheet, is no alpha at all.
static SDL_Surface *InKeyFormat(SDL_Surface *sheet)
{
    SDL_PixelFormat *f = sheet->format;
    // 16-bit sheets, X1R5G5B5 or not, are drawn as they are, as ever.
    if (f->BytesPerPixel == 2 || SDL_LockSurface(sheet) != 0)
        return sheet;
    int bytes = f->BytesPerPixel;
    int notOpaque = 0, notClear = 0;
    for (int y = 0; y < sheet->h && f->Amask && !(notOpaque && notClear); y++) {
        const Uint8 *row = PixelRow(sheet, y);
        for (int x = 0; x < sheet->w && !(notOpaque && notClear); x++) {
            Uint32 raw;
            memcpy(&raw, row + x * bytes, 4); // only 32-bit surfaces have an alpha mask
            notOpaque |= (raw & f->Amask) != f->Amask;
            notClear |= (raw & f->Amask) != 0;
        }
    }
    int usesAlpha = notOpaque && notClear;
    SDL_Surface *keyed = usesAlpha ? NULL
                                   : SDL_CreateRGBSurface(SDL_SWSURFACE, sheet->w, sheet->h, 16, 0x7C00,
                                                          0x03E0, 0x001F, 0);
    if (keyed == NULL) {
        SDL_UnlockSurface(sheet);
        return sheet;
    }
    for (int y = 0; y < sheet->h; y++) {
        const Uint8 *from = PixelRow(sheet, y);
        Uint16 *to = (Uint16 *)PixelRow(keyed, y);
        for (int x = 0; x < sheet->w; x++, from += bytes) {
            Uint32 raw = 0;
            if (bytes == 1)
                raw = from[0];
            else if (bytes == 3)
                raw = (Uint32)from[0] | (Uint32)from[1] << 8 | (Uint32)from[2] << 16;
            else
                memcpy(&raw, from, 4);
            Uint8 r, g, b;
            SDL_GetRGB(raw, f, &r, &g, &b);
            Uint16 pixel = (Uint16)SDL_MapRGB(keyed->format, r, g, b);
            if (pixel == 0x3E0 && !(r == 0 && g == 255 && b == 0))
                pixel = 0x3C0; // a green just short of pure stays visible
            to[x] = pixel;
        }
    }
    SDL_UnlockSurface(sheet);
    SDL_FreeSurface(sheet);
    return keyed;
}

SDL_Surface *PlatformFindSheet(void)
{
    char places[3][PATH_MAX + 64];
    int count = 0;
    // The current folder's sheet is named in full, so that a message says which folder it was.
    std::error_code error;
    fs::path here = fs::current_path(error);
    snprintf(places[count++], sizeof places[0], "%s", error ? "tile.bmp" : (here / "tile.bmp").c_str());
    // Then beside the running program, and in the data folder an install puts beside it, named as
    // a player would write it (no "dir/.." in it).
    fs::path folder = fs::read_symlink("/proc/self/exe", error).parent_path();
    if (!error && folder.is_absolute()) {
        snprintf(places[count++], sizeof places[0], "%s", (folder / "tile.bmp").c_str());
        snprintf(places[count++], sizeof places[0], "%s",
                 (folder / SEVENFOLD_PROGRAM_TO_DATA / "tile.bmp").lexically_normal().c_str());
    }

    char why[3][160];
    char real[3][PATH_MAX];
    int tried[3] = {0, 0, 0}, missing[3] = {0, 0, 0};
    SDL_Surface *sheet = NULL;
    int found = -1;
    for (int i = 0; i < count && sheet == NULL; i++) {
        // The same file under two names is tried once.
        if (realpath(places[i], real[i]) == NULL) {
            missing[i] = errno == ENOENT;
            real[i][0] = '\0';
        }
        int again = 0;
        for (int j = 0; j < i && real[i][0] != '\0'; j++)
            again |= tried[j] && strcmp(real[j], real[i]) == 0;
        if (again)
            continue;
        tried[i] = 1;
        sheet = ReadSheet(places[i], why[i], sizeof why[i]);
        if (sheet != NULL)
            found = i;
    }

    if (sheet != NULL) {
        // A refused sheet the player put in place deserves a word, even though another plays.
        for (int i = 0; i < found; i++)
            if (tried[i] && !missing[i])
                PlatformSay("%s %s; playing with %s instead", places[i], why[i], places[found]);
        return InKeyFormat(sheet);
    }
    PlatformSay("no usable tile sheet; looked for tile.bmp in these places:");
    for (int i = 0; i < count; i++)
        if (tried[i])
            PlatformSay("  %s %s", places[i], why[i]);
    return NULL;
}

// Reading the player's tile sheet: its BMP header is checked before SDL is let near the pixels.
#include "assets/sheet.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

// tile.bmp is meant to be replaced by players, so it is untrusted: SDL's BMP loader sizes its
// pixel buffer from the header before reading a single pixel, and it does not bound the size.
// Anything a paint program makes passes these checks; a crafted header does not.

Uint8 sheetsPlainOnly = 0;

static Uint32 U16(const Uint8 *p) { return (Uint32)p[0] | (Uint32)p[1] << 8; }
static Uint32 U32(const Uint8 *p) { return U16(p) | U16(p + 2) << 16; }

static int PopCount(Uint32 v)
{
    int n = 0;
    for (; v; v &= v - 1)
        n++;
    return n;
}

// Each refusal says what is wrong in a player's words, as the end of a sentence that begins
// with the file's name.
#define REFUSE(...) (snprintf(why, whySize, __VA_ARGS__), 0)

static int CheckSheet(const Uint8 *bytes, size_t size, char *why, size_t whySize)
{
    enum { FILE_HEADER = 14 };
    if (size > SHEET_MAX_BYTES)
        return REFUSE("is %lu bytes: a sheet may be at most %u", (unsigned long)size, SHEET_MAX_BYTES);
    if (size < FILE_HEADER + 12 || bytes[0] != 'B' || bytes[1] != 'M')
        return REFUSE("is not a BMP picture");
    const Uint64 offset = U32(bytes + 10);
    const Uint32 infoSize = U32(bytes + FILE_HEADER);
    const Uint8 *info = bytes + FILE_HEADER;

    Sint64 width, height;
    Uint32 planes, bits, compression = 0, colours = 0;
    Uint64 paletteEntrySize = 4;
    if (infoSize == 12) { // the oldest header: 16-bit sizes, three-byte palette entries
        width = U16(info + 4);
        height = U16(info + 6);
        planes = U16(info + 8);
        bits = U16(info + 10);
        paletteEntrySize = 3;
    } else if (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 64 ||
               infoSize == 108 || infoSize == 124) {
        if (size < FILE_HEADER + (Uint64)infoSize)
            return REFUSE("is cut short inside its header");
        width = (Sint32)U32(info + 4);
        height = (Sint32)U32(info + 8);
        planes = U16(info + 12);
        bits = U16(info + 14);
        compression = U32(info + 16);
        colours = U32(info + 32);
    } else {
        return REFUSE("is a kind of BMP this game cannot read (a %u-byte header)", infoSize);
    }
    if (height < 0)
        height = -height; // top-down rows
    if (planes != 1)
        return REFUSE("is a damaged BMP (%u colour planes)", planes);
    if (width < 1)
        return REFUSE("has no pixels across");
    // A sheet without one whole row of tiles would draw nothing at all.
    if (height < 34)
        return REFUSE("is %lld×%lld pixels: a sheet needs at least one whole 34-pixel row of tiles",
                      (long long)width, (long long)height);
    if (height > SHEET_MAX_HEIGHT)
        return REFUSE("is %lld×%lld pixels: a sheet holds at most 255 skins (%d pixels high)",
                      (long long)width, (long long)height, SHEET_MAX_HEIGHT);
    if (width * height > SHEET_MAX_PIXELS)
        return REFUSE("is %lld×%lld pixels: a sheet may have at most %d pixels", (long long)width,
                      (long long)height, SHEET_MAX_PIXELS);

    Uint64 headersEnd = FILE_HEADER + (Uint64)infoSize;
    switch (bits) {
    case 1: case 4: case 8: {
        // A palette with more colours than the pixels can name is no picture anyone drew.
        Uint64 most = (Uint64)1 << bits;
        if (colours > most)
            return REFUSE("claims %u colours, more than %u bits a pixel can name", colours, bits);
        headersEnd += (colours ? colours : most) * paletteEntrySize;
        if (compression != 0 && !(compression == 1 && bits == 8) && !(compression == 2 && bits == 4))
            return REFUSE("is compressed in a way this game cannot read (%u bits a pixel, method %u)",
                          bits, compression);
        break;
    }
    case 16: case 24: case 32:
        if (compression == 3 && bits != 24) {
            // Colour masks follow a plain 40-byte header, or sit inside a larger one.
            if (infoSize == 40)
                headersEnd += 12;
            if (size < headersEnd || infoSize < 40)
                return REFUSE("is cut short inside its header");
            const Uint8 *masks = info + 40;
            Uint32 r = U32(masks), g = U32(masks + 4), b = U32(masks + 8);
            Uint32 all = bits == 32 ? 0xFFFFFFFFu : 0xFFFFu;
            if (r == 0 || g == 0 || b == 0 || (r & g) || (r & b) || (g & b) || ((r | g | b) & ~all) ||
                PopCount(r) > 8 || PopCount(g) > 8 || PopCount(b) > 8)
                return REFUSE("has colour channels this game cannot read");
        } else if (compression != 0) {
            return REFUSE("is compressed in a way this game cannot read (%u bits a pixel, method %u)",
                          bits, compression);
        }
        break;
    default:
        return REFUSE("has %u bits a pixel: this game reads 1, 4, 8, 16, 24 or 32", bits);
    }
    if (sheetsPlainOnly && (compression == 1 || compression == 2))
        return REFUSE("is run-length compressed, which the console cannot draw: save it uncompressed");
    // The alpha mask follows red, green and blue inside the larger headers.
    if (sheetsPlainOnly && bits == 32 && compression == 3 && infoSize >= 56 && U32(info + 52) != 0)
        return REFUSE("has an alpha channel, which the console cannot draw: key it on pure green instead");
    if (headersEnd > offset || offset >= size)
        return REFUSE("is damaged: its pixels would start outside the file");

    // Uncompressed rows must all be there; the loader would read past what the file holds.
    if (compression == 0 || compression == 3) {
        Uint64 rowBytes = ((Uint64)width * bits + 31) / 32 * 4;
        if (offset + rowBytes * (Uint64)height > size)
            return REFUSE("is cut short: it holds fewer rows of pixels than its header says");
    }
    return 1;
}

int TileSheetUsable(const Uint8 *bytes, size_t size)
{
    char why[160];
    return CheckSheet(bytes, size, why, sizeof why);
}

Uint8 *ReadWholeFile(const char *path, size_t *size)
{
    // A pipe under the sheet's name would block the opening for good, a device never end.
    struct stat about;
    if (stat(path, &about) != 0 || !S_ISREG(about.st_mode))
        return NULL;
    SDL_RWops *file = SDL_RWFromFile(path, "rb");
    if (file == NULL)
        return NULL;
    // Read to the end, whatever the file claims to be, but never past one byte over the cap.
    size_t capacity = 64 * 1024, used = 0;
    Uint8 *data = (Uint8 *)malloc(capacity);
    while (data != NULL) {
        if (used == capacity) {
            if (capacity > SHEET_MAX_BYTES) {
                free(data);
                data = NULL;
                break;
            }
            size_t grown = capacity * 2 > SHEET_MAX_BYTES + 1 ? SHEET_MAX_BYTES + 1 : capacity * 2;
            Uint8 *bigger = (Uint8 *)realloc(data, grown);
            if (bigger == NULL) {
                free(data);
                data = NULL;
                break;
            }
            data = bigger;
            capacity = grown;
        }
        int got = SDL_RWread(file, data + used, 1, (int)(capacity - used));
        if (got <= 0)
            break;
        used += (size_t)got;
    }
    SDL_RWclose(file);
    *size = used;
    return data;
}

SDL_Surface *ReadSheet(const char *path, char *why, size_t whySize)
{
    char ignored[160];
    if (why == NULL) {
        why = ignored;
        whySize = sizeof ignored;
    }
    struct stat about;
    if (stat(path, &about) != 0) {
        snprintf(why, whySize, errno == ENOENT ? "is not there" : "cannot be read: %s", strerror(errno));
        return NULL;
    }
    if (!S_ISREG(about.st_mode)) {
        snprintf(why, whySize, "is not a file");
        return NULL;
    }
    size_t size = 0;
    Uint8 *bytes = ReadWholeFile(path, &size);
    if (bytes == NULL) {
        if (about.st_size > (off_t)SHEET_MAX_BYTES)
            snprintf(why, whySize, "is %lld bytes: a sheet may be at most %u", (long long)about.st_size,
                     SHEET_MAX_BYTES);
        else
            snprintf(why, whySize, "cannot be read");
        return NULL;
    }
    SDL_Surface *sheet = NULL;
    if (CheckSheet(bytes, size, why, whySize)) {
        sheet = SDL_LoadBMP_RW(SDL_RWFromConstMem(bytes, (int)size), 1);
        if (sheet == NULL)
            snprintf(why, whySize, "could not be decoded: %s", SDL_GetError());
    }
    free(bytes);
    return sheet;
}

SDL_Surface *LoadSheet(const char *path)
{
    return ReadSheet(path, NULL, 0);
}

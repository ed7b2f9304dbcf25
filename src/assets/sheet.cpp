// Reading the player's tile sheet: its BMP header is checked before SDL is let near the pixels.
#include "assets/sheet.h"

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

// tile.bmp is meant to be replaced by players, so it is untrusted: SDL's BMP loader sizes its
// pixel buffer from the header before reading a single pixel, and it does not bound the size.
// Anything a paint program makes passes these checks; a crafted header does not.

static Uint32 U16(const Uint8 *p) { return (Uint32)p[0] | (Uint32)p[1] << 8; }
static Uint32 U32(const Uint8 *p) { return U16(p) | U16(p + 2) << 16; }

static int PopCount(Uint32 v)
{
    int n = 0;
    for (; v; v &= v - 1)
        n++;
    return n;
}

int TileSheetUsable(const Uint8 *bytes, size_t size)
{
    enum { FILE_HEADER = 14 };
    if (size > SHEET_MAX_BYTES || size < FILE_HEADER + 12 || bytes[0] != 'B' || bytes[1] != 'M')
        return 0;
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
            return 0;
        width = (Sint32)U32(info + 4);
        height = (Sint32)U32(info + 8);
        planes = U16(info + 12);
        bits = U16(info + 14);
        compression = U32(info + 16);
        colours = U32(info + 32);
    } else {
        return 0;
    }
    if (height < 0)
        height = -height; // top-down rows
    // A sheet without one whole row of tiles would draw nothing at all.
    if (planes != 1 || width < 1 || width > SHEET_MAX_WIDTH || height < 34 ||
        height > SHEET_MAX_HEIGHT || width * height > SHEET_MAX_PIXELS)
        return 0;

    Uint64 headersEnd = FILE_HEADER + (Uint64)infoSize;
    switch (bits) {
    case 1: case 4: case 8: {
        // A palette with more colours than the pixels can name is no picture anyone drew.
        Uint64 most = (Uint64)1 << bits;
        if (colours > most)
            return 0;
        headersEnd += (colours ? colours : most) * paletteEntrySize;
        if (compression != 0 && !(compression == 1 && bits == 8) && !(compression == 2 && bits == 4))
            return 0;
        break;
    }
    case 16: case 24: case 32:
        if (compression == 3 && bits != 24) {
            // Colour masks follow a plain 40-byte header, or sit inside a larger one.
            if (infoSize == 40)
                headersEnd += 12;
            if (size < headersEnd || infoSize < 40)
                return 0;
            const Uint8 *masks = info + 40;
            Uint32 r = U32(masks), g = U32(masks + 4), b = U32(masks + 8);
            Uint32 all = bits == 32 ? 0xFFFFFFFFu : 0xFFFFu;
            if (r == 0 || g == 0 || b == 0 || (r & g) || (r & b) || (g & b) || ((r | g | b) & ~all) ||
                PopCount(r) > 8 || PopCount(g) > 8 || PopCount(b) > 8)
                return 0;
        } else if (compression != 0) {
            return 0;
        }
        break;
    default:
        return 0;
    }
    if (headersEnd > offset || offset >= size)
        return 0;

    // Uncompressed rows must all be there; the loader would read past what the file holds.
    if (compression == 0 || compression == 3) {
        Uint64 rowBytes = ((Uint64)width * bits + 31) / 32 * 4;
        if (offset + rowBytes * (Uint64)height > size)
            return 0;
    }
    return 1;
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

SDL_Surface *LoadSheet(const char *path)
{
    size_t size = 0;
    Uint8 *bytes = ReadWholeFile(path, &size);
    if (bytes == NULL)
        return NULL;
    SDL_Surface *sheet = NULL;
    if (TileSheetUsable(bytes, size))
        sheet = SDL_LoadBMP_RW(SDL_RWFromConstMem(bytes, (int)size), 1);
    free(bytes);
    return sheet;
}

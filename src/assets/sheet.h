// The player's tile sheet: reading the file and checking its BMP header before SDL decodes it.
#ifndef SEVENFOLD_SHEET_H
#define SEVENFOLD_SHEET_H

#include <SDL.h>
#include <stddef.h>

// Bounds on a tile sheet: a file of a sane size, at most 255 skins, a sane number of pixels; a
// sheet wider than seven tiles only has columns nobody draws. The file may hold the largest
// picture allowed at 32 bits plus headers, palette and profile.
#define SHEET_MAX_BYTES (16u * 1024 * 1024 + 64 * 1024)
#define SHEET_MAX_HEIGHT (255 * 34 + 33)
#define SHEET_MAX_PIXELS (4 * 1024 * 1024)

// The console's SDL cannot draw every sheet a paint program makes: the classic SDL 1.2 refuses
// run-length compressed BMPs and ignores an alpha channel. Where that SDL is the one that draws,
// such sheets are refused outright, whichever SDL 1.2 the game was built with.
extern Uint8 sheetsPlainOnly; // 1: RLE and alpha sheets are refused; set at start-up by the host's offer, before Init loads

int TileSheetUsable(const Uint8 *bytes, size_t size); // 1 when the BMP header is sound and the rows are there
Uint8 *ReadWholeFile(const char *path, size_t *size); // malloc'd contents, NULL if no regular file or too big
SDL_Surface *LoadSheet(const char *path);             // the checked sheet decoded, or NULL
// The same, saying why not into why: the end of a sentence that begins with the file's name.
SDL_Surface *ReadSheet(const char *path, char *why, size_t whySize);

#endif

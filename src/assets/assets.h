// The pictures and sounds carried inside the executable: whole BMP and WAV files with their byte counts.
#ifndef SEVENFOLD_ASSETS_H
#define SEVENFOLD_ASSETS_H

#include <SDL.h>

// Each array is generated at build time from the file of the same role in assets/;
// the _size word is that file's exact byte count, which is what the loaders are given.
extern const unsigned char iDigit[];  // digit.bmp: digit strip, 100x13, 32 bpp
extern const Uint32 iDigit_size;
extern const unsigned char iWexa[];   // wexa.bmp: maker's credit label, 50x10, 24 bpp
extern const Uint32 iWexa_size;
extern const unsigned char iMenu[];   // menu.bmp: menu sheet, 160x80, X1R5G5B5
extern const Uint32 iMenu_size;
extern const unsigned char iImage[];  // image.bmp: cursor frames and panel swatch, 141x34, X1R5G5B5
extern const Uint32 iImage_size;
extern const unsigned char iTitle[];  // title.bmp: title artwork, 80x40, X1R5G5B5
extern const Uint32 iTitle_size;
extern const unsigned char iIcon[];   // icon.bmp: the desktop window's icon, 32x32, 32 bpp with alpha
extern const Uint32 iIcon_size;
extern const unsigned char sSelect[]; // select.wav: lift sound
extern const Uint32 sSelect_size;
extern const unsigned char sErase[];  // erase.wav: clear sound
extern const Uint32 sErase_size;
extern const unsigned char sUn[];     // un.wav: cancel sound
extern const Uint32 sUn_size;
extern const unsigned char sMove[];   // move.wav: cursor-move sound
extern const Uint32 sMove_size;

#endif

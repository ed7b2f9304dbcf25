// The application frame: start-up, the event loop, new games, the game tick and shutdown.
#ifndef SEVENFOLD_FRAME_H
#define SEVENFOLD_FRAME_H

#include <SDL.h>
#include <SDL_mixer.h>

extern SDL_Surface *screen;  // the 320x240x16 display surface; set by Init
extern Mix_Chunk *wave[4];   // sounds: 0 lift, 1 clear, 2 cancel, 3 move; loaded by Init, freed on quit
extern SDL_Surface *title;   // title artwork; loaded by Init, freed on quit
extern SDL_Surface *image;   // cursor frames and side-panel swatch; loaded by Init, freed on quit
extern SDL_Surface *tile;    // tile-skin sheet read from tile.bmp; loaded by Init, freed on quit
extern SDL_Surface *Wexa;    // credit label, decoded once by PutWexa
extern Uint8 skinMax;        // number of skins in the tile sheet; set by Init
extern Uint8 skin;           // skin in use (row of the tile sheet); stepped by the tick
extern Sint8 done;           // non-zero ends the event loop; quit event and the menu's quit item
extern SDL_TimerID tmSet;    // the timer that schedules the next tick; the tick and the event loop
extern Uint8 _timer;         // tick period in milliseconds
extern Sint8 _VOLUME;        // volume of all channels, 0-127; changed by the volume buttons
extern Uint8 _gameOver;      // 1 once no move is left; set by CheckMove, cleared by Start

int Init(void);              // bring up SDL, the display, audio and every asset; 1 on success, 0 on failure
int LoadTile(const char *path); // read the tile-skin sheet into tile and skinMax; 0 when unusable

// Bounds on a tile sheet: a file of a sane size, at most 255 skins, a width no sheet needs more of.
// The file may hold the largest picture allowed at 32 bits plus headers, palette and profile.
#define SHEET_MAX_BYTES (16u * 1024 * 1024 + 64 * 1024)
#define SHEET_MAX_WIDTH 2048
#define SHEET_MAX_HEIGHT (255 * 34 + 33)
#define SHEET_MAX_PIXELS (4 * 1024 * 1024)
int TileSheetUsable(const Uint8 *bytes, size_t size); // 1 when the BMP header is sound and the rows are there
Uint8 *ReadWholeFile(const char *path, size_t *size); // malloc'd contents, NULL if no regular file or too big
SDL_Surface *LoadSheet(const char *path);             // the checked sheet decoded, or NULL
void Quit(void);             // exit handler: shut SDL down, hand over to the console's menu
void Start(void);            // deal and draw a new game; the caller updates the display
void PutWexa(Sint16 x, Sint16 y);
void PlayWave(Uint8 n);      // play wave[n] once on the first free channel

void StartTick(void);        // schedule the first tick, one period from now, ignoring any pending one
void StopTick(void);         // no further tick, not even one already waiting in the queue
void DrawSet(void);          // one game tick: menu or game step, redraw, update, schedule the next
void HandleEvent(SDL_Event *event);
void EventLoop(void);        // handle events until done, waiting while there are none

#endif

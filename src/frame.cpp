// The application frame: start-up, the event loop, new games, the game tick and shutdown.
#include "frame.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "assets/assets.h"
#include "board/board.h"
#include "gfx/gfx.h"
#include "input/input.h"
#include "platform/platform.h"

SDL_Surface *screen = NULL;
Mix_Chunk *wave[4] = {NULL, NULL, NULL, NULL};
SDL_Surface *title = NULL;
SDL_Surface *image = NULL;
SDL_Surface *tile = NULL;
SDL_Surface *Wexa = NULL;
Uint8 skinMax = 0;
Uint8 skin = 0;
Sint8 done = 0;
SDL_TimerID tmSet = NULL;
Uint8 _timer = 70;
Sint8 _VOLUME = 127;
Uint8 _gameOver = 0;

static SDL_Surface *LoadImage(const unsigned char *bytes, Uint32 size)
{
    return SDL_LoadBMP_RW(SDL_RWFromConstMem(bytes, (int)size), 1);
}

static Mix_Chunk *LoadSound(const unsigned char *bytes, Uint32 size)
{
    return Mix_LoadWAV_RW(SDL_RWFromConstMem(bytes, (int)size), 1);
}

int LoadTile(const char *path)
{
    SDL_Surface *sheet = LoadSheet(path);
    if (sheet == NULL)
        return 0;
    if (tile)
        SDL_FreeSurface(tile);
    tile = sheet;
    skinMax = (Uint8)(tile->h / 34); // the check allows no more than 255 whole rows
    return 1;
}

int Init(void)
{
    PlatformBeforeInit();
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) < 0) {
        printf("Unable to init SDL: %s\n", SDL_GetError());
        return 0;
    }
    PlatformVideoPrepare();
    screen = SDL_SetVideoMode(320, 240, 16, PlatformVideoFlags());
    if (screen == NULL) {
        printf("Unable to set 320x240 video: %s\n", SDL_GetError());
        return 0;
    }
    if (Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 256) < 0)
        return 0;

    wave[0] = LoadSound(sSelect, sSelect_size);
    wave[1] = LoadSound(sErase, sErase_size);
    wave[2] = LoadSound(sUn, sUn_size);
    wave[3] = LoadSound(sMove, sMove_size);
    title = LoadImage(iTitle, iTitle_size);
    image = LoadImage(iImage, iImage_size);

    if (!LoadTile("tile.bmp"))
        return 0;

    if (image)
        SDL_SetColorKey(image, SDL_SRCCOLORKEY, 0x3E0);
    SDL_SetColorKey(tile, SDL_SRCCOLORKEY, 0x3E0);

    InitMenu(iMenu, iMenu_size, 0, 150, 4, 0, 20);
    SetDigit(10, 13);
    SetDigitBack(0xFFFFFF);
    return 1;
}

void Quit(void)
{
    // Both ways out of the event loop set done. An exit from anywhere else comes from inside
    // a library, typically Xlib after the display connection died, perhaps with SDL's event
    // queue locked: shutting video down would wait forever on the dead connection, and waiting
    // for the timer thread could wait on that lock. Only the tick and the audio thread stop.
    if (done) {
        SDL_Quit();
    } else {
        StopTick();
        SDL_QuitSubSystem(SDL_INIT_AUDIO | SDL_INIT_JOYSTICK);
    }
    PlatformLaunchMenu();
}

void PutWexa(Sint16 x, Sint16 y)
{
    // Decoded once and kept: a new game must not cost a fresh surface.
    if (Wexa == NULL) {
        Wexa = LoadImage(iWexa, iWexa_size);
        if (Wexa)
            SDL_SetColorKey(Wexa, SDL_SRCCOLORKEY, 0xFF00);
    }
    if (Wexa)
        PutSurface(Wexa, screen, 0, 0, x, y, (Uint16)Wexa->w, (Uint16)Wexa->h);
}

void Start(void)
{
    DealTable();
    for (int r = 0; r < 48; r++)
        for (int c = 0; c < 16; c++)
            PutSurface(image, screen, 136, 0, (Sint16)(5 * c), (Sint16)(5 * r), 5, 5);
    FillRec(screen, 80, 0, 240, 240, _565(224, 224, 224));
    _gameOver = 0;
    score = 0;
    mx = 3;
    my = 3;
    PutSurface(title, screen, 0, 0, 0, 0, 80, 40);
    ShowMenu(0);
    DrawPan();
    DrawScore();
    PutWexa(14, 229);
}

void PlayWave(Uint8 n)
{
    if (n < 4 && wave[n])
        Mix_PlayChannelTimed(-1, wave[n], 0, -1);
}

// The tick is timed by SDL's timer thread but runs on the main thread: the timer only posts
// an event. Each posted event carries the serial of the chain it belongs to, so restarting
// the tick orphans an event already in the queue instead of running two chains at once.
enum { TICK_EVENT = 1 };
static uintptr_t tickSerial = 0;

static Uint32 PostTick(Uint32 interval, void *serial)
{
    (void)interval;
    SDL_Event event;
    memset(&event, 0, sizeof event);
    event.type = SDL_USEREVENT;
    event.user.code = TICK_EVENT;
    event.user.data1 = serial;
    // A full queue would end the chain of ticks for good; try again shortly instead.
    return SDL_PushEvent(&event) == 0 ? 0 : 10;
}

static void ScheduleTick(void)
{
    // A fired one-shot timer stays registered until removed.
    if (tmSet)
        SDL_RemoveTimer(tmSet);
    tmSet = SDL_AddTimer(_timer, PostTick, (void *)tickSerial);
}

void StartTick(void)
{
    tickSerial++;
    ScheduleTick();
}

void StopTick(void)
{
    if (tmSet)
        SDL_RemoveTimer(tmSet);
    tmSet = NULL;
    tickSerial++;
}

// Input is level state sampled once a tick, so a press and release that both fall between
// two ticks would never be seen. The release of a button the tick acts on is therefore held
// back until the tick after its press has run. Start and the volume buttons are acted on as
// they arrive, so their releases go straight through.
static Uint8 pressUnseen[BTN_COUNT]; // pressed since the last tick
static Uint8 releaseHeld[BTN_COUNT]; // released, waiting for the next tick

static int TickReads(Uint8 button)
{
    return button < BTN_COUNT && button != BTN_START && button != BTN_VOLUP &&
           button != BTN_VOLDOWN && button != BTN_A && button != BTN_Y && button != BTN_ENTER;
}

static void DeliverHeldReleases(void)
{
    memset(pressUnseen, 0, sizeof pressUnseen);
    for (Uint8 b = 0; b < BTN_COUNT; b++) {
        if (!releaseHeld[b])
            continue;
        releaseHeld[b] = 0;
        SDL_Event release;
        memset(&release, 0, sizeof release);
        release.type = SDL_JOYBUTTONUP;
        release.jbutton.button = b;
        release.jbutton.state = SDL_RELEASED;
        KeyUp(&release);
    }
}

static void EndTick(void)
{
    UpdateScreen();
    DeliverHeldReleases();
    ScheduleTick();
}

void DrawSet(void)
{
    // Menu step: clearing moveY makes one press of up or down move the selection once.
    if (isMenu && moveY != 0) {
        if (moveY < 0)
            MenuItemUP();
        else
            MenuItemDOWN();
        isLEFTkey = 0;
        isRIGHTkey = 0;
        moveY = 0;
    }

    // Menu choice; high score and option do nothing, and their B or Select stays set.
    if (isMenu && (isSelectKey || isBkey)) {
        if (_currMenu == 1) {
            isSelectKey = 0;
            isBkey = 0;
            Start();
            isMenu = 0;
            EndTick();
            return;
        }
        if (_currMenu == 3) {
            done = 1;
            StopTick();
            return;
        }
    }

    if (isMenu) {
        ShowMenu(1);
        EndTick();
        return;
    }

    // Game step.
    if (isLkey) {
        skin = skin == 0 ? (Uint8)(skinMax - 1) : (Uint8)(skin - 1);
        isLkey = 0;
    }
    if (isRkey) {
        skin = skin < skinMax - 1 ? (Uint8)(skin + 1) : 0;
        isRkey = 0;
    }

    // The cursor wraps around the edges; with a lifted tile that makes a swap between
    // opposite edges possible, and a diagonal step a diagonal swap. Both are part of the game.
    mx = (Sint16)(mx + moveX);
    if (mx > boardXmax - 1)
        mx = 0;
    else if (mx < 0)
        mx = (Sint16)(boardXmax - 1);
    my = (Sint16)(my + moveY);
    if (my > boardYmax - 1)
        my = 0;
    else if (my < 0)
        my = (Sint16)(boardYmax - 1);

    if (SET && (moveX || moveY))
        CheckMove();
    if (moveX || moveY)
        PlayWave(3);

    if (isXkey && SET) {
        PlayWave(2);
        SET = 0;
    } else if (isBkey) {
        SET = 1;
        isBkey = 0;
        setX = mx;
        setY = my;
        PlayWave(0);
    }

    DrawPan();
    DrawCursor();
    EndTick();
}

static void StartButton(void)
{
    if (isMenu && !_gameOver) {
        isMenu = 0;
        ShowMenu(0);
        StartTick();
    } else {
        // After game over Start only shows the menu again: a new game comes from its items.
        isMenu = 1;
        ShowMenu(1);
        UpdateScreen();
    }
}

static void VolumeButtons(void)
{
    if (isVolUPkey)
        _VOLUME = (Sint8)(_VOLUME + 10 > 126 ? 127 : _VOLUME + 10);
    if (isVolDOWNkey)
        _VOLUME = (Sint8)(_VOLUME - 10 < 0 ? 0 : _VOLUME - 10);
    Mix_Volume(-1, _VOLUME);
}

static void ReleaseAll(void)
{
    for (int i = 0; i < 4; i++) {
        if (wave[i])
            Mix_FreeChunk(wave[i]);
        wave[i] = NULL;
    }
    SDL_Surface **surfaces[] = {&image, &tile, &title};
    for (SDL_Surface **s : surfaces) {
        if (*s)
            SDL_FreeSurface(*s);
        *s = NULL;
    }
}

void HandleEvent(SDL_Event *event)
{
    PlatformEvent(event);
    switch (event->type) {
    case SDL_JOYBUTTONDOWN:
        if (TickReads(event->jbutton.button)) {
            // Pressed again before the tick: the button is simply down.
            releaseHeld[event->jbutton.button] = 0;
            pressUnseen[event->jbutton.button] = 1;
        }
        KeyDown(event);
        // Any press while Start is still held toggles the menu again.
        if (isStartKey)
            StartButton();
        else
            VolumeButtons();
        break;
    case SDL_JOYBUTTONUP:
        if (TickReads(event->jbutton.button) && pressUnseen[event->jbutton.button])
            releaseHeld[event->jbutton.button] = 1;
        else
            KeyUp(event);
        break;
    case SDL_QUIT:
        // No tick may run once the surfaces are gone.
        StopTick();
        ReleaseAll();
        done = 1;
        break;
    case SDL_USEREVENT:
        if (event->user.code == TICK_EVENT && (uintptr_t)event->user.data1 == tickSerial && !done)
            DrawSet();
        break;
    default:
        break;
    }
}

void EventLoop(void)
{
    SDL_Event event;
    while (!done) {
        if (!SDL_WaitEvent(&event))
            continue;
        HandleEvent(&event);
        // done is looked at only once the queue is empty, so queued events still count.
        while (SDL_PollEvent(&event))
            HandleEvent(&event);
    }
}

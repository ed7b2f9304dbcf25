// The four sound effects on SDL_mixer: decoding, playing and the volume of all channels.
#include "sound/sound.h"

#include "assets/assets.h"

Mix_Chunk *wave[4] = {NULL, NULL, NULL, NULL};
Sint8 _VOLUME = 127;

static Uint8 audioOpen; // Mix_Volume divides by the channel count, which is 0 without a device

// A silent device still mixes and wakes 172 times a second. Holding SDL's audio lock stops its
// thread outright, and since the lock only pauses the stream of callbacks, the samples that
// follow are exactly those an ever-running device would give. Only after two silent ticks:
// the resampler still holds the end of the last sound for some 25 ms.
static Uint8 silentTicks;
static Uint8 audioHeld;

Uint16 soundSamples = 256;
Uint16 soundRate = 22050;

int OpenSound(void)
{
    audioOpen = Mix_OpenAudio(soundRate, AUDIO_S16LSB, 2, (int)soundSamples) >= 0;
    // SDL's audio stays up after a failed open, and with it a thread that looks for a device to
    // be plugged in ten times a second (ALSA's) for as long as the game runs.
    if (!audioOpen && SDL_WasInit(SDL_INIT_AUDIO)) {
        char why[256];
        SDL_strlcpy(why, SDL_GetError(), sizeof why);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        SDL_SetError("%s", why);
    }
    return audioOpen;
}

static Mix_Chunk *LoadSound(const unsigned char *bytes, Uint32 size)
{
    return Mix_LoadWAV_RW(SDL_RWFromConstMem(bytes, (int)size), 1);
}

void LoadSounds(void)
{
    wave[0] = LoadSound(sSelect, sSelect_size);
    wave[1] = LoadSound(sErase, sErase_size);
    wave[2] = LoadSound(sUn, sUn_size);
    wave[3] = LoadSound(sMove, sMove_size);
}

void FreeSounds(void)
{
    WakeSound();
    for (int i = 0; i < 4; i++) {
        if (wave[i])
            Mix_FreeChunk(wave[i]);
        wave[i] = NULL;
    }
}

void PlayWave(Uint8 n)
{
    if (n < 4 && wave[n]) {
        Mix_PlayChannelTimed(-1, wave[n], 0, -1);
        silentTicks = 0;
        WakeSound();
    }
}

void QuietSound(void)
{
    if (!audioOpen || audioHeld)
        return;
    if (Mix_Playing(-1)) {
        silentTicks = 0;
        return;
    }
    if (++silentTicks >= 2) {
        SDL_LockAudio();
        audioHeld = 1;
    }
}

void WakeSound(void)
{
    if (audioHeld) {
        audioHeld = 0;
        SDL_UnlockAudio();
    }
}

void StepVolume(int by)
{
    if (by > 0)
        _VOLUME = (Sint8)(_VOLUME + 10 > 126 ? 127 : _VOLUME + 10);
    else
        _VOLUME = (Sint8)(_VOLUME - 10 < 0 ? 0 : _VOLUME - 10);
}

void ApplyVolume(void)
{
    if (audioOpen)
        Mix_Volume(-1, _VOLUME);
}

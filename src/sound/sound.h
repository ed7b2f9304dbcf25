// Sound: the four effects, playing one, and the volume of all channels.
#ifndef SEVENFOLD_SOUND_H
#define SEVENFOLD_SOUND_H

#include <SDL.h>
#include <SDL_mixer.h>

extern Mix_Chunk *wave[4]; // 0 lift, 1 clear, 2 cancel, 3 move; LoadSounds, freed by FreeSounds
extern Sint8 _VOLUME;      // volume of all channels, 0-127; stepped by the volume buttons
extern Uint16 soundRate;    // the mixer's samples a second: 22050 on the console, a desktop's own; set at start-up by the host's offer
extern Uint16 soundSamples; // the mixer's buffer in samples: 256 on the console, a desktop's own; set at start-up by the host's offer

int OpenSound(void);       // open the audio device; 0 when there is none
void LoadSounds(void);     // decode the embedded effects into wave
void FreeSounds(void);
void PlayWave(Uint8 n);    // play wave[n] once on the first free channel
void StepVolume(int by);  // the volume buttons' step, up (by > 0) or down: tens, within 0-127
void ApplyVolume(void);    // set every channel to _VOLUME
void QuietSound(void);     // after each tick: a device silent for two ticks is stopped until the next sound
void WakeSound(void);      // let a stopped device run again; before the device is closed

#endif

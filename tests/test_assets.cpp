// The embedded assets decode through SDL and SDL_mixer as the game needs them; the tile sheet loads.
#include <gtest/gtest.h>
#include <SDL_mixer.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "sound/sound.h"
#include "gfx/gfx.h"
#include "support.h"

namespace {

namespace fs = std::filesystem;

SDL_Surface *Decode(const unsigned char *bytes, Uint32 size)
{
    return SDL_LoadBMP_RW(SDL_RWFromConstMem(bytes, (int)size), 1);
}

Uint32 Raw(SDL_Surface *s, int x, int y)
{
    SDL_LockSurface(s);
    Uint32 raw = 0;
    memcpy(&raw, (Uint8 *)s->pixels + y * s->pitch + x * s->format->BytesPerPixel, s->format->BytesPerPixel);
    SDL_UnlockSurface(s);
    return raw & ~s->format->Amask;
}

struct ImageCase {
    const char *file;
    const unsigned char *bytes;
    const Uint32 *size;
    Uint32 expectedSize;
    int w, h, bits;
    Uint32 rmask; // 0: not checked (24 and 32 bits)
};

const ImageCase images[] = {
    {"digit.bmp", iDigit, &iDigit_size, 5256, 100, 13, 32, 0},
    {"wexa.bmp", iWexa, &iWexa_size, 1576, 50, 10, 24, 0},
    {"menu.bmp", iMenu, &iMenu_size, 25656, 160, 80, 16, 0x7C00},
    {"image.bmp", iImage, &iImage_size, 9712, 141, 34, 16, 0x7C00},
    {"title.bmp", iTitle, &iTitle_size, 6456, 80, 40, 16, 0x7C00},
    {"icon.bmp", iIcon, &iIcon_size, 4234, 32, 32, 32, 0},
};

Uint32 FileSize(const char *file)
{
    return (Uint32)fs::file_size(fs::path(SEVENFOLD_SOURCE_DIR) / "assets" / file);
}

TEST(Assets, ImagesDecodeWithTheirSizesAndFormats)
{
    for (const auto &c : images) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(*c.size, c.expectedSize);
        EXPECT_EQ(*c.size, FileSize(c.file)) << "the length word is the file's byte count";
        SDL_Surface *s = Decode(c.bytes, *c.size);
        ASSERT_NE(s, nullptr) << SDL_GetError();
        EXPECT_EQ(s->w, c.w);
        EXPECT_EQ(s->h, c.h);
        EXPECT_EQ(s->format->BytesPerPixel * 8, c.bits);
        if (c.rmask) {
            EXPECT_EQ(s->format->Rmask, c.rmask);
            EXPECT_EQ(s->format->Gmask, 0x03E0u);
            EXPECT_EQ(s->format->Bmask, 0x001Fu);
        }
        SDL_FreeSurface(s);
    }
}

TEST(Assets, SoundsDecodeWithTheirRatesAndSampleSizes)
{
    struct {
        const char *file;
        const unsigned char *bytes;
        const Uint32 *size;
        Uint32 expectedSize;
        int rate;
        Uint16 format;
        int milliseconds;
    } const sounds[] = {
        {"select.wav", sSelect, &sSelect_size, 7062, 22050, AUDIO_S16LSB, 159},
        {"erase.wav", sErase, &sErase_size, 3414, 22050, AUDIO_U8, 128},
        {"un.wav", sUn, &sUn_size, 944, 11025, AUDIO_U8, 81},
        {"move.wav", sMove, &sMove_size, 1092, 22050, AUDIO_U8, 39},
    };
    for (const auto &c : sounds) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(*c.size, c.expectedSize);
        EXPECT_EQ(*c.size, FileSize(c.file));
        SDL_AudioSpec spec;
        Uint8 *buffer = nullptr;
        Uint32 length = 0;
        ASSERT_NE(SDL_LoadWAV_RW(SDL_RWFromConstMem(c.bytes, (int)*c.size), 1, &spec, &buffer, &length), nullptr)
            << SDL_GetError();
        EXPECT_EQ(spec.freq, c.rate);
        EXPECT_EQ(spec.channels, 1);
        EXPECT_EQ(spec.format, c.format);
        int bytesPerSample = c.format == AUDIO_U8 ? 1 : 2;
        EXPECT_EQ((int)(1000.0 * length / bytesPerSample / c.rate + 0.5), c.milliseconds);
        SDL_FreeWAV(buffer);
        Mix_Chunk *chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(c.bytes, (int)*c.size), 1);
        EXPECT_NE(chunk, nullptr) << Mix_GetError();
        if (chunk)
            Mix_FreeChunk(chunk);
    }
    for (Mix_Chunk *w : wave)
        EXPECT_NE(w, nullptr);
}

// Mixer time: the bytes of sound the mixer has made since the device opened, counted as it makes
// them. The ticks below go by in it rather than on the clock: on a loaded machine the audio thread
// falls behind the clock, and an effect still playing when the next one starts, or when the device
// closes, would differ for that reason alone.
std::atomic<long> mixedBytes;

void CountMixed(void *, Uint8 *, int len)
{
    mixedBytes += len;
}

// One tick of the game, 70 ms, as sound made (22,050 Hz, two channels of 16 bits). A device the
// game has stopped makes none, and nothing would be heard of that time: no wait then.
void TickOfSound()
{
    long until = mixedBytes + 22050L * 4 * 70 / 1000;
    while (mixedBytes < until && audioLocks == 0)
        SDL_Delay(1);
}

// The samples SDL's disk audio driver wrote while each effect played, each effect one run of
// sound between stretches of silence.
std::vector<std::vector<Sint16>> EffectsHeard(bool quietBetween)
{
    fs::path heard = fs::current_path() / "heard.raw";
    FreeSounds();
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", heard.c_str(), 1);
    EXPECT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    EXPECT_EQ(OpenSound(), 1) << Mix_GetError();
    LoadSounds();
    _VOLUME = 87;
    ApplyVolume();
    Mix_SetPostMix(CountMixed, nullptr);
    for (Uint8 n : {0, 1, 2, 3, 3, 0}) {
        PlayWave(n);
        // The first tick comes as soon as the effect has all been mixed, the worst moment to stop
        // the device: the effect's end is still on its way through sdl12-compat's resampler.
        Uint32 deadline = SDL_GetTicks() + 10000;
        while (Mix_Playing(-1) && SDL_GetTicks() < deadline)
            SDL_Delay(1);
        EXPECT_EQ(Mix_Playing(-1), 0) << "effect " << (int)n << " still playing after 10 s";
        for (int tick = 0; tick < 4; tick++) {
            if (tick > 0)
                TickOfSound();
            if (quietBetween)
                QuietSound();
        }
    }
    Mix_SetPostMix(nullptr, nullptr);
    WakeSound();
    FreeSounds();
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0);
    EXPECT_EQ(OpenSound(), 1);
    LoadSounds();

    std::ifstream file(heard, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    fs::remove(heard);
    std::vector<Sint16> samples(bytes.size() / 2);
    memcpy(samples.data(), bytes.data(), samples.size() * 2);
    std::vector<std::vector<Sint16>> effects;
    size_t quiet = 0;
    for (size_t i = 0; i < samples.size(); i++) {
        if (samples[i] == 0) {
            quiet++;
            continue;
        }
        // A sound's own zero crossings are short; some 10 ms of silence parts two effects. A
        // stopped device writes less silence between them than one that runs on.
        if (effects.empty() || quiet > 1000)
            effects.emplace_back();
        else
            effects.back().insert(effects.back().end(), quiet, 0);
        effects.back().push_back(samples[i]);
        quiet = 0;
    }
    return effects;
}

TEST(Sound, AfterSilenceTheEffectsAreTheSamplesOfADeviceThatNeverStopped)
{
    std::vector<std::vector<Sint16>> running = EffectsHeard(false), stopped = EffectsHeard(true);
    ASSERT_EQ(running.size(), 6u) << "six effects heard apart";
    ASSERT_EQ(stopped.size(), running.size());
    for (size_t i = 0; i < running.size(); i++)
        EXPECT_TRUE(stopped[i] == running[i]) << "effect " << i << ": " << stopped[i].size() << " samples against "
                                              << running[i].size();
}

TEST(Assets, CursorFramesAreOutlinesAroundKeyColour)
{
    SDL_Surface *s = Decode(iImage, iImage_size);
    ASSERT_NE(s, nullptr);
    for (int f = 0; f < 4; f++) {
        SCOPED_TRACE("frame " + std::to_string(f));
        int outline = 0;
        for (int y = 0; y < 34; y++)
            for (int x = 0; x < 34; x++) {
                Uint32 p = Raw(s, 34 * f + x, y);
                bool edge = x < 3 || y < 3 || x > 30 || y > 30;
                if (!edge) {
                    ASSERT_EQ(p, 0x03E0u) << "inside at " << x << "," << y;
                } else {
                    ASSERT_TRUE(p == 0x7C00 || p == 0x7FE0) << "outline at " << x << "," << y;
                    outline++;
                }
            }
        EXPECT_GT(outline, 0);
        int shifted = 0;
        for (int x = 0; x < 34; x++)
            shifted += Raw(s, 34 * f + x, 0) != Raw(s, 34 * ((f + 1) % 4) + x, 0);
        EXPECT_GT(shifted, 0) << "the dashes crawl from frame to frame";
    }
    // The panel swatch holds no key colour; the rest of its strip is key colour.
    for (int y = 0; y < 34; y++)
        for (int x = 136; x < 141; x++) {
            if (y < 5) {
                EXPECT_NE(Raw(s, x, y), 0x03E0u) << x << "," << y;
            } else {
                EXPECT_EQ(Raw(s, x, y), 0x03E0u) << x << "," << y;
            }
        }
    SDL_FreeSurface(s);
}

TEST(Assets, DigitsAndLabelSitOnPureGreen)
{
    SDL_Surface *d = Decode(iDigit, iDigit_size);
    ASSERT_NE(d, nullptr);
    for (int g = 0; g < 10; g++) {
        EXPECT_EQ(Raw(d, 10 * g, 0), 0xFF00u) << "glyph " << g;
        EXPECT_EQ(Raw(d, 10 * g + 9, 12), 0xFF00u) << "glyph " << g;
        int ink = 0;
        for (int y = 0; y < 13; y++)
            for (int x = 0; x < 10; x++)
                ink += Raw(d, 10 * g + x, y) != 0xFF00u;
        EXPECT_GT(ink, 15) << "glyph " << g;
    }
    SDL_FreeSurface(d);
    SDL_Surface *w = Decode(iWexa, iWexa_size);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(Raw(w, 0, 0), 0xFF00u);
    SDL_FreeSurface(w);
}

TEST(Assets, MenuSheetIsOpaqueUnderItsKey)
{
    SDL_Surface *m = Decode(iMenu, iMenu_size);
    ASSERT_NE(m, nullptr);
    for (int y = 0; y < 80; y++)
        for (int x = 0; x < 160; x++)
            ASSERT_NE(Raw(m, x, y), 0xFF00u) << x << "," << y;
    SDL_FreeSurface(m);
}

TEST(Assets, TileSheetKindsDifferInShape)
{
    // Colour-blind players tell the kinds apart by outline: within a skin no two kinds may
    // cover nearly the same pixels.
    ASSERT_NE(tile, nullptr);
    EXPECT_EQ(tile->w, 238);
    EXPECT_EQ(tile->format->BytesPerPixel, 2);
    EXPECT_EQ(tile->format->Rmask, 0x7C00u) << "X1R5G5B5, the format the key colour is made for";
    EXPECT_EQ(tile->h % 34, 0);
    EXPECT_GE(skinMax, 4);
    for (int s = 0; s < skinMax; s++)
        for (int a = 0; a < 7; a++)
            for (int b = a + 1; b < 7; b++) {
                int differing = 0;
                for (int y = 0; y < 34; y++)
                    for (int x = 0; x < 34; x++)
                        differing += (Raw(tile, 34 * a + x, 34 * s + y) == 0x03E0) !=
                                     (Raw(tile, 34 * b + x, 34 * s + y) == 0x03E0);
                EXPECT_GT(differing, 40) << "skin " << s << " kinds " << a << " and " << b;
            }
}

// Writes a sheet of the given height and tries to load it as the game does.
int LoadSheetOfHeight(int height)
{
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 238, height, 16, 0x7C00, 0x03E0, 0x001F, 0);
    SDL_FillRect(s, NULL, 0x001F);
    std::string path = "sheet_" + std::to_string(height) + ".bmp";
    SDL_SaveBMP(s, path.c_str());
    SDL_FreeSurface(s);
    int loaded = LoadTile(path.c_str());
    fs::remove(path);
    return loaded;
}

TEST(TileSheet, SkinsAreWholeRowsOfThirtyFour)
{
    struct { int height, loads, skins; } const cases[] = {
        {20, 0, 0}, {33, 0, 0}, {34, 1, 1}, {67, 1, 1}, {68, 1, 2}, {340, 1, 10},
        {255 * 34 + 33, 1, 255}, {256 * 34, 0, 0}, // no more than 255 skins
    };
    Uint8 originalSkins = skinMax;
    for (const auto &c : cases) {
        SCOPED_TRACE("height " + std::to_string(c.height));
        skinMax = 77;
        EXPECT_EQ(LoadSheetOfHeight(c.height), c.loads);
        if (c.loads) {
            EXPECT_EQ(skinMax, c.skins);
            EXPECT_EQ(tile->h, c.height);
        } else {
            EXPECT_EQ(skinMax, 77) << "a refused sheet changes nothing";
        }
    }
    // Put the game's own sheet back for the tests that follow in this process.
    ASSERT_EQ(LoadTile("tile.bmp"), 1);
    SDL_SetColorKey(tile, SDL_SRCCOLORKEY, 0x3E0);
    EXPECT_EQ(skinMax, originalSkins);
}

TEST(TileSheet, MissingOrUndecodableSheetIsRefused)
{
    EXPECT_EQ(LoadTile("no-such-sheet.bmp"), 0);
    {
        std::ofstream("garbage.bmp") << "BM this is not a bitmap at all";
    }
    EXPECT_EQ(LoadTile("garbage.bmp"), 0);
    fs::remove("garbage.bmp");
    EXPECT_NE(tile, nullptr) << "the sheet in use stays";
}

} // namespace

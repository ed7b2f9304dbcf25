// Settings that stay between runs: the skin, the volume, full screen or a window, moves in motion or at once.
#include "game/desktop/features.h"

#include <stdlib.h>
#include <string.h>

#include <string>

#include "desktop/desktop.h"
#include "desktop/files.h"
#include "gfx/gfx.h"
#include "platform/platform.h"
#include "sound/sound.h"

// The file is a plain text a person can edit: one "key = value" a line, '#' starting a comment.
#define SETTINGS_FILE "settings"
#define SETTINGS_LARGEST (16 * 1024)

// The settings as last read or written: a change is saved when the game's own differ.
static struct {
    int skin, volume, fullScreen, motion;
} kept = {-1, -1, -1, -1};

int FullScreenNow(void)
{
    SDL_Surface *surface = SDL_GetVideoSurface();
    return surface != NULL && (surface->flags & SDL_FULLSCREEN) != 0;
}

// A value of the file: 1 with it in *value, or 0 with why it is no value of that key.
static int Value(const std::string &key, const std::string &text, int *value, std::string *why)
{
    if (key == "skin" || key == "volume") {
        char *end = NULL;
        long n = strtol(text.c_str(), &end, 10);
        long most = key == "skin" ? 254 : 127;
        if (text.empty() || *end != '\0' || text[0] == '-' || text[0] == '+' || n > most) {
            *why = key + " is a whole number from 0 to " + std::to_string(most);
            return 0;
        }
        *value = (int)n;
        return 1;
    }
    const char *yes = key == "fullscreen" ? "on" : "in motion", *no = key == "fullscreen" ? "off" : "at once";
    if (text == yes || text == no) {
        *value = text == yes;
        return 1;
    }
    *why = key + " is \"" + yes + "\" or \"" + no + "\"";
    return 0;
}

// Takes the file line by line: a line that makes no sense is said and passed over, and the rest
// still counts. Never refuses the file, which stays the player's.
static int TakeSettings(const char *text, size_t size, void *into, char *why, size_t whySize)
{
    (void)why;
    (void)whySize;
    int *values = (int *)into; // skin, volume, full screen, motion; -1 where the file says nothing
    static const char *const keys[] = {"skin", "volume", "fullscreen", "moves"};
    std::string all(text, size);
    size_t line = 0;
    for (size_t p = 0; p < all.size(); line++) {
        size_t end = all.find('\n', p);
        std::string s = all.substr(p, end == std::string::npos ? std::string::npos : end - p);
        p = end == std::string::npos ? all.size() : end + 1;
        s = s.substr(0, s.find('#'));
        size_t first = s.find_first_not_of(" \t\r"), last = s.find_last_not_of(" \t\r");
        if (first == std::string::npos)
            continue;
        s = s.substr(first, last - first + 1);
        size_t equals = s.find('=');
        std::string key = s.substr(0, equals), value = equals == std::string::npos ? "" : s.substr(equals + 1);
        key = key.substr(0, key.find_last_not_of(" \t") + 1);
        value = value.substr(value.find_first_not_of(" \t") == std::string::npos ? value.size() : value.find_first_not_of(" \t"));
        char shown[96];
        int k = 0;
        while (k < 4 && key != keys[k])
            k++;
        std::string reason;
        if (equals == std::string::npos)
            reason = "it is no \"key = value\"";
        else if (k == 4)
            reason = "no setting is called \"" + std::string(Printable(key.c_str(), shown, sizeof shown)) + "\"";
        else if (Value(key, value, &values[k], &reason))
            continue;
        PlatformSay("settings line %u: %s; passed over", (unsigned)line + 1, reason.c_str());
    }
    return 1;
}

void LoadSettings(void)
{
    int values[4] = {-1, -1, -1, -1};
    GameFile file;
    if (OpenGameFile(&file, ConfigFolder, SETTINGS_FILE, "the settings", 0) > 0)
        LoadGameFile(&file, SETTINGS_LARGEST, 1, TakeSettings, values);
    CloseGameFile(&file);
    // A skin the sheet in use does not have is the first one.
    if (values[0] >= 0)
        skin = values[0] < skinMax ? (Uint8)values[0] : 0;
    if (values[1] >= 0) {
        _VOLUME = (Sint8)values[1];
        ApplyVolume();
    }
    if (values[2] >= 0 && values[2] != FullScreenNow())
        PlatformToggleFullScreen();
    if (values[3] >= 0)
        showInMotion = (Uint8)values[3];
    kept.skin = skin;
    kept.volume = _VOLUME;
    kept.fullScreen = FullScreenNow();
    kept.motion = showInMotion;
}

void SaveSettings(void)
{
    int fullScreen = FullScreenNow();
    if (kept.skin == skin && kept.volume == _VOLUME && kept.fullScreen == fullScreen && kept.motion == showInMotion)
        return;
    kept.skin = skin;
    kept.volume = _VOLUME;
    kept.fullScreen = fullScreen;
    kept.motion = showInMotion;
    std::string text = "# Sevenfold's settings, as the game last saved them; edit them while it is not running.\n"
                       "skin = " + std::to_string(skin) + "\nvolume = " + std::to_string(_VOLUME) +
                       "\nfullscreen = " + (fullScreen ? "on" : "off") +
                       "\nmoves = " + (showInMotion ? "in motion" : "at once") + "\n";
    GameFile file;
    if (OpenGameFile(&file, ConfigFolder, SETTINGS_FILE, "the settings", 1) > 0)
        ReplaceGameFile(&file, text.c_str(), text.size());
    CloseGameFile(&file);
}

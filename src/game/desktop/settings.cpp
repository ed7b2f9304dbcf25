// Settings that stay between runs: the skin, the volume, full screen or a window, moves in motion or at once.
#include "game/desktop/features.h"

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "desktop/desktop.h"
#include "desktop/files.h"
#include "gfx/gfx.h"
#include "platform/platform.h"
#include "sound/sound.h"

// The file is a plain text a person can edit: one "key = value" a line, '#' starting a comment.
// It is the settings' one home: what a player writes there wins, and the game's own rewrite
// changes only the lines of the settings it changed.
#define SETTINGS_FILE "settings"
#define SETTINGS_LARGEST (16 * 1024)

enum { SKIN, VOLUME, FULL_SCREEN, MOTION, SETTINGS };
static const char *const keys[SETTINGS] = {"skin", "volume", "fullscreen", "moves"};

// The settings as last read or written: a change is saved when the game's own differ.
static int kept[SETTINGS] = {-1, -1, -1, -1};

int FullScreenNow(void)
{
    SDL_Surface *surface = SDL_GetVideoSurface();
    return surface != NULL && (surface->flags & SDL_FULLSCREEN) != 0;
}

// The two words of a setting that is on or off: on first.
static const char *Word(int k, int on)
{
    if (k == FULL_SCREEN)
        return on ? "on" : "off";
    return on ? "in motion" : "at once";
}

// A value of the file: 1 with it in *value, or 0 with why it is no value of that key.
static int Value(int k, const std::string &text, int *value, std::string *why)
{
    if (k == SKIN || k == VOLUME) {
        char *end = NULL;
        long n = strtol(text.c_str(), &end, 10);
        long most = k == SKIN ? 254 : 127;
        if (text.empty() || *end != '\0' || text[0] == '-' || text[0] == '+' || n > most) {
            *why = std::string(keys[k]) + " is a whole number from 0 to " + std::to_string(most);
            return 0;
        }
        *value = (int)n;
        return 1;
    }
    if (text == Word(k, 1) || text == Word(k, 0)) {
        *value = text == Word(k, 1);
        return 1;
    }
    *why = std::string(keys[k]) + " is \"" + Word(k, 1) + "\" or \"" + Word(k, 0) + "\"";
    return 0;
}

// A line's key and value, its comment and the blanks around each taken off: 0 for a line with
// none (blank, or a comment), -1 for one with no '=', 1 with them.
static int Split(const std::string &line, std::string *key, std::string *value)
{
    std::string s = line.substr(0, line.find('#'));
    size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return 0;
    s = s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
    size_t equals = s.find('=');
    if (equals == std::string::npos)
        return -1;
    *key = s.substr(0, equals);
    key->erase(key->find_last_not_of(" \t") + 1);
    *value = s.substr(equals + 1);
    value->erase(0, value->find_first_not_of(" \t"));
    return 1;
}

static int KeyNumber(const std::string &key)
{
    int k = 0;
    while (k < SETTINGS && key != keys[k])
        k++;
    return k;
}

// Takes the file line by line: a line that makes no sense is said and passed over, and the rest
// still counts. Never refuses the file, which stays the player's.
static int TakeSettings(const char *text, size_t size, void *into, char *why, size_t whySize)
{
    (void)why;
    (void)whySize;
    int *values = (int *)into; // one for each setting; -1 where the file says nothing
    std::string all(text, size), key, value, reason;
    size_t line = 0;
    for (size_t p = 0; p < all.size(); line++) {
        size_t end = all.find('\n', p);
        std::string s = all.substr(p, end == std::string::npos ? std::string::npos : end - p);
        p = end == std::string::npos ? all.size() : end + 1;
        if (!s.empty() && s.back() == '\r')
            s.pop_back();
        // A control byte (a NUL, say) is damage, never something a player wrote: the line goes.
        int k = SETTINGS, kind = 0;
        for (unsigned char c : s)
            if ((c < ' ' && c != '\t') || c == 0x7F)
                kind = -2;
        if (kind == 0 && (kind = Split(s, &key, &value)) == 0)
            continue;
        char shown[96];
        if (kind == -2)
            reason = "it holds a control byte";
        else if (kind < 0)
            reason = "it is no \"key = value\"";
        else if ((k = KeyNumber(key)) == SETTINGS)
            reason = "no setting is called \"" + std::string(Printable(key.c_str(), shown, sizeof shown)) + "\"";
        else if (Value(k, value, &values[k], &reason))
            continue;
        PlatformSay("settings line %u: %s; passed over", (unsigned)line + 1, reason.c_str());
    }
    return 1;
}

void LoadSettings(void)
{
    int values[SETTINGS] = {-1, -1, -1, -1};
    GameFile file;
    if (OpenGameFile(&file, ConfigFolder, SETTINGS_FILE, "the settings", 0) > 0) {
        // Said now, before a setting is changed that cannot be kept.
        FolderWritable(&file);
        LoadGameFile(&file, SETTINGS_LARGEST, 1, TakeSettings, values);
    }
    CloseGameFile(&file);
    // A skin the sheet in use does not have is the first one.
    if (values[SKIN] >= 0)
        skin = values[SKIN] < skinMax ? (Uint8)values[SKIN] : 0;
    if (values[VOLUME] >= 0) {
        _VOLUME = (Sint8)values[VOLUME];
        ApplyVolume();
    }
    if (values[FULL_SCREEN] >= 0 && values[FULL_SCREEN] != FullScreenNow())
        PlatformToggleFullScreen();
    if (values[MOTION] >= 0)
        showInMotion = (Uint8)values[MOTION];
    const int now[SETTINGS] = {skin, _VOLUME, FullScreenNow(), showInMotion};
    memcpy(kept, now, sizeof kept);
}

// A setting's line as the game writes it.
static std::string Line(int k, int value)
{
    return std::string(keys[k]) + " = " + (k == SKIN || k == VOLUME ? std::to_string(value) : Word(k, value));
}

// The file's text with the lines of the settings in changed (a bit each) holding their values,
// and all else as it stood: comments (one after a value too), blank lines, unknown keys, line
// ends. A changed setting the file has no line for gets one at its end.
static std::string Rewritten(const std::string &old, const int *values, unsigned changed)
{
    std::string text, key, value;
    unsigned written = 0;
    for (size_t p = 0; p < old.size();) {
        size_t end = old.find('\n', p);
        std::string line = old.substr(p, end == std::string::npos ? std::string::npos : end - p);
        p = end == std::string::npos ? old.size() : end + 1;
        int k = Split(line, &key, &value) > 0 ? KeyNumber(key) : SETTINGS;
        if (k < SETTINGS && (changed >> k & 1)) {
            size_t hash = line.find('#');
            size_t after = line.find_last_not_of(" \t\r", hash == std::string::npos ? hash : hash - 1) + 1;
            line = line.substr(0, line.find_first_not_of(" \t")) + Line(k, values[k]) + line.substr(after);
            written |= 1u << k;
        }
        text += line + (end == std::string::npos ? "" : "\n");
    }
    for (int k = 0; k < SETTINGS; k++)
        if ((changed & ~written) >> k & 1)
            text += (text.empty() || text.back() == '\n' ? "" : "\n") + Line(k, values[k]) + "\n";
    return text;
}

void SaveSettings(void)
{
    const int now[SETTINGS] = {skin, _VOLUME, FullScreenNow(), showInMotion};
    unsigned changed = 0;
    for (int k = 0; k < SETTINGS; k++)
        if (now[k] != kept[k])
            changed |= 1u << k;
    if (changed == 0)
        return;
    // Tried once: a file that cannot be written is said once, not at every step.
    memcpy(kept, now, sizeof kept);
    GameFile file;
    std::string text;
    if (OpenGameFile(&file, ConfigFolder, SETTINGS_FILE, "the settings", 1) > 0) {
        // Under the lock: another copy's change made meanwhile stays.
        int lock = LockGameFile(&file);
        if (lock >= 0 && LoadGameFile(&file, SETTINGS_LARGEST, 1, TakeAsIs, &text)) {
            if (text.empty()) {
                text = "# Sevenfold's settings, read as the game starts; the game changes only the values' lines.\n";
                changed = (1u << SETTINGS) - 1;
            }
            text = Rewritten(text, now, changed);
            ReplaceGameFile(&file, text.c_str(), text.size());
        }
        if (lock >= 0)
            close(lock);
    }
    CloseGameFile(&file);
}

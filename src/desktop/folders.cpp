// The player's folders for the game: where the XDG base directory rules put them, made when missing.
#include "desktop/files.h"

#include <errno.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

// base followed by tail into folder, when base is an absolute path and the whole fits.
static int Under(const char *base, const char *tail, char *folder, size_t size)
{
    if (base == NULL || base[0] != '/')
        return 0;
    int n = snprintf(folder, size, "%s%s", base, tail);
    return n > 0 && (size_t)n < size;
}

static int XdgFolder(const char *variable, const char *fallback, char *folder, size_t size)
{
    std::string underHome = std::string("/") + fallback + "/sevenfold";
    if (Under(getenv(variable), "/sevenfold", folder, size) || Under(getenv("HOME"), underHome.c_str(), folder, size))
        return 1;
    struct passwd *me = getpwuid(getuid());
    if (me != NULL && Under(me->pw_dir, underHome.c_str(), folder, size))
        return 1;
    folder[0] = '\0';
    return 0;
}

int DataFolder(char *folder, size_t size) { return XdgFolder("XDG_DATA_HOME", ".local/share", folder, size); }
int ConfigFolder(char *folder, size_t size) { return XdgFolder("XDG_CONFIG_HOME", ".config", folder, size); }

int MakeFolder(const char *folder, const char *what)
{
    // Every missing folder on the way is made 0700, as the XDG rules ask: what the game keeps is
    // no secret, but ~/.local/share may be made here and holds other programs' data too.
    fs::path path;
    for (const fs::path &part : fs::path(folder)) {
        path /= part;
        if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
            SayOnce(folder, errno, "cannot make the folder %s for %s: %s", folder, what, strerror(errno));
            return 0;
        }
    }
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        int why = error ? error.value() : ENOTDIR;
        SayOnce(folder, why, "cannot make the folder %s for %s: %s", folder, what, strerror(why));
        return 0;
    }
    return 1;
}


// The player's folders and the game's own small files in them: found, made, read whole, replaced whole through crashes, set aside.
#include "desktop/files.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fs = std::filesystem;

// A save holds the lock for a read, a write and two fsyncs. Waited for in 10 ms steps: 2 s is
// a very slow disk; a lock held longer is stuck, and the game must not freeze behind it.
#define LOCK_TRIES 200
// The newest files set aside are kept, this many: name.bad, name.bad.1, ... name.bad.9, the
// higher the number the newer. However many strangers come, they take no more room.
#define ASIDE_MOST 10

// The problems said and not yet over: a place and its errno. The game is kept from a thread of
// its own, so the list is shared under its lock.
static std::vector<std::pair<std::string, int>> told;
static pthread_mutex_t toldLock = PTHREAD_MUTEX_INITIALIZER;

void SayOnce(const char *place, int error, const char *format, ...)
{
    pthread_mutex_lock(&toldLock);
    std::pair<std::string, int> problem(place, error);
    int said = std::find(told.begin(), told.end(), problem) != told.end();
    if (!said)
        told.push_back(problem);
    pthread_mutex_unlock(&toldLock);
    if (said)
        return;
    char line[8192];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    PlatformSay("%s", line);
}

// What worked at place: a problem there, met again, is a new one.
static void Over(const std::string &place)
{
    pthread_mutex_lock(&toldLock);
    told.erase(std::remove_if(told.begin(), told.end(),
                              [&](const std::pair<std::string, int> &t) { return t.first == place; }),
               told.end());
    pthread_mutex_unlock(&toldLock);
}

static std::string PathOf(const GameFile *file)
{
    return std::string(file->folder) + "/" + file->name;
}

int OpenGameFile(GameFile *file, int (*where)(char *, size_t), const char *name, const char *what, int make)
{
    file->dir = -1;
    file->name = name;
    file->what = what;
    if (where != NULL && !where(file->folder, sizeof file->folder))
        file->folder[0] = '\0';
    if (file->folder[0] == '\0') {
        if (!make)
            return -1;
        SayOnce("", 0, "no place for %s: neither its XDG folder nor HOME names an absolute folder that a path can reach",
                what);
        return 0;
    }
    if (make && !MakeFolder(file->folder, what))
        return 0;
    file->dir = open(file->folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (file->dir >= 0)
        return 1;
    if (!make && (errno == ENOENT || errno == ENOTDIR))
        return -1;
    SayOnce(file->folder, errno, "cannot open %s for %s: %s", file->folder, what, strerror(errno));
    return 0;
}

int FolderWritable(const GameFile *file)
{
    if (faccessat(file->dir, ".", W_OK, AT_EACCESS) == 0)
        return 1;
    SayOnce(file->folder, errno, "cannot write in %s: %s; nothing can be kept there", file->folder, strerror(errno));
    return 0;
}

void CloseGameFile(GameFile *file)
{
    if (file->dir >= 0)
        close(file->dir);
    file->dir = -1;
}

int LockGameFile(const GameFile *file)
{
    // A lock on a file of its own: a save replaces the file itself, so a lock on it would not
    // stop a second copy of the game.
    std::string name = std::string(file->name) + ".lock";
    int fd = openat(file->dir, name.c_str(), O_RDWR | O_CREAT | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) {
        SayOnce(file->folder, errno, "cannot lock %s with %s/%s: %s; the file is left as it was", file->what,
                file->folder, name.c_str(), strerror(errno));
        return -1;
    }
    std::string path = std::string(file->folder) + "/" + name;
    for (int tries = 0; flock(fd, LOCK_EX | LOCK_NB) != 0; tries++) {
        if (errno == EWOULDBLOCK && tries >= LOCK_TRIES) {
            SayOnce(path.c_str(), EWOULDBLOCK, "%s has been held by another copy of the game for over two seconds; "
                    "the file of %s is left as it was", path.c_str(), file->what);
            close(fd);
            return -1;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            SayOnce(path.c_str(), errno, "cannot lock %s with %s: %s; the file is left as it was", file->what,
                    path.c_str(), strerror(errno));
            close(fd);
            return -1;
        }
        struct timespec pause = {0, 10 * 1000 * 1000};
        nanosleep(&pause, NULL);
    }
    Over(path);
    return fd;
}

enum { TEXT_READ, TEXT_BAD, TEXT_UNREADABLE };

// The file's text, read whole: TEXT_READ (no file is an empty text), TEXT_BAD with the reason
// (not a plain file, over `most` bytes), or TEXT_UNREADABLE having said why.
static int ReadText(const GameFile *file, size_t most, std::vector<char> *text, char *why, size_t whySize)
{
    text->clear();
    // Not blocking: a pipe under the file's name must not hang the game.
    int fd = openat(file->dir, file->name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        return TEXT_READ;
    struct stat st;
    int result = TEXT_UNREADABLE, error = errno;
    if (fd < 0 || fstat(fd, &st) != 0) {
        error = errno;
    } else if (!S_ISREG(st.st_mode)) {
        result = TEXT_BAD;
        snprintf(why, whySize, "it is not a plain file");
    } else if ((size_t)st.st_size > most) {
        result = TEXT_BAD;
        snprintf(why, whySize, "it is over %u KiB", (unsigned)(most / 1024));
    } else {
        // One byte past the limit is read, in case the file grew since fstat.
        text->resize(most + 1);
        size_t got = 0;
        ssize_t n = 1;
        while (got <= most && (n = read(fd, text->data() + got, most + 1 - got)) != 0) {
            if (n > 0)
                got += (size_t)n;
            else if (errno != EINTR)
                break;
        }
        text->resize(got);
        error = errno;
        if (n >= 0)
            result = got > most ? TEXT_BAD : TEXT_READ;
        if (got > most)
            snprintf(why, whySize, "it is over %u KiB", (unsigned)(most / 1024));
    }
    if (result == TEXT_UNREADABLE)
        SayOnce(PathOf(file).c_str(), error, "cannot read %s in %s/%s: %s; the file is left as it was", file->what,
                file->folder, file->name, strerror(error));
    else
        Over(PathOf(file));
    if (fd >= 0)
        close(fd);
    return result;
}

static std::string AsideName(const GameFile *file, int i)
{
    return std::string(file->name) + ".bad" + (i == 0 ? "" : "." + std::to_string(i));
}

// Under the lock: the file goes to the first free name of name.bad, name.bad.1, ..., never over
// one already there. When all are taken the oldest goes: each moves down a name, and the newest
// takes the last. Returns 1 with the name in aside.
static int MoveAside(const GameFile *file, std::string *aside)
{
    for (int round = 0; round < 2; round++) {
        for (int i = 0; i < ASIDE_MOST; i++) {
            *aside = AsideName(file, i);
            if (renameat2(file->dir, file->name, file->dir, aside->c_str(), RENAME_NOREPLACE) == 0)
                return 1;
            if (errno == EINVAL || errno == ENOSYS) {
                // A file system that cannot rename without replacing: a second name, then the
                // first one dropped; link() too refuses to replace.
                if (linkat(file->dir, file->name, file->dir, aside->c_str(), 0) == 0)
                    return unlinkat(file->dir, file->name, 0) == 0;
            }
            if (errno != EEXIST)
                return 0;
        }
        for (int i = 1; i < ASIDE_MOST; i++)
            renameat(file->dir, AsideName(file, i).c_str(), file->dir, AsideName(file, i - 1).c_str());
        unlinkat(file->dir, AsideName(file, ASIDE_MOST - 1).c_str(), 0);
    }
    return 0;
}

// Under the lock: a file that is not what the game writes is kept aside, and says so.
static int SetAside(const GameFile *file, const char *why)
{
    std::string aside;
    if (!MoveAside(file, &aside)) {
        SayOnce(PathOf(file).c_str(), errno, "%s/%s is not %s (%s) and cannot be moved aside: %s; it is left as it "
                "was", file->folder, file->name, file->what, why, strerror(errno));
        return 0;
    }
    fsync(file->dir);
    PlatformSay("%s/%s was not %s (%s); kept it as %s/%s and began anew", file->folder, file->name, file->what, why,
                file->folder, aside.c_str());
    return 1;
}

int LoadGameFile(GameFile *file, size_t most, int locked, TakeText take, void *into)
{
    std::vector<char> text;
    char why[96] = "";
    int got = ReadText(file, most, &text, why, sizeof why);
    if (got == TEXT_READ && !take(text.data(), text.size(), into, why, sizeof why))
        got = TEXT_BAD;
    if (got != TEXT_BAD)
        return got == TEXT_READ;
    // Another copy may be replacing the file at this moment: only under the lock is the file
    // seen the one that goes aside.
    int lock = locked ? -1 : LockGameFile(file);
    if (!locked && lock < 0)
        got = TEXT_UNREADABLE;
    else if ((got = ReadText(file, most, &text, why, sizeof why)) == TEXT_READ &&
             !take(text.data(), text.size(), into, why, sizeof why))
        got = TEXT_BAD;
    if (got == TEXT_BAD)
        got = SetAside(file, why) && take("", 0, into, why, sizeof why) ? TEXT_READ : TEXT_UNREADABLE;
    if (lock >= 0)
        close(lock);
    return got == TEXT_READ;
}

int TakeAsIs(const char *text, size_t size, void *into, char *why, size_t whySize)
{
    (void)why;
    (void)whySize;
    ((std::string *)into)->assign(text, size);
    return 1;
}

// Where a save puts the file: the folder that holds the file its name leads to through any
// symbolic links, and that file's name there. A player may link it to a file kept elsewhere (a
// synced folder, say): the link stays a link, and the file it names is replaced whole in its own
// folder, the one place a rename can replace it. Returns that folder (file->dir itself when the
// file is no link), or -1 with errno.
static int Target(const GameFile *file, fs::path *folder, std::string *name)
{
    fs::path at = fs::path(file->folder) / file->name;
    std::error_code error;
    int hops = 0;
    // A name that leads nowhere yet is where the new file goes.
    while (fs::symlink_status(at, error).type() == fs::file_type::symlink && hops++ < 40) {
        fs::path next = fs::read_symlink(at, error);
        if (error)
            break;
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    if (error == std::errc::no_such_file_or_directory)
        error.clear();
    if (hops > 40) {
        errno = ELOOP;
        return -1;
    }
    if (error) {
        errno = error.value();
        return -1;
    }
    *name = at.filename().string();
    *folder = at.parent_path();
    if (name->empty() || *name == "." || *name == "..") {
        errno = EISDIR;
        return -1;
    }
    if (hops == 0)
        return file->dir;
    return open(folder->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Under the lock no other save is writing, so any temporary file is what a killed save left.
static void SweepTemporaries(const fs::path &folder, int at, const std::string &prefix)
{
    std::error_code error;
    for (fs::directory_iterator e(folder, error), end; !error && e != end; e.increment(error))
        if (e->path().filename().string().rfind(prefix, 0) == 0)
            unlinkat(at, e->path().filename().c_str(), 0);
}

static int ReplaceIn(const GameFile *file, int at, const fs::path &folder, const std::string &name, const char *text,
                     size_t length)
{
    std::string prefix = std::string(file->name) + ".tmp.";
    SweepTemporaries(folder, at, prefix);
    std::string temp = prefix + std::to_string((long)getpid());
    int error = 0;
    int fd = openat(at, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) {
        SayOnce(file->folder, errno, "cannot save %s in %s: %s; the file is left as it was", file->what, file->folder,
                strerror(errno));
        return 0;
    }
    for (size_t done = 0; done < length && error == 0;) {
        ssize_t n = write(fd, text + done, length - done);
        if (n > 0)
            done += (size_t)n;
        else if (n == 0)
            error = EIO;
        else if (errno != EINTR)
            error = errno;
    }
    if (error == 0 && fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && renameat(at, temp.c_str(), at, name.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlinkat(at, temp.c_str(), 0);
        SayOnce(file->folder, error, "cannot save %s in %s/%s: %s; the file is left as it was", file->what,
                file->folder, file->name, strerror(error));
        return 0;
    }
    Over(file->folder);
    Over(PathOf(file));
    // The new file is in place; only a power cut before the folder reaches the disk could still
    // bring back the old one, whole. EINVAL: a file system that cannot flush a folder.
    if (fsync(at) != 0 && errno != EINVAL)
        SayOnce(file->folder, errno, "%s in %s/%s may not survive a power cut: %s", file->what, file->folder,
                file->name, strerror(errno));
    return 1;
}

int ReplaceGameFile(const GameFile *file, const char *text, size_t length)
{
    std::string name;
    fs::path folder;
    int at = Target(file, &folder, &name);
    if (at < 0) {
        SayOnce(PathOf(file).c_str(), errno, "cannot save %s through the link %s/%s: %s; the file is left as it was",
                file->what, file->folder, file->name, strerror(errno));
        return 0;
    }
    int saved = ReplaceIn(file, at, folder, name, text, length);
    if (at != file->dir)
        close(at);
    return saved;
}

int RemoveGameFile(const GameFile *file)
{
    if (unlinkat(file->dir, file->name, 0) == 0 || errno == ENOENT)
        return 1;
    SayOnce(PathOf(file).c_str(), errno, "cannot remove %s/%s: %s", file->folder, file->name, strerror(errno));
    return 0;
}

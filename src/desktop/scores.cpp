// The high-score table's file: read strictly, anything else kept aside, saved whole under a lock.
#include "desktop/scores.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "platform/platform.h"

// The game writes at most ten lines of 22 bytes. A file over this size is not one of ours and is
// not read in at all.
#define SCORES_LARGEST (64 * 1024)
// A save holds the lock for a read, a write and two fsyncs. Waited for in 10 ms steps: 2 s is
// a very slow disk; a lock held longer is stuck, and the game must not freeze behind it.
#define LOCK_TRIES 200
#define LOCK_FILE SCORES_FILE ".lock"
#define TEMP_PREFIX SCORES_FILE ".tmp."

enum { TABLE_READ, TABLE_BAD, TABLE_UNREADABLE };

// base followed by tail into folder, when base is an absolute path and the whole fits.
static int Under(const char *base, const char *tail, char *folder, size_t size)
{
    if (base == NULL || base[0] != '/')
        return 0;
    int n = snprintf(folder, size, "%s%s", base, tail);
    return n > 0 && (size_t)n < size;
}

int ScoresFolder(char *folder, size_t size)
{
    // A relative XDG_DATA_HOME is to be ignored, as the XDG base directory rules say, and so is
    // a relative HOME: either would depend on the folder the game was started from. One too long
    // for a path names no folder either. Each time the next place is tried.
    if (Under(getenv("XDG_DATA_HOME"), "/sevenfold", folder, size) ||
        Under(getenv("HOME"), "/.local/share/sevenfold", folder, size))
        return 1;
    struct passwd *me = getpwuid(getuid());
    if (me != NULL && Under(me->pw_dir, "/.local/share/sevenfold", folder, size))
        return 1;
    folder[0] = '\0';
    return 0;
}

int ScoresPath(char *path, size_t size)
{
    char folder[PATH_MAX];
    if (!ScoresFolder(folder, sizeof folder))
        return 0;
    int n = snprintf(path, size, "%s/" SCORES_FILE, folder);
    return n > 0 && (size_t)n < size;
}

int ScoresFolderExists(void)
{
    char folder[PATH_MAX];
    struct stat st;
    return ScoresFolder(folder, sizeof folder) && stat(folder, &st) == 0 && S_ISDIR(st.st_mode);
}

// Every missing folder on the way is made 0700, as the XDG rules ask of a data folder: the
// scores are no secret, but ~/.local/share may be made here and holds other programs' data too.
static int MakeFolder(const char *folder)
{
    char path[PATH_MAX];
    snprintf(path, sizeof path, "%s", folder);
    for (char *p = path + 1;; p++) {
        if (*p != '/' && *p != '\0')
            continue;
        char end = *p;
        *p = '\0';
        if (mkdir(path, 0700) != 0 && errno != EEXIST) {
            PlatformSay("cannot make the folder %s for the high scores: %s", folder, strerror(errno));
            return 0;
        }
        *p = end;
        if (end == '\0')
            break;
    }
    struct stat st;
    int error = stat(folder, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    if (error != 0) {
        PlatformSay("cannot make the folder %s for the high scores: %s", folder, strerror(error));
        return 0;
    }
    return 1;
}

int MakeScoresFolder(void)
{
    char folder[PATH_MAX];
    if (!ScoresFolder(folder, sizeof folder)) {
        PlatformSay("no place for the high scores: neither XDG_DATA_HOME nor HOME names an absolute folder that "
                    "a path can reach");
        return 0;
    }
    return MakeFolder(folder);
}

// "YYYY-MM-DD" in the first ten bytes at d: four digits, a month 01-12 and a day 01-31.
static int DateAt(const char *d)
{
    for (int i = 0; i < 10; i++)
        if (i == 4 || i == 7 ? d[i] != '-' : d[i] < '0' || d[i] > '9')
            return 0;
    int month = (d[5] - '0') * 10 + d[6] - '0';
    int day = (d[8] - '0') * 10 + d[9] - '0';
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// The table from the file's bytes, or 0 with the reason. Only what is plainly a table is one:
// digits, one space, a date, a line end. Leading zeros are still a number. What an editor may
// leave and shows nothing is let be: a carriage return, spaces or tabs at a line's end, blank
// lines, no newline at the end. More than ten scores, or a line scoring more than the one above
// it, never come from the game: such a file was made or damaged by something else, and
// rewriting it would drop or reorder lines someone meant, so it is kept aside like any other
// stranger.
static int ParseScores(const char *text, size_t size, ScoreTable *table, char *why, size_t whySize)
{
    table->count = 0;
    for (size_t p = 0, end = 0, line = 1; p < size; p = end + 1, line++) {
        end = p;
        while (end < size && text[end] != '\n')
            end++;
        size_t last = end;
        while (last > p && (text[last - 1] == ' ' || text[last - 1] == '\t' || text[last - 1] == '\r'))
            last--;
        if (last == p)
            continue;
        if (table->count == SCORES_MOST) {
            snprintf(why, whySize, "it has more than %d scores", SCORES_MOST);
            return 0;
        }
        unsigned long long points = 0;
        size_t q = p;
        while (q < last && text[q] >= '0' && text[q] <= '9' && points <= 0xFFFFFFFFull)
            points = points * 10 + (unsigned)(text[q++] - '0');
        if (points > 0xFFFFFFFFull) {
            snprintf(why, whySize, "line %u has a score beyond 4294967295", (unsigned)line);
            return 0;
        }
        if (q == p || last - q != 11 || text[q] != ' ' || !DateAt(text + q + 1)) {
            snprintf(why, whySize, "line %u is not POINTS YYYY-MM-DD", (unsigned)line);
            return 0;
        }
        if (table->count > 0 && points > table->entries[table->count - 1].points) {
            snprintf(why, whySize, "line %u scores more than the line above it", (unsigned)line);
            return 0;
        }
        ScoreEntry *entry = &table->entries[table->count++];
        entry->points = (Uint32)points;
        memcpy(entry->date, text + q + 1, 10);
        entry->date[10] = '\0';
    }
    return 1;
}

// The table in the folder dir: TABLE_READ (no file is an empty table), TABLE_BAD with the
// reason, or TABLE_UNREADABLE having said why.
static int LoadTable(int dir, const char *folder, ScoreTable *table, char *why, size_t whySize)
{
    table->count = 0;
    // Not blocking: a pipe under the table's name must not hang the game.
    int fd = openat(dir, SCORES_FILE, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return TABLE_READ;
        PlatformSay("cannot read the high scores in %s/" SCORES_FILE ": %s", folder, strerror(errno));
        return TABLE_UNREADABLE;
    }
    struct stat st;
    int result = TABLE_BAD;
    char *text = NULL;
    if (fstat(fd, &st) != 0) {
        result = TABLE_UNREADABLE;
    } else if (!S_ISREG(st.st_mode)) {
        snprintf(why, whySize, "it is not a plain file");
    } else if (st.st_size > SCORES_LARGEST) {
        snprintf(why, whySize, "it is over 64 KiB");
    } else if ((text = (char *)malloc(SCORES_LARGEST + 1)) == NULL) {
        result = TABLE_UNREADABLE;
    } else {
        // Read one byte past the limit, in case the file grew since fstat.
        size_t got = 0;
        ssize_t n = 1;
        while (got <= SCORES_LARGEST && (n = read(fd, text + got, SCORES_LARGEST + 1 - got)) != 0) {
            if (n > 0)
                got += (size_t)n;
            else if (errno != EINTR)
                break;
        }
        if (n < 0)
            result = TABLE_UNREADABLE;
        else if (got > SCORES_LARGEST)
            snprintf(why, whySize, "it is over 64 KiB");
        else if (ParseScores(text, got, table, why, whySize))
            result = TABLE_READ;
    }
    if (result == TABLE_UNREADABLE)
        PlatformSay("cannot read the high scores in %s/" SCORES_FILE ": %s", folder, strerror(errno));
    if (result != TABLE_READ)
        table->count = 0;
    free(text);
    close(fd);
    return result;
}

// The lock every change of the table is made under, on a file of its own: a save replaces the
// table's file, so a lock on the table itself would not stop a second copy of the game. Returns
// the descriptor holding it (closing it lets go), or -1 having said why.
static int Lock(int dir, const char *folder)
{
    int fd = openat(dir, LOCK_FILE, O_RDWR | O_CREAT | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) {
        PlatformSay("cannot lock the high scores with %s/" LOCK_FILE ": %s", folder, strerror(errno));
        return -1;
    }
    for (int tries = 0; flock(fd, LOCK_EX | LOCK_NB) != 0; tries++) {
        if (errno == EWOULDBLOCK && tries >= LOCK_TRIES) {
            PlatformSay("%s/" LOCK_FILE " has been held by another copy of the game for over two seconds; "
                        "the high scores are left as they were", folder);
            close(fd);
            return -1;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            PlatformSay("cannot lock the high scores with %s/" LOCK_FILE ": %s", folder, strerror(errno));
            close(fd);
            return -1;
        }
        struct timespec pause = {0, 10 * 1000 * 1000};
        nanosleep(&pause, NULL);
    }
    return fd;
}

// The newest files set aside are kept, this many: scores.bad, scores.bad.1, ... scores.bad.9,
// the higher the number the newer. However many strangers come, they take no more room.
#define ASIDE_MOST 10

static void AsideName(int i, char *aside, size_t size)
{
    if (i == 0)
        snprintf(aside, size, SCORES_FILE ".bad");
    else
        snprintf(aside, size, SCORES_FILE ".bad.%d", i);
}

// Under the lock: the file that is not a table goes to the first free name of scores.bad,
// scores.bad.1, ..., never over one already there. When all are taken the oldest goes: each
// moves down a name, and the newest takes the last. Returns 1 with the name in aside.
static int MoveAside(int dir, char *aside, size_t size)
{
    for (int round = 0; round < 2; round++) {
        for (int i = 0; i < ASIDE_MOST; i++) {
            AsideName(i, aside, size);
            if (renameat2(dir, SCORES_FILE, dir, aside, RENAME_NOREPLACE) == 0)
                return 1;
            if (errno == EINVAL || errno == ENOSYS) {
                // A file system that cannot rename without replacing: a second name, then the
                // first one dropped; link() too refuses to replace.
                if (linkat(dir, SCORES_FILE, dir, aside, 0) == 0)
                    return unlinkat(dir, SCORES_FILE, 0) == 0;
            }
            if (errno != EEXIST)
                return 0;
        }
        char older[32];
        for (int i = 1; i < ASIDE_MOST; i++) {
            AsideName(i - 1, older, sizeof older);
            AsideName(i, aside, size);
            renameat(dir, aside, dir, older);
        }
        unlinkat(dir, aside, 0);
    }
    return 0;
}

// Under the lock: a file that is not a table is kept aside and says so; the table begins anew.
static int PutAside(int dir, const char *folder, const char *why)
{
    char aside[32];
    if (!MoveAside(dir, aside, sizeof aside)) {
        PlatformSay("%s/" SCORES_FILE " is not a high-score table (%s) and cannot be moved aside: %s; "
                    "the high scores are left as they were", folder, why, strerror(errno));
        return 0;
    }
    fsync(dir);
    PlatformSay("%s/" SCORES_FILE " was not a high-score table (%s); kept it as %s/%s and began a new table",
                folder, why, folder, aside);
    return 1;
}

int ReadScores(ScoreTable *scores)
{
    scores->count = 0;
    char folder[PATH_MAX];
    if (!ScoresFolder(folder, sizeof folder))
        return 1;
    int dir = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return 1;
        PlatformSay("cannot read the high scores in %s: %s", folder, strerror(errno));
        return 0;
    }
    char why[80];
    int got = LoadTable(dir, folder, scores, why, sizeof why);
    if (got == TABLE_BAD) {
        // Another copy may be replacing the file at this moment: only under the lock is the
        // file seen the one that goes aside.
        int lock = Lock(dir, folder);
        got = lock < 0 ? TABLE_UNREADABLE : LoadTable(dir, folder, scores, why, sizeof why);
        if (got == TABLE_BAD)
            got = PutAside(dir, folder, why) ? TABLE_READ : TABLE_UNREADABLE;
        if (lock >= 0)
            close(lock);
    }
    close(dir);
    return got == TABLE_READ;
}

// The score in its place: below every better or equal one. Returns its rank or SCORE_BELOW_TABLE.
static int Enter(ScoreTable *table, Uint32 points, const char *date)
{
    int rank = 0;
    while (rank < table->count && table->entries[rank].points >= points)
        rank++;
    if (rank == SCORES_MOST)
        return SCORE_BELOW_TABLE;
    if (table->count < SCORES_MOST)
        table->count++;
    for (int i = table->count - 1; i > rank; i--)
        table->entries[i] = table->entries[i - 1];
    table->entries[rank].points = points;
    memcpy(table->entries[rank].date, date, 10);
    table->entries[rank].date[10] = '\0';
    return rank;
}

// Under the lock no other save is writing, so any temporary file is what a killed save left.
static void SweepTemporaries(int dir)
{
    int copy = dup(dir);
    DIR *list = copy < 0 ? NULL : fdopendir(copy);
    if (list == NULL) {
        if (copy >= 0)
            close(copy);
        return;
    }
    for (struct dirent *e = readdir(list); e != NULL; e = readdir(list))
        if (strncmp(e->d_name, TEMP_PREFIX, strlen(TEMP_PREFIX)) == 0)
            unlinkat(dir, e->d_name, 0);
    closedir(list);
}

// Where a save puts the table: the folder that holds the file the table's name leads to through
// any symbolic links, and that file's name there. A player may link the table to a file kept
// elsewhere (a synced folder, say): the link stays a link, and the file it names is replaced
// whole in its own folder, the one place a rename can replace it. Returns that folder (dir
// itself when the table is no link), or -1 with errno.
static int TableTarget(int dir, char *name, size_t size)
{
    snprintf(name, size, SCORES_FILE);
    int at = dir;
    for (int hops = 0; hops < 40; hops++) {
        char link[PATH_MAX];
        ssize_t n = readlinkat(at, name, link, sizeof link - 1);
        if (n < 0)
            return at;
        link[n] = '\0';
        char *slash = strrchr(link, '/');
        const char *last = slash != NULL ? slash + 1 : link;
        int next = at;
        if (slash != NULL) {
            *slash = '\0';
            next = openat(at, slash == link ? "/" : link, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        }
        if (next < 0 || last[0] == '\0' || strlen(last) >= size) {
            int error = next < 0 ? errno : EISDIR;
            if (next >= 0 && next != at)
                close(next);
            if (at != dir)
                close(at);
            errno = error;
            return -1;
        }
        if (next != at && at != dir)
            close(at);
        at = next;
        memmove(name, last, strlen(last) + 1);
    }
    if (at != dir)
        close(at);
    errno = ELOOP;
    return -1;
}

// The table's text replacing the file name in the folder at, as WriteTable below says.
static int WriteTableIn(int at, const char *folder, const char *name, const char *text, size_t length)
{
    SweepTemporaries(at);
    char temp[48];
    snprintf(temp, sizeof temp, TEMP_PREFIX "%ld", (long)getpid());
    int error = 0;
    int fd = openat(at, temp, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) {
        PlatformSay("cannot save the high scores in %s: %s; the table is left as it was", folder, strerror(errno));
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
    if (error == 0 && renameat(at, temp, at, name) != 0)
        error = errno;
    if (error != 0) {
        unlinkat(at, temp, 0);
        PlatformSay("cannot save the high scores in %s/" SCORES_FILE ": %s; the table is left as it was", folder,
                    strerror(error));
        return 0;
    }
    // The new table is in place; only a power cut before the folder reaches the disk could
    // still bring back the old one, whole. EINVAL: a file system that cannot flush a folder.
    if (fsync(at) != 0 && errno != EINVAL)
        PlatformSay("the high scores in %s/" SCORES_FILE " may not survive a power cut: %s", folder, strerror(errno));
    return 1;
}

// Replaces the table in dir whole: a temporary file of this process written out and flushed,
// renamed over the table, then the folder flushed so the new name survives a power cut. Until
// the rename the old table stands untouched; the rename swaps in the new one at once. Returns 1
// once the new table is in place.
static int WriteTable(int dir, const char *folder, const ScoreTable *table)
{
    char text[SCORES_MOST * 24];
    size_t length = 0;
    for (int i = 0; i < table->count; i++)
        length += (size_t)snprintf(text + length, sizeof text - length, "%u %s\n",
                                   (unsigned)table->entries[i].points, table->entries[i].date);

    char name[NAME_MAX + 1];
    int at = TableTarget(dir, name, sizeof name);
    if (at < 0) {
        PlatformSay("cannot save the high scores through the link %s/" SCORES_FILE ": %s; the table is left as it was",
                    folder, strerror(errno));
        return 0;
    }
    int saved = WriteTableIn(at, folder, name, text, length);
    if (at != dir)
        close(at);
    return saved;
}

int SaveScore(Uint32 points, const char *date, ScoreTable *scores)
{
    ScoreTable table;
    table.count = 0;
    char today[11];
    if (date == NULL) {
        TodaysDate(today);
        date = today;
    }
    int rank = SCORE_NOT_SAVED;
    char folder[PATH_MAX];
    int dir = -1, lock = -1;
    if (strlen(date) != 10 || !DateAt(date))
        PlatformSay("a score dated \"%s\" cannot enter the high scores", date);
    else if (MakeScoresFolder() && ScoresFolder(folder, sizeof folder)) {
        dir = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0)
            PlatformSay("cannot save the high scores in %s: %s", folder, strerror(errno));
        else
            lock = Lock(dir, folder);
    }
    if (lock >= 0) {
        char why[80];
        int got = LoadTable(dir, folder, &table, why, sizeof why);
        if (got == TABLE_BAD && PutAside(dir, folder, why))
            got = TABLE_READ;
        ScoreTable merged = table;
        if (got == TABLE_READ && (rank = Enter(&merged, points, date)) >= 0) {
            if (WriteTable(dir, folder, &merged))
                table = merged;
            else
                rank = SCORE_NOT_SAVED;
        }
        close(lock);
    }
    if (dir >= 0)
        close(dir);
    if (scores != NULL)
        *scores = table;
    return rank;
}

void TodaysDate(char date[11])
{
    time_t now = time(NULL);
    struct tm local;
    if (localtime_r(&now, &local) == NULL)
        memset(&local, 0, sizeof local);
    int year = local.tm_year + 1900;
    year = year < 0 ? 0 : year > 9999 ? 9999 : year;
    int month = local.tm_mon < 0 || local.tm_mon > 11 ? 1 : local.tm_mon + 1;
    int day = local.tm_mday < 1 || local.tm_mday > 31 ? 1 : local.tm_mday;
    snprintf(date, 11, "%04d-%02d-%02d", year, month, day);
}

// The high-score table's file: read with anything else kept aside, and a score entered under the lock, the file replaced whole.
#include "game/desktop/scores.h"

#include <dirent.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "desktop/files.h"
#include "platform/platform.h"

// The game writes at most ten lines of 22 bytes. A file over this size is not one of ours and is
// not read in at all.
#define SCORES_LARGEST (64 * 1024)

static int TakeScores(const char *text, size_t size, void *table, char *why, size_t whySize)
{
    return ParseScores(text, size, (ScoreTable *)table, why, whySize);
}

int ScoresFolder(char *folder, size_t size)
{
    return DataFolder(folder, size);
}

int ScoresPath(char *path, size_t size)
{
    char folder[PATH_MAX];
    if (!ScoresFolder(folder, sizeof folder))
        return 0;
    int n = snprintf(path, size, "%s/" SCORES_FILE, folder);
    return n > 0 && (size_t)n < size;
}

int ReadScores(ScoreTable *scores)
{
    return ReadScoresOf(SCORES_FILE, scores);
}

int ReadScoresOf(const char *name, ScoreTable *scores)
{
    scores->count = 0;
    GameFile file;
    int open = OpenGameFile(&file, ScoresFolder, name, "the high scores", 0);
    if (open <= 0)
        return open < 0;
    int read = LoadGameFile(&file, SCORES_LARGEST, 0, TakeScores, scores);
    if (!read)
        scores->count = 0;
    CloseGameFile(&file);
    return read;
}

int SaveScore(Uint32 points, const char *date, ScoreTable *scores)
{
    return SaveScoreIn(SCORES_FILE, points, date, scores);
}

int SaveScoreIn(const char *name, Uint32 points, const char *date, ScoreTable *scores)
{
    ScoreTable table;
    table.count = 0;
    char today[11];
    if (date == NULL) {
        TodaysDate(today);
        date = today;
    }
    int rank = SCORE_NOT_SAVED;
    GameFile file;
    file.dir = -1;
    int lock = -1;
    if (strlen(date) != 10 || !DateAt(date))
        PlatformSay("a score dated \"%s\" cannot enter the high scores", date);
    else if (OpenGameFile(&file, ScoresFolder, name, "the high scores", 1) > 0)
        lock = LockGameFile(&file);
    // Under the lock the table is merged with the score as it is on disk at this moment: two
    // copies of the game saving at once both keep theirs.
    if (lock >= 0) {
        if (!LoadGameFile(&file, SCORES_LARGEST, 1, TakeScores, &table)) {
            table.count = 0;
        } else {
            ScoreTable merged = table;
            if ((rank = EnterScore(&merged, points, date)) >= 0) {
                char text[SCORES_MOST * 24];
                if (ReplaceGameFile(&file, text, FormatScores(&merged, text, sizeof text)))
                    table = merged;
                else
                    rank = SCORE_NOT_SAVED;
            }
        }
        close(lock);
    }
    CloseGameFile(&file);
    if (scores != NULL)
        *scores = table;
    return rank;
}

// A day's table is kept a month: the deal is everyone's that day only, and a player who comes
// back finds the recent ones. Days are counted by their dates, whatever the clock's zone.
static long DayNumber(const char *date)
{
    int y = 0, m = 0, d = 0;
    if (sscanf(date, "%4d-%2d-%2d", &y, &m, &d) != 3)
        return -1;
    // Days since 0000-03-01, months counted from March so that February ends the year.
    if (m <= 2) {
        y--;
        m += 12;
    }
    return 365L * y + y / 4 - y / 100 + y / 400 + (153 * (m - 3) + 2) / 5 + d - 1;
}

void ForgetOldDailyTables(const char *today)
{
    char folder[PATH_MAX];
    if (!ScoresFolder(folder, sizeof folder) || !DateAt(today))
        return;
    DIR *dir = opendir(folder);
    if (dir == NULL)
        return;
    static const char prefix[] = "scores-daily-";
    while (struct dirent *e = readdir(dir)) {
        const char *name = e->d_name, *date = name + sizeof prefix - 1;
        if (strncmp(name, prefix, sizeof prefix - 1) != 0 || strlen(date) < 10 || !DateAt(date) ||
            (date[10] != '\0' && strcmp(date + 10, ".lock") != 0))
            continue;
        if (DayNumber(today) - DayNumber(date) > DAILY_TABLES_KEPT)
            unlinkat(dirfd(dir), name, 0);
    }
    closedir(dir);
}

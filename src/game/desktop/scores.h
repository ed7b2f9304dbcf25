// The high-score table kept on a desktop: a plain text file in the player's data folder, whole through crashes and shared by copies running at once.
#ifndef SEVENFOLD_SCORES_H
#define SEVENFOLD_SCORES_H

#include <SDL.h>
#include <stddef.h>

// The file holds one score a line, "POINTS YYYY-MM-DD", best first, ten at most; POINTS are the
// digits of a game's score (0 to 4294967295); CRLF, spaces at a line's end and blank lines are let
// be. An empty file is an empty table. Anything else is not taken for a table: it is moved
// aside, never rewritten.
#define SCORES_MOST 10
#define SCORES_FILE "scores"

struct ScoreEntry {
    Uint32 points;
    char date[11]; // "YYYY-MM-DD", the local date of the game
};

struct ScoreTable {
    int count;                           // 0 to SCORES_MOST
    ScoreEntry entries[SCORES_MOST];     // best first; of equal scores the earlier one stays above
};

// What SaveScore answers besides a rank.
#define SCORE_BELOW_TABLE -1 // the table is full of better (or equal, earlier) scores: nothing written
#define SCORE_NOT_SAVED -2   // the table could not be read or written, and a line on standard error said why

// Each mode of play has a table of its own, a file of its own in the data folder: the classic
// game's is `scores` (where the one table always was), the timed game's `scores-timed`, and the
// day's deal has one a date, `scores-daily-YYYY-MM-DD`, the days before DAILY_TABLES_KEPT thrown
// away. The calls without a name are the classic table's.
#define DAILY_TABLES_KEPT 30
int ReadScoresOf(const char *name, ScoreTable *scores);
int SaveScoreIn(const char *name, Uint32 points, const char *date, ScoreTable *scores);
void ForgetOldDailyTables(const char *today); // the days' tables older than DAILY_TABLES_KEPT days before today

// Where the table lives: the game's data folder, $XDG_DATA_HOME/sevenfold when that is an
// absolute path, else $HOME/.local/share/sevenfold. Return 0 when neither tells a place.
int ScoresFolder(char *folder, size_t size);
int ScoresPath(char *path, size_t size);

// The table as it is on disk, into *scores; no file or no folder is an empty table. A file that is
// not a table is moved aside to scores.bad (or scores.bad.1, .2, ... .9, the ten newest kept) with
// one line on standard error, and the table is empty. Return 0 when the file could not be read (said why; empty table).
int ReadScores(ScoreTable *scores);

// Enters a finished game's score: under the table's lock, merges it with the table as it is on
// disk at that moment and, when it made the ten, replaces the file whole (a temporary file,
// fsync, rename over the table, fsync of the folder). date is "YYYY-MM-DD", or NULL for today.
// Returns the score's rank 0 to 9, SCORE_BELOW_TABLE, or SCORE_NOT_SAVED: a score is only a high
// score once it is kept, so a banner can tell "a new high score" by a rank of 0 or more. When
// scores is not NULL it receives the table as it now stands on disk (after SCORE_NOT_SAVED: as
// it was, or empty when it could not be read).
int SaveScore(Uint32 points, const char *date, ScoreTable *scores);

// The table's text, apart from any file.
int DateAt(const char *d);      // 1 when the ten bytes at d are a date YYYY-MM-DD, month 01-12, day 01-31
int ParseScores(const char *text, size_t size, ScoreTable *table, char *why, size_t whySize); // 0 with why: no table
size_t FormatScores(const ScoreTable *table, char *text, size_t size); // the table as the file holds it; its length
int EnterScore(ScoreTable *table, Uint32 points, const char *date);   // the score in its place: its rank, or SCORE_BELOW_TABLE
void TodaysDate(char date[11]); // the local date as "YYYY-MM-DD"

#endif

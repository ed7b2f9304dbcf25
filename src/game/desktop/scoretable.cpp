// The high-score table's text: read strictly from a file's bytes, written back, a score entered in its place, today's date.
#include "game/desktop/scores.h"

#include <stdio.h>
#include <string.h>
#include <time.h>

int DateAt(const char *d)
{
    for (int i = 0; i < 10; i++)
        if (i == 4 || i == 7 ? d[i] != '-' : d[i] < '0' || d[i] > '9')
            return 0;
    int month = (d[5] - '0') * 10 + d[6] - '0';
    int day = (d[8] - '0') * 10 + d[9] - '0';
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

int ParseScores(const char *text, size_t size, ScoreTable *table, char *why, size_t whySize)
{
    // Only what is plainly a table is one: digits, one space, a date, a line end. Leading zeros
    // are still a number. What an editor may leave and shows nothing is let be: a carriage
    // return, spaces or tabs at a line's end, blank lines, no newline at the end. More than ten
    // scores, or a line scoring more than the one above it, never come from the game: such a
    // file was made or damaged by something else, and rewriting it would drop or reorder lines
    // someone meant, so it is kept aside like any other stranger.
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

size_t FormatScores(const ScoreTable *table, char *text, size_t size)
{
    size_t length = 0;
    for (int i = 0; i < table->count && length < size; i++)
        length += (size_t)snprintf(text + length, size - length, "%u %s\n", (unsigned)table->entries[i].points,
                                   table->entries[i].date);
    return length < size ? length : size;
}

int EnterScore(ScoreTable *table, Uint32 points, const char *date)
{
    // Below every better or equal score: of two equal ones the earlier stays above.
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

void TodaysDate(char date[11])
{
    time_t now = time(NULL);
    struct tm local;
    // A clock past the year 9999 or before the year 0 has no four-digit year: the first day of 0.
    if (localtime_r(&now, &local) == NULL || strftime(date, 11, "%Y-%m-%d", &local) != 10 || !DateAt(date))
        snprintf(date, 11, "0000-01-01");
}

// The game in progress kept as it is played (each settled move, and the state at the exit), and continued at the next start.
#include "game/desktop/features.h"

#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "board/board.h"
#include "desktop/files.h"
#include "game/desktop/scores.h"
#include "gfx/gfx.h"

#define KEPT_FILE "game"
#define KEPT_LARGEST 1024
// The first line names the format's version, "sevenfold game 3". Each version's lines are
// listed below; a later version adds its own and still reads every version before it.
#define KEPT_VERSION 3

enum { LINE_BOARD, LINE_SCORE, LINE_CURSOR, LINE_LIFTED, LINE_SKIN, LINE_MODE, LINE_CLOCK, LINE_DATE, LINE_DRAWS, LINES };
static const struct {
    const char *key, *holds; // the line's first word, and what the rest of it is
    int since, until;        // the versions that have the line, until 0: all since
    int mode;                // the one mode whose game has the line, -1: every game
} keptLines[LINES] = {
    {"board", "seven rows of seven kinds 0 to 6", 1, 0, -1},
    {"score", "a number from 0 to 4294967295", 1, 0, -1},
    {"cursor", "a column and a row from 0 to 6", 1, 0, -1},
    {"lifted", "\"none\" or a column and a row from 0 to 6", 1, 0, -1},
    // The settings file alone holds the skin since version 2; version 1's is passed over.
    {"skin", "a number from 0 to 254", 1, 1, -1},
    // Since version 3 the mode, and what it goes on with: a timed game's time left, a day's
    // deal's date and the draws its refills have come to. Before it every game was classic.
    {"mode", "classic, timed or daily", 3, 0, -1},
    {"clock", "the ms left, from 1 to 180000", 3, 0, MODE_TIMED},
    {"date", "a date YYYY-MM-DD", 3, 0, MODE_DAILY},
    {"draws", "a number from 49 to 4294967295", 3, 0, MODE_DAILY},
};

struct KeptGame {
    std::string text; // the file as read
    Uint8 table[BOARD_CELLS];
    Uint32 score;
    Sint16 mx, my, setX, setY;
    Sint8 set;
    int mode;
    Uint32 clock, draws;
    char date[11];
    Uint8 found; // 0: no game to continue
    Uint8 later; // the file is a later version's, to be left as it is
};

Uint8 firstGameDealt; // a game is on the board: before it there is nothing to end or keep; ContinueKeptGame
// The file as this copy found it at its start, "" for none, and after each save of its own what
// that save wrote. Another copy of the game may keep its own game there meanwhile: a game is
// kept only over the file as it was found, never over another's, which this one would lose;
// its score then goes into the table instead. Written by the keeper while it runs, and by the
// main thread only once the keeper is idle.
static std::string found;
static Sint64 foundScore = -1; // the score in found, -1 for none
static Uint8 keptStays;        // the exit's save failed: what the file holds must not be removed

// The game is kept from a thread of its own, the keeper, so that a move never waits for the
// disk. It takes the newest text the main thread formatted (saves that come while one is being
// written are merged into the next), and it draws nothing and reads none of the game's globals.
// It sleeps while there is nothing to keep.
static pthread_mutex_t keeperLock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t keeperWakes = PTHREAD_COND_INITIALIZER; // a save to make, or the end
static pthread_cond_t keeperIdle = PTHREAD_COND_INITIALIZER;  // nothing waiting nor in hand
static pthread_t keeper;
static Uint8 keeperRuns, keeperEnds, keeperBusy, hasNext;
static struct {
    std::string folder, text;
    Uint32 score;
} next; // the newest save not begun, while hasNext

static std::string KeptFolder(void)
{
    char folder[4096];
    return DataFolder(folder, sizeof folder) ? folder : "";
}

static int OpenKept(GameFile *file, const std::string &folder, int make)
{
    snprintf(file->folder, sizeof file->folder, "%s", folder.c_str());
    return OpenGameFile(file, NULL, KEPT_FILE, "the game in progress", make);
}

// Whether the board holds a run, found by the rules' own scan; their globals are left as they were.
static int HasRun(const Uint8 *board)
{
    Uint8 saved[BOARD_CELLS];
    memcpy(saved, table, sizeof table);
    memcpy(table, board, sizeof table);
    int runs = CheckSame();
    memcpy(table, saved, sizeof table);
    memset(same, 0, sizeof same);
    return runs != 0;
}

static int Cell(const std::string &s, Sint16 *x, Sint16 *y)
{
    if (s.size() != 3 || s[0] < '0' || s[0] > '6' || s[1] != ' ' || s[2] < '0' || s[2] > '6')
        return 0;
    *x = (Sint16)(s[0] - '0');
    *y = (Sint16)(s[2] - '0');
    return 1;
}

// A number of digits alone, at most most.
static int Number(const std::string &s, Uint32 most, Uint32 *n)
{
    unsigned long long value = 0;
    for (size_t i = 0; i < s.size() && value <= most; i++) {
        if (s[i] < '0' || s[i] > '9')
            return 0;
        value = value * 10 + (unsigned)(s[i] - '0');
    }
    *n = (Uint32)value;
    return !s.empty() && value <= most;
}

// The rest of a line, read as the game writes it: 1 when it is.
static int TakeLine(int line, const std::string &rest, KeptGame *g)
{
    Uint32 skin;
    switch (line) {
    case LINE_BOARD:
        if (rest.size() != 7 * 8 - 1)
            return 0;
        for (int i = 0; i < BOARD_CELLS; i++) {
            char c = rest[i / 7 * 8 + i % 7];
            if (c < '0' || c > '6' || (i % 7 == 6 && i < 48 && rest[i / 7 * 8 + 7] != '/'))
                return 0;
            g->table[i] = (Uint8)(c - '0');
        }
        return 1;
    case LINE_SCORE:
        return Number(rest, 0xFFFFFFFFu, &g->score);
    case LINE_CURSOR:
        return Cell(rest, &g->mx, &g->my);
    case LINE_LIFTED:
        g->set = rest != "none";
        return !g->set || Cell(rest, &g->setX, &g->setY);
    case LINE_MODE:
        for (g->mode = 0; g->mode < MODES && rest != modeNames[g->mode]; g->mode++) {
        }
        return g->mode < MODES;
    case LINE_CLOCK:
        return Number(rest, TIMED_MS, &g->clock) && g->clock > 0;
    case LINE_DATE:
        memcpy(g->date, rest.c_str(), rest.size() == 10 ? 11 : 1);
        return rest.size() == 10 && DateAt(g->date);
    case LINE_DRAWS:
        return Number(rest, 0xFFFFFFFFu, &g->draws) && g->draws >= BOARD_CELLS;
    default:
        return Number(rest, 254, &skin);
    }
}

// The file, read strictly: a game the rules could have left, in the lines of its version, each
// once, and nothing else. What an editor may leave and shows nothing is let be: a carriage
// return, spaces or tabs at a line's end, blank lines.
static int TakeKept(const char *text, size_t size, void *into, char *why, size_t whySize)
{
    KeptGame *g = (KeptGame *)into;
    g->found = g->later = 0;
    g->text.assign(text, size);
    if (size == 0)
        return 1;
    int version = 0;
    unsigned seen = 0, wanted = 0, allowed = 0;
    g->mode = MODE_CLASSIC;
    g->clock = g->draws = 0;
    g->date[0] = '\0';
    std::string wrong;
    for (size_t p = 0, n = 1; p < size && wrong.empty(); n++) {
        size_t end = p;
        while (end < size && text[end] != '\n')
            end++;
        size_t last = end;
        while (last > p && (text[last - 1] == ' ' || text[last - 1] == '\t' || text[last - 1] == '\r'))
            last--;
        std::string line(text + p, last - p), at = "line " + std::to_string(n);
        p = end + 1;
        for (unsigned char c : line)
            if (wrong.empty() && (c < ' ' || c == 0x7F))
                wrong = at + " holds a control byte";
        Uint32 v = 0;
        if (!wrong.empty()) {
        } else if (n == 1) {
            if (line.compare(0, 15, "sevenfold game ") != 0 || !Number(line.substr(15), 9999, &v) || v == 0 ||
                line[15] == '0') {
                wrong = "its first line is not \"sevenfold game\" and a version";
            } else if ((int)v > KEPT_VERSION) {
                // A later version of the game kept it: not this one's to continue, nor to set aside.
                g->later = 1;
                return 1;
            }
            version = (int)v;
            for (int k = 0; k < LINES; k++)
                if (keptLines[k].since <= version && (keptLines[k].until == 0 || version <= keptLines[k].until))
                    allowed |= 1u << k;
            wanted = allowed;
        } else if (!line.empty()) {
            size_t space = line.find(' ');
            int k = 0;
            while (k < LINES && (!(allowed >> k & 1) || line.compare(0, space, keptLines[k].key) != 0))
                k++;
            if (k == LINES)
                wrong = at + " is none of the lines of a version " + std::to_string(version) + " kept game";
            else if (seen >> k & 1)
                wrong = at + " gives its " + keptLines[k].key + " a second time";
            else if (space == std::string::npos || !TakeLine(k, line.substr(space + 1), g))
                wrong = at + "'s " + keptLines[k].key + " is not " + keptLines[k].holds;
            else
                seen |= 1u << k;
        }
    }
    // A mode's own lines are the game of that mode's, and only its.
    for (int k = 0; k < LINES; k++)
        if (keptLines[k].mode >= 0 && keptLines[k].mode != g->mode)
            wanted &= ~(1u << k);
    for (int k = 0; k < LINES && wrong.empty(); k++) {
        if ((wanted & ~seen) >> k & 1)
            wrong = std::string("its ") + keptLines[k].key + " line is missing";
        else if ((seen & ~wanted) >> k & 1)
            wrong = std::string("its ") + keptLines[k].key + " line is no " + modeNames[g->mode] + " game's";
    }
    // Between moves the rules never leave a run on the board.
    if (wrong.empty() && HasRun(g->table))
        wrong = "its board has a run on it, which no game leaves";
    if (!wrong.empty()) {
        snprintf(why, whySize, "%s", wrong.c_str());
        return 0;
    }
    g->found = 1;
    return 1;
}

// Waits until the keeper has written every save handed to it and holds none.
void WaitForKeeper(void)
{
    pthread_mutex_lock(&keeperLock);
    while (hasNext || keeperBusy)
        pthread_cond_wait(&keeperIdle, &keeperLock);
    pthread_mutex_unlock(&keeperLock);
}

void ContinueKeptGame(void)
{
    WaitForKeeper();
    KeptGame g;
    g.found = g.later = 0;
    GameFile file;
    if (OpenKept(&file, KeptFolder(), 0) > 0) {
        // Said now, before a game is played that cannot be kept.
        FolderWritable(&file);
        LoadGameFile(&file, KEPT_LARGEST, 0, TakeKept, &g);
    }
    if (g.later)
        SayOnce(file.folder, 0, "%s/" KEPT_FILE " holds a game a later version of Sevenfold kept; it is left as it "
                "is, and this copy's game goes into the high scores when it ends", file.folder);
    CloseGameFile(&file);
    firstGameDealt = 1;
    keptStays = 0;
    // A file set aside leaves none behind; a later version's stays, never to be written over.
    found = g.found ? g.text : "";
    foundScore = g.found ? (Sint64)g.score : -1;
    if (!g.found)
        return;
    // The deal that came before seeded the refills afresh, so the game goes on as unpredictable.
    memcpy(table, g.table, sizeof table);
    score = g.score;
    mx = g.mx;
    my = g.my;
    SET = g.set;
    setX = g.setX;
    setY = g.setY;
    ResumeMode(g.mode, (Sint32)g.clock, g.date, g.draws);
}

// The game on the board as the file holds it.
static std::string KeptText(void)
{
    std::string text = "sevenfold game " + std::to_string(KEPT_VERSION) + "\nboard ";
    for (int i = 0; i < BOARD_CELLS; i++) {
        text += (char)('0' + table[i]);
        if (i % 7 == 6)
            text += i < 48 ? '/' : '\n';
    }
    text += "score " + std::to_string(score) + "\ncursor " + std::to_string(mx) + " " + std::to_string(my) + "\n";
    text += SET ? "lifted " + std::to_string(setX) + " " + std::to_string(setY) + "\n" : "lifted none\n";
    text += std::string("mode ") + modeNames[gameMode] + "\n";
    if (gameMode == MODE_TIMED)
        text += "clock " + std::to_string(clockLeft > 0 ? clockLeft : 1) + "\n";
    if (gameMode == MODE_DAILY)
        text += std::string("date ") + dealDate + "\ndraws " + std::to_string(dealDraws) + "\n";
    return text;
}

// Opens the file (making its folder when make is 1) and locks it: 1 when it is what this copy
// found, with the lock held in *lock (-1 where none was taken; close lets go).
static int LockedAsFound(GameFile *file, const std::string &folder, int make, int *lock)
{
    *lock = -1;
    if (OpenKept(file, folder, make) <= 0 || (*lock = LockGameFile(file)) < 0)
        return 0;
    std::string now;
    return LoadGameFile(file, KEPT_LARGEST, 1, TakeAsIs, &now) && now == found;
}

enum { KEPT, NOT_OURS, NOT_WRITTEN };

// The game's text saved over the file as found: KEPT, NOT_OURS (another copy's game is there,
// or the file could not be reached, said why), or NOT_WRITTEN (said why; the file as it was).
static int Keep(const std::string &folder, const std::string &text)
{
    GameFile file;
    int lock, kept = NOT_OURS;
    if (LockedAsFound(&file, folder, 1, &lock))
        kept = ReplaceGameFile(&file, text.c_str(), text.size()) ? KEPT : NOT_WRITTEN;
    if (lock >= 0)
        close(lock);
    CloseGameFile(&file);
    return kept;
}

static void *Keeper(void *unused)
{
    (void)unused;
    pthread_mutex_lock(&keeperLock);
    for (;;) {
        while (!hasNext && !keeperEnds)
            pthread_cond_wait(&keeperWakes, &keeperLock);
        if (!hasNext)
            break;
        std::string folder = next.folder, text = next.text;
        Uint32 points = next.score;
        hasNext = 0;
        keeperBusy = 1;
        pthread_mutex_unlock(&keeperLock);
        int kept = Keep(folder, text);
        pthread_mutex_lock(&keeperLock);
        if (kept == KEPT) {
            found = text;
            foundScore = points;
        }
        keeperBusy = 0;
        if (!hasNext)
            pthread_cond_broadcast(&keeperIdle);
    }
    pthread_mutex_unlock(&keeperLock);
    return NULL;
}

void KeepGamePlayed(void)
{
    if (!firstGameDealt || _gameOver)
        return;
    std::string folder = KeptFolder(), text = KeptText();
    pthread_mutex_lock(&keeperLock);
    if (!keeperRuns) {
        // No signal is the keeper's: a SIGTERM must reach the main thread, whose wait it ends.
        sigset_t all, was;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, &was);
        keeperRuns = pthread_create(&keeper, NULL, Keeper, NULL) == 0;
        pthread_sigmask(SIG_SETMASK, &was, NULL);
    }
    if (keeperRuns) {
        next.folder = folder;
        next.text = text;
        next.score = score;
        hasNext = 1;
        pthread_cond_signal(&keeperWakes);
    }
    pthread_mutex_unlock(&keeperLock);
    // Without a thread of its own the game is kept at once.
    if (!keeperRuns && Keep(folder, text) == KEPT) {
        found = text;
        foundScore = score;
    }
}

// The keeper, its saves written, ends.
static void StopKeeper(void)
{
    pthread_mutex_lock(&keeperLock);
    keeperEnds = 1;
    pthread_cond_signal(&keeperWakes);
    pthread_mutex_unlock(&keeperLock);
    if (keeperRuns)
        pthread_join(keeper, NULL);
    keeperRuns = keeperEnds = 0;
}

void GameLeft(void)
{
    SaveSettings();
    if (!firstGameDealt)
        return;
    StopKeeper();
    // A game that is over is not kept; one in progress is. One that cannot be kept leaves the
    // file as it was: when that holds this game with all its points, only the cursor is lost;
    // otherwise the score goes into the table too, which can lose nothing kept.
    if (!_gameOver) {
        int kept = Keep(KeptFolder(), KeptText());
        if (kept == KEPT)
            return;
        keptStays = 1;
        if (kept == NOT_WRITTEN && foundScore == (Sint64)score)
            return;
    }
    GameEnds();
}

void ForgetKeptGame(void)
{
    if (!firstGameDealt)
        return;
    WaitForKeeper();
    // Only the game this copy continued or kept is its to forget; another copy's stays.
    if (!found.empty() && !keptStays) {
        GameFile file;
        int lock;
        if (LockedAsFound(&file, KeptFolder(), 0, &lock))
            RemoveGameFile(&file);
        if (lock >= 0)
            close(lock);
        CloseGameFile(&file);
    }
    found = "";
    foundScore = -1;
}

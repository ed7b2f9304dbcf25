// The game in progress kept when the program ends, and continued at the next start.
#include "game/desktop/features.h"

#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "board/board.h"
#include "desktop/files.h"
#include "gfx/gfx.h"

#define KEPT_FILE "game"
#define KEPT_LARGEST 1024
// The first line names the format: a file of another version is set aside, never misread.
#define KEPT_FIRST_LINE "sevenfold game 1"

struct KeptGame {
    std::string text; // the file as read
    Uint8 table[BOARD_CELLS];
    Uint32 score;
    Sint16 mx, my, setX, setY;
    Sint8 set;
    int skin;
    Uint8 found; // 0: no file, nothing to continue
};

static Uint8 firstGameDealt; // a game is on the board: before it there is nothing to end or keep
// The file as this copy found it at its start, "" for none. Another copy of the game may keep its
// own game there meanwhile: a game is kept only over the file as it was found, never over
// another's, which this one would lose; its score then goes into the table instead.
static std::string found;

static int OpenKept(GameFile *file, int make)
{
    return OpenGameFile(file, DataFolder, KEPT_FILE, "the game in progress", make);
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

static int Cell(const char *text, Sint16 *x, Sint16 *y)
{
    return sscanf(text, "%hd %hd", x, y) == 2 && *x >= 0 && *x <= 6 && *y >= 0 && *y <= 6;
}

// The file, read strictly: a game the rules could have left and nothing else.
static int TakeKept(const char *text, size_t size, void *into, char *why, size_t whySize)
{
    KeptGame *g = (KeptGame *)into;
    g->found = 0;
    g->text.assign(text, size);
    if (size == 0)
        return 1;
    std::string all(text, size), line;
    const char *wrong = NULL;
    int seen = 0; // the lines found: 1 board, 2 score, 4 cursor, 8 lifted, 16 skin
    size_t p = all.find('\n');
    if (all.substr(0, p) != KEPT_FIRST_LINE)
        wrong = "it is not \"" KEPT_FIRST_LINE "\" (another version's, or no kept game)";
    while (wrong == NULL && p != std::string::npos && p + 1 < all.size()) {
        size_t end = all.find('\n', p + 1);
        line = all.substr(p + 1, end == std::string::npos ? std::string::npos : end - p - 1);
        p = end;
        const char *rest = line.c_str() + line.find(' ') + 1;
        if (line.compare(0, 6, "board ") == 0 && strlen(rest) == 7 * 8 - 1) {
            for (int i = 0; i < BOARD_CELLS && wrong == NULL; i++) {
                char c = rest[i / 7 * 8 + i % 7], after = rest[i / 7 * 8 + 7];
                if (c < '0' || c > '6' || (i % 7 == 6 && i < 48 && after != '/'))
                    wrong = "its board holds something other than seven rows of kinds 0 to 6";
                g->table[i] = (Uint8)(c - '0');
            }
            seen |= 1;
        } else if (line.compare(0, 6, "score ") == 0) {
            unsigned long long points = 0;
            int digits = 0;
            for (const char *d = rest; *d >= '0' && *d <= '9' && points <= 0xFFFFFFFFull; d++, digits++)
                points = points * 10 + (unsigned)(*d - '0');
            if (digits == 0 || rest[digits] != '\0' || points > 0xFFFFFFFFull)
                wrong = "its score is no number from 0 to 4294967295";
            g->score = (Uint32)points;
            seen |= 2;
        } else if (line.compare(0, 7, "cursor ") == 0 && Cell(rest, &g->mx, &g->my)) {
            seen |= 4;
        } else if (line == "lifted none" || (line.compare(0, 7, "lifted ") == 0 && Cell(rest, &g->setX, &g->setY))) {
            g->set = line != "lifted none";
            seen |= 8;
        } else if (line.compare(0, 5, "skin ") == 0 && sscanf(rest, "%d", &g->skin) == 1 && g->skin >= 0 &&
                   g->skin <= 254) {
            seen |= 16;
        } else if (!line.empty()) {
            wrong = "a line of it is none of board, score, cursor, lifted and skin";
        }
    }
    if (wrong == NULL && seen != 31)
        wrong = "a line of board, score, cursor, lifted or skin is missing";
    // Between moves the rules never leave a run on the board.
    if (wrong == NULL && HasRun(g->table))
        wrong = "its board has a run on it, which no game leaves";
    if (wrong != NULL) {
        snprintf(why, whySize, "%s", wrong);
        return 0;
    }
    g->found = 1;
    return 1;
}

void ContinueKeptGame(void)
{
    KeptGame g;
    g.found = 0;
    GameFile file;
    if (OpenKept(&file, 0) > 0)
        LoadGameFile(&file, KEPT_LARGEST, 0, TakeKept, &g);
    CloseGameFile(&file);
    firstGameDealt = 1;
    // A file set aside leaves none behind.
    found = g.found ? g.text : "";
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
    skin = g.skin < skinMax ? (Uint8)g.skin : 0;
}

// The game on the board as the file holds it.
static std::string KeptText(void)
{
    std::string text = KEPT_FIRST_LINE "\nboard ";
    for (int i = 0; i < BOARD_CELLS; i++) {
        text += (char)('0' + table[i]);
        if (i % 7 == 6)
            text += i < 48 ? '/' : '\n';
    }
    text += "score " + std::to_string(score) + "\ncursor " + std::to_string(mx) + " " + std::to_string(my) + "\n";
    text += SET ? "lifted " + std::to_string(setX) + " " + std::to_string(setY) + "\n" : std::string("lifted none\n");
    return text + "skin " + std::to_string(skin) + "\n";
}

// Opens the file (making its folder when make is 1) and locks it: 1 when it is what this copy
// found at its start, with the lock held in *lock (-1 where none was taken; close lets go).
static int LockedAsFound(GameFile *file, int make, int *lock)
{
    *lock = -1;
    if (OpenKept(file, make) <= 0 || (*lock = LockGameFile(file)) < 0)
        return 0;
    KeptGame now;
    now.found = 0;
    return LoadGameFile(file, KEPT_LARGEST, 1, TakeKept, &now) && now.text == found;
}

void GameLeft(void)
{
    SaveSettings();
    if (!firstGameDealt)
        return;
    // A game that is over is not kept; one in progress is, and only if that fails does its score
    // go into the table, so that nothing is lost either way.
    if (!_gameOver) {
        GameFile file;
        int kept = 0, lock;
        if (LockedAsFound(&file, 1, &lock)) {
            std::string text = KeptText();
            kept = ReplaceGameFile(&file, text.c_str(), text.size());
        }
        if (lock >= 0)
            close(lock);
        CloseGameFile(&file);
        if (kept)
            return;
    }
    GameEnds();
}

void ForgetKeptGame(void)
{
    if (!firstGameDealt)
        return;
    // Only the game this copy continued is its to forget; another copy's stays.
    GameFile file;
    int lock;
    if (LockedAsFound(&file, 0, &lock) && !found.empty())
        RemoveGameFile(&file);
    if (lock >= 0)
        close(lock);
    CloseGameFile(&file);
    found = "";
}

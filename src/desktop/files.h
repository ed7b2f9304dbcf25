// The player's folders and the game's own small files in them: found, made, read whole, replaced whole through crashes, set aside.
#ifndef SEVENFOLD_FILES_H
#define SEVENFOLD_FILES_H

#include <stddef.h>

// The game's folders, by the XDG base directory rules: $XDG_DATA_HOME/sevenfold (else
// ~/.local/share/sevenfold) for what it keeps, $XDG_CONFIG_HOME/sevenfold (else
// ~/.config/sevenfold) for what the player chose. A relative XDG_ variable or HOME is ignored, as
// is one too long for a path, and the next place is tried. 0 when none tells a place.
int DataFolder(char *folder, size_t size);
int ConfigFolder(char *folder, size_t size);
int MakeFolder(const char *folder, const char *what); // as mkdir -p, new folders 0700; 0 having said why

// A problem with the player's files, said on standard error once: the same problem (place, errno)
// met again at the next save is not said again until something there has worked. place is the
// file's path, or its folder for what fails there whichever file it is (no room, no right to
// write); errno 0 for a problem with no errno.
void SayOnce(const char *place, int error, const char *format, ...) __attribute__((format(printf, 3, 4)));

// A file of the game's own: `name` in the open folder `dir`, which messages call `folder`, and
// which holds `what` ("the high scores"). Its lock is name.lock beside it, its temporary files
// name.tmp.<pid>, and a file that is not what the game writes goes aside to name.bad, name.bad.1,
// ... name.bad.9, the ten newest kept.
struct GameFile {
    int dir;
    char folder[4096];
    const char *name;
    const char *what;
};

// Opens the folder for the file name holding what, making it first when make is 1: 1 when it is
// open, 0 having said why not, -1 without a word when it is simply not there (make 0). where
// NULL: the caller has put the folder in file->folder already ("" for no place).
int OpenGameFile(GameFile *file, int (*where)(char *, size_t), const char *name, const char *what, int make);
void CloseGameFile(GameFile *file);
int FolderWritable(const GameFile *file); // 1, or 0 having said (once) that nothing can be kept there

// Reads the file, at most `most` bytes, and hands its text to take, which says whether it is
// what the game writes (0 with the reason in why). No file is an empty text. A file that is not
// is read again under the lock, as another copy may be replacing it that moment, and only then
// set aside, with a line on standard error. Returns 1 when take has the file or an empty text
// (after setting a stranger aside too), 0 when it could not be read, having said why. locked:
// the caller holds the lock already.
typedef int (*TakeText)(const char *text, size_t size, void *into, char *why, size_t whySize);
int LoadGameFile(GameFile *file, size_t most, int locked, TakeText take, void *into);
int TakeAsIs(const char *text, size_t size, void *into, char *why, size_t whySize); // into a std::string

int LockGameFile(const GameFile *file); // the descriptor holding the lock (close lets go), or -1 having said why

// Replaces the file whole: a temporary file of this process written out and flushed, renamed over
// it, then the folder flushed so the new name survives a power cut. Until the rename the old
// file stands untouched. A file that is a symbolic link is replaced where the link leads, and
// stays a link. Returns 1 once the new file is in place; 0 having said why, the old one intact
// byte for byte.
int ReplaceGameFile(const GameFile *file, const char *text, size_t length);
int RemoveGameFile(const GameFile *file); // gone, or was never there; 0 having said why

#endif

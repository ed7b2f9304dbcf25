// Cards over the board on a desktop: the controls (F1, and by itself on a first start), the high scores and the options.
#include "game/desktop/features.h"

#include <limits.h>
#include <string.h>
#include <sys/stat.h>

#include "board/board.h"
#include "desktop/files.h"
#include "game/desktop/scores.h"
#include "gfx/gfx.h"
#include "platform/platform.h"

Uint8 cardShown = CARD_NONE;
Uint8 firstStartChecked = 0; // the first step has looked for the data folder

// The high-score card's rows, and the date glyphs (0-9 then '-') on the strip below the card.
enum { ROW_Y = 30, ROW_H = 18, POINTS_X = 39, POINTS_DY = 2, DATE_X = 122, DATE_DY = 4, GLYPH_W = 7, GLYPH_H = 9 };

static SDL_Surface *Card(int card)
{
    static SDL_Surface *sheets[CARDS];
    static const unsigned char *const bytes[CARDS] = {NULL, iHelp, iScores, iOptions, iModes, iCover};
    static const Uint32 *const sizes[CARDS] = {NULL, &iHelp_size, &iScores_size, &iOptions_size, &iModes_size,
                                               &iCover_size};
    if (sheets[card] == NULL)
        sheets[card] = LoadPicture(bytes[card], *sizes[card], 0x3E0);
    return sheets[card];
}

static ScoreTable shownTable; // the high scores as the card last read them from their file
static Uint8 tableMode;       // whose table the card shows: the mode of the game in play, or another's
enum { FOOTER_Y = 213, FOOTER_H = 12 };

// The table of tableMode, read once as the card comes up or turns to it: its frames must not read
// the file again. The day's deal's is that of the day of the game in play, else today's.
static void ReadShownTable(void)
{
    char today[11], name[64];
    TodaysDate(today);
    const char *day = gameMode == MODE_DAILY && dealDate[0] != '\0' ? dealDate : today;
    ReadScoresOf(ModeTable(tableMode, day, name, sizeof name), &shownTable);
}

static void DrawScoreTable(SDL_Surface *sheet)
{
    for (int i = 0; i < shownTable.count; i++) {
        int y = CARD_Y + ROW_Y + ROW_H * i;
        PutDigit(shownTable.entries[i].points, 7, CARD_X + POINTS_X, (Sint16)(y + POINTS_DY));
        for (int j = 0; j < 10 && shownTable.entries[i].date[j] != '\0'; j++) {
            char c = shownTable.entries[i].date[j];
            int glyph = c == '-' ? 10 : c - '0';
            if (glyph < 0 || glyph > 10)
                continue;
            PutSurface(sheet, screen, (Sint16)(GLYPH_W * glyph), CARD_SIZE, (Sint16)(CARD_X + DATE_X + GLYPH_W * j),
                       (Sint16)(y + DATE_DY), GLYPH_W, GLYPH_H);
        }
    }
}

void ShowCard(int card)
{
    if (Card(card) == NULL)
        return;
    cardShown = (Uint8)card;
    if (card == CARD_SCORES) {
        tableMode = gameMode;
        ReadShownTable();
    }
}

// The high-score card turns to the next mode's table (by 1) or the one before (by -1).
static void TurnTable(int by)
{
    tableMode = (Uint8)((tableMode + MODES + by) % MODES);
    ReadShownTable();
}

// Left and Right, by key, the pad's hat or a click on the footer's ends, turn the high-score
// card's tables; any other press takes it away. -1: none of its business.
static int ScoresEvent(const SDL_Event *event)
{
    int by = 0;
    if (event->type == SDL_KEYDOWN) {
        SDLKey key = event->key.keysym.sym;
        by = key == SDLK_LEFT || key == SDLK_KP4 ? -1 : key == SDLK_RIGHT || key == SDLK_KP6 ? 1 : 0;
    } else if (event->type == SDL_JOYHATMOTION) {
        by = event->jhat.value == SDL_HAT_LEFT ? -1 : event->jhat.value == SDL_HAT_RIGHT ? 1 : 0;
    } else if (event->type == SDL_MOUSEBUTTONDOWN && event->button.y >= CARD_Y + FOOTER_Y &&
               event->button.y < CARD_Y + FOOTER_Y + FOOTER_H) {
        int x = event->button.x - CARD_X;
        by = x >= 0 && x < CARD_SIZE / 3 ? -1 : x >= 2 * CARD_SIZE / 3 && x < CARD_SIZE ? 1 : 0;
    }
    if (by == 0)
        return -1;
    TurnTable(by);
    return 1;
}

static void HideCard(void)
{
    cardShown = CARD_NONE;
}

// While a card shows: 1 when the event was the card's (a press takes it away).
static int CardEvent(const SDL_Event *event)
{
    switch (event->type) {
    case SDL_KEYDOWN: {
        // A modifier alone is half of a chord (Alt+Enter), not a press of its own.
        SDLKey key = event->key.keysym.sym;
        if (key == SDLK_LSHIFT || key == SDLK_RSHIFT || key == SDLK_LCTRL || key == SDLK_RCTRL ||
            key == SDLK_LALT || key == SDLK_RALT || key == SDLK_LMETA || key == SDLK_RMETA ||
            key == SDLK_LSUPER || key == SDLK_RSUPER || key == SDLK_MODE)
            return 0;
        // Alt+Enter switches the full screen under the card, which stays.
        if (key == SDLK_RETURN && (event->key.keysym.mod & KMOD_ALT))
            return 0;
        HideCard();
        return 1;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_JOYBUTTONDOWN:
        HideCard();
        return 1;
    case SDL_JOYHATMOTION:
        if (event->jhat.value == SDL_HAT_CENTERED)
            return 0;
        HideCard();
        return 1;
    default:
        // Releases, motion and the rest go on as ever: a key let go after the card went is still let go.
        return 0;
    }
}

int FeaturesEvent(const SDL_Event *event)
{
    // The timed game's clock up to the moment, before the event changes whether it runs.
    BringClockUp();
    if (event->type == SDL_ACTIVEEVENT)
        return PauseEvent(event);
    // The options card takes what changes its settings, and shows them changed.
    if (cardShown == CARD_OPTIONS) {
        int took = OptionsEvent(event);
        if (took == 0)
            HideCard();
        return took >= 0;
    }
    if (cardShown == CARD_MODES) {
        int took = ModesEvent(event);
        if (took == 0)
            HideCard();
        return took >= 0;
    }
    if (cardShown == CARD_SCORES && ScoresEvent(event) > 0)
        return 1;
    // Another card takes the first press of anything, and the game sees none of it.
    if (cardShown != CARD_NONE)
        return CardEvent(event);
    if (event->type == SDL_KEYDOWN && event->key.keysym.sym == SDLK_F1) {
        ShowCard(CARD_HELP);
        return 1;
    }
    // A hint in play: H, or a pad's north button (the host's own console events are no pad's).
    int north = event->type == SDL_JOYBUTTONDOWN && event->jbutton.which != HOST_STICK && event->jbutton.button == 3;
    if ((north || (event->type == SDL_KEYDOWN && event->key.keysym.sym == SDLK_h)) && !isMenu) {
        ShowHint();
        return 1;
    }
    return PauseEvent(event);
}

int FeaturesButtons(const SDL_Event *buttons, int n)
{
    if (cardShown != CARD_OPTIONS && cardShown != CARD_MODES)
        return 0;
    if (!(cardShown == CARD_OPTIONS ? OptionsButtons(buttons, n) : ModesButtons(buttons, n)))
        HideCard();
    return 1;
}

void FeaturesBeforeStep(void)
{
    // The clock, and a timed game's dead board dealt anew.
    ModeBeforeStep();
    // A setting changed since the last step (a skin, the volume, the full screen) is kept.
    SaveSettings();
    // A player new to the game on this machine has no data folder yet: the controls come first,
    // once. The folder is made now, so the next start goes straight to the board.
    if (!firstStartChecked) {
        firstStartChecked = 1;
        char folder[PATH_MAX];
        struct stat st;
        if (DataFolder(folder, sizeof folder) && stat(folder, &st) != 0) {
            MakeFolder(folder, "the game's data");
            ShowCard(CARD_HELP);
        }
    }
}

int CardHoldsTheGame(void)
{
    return cardShown != CARD_NONE;
}

// The card's layer: the card, and what it shows of the game's state. The pause is the cover's.
static int CardShows(void)
{
    return cardShown != CARD_NONE && cardShown != CARD_PAUSE;
}

static void CardLook(Look *look)
{
    Uint64 print = PrintOf(cardShown, tableMode);
    for (int i = 0; cardShown == CARD_SCORES && i < shownTable.count; i++)
        print ^= PrintOf(i, shownTable.entries[i].points, shownTable.entries[i].date);
    if (cardShown == CARD_OPTIONS)
        print = OptionsPrint(print);
    if (cardShown == CARD_MODES)
        print = ModesPrint(print);
    AddPiece(look, CARD_X, CARD_Y, CARD_SIZE, CARD_SIZE, print);
}

static void DrawCard(void)
{
    SDL_Surface *sheet = Card(cardShown);
    PutSurface(sheet, screen, 0, 0, CARD_X, CARD_Y, CARD_SIZE, CARD_SIZE);
    if (cardShown == CARD_SCORES) {
        DrawScoreTable(sheet);
        // The footer names the mode whose table this is, between the arrows that turn it.
        PutSurface(sheet, screen, 0, (Sint16)(CARD_SIZE + GLYPH_H + FOOTER_H * tableMode), CARD_X,
                   CARD_Y + FOOTER_Y, CARD_SIZE, FOOTER_H);
    }
    if (cardShown == CARD_OPTIONS)
        DrawOptions(sheet);
    if (cardShown == CARD_MODES)
        DrawModes(sheet);
}

static int CardNext(void) { return -1; }

const Layer cardLayer = {CardShows, CardLook, DrawCard, CardNext};

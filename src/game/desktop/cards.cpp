// Cards over the board on a desktop: the controls (F1, and by itself on a first start), the high scores and the options.
#include "game/desktop/features.h"

#include <limits.h>
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
    static SDL_Surface *sheets[4];
    static const unsigned char *const bytes[4] = {NULL, iHelp, iScores, iOptions};
    static const Uint32 *const sizes[4] = {NULL, &iHelp_size, &iScores_size, &iOptions_size};
    if (sheets[card] == NULL)
        sheets[card] = LoadPicture(bytes[card], *sizes[card], 0x3E0);
    return sheets[card];
}

static ScoreTable shownTable; // the high scores as the card last read them from their file

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
    // Read once as the card comes up: its frames must not read the file again.
    if (card == CARD_SCORES)
        ReadScores(&shownTable);
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
    // The options card takes what changes its settings, and shows them changed.
    if (cardShown == CARD_OPTIONS) {
        int took = OptionsEvent(event);
        if (took == 0)
            HideCard();
        return took >= 0;
    }
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
    return 0;
}

int FeaturesButtons(const SDL_Event *buttons, int n)
{
    if (cardShown != CARD_OPTIONS)
        return 0;
    if (!OptionsButtons(buttons, n))
        HideCard();
    return 1;
}

void FeaturesBeforeStep(void)
{
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

// The card's layer: the card, and what it shows of the game's state.
static int CardShows(void)
{
    return cardShown != CARD_NONE;
}

static void CardLook(Look *look)
{
    Uint64 print = PrintOf(cardShown);
    for (int i = 0; cardShown == CARD_SCORES && i < shownTable.count; i++)
        print ^= PrintOf(i, shownTable.entries[i].points, shownTable.entries[i].date);
    if (cardShown == CARD_OPTIONS)
        print = OptionsPrint(print);
    AddPiece(look, CARD_X, CARD_Y, CARD_SIZE, CARD_SIZE, print);
}

static void DrawCard(void)
{
    SDL_Surface *sheet = Card(cardShown);
    PutSurface(sheet, screen, 0, 0, CARD_X, CARD_Y, CARD_SIZE, CARD_SIZE);
    if (cardShown == CARD_SCORES)
        DrawScoreTable(sheet);
    if (cardShown == CARD_OPTIONS)
        DrawOptions(sheet);
}

static int CardNext(void) { return -1; }

const Layer cardLayer = {CardShows, CardLook, DrawCard, CardNext};

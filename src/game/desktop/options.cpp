// The options card: the skin, the volume, full screen and moves in motion, changed with the keys, the mouse or a pad.
#include "game/desktop/features.h"

#include "gfx/gfx.h"
#include "input/input.h"
#include "platform/platform.h"
#include "sound/sound.h"

// Where the card puts each setting (as the artwork has it): the rows' tops, the fields' places
// in them, the value words and the row marker on the strip below the card.
enum { FIELD_X = 110, MARKER_X = 12, MARKER_W = 7,
       LABEL_DY = 4, WORD_W = 88, WORD_H = 9, ROWS = 4, BAR_W = 86, BAR_H = 11 };
enum { ROW_SKIN, ROW_VOLUME, ROW_FULL_SCREEN, ROW_MOVES };
static const int rowTop[ROWS + 1] = {34, 78, 100, 122, 144}; // and where the last row ends
enum { WORD_OFF, WORD_ON, WORD_AT_ONCE, WORD_IN_MOTION };

static int chosen; // the row the marker points at

static void Word(SDL_Surface *sheet, int word, int row)
{
    PutSurface(sheet, screen, (Sint16)(WORD_W * (word % 2)), (Sint16)(CARD_SIZE + WORD_H * (word / 2)),
               (Sint16)(CARD_X + FIELD_X + 1), (Sint16)(CARD_Y + rowTop[row] + 3), WORD_W, WORD_H);
}

void DrawOptions(SDL_Surface *sheet)
{
    PutSurface(sheet, screen, 2 * WORD_W, CARD_SIZE, CARD_X + MARKER_X, (Sint16)(CARD_Y + rowTop[chosen] + LABEL_DY - 1),
               MARKER_W, WORD_H);
    // The skin shows itself: three of its tiles.
    for (Uint8 kind = 0; kind < 3; kind++)
        DrawTile(kind, (Sint16)(CARD_X + FIELD_X + 1 + CELL * kind), (Sint16)(CARD_Y + rowTop[ROW_SKIN] + 1));
    // The volume as a bar, as full as it is loud: the full bar lies below the words.
    PutSurface(sheet, screen, 0, CARD_SIZE + 2 * WORD_H, CARD_X + FIELD_X + 2, (Sint16)(CARD_Y + rowTop[ROW_VOLUME] + 2),
               (Uint16)(BAR_W * _VOLUME / 127), BAR_H);
    Word(sheet, FullScreenNow() ? WORD_ON : WORD_OFF, ROW_FULL_SCREEN);
    Word(sheet, showInMotion ? WORD_IN_MOTION : WORD_AT_ONCE, ROW_MOVES);
}

Uint64 OptionsPrint(Uint64 print)
{
    return print ^ PrintOf(chosen, FullScreenNow(), skin, showInMotion, _VOLUME, TileToDraw());
}

// The chosen setting one step on (by 1) or back (by -1), heard or seen at once.
static void Change(int by)
{
    switch (chosen) {
    case ROW_SKIN:
        if (skinMax > 0)
            skin = (Uint8)((skin + skinMax + by) % skinMax);
        break;
    case ROW_VOLUME:
        StepVolume(by);
        ApplyVolume();
        PlayWave(3);
        break;
    case ROW_FULL_SCREEN:
        PlatformToggleFullScreen();
        break;
    default:
        showInMotion = !showInMotion;
        break;
    }
    SaveSettings();
}

// A console button pressed while the card shows: 1 while the card stays.
static int OptionsButton(int button)
{
    switch (button) {
    case BTN_UP: chosen = (chosen + ROWS - 1) % ROWS; return 1;
    case BTN_DOWN: chosen = (chosen + 1) % ROWS; return 1;
    case BTN_LEFT: Change(-1); return 1;
    case BTN_RIGHT: case BTN_B: Change(1); return 1;
    case BTN_VOLUP: case BTN_VOLDOWN: chosen = ROW_VOLUME; Change(button == BTN_VOLUP ? 1 : -1); return 1;
    case BTN_START: case BTN_SELECT: case BTN_X: return 0;
    default: return 1;
    }
}

int OptionsEvent(const SDL_Event *event)
{
    if (event->type == SDL_MOUSEBUTTONUP)
        return 1;
    if (event->type == SDL_MOUSEBUTTONDOWN) {
        // A click on a row changes it, the left button on, the right back, the wheel either way;
        // a click off the card is done with it.
        int x = event->button.x - CARD_X, y = event->button.y - CARD_Y, row = 0;
        if (x < 0 || x >= CARD_SIZE || y < 0 || y >= CARD_SIZE)
            return 0;
        while (row < ROWS && y >= rowTop[row + 1])
            row++;
        if (row < ROWS && y >= rowTop[0]) {
            chosen = row;
            Uint8 b = event->button.button;
            Change(b == SDL_BUTTON_RIGHT || b == SDL_BUTTON_WHEELDOWN ? -1 : 1);
        }
        return 1;
    }
    // Keys and a pad come as the game reads them, to OptionsButtons.
    return -1;
}

int OptionsButtons(const SDL_Event *buttons, int n)
{
    // The first press that is no setting's closes the card.
    int stays = 1;
    for (int i = 0; i < n && stays; i++)
        if (buttons[i].type == SDL_JOYBUTTONDOWN)
            stays = OptionsButton(buttons[i].jbutton.button);
    return stays;
}

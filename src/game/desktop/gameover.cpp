// Game over, said on a desktop: a banner over the board with the final score, the window's title, and the score kept; the banner's layer.
#include "game/desktop/features.h"

#include "board/board.h"
#include "desktop/desktop.h"
#include "game/desktop/scores.h"
#include "gfx/gfx.h"

// The banner lies across the middle of the board; the final score sits in its white field, and its
// message line names the mode on its left and says on its right where the score went in the
// mode's high-score table, from the strips below the banner: "A NEW HIGH SCORE" for the first
// place, "3RD IN THE TABLE" for the third, nothing off the table.
enum { BANNER_X = BOARD_X + 20, BANNER_Y = BOARD_Y + 87, BANNER_W = 200, BANNER_H = 64, SCORE_X = 97, SCORE_Y = 33, LINE_Y = 51, LINE_H = 12,
       PLACES = 10, MODE_PART_W = 80 };

static Uint8 bannerUp;     // the banner and title say the game is over
static Sint8 rankKept = -1; // where the last game ended up in the high-score table, -1 for nowhere
static Uint8 gameKept;     // the game in play has been entered in the table, or had nothing to enter

void GameEnds(void)
{
    int rank = SCORE_BELOW_TABLE;
    if (!gameKept && score != 0) {
        gameKept = 1;
        char name[64];
        rank = SaveScoreIn(ModeTable(gameMode, dealDate, name, sizeof name), score, NULL, NULL);
        if (gameMode == MODE_DAILY) {
            char today[11];
            TodaysDate(today);
            ForgetOldDailyTables(today);
        }
        rankKept = (Sint8)(rank >= 0 ? rank : -1);
    }
    // A game that ends is none to continue at the next start; but while its score could not be
    // kept, the game as last kept (a move short of its end) stays, and its points with it.
    if (rank != SCORE_NOT_SAVED)
        ForgetKeptGame();
}

void GameBegins(void)
{
    gameKept = 0;
    rankKept = -1;
}

// The banner waits for the last move to have played out; the window's title says it with it.
static int BannerShows(void)
{
    return _gameOver && !ShowRunning();
}

void TitleTheWindow(void)
{
    int up = BannerShows();
    if (up != bannerUp) {
        bannerUp = (Uint8)up;
        HostTitle(up ? "Sevenfold \xE2\x80\x94 game over" : "Sevenfold");
    }
}

static void BannerLook(Look *look)
{
    AddPiece(look, BANNER_X, BANNER_Y, BANNER_W, BANNER_H, PrintOf(score, rankKept, gameMode));
}

static void DrawBanner(void)
{
    static SDL_Surface *banner;
    if (banner == NULL && (banner = LoadPicture(iBanner, iBanner_size, 0x3E0)) == NULL)
        return;
    PutSurface(banner, screen, 0, 0, BANNER_X, BANNER_Y, BANNER_W, BANNER_H);
    if (rankKept >= 0)
        PutSurface(banner, screen, MODE_PART_W, (Sint16)(BANNER_H + LINE_H * rankKept), BANNER_X + MODE_PART_W,
                   BANNER_Y + LINE_Y, BANNER_W - MODE_PART_W, LINE_H);
    // The message line names the mode on its left.
    PutSurface(banner, screen, 0, (Sint16)(BANNER_H + LINE_H * (PLACES + gameMode)), BANNER_X, BANNER_Y + LINE_Y,
               MODE_PART_W, LINE_H);
    PutDigit(score, 7, BANNER_X + SCORE_X, BANNER_Y + SCORE_Y);
}

static int NeverByItself(void) { return -1; }

const Layer bannerLayer = {BannerShows, BannerLook, DrawBanner, NeverByItself};

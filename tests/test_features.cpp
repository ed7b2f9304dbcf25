// The game's own desktop features: a move in motion, game over said, the cards, the game and settings kept, the volume heard.
#include "desktop_support.h"

using namespace desktoptest;

namespace {

class DesktopPlay : public Desktop {
protected:
    void SetUp() override
    {
        Desktop::SetUp();
        was_ = getenv("XDG_DATA_HOME");
        data_ = fs::current_path() / (std::string("play-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(data_);
        fs::create_directories(data_ / "sevenfold");
        setenv("XDG_DATA_HOME", data_.c_str(), 1);
    }
    void TearDown() override
    {
        cardShown = CARD_NONE;
        ShowFinish();
        showInMotion = 0;
        setenv("XDG_DATA_HOME", was_.c_str(), 1);
        fs::remove_all(data_);
        Desktop::TearDown();
    }
    static void Tap(SDLKey key)
    {
        Key(SDL_KEYDOWN, key);
        Key(SDL_KEYUP, key);
    }
    // Every pixel of a rectangle of the screen equals the same rectangle of a picture drawn at (x, y).
    static bool Shows(SDL_Surface *picture, int sx, int sy, int x, int y, int w, int h)
    {
        for (int j = 0; j < h; j++)
            for (int i = 0; i < w; i++) {
                Uint16 want = SheetPixelOnScreen(picture, sx + i, sy + j);
                bool key = (SDL_LockSurface(picture), ((Uint16 *)picture->pixels)[(sy + j) * picture->pitch / 2 + sx + i] == 0x3E0);
                SDL_UnlockSurface(picture);
                if (!key && ScreenPixel(x + i, y + j) != want)
                    return false;
            }
        return true;
    }
    fs::path data_;
    std::string was_;
};

// A lift at (1, 2) and a step right clear the 3s of row 2; the seed gives cascades after it.
const Rows runsInRow2 = {"0123456", "3456012", "6101145", "2345601", "5601234", "1234560", "4560123"};

TEST_F(DesktopPlay, AMovePlaysOutInMotionWhileTheKeysActAtOnce)
{
    SetBoard(runsInRow2);
    const unsigned seed = FindSeed(table, 1 + 7 * 2, 2 + 7 * 2, [](const MoveOutcome &o) { return o.steps.size() >= 2 && !o.gameOver; });
    ASSERT_NE(seed, 0u);
    const MoveOutcome expected = SimulateMove(table, 1 + 7 * 2, 2 + 7 * 2, seed);
    // The board after the swap, every tile at full strength: while the first runs show, the
    // picture differs from it in the runs' cells only, where their tiles still show, faded.
    std::swap(table[1 + 7 * 2], table[2 + 7 * 2]);
    DrawPan();
    const std::vector<Uint16> swapped = ScreenPixels();
    const RunReport runs = FindRuns(table);
    SetBoard(runsInRow2);

    showInMotion = 1;
    hostClockSet = 1000;
    mx = 1; my = 2;
    Tap(SDLK_SPACE);
    srand(seed);
    Tap(SDLK_RIGHT);
    EXPECT_EQ(soundsPlayed[3], 1) << "the move sound as the swap starts";
    EXPECT_EQ(score, expected.points) << "the rules are done at once, the show plays their record";
    EXPECT_EQ(BoardRows(), BoardRows(expected.board));
    auto frameAt = [](Uint32 ms) { hostClockSet = 1000 + ms; return ComposeFrame(); };
    // Presses during the show act at once, each one; the show goes on.
    Tap(SDLK_DOWN);
    Tap(SDLK_DOWN);
    EXPECT_EQ(my, 4) << "two presses, two rows";
    frameAt(160);
    const std::vector<Uint16> faded = ScreenPixels();
    EXPECT_EQ(soundsPlayed[1], 0);
    for (int cell = 0; cell < 49; cell++) {
        int differing = 0, white = 0;
        for (int y = 0; y < 34; y++)
            for (int x = 0; x < 34; x++) {
                size_t at = (size_t)((1 + 34 * (cell / 7) + y) * 320 + 80 + 34 * (cell % 7) + x);
                differing += faded[at] != swapped[at];
                white += faded[at] == 0xFFFF;
            }
        if (cell == 2 + 7 * 4)
            continue; // under the cursor
        if (runs.marks[cell] == 0)
            EXPECT_EQ(differing, 0) << "cell " << cell << " is in no run";
        else
            EXPECT_TRUE(differing > 0 && white < 34 * 34) << "cell " << cell << " shows its tile faded";
    }
    // The tile swapped in fades as the run's other 1s do: the swap put it there, not its old tile.
    for (int y = 0; y < 34; y++)
        for (int x = 0; x < 34; x++)
            ASSERT_EQ(faded[(size_t)((69 + y) * 320 + 148 + x)], faded[(size_t)((69 + y) * 320 + 182 + x)]);
    EXPECT_GT(frameAt(240), 0);
    EXPECT_EQ(soundsPlayed[1], 1) << "the first runs vanished with the clear sound";
    frameAt(366); // most of the way through the first fall
    int white = 0;
    for (int y = 0; y < 34; y++)
        for (int x = 0; x < 34; x++)
            white += ScreenPixel(182 + x, 69 + y) == 0xFFFF;
    EXPECT_LT(white, 34 * 34 * 2 / 3) << "the tiles above the run fall into its cells";
    Uint32 ms = 366;
    while (frameAt(ms) >= 0 && ms < 10000)
        ms += 16;
    EXPECT_LT(ms, 100 + 2 * expected.steps.size() * (120 + 200)) << "over in its time";
    EXPECT_EQ(soundsPlayed[1], (int)expected.steps.size());
    const std::vector<Uint16> end = ScreenPixels();
    DrawPan();
    DrawCursorFrame();
    DrawScore();
    EXPECT_TRUE(end == ScreenPixels()) << "the show ends on the board and score the rules left";
}

// Whatever layers meet, the picture shown is the game's state composed afresh: a hint, a move in
// motion or the banner, each met by a card, the menu, a swap or a hint.
TEST_F(DesktopPlay, EveryFrameIsTheStateComposedAfresh)
{
    SetBoard(runsInRow2);
    const unsigned cascade = FindSeed(table, 1 + 7 * 2, 2 + 7 * 2, [](const MoveOutcome &o) { return o.steps.size() >= 2 && !o.gameOver; });
    const unsigned ends = FindSeed(table, 1 + 7 * 2, 2 + 7 * 2, [](const MoveOutcome &o) { return o.gameOver; });
    ASSERT_TRUE(cascade != 0 && ends != 0);
    // A tick at ms on the host's clock: the cursor turns, and the frame is composed.
    auto at = [](Uint32 ms) { hostClockSet = 1000 + ms; RunTick(); };
    // Tiles leave their cells' corners white: a ring shows there, gold at full strength, unless
    // the cursor does.
    auto ring = [](const Sint16 *cell, bool full) {
        for (int i = 0; i < 4; i += 2) {
            Uint16 corner = ScreenPixel(CellX(cell[i]), CellY(cell[i + 1]));
            if ((cell[i] != mx || cell[i + 1] != my) && (full ? corner == SDL_MapRGB(screen->format, 255, 214, 40) : corner != 0xFFFF))
                return true;
        }
        return false;
    };
    std::vector<Uint16> still;
    Sint16 hinted[4];
    auto swapRow2 = [&](unsigned seed) {
        score = 500;
        SetX_Y(1, 2);
        ComposeFrame();
        still = ScreenPixels();
        ClickCell(1, 2);
        srand(seed);
        ClickCell(2, 2);
    };
    const struct { const char *what; std::function<void()> start; } first[] = {
        {"a hint", [&] {
             Tap(SDLK_h);
             ASSERT_TRUE(FindMove(hinted));
             EXPECT_TRUE(ring(hinted, true)) << "full strength, where the move is";
             at(200);
             EXPECT_TRUE(ring(hinted, false) && !ring(hinted, true)) << "fading";
         }},
        {"a move in motion", [&] {
             swapRow2(cascade);
             EXPECT_GE(ShowEndsAt() - 1000, 100u + 270u * moveRecord.steps) << "each fall lasts 150 ms or more";
             at(33);
             EXPECT_EQ(ShownScore(), 500u) << "the score counts up from where it was";
             const std::vector<Uint16> sliding = ScreenPixels();
             for (int i = 0; i < 320 * 240; i++) // the swap's tiles pass each other within their cells
                 ASSERT_TRUE(still[i] == sliding[i] || i % 320 < 80 || (i / 320 >= 69 && i / 320 < 103 && i % 320 >= 114 && i % 320 < 182));
         }},
        {"the banner", [&] {
             swapRow2(ends);
             EXPECT_EQ(isMenu, 1) << "the menu opens as the rules end the game";
             at(1);
             char *title = NULL;
             SDL_WM_GetCaption(&title, NULL);
             EXPECT_STREQ(title, "Sevenfold") << "the banner waits for the move to play out";
             ScoreTable kept;
             ReadScores(&kept);
             EXPECT_EQ(kept.count, 1) << "and the score is kept at once";
             at(3000);
         }},
    };
    const struct { const char *what; std::function<void()> then; } second[] = {
        {"a card", [] { Tap(SDLK_F1); }},
        {"the menu", [] { Tap(SDLK_ESCAPE); }},
        {"a swap", [] {
             Sint16 c[4];
             if (FindMove(c)) {
                 ClickCell(c[0], c[1]);
                 ClickCell(c[2], c[3]);
             }
         }},
        {"a hint", [] { Tap(SDLK_h); }},
    };
    for (const auto &a : first)
        for (const auto &b : second) {
            SCOPED_TRACE(std::string(a.what) + " met by " + b.what);
            Reset();
            fs::remove(data_ / "sevenfold" / "scores");
            SetBoard(runsInRow2);
            showInMotion = 1;
            partialPresents = 1;
            std::vector<std::vector<Uint16>> pictures;
            shownPictures = &pictures;
            at(0);
            a.start();
            const Uint32 then = hostClockSet - 1000;
            int clears = soundsPlayed[1], running = ShowRunning();
            b.then();
            if (running) {
                EXPECT_TRUE(&b != &second[2] || soundsPlayed[1] == clears + 1) << "the move cut short vanishes with one clear sound";
                EXPECT_TRUE(ShowRunning()) << "a move plays on under whatever comes over it";
            }
            if (running && &b == &second[3]) {
                EXPECT_TRUE(FindMove(hinted) && !ring(hinted, false)) << "the rings wait for the move to end";
                hostClockSet = ShowEndsAt();
                RunTick();
                EXPECT_TRUE(ring(hinted, true)) << "and come at full strength as it ends";
            }
            for (Uint32 ms : {20u, 110u, 400u, 900u, 2500u}) {
                at(then + ms);
                EXPECT_FALSE(&a == &first[0] && &b == &second[2] && !ShowRunning() && ring(hinted, false))
                    << "a move ends the hint, at " << ms << " ms";
                std::vector<Uint16> shown = pictures.back();
                FillRec(screen, 0, 0, 320, 240, 0x1234);
                AskWholeFrame();
                ComposeFrame();
                ASSERT_TRUE(shown == ScreenPixels()) << "at " << ms << " ms";
            }
            shownPictures = NULL;
            cardShown = CARD_NONE;
        }
}

// The moves a board offers, counted (the straight swaps, as the rules end the game by) and hinted
// (any swap the cursor can make), against brute force; H rings the swap, or says there is none.
TEST_F(DesktopPlay, MovesAreCountedAndHintedOnEveryKindOfBoard)
{
    enum { NONE, STRAIGHT, DIAGONAL, ACROSS };
    const struct { const char *what; Rows board; int kind; } boards[] = {
        {"none at all", {"6423524", "0564315", "0251466", "3460234", "6342143", "2025066", "4501532"}, NONE},
        {"one straight", {"3324662", "4654234", "1661103", "1443001", "0536643", "4042040", "6420610"}, STRAIGHT},
        {"one diagonal only", {"0236024", "4264515", "3512461", "2030543", "4316120", "2643631", "5642014"}, DIAGONAL},
        {"across an edge only", {"3651325", "4314230", "6400150", "2512441", "0621526", "4256001", "6433565"}, ACROSS},
        {"many", runsInRow2, STRAIGHT},
    };
    SDL_Surface *card = LoadPicture(iNomove, iNomove_size, 0x3E0), *labels = LoadPicture(iSidebar, iSidebar_size, 0x3E0);
    const Uint32 gold = SDL_MapRGB(screen->format, 255, 214, 40);
    auto rings = [&] { int n = 0; for (int i = 0; i < 49; i++) n += ScreenPixel(CellX(i % 7), CellY(i / 7)) == gold; return n; };
    SetBoard(runsInRow2);
    isMenu = 1; // H in the menu is no hint for the board under it
    Tap(SDLK_h);
    isMenu = 0;
    ComposeFrame();
    EXPECT_EQ(rings(), 0);
    for (const auto &b : boards) {
        SCOPED_TRACE(b.what);
        Reset();
        SetBoard(b.board);
        EXPECT_EQ(CountMoves(table), FindMoves(table).size());
        Sint16 c[4];
        ASSERT_EQ(FindAnyMove(table, c), b.kind != NONE);
        EXPECT_EQ(BoardRows(), b.board);
        Tap(SDLK_h);
        EXPECT_TRUE(Shows(labels, 0, FindMoves(table).size() == 1 ? 9 : 0, 0, 60, 80, 9)) << "the last move marked";
        if (b.kind == NONE) {
            EXPECT_TRUE(Shows(card, 0, 0, 107, 100, 184, 40)) << "said in words over the board";
            EXPECT_EQ(rings(), 0) << "and no ring";
            continue;
        }
        Uint8 trial[49];
        memcpy(trial, table, sizeof trial);
        std::swap(trial[c[0] + 7 * c[1]], trial[c[2] + 7 * c[3]]);
        int dx = abs(c[2] - c[0]), dy = abs(c[3] - c[1]);
        EXPECT_TRUE(HasRun(trial) && (dx <= 1 || dx == 6) && (dy <= 1 || dy == 6));
        EXPECT_EQ(dx == 6 || dy == 6 ? ACROSS : dx && dy ? DIAGONAL : STRAIGHT, b.kind);
        EXPECT_EQ(ScreenPixel(CellX(c[0]), CellY(c[1])), SDL_MapRGB(screen->format, 255, 214, 40)) << "ringed";
    }
    SDL_FreeSurface(card);
    SDL_FreeSurface(labels);
    for (unsigned seed = 1; seed <= 2000; seed++) {
        RandomRunFreeBoard(table, seed);
        ASSERT_EQ(CountMoves(table), FindMoves(table).size()) << "a board dealt from seed " << seed;
    }
}

// A step's points rise from its runs' middle, kept on the board, then fade and go; the next frame
// is the soonest any layer asks for.
TEST_F(DesktopPlay, PointsRiseFromTheirRunsThenFade)
{
    SetBoard(runsInRow2);
    static Uint32 base = 0; // past the points of any run before
    base += 100000;
    auto frameAt = [](Uint32 ms) { hostClockSet = base + ms; ComposeFrame(); return ScreenPixels(); };
    const std::vector<Uint16> board = frameAt(0);
    Uint8 runs[BOARD_CELLS] = {};
    runs[7 * 3] = runs[7 * 4] = runs[7 * 5] = 1;
    PointsRise(runs, 1234, 3, base);
    auto text = [&](const std::vector<Uint16> &p) { // left, top and right of what differs from the board
        int l = 320, t = 240, r = -1;
        for (int i = 0; i < 320 * 240; i++)
            if (p[i] != board[i])
                l = std::min(l, i % 320), t = std::min(t, i / 320), r = std::max(r, i % 320);
        return std::vector<int>{l, t, r};
    };
    const std::vector<Uint16> rising = frameAt(0), risen = frameAt(512), fading = frameAt(704);
    const std::vector<int> start = text(rising);
    EXPECT_TRUE(start[0] >= BOARD_X && start[2] - start[0] > 50) << "\"+1234 x3\" on the board";
    EXPECT_TRUE(start[1] > CellY(3) && start[1] < CellY(5));
    EXPECT_EQ(start[1] - text(risen)[1], 18);
    EXPECT_TRUE(fading != risen && fading != board) << "fading";
    hostClockSet = base + 790;
    EXPECT_EQ(FrameDue(), 0) << "a frame overdue is due at once";
    EXPECT_TRUE(frameAt(800) == board) << "gone";
    PointsRise(runs, 90, 1, base + 900);
    hostClockSet = base + 900;
    Tap(SDLK_h);
    EXPECT_EQ(ComposeFrame(), 16 - 900 % 16) << "the points' frame before the hint's";
}

// The banner's message line says where the score went: the first place, the third, none.
TEST_F(DesktopPlay, TheBannerSaysWhereTheScoreWent)
{
    SetBoard(runsInRow2);
    const unsigned seed = FindSeed(table, 1 + 7 * 2, 2 + 7 * 2, [](const MoveOutcome &o) { return o.gameOver; });
    SDL_Surface *banner = LoadPicture(iBanner, iBanner_size, 0x3E0);
    for (int place : {0, 2, -1}) {
        SCOPED_TRACE(place);
        Reset();
        SetBoard(runsInRow2);
        fs::remove(data_ / "sevenfold" / "scores");
        for (int better = 0; better < (place < 0 ? 10 : place); better++)
            SaveScore(99999 - better, "2025-01-01", NULL);
        mx = 2; my = 2; setX = 1; setY = 2; SET = 1;
        srand(seed);
        MakeMove();
        ComposeFrame();
        EXPECT_TRUE(Shows(banner, 80, place < 0 ? 51 : 64 + 12 * place, 180, 88 + 51, 120, 12));
        EXPECT_TRUE(Shows(banner, 0, 64 + 12 * 10, 100, 88 + 51, 80, 12)) << "the classic game's";
    }
    SDL_FreeSurface(banner);
}

// The day's deal is everyone's that day: the same board, and after the same moves the same refills,
// a game kept and continued too; another day deals another.
TEST_F(DesktopPlay, TheDaysDealIsTheSameForTheSameDayAndMoves)
{
    auto move = [] { // the first straight swap that scores
        std::pair<int, int> m = FindMoves(table).at(0);
        setX = (Sint16)(m.first % 7), setY = (Sint16)(m.first / 7), SET = 1;
        SetX_Y((Sint16)(m.second % 7), (Sint16)(m.second / 7));
        MakeMove();
    };
    ContinueKeptGame(); // none: the game dealt is played
    StartMode(MODE_DAILY, "2026-12-10");
    const Rows dealt = BoardRows();
    move();
    WaitForKeeper();
    const std::string kept = FileText(data_ / "sevenfold" / "game");
    move();
    const Rows twice = BoardRows();
    WaitForKeeper();
    std::ofstream(data_ / "sevenfold" / "game") << kept;
    ContinueKeptGame();
    EXPECT_EQ(gameMode, MODE_DAILY);
    move();
    EXPECT_EQ(BoardRows(), twice) << "the refills go on from where the game was kept";
    StartMode(MODE_DAILY, "2026-12-10");
    EXPECT_EQ(BoardRows(), dealt) << "replayed";
    StartMode(MODE_DAILY, "2026-12-11");
    EXPECT_NE(BoardRows(), dealt) << "the next day's";
    score = 77;
    GameEnds();
    TakeAskedMode(MODE_DAILY);
    char today[11];
    TodaysDate(today);
    EXPECT_STREQ(dealDate, today) << "asked for, the day's deal is today's";
    const fs::path folder = data_ / "sevenfold";
    for (const char *name : {"scores-daily-2026-02-13", "scores-daily-2026-02-12", "notour-daily-2026-02-12"})
        std::ofstream(folder / name) << "5 2026-02-12\n";
    ForgetOldDailyTables("2026-03-15");
    EXPECT_EQ(fs::exists(folder / "scores-daily-2026-12-11") * 1000 + fs::exists(folder / "scores-daily-2026-02-13") * 100 +
                  fs::exists(folder / "scores-daily-2026-02-12") * 10 + fs::exists(folder / "notour-daily-2026-02-12"),
              1101) << "that day's table; one kept 30 days, not 31; none but the days' tables";
}

// Against the clock a dead board is dealt anew with the score kept; the clock stands still while
// anything covers the board, is kept with the game, and at zero ends it, into its own table.
TEST_F(DesktopPlay, ATimedGameDealsAnewOnADeadBoardAndEndsAtZero)
{
    const Rows dead = {"6423524", "0564315", "0251466", "3460234", "6342143", "2025066", "4501532"};
    std::ofstream(data_ / "sevenfold" / "scores") << "500 2025-01-01\n"; // kept before the modes
    ContinueKeptGame(); // none: the game dealt is played
    TickAt(1000);
    StartMode(MODE_TIMED, NULL);
    SetBoard(dead);
    score = 300;
    TickAt(61000);
    EXPECT_NE(BoardRows(), dead);
    EXPECT_EQ(score * 1000 + _gameOver, 300000u);
    EXPECT_EQ(clockLeft, TIMED_MS - 60000);
    clockLeft -= 1;
    ComposeFrame();
    const std::vector<Uint16> panel = ScreenPixels();
    PutDigit(200, 3, 0, 200);
    for (int y = 0; y < 13; y++)
        for (int x = 0; x < 30; x++) // the minutes at 22, the seconds from 38
            ASSERT_EQ(panel[(103 + y) * 320 + (x < 10 ? 22 : 28) + x], ScreenPixel(x, 200 + y)) << "2:00, rounded up";
    clockLeft += 1;
    AskWholeFrame();
    isMenu = 1;
    TickAt(121000);
    SDL_Surface *cover = LoadPicture(iCover, iCover_size, 0x3E0);
    EXPECT_TRUE(Shows(cover, 0, 0, BOARD_X, 0, 240, 100)) << "the board hidden while its clock stands";
    SDL_FreeSurface(cover);
    isMenu = 0;
    EXPECT_EQ(clockLeft, TIMED_MS - 60000) << "the menu stops the clock";
    Tap(SDLK_F1);
    SDL_Surface *help = LoadPicture(iHelp, iHelp_size, 0x3E0);
    EXPECT_TRUE(Shows(help, 0, 0, CARD_X, CARD_Y, CARD_SIZE, CARD_SIZE)) << "a card over the board's cover";
    SDL_FreeSurface(help);
    cardShown = CARD_NONE;
    hostClockSet = 151000;
    SDL_Event away = {};
    away.active.type = SDL_ACTIVEEVENT;
    away.active.state = SDL_APPINPUTFOCUS;
    Handle(away);
    EXPECT_EQ(clockLeft * 10 + cardShown, (TIMED_MS - 90000) * 10 + CARD_PAUSE) << "up to the window's going";
    cardShown = CARD_NONE;
    windowFocused = 1;
    GameLeft();
    clockLeft = 0;
    gameMode = MODE_CLASSIC;
    ContinueKeptGame();
    EXPECT_EQ(gameMode * 1000000 + clockLeft, MODE_TIMED * 1000000 + TIMED_MS - 90000);
    TickAt(241000);
    EXPECT_EQ(_gameOver + isMenu, 2);
    ScoreTable timed, classic;
    ReadScoresOf("scores-timed", &timed);
    ReadScores(&classic);
    EXPECT_EQ(timed.count * 1000 + timed.entries[0].points, 1300u);
    EXPECT_EQ(classic.count * 1000 + classic.entries[0].points, 1500u) << "the old table is the classic one, alone";
}

// The mode card: Up from a mode is the one above, the first's the last; a click plays the mode
// it lands on.
TEST_F(DesktopPlay, TheModeCardChoosesByKeyAndClick)
{
    int chosen[2];
    for (int up = 0; up < 2; up++) {
        ShowCard(CARD_MODES);
        if (up)
            Tap(SDLK_UP);
        Tap(SDLK_SPACE);
        chosen[up] = gameMode;
    }
    EXPECT_EQ(chosen[1], (chosen[0] + MODES - 1) % MODES);
    ShowCard(CARD_MODES);
    Mouse(SDL_MOUSEBUTTONDOWN, CARD_X + 50, CARD_Y + 36 + 48 + 40);
    EXPECT_EQ(gameMode * 10 + cardShown, MODE_TIMED * 10 + CARD_NONE);
}

TEST_F(DesktopPlay, NothingActsOnceTheGameIsQuit)
{
    isMenu = 1;
    _currMenu = 3;
    Tap(SDLK_TAB);
    ASSERT_EQ(done, 1);
    Tap(SDLK_DOWN);
    EXPECT_EQ(_currMenu, 3);
}

TEST_F(DesktopPlay, GameOverIsSaidWithTheScoreAndKept)
{
    SetBoard(runsInRow2);
    const unsigned seed = FindSeed(table, 1 + 7 * 2, 2 + 7 * 2, [](const MoveOutcome &o) { return o.gameOver; });
    ASSERT_NE(seed, 0u);
    showInMotion = 1;
    hostClockSet = 1000;
    ClickCell(1, 2);
    srand(seed);
    ClickCell(2, 2);
    ASSERT_EQ(_gameOver, 1);
    RunTick();
    char *title = NULL;
    SDL_WM_GetCaption(&title, NULL);
    EXPECT_STREQ(title, "Sevenfold") << "not while the last move plays out";
    hostClockSet = 20000;
    RunTick();
    SDL_WM_GetCaption(&title, NULL);
    EXPECT_STREQ(title, "Sevenfold \xE2\x80\x94 game over");
    // The banner with its new-high-score line (the table was empty), the score in its field.
    SDL_Surface *banner = LoadPicture(iBanner, iBanner_size, 0x3E0);
    ASSERT_NE(banner, nullptr);
    EXPECT_TRUE(Shows(banner, 0, 0, 100, 88, 200, 32)) << "the banner's top";
    EXPECT_TRUE(Shows(banner, 80, 64, 180, 88 + 51, 120, 12)) << "a new high score";
    PutDigit(score, 7, 5, 40);
    for (int y = 0; y < 13; y++)
        for (int x = 0; x < 70; x++)
            ASSERT_EQ(ScreenPixel(100 + 97 + x, 88 + 33 + y), ScreenPixel(5 + x, 40 + y)) << "the final score";
    // A card taken away puts the banner back with the board.
    Tap(SDLK_F1);
    Tap(SDLK_SPACE);
    EXPECT_TRUE(Shows(banner, 0, 0, 100, 88, 200, 32)) << "the banner after a card";
    SDL_FreeSurface(banner);
    char today[11];
    TodaysDate(today);
    std::ifstream file(data_ / "sevenfold" / "scores");
    std::string line;
    std::getline(file, line);
    EXPECT_EQ(line, std::to_string(score) + " " + today);

    // A new game takes the title back; the game over is kept once, not again.
    isMenu = 0;
    Start();
    RunTick();
    SDL_WM_GetCaption(&title, NULL);
    EXPECT_STREQ(title, "Sevenfold");
    GameEnds(); // left with no points: nothing to keep
    std::ifstream again(data_ / "sevenfold" / "scores");
    int lines = 0;
    while (std::getline(again, line))
        lines++;
    EXPECT_EQ(lines, 1);
}

TEST_F(DesktopPlay, F1ShowsTheControlsAndHoldsTheGameUntilAnyKey)
{
    RunTick();
    // A direction held as the card comes up, which steps at once and would repeat from 1250.
    hostClockSet = 1000;
    Key(SDL_KEYDOWN, SDLK_RIGHT);
    ASSERT_EQ(mx, 4);
    Tap(SDLK_F1);
    EXPECT_EQ(cardShown, CARD_HELP);
    // Alt alone, half of Alt+Enter, and a pad's hat let go are no presses.
    Tap(SDLK_LALT);
    SDL_Event centred;
    memset(&centred, 0, sizeof centred);
    centred.type = SDL_JOYHATMOTION;
    centred.jhat.value = SDL_HAT_CENTERED;
    HandleEvent(&centred);
    EXPECT_EQ(cardShown, CARD_HELP);
    SDL_Surface *help = LoadPicture(iHelp, iHelp_size, 0x3E0);
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(Shows(help, 0, 0, 84, 4, 232, 232));
    SDL_FreeSurface(help);
    // No game step while it shows: the held direction does not move the cursor.
    TickAt(1300);
    TickAt(1370);
    EXPECT_EQ(mx, 4);
    // Any key takes it away, and is no move of its own; the board is drawn again where it lay.
    Tap(SDLK_LEFT);
    EXPECT_EQ(cardShown, CARD_NONE);
    EXPECT_EQ(mx, 4);
    EXPECT_NE(ScreenPixel(80 + 34 * 3 + 1, 1 + 34 * 3 + 1), ScreenPixel(84 + 120, 4 + 120)) << "the board again";
    TickAt(1440);
    EXPECT_EQ(mx, 5) << "the held direction moves once the card is gone";
    Key(SDL_KEYUP, SDLK_RIGHT);
}

TEST_F(DesktopPlay, HighScoreShowsTheTable)
{
    ASSERT_EQ(SaveScore(1234, "2025-03-04", NULL), 0);
    isMenu = 1;
    _currMenu = 0;
    SDL_Event b = JoyButtonEvent(SDL_JOYBUTTONDOWN, BTN_B);
    HandleEvent(&b);
    RunTick();
    EXPECT_EQ(cardShown, CARD_SCORES);
    EXPECT_EQ(isBkey, 0) << "taken, so the table does not come back at once";
    SDL_Surface *card = LoadPicture(iScores, iScores_size, 0x3E0);
    ASSERT_NE(card, nullptr);
    EXPECT_TRUE(Shows(card, 0, 0, 84, 4, 232, 30)) << "its heading";
    EXPECT_TRUE(Shows(card, 0, 30 + 18, 84, 4 + 30 + 18, 232, 18)) << "the second row, empty";
    EXPECT_FALSE(Shows(card, 0, 30, 84, 4 + 30, 232, 18)) << "the first row holds the score";
    // The date, glyph by glyph from the strip below the card.
    const char *date = "2025-03-04";
    for (int j = 0; j < 10; j++) {
        int glyph = date[j] == '-' ? 10 : date[j] - '0';
        EXPECT_TRUE(Shows(card, 7 * glyph, 232, 84 + 122 + 7 * j, 4 + 30 + 4, 7, 9)) << "date character " << j;
    }
    Tap(SDLK_LEFT);
    EXPECT_TRUE(Shows(card, 0, 232 + 9 + 12 * (MODES - 1), 84, 4 + 213, 232, 12)) << "left from the first table: the last";
    SDL_FreeSurface(card);
    SDL_Event up = JoyButtonEvent(SDL_JOYBUTTONUP, BTN_B);
    HandleEvent(&up);
    Click(200, 100);
    EXPECT_EQ(cardShown, CARD_NONE) << "a click takes it away";
    EXPECT_EQ(isMenu, 1) << "back to the menu";
}

TEST_F(DesktopPlay, TheControlsShowByThemselvesOnAFirstStartOnly)
{
    fs::remove_all(data_ / "sevenfold");
    firstStartChecked = 0;
    RunTick();
    EXPECT_EQ(cardShown, CARD_HELP);
    EXPECT_TRUE(fs::is_directory(data_ / "sevenfold")) << "made, so the next start is no first";
    cardShown = CARD_NONE;
    firstStartChecked = 0;
    RunTick();
    EXPECT_EQ(cardShown, CARD_NONE);
}

TEST_F(DesktopPlay, AKeptGameGoesOnAndOneThatCannotBeIsSetAside)
{
    const std::string good = "sevenfold game 2\nboard 0123456/3456012/6012345/2345601/5601234/1234560/4560123\n"
                             "score 120\ncursor 4 5\nlifted 1 2\n"; // a classic game, as kept before the modes
    enum { GOES_ON, ASIDE, LEFT_ALONE };
    const struct {
        const char *what;
        std::string from, to; // every from in good becomes to
        int fate, lifted;     // lifted: 100 + column * 10 + row, 0 for none
        const char *why = ""; // in the line said
    } cases[] = {
        {"as the game writes it", "", "", GOES_ON, 112},
        {"CRLF and spaces at the ends", "\n", " \t\r\n", GOES_ON, 112},
        {"nothing lifted", "lifted 1 2", "lifted none", GOES_ON, 0},
        {"version 1, its skin passed over", "game 2\n", "game 1\nskin 1\n", GOES_ON, 112},
        {"a later version's", "game 2", "game 4", LEFT_ALONE, 0, "later version"},
        {"version 3, a timed game", "game 2\n", "game 3\nmode timed\nclock 9000\n", GOES_ON, 112},
        {"a timed game's whole clock", "game 2\n", "game 3\nmode timed\nclock 180000\n", GOES_ON, 112},
        {"a clock run out", "game 2\n", "game 3\nmode timed\nclock 0\n", ASIDE, 0, "clock is not"},
        {"a timed game without its clock", "game 2\n", "game 3\nmode timed\n", ASIDE, 0, "clock line is missing"},
        {"a day's date in a classic game", "game 2\n", "game 3\nmode classic\ndate 2026-12-10\n", ASIDE, 0, "no classic"},
        {"no mode in version 3", "game 2", "game 3", ASIDE, 0, "mode line is missing"},
        {"no version", "game 2", "game 02", ASIDE, 0, "first line"},
        {"a kind out of range", "0123456/", "0123457/", ASIDE, 0, "board is not"},
        {"a run on the board", "0123456/", "0003456/", ASIDE, 0, "a run"},
        {"a line missing", "cursor 4 5\n", "", ASIDE, 0, "cursor line is missing"},
        {"a skin in version 2", "score", "skin 1\nscore", ASIDE, 0, "line 3 is none"},
        {"a score past 32 bits", "120", "4294967296", ASIDE, 0, "score is not"},
        {"a NUL in the score", "score 120", std::string("score 7\0 77", 11), ASIDE, 0, "line 3 holds a control"},
        {"a control byte", "board", "\x1b" "board", ASIDE, 0, "line 2 holds a control"},
        {"junk after the cursor", "4 5", "4 5 junk", ASIDE, 0, "cursor is not"},
        {"a second score", "score 120\n", "score 120\nscore 7\n", ASIDE, 0, "score a second time"},
        {"a row off the board", "4 5", "4 7", ASIDE, 0, "cursor is not"},
        {"a column off the board", "4 5", "7 5", ASIDE, 0, "cursor is not"},
        {"a lift off the board", "1 2", "1 7", ASIDE, 0, "lifted is not"},
    };
    const fs::path kept = data_ / "sevenfold" / "game";
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::string text = good;
        for (size_t at = c.from.empty() ? std::string::npos : text.find(c.from); at != std::string::npos;
             at = text.find(c.from, at + c.to.size()))
            text.replace(at, c.from.size(), c.to);
        std::ofstream(kept, std::ios::binary) << text;
        SetBoard(runsInRow2);
        score = mx = my = 0;
        skin = 0;
        ::testing::internal::CaptureStderr();
        ContinueKeptGame();
        std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), c.fate == GOES_ON ? 0 : 1) << said;
        EXPECT_NE(said.find(c.why), std::string::npos) << said;
        EXPECT_EQ(fs::exists(kept), c.fate != ASIDE);
        EXPECT_EQ(fs::exists(data_ / "sevenfold" / "game.bad"), c.fate == ASIDE);
        EXPECT_EQ(BoardRows(), c.fate == GOES_ON ? latin : runsInRow2) << "a game that cannot go on leaves the one dealt";
        EXPECT_EQ((int)score * 100 + mx * 10 + my, c.fate == GOES_ON ? 120 * 100 + 45 : 0);
        EXPECT_EQ(SET ? 100 + setX * 10 + setY : 0, c.lifted);
        EXPECT_EQ(skin, 0) << "the settings' alone";
        fs::remove(data_ / "sevenfold" / "game.bad");
        SET = 0;
    }
}

TEST_F(DesktopPlay, EachSettledMoveIsKeptAndAGameOverIsNot)
{
    ContinueKeptGame(); // none: the game dealt is played
    std::string kept;
    unsigned seed = 0;
    for (bool over : {false, false, true}) {
        SetBoard(runsInRow2);
        seed = FindSeed(table, 1 + 7 * 2, 2 + 7 * 2, [&](const MoveOutcome &o) { return o.gameOver == over; }, seed + 1);
        ASSERT_NE(seed, 0u);
        mx = 2; my = 2; setX = 1; setY = 2; SET = 1;
        srand(seed);
        MakeMove();
        WaitForKeeper();
        std::string board = "board ";
        for (const std::string &row : BoardRows())
            board += row + (board.size() < 50 ? "/" : "\n");
        // A game over is not kept: it is no game to go on with, and its score is in the table.
        kept = over ? "" : "sevenfold game 3\n" + board + "score " + std::to_string(score) + "\ncursor 2 2\nlifted none\nmode classic\n";
        EXPECT_EQ(FileText(data_ / "sevenfold" / "game"), kept);
    }
}

TEST_F(DesktopPlay, ASettingsLineThatMakesNoSenseIsPassedOver)
{
    const fs::path folder = fs::path(getenv("XDG_CONFIG_HOME")) / "sevenfold";
    fs::create_directories(folder);
    std::ofstream(folder / "settings", std::ios::binary)
        << "volume = loud\ncolour = blue\n# a comment\n  moves=at once \r\nskin = -1\nskin = 1\n"
        << std::string("skin = 0\0\n", 10) << "volume =\t127\r\n";
    showInMotion = 1;
    _VOLUME = 5;
    ::testing::internal::CaptureStderr();
    LoadSettings();
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 4) << said;
    EXPECT_EQ(showInMotion, 0);
    EXPECT_EQ(skin, skinMax > 1 ? 1 : 0) << "a line with a NUL is passed over";
    EXPECT_EQ(_VOLUME, 127) << "the loudest";

    // The game's own change rewrites its line alone, and the player's change made meanwhile stays;
    // a setting with no line gets one at the end.
    std::ofstream(folder / "settings", std::ios::binary) << "volume = 127\n  moves = at once  # see\n";
    skin = 0;
    LoadSettings();
    std::ofstream(folder / "settings", std::ios::binary) << "# mine\r\n\r\nvolume = 9 # quiet\r\ncolour = blue\n  moves = at once  # see\n";
    showInMotion = 1;
    SaveSettings();
    const std::string rewritten = "# mine\r\n\r\nvolume = 9 # quiet\r\ncolour = blue\n  moves = in motion  # see\n";
    EXPECT_EQ(FileText(folder / "settings"), rewritten);
    skin = 1;
    SaveSettings();
    EXPECT_EQ(FileText(folder / "settings"), rewritten + "skin = 1\n");
    fs::remove(folder / "settings");
    skin = 0;
    SaveSettings();
    EXPECT_NE(FileText(folder / "settings").find("\nmoves = in motion\n"), std::string::npos) << "a new file holds them all";
    fs::remove_all(folder);
}

TEST_F(DesktopPlay, TheOptionsCardWrapsAtItsEnds)
{
    skin = 0;
    ShowCard(CARD_OPTIONS);
    Click(CARD_X + 150, CARD_Y + 40); // the skin's row chosen, and a skin on
    Tap(SDLK_LEFT);
    Tap(SDLK_LEFT);
    EXPECT_EQ(skin, skinMax - 1) << "back from the first skin: the last";
    Tap(SDLK_UP);
    SDL_Surface *card = LoadPicture(iOptions, iOptions_size, 0x3E0);
    ASSERT_NE(card, nullptr);
    EXPECT_TRUE(Shows(card, 2 * 88, 232, CARD_X + 12, CARD_Y + 122 + 3, 7, 9)) << "up from the first row: the last";
    Tap(SDLK_DOWN);
    EXPECT_TRUE(Shows(card, 2 * 88, 232, CARD_X + 12, CARD_Y + 34 + 3, 7, 9)) << "down from the last row: the first";
    SDL_FreeSurface(card);
    Click(CARD_X + 150, CARD_Y + 10);
    EXPECT_EQ(skin, skinMax - 1) << "the heading is no row";
    // The volume's row: a click steps it up, heard at once; the wheel down and the key step it back.
    _VOLUME = 50;
    const int heard = soundsPlayed[3];
    Click(CARD_X + 150, CARD_Y + 80);
    EXPECT_EQ(soundsPlayed[3], heard + 1);
    EXPECT_EQ(Mix_Volume(-1, -1), 60);
    Click(CARD_X + 150, CARD_Y + 80, SDL_BUTTON_WHEELDOWN);
    Tap(SDLK_MINUS);
    EXPECT_EQ(_VOLUME, 40);
    fs::remove_all(fs::path(getenv("XDG_CONFIG_HOME")) / "sevenfold");
}

TEST_F(DesktopPlay, AVolumeStepIsHeard)
{
    Tap(SDLK_MINUS);
    EXPECT_EQ(soundsPlayed[3], 1) << "the move sound, at the new volume";
    EXPECT_EQ(Mix_Volume(-1, -1), _VOLUME);
}

} // namespace


// Settling a move: scoring, gravity and refill, undo, game over, checked against an independent model.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <random>

#include "board/board.h"
#include "game/game.h"
#include "gfx/gfx.h"
#include "support.h"

namespace {

int Cell(int x, int y) { return x + 7 * y; }

class Resolve : public ::testing::Test {
protected:
    void SetUp() override { ResetGameState(); }

    // Lifts `lifted`, moves the cursor onto `target` and makes the move with rand seeded, as the
    // tick makes it: settled, then its steps shown as the console shows them.
    void Move(int lifted, int target, unsigned seed)
    {
        setX = (Sint16)(lifted % 7);
        setY = (Sint16)(lifted / 7);
        mx = (Sint16)(target % 7);
        my = (Sint16)(target / 7);
        SET = 1;
        srand(seed);
        MakeMove();
    }

    // Plays a move with a seed under which it clears in one step without a cascade; returns the
    // new tiles in the order rand() draws them, or nothing if the board is not as intended.
    std::vector<Uint8> SingleStepMove(const Rows &board, int lifted, int target, int newTiles)
    {
        SetBoard(board);
        if (HasRun(table))
            return {};
        unsigned seed = FindSeed(table, lifted, target, [](const MoveOutcome &o) { return o.steps.size() == 1; });
        if (seed == 0)
            return {};
        srand(seed);
        std::vector<Uint8> fresh;
        for (int i = 0; i < newTiles; i++)
            fresh.push_back((Uint8)(rand() % 7));
        Move(lifted, target, seed);
        return fresh;
    }

    std::vector<Uint32> StepPoints() const
    {
        std::vector<Uint32> points;
        Uint32 before = moveRecord.scoreBefore;
        for (Uint8 i = 0; i < moveRecord.steps; i++) {
            points.push_back(moveRecord.step[i].score - before);
            before = moveRecord.step[i].score;
        }
        return points;
    }
};

struct PointsCase {
    const char *name;
    Rows board;
    int lifted, target;
    std::vector<std::vector<int>> steps; // run lengths of the steps the seed is chosen for
    std::vector<Uint32> points;          // what each of those steps scores
};

const Rows latin = {"0123456", "3456012", "6012345", "2345601", "5601234", "1234560", "4560123"};

const std::vector<PointsCase> pointsCases = {
    {"a run of three",
     {"0123453", "1556012", "6052345", "2345651", "5601234", "0254560", "4560123"},
     Cell(2, 3), Cell(3, 3), {{3}}, {30}},
    {"a run of four",
     {"0123456", "3456012", "6556545", "2345601", "5601234", "1234560", "4560123"},
     Cell(3, 2), Cell(3, 3), {{4}}, {40}},
    {"a run of five",
     {"0123456", "3454012", "6442445", "2345603", "5401234", "1234560", "4550123"},
     Cell(3, 1), Cell(3, 2), {{5}}, {50}},
    {"two runs sharing a cell",
     {"0123456", "3456012", "4012343", "2315601", "5101136", "1234561", "4560123"},
     Cell(1, 4), Cell(2, 4), {{3, 3}}, {75}},
    {"four crossed by three",
     {"0123456", "3456012", "6012345", "2346601", "5661634", "1236560", "4566123"},
     Cell(3, 3), Cell(3, 4), {{4, 3}}, {85}},
    {"three runs",
     {"0103656", "3466012", "6012345", "2345301", "5601633", "1214366", "4560123"},
     Cell(4, 4), Cell(4, 5), {{3, 3, 3}}, {120}},
    {"a second step doubles",
     {"0123453", "1556012", "6052345", "2345651", "5601234", "0254560", "4560123"},
     Cell(2, 3), Cell(3, 3), {{3}, {3}}, {30, 60}},
    {"a third step triples",
     {"0101010", "1010101", "0101010", "1010101", "0101010", "1010101", "0101010"},
     Cell(2, 3), Cell(2, 4), {{3, 3}, {}, {3, 3}}, {75, 0, 225}},
};

TEST_F(Resolve, PointsOfEachStep)
{
    for (const auto &c : pointsCases) {
        SCOPED_TRACE(c.name);
        ResetGameState();
        SetBoard(c.board);
        ASSERT_FALSE(HasRun(table));
        // An empty list of lengths stands for any step.
        unsigned seed = FindSeed(table, c.lifted, c.target, [&](const MoveOutcome &o) {
            if (o.steps.size() != c.steps.size())
                return false;
            for (size_t i = 0; i < o.steps.size(); i++)
                if (!c.steps[i].empty() && o.steps[i] != c.steps[i])
                    return false;
            return true;
        });
        ASSERT_NE(seed, 0u) << "no seed gives the cascade this case needs";
        Move(c.lifted, c.target, seed);
        std::vector<Uint32> points = StepPoints();
        ASSERT_EQ(points.size(), c.points.size());
        for (size_t i = 0; i < points.size(); i++) {
            if (c.points[i] != 0) {
                EXPECT_EQ(points[i], c.points[i]) << "step " << i + 1;
            }
        }
        EXPECT_EQ(score, moveRecord.step[moveRecord.steps - 1].score);
    }
}

TEST_F(Resolve, EveryRunOfAStepCountsBeyondTen)
{
    // A board of 28 runs is not one a game can reach, but it is the step with the most runs
    // there can be; swapping two equal tiles leaves it as it is.
    SetBoard({"0001111", "0001111", "0001111", "2223333", "2223333", "2223333", "2223333"});
    Move(Cell(0, 0), Cell(1, 0), 5);
    ASSERT_GE(moveRecord.steps, 1);
    // Fourteen runs of 3 and fourteen of 4: 10 * 98 + 15 * 27.
    EXPECT_EQ(moveRecord.step[0].score, 1385u);
}

TEST_F(Resolve, RemovalPassByPassWithTheFirstNewTileLowest)
{
    // Column 0 loses rows 4-6, column 3 row 6, column 5 rows 2 and 5 (not next to each other).
    SetBoard({"0123456", "1234560", "2345601", "3456012", "4560123", "5601234", "6012345"});
    const Rows marks = {"0000000", "0000000", "0000020", "0000000", "2000000", "2000020", "2002000"};
    for (int i = 0; i < 49; i++)
        same[i] = (Uint8)(marks[i / 7][i % 7] - '0');
    srand(99);
    Uint8 d[6];
    for (Uint8 &k : d)
        k = (Uint8)(rand() % 7);
    srand(99);
    ReSetTable();

    // New tiles a-f in the order they were drawn: pass 1 gives columns 0, 3, 5 one each,
    // pass 2 columns 0 and 5, pass 3 column 0. Kept tiles keep their order below them.
    Rows want = {"f12b4e6", "d2335c0", "a344651", "0455062", "1566113", "2600224", "3011345"};
    for (auto &row : want)
        for (auto &ch : row)
            if (ch >= 'a' && ch <= 'f')
                ch = (char)('0' + d[ch - 'a']);
    EXPECT_EQ(BoardRows(), want);
    for (Uint8 m : same)
        EXPECT_EQ(m, 0);
    EXPECT_EQ(boardRepaints, 0) << "the rules draw nothing";
}

TEST_F(Resolve, TopRowRunIsReplacedInPlace)
{
    // Swapping (2, 0) and (3, 0) makes 000 at the left of row 0.
    const Rows board = {"0010234", "3456012", "6012345", "2345601", "5601234", "1234560", "4560123"};
    std::vector<Uint8> fresh = SingleStepMove(board, Cell(2, 0), Cell(3, 0), 3);
    ASSERT_EQ(fresh.size(), 3u);
    Rows after = BoardRows();
    for (int y = 1; y < 7; y++)
        EXPECT_EQ(after[y], board[y]) << "row " << y << " must not move";
    EXPECT_EQ(after[0].substr(3), "1234") << "the tile moved to (3, 0) stays";
    for (int x = 0; x < 3; x++)
        EXPECT_EQ(after[0][x], '0' + fresh[x]) << "column " << x;
    if (consolePictures) {
        EXPECT_EQ(boardRepaints, 1) << "the board drawn once, for the one picture shown";
    }
}

TEST_F(Resolve, VerticalRunAtTheBottomDropsTheColumnThreeRows)
{
    // Swapping (1, 6) and (2, 6) puts a 5 under the two 5s of column 2.
    const Rows board = {"0123456", "3456012", "6012345", "2345601", "5651234", "1254560", "4560123"};
    std::vector<Uint8> fresh = SingleStepMove(board, Cell(1, 6), Cell(2, 6), 3);
    ASSERT_EQ(fresh.size(), 3u);
    Rows after = BoardRows();
    // Rows 0-3 of column 2 (2, 5, 1, 4) fall to rows 3-6; the first new tile lands lowest.
    const char kept[4] = {'2', '5', '1', '4'};
    for (int y = 3; y < 7; y++)
        EXPECT_EQ(after[y][2], kept[y - 3]) << "row " << y;
    EXPECT_EQ(after[2][2], '0' + fresh[0]);
    EXPECT_EQ(after[1][2], '0' + fresh[1]);
    EXPECT_EQ(after[0][2], '0' + fresh[2]);
    EXPECT_EQ(score, 30u);
    if (consolePictures) {
        EXPECT_EQ(boardRepaints, 1) << "the board drawn once, for the one picture shown";
    }
}

TEST_F(Resolve, SwapWithoutRunIsUndone)
{
    struct { const char *name; int lifted, target; } cases[] = {
        {"neighbours", Cell(2, 2), Cell(3, 2)},
        {"opposite edges", Cell(0, 5), Cell(6, 5)},
        {"two equal kinds", Cell(0, 0), Cell(3, 1)},
        {"diagonal", Cell(4, 4), Cell(5, 5)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ResetGameState();
        SetBoard(latin);
        if (c.target == Cell(3, 1))
            table[c.target] = table[c.lifted];
        Rows before = BoardRows();
        score = 1234;
        Move(c.lifted, c.target, 1);
        EXPECT_EQ(BoardRows(), before);
        EXPECT_EQ(score, 1234u);
        EXPECT_EQ(mx, c.lifted % 7);
        EXPECT_EQ(my, c.lifted / 7);
        EXPECT_EQ(SET, 0);
        EXPECT_EQ(soundsPlayed[1], 0);
        EXPECT_EQ(fullUpdates, 0);
        EXPECT_EQ(_gameOver, 0);
    }
}

TEST_F(Resolve, OneRunOneSoundOneUpdate)
{
    SetBoard(pointsCases[0].board);
    unsigned seed = FindSeed(table, Cell(2, 3), Cell(3, 3),
                             [](const MoveOutcome &o) { return o.steps.size() == 1 && !o.gameOver; });
    ASSERT_NE(seed, 0u);
    Move(Cell(2, 3), Cell(3, 3), seed);
    EXPECT_EQ(score, 30u);
    EXPECT_EQ(soundsPlayed[1], 1);
    EXPECT_EQ(fullUpdates, consolePictures ? 1 : 0) << "a desktop's next frame shows the move";
    EXPECT_EQ(SET, 0);
    EXPECT_EQ(mx, 3);
    EXPECT_EQ(my, 3);
    EXPECT_EQ(_gameOver, 0);
    EXPECT_EQ(isMenu, 0);
    for (Uint8 m : same)
        EXPECT_EQ(m, 0);
}

TEST_F(Resolve, EachCascadeStepHasItsSoundUpdateAndMultiplier)
{
    const Rows checker = {"0101010", "1010101", "0101010", "1010101", "0101010", "1010101", "0101010"};
    SetBoard(checker);
    Uint8 start[49];
    memcpy(start, table, sizeof start);
    unsigned seed = FindSeed(table, Cell(2, 3), Cell(2, 4),
                             [](const MoveOutcome &o) { return o.steps.size() >= 4; });
    ASSERT_NE(seed, 0u);
    MoveOutcome expected = SimulateMove(start, Cell(2, 3), Cell(2, 4), seed);
    Move(Cell(2, 3), Cell(2, 4), seed);
    size_t steps = expected.steps.size();
    EXPECT_EQ(soundsPlayed[1], (int)steps);
    EXPECT_EQ(fullUpdates, consolePictures ? (int)steps : 0);
    std::vector<Uint32> points = StepPoints();
    ASSERT_EQ(points.size(), steps);
    for (size_t i = 0; i < steps; i++) {
        Uint32 c = (Uint32)(i + 1), sum = 0, n = (Uint32)expected.steps[i].size();
        for (int length : expected.steps[i])
            sum += (Uint32)length;
        EXPECT_EQ(points[i], c * (10 * sum + (n > 1 ? 15 * (n - 1) : 0))) << "step " << c;
    }
    EXPECT_EQ(0, memcmp(table, expected.board, sizeof table));
}

TEST_F(Resolve, WrapAroundSwapResolvesLikeAnyOther)
{
    // Only the swap of columns 0 and 6 in row 5 forms a run: three 1s down column 6, whose
    // fall then lines up three 6s in row 3.
    const Rows board = {"0123456", "3656012", "6012345", "2345661", "5601231", "1234560", "4160126"};
    SetBoard(board);
    unsigned seed = FindSeed(table, Cell(0, 5), Cell(6, 5), [](const MoveOutcome &o) {
        return o.steps.size() >= 2 && o.steps[1] == std::vector<int>{3};
    });
    ASSERT_NE(seed, 0u);
    MoveOutcome expected = SimulateMove(table, Cell(0, 5), Cell(6, 5), seed);
    Move(Cell(0, 5), Cell(6, 5), seed);
    ASSERT_GE(moveRecord.steps, 2);
    EXPECT_EQ(moveRecord.step[0].score, 30u);
    EXPECT_EQ(moveRecord.step[1].score, 30u + 60u);
    EXPECT_EQ(score, expected.points);
    EXPECT_EQ(0, memcmp(table, expected.board, sizeof table));
    EXPECT_EQ(mx, 6);
    EXPECT_EQ(my, 5);
}

TEST_F(Resolve, LastMoveEndsTheGameAfterScoring)
{
    // Seven kinds in every row and column but for the one move; after it, most refills leave
    // no move at all.
    SetBoard(pointsCases[0].board);
    unsigned seed = FindSeed(table, Cell(2, 3), Cell(3, 3), [](const MoveOutcome &o) { return o.gameOver; });
    ASSERT_NE(seed, 0u);
    MoveOutcome expected = SimulateMove(table, Cell(2, 3), Cell(3, 3), seed);
    Move(Cell(2, 3), Cell(3, 3), seed);
    EXPECT_EQ(_gameOver, 1);
    EXPECT_EQ(isMenu, 1);
    EXPECT_EQ(SET, 0);
    EXPECT_EQ(score, expected.points);
    EXPECT_EQ(soundsPlayed[1], (int)expected.steps.size());
    EXPECT_EQ(0, memcmp(table, expected.board, sizeof table));
    for (Uint8 m : same)
        EXPECT_EQ(m, 0);
}

TEST_F(Resolve, SoakOfRandomMoves)
{
    std::mt19937 gen(424242);
    int moves = 0, undone = 0, gamesOver = 0;
    RandomRunFreeBoard(table, 1);
    while (moves < 6000) {
        int lifted = (int)(gen() % 49);
        int x = lifted % 7, y = lifted / 7;
        // Mostly neighbours, with wrap-around and diagonal steps as the cursor allows.
        int dx = (int)(gen() % 3) - 1, dy = (int)(gen() % 3) - 1;
        if (gen() % 4 != 0) {
            if (gen() % 2) { dx = gen() % 2 ? 1 : -1; dy = 0; } else { dy = gen() % 2 ? 1 : -1; dx = 0; }
        }
        if (dx == 0 && dy == 0)
            continue;
        int target = (x + dx + 7) % 7 + 7 * ((y + dy + 7) % 7);
        unsigned seed = gen();
        Uint8 before[49];
        memcpy(before, table, sizeof before);
        Uint32 scoreBefore = score;
        MoveOutcome expected = SimulateMove(before, lifted, target, seed);

        Move(lifted, target, seed);
        moves++;
        SCOPED_TRACE("move " + std::to_string(moves));
        ASSERT_EQ(0, memcmp(table, expected.board, sizeof table));
        ASSERT_EQ(score, scoreBefore + expected.points);
        ASSERT_FALSE(HasRun(table));
        for (int i = 0; i < 49; i++) {
            ASSERT_LE(table[i], 6);
            ASSERT_EQ(same[i], 0);
        }
        ASSERT_EQ(SET, 0);
        ASSERT_EQ(_gameOver, expected.gameOver ? 1 : 0);
        // The record the screen plays: the model's steps, each ending on its board and score.
        ASSERT_EQ(moveRecord.steps, expected.steps.size());
        for (size_t i = 0; i < expected.steps.size(); i++) {
            for (int c = 0; c < 49; c++)
                ASSERT_EQ(moveRecord.step[i].runs[c] != 0, expected.runs[i][c] != 0) << "step " << i << " cell " << c;
            ASSERT_EQ(0, memcmp(moveRecord.step[i].after, expected.boards[i].data(), 49)) << "step " << i;
            ASSERT_EQ(moveRecord.step[i].score, scoreBefore + expected.scores[i]) << "step " << i;
        }
        if (expected.steps.empty())
            undone++;
        if (_gameOver) {
            gamesOver++;
            ResetGameState();
            RandomRunFreeBoard(table, gen());
        }
    }
    EXPECT_GT(undone, 0);
    EXPECT_LT(undone, moves);
}

} // namespace

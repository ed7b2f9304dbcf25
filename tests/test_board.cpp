// Board rules without a screen: the deal, the swap, run detection and the search for a move.
#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <random>

#include "board/board.h"
#include "support.h"

namespace {

// Worked examples of the match scan. Cells are drawn as kinds; '.' in the marks means 0.
struct ScanCase {
    const char *name;
    Rows board;
    int count;
    std::vector<int> combo;
    Rows marks;
};

const std::vector<ScanCase> scanCases = {
    {"horizontal three",
     {"0101010", "1010101", "2221010", "1010101", "0101010", "1010101", "0101010"},
     1, {3},
     {".......", ".......", "222....", ".......", ".......", ".......", "......."}},
    {"whole top row",
     {"3333333", "1010101", "0101010", "1010101", "0101010", "1010101", "0101010"},
     1, {7},
     {"6666666", ".......", ".......", ".......", ".......", ".......", "......."}},
    {"L sharing a corner",
     {"0101010", "1010101", "0101010", "1444101", "0401010", "1410101", "0101010"},
     2, {3, 3},
     {".......", ".......", ".......", ".222...", ".2.....", ".2.....", "......."}},
    {"three and four side by side",
     {"2225555", "1010101", "0101010", "1010101", "0101010", "1010101", "0101010"},
     2, {3, 4},
     {"2223333", ".......", ".......", ".......", ".......", ".......", "......."}},
    {"four crossed by three",
     {"0101010", "1010101", "0101010", "1013101", "0133330", "1013101", "0101010"},
     2, {4, 3},
     {".......", ".......", ".......", "...2...", "..3233.", "...2...", "......."}},
    {"two threes at the bottom edge",
     {"0101010", "1010101", "0101010", "1010101", "0101010", "1010101", "5552555"},
     2, {3, 3},
     {".......", ".......", ".......", ".......", ".......", ".......", "222.222"}},
    {"vertical run reaching the bottom",
     {"0101010", "1010101", "0101010", "1010141", "0101040", "1010141", "0101040"},
     1, {4},
     {".......", ".......", ".......", ".....3.", ".....3.", ".....3.", ".....3."}},
    {"vertical run from the top left",
     {"6101010", "6010101", "6101010", "1010101", "0101010", "1010101", "0101010"},
     1, {3},
     {"2......", "2......", "2......", ".......", ".......", ".......", "......."}},
    {"two of a kind is no run",
     {"0101010", "1010101", "0551010", "1010101", "0101010", "1010101", "0101010"},
     0, {},
     {".......", ".......", ".......", ".......", ".......", ".......", "......."}},
};

Rows MarksAsRows()
{
    Rows rows = BoardRows(same);
    for (auto &row : rows)
        for (auto &c : row)
            if (c == '0')
                c = '.';
    return rows;
}

TEST(CheckSame, WorkedExamples)
{
    for (const auto &c : scanCases) {
        SCOPED_TRACE(c.name);
        SetBoard(c.board);
        memset(same, 9, sizeof same); // stale marks must not matter
        EXPECT_EQ(CheckSame(), c.count);
        EXPECT_EQ(MarksAsRows(), c.marks);
        for (size_t i = 0; i < c.combo.size(); i++)
            EXPECT_EQ(combo[i], c.combo[i]) << "run " << i;
        EXPECT_EQ(BoardRows(), c.board) << "the scan must not change the board";
    }
}

TEST(CheckSame, NoRunLeavesComboAlone)
{
    memset(combo, 0x5A, sizeof combo);
    SetBoard({"0101010", "1010101", "0101010", "1010101", "0101010", "1010101", "0101010"});
    EXPECT_EQ(CheckSame(), 0);
    for (Uint8 c : combo)
        EXPECT_EQ(c, 0x5A);
}

TEST(CheckSame, AllOneKindCountsFourteenRunsWithoutOverrun)
{
    // Guard bytes around combo are not ours to place, so check what the scan reports and let
    // the AddressSanitizer build catch any write past the array.
    memset(table, 4, sizeof table);
    EXPECT_EQ(CheckSame(), 14);
    for (int i = 0; i < 14; i++)
        EXPECT_EQ(combo[i], 7);
    for (Uint8 m : same)
        EXPECT_EQ(m, 6);
}

TEST(CheckSame, MostRunsABoardCanHold)
{
    // Two runs in every row and every column: 28 in all, every one of them listed.
    SetBoard({"0001111", "0001111", "0001111", "2223333", "2223333", "2223333", "2223333"});
    EXPECT_EQ(CheckSame(), 28);
    RunReport expected = FindRuns(table);
    ASSERT_EQ(expected.lengths.size(), 28u);
    for (int i = 0; i < 28; i++)
        EXPECT_EQ(combo[i], expected.lengths[i]) << "run " << i;
}

TEST(CheckSame, AgreesWithBruteForceOnRandomBoards)
{
    std::mt19937 gen(20261207);
    for (int trial = 0; trial < 5000; trial++) {
        // Few kinds make long runs and crossings common.
        int kinds = 2 + trial % 6;
        for (auto &cell : table)
            cell = (Uint8)(gen() % kinds);
        RunReport expected = FindRuns(table);
        Uint8 n = CheckSame();
        ASSERT_EQ(n, expected.lengths.size()) << "trial " << trial;
        for (size_t i = 0; i < expected.lengths.size(); i++)
            ASSERT_EQ(combo[i], expected.lengths[i]) << "trial " << trial << " run " << i;
        ASSERT_EQ(0, memcmp(same, expected.marks, sizeof same)) << "trial " << trial;
    }
}

struct Snapshot {
    Uint8 cells[49];
    Sint16 mx, my, setX, setY;
    static Snapshot Take()
    {
        Snapshot s;
        memcpy(s.cells, table, sizeof s.cells);
        s.mx = ::mx; s.my = ::my; s.setX = ::setX; s.setY = ::setY;
        return s;
    }
    void ExpectUnchanged() const
    {
        EXPECT_EQ(0, memcmp(cells, table, sizeof cells));
        EXPECT_EQ(::mx, mx);
        EXPECT_EQ(::my, my);
        EXPECT_EQ(::setX, setX);
        EXPECT_EQ(::setY, setY);
    }
};

// Random boards rarely lack a move, so half the samples start from a board whose rows and
// columns all hold seven different kinds (no move at all) and change a few cells of it.
void SparseMoveBoard(unsigned seed)
{
    std::mt19937 gen(seed);
    do {
        int a = 1 + gen() % 6, b = 1 + gen() % 6, c = gen() % 7;
        for (int i = 0; i < 49; i++)
            table[i] = (Uint8)((a * (i % 7) + b * (i / 7) + c) % 7);
        for (int changes = gen() % 4; changes > 0; changes--)
            table[gen() % 49] = (Uint8)(gen() % 7);
    } while (HasRun(table));
}

TEST(CheckMore, AgreesWithBruteForceAndRestoresState)
{
    int withMove = 0, without = 0;
    for (unsigned seed = 1; seed <= 3000; seed++) {
        if (seed % 2)
            RandomRunFreeBoard(table, seed);
        else
            SparseMoveBoard(seed);
        mx = (Sint16)(seed % 7); my = (Sint16)(seed % 5); setX = 6; setY = (Sint16)(seed % 3);
        Snapshot before = Snapshot::Take();
        bool expected = !FindMoves(table).empty();
        ASSERT_EQ(CheckMore(), expected ? 1 : 0) << "seed " << seed;
        before.ExpectUnchanged();
        (expected ? withMove : without)++;
    }
    EXPECT_GT(withMove, 0);
    EXPECT_GT(without, 0) << "the sample should include boards without a move";
}

// Boards with exactly one neighbour move, in each corner and along the last row and column.
struct OneMoveCase {
    const char *name;
    Rows board;
    int a, b; // the cells of the one move
};

const std::vector<OneMoveCase> oneMoveCases = {
    {"top left", {"0123456", "3056012", "6012345", "2345601", "5601234", "1234560", "4560123"}, 0, 1},
    {"top right", {"0123456", "3456015", "6012345", "2345601", "5603234", "1234560", "4560123"}, 5, 6},
    {"bottom left", {"0123456", "2456012", "6012342", "4345601", "4601234", "1244560", "4510123"}, 35, 42},
    {"bottom right", {"0123456", "3456012", "6012345", "2345601", "5601234", "1234550", "4560125"}, 41, 48},
    {"in row 6", {"0123455", "3456012", "6012345", "2345601", "5611234", "1231560", "4360123"}, 45, 46},
    {"in column 6", {"0123456", "5456016", "6012345", "2345606", "5601234", "1234565", "4560123"}, 20, 27},
};

TEST(CheckMore, FindsTheOnlyMoveWhereverItIs)
{
    for (const auto &c : oneMoveCases) {
        SCOPED_TRACE(c.name);
        SetBoard(c.board);
        ASSERT_FALSE(HasRun(table));
        auto moves = FindMoves(table);
        ASSERT_EQ(moves.size(), 1u);
        ASSERT_EQ(moves[0], std::make_pair(c.a, c.b));
        mx = 1; my = 2; setX = 3; setY = 4;
        Snapshot before = Snapshot::Take();
        EXPECT_EQ(CheckMore(), 1);
        before.ExpectUnchanged();
        // The hint's cells: that move, and no mark left behind.
        Sint16 cells[4];
        ASSERT_EQ(FindMove(cells), 1);
        EXPECT_EQ(std::make_pair(cells[0] + 7 * cells[1], cells[2] + 7 * cells[3]), std::make_pair(c.a, c.b));
        before.ExpectUnchanged();
        EXPECT_EQ(std::count(same, same + 49, 0), 49);
    }
}

TEST(CheckMore, NoMoveLeft)
{
    // Every row and column holds seven different kinds, so no single swap can line up three.
    SetBoard({"0123456", "3456012", "6012345", "2345601", "5601234", "1234560", "4560123"});
    EXPECT_EQ(CheckMore(), 0);
}

TEST(CheckMore, WrapAroundAndDiagonalSwapsDoNotCount)
{
    // Only the swap of columns 0 and 6 in row 5 would line up three 1s in column 6.
    SetBoard({"0123456", "3656012", "6012345", "2345661", "5601231", "1234560", "4160126"});
    Uint8 wrapped[49];
    memcpy(wrapped, table, sizeof wrapped);
    std::swap(wrapped[35], wrapped[41]);
    ASSERT_TRUE(HasRun(wrapped));
    ASSERT_TRUE(FindMoves(table).empty());
    EXPECT_EQ(CheckMore(), 0);

    // Only the diagonal swap of (5, 2) and (6, 3) would make a run.
    SetBoard({"0143450", "3456012", "6012345", "2345611", "5601234", "1234560", "4560123"});
    Uint8 diagonal[49];
    memcpy(diagonal, table, sizeof diagonal);
    std::swap(diagonal[5 + 7 * 2], diagonal[6 + 7 * 3]);
    ASSERT_TRUE(HasRun(diagonal));
    ASSERT_TRUE(FindMoves(table).empty());
    EXPECT_EQ(CheckMore(), 0);
}

TEST(Deal, NewBoardsHoldNoRunAndEveryKindZeroToSix)
{
    int dealt[7] = {};
    for (int i = 0; i < 200; i++) {
        memset(same, 7, sizeof same);
        DealTable();
        for (Uint8 cell : table) {
            ASSERT_LE(cell, 6);
            dealt[cell]++;
        }
        ASSERT_FALSE(HasRun(table)) << "deal " << i;
        for (Uint8 mark : same)
            ASSERT_EQ(mark, 0);
    }
    for (int kind = 0; kind < 7; kind++)
        EXPECT_GT(dealt[kind], 0) << "kind " << kind << " never dealt";
}

TEST(Deal, SameMillisecondDealsTheSameBoard)
{
    // Retry until both deals fall within one tick of the clock.
    for (int attempt = 0; attempt < 1000; attempt++) {
        Uint32 t0 = SDL_GetTicks();
        SetTable();
        Uint8 first[49];
        memcpy(first, table, sizeof first);
        SetTable();
        if (SDL_GetTicks() != t0)
            continue;
        EXPECT_EQ(0, memcmp(first, table, sizeof first));
        return;
    }
    FAIL() << "the clock never held still for two deals";
}

TEST(SwapChoice, ExchangesAnyTwoCellsAndUndoesItself)
{
    SetBoard({"0123456", "3456012", "6012345", "2345601", "5601234", "1234560", "4560123"});
    Rows original = BoardRows();

    mx = 0; my = 2; setX = 6; setY = 2; // opposite edges of a row
    SwapChoice();
    EXPECT_EQ(BoardRows()[2], "5012346");
    SwapChoice();
    EXPECT_EQ(BoardRows(), original);

    mx = 4; my = 4; setX = 4; setY = 4; // the cursor on the lifted cell
    SwapChoice();
    EXPECT_EQ(BoardRows(), original);
}

} // namespace

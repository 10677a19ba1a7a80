// The key table, the key layout and the key generator. The random sources are proven by
// the generator reproducing the built-in table from a fresh seed.
#include <gtest/gtest.h>

#include "board/commands.h"
#include "board/game.h"
#include "board/hamm.h"
#include "board/random.h"
#include "support/helpers.h"
#include "support/snapshot.h"

namespace
{
// Checks the properties every key table must have; returns the smallest distance.
int checkTable(const uint64_t values[64][13])
{
    const uint64_t* flat = &values[0][0];
    int smallest = 64;
    for (int i = 0; i < 832; ++i)
    {
        EXPECT_GE(popCount(flat[i]), 31) << i;
        EXPECT_LE(popCount(flat[i]), 33) << i;
        for (int j = i + 1; j < 832; ++j)
            smallest = std::min(smallest, popCount(flat[i] ^ flat[j]));
    }
    return smallest;
}

struct SavedTable
{
    uint64_t values[64][13];
    SavedTable() { std::memcpy(values, CBoard::m_zobristValues, sizeof values); }
    ~SavedTable() { CBoard::installZobristValues(values); }
};
}

TEST(BoardKeys, KeyLayoutBooksDependOn)
{
    EXPECT_GE(checkTable(CBoard::m_zobristValues), 16);
    // Castling rights enter through the empty-square slots of the rook squares, an
    // en-passant square through its own empty slot; the side to move does not enter.
    loadFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    const uint64_t all = CBoard::hashKey();
    loadFen("r3k2r/8/8/8/8/8/8/R3K2R b Kq - 0 1");
    EXPECT_EQ(all ^ CBoard::hashKey(), CBoard::m_zobristValues[0][0] ^ CBoard::m_zobristValues[63][0]);
    loadFen("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    const uint64_t withEp = CBoard::hashKey();
    loadFen("4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(withEp ^ CBoard::hashKey(), CBoard::m_zobristValues[43][0]);
    loadFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(CBoard::pawnKey(), CBoard::m_zobristValues[12][0]);
    EXPECT_EQ(CBoard::hashKey(), CBoard::m_zobristValues[4][KING + 6] ^ CBoard::m_zobristValues[60][-KING + 6]);
    loadFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(CBoard::hashKey(), CPosition().hashKey());
}

TEST(BoardKeys, GeneratedTableRespectsTheDistanceAndIsInstalled)
{
    SavedTable saved;
    static uint64_t table[64][13];
    int progressCalls = 0;
    static int* counter;
    counter = &progressCalls;
    ASSERT_TRUE(generateKeyTable(table, 18, [](int, int) { ++*counter; }));
    EXPECT_EQ(progressCalls, 832);
    EXPECT_GE(checkTable(table), 18);

    HammStatistics stats = keyTableStatistics(table);
    EXPECT_EQ(stats.pairs, 345696u);
    EXPECT_EQ(stats.histogram[17], 0u);
    EXPECT_GT(stats.average, 30.0);
    EXPECT_LT(stats.average, 34.0);

    // Installed keys take effect at once, also along a line already made.
    loadFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    uint64_t oldStartKey = CBoard::hashKey();
    playOnBoard("e2e4");
    CBoard::makeNullMove();
    CBoard::installZobristValues(table);
    EXPECT_TRUE(CBoard::isConsistent());
    EXPECT_EQ(CBoard::ply(), 2);
    CBoard::unmakeNullMove();
    CBoard::unmakeMove();
    EXPECT_TRUE(CBoard::isConsistent());
    EXPECT_NE(CBoard::hashKey(), oldStartKey);
    EXPECT_EQ(CBoard::hashKey(), CPosition().computeHashKey());

    // The source text (what hamm writes) has one block per square, in table order.
    std::string text = keyTableSource(table);
    EXPECT_EQ(text.rfind("UINT64\tCBoard::m_zobristValues[64][13] =\n{\n\t{\n\t\t0x", 0), 0u);
    char last[32];
    std::snprintf(last, sizeof last, "0x%016llx", (unsigned long long)table[63][12]);
    EXPECT_NE(text.find(last), std::string::npos);
}

TEST(BoardKeys, HammCommandWritesTheFileAndRefusesUnreachableDistances)
{
    SavedTable saved;
    CTempCwd folder;
    std::string refused = captureCommand(handleHamm, "40");
    EXPECT_EQ(refused.rfind("Error (", 0), 0u) << refused;
    EXPECT_EQ(std::memcmp(saved.values, CBoard::m_zobristValues, sizeof saved.values), 0);
    EXPECT_FALSE(std::ifstream("hashlookup.h").good());

    // From a freshly seeded generator the procedure reproduces the built-in table, which
    // was made exactly this way; a second run draws on and installs a different one.
    theRandom().seed();
    std::string printed = captureCommand(handleHamm, "");
    EXPECT_NE(printed.find("\r 831 (min 16)...\r"), std::string::npos);
    EXPECT_NE(printed.find("avg "), std::string::npos);
    EXPECT_EQ(printed.find("hamm 15,"), std::string::npos);
    EXPECT_EQ(std::memcmp(saved.values, CBoard::m_zobristValues, sizeof saved.values), 0);

    captureCommand(handleHamm, "");
    EXPECT_NE(std::memcmp(saved.values, CBoard::m_zobristValues, sizeof saved.values), 0);
    EXPECT_GE(checkTable(CBoard::m_zobristValues), 16);
    EXPECT_EQ(theGame().hashKey(), CPosition().computeHashKey());  // the game record was rekeyed
    EXPECT_EQ(fileText("hashlookup.h"), keyTableSource(CBoard::m_zobristValues));
}

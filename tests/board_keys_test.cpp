// The key table, key computation, the random sources and the key generator.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "board/board.h"
#include "board/commands.h"
#include "board/game.h"
#include "board/hamm.h"
#include "board/random.h"
#include "board_test_helpers.h"

namespace
{
int bitCount(uint64_t value) { return __builtin_popcountll(value); }

// Checks the properties every key table must have; returns the smallest distance.
int checkTable(const uint64_t values[64][13])
{
    const uint64_t* flat = &values[0][0];
    int smallest = 64;
    for (int i = 0; i < 832; ++i)
    {
        EXPECT_GE(bitCount(flat[i]), 31) << i;
        EXPECT_LE(bitCount(flat[i]), 33) << i;
        for (int j = i + 1; j < 832; ++j)
            smallest = std::min(smallest, bitCount(flat[i] ^ flat[j]));
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

TEST(BoardKeys, BuiltInTableIsWellSpread)
{
    EXPECT_GE(checkTable(CBoard::m_zobristValues), 16);
    // The first and last values are fixed data: books depend on them.
    EXPECT_EQ(CBoard::m_zobristValues[0][0], 0xde82e65eb074a563ull);
    EXPECT_EQ(CBoard::m_zobristValues[63][12], 0x1522fef57b944195ull);
}

TEST(BoardKeys, KeyIsTheXorOfItsParts)
{
    loadFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    uint64_t expected = CBoard::m_zobristValues[7][0] ^ CBoard::m_zobristValues[0][0] ^
                        CBoard::m_zobristValues[63][0] ^ CBoard::m_zobristValues[56][0];
    uint64_t pawns = CBoard::m_zobristValues[12][0];
    const int backRank[8] = {ROOK, KNIGHT, BISHOP, QUEEN, KING, BISHOP, KNIGHT, ROOK};
    for (int file = 0; file < 8; ++file)
    {
        expected ^= CBoard::m_zobristValues[file][backRank[file] + 6] ^
                    CBoard::m_zobristValues[56 + file][-backRank[file] + 6] ^
                    CBoard::m_zobristValues[8 + file][PAWN + 6] ^ CBoard::m_zobristValues[48 + file][-PAWN + 6];
        pawns ^= CBoard::m_zobristValues[8 + file][PAWN + 6] ^ CBoard::m_zobristValues[48 + file][-PAWN + 6];
    }
    EXPECT_EQ(CBoard::hashKey(), expected);
    EXPECT_EQ(CBoard::pawnKey(), pawns);
    EXPECT_EQ(CBoard::hashKey(), CPosition().hashKey());

    // No side-to-move component; a pawnless position has the constant pawn key.
    loadFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
    EXPECT_EQ(CBoard::hashKey(), expected);
    loadFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(CBoard::pawnKey(), CBoard::m_zobristValues[12][0]);
    EXPECT_EQ(CBoard::hashKey(), CBoard::m_zobristValues[4][KING + 6] ^ CBoard::m_zobristValues[60][-KING + 6]);

    // An en-passant square enters through the black-king slot of its square.
    loadFen("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    uint64_t withEp = CBoard::hashKey();
    loadFen("4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(withEp ^ CBoard::hashKey(), CBoard::m_zobristValues[43][0]);
}

TEST(BoardKeys, RandomSources)
{
    // TT800 restarts from its published state: equal sequences, not all alike.
    CTT800 a, b;
    uint32_t first = a.next();
    EXPECT_EQ(first, b.next());
    bool differs = false;
    for (int i = 0; i < 100; ++i)
    {
        uint32_t x = a.next();
        EXPECT_EQ(x, b.next());
        differs = differs || x != first;
    }
    EXPECT_TRUE(differs);

    // The lagged-Fibonacci outputs obey x[n] = x[n-250] + x[n-103] (mod 2^64).
    CLaggedFibonacci lagged;
    std::vector<uint64_t> x;
    for (int i = 0; i < 1000; ++i)
        x.push_back(lagged.next());
    for (int n = 250; n < 1000; ++n)
        ASSERT_EQ(x[n], x[n - 250] + x[n - 103]) << n;
    // Seeding is deterministic: the built-in table came from this very sequence.
    CLaggedFibonacci again;
    EXPECT_EQ(again.next(), x[0]);
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
    uint64_t sum = 0;
    for (int d = 0; d < 18; ++d)
        EXPECT_EQ(stats.histogram[d], 0u) << d;
    for (uint64_t count : stats.histogram)
        sum += count;
    EXPECT_EQ(sum, stats.pairs);
    EXPECT_GT(stats.average, 30.0);
    EXPECT_LT(stats.average, 34.0);

    // A distance no table can meet ends with a refusal and leaves the output alone.
    static uint64_t untouched[64][13];
    std::memcpy(untouched, table, sizeof table);
    EXPECT_FALSE(generateKeyTable(table, 48, nullptr));
    EXPECT_EQ(std::memcmp(untouched, table, sizeof table), 0);

    // Installed keys take effect at once, also along a line already made.
    loadFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    uint64_t oldStartKey = CBoard::hashKey();
    CMoveList legal;
    CBoard::generateLegalMoves(legal);
    CBoard::makeMove(legal[16]);  // e2e4
    CBoard::makeNullMove();
    CBoard::installZobristValues(table);
    EXPECT_TRUE(CBoard::isConsistent());
    EXPECT_EQ(CBoard::ply(), 2);
    CBoard::unmakeNullMove();
    CBoard::unmakeMove();
    EXPECT_TRUE(CBoard::isConsistent());
    EXPECT_NE(CBoard::hashKey(), oldStartKey);
    EXPECT_EQ(CBoard::hashKey(), CPosition().computeHashKey());

    // The source text has one block per square and parses back to the table.
    std::string text = keyTableSource(table);
    EXPECT_EQ(text.rfind("UINT64\tCBoard::m_zobristValues[64][13] =\n{\n\t{\n\t\t0x", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 7), "\t},\n};\n");
    std::istringstream in(text);
    std::string token;
    int index = 0;
    while (in >> token)
        if (token.rfind("0x", 0) == 0)
        {
            uint64_t value = std::stoull(token.substr(2, 16), nullptr, 16);
            ASSERT_LT(index, 832);
            EXPECT_EQ(value, table[index / 13][index % 13]);
            ++index;
        }
    EXPECT_EQ(index, 832);
}

TEST(BoardKeys, HammCommandWritesTheFileAndRefusesUnreachableDistances)
{
    SavedTable saved;
    char directory[] = "/tmp/vekran-hamm-XXXXXX";
    ASSERT_NE(mkdtemp(directory), nullptr);
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(directory), 0);

    testing::internal::CaptureStdout();
    handleHamm("40");
    std::string refused = testing::internal::GetCapturedStdout();
    EXPECT_EQ(refused.rfind("Error (", 0), 0u) << refused;
    EXPECT_EQ(std::memcmp(saved.values, CBoard::m_zobristValues, sizeof saved.values), 0);
    EXPECT_FALSE(std::ifstream("hashlookup.h").good());

    // From a freshly seeded generator the procedure reproduces the built-in table, which
    // was made exactly this way; a second run draws on and installs a different one.
    theRandom().seed();
    testing::internal::CaptureStdout();
    handleHamm("");
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("\r 831 (min 16)...\r"), std::string::npos);
    EXPECT_NE(printed.find("avg "), std::string::npos);
    EXPECT_EQ(printed.find("hamm 15,"), std::string::npos);
    EXPECT_EQ(std::memcmp(saved.values, CBoard::m_zobristValues, sizeof saved.values), 0);

    testing::internal::CaptureStdout();
    handleHamm("");
    testing::internal::GetCapturedStdout();
    EXPECT_NE(std::memcmp(saved.values, CBoard::m_zobristValues, sizeof saved.values), 0);
    EXPECT_GE(checkTable(CBoard::m_zobristValues), 16);
    EXPECT_EQ(theGame().hashKey(), CPosition().computeHashKey());  // the game record was rekeyed
    std::ifstream file("hashlookup.h");
    std::stringstream content;
    content << file.rdbuf();
    EXPECT_EQ(content.str(), keyTableSource(CBoard::m_zobristValues));

    std::remove("hashlookup.h");
    ASSERT_EQ(chdir(previous), 0);
    rmdir(directory);
}

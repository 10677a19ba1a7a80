#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <vector>

#include "search/hashtable.h"
#include "support/helpers.h"

namespace
{
constexpr int WHITE_SIDE = 1;

// Two keys that share a primary slot at the size index used below
// (P = 16384, S = 32768) but not a secondary slot.
constexpr uint64_t KEY_A = 0x123456789abc0123ULL;
constexpr uint64_t KEY_B = KEY_A + 0x4000 + (uint64_t(7) << 40);

const char* const BOUNDS[] = {"unknown", "low", "high", "exact"};

// An entry as "KEY BOUND VALUE DRAFT AGE MOVE" (KEY A, B or the number).
std::string entryText(const CHashEntry& e)
{
    const std::string key = e.key() == KEY_A ? "A" : e.key() == KEY_B ? "B" : std::to_string(e.key());
    char rest[96];
    std::snprintf(rest, sizeof rest, " %s %d %d %d %x", BOUNDS[e.bound() & 3], e.value(), e.draft(), e.age(),
                  unsigned(e.move()));
    return key + rest;
}
}  // namespace

TEST(HashTableSizing, FailedAllocationLeavesAHarmlessTable)
{
    // Sizes are computed in 64 bits: beyond the largest table gives the largest. (The
    // fallback to the smallest table is in SearchCommands.HashSizes.)
    EXPECT_EQ(CHashTable::sizeIndexFor(int64_t(1) << 40), 10);
    EXPECT_EQ(CHashTable::sizeIndexFor(-5), 0);
    // With no memory at all the table is empty but harmless.
    CHashTable table;
    table.setAllocationLimit(1024);
    EXPECT_FALSE(table.setSize(64 * 1048576));
    EXPECT_EQ(table.sizeInBytes(), 0);
    table.store(KEY_A, WHITE_SIDE, HASH_EXACT, 5, 16, 1, 0x1234);
    table.stuff(KEY_A, WHITE_SIDE, 1, 0x1234);
    CHashEntry e;
    EXPECT_FALSE(table.probe(KEY_A, WHITE_SIDE, 2, 8, -10, 10, e));
    table.clear();
}

TEST(HashEntry, CutsOffByBoundAndDraftWithMatesCountedFromTheNode)
{
    CHashEntry e;
    // bound, value, draft; reading draft, alpha, beta; cuts off
    const std::tuple<int, int, int, int, int, int, bool> cases[] = {
        {HASH_FAIL_LOW, -50, 16, 16, -50, 0, true},   {HASH_FAIL_LOW, -50, 16, 16, -51, 0, false},
        {HASH_FAIL_LOW, -50, 16, 17, -50, 0, false},  {HASH_FAIL_HIGH, 50, 16, 8, 0, 50, true},
        {HASH_FAIL_HIGH, 50, 16, 8, 0, 51, false},    {HASH_EXACT, 7, 16, 16, 100, 200, true},
        {HASH_UNKNOWN, 0, 16, 0, -1000, 1000, false},
    };
    for (const auto& [bound, value, draft, depth, alpha, beta, cuts] : cases)
    {
        e.set(1, bound, value, draft, 1, 0);
        EXPECT_EQ(e.cutsOff(2, depth, alpha, beta), cuts) << bound << " " << value << " " << depth;
    }
    // Mate in 7 from the root, stored at ply 3 (mate in 5 from there), read back at ply 5.
    int stored = valueToTable(321000 - 7, 3);
    EXPECT_EQ(stored, 321000 - 5);
    EXPECT_EQ(valueFromTable(stored, 5), 321000 - 9);
    EXPECT_EQ(valueFromTable(valueToTable(-(321000 - 6), 4), 2), -(321000 - 4));
    e.set(1, HASH_FAIL_HIGH, stored, 8, 1, 0);
    EXPECT_TRUE(e.cutsOff(5, 8, 0, 321000 - 9));
    EXPECT_FALSE(e.cutsOff(5, 8, 0, 321000 - 8));
    // Ordinary scores pass through.
    EXPECT_EQ(valueToTable(319999, 10), 319999);
    EXPECT_EQ(valueFromTable(-320000, 10), -320000);
}

// Stores, probes, stuffing and the replacement scheme, run from the script
// tests/data/search/hashtable.script; the transcript is pinned by golden/search-hashtable.txt.
TEST(HashTable, Script)
{
    CHashTable table;
    ASSERT_TRUE(table.setSizeIndex(1));
    table.clear();
    std::string out;
    for (const std::string& line : splitLines(fileText(testData("search/hashtable.script"))))
    {
        out += line + "\n";
        std::istringstream in(line);
        std::string op, name, bound;
        int side = 0, value = 0, draft = 0, age = 0, depth = 0, alpha = 0, beta = 0;
        unsigned move = 0;
        in >> op >> name >> side;
        const uint64_t key = name == "A" ? KEY_A : KEY_B;
        if (op == "clear")
            table.clear(), table.clearStatistics();
        else if (op == "store" && in >> bound >> value >> draft >> age >> std::hex >> move)
            table.store(key, side, int(std::find(BOUNDS, BOUNDS + 4, bound) - BOUNDS), value, draft, age, move);
        else if (op == "stuff" && in >> age >> std::hex >> move)
            table.stuff(key, side, age, move);
        else if (op == "probe" && in >> depth >> alpha >> beta)
        {
            CHashEntry e;
            out += table.probe(key, side, 2, depth, alpha, beta, e) ? "  hit " + entryText(e) + "\n" : "  miss\n";
        }
        else if (op == "slots")
            out += "  primary " + entryText(table.primary(side)[table.primaryIndex(key)]) + "\n  secondary " +
                   entryText(table.secondary(side)[table.secondaryIndex(key)]) + "\n";
        else if (op == "stats")
        {
            out += "  stats";
            for (int i = 0; i < CHashTable::STAT_COUNT; ++i)
                out += " " + std::to_string(table.statistic(i));
            out += "\n";
        }
        else if (!op.empty() && op[0] != '#')
            ADD_FAILURE() << "bad line: " << line;
    }
    EXPECT_EQ(table.statistic(99), 0u);
    expectGolden("search-hashtable.txt", out);
}

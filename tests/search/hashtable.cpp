#include <gtest/gtest.h>

#include <vector>

#include "search/hashtable.h"

namespace
{
constexpr int WHITE_SIDE = 1;
constexpr int BLACK_SIDE = 0;

// Two keys that share a primary slot at the size index used below
// (P = 16384, S = 32768) but not a secondary slot.
constexpr uint64_t KEY_A = 0x123456789abc0123ULL;
constexpr uint64_t KEY_B = KEY_A + 0x4000 + (uint64_t(7) << 40);

class HashTableTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(table.setSizeIndex(1));
        table.clear();
        table.clearStatistics();
    }
    CHashEntry probe(uint64_t key, int side, bool& found, int ply = 2, int depth = 0)
    {
        CHashEntry e;
        found = table.probe(key, side, ply, depth, -1000, 1000, e);
        return e;
    }
    CHashTable table;
};

// An entry's contents in one comparable row: key, bound, value, draft, age, move.
std::vector<int64_t> fields(const CHashEntry& e)
{
    return {int64_t(e.key()), e.bound(), e.value(), e.draft(), e.age(), int64_t(e.move())};
}
std::vector<int64_t> row(uint64_t key, int bound, int value, int draft, int age, Move move)
{
    return {int64_t(key), bound, value, draft, age, int64_t(move)};
}
} // namespace

TEST(HashTableSizing, FailedAllocationFallsBackToSmallestTable)
{
    // Sizes are computed in 64 bits: beyond the largest table gives the largest.
    EXPECT_EQ(CHashTable::sizeIndexFor(int64_t(1) << 40), 10);
    EXPECT_EQ(CHashTable::sizeIndexFor(-5), 0);
    CHashTable table;
    table.setAllocationLimit(2 * 1048576);
    EXPECT_FALSE(table.setSize(64 * 1048576));
    EXPECT_EQ(table.sizeInBytes(), 1048576);
    // The fallback table works.
    table.store(KEY_A, WHITE_SIDE, HASH_EXACT, 5, 16, 1, 0x1234);
    CHashEntry e;
    EXPECT_TRUE(table.probe(KEY_A, WHITE_SIDE, 2, 8, -10, 10, e));
    EXPECT_EQ(e.value(), 5);
    // With no memory at all the table is empty but harmless.
    table.setAllocationLimit(1024);
    EXPECT_FALSE(table.setSize(64 * 1048576));
    EXPECT_EQ(table.sizeInBytes(), 0);
    table.store(KEY_A, WHITE_SIDE, HASH_EXACT, 5, 16, 1, 0x1234);
    table.stuff(KEY_A, WHITE_SIDE, 1, 0x1234);
    EXPECT_FALSE(table.probe(KEY_A, WHITE_SIDE, 2, 8, -10, 10, e));
    table.clear();
}

TEST(HashEntry, CutsOffByBoundAndDraftWithMatesCountedFromTheNode)
{
    CHashEntry e;
    // bound, value, draft; reading draft, alpha, beta; cuts off
    struct { int bound, value, draft, depth, alpha, beta; bool cuts; } cases[] = {
        {HASH_FAIL_LOW, -50, 16, 16, -50, 0, true},  {HASH_FAIL_LOW, -50, 16, 16, -51, 0, false},
        {HASH_FAIL_LOW, -50, 16, 17, -50, 0, false}, {HASH_FAIL_HIGH, 50, 16, 8, 0, 50, true},
        {HASH_FAIL_HIGH, 50, 16, 8, 0, 51, false},   {HASH_EXACT, 7, 16, 16, 100, 200, true},
        {HASH_UNKNOWN, 0, 16, 0, -1000, 1000, false},
    };
    for (const auto& c : cases)
    {
        e.set(1, c.bound, c.value, c.draft, 1, 0);
        EXPECT_EQ(e.cutsOff(2, c.depth, c.alpha, c.beta), c.cuts) << c.bound << " " << c.value << " " << c.depth;
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

TEST_F(HashTableTest, StoreIntoEmptySlotAndProbe)
{
    table.store(KEY_A, WHITE_SIDE, HASH_EXACT, 250, 24, 1, 0x1111);
    EXPECT_EQ(table.statistic(CHashTable::STAT_NEW_PRIMARY), 1u);
    bool found = false;
    EXPECT_EQ(fields(probe(KEY_A, WHITE_SIDE, found)), row(KEY_A, HASH_EXACT, 250, 24, 1, 0x1111));
    EXPECT_TRUE(found);
    // The side to move picks the table pair; a different key in the same slot is no hit.
    probe(KEY_A, BLACK_SIDE, found);
    EXPECT_FALSE(found);
    probe(KEY_B, WHITE_SIDE, found);
    EXPECT_FALSE(found);
    EXPECT_EQ(table.statistic(99), 0u);
}

TEST_F(HashTableTest, ShallowerStoreOfSameAgeGoesToSecondary)
{
    table.store(KEY_A, WHITE_SIDE, HASH_EXACT, 100, 40, 3, 0x1111);
    table.store(KEY_B, WHITE_SIDE, HASH_FAIL_HIGH, 200, 16, 3, 0x2222);
    EXPECT_EQ(table.statistic(CHashTable::STAT_NEW_SECONDARY), 1u);
    EXPECT_EQ(fields(table.primary(WHITE_SIDE)[table.primaryIndex(KEY_A)]), row(KEY_A, HASH_EXACT, 100, 40, 3, 0x1111));
    bool found = false;
    EXPECT_EQ(fields(probe(KEY_B, WHITE_SIDE, found)), row(KEY_B, HASH_FAIL_HIGH, 200, 16, 3, 0x2222));
    EXPECT_TRUE(found);
    // Again into the now used secondary slot.
    table.store(KEY_B, WHITE_SIDE, HASH_FAIL_HIGH, 300, 8, 3, 0x2222);
    EXPECT_EQ(table.statistic(CHashTable::STAT_OLD_SECONDARY), 1u);
    EXPECT_EQ(probe(KEY_B, WHITE_SIDE, found).value(), 300);
}

TEST_F(HashTableTest, OlderDeeperEntryIsReplacedAndPushedDown)
{
    table.store(KEY_A, WHITE_SIDE, HASH_EXACT, 100, 80, 2, 0x1111);
    table.store(KEY_B, WHITE_SIDE, HASH_FAIL_LOW, -30, 8, 3, 0);
    EXPECT_EQ(table.statistic(CHashTable::STAT_OLD_PRIMARY), 1u);
    EXPECT_EQ(table.primary(WHITE_SIDE)[table.primaryIndex(KEY_B)].key(), KEY_B);
    // The displaced entry lives on, unchanged, in the secondary slot of its own key.
    EXPECT_EQ(fields(table.secondary(WHITE_SIDE)[table.secondaryIndex(KEY_A)]),
              row(KEY_A, HASH_EXACT, 100, 80, 2, 0x1111));
    bool found = false;
    EXPECT_EQ(probe(KEY_A, WHITE_SIDE, found).value(), 100);
    EXPECT_TRUE(found);
    // Same age, not deeper: replaced and counted as "depth".
    table.store(KEY_A, WHITE_SIDE, HASH_EXACT, 5, 8, 3, 0x3333);
    EXPECT_EQ(table.statistic(CHashTable::STAT_DEPTH), 1u);
    EXPECT_EQ(table.statistic(CHashTable::STAT_REJECTED), 0u);
    // The same position's own entry is overwritten in place, not pushed down.
    table.store(KEY_A, WHITE_SIDE, HASH_EXACT, 6, 16, 3, 0x3333);
    EXPECT_EQ(table.primary(WHITE_SIDE)[table.primaryIndex(KEY_A)].value(), 6);
    EXPECT_EQ(table.secondary(WHITE_SIDE)[table.secondaryIndex(KEY_A)].value(), 100);
}

TEST_F(HashTableTest, ProbeCompletesPrimaryCopyFromSecondary)
{
    // Build: primary = FailLow -900, draft 72, no move; secondary = Exact 55, draft 64, a move.
    table.store(KEY_A, WHITE_SIDE, HASH_EXACT, 77, 64, 5, 0x4444);
    table.store(KEY_A, WHITE_SIDE, HASH_FAIL_LOW, -900, 72, 6, 0);  // older primary replaced in place
    table.store(KEY_A, WHITE_SIDE, HASH_EXACT, 55, 64, 6, 0x5555);  // shallower, same age: secondary
    CHashEntry e;
    // Depth 72 in the primary beats the requested 64 but its bound does not
    // cut (-900 > alpha), so the secondary's exact result and move are taken over.
    ASSERT_TRUE(table.probe(KEY_A, WHITE_SIDE, 2, 64, -1000, 1000, e));
    EXPECT_EQ(fields(e), row(KEY_A, HASH_EXACT, 55, 64, 6, 0x5555));
    // When the primary itself cuts off, its own data is used.
    ASSERT_TRUE(table.probe(KEY_A, WHITE_SIDE, 2, 64, -800, 1000, e));
    EXPECT_EQ(e.bound(), HASH_FAIL_LOW);
    EXPECT_EQ(e.draft(), 72);
}

TEST_F(HashTableTest, StuffingSetsOnlyTheMove)
{
    table.store(KEY_A, WHITE_SIDE, HASH_FAIL_HIGH, 321, 32, 4, 0x1111);
    table.stuff(KEY_A, WHITE_SIDE, 9, 0x2222);
    EXPECT_EQ(fields(table.primary(WHITE_SIDE)[table.primaryIndex(KEY_A)]),
              row(KEY_A, HASH_FAIL_HIGH, 321, 32, 4, 0x2222));
    EXPECT_EQ(table.statistic(CHashTable::STAT_STUFFED), 0u);
    // Unknown position: a new move-only entry in the secondary table; stuffing
    // it again only changes the move.
    table.stuff(KEY_B, WHITE_SIDE, 9, 0x3333);
    EXPECT_EQ(table.statistic(CHashTable::STAT_STUFFED), 1u);
    bool found = false;
    EXPECT_EQ(fields(probe(KEY_B, WHITE_SIDE, found)), row(KEY_B, HASH_UNKNOWN, 0, 0, 9, 0x3333));
    EXPECT_TRUE(found);
    table.stuff(KEY_B, WHITE_SIDE, 10, 0x4444);
    EXPECT_EQ(table.statistic(CHashTable::STAT_STUFFED), 1u);
    EXPECT_EQ(fields(probe(KEY_B, WHITE_SIDE, found)), row(KEY_B, HASH_UNKNOWN, 0, 0, 9, 0x4444));
    // Clearing empties every slot.
    table.clear();
    probe(KEY_A, WHITE_SIDE, found);
    EXPECT_FALSE(found);
}

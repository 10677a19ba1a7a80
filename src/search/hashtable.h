// Transposition table: one primary and one twice-as-large secondary table per
// side to move, 16-byte entries, deeper-of-this-age replacement in the primary
// slot with the displaced entry pushed down into the secondary table.
#pragma once

#include <cstdint>
#include <memory>

#include "board/types.h"

// Bound kinds stored in an entry.
constexpr int HASH_UNKNOWN = 0;
constexpr int HASH_FAIL_LOW = 1;   // value is an upper bound
constexpr int HASH_FAIL_HIGH = 2;  // value is a lower bound
constexpr int HASH_EXACT = 3;

// Largest draft the 12-bit field can hold; deeper drafts are clamped to it.
constexpr int HASH_MAX_DRAFT = 0xfff;

// Texts of the four bound kinds as shown wherever entries are printed.
const char* boundName(int bound);

// Mate scores are stored relative to the node rather than the root, so the
// same entry is right at whatever ply it is read back.
int valueToTable(int value, int ply);
int valueFromTable(int value, int ply);

// Four 32-bit words: key low, key high, move|bound|age, draft|value.
struct CHashEntry
{
    uint32_t m_keyLow = 0;
    uint32_t m_keyHigh = 0;
    uint32_t m_data = 0;   // bits 0-22 move, 26-27 bound, 28-31 age
    uint32_t m_score = 0;  // bits 0-11 draft, 12-31 signed value

    uint64_t key() const { return (uint64_t(m_keyHigh) << 32) | m_keyLow; }
    Move move() const { return m_data & 0x7fffff; }
    int bound() const { return int((m_data >> 26) & 3); }
    int age() const { return int(m_data >> 28); }
    int draft() const { return int(m_score & 0xfff); }
    int value() const { return int32_t(m_score) >> 12; }
    bool inUse() const { return m_data != 0; }
    bool isEmpty() const { return m_keyLow == 0 && m_keyHigh == 0 && m_data == 0 && m_score == 0; }

    void set(uint64_t key, int bound, int value, int draft, int age, Move move);
    void setMove(Move move) { m_data = (m_data & ~0x7fffffu) | (move & 0x7fffff); }
    void setBoundValueDraft(int bound, int value, int draft);
    void clear() { m_keyLow = m_keyHigh = m_data = m_score = 0; }

    // True when the entry is deep enough and its bound decides the window;
    // the value is mate-adjusted for the reading ply first.
    bool cutsOff(int ply, int depth, int alpha, int beta) const;
};
static_assert(sizeof(CHashEntry) == 16, "a table slot is exactly 16 bytes");

class CHashTable
{
public:
    // Store counters, in the order analh[ash] prints them.
    enum Statistic
    {
        STAT_NEW_PRIMARY,
        STAT_OLD_PRIMARY,
        STAT_DEPTH,
        STAT_REJECTED,
        STAT_NEW_SECONDARY,
        STAT_OLD_SECONDARY,
        STAT_STUFFED,
        STAT_COUNT
    };
    static constexpr int SIZE_COUNT = 11;  // 2^14 .. 2^24 entries

    static int64_t sizeListEntry(int index) { return int64_t(16384) << index; }
    // Index k of the pair (size[k-1], size[k]) that fits in the bytes, 0 for
    // the smallest table (16384 entries in both).
    static int sizeIndexFor(int64_t bytes);

    // Picks the largest primary/secondary pair that fits in the given bytes
    // (the smallest pair when none does). False when memory could not be had;
    // the table then falls back to the smallest size (or to none at all).
    bool setSize(int64_t bytes);
    bool setSizeIndex(int index);
    int64_t sizeInBytes() const { return (m_primaryCount + m_secondaryCount) * 32; }
    int64_t primaryCount() const { return m_primaryCount; }
    int64_t secondaryCount() const { return m_secondaryCount; }
    void clear();
    void free();

    // Upper bound on the bytes an allocation may take (0 = none): lets a
    // host with little memory, and the tests, exercise the fallback.
    void setAllocationLimit(int64_t bytes) { m_allocationLimit = bytes; }

    void clearStatistics();
    uint64_t statistic(int index) const;

    // Looks the key up for the given side; on success 'found' holds the
    // entry to use (a primary copy possibly completed from the secondary).
    bool probe(uint64_t key, int side, int ply, int depth, int alpha, int beta, CHashEntry& found) const;
    // The value must already be converted with valueToTable.
    void store(uint64_t key, int side, int bound, int value, int draft, int age, Move move);
    // Writes a principal-variation move for the position with this key.
    void stuff(uint64_t key, int side, int age, Move move);

    // Raw access for the table analysis and the tests.
    const CHashEntry* primary(int side) const { return m_primary[side].get(); }
    const CHashEntry* secondary(int side) const { return m_secondary[side].get(); }
    int64_t primaryIndex(uint64_t key) const { return int64_t(uint32_t(key) & m_primaryMask); }
    int64_t secondaryIndex(uint64_t key) const { return int64_t(uint32_t(key) & m_secondaryMask); }

private:
    bool allocate(int64_t primaryCount, int64_t secondaryCount);

    std::unique_ptr<CHashEntry[]> m_primary[2];
    std::unique_ptr<CHashEntry[]> m_secondary[2];
    int64_t m_primaryCount = 0;
    int64_t m_secondaryCount = 0;
    uint32_t m_primaryMask = 0;
    uint32_t m_secondaryMask = 0;
    uint64_t m_statistics[STAT_COUNT] = {};
    int64_t m_allocationLimit = 0;
};

// The program's one transposition table.
CHashTable& theHashTable();

#include "search/hashtable.h"

#include <algorithm>
#include <new>

namespace
{
constexpr int MATE_BOUND = 320000;
constexpr int VALUE_MIN = -(1 << 19);
constexpr int VALUE_MAX = (1 << 19) - 1;
}  // namespace

const char* boundName(int bound)
{
    static const char* const NAMES[4] = {"Unknown", "FailLow", "FailHigh", "Exact"};
    return NAMES[bound & 3];
}

int valueToTable(int value, int ply)
{
    if (value > MATE_BOUND)
        return value + ply - 1;
    if (value < -MATE_BOUND)
        return value - ply + 1;
    return value;
}

int valueFromTable(int value, int ply)
{
    if (value > MATE_BOUND)
        return value + 1 - ply;
    if (value < -MATE_BOUND)
        return value + ply - 1;
    return value;
}

void CHashEntry::set(uint64_t key, int bound, int value, int draft, int age, Move move)
{
    m_keyLow = uint32_t(key);
    m_keyHigh = uint32_t(key >> 32);
    m_data = (move & 0x7fffff) | (uint32_t(bound & 3) << 26) | (uint32_t(age & 15) << 28);
    setBoundValueDraft(bound, value, draft);
}

void CHashEntry::setBoundValueDraft(int bound, int value, int draft)
{
    // A root check extension has no cap, so drafts can exceed the field.
    draft = std::clamp(draft, 0, HASH_MAX_DRAFT);
    value = std::clamp(value, VALUE_MIN, VALUE_MAX);
    m_data = (m_data & ~(3u << 26)) | (uint32_t(bound & 3) << 26);
    m_score = (uint32_t(value) << 12) | uint32_t(draft);
}

bool CHashEntry::cutsOff(int ply, int depth, int alpha, int beta) const
{
    if (draft() < depth)
        return false;
    int v = valueFromTable(value(), ply);
    switch (bound())
    {
    case HASH_FAIL_LOW:
        return v <= alpha;
    case HASH_FAIL_HIGH:
        return v >= beta;
    case HASH_EXACT:
        return true;
    default:
        return false;
    }
}

bool CHashTable::allocate(int64_t primaryCount, int64_t secondaryCount)
{
    free();
    if (m_allocationLimit > 0 && (primaryCount + secondaryCount) * 32 > m_allocationLimit)
        return false;
    try
    {
        for (int side = 0; side < 2; ++side)
        {
            m_primary[side].reset(new CHashEntry[size_t(primaryCount)]);
            m_secondary[side].reset(new CHashEntry[size_t(secondaryCount)]);
        }
    }
    catch (const std::bad_alloc&)
    {
        free();
        return false;
    }
    m_primaryCount = primaryCount;
    m_secondaryCount = secondaryCount;
    m_primaryMask = uint32_t(primaryCount - 1);
    m_secondaryMask = uint32_t(secondaryCount - 1);
    return true;
}

int CHashTable::sizeIndexFor(int64_t bytes)
{
    for (int k = SIZE_COUNT - 1; k >= 1; --k)
        if ((sizeListEntry(k - 1) + sizeListEntry(k)) * 32 <= bytes)
            return k;
    return 0;
}

bool CHashTable::setSize(int64_t bytes)
{
    if (setSizeIndex(sizeIndexFor(bytes)))
        return true;
    // Keep the engine playing: the smallest table, if even that can be had.
    setSizeIndex(0);
    return false;
}

bool CHashTable::setSizeIndex(int index)
{
    index = std::clamp(index, 0, SIZE_COUNT - 1);
    int64_t primary = sizeListEntry(index == 0 ? 0 : index - 1);
    int64_t secondary = sizeListEntry(index);
    return allocate(primary, secondary);
}

void CHashTable::clear()
{
    for (int side = 0; side < 2; ++side)
    {
        if (m_primary[side])
            std::fill(m_primary[side].get(), m_primary[side].get() + m_primaryCount, CHashEntry());
        if (m_secondary[side])
            std::fill(m_secondary[side].get(), m_secondary[side].get() + m_secondaryCount, CHashEntry());
    }
}

void CHashTable::free()
{
    for (int side = 0; side < 2; ++side)
    {
        m_primary[side].reset();
        m_secondary[side].reset();
    }
    m_primaryCount = m_secondaryCount = 0;
    m_primaryMask = m_secondaryMask = 0;
}

void CHashTable::clearStatistics() { std::fill(m_statistics, m_statistics + STAT_COUNT, 0); }

uint64_t CHashTable::statistic(int index) const { return index >= 0 && index < STAT_COUNT ? m_statistics[index] : 0; }

bool CHashTable::probe(uint64_t key, int side, int ply, int depth, int alpha, int beta, CHashEntry& found) const
{
    if (m_primaryCount == 0)
        return false;
    const CHashEntry& p = m_primary[side][primaryIndex(key)];
    bool haveCopy = false;
    if (p.inUse() && p.key() == key)
    {
        found = p;
        haveCopy = true;
        if (p.cutsOff(ply, depth, alpha, beta))
            return true;
    }
    const CHashEntry& s = m_secondary[side][secondaryIndex(key)];
    if (s.inUse() && s.key() == key)
    {
        if (!haveCopy)
        {
            found = s;
            return true;
        }
        if (found.move() == 0)
            found.setMove(s.move());
        if (s.cutsOff(ply, depth, alpha, beta))
            found.setBoundValueDraft(s.bound(), s.value(), s.draft());
    }
    return haveCopy;
}

void CHashTable::store(uint64_t key, int side, int bound, int value, int draft, int age, Move move)
{
    if (m_primaryCount == 0)
        return;
    CHashEntry& p = m_primary[side][primaryIndex(key)];
    if (!p.inUse())
    {
        p.set(key, bound, value, draft, age, move);
        ++m_statistics[STAT_NEW_PRIMARY];
        return;
    }
    if (p.age() == age && p.draft() > std::clamp(draft, 0, HASH_MAX_DRAFT))
    {
        CHashEntry& s = m_secondary[side][secondaryIndex(key)];
        ++m_statistics[s.inUse() ? STAT_OLD_SECONDARY : STAT_NEW_SECONDARY];
        s.set(key, bound, value, draft, age, move);
        return;
    }
    if (p.key() != key)
        m_secondary[side][secondaryIndex(p.key())] = p;
    ++m_statistics[p.age() == age ? STAT_DEPTH : STAT_OLD_PRIMARY];
    p.set(key, bound, value, draft, age, move);
}

void CHashTable::stuff(uint64_t key, int side, int age, Move move)
{
    if (m_primaryCount == 0)
        return;
    CHashEntry& p = m_primary[side][primaryIndex(key)];
    if (p.inUse() && p.key() == key)
    {
        p.setMove(move);
        return;
    }
    CHashEntry& s = m_secondary[side][secondaryIndex(key)];
    if (s.inUse() && s.key() == key)
    {
        s.setMove(move);
        return;
    }
    s.set(key, HASH_UNKNOWN, 0, 0, age, move);
    ++m_statistics[STAT_STUFFED];
}

CHashTable& theHashTable()
{
    static CHashTable table;
    return table;
}

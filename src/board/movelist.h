// A list of move words with fixed room, so generating moves never allocates.
#pragma once

#include "board/types.h"

class CMoveList
{
public:
    // Far above the 218 moves of any legal chess position, and enough for the
    // odd positions the FEN reader lets through (many queens); adds beyond it are dropped.
    static constexpr int CAPACITY = 1024;

    void clear() { m_count = 0; }
    int size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    void add(Move move)
    {
        if (m_count < CAPACITY)
            m_moves[m_count++] = move;
    }
    void removeAt(int index) { m_moves[index] = m_moves[--m_count]; }
    void truncate(int count) { m_count = count; }
    Move& operator[](int index) { return m_moves[index]; }
    Move operator[](int index) const { return m_moves[index]; }
    Move* begin() { return m_moves; }
    Move* end() { return m_moves + m_count; }
    const Move* begin() const { return m_moves; }
    const Move* end() const { return m_moves + m_count; }
    bool contains(Move move) const
    {
        for (int i = 0; i < m_count; ++i)
            if (m_moves[i] == move)
                return true;
        return false;
    }

private:
    int m_count = 0;
    Move m_moves[CAPACITY];
};

// CGame: the game record. Its base is the current position; the entries hold
// the start position and the position after every move since, with undo/redo.
#pragma once

#include <vector>

#include "board/movelist.h"
#include "board/position.h"

// How an entry's move was chosen.
constexpr int MOVE_KIND_OUTSIDE = 0;  // user, protocol or PGN
constexpr int MOVE_KIND_SEARCH = 1;
constexpr int MOVE_KIND_BOOK = 2;
constexpr int MOVE_KIND_FORCED = 3;

struct GameEntry
{
    CPosition position;  // position after the move (entry 0: the start position)
    Move move = NO_MOVE;
    CMoveList pv;  // principal variation of an engine move, or the book line
    int32_t score = 0;
    int32_t kind = MOVE_KIND_OUTSIDE;
};

class CGame : public CPosition
{
public:
    CGame();

    void reset();
    bool setStartPosition(const CPosition& position);
    // Plays a legal move of the current position; moves after the current entry are dropped.
    void makeMove(Move move);

    bool canUndo() const { return m_current > 0; }
    void undo();
    bool canRedo() const { return m_current < int(m_entries.size()) - 1; }
    void redo();
    void gotoEntry(int index);

    int currentIndex() const { return m_current; }
    const std::vector<GameEntry>& entries() const { return m_entries; }

    Move currentMove() const { return m_entries[m_current].move; }
    const CMoveList& currentPv() const { return m_entries[m_current].pv; }
    void setCurrentPv(const CMoveList& pv) { m_entries[m_current].pv = pv; }
    int currentScore() const { return m_entries[m_current].score; }
    void setCurrentScore(int score) { m_entries[m_current].score = score; }
    int currentKind() const { return m_entries[m_current].kind; }
    void setCurrentKind(int kind) { m_entries[m_current].kind = kind; }

    void legalMoves(CMoveList& list) const { generateLegal(list); }

    // After the key table has been replaced: every stored position takes a fresh key.
    void recomputeKeys();

private:
    void takePosition(const CPosition& position);

    std::vector<GameEntry> m_entries;
    int32_t m_current = -1;
};

// The game being played, owned by the board subsystem for the whole run.
CGame& theGame();

// CGame: the game record with undo, redo and jumps.
#include "board/game.h"

CGame::CGame() { reset(); }

void CGame::takePosition(const CPosition& position)
{
    CPosition::operator=(position);
    recountMaterial();
}

void CGame::reset()
{
    takePosition(CPosition());
    m_entries.clear();
    m_entries.emplace_back();
    m_entries.back().position = *this;
    m_current = 0;
}

bool CGame::setStartPosition(const CPosition& position)
{
    // The round trip through FEN applies every check of the FEN reader.
    CPosition checked;
    if (!checked.setFromFen(position.toFullFen()))
        return false;
    takePosition(checked);
    m_entries.clear();
    m_entries.emplace_back();
    m_entries.back().position = checked;
    m_current = 0;
    return true;
}

void CGame::makeMove(Move move)
{
    // A word that moves no piece of the side to move changes nothing, so it gets no entry.
    const int piece = pieceAt(moveFrom(move));
    if (move != NO_MOVE && (piece == 0 || pieceColour(piece) != (sideToMove() ? WHITE : BLACK)))
        return;
    CPosition::makeMove(move);
    m_entries.resize(size_t(m_current) + 1);
    m_entries.emplace_back();
    GameEntry& entry = m_entries.back();
    entry.position = *this;
    entry.move = move;
    m_current = int(m_entries.size()) - 1;
}

void CGame::undo()
{
    if (canUndo())
        gotoEntry(m_current - 1);
}

void CGame::redo()
{
    if (canRedo())
        gotoEntry(m_current + 1);
}

void CGame::gotoEntry(int index)
{
    if (index < 0 || index >= int(m_entries.size()))
        return;
    m_current = index;
    takePosition(m_entries[size_t(index)].position);
}

void CGame::recomputeKeys()
{
    setHashKey(computeHashKey());
    for (GameEntry& entry : m_entries)
        entry.position.setHashKey(entry.position.computeHashKey());
}

CGame& theGame()
{
    static CGame game;
    return game;
}

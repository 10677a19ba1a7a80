// Helpers shared by the search-board tests: a full snapshot of the board for
// round-trip checks, and FEN loading.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/notation.h"
#include "board/position.h"

struct BoardSnapshot
{
    int32_t board[64];
    Bitboard pieceBits[13], colourBits[2], occupied;
    uint8_t fileOcc[8], diagOcc[15], antiOcc[15];
    int32_t kings[2], counts[13], total, balance, nonPawn[2], units[2], castled[2];
    uint32_t types[2];
    uint8_t side;
    const BoardState* state;
    BoardState record;

    static BoardSnapshot take()
    {
        BoardSnapshot s;
        std::memset(&s, 0, sizeof s);
        std::memcpy(s.board, CBoard::m_board, sizeof s.board);
        std::memcpy(s.pieceBits, CBoard::m_pieceBits, sizeof s.pieceBits);
        std::memcpy(s.colourBits, CBoard::m_colourBits, sizeof s.colourBits);
        s.occupied = CBoard::m_occupied;
        std::memcpy(s.fileOcc, CBoard::m_fileOccupancy, sizeof s.fileOcc);
        std::memcpy(s.diagOcc, CBoard::m_diagOccupancy, sizeof s.diagOcc);
        std::memcpy(s.antiOcc, CBoard::m_antiDiagOccupancy, sizeof s.antiOcc);
        std::memcpy(s.kings, CBoard::m_kingSquare, sizeof s.kings);
        std::memcpy(s.counts, CBoard::m_pieceCount, sizeof s.counts);
        s.total = CBoard::m_totalPieces;
        s.balance = CBoard::m_materialBalance;
        std::memcpy(s.nonPawn, CBoard::m_nonPawnMaterial, sizeof s.nonPawn);
        std::memcpy(s.units, CBoard::m_pieceUnits, sizeof s.units);
        std::memcpy(s.castled, CBoard::m_castled, sizeof s.castled);
        std::memcpy(s.types, CBoard::m_pieceTypes, sizeof s.types);
        s.side = CBoard::m_sideToMove;
        s.state = CBoard::m_state;
        s.record = *CBoard::m_state;
        return s;
    }
    bool operator==(const BoardSnapshot& other) const { return std::memcmp(this, &other, sizeof *this) == 0; }
};

inline CPosition positionFromFen(const std::string& fen)
{
    CPosition position;
    EXPECT_TRUE(position.setFromFen(fen)) << fen;
    return position;
}

inline void loadFen(const std::string& fen)
{
    CPosition position = positionFromFen(fen);
    ASSERT_TRUE(CBoard::load(position)) << fen;
}

// Moves in the long text form, for readable failures.
inline std::string moveListText(const std::vector<Move>& moves)
{
    std::string text;
    for (Move move : moves)
        text += moveToLongText(move) + " ";
    return text;
}

inline std::vector<Move> sortedWords(const CMoveList& list, Move ignoreBits = 0)
{
    std::vector<Move> words;
    for (Move move : list)
        words.push_back(move & ~ignoreBits);
    std::sort(words.begin(), words.end());
    return words;
}

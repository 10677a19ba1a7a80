// A full copy of the search board's state, for exact before/after comparisons.
#pragma once

#include <cstring>

#include "board/board.h"

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

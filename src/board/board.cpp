// The search board's data, loading and storing, key computation and the
// full consistency check.
#include "board/board.h"

#include <cstring>

#include "board/position.h"

int32_t CBoard::m_board[64];
Bitboard CBoard::m_pieceBits[13];
Bitboard CBoard::m_colourBits[2];
Bitboard CBoard::m_occupied;
uint8_t CBoard::m_fileOccupancy[8];
uint8_t CBoard::m_diagOccupancy[15];
uint8_t CBoard::m_antiDiagOccupancy[15];
int32_t CBoard::m_kingSquare[2] = {-1, -1};
int32_t CBoard::m_pieceCount[13];
int32_t CBoard::m_totalPieces;
uint32_t CBoard::m_pieceTypes[2];
int32_t CBoard::m_materialBalance;
int32_t CBoard::m_nonPawnMaterial[2];
int32_t CBoard::m_pieceUnits[2];
uint8_t CBoard::m_sideToMove = WHITE;
int32_t CBoard::m_castled[2];
BoardState CBoard::m_stateStack[STATE_CAPACITY];
BoardState* CBoard::m_state = CBoard::m_stateStack;
BoardState* CBoard::m_loadedState = CBoard::m_stateStack;
BoardState* CBoard::m_historyStart = CBoard::m_stateStack;
int32_t CBoard::m_searchValues[13] = {100000, 10001, 5505, 3505, 3497, 1000, 0, 1000, 3497, 3505, 5505, 10001, 100000};
int32_t CBoard::m_pendingValues[13] = {100000, 10001, 5505, 3505, 3497, 1000, 0, 1000, 3497, 3505, 5505, 10001, 100000};
const int32_t CBoard::SEARCH_UNITS[7] = {0, 1, 3, 3, 5, 9, 10000};
int32_t CBoard::m_overflowPlies;
CBoard::ExchangeEvaluator CBoard::m_exchangeEvaluator;

namespace
{
const uint64_t NO_KEY = 0;

// Is the en-passant square one a pawn of the side not to move can just have
// passed (empty, with that pawn beyond it and its start square empty)? Other
// squares would let a pawn "capture" an own piece, an empty square or nothing.
bool plausibleEpSquare(const CPosition& position, int ep)
{
    if (ep < 0 || ep > 63)
        return false;
    int side = position.sideToMove() ? WHITE : BLACK;
    int rank = side == WHITE ? 5 : 2;
    int forward = side == WHITE ? 8 : -8;
    return rankOf(ep) == rank && position.pieceAt(ep) == EMPTY && position.pieceAt(ep + forward) == EMPTY &&
           position.pieceAt(ep - forward) == (side == WHITE ? -PAWN : PAWN);
}
}

bool CBoard::load(const CPosition& position) { return load(position, nullptr, 0); }

bool CBoard::load(const CPosition& position, const uint64_t* historyKeys, int historyCount)
{
    // Refuse placements the board cannot represent.
    int counts[13] = {};
    for (int s = 0; s < 64; ++s)
    {
        int code = position.pieceAt(s);
        if (code < -KING || code > KING)
            return false;
        ++counts[code + 6];
    }
    if (counts[KING + 6] != 1 || counts[-KING + 6] != 1)
        return false;
    for (int colour = BLACK; colour <= WHITE; ++colour)
    {
        int sign = colour == WHITE ? 1 : -1;
        if (counts[sign * PAWN + 6] > 8)
            return false;
        int all = 0;
        for (int type = PAWN; type <= QUEEN; ++type)
        {
            if (counts[sign * type + 6] > 15)
                return false;
            all += counts[sign * type + 6];
        }
        if (all > 15)
            return false;
    }

    std::memcpy(m_searchValues, m_pendingValues, sizeof m_searchValues);

    std::memset(m_board, 0, sizeof m_board);
    std::memset(m_pieceBits, 0, sizeof m_pieceBits);
    std::memset(m_colourBits, 0, sizeof m_colourBits);
    m_occupied = 0;
    std::memset(m_fileOccupancy, 0, sizeof m_fileOccupancy);
    std::memset(m_diagOccupancy, 0, sizeof m_diagOccupancy);
    std::memset(m_antiDiagOccupancy, 0, sizeof m_antiDiagOccupancy);
    std::memset(m_pieceCount, 0, sizeof m_pieceCount);
    std::memset(m_pieceTypes, 0, sizeof m_pieceTypes);
    std::memset(m_nonPawnMaterial, 0, sizeof m_nonPawnMaterial);
    std::memset(m_pieceUnits, 0, sizeof m_pieceUnits);
    std::memset(m_castled, 0, sizeof m_castled);
    m_totalPieces = 0;
    m_materialBalance = 0;
    m_kingSquare[BLACK] = m_kingSquare[WHITE] = -1;
    m_overflowPlies = 0;

    for (int s = 0; s < 64; ++s)
        if (position.pieceAt(s) != EMPTY)
            placePiece(s, position.pieceAt(s));
    m_sideToMove = position.sideToMove() ? WHITE : BLACK;

    // Earlier game positions go below the loaded record (newest kept).
    int history = historyKeys && historyCount > 0 ? historyCount : 0;
    if (history > HISTORY_CAPACITY)
    {
        historyKeys += history - HISTORY_CAPACITY;
        history = HISTORY_CAPACITY;
    }
    for (int i = 0; i < history; ++i)
    {
        BoardState& record = m_stateStack[i];
        record = BoardState();
        record.hashKey = historyKeys[i];
        record.epSquare = -1;
        record.move = NO_MOVE;
    }
    m_historyStart = m_stateStack;
    m_loadedState = m_state = m_stateStack + history;

    BoardState& first = *m_state;
    first.hashKey = NO_KEY;
    first.pawnKey = m_zobristValues[12][0];
    first.searchFlags = 0;
    first.searchCount = 0;
    // A castling right needs its king and rook at home, or castling would move
    // pieces that are not there.
    const int kingHome[2] = {60, 4};
    for (int colour = BLACK; colour <= WHITE; ++colour)
    {
        int sign = colour == WHITE ? 1 : -1;
        int home = kingHome[colour];
        uint32_t rights = 0;
        if (position.castling(colour == WHITE ? CPosition::WHITE_KINGSIDE : CPosition::BLACK_KINGSIDE) &&
            m_board[home] == sign * KING && m_board[home + 3] == sign * ROOK)
            rights |= CASTLE_KING_SIDE;
        if (position.castling(colour == WHITE ? CPosition::WHITE_QUEENSIDE : CPosition::BLACK_QUEENSIDE) &&
            m_board[home] == sign * KING && m_board[home - 4] == sign * ROOK)
            rights |= CASTLE_QUEEN_SIDE;
        first.castling[colour] = rights;
        if (rights == 0)
            m_castled[colour] = 1;
    }
    first.epSquare = plausibleEpSquare(position, position.epSquare()) ? position.epSquare() : -1;
    first.fiftyCount = historyKeys ? position.halfmoveClock() : 0;
    if (first.fiftyCount < 0)
        first.fiftyCount = 0;
    first.moveNumber = position.moveNumber();
    first.move = NO_MOVE;
    first.hashKey = computeHashKey();
    first.pawnKey = computePawnKey();
    return true;
}

void CBoard::setSearchPieceValue(int code, int value)
{
    // Kings keep their fixed value, which cancels out of the balance.
    if (code >= -QUEEN && code <= QUEEN && code != EMPTY)
        m_pendingValues[code + 6] = value;
}

void CBoard::store(CPosition& position)
{
    for (int s = 0; s < 64; ++s)
        position.setPiece(s, m_board[s]);
    position.setSideToMove(m_sideToMove);
    position.setCastling(CPosition::WHITE_KINGSIDE, (m_state->castling[WHITE] & CASTLE_KING_SIDE) != 0);
    position.setCastling(CPosition::WHITE_QUEENSIDE, (m_state->castling[WHITE] & CASTLE_QUEEN_SIDE) != 0);
    position.setCastling(CPosition::BLACK_KINGSIDE, (m_state->castling[BLACK] & CASTLE_KING_SIDE) != 0);
    position.setCastling(CPosition::BLACK_QUEENSIDE, (m_state->castling[BLACK] & CASTLE_QUEEN_SIDE) != 0);
    position.setEpSquare(m_state->epSquare);
    position.setHalfmoveClock(m_state->fiftyCount);
    position.setMoveNumber(m_state->moveNumber);
}

uint64_t CBoard::computeHashKey()
{
    uint64_t key = 0;
    for (int s = 0; s < 64; ++s)
        if (m_board[s] != EMPTY)
            key ^= m_zobristValues[s][m_board[s] + 6];
    if (m_state->epSquare >= 0)
        key ^= m_zobristValues[m_state->epSquare][0];
    if (m_state->castling[WHITE] & CASTLE_KING_SIDE)
        key ^= m_zobristValues[7][0];
    if (m_state->castling[WHITE] & CASTLE_QUEEN_SIDE)
        key ^= m_zobristValues[0][0];
    if (m_state->castling[BLACK] & CASTLE_KING_SIDE)
        key ^= m_zobristValues[63][0];
    if (m_state->castling[BLACK] & CASTLE_QUEEN_SIDE)
        key ^= m_zobristValues[56][0];
    return key;
}

uint64_t CBoard::computePawnKey()
{
    uint64_t key = m_zobristValues[12][0];
    for (int s = 0; s < 64; ++s)
        if (pieceType(m_board[s]) == PAWN)
            key ^= m_zobristValues[s][m_board[s] + 6];
    return key;
}

void CBoard::installZobristValues(const uint64_t values[64][13])
{
    // Take the line back to the loaded record, rekey it, and play it again.
    static Move line[STATE_CAPACITY];
    const int overflow = m_overflowPlies;  // refused moves stay refused
    m_overflowPlies = 0;
    int plies = int(m_state - m_loadedState);
    for (int i = plies; i > 0; --i)
    {
        line[i - 1] = m_state->move;
        if (m_state->searchFlags & 1)
            unmakeNullMove();
        else
            unmakeMove();
    }
    std::memmove(m_zobristValues, values, sizeof m_zobristValues);
    m_state->hashKey = computeHashKey();
    m_state->pawnKey = computePawnKey();
    m_historyStart = m_loadedState;
    for (int i = 0; i < plies; ++i)
    {
        if (line[i] == NO_MOVE)
            makeNullMove();
        else
            makeMove(line[i]);
    }
    m_overflowPlies = overflow;
}

bool CBoard::isConsistent()
{
    Bitboard pieceBits[13] = {}, colourBits[2] = {}, occupied = 0;
    uint8_t fileOcc[8] = {}, diagOcc[15] = {}, antiOcc[15] = {};
    int32_t counts[13] = {}, total = 0, balance = 0, nonPawn[2] = {}, units[2] = {}, kings[2] = {-1, -1};
    uint32_t types[2] = {};
    for (int s = 0; s < 64; ++s)
    {
        int code = m_board[s];
        if (code < -KING || code > KING)
            return false;
        if (code == EMPTY)
            continue;
        int colour = pieceColour(code), type = pieceType(code);
        Bitboard b = bit(s);
        pieceBits[code + 6] |= b;
        colourBits[colour] |= b;
        occupied |= b;
        fileOcc[s & 7] |= uint8_t(1 << (s >> 3));
        diagOcc[(s >> 3) - (s & 7) + 7] |= uint8_t(1 << (s & 7));
        antiOcc[(s >> 3) + (s & 7)] |= uint8_t(1 << (s & 7));
        ++counts[code + 6];
        ++total;
        balance += colour == WHITE ? m_searchValues[code + 6] : -m_searchValues[code + 6];
        if (type == KING)
            kings[colour] = s;
        else
            types[colour] |= 1u << (type - 1);
        if (type != KING && type != PAWN)
        {
            nonPawn[colour] += m_searchValues[code + 6];
            units[colour] += SEARCH_UNITS[type];
        }
    }
    if (std::memcmp(pieceBits, m_pieceBits, sizeof pieceBits) != 0 ||
        std::memcmp(colourBits, m_colourBits, sizeof colourBits) != 0 || occupied != m_occupied ||
        std::memcmp(fileOcc, m_fileOccupancy, sizeof fileOcc) != 0 ||
        std::memcmp(diagOcc, m_diagOccupancy, sizeof diagOcc) != 0 ||
        std::memcmp(antiOcc, m_antiDiagOccupancy, sizeof antiOcc) != 0)
        return false;
    if (std::memcmp(counts, m_pieceCount, sizeof counts) != 0 || total != m_totalPieces ||
        balance != m_materialBalance || std::memcmp(nonPawn, m_nonPawnMaterial, sizeof nonPawn) != 0 ||
        std::memcmp(units, m_pieceUnits, sizeof units) != 0 || std::memcmp(types, m_pieceTypes, sizeof types) != 0)
        return false;
    if (kings[WHITE] != m_kingSquare[WHITE] || kings[BLACK] != m_kingSquare[BLACK])
        return false;
    if (m_state < m_loadedState || m_state >= m_stateStack + STATE_CAPACITY)
        return false;
    return m_state->hashKey == computeHashKey() && m_state->pawnKey == computePawnKey();
}

namespace
{
// The board holds the start position from the beginning, so nothing ever
// reads an unloaded board (king squares of -1).
struct StartPositionLoader
{
    StartPositionLoader() { CBoard::load(CPosition()); }
} g_startPositionLoader;
}

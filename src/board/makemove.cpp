// Making and taking back moves and null moves on the search board, and the
// end-of-game test. Every key, count and sum changes by XOR or addition.
#include "board/board.h"

#include <cassert>


namespace
{
constexpr uint32_t KING_SIDE = 1;
constexpr uint32_t QUEEN_SIDE = 2;

// Key slot of a castling right: the black-king entry of the rook's corner.
inline uint64_t rightKey(int corner) { return CBoard::m_zobristValues[corner][0]; }

#ifdef VEKRAN_BOARD_CHECKS
#define CHECK_BOARD() assert(CBoard::isConsistent())
#else
#define CHECK_BOARD() ((void)0)
#endif
}

void CBoard::makeMove(Move move)
{
    if (m_state >= m_stateStack + STATE_CAPACITY - 1)
    {
        ++m_overflowPlies;  // no room: count it so the matching unmake stays paired
        return;
    }
    const BoardState* previous = m_state;
    BoardState* st = ++m_state;
    const int side = m_sideToMove, enemy = side ^ 1;
    const int sign = side == WHITE ? 1 : -1;
    uint64_t key = previous->hashKey;
    st->pawnKey = previous->pawnKey;
    st->castling[0] = previous->castling[0];
    st->castling[1] = previous->castling[1];
    st->searchFlags = previous->searchFlags & 2;
    st->searchCount = 0;
    st->epSquare = -1;
    st->fiftyCount = previous->fiftyCount + 1;
    st->moveNumber = previous->moveNumber + (side == BLACK ? 1 : 0);
    st->move = move;
    const int previousEp = previous->epSquare;
    if (previousEp >= 0)
        key ^= m_zobristValues[previousEp][0];

    const int from = moveFrom(move), to = moveTo(move);
    const int type = movePiece(move), captured = moveCaptured(move), promotion = movePromotion(move);
    const int code = sign * type;
    const Bitboard fromBit = bit(from), toBit = bit(to);

    key ^= m_zobristValues[from][code + 6];
    m_occupied ^= fromBit | toBit;
    m_board[from] = EMPTY;
    clearLineOccupancy(from);
    m_colourBits[side] ^= fromBit | toBit;
    int placed = code;
    if (promotion && type == PAWN)
    {
        placed = sign * promotion;
        m_pieceBits[code + 6] ^= fromBit;
        m_pieceBits[placed + 6] ^= toBit;
    }
    else
        m_pieceBits[code + 6] ^= fromBit | toBit;

    int victimSquare = to;
    switch (type)
    {
    case PAWN:
    {
        st->fiftyCount = 0;
        st->pawnKey ^= m_zobristValues[from][code + 6];
        if (to == previousEp)
        {
            victimSquare = to - 8 * sign;
            m_board[victimSquare] = EMPTY;
            clearLineOccupancy(victimSquare);
        }
        if (placed != code)
        {
            int value = m_searchValues[placed + 6];
            m_materialBalance += sign * (value - m_searchValues[code + 6]);
            m_nonPawnMaterial[side] += value;
            m_pieceUnits[side] += SEARCH_UNITS[promotion];
            if (--m_pieceCount[code + 6] == 0)
                m_pieceTypes[side] &= ~1u;
            ++m_pieceCount[placed + 6];
            m_pieceTypes[side] |= 1u << (promotion - 1);
        }
        else
        {
            st->pawnKey ^= m_zobristValues[to][code + 6];
            if (to - from == 16 * sign)
            {
                // Only a pawn that could take en passant makes the square worth keeping.
                Bitboard beside = ((toBit << 1) & ~attacks::FILE_A) | ((toBit >> 1) & ~attacks::FILE_H);
                if (beside & m_pieceBits[-code + 6])
                {
                    st->epSquare = from + 8 * sign;
                    key ^= m_zobristValues[st->epSquare][0];
                }
            }
        }
        break;
    }
    case ROOK:
    {
        const int home = side == WHITE ? 4 : 60;
        uint32_t& rights = st->castling[side];
        if ((rights & KING_SIDE) && from == home + 3)
        {
            rights &= ~KING_SIDE;
            key ^= rightKey(home + 3);
        }
        else if ((rights & QUEEN_SIDE) && from == home - 4)
        {
            rights &= ~QUEEN_SIDE;
            key ^= rightKey(home - 4);
        }
        break;
    }
    case KING:
    {
        m_kingSquare[side] = to;
        uint32_t& rights = st->castling[side];
        const int home = side == WHITE ? 4 : 60;
        if (rights)
        {
            if (rights & KING_SIDE)
                key ^= rightKey(home + 3);
            if (rights & QUEEN_SIDE)
                key ^= rightKey(home - 4);
            rights = 0;
        }
        if (to - from == 2 || from - to == 2)
        {
            const int rookFrom = to > from ? from + 3 : from - 4;
            const int rookTo = to > from ? from + 1 : from - 1;
            const int rook = sign * ROOK;
            const Bitboard rookBits = bit(rookFrom) | bit(rookTo);
            key ^= m_zobristValues[rookFrom][rook + 6] ^ m_zobristValues[rookTo][rook + 6];
            m_pieceBits[rook + 6] ^= rookBits;
            m_colourBits[side] ^= rookBits;
            m_occupied ^= rookBits;
            m_board[rookFrom] = EMPTY;
            m_board[rookTo] = rook;
            clearLineOccupancy(rookFrom);
            setLineOccupancy(rookTo);
            m_castled[side] = to > from ? 1 : 2;
        }
        break;
    }
    default:
        break;
    }

    if (captured)
    {
        const int victim = -sign * captured;
        const Bitboard victimBit = bit(victimSquare);
        --m_totalPieces;
        if (--m_pieceCount[victim + 6] == 0 && captured != KING)
            m_pieceTypes[enemy] &= ~(1u << (captured - 1));
        key ^= m_zobristValues[victimSquare][victim + 6];
        if (captured == PAWN)
            st->pawnKey ^= m_zobristValues[victimSquare][victim + 6];
        m_occupied ^= victimBit;
        m_colourBits[enemy] ^= victimBit;
        m_pieceBits[victim + 6] ^= victimBit;
        const int value = m_searchValues[victim + 6];
        m_materialBalance += sign * value;
        if (captured != PAWN && captured != KING)
        {
            m_nonPawnMaterial[enemy] -= value;
            m_pieceUnits[enemy] -= SEARCH_UNITS[captured];
        }
        if (captured == ROOK)
        {
            const int enemyHome = enemy == WHITE ? 4 : 60;
            uint32_t& rights = st->castling[enemy];
            if ((rights & KING_SIDE) && victimSquare == enemyHome + 3)
            {
                rights &= ~KING_SIDE;
                key ^= rightKey(enemyHome + 3);
            }
            else if ((rights & QUEEN_SIDE) && victimSquare == enemyHome - 4)
            {
                rights &= ~QUEEN_SIDE;
                key ^= rightKey(enemyHome - 4);
            }
        }
        else if (captured == KING)
        {
            // Only in positions that had the side not to move in check. The
            // kingless side has no king square and no castling, so nothing
            // later mistakes another piece for its king.
            const int enemyHome = enemy == WHITE ? 4 : 60;
            uint32_t& rights = st->castling[enemy];
            if (rights & KING_SIDE)
                key ^= rightKey(enemyHome + 3);
            if (rights & QUEEN_SIDE)
                key ^= rightKey(enemyHome - 4);
            rights = 0;
            m_kingSquare[enemy] = -1;
        }
        st->fiftyCount = 0;
    }

    m_board[to] = placed;
    setLineOccupancy(to);
    key ^= m_zobristValues[to][placed + 6];
    st->hashKey = key;
    m_sideToMove = uint8_t(enemy);
    CHECK_BOARD();
}

void CBoard::unmakeMove()
{
    if (m_overflowPlies > 0)
    {
        --m_overflowPlies;
        return;
    }
    if (m_state <= m_loadedState)
        return;
    const Move move = m_state->move;
    if (move == NO_MOVE)
    {
        unmakeNullMove();
        return;
    }
    --m_state;
    const int side = m_sideToMove ^ 1, enemy = side ^ 1;
    m_sideToMove = uint8_t(side);
    const int sign = side == WHITE ? 1 : -1;
    const int from = moveFrom(move), to = moveTo(move);
    const int type = movePiece(move), captured = moveCaptured(move), promotion = movePromotion(move);
    const int code = sign * type;
    const Bitboard fromBit = bit(from), toBit = bit(to);

    m_occupied ^= fromBit | toBit;
    m_colourBits[side] ^= fromBit | toBit;
    m_board[to] = EMPTY;
    clearLineOccupancy(to);
    m_board[from] = code;
    setLineOccupancy(from);
    if (promotion && type == PAWN)
    {
        const int placed = sign * promotion;
        m_pieceBits[code + 6] ^= fromBit;
        m_pieceBits[placed + 6] ^= toBit;
        const int value = m_searchValues[placed + 6];
        m_materialBalance -= sign * (value - m_searchValues[code + 6]);
        m_nonPawnMaterial[side] -= value;
        m_pieceUnits[side] -= SEARCH_UNITS[promotion];
        ++m_pieceCount[code + 6];
        m_pieceTypes[side] |= 1u;
        if (--m_pieceCount[placed + 6] == 0)
            m_pieceTypes[side] &= ~(1u << (promotion - 1));
    }
    else
        m_pieceBits[code + 6] ^= fromBit | toBit;

    if (type == KING)
    {
        m_kingSquare[side] = from;
        if (to - from == 2 || from - to == 2)
        {
            const int rookFrom = to > from ? from + 3 : from - 4;
            const int rookTo = to > from ? from + 1 : from - 1;
            const int rook = sign * ROOK;
            const Bitboard rookBits = bit(rookFrom) | bit(rookTo);
            m_pieceBits[rook + 6] ^= rookBits;
            m_colourBits[side] ^= rookBits;
            m_occupied ^= rookBits;
            m_board[rookTo] = EMPTY;
            m_board[rookFrom] = rook;
            clearLineOccupancy(rookTo);
            setLineOccupancy(rookFrom);
            m_castled[side] = 0;
        }
    }

    if (captured)
    {
        const int victimSquare = (type == PAWN && to == m_state->epSquare) ? to - 8 * sign : to;
        const int victim = -sign * captured;
        const Bitboard victimBit = bit(victimSquare);
        m_board[victimSquare] = victim;
        setLineOccupancy(victimSquare);
        m_occupied ^= victimBit;
        m_colourBits[enemy] ^= victimBit;
        m_pieceBits[victim + 6] ^= victimBit;
        ++m_totalPieces;
        ++m_pieceCount[victim + 6];
        if (captured != KING)
            m_pieceTypes[enemy] |= 1u << (captured - 1);
        else
            m_kingSquare[enemy] = victimSquare;
        const int value = m_searchValues[victim + 6];
        m_materialBalance -= sign * value;
        if (captured != PAWN && captured != KING)
        {
            m_nonPawnMaterial[enemy] += value;
            m_pieceUnits[enemy] += SEARCH_UNITS[captured];
        }
    }
    CHECK_BOARD();
}

void CBoard::makeNullMove()
{
    if (m_state >= m_stateStack + STATE_CAPACITY - 1)
    {
        ++m_overflowPlies;
        return;
    }
    const BoardState* previous = m_state;
    BoardState* st = ++m_state;
    st->hashKey = previous->hashKey;
    st->pawnKey = previous->pawnKey;
    st->castling[0] = previous->castling[0];
    st->castling[1] = previous->castling[1];
    st->searchFlags = (previous->searchFlags & 2) | 1;
    st->searchCount = 0;
    st->epSquare = -1;
    if (previous->epSquare >= 0)
        st->hashKey ^= m_zobristValues[previous->epSquare][0];
    st->fiftyCount = previous->fiftyCount + 1;
    st->moveNumber = previous->moveNumber + (m_sideToMove == BLACK ? 1 : 0);
    st->move = NO_MOVE;
    m_sideToMove ^= 1;
    CHECK_BOARD();
}

void CBoard::unmakeNullMove()
{
    if (m_overflowPlies > 0)
    {
        --m_overflowPlies;
        return;
    }
    if (m_state <= m_loadedState)
        return;
    --m_state;
    m_sideToMove ^= 1;
}

int CBoard::gameState()
{
    // Repetition: same key, same side to move (even distance), within the
    // plies since the last capture or pawn move that are known.
    const int known = int(m_state - m_historyStart);
    const int reach = m_state->fiftyCount < known ? m_state->fiftyCount : known;
    int repeats = 0;
    for (int back = 2; back <= reach; back += 2)
        if ((m_state - back)->hashKey == m_state->hashKey && ++repeats == 2)
            return GAME_REPETITION;

    if (m_totalPieces == 2 || (m_totalPieces == 3 && m_pieceUnits[WHITE] + m_pieceUnits[BLACK] == 3))
        return GAME_INSUFFICIENT_MATERIAL;

    CMoveList list;
    generateLegalMoves(list);
    if (!list.empty())
        return m_state->fiftyCount >= 100 ? GAME_FIFTY_MOVES : GAME_PLAY_ON;
    return isInCheck(m_sideToMove) ? GAME_CHECKMATE : GAME_STALEMATE;
}

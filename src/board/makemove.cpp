// The piece primitives of the search board, making and taking back moves and
// null moves built from them, and the end-of-game test. Every key, count and
// sum changes by XOR or addition.
#include "board/board.h"

#include <cassert>

namespace
{
// Castling rights are only held while their king and rook stand at home, so
// a move that leaves or lands on one of those squares (moving that king or
// rook, or taking it) ends the rights that depend on it: by colour and
// square, both rights at the king's home, one at each rook's corner.
struct CRightsAt
{
    uint8_t of[2][64];
    constexpr CRightsAt() : of()
    {
        for (int colour = BLACK; colour <= WHITE; ++colour)
        {
            const int home = colour == WHITE ? 4 : 60;
            of[colour][home] = CASTLE_KING_SIDE | CASTLE_QUEEN_SIDE;
            of[colour][home + 3] = CASTLE_KING_SIDE;
            of[colour][home - 4] = CASTLE_QUEEN_SIDE;
        }
    }
};
constexpr CRightsAt RIGHTS_AT;

inline uint32_t rightsLost(const BoardState& st, int colour, int from, int to)
{
    return st.castling[colour] & (RIGHTS_AT.of[colour][from] | RIGHTS_AT.of[colour][to]);
}

// Key slots of a side's castling rights: the black-king entry of the rook's corner.
uint64_t rightsKey(int colour, uint32_t rights)
{
    const int home = colour == WHITE ? 4 : 60;
    uint64_t key = 0;
    if (rights & CASTLE_KING_SIDE)
        key ^= CBoard::m_zobristValues[home + 3][0];
    if (rights & CASTLE_QUEEN_SIDE)
        key ^= CBoard::m_zobristValues[home - 4][0];
    return key;
}

// How a move word changes the board, given the en-passant square of the
// position it is played in (the word's special bit is not needed).
enum MoveKind
{
    NORMAL_MOVE,  // with or without a capture on the to-square
    CASTLE_MOVE,
    EN_PASSANT_MOVE,
    PROMOTION_MOVE,
};

inline MoveKind moveKind(Move move, int epSquare)
{
    // The rare kinds are asked first, each by its rarest feature.
    if (isPromotion(move) && movePiece(move) == PAWN)
        return PROMOTION_MOVE;
    if (moveTo(move) == epSquare && movePiece(move) == PAWN)
        return EN_PASSANT_MOVE;
    if (isCastling(move))
        return CASTLE_MOVE;
    return NORMAL_MOVE;
}

// The rook's squares of a castling king move.
inline int castlingRookFrom(int from, int to) { return to > from ? from + 3 : from - 4; }
inline int castlingRookTo(int from, int to) { return to > from ? from + 1 : from - 1; }

#ifdef VEKRAN_BOARD_CHECKS
#define CHECK_BOARD() assert(CBoard::isConsistent())
#else
#define CHECK_BOARD() ((void)0)
#endif
}

// ---- Piece primitives ------------------------------------------------------------------
// The callers know every code from the move word; the mailbox only confirms it.

inline void CBoard::putPiece(int square, int code, KeyChange& keys)
{
    assert(m_board[square] == EMPTY);
    const int colour = pieceColour(code), type = pieceType(code);
    const Bitboard b = bit(square);
    m_board[square] = code;
    m_pieceBits[code + 6] |= b;
    m_colourBits[colour] |= b;
    m_occupied |= b;
    setLineOccupancy(square);
    ++m_pieceCount[code + 6];
    ++m_totalPieces;
    const int value = m_searchValues[code + 6];
    m_materialBalance += colour == WHITE ? value : -value;
    if (type == KING)
        m_kingSquare[colour] = square;
    else
        m_pieceTypes[colour] |= 1u << (type - 1);
    if (type != KING && type != PAWN)
    {
        m_nonPawnMaterial[colour] += value;
        m_pieceUnits[colour] += SEARCH_UNITS[type];
    }
    keys.toggle(pieceKey(square, code), code);
}

inline void CBoard::removePiece(int square, int code, KeyChange& keys)
{
    assert(m_board[square] == code);
    const int colour = pieceColour(code), type = pieceType(code);
    const Bitboard b = bit(square);
    m_board[square] = EMPTY;
    m_pieceBits[code + 6] ^= b;
    m_colourBits[colour] ^= b;
    m_occupied ^= b;
    clearLineOccupancy(square);
    --m_pieceCount[code + 6];
    --m_totalPieces;
    const int value = m_searchValues[code + 6];
    m_materialBalance -= colour == WHITE ? value : -value;
    // A king is only ever taken in positions where the side not to move stood
    // in check; the kingless side then has no king square.
    if (type == KING)
        m_kingSquare[colour] = -1;
    else if (m_pieceCount[code + 6] == 0)
        m_pieceTypes[colour] &= ~(1u << (type - 1));
    if (type != KING && type != PAWN)
    {
        m_nonPawnMaterial[colour] -= value;
        m_pieceUnits[colour] -= SEARCH_UNITS[type];
    }
    keys.toggle(pieceKey(square, code), code);
}

inline void CBoard::relocatePiece(int from, int to, int code, KeyChange& keys)
{
    assert(m_board[from] == code && m_board[to] == EMPTY);
    const Bitboard b = bit(from) | bit(to);
    m_board[from] = EMPTY;
    m_board[to] = code;
    m_pieceBits[code + 6] ^= b;
    m_colourBits[pieceColour(code)] ^= b;
    m_occupied ^= b;
    clearLineOccupancy(from);
    setLineOccupancy(to);
    if (pieceType(code) == KING)
        m_kingSquare[pieceColour(code)] = to;
    keys.toggle(pieceKey(from, code) ^ pieceKey(to, code), code);
}

// Loading puts its pieces with the same primitive; it computes the keys whole afterwards.
void CBoard::placePiece(int square, int code)
{
    KeyChange ignored;
    putPiece(square, code, ignored);
}

// ---- Records ------------------------------------------------------------------------------

inline bool CBoard::pushState(Move move)
{
    if (!hasRoom())
    {
        ++m_overflowPlies;  // no room: count it so the matching unmake stays paired
        return false;
    }
    const BoardState& previous = *m_state;
    BoardState& st = *++m_state;
    st.hashKey = previous.hashKey;
    st.pawnKey = previous.pawnKey;
    st.castling[0] = previous.castling[0];
    st.castling[1] = previous.castling[1];
    st.searchFlags = (previous.searchFlags & 2) | (move == NO_MOVE ? 1 : 0);
    st.searchCount = 0;
    st.epSquare = -1;
    if (previous.epSquare >= 0)
        st.hashKey ^= m_zobristValues[previous.epSquare][0];
    // A pawn move or a capture starts the fifty-move count again.
    st.fiftyCount = movePiece(move) == PAWN || isCapture(move) ? 0 : previous.fiftyCount + 1;
    st.moveNumber = previous.moveNumber + (m_sideToMove == BLACK ? 1 : 0);
    st.move = move;
    m_sideToMove ^= 1;
    return true;
}

inline bool CBoard::popState()
{
    if (m_overflowPlies > 0)
    {
        --m_overflowPlies;
        return false;
    }
    if (m_state <= m_loadedState)
        return false;
    --m_state;
    m_sideToMove ^= 1;
    return true;
}

// ---- Making and unmaking -----------------------------------------------------------------

void CBoard::makeMove(Move move)
{
    if (m_sideToMove == WHITE)
        makeMoveOf<WHITE>(move);
    else
        makeMoveOf<BLACK>(move);
}

template <int SIDE>
void CBoard::makeMoveOf(Move move)
{
    constexpr int SIGN = SIDE == WHITE ? 1 : -1;
    const int previousEp = m_state->epSquare;
    if (!pushState(move))
        return;
    BoardState& st = *m_state;
    const int from = moveFrom(move), to = moveTo(move);
    const MoveKind kind = moveKind(move, previousEp);
    KeyChange keys;

    // Take the victim, move the piece (or turn the pawn into its promotion
    // piece), and bring the rook along when castling.
    if (isCapture(move))
        removePiece(kind == EN_PASSANT_MOVE ? to - 8 * SIGN : to, -SIGN * moveCaptured(move), keys);
    if (kind == PROMOTION_MOVE)
    {
        removePiece(from, SIGN * PAWN, keys);
        putPiece(to, SIGN * movePromotion(move), keys);
    }
    else
        relocatePiece(from, to, SIGN * movePiece(move), keys);
    if (kind == CASTLE_MOVE)
    {
        relocatePiece(castlingRookFrom(from, to), castlingRookTo(from, to), SIGN * ROOK, keys);
        m_castled[SIDE] = to > from ? 1 : 2;
    }

    // Only a pawn that could take en passant makes the passed square worth keeping.
    if (movePiece(move) == PAWN && to - from == 16 * SIGN)
    {
        const Bitboard beside = ((bit(to) << 1) & ~attacks::FILE_A) | ((bit(to) >> 1) & ~attacks::FILE_H);
        if (beside & m_pieceBits[-SIGN * PAWN + 6])
        {
            st.epSquare = from + 8 * SIGN;
            keys.hash ^= m_zobristValues[st.epSquare][0];
        }
    }
    const uint32_t lostWhite = rightsLost(st, WHITE, from, to), lostBlack = rightsLost(st, BLACK, from, to);
    if (lostWhite | lostBlack)
    {
        st.castling[WHITE] ^= lostWhite;
        st.castling[BLACK] ^= lostBlack;
        keys.hash ^= rightsKey(WHITE, lostWhite) ^ rightsKey(BLACK, lostBlack);
    }
    st.hashKey ^= keys.hash;
    st.pawnKey ^= keys.pawn;
    CHECK_BOARD();
}

void CBoard::unmakeMove()
{
    const Move move = m_state->move;
    if (!popState())
        return;
    if (move == NO_MOVE)
        CHECK_BOARD();
    else if (m_sideToMove == WHITE)
        unmakeMoveOf<WHITE>(move);
    else
        unmakeMoveOf<BLACK>(move);
}

template <int SIDE>
void CBoard::unmakeMoveOf(Move move)
{
    constexpr int SIGN = SIDE == WHITE ? 1 : -1;
    const int from = moveFrom(move), to = moveTo(move);
    const MoveKind kind = moveKind(move, m_state->epSquare);
    KeyChange ignored;  // the record below still holds the keys from before the move

    // The steps of the make in reverse order.
    if (kind == CASTLE_MOVE)
    {
        relocatePiece(castlingRookTo(from, to), castlingRookFrom(from, to), SIGN * ROOK, ignored);
        m_castled[SIDE] = 0;
    }
    if (kind == PROMOTION_MOVE)
    {
        removePiece(to, SIGN * movePromotion(move), ignored);
        putPiece(from, SIGN * PAWN, ignored);
    }
    else
        relocatePiece(to, from, SIGN * movePiece(move), ignored);
    if (isCapture(move))
        putPiece(kind == EN_PASSANT_MOVE ? to - 8 * SIGN : to, -SIGN * moveCaptured(move), ignored);
    CHECK_BOARD();
}

void CBoard::makeNullMove()
{
    if (pushState(NO_MOVE))
        CHECK_BOARD();
}

void CBoard::unmakeNullMove()
{
    if (popState())
        CHECK_BOARD();
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

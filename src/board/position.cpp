// CPosition: construction, placement, game-state setters with incremental keys,
// and making a move on the value.
#include "board/position.h"

#include "board/board.h"

namespace
{
const int START_PLACEMENT[64] = {
    4,  2,  3,  5,  6,  3,  2,  4,   //
    1,  1,  1,  1,  1,  1,  1,  1,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    -1, -1, -1, -1, -1, -1, -1, -1,  //
    -4, -2, -3, -5, -6, -3, -2, -4,
};

// The start position turned by 180 degrees (kings and queens swap files).
const int ROTATED_START_PLACEMENT[64] = {
    -4, -2, -3, -6, -5, -3, -2, -4,  //
    -1, -1, -1, -1, -1, -1, -1, -1,  //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    1,  1,  1,  1,  1,  1,  1,  1,   //
    4,  2,  3,  6,  5,  3,  2,  4,
};

// Key slot of each castling right: the black-king entry of the rook's corner.
const int CASTLING_KEY_SQUARE[4] = {7, 0, 63, 56};

inline uint64_t pieceKey(int square, int code) { return CBoard::m_zobristValues[square][code + 6]; }
inline uint64_t slotKey(int square) { return CBoard::m_zobristValues[square][0]; }
}  // namespace

constexpr int CPosition::PIECE_VALUES[7];

CPosition::CPosition() { setUp(START_PLACEMENT, true, 4, 60); }

void CPosition::clear()
{
    static const int EMPTY_PLACEMENT[64] = {};
    setUp(EMPTY_PLACEMENT, false, NO_SQUARE, NO_SQUARE);
}

void CPosition::setUp(const int placement[64], bool castlingRights, int whiteKingSquare, int blackKingSquare)
{
    for (int s = 0; s < 64; ++s)
        m_squares[s] = placement[s];
    m_sideToMove = 1;
    for (int i = 0; i < 4; ++i)
        m_castling[i] = castlingRights ? 1 : 0;
    m_epSquare = NO_SQUARE;
    m_halfmoveClock = 0;
    m_moveNumber = 1;
    m_blackKingSquare = blackKingSquare;
    m_whiteKingSquare = whiteKingSquare;
    m_hashKey = computeHashKey();
    recountMaterial();
}

bool CPosition::isStartPosition() const
{
    for (int s = 0; s < 64; ++s)
        if (m_squares[s] != START_PLACEMENT[s])
            return false;
    for (int i = 0; i < 4; ++i)
        if (!m_castling[i])
            return false;
    return m_sideToMove == 1 && m_epSquare == NO_SQUARE && m_halfmoveClock == 0;
}

bool CPosition::isRotatedStartPosition() const
{
    for (int s = 0; s < 64; ++s)
        if (m_squares[s] != ROTATED_START_PLACEMENT[s])
            return false;
    return m_sideToMove == 1 && m_epSquare == NO_SQUARE && m_halfmoveClock == 0;
}

void CPosition::setPiece(int square, int code)
{
    if (square < 0 || square >= 64 || code < -KING || code > KING)
        return;
    int old = m_squares[square];
    if (old != 0)
    {
        m_hashKey ^= pieceKey(square, old);
        if (pieceType(old) != PAWN)
            m_material[pieceColour(old)] -= PIECE_VALUES[pieceType(old)];
    }
    m_squares[square] = code;
    if (code == KING)
        m_whiteKingSquare = square;
    else if (code == -KING)
        m_blackKingSquare = square;
    if (code == 0)
        return;
    m_hashKey ^= pieceKey(square, code);
    if (pieceType(code) != PAWN)
        m_material[pieceColour(code)] += PIECE_VALUES[pieceType(code)];
}

void CPosition::setCastling(int index, bool allowed)
{
    if (index < 0 || index >= 4 || (m_castling[index] != 0) == allowed)
        return;
    m_castling[index] = allowed ? 1 : 0;
    m_hashKey ^= slotKey(CASTLING_KEY_SQUARE[index]);
}

void CPosition::setEpSquare(int square)
{
    if (square < 0 || square >= 64)
        square = NO_SQUARE;
    if (square == m_epSquare)
        return;
    if (m_epSquare != NO_SQUARE)
        m_hashKey ^= slotKey(m_epSquare);
    m_epSquare = square;
    if (m_epSquare != NO_SQUARE)
        m_hashKey ^= slotKey(m_epSquare);
}

std::string CPosition::epSquareText() const
{
    if (m_epSquare == NO_SQUARE)
        return "-";
    return std::string{char('a' + fileOf(m_epSquare)), char('1' + rankOf(m_epSquare))};
}

void CPosition::setEpSquareText(const std::string& text)
{
    if (text.size() == 2 && text[0] >= 'a' && text[0] <= 'h' && text[1] >= '1' && text[1] <= '8')
        setEpSquare((text[0] - 'a') + (text[1] - '1') * 8);
    else
        setEpSquare(NO_SQUARE);
}

uint64_t CPosition::computeHashKey() const
{
    uint64_t key = 0;
    for (int s = 0; s < 64; ++s)
        if (m_squares[s] != 0)
            key ^= pieceKey(s, m_squares[s]);
    if (m_epSquare != NO_SQUARE)
        key ^= slotKey(m_epSquare);
    for (int i = 0; i < 4; ++i)
        if (m_castling[i])
            key ^= slotKey(CASTLING_KEY_SQUARE[i]);
    return key;
}

int CPosition::materialOf(int colour) const
{
    int total = 0;
    for (int s = 0; s < 64; ++s)
        if (m_squares[s] != 0 && pieceType(m_squares[s]) != PAWN &&
            pieceColour(m_squares[s]) == (colour ? WHITE : BLACK))
            total += PIECE_VALUES[pieceType(m_squares[s])];
    return total;
}

void CPosition::recountMaterial()
{
    m_material[BLACK] = materialOf(BLACK);
    m_material[WHITE] = materialOf(WHITE);
}

void CPosition::makeMove(Move move)
{
    const int us = m_sideToMove ? WHITE : BLACK;
    const int from = moveFrom(move);
    const int to = moveTo(move);
    const int piece = m_squares[from];
    // A word that does not move a piece of the side to move would corrupt the
    // value (kings, keys, material); such words are ignored.
    if (move != NO_MOVE && (piece == 0 || pieceColour(piece) != us))
        return;

    ++m_halfmoveClock;
    const int oldEp = m_epSquare;
    setEpSquare(NO_SQUARE);

    if (move == NO_MOVE)
    {
        m_sideToMove = us == WHITE ? 0 : 1;
        return;
    }

    const int sign = us == WHITE ? 1 : -1;
    const int type = pieceType(piece);
    int placed = piece;
    setPiece(from, 0);

    if (type == KING)
    {
        const int kingSide = us == WHITE ? WHITE_KINGSIDE : BLACK_KINGSIDE;
        const int queenSide = us == WHITE ? WHITE_QUEENSIDE : BLACK_QUEENSIDE;
        if (castling(kingSide) && to == from + 2 && pieceAt(from + 3) == ROOK * sign)
        {
            setPiece(from + 3, 0);
            setPiece(from + 1, ROOK * sign);
        }
        else if (castling(queenSide) && to == from - 2 && pieceAt(from - 4) == ROOK * sign)
        {
            setPiece(from - 4, 0);
            setPiece(from - 1, ROOK * sign);
        }
        setCastling(kingSide, false);
        setCastling(queenSide, false);
    }
    else if (type == ROOK)
    {
        if (from == (us == WHITE ? 7 : 63))
            setCastling(us == WHITE ? WHITE_KINGSIDE : BLACK_KINGSIDE, false);
        else if (from == (us == WHITE ? 0 : 56))
            setCastling(us == WHITE ? WHITE_QUEENSIDE : BLACK_QUEENSIDE, false);
    }
    else if (type == PAWN)
    {
        m_halfmoveClock = 0;
        const int promotion = movePromotion(move);
        if (promotion >= KNIGHT && promotion <= QUEEN)
            placed = promotion * sign;
        // Taking en passant: the victim stands behind the passed square.
        const int behind = to - 8 * sign;
        if (to == oldEp && fileOf(to) != fileOf(from) && m_squares[to] == 0 && pieceAt(behind) == -PAWN * sign)
            setPiece(behind, 0);
        // A double step leaves a passed square only when an enemy pawn could take on it.
        if (to - from == 16 * sign)
        {
            const bool leftEnemy = fileOf(to) > 0 && m_squares[to - 1] == -PAWN * sign;
            const bool rightEnemy = fileOf(to) < 7 && m_squares[to + 1] == -PAWN * sign;
            if (leftEnemy || rightEnemy)
                setEpSquare(from + 8 * sign);
        }
    }

    const int captured = m_squares[to];
    if (captured != 0)
    {
        // A rook taken on its corner takes the opponent's right with it.
        if (captured == -ROOK * sign)
        {
            if (to == (us == WHITE ? 63 : 7))
                setCastling(us == WHITE ? BLACK_KINGSIDE : WHITE_KINGSIDE, false);
            else if (to == (us == WHITE ? 56 : 0))
                setCastling(us == WHITE ? BLACK_QUEENSIDE : WHITE_QUEENSIDE, false);
        }
        m_halfmoveClock = 0;
    }
    // Also takes the victim's key and material out.
    setPiece(to, placed);

    m_sideToMove = us == WHITE ? 0 : 1;
    if (m_sideToMove == 1)
        ++m_moveNumber;
}

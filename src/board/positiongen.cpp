// Move generation on CPosition: a square-by-square generator over direction
// tables, used for move input, SAN output, PGN reading and user-move legality.
#include "board/position.h"

#include <initializer_list>
#include <utility>

#include "board/bitboard.h"

using namespace attacks;

namespace
{
// Squares a slider on a square reaches in each direction on an empty board,
// ending with -1; knight and king targets in ascending order, ending with -1.
struct CGeometry
{
    int8_t rays[64][8][8];
    int8_t knightSteps[64][9];
    int8_t kingSteps[64][9];

    CGeometry()
    {
        for (int s = 0; s < 64; ++s)
        {
            for (int d = 0; d < 8; ++d)
            {
                int n = 0;
                int file = fileOf(s) + DIRECTION_FILE_STEP[d];
                int rank = rankOf(s) + DIRECTION_RANK_STEP[d];
                while (file >= 0 && file < 8 && rank >= 0 && rank < 8)
                {
                    rays[s][d][n++] = int8_t(squareOf(rank, file));
                    file += DIRECTION_FILE_STEP[d];
                    rank += DIRECTION_RANK_STEP[d];
                }
                rays[s][d][n] = -1;
            }
            fillSteps(s, knightSteps[s], {{-2, -1}, {-2, 1}, {-1, -2}, {-1, 2}, {1, -2}, {1, 2}, {2, -1}, {2, 1}});
            fillSteps(s, kingSteps[s], {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 1}, {1, -1}, {1, 0}, {1, 1}});
        }
    }

    // Steps given as (rank, file) pairs sorted so the targets come out ascending.
    static void fillSteps(int s, int8_t* out, std::initializer_list<std::pair<int, int>> steps)
    {
        int n = 0;
        for (const auto& step : steps)
        {
            int rank = rankOf(s) + step.first;
            int file = fileOf(s) + step.second;
            if (rank >= 0 && rank < 8 && file >= 0 && file < 8)
                out[n++] = int8_t(squareOf(rank, file));
        }
        out[n] = -1;
    }
};

const CGeometry& geometry()
{
    static const CGeometry tables;
    return tables;
}

const int QUEEN_DIRECTIONS[] = {0, 1, 2, 3, 4, 5, 6, 7, -1};
const int ROOK_DIRECTIONS[] = {0, 2, 4, 6, -1};
const int BISHOP_DIRECTIONS[] = {1, 3, 5, 7, -1};
const int PROMOTION_ORDER[4] = {QUEEN, ROOK, BISHOP, KNIGHT};
}  // namespace

bool CPosition::isAttacked(int square, int byColour) const
{
    if (square < 0 || square >= 64)
        return false;
    const CGeometry& g = geometry();
    const int sign = byColour == WHITE ? 1 : -1;

    for (const int8_t* t = g.knightSteps[square]; *t >= 0; ++t)
        if (m_squares[*t] == KNIGHT * sign)
            return true;
    for (const int8_t* t = g.kingSteps[square]; *t >= 0; ++t)
        if (m_squares[*t] == KING * sign)
            return true;
    // A white pawn attacks from one rank below, a black pawn from one rank above.
    const int pawnFrom[2] = {byColour == WHITE ? SOUTH_WEST : NORTH_WEST, byColour == WHITE ? SOUTH_EAST : NORTH_EAST};
    for (int d : pawnFrom)
    {
        int s = g.rays[square][d][0];
        if (s >= 0 && m_squares[s] == PAWN * sign)
            return true;
    }
    for (int d = 0; d < 8; ++d)
    {
        const bool diagonal = (d & 1) != 0;
        for (const int8_t* t = g.rays[square][d]; *t >= 0; ++t)
        {
            int code = m_squares[*t];
            if (code == 0)
                continue;
            if (code == QUEEN * sign || code == (diagonal ? BISHOP : ROOK) * sign)
                return true;
            break;
        }
    }
    return false;
}

bool CPosition::isInCheck() const
{
    return isAttacked(kingSquare(m_sideToMove ? WHITE : BLACK), m_sideToMove ? BLACK : WHITE);
}

void CPosition::generatePawnMoves(int square, CMoveList& list) const
{
    const CGeometry& g = geometry();
    const bool white = m_sideToMove != 0;
    const int sign = white ? 1 : -1;
    const int lastRank = white ? 7 : 0;
    const int startRank = white ? 1 : 6;

    auto add = [&](int to, int captured, bool enPassant) {
        if (rankOf(to) == lastRank)
        {
            for (int promotion : PROMOTION_ORDER)
                list.add(makeMoveWord(square, to, PAWN, captured, promotion, true));
        }
        else
            list.add(makeMoveWord(square, to, PAWN, captured, 0, enPassant));
    };

    // Pushes; the tables end at the board's edge, so a pawn on its last rank has none.
    const int ahead = g.rays[square][white ? NORTH : SOUTH][0];
    if (ahead >= 0 && m_squares[ahead] == 0)
    {
        add(ahead, 0, false);
        const int twoAhead = g.rays[square][white ? NORTH : SOUTH][1];
        if (rankOf(square) == startRank && twoAhead >= 0 && m_squares[twoAhead] == 0)
            add(twoAhead, 0, false);
    }
    // Captures towards the a-file, then towards the h-file.
    const int captureDirections[2] = {white ? NORTH_WEST : SOUTH_WEST, white ? NORTH_EAST : SOUTH_EAST};
    for (int d : captureDirections)
    {
        const int to = g.rays[square][d][0];
        if (to >= 0 && m_squares[to] != 0 && pieceColour(m_squares[to]) != (white ? WHITE : BLACK))
            add(to, pieceType(m_squares[to]), false);
    }
    // En passant: only onto an empty passed square with the enemy pawn behind it.
    if (m_epSquare >= 0 && m_squares[m_epSquare] == 0 && pieceAt(m_epSquare - 8 * sign) == -PAWN * sign)
        for (int d : captureDirections)
            if (g.rays[square][d][0] == m_epSquare)
                list.add(makeMoveWord(square, m_epSquare, PAWN, PAWN, 0, true));
}

void CPosition::generateCastling(int square, CMoveList& list) const
{
    const bool white = m_sideToMove != 0;
    const int home = white ? 4 : 60;
    if (square != home)
        return;
    const int sign = white ? 1 : -1;
    const int enemy = white ? BLACK : WHITE;
    const int kingSide = white ? WHITE_KINGSIDE : BLACK_KINGSIDE;
    const int queenSide = white ? WHITE_QUEENSIDE : BLACK_QUEENSIDE;
    if (m_castling[kingSide] && m_squares[home + 3] == ROOK * sign && m_squares[home + 1] == 0 &&
        m_squares[home + 2] == 0 && !isAttacked(home, enemy) && !isAttacked(home + 1, enemy))
        list.add(makeMoveWord(home, home + 2, KING));
    if (m_castling[queenSide] && m_squares[home - 4] == ROOK * sign && m_squares[home - 1] == 0 &&
        m_squares[home - 2] == 0 && m_squares[home - 3] == 0 && !isAttacked(home, enemy) &&
        !isAttacked(home - 1, enemy))
        list.add(makeMoveWord(home, home - 2, KING));
}

void CPosition::generateMovesOfSquare(int square, CMoveList& list) const
{
    const int code = m_squares[square];
    if (code == 0 || pieceColour(code) != (m_sideToMove ? WHITE : BLACK))
        return;
    const CGeometry& g = geometry();
    const int type = pieceType(code);
    const int us = pieceColour(code);

    auto addTarget = [&](int to) -> bool {
        // Returns whether a slider may go on past this square.
        const int target = m_squares[to];
        if (target == 0)
        {
            list.add(makeMoveWord(square, to, type));
            return true;
        }
        if (pieceColour(target) != us)
            list.add(makeMoveWord(square, to, type, pieceType(target)));
        return false;
    };

    switch (type)
    {
    case PAWN:
        generatePawnMoves(square, list);
        break;
    case KNIGHT:
        for (const int8_t* t = g.knightSteps[square]; *t >= 0; ++t)
            addTarget(*t);
        break;
    case KING:
        for (const int8_t* t = g.kingSteps[square]; *t >= 0; ++t)
            addTarget(*t);
        generateCastling(square, list);
        break;
    default:
    {
        const int* directions = type == QUEEN ? QUEEN_DIRECTIONS : type == ROOK ? ROOK_DIRECTIONS : BISHOP_DIRECTIONS;
        for (const int* d = directions; *d >= 0; ++d)
            for (const int8_t* t = g.rays[square][*d]; *t >= 0; ++t)
                if (!addTarget(*t))
                    break;
        break;
    }
    }
}

void CPosition::generatePseudoLegal(CMoveList& list) const
{
    list.clear();
    for (int s = 0; s < 64; ++s)
        generateMovesOfSquare(s, list);
}

void CPosition::generatePseudoLegalFrom(int square, CMoveList& list) const
{
    list.clear();
    if (square >= 0 && square < 64)
        generateMovesOfSquare(square, list);
}

void CPosition::generatePseudoLegalOf(int pieceCode, CMoveList& list) const
{
    list.clear();
    if (pieceCode == 0)
        return;
    for (int s = 0; s < 64; ++s)
        if (m_squares[s] == pieceCode)
            generateMovesOfSquare(s, list);
}

bool CPosition::isLegalAfter(Move move) const
{
    // Taking a king is never a move: positions with the side not to move in
    // check are accepted from FEN, and must not lead to a board without a king.
    if (pieceType(m_squares[moveTo(move)]) == KING)
        return false;
    CPosition after(*this);
    after.makeMove(move);
    const int mover = m_sideToMove ? WHITE : BLACK;
    return !after.isAttacked(after.kingSquare(mover), mover == WHITE ? BLACK : WHITE);
}

void CPosition::filterLegal(const CMoveList& pseudo, CMoveList& list) const
{
    list.clear();
    for (Move move : pseudo)
        if (isLegalAfter(move))
            list.add(move);
}

void CPosition::generateLegal(CMoveList& list) const
{
    CMoveList pseudo;
    generatePseudoLegal(pseudo);
    filterLegal(pseudo, list);
}

void CPosition::generateLegalFrom(int square, CMoveList& list) const
{
    CMoveList pseudo;
    generatePseudoLegalFrom(square, pseudo);
    filterLegal(pseudo, list);
}

void CPosition::generateLegalOf(int pieceCode, CMoveList& list) const
{
    CMoveList pseudo;
    generatePseudoLegalOf(pieceCode, pseudo);
    filterLegal(pseudo, list);
}

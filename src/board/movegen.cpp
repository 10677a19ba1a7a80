// Move generation, attack and check tests on the search board.
#include "board/board.h"

#include <initializer_list>

using namespace attacks;

namespace
{
const int PROMOTIONS_UNDER[3] = {ROOK, BISHOP, KNIGHT};
}

// ---- Attack tests --------------------------------------------------------------

bool CBoard::isAttacked(int square, int byColour)
{
    int sign = byColour == WHITE ? 1 : -1;
    // A pawn of byColour attacks the square when it stands where a pawn of the
    // other colour on the square would capture.
    if (PAWN_CAPTURE[byColour ^ 1][square] & m_pieceBits[sign * PAWN + 6])
        return true;
    if (KNIGHT_ATTACKS[square] & m_pieceBits[sign * KNIGHT + 6])
        return true;
    Bitboard queens = m_pieceBits[sign * QUEEN + 6];
    if (bishopAttacks(square) & (m_pieceBits[sign * BISHOP + 6] | queens))
        return true;
    if (rookAttacks(square) & (m_pieceBits[sign * ROOK + 6] | queens))
        return true;
    return (KING_ATTACKS[square] & m_pieceBits[sign * KING + 6]) != 0;
}

bool CBoard::isInCheck(int colour)
{
    int king = m_kingSquare[colour];
    return king >= 0 && isAttacked(king, colour ^ 1);
}

// The same question on an occupancy that differs from the board's (the own
// king lifted off), answered with the geometry tables instead of the lookups.
bool CBoard::attackedOnOccupancy(int square, int byColour, Bitboard occupancy)
{
    Bitboard attackers = m_colourBits[byColour];
    while (attackers)
    {
        int from = popLowest(attackers);
        uint32_t relation = RELATION[from][square] & PIECE_RELATION[m_board[from] + 6];
        if (relation == 0)
            continue;
        if (!(relation & (REL_ORTHOGONAL | REL_DIAGONAL)) || !(BETWEEN[from][square] & occupancy))
            return true;
    }
    return false;
}

bool CBoard::castlingPathSafe(int colour, int crossedSquare)
{
    Bitboard withoutKing = m_occupied & ~bitOrZero(m_kingSquare[colour]);
    return !attackedOnOccupancy(crossedSquare, colour ^ 1, withoutKing);
}

int CBoard::findChecker(int colour)
{
    int king = m_kingSquare[colour];
    if (king < 0)
        return -1;
    int sign = colour == WHITE ? -1 : 1;  // the enemy's sign
    Bitboard found = PAWN_CAPTURE[colour][king] & m_pieceBits[sign * PAWN + 6];
    if (!found)
        found = KNIGHT_ATTACKS[king] & m_pieceBits[sign * KNIGHT + 6];
    Bitboard queens = m_pieceBits[sign * QUEEN + 6];
    if (!found)
        found = bishopAttacks(king) & (m_pieceBits[sign * BISHOP + 6] | queens);
    if (!found)
        found = rookAttacks(king) & (m_pieceBits[sign * ROOK + 6] | queens);
    if (!found)
        found = KING_ATTACKS[king] & m_pieceBits[sign * KING + 6];
    return found ? lowestSquare(found) : -1;
}

Bitboard CBoard::attacksFrom(int square)
{
    if (square < 0 || square > 63)
        return 0;
    int code = m_board[square];
    switch (pieceType(code))
    {
    case PAWN:
    {
        int colour = pieceColour(code);
        int forward = colour == WHITE ? 8 : -8;
        Bitboard targets = bitOrZero(square + forward) & ~m_occupied;
        if (targets && rankOf(square) == (colour == WHITE ? 1 : 6))
            targets |= bitOrZero(square + 2 * forward) & ~m_occupied;
        Bitboard victims = m_colourBits[colour ^ 1];
        if (colour == m_sideToMove)
            victims |= bitOrZero(m_state->epSquare);
        return targets | (PAWN_CAPTURE[colour][square] & victims);
    }
    case KNIGHT:
        return KNIGHT_ATTACKS[square];
    case BISHOP:
        return bishopAttacks(square);
    case ROOK:
        return rookAttacks(square);
    case QUEEN:
        return queenAttacks(square);
    case KING:
        return KING_ATTACKS[square];
    default:
        return 0;
    }
}

bool CBoard::isPinned(int square)
{
    int king = m_kingSquare[m_sideToMove];
    // Only the mover's own pieces can be pinned against its king.
    if (square < 0 || square > 63 || king < 0 || square == king || m_board[square] == EMPTY ||
        pieceColour(m_board[square]) != m_sideToMove)
        return false;
    int direction = DIRECTION[king][square];
    if (direction < 0 || (BETWEEN[king][square] & m_occupied))
        return false;
    int sign = m_sideToMove == WHITE ? -1 : 1;
    Bitboard line;
    Bitboard sliders = m_pieceBits[sign * QUEEN + 6];
    switch (direction)
    {
    case 0:
    case 4:
        line = rankAttacks(square);
        sliders |= m_pieceBits[sign * ROOK + 6];
        break;
    case 2:
    case 6:
        line = fileAttacks(square);
        sliders |= m_pieceBits[sign * ROOK + 6];
        break;
    case 1:
    case 5:
        line = diagAttacks(square);
        sliders |= m_pieceBits[sign * BISHOP + 6];
        break;
    default:
        line = antiDiagAttacks(square);
        sliders |= m_pieceBits[sign * BISHOP + 6];
        break;
    }
    return (line & RAYS[direction][square] & sliders) != 0;
}

// ---- Generators --------------------------------------------------------------------

namespace
{
template <int SIDE>
struct Side
{
    static constexpr int SIGN = SIDE == WHITE ? 1 : -1;
    static constexpr bool LOW = SIDE == WHITE;  // white walks squares upwards
    static constexpr Bitboard SEVENTH = SIDE == WHITE ? rankMask(6) : rankMask(1);
    static constexpr Bitboard SECOND = SIDE == WHITE ? rankMask(1) : rankMask(6);
    static constexpr Bitboard LAST = SIDE == WHITE ? rankMask(7) : rankMask(0);
    static constexpr int FORWARD = SIDE == WHITE ? 8 : -8;
    // Capture towards the a-file and towards the h-file: step and source mask.
    static constexpr int TOWARD_A = SIDE == WHITE ? 7 : -9;
    static constexpr int TOWARD_H = SIDE == WHITE ? 9 : -7;
    static Bitboard shift(Bitboard b, int step) { return step > 0 ? b << step : b >> -step; }
};
}

template <int SIDE>
static void generateCapturesOf(CMoveList& list)
{
    typedef Side<SIDE> S;
    const Bitboard enemies = CBoard::m_colourBits[SIDE ^ 1];
    for (int type = KNIGHT; type <= KING; ++type)
    {
        Bitboard pieces = CBoard::m_pieceBits[S::SIGN * type + 6];
        while (pieces)
        {
            int from = popSquare(pieces, S::LOW);
            Bitboard targets = CBoard::attacksFrom(from) & enemies;
            while (targets)
            {
                int to = popSquare(targets, !S::LOW);
                list.add(makeMoveWord(from, to, type, pieceType(CBoard::m_board[to])));
            }
        }
    }

    const Bitboard pawns = CBoard::m_pieceBits[S::SIGN * PAWN + 6];
    Bitboard pushes = S::shift(pawns & S::SEVENTH, S::FORWARD) & ~CBoard::m_occupied;
    while (pushes)
    {
        int to = popSquare(pushes, !S::LOW);
        list.add(makeMoveWord(to - S::FORWARD, to, PAWN, 0, QUEEN, true));
    }

    const int ep = CBoard::m_state->epSquare;
    const Bitboard victims = enemies | bitOrZero(ep);
    for (int step : {S::TOWARD_A, S::TOWARD_H})
    {
        Bitboard edge = (step == S::TOWARD_A) ? FILE_A : FILE_H;
        Bitboard targets = S::shift(pawns & ~edge, step) & victims;
        while (targets)
        {
            int to = popSquare(targets, S::LOW);
            int from = to - step;
            int victim = pieceType(CBoard::m_board[to]);
            if (victim == EMPTY)
                list.add(makeMoveWord(from, to, PAWN, PAWN, 0, true));
            else if (bit(to) & S::LAST)
                list.add(makeMoveWord(from, to, PAWN, victim, QUEEN, true));
            else
                list.add(makeMoveWord(from, to, PAWN, victim));
        }
    }
}

template <int SIDE>
static void generateNonCapturesOf(CMoveList& list)
{
    typedef Side<SIDE> S;
    const Bitboard empty = ~CBoard::m_occupied;
    for (int type = KNIGHT; type <= KING; ++type)
    {
        Bitboard pieces = CBoard::m_pieceBits[S::SIGN * type + 6];
        while (pieces)
        {
            int from = popSquare(pieces, S::LOW);
            Bitboard targets = CBoard::attacksFrom(from) & empty;
            while (targets)
                list.add(makeMoveWord(from, popSquare(targets, S::LOW), type));
        }
    }

    const uint32_t rights = CBoard::m_state->castling[SIDE];
    if (rights)
    {
        const int home = SIDE == WHITE ? 4 : 60;
        const int backRank = int((CBoard::m_occupied >> (home & 56)) & 0xff);
        const uint8_t path = CASTLE_PATH[SIDE][backRank];
        if (path && !CBoard::isInCheck(SIDE))
        {
            if ((path & 1) && (rights & 1) && CBoard::castlingPathSafe(SIDE, home + 1))
                list.add(makeMoveWord(home, home + 2, KING, 0, 0, true));
            if ((path & 2) && (rights & 2) && CBoard::castlingPathSafe(SIDE, home - 1))
                list.add(makeMoveWord(home, home - 2, KING, 0, 0, true));
        }
    }

    const Bitboard pawns = CBoard::m_pieceBits[S::SIGN * PAWN + 6];
    const Bitboard promoting = pawns & S::SEVENTH;
    if (promoting)
    {
        Bitboard pushes = S::shift(promoting, S::FORWARD) & empty;
        while (pushes)
        {
            int to = popSquare(pushes, S::LOW);
            for (int promotion : PROMOTIONS_UNDER)
                list.add(makeMoveWord(to - S::FORWARD, to, PAWN, 0, promotion, true));
        }
        const Bitboard enemies = CBoard::m_colourBits[SIDE ^ 1];
        for (int step : {S::TOWARD_A, S::TOWARD_H})
        {
            Bitboard edge = (step == S::TOWARD_A) ? FILE_A : FILE_H;
            Bitboard targets = S::shift(promoting & ~edge, step) & enemies;
            while (targets)
            {
                int to = popSquare(targets, S::LOW);
                int victim = pieceType(CBoard::m_board[to]);
                for (int promotion : PROMOTIONS_UNDER)
                    list.add(makeMoveWord(to - step, to, PAWN, victim, promotion, true));
            }
        }
    }

    Bitboard singles = S::shift(pawns & ~S::SEVENTH, S::FORWARD) & empty;
    Bitboard doubles = S::shift(S::shift(pawns & S::SECOND, S::FORWARD) & empty, S::FORWARD) & empty;
    while (singles)
    {
        int to = popSquare(singles, S::LOW);
        list.add(makeMoveWord(to - S::FORWARD, to, PAWN));
    }
    while (doubles)
    {
        int to = popSquare(doubles, S::LOW);
        list.add(makeMoveWord(to - 2 * S::FORWARD, to, PAWN));
    }
}

void CBoard::generateCaptures(CMoveList& list)
{
    if (m_sideToMove == WHITE)
        generateCapturesOf<WHITE>(list);
    else
        generateCapturesOf<BLACK>(list);
}

void CBoard::generateNonCaptures(CMoveList& list)
{
    if (m_sideToMove == WHITE)
        generateNonCapturesOf<WHITE>(list);
    else
        generateNonCapturesOf<BLACK>(list);
}

void CBoard::generateEvasions(CMoveList& list)
{
    const int side = m_sideToMove, enemy = side ^ 1;
    if (isInCheck(enemy))
        return;  // the last move left its king en prise
    const int checker = findChecker(side);
    if (checker < 0)
        return;
    const int king = m_kingSquare[side];
    const Bitboard own = m_colourBits[side];
    const Bitboard block = BETWEEN[king][checker] | bit(checker);

    Bitboard withoutKing = m_occupied & ~bit(king);
    Bitboard steps = KING_ATTACKS[king] & ~own;
    while (steps)
    {
        int to = popLowest(steps);
        if (!attackedOnOccupancy(to, enemy, withoutKing))
            list.add(makeMoveWord(king, to, KING, pieceType(m_board[to])));
    }

    const int ep = m_state->epSquare;
    const int forward = side == WHITE ? 8 : -8;
    const Bitboard lastRank = side == WHITE ? rankMask(7) : rankMask(0);
    Bitboard pieces = own & ~bit(king);
    while (pieces)
    {
        int from = popLowest(pieces);
        int type = pieceType(m_board[from]);
        Bitboard targets = attacksFrom(from) & block;
        while (targets)
        {
            int to = popLowest(targets);
            int victim = pieceType(m_board[to]);
            if (type != PAWN)
                list.add(makeMoveWord(from, to, type, victim));
            else if (bit(to) & lastRank)
            {
                for (int promotion : {QUEEN, ROOK, BISHOP, KNIGHT})
                    list.add(makeMoveWord(from, to, PAWN, victim, promotion, true));
            }
            else if (to == ep && victim == EMPTY && fileOf(to) != fileOf(from))
                list.add(makeMoveWord(from, to, PAWN, PAWN, 0, true));
            else
                list.add(makeMoveWord(from, to, PAWN, victim));
        }
    }

    // The pawn that just stepped two squares gives check: take it en passant.
    if (ep >= 0 && checker == ep - forward)
    {
        int sign = side == WHITE ? 1 : -1;
        Bitboard capturers = PAWN_CAPTURE[enemy][ep] & m_pieceBits[sign * PAWN + 6];
        while (capturers)
            list.add(makeMoveWord(popLowest(capturers), ep, PAWN, PAWN, 0, true));
    }
}

void CBoard::generateLegalMoves(CMoveList& list)
{
    const int start = list.size();
    generateCaptures(list);
    generateNonCaptures(list);
    const int mover = m_sideToMove;
    int kept = start;
    for (int i = start; i < list.size(); ++i)
    {
        Move move = list[i];
        // Taking a king only happens in positions where the side not to move
        // stands in check; it is never a legal move.
        if (moveCaptured(move) == KING)
            continue;
        makeMove(move);
        bool legal = !isInCheck(mover);
        unmakeMove();
        if (legal)
            list[kept++] = move;
    }
    list.truncate(kept);
}

void CBoard::generateSortedLegalMoves(CMoveList& list)
{
    const int start = list.size();
    generateLegalMoves(list);
    int scores[CMoveList::CAPACITY];
    const int mover = m_sideToMove;
    for (int i = start; i < list.size(); ++i)
    {
        Move move = list[i];
        int score = 0;
        if (isCapture(move))
        {
            if (m_exchangeEvaluator)
                score = m_exchangeEvaluator(move);
            else
            {
                // Rough exchange value: the victim, less the capturer when the target is defended.
                score = m_searchValues[moveCaptured(move) + 6];
                if (isAttacked(moveTo(move), mover ^ 1))
                    score -= m_searchValues[movePiece(move) + 6];
            }
        }
        else
        {
            makeMove(move);
            if (isInCheck(mover ^ 1))
                score = 10000;
            unmakeMove();
        }
        // Insert towards the front past every move with a lower score.
        int j = i;
        while (j > start && scores[j - 1] < score)
        {
            list[j] = list[j - 1];
            scores[j] = scores[j - 1];
            --j;
        }
        list[j] = move;
        scores[j] = score;
    }
}

bool CBoard::isPseudoLegal(Move move)
{
    // Bits no generator sets, and field values that name no piece.
    if (move == NO_MOVE || (move & 0xFF880000u) != 0)
        return false;
    const int from = moveFrom(move), to = moveTo(move);
    const int type = movePiece(move), captured = moveCaptured(move), promotion = movePromotion(move);
    const int side = m_sideToMove;
    const int code = m_board[from];
    if (code == EMPTY || pieceType(code) != type || pieceColour(code) != side || from == to)
        return false;
    const int target = m_board[to];
    if (target != EMPTY && pieceColour(target) == side)
        return false;
    if (captured == KING || captured == 7)
        return false;

    if (type == PAWN)
    {
        const int forward = side == WHITE ? 8 : -8;
        const bool lastRank = rankOf(to) == (side == WHITE ? 7 : 0);
        if (lastRank ? (promotion < KNIGHT || promotion > QUEEN || !moveSpecial(move)) : promotion != 0)
            return false;
        const bool diagonal = (PAWN_CAPTURE[side][from] & bit(to)) != 0;
        if (isEnPassant(move))
            return diagonal && to == m_state->epSquare && captured == PAWN;
        if (captured != pieceType(target) || (moveSpecial(move) && !promotion))
            return false;
        if (diagonal)
            return target != EMPTY;
        if (target != EMPTY)
            return false;
        if (to == from + forward)
            return true;
        return to == from + 2 * forward && rankOf(from) == (side == WHITE ? 1 : 6) && m_board[from + forward] == EMPTY;
    }

    if (promotion != 0 || captured != pieceType(target))
        return false;
    if (type == KING && isCastling(move))
    {
        const int home = side == WHITE ? 4 : 60;
        const uint32_t rights = m_state->castling[side];
        if (from != home)
            return false;
        if (to == home + 2)
        {
            if (!(rights & 1) || m_board[home + 1] != EMPTY || m_board[home + 2] != EMPTY)
                return false;
            return !isInCheck(side) && castlingPathSafe(side, home + 1);
        }
        if (to == home - 2)
        {
            if (!(rights & 2) || m_board[home - 1] != EMPTY || m_board[home - 2] != EMPTY || m_board[home - 3] != EMPTY)
                return false;
            return !isInCheck(side) && castlingPathSafe(side, home - 1);
        }
        return false;
    }
    // Only castling, en passant and promotions carry the special bit.
    return !moveSpecial(move) && (attacksFrom(from) & bit(to)) != 0;
}

bool CBoard::isLegalMove(Move move)
{
    CMoveList list;
    generateLegalMoves(list);
    for (Move legal : list)
    {
        // Castling words may come from either generator, with or without the special bit.
        if (legal == move || (isCastling(move) && (legal | MOVE_SPECIAL) == (move | MOVE_SPECIAL)))
            return true;
    }
    return false;
}

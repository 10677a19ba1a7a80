// Static exchange evaluation: the material outcome of the capture sequence on
// one square when both sides always recapture with their least valuable
// attacker and may stop whenever continuing would lose.
#include "board/bitboard.h"
#include "search/search.h"

namespace
{
// Room for the longest capture sequence on one square: more than the 32 men
// a board can hold.
constexpr int MAX_EXCHANGE_CAPTURES = 40;

// Squares from which a piece of the given kind could reach the target on an
// empty board; sliders are then checked against the current occupancy.
struct Geometry
{
    Bitboard diagonal;
    Bitboard orthogonal;
};

Geometry linesThrough(int target)
{
    Geometry g;
    g.diagonal = attacks::bishopRays(target);
    g.orthogonal = attacks::rookRays(target);
    return g;
}

// The least valuable piece of the colour that attacks the target with the
// given occupancy (removed pieces are absent from it); -1 when none.
int leastValuableAttacker(int colour, int target, Bitboard occupancy, const Geometry& lines, int& type)
{
    int sign = colour == WHITE ? 1 : -1;
    Bitboard pawns = CBoard::pieces(sign * PAWN) & attacks::PAWN_CAPTURE[1 - colour][target] & occupancy;
    if (pawns)
    {
        type = PAWN;
        return lowestSquare(pawns);
    }
    Bitboard knights = CBoard::pieces(sign * KNIGHT) & attacks::KNIGHT_ATTACKS[target] & occupancy;
    if (knights)
    {
        type = KNIGHT;
        return lowestSquare(knights);
    }
    static const int SLIDERS[3] = {BISHOP, ROOK, QUEEN};
    for (int slider : SLIDERS)
    {
        Bitboard candidates = 0;
        if (slider != ROOK)
            candidates |= lines.diagonal;
        if (slider != BISHOP)
            candidates |= lines.orthogonal;
        Bitboard bits = CBoard::pieces(sign * slider) & candidates & occupancy;
        while (bits)
        {
            int square = popLowest(bits);
            // A queen on a diagonal must use it diagonally; the geometry
            // masks already keep bishops to diagonals and rooks to lines.
            if ((attacks::BETWEEN[square][target] & occupancy) == 0)
            {
                type = slider;
                return square;
            }
        }
    }
    Bitboard kings = CBoard::pieces(sign * KING) & attacks::KING_ATTACKS[target] & occupancy;
    if (kings)
    {
        type = KING;
        return lowestSquare(kings);
    }
    return -1;
}
}  // namespace

int CSearch::staticExchange(Move move)
{
    const int from = moveFrom(move);
    const int target = moveTo(move);
    const int mover = CBoard::pieceAt(from);
    const int moverColour = pieceColour(mover);
    const Geometry lines = linesThrough(target);

    // Balances from the mover's view, one per capture made.
    int balance[MAX_EXCHANGE_CAPTURES];
    balance[0] = PIECE_VALUE[moveCaptured(move)];
    Bitboard occupancy = CBoard::occupied() & ~bit(from) & ~bit(target);
    int onTarget = PIECE_VALUE[pieceType(mover)];  // value of the piece standing on the target
    int side = 1 - moverColour;
    int count = 1;
    while (count < MAX_EXCHANGE_CAPTURES)
    {
        int type = 0;
        int square = leastValuableAttacker(side, target, occupancy, lines, type);
        if (square < 0)
            break;
        // The side to capture takes the piece on the target.
        balance[count] = side == moverColour ? balance[count - 1] + onTarget : balance[count - 1] - onTarget;
        onTarget = PIECE_VALUE[type];
        occupancy &= ~bit(square);
        side = 1 - side;
        ++count;
    }
    // Each side may decline to go on: back the balances up from the end.
    for (int i = count - 1; i >= 1; --i)
    {
        if (i & 1)
            balance[i - 1] = balance[i - 1] < balance[i] ? balance[i - 1] : balance[i];
        else
            balance[i - 1] = balance[i - 1] > balance[i] ? balance[i - 1] : balance[i];
    }
    return balance[0];
}

// King safety terms.
#include "eval/kingsafety.h"

#include "board/board.h"
#include "eval/parameters.h"
#include "eval/pawns.h"
#include "eval/tables.h"
#include "eval/terms.h"

using namespace attacks;

namespace
{
const uint8_t pressureComboTable[8][16] = {
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 1, 1, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0},
    {0, 3, 5, 4, 7, 5, 6, 0, 16, 6, 9, 0, 11, 0, 0, 0},
    {0, 8, 12, 9, 15, 13, 14, 13, 30, 12, 14, 13, 20, 16, 18, 0},
    {0, 12, 20, 15, 30, 30, 30, 30, 40, 25, 30, 28, 30, 30, 30, 30},
    {0, 16, 30, 25, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40},
    {0, 20, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40},
    {0, 24, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40},
};

// Shelter count of one side's pawns for a king in the middle of files c-1..c+1.
int64_t countShelter(int colour, Bitboard pawns, int centreFile)
{
    const int32_t* table = evalParams().kingPawnDefectTable;
    int64_t count = 0;
    for (int f = centreFile - 1; f <= centreFile + 1; ++f)
    {
        Bitboard onFile = pawns & fileMask(f);
        // Ranks as the side sees them: its 2nd, 3rd and 4th rank.
        int r2 = colour == WHITE ? 1 : 6, r3 = colour == WHITE ? 2 : 5, r4 = colour == WHITE ? 3 : 4;
        if (onFile & bit(squareOf(r2, f)))
            continue;
        if (onFile & bit(squareOf(r3, f)))
            count += table[f * 4 + DEFECT_ADV1];
        else if (onFile & bit(squareOf(r4, f)))
            count += table[f * 4 + DEFECT_ADV2];
        else if (!onFile)
            count += table[f * 4 + DEFECT_MISSING];
        else
            count += table[f * 4 + DEFECT_TOO_FAR];
    }
    return count;
}

uint8_t toByte(int64_t count) { return uint8_t(count < 0 ? 0 : count > 255 ? 255 : count); }

}

int shelterCount(int colour, int file)
{
    int c = file < 1 ? 1 : file > 6 ? 6 : file;
    return int(countShelter(colour, CBoard::pieces(colour == WHITE ? PAWN : -PAWN), c));
}

void computeShelterDefects(PawnHashEntry& entry)
{
    Bitboard white = CBoard::pieces(PAWN);
    Bitboard black = CBoard::pieces(-PAWN);
    entry.shelterDefects[SHELTER_WHITE_G1] = toByte(countShelter(WHITE, white, 6));
    entry.shelterDefects[SHELTER_WHITE_B1] = toByte(countShelter(WHITE, white, 1));
    entry.shelterDefects[SHELTER_BLACK_G8] = toByte(countShelter(BLACK, black, 6));
    entry.shelterDefects[SHELTER_BLACK_B8] = toByte(countShelter(BLACK, black, 1));
    entry.shelterDefects[SHELTER_WHITE_D1] = toByte(countShelter(WHITE, white, 3));
    entry.shelterDefects[SHELTER_WHITE_E1] = toByte(countShelter(WHITE, white, 4));
    entry.shelterDefects[SHELTER_BLACK_D8] = toByte(countShelter(BLACK, black, 3));
    entry.shelterDefects[SHELTER_BLACK_E8] = toByte(countShelter(BLACK, black, 4));
}

int kingDefectValue(int colour, const PawnHashEntry& entry, int stage)
{
    if (stage >= STAGE_ENDGAME)
        return 0;
    const EvalParameters& p = evalParams();
    bool white = colour == WHITE;
    int king = CBoard::kingSquare(colour);
    int file = fileOf(king);
    int backRank = white ? 0 : 7;
    int up = white ? 8 : -8;
    int gCount = entry.shelterDefects[white ? SHELTER_WHITE_G1 : SHELTER_BLACK_G8];
    int bCount = entry.shelterDefects[white ? SHELTER_WHITE_B1 : SHELTER_BLACK_B8];
    int bishop = white ? BISHOP : -BISHOP;
    int pawn = white ? PAWN : -PAWN;
    int64_t d;
    if (file >= 5)
    {
        d = gCount;
        int g2 = squareOf(backRank, 6) + up;
        if (rankOf(king) == backRank && CBoard::pieceAt(g2) == bishop && CBoard::pieceAt(g2 + up) == pawn)
            d -= p.kingDefectNpBishop[0];
    }
    else if (file <= 2)
    {
        d = bCount;
        int b2 = squareOf(backRank, 1) + up;
        if (rankOf(king) == backRank && CBoard::pieceAt(b2) == bishop && CBoard::pieceAt(b2 + up) == pawn)
            d -= p.kingDefectNpBishop[0];
    }
    else
    {
        d = entry.shelterDefects[file == 3 ? (white ? SHELTER_WHITE_D1 : SHELTER_BLACK_D8)
                                           : (white ? SHELTER_WHITE_E1 : SHELTER_BLACK_E8)];
        uint32_t rights = CBoard::state().castling[colour];
        int base = squareOf(backRank, 0);
        if ((rights & 1) && gCount < d)
        {
            int n = 1 + (CBoard::pieceAt(base + 5) == 0) + (CBoard::pieceAt(base + 6) == 0);
            int64_t mixed = ((3 - n) * d + n * gCount) / 3;
            d = mixed < d ? mixed : d;
        }
        if ((rights & 2) && bCount < d)
        {
            int n = 1 + (CBoard::pieceAt(base + 3) == 0) + (CBoard::pieceAt(base + 2) == 0) +
                    (CBoard::pieceAt(base + 1) == 0);
            int64_t mixed = ((4 - n) * d + n * bCount) / 4;
            d = mixed < d ? mixed : d;
        }
    }
    const int32_t* squareDefects = white ? evalDerived().whiteKingDefects : p.kingDefects;
    return p.kingDefectLookupTable[clampIndex(d, 30)] + squareDefects[king];
}

Bitboard kingZone(int colour, int kingSquare)
{
    Bitboard near = KING_ATTACKS[kingSquare];
    return near | (colour == WHITE ? near << 8 : near >> 8);
}

bool sliderReachesZone(int square, int type, int colour, Bitboard attacks, Bitboard zone)
{
    if (attacks & zone)
        return true;
    Bitboard lines = type == BISHOP ? bishopRays(square)
                     : type == ROOK ? rookRays(square)
                                    : bishopRays(square) | rookRays(square);
    if (!(lines & zone))
        return false;
    // Through other pieces only when an own slider that moves the same way is
    // among the attacked squares; then walk the rays that lead into the zone.
    Bitboard straight =
        CBoard::pieces(colour == WHITE ? ROOK : -ROOK) | CBoard::pieces(colour == WHITE ? QUEEN : -QUEEN);
    Bitboard diagonal =
        CBoard::pieces(colour == WHITE ? BISHOP : -BISHOP) | CBoard::pieces(colour == WHITE ? QUEEN : -QUEEN);
    Bitboard helpers = type == BISHOP ? diagonal : type == ROOK ? straight : straight | diagonal;
    if (!(attacks & helpers))
        return false;
    Bitboard occupied = CBoard::occupied();
    for (int d = 0; d < 8; ++d)
    {
        bool isDiagonal = isDiagonalDirection(d);
        if ((type == BISHOP && !isDiagonal) || (type == ROOK && isDiagonal) || !(RAYS[d][square] & zone))
            continue;
        // Walk the ray through own sliders that move along it: up to and
        // including the first other piece.
        if (rayAttacks(square, d, occupied & ~(isDiagonal ? diagonal : straight)) & zone)
            return true;
    }
    return false;
}

int pressureCombo(int attackers, int kinds) { return pressureComboTable[clampIndex(attackers, 8)][kinds & 15]; }

int contactCheckBonus(int colour, Bitboard queenAttacks, Bitboard ownSupport, Bitboard enemyGuard)
{
    int enemyKing = CBoard::kingSquare(colour ^ 1);
    Bitboard contact = KING_ATTACKS[enemyKing] & queenAttacks & ~CBoard::colourPieces(colour) & ownSupport;
    if (!contact)
        return 0;
    return (contact & ~enemyGuard) ? 750 : 250;
}

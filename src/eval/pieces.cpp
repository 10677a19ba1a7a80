// Piece terms of the full evaluation.
#include "eval/pieces.h"

#include <cstring>

#include "board/board.h"
#include "eval/kingsafety.h"
#include "eval/parameters.h"
#include "eval/pawns.h"
#include "eval/tables.h"
#include "eval/terms.h"
#include "base/output.h"

using namespace attacks;

namespace
{
// Everything the piece terms of one evaluation share.
struct PieceContext
{
    const EvalTables* t;
    const EvalParameters* p;
    const EvalDerivedTables* d;
    const PawnHashEntry* entry;
    int stage;
    Bitboard all;
    Bitboard side[2];
    Bitboard pawns[2];
    Bitboard pawnAttacks[2];
    Bitboard minorAttacks[2];
    Bitboard zone[2];  // zone around each colour's king
    int king[2];
};

inline int code(int colour, int type) { return colour == WHITE ? type : -type; }

inline int64_t product(int64_t a, int64_t b) { return a * b; }

inline int clampScore(int64_t v)
{
    return v > PARAMETER_LIMIT * 64LL    ? PARAMETER_LIMIT * 64
           : v < -PARAMETER_LIMIT * 64LL ? -PARAMETER_LIMIT * 64
                                         : int(v);
}

template <bool TRACE>
int pawnTerms(PieceContext& c, int colour, PositionalSums& sums)
{
    int enemy = colour ^ 1;
    const int32_t* pst = colour == WHITE ? c.d->whitePawnPosEval : c.p->pawnPosEval;
    // Storms only when the kings stand on opposite wings.
    int wkFile = fileOf(c.king[WHITE]), bkFile = fileOf(c.king[BLACK]);
    bool opposite = (wkFile <= 2 && bkFile >= 5) || (wkFile >= 5 && bkFile <= 2);
    const int32_t* storm = nullptr;
    if (opposite)
    {
        bool enemyKingside = fileOf(c.king[enemy]) >= 5;
        if (colour == WHITE)
            storm = enemyKingside ? c.d->whitePawnStormKingside : c.d->whitePawnStormQueenside;
        else
            storm = enemyKingside ? c.p->pawnStormKingside : c.p->pawnStormQueenside;
    }
    int total = 0;
    for (Bitboard b = c.pawns[colour]; b;)
    {
        int s = popSquare(b, colour == WHITE);
        total += traced<TRACE>(s, "static eval", pst[c.stage * 64 + s]);
        int front = colour == WHITE ? s + 8 : s - 8;
        bool hasFront = front >= 0 && front < 64;
        if (storm && storm[s] != 0)
        {
            int value = storm[s];
            if (hasFront && (c.side[enemy] & bit(front)))
                value /= 2;
            total += traced<TRACE>(s, "storm", value);
        }
        if (hasFront && (c.all & bit(front)))
            total += traced<TRACE>(s, "blocked", colour == WHITE ? 10 * rankOf(s) - 90 : -20 - 10 * rankOf(s));
    }
    sums.byType[colour][PAWN] = total;
    return total;
}

// Outpost terms of a knight or bishop.
template <bool TRACE>
int outpostTerms(PieceContext& c, int colour, int s, const int32_t* table, int multiplier, int supported)
{
    int value = table[s];
    if (value == 0 || (c.t->outpostMask[colour][s] & c.pawns[colour ^ 1]))
        return 0;
    int total = traced<TRACE>(s, "outpost", clampScore(product(value, multiplier)));
    if (PAWN_CAPTURE[colour ^ 1][s] & c.pawns[colour])
        total += traced<TRACE>(s, "outpost supported", supported);
    return total;
}

// A piece's bearing on the enemy king: its attack points (shown, but summed
// apart from the piece's own terms) and, when it reaches the king zone, one
// more attacker of its kind for the pressure combo.
template <bool TRACE>
void kingAttack(PositionalSums& sums, int colour, int square, int points, bool reachesZone, int kind)
{
    sums.attackPoints[colour] += traced<TRACE>(square, "attack bonus", points);
    if (reachesZone)
    {
        ++sums.attackers[colour];
        sums.attackerKinds[colour] |= kind;
    }
}

template <bool TRACE>
int knightTerms(PieceContext& c, int colour, PositionalSums& sums)
{
    int enemy = colour ^ 1;
    const int32_t* pst = colour == WHITE ? c.d->whiteKnightPosEval : c.p->knightPosEval;
    const int32_t* outposts = colour == WHITE ? c.d->whiteKnightOutposts : c.p->knightOutposts;
    int total = 0;
    for (Bitboard b = CBoard::pieces(code(colour, KNIGHT)); b;)
    {
        int s = popSquare(b, colour == WHITE);
        Bitboard attacks = KNIGHT_ATTACKS[s];
        c.minorAttacks[colour] |= attacks;
        total += traced<TRACE>(s, "static eval", pst[c.stage * 64 + s]);
        int mobility = popCount(attacks & ~c.side[colour] & ~c.pawns[enemy] & ~c.pawnAttacks[enemy]);
        total += traced<TRACE>(s, "mobility bonus", c.p->knightMobilityBonus[mobility]);
        total += outpostTerms<TRACE>(c, colour, s, outposts, c.p->knightOutpostMultiplier[0],
                                     c.p->knightOutpostSupported[0]);
        kingAttack<TRACE>(sums, colour, s, c.p->knightKingAttackBonus[c.t->kingDistance[s][c.king[enemy]]],
                          (attacks & c.zone[enemy]) != 0, 2);
    }
    sums.byType[colour][KNIGHT] = total;
    return total;
}

template <bool TRACE>
int bishopTerms(PieceContext& c, int colour, PositionalSums& sums)
{
    int enemy = colour ^ 1;
    const int32_t* pst = colour == WHITE ? c.d->whiteBishopPosEval : c.p->bishopPosEval;
    const int32_t* outposts = colour == WHITE ? c.d->whiteBishopOutposts : c.p->bishopOutposts;
    Bitboard enemyPawns = c.pawns[enemy];
    int total = 0;
    for (Bitboard b = CBoard::pieces(code(colour, BISHOP)); b;)
    {
        int s = popSquare(b, colour == WHITE);
        Bitboard attacks = CBoard::bishopAttacks(s);
        c.minorAttacks[colour] |= attacks;
        total += traced<TRACE>(s, "static eval", pst[c.stage * 64 + s]);
        if (c.stage >= STAGE_MIDDLE)
            total += traced<TRACE>(s, "mobility bonus", c.p->bishopMobilityBonus[popCount(attacks & ~c.all)]);
        total += outpostTerms<TRACE>(c, colour, s, outposts, c.p->bishopOutpostMultiplier[0],
                                     c.p->bishopOutpostSupported[0]);
        bool trapped;
        if (colour == WHITE)
            trapped = (s == 48 && (enemyPawns & bit(41)) && (enemyPawns & bit(50))) ||
                      (s == 55 && (enemyPawns & bit(46)) && (enemyPawns & bit(53)));
        else
            trapped = (s == 8 && (enemyPawns & bit(17)) && (enemyPawns & bit(10))) ||
                      (s == 15 && (enemyPawns & bit(22)) && (enemyPawns & bit(13)));
        if (trapped)
            total += traced<TRACE>(s, "trapped", c.p->bishopTrapped[0]);
        if (c.stage == STAGE_ENDGAME && c.pawns[colour])
            total += traced<TRACE>(s, "with pawns endgame", c.p->bishopWithPawnsEndgame[0]);
        kingAttack<TRACE>(sums, colour, s, c.p->bishopKingAttackBonus[c.t->diffDistance[s][c.king[enemy]]],
                          sliderReachesZone(s, BISHOP, colour, attacks, c.zone[enemy]), 2);
    }
    sums.byType[colour][BISHOP] = total;
    return total;
}

template <bool TRACE>
int rookTerms(PieceContext& c, int colour, PositionalSums& sums)
{
    int enemy = colour ^ 1;
    const int32_t* pst = colour == WHITE ? c.d->whiteRookPosEval : c.p->rookPosEval;
    Bitboard ownRooks = CBoard::pieces(code(colour, ROOK));
    int total = 0;
    for (Bitboard b = ownRooks; b;)
    {
        int s = popSquare(b, colour == WHITE);
        int f = fileOf(s);
        Bitboard fileBits = fileMask(f);
        Bitboard rankAttacks = CBoard::rankAttacks(s);
        Bitboard fileAttacks = CBoard::fileAttacks(s);
        Bitboard attacks = rankAttacks | fileAttacks;
        total += traced<TRACE>(s, "static eval", pst[c.stage * 64 + s]);
        if (c.stage >= STAGE_MIDDLE)
            total += traced<TRACE>(s, "mobility bonus", c.p->rookMobilityBonus[popCount(attacks & ~c.all)]);
        if (!(c.pawns[colour] & fileBits))
        {
            if (!(c.pawns[enemy] & fileBits))
            {
                if (c.stage == STAGE_ENDGAME)
                    total += traced<TRACE>(s, "open file endgame", c.p->rookOnOpenFileEndgame[0]);
                else
                    total += traced<TRACE>(s, "open file", c.p->rookOnOpenFile[0]);
            }
            else
                total += traced<TRACE>(s, "half open file", c.p->rookOnHalfOpenFile[0]);
            if (fileAttacks & ownRooks)
                total += traced<TRACE>(s, "supported by rook", c.p->rookSupportedByRook[0]);
        }
        else if (c.entry->passedFiles[colour] & (1 << f))
        {
            Bitboard onFile = c.pawns[colour] & fileBits;
            int pawn = colour == WHITE ? highestSquare(onFile) : lowestSquare(onFile);
            bool behind = colour == WHITE ? s < pawn : s > pawn;
            if (behind && (fileAttacks & bit(pawn)))
                total += traced<TRACE>(s, "behind passed pawn", c.p->rookBehindPassed[relativeRank(colour, pawn)]);
        }
        if ((c.pawns[enemy] & fileBits) && (c.entry->passedFiles[enemy] & (1 << f)))
        {
            Bitboard onFile = c.pawns[enemy] & fileBits;
            int pawn = enemy == WHITE ? highestSquare(onFile) : lowestSquare(onFile);
            bool behind = colour == WHITE ? s > pawn : s < pawn;
            if (behind && (fileAttacks & bit(pawn)))
                total +=
                    traced<TRACE>(s, colour == WHITE ? "behind opponents passed pawn" : "behind opponent passed pawn",
                                  c.p->rookBehindPassed[relativeRank(enemy, pawn)]);
        }
        total += traced<TRACE>(s, "rank mobility", c.p->rookRankMobility[popCount(rankAttacks & ~c.all)]);
        int seventh = colour == WHITE ? 6 : 1;
        int enemyKingRank = relativeRank(colour, c.king[enemy]);
        if (rankOf(s) == seventh && enemyKingRank >= 6)
        {
            total += traced<TRACE>(s, "on 7th", c.p->rookOnSeventh[0]);
            if (rankAttacks & ownRooks)
                total += traced<TRACE>(s, "on 7th with rook", c.p->rookOnSeventhWithRook[0]);
        }
        kingAttack<TRACE>(sums, colour, s, c.p->rookKingAttackBonus[c.t->minDistance[s][c.king[enemy]]],
                          sliderReachesZone(s, ROOK, colour, attacks, c.zone[enemy]), 4);
    }
    sums.byType[colour][ROOK] = total;
    return total;
}

template <bool TRACE>
int queenTerms(PieceContext& c, int colour, PositionalSums& sums)
{
    int enemy = colour ^ 1;
    const int32_t* pst = colour == WHITE ? c.d->whiteQueenPosEval : c.p->queenPosEval;
    int total = 0;
    for (Bitboard b = CBoard::pieces(code(colour, QUEEN)); b;)
    {
        int s = popSquare(b, colour == WHITE);
        total += traced<TRACE>(s, "static eval", pst[c.stage * 64 + s]);
        Bitboard attacks = CBoard::queenAttacks(s);
        kingAttack<TRACE>(sums, colour, s, c.p->queenKingAttackBonus[c.t->minDistance[s][c.king[enemy]]],
                          sliderReachesZone(s, QUEEN, colour, attacks, c.zone[enemy]), 8);
        total += traced<TRACE>(s, "contact check",
                               contactCheckBonus(colour, attacks, c.pawnAttacks[colour] | c.minorAttacks[colour],
                                                 c.pawnAttacks[enemy] | c.minorAttacks[enemy]));
    }
    sums.byType[colour][QUEEN] = total;
    return total;
}

template <bool TRACE>
int kingTerms(PieceContext& c, int colour, PositionalSums& sums)
{
    int s = c.king[colour];
    const int32_t* pst = colour == WHITE ? c.d->whiteKingPosEval : c.p->kingPosEval;
    int total = traced<TRACE>(s, "static eval", pst[c.stage * 64 + s]);
    int near = popCount(KING_ATTACKS[s] & c.pawns[colour]);
    total += traced<TRACE>(s, "with pawns bonus", clampScore(product(c.p->kingWithPawns[0], near)));
    sums.byType[colour][KING] = total;
    return total;
}

// Rooks shut in by their own king, which can no longer castle.
template <bool TRACE>
int trappedRooks(PieceContext& c, int colour)
{
    // Squares by king file, for White; Black uses the rank-mirrored squares.
    static const int8_t TRAP_SQUARES[8][4] = {
        {8, -1, -1, -1},  {0, 8, -1, -1}, {0, 1, 8, -1},   {-1, -1, -1, -1},
        {-1, -1, -1, -1}, {6, 7, 15, -1}, {7, 15, -1, -1}, {15, -1, -1, -1},
    };
    int king = c.king[colour];
    if (relativeRank(colour, king) != 0 || CBoard::state().castling[colour] != 0)
        return 0;
    Bitboard rooks = CBoard::pieces(code(colour, ROOK));
    int total = 0;
    for (int i = 0; i < 4; ++i)
    {
        int s = TRAP_SQUARES[fileOf(king)][i];
        if (s < 0)
            break;
        if (colour == BLACK)
            s ^= 56;
        if ((rooks & bit(s)) && (c.pawns[colour] & fileMask(fileOf(s))))
            total += traced<TRACE>(s, "trapped rook", c.p->rookTrapped[0]);
    }
    return total;
}

template <bool TRACE>
int bishopPair(PieceContext& c, int colour)
{
    Bitboard bishops = CBoard::pieces(code(colour, BISHOP));
    if (popCount(bishops) < 2 || !(bishops & DARK_SQUARES) || !(bishops & LIGHT_SQUARES))
        return 0;
    int shown = colour == WHITE ? lowestSquare(bishops) : highestSquare(bishops);
    return traced<TRACE>(shown, "bishop with bishop", c.p->bishopWithBishop[0]);
}

double pawns(int value) { return value / 1000.0; }
}

template <bool TRACE>
void computePositionalSums(const PawnHashEntry& entry, int stage, const int defects[2], PositionalSums& sums)
{
    std::memset(&sums, 0, sizeof(sums));
    PieceContext c;
    c.t = &evalTables();
    c.p = &evalParams();
    c.d = &evalDerived();
    c.entry = &entry;
    c.stage = stage;
    c.all = CBoard::occupied();
    c.side[WHITE] = CBoard::colourPieces(WHITE);
    c.side[BLACK] = CBoard::colourPieces(BLACK);
    c.pawns[WHITE] = CBoard::pieces(PAWN);
    c.pawns[BLACK] = CBoard::pieces(-PAWN);
    c.pawnAttacks[WHITE] = pawnAttackSet(WHITE, c.pawns[WHITE]);
    c.pawnAttacks[BLACK] = pawnAttackSet(BLACK, c.pawns[BLACK]);
    c.minorAttacks[WHITE] = c.minorAttacks[BLACK] = 0;
    c.king[WHITE] = CBoard::kingSquare(WHITE);
    c.king[BLACK] = CBoard::kingSquare(BLACK);
    c.zone[WHITE] = kingZone(WHITE, c.king[WHITE]);
    c.zone[BLACK] = kingZone(BLACK, c.king[BLACK]);

    // Pawns bearing on the enemy king zone count as one attacker each.
    for (int colour = 0; colour < 2; ++colour)
    {
        int enemy = colour ^ 1;
        Bitboard zone = c.zone[enemy];
        if (!(c.pawnAttacks[colour] & zone))
            continue;
        // A pawn attacks the zone from where an enemy pawn in the zone would capture.
        Bitboard origins = pawnAttackSet(enemy, zone);
        sums.attackers[colour] = popCount(origins & c.pawns[colour]);
        sums.attackerKinds[colour] = 1;
    }

    int total[2] = {0, 0};
    for (int colour = WHITE; colour >= BLACK; --colour)
        total[colour] += pawnTerms<TRACE>(c, colour, sums);
    for (int colour = WHITE; colour >= BLACK; --colour)
        total[colour] += knightTerms<TRACE>(c, colour, sums);
    for (int colour = WHITE; colour >= BLACK; --colour)
        total[colour] += bishopTerms<TRACE>(c, colour, sums);
    for (int colour = WHITE; colour >= BLACK; --colour)
        total[colour] += rookTerms<TRACE>(c, colour, sums);
    for (int colour = WHITE; colour >= BLACK; --colour)
        total[colour] += queenTerms<TRACE>(c, colour, sums);
    for (int colour = WHITE; colour >= BLACK; --colour)
        total[colour] += kingTerms<TRACE>(c, colour, sums);
    int positional[2] = {total[0], total[1]};

    for (int colour = 0; colour < 2; ++colour)
    {
        int enemy = colour ^ 1;
        sums.attackLookup[colour] = c.p->kingAttackLookupTable[clampIndex(sums.attackPoints[colour], 100)];
        int64_t defectsBonus = product(sums.attackPoints[colour], defects[enemy]);
        sums.attackDefects[colour] = clampScore(defectsBonus < 500 ? defectsBonus : 500);
        if (stage < STAGE_ENDGAME)
            sums.pressure[colour] = clampScore(product(
                pressureCombo(sums.attackers[colour], sums.attackerKinds[colour]), c.p->kingPressureMultiplier[0]));
        total[colour] += sums.attackLookup[colour] + sums.attackDefects[colour] + sums.pressure[colour];
    }
    if constexpr (TRACE)
    {
        for (int colour = WHITE; colour >= BLACK; --colour)
        {
            const int* t = sums.byType[colour];
            output(" *** positional (%s): P=%6.3f N=%6.3f B=%6.3f R=%6.3f Q=%6.3f K=%6.3f\n",
                   colour == WHITE ? "white" : "black", pawns(t[PAWN]), pawns(t[KNIGHT]), pawns(t[BISHOP]),
                   pawns(t[ROOK]), pawns(t[QUEEN]), pawns(t[KING]));
        }
        output(" *** positional:           white: %6.3f  black: %6.3f\n", pawns(positional[WHITE]),
               pawns(positional[BLACK]));
        output(" *** attack bonus:         white: %6.3f  black: %6.3f (%d %d)\n", pawns(sums.attackLookup[WHITE]),
               pawns(sums.attackLookup[BLACK]), sums.attackPoints[WHITE], sums.attackPoints[BLACK]);
        output(" *** attack defects bonus: white: %6.3f  black: %6.3f (%d*%d %d*%d)\n",
               pawns(sums.attackDefects[WHITE]), pawns(sums.attackDefects[BLACK]), sums.attackPoints[WHITE],
               defects[BLACK], sums.attackPoints[BLACK], defects[WHITE]);
        output(" *** pressure combo bonus: white: %6.3f  black: %6.3f (%d %d, %d %d)\n", pawns(sums.pressure[WHITE]),
               pawns(sums.pressure[BLACK]), sums.attackers[WHITE], sums.attackerKinds[WHITE], sums.attackers[BLACK],
               sums.attackerKinds[BLACK]);
    }
    for (int colour = WHITE; colour >= BLACK; --colour)
        total[colour] += bishopPair<TRACE>(c, colour);
    for (int colour = WHITE; colour >= BLACK; --colour)
        total[colour] += trappedRooks<TRACE>(c, colour);
    sums.total[WHITE] = total[WHITE];
    sums.total[BLACK] = total[BLACK];
}
template void computePositionalSums<false>(const PawnHashEntry&, int, const int[2], PositionalSums&);
template void computePositionalSums<true>(const PawnHashEntry&, int, const int[2], PositionalSums&);

// Pieces still at home, each by its weight. A bishop whose two diagonal exits
// are both occupied also counts as unable to move, so the start position gives
// 2 x 20 + 2 x 50 + 2 x (30 + 40) + 10 = 290 for each side.
int undevelopedSum(int colour)
{
    const EvalParameters& p = evalParams();
    int base = colour == WHITE ? 0 : 56;
    int second = colour == WHITE ? 8 : 48;
    Bitboard pawns = CBoard::pieces(code(colour, PAWN));
    int sum = 0;
    if (CBoard::pieceAt(base) == code(colour, ROOK) && (pawns & FILE_A))
        sum += p.develRook[0];
    if (CBoard::pieceAt(base + 7) == code(colour, ROOK) && (pawns & FILE_H))
        sum += p.develRook[0];
    if (CBoard::pieceAt(base + 1) == code(colour, KNIGHT))
        sum += p.develKnight[0];
    if (CBoard::pieceAt(base + 6) == code(colour, KNIGHT))
        sum += p.develKnight[0];
    if (CBoard::pieceAt(base + 2) == code(colour, BISHOP))
    {
        sum += p.develBishop[0];
        if (CBoard::pieceAt(second + 1) != 0 && CBoard::pieceAt(second + 3) != 0)
            sum += p.develBishopCantMove[0];
    }
    if (CBoard::pieceAt(base + 5) == code(colour, BISHOP))
    {
        sum += p.develBishop[0];
        if (CBoard::pieceAt(second + 4) != 0 && CBoard::pieceAt(second + 6) != 0)
            sum += p.develBishopCantMove[0];
    }
    if (CBoard::pieceAt(base + 3) == code(colour, QUEEN))
        sum += p.develQueen[0];
    return sum;
}

template <bool TRACE>
int developmentTerm()
{
    int toMove = CBoard::sideToMove();
    int64_t a = undevelopedSum(toMove ^ 1);
    int64_t b = undevelopedSum(toMove);
    int64_t d = (a - b) / 10;
    int64_t larger = a / 10 > b / 10 ? a / 10 : b / 10;
    int value = clampScore(10 * ((d * larger) / 8 + 4 * d));
    if constexpr (TRACE)
        output(" development %d (%d %d)\n", value, int(a), int(b));
    return value;
}
template int developmentTerm<false>();
template int developmentTerm<true>();

// The built-in evaluation weights. Square tables are written as stored: from
// Black's side, row 0 (squares a1..h1) first, so a black piece on square s reads
// entry s and a white piece reads the entry of the rank-mirrored square.
#include <cstring>

#include "eval/parameters.h"

namespace
{
// Three 64-square blocks: Opening, Middle game, Endgame.
// clang-format off
const int32_t KING_POS[192] = {
    // Opening
    -50, -50, -50, -50, -50, -50, -50, -50,
    -50, -50, -50, -50, -50, -50, -50, -50,
    -50, -50, -50, -50, -50, -50, -50, -50,
    -50, -50, -50, -50, -50, -50, -50, -50,
    -50, -50, -50, -50, -50, -50, -50, -50,
    -50, -50, -50, -50, -50, -50, -50, -50,
    -50, -50, -50, -50, -50, -50, -50, -50,
    -50,  49,  30, -50,   1, -50,  51, -50,
    // Middle game
    -50, -50, -50, -50, -50, -50, -50, -50,
    -50, -50, -50, -50, -50, -50, -50, -50,
    -50, -50, -50, -50, -50, -50, -50, -50,
    -50, -50, -50, -50, -50, -50, -50, -50,
    -50, -50, -50, -50, -50, -50, -50, -50,
    -50, -50, -50, -50, -50, -50, -50, -50,
    -50, -50, -50, -50, -50, -50, -50, -50,
    -50,  50,  32, -50,   0, -50,  52, -50,
    // Endgame: walk to the centre
    -90, -60, -40, -30, -30, -40, -60, -90,
    -60, -20,   0,  10,  10,   0, -20, -60,
    -40,   0,  40,  60,  60,  40,   0, -40,
    -30,  10,  60,  90,  90,  60,  10, -30,
    -30,  10,  60,  90,  90,  60,  10, -30,
    -40,   0,  40,  60,  60,  40,   0, -40,
    -60, -20,   0,  10,  10,   0, -20, -60,
    -90, -60, -40, -30, -30, -40, -60, -90,
};

const int32_t QUEEN_POS[192] = {
    // Opening
       0,    0,   0,   0,   0,   0,    0,    0,
       0,   20,  40,  50,  50,  40,   20,    0,
       0,   20,  60,  80,  80,  60,   20,    0,
       0,   20, 100, 120, 120, 100,   20,    0,
    -100,   20, 100, 120, 120, 100,   20, -100,
    -100, -100,  40, 100, 100,  40, -100, -100,
    -100, -100,   0,   0,   0,   0, -100, -100,
    -100,  -80,   0,  -1,   0,   0,  -80, -100,
    // Middle game
       0,    0,   0,   0,   0,   0,    0,    0,
       0,   20,  40,  50,  50,  40,   20,    0,
       0,   20,  60,  80,  80,  60,   20,    0,
       0,   20, 100, 115, 115, 100,   20,    0,
    -100,   20, 100, 115, 115, 100,   20, -100,
    -100, -100,  40, 100, 100,  40, -100, -100,
    -100, -100,   0,   0,   0,   0, -100, -100,
    -100,  -80,   0,   0,   0,   0,  -80, -100,
    // Endgame
    0,  0,  0,  0,  0,  0,  0, 0,
    0, 40, 40, 40, 40, 40, 40, 0,
    0, 40, 40, 40, 40, 40, 40, 0,
    0, 40, 40, 80, 80, 40, 40, 0,
    0, 40, 40, 80, 80, 40, 40, 0,
    0, 40, 40, 40, 40, 40, 40, 0,
    0, 40, 40, 40, 40, 40, 40, 0,
    0,  0,  0,  0,  0,  0,  0, 0,
};

const int32_t ROOK_POS[192] = {
    // Opening
       0, 0, 20, 40, 40, 20, 0,    0,
       0, 0, 20, 40, 40, 20, 0,    0,
       0, 0, 20, 40, 40, 20, 0,    0,
       0, 0, 20, 40, 40, 20, 0,    0,
    -100, 0, 20, 40, 40, 20, 0, -100,
    -100, 0, 20, 40, 40, 20, 0, -100,
    -100, 0, 20, 40, 40, 20, 0, -100,
       0, 0, 20, 40, 40, 20, 0,    0,
    // Middle game
       0, 0, 20, 40, 40, 20, 0,    0,
       0, 0, 20, 40, 40, 20, 0,    0,
       0, 0, 20, 40, 40, 20, 0,    0,
       0, 0, 20, 40, 40, 20, 0,    0,
    -100, 0, 20, 40, 40, 20, 0, -100,
    -100, 0, 20, 40, 40, 20, 0, -100,
     -95, 0, 20, 40, 40, 20, 0,  -95,
       0, 0, 20, 45, 45, 20, 0,    0,
    // Endgame
    -50,  0,  0,  0,  0,  0,  0, -50,
      0, 30, 30, 30, 30, 30, 30,   0,
      0, 30, 40, 40, 40, 40, 30,   0,
      0, 30, 40, 50, 50, 40, 30,   0,
      0, 30, 40, 50, 50, 40, 30,   0,
      0, 30, 40, 40, 40, 40, 30,   0,
      0, 30, 30, 30, 30, 30, 30,   0,
    -50,  0,  0,  0,  0,  0,  0, -50,
};

const int32_t BISHOP_POS[192] = {
    // Opening
    -250, -150,   0,   0,   0,   0, -150, -250,
     -80,   20,  40,  40,  40,  40,   20,  -80,
     -40,   20,  60,  60,  60,  60,   20,  -40,
     -40,   20,  60,  60,  60,  60,   20,  -40,
     -40,   20,  40,  40,  40,  40,   20,  -40,
     -40,   20,  40,  30,  30,  40,   20,  -40,
     -80,   30,  20,  20,  20,  20,   30,  -80,
    -250, -150, -81, -40, -40, -79, -150, -250,
    // Middle game
    -250, -150,   0,   0,   0,   0, -150, -250,
     -80,   20,  40,  40,  40,  40,   20,  -80,
     -40,   20,  60,  60,  60,  60,   20,  -40,
     -40,   20,  60,  60,  60,  60,   20,  -40,
     -40,   20,  40,  45,  45,  40,   20,  -40,
     -40,   20,  40,  30,  30,  40,   20,  -40,
     -80,   35,  20,  20,  20,  20,   35,  -80,
    -250, -150, -80, -40, -40, -80, -150, -250,
    // Endgame
    0,  0,  0,  0,  0,  0,  0, 0,
    0, 40, 40, 40, 40, 40, 40, 0,
    0, 40, 40, 40, 40, 40, 40, 0,
    0, 40, 40, 80, 80, 40, 40, 0,
    0, 40, 40, 80, 80, 40, 40, 0,
    0, 40, 40, 40, 40, 40, 40, 0,
    0, 40, 40, 40, 40, 40, 40, 0,
    0,  0,  0,  0,  0,  0,  0, 0,
};

const int32_t KNIGHT_POS[192] = {
    // Opening
    -250, -250, -80, -80, -80, -80, -250, -250,
     -80,    0,  20,  20,  20,  20,    0,  -80,
     -80,   20,  40,  60,  60,  40,   20,  -80,
     -80,   20,  40,  60,  60,  40,   20,  -80,
     -80,   20,  30,  40,  40,  30,   20,  -80,
     -80,    0,  20,  30,  30,  20,    0,  -80,
    -150, -150,   0,   0,   0,   0, -150, -150,
    -150, -150, -80, -80, -80, -80, -150, -150,
    // Middle game
    -250, -250, -80, -80, -80, -80, -250, -250,
     -80,    0,  20,  20,  20,  20,    0,  -80,
     -80,   20,  45,  60,  60,  45,   20,  -80,
     -80,   20,  40,  60,  60,  40,   20,  -80,
     -80,   20,  30,  40,  40,  30,   20,  -80,
     -80,    0,  25,  30,  30,  25,    0,  -80,
    -150, -150,   0,   0,   0,   0, -150, -150,
    -150, -150, -80, -80, -80, -80, -150, -150,
    // Endgame
    -250, -150, -80, -80, -80, -80, -150, -250,
    -150,  -40,   0,  10,  10,   0,  -40, -150,
     -80,    0,  40,  50,  50,  40,    0,  -80,
     -80,   10,  50,  60,  60,  50,   10,  -80,
     -80,   10,  50,  60,  60,  50,   10,  -80,
     -80,    0,  40,  50,  50,  40,    0,  -80,
    -150,  -40,   0,  10,  10,   0,  -40, -150,
    -250, -150, -80, -80, -80, -80, -150, -250,
};

const int32_t PAWN_POS[192] = {
    // Opening
      0,   0,   0,   0,   0,   0,   0,   0,
    250, 250, 250, 250, 250, 250, 250, 250,
     85,  90,  95, 100, 100,  95,  90,  85,
     50,  55,  60,  75,  75,  60,  55,  50,
     25,  30,  35,  50,  50,  35,  30,  25,
     10,  15,  20,  25,  25,  20,  15,  10,
      0,   5,  10, -50, -50,  10,   5,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
    // Middle game
      0,   0,   0,   0,   0,   0,   0,   0,
    250, 250, 250, 250, 250, 250, 250, 250,
     85,  90,  95, 100, 100,  95,  90,  85,
     50,  55,  60,  75,  75,  60,  55,  50,
     25,  30,  35,  55,  55,  35,  30,  25,
     10,  15,  20,  30,  30,  20,  15,  10,
      0,   5,  10, -45, -45,  10,   5,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
    // Endgame
      0,   0,   0,   0,   0,   0,   0,   0,
    250, 250, 250, 250, 250, 250, 250, 250,
    225, 225, 225, 225, 225, 225, 225, 225,
    200, 200, 200, 200, 200, 200, 200, 200,
    150, 150, 150, 150, 150, 150, 150, 150,
     75,  75,  75,  75,  75,  75,  75,  75,
      0,   0,   0, -50, -40,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
};

// Rows by file a..h: [advanced one, advanced two, further, missing].
const int32_t KING_PAWN_DEFECTS[32] = {
    1, 2, 3, 4,  2, 4, 5, 6,  2, 4, 5, 6,  2, 4, 5, 6,
    2, 4, 5, 6,  2, 4, 5, 6,  2, 4, 5, 6,  1, 2, 3, 4,
};

const int32_t KING_DEFECTS[64] = {
    8, 8, 8, 8, 8, 8, 8, 8,
    7, 7, 7, 7, 7, 7, 7, 7,
    6, 6, 6, 6, 6, 6, 6, 6,
    5, 5, 5, 5, 5, 5, 5, 5,
    4, 4, 4, 4, 4, 4, 4, 4,
    3, 3, 3, 4, 4, 3, 3, 3,
    1, 1, 1, 1, 1, 1, 1, 1,
    0, 0, 0, 1, 1, 0, 0, 0,
};

const int32_t KING_DEFECT_LOOKUP[30] = {
    0, 1, 2, 3, 4, 6, 9, 11, 16, 22, 23, 24, 25, 25, 25,
    25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25,
};

// Outposts: squares deep in the opponent's half (for a black piece, ranks 3 to 5).
const int32_t KNIGHT_OUTPOSTS[64] = {
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 1, 2, 2, 2, 2, 1, 0,
    0, 1, 2, 3, 3, 2, 1, 0,
    0, 0, 1, 1, 1, 1, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
};

const int32_t BISHOP_OUTPOSTS[64] = {
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 1, 1, 1, 1, 1, 1, 0,
    0, 1, 2, 2, 2, 2, 1, 0,
    0, 0, 1, 1, 1, 1, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
};

// Pawn storms: a black pawn running at a white king on the king side / queen side.
const int32_t STORM_KINGSIDE[64] = {
    0, 0, 0, 0, 0,  0,   0,  0,
    0, 0, 0, 0, 0, 40,  50, 40,
    0, 0, 0, 0, 0, 60,  80, 60,
    0, 0, 0, 0, 0, 50,  70, 50,
    0, 0, 0, 0, 0, 30,  40, 30,
    0, 0, 0, 0, 0, 10,  20, 10,
    0, 0, 0, 0, 0,  0,   0,  0,
    0, 0, 0, 0, 0,  0,   0,  0,
};

const int32_t STORM_QUEENSIDE[64] = {
     0,  0,  0, 0, 0, 0, 0, 0,
    40, 50, 40, 0, 0, 0, 0, 0,
    60, 80, 60, 0, 0, 0, 0, 0,
    50, 70, 50, 0, 0, 0, 0, 0,
    30, 40, 30, 0, 0, 0, 0, 0,
    10, 20, 10, 0, 0, 0, 0, 0,
     0,  0,  0, 0, 0, 0, 0, 0,
     0,  0,  0, 0, 0, 0, 0, 0,
};
// clang-format on

template <size_t N>
void put(int32_t (&target)[N], std::initializer_list<int32_t> values)
{
    size_t i = 0;
    for (int32_t v : values)
        if (i < N)
            target[i++] = v;
}

template <size_t N>
void copyTable(int32_t (&target)[N], const int32_t (&source)[N])
{
    std::memcpy(target, source, sizeof(target));
}

EvalParameters buildDefaults()
{
    EvalParameters p;
    std::memset(&p, 0, sizeof(p));
    p.blackQueen[0] = 10001;
    p.blackRook[0] = 5505;
    p.blackBishop[0] = 3505;
    p.blackKnight[0] = 3497;
    p.blackPawn[0] = 1000;
    p.whiteQueen[0] = 10001;
    p.whiteRook[0] = 5505;
    p.whiteBishop[0] = 3505;
    p.whiteKnight[0] = 3497;
    p.whitePawn[0] = 1000;
    p.pawnDoubled[0] = -30;
    p.pawnSinglyConnected[0] = 20;
    p.pawnDoublyConnected[0] = 35;
    p.pawnIsolated[0] = -104;
    p.pawnWeak[0] = -97;
    p.pawnBishopPromoteSq[0] = 59;
    p.pawnPassedOutside[0] = 100;
    p.knightOutpostMultiplier[0] = 69;
    p.knightOutpostSupported[0] = 53;
    p.bishopOutpostMultiplier[0] = 22;
    p.bishopOutpostSupported[0] = 21;
    p.bishopWithBishop[0] = 257;
    p.bishopWithPawnsEndgame[0] = 99;
    p.bishopTrapped[0] = -1500;
    p.rookOnOpenFile[0] = 167;
    p.rookOnOpenFileEndgame[0] = 80;
    p.rookOnHalfOpenFile[0] = 50;
    p.rookSupportedByRook[0] = 48;
    p.rookOnSeventh[0] = 252;
    p.rookOnSeventhWithRook[0] = 200;
    p.rookTrapped[0] = -450;
    p.kingDefectNpBishop[0] = 1;
    p.kingWithPawns[0] = 23;
    p.kingPressureMultiplier[0] = 25;
    p.castleNotCastled[0] = -150;
    p.develKnight[0] = 50;
    p.develBishop[0] = 30;
    p.develBishopCantMove[0] = 40;
    p.develRook[0] = 20;
    p.develQueen[0] = 10;
    copyTable(p.kingPosEval, KING_POS);
    copyTable(p.queenPosEval, QUEEN_POS);
    copyTable(p.rookPosEval, ROOK_POS);
    copyTable(p.bishopPosEval, BISHOP_POS);
    copyTable(p.knightPosEval, KNIGHT_POS);
    copyTable(p.pawnPosEval, PAWN_POS);
    put(p.pawnBlockedByEnemy, {0, -125, -75, -75, -60, -25, -20, 0});
    put(p.pawnBlockedByFriend, {0, -20, -20, -15, -10, -10, -10, 0});
    put(p.pawnPassed, {0, 84, 114, 202, 407, 762, 1003, 0});
    put(p.pawnPassedConnected, {0, 11, 18, 51, 155, 353, 500, 0});
    put(p.pawnPassedSupported, {0, 1, -1, 1, 121, 602, 1000, 0});
    put(p.pawnPassedBlocked, {0, -80, -161, -243, -319, -398, -479, 0});
    put(p.knightMobilityBonus, {-250, -150, -50, 0, 20, 40, 60, 60, 60});
    put(p.bishopMobilityBonus, {-250, -150, -75, -25, 0, 20, 40, 60, 60, 65, 65, 70, 70, 70});
    put(p.rookRankMobility, {-30, -3, 10, 17, 29, 37, 38, 39});
    put(p.rookMobilityBonus, {-300, -200, -100, -50, 0, 20, 40, 60, 60, 65, 65, 70, 70, 70, 70});
    put(p.rookBehindPassed, {0, 30, 50, 75, 110, 150, 150, 0});
    copyTable(p.kingPawnDefectTable, KING_PAWN_DEFECTS);
    copyTable(p.kingDefects, KING_DEFECTS);
    copyTable(p.kingDefectLookupTable, KING_DEFECT_LOOKUP);
    copyTable(p.knightOutposts, KNIGHT_OUTPOSTS);
    copyTable(p.bishopOutposts, BISHOP_OUTPOSTS);
    put(p.pawnKingAttackBonus, {0, 3, 2, 1, 0, 0, 0, 0});
    put(p.knightKingAttackBonus, {0, 2, 3, 2, 1, 0, 0, 0});
    put(p.bishopKingAttackBonus, {3, 3, 1, 1, 0, 0, 0, 0});
    put(p.rookKingAttackBonus, {3, 3, 1, 0, 0, 0, 0, 0});
    put(p.queenKingAttackBonus, {4, 4, 2, 1, 0, 0, 0, 0});
    // 0 10 20 ... 100 120 150 200, then +50 a step up to 950 at index 25, then 999.
    const int32_t attackStart[11] = {0, 10, 20, 30, 40, 60, 80, 100, 120, 150, 200};
    for (int i = 0; i < 100; ++i)
        p.kingAttackLookupTable[i] = i < 11 ? attackStart[i] : i <= 25 ? 200 + (i - 10) * 50 : 999;
    copyTable(p.pawnStormKingside, STORM_KINGSIDE);
    copyTable(p.pawnStormQueenside, STORM_QUEENSIDE);
    return p;
}
}

const EvalParameters& defaultEvalParameters()
{
    static const EvalParameters defaults = buildDefaults();
    return defaults;
}

// Pawn structure terms and the pawn hash table.
#include "eval/pawns.h"

#include <cstring>

#include "board/board.h"
#include "eval/kingsafety.h"
#include "eval/parameters.h"
#include "eval/tables.h"
#include "eval/terms.h"

using namespace attacks;

namespace
{
const int potentialPassedBonus[8] = {0, 20, 30, 50, 100, 150, 0, 0};
const int kingAttraction[3][8] = {
    {0, 10, 15, 20, 25, 30, 30, 0},
    {0, 10, 15, 20, 25, 30, 30, 0},
    {0, 20, 30, 40, 50, 60, 60, 0},
};

PawnHashEntry PawnHashTable[PAWN_HASH_SIZE];
uint64_t g_hits = 0;
// The parameter generation the cached entries were computed with.
uint32_t g_parameterGeneration = 0;
uint64_t g_misses = 0;

// The pawn of a colour on a file that is furthest advanced, -1 when none.
int mostAdvancedPawn(int colour, Bitboard pawns, int file)
{
    Bitboard onFile = pawns & fileMask(file);
    if (!onFile)
        return -1;
    return colour == WHITE ? highestSquare(onFile) : lowestSquare(onFile);
}

// Square in front of a pawn, -1 when it stands on its last rank.
int squareInFront(int colour, int square)
{
    int front = colour == WHITE ? square + 8 : square - 8;
    return front >= 0 && front < 64 ? front : -1;
}

// Static terms of one colour's pawns, from that colour's point of view.
template <bool TRACE>
int colourStructure(int colour, PawnHashEntry& entry)
{
    const EvalTables& t = evalTables();
    const EvalParameters& p = evalParams();
    int enemy = colour ^ 1;
    Bitboard own = CBoard::pieces(colour == WHITE ? PAWN : -PAWN);
    Bitboard other = CBoard::pieces(colour == WHITE ? -PAWN : PAWN);
    Bitboard allPawns = own | other;
    int measure = 0;
    int total = 0;
    // Visit order matches the piece scan: White from a1 up, Black from h8 down.
    for (Bitboard b = own; b;)
    {
        int s = popSquare(b, colour == WHITE);
        int rr = relativeRank(colour, s);
        Bitboard defenders = PAWN_CAPTURE[enemy][s] & own;
        int v = 0;
        if (!(t.frontSpan[colour][s] & other))
        {
            int passed = p.pawnPassed[rr];
            v += traced<TRACE>(s, "passed", passed);
            entry.passedFiles[colour] |= uint8_t(1 << fileOf(s));
            int m = rr - 1;
            Bitboard right = t.rightNeighbours[s] & own;
            if (right)
            {
                int n = colour == WHITE ? highestSquare(right) : lowestSquare(right);
                if (!(t.frontSpan[colour][n] & other))
                {
                    int rn = relativeRank(colour, n);
                    int connected = p.pawnPassedConnected[rr] + p.pawnPassedConnected[rn];
                    v += traced<TRACE>(s, "connected passed", connected);
                    m = rr + 1;
                    if (rr >= 5 && rn >= 5)
                        entry.connectedSixth[colour] |= uint8_t(1 << fileOf(s));
                }
            }
            if (m > measure)
                measure = m;
        }
        else if (!(t.fileAhead[colour][s] & other) && popCount(t.frontSpan[colour][s] & other) == 1)
        {
            Bitboard e = t.frontSpan[colour][s] & other;
            bool potential =
                (PAWN_CAPTURE[colour][s] & e) ? defenders != 0 : (defenders != 0 || (t.beside[s] & own) != 0);
            if (potential)
            {
                v += traced<TRACE>(s, "potentially passed", potentialPassedBonus[rr]);
                entry.passedFiles[colour] |= uint8_t(1 << fileOf(s));
            }
        }
        if (t.sameFile[s] & own)
            v += traced<TRACE>(s, "doubled", p.pawnDoubled[0]);
        Bitboard left = t.leftNeighbours[s] & own;
        Bitboard right = t.rightNeighbours[s] & own;
        if (left && right)
            v += traced<TRACE>(s, "doubly connected", p.pawnDoublyConnected[0]);
        else if (left || right)
            v += traced<TRACE>(s, "singly connected", p.pawnSinglyConnected[0]);
        if (!(t.adjacentFiles[s] & own))
            v += traced<TRACE>(s, "isolated", p.pawnIsolated[0]);
        else if (!defenders)
        {
            int front = squareInFront(colour, s);
            bool weak = false;
            if (front >= 0)
            {
                if (allPawns & bit(front))
                    weak = true;
                else
                {
                    int attackers = popCount(PAWN_CAPTURE[colour][front] & other);
                    int supporters = popCount(PAWN_CAPTURE[enemy][front] & own);
                    weak = attackers > 0 && attackers > supporters;
                }
            }
            if (weak)
                v += traced<TRACE>(s, "weak", p.pawnWeak[0]);
        }
        total += v;
    }
    entry.passerMeasure[colour] = uint8_t(measure);

    // Outside passers: the outermost passed file beyond every enemy pawn file.
    // These lines have no square, so they show the value from White's side.
    uint8_t passedFiles = entry.passedFiles[colour];
    if (passedFiles && other)
    {
        uint8_t enemyFiles = 0, ownFiles = 0;
        for (int f = 0; f < 8; ++f)
        {
            if (other & fileMask(f))
                enemyFiles |= uint8_t(1 << f);
            if (own & fileMask(f))
                ownFiles |= uint8_t(1 << f);
        }
        int lowest = lowestSquare(passedFiles);
        int highest = highestSquare(passedFiles);
        uint8_t below = uint8_t((1 << lowest) - 1);
        uint8_t above = uint8_t(~((2 << highest) - 1));
        const int outside = p.pawnPassedOutside[0];
        const int shown = colour == WHITE ? outside : -outside;
        if (!(enemyFiles & (below | (1 << lowest))) && !(ownFiles & below))
        {
            total += outside;
            if constexpr (TRACE)
                printTerm(-1, "passed outside left", shown);
        }
        if (!(enemyFiles & (above | (1 << highest))) && !(ownFiles & above))
        {
            total += outside;
            if constexpr (TRACE)
                printTerm(-1, "passed outside right", shown);
        }
    }
    return total;
}
}

template <bool TRACE>
void computePawnEntry(PawnHashEntry& entry)
{
    uint64_t key = CBoard::pawnKey();
    std::memset(&entry, 0, sizeof(entry));
    entry.keyLow = uint32_t(key);
    entry.keyHigh = uint32_t(key >> 32);
    int score = colourStructure<TRACE>(WHITE, entry) - colourStructure<TRACE>(BLACK, entry);
    // Only hostile weights can leave the 16 bits; saturate rather than wrap.
    entry.score = int16_t(score > 32767 ? 32767 : score < -32768 ? -32768 : score);
    computeShelterDefects(entry);
}
template void computePawnEntry<false>(PawnHashEntry& entry);
template void computePawnEntry<true>(PawnHashEntry& entry);

const PawnHashEntry& probePawnHash()
{
    // Entries computed with weights that have since been replaced are all stale.
    if (g_parameterGeneration != evalParameterGeneration())
    {
        clearPawnHashTable();
        g_parameterGeneration = evalParameterGeneration();
    }
    uint64_t key = CBoard::pawnKey();
    PawnHashEntry& slot = PawnHashTable[uint32_t(key) & (PAWN_HASH_SIZE - 1)];
    if (slot.keyLow == uint32_t(key) && slot.keyHigh == uint32_t(key >> 32))
    {
        ++g_hits;
        return slot;
    }
    ++g_misses;
    computePawnEntry<false>(slot);
    return slot;
}

void clearPawnHashTable()
{
    // A cleared slot must not match any key; keys of all zeroes are not made by
    // the board (the pawn key starts from a non-zero constant), but mark the slot
    // with a key whose index differs from the slot so nothing can match it.
    for (int i = 0; i < PAWN_HASH_SIZE; ++i)
    {
        PawnHashTable[i].keyLow = uint32_t(i) ^ 1u;
        PawnHashTable[i].keyHigh = 0;
    }
    g_hits = 0;
    g_misses = 0;
}

void invalidatePawnHashEntry(uint64_t pawnKey)
{
    PawnHashEntry& slot = PawnHashTable[uint32_t(pawnKey) & (PAWN_HASH_SIZE - 1)];
    if (slot.keyLow == uint32_t(pawnKey) && slot.keyHigh == uint32_t(pawnKey >> 32))
        slot.keyLow ^= 1u;
}

uint64_t pawnHashHits() { return g_hits; }
uint64_t pawnHashMisses() { return g_misses; }

namespace
{
struct CPawnHashInit
{
    CPawnHashInit() { clearPawnHashTable(); }
} pawnHashInit;

template <bool TRACE>
int colourPassedTerm(int colour, uint8_t files)
{
    const EvalTables& t = evalTables();
    const EvalParameters& p = evalParams();
    int enemy = colour ^ 1;
    Bitboard pawns = CBoard::pieces(colour == WHITE ? PAWN : -PAWN);
    Bitboard bishops = CBoard::pieces(colour == WHITE ? BISHOP : -BISHOP);
    Bitboard enemyPieces = CBoard::colourPieces(enemy);
    int ownKing = CBoard::kingSquare(colour);
    int enemyKing = CBoard::kingSquare(enemy);
    int stage = currentGameStage();
    int total = 0;
    for (int f = 0; f < 8; ++f)
    {
        if (!(files & (1 << f)))
            continue;
        int s = mostAdvancedPawn(colour, pawns, f);
        if (s < 0)
            continue;
        int rr = relativeRank(colour, s);
        int kingRank = rankOf(ownKing);
        int kf = fileOf(ownKing);
        if ((kf == f - 1 || kf == f + 1) && (colour == WHITE ? kingRank >= rankOf(s) - 1 : kingRank <= rankOf(s) + 1))
            total += traced<TRACE>(s, "passed supported", p.pawnPassedSupported[rr]);
        int front = squareInFront(colour, s);
        if (front >= 0 && (enemyPieces & bit(front)))
            total += traced<TRACE>(s, "passed blockaded", p.pawnPassedBlocked[rr]);
        int promotion = colour == WHITE ? 56 + f : f;
        if (bishops & (isDarkSquare(promotion) ? DARK_SQUARES : LIGHT_SQUARES))
            total += traced<TRACE>(s, "bishop promote sq", p.pawnBishopPromoteSq[0]);
        int attraction = kingAttraction[stage][rr] * (t.kingDistance[enemyKing][s] - t.kingDistance[ownKing][s]);
        total += traced<TRACE>(s, "passed king-attraction", attraction);
    }
    return total;
}

template <bool TRACE>
int colourConnectedSixth(int colour, uint8_t files)
{
    int enemy = colour ^ 1;
    if (!files || CBoard::m_pieceUnits[enemy] >= 6)
        return 0;
    const EvalTables& t = evalTables();
    Bitboard pawns = CBoard::pieces(colour == WHITE ? PAWN : -PAWN);
    int f = lowestSquare(files);
    int shown = mostAdvancedPawn(colour, pawns, f);
    int value = 0;
    const char* label = "conn passed 6th";
    if (files & (files - 1))
    {
        value = 3000;
        label = "multi conn passed 6th";
    }
    else
    {
        int enemyKing = CBoard::kingSquare(enemy);
        int tempo = CBoard::sideToMove() == enemy ? 1 : 0;
        int best = -1000;
        for (int file = f; file <= f + 1 && file < 8; ++file)
        {
            int s = mostAdvancedPawn(colour, pawns, file);
            if (s < 0)
                continue;
            int promotion = colour == WHITE ? 56 + file : file;
            int d = t.kingDistance[enemyKing][promotion] + relativeRank(colour, s) - 7 - tempo;
            if (d > best)
                best = d;
        }
        if (best >= 1)
            value = (5 * best + 40) * 50;
        else if (best < 0)
            value = -1500;
    }
    if (TRACE && shown >= 0)
        printTerm(shown, label, value);
    return value;
}
}

template <bool TRACE>
int passedPawnTerm(const PawnHashEntry& entry)
{
    return colourPassedTerm<TRACE>(WHITE, entry.passedFiles[WHITE]) -
           colourPassedTerm<TRACE>(BLACK, entry.passedFiles[BLACK]);
}
template int passedPawnTerm<false>(const PawnHashEntry& entry);
template int passedPawnTerm<true>(const PawnHashEntry& entry);

template <bool TRACE>
int connectedSixthTerm(const PawnHashEntry& entry)
{
    return colourConnectedSixth<TRACE>(WHITE, entry.connectedSixth[WHITE]) -
           colourConnectedSixth<TRACE>(BLACK, entry.connectedSixth[BLACK]);
}
template int connectedSixthTerm<false>(const PawnHashEntry& entry);
template int connectedSixthTerm<true>(const PawnHashEntry& entry);

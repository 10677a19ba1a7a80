// Builds the evaluation's fixed tables once, at start-up.
#include "eval/tables.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{
bool onBoard(int rank, int file) { return rank >= 0 && rank < 8 && file >= 0 && file < 8; }

Bitboard squareIf(int rank, int file) { return onBoard(rank, file) ? bit(squareOf(rank, file)) : 0; }

// Squares of a file between two ranks (inclusive), clipped to the board.
Bitboard fileSpan(int file, int fromRank, int toRank)
{
    Bitboard b = 0;
    if (file < 0 || file > 7)
        return 0;
    for (int r = fromRank; r <= toRank; ++r)
        b |= squareIf(r, file);
    return b;
}

EvalTables buildTables()
{
    EvalTables t;
    std::memset(&t, 0, sizeof(t));
    for (int a = 0; a < 64; ++a)
        for (int b = 0; b < 64; ++b)
        {
            int dr = std::abs(rankOf(a) - rankOf(b));
            int df = std::abs(fileOf(a) - fileOf(b));
            int lo = dr < df ? dr : df;
            int hi = dr < df ? df : dr;
            t.kingDistance[a][b] = uint8_t(hi);
            t.minDistance[a][b] = uint8_t(lo);
            t.diffDistance[a][b] = uint8_t(hi - lo);
            t.minDiffDistance[a][b] = uint8_t(hi - lo < lo ? hi - lo : lo);
            t.euclidDistance[a][b] = uint8_t(std::floor(std::sqrt(double(dr * dr + df * df)) + 0.5));
        }
    for (int s = 0; s < 64; ++s)
    {
        int r = rankOf(s), f = fileOf(s);

        // Ahead means up to the 7th rank for White and down to the 2nd for Black.
        t.fileAhead[WHITE][s] = fileSpan(f, r + 1, 6);
        t.fileAhead[BLACK][s] = fileSpan(f, 1, r - 1);
        for (int side = 0; side < 2; ++side)
        {
            int from = side == WHITE ? r + 1 : 1;
            int to = side == WHITE ? 6 : r - 1;
            t.frontSpan[side][s] = fileSpan(f - 1, from, to) | fileSpan(f, from, to) | fileSpan(f + 1, from, to);
            int edgeFrom = side == WHITE ? r + 1 : 0;
            int edgeTo = side == WHITE ? 7 : r - 1;
            t.outpostMask[side][s] = fileSpan(f - 1, edgeFrom, edgeTo) | fileSpan(f + 1, edgeFrom, edgeTo);
        }
        t.sameFile[s] = fileSpan(f, 0, 7) & ~bit(s);
        t.adjacentFiles[s] = fileSpan(f - 1, 0, 7) | fileSpan(f + 1, 0, 7);
        t.beside[s] = squareIf(r, f - 1) | squareIf(r, f + 1);
        // Neighbours stand one rank below to one above; a pawn on the 4th rank
        // also looks at the 2nd, one on the 5th also at the 7th (the two windows
        // are mirror images); pawns only stand on ranks 2 to 7.
        int low = r - 1, high = r + 1;
        if (r == 3)
            low = 1;
        if (r == 4)
            high = 6;
        if (low < 1)
            low = 1;
        if (high > 6)
            high = 6;
        t.leftNeighbours[s] = fileSpan(f - 1, low, high);
        t.rightNeighbours[s] = fileSpan(f + 1, low, high);
    }
    return t;
}

const EvalTables& tablesInstance()
{
    static const EvalTables tables = buildTables();
    return tables;
}

// Build at start-up rather than on the first (timed) evaluation.
const EvalTables& g_tables = tablesInstance();
}

const EvalTables& evalTables() { return g_tables; }

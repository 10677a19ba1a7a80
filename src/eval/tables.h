// Fixed tables of the evaluation, built once before the first evaluation:
// square distances and the pawn masks of the structure terms (attack sets and
// rays are the board's, in board/bitboard.h).
#pragma once

#include <cstdint>

#include "board/bitboard.h"

struct EvalTables
{
    // Distances between two squares with rank distance dr and file distance df.
    uint8_t kingDistance[64][64];     // max(dr, df)
    uint8_t minDistance[64][64];      // min(dr, df)
    uint8_t diffDistance[64][64];     // |dr - df|
    uint8_t minDiffDistance[64][64];  // min(|dr - df|, min(dr, df))
    uint8_t euclidDistance[64][64];   // round(sqrt(dr^2 + df^2))

    // Pawn masks by colour (where it matters) and square; defined for every
    // square, so a pawn that a set-up put on its first or last rank reads sane sets.
    Bitboard frontSpan[2][64];    // own and adjacent files ahead, up to the 7th (2nd) rank
    Bitboard fileAhead[2][64];    // own file ahead, same limit
    Bitboard sameFile[64];        // the file without the square
    Bitboard leftNeighbours[64];  // file to the left, ranks around the square (2nd..7th)
    Bitboard rightNeighbours[64];
    Bitboard beside[64];
    Bitboard adjacentFiles[64];
    Bitboard outpostMask[2][64];  // adjacent files ahead of the square, to the board edge
};

const EvalTables& evalTables();

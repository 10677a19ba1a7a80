// Fixed tables of the evaluation, built once before the first evaluation:
// square distances, attack sets, and the pawn masks of the structure terms.
#pragma once

#include <cstdint>

#include "board/types.h"

constexpr Bitboard FILE_A_BITS = 0x0101010101010101ULL;
constexpr Bitboard FILE_H_BITS = FILE_A_BITS << 7;
constexpr Bitboard DARK_SQUARES = 0xAA55AA55AA55AA55ULL;  // a1 is dark
constexpr Bitboard LIGHT_SQUARES = ~DARK_SQUARES;

constexpr Bitboard bitOf(int square) { return Bitboard(1) << square; }
// Bit count without relying on a popcount instruction being enabled.
inline int popCount(Bitboard b)
{
    b = b - ((b >> 1) & 0x5555555555555555ULL);
    b = (b & 0x3333333333333333ULL) + ((b >> 2) & 0x3333333333333333ULL);
    b = (b + (b >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return int((b * 0x0101010101010101ULL) >> 56);
}
inline int lowestSquare(Bitboard b) { return __builtin_ctzll(b); }
inline int highestSquare(Bitboard b) { return 63 - __builtin_clzll(b); }
inline bool isDarkSquare(int square) { return ((rankOf(square) + fileOf(square)) & 1) == 0; }

// Ray directions: north, north-east, east, south-east, south, south-west, west, north-west.
constexpr int DIR_N = 0, DIR_NE = 1, DIR_E = 2, DIR_SE = 3, DIR_S = 4, DIR_SW = 5, DIR_W = 6, DIR_NW = 7;
constexpr bool isDiagonalDirection(int direction) { return (direction & 1) != 0; }

struct EvalTables
{
    // Distances between two squares with rank distance dr and file distance df.
    uint8_t kingDistance[64][64];     // max(dr, df)
    uint8_t minDistance[64][64];      // min(dr, df)
    uint8_t diffDistance[64][64];     // |dr - df|
    uint8_t minDiffDistance[64][64];  // min(|dr - df|, min(dr, df))
    uint8_t euclidDistance[64][64];   // round(sqrt(dr^2 + df^2))

    Bitboard knightAttacks[64];
    Bitboard kingAttacks[64];
    Bitboard pawnAttacks[2][64];  // squares a pawn of the colour on the square attacks
    Bitboard rays[8][64];         // empty-board ray from the square (square excluded)
    Bitboard diagonalRays[64];    // the four diagonal rays together
    Bitboard straightRays[64];    // the four rank and file rays together
    int8_t rayStep[8];

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

// Sliding attacks on the given occupancy (the first blocker is included).
Bitboard rayAttacks(int square, int direction, Bitboard occupied);
Bitboard bishopAttacksOf(int square, Bitboard occupied);
Bitboard rookAttacksOf(int square, Bitboard occupied);
Bitboard rankAttacksOf(int square, Bitboard occupied);
Bitboard fileAttacksOf(int square, Bitboard occupied);

// Attack and geometry tables of the search board, built once at start-up.
// Sliding attacks are one table read indexed by square and the 8-bit
// occupancy of the line through it (the rotated occupancies of CBoard).
#pragma once

#include <cstdint>

#include "board/types.h"

namespace attacks
{
// Square masks with 16 empty entries on both sides, so that "one or two
// squares ahead" of a pawn on the first or last rank reads 0, never outside.
constexpr int BIT_PADDING = 16;
extern const Bitboard BIT_TABLE[64 + 2 * BIT_PADDING];
inline Bitboard bit(int square) { return BIT_TABLE[square + BIT_PADDING]; }

constexpr Bitboard FILE_A = 0x0101010101010101ULL;
constexpr Bitboard FILE_H = FILE_A << 7;
constexpr Bitboard RANK_1 = 0xffULL;
constexpr Bitboard rankMask(int rank) { return RANK_1 << (8 * rank); }

extern Bitboard KNIGHT_ATTACKS[64];
extern Bitboard KING_ATTACKS[64];
extern Bitboard PAWN_CAPTURE[2][64];  // by colour: squares diagonally ahead
extern Bitboard RANK_ATTACKS[64][256];
extern Bitboard FILE_ATTACKS[64][256];
extern Bitboard DIAG_ATTACKS[64][256];       // a1-h8 direction
extern Bitboard ANTI_DIAG_ATTACKS[64][256];  // h1-a8 direction
// By back-rank occupancy byte: bit 0 = e and h occupied with f, g empty;
// bit 1 = a and e occupied with b, c, d empty.
extern uint8_t CASTLE_PATH[2][256];

// Geometry of ordered square pairs.
constexpr uint32_t REL_ORTHOGONAL = 1;   // same rank or file
constexpr uint32_t REL_DIAGONAL = 2;     // same diagonal
constexpr uint32_t REL_KNIGHT = 4;
constexpr uint32_t REL_KING = 8;
constexpr uint32_t REL_WHITE_PAWN = 16;  // a white pawn on `from` captures on `to`
constexpr uint32_t REL_BLACK_PAWN = 32;
extern uint32_t RELATION[64][64];
// What each piece code (index code + 6) attacks by, in RELATION terms.
extern const uint32_t PIECE_RELATION[13];
extern Bitboard BETWEEN[64][64];  // squares strictly between two squares on a line
// Direction 0..7 (east, north-east, north, north-west, west, south-west,
// south, south-east) from the first square to the second, -1 off any line.
extern int8_t DIRECTION[64][64];
extern Bitboard BEYOND[8][64];    // squares beyond a square in a direction, to the edge

// Builds every table; runs once, before main, and may be called again harmlessly.
void initialize();
}

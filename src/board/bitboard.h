// Bitboards for the whole engine: bit helpers, square masks, directions and
// rays, and the attack and geometry tables the board, the search, the
// evaluation and the endgame code all read.
//
// Directions are numbered counter-clockwise from east: 0 east, 1 north-east,
// 2 north, 3 north-west, 4 west, 5 south-west, 6 south, 7 south-east. The
// first four lead to higher squares, the last four to lower ones, and the odd
// ones are diagonals.
//
// Sliding attacks on the board's occupancy are one table read indexed by
// square and the 8-bit occupancy of the line through it (the rotated
// occupancies of CBoard); rayAttacks() serves any other occupancy.
#pragma once

#include <cstdint>

#include "board/types.h"

// ---- Bits --------------------------------------------------------------------------
// Squares 0..63 only.
constexpr Bitboard bit(int square) { return Bitboard(1) << square; }
inline int popCount(Bitboard b) { return __builtin_popcountll(b); }
// Of a non-empty set.
inline int lowestSquare(Bitboard b) { return __builtin_ctzll(b); }
inline int highestSquare(Bitboard b) { return 63 - __builtin_clzll(b); }
inline int popLowest(Bitboard& b)
{
    int square = lowestSquare(b);
    b &= b - 1;
    return square;
}
inline int popHighest(Bitboard& b)
{
    int square = highestSquare(b);
    b ^= bit(square);
    return square;
}
// White walks its pieces from a1 upwards, black from h8 downwards.
inline int popSquare(Bitboard& b, bool lowestFirst) { return lowestFirst ? popLowest(b) : popHighest(b); }

// The square's bit for squares -16..79, 0 off the board: "one or two squares
// ahead" of a pawn on the first or last rank, or the en-passant square -1,
// read 0, never outside the table.
struct CPaddedBits
{
    static constexpr int PADDING = 16;
    Bitboard values[64 + 2 * PADDING];
    constexpr CPaddedBits() : values()
    {
        for (int s = 0; s < 64; ++s)
            values[s + PADDING] = bit(s);
    }
};
inline constexpr CPaddedBits PADDED_BITS{};
inline Bitboard bitOrZero(int square) { return PADDED_BITS.values[square + CPaddedBits::PADDING]; }

namespace attacks
{
// ---- Square masks ---------------------------------------------------------------------
constexpr Bitboard FILE_A = 0x0101010101010101ULL;
constexpr Bitboard FILE_H = FILE_A << 7;
constexpr Bitboard RANK_1 = 0xffULL;
constexpr Bitboard fileMask(int file) { return FILE_A << file; }
constexpr Bitboard rankMask(int rank) { return RANK_1 << (8 * rank); }
constexpr Bitboard DARK_SQUARES = 0xAA55AA55AA55AA55ULL;  // a1 is dark
constexpr Bitboard LIGHT_SQUARES = ~DARK_SQUARES;
constexpr bool isDarkSquare(int square) { return ((rankOf(square) + fileOf(square)) & 1) == 0; }

// ---- Directions -------------------------------------------------------------------------
constexpr int EAST = 0, NORTH_EAST = 1, NORTH = 2, NORTH_WEST = 3, WEST = 4, SOUTH_WEST = 5, SOUTH = 6, SOUTH_EAST = 7;
constexpr int DIRECTION_FILE_STEP[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int DIRECTION_RANK_STEP[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr bool isDiagonalDirection(int direction) { return (direction & 1) != 0; }
constexpr bool isUpwardDirection(int direction) { return direction < 4; }

// ---- Tables, built once at start-up ------------------------------------------------------
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
// Squares from a square in a direction, to the edge (the square excluded).
extern Bitboard RAYS[8][64];

// Geometry of ordered square pairs.
constexpr uint32_t REL_ORTHOGONAL = 1;  // same rank or file
constexpr uint32_t REL_DIAGONAL = 2;    // same diagonal
constexpr uint32_t REL_KNIGHT = 4;
constexpr uint32_t REL_KING = 8;
constexpr uint32_t REL_WHITE_PAWN = 16;  // a white pawn on `from` captures on `to`
constexpr uint32_t REL_BLACK_PAWN = 32;
extern uint32_t RELATION[64][64];
// What each piece code (index code + 6) attacks by, in RELATION terms.
extern const uint32_t PIECE_RELATION[13];
extern Bitboard BETWEEN[64][64];  // squares strictly between two squares on a line
// Direction from the first square to the second, -1 off any line.
extern int8_t DIRECTION[64][64];

// The diagonals and the rank and file through a square, on an empty board.
inline Bitboard bishopRays(int square) { return DIAG_ATTACKS[square][0] | ANTI_DIAG_ATTACKS[square][0]; }
inline Bitboard rookRays(int square) { return RANK_ATTACKS[square][0] | FILE_ATTACKS[square][0]; }

// The ray from a square in a direction, up to and including the first occupied square.
inline Bitboard rayAttacks(int square, int direction, Bitboard occupancy)
{
    const Bitboard ray = RAYS[direction][square];
    const Bitboard blockers = ray & occupancy;
    if (!blockers)
        return ray;
    const int first = isUpwardDirection(direction) ? lowestSquare(blockers) : highestSquare(blockers);
    return ray ^ RAYS[direction][first];
}

// Squares the pawns of a colour attack.
constexpr Bitboard pawnAttackSet(int colour, Bitboard pawns)
{
    return colour == WHITE ? ((pawns << 7) & ~FILE_H) | ((pawns << 9) & ~FILE_A)
                           : ((pawns >> 9) & ~FILE_H) | ((pawns >> 7) & ~FILE_A);
}

// Builds every table; runs once, before main, and may be called again harmlessly.
void initialize();
}

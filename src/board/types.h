// Squares, piece codes, colours and the 32-bit move word shared by every subsystem.
#pragma once

#include <cstdint>

typedef uint64_t Bitboard;
typedef uint32_t Move;

// Square = rank * 8 + file; a1 = 0, h8 = 63; -1 is "no square".
constexpr int NO_SQUARE = -1;
constexpr int squareOf(int rank, int file) { return rank * 8 + file; }
constexpr int fileOf(int square) { return square & 7; }
constexpr int rankOf(int square) { return square >> 3; }

// Colour index: 1 = white, 0 = black.
constexpr int BLACK = 0;
constexpr int WHITE = 1;

// Piece types; a piece code is +type for white, -type for black, 0 for empty.
constexpr int EMPTY = 0;
constexpr int PAWN = 1;
constexpr int KNIGHT = 2;
constexpr int BISHOP = 3;
constexpr int ROOK = 4;
constexpr int QUEEN = 5;
constexpr int KING = 6;

constexpr int pieceType(int code) { return code < 0 ? -code : code; }
constexpr int pieceColour(int code) { return code >= 1 ? WHITE : BLACK; }
// Tables by piece code span -6..6 and are indexed by code + 6.
constexpr int pieceIndex(int code) { return code + 6; }

// Move word layout (bit 0 least significant):
//   0-5 to-square, 6-11 from-square, 12-14 moving piece type, 15 special,
//   16-18 captured type, 20-22 promotion type. 0 is "no move".
constexpr Move NO_MOVE = 0;
constexpr Move MOVE_TO_MASK = 0x3f;
constexpr Move MOVE_FROM_MASK = 0x3f << 6;
constexpr Move MOVE_PIECE_MASK = 0x7 << 12;
constexpr Move MOVE_SPECIAL = 1u << 15;
constexpr Move MOVE_CAPTURE_MASK = 0x7 << 16;
constexpr Move MOVE_PROMOTION_MASK = 0x7 << 20;

constexpr Move makeMoveWord(int from, int to, int piece, int captured = 0, int promotion = 0, bool special = false)
{
    return Move(to) | (Move(from) << 6) | (Move(piece) << 12) | (special ? MOVE_SPECIAL : 0) | (Move(captured) << 16) |
           (Move(promotion) << 20);
}
constexpr int moveTo(Move m) { return int(m & MOVE_TO_MASK); }
constexpr int moveFrom(Move m) { return int((m >> 6) & 0x3f); }
constexpr int movePiece(Move m) { return int((m >> 12) & 7); }
constexpr bool moveSpecial(Move m) { return (m & MOVE_SPECIAL) != 0; }
constexpr int moveCaptured(Move m) { return int((m >> 16) & 7); }
constexpr int movePromotion(Move m) { return int((m >> 20) & 7); }
constexpr bool isCapture(Move m) { return (m & MOVE_CAPTURE_MASK) != 0; }
constexpr bool isPromotion(Move m) { return (m & MOVE_PROMOTION_MASK) != 0; }
constexpr bool isEnPassant(Move m)
{
    return (m & (MOVE_PIECE_MASK | MOVE_SPECIAL | MOVE_PROMOTION_MASK)) == ((Move(PAWN) << 12) | MOVE_SPECIAL);
}
constexpr bool isCastling(Move m)
{
    return movePiece(m) == KING && (moveFrom(m) - moveTo(m) == 2 || moveTo(m) - moveFrom(m) == 2);
}
// Two generators spell castling with and without the special bit, so identity
// of moves (user move vs. predicted, hash, killer or book move) compares only
// from, to and promotion.
constexpr bool sameMove(Move a, Move b)
{
    return (a & (MOVE_TO_MASK | MOVE_FROM_MASK | MOVE_PROMOTION_MASK)) ==
           (b & (MOVE_TO_MASK | MOVE_FROM_MASK | MOVE_PROMOTION_MASK));
}

// Polyglot position keys: the key every Polyglot opening book is sorted by.
//
// The key is the XOR of one table entry per piece on the board, one per castling right
// held, one for the en-passant file (only when the side to move has a pawn beside the
// pawn that just advanced two squares, i.e. could take it), and one when White is to move.
#pragma once

#include <cstdint>

#include "board/types.h"

class CPosition;

constexpr int POLYGLOT_KEY_COUNT = 781;
// Offsets into the table.
constexpr int POLYGLOT_CASTLING = 768;    // white short, white long, black short, black long
constexpr int POLYGLOT_EN_PASSANT = 772;  // file a .. h
constexpr int POLYGLOT_WHITE_TO_MOVE = 780;

// The published table (polyglotrandom.cpp): piece keys at kind * 64 + square, where kind
// runs black pawn, white pawn, black knight, white knight, ... black king, white king.
extern const uint64_t POLYGLOT_RANDOM[POLYGLOT_KEY_COUNT];

uint64_t polyglotKey(const CPosition& position);

// The 16-bit move of a book entry: to-file bits 0-2, to-rank 3-5, from-file 6-8, from-rank
// 9-11, promotion 12-14 (1 knight .. 4 queen). Castling is written as the king taking its
// own rook (e1h1, e1a1, e8h8, e8a8).
uint16_t polyglotMove(Move move);

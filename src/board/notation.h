// Text forms of moves and squares that need no position: coordinate notation,
// the long form of search output, and the partial-square encoding of the move
// reader. (SAN and the move reader are CPosition members.)
#pragma once

#include <string>

#include "board/types.h"

// Partial squares used by the move reader and the SAN writer:
// 0..63 a full square, -20..-13 a file only (a..h), -10..-3 a rank only (1..8), -1 nothing.
constexpr int SQUARE_SPEC_NONE = -1;
constexpr int fileSpec(int file) { return -20 + file; }
constexpr int rankSpec(int rank) { return -10 + rank; }
constexpr bool isFileSpec(int spec) { return spec >= -20 && spec <= -13; }
constexpr bool isRankSpec(int spec) { return spec >= -10 && spec <= -3; }

// Piece letters by piece code + 6: Black lower case, White upper case, blank for empty.
extern const char PIECE_LETTERS[14];
// The piece code of a letter of PIECE_LETTERS ("P" 1 .. "K" 6, "p" -1 .. "k" -6); 0 for any
// other character.
int pieceCodeOfLetter(char letter);

// "e2e4", "e7e8q"; the move 0 is "null".
std::string moveToCoordinate(Move move);
// "Pe2-e4", "Nb1xc3", "Pe7-e8=Q"; the move 0 is "null".
std::string moveToLongText(Move move);
// A square spec in text: "e4", "e", "4" or "".
std::string squareToText(int code);

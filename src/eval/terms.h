// Internal helpers shared by the evaluation's term files: game stage and the
// breakdown lines of the traced evaluation.
//
// Every term is written once, as a template on TRACE: the instance with TRACE
// false is the fast evaluation the search uses, with nothing of the breakdown
// left in it; the instance with TRACE true also prints each term (the sc
// command, the symmetry test's report).
#pragma once

#include <cstdint>

constexpr int STAGE_OPENING = 0;
constexpr int STAGE_MIDDLE = 1;
constexpr int STAGE_ENDGAME = 2;

// The stage the current search evaluates with (SetGameStage sets it).
int currentGameStage();

// One breakdown line of a piece or pawn term: colour and name of the piece on
// the square (or "*"/"****" for none, square -1), the square, the label and the value.
// Zero values are not printed.
void printTerm(int square, const char* label, int value);

// A term's value, printed as one breakdown line when tracing.
template <bool TRACE>
inline int traced(int square, const char* label, int value)
{
    if constexpr (TRACE)
        printTerm(square, label, value);
    return value;
}

inline int clampIndex(int64_t value, int size) { return value < 0 ? 0 : value >= size ? size - 1 : int(value); }

// Relative rank of a square for a colour: 0 on its first rank, 7 on its eighth.
inline int relativeRank(int colour, int square) { return colour == 1 ? (square >> 3) : 7 - (square >> 3); }

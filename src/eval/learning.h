// Temporal-difference learning: after a decided game the evaluation parameters take one
// TD(lambda) step towards the result, judged by the leaf evaluations of the principal
// variations the engine's moves came from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board/position.h"
#include "board/types.h"

// One of the engine's moves as the game record holds it.
struct LearningMove
{
    CPosition position;    // the position after the move, where the line's second move is played
    std::vector<Move> pv;  // the line the move came from, the move itself first
    int32_t score = 0;     // the search score of the line, from the engine's side
    int32_t marker = 0;    // how the move was chosen; 0: no search information
    Move reply = NO_MOVE;  // the opponent's answer in the game (NO_MOVE when there is none)
};

// How a parameter is learned.
constexpr int LEARN_PLAIN = 0;     // every value on its own
constexpr int LEARN_FIXED = 1;     // not learned
constexpr int LEARN_MIRRORED = 2;  // each value with its white copy (mirrored rank)
constexpr int LEARN_LINKED = 5;    // each value with the same value of the linked parameter

// The learning kind of a registry label, and the parameter a linked one is learned with
// (nullptr for the other kinds).
int learningKind(const char* label);
const char* learningLink(const char* label);

struct LearnedParameter
{
    std::string label;
    int count;
};

// The parameters that learning changes, in registry order.
std::vector<LearnedParameter> learnedParameters();

struct LearningOutcome
{
    bool stopped = false;  // a move without search information: nothing was learned
    int moves = 0;         // the engine's moves looked at
    int usable = 0;        // those whose line still leads to its score
    int changed = 0;       // learnable values that moved
};

// One learning step from the engine's moves of a game (in game order), the engine's colour
// (WHITE or BLACK) and the outcome for the engine (+1 won, -1 lost). Changes the live
// parameters (each learned value kept within the limits a parameter file accepts) and
// empties the pawn cache; the search board is left on some position of the game.
LearningOutcome learnFromGame(const std::vector<LearningMove>& moves, int colour, int outcome);

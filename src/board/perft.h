// Perft (leaf counts of the legal move tree) and generator timing on the search board.
#pragma once

#include <cstdint>

class CPosition;

// Deepest perft the move stack holds.
constexpr int PERFT_MAX_DEPTH = 64;

// Known leaf counts of the start position, by depth 1..6 (index 0 unused).
extern const uint64_t START_POSITION_PERFT[7];

// The recursion on the loaded board: adds the leaves `depth` plies below to
// perftNodes(); with `divide` prints every root move with its leaves.
void perftCount(int ply, int depth, bool divide);
uint64_t& perftNodes();
// Leaves `depth` plies below the loaded board (0 when depth is out of 1..PERFT_MAX_DEPTH).
uint64_t perftLeaves(int depth);

// The console tests: load the search board from the position and print.
// perft refuses depths beyond PERFT_MAX_DEPTH (returns false).
bool perft(const CPosition& position, int maxDepth, bool divide);
void perf(const CPosition& position);
void perfc(const CPosition& position);

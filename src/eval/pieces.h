// The piece loop of the full evaluation: piece-square values, pawn storms and
// blocked pawns, mobility, outposts, rook files, king attack and pressure,
// bishop pair and trapped rooks; and the development term.
#pragma once

#include "board/types.h"

struct PawnHashEntry;

// Each side's positional sum (its own point of view) and the parts the
// traced breakdown shows.
struct PositionalSums
{
    int total[2];      // by colour
    int byType[2][7];  // piece terms by colour and piece type (pawn..king)
    int attackPoints[2];
    int attackLookup[2];
    int attackDefects[2];
    int attackers[2];
    int attackerKinds[2];
    int pressure[2];
};

// Adds up both sides' positional sums; defects[] are the kings' defect values.
// The traced instance (TRACE true) prints every term and the summaries.
template <bool TRACE>
void computePositionalSums(const PawnHashEntry& entry, int stage, const int defects[2], PositionalSums& sums);

// Development term from the side to move's point of view (Opening and Middle game).
template <bool TRACE>
int developmentTerm();

// Undeveloped sum of one side.
int undevelopedSum(int colour);

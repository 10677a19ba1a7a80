// King safety: pawn shelter counts (kept in the pawn entry), the king's defect
// value, attack zones, the pressure combination table and queen contact checks.
#pragma once

#include <cstdint>

#include "board/types.h"

struct PawnHashEntry;

// Fills the eight shelter counts of the entry from the board's pawns.
void computeShelterDefects(PawnHashEntry& entry);

// Shelter count of a colour's pawns for a king on the given file (clamped to b..g).
int shelterCount(int colour, int file);

// Defect value of a colour's king (0 in the Endgame).
int kingDefectValue(int colour, const PawnHashEntry& entry, int stage);

// The squares next to the king plus those squares one rank towards the enemy.
Bitboard kingZone(int colour, int kingSquare);

// Does a slider (bishop, rook or queen of the colour on the square, with its
// attack set) bear on the zone, directly or through own sliders that move the same way?
bool sliderReachesZone(int square, int type, int colour, Bitboard attacks, Bitboard zone);

// Pressure weight for a number of attackers and their kinds (bits 1 pawns,
// 2 knights/bishops, 4 rooks, 8 queens); counts beyond 7 use the last row.
int pressureCombo(int attackers, int kinds);

// Contact-check bonus of a queen of the colour: 0, 250 or 750.
int contactCheckBonus(int colour, Bitboard queenAttacks, Bitboard ownSupport, Bitboard enemyGuard);

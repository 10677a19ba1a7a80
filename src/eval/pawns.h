// Pawn structure: the static part cached per pawn placement in the pawn hash
// table, the dynamic passed-pawn terms and the connected passers on the 6th.
#pragma once

#include <cstdint>

struct PawnHashEntry
{
    uint32_t keyLow;
    uint32_t keyHigh;
    int16_t score;              // static structure, White minus Black
    uint8_t shelterDefects[8];  // see SHELTER_* below
    uint8_t passedFiles[2];     // by colour: bit n = file n holds a (potentially) passed pawn
    uint8_t passerMeasure[2];   // by colour
    uint8_t connectedSixth[2];  // by colour: files of connected passers on the 6th/7th rank
};

// Indices into shelterDefects: the king locations the shelter is counted for.
constexpr int SHELTER_WHITE_G1 = 0;
constexpr int SHELTER_WHITE_B1 = 1;
constexpr int SHELTER_BLACK_G8 = 2;
constexpr int SHELTER_BLACK_B8 = 3;
constexpr int SHELTER_WHITE_D1 = 4;
constexpr int SHELTER_WHITE_E1 = 5;
constexpr int SHELTER_BLACK_D8 = 6;
constexpr int SHELTER_BLACK_E8 = 7;

constexpr int PAWN_HASH_BITS = 18;
constexpr int PAWN_HASH_SIZE = 1 << PAWN_HASH_BITS;

// Computes the static pawn entry of the board's pawns; the traced instance
// (TRACE true) also prints every term.
template <bool TRACE>
void computePawnEntry(PawnHashEntry& entry);
// The cached entry for the board's pawn key, computed on a miss.
const PawnHashEntry& probePawnHash();
// Empties the cache (after the pawn weights changed).
void clearPawnHashTable();
// Forgets the cached entry of one pawn key (learning re-evaluates that position).
void invalidatePawnHashEntry(uint64_t pawnKey);
uint64_t pawnHashHits();
uint64_t pawnHashMisses();

// Dynamic passed-pawn terms from the entry's passed files, White minus Black.
template <bool TRACE>
int passedPawnTerm(const PawnHashEntry& entry);
// Connected passers on the 6th against little material, White minus Black.
template <bool TRACE>
int connectedSixthTerm(const PawnHashEntry& entry);

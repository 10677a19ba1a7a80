// The key-table generator: draws 832 values with 31 to 33 bits set and a
// minimum Hamming distance between every two of them.
#pragma once

#include <cstdint>
#include <string>

// Distances the generator accepts. Random search finds a table at 24 in
// seconds; each further bit multiplies the draws needed many times over.
constexpr int HAMM_MIN_DISTANCE = 16;
constexpr int HAMM_MAX_DISTANCE = 24;

struct HammStatistics
{
    uint64_t histogram[65];  // pairs by Hamming distance
    uint64_t pairs;
    double average;
};

// Fills values[k / 13][k % 13] for k = 0..831, each drawn from theRandom()
// until it fits; false when some entry found no fitting value within the
// draw budget. `progress` (may be null) is told each entry index.
bool generateKeyTable(uint64_t values[64][13], int minDistance, void (*progress)(int entry, int minDistance));
HammStatistics keyTableStatistics(const uint64_t values[64][13]);
// The table as C++ source text, as written to "hashlookup.h".
std::string keyTableSource(const uint64_t values[64][13]);

// Search statistics and transposition-table analysis (diagnostic output).
#pragma once

#include <cstdint>

class CHashTable;

// 100 * part / whole, and 0 when the whole is 0.
double percentOf(uint64_t part, uint64_t whole);

// The analh[ash] report: store counters, then per side and table the ages,
// drafts, pairs and use, then bound kinds and draws over all tables.
void printHashAnalysis(const CHashTable& table);

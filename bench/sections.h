// Each benchmark section prints its own lines. Only the search section adds to the
// signature: its node count moves with any change of search or evaluation behaviour,
// while the perft, evaluation and KPK figures are fixed results the tests check.
#pragma once

#include <cstdint>

int benchPerft(uint64_t& signatureNodes);
int benchEval(uint64_t& signatureNodes);
int benchKpk(uint64_t& signatureNodes);
int benchSearch(uint64_t& signatureNodes);
int benchBook(uint64_t& signatureNodes);
int benchLearn(uint64_t& signatureNodes);

// Each benchmark section prints its own lines; the node-count sections also
// add their node totals to the signature.
#pragma once

#include <cstdint>

int benchPerft(uint64_t& signatureNodes);
int benchEval(uint64_t& signatureNodes);
int benchKpk(uint64_t& signatureNodes);
int benchSearch(uint64_t& signatureNodes);
int benchBook(uint64_t& signatureNodes);

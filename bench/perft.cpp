// Perft from the start position to depth 6: leaf counts per depth, nodes
// (every position visited) and leaf nodes per second.
#include <chrono>
#include <cinttypes>
#include <cstdio>

#include "board/board.h"
#include "board/perft.h"
#include "board/position.h"
#include "sections.h"

int benchPerft(uint64_t& signatureNodes)
{
    const int DEPTH = 6;
    CPosition start;
    CBoard::load(start);
    int failures = 0;
    uint64_t leaves = 0;
    double seconds = 0;
    std::printf("perft: start position\n");
    for (int depth = 1; depth <= DEPTH; ++depth)
    {
        auto begin = std::chrono::steady_clock::now();
        leaves = perftLeaves(depth);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        bool pass = leaves == START_POSITION_PERFT[depth];
        failures += pass ? 0 : 1;
        std::printf("  depth %d  leaves %11" PRIu64 "  %7.3f s  %s\n", depth, leaves, seconds, pass ? "Pass" : "FAIL");
    }
    // Inner nodes of the depth-6 tree: the leaves of depths 0..5 (each visited once).
    uint64_t nodes = 0;
    for (int depth = 0; depth < DEPTH; ++depth)
        nodes += START_POSITION_PERFT[depth];
    nodes += leaves;
    if (seconds <= 0)
        seconds = 1e-9;
    std::printf("  perft %d: %" PRIu64 " nodes, %.1f M nodes/s, %.1f M leaf nodes/s\n", DEPTH, nodes,
                double(nodes) / seconds / 1e6, double(leaves) / seconds / 1e6);
    signatureNodes += nodes;
    return failures;
}

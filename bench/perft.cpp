// Perft from the start position to depth 6: leaf counts per depth, nodes
// (every position visited) and leaf nodes per second.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <ctime>

#include "board/board.h"
#include "board/perft.h"
#include "board/position.h"
#include "sections.h"

int benchPerft(uint64_t& /*signatureNodes*/)
{
    const int DEPTH = 6;
    CPosition start;
    CBoard::load(start);
    int failures = 0;
    uint64_t leaves = 0;
    double seconds = 0, cpuSeconds = 0;
    std::printf("perft: start position\n");
    for (int depth = 1; depth <= DEPTH; ++depth)
    {
        auto begin = std::chrono::steady_clock::now();
        std::clock_t cpuBegin = std::clock();
        leaves = perftLeaves(depth);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        cpuSeconds = double(std::clock() - cpuBegin) / CLOCKS_PER_SEC;
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
    if (cpuSeconds <= 0)
        cpuSeconds = 1e-9;
    // On a shared machine the wall clock includes other programs' time; the
    // process clock shows what the board itself costs.
    std::printf("  perft %d: %" PRIu64 " nodes, %.1f M nodes/s, %.1f M leaf nodes/s (per CPU second: %.1f M)\n", DEPTH,
                nodes, double(nodes) / seconds / 1e6, double(leaves) / seconds / 1e6,
                double(leaves) / cpuSeconds / 1e6);
    return failures;
}

#include "board/perft.h"

#include <chrono>
#include <cinttypes>

#include "board/board.h"
#include "board/notation.h"
#include "board/position.h"
#include "base/output.h"

const uint64_t START_POSITION_PERFT[7] = {1, 20, 400, 8902, 197281, 4865609, 119060324};

namespace
{
uint64_t g_nodes = 0;
// One list per ply of the recursion; generating never allocates.
CMoveList g_moveStack[PERFT_MAX_DEPTH];

int64_t clockMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Waits for the clock to tick, so timing starts on a tick boundary.
int64_t waitForTick()
{
    int64_t start = clockMilliseconds();
    int64_t now;
    while ((now = clockMilliseconds()) == start)
    {
    }
    return now;
}

double secondsSince(int64_t start)
{
    int64_t elapsed = clockMilliseconds() - start;
    return elapsed > 0 ? double(elapsed) / 1000.0 : 0.001;
}
}

uint64_t& perftNodes() { return g_nodes; }

void perftCount(int ply, int depth, bool divide)
{
    if (depth < 1 || ply >= PERFT_MAX_DEPTH)
        return;
    CMoveList& list = g_moveStack[ply];
    list.clear();
    CBoard::generateCaptures(list);
    for (Move move : list)
        if (moveCaptured(move) == KING)
            return;  // the move that led here left its king en prise
    CBoard::generateNonCaptures(list);

    const int mover = CBoard::m_sideToMove;
    const int count = list.size();
    for (int i = 0; i < count; ++i)
    {
        const Move move = list[i];
        const uint64_t before = g_nodes;
        CBoard::makeMove(move);
        if (depth == 1)
        {
            if (!CBoard::isInCheck(mover))
                ++g_nodes;
        }
        else
            perftCount(ply + 1, depth - 1, divide);
        if (ply == 0 && divide)
            output("%s - %" PRId64 "\n", moveToLongText(move).c_str(), int64_t(g_nodes - before));
        CBoard::unmakeMove();
    }
}

uint64_t perftLeaves(int depth)
{
    if (depth < 1 || depth > PERFT_MAX_DEPTH)
        return 0;
    g_nodes = 0;
    perftCount(0, depth, false);
    return g_nodes;
}

bool perft(const CPosition& position, int maxDepth, bool divide)
{
    if (maxDepth > PERFT_MAX_DEPTH)
        return false;
    CPosition copy = position;
    CBoard::load(copy);
    output("Ply   Time        Nodes   Nodes/s\n");
    for (int depth = 1; depth <= maxDepth; ++depth)
    {
        int64_t start = waitForTick();
        g_nodes = 0;
        perftCount(0, depth, divide);
        double seconds = secondsSince(start);
        output("%2d %7.3f  %11.0f  %8.0f", depth, seconds, double(g_nodes), double(g_nodes) / seconds);
        if (depth < 7)
            output("  %s\n", g_nodes == START_POSITION_PERFT[depth] ? "Pass" : "Fail");
        else
            output("\n");
    }
    return true;
}

namespace
{
void timeGenerators(const CPosition& position, bool capturesOnly)
{
    const int ITERATIONS = 1000000;
    CPosition copy = position;
    CBoard::load(copy);
    CMoveList list;
    auto generate = [&]() {
        list.clear();
        CBoard::generateCaptures(list);
        if (!capturesOnly)
            CBoard::generateNonCaptures(list);
    };
    generate();
    const int moves = list.size();
    output("%d moves: ", moves);
    for (Move move : list)
        output("%s ", copy.moveToSan(move).c_str());
    output("\n");

    int64_t start = waitForTick();
    for (int i = 0; i < ITERATIONS; ++i)
        generate();
    double seconds = secondsSince(start);
    output(capturesOnly ? "Generate captures:\n" : "Generate moves:\n");
    output("Iterations:     %10d  Time: %1.3f\n", ITERATIONS, seconds);
    output("Iterations/sec: %10.1f  Moves/sec: %1.1f\n", ITERATIONS / seconds, double(moves) * ITERATIONS / seconds);

    start = waitForTick();
    for (int i = 0; i < ITERATIONS; ++i)
    {
        generate();
        for (Move move : list)
        {
            CBoard::makeMove(move);
            CBoard::unmakeMove();
        }
    }
    seconds = secondsSince(start);
    output(capturesOnly ? "Generate, make, unmake captures:\n" : "Generate, make, unmake moves:\n");
    output("Iterations:     %10d  Time: %1.3f\n", ITERATIONS, seconds);
    output("Iterations/sec: %10.1f  Moves/sec: %1.1f\n", ITERATIONS / seconds, double(moves) * ITERATIONS / seconds);
}
}

void perf(const CPosition& position) { timeGenerators(position, false); }

void perfc(const CPosition& position) { timeGenerators(position, true); }

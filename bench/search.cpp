// Fixed-depth searches over a fixed list of positions, each from a cleared
// transposition table: the node counts are the signature, the time gives speed.
#include <chrono>
#include <cinttypes>
#include <cstdio>

#include "board/board.h"
#include "board/position.h"
#include "search/hashtable.h"
#include "search/search.h"
#include "sections.h"
#include "base/output.h"

namespace
{
const char* const POSITIONS[] = {
    // Openings and middle games.
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4",
    "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5",
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP2BPPP/R1BQ1RK1 w - - 0 8",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "2rq1rk1/pp1bppbp/2np1np1/8/3NP3/1BN1BP2/PPPQ2PP/2KR3R b - - 0 11",
    "r1bqr1k1/ppp2pbp/2np1np1/4p3/2PPP3/2N1BN1P/PP2BPP1/R2QK2R w KQ - 1 9",
    // Tactics.
    "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1",
    "5rk1/1ppb3p/p1pb4/6q1/3P1p1r/2P1R2P/PP1BQ1P1/5RKN w - - 0 1",
    "r1bq2rk/pp3pbp/2p1p1pQ/7P/3P4/2PB1N2/PP3PPR/2KR4 w - - 0 1",
    "5k2/6pp/p1qN4/1p1p4/3P4/2PKP2Q/PP3r2/3R4 b - - 0 1",
    "1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - - 0 1",
    "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 1",
    "2q1rr1k/3bbnnp/p2p1pp1/2pPp3/PpP1P1P1/1P2BNNP/2BQ1PRK/7R b - - 0 1",
    "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq - 0 1",
    "r1b2rk1/2q1b1pp/p2ppn2/1p6/3QP3/1BN1B3/PPP3PP/R4RK1 w - - 0 1",
    "2r3k1/pppR1pp1/4p3/4P1P1/5P2/1P4K1/P1P5/8 w - - 0 1",
    "1nk1r1r1/pp2n1pp/4p3/q2pPp1N/b1pP1P2/B1P2R2/2P1B1PP/R2Q2K1 w - - 0 1",
    "4b3/p3kp2/6p1/3pP2p/2pP1P2/4K1P1/P3N2P/8 w - - 0 1",
    "r3r1k1/ppqb1ppp/8/4p1NQ/8/2P5/PP3PPP/R3R1K1 b - - 0 1",
    "r2q1rk1/4bppp/p2p4/2pP4/3pP3/3Q4/PP1B1PPP/R3R1K1 w - - 0 1",
    "rnb2r1k/pp2p2p/2pp2p1/q2P1p2/8/1Pb2NP1/PB2PPBP/R2Q1RK1 w - - 0 1",
    "2r3k1/1p2q1pp/2b1pr2/p1pp4/6Q1/1P1PP1R1/P1PN2PP/5RK1 w - - 0 1",
    // Endgames.
    "8/8/4k3/8/2p5/8/B2K4/8 w - - 0 1",
    "8/k7/3p4/p2P1p2/P2P1P2/8/8/K7 w - - 0 1",
    "8/8/1p1k4/p1p2p2/P1P2P2/1P1K4/8/8 w - - 0 1",
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "8/5pk1/6p1/8/8/6P1/5PK1/3R4 w - - 0 1",
    "8/8/8/3k4/8/8/3PK3/8 w - - 0 1",
    "4r1k1/5ppp/8/8/8/8/1Q3PPP/6K1 b - - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
};
constexpr int DEPTH = 7;
}  // namespace

int benchSearch(uint64_t& signatureNodes)
{
    CSearch& search = theSearch();
    // Root moves are ordered by the search's exchange evaluator, as in the engine.
    CBoard::setExchangeEvaluator(&CSearch::staticExchange);
    search.setInputPoll(nullptr);
    search.setObserver(nullptr);
    search.newGameDefaults();
    search.setMaxIterations(DEPTH);
    search.setAllottedTime(1.0e6);
    theHashTable().setSize(16 * 1048576);
    uint64_t total = 0;
    double seconds = 0.0;
    int failures = 0;
    std::printf("search: depth %d, %d positions\n", DEPTH, int(sizeof POSITIONS / sizeof POSITIONS[0]));
    int index = 0;
    for (const char* fen : POSITIONS)
    {
        ++index;
        CPosition position;
        if (!position.setFromFen(fen) || !CBoard::load(position))
        {
            std::printf("  %2d  cannot load %s\n", index, fen);
            ++failures;
            continue;
        }
        theHashTable().clear();
        Move move = 0;
        int score = 0;
        std::string printed;
        setOutputCapture(&printed);
        auto start = std::chrono::steady_clock::now();
        bool ok = search.think(move, score, false);
        auto stop = std::chrono::steady_clock::now();
        setOutputCapture(nullptr);
        uint64_t nodes = uint64_t(search.totalNodes());
        double elapsed = std::chrono::duration<double>(stop - start).count();
        total += nodes;
        seconds += elapsed;
        std::printf("  %2d  %10" PRIu64 " nodes  %-7s %7d  %s\n", index, nodes,
                    ok ? position.moveToSan(move).c_str() : "-", score, fen);
        failures += ok ? 0 : 1;
    }
    signatureNodes += total;
    std::printf("search: %" PRIu64 " nodes in %.2f s, %.0f nodes per second\n", total, seconds,
                seconds > 0 ? double(total) / seconds : 0.0);
    return failures;
}

// Static evaluation speed: full evaluations (full window, so no lazy exit) per
// second of processor time over fixed middle-game positions, once with the pawn structure
// recomputed every time and once with the pawn hash warm. The scores go into
// the signature as a checksum, so any change of evaluation behaviour shows.
#include <cinttypes>
#include <cstdio>
#include <ctime>

#include "board/board.h"
#include "board/position.h"
#include "eval/evaluate.h"
#include "eval/parameters.h"
#include "eval/pawns.h"
#include "sections.h"

namespace
{
const char* const POSITIONS[] = {
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 9",
    "r2q1rk1/pp1nbppp/2p1pn2/3p4/2PP1B2/2N1PN2/PPQ2PPP/R3KB1R w KQ - 2 9",
    "r1bqr1k1/pp1nbppp/2p2n2/3p2B1/3P4/2NBP3/PPQ1NPPP/R3K2R w KQ - 5 10",
    "2rq1rk1/pb1nbppp/1p2pn2/2pp4/2PP4/1PN1PN2/PB2BPPP/2RQ1RK1 w - - 0 12",
    "r1b2rk1/2q1bppp/p2ppn2/1p6/3BPP2/2N2B2/PPP3PP/R2Q1R1K w - - 0 14",
    "r2qr1k1/1b1nbppp/p2p1n2/1pp1p3/4P3/1BPP1N1P/PP1N1PP1/R1BQR1K1 w - - 0 13",
    "3r1rk1/pp1q1ppp/2n1bn2/2bpp3/8/1BPP1NN1/PP3PPP/R1BQ1RK1 w - - 0 12",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "2r2rk1/1bqnbppp/pp1ppn2/8/2PNP3/1PN1BP2/P2QB1PP/2RR2K1 w - - 0 15",
    "r3k2r/pbpnqpp1/1p2pn1p/3p4/2PP3B/P1Q1PN2/1P3PPP/R3KB1R w KQkq - 0 11",
};
const int POSITION_COUNT = int(sizeof(POSITIONS) / sizeof(POSITIONS[0]));
const int REPEATS = 50000;

// Processor time of this process: on a shared machine the wall clock would
// mostly measure the other processes.
double secondsSince(std::clock_t begin)
{
    double s = double(std::clock() - begin) / CLOCKS_PER_SEC;
    return s > 0 ? s : 1e-9;
}
}

int benchEval(uint64_t& /*signatureNodes*/)
{
    resetEvalParameters();
    CPosition positions[POSITION_COUNT];
    for (int i = 0; i < POSITION_COUNT; ++i)
        if (!positions[i].setFromFen(POSITIONS[i]))
        {
            std::printf("eval: bad position %s\n", POSITIONS[i]);
            return 1;
        }

    // The checksum: every score of the list once, from a cold cache.
    uint64_t checksum = 0;
    for (const CPosition& position : positions)
    {
        CBoard::load(position);
        SetGameStage();
        int score = Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
        checksum = checksum * 1000003u + uint64_t(int64_t(score) + 1000000);
    }

    int64_t cold = 0, warm = 0;
    double coldSeconds = 0, warmSeconds = 0;
    volatile int sink = 0;
    for (const CPosition& position : positions)
    {
        CBoard::load(position);
        SetGameStage();
        uint64_t pawnKey = CBoard::pawnKey();
        std::clock_t begin = std::clock();
        for (int n = 0; n < REPEATS / 4; ++n)
        {
            invalidatePawnHashEntry(pawnKey);
            sink = sink + Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
        }
        coldSeconds += secondsSince(begin);
        cold += REPEATS / 4;
        begin = std::clock();
        for (int n = 0; n < REPEATS; ++n)
            sink = sink + Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
        warmSeconds += secondsSince(begin);
        warm += REPEATS;
    }
    std::printf("eval: %d middle-game positions, checksum %016" PRIx64 "\n", POSITION_COUNT, checksum);
    std::printf("  pawn structure recomputed: %.2f M evals/s\n", double(cold) / coldSeconds / 1e6);
    std::printf("  pawn hash warm:            %.2f M evals/s (target >= 2)\n", double(warm) / warmSeconds / 1e6);
    return 0;
}

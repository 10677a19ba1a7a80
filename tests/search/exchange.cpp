// Exchange values on constructed positions, and the quiescence search's
// fixed behaviours (king capture, mate windows, stand pat, depth limit).
#include "eval/evaluate.h"
#include "support/search.h"

using namespace searchtest;

namespace
{
constexpr int sq(const char* name) { return (name[0] - 'a') + (name[1] - '1') * 8; }
} // namespace

TEST(StaticExchange, ConstructedPositions)
{
    struct Case { const char *fen, *from, *to; int piece, captured; bool special; int expected; };
    const Case cases[] = {
        // Undefended knight; pawn takes pawn defended by a pawn; knight takes it.
        {"4k3/8/8/4n3/8/8/8/4R1K1 w - - 0 1", "e1", "e5", ROOK, KNIGHT, false, 3497},
        {"4k3/8/3p4/4p3/3P4/8/8/4K3 w - - 0 1", "d4", "e5", PAWN, PAWN, false, 0},
        {"4k3/8/3p4/4p3/8/5N2/8/4K3 w - - 0 1", "f3", "e5", KNIGHT, PAWN, false, 1000 - 3497},
        // En passant onto a defended square; Black's view the same way.
        {"4k3/2p5/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5", "d6", PAWN, PAWN, true, 0},
        {"4k3/8/8/2b5/8/4R3/6N1/4K3 b - - 0 1", "c5", "e3", BISHOP, ROOK, false, 5505 - 3505},
        // Doubled rooks: the rear rook joins once the front one has gone (x-ray).
        {"4r1k1/8/8/4p3/8/8/4R3/4R1K1 w - - 0 1", "e2", "e5", ROOK, PAWN, false, 1000},
        {"4r1k1/8/8/4p3/8/8/4R3/6K1 w - - 0 1", "e2", "e5", ROOK, PAWN, false, 1000 - 5505},
        {"4r1k1/4r3/8/8/4P3/8/8/4R1K1 b - - 0 1", "e7", "e4", ROOK, PAWN, false, 1000},
        {"6k1/4r3/8/8/4P3/8/8/4R1K1 b - - 0 1", "e7", "e4", ROOK, PAWN, false, 1000 - 5505},
        // Bishops on both sides, and a queen behind the defending bishop.
        {"6k1/8/1b6/8/3p4/8/5B2/6BK w - - 0 1", "f2", "d4", BISHOP, PAWN, false, 1000},
        {"6k1/q7/1b6/8/3p4/8/5B2/6BK w - - 0 1", "f2", "d4", BISHOP, PAWN, false, 1000 - 3505},
        // The king may only recapture on an undefended square.
        {"4k3/4p3/8/8/8/8/4Q3/6K1 w - - 0 1", "e2", "e7", QUEEN, PAWN, false, 1000 - 10001},
        {"4k3/4p3/8/8/8/8/4Q3/4R1K1 w - - 0 1", "e2", "e7", QUEEN, PAWN, false, 1000},
        {"6k1/4q3/8/8/8/8/4P3/4K3 b - - 0 1", "e7", "e2", QUEEN, PAWN, false, 1000 - 10001},
        // A blocked slider does not defend.
        {"4r1k1/4n3/8/4p3/8/8/4R3/6K1 w - - 0 1", "e2", "e5", ROOK, PAWN, false, 1000},
    };
    for (const Case& c : cases)
    {
        ASSERT_TRUE(loadFen(c.fen)) << c.fen;
        EXPECT_EQ(CSearch::staticExchange(makeMoveWord(sq(c.from), sq(c.to), c.piece, c.captured, 0, c.special)),
                  c.expected)
            << c.fen;
    }
}

TEST(Quiescence, FixedBehaviours)
{
    CSearch& search = theSearch();
    // The side to move can take the enemy king: the line before was illegal.
    ASSERT_TRUE(loadFen("4k3/8/8/8/8/8/8/4RK2 b - - 0 1"));
    search.prepareDirectSearch(1);
    // (White to move would capture; make it White's turn with a null move.)
    CBoard::makeNullMove();
    EXPECT_EQ(search.quiesce(0, 2, -100, 123456), 123456);
    CBoard::unmakeNullMove();

    // Beyond a mate bound the plain material balance is returned.
    ASSERT_TRUE(loadFen("4k3/8/8/8/8/8/3Q4/4K3 w - - 0 1"));
    search.prepareDirectSearch(1);
    const int balance = CBoard::m_materialBalance;
    EXPECT_EQ(balance, CBoard::searchPieceValue(QUEEN));
    EXPECT_EQ(search.quiesce(0, 1, MATE_BOUND, MATE), balance);
    EXPECT_EQ(search.quiesce(0, 1, -MATE, -MATE_BOUND), balance);
    CBoard::makeNullMove();
    EXPECT_EQ(search.quiesce(0, 1, MATE_BOUND, MATE), -balance);
    CBoard::unmakeNullMove();

    // A stand-pat score at or above beta comes back unchanged (fail soft),
    // and one below alpha with no capture to try leaves alpha.
    search.prepareDirectSearch(1);
    int standPat = search.quiesce(0, 1, -MATE, MATE);
    EXPECT_GT(standPat, 5000);
    // (the evaluation may answer a narrow window lazily, so compare like with like)
    EXPECT_EQ(search.quiesce(0, 1, -MATE, 100), Evaluate(-MATE, 100));
    EXPECT_GE(search.quiesce(0, 1, -MATE, 100), 100);
    EXPECT_EQ(search.quiesce(0, 1, 50000, 50001), Evaluate(50000, 50001)); // no capture: stand pat
    // Every capture fails: alpha as raised by the stand pat.
    ASSERT_TRUE(loadFen("4k3/8/3p4/4p3/8/5N2/8/4K3 w - - 0 1"));
    search.prepareDirectSearch(1);
    int quiet = search.quiesce(0, 1, -MATE, MATE);
    search.prepareDirectSearch(1);
    EXPECT_EQ(search.quiesce(0, 1, quiet - 10, quiet + 10), quiet);
}

// The quiescence search may go 4 plies deep, or one per iteration beyond that: many pieces en
// prise on both sides make long capture sequences, which do reach past four plies when allowed.
TEST(Quiescence, DepthLimitGrowsWithTheIteration)
{
    CSearch& search = theSearch();
    ASSERT_TRUE(loadFen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"));
    for (int iteration : {1, 4, 6, 9})
    {
        search.setIteration(iteration);
        search.prepareDirectSearch(1);
        search.quiesce(0, 1, -MATE, MATE);
        EXPECT_LE(search.statistics().maxQDepth, std::max(32, 8 * iteration)) << iteration;
    }
    EXPECT_GT(search.statistics().maxQDepth, 32);
    search.setIteration(1);
}

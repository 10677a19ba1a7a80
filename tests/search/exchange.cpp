// Exchange values on constructed positions, and the quiescence search's
// fixed behaviours (king capture, mate windows, stand pat, depth limit).
#include "eval/evaluate.h"
#include "support/search.h"

using namespace searchtest;

// The positions and values are in tests/data/search/exchange.txt.
TEST(StaticExchange, ConstructedPositions)
{
    for (const auto& row : dataRows("search/exchange.txt"))
    {
        ASSERT_EQ(row.size(), 3u);
        CPosition position;
        ASSERT_TRUE(loadFen(row[0], &position));
        const Move capture = legalMove(position, row[1]);
        ASSERT_NE(capture, NO_MOVE) << row[0] << " " << row[1];
        EXPECT_EQ(CSearch::staticExchange(capture), std::stoi(row[2])) << row[0] << " " << row[1];
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
    const int balance = CBoard::searchPieceValue(QUEEN);
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
    EXPECT_EQ(search.quiesce(0, 1, 50000, 50001), Evaluate(50000, 50001));  // no capture: stand pat
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

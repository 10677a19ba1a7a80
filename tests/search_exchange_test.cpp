// Exchange values on constructed positions, and the quiescence search's
// fixed behaviours (king capture, mate windows, stand pat, depth limit).
#include "eval/evaluate.h"
#include "search_helpers.h"

using namespace searchtest;

namespace
{
int exchange(const char* fen, int from, int to, int piece, int captured, bool special = false)
{
    EXPECT_TRUE(loadFen(fen)) << fen;
    return CSearch::staticExchange(makeMoveWord(from, to, piece, captured, 0, special));
}

constexpr int sq(const char* name) { return (name[0] - 'a') + (name[1] - '1') * 8; }
} // namespace

TEST(StaticExchange, SimpleCaptures)
{
    // Undefended knight: the whole knight.
    EXPECT_EQ(exchange("4k3/8/8/4n3/8/8/8/4R1K1 w - - 0 1", sq("e1"), sq("e5"), ROOK, KNIGHT), 3497);
    // Pawn takes a pawn defended by a pawn: even.
    EXPECT_EQ(exchange("4k3/8/3p4/4p3/3P4/8/8/4K3 w - - 0 1", sq("d4"), sq("e5"), PAWN, PAWN), 0);
    // Knight takes a pawn defended by a pawn: loses the knight for a pawn.
    EXPECT_EQ(exchange("4k3/8/3p4/4p3/8/5N2/8/4K3 w - - 0 1", sq("f3"), sq("e5"), KNIGHT, PAWN), 1000 - 3497);
    // En passant onto a defended square: pawn for pawn.
    EXPECT_EQ(exchange("4k3/2p5/8/3pP3/8/8/8/4K3 w - d6 0 1", sq("e5"), sq("d6"), PAWN, PAWN, true), 0);
    // Black's view works the same way: bishop takes a rook defended by a knight.
    EXPECT_EQ(exchange("4k3/8/8/2b5/8/4R3/6N1/4K3 b - - 0 1", sq("c5"), sq("e3"), BISHOP, ROOK), 5505 - 3505);
}

TEST(StaticExchange, XRaysAndKings)
{
    // Doubled rooks: the rear rook joins once the front one has gone.
    EXPECT_EQ(exchange("4r1k1/8/8/4p3/8/8/4R3/4R1K1 w - - 0 1", sq("e2"), sq("e5"), ROOK, PAWN), 1000);
    EXPECT_EQ(exchange("4r1k1/8/8/4p3/8/8/4R3/6K1 w - - 0 1", sq("e2"), sq("e5"), ROOK, PAWN), 1000 - 5505);
    // Bishops on both sides, and a queen behind the defending bishop.
    EXPECT_EQ(exchange("6k1/8/1b6/8/3p4/8/5B2/6BK w - - 0 1", sq("f2"), sq("d4"), BISHOP, PAWN), 1000);
    EXPECT_EQ(exchange("6k1/q7/1b6/8/3p4/8/5B2/6BK w - - 0 1", sq("f2"), sq("d4"), BISHOP, PAWN), 1000 - 3505);
    // The king may only recapture on an undefended square.
    EXPECT_EQ(exchange("4k3/4p3/8/8/8/8/4Q3/6K1 w - - 0 1", sq("e2"), sq("e7"), QUEEN, PAWN), 1000 - 10001);
    EXPECT_EQ(exchange("4k3/4p3/8/8/8/8/4Q3/4R1K1 w - - 0 1", sq("e2"), sq("e7"), QUEEN, PAWN), 1000);
    // A blocked slider does not defend.
    EXPECT_EQ(exchange("4r1k1/4n3/8/4p3/8/8/4R3/6K1 w - - 0 1", sq("e2"), sq("e5"), ROOK, PAWN), 1000);
}

TEST(StaticExchange, AgreesWithMirroredPositions)
{
    // The same exchanges with colours swapped and the board turned over.
    EXPECT_EQ(exchange("4r1k1/4r3/8/8/4P3/8/8/4R1K1 b - - 0 1", sq("e7"), sq("e4"), ROOK, PAWN), 1000);
    EXPECT_EQ(exchange("6k1/4r3/8/8/4P3/8/8/4R1K1 b - - 0 1", sq("e7"), sq("e4"), ROOK, PAWN), 1000 - 5505);
    EXPECT_EQ(exchange("6k1/4q3/8/8/8/8/4P3/4K3 b - - 0 1", sq("e7"), sq("e2"), QUEEN, PAWN), 1000 - 10001);
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
    ASSERT_TRUE(loadFen("4k3/8/8/8/8/8/3Q4/4K3 w - - 0 1"));
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

TEST(Quiescence, DepthLimitGrowsWithTheIteration)
{
    CSearch& search = theSearch();
    // Many pieces en prise on both sides: long capture sequences.
    const char* fen = "r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5Q2/PPPP1PPP/RNB1K1NR w KQkq - 0 1";
    const char* busy = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
    for (const char* f : {fen, busy})
    {
        ASSERT_TRUE(loadFen(f));
        for (int iteration : {1, 4, 6, 9})
        {
            search.setIteration(iteration);
            search.prepareDirectSearch(1);
            search.quiesce(0, 1, -MATE, MATE);
            EXPECT_LE(search.statistics().maxQDepth, std::max(32, 8 * iteration)) << f;
        }
    }
    // The busy position does reach past four plies when allowed to.
    ASSERT_TRUE(loadFen(busy));
    search.setIteration(9);
    search.prepareDirectSearch(1);
    search.quiesce(0, 1, -MATE, MATE);
    EXPECT_GT(search.statistics().maxQDepth, 32);
    search.setIteration(1);
}

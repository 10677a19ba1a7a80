// Probing books for real positions, candidate weights, the weighted draw and the move-number
// rule. The texts of the book commands (bset, bk listings, bcreate) are pinned by the golden
// transcripts book.in / book.out.
#include <cmath>
#include <map>
#include <random>

#include "book/commands.h"
#include "book/books.h"

namespace
{
// Records a move given in SAN as book building would; bias in quarters.
void addMove(CHashBook& book, const CPosition& position, const std::string& san, uint32_t games, uint32_t halfPoints,
             uint8_t flags, uint32_t bias = 4)
{
    ASSERT_TRUE(book.insert(recordKey(position, san), BookRecord{games, halfPoints, bias, flags}));
}
}

TEST(BookWeight, FollowsGamesScoreBiasAndAnnotations)
{
    const uint8_t both = BOOK_WTM | BOOK_BTM;
    const double DEFAULTS[] = {3.0, 1.0, 0.0, 0.5, 2.0, 10.0}, STEEP[] = {1.0, 3.0, 0.0, 0.5, 2.0, 10.0},
                 NEGATIVE[] = {1.0, 1.0, 0.0, 0.5, -2.0, 10.0}, NOT_A_NUMBER[] = {NAN, 1.0, 0.0, 0.5, 2.0, 10.0};
    const struct
    {
        const double* params;
        bool white;
        unsigned games;
        double points, bias;
        uint8_t flags;
        double weight;
    } CASES[] = {
        // Three games, White scored 2 of 3: worth 2 for White, 1 for Black.
        {DEFAULTS, true, 3, 2.0, 1.0, both, 2.0},
        {DEFAULTS, false, 3, 2.0, 1.0, both, 1.0},
        // A move flagged for one side is never weighed for the other.
        {DEFAULTS, false, 5, 2.5, 1.0, BOOK_WTM, 0.0},
        {DEFAULTS, true, 5, 2.5, 1.0, BOOK_BTM, 0.0},
        {DEFAULTS, true, 5, 2.5, 3.75, BOOK_WTM, 2.5 * 3.75},
        // Annotation factors (plain weight 3): the first set flag in the order vbad, bad, good, vgood.
        {DEFAULTS, true, 4, 3.0, 1.0, both | BOOK_AN_VGOOD, 30.0},
        {DEFAULTS, true, 4, 3.0, 1.0, both | BOOK_AN_VBAD | BOOK_AN_VGOOD, 0.0},
        {DEFAULTS, true, 4, 3.0, 1.0, both | BOOK_AN_BAD | BOOK_AN_VGOOD, 1.5},
        // A steep score bias cuts losing moves to 0 rather than below.
        {STEEP, true, 10, 1.0, 1.0, both, 0.0},
        {STEEP, true, 10, 8.0, 1.0, both, 14.0},  // (3 * 0.3 + 0.5) * 10
        // Parameters that would make a weight negative or not a number give 0.
        {NEGATIVE, true, 10, 8.0, 1.0, both | BOOK_AN_GOOD, 0.0},
        {NOT_A_NUMBER, true, 10, 8.0, 1.0, both, 0.0},
    };
    for (const auto& c : CASES)
        EXPECT_DOUBLE_EQ(bookWeight(c.params, c.white, BookMove{NO_MOVE, c.games, c.points, c.bias, c.flags}), c.weight)
            << c.games << " games, " << c.points << " points, flags " << int(c.flags) << (c.white ? " W" : " B");
}

TEST(BookWeight, DrawPicksByRunningSum)
{
    std::vector<double> w = {1.0, 0.0, 3.0};
    EXPECT_EQ(pickWeighted(w, (1u << 30) - 1), 0);  // target just below 1
    EXPECT_EQ(pickWeighted(w, 1u << 30), 2);        // target 1: the zero weight is skipped
    EXPECT_EQ(pickWeighted(w, 0xffffffffu), 2);
    EXPECT_EQ(pickWeighted({0.0, 0.0}, 12345), -1);
    // Rounding never lets the draw fall off the end onto a zero weight.
    EXPECT_EQ(pickWeighted({0.1, 0.2, 0.3, 0.0}, 0xffffffffu), 2);
}

TEST_F(BooksFixture, ProbeFindsTheMovesOfThePositionForTheRightSide)
{
    CHashBook& book = theBooks().primary();
    createBook(book, "probe.hbk");
    CPosition start, afterE4;
    recordKey(start, "e4", &afterE4);
    addMove(book, start, "e4", 10, 12, BOOK_WTM | BOOK_BTM);
    addMove(book, start, "d4", 4, 5, BOOK_WTM);
    addMove(book, start, "Nf3", 2, 2, BOOK_WTM);
    addMove(book, afterE4, "c5", 7, 6, BOOK_BTM);

    std::vector<BookMove> moves;
    ASSERT_TRUE(book.probe(start, moves));
    // In the order of the legal move list.
    CMoveList legal;
    start.generateLegal(legal);
    std::string expected;
    for (Move m : legal)
        for (const char* san : {"e4", "d4", "Nf3"})
            if (m == sanMove(start, san))
                expected += moveToCoordinate(m) + " ";
    std::string found;
    for (const BookMove& m : moves)
    {
        found += moveToCoordinate(m.move) + " ";
        EXPECT_TRUE(m.move != sanMove(start, "e4") || (m.games == 10 && m.whitePoints == 6.0 && m.bias == 1.0));
    }
    EXPECT_EQ(found, expected);
    ASSERT_TRUE(book.probe(afterE4, moves));
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].move, sanMove(afterE4, "c5"));

    // The same placement with the other side to move knows nothing: records of
    // Black's moves are stored with inverted keys.
    CPosition whiteToMove = afterE4;
    whiteToMove.setSideToMove(WHITE);
    ASSERT_TRUE(book.probe(whiteToMove, moves));
    EXPECT_TRUE(moves.empty());
}

TEST_F(BooksFixture, BooksAreAskedInOrderAndWeighedWithPrimaryParameters)
{
    createBook(theBooks().primary(), "first.hbk");
    createBook(theBooks().book(COpeningBooks::SECONDARY), "second.hbk");
    CPosition start;
    addMove(theBooks().book(COpeningBooks::SECONDARY), start, "c4", 6, 6, BOOK_WTM | BOOK_BTM);
    std::vector<BookMove> moves;
    int slot = -1;
    ASSERT_TRUE(theBooks().collectBookMoves(start, moves, &slot));
    EXPECT_EQ(slot, COpeningBooks::SECONDARY);
    ASSERT_EQ(moves.size(), 1u);

    Move move;
    double share;
    ASSERT_TRUE(theBooks().chooseBookMove(start, move, share));
    EXPECT_EQ(move, sanMove(start, "c4"));
    EXPECT_DOUBLE_EQ(share, 1.0);
    // The primary's threshold rules, although the secondary supplied the move.
    ASSERT_TRUE(theBooks().primary().setParameter(BOOK_THRESHOLD, 7));
    EXPECT_FALSE(theBooks().chooseBookMove(start, move, share));
    theBooks().book(COpeningBooks::SECONDARY).setParameter(BOOK_THRESHOLD, 0);
    EXPECT_FALSE(theBooks().chooseBookMove(start, move, share));
    ASSERT_TRUE(theBooks().primary().setParameter(BOOK_THRESHOLD, 3));

    // Once the primary knows the position, it alone supplies it.
    addMove(theBooks().primary(), start, "g3", 3, 3, BOOK_WTM);
    ASSERT_TRUE(theBooks().collectBookMoves(start, moves, &slot));
    EXPECT_EQ(slot, COpeningBooks::PRIMARY);
    ASSERT_TRUE(theBooks().chooseBookMove(start, move, share));
    EXPECT_EQ(move, sanMove(start, "g3"));

    // Without an open book there is nothing, and all parameters read 0.
    closeAll();
    EXPECT_FALSE(theBooks().collectBookMoves(start, moves, &slot));
    EXPECT_EQ(slot, -1);
    EXPECT_EQ(theBooks().primary().parameter(BOOK_VGOODBIAS), 0.0);
}

TEST_F(BooksFixture, MoveFrequenciesFollowTheWeights)
{
    CHashBook& book = theBooks().primary();
    createBook(book, "freq.hbk");
    CPosition start;
    const uint8_t both = BOOK_WTM | BOOK_BTM;
    const struct
    {
        const char* san;
        uint32_t games, points;
        uint8_t flags;
        uint32_t bias;
        double weight;
    } MOVES[] = {
        {"e4", 40, 48, both, 4, 24.0},
        {"d4", 30, 33, both, 4, 16.5},
        {"c4", 8, 8, both | BOOK_AN_GOOD, 4, 8.0},    // goodbias 2
        {"Nf3", 6, 6, both, 8, 6.0},                  // bias 2
        {"b3", 2, 4, both, 4, 0.0},                   // below the threshold
        {"g4", 20, 10, both | BOOK_AN_VBAD, 4, 0.0},  // vbadbias 0
    };
    std::map<Move, double> weights;
    for (const auto& m : MOVES)
    {
        addMove(book, start, m.san, m.games, m.points, m.flags, m.bias);
        weights[sanMove(start, m.san)] = m.weight;
    }
    std::mt19937 rng(2024);
    theBooks().setRandomSource([&rng] { return uint32_t(rng()); });
    std::map<Move, int> counts;
    const int draws = 20000;
    for (int i = 0; i < draws; ++i)
    {
        theBooks().setReferenceMoveNumber(0);
        Move move;
        double share;
        ASSERT_TRUE(theBooks().chooseBookMove(start, move, share));
        ASSERT_EQ(weights.count(move), 1u);
        EXPECT_DOUBLE_EQ(share, weights[move] / 54.5);
        ++counts[move];
    }
    // Each frequency within five standard deviations of its expectation; the
    // moves of weight 0 never come.
    for (const auto& [move, weight] : weights)
    {
        double p = weight / 54.5;
        EXPECT_NEAR(counts[move], draws * p, 5 * std::sqrt(draws * p * (1 - p)) + (p > 0)) << moveToCoordinate(move);
    }
}

TEST_F(BooksFixture, ReferenceMoveNumberAndSwitch)
{
    createBook(theBooks().primary(), "rule.hbk");
    CPosition position = positionFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 6");
    addMove(theBooks().primary(), position, "e4", 5, 5, BOOK_WTM);
    Move move;
    double share;
    // A new game's reference is 0: move 6 is more than five moves past it.
    EXPECT_FALSE(theBooks().chooseBookMove(position, move, share));
    theBooks().setReferenceMoveNumber(1);
    ASSERT_TRUE(theBooks().chooseBookMove(position, move, share));
    EXPECT_EQ(theBooks().referenceMoveNumber(), 6);
    captureCommand(handleBk, "off");
    EXPECT_FALSE(theBooks().chooseBookMove(position, move, share));
    captureCommand(handleBk, "on");
    EXPECT_TRUE(theBooks().chooseBookMove(position, move, share));
    theBooks().setEnabled(false);
    theBooks().resetForNewGame();
    EXPECT_TRUE(theBooks().enabled());
    EXPECT_EQ(theBooks().referenceMoveNumber(), 0);
}

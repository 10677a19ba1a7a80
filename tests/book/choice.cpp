// Probing books for real positions, candidate weights, the weighted draw and the move-number
// rule. The texts of the book commands (bset, bk listings, bcreate) are pinned by the golden
// transcript book.in / book.out.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "board/game.h"
#include "board/position.h"
#include "book/bookchoice.h"
#include "book/commands.h"
#include "base/output.h"
#include "support/helpers.h"

namespace
{
namespace fs = std::filesystem;

Move parse(const CPosition& position, const std::string& text)
{
    Move move = NO_MOVE;
    EXPECT_TRUE(position.parseMove(text, move)) << text;
    return move;
}

// Writes a record for a move given in SAN, as book building would.
void addMove(CHashBook& book, const CPosition& position, const std::string& san, uint32_t games, uint32_t halfPoints,
             uint8_t flags, uint32_t biasQuarters = 4)
{
    CPosition after = position;
    after.makeMove(parse(position, san));
    BookRecord record;
    record.games = games;
    record.whitePoints = halfPoints;
    record.bias = biasQuarters;
    record.flags = flags;
    ASSERT_TRUE(book.insert(bookRecordKey(position.hashKey(), after.hashKey(), position.sideToMove() == BLACK), record));
}

const double DEFAULTS[BOOK_PARAMETER_COUNT] = {3.0, 1.0, 0.0, 0.5, 2.0, 10.0};

BookMove candidate(uint32_t games, double whitePoints, double bias, uint8_t flags)
{
    BookMove m;
    m.games = games;
    m.whitePoints = whitePoints;
    m.bias = bias;
    m.flags = flags;
    return m;
}

struct BooksFixture : ::testing::Test
{
    void SetUp() override
    {
        for (int slot = 0; slot < COpeningBooks::SLOTS; ++slot)
            theBooks().book(slot).close();
        theBooks().resetForNewGame();
    }
    void TearDown() override
    {
        for (int slot = 0; slot < COpeningBooks::SLOTS; ++slot)
            theBooks().book(slot).close();
        theBooks().setRandomSource([] { return uint32_t(0); });
    }
    std::string createIn(int slot, const std::string& name)
    {
        std::string path = tempPath(name);
        std::string error;
        EXPECT_TRUE(theBooks().book(slot).create(path, error)) << error;
        return path;
    }
};
}

TEST(BookWeight, FollowsGamesScoreBiasAndAnnotations)
{
    const uint8_t both = BOOK_WTM | BOOK_BTM;
    // Three games, White scored 2 of 3: worth 2 for White, 1 for Black.
    EXPECT_DOUBLE_EQ(bookWeight(DEFAULTS, true, candidate(3, 2.0, 1.0, both)), 2.0);
    EXPECT_DOUBLE_EQ(bookWeight(DEFAULTS, false, candidate(3, 2.0, 1.0, both)), 1.0);
    // Side flags (threshold, bias and the good and very bad factors are drawn
    // in MoveFrequenciesFollowTheWeights).
    EXPECT_EQ(bookWeight(DEFAULTS, false, candidate(5, 2.5, 1.0, BOOK_WTM)), 0.0);
    EXPECT_EQ(bookWeight(DEFAULTS, true, candidate(5, 2.5, 1.0, BOOK_BTM)), 0.0);
    EXPECT_DOUBLE_EQ(bookWeight(DEFAULTS, true, candidate(5, 2.5, 3.75, BOOK_WTM)), 2.5 * 3.75);
    // Annotation factors: the first set flag in the order vbad, bad, good, vgood.
    double plain = bookWeight(DEFAULTS, true, candidate(4, 3.0, 1.0, both));
    EXPECT_DOUBLE_EQ(bookWeight(DEFAULTS, true, candidate(4, 3.0, 1.0, both | BOOK_AN_VGOOD)), 10 * plain);
    EXPECT_EQ(bookWeight(DEFAULTS, true, candidate(4, 3.0, 1.0, both | BOOK_AN_VBAD | BOOK_AN_VGOOD)), 0.0);
    EXPECT_DOUBLE_EQ(bookWeight(DEFAULTS, true, candidate(4, 3.0, 1.0, both | BOOK_AN_BAD | BOOK_AN_VGOOD)),
                     0.5 * plain);
    // A steep score bias cuts losing moves to 0 rather than below.
    double steep[BOOK_PARAMETER_COUNT] = {1.0, 3.0, 0.0, 0.5, 2.0, 10.0};
    EXPECT_EQ(bookWeight(steep, true, candidate(10, 1.0, 1.0, both)), 0.0);          // score 0.1
    EXPECT_DOUBLE_EQ(bookWeight(steep, true, candidate(10, 8.0, 1.0, both)), 14.0);  // (3*0.3+0.5)*10
    // Parameters that would make a weight negative or not a number give 0.
    double negative[BOOK_PARAMETER_COUNT] = {1.0, 1.0, 0.0, 0.5, -2.0, 10.0};
    EXPECT_EQ(bookWeight(negative, true, candidate(10, 8.0, 1.0, both | BOOK_AN_GOOD)), 0.0);
    double nan[BOOK_PARAMETER_COUNT] = {NAN, 1.0, 0.0, 0.5, 2.0, 10.0};
    EXPECT_EQ(bookWeight(nan, true, candidate(10, 8.0, 1.0, both)), 0.0);
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
    createIn(COpeningBooks::PRIMARY, "probe.hbk");
    CHashBook& book = theBooks().primary();
    CPosition start;
    addMove(book, start, "e4", 10, 12, BOOK_WTM | BOOK_BTM);
    addMove(book, start, "d4", 4, 5, BOOK_WTM);
    addMove(book, start, "Nf3", 2, 2, BOOK_WTM);
    CPosition afterE4 = start;
    afterE4.makeMove(parse(start, "e4"));
    addMove(book, afterE4, "c5", 7, 6, BOOK_BTM);

    std::vector<BookMove> moves;
    ASSERT_TRUE(book.probe(start, moves));
    ASSERT_EQ(moves.size(), 3u);
    // In the order of the legal move list.
    CMoveList legal;
    start.generateLegal(legal);
    size_t next = 0;
    for (Move m : legal)
        if (next < moves.size() && m == moves[next].move)
            ++next;
    EXPECT_EQ(next, moves.size());
    for (const BookMove& m : moves)
        if (m.move == parse(start, "e4"))
        {
            EXPECT_EQ(m.games, 10u);
            EXPECT_DOUBLE_EQ(m.whitePoints, 6.0);
            EXPECT_DOUBLE_EQ(m.bias, 1.0);
        }
    ASSERT_TRUE(book.probe(afterE4, moves));
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].move, parse(afterE4, "c5"));

    // The same placement with the other side to move knows nothing: records of
    // Black's moves are stored with inverted keys.
    CPosition whiteToMove = afterE4;
    whiteToMove.setSideToMove(WHITE);
    ASSERT_TRUE(book.probe(whiteToMove, moves));
    EXPECT_TRUE(moves.empty());
}

TEST_F(BooksFixture, BooksAreAskedInOrderAndWeighedWithPrimaryParameters)
{
    createIn(COpeningBooks::PRIMARY, "first.hbk");
    createIn(COpeningBooks::SECONDARY, "second.hbk");
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
    EXPECT_EQ(move, parse(start, "c4"));
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
    EXPECT_EQ(move, parse(start, "g3"));

    // Without an open book there is nothing, and all parameters read 0.
    for (int i = 0; i < COpeningBooks::SLOTS; ++i)
        theBooks().book(i).close();
    EXPECT_FALSE(theBooks().collectBookMoves(start, moves, &slot));
    EXPECT_EQ(slot, -1);
    EXPECT_EQ(theBooks().primary().parameter(BOOK_VGOODBIAS), 0.0);
}

TEST_F(BooksFixture, MoveFrequenciesFollowTheWeights)
{
    createIn(COpeningBooks::PRIMARY, "freq.hbk");
    CHashBook& book = theBooks().primary();
    CPosition start;
    const uint8_t both = BOOK_WTM | BOOK_BTM;
    addMove(book, start, "e4", 40, 48, both);               // 24
    addMove(book, start, "d4", 30, 33, both);               // 16.5
    addMove(book, start, "c4", 8, 8, both | BOOK_AN_GOOD);  // 2 * 4 = 8
    addMove(book, start, "Nf3", 6, 6, both, 8);             // bias 2: 6
    addMove(book, start, "b3", 2, 4, both);                 // below threshold: 0
    addMove(book, start, "g4", 20, 10, both | BOOK_AN_VBAD);  // vbadbias 0: 0
    const std::vector<std::pair<std::string, double>> expected = {
        {"e4", 24.0}, {"d4", 16.5}, {"c4", 8.0}, {"Nf3", 6.0}, {"b3", 0.0}, {"g4", 0.0}};
    double total = 0;
    for (const auto& e : expected)
        total += e.second;

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
        ++counts[move];
        bool known = false;
        for (const auto& e : expected)
            if (move == parse(start, e.first))
            {
                EXPECT_DOUBLE_EQ(share, e.second / total);
                known = true;
            }
        ASSERT_TRUE(known);
    }
    // Each frequency within five standard deviations of its expectation; the
    // moves of weight 0 never come.
    for (const auto& e : expected)
    {
        double p = e.second / total;
        int seen = counts[parse(start, e.first)];
        double sigma = std::sqrt(draws * p * (1 - p));
        if (p == 0)
            EXPECT_EQ(seen, 0) << e.first;
        else
            EXPECT_NEAR(seen, draws * p, 5 * sigma + 1) << e.first;
    }
}

TEST_F(BooksFixture, ReferenceMoveNumberAndSwitch)
{
    createIn(COpeningBooks::PRIMARY, "rule.hbk");
    CPosition position;
    ASSERT_TRUE(position.setFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 6"));
    addMove(theBooks().primary(), position, "e4", 5, 5, BOOK_WTM);
    Move move;
    double share;
    // A new game's reference is 0: move 6 is more than five moves past it.
    EXPECT_FALSE(theBooks().chooseBookMove(position, move, share));
    theBooks().setReferenceMoveNumber(1);
    ASSERT_TRUE(theBooks().chooseBookMove(position, move, share));
    EXPECT_EQ(theBooks().referenceMoveNumber(), 6);
    theBooks().setEnabled(false);
    EXPECT_FALSE(theBooks().chooseBookMove(position, move, share));
    theBooks().resetForNewGame();
    EXPECT_TRUE(theBooks().enabled());
    EXPECT_EQ(theBooks().referenceMoveNumber(), 0);
    EXPECT_EQ(captureCommand(handleBk, "off"), " Opening book(s) disabled.\n");
    EXPECT_FALSE(theBooks().enabled());
    EXPECT_EQ(captureCommand(handleBk, "on"), " Opening book(s) enabled.\n");
    EXPECT_TRUE(theBooks().enabled());
    EXPECT_EQ(captureCommand(handleBk, "ON"), "Parameter not recognised.\n");
}

TEST_F(BooksFixture, StartupOpensThreeBooksAndSaysSo)
{
    std::string first = createIn(COpeningBooks::PRIMARY, "start1.hbk");
    addMove(theBooks().primary(), CPosition(), "e4", 3, 3, BOOK_WTM);
    theBooks().primary().close();
    std::string third = tempPath("start3.hbk");
    std::ofstream(third, std::ios::binary) << std::string(300, 'x');
    std::string missing = tempPath("start2.hbk");
    std::string text;
    std::string* previous = setOutputCapture(&text);
    theBooks().openStartupBooks(first, missing, third);
    setOutputCapture(previous);
    std::string expected = "Primary book \"" + first + "\" contains 1 positions\n" + "Failed to open secondary book \"" +
                           missing + "\"\nReason: The file does not exist\n" + "Failed to open tertiary book \"" +
                           third + "\"\nFile is not a VEK Hash Book\n";
    EXPECT_EQ(text, expected);
    EXPECT_TRUE(theBooks().primary().isOpen());
    EXPECT_FALSE(theBooks().book(COpeningBooks::SECONDARY).isOpen());
    EXPECT_FALSE(theBooks().book(COpeningBooks::TERTIARY).isOpen());
}

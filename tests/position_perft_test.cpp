// The CPosition generator and CPosition::makeMove, counted against the
// published perft numbers: an oracle for generation, make and legality at once.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/position.h"
#include "board_test_helpers.h"

namespace
{
uint64_t perft(const CPosition& position, int depth)
{
    CMoveList moves;
    position.generateLegal(moves);
    if (depth == 1)
        return uint64_t(moves.size());
    uint64_t total = 0;
    for (Move move : moves)
    {
        CPosition next(position);
        next.makeMove(move);
        EXPECT_EQ(next.hashKey(), next.computeHashKey()) << position.toFen() << " " << int(move);
        total += perft(next, depth - 1);
    }
    return total;
}

void checkFile(const std::string& name, uint64_t nodeLimit)
{
    auto cases = readPerftCases(name);
    ASSERT_FALSE(cases.empty()) << name;
    int checked = 0;
    for (const auto& c : cases)
    {
        CPosition position;
        ASSERT_TRUE(position.setFromFen(c.fen)) << c.fen;
        for (const auto& dc : c.counts)
            if (dc.second <= nodeLimit)
            {
                EXPECT_EQ(perft(position, dc.first), dc.second) << c.fen << " depth " << dc.first;
                ++checked;
            }
    }
    EXPECT_GT(checked, 0);
}

#ifdef VEKRAN_HEAVY_TESTS
constexpr uint64_t NODE_LIMIT = 500000;
#else
constexpr uint64_t NODE_LIMIT = 20000;
#endif
} // namespace

TEST(PositionPerft, StandardPositions) { checkFile("cpw-six-positions.epd", NODE_LIMIT); }

TEST(PositionPerft, TrickyPositions) { checkFile("tricky-movegen.epd", NODE_LIMIT * 4); }

TEST(PositionPerft, GenerationOrder)
{
    // Squares a1..h8; b1 knight (a3, c3), g1 knight (f3, h3), then each pawn's push and double push.
    CPosition start;
    CMoveList legal;
    start.generateLegal(legal);
    ASSERT_EQ(legal.size(), 20);
    std::string order;
    for (Move m : legal)
        order += std::to_string(moveFrom(m)) + "-" + std::to_string(moveTo(m)) + " ";
    EXPECT_EQ(order, "1-16 1-18 6-21 6-23 8-16 8-24 9-17 9-25 10-18 10-26 11-19 11-27 12-20 12-28 13-21 13-29 "
                     "14-22 14-30 15-23 15-31 ");
    // Pawn: promotions queen, rook, bishop, knight; pushes before captures, en passant last;
    // castling words carry no special bit, promotions and en passant do.
    CPosition p;
    ASSERT_TRUE(p.setFromFen("3n3k/4P3/8/3pP3/8/8/8/4K2R w K d6 0 1"));
    CMoveList pawn;
    p.generatePseudoLegalFrom(52, pawn);
    ASSERT_EQ(pawn.size(), 8);
    const int promotions[4] = {QUEEN, ROOK, BISHOP, KNIGHT};
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_EQ(moveTo(pawn[i]), i < 4 ? 60 : 59);
        EXPECT_EQ(movePromotion(pawn[i]), promotions[i % 4]);
        EXPECT_EQ(moveCaptured(pawn[i]), i < 4 ? 0 : KNIGHT);
        EXPECT_TRUE(moveSpecial(pawn[i]));
    }
    p.generatePseudoLegalFrom(36, pawn);
    ASSERT_EQ(pawn.size(), 2);
    EXPECT_EQ(pawn[0], makeMoveWord(36, 44, PAWN));
    EXPECT_EQ(pawn[1], makeMoveWord(36, 43, PAWN, PAWN, 0, true));
    CMoveList king;
    p.generateLegalOf(KING, king);
    ASSERT_FALSE(king.empty());
    EXPECT_EQ(king[king.size() - 1], makeMoveWord(4, 6, KING));
    p.generatePseudoLegalOf(-KING, king); // not the side to move
    EXPECT_TRUE(king.empty());
}

TEST(PositionMakeMove, StateFieldsFollowTheMoves)
{
    auto play = [](CPosition& p, int from, int to, int promotion = 0) {
        CMoveList legal;
        p.generateLegal(legal);
        for (Move m : legal)
            if (moveFrom(m) == from && moveTo(m) == to && movePromotion(m) == promotion)
            {
                p.makeMove(m);
                EXPECT_EQ(p.hashKey(), p.computeHashKey());
                return;
            }
        ADD_FAILURE() << "no legal move " << from << "-" << to << " in " << p.toFullFen();
    };
    CPosition p;
    play(p, 12, 28); // e4: no black pawn beside e4, so no en-passant square
    EXPECT_EQ(p.epSquare(), NO_SQUARE);
    EXPECT_EQ(p.moveNumber(), 1);
    play(p, 51, 35); // d5
    EXPECT_EQ(p.moveNumber(), 2);
    play(p, 28, 36); // e5
    play(p, 53, 37); // f5: the e5 pawn can take
    EXPECT_EQ(p.toFullFen(), "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3");
    play(p, 36, 45); // exf6 e.p. removes the f5 pawn
    EXPECT_EQ(p.toFullFen(), "rnbqkbnr/ppp1p1pp/5P2/3p4/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 3");

    // The h1 rook leaving and coming back loses the right for good.
    ASSERT_TRUE(p.setFromFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"));
    const uint64_t startKey = p.hashKey();
    play(p, 7, 15);
    play(p, 60, 59);
    play(p, 15, 7);
    play(p, 59, 60);
    EXPECT_EQ(p.toFullFen(), "r3k2r/8/8/8/8/8/8/R3K2R w Q - 4 3");
    EXPECT_NE(p.hashKey(), startKey);
    // Taking the a8 rook takes Black's queen-side right; castling moves the rook.
    ASSERT_TRUE(p.setFromFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"));
    play(p, 0, 56);
    EXPECT_EQ(p.toFen(), "R3k2r/8/8/8/8/8/8/4K2R b Kk -");
    EXPECT_EQ(p.material(BLACK), 5);
    ASSERT_TRUE(p.setFromFen("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1"));
    play(p, 60, 62);
    EXPECT_EQ(p.toFullFen(), "r4rk1/8/8/8/8/8/8/R3K2R w KQ - 1 2");
    // A promotion adds the new piece's value; a null move only passes.
    ASSERT_TRUE(p.setFromFen("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1"));
    play(p, 49, 57, KNIGHT);
    EXPECT_EQ(p.toFullFen(), "1N2k3/8/8/8/8/8/8/4K3 b - - 0 1");
    EXPECT_EQ(p.material(WHITE), 3);
    p.makeMove(NO_MOVE);
    EXPECT_EQ(p.toFullFen(), "1N2k3/8/8/8/8/8/8/4K3 w - - 1 1");
    // A word that moves nothing of the side to move is ignored.
    p.makeMove(makeMoveWord(60, 61, KING));
    EXPECT_EQ(p.toFullFen(), "1N2k3/8/8/8/8/8/8/4K3 w - - 1 1");
}

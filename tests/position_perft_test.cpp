// The CPosition generator and CPosition::makeMove, counted against the
// published perft numbers: an oracle for generation, make and legality at once.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "board/notation.h"
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

#ifdef VEKRAN_HEAVY_TESTS
constexpr uint64_t NODE_LIMIT = 500000;
#else
constexpr uint64_t NODE_LIMIT = 20000;
#endif
} // namespace

TEST(PositionPerft, PublishedCounts)
{
    for (const char* name : {"cpw-six-positions.epd", "tricky-movegen.epd"})
    {
        auto cases = readPerftCases(name);
        ASSERT_FALSE(cases.empty()) << name;
        int checked = 0;
        for (const auto& c : cases)
        {
            CPosition position = positionFromFen(c.fen);
            // The tricky positions are small trees: a larger budget costs little.
            const uint64_t limit = std::string(name).find("tricky") == 0 ? NODE_LIMIT * 4 : NODE_LIMIT;
            for (const auto& [depth, leaves] : c.counts)
                if (leaves <= limit)
                {
                    EXPECT_EQ(perft(position, depth), leaves) << c.fen << " depth " << depth;
                    ++checked;
                }
        }
        EXPECT_GT(checked, 0) << name;
    }
}

TEST(PositionPerft, GenerationOrder)
{
    // Squares a1..h8; b1 knight (a3, c3), g1 knight (f3, h3), then each pawn's push and double push.
    CMoveList legal;
    CPosition().generateLegal(legal);
    std::string order;
    for (Move m : legal)
        order += moveToCoordinate(m) + " ";
    EXPECT_EQ(order, "b1a3 b1c3 g1f3 g1h3 a2a3 a2a4 b2b3 b2b4 c2c3 c2c4 d2d3 d2d4 e2e3 e2e4 f2f3 f2f4 g2g3 g2g4 "
                     "h2h3 h2h4 ");
    // Pawn: promotions queen, rook, bishop, knight; pushes before captures, en passant last;
    // castling words carry no special bit, promotions and en passant do.
    CPosition p = positionFromFen("3n3k/4P3/8/3pP3/8/8/8/4K2R w K d6 0 1");
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

// Clocks, move numbers, castling rights and en-passant squares as the moves leave them.
TEST(PositionMakeMove, StateFieldsFollowTheMoves)
{
    const char* START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    const char* ROOKS = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    struct { const char* fen; const char* moves; const char* after; } cases[] = {
        // No black pawn beside e4: no en-passant square.
        {START, "e4", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1"},
        {START, "e4 d5 e5 f5", "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3"},
        {START, "e4 d5 e5 f5 exf6", "rnbqkbnr/ppp1p1pp/5P2/3p4/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 3"},
        // A rook leaving and coming back loses the right for good; so does a king step.
        {ROOKS, "Rh2 Kd8 Rh1 Ke8", "r3k2r/8/8/8/8/8/8/R3K2R w Q - 4 3"},
        {ROOKS, "Rxa8+", "R3k2r/8/8/8/8/8/8/4K2R b Kk - 0 1"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "O-O", "r4rk1/8/8/8/8/8/8/R3K2R w KQ - 1 2"},
        {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b8=N", "1N2k3/8/8/8/8/8/8/4K3 b - - 0 1"},
    };
    for (const auto& c : cases)
    {
        CPosition p = positionFromFen(c.fen);
        for (const std::string& san : splitWords(c.moves))
        {
            Move move = NO_MOVE;
            ASSERT_TRUE(p.parseMove(san, move)) << san;
            p.makeMove(move);
            EXPECT_EQ(p.hashKey(), p.computeHashKey()) << san;
        }
        EXPECT_EQ(p.toFullFen(), c.after) << c.moves;
    }
    // A null move only passes; a word that moves nothing of the side to move is ignored.
    CPosition p = positionFromFen("1N2k3/8/8/8/8/8/8/4K3 b - - 0 1");
    p.makeMove(NO_MOVE);
    EXPECT_EQ(p.toFullFen(), "1N2k3/8/8/8/8/8/8/4K3 w - - 1 1");
    p.makeMove(makeMoveWord(60, 61, KING));
    EXPECT_EQ(p.toFullFen(), "1N2k3/8/8/8/8/8/8/4K3 w - - 1 1");
}

// Leaf counts of the legal move tree against published counts, for both the search board
// and the mailbox position (an oracle for generation, make and legality at once).
#include <gtest/gtest.h>

#include "board/perft.h"
#include "support/helpers.h"

namespace
{
// Counts above these are left to the heavy build.
#ifdef VEKRAN_HEAVY_TESTS
constexpr uint64_t BOARD_BUDGET = 12000000, POSITION_BUDGET = 500000;
#else
constexpr uint64_t BOARD_BUDGET = 30000, POSITION_BUDGET = 20000;
#endif

uint64_t positionPerft(const CPosition& position, int depth)
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
        EXPECT_EQ(next.hashKey(), next.computeHashKey()) << position.toFen() << " " << moveToCoordinate(move);
        total += positionPerft(next, depth - 1);
    }
    return total;
}
}  // namespace

TEST(Perft, PublishedCounts)
{
    int board = 0, mailbox = 0;
    for (const char* name : {"cpw-six-positions.epd", "tricky-movegen.epd"})
        for (const PerftCase& c : readPerftCases(name))
        {
            CPosition position = positionFromFen(c.fen);
            // The tricky positions are small trees: a larger budget costs little.
            const uint64_t factor = std::string(name).find("tricky") == 0 ? 4 : 1;
            for (const auto& [depth, expected] : c.counts)
            {
                if (expected <= BOARD_BUDGET)
                {
                    ASSERT_TRUE(CBoard::load(position)) << c.fen;
                    EXPECT_EQ(perftLeaves(depth), expected) << c.fen << " depth " << depth;
                    EXPECT_TRUE(CBoard::isConsistent());
                    EXPECT_EQ(CBoard::ply(), 0);
                    ++board;
                }
                if (expected <= POSITION_BUDGET * factor)
                {
                    EXPECT_EQ(positionPerft(position, depth), expected) << c.fen << " depth " << depth;
                    ++mailbox;
                }
            }
        }
    EXPECT_GT(board, 6);
    EXPECT_GT(mailbox, 6);
    EXPECT_EQ(perftLeaves(PERFT_MAX_DEPTH + 1), 0u);  // deeper than the move stack: refused
    EXPECT_EQ(perftLeaves(0), 0u);
    EXPECT_FALSE(perft(CPosition(), PERFT_MAX_DEPTH + 1, false));
}

// The command's lines: depth, time, nodes, rate and the verdict against the start counts.
TEST(Perft, CommandOutputLines)
{
    CCapture capture;
    EXPECT_TRUE(perft(CPosition(), 3, false));
    std::vector<std::string> out = splitLines(capture.take());
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0], "Ply   Time        Nodes   Nodes/s");
    const uint64_t expected[] = {20, 400, 8902};
    for (int depth = 1; depth <= 3; ++depth)
    {
        int d = 0;
        double seconds = 0, nodes = 0, rate = 0;
        char verdict[8] = {};
        ASSERT_EQ(std::sscanf(out[depth].c_str(), "%2d %lf %lf %lf %7s", &d, &seconds, &nodes, &rate, verdict), 5);
        EXPECT_EQ(uint64_t(nodes), expected[depth - 1]);
        EXPECT_STREQ(verdict, "Pass");
        EXPECT_EQ(out[depth].substr(0, 3), " " + std::to_string(depth) + " ");
    }
    perft(CPosition(), 2, true);  // divide: every root move with its subtotal, at every depth
    out = splitLines(capture.take());
    ASSERT_EQ(out.size(), 1u + 20 + 1 + 20 + 1);
    EXPECT_EQ(out[1], "Nb1-a3 - 1");
    EXPECT_EQ(out[22], "Nb1-a3 - 20");
    EXPECT_EQ(out[41], "Ph2-h4 - 20");
    perft(positionFromFen("4k3/8/8/8/8/8/8/4K2R w K - 0 1"), 1, false);  // other positions: Fail
    out = splitLines(capture.take());
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1].substr(out[1].size() - 6), "  Fail");
}

// The mailbox generator's order (SAN disambiguation and the move lists shown depend on it; the
// golden tablebase transcript shows the order of the start position's moves).
TEST(Perft, MailboxGenerationOrder)
{
    // Promotions queen, rook, bishop, knight; pushes before captures, en passant last.
    CPosition p = positionFromFen("3n3k/4P3/8/3pP3/8/8/8/4K2R w K d6 0 1");
    CMoveList pawn;
    p.generatePseudoLegalFrom(52, pawn);
    ASSERT_EQ(pawn.size(), 8);
    const int promotions[4] = {QUEEN, ROOK, BISHOP, KNIGHT};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(pawn[i], makeMoveWord(52, i < 4 ? 60 : 59, PAWN, i < 4 ? 0 : KNIGHT, promotions[i % 4], true));
    p.generatePseudoLegalFrom(36, pawn);
    ASSERT_EQ(pawn.size(), 2);
    EXPECT_EQ(pawn[1], makeMoveWord(36, 43, PAWN, PAWN, 0, true));
    CMoveList king;
    p.generatePseudoLegalOf(-KING, king);  // not the side to move
    EXPECT_TRUE(king.empty());
}

// Clocks, move numbers, castling rights and en-passant squares as the moves leave them.
TEST(Perft, MailboxStateFieldsFollowTheMoves)
{
    const char* START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    const char* ROOKS = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {START, "e4", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1"},  // no pawn beside e4
        {START, "e4 d5 e5 f5", "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3"},
        {START, "e4 d5 e5 f5 exf6", "rnbqkbnr/ppp1p1pp/5P2/3p4/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 3"},
        {ROOKS, "Rh2 Kd8 Rh1 Ke8", "r3k2r/8/8/8/8/8/8/R3K2R w Q - 4 3"},  // rights lost for good
        {ROOKS, "Rxa8+", "R3k2r/8/8/8/8/8/8/4K2R b Kk - 0 1"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "O-O", "r4rk1/8/8/8/8/8/8/R3K2R w KQ - 1 2"},
        {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b8=N", "1N2k3/8/8/8/8/8/8/4K3 b - - 0 1"},
    };
    for (const auto& [fen, moves, after] : cases)
    {
        CPosition p = positionFromFen(fen);
        for (const std::string& san : splitWords(moves))
        {
            Move move = NO_MOVE;
            ASSERT_TRUE(p.parseMove(san, move)) << san;
            p.makeMove(move);
        }
        EXPECT_EQ(p.toFullFen(), after) << moves;
        EXPECT_EQ(p.hashKey(), p.computeHashKey()) << moves;
    }
    // A null move only passes; a word that moves nothing of the side to move is ignored.
    CPosition p = positionFromFen("1N2k3/8/8/8/8/8/8/4K3 b - - 0 1");
    p.makeMove(NO_MOVE);
    p.makeMove(makeMoveWord(60, 61, KING));
    EXPECT_EQ(p.toFullFen(), "1N2k3/8/8/8/8/8/8/4K3 w - - 1 1");
}

// Leaf counts of the legal move tree against published counts.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/notation.h"
#include "board/perft.h"
#include "board/position.h"
#include "board_test_helpers.h"

namespace
{
// Counts above this are left to the slow build.
#ifdef VEKRAN_HEAVY_TESTS
constexpr uint64_t LEAF_BUDGET = 12000000;
#else
constexpr uint64_t LEAF_BUDGET = 30000;
#endif

std::string breakdown(int depth)
{
    std::ostringstream text;
    CMoveList roots;
    CBoard::generateLegalMoves(roots);
    for (Move move : roots)
    {
        CBoard::makeMove(move);
        uint64_t below = depth > 1 ? perftLeaves(depth - 1) : 1;
        CBoard::unmakeMove();
        text << "  " << moveToLongText(move) << " - " << below << "\n";
    }
    return text.str();
}

void runFile(const std::string& name)
{
    std::vector<PerftCase> cases = readPerftCases(name);
    ASSERT_FALSE(cases.empty()) << name;
    int checked = 0;
    for (const PerftCase& c : cases)
    {
        CPosition position = positionFromFen(c.fen);
        for (const auto& [depth, expected] : c.counts)
        {
            if (expected > LEAF_BUDGET)
                continue;
            ASSERT_TRUE(CBoard::load(position)) << c.fen;
            uint64_t leaves = perftLeaves(depth);
            ++checked;
            EXPECT_EQ(leaves, expected) << c.fen << " depth " << depth << "\n" << breakdown(depth);
            EXPECT_TRUE(CBoard::isConsistent());
            EXPECT_EQ(CBoard::ply(), 0);
        }
    }
    EXPECT_GT(checked, 3) << "too few counts within the budget";
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}
}

TEST(BoardPerft, SixStandardPositions) { runFile("cpw-six-positions.epd"); }

TEST(BoardPerft, TrickyGeneratorPositions) { runFile("tricky-movegen.epd"); }

TEST(BoardPerft, DepthBeyondTheMoveStackIsRefused)
{
    CPosition start;
    EXPECT_FALSE(perft(start, PERFT_MAX_DEPTH + 1, false));
    EXPECT_EQ(perftLeaves(PERFT_MAX_DEPTH + 1), 0u);
    EXPECT_EQ(perftLeaves(0), 0u);
}

TEST(BoardPerft, CommandOutputLines)
{
    CPosition start;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(perft(start, 3, false));
    std::vector<std::string> out = lines(testing::internal::GetCapturedStdout());
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0], "Ply   Time        Nodes   Nodes/s");
    const uint64_t expected[] = {20, 400, 8902};
    for (int depth = 1; depth <= 3; ++depth)
    {
        int d = 0;
        double seconds = 0, nodes = 0, rate = 0;
        char verdict[8] = {};
        ASSERT_EQ(std::sscanf(out[depth].c_str(), "%2d %lf %lf %lf %7s", &d, &seconds, &nodes, &rate, verdict), 5)
            << out[depth];
        EXPECT_EQ(uint64_t(nodes), expected[depth - 1]);
        EXPECT_STREQ(verdict, "Pass");
        EXPECT_EQ(out[depth].substr(0, 3), " " + std::to_string(depth) + " ");
    }

    // Divide: every root move with its subtotal, in every depth's run.
    testing::internal::CaptureStdout();
    perft(start, 2, true);
    out = lines(testing::internal::GetCapturedStdout());
    ASSERT_EQ(out.size(), 1u + 20 + 1 + 20 + 1);
    EXPECT_EQ(out[1], "Nb1-a3 - 1");
    EXPECT_EQ(out[21].substr(0, 3), " 1 ");
    EXPECT_EQ(out[22], "Nb1-a3 - 20");
    EXPECT_EQ(out[41], "Ph2-h4 - 20");
    EXPECT_EQ(out[42].substr(0, 3), " 2 ");

    // Any other position compares with the start-position counts: Fail.
    testing::internal::CaptureStdout();
    perft(positionFromFen("4k3/8/8/8/8/8/8/4K2R w K - 0 1"), 1, false);
    out = lines(testing::internal::GetCapturedStdout());
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1].substr(out[1].size() - 6), "  Fail");
}

#ifdef VEKRAN_HEAVY_TESTS
TEST(BoardPerft, PerfListsTheMovesInSanAndTimesThem)
{
    CPosition start;
    testing::internal::CaptureStdout();
    perf(start);
    std::vector<std::string> out = lines(testing::internal::GetCapturedStdout());
    ASSERT_EQ(out.size(), 7u);
    EXPECT_EQ(out[0], "20 moves: Na3 Nc3 Nf3 Nh3 a3 b3 c3 d3 e3 f3 g3 h3 a4 b4 c4 d4 e4 f4 g4 h4 ");
    EXPECT_EQ(out[1], "Generate moves:");
    EXPECT_EQ(out[2].rfind("Iterations:        1000000  Time: ", 0), 0u) << out[2];
    EXPECT_EQ(out[3].rfind("Iterations/sec: ", 0), 0u);
    EXPECT_EQ(out[4], "Generate, make, unmake moves:");

    testing::internal::CaptureStdout();
    perfc(positionFromFen("4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1"));
    out = lines(testing::internal::GetCapturedStdout());
    ASSERT_EQ(out.size(), 7u);
    EXPECT_EQ(out[0], "1 moves: exd5 ");
    EXPECT_EQ(out[1], "Generate captures:");
    EXPECT_EQ(out[4], "Generate, make, unmake captures:");
}
#endif

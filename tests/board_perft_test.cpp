// Leaf counts of the legal move tree against published counts.
#include <gtest/gtest.h>

#include <cinttypes>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/notation.h"
#include "board/perft.h"
#include "board/position.h"

namespace
{
struct PerftCase
{
    std::string fen;
    std::vector<std::pair<int, uint64_t>> counts;  // depth, leaves
};

std::vector<PerftCase> readEpd(const std::string& name)
{
    std::vector<PerftCase> cases;
    std::ifstream in(std::string(VEKRAN_TEST_DATA) + "/perft/" + name);
    std::string line;
    while (std::getline(in, line))
    {
        std::istringstream fields(line);
        std::string part;
        PerftCase c;
        std::getline(fields, c.fen, ';');
        while (!c.fen.empty() && c.fen.back() == ' ')
            c.fen.pop_back();
        while (std::getline(fields, part, ';'))
        {
            int depth = 0;
            unsigned long long leaves = 0;
            if (std::sscanf(part.c_str(), " D%d %llu", &depth, &leaves) == 2)
                c.counts.push_back({depth, leaves});
        }
        if (!c.fen.empty())
            cases.push_back(c);
    }
    return cases;
}

// Counts above this are left to the slow build.
#ifdef VEKRAN_HEAVY_TESTS
constexpr uint64_t LEAF_BUDGET = 12000000;
#else
constexpr uint64_t LEAF_BUDGET = 250000;
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
    std::vector<PerftCase> cases = readEpd(name);
    ASSERT_FALSE(cases.empty()) << name;
    int checked = 0;
    for (const PerftCase& c : cases)
    {
        CPosition position;
        ASSERT_TRUE(position.setFromFen(c.fen)) << c.fen;
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

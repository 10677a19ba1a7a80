// The CPosition generator and CPosition::makeMove, counted against the
// published perft numbers: an oracle for generation, make and legality at once.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/position.h"

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

struct PerftCase
{
    std::string fen;
    std::vector<std::pair<int, uint64_t>> counts;
};

std::vector<PerftCase> readPerftFile(const std::string& name)
{
    std::vector<PerftCase> cases;
    std::ifstream in(std::string(VEKRAN_TEST_DATA) + "/perft/" + name);
    std::string line;
    while (std::getline(in, line))
    {
        size_t semi = line.find(';');
        if (semi == std::string::npos)
            continue;
        PerftCase c;
        c.fen = line.substr(0, semi);
        std::istringstream rest(line.substr(semi));
        std::string field;
        while (std::getline(rest, field, ';'))
        {
            int depth;
            unsigned long long count;
            if (sscanf(field.c_str(), " D%d %llu", &depth, &count) == 2)
                c.counts.push_back({depth, count});
        }
        cases.push_back(c);
    }
    return cases;
}

void checkFile(const std::string& name, uint64_t nodeLimit)
{
    auto cases = readPerftFile(name);
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

TEST(PositionPerft, PseudoLegalIsSupersetAndOrderIsSquareBySquare)
{
    CPosition start;
    CMoveList pseudo, legal;
    start.generatePseudoLegal(pseudo);
    start.generateLegal(legal);
    ASSERT_EQ(legal.size(), 20);
    // a1..h8 square order: b1 knight (a3, c3), then pawns a2..h2 each push then double push, then g1 knight.
    EXPECT_EQ(moveFrom(legal[0]), 1);
    EXPECT_EQ(moveTo(legal[0]), 16);
    EXPECT_EQ(moveTo(legal[1]), 18);
    EXPECT_EQ(moveFrom(legal[2]), 6);
    EXPECT_EQ(moveTo(legal[2]), 21);
    EXPECT_EQ(moveTo(legal[3]), 23);
    for (int i = 4; i < 20; ++i)
    {
        int pawn = (i - 4) / 2;
        EXPECT_EQ(moveFrom(legal[i]), 8 + pawn);
        EXPECT_EQ(moveTo(legal[i]), 16 + pawn + ((i - 4) % 2) * 8);
    }
}

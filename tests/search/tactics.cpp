// Tactical test suites at a fixed depth: the solve rate must stay above a
// floor that a working search clears easily and a broken one does not.
#include <fstream>

#include "support/search.h"
#include "tools/epd.h"

using namespace searchtest;

namespace
{
std::string stripSuffix(std::string san)
{
    while (!san.empty() && std::string("+#!?").find(san.back()) != std::string::npos)
        san.pop_back();
    return san;
}
}  // namespace

TEST(SearchTactics, SolveRateAtFixedDepth)
{
#ifdef VEKRAN_HEAVY_TESTS
    const size_t perSuite[3] = {40, 24, 25};
    const int depth = 6;
    const double floor = 0.50;
#else
    const size_t perSuite[3] = {25, 13, 12};
    const int depth = 4;
    const double floor = 0.35;
#endif
    const char* suites[3] = {"wac.epd", "bratko-kopec.epd", "kaufman.epd"};
    int tried = 0, solved = 0;
    for (int s = 0; s < 3; ++s)
    {
        std::ifstream in(testData(std::string("epd/") + suites[s]));
        size_t count = 0;
        EpdRecord record;
        for (std::string line; count < perSuite[s] && std::getline(in, line);)
        {
            if (!splitEpdLine(line, record))
                continue;
            ++count;
            const std::vector<std::string> f = splitWords(record.fen);
            SearchResult r = searchFen(f[0] + " " + f[1] + " " + f[2] + " " + f[3] + " 0 1", depth);
            ASSERT_TRUE(r.ok && r.move != 0) << line;
            // Solved: one of the best moves ("bm") if any are named, none of those to avoid ("am").
            bool ok = true;
            for (const EpdOperation& op : record.operations)
            {
                bool named = false;
                for (const std::string& san : op.operands)
                    named = named || stripSuffix(san) == stripSuffix(r.san);
                ok = ok && (op.opcode == "bm" ? named : op.opcode == "am" ? !named : true);
            }
            solved += ok;
            ++tried;
        }
        ASSERT_EQ(count, perSuite[s]) << suites[s];
    }
    std::printf("%d / %d solved at depth %d\n", solved, tried, depth);
    EXPECT_GE(double(solved) / tried, floor);
}

// Zugzwang is what the null move gets wrong: passing is the one thing the side
// to move may not do. With little material the guard keeps the null move out
// when the pieces are short of safe squares; otherwise only switching the null
// move off finds such a win.
TEST(SearchTactics, Zugzwang)
{
    CSearch& search = theSearch();
    // Kd2 leaves the knight on b2 without a safe square and wins it; the guard
    // refuses Black the null move that would hide this.
    SearchResult guarded = searchFen("8/8/p7/4P3/5P2/1P1K4/1nN5/5k2 w - - 0 1", 9);
    EXPECT_EQ(guarded.san, "Kd2");
    EXPECT_GT(search.statistics().nullRefused, 0u);

    // After Qxh4+ Kxh4 Bf6+ g5 Black is in zugzwang, but its queen has squares
    // enough for the guard: the null move misses it, the plain search finds it.
    const char* fen = "8/6B1/p5p1/Pp4kp/1P5r/5P1Q/4q1PK/8 w - - 0 1";
    ASSERT_TRUE(search.useNullMove);
    EXPECT_NE(searchFen(fen, 7).san, "Qxh4+");
    search.useNullMove = false;
    SearchResult plain = searchFen(fen, 7);
    search.useNullMove = true;
    EXPECT_EQ(plain.san, "Qxh4+");
    EXPECT_GT(plain.score, 0);
}

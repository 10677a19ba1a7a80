// Tactical test suites at a fixed depth: the solve rate must stay above a
// floor that a working search clears easily and a broken one does not.
#include <algorithm>
#include <fstream>
#include <sstream>

#include "support/search.h"

using namespace searchtest;

namespace
{
struct EpdCase
{
    std::string fen;
    std::vector<std::string> best;
    std::vector<std::string> avoid;
    std::string id;
};

std::string stripSuffix(std::string san)
{
    while (!san.empty() && (san.back() == '+' || san.back() == '#' || san.back() == '!' || san.back() == '?'))
        san.pop_back();
    return san;
}

// The moves of an operation ("bm Qd1 + ;" or "bm Rxb2;"), check marks dropped.
std::vector<std::string> operationMoves(const std::string& line, const std::string& opcode)
{
    std::vector<std::string> moves;
    size_t at = line.find(" " + opcode + " ");
    if (at == std::string::npos)
        return moves;
    size_t end = line.find(';', at);
    std::istringstream words(line.substr(at + opcode.size() + 2, end - at - opcode.size() - 2));
    std::string word;
    while (words >> word)
    {
        word = stripSuffix(word);
        if (!word.empty())
            moves.push_back(word);
    }
    return moves;
}

std::vector<EpdCase> readSuite(const std::string& name, size_t limit)
{
    std::vector<EpdCase> cases;
    std::ifstream in(std::string(VEKRAN_TEST_DATA) + "/epd/" + name);
    std::string line;
    while (std::getline(in, line) && cases.size() < limit)
    {
        std::istringstream fields(line);
        std::string board, side, castling, ep;
        if (!(fields >> board >> side >> castling >> ep))
            continue;
        EpdCase c;
        c.fen = board + " " + side + " " + castling + " " + ep + " 0 1";
        c.best = operationMoves(line, "bm");
        c.avoid = operationMoves(line, "am");
        size_t id = line.find("id ");
        c.id = id == std::string::npos ? name : line.substr(id);
        cases.push_back(c);
    }
    return cases;
}

bool contains(const std::vector<std::string>& moves, const std::string& san)
{
    return std::find(moves.begin(), moves.end(), san) != moves.end();
}
} // namespace

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
        std::vector<EpdCase> cases = readSuite(suites[s], perSuite[s]);
        ASSERT_EQ(cases.size(), perSuite[s]) << suites[s];
        int suiteSolved = 0;
        for (const EpdCase& c : cases)
        {
            SearchResult r = searchFen(c.fen, depth);
            ASSERT_TRUE(r.ok && r.move != 0) << c.id;
            std::string san = stripSuffix(r.san);
            suiteSolved += (c.best.empty() || contains(c.best, san)) && !contains(c.avoid, san);
            ++tried;
        }
        solved += suiteSolved;
        std::printf("%-18s %2d / %2d solved at depth %d\n", suites[s], suiteSolved, int(cases.size()), depth);
    }
    double rate = double(solved) / tried;
    std::printf("total              %2d / %2d (%.0f%%)\n", solved, tried, rate * 100);
    EXPECT_GE(tried, 50);
    EXPECT_GE(rate, floor);
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

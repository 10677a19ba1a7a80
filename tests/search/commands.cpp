// The hash command, the statistics block and the table analysis. The texts of the other
// settings commands are pinned by the golden transcript settings.in / settings.out.
#include "search/commands.h"
#include "search/statistics.h"
#include "game/commands.h"
#include "support/search.h"

using namespace searchtest;

TEST(SearchCommands, HashSizes)
{
    // The sizes and their texts, and the empty table's analysis, are in the golden transcript settings.in.
    // Sizes far beyond 32 bits pick the largest table; when that memory is
    // refused the engine goes on with the smallest one and says so.
    theHashTable().setAllocationLimit(64 * 1048576);
    std::string printed = captureCommand(handleHash, "100000000");
    theHashTable().setAllocationLimit(0);
    EXPECT_NE(printed.find("Not enough memory"), std::string::npos) << printed;
    EXPECT_NE(printed.find(" Hash table size set to: 1.0MB\n"), std::string::npos) << printed;
    EXPECT_EQ(hashSizeSetting(), int64_t(100000000) * 1048576);
    // The start-up option computes in 64 bits too.
    setHashSizeFromOption(4096);
    EXPECT_EQ(hashSizeSetting(), int64_t(4096) << 20);
    setHashSizeFromOption(8);
    EXPECT_TRUE(resizeHashTable());
    EXPECT_EQ(theHashTable().sizeInBytes(), 6 * 1048576);
}

TEST(SearchStatistics, ZeroWholesPrintZero)
{
    // Before any node is searched every ratio of this search prints as zero, not "nan".
    ASSERT_TRUE(loadFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1"));
    theSearch().prepareDirectSearch();
    CCapture capture;
    theSearch().printStatistics(0.0);
    const std::string printed = capture.take();
    EXPECT_EQ(printed.find("nan"), std::string::npos) << printed;
    for (const char* line :
         {" local:  t=0.00  nps=0.0  n=0 (0.0% / 0.0%)\n", " stats:  fh=0.0%/0.00%/0.000%  draws=0\n",
          " trans:  probes=0  hits=0 (0.00%)  draft=0 (0.00%)\n", " ehash:  probes=0  hits=0 (0.0%)\n"})
        EXPECT_NE(printed.find(line), std::string::npos) << printed;
}

TEST(SearchStatistics, BlockAfterARealSearch)
{
    SearchResult r = searchFen("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4", 5);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.printed.find(" Game stage: Opening\n Current eval: "), 0u) << r.printed;
    const SearchStatistics& s = theSearch().statistics();
    EXPECT_EQ(uint64_t(r.nodes), s.nodes + s.qnodes);
    EXPECT_NE(r.printed.find(" total:  t="), std::string::npos) << r.printed;
}

// Two entries of one position (primary and secondary), one draw, one stuffed: the analysis
// is pinned by the golden file search-hashanalysis.txt (the empty table's by settings.out).
TEST(SearchStatistics, HashAnalysis)
{
    CHashTable table;
    ASSERT_TRUE(table.setSizeIndex(0));
    table.clear();
    table.store(0x1111, WHITE, HASH_EXACT, 0, 40, 2, 0x123);
    table.store(0x1111, WHITE, HASH_FAIL_LOW, -5, 8, 2, 0);
    table.stuff(0x2222, BLACK, 2, 0x456);
    CCapture capture;
    printHashAnalysis(table);
    expectGolden("search-hashanalysis.txt", capture.take());
}

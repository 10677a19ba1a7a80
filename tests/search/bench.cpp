// The search signature: the bench's positions searched to a fixed depth, each from cleared
// tables, visit exactly the node count that commit messages quote. Any change of search or
// evaluation behaviour moves it; a change that should not have moved it is a fault.
#include <gtest/gtest.h>

#include "sections.h"
#include "support/search.h"

#ifdef VEKRAN_HEAVY_TESTS
TEST(SearchBench, NodeSignature)
{
    uint64_t nodes = 0;
    EXPECT_EQ(benchSearch(nodes), 0);
    EXPECT_EQ(nodes, 6158331u);
    theSearch().newGameDefaults();
    theHashTable().setSize(8 * 1048576);
}
#endif

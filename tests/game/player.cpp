// The player with the real search, in-process: what a think, a ponder search (hit, miss, or
// ending by itself) and an aborted search leave in the game record and the reports.
#include "board/game.h"
#include "game/player.h"
#include "game/thinking.h"
#include "game/timecontrol.h"
#include "search/search.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/helpers.h"

namespace
{
// What the test does from inside the running search, at its regular input check.
std::function<void()> g_duringSearch;
int g_polls = 0;

void testPoll(const volatile int& /*stopRequest*/)
{
    ++g_polls;
    if (g_duringSearch)
        g_duringSearch();
}

class PlayerSearch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        theSearch().setObserver(&theThinkingOutput());
        theSearch().setInputPoll(testPoll);
        g_polls = 0;
        g_duringSearch = nullptr;
        theGame().reset();
        thePlayer().reset(0);
        theThinkingOutput().reset();
        m_noiseLevel = theThinkingOutput().noiseLevel();
        thePlayer().setMaxDepth(100);
    }
    void TearDown() override
    {
        g_duringSearch = nullptr;
        theSearch().setInputPoll(nullptr);
        theThinkingOutput().setXboardMode(false);
        theThinkingOutput().setNoiseLevel(m_noiseLevel);
        thePlayer().setMaxDepth(100);
    }
    static void setPosition(const char* fen) { ASSERT_TRUE(theGame().setStartPosition(positionFromFen(fen))); }
    static void allot(double seconds) { thePlayer().setAllotment(TimeAllotment{seconds, seconds, 1}); }

    CCapture m_output;
    int m_noiseLevel = 0;
};
}  // namespace

TEST_F(PlayerSearch, ThinkPlaysALegalMoveAndReportsIt)
{
    setPosition("4k3/8/8/8/8/8/8/Q3K3 w - - 0 1");
    theThinkingOutput().setXboardMode(true);
    theThinkingOutput().setNoiseLevel(0);
    allot(10.0);
    thePlayer().setMaxDepth(3);
    CPosition before = theGame();
    ASSERT_TRUE(thePlayer().think(false));
    EXPECT_FALSE(thePlayer().isBusy());
    ASSERT_EQ(theGame().currentIndex(), 1);
    Move played = theGame().currentMove();
    EXPECT_EQ(legalMove(before, moveToCoordinate(played)), played);
    ASSERT_TRUE(theThinkingOutput().hasResult());
    const SearchReport& result = theThinkingOutput().lastResult();
    EXPECT_EQ(result.kind, REPORT_FINISHED);
    EXPECT_EQ(result.depth, 3 * 8);
    ASSERT_EQ(result.pv.size(), 1u);
    EXPECT_EQ(result.pv[0], played);
    EXPECT_FALSE(thePlayer().lastMoveForced());
    // The interface's lines give the score in centipawns: a queen up is several pawns.
    const std::string& text = m_output.text();
    int depth = 0, centipawns = 0;
    ASSERT_EQ(std::sscanf(text.c_str() + text.rfind("\n  3 ") + 1, "%d %d", &depth, &centipawns), 2) << text;
    EXPECT_GT(centipawns, 500) << text;
    EXPECT_LT(centipawns, 2000) << text;
    // The reply the engine expects is a legal move of the new position.
    ASSERT_NE(thePlayer().predictedMove(), NO_MOVE);
    EXPECT_EQ(legalMove(theGame(), moveToCoordinate(thePlayer().predictedMove())), thePlayer().predictedMove());

    // An only move (Black's king has a single square) is played at once.
    setPosition("k7/8/1K6/8/8/8/8/2Q5 b - - 0 1");
    thePlayer().setMaxDepth(100);
    ASSERT_TRUE(thePlayer().think(true));
    ASSERT_EQ(theGame().currentIndex(), 1);
    EXPECT_TRUE(thePlayer().lastMoveForced());
}

TEST_F(PlayerSearch, StoppedThinkPlaysNothingAndMoveNowPlaysTheBestMoveSoFar)
{
    constexpr double ALLOTMENT = 3600.0;
    // The allotment is far beyond anything the test may take, so a search that comes back
    // at all was ended by stop or move-now, however slowly a loaded machine polls.
    allot(ALLOTMENT);
    bool secondRefused = false;
    g_duringSearch = [&] {
        if (g_polls == 3)
        {
            secondRefused = !thePlayer().think(false) && !thePlayer().analyse();
            EXPECT_TRUE(thePlayer().isBusy());
            thePlayer().stop();
        }
    };
    ASSERT_TRUE(thePlayer().think(false));
    EXPECT_TRUE(secondRefused);
    EXPECT_EQ(theGame().currentIndex(), 0);
    EXPECT_FALSE(theThinkingOutput().hasResult());
    EXPECT_LT(thePlayer().lastSearchTime(), ALLOTMENT / 2);

    g_polls = 0;
    g_duringSearch = [] {
        if (g_polls == 20)
            thePlayer().moveNow();
    };
    ASSERT_TRUE(thePlayer().think(true));
    EXPECT_EQ(theGame().currentIndex(), 1);
    EXPECT_TRUE(theThinkingOutput().hasResult());
    EXPECT_LT(thePlayer().lastSearchTime(), ALLOTMENT / 2);
}

TEST_F(PlayerSearch, PonderMissAndPonderEndingByItselfLeaveTheRecordAsItWas)
{
    const Move e4 = legalMove(theGame(), "e2e4");
    allot(1.0);

    // Stopped (the opponent played something else): the predicted move is taken back.
    bool sawPredictedMove = false;
    g_duringSearch = [&] {
        if (g_polls == 5)
        {
            sawPredictedMove =
                theGame().currentIndex() == 1 && sameMove(theGame().currentMove(), e4) && thePlayer().isPondering();
            thePlayer().stop();
        }
    };
    ASSERT_TRUE(thePlayer().ponder(e4, false));
    EXPECT_TRUE(sawPredictedMove);
    EXPECT_EQ(theGame().currentIndex(), 0);
    EXPECT_FALSE(theThinkingOutput().hasResult());
    EXPECT_EQ(m_output.text().find("!ponder has exited"), std::string::npos);

    // Ends by itself (depth limit) while still pondering: nothing is played, and it says so.
    g_duringSearch = nullptr;
    thePlayer().setMaxDepth(2);
    m_output.take();
    ASSERT_TRUE(thePlayer().ponder(e4, false));
    EXPECT_EQ(theGame().currentIndex(), 0);
    EXPECT_EQ(thePlayer().lastOutcome(), PLAY_PONDER_EXITED);
    EXPECT_NE(m_output.text().find("!ponder has exited\n"), std::string::npos);
    EXPECT_FALSE(theThinkingOutput().hasResult());

    // An illegal prediction is refused.
    CPosition afterE4 = theGame();
    afterE4.makeMove(e4);
    EXPECT_FALSE(thePlayer().ponder(legalMove(afterE4, "e7e5"), false));
    EXPECT_FALSE(thePlayer().isBusy());
}

TEST_F(PlayerSearch, PonderHitBecomesTheEnginesOwnSearch)
{
    const Move e4 = legalMove(theGame(), "e2e4");
    allot(0.3);
    theTimeControl().resetForNewGame();
    double hitAt = 0.0;
    CTimeValue begin = CTimeValue::now();
    g_duringSearch = [&] {
        // Ponder well past the allotted time: it must not end the ponder search.
        if (hitAt == 0.0 && (CTimeValue::now() - begin).seconds() > 0.6)
        {
            hitAt = (CTimeValue::now() - begin).seconds();
            thePlayer().ponderHit();
            EXPECT_FALSE(thePlayer().isPondering());
        }
    };
    ASSERT_TRUE(thePlayer().ponder(e4, true));
    ASSERT_GT(hitAt, 0.0);
    double total = (CTimeValue::now() - begin).seconds();
    // The deadline counts from the hit: the search went on after it, but not much longer.
    EXPECT_GT(total, hitAt);
    EXPECT_LT(total, hitAt + 1.5);
    ASSERT_EQ(theGame().currentIndex(), 2);
    EXPECT_TRUE(sameMove(theGame().entries()[1].move, e4));
    EXPECT_TRUE(theThinkingOutput().hasResult());
    // Only the time after the hit is the engine's; the time before it is ponder time.
    EXPECT_LT(thePlayer().lastSearchTime(), total - hitAt + 0.2);
    // Measured from the ponder search's own start, which slow (sanitizer) builds reach
    // up to a few tenths of a second after `begin`: it only has to be real ponder time.
    EXPECT_GT(theTimeControl().ponderHitTime(), 0.1);
    EXPECT_LE(theTimeControl().ponderHitTime(), hitAt + 0.05);
    EXPECT_EQ(m_output.text().find("!ponder has exited"), std::string::npos);
}

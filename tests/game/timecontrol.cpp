// Time controls: the allotment for each kind of control, the clock after a move, and the
// readers of the time commands (including what interfaces really send and garbage).
#include "game/timecontrol.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/helpers.h"

namespace
{
// A control from "st SECONDS", from level's "MPS BASE INC", or the engine's initial one ("").
CTimeControl control(const std::string& spec)
{
    CTimeControl tc;
    if (!spec.empty())
    {
        EXPECT_TRUE(spec.compare(0, 3, "st ") == 0 ? tc.setFixedTime(spec.substr(3)) : tc.setLevel(spec)) << spec;
    }
    return tc;
}
}  // namespace

TEST(TimeControl, AllotmentAndClockAfterTheMove)
{
    CCapture quiet;
    for (const auto& row : dataRows("game/allotment.txt"))
    {
        const std::string& spec = row.at(0);
        const int move = std::stoi(row.at(1));
        CTimeControl tc = control(spec);
        const double clock = std::stod(row.at(2)) > 0 ? std::stod(row.at(2)) : tc.engineClock();
        TimeAllotment a = tc.setupTime(move, clock, false);
        EXPECT_EQ(a.movesToGo, std::stoi(row.at(3))) << spec << " move " << move;
        EXPECT_NEAR(a.allotted, std::stod(row.at(4)), 1e-9) << spec << " move " << move;
        EXPECT_NEAR(a.maximum, std::stod(row.at(5)), 1e-9) << spec << " move " << move;
        tc.setupTimePostMove(move, clock - 1.0, false);
        EXPECT_NEAR(tc.engineClock(), std::stod(row.at(6)), 1e-9) << spec << " move " << move;
    }
}

TEST(TimeControl, ReadersRefuseGarbageAndClampHugeValues)
{
    // Unreadable or absurd level arguments change nothing.
    CTimeControl keep = control("40 5 0");
    for (const char* bad : {"", "40", "40 5", "x 5 0", "40 5 x", "-1 5 0", "40 -5 0", "40 5 -1", "40 nan 0", "40 inf 0",
                            "40 5 1e999", "40 5:x 0", "4.5 5 0"})
    {
        EXPECT_FALSE(keep.setLevel(bad)) << bad;
        EXPECT_EQ(keep.movesPerControl(), 40) << bad;
        EXPECT_DOUBLE_EQ(keep.baseSeconds(), 300.0) << bad;
        EXPECT_DOUBLE_EQ(keep.incrementSeconds(), 0.0) << bad;
    }
    for (const char* bad : {"-3", "nan", ""})
        EXPECT_FALSE(keep.setFixedTime(bad)) << bad;

    // Huge values are clamped, never wrapped into negative or tiny numbers.
    CTimeControl tc = control("99999999999 99999999999 99999999999");
    EXPECT_GT(tc.movesPerControl(), 0);
    EXPECT_DOUBLE_EQ(tc.baseSeconds(), CTimeControl::MAX_SECONDS);
    EXPECT_GT(tc.incrementSeconds(), 0.0);
    CCapture quiet;
    EXPECT_TRUE(std::isfinite(tc.setupTime(1, tc.engineClock(), false).allotted));

    // Clock readings in centiseconds: an opponent past its flag, a clamped reading, refusals.
    ASSERT_TRUE(tc.setEngineClockCentis("12345"));
    EXPECT_DOUBLE_EQ(tc.engineClock(), 123.45);
    ASSERT_TRUE(tc.setOpponentClockCentis("-250"));
    EXPECT_DOUBLE_EQ(tc.opponentClock(), -2.5);
    ASSERT_TRUE(tc.setEngineClockCentis("99999999999999999999"));
    EXPECT_FALSE(tc.setEngineClockCentis("abc"));
    EXPECT_FALSE(tc.setEngineClockCentis(""));
    tc.swapClocks();
    EXPECT_DOUBLE_EQ(tc.engineClock(), -2.5);
    EXPECT_DOUBLE_EQ(tc.opponentClock(), CTimeControl::MAX_SECONDS);

    // Depth limits are clamped to 1..100; a refused one keeps the last.
    for (auto [text, depth] : {std::pair{"0", 1}, {"500", 100}, {"99999999999999999999", 100}, {"7", 7}})
        EXPECT_TRUE(tc.setMaxDepth(text) && tc.maxDepth() == depth) << text;
    EXPECT_FALSE(tc.setMaxDepth("deep"));
    EXPECT_EQ(tc.maxDepth(), 7);

    tc.resetForNewGame();
    EXPECT_EQ(tc.maxDepth(), 100);
    EXPECT_DOUBLE_EQ(tc.engineClock(), tc.baseSeconds());
    EXPECT_DOUBLE_EQ(tc.opponentClock(), tc.baseSeconds());
}

TEST(TimeControl, PonderingRaisesTheAllotmentByItsEfficiency)
{
    CCapture quiet;
    CTimeControl tc = control("40 5 0");
    tc.chargeMove(10.0);
    EXPECT_DOUBLE_EQ(tc.engineClock(), 290.0);
    tc.addPonderHitTime(4.0);
    tc.setupTimePostMove(1, tc.engineClock(), true);
    EXPECT_DOUBLE_EQ(tc.ponderEfficiency(), 0.4);

    // 40 moves to go: factor 1, so the allotment grows by 40 %; two moves to go: factor 0.2;
    // one move to go: no raise, and never past the cap.
    EXPECT_NEAR(tc.setupTime(1, 300.0, true).allotted, tc.setupTime(1, 300.0, false).allotted * 1.4, 1e-9);
    EXPECT_NEAR(tc.setupTime(39, 300.0, true).allotted, 147.5 * (1.0 + 0.2 * 0.4), 1e-9);
    EXPECT_DOUBLE_EQ(tc.setupTime(40, 300.0, true).allotted, 295.0);

    // The efficiency is capped at 0.6; negative or non-finite charges are ignored.
    tc.addPonderHitTime(100.0);
    tc.setupTimePostMove(2, tc.engineClock(), true);
    EXPECT_DOUBLE_EQ(tc.ponderEfficiency(), 0.6);
    tc.chargeMove(-5.0);
    tc.chargeMove(NAN);
    EXPECT_DOUBLE_EQ(tc.totalThinkingTime(), 10.0);

    tc.resetForNewGame();
    EXPECT_DOUBLE_EQ(tc.ponderEfficiency(), 0.0);
    EXPECT_DOUBLE_EQ(tc.totalThinkingTime(), 0.0);
    EXPECT_DOUBLE_EQ(tc.ponderHitTime(), 0.0);
}

TEST(TimeControl, PrintedLines)
{
    CCapture capture;
    CTimeControl tc = control("0 2 12");
    tc.setupTime(1, 120.0, false);
    tc.setupTimePostMove(1, 100.0, false);
    tc.chargeMove(10.0);
    tc.addPonderHitTime(2.5);
    tc.setupTimePostMove(2, 50.0, true);
    EXPECT_EQ(capture.take(), " SetupTime( 1, 02:00.00 )\n"
                              "  time limit 14.36 (50 moves left)  max time limit 43.08\n"
                              " SetupTimePostMove( 1, 01:40.00 )\n"
                              "  time left 112.00\n"
                              " SetupTimePostMove( 2, 50.00 )\n"
                              "  time left 62.00\n"
                              "  ponder efficiency 0.25 ( 2.500, 10.000)\n");
}

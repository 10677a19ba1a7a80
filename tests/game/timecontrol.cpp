// Time controls: the allotment for each kind of control, the clock after a move, and the
// readers of the time commands (including what interfaces really send and garbage).
#include "game/timecontrol.h"
#include "base/output.h"

#include <string>

#include <gtest/gtest.h>

#include <cmath>

namespace
{
CTimeControl withLevel(const char* args)
{
    CTimeControl tc;
    EXPECT_TRUE(tc.setLevel(args)) << args;
    return tc;
}
}  // namespace

TEST(TimeControl, RepeatingControlSplitsTheClockOverTheMovesLeft)
{
    CTimeControl tc = withLevel("40 5 0");
    EXPECT_EQ(tc.movesPerControl(), 40);
    EXPECT_DOUBLE_EQ(tc.baseSeconds(), 300.0);
    EXPECT_DOUBLE_EQ(tc.engineClock(), 300.0);
    EXPECT_DOUBLE_EQ(tc.opponentClock(), 300.0);

    TimeAllotment a = tc.setupTime(1, 300.0, false);
    EXPECT_EQ(a.movesToGo, 40);
    EXPECT_DOUBLE_EQ(a.allotted, 7.375);
    EXPECT_DOUBLE_EQ(a.maximum, 22.125);

    // Move 40 is the last of the control, move 41 starts the next one.
    EXPECT_EQ(tc.setupTime(40, 100.0, false).movesToGo, 1);
    EXPECT_EQ(tc.setupTime(41, 100.0, false).movesToGo, 40);
    // Last move of a control: everything but the reserve, and no overrun beyond it.
    TimeAllotment last = tc.setupTime(40, 100.0, false);
    EXPECT_DOUBLE_EQ(last.allotted, 95.0);
    EXPECT_DOUBLE_EQ(last.maximum, 95.0);

    // Completing the control adds the base time; other moves do not.
    tc.setupTimePostMove(39, 50.0, false);
    EXPECT_DOUBLE_EQ(tc.engineClock(), 50.0);
    tc.setupTimePostMove(40, 20.0, false);
    EXPECT_DOUBLE_EQ(tc.engineClock(), 320.0);
}

TEST(TimeControl, SuddenDeathWithIncrement)
{
    CTimeControl tc = withLevel("0 2 12");
    EXPECT_EQ(tc.movesPerControl(), 0);
    EXPECT_DOUBLE_EQ(tc.baseSeconds(), 120.0);
    EXPECT_DOUBLE_EQ(tc.incrementSeconds(), 12.0);
    EXPECT_FALSE(tc.fixedTimePerMove());

    TimeAllotment a = tc.setupTime(1, 120.0, false);
    EXPECT_EQ(a.movesToGo, 50);
    EXPECT_NEAR(a.allotted, 14.36, 1e-9);
    EXPECT_NEAR(a.maximum, 43.08, 1e-9);
    // Late in the game the divisor stays at 25.
    EXPECT_EQ(tc.setupTime(40, 120.0, false).movesToGo, 25);

    tc.setupTimePostMove(1, 100.0, false);
    EXPECT_DOUBLE_EQ(tc.engineClock(), 112.0);

    // Three seconds left: the cap is negative, the allotment falls to its floor, and the
    // overrun limit does not drop below the allotment.
    TimeAllotment low = tc.setupTime(30, 3.0, false);
    EXPECT_DOUBLE_EQ(low.allotted, 0.02);
    EXPECT_GE(low.maximum, low.allotted);
}

TEST(TimeControl, FixedTimePerMove)
{
    CTimeControl tc;
    ASSERT_TRUE(tc.setFixedTime("5"));
    EXPECT_TRUE(tc.fixedTimePerMove());
    TimeAllotment a = tc.setupTime(1, tc.engineClock(), false);
    EXPECT_DOUBLE_EQ(a.allotted, 5.0);
    EXPECT_DOUBLE_EQ(a.maximum, 5.0);
    // The clock is refilled to the fixed time after every move.
    tc.setupTimePostMove(1, 0.5, false);
    EXPECT_DOUBLE_EQ(tc.engineClock(), 5.0);

    // Fractions are truncated to whole milliseconds.
    ASSERT_TRUE(tc.setFixedTime("0.2505"));
    EXPECT_DOUBLE_EQ(tc.baseSeconds(), 0.25);
    EXPECT_DOUBLE_EQ(tc.opponentClock(), 0.25);
    EXPECT_DOUBLE_EQ(tc.setupTime(7, tc.engineClock(), false).allotted, 0.25);

    // The engine's initial setting: 10 seconds a move.
    CTimeControl fresh;
    EXPECT_TRUE(fresh.fixedTimePerMove());
    EXPECT_DOUBLE_EQ(fresh.setupTime(1, fresh.engineClock(), false).allotted, 10.0);
}

TEST(TimeControl, LevelForms)
{
    CTimeControl tc = withLevel("40 0:30 0");
    EXPECT_EQ(tc.movesPerControl(), 40);
    EXPECT_DOUBLE_EQ(tc.baseSeconds(), 30.0);

    // Fractional increment as interfaces send it for fast games.
    tc = withLevel("0 0:10 0.1");
    EXPECT_DOUBLE_EQ(tc.baseSeconds(), 10.0);
    EXPECT_DOUBLE_EQ(tc.incrementSeconds(), 0.1);
    EXPECT_NEAR(tc.setupTime(1, 10.0, false).allotted, (10.0 + 5.0 - 2.0) / 50.0, 1e-12);
    tc.setupTimePostMove(1, 9.0, false);
    EXPECT_NEAR(tc.engineClock(), 9.1, 1e-12);

    tc = withLevel("1 2:30 0");
    EXPECT_DOUBLE_EQ(tc.baseSeconds(), 150.0);
    EXPECT_TRUE(tc.fixedTimePerMove());

    // Unreadable or absurd arguments change nothing.
    CTimeControl keep = withLevel("40 5 0");
    for (const char* bad : {"", "40", "40 5", "x 5 0", "40 5 x", "-1 5 0", "40 -5 0", "40 5 -1", "40 nan 0",
                            "40 inf 0", "40 5 1e999", "40 5:x 0", "4.5 5 0"}) {
        EXPECT_FALSE(keep.setLevel(bad)) << bad;
        EXPECT_EQ(keep.movesPerControl(), 40) << bad;
        EXPECT_DOUBLE_EQ(keep.baseSeconds(), 300.0) << bad;
        EXPECT_DOUBLE_EQ(keep.incrementSeconds(), 0.0) << bad;
    }

    // Huge values are clamped, never wrapped into negative or tiny numbers.
    tc = withLevel("99999999999 99999999999 99999999999");
    EXPECT_GT(tc.movesPerControl(), 0);
    EXPECT_DOUBLE_EQ(tc.baseSeconds(), CTimeControl::MAX_SECONDS);
    EXPECT_GT(tc.incrementSeconds(), 0.0);
    EXPECT_TRUE(std::isfinite(tc.setupTime(1, tc.engineClock(), false).allotted));
}

TEST(TimeControl, ClockReadings)
{
    CTimeControl tc;
    ASSERT_TRUE(tc.setEngineClockCentis("12345"));
    EXPECT_DOUBLE_EQ(tc.engineClock(), 123.45);
    ASSERT_TRUE(tc.setOpponentClockCentis("-250"));  // an opponent past its flag
    EXPECT_DOUBLE_EQ(tc.opponentClock(), -2.5);
    ASSERT_TRUE(tc.setEngineClockCentis("99999999999999999999"));
    EXPECT_DOUBLE_EQ(tc.engineClock(), CTimeControl::MAX_SECONDS);
    EXPECT_FALSE(tc.setEngineClockCentis("abc"));
    EXPECT_FALSE(tc.setEngineClockCentis(""));
    EXPECT_DOUBLE_EQ(tc.engineClock(), CTimeControl::MAX_SECONDS);

    tc.swapClocks();
    EXPECT_DOUBLE_EQ(tc.engineClock(), -2.5);
    EXPECT_DOUBLE_EQ(tc.opponentClock(), CTimeControl::MAX_SECONDS);

    ASSERT_TRUE(tc.setMaxDepth("0"));
    EXPECT_EQ(tc.maxDepth(), 1);
    ASSERT_TRUE(tc.setMaxDepth("500"));
    EXPECT_EQ(tc.maxDepth(), 100);
    ASSERT_TRUE(tc.setMaxDepth("99999999999999999999"));
    EXPECT_EQ(tc.maxDepth(), 100);
    ASSERT_TRUE(tc.setMaxDepth("7"));
    EXPECT_FALSE(tc.setMaxDepth("deep"));
    EXPECT_EQ(tc.maxDepth(), 7);

    EXPECT_FALSE(tc.setFixedTime("-3"));
    EXPECT_FALSE(tc.setFixedTime("nan"));
    EXPECT_FALSE(tc.setFixedTime(""));

    tc.resetForNewGame();
    EXPECT_EQ(tc.maxDepth(), 100);
    EXPECT_DOUBLE_EQ(tc.engineClock(), tc.baseSeconds());
    EXPECT_DOUBLE_EQ(tc.opponentClock(), tc.baseSeconds());
}

TEST(TimeControl, PonderingRaisesTheAllotmentByItsEfficiency)
{
    CTimeControl tc = withLevel("40 5 0");
    tc.chargeMove(10.0);
    EXPECT_DOUBLE_EQ(tc.engineClock(), 290.0);
    EXPECT_DOUBLE_EQ(tc.totalThinkingTime(), 10.0);
    tc.addPonderHitTime(4.0);
    tc.setupTimePostMove(1, tc.engineClock(), true);
    EXPECT_DOUBLE_EQ(tc.ponderEfficiency(), 0.4);

    // 40 moves to go: factor 1, so t grows by 40 %.
    TimeAllotment plain = tc.setupTime(1, 300.0, false);
    TimeAllotment pondering = tc.setupTime(1, 300.0, true);
    EXPECT_NEAR(pondering.allotted, plain.allotted * 1.4, 1e-9);
    // Two moves to go: factor 0.2.
    TimeAllotment two = tc.setupTime(39, 300.0, true);
    EXPECT_NEAR(two.allotted, 147.5 * (1.0 + 0.2 * 0.4), 1e-9);
    // One move to go: no raise, and never past the cap.
    EXPECT_DOUBLE_EQ(tc.setupTime(40, 300.0, true).allotted, 295.0);

    // The efficiency is capped at 0.6.
    tc.addPonderHitTime(100.0);
    tc.setupTimePostMove(2, tc.engineClock(), true);
    EXPECT_DOUBLE_EQ(tc.ponderEfficiency(), 0.6);
    // Negative or non-finite charges are ignored.
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
    std::string captured;
    std::string* previous = setOutputCapture(&captured);
    CTimeControl tc = withLevel("0 2 12");
    tc.setupTime(1, 120.0, false);
    tc.setupTimePostMove(1, 100.0, false);
    tc.chargeMove(10.0);
    tc.addPonderHitTime(2.5);
    tc.setupTimePostMove(2, 50.0, true);
    setOutputCapture(previous);
    EXPECT_EQ(captured,
              " SetupTime( 1, 02:00.00 )\n"
              "  time limit 14.36 (50 moves left)  max time limit 43.08\n"
              " SetupTimePostMove( 1, 01:40.00 )\n"
              "  time left 112.00\n"
              " SetupTimePostMove( 2, 50.00 )\n"
              "  time left 62.00\n"
              "  ponder efficiency 0.25 ( 2.500, 10.000)\n");
}

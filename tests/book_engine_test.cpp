// The books through the engine itself: built with console commands, opened at
// start-up with -book, and played from in a game.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/engineprocess.h"

TEST(BookEngine, BuildOpenAndPlayFromABook)
{
    std::string dir = CEngineProcess::makeTempDir();
    std::string games = std::string(VEKRAN_TEST_DATA) + "/pgn/pgn-parser-32games.pgn";
    {
        CEngineProcess engine;
        ASSERT_TRUE(engine.start({}, dir));
        ASSERT_TRUE(engine.waitFor("Failed to open primary book \"primary.hbk\"\nReason: "));
        ASSERT_TRUE(engine.waitFor("Failed to open tertiary book \"tertiary.hbk\"\n"));
        engine.send("bcreate mine.hbk");
        ASSERT_TRUE(engine.waitFor("Primary book \"mine.hbk\" contains 0 positions\n"));
        engine.send("badd -d 6 " + games);
        ASSERT_TRUE(engine.waitFor("Flushing book data to disk...\n"));
        ASSERT_TRUE(engine.waitFor("Primary book file \"mine.hbk\" now contains "));
        engine.send("bset threshold 2");
        engine.send("bk");
        ASSERT_TRUE(engine.waitFor(" Games threshold: 2\n"));
        engine.closeInput();
        EXPECT_EQ(engine.waitExit(20), 0);
    }
    CEngineProcess engine;
    ASSERT_TRUE(engine.start({"-book", "mine.hbk"}, dir));
    ASSERT_TRUE(engine.waitFor("Primary book \"mine.hbk\" contains "));
    // With threshold 2 only 1.d4 (6 games) and 1.e4 (24 games) of these games weigh anything.
    engine.send("xboard");
    engine.send("new");
    engine.send("go");
    ASSERT_TRUE(engine.waitFor("move ", 20));
    ASSERT_TRUE(engine.waitFor("\n", 5));
    std::string pending = engine.consumed();
    EXPECT_TRUE(pending == "d2d4\n" || pending == "e2e4\n") << pending;
    engine.send("bk off");
    ASSERT_TRUE(engine.waitFor(" Opening book(s) disabled.\n"));
    engine.closeInput();
    EXPECT_EQ(engine.waitExit(20), 0);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

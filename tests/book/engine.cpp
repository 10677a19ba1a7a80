// The books through the engine itself: built with console commands, opened at
// start-up with -book, and played from in a game.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/engineprocess.h"
#include "support/helpers.h"

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

TEST(BookEngine, BookCommandsNeverDamageFiles)
{
    std::string dir = CEngineProcess::makeTempDir();
    CEngineProcess engine;
    ASSERT_TRUE(engine.start({}, dir));
    // The open game record is no place for a book: it keeps its moves, before and after.
    for (const char* line : {"force", "e2e4", "e7e5", "bcreate game.pgn", "g1f3", "b8c6"})
        engine.send(line);
    ASSERT_TRUE(engine.waitFor("Failed to create book file: \"game.pgn\"\nReason: The file is open in the engine\n"));
    // A name with blanks is one file.
    engine.send("bcreate my book.hbk");
    ASSERT_TRUE(engine.waitFor("Primary book \"my book.hbk\" contains 0 positions\n"));
    const std::string fresh = fileText(dir + "/my book.hbk");
    ASSERT_EQ(fresh.size(), 2300u);
    // Refused settings (their texts are in the golden transcript book.in) leave the file alone.
    engine.send("bset threshold abc");
    engine.send("bset scorebias 1e308");
    ASSERT_TRUE(engine.waitFor("Error (scorebias must be a number from 0 to 1000): 1e308\n"));
    engine.closeInput();
    EXPECT_EQ(engine.waitExit(20), 0);
    EXPECT_EQ(fileText(dir + "/my book.hbk"), fresh);
    EXPECT_FALSE(std::filesystem::exists(dir + "/my"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/book.hbk"));
    std::string record = fileText(dir + "/game.pgn");
    EXPECT_EQ(record.rfind("[event ", 0), 0u) << record;
    EXPECT_NE(record.find("1. e4\n1... e5\n2. Nf3\n2... Nc6\n"), std::string::npos) << record;
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

// The books through the engine itself: opened at start-up with -book and played from in a
// game, and book commands that must leave files alone.
#include "book/bookbuild.h"
#include "book/books.h"
#include "support/engineprocess.h"

namespace
{
// The engine's first move of a new game in which it plays White ("e2e4").
std::string firstMove(CEngineProcess& engine)
{
    for (const char* line : {"xboard", "new", "go"})
        engine.send(line);
    if (!engine.waitFor("move ", 20) || !engine.waitFor("\n", 5))
        return "no move: " + engine.pending();
    std::string move = engine.consumed();
    return move.substr(0, move.size() - 1);
}
}

TEST(BookEngine, PlaysFromAHashBookAndBookCommandsNeverDamageFiles)
{
    std::string dir = CEngineProcess::makeTempDir(), error, errors;
    {
        // With threshold 2 only 1.d4 (6 games) and 1.e4 (24 games) of these games weigh anything.
        CHashBook book;
        ASSERT_TRUE(book.create(dir + "/mine.hbk", error)) << error;
        BookImportOptions options;
        options.maxDepth = 6;
        ASSERT_TRUE(book.importPgn(testData("pgn/pgn-parser-32games.pgn"), options, errors)) << errors;
        ASSERT_TRUE(book.setParameter(BOOK_THRESHOLD, 2));
    }
    CEngineProcess engine;
    ASSERT_TRUE(engine.start({"-book", "mine.hbk"}, dir));
    ASSERT_TRUE(engine.waitFor("Primary book \"mine.hbk\" contains 116 positions\n"));
    // The open game record is no place for a book: it keeps its moves, before and after.
    for (const char* line : {"force", "e2e4", "e7e5", "bcreate game.pgn", "g1f3", "b8c6"})
        engine.send(line);
    ASSERT_TRUE(engine.waitFor("Failed to create book file: \"game.pgn\"\nReason: The file is open in the engine\n"));
    // A name with blanks is one file, and refused settings (their texts are in the golden
    // transcript book.in) leave it alone.
    engine.send("bcreate my book.hbk");
    ASSERT_TRUE(engine.waitFor("Primary book \"my book.hbk\" contains 0 positions\n"));
    const std::string fresh = fileText(dir + "/my book.hbk");
    ASSERT_EQ(fresh.size(), 2300u);
    engine.send("bset threshold abc");
    engine.send("bset scorebias 1e308");
    ASSERT_TRUE(engine.waitFor("Error (scorebias must be a number from 0 to 1000): 1e308\n"));
    engine.send("book mine.hbk");
    ASSERT_TRUE(engine.waitFor("Primary book \"mine.hbk\" contains 116 positions\n"));
    std::string move = firstMove(engine);
    EXPECT_TRUE(move == "d2d4" || move == "e2e4") << move;
    engine.closeInput();
    EXPECT_EQ(engine.waitExit(20), 0);
    EXPECT_EQ(fileText(dir + "/my book.hbk"), fresh);
    EXPECT_FALSE(std::filesystem::exists(dir + "/my"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/book.hbk"));
    std::string record = fileText(dir + "/game.pgn");
    EXPECT_EQ(record.rfind("[event ", 0), 0u) << record;
    EXPECT_NE(record.find("1. e4\n1... e5\n2. Nf3\n2... Nc6\n"), std::string::npos) << record;
    std::filesystem::remove_all(dir);
}

TEST(BookEngine, PlaysFromTheDebianPolyglotBook)
{
    std::string path = debianBook();
    if (path.empty())
        GTEST_SKIP() << "gnuchess-book is not installed";
    std::string dir = CEngineProcess::makeTempDir();
    CEngineProcess engine;
    ASSERT_TRUE(engine.start({"-book", path}, dir));
    ASSERT_TRUE(engine.waitFor("Primary book \"" + path + "\" contains 180358 positions\n"));
    const std::string listing = fileText(testData("polyglot/gnuchess-book-start-bk.txt"));
    engine.send("bk");
    ASSERT_TRUE(engine.waitFor(listing)) << engine.pending();
    // The move played is one of the listing.
    CPosition start;
    std::string move = firstMove(engine);
    ASSERT_NE(legalMove(start, move), NO_MOVE) << move;
    EXPECT_NE(listing.find("  " + start.moveToSan(legalMove(start, move)) + "  "), std::string::npos) << move;
    engine.closeInput();
    EXPECT_EQ(engine.waitExit(20), 0);
    std::filesystem::remove_all(dir);
}

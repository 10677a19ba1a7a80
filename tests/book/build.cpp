// Building books from PGN. The oracle is a fresh count made with the PGN
// reader and CPosition alone: every (position, move) pair of every game up to
// the depth limit, with its games and White's half-points, kept in a map. Faulty games, wrong
// options and unreadable files: golden transcript book_errors.
#include <map>

#include "pgn/pgngame.h"
#include "pgn/pgnlexer.h"
#include "pgn/pgnreader.h"
#include "book/bookbuild.h"
#include "book/commands.h"
#include "book/books.h"
#include "support/filesizelimit.h"

namespace
{
struct Stats
{
    uint32_t games = 0;
    uint32_t halfPoints = 0;
};
using Oracle = std::map<uint64_t, Stats>;  // by record key

// Counts the moves of a line the simple recursive way: every move child is a
// move from this position; every variation node restarts from it.
void countLine(const PgnNode& node, const CPosition& position, int halfPoints, int pliesLeft, Oracle& oracle)
{
    if (pliesLeft <= 0)
        return;
    for (const PgnNode* child : node.children())
    {
        if (child->isVariation())
        {
            countLine(*child, position, halfPoints, pliesLeft, oracle);
            continue;
        }
        CPosition after = position;
        after.makeMove(child->move());
        // Record key written out from its definition.
        uint64_t key = (position.hashKey() & 0xffffffff00000000ull) | (after.hashKey() & 0xffffffffull);
        if (position.sideToMove() == BLACK)
            key = ~key;
        Stats& s = oracle[key];
        s.games += 1;
        s.halfPoints += uint32_t(halfPoints);
        countLine(*child, after, halfPoints, pliesLeft - 1, oracle);
    }
}

int countFile(const std::string& path, int depth, Oracle& oracle)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    EXPECT_NE(file, nullptr) << path;
    if (file == nullptr)
        return 0;
    PgnLexer lexer(file);
    PgnGame game;
    std::string error;
    int games = 0;
    while (readPgnGame(lexer, game, error))
    {
        ++games;
        std::string result = game.tagValue("Result");
        int halfPoints = result == "1-0" ? 2 : result == "0-1" ? 0 : 1;
        countLine(game.root(), game.startPosition(), halfPoints, depth, oracle);
    }
    std::fclose(file);
    return games;
}

struct BuildFixture : BooksFixture
{
    std::string bookPath;
    void SetUp() override
    {
        BooksFixture::SetUp();
        bookPath = createBook(book(), "build.hbk");
    }
    CHashBook& book() { return theBooks().primary(); }
    BookRecord record(uint64_t key)
    {
        BookRecord r;
        EXPECT_TRUE(book().find(key, r)) << std::hex << key;
        return r;
    }
    // Runs badd, which must end by telling the new size of the book.
    std::string badd(const std::string& args)
    {
        std::string text = captureCommand(handleBadd, args);
        std::string tail = "Primary book file \"" + bookPath + "\" now contains " +
                           std::to_string(book().positionCount()) + " positions\n";
        EXPECT_TRUE(text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0)
            << text;
        return text;
    }
};
}

// Also pins badd's default depth of 40 plies: longer games would leave records the count lacks.
TEST_F(BuildFixture, BookOfTheTestGamesMatchesAFreshCount)
{
    Oracle oracle;
    int games = 0;
    for (const std::string& file : pgnFiles())
    {
        games += countFile(file, 40, oracle);
        badd(file);
    }
    ASSERT_GT(games, 250);
    EXPECT_EQ(book().positionCount(), oracle.size());
    book().close();
    std::string error;
    ASSERT_TRUE(book().open(bookPath, error)) << error;
    EXPECT_EQ(book().positionCount(), oracle.size());
    for (const auto& entry : oracle)
    {
        BookRecord r = record(entry.first);
        ASSERT_EQ(r.games, entry.second.games);
        ASSERT_EQ(r.whitePoints, entry.second.halfPoints);
        ASSERT_EQ(r.bias, 4u);
        ASSERT_EQ(r.flags, BOOK_WTM | BOOK_BTM | BOOK_IN_USE);
    }
}

TEST_F(BuildFixture, AddingTwiceDoublesAndOrsTheSideFlags)
{
    std::string file = testData("pgn/pgn-parser-32games.pgn");
    Oracle oracle;
    countFile(file, 40, oracle);
    badd("-w " + file);
    EXPECT_EQ(book().positionCount(), oracle.size());
    for (const auto& entry : oracle)
        ASSERT_EQ(record(entry.first).flags, BOOK_WTM | BOOK_IN_USE);
    badd(file + " -bias 2 -b");
    EXPECT_EQ(book().positionCount(), oracle.size());
    for (const auto& entry : oracle)
    {
        BookRecord r = record(entry.first);
        ASSERT_EQ(r.games, 2 * entry.second.games);
        ASSERT_EQ(r.whitePoints, 2 * entry.second.halfPoints);
        ASSERT_EQ(r.bias, 8u);  // the second import's bias
        ASSERT_EQ(r.flags, BOOK_WTM | BOOK_BTM | BOOK_IN_USE);
    }
}

TEST_F(BuildFixture, ResultsDepthVariationsAndBias)
{
    badd("-d 2 -bias 10 " + writeText(tempPath("small.pgn"),
                                      "[Event \"a\"]\n[Result \"*\"]\n\n1. e4 (1. d4 d5 2. c4) e5 2. Nf3 Nc6 *\n\n"
                                      "[Event \"b\"]\n[Result \"1-0\"]\n\n1. e4 c5 1-0\n\n"
                                      "[Event \"c\"]\n[Result \"0-1\"]\n\n1. e4 e5 0-1\n"));
    CPosition start, afterE4, afterD4;
    BookRecord e4 = record(recordKey(start, "e4", &afterE4));
    EXPECT_EQ(e4.games, 3u);
    EXPECT_EQ(e4.whitePoints, 1u + 2u + 0u);  // "*" counts as a draw
    EXPECT_EQ(e4.bias, 15u);                  // 10 is stored as 3.75
    EXPECT_EQ(record(recordKey(afterE4, "e5")).games, 2u);
    EXPECT_EQ(record(recordKey(afterE4, "c5")).whitePoints, 2u);
    // The variation counts its plies from the game's start, like the main line.
    EXPECT_EQ(record(recordKey(start, "d4", &afterD4)).games, 1u);
    EXPECT_EQ(record(recordKey(afterD4, "d5")).games, 1u);
    // Ply 3 is beyond -d 2 on both lines.
    EXPECT_EQ(book().positionCount(), 5u);
}

TEST_F(BuildFixture, WriteFailureIsReportedAndTheBookStaysConsistent)
{
    std::string file = testData("pgn/pgn-parser-twic-01-232games.pgn");
    Oracle oracle;
    countFile(file, 40, oracle);
    ASSERT_GT(oracle.size(), 3000u);

    CFileSizeLimit limit(60000);
    ASSERT_TRUE(limit.active());
    std::string errors;
    bool ok = book().importPgn(file, BookImportOptions(), errors);
    uint32_t count = book().positionCount();
    book().close();
    ASSERT_TRUE(limit.lift());

    EXPECT_FALSE(ok);
    EXPECT_NE(errors.find("Error: Failed to add game tree to file\nError: Failed to write to file"), std::string::npos)
        << errors;
    EXPECT_LT(count, oracle.size());
    std::string error;
    ASSERT_TRUE(book().open(bookPath, error)) << error;
    EXPECT_EQ(book().positionCount(), count);
    // Every record that made it is whole; none holds more than the full count.
    uint32_t found = 0;
    for (const auto& entry : oracle)
    {
        BookRecord r;
        CHashBook::FindResult result = book().lookup(entry.first, r);
        ASSERT_NE(result, CHashBook::READ_FAILED);
        if (result == CHashBook::FOUND)
        {
            ++found;
            EXPECT_GE(r.games, 1u);
            EXPECT_LE(r.games, entry.second.games);
        }
    }
    EXPECT_EQ(found, count);
}

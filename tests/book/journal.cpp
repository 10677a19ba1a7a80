// A book change cut short by the death of the process is undone on the next open.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <random>

#include "book/books.h"
#include "book/journal.h"

namespace
{
BookRecord oneGame(uint32_t points) { return BookRecord{1, points, 0, BOOK_IN_USE | BOOK_WTM}; }

// Fills the book with `count` random one-game records, also entered into `oracle`, and closes it.
void fillAndClose(CHashBook& book, std::mt19937_64& random, int count, std::map<uint64_t, uint32_t>& oracle)
{
    for (uint64_t key = random(); count-- > 0; key = random())
        ASSERT_TRUE(book.insert(key, oneGame(oracle[key] = uint32_t(key & 1)))) << book.lastError();
    ASSERT_TRUE(book.flush());
    book.close();
}

// Changes the book in a child process through a small cache, so evicted pages
// (header, nodes, buckets split in two) reach the file, and lets the child die
// without a flush.
void dieInTheMiddleOfAChange(const std::string& name)
{
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        CHashBook book;
        std::string error;
        if (!book.open(name, error, true))
            _exit(2);
        std::mt19937_64 other(11);
        for (int i = 0; i < 60000; ++i)
            if (!book.insert(other(), oneGame(1)))
                _exit(3);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_TRUE(std::filesystem::exists(CRollbackJournal::nameFor(name))) << "the child wrote nothing mid-change";
}
}

TEST(BookJournal, ProcessKilledInTheMiddleOfAChangeLeavesTheBookAsAtTheLastFlush)
{
    CHashBook book;
    const std::string name = createBook(book, "journal.hbk");
    std::mt19937_64 random(7);
    std::map<uint64_t, uint32_t> oracle;
    fillAndClose(book, random, 20000, oracle);
    dieInTheMiddleOfAChange(name);
    std::string error;
    ASSERT_TRUE(book.open(name, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(CRollbackJournal::nameFor(name)));
    EXPECT_EQ(book.positionCount(), oracle.size());
    size_t wrong = 0;
    BookRecord found;
    for (const auto& [key, points] : oracle)
        wrong += !book.find(key, found) || found.games != 1 || found.whitePoints != points;
    EXPECT_EQ(wrong, 0u);
    // The book takes further changes as usual.
    EXPECT_TRUE(book.insert(random(), oneGame(1)) && book.flush()) << book.lastError();
}

TEST(BookJournal, JournalOfAReplacedFileIsNotApplied)
{
    CHashBook book;
    const std::string name = createBook(book, "stale.hbk");
    std::mt19937_64 random(3);
    std::map<uint64_t, uint32_t> unused;
    fillAndClose(book, random, 5000, unused);
    dieInTheMiddleOfAChange(name);
    // bcreate puts a new file in the old one's place; the old file's journal
    // would write the old pages into it.
    std::string error;
    ASSERT_TRUE(book.create(name, error)) << error;
    book.close();
    EXPECT_EQ(std::filesystem::file_size(name), BOOK_FRESH_SIZE);
    EXPECT_FALSE(std::filesystem::exists(CRollbackJournal::nameFor(name)));
    ASSERT_TRUE(book.open(name, error)) << error;
    EXPECT_EQ(book.positionCount(), 0u);
}

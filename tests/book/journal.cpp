// A book change cut short by the death of the process is undone on the next open.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <random>

#include "book/hashbook.h"
#include "book/journal.h"
#include "support/helpers.h"

namespace
{
BookRecord oneGame(uint32_t points)
{
    BookRecord record;
    record.games = 1;
    record.whitePoints = points;
    record.flags = BOOK_IN_USE | BOOK_WTM;
    return record;
}

void insertRandom(CHashBook& book, std::mt19937_64& random, int count, std::map<uint64_t, uint32_t>* oracle)
{
    for (int i = 0; i < count; ++i)
    {
        uint64_t key = random();
        ASSERT_TRUE(book.insert(key, oneGame(uint32_t(key & 1)))) << book.lastError();
        if (oracle != nullptr)
            (*oracle)[key] = uint32_t(key & 1);
    }
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
    const std::string name = tempPath("journal.hbk");
    std::mt19937_64 random(7);
    std::map<uint64_t, uint32_t> oracle;
    {
        CHashBook book;
        std::string error;
        ASSERT_TRUE(book.create(name, error)) << error;
        insertRandom(book, random, 20000, &oracle);
        ASSERT_TRUE(book.flush());
    }
    dieInTheMiddleOfAChange(name);

    CHashBook book;
    std::string error;
    ASSERT_TRUE(book.open(name, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(CRollbackJournal::nameFor(name)));
    EXPECT_EQ(book.positionCount(), oracle.size());
    size_t wrong = 0;
    for (const auto& [key, points] : oracle)
    {
        BookRecord found;
        if (!book.find(key, found) || found.games != 1 || found.whitePoints != points)
            ++wrong;
    }
    EXPECT_EQ(wrong, 0u);
    // The book takes further changes as usual.
    insertRandom(book, random, 100, nullptr);
    EXPECT_TRUE(book.flush()) << book.lastError();
}

TEST(BookJournal, JournalOfAReplacedFileIsNotApplied)
{
    const std::string name = tempPath("stale.hbk");
    std::mt19937_64 random(3);
    {
        CHashBook book;
        std::string error;
        ASSERT_TRUE(book.create(name, error)) << error;
        insertRandom(book, random, 5000, nullptr);
    }
    dieInTheMiddleOfAChange(name);
    // bcreate puts a new file in the old one's place; the old file's journal
    // would write the old pages into it.
    CHashBook book;
    std::string error;
    ASSERT_TRUE(book.create(name, error)) << error;
    book.close();
    EXPECT_EQ(std::filesystem::file_size(name), BOOK_FRESH_SIZE);
    EXPECT_FALSE(std::filesystem::exists(CRollbackJournal::nameFor(name)));
    ASSERT_TRUE(book.open(name, error)) << error;
    EXPECT_EQ(book.positionCount(), 0u);
}

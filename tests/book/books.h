// What the book tests share: no book open around each test, and records keyed the way
// book building keys them.
#pragma once

#include "book/bookchoice.h"
#include "support/helpers.h"

struct BooksFixture : ::testing::Test
{
    static void closeAll()
    {
        for (int slot = 0; slot < COpeningBooks::SLOTS; ++slot)
            if (CBook* book = theBooks().openBook(slot))
                book->close();
    }
    void SetUp() override
    {
        closeAll();
        theBooks().resetForNewGame();
    }
    void TearDown() override
    {
        closeAll();
        theBooks().setRandomSource([] { return uint32_t(0); });
    }
};

// A new empty hash book at a fresh scratch path.
inline std::string createBook(CHashBook& book, const std::string& name)
{
    std::string path = tempPath(name), error;
    EXPECT_TRUE(book.create(path, error)) << error;
    return path;
}

inline Move sanMove(const CPosition& position, const std::string& san)
{
    Move move = NO_MOVE;
    EXPECT_TRUE(position.parseMove(san, move)) << san;
    return move;
}

// The record key of a move given in SAN; *next gets the position after it.
inline uint64_t recordKey(const CPosition& position, const std::string& san, CPosition* next = nullptr)
{
    CPosition after = position;
    after.makeMove(sanMove(position, san));
    if (next)
        *next = after;
    return bookRecordKey(position.hashKey(), after.hashKey(), position.sideToMove() == BLACK);
}

// Debian's gnuchess-book; empty when it is not installed.
inline std::string debianBook()
{
    const std::string path = "/usr/share/games/gnuchess/book.bin";
    return std::filesystem::is_regular_file(path) ? path : "";
}

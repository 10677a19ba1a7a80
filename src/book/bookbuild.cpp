#include "book/bookbuild.h"

#include <chrono>
#include <cmath>
#include <cstdio>

#include "base/input.h"
#include "pgn/pgngame.h"
#include "pgn/pgnlexer.h"
#include "pgn/pgnload.h"
#include "pgn/pgnreader.h"
#include "board/position.h"
#include "platform/files.h"

namespace
{
constexpr std::chrono::seconds COMMIT_INTERVAL{1};
}

int whiteHalfPointsOf(const std::string& result)
{
    if (result == "1-0")
        return 2;
    if (result == "0-1")
        return 0;
    return 1;  // "1/2-1/2", "*", or anything else: half a point each
}

uint32_t biasQuarters(double bias)
{
    double quarters = std::floor(bias * 4.0 + 0.5);
    if (!(quarters > 0.0))
        return 0;
    if (quarters > double(BOOK_MAX_BIAS))
        return BOOK_MAX_BIAS;
    return uint32_t(quarters);
}

bool CHashBook::addGameTree(const PgnNode& node, const CPosition& position, int whiteHalfPoints,
                            const BookImportOptions& options, int depth)
{
    BookRecord record;
    record.games = 1;
    record.whitePoints = uint32_t(whiteHalfPoints);
    record.bias = biasQuarters(options.bias);
    record.flags = uint8_t(options.sideFlags | BOOK_IN_USE);
    // The line is followed in a loop and only its branches recurse, so a very
    // long game with a large depth limit cannot exhaust the stack.
    const PgnNode* current = &node;
    CPosition here = position;
    while (current != nullptr && depth > 0)
    {
        bool blackToMove = here.sideToMove() == BLACK;
        const PgnNode* next = nullptr;
        CPosition nextPosition;
        for (const PgnNode* child : current->children())
        {
            if (child->move() == NO_MOVE)
            {
                // A variation node: its moves start from this same position,
                // at the same distance from the game's start; it holds no move
                // to make.
                if (!addGameTree(*child, here, whiteHalfPoints, options, depth))
                    return false;
                continue;
            }
            CPosition after = here;
            after.makeMove(child->move());
            if (!insert(bookRecordKey(here.hashKey(), after.hashKey(), blackToMove), record))
                return false;
            if (child->children().empty())
                continue;
            if (next == nullptr)
            {
                next = child;
                nextPosition = after;
            }
            else if (!addGameTree(*child, after, whiteHalfPoints, options, depth - 1))
                return false;
        }
        current = next;
        here = nextPosition;
        --depth;
    }
    return true;
}

bool CHashBook::addGame(const PgnGame& game, const BookImportOptions& options)
{
    return addGameTree(game.root(), game.startPosition(), whiteHalfPointsOf(game.tagValue("Result")), options,
                       options.maxDepth);
}

bool CHashBook::importPgn(const std::string& fileName, const BookImportOptions& options, std::string& errors)
{
    errors.clear();
    m_importedGames = 0;
    if (!isOpen())
    {
        errors = "Book file not open\n";
        return false;
    }
    FileKind kind = fileKind(fileName);
    if (kind == FileKind::DEVICE)
    {
        errors = deviceRefusalText(fileName) + "\n";
        return false;
    }
    // A FIFO's writer (a decompressor, say) may keep it open for ever; the
    // user can then end the import by typing "quit" or "exit".
    bool fifo = kind == FileKind::FIFO;
    PgnLexer lexer;
    // A directory opens for reading here but yields no bytes: refuse it.
    if (kind == FileKind::DIRECTORY || !lexer.openFile(fileName, fifo ? inputAsksToStop : std::function<bool()>()))
    {
        errors = "Failed to open PGN book file: " + fileName + "\n";
        return false;
    }
    int count = 0;
    bool stopped = false;
    auto lastCommit = std::chrono::steady_clock::now();
    for (;;)
    {
        if (fifo && inputAsksToStop())
        {
            stopped = true;
            break;
        }
        PgnGame game;
        std::string gameError;
        bool found = readPgnGame(lexer, game, gameError);
        if (lexer.stopped())
        {
            // The game read last is cut short: it stays out of the book.
            stopped = true;
            break;
        }
        if (!found)
            break;
        if (!gameError.empty())
            errors += gameError + "\n";
        ++count;
        if (!addGame(game, options))
        {
            // Only the file can make a game fail; every later game would fail
            // the same way, so the import ends here with what was written.
            errors += "Error: Failed to add game tree to file\n";
            errors += "Error: " + m_error + "\n";
            break;
        }
        if (count % 100 == 0)
        {
            // The games so far become permanent together, about once a second: a
            // kill or crash from here on leaves the book holding them, whole. More
            // often would make the import wait for the disk more than it works.
            auto now = std::chrono::steady_clock::now();
            if (now - lastCommit >= COMMIT_INTERVAL && !isReadOnly())
            {
                lastCommit = now;
                if (!flush())
                {
                    errors += "Error: " + m_error + "\n";
                    break;
                }
            }
            std::printf("\rImported %d games...", count);
            std::fflush(stdout);
        }
    }
    if (stopped)
        errors += "Error: Import stopped before the end of the file\n";
    m_importedGames = count;
    bool written = isReadOnly() || writeHeader();
    std::printf("\rImported %d games...\n", count);
    std::printf("Flushing book data to disk...\n");
    std::fflush(stdout);
    if (!isReadOnly() && !flush())
        written = false;
    if (!written)
        errors += "Error: " + m_error + "\n";
    return errors.empty();
}

// Polyglot books: the key function, probing a real book along master games against a
// reader written here, the weighted choice and castling entries. Damaged files are refused
// with the texts of the golden transcript book_errors.
#include "board/game.h"
#include "pgn/pgnload.h"
#include "book/commands.h"
#include "book/polyglotkey.h"
#include "book/books.h"

namespace
{
// A reader of its own: the raw file as a sorted array of 16-byte big-endian entries.
struct CRawBook
{
    std::string bytes;

    uint64_t number(size_t offset, int size) const
    {
        uint64_t value = 0;
        for (int i = 0; i < size; ++i)
            value = (value << 8) | static_cast<unsigned char>(bytes[offset + size_t(i)]);
        return value;
    }
    // The (move, weight) pairs of a key, in file order.
    std::vector<std::pair<uint16_t, uint16_t>> lookup(uint64_t key) const
    {
        size_t low = 0, high = bytes.size() / 16;
        while (low < high)
        {
            size_t middle = (low + high) / 2;
            if (number(middle * 16, 8) < key)
                low = middle + 1;
            else
                high = middle;
        }
        std::vector<std::pair<uint16_t, uint16_t>> found;
        for (size_t i = low; i < bytes.size() / 16 && number(i * 16, 8) == key; ++i)
            found.emplace_back(uint16_t(number(i * 16 + 8, 2)), uint16_t(number(i * 16 + 10, 2)));
        return found;
    }
};

// The engine's move for a book move, read field by field; NO_MOVE when it is not legal.
Move decodeMove(const CPosition& position, uint16_t raw)
{
    int to = raw & 63, from = (raw >> 6) & 63, promotion = (raw >> 12) & 7;
    int mover = position.pieceAt(from);
    if (pieceType(mover) == KING && position.pieceAt(to) == (mover > 0 ? ROOK : -ROOK))
        to = from + (to > from ? 2 : -2);  // king takes own rook: castling
    CMoveList legal;
    position.generateLegal(legal);
    for (Move move : legal)
        if (moveFrom(move) == from && moveTo(move) == to && movePromotion(move) == (promotion ? promotion + 1 : 0))
            return move;
    return NO_MOVE;
}
}

TEST(PolyglotKey, TableAndPublishedKeys)
{
    std::istringstream table(fileText(testData("polyglot/random64.txt")));
    std::string line;
    int index = 0;
    while (std::getline(table, line))
        if (!line.empty() && line[0] != '#')
        {
            ASSERT_LT(index, POLYGLOT_KEY_COUNT);
            EXPECT_EQ(POLYGLOT_RANDOM[index], std::stoull(line, nullptr, 16)) << "key " << index;
            ++index;
        }
    EXPECT_EQ(index, POLYGLOT_KEY_COUNT);

    std::istringstream vectors(fileText(testData("polyglot/key-vectors.txt")));
    int checked = 0;
    while (std::getline(vectors, line))
        if (!line.empty() && line[0] != '#' && line.find(';') != std::string::npos)
        {
            EXPECT_EQ(polyglotKey(positionFromFen(line.substr(0, line.find(';')))),
                      std::stoull(line.substr(line.find(';') + 1), nullptr, 16))
                << line;
            ++checked;
        }
    EXPECT_EQ(checked, 11);
}

TEST_F(BooksFixture, PolyglotMasterGamesProbeLikeAnIndependentReader)
{
    std::string path = debianBook();
    if (path.empty())
        GTEST_SKIP() << "gnuchess-book is not installed";
    CRawBook raw{fileText(path)};
    std::string error;
    ASSERT_TRUE(theBooks().open(COpeningBooks::SECONDARY, path, error)) << error;
    CBook& book = *theBooks().openBook(COpeningBooks::SECONDARY);
    EXPECT_TRUE(book.storesWeights());
    EXPECT_EQ(book.positionCount(), raw.bytes.size() / 16);

    PgnLexer lexer;
    ASSERT_TRUE(openPgnFile(lexer, testData("pgn/pgn-parser-twic-01-232games.pgn"), "twic", {}, error));
    CGame record;
    int games = 0, hits = 0, castles = 0;
    while (loadPgnGame(lexer, record, error))
    {
        ++games;
        for (const GameEntry& played : record.entries())
        {
            const CPosition& position = played.position;
            std::string expected, found;
            for (const auto& e : raw.lookup(polyglotKey(position)))
                if (Move move = decodeMove(position, e.first); move != NO_MOVE)
                    expected += moveToCoordinate(move) + "/" + std::to_string(e.second) + " ";
            std::vector<BookMove> moves;
            ASSERT_TRUE(book.probe(position, moves));
            for (const BookMove& m : moves)
            {
                found += moveToCoordinate(m.move) + "/" + std::to_string(int(m.storedWeight)) + " ";
                castles += isCastling(m.move);
            }
            ASSERT_EQ(found, expected) << position.toFullFen();
            hits += !moves.empty();
        }
    }
    EXPECT_EQ(games, 232);
    // The walk must really have crossed the book, castling included.
    EXPECT_GT(hits, 1000);
    EXPECT_GT(castles, 10);

    // The draw walks the stored weights: a draw just past the first move's share picks the second.
    CPosition start;
    std::vector<std::pair<uint16_t, uint16_t>> first = raw.lookup(polyglotKey(start));
    ASSERT_GE(first.size(), 2u);
    double total = 0.0;
    for (const auto& e : first)
        total += e.second;
    double w0 = first[0].second, w1 = first[1].second;
    theBooks().setRandomSource([=] { return uint32_t((w0 + w1 / 2) / total * 4294967296.0); });
    Move move = NO_MOVE;
    double share = 0.0;
    ASSERT_TRUE(theBooks().chooseBookMove(start, move, share));
    EXPECT_TRUE(sameMove(move, decodeMove(start, first[1].first)));
    EXPECT_DOUBLE_EQ(share, w1 / total);
}

// Its listing and the refused parameters are pinned by the golden transcript book_polyglot.
TEST_F(BooksFixture, PolyglotSmallBookCastlesAndSkipsIllegalMoves)
{
    // e2e4 (10), d2d4 (30) and e1e2 (blocked by the pawn) in the start position, e1h1 and h2h3 in
    // an Italian game: entries written from the format's layout and the published keys.
    std::string path = tempPath("small.dat"), error;  // known by its content, not its name
    std::filesystem::copy_file(testData("polyglot/small.dat"), path);
    ASSERT_TRUE(theBooks().open(COpeningBooks::PRIMARY, path, error)) << error;
    CBook& book = *theBooks().openBook(COpeningBooks::PRIMARY);
    EXPECT_EQ(book.positionCount(), 5u);
    std::vector<BookMove> moves;
    CPosition italian = positionFromFen("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4");
    ASSERT_TRUE(book.probe(italian, moves));
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moveToCoordinate(moves[0].move) + moveToCoordinate(moves[1].move), "e1g1h2h3");
    EXPECT_TRUE(isCastling(moves[0].move));
    ASSERT_TRUE(book.probe(CPosition(), moves));
    EXPECT_EQ(moves.size(), 2u);

    // A file cut short under the open book gives no candidates, not garbage.
    std::filesystem::resize_file(path, 8);
    EXPECT_FALSE(book.probe(CPosition(), moves));
    EXPECT_EQ(captureCommand(handleBk, ""), " No book is open\n");
}

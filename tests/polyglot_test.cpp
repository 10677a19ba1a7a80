// Polyglot books: the key function, probing a real book along master games against a
// reader written here, the weighted choice, damaged files, and the engine listing a book.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "board/game.h"
#include "board/notation.h"
#include "pgn/pgnload.h"
#include "book/bookchoice.h"
#include "book/commands.h"
#include "book/polyglotkey.h"
#include "book_test_helpers.h"
#include "support/engineprocess.h"

namespace
{
const std::string DATA = std::string(VEKRAN_TEST_DATA) + "/polyglot/";

// Where Debian's gnuchess-book package put its book; empty when it is not installed.
std::string debianBook()
{
    std::string path;
    if (std::FILE* list = popen("dpkg -L gnuchess-book 2>/dev/null", "r"))
    {
        char line[512];
        while (std::fgets(line, sizeof line, list))
        {
            std::string name(line);
            name.erase(name.find_last_not_of("\r\n") + 1);
            if (name.size() > 9 && name.compare(name.size() - 9, 9, "/book.bin") == 0)
                path = name;
        }
        pclose(list);
    }
    return !path.empty() && std::filesystem::is_regular_file(path) ? path : "";
}

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

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

std::string entry(uint64_t key, uint16_t move, uint16_t weight)
{
    std::string bytes;
    for (int shift = 56; shift >= 0; shift -= 8)
        bytes += char((key >> shift) & 0xff);
    return bytes + char(move >> 8) + char(move & 0xff) + char(weight >> 8) + char(weight & 0xff) + std::string(4, '\0');
}

CPosition after(const char* fen)
{
    CPosition position;
    EXPECT_TRUE(position.setFromFen(fen)) << fen;
    return position;
}

struct PolyglotFixture : ::testing::Test
{
    void TearDown() override
    {
        for (int slot = 0; slot < COpeningBooks::SLOTS; ++slot)
            if (CBook* book = theBooks().openBook(slot))
                book->close();
        theBooks().setRandomSource([] { return uint32_t(0); });
        theGame().reset();
    }
};
}

TEST(PolyglotKey, TableAndPublishedKeys)
{
    std::istringstream table(fileBytes(DATA + "random64.txt"));
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

    std::istringstream vectors(fileBytes(DATA + "key-vectors.txt"));
    int checked = 0;
    while (std::getline(vectors, line))
    {
        size_t semicolon = line.find(';');
        if (line.empty() || line[0] == '#' || semicolon == std::string::npos)
            continue;
        CPosition position = after(line.substr(0, semicolon).c_str());
        EXPECT_EQ(polyglotKey(position), std::stoull(line.substr(semicolon + 1), nullptr, 16)) << line;
        ++checked;
    }
    EXPECT_EQ(checked, 9);
    // An en-passant square that no pawn of the mover can use leaves the published key unchanged.
    EXPECT_EQ(polyglotKey(after("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1")), 0x823c9b50fd114196ull);
    EXPECT_EQ(polyglotKey(after("rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 2")),
              0x0756b94461c50fb0ull);
}

TEST_F(PolyglotFixture, MasterGamesProbeLikeAnIndependentReader)
{
    std::string path = debianBook();
    if (path.empty())
        GTEST_SKIP() << "gnuchess-book is not installed";
    CRawBook raw{fileBytes(path)};
    std::string error;
    ASSERT_TRUE(theBooks().open(COpeningBooks::SECONDARY, path, error)) << error;
    CBook& book = *theBooks().openBook(COpeningBooks::SECONDARY);
    EXPECT_TRUE(book.storesWeights());
    EXPECT_EQ(book.positionCount(), raw.bytes.size() / 16);

    PgnLexer lexer;
    ASSERT_TRUE(openPgnFile(lexer, std::string(VEKRAN_TEST_DATA) + "/pgn/pgn-parser-twic-01-232games.pgn", "twic",
                            {}, error));
    CGame record;
    int games = 0, hits = 0, castles = 0, skipped = 0;
    while (loadPgnGame(lexer, record, error))
    {
        ++games;
        for (const GameEntry& played : record.entries())
        {
            const CPosition& position = played.position;
            std::vector<std::pair<Move, uint16_t>> expected;
            for (const auto& found : raw.lookup(polyglotKey(position)))
            {
                Move move = decodeMove(position, found.first);
                if (move == NO_MOVE)
                    ++skipped;
                else
                    expected.emplace_back(move, found.second);
            }
            std::vector<BookMove> moves;
            ASSERT_TRUE(book.probe(position, moves));
            ASSERT_EQ(moves.size(), expected.size()) << position.toFullFen();
            for (size_t i = 0; i < moves.size(); ++i)
            {
                EXPECT_TRUE(sameMove(moves[i].move, expected[i].first)) << position.toFullFen();
                EXPECT_EQ(moves[i].storedWeight, expected[i].second) << position.toFullFen();
                castles += isCastling(moves[i].move);
            }
            hits += !moves.empty();
        }
    }
    EXPECT_EQ(games, 232);
    // The walk must really have crossed the book, castling included.
    EXPECT_GT(hits, 1000);
    EXPECT_GT(castles, 10);
    std::printf("%d positions in the book, %d castling moves, %d entries not legal where found\n", hits, castles,
                skipped);

    // The draw walks the stored weights: a draw just past the first move's share picks the second.
    CPosition start;
    std::vector<std::pair<uint16_t, uint16_t>> first = raw.lookup(polyglotKey(start));
    ASSERT_GE(first.size(), 2u);
    double total = 0.0;
    for (const auto& found : first)
        total += found.second;
    double w0 = first[0].second, w1 = first[1].second;
    theBooks().setRandomSource([=] { return uint32_t((w0 + w1 / 2) / total * 4294967296.0); });
    Move move = NO_MOVE;
    double share = 0.0;
    ASSERT_TRUE(theBooks().chooseBookMove(start, move, share));
    EXPECT_TRUE(sameMove(move, decodeMove(start, first[1].first)));
    EXPECT_DOUBLE_EQ(share, w1 / total);
}

TEST_F(PolyglotFixture, SmallBookCastlesSkipsIllegalMovesAndLists)
{
    CPosition start;
    CPosition italian = after("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4");
    // e2e4, d2d4 and e1e2 (blocked by the pawn) in the start position; e1h1 and h2h3 later.
    std::vector<std::string> entries = {entry(polyglotKey(start), 0x031c, 10), entry(polyglotKey(start), 0x02db, 30),
                                        entry(polyglotKey(start), 0x010c, 99), entry(polyglotKey(italian), 0x0107, 5),
                                        entry(polyglotKey(italian), 0x03d7, 1)};
    std::stable_sort(entries.begin(), entries.end(), [](const std::string& a, const std::string& b) {
        return a.compare(0, 8, b, 0, 8) < 0;
    });
    std::string path = bookTempPath("small.dat");  // known by its content, not its name
    std::ofstream(path, std::ios::binary) << entries[0] + entries[1] + entries[2] + entries[3] + entries[4];

    EXPECT_EQ(captureCommand(handleBook, path), "Primary book \"" + path + "\" contains 5 positions\n");
    std::vector<BookMove> moves;
    ASSERT_TRUE(theBooks().openBook(COpeningBooks::PRIMARY)->probe(italian, moves));
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moveToCoordinate(moves[0].move) + moveToCoordinate(moves[1].move), "e1g1h2h3");
    EXPECT_TRUE(isCastling(moves[0].move));
    EXPECT_EQ(captureCommand(handleBk, ""),
              " Primary book file contains 5 positions\n"
              " Polyglot book: the weights are the book's own\n"
              "    Move     Games   White%   Bias     Weight      Prob%   Flags\n"
              " -------   -------   ------   ----   --------   --------   --------------------\n"
              "      e4         -        -      -       10.0    25.000%   \n"
              "      d4         -        -      -       30.0    75.000%   \n");
    EXPECT_EQ(captureCommand(handleBset, "threshold 1"),
              " Primary book is a Polyglot book: it is read-only and has no parameters\n");

    // A file cut short under the open book gives no candidates, not garbage.
    std::filesystem::resize_file(path, 8);
    EXPECT_FALSE(theBooks().openBook(COpeningBooks::PRIMARY)->probe(start, moves));
    EXPECT_EQ(captureCommand(handleBk, ""), " No book is open\n");
}

TEST_F(PolyglotFixture, DamagedFilesAreRefused)
{
    std::string good = entry(1, 0x031c, 1) + entry(2, 0x031c, 1);
    const struct
    {
        const char* name;
        std::string bytes;
        const char* reason;
    } CASES[] = {
        {"empty.bin", "", "Polyglot book file is empty"},
        {"cut.bin", good + "1234567",
         "Polyglot book file is truncated: 39 bytes are not a whole number of 16-byte entries"},
        {"unsorted.bin", entry(2, 0x031c, 1) + entry(1, 0x031c, 1),
         "Polyglot book file is damaged: keys out of order at entry 1"},
        {"zeros.bin", std::string(64, '\0'), "Polyglot book file is damaged: no possible move at entry 0"},
        {"text.bin", "this is not an opening book file", "Polyglot book file is damaged: no possible move at entry 0"},
        {"promotion.bin", entry(1, 0x431c, 1), "Polyglot book file is damaged: no possible move at entry 0"},
        // Other names keep the hash book's texts.
        {"text.dat", "this is not an opening book file", "Failed to read file header"},
        {"short.hbk", std::string(300, 'x'), "File is not a VEK Hash Book"},
    };
    for (const auto& c : CASES)
    {
        std::string path = bookTempPath(c.name);
        std::ofstream(path, std::ios::binary) << c.bytes;
        EXPECT_EQ(captureCommand(handleBook, path),
                  "Failed to open Primary book \"" + path + "\"\n" + std::string(c.reason) + "\n");
        EXPECT_EQ(theBooks().openBook(COpeningBooks::PRIMARY), nullptr);
        EXPECT_EQ(captureCommand(handleBk, ""), " No book is open\n");
    }
}

TEST(PolyglotEngine, StartupBookListsAndPlays)
{
    std::string path = debianBook();
    if (path.empty())
        GTEST_SKIP() << "gnuchess-book is not installed";
    std::string dir = CEngineProcess::makeTempDir();
    CEngineProcess engine;
    ASSERT_TRUE(engine.start({"-book", path}, dir));
    ASSERT_TRUE(engine.waitFor("Primary book \"" + path + "\" contains 180358 positions\n"));
    engine.send("bk");
    ASSERT_TRUE(engine.waitFor(fileBytes(DATA + "gnuchess-book-start-bk.txt"))) << engine.pending();
    engine.send("xboard");
    engine.send("new");
    engine.send("go");
    ASSERT_TRUE(engine.waitFor("move ", 20));
    ASSERT_TRUE(engine.waitFor("\n", 5));
    std::string played = engine.consumed();
    bool inBook = false;
    CPosition start;
    for (const auto& found : CRawBook{fileBytes(path)}.lookup(polyglotKey(start)))
        inBook |= moveToCoordinate(decodeMove(start, found.first)) + "\n" == played;
    EXPECT_TRUE(inBook) << played;
    engine.closeInput();
    EXPECT_EQ(engine.waitExit(20), 0);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

// FEN reading and writing of CPosition, its keys and material, and random or mutated FEN
// and move texts: no crash, rejected input changes nothing, accepted input stays consistent.
#include <gtest/gtest.h>

#include <random>

#include "support/helpers.h"

namespace
{
const char* START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Every field of two positions, compared through their public interface.
void expectSamePosition(const CPosition& a, const CPosition& b)
{
    EXPECT_EQ(a.toFullFen(), b.toFullFen());
    EXPECT_EQ(a.whiteKingSquare(), b.whiteKingSquare());
    EXPECT_EQ(a.blackKingSquare(), b.blackKingSquare());
    EXPECT_EQ(a.hashKey(), b.hashKey());
    EXPECT_EQ(a.material(WHITE), b.material(WHITE));
    EXPECT_EQ(a.material(BLACK), b.material(BLACK));
}

// The FENs of one kind in the table of odd FEN texts.
std::vector<std::string> fensOfKind(const std::string& kind)
{
    std::vector<std::string> fens;
    for (const auto& row : dataRows("board/fens.txt"))
        if (row.at(0) == kind)
            fens.push_back(row.at(1));
    EXPECT_FALSE(fens.empty()) << kind;
    return fens;
}
}  // namespace

TEST(PositionFen, TestFilePositionsRoundTrip)
{
    CPosition start = positionFromFen(START_FEN);
    EXPECT_EQ(start.toFullFen(), START_FEN);
    EXPECT_TRUE(start.isStartPosition());
    expectSamePosition(start, CPosition());
    int count = 0;
    for (const char* file : {"perft/cpw-six-positions.epd", "perft/tricky-movegen.epd", "epd/wac.epd",
                             "epd/bratko-kopec.epd", "epd/kaufman.epd"})
    {
        std::ifstream in(testData(file));
        for (std::string line; std::getline(in, line);)
        {
            // The first four fields; some EPD lines carry odd fields ("- -1 12") that are read past.
            std::vector<std::string> words = splitWords(line.substr(0, line.find(';')));
            if (words.size() < 4)
                continue;
            const std::string fen = words[0] + " " + words[1] + " " + words[2] + " " + words[3];
            CPosition position, again;
            ASSERT_TRUE(position.setFromFen(fen)) << fen;
            if (std::string(file).find("perft") == 0)  // clean files with real en-passant squares
            {
                EXPECT_EQ(position.toFen(), fen);
            }
            ASSERT_TRUE(again.setFromFen(position.toFullFen()));
            expectSamePosition(position, again);
            EXPECT_EQ(position.hashKey(), position.computeHashKey());
            EXPECT_EQ(position.material(WHITE), position.materialOf(WHITE));
            ++count;
        }
    }
    EXPECT_GT(count, 350);
}

TEST(PositionFen, MalformedTextIsRefusedTolerantFormsAreRead)
{
    const char* keep = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 7";
    for (const std::string& fen : fensOfKind("bad"))
    {
        CPosition position = positionFromFen(keep);
        EXPECT_FALSE(position.setFromFen(fen)) << fen;
        expectSamePosition(position, positionFromFen(keep));
    }
    // Short ranks, upper-case side, missing trailing fields, extra blanks and trailing text.
    CPosition p;
    ASSERT_TRUE(p.setFromFen("7k/8/8/8/8/8/8/K w"));
    EXPECT_EQ(p.toFullFen(), "7k/8/8/8/8/8/8/K7 w - - 0 1");
    ASSERT_TRUE(p.setFromFen("  4k3/8/8/8/8/8/8/4K3   W   -   -   12   40  bm e4; id \"x\";"));
    EXPECT_EQ(p.toFullFen(), "4k3/8/8/8/8/8/8/4K3 w - - 0 40");
    ASSERT_TRUE(p.setFromFen("4k3/8/8/8/8/8/8/4K3 b - - 5 0"));
    EXPECT_EQ(p.toFullFen(), "4k3/8/8/8/8/8/8/4K3 b - - 0 1");  // the clock counts only with a history
    // Positions no game reaches are still read; sixteen white pieces are fine.
    for (const char* odd : {"P3k3/8/8/8/8/8/8/4K2p w - - 0 1", "4k3/4Q3/8/8/8/8/8/4K3 w - - 0 1",
                            "QQQQQQQk/QQQQQQQQ/8/8/8/8/8/7K w - - 0 1"})
        EXPECT_TRUE(p.setFromFen(odd)) << odd;
    EXPECT_EQ(p.material(WHITE), 15 * 9);
    // A huge move number is capped, never overflowing as the game goes on.
    ASSERT_TRUE(p.setFromFen("4k3/8/8/8/8/8/8/4K3 b - - 0 99999999999999999999"));
    p.makeMove(makeMoveWord(60, 59, KING));
    EXPECT_GT(p.moveNumber(), 1000000);
    ASSERT_TRUE(p.setFromFen("RNBKQBNR/PPPPPPPP/8/8/8/8/pppppppp/rnbkqbnr w - - 0 1"));
    EXPECT_TRUE(p.isRotatedStartPosition());
    EXPECT_FALSE(p.isStartPosition());
    ASSERT_TRUE(p.setFromFen("RNBKQBNR/PPPPPPPP/8/8/8/8/pppppppp/rnbkqbnr b - - 0 1"));
    EXPECT_FALSE(p.isRotatedStartPosition());
    EXPECT_FALSE(CPosition().isRotatedStartPosition());
    EXPECT_FALSE(positionFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQk - 0 1").isStartPosition());
}

TEST(PositionFen, EnPassantSquareKeptOnlyWhenAPawnJustPassedIt)
{
    EXPECT_EQ(positionFromFen("rnbqkb1r/ppppp1pp/7n/4Pp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3").epSquareText(), "f6");
    EXPECT_EQ(positionFromFen("4k3/8/8/8/4Pp2/8/8/4K3 b - e3 0 1").epSquare(), 20);
    for (const std::string& fen : fensOfKind("implausible"))
    {
        CPosition p = positionFromFen(fen);
        EXPECT_EQ(p.epSquare(), NO_SQUARE) << fen;
        CMoveList moves;
        p.generateLegal(moves);
        for (Move m : moves)
            EXPECT_FALSE(isEnPassant(m)) << fen;
    }
}

namespace
{
const std::vector<std::string> SEEDS = {
    START_FEN,
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "rnbqkb1r/ppppp1pp/7n/4Pp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "4k3/8/8/8/4Pp2/8/8/4K3 b - e3 0 1",
    "QQQQQQQk/QQQQQQQQ/8/8/8/8/8/7K w - - 0 1",
    "P3k3/8/8/8/8/8/8/4K2p w - - 0 1",
};
const std::string ALPHABET = "pnbrqkPNBRQK12345678/ -wbKQkqa-h09x=+#Oo\t";

std::string mutate(std::string text, std::mt19937& rng)
{
    for (int i = 0, edits = 1 + int(rng() % 4); i < edits; ++i)
    {
        const size_t pos = text.empty() ? 0 : rng() % text.size();
        const int kind = text.empty() ? 1 : int(rng() % 5);
        if (kind == 0)
            text[pos] = ALPHABET[rng() % ALPHABET.size()];
        else if (kind == 1)
            text.insert(pos, 1, ALPHABET[rng() % ALPHABET.size()]);
        else if (kind == 2)
            text.erase(pos, 1 + rng() % 3);
        else if (kind == 3)
            text.insert(pos, 1, char(rng() % 256));  // any byte, NUL included
        else
            std::swap(text[pos], text[rng() % text.size()]);
    }
    return text;
}

std::string randomBytes(std::mt19937& rng, size_t maxLength)
{
    std::string text(rng() % (maxLength + 1), '\0');
    for (char& c : text)
        c = rng() % 2 ? ALPHABET[rng() % ALPHABET.size()] : char(rng() % 256);
    return text;
}

// Checks a position the reader accepted, however odd, one ply deep.
void checkAccepted(const CPosition& p, const std::string& fen)
{
    ASSERT_EQ(p.hashKey(), p.computeHashKey()) << fen;
    CPosition again;
    ASSERT_TRUE(again.setFromFen(p.toFullFen())) << fen;
    ASSERT_EQ(again.toFullFen(), p.toFullFen());
    ASSERT_EQ(again.hashKey(), p.hashKey());
    if (p.epSquare() != NO_SQUARE)  // any square kept has the pawn that passed it
    {
        ASSERT_EQ(p.pieceAt(p.epSquare() + (p.sideToMove() ? -8 : 8)), p.sideToMove() ? -PAWN : PAWN) << fen;
    }
    CMoveList moves;
    p.generateLegal(moves);
    for (Move m : moves)
    {
        ASSERT_NE(moveCaptured(m), KING) << fen;
        CPosition next(p);
        next.makeMove(m);
        ASSERT_EQ(next.hashKey(), next.computeHashKey()) << fen << " " << moveToCoordinate(m);
        ASSERT_EQ(next.material(WHITE), next.materialOf(WHITE));
        ASSERT_EQ(next.material(BLACK), next.materialOf(BLACK));
        ASSERT_EQ(next.pieceAt(next.whiteKingSquare()), KING) << fen << " " << moveToCoordinate(m);
        ASSERT_EQ(next.pieceAt(next.blackKingSquare()), -KING) << fen << " " << moveToCoordinate(m);
        Move back = NO_MOVE;
        ASSERT_TRUE(p.parseMove(p.moveToSan(m), back)) << fen << " " << p.moveToSan(m);
        ASSERT_TRUE(sameMove(back, m));
    }
}
}  // namespace

TEST(PositionFuzz, RandomAndMutatedFens)
{
    std::mt19937 rng(20261206);
    int accepted = 0, rejected = 0;
    for (int i = 0; i < 20000; ++i)
    {
        std::string fen = i % 10 == 0   ? randomBytes(rng, 100)
                          : i % 10 == 1 ? std::string(1 + rng() % 5000, ALPHABET[rng() % ALPHABET.size()])
                                        : mutate(SEEDS[rng() % SEEDS.size()], rng);
        CPosition p = positionFromFen(SEEDS[1]);
        const std::string before = p.toFullFen();
        const uint64_t keyBefore = p.hashKey();
        if (p.setFromFen(fen))
        {
            ++accepted;
            checkAccepted(p, fen);
            continue;
        }
        ++rejected;
        ASSERT_EQ(p.toFullFen(), before) << fen;
        ASSERT_EQ(p.hashKey(), keyBefore);
    }
    EXPECT_GT(accepted, 1000);
    EXPECT_GT(rejected, 1000);
}

TEST(PositionFuzz, RandomAndMutatedMoveTexts)
{
    std::mt19937 rng(7);
    int accepted = 0;
    for (const std::string& fen : SEEDS)
    {
        CPosition p = positionFromFen(fen);
        CMoveList legal;
        p.generateLegal(legal);
        std::vector<std::string> texts;
        for (Move m : legal)
            texts.insert(texts.end(), {p.moveToSan(m), moveToCoordinate(m)});
        for (int i = 0; i < 3000; ++i)
        {
            std::string text =
                (i % 3 == 0 || texts.empty()) ? randomBytes(rng, 12) : mutate(texts[rng() % texts.size()], rng);
            if (i % 200 == 0)
                text = std::string(100000, 'e');
            const std::string before = p.toFullFen();
            Move m = 0xdeadbeef;
            if (p.parseMove(text, m))
            {
                ++accepted;
                ASSERT_TRUE(legal.contains(m)) << fen << " " << text;  // whatever was read is legal
            }
            else
                ASSERT_EQ(m, 0xdeadbeefu) << text;  // a failed read leaves the move alone
            ASSERT_EQ(p.toFullFen(), before);
        }
    }
    EXPECT_GT(accepted, 200);
}

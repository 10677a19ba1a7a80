// Random and mutated FEN and move texts: no crash, rejected input changes
// nothing, and every accepted position stays self-consistent.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "board/notation.h"
#include "board/position.h"

namespace
{
const std::vector<std::string> SEEDS = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
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
    const int edits = 1 + int(rng() % 4);
    for (int i = 0; i < edits; ++i)
    {
        const size_t pos = text.empty() ? 0 : rng() % text.size();
        switch (rng() % 5)
        {
        case 0:
            if (!text.empty())
                text[pos] = ALPHABET[rng() % ALPHABET.size()];
            break;
        case 1: text.insert(pos, 1, ALPHABET[rng() % ALPHABET.size()]); break;
        case 2:
            if (!text.empty())
                text.erase(pos, 1 + rng() % 3);
            break;
        case 3: text.insert(pos, 1, char(rng() % 256)); break; // any byte, NUL included
        default:
            if (!text.empty())
                std::swap(text[pos], text[rng() % text.size()]);
            break;
        }
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

// Checks a position the reader accepted, however odd, by walking two plies.
void checkAccepted(const CPosition& p, const std::string& fen)
{
    ASSERT_EQ(p.hashKey(), p.computeHashKey()) << fen;
    CPosition again;
    ASSERT_TRUE(again.setFromFen(p.toFullFen())) << fen;
    ASSERT_EQ(again.toFullFen(), p.toFullFen());
    ASSERT_EQ(again.hashKey(), p.hashKey());
    if (p.epSquare() != NO_SQUARE)
    {
        // Any square kept has the pawn that passed it.
        ASSERT_EQ(p.pieceAt(p.epSquare() + (p.sideToMove() ? -8 : 8)), p.sideToMove() ? -PAWN : PAWN) << fen;
    }
    CMoveList moves;
    p.generateLegal(moves);
    for (Move m : moves)
    {
        ASSERT_NE(moveCaptured(m), KING) << fen;
        const int victim = p.pieceAt(moveTo(m));
        ASSERT_TRUE(victim == 0 || pieceColour(victim) != pieceColour(p.pieceAt(moveFrom(m)))) << fen;
        CPosition next(p);
        next.makeMove(m);
        ASSERT_EQ(next.hashKey(), next.computeHashKey()) << fen << " " << moveToCoordinate(m);
        ASSERT_EQ(next.material(WHITE), next.materialOf(WHITE));
        ASSERT_EQ(next.material(BLACK), next.materialOf(BLACK));
        // Both kings are still on the board, where the position says they are.
        ASSERT_EQ(next.pieceAt(next.whiteKingSquare()), KING) << fen << " " << moveToCoordinate(m);
        ASSERT_EQ(next.pieceAt(next.blackKingSquare()), -KING) << fen << " " << moveToCoordinate(m);
        Move back = NO_MOVE;
        ASSERT_TRUE(p.parseMove(p.moveToSan(m), back)) << fen << " " << p.moveToSan(m);
        ASSERT_TRUE(sameMove(back, m));
        CMoveList replies;
        next.generateLegal(replies);
    }
}
} // namespace

TEST(PositionFuzz, RandomAndMutatedFens)
{
    std::mt19937 rng(20261206);
    int accepted = 0, rejected = 0;
    const std::string keep = SEEDS[1];
    for (int i = 0; i < 20000; ++i)
    {
        std::string fen;
        if (i % 10 == 0)
            fen = randomBytes(rng, 100);
        else if (i % 10 == 1)
            fen = std::string(1 + rng() % 5000, ALPHABET[rng() % ALPHABET.size()]); // long lines
        else
            fen = mutate(SEEDS[rng() % SEEDS.size()], rng);
        CPosition p;
        ASSERT_TRUE(p.setFromFen(keep));
        const std::string before = p.toFullFen();
        const uint64_t keyBefore = p.hashKey();
        if (p.setFromFen(fen))
        {
            ++accepted;
            checkAccepted(p, fen);
        }
        else
        {
            ++rejected;
            ASSERT_EQ(p.toFullFen(), before) << fen;
            ASSERT_EQ(p.hashKey(), keyBefore);
        }
    }
    // Both outcomes must have been exercised a good many times.
    EXPECT_GT(accepted, 1000);
    EXPECT_GT(rejected, 1000);
}

TEST(PositionFuzz, RandomAndMutatedMoveTexts)
{
    std::mt19937 rng(7);
    int accepted = 0;
    for (const std::string& fen : SEEDS)
    {
        CPosition p;
        ASSERT_TRUE(p.setFromFen(fen));
        CMoveList legal;
        p.generateLegal(legal);
        std::vector<std::string> texts;
        for (Move m : legal)
        {
            texts.push_back(p.moveToSan(m));
            texts.push_back(moveToCoordinate(m));
        }
        for (int i = 0; i < 3000; ++i)
        {
            std::string text = (i % 3 == 0 || texts.empty()) ? randomBytes(rng, 12) : mutate(texts[rng() % texts.size()], rng);
            if (i % 200 == 0)
                text = std::string(100000, 'e');
            const std::string before = p.toFullFen();
            Move m = 0xdeadbeef;
            if (p.parseMove(text, m))
            {
                ++accepted;
                // Whatever was read is one of the legal moves.
                bool found = false;
                for (Move l : legal)
                    found = found || l == m;
                ASSERT_TRUE(found) << fen << " " << text;
            }
            else
                ASSERT_EQ(m, 0xdeadbeefu) << text; // a failed read leaves the move alone
            ASSERT_EQ(p.toFullFen(), before);
        }
    }
    EXPECT_GT(accepted, 200);
}

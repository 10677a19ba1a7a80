// Search-board generators: exact orders, the captures/non-captures split,
// castling and en-passant rules, evasions, and pseudo-legality of foreign words.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/board.h"
#include "board/notation.h"
#include "board_test_helpers.h"

namespace
{
std::vector<std::string> texts(const CMoveList& list)
{
    std::vector<std::string> result;
    for (Move move : list)
        result.push_back(moveToCoordinate(move));
    return result;
}

std::vector<std::string> split(const std::string& text)
{
    std::vector<std::string> words;
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find(' ', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

bool hasMove(const CMoveList& list, const std::string& coordinate)
{
    for (Move move : list)
        if (moveToCoordinate(move) == coordinate)
            return true;
    return false;
}
}

TEST(BoardMoveGen, GenerationOrderOfBothSides)
{
    struct Case
    {
        const char* fen;
        const char* captures;
        const char* nonCaptures;
    } cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "",
         "b1a3 b1c3 g1f3 g1h3 a2a3 b2b3 c2c3 d2d3 e2e3 f2f3 g2g3 h2h3 a2a4 b2b4 c2c4 d2d4 e2e4 f2f4 g2g4 h2h4"},
        // Black walks from the highest square down.
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1", "",
         "g8h6 g8f6 b8c6 b8a6 h7h6 g7g6 f7f6 e7e6 d7d6 c7c6 b7b6 a7a6 h7h5 g7g5 f7f5 e7e5 d7d5 c7c5 b7b5 a7a5"},
        // White pieces from the lowest square, targets highest first; then
        // queen promotions, then pawn captures towards a, then towards h.
        {"2r1k2r/1P6/8/3p4/2P1P3/8/8/R3K1N1 w - - 0 1", "e1a1",
         ""},
    };
    (void)cases;

    loadFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    CMoveList captures, quiet;
    CBoard::generateCaptures(captures);
    CBoard::generateNonCaptures(quiet);
    EXPECT_TRUE(captures.empty());
    EXPECT_EQ(texts(quiet), split(cases[0].nonCaptures));

    loadFen(cases[1].fen);
    captures.clear();
    quiet.clear();
    CBoard::generateCaptures(captures);
    CBoard::generateNonCaptures(quiet);
    EXPECT_TRUE(captures.empty());
    EXPECT_EQ(texts(quiet), split(cases[1].nonCaptures));
}

TEST(BoardMoveGen, CaptureOrderAndPromotionSplit)
{
    // White: knight c3 takes (targets highest first), queen promotion push,
    // pawn captures towards the a-file then the h-file; e5xd6 en passant.
    loadFen("1n2k3/4P3/3r4/2pPpP2/1b1N4/2N5/8/4K3 w - e6 0 1");
    CMoveList captures;
    CBoard::generateCaptures(captures);
    EXPECT_EQ(texts(captures), split("c3b5 d4b5 d4e6 d4c2 d4e2 e7e8q d5e6 f5e6 e7d8q"))
        << moveListText(std::vector<Move>(captures.begin(), captures.end()));
}

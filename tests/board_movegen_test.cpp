// Search-board generators: what the tree walk cannot see (exact orders, the
// captures/non-captures split, pseudo-legal castling, evasion order, checker order,
// the sorted root list) and pseudo-legality of chosen foreign words.
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
}

TEST(BoardMoveGen, ExactOrderOfCapturesAndNonCaptures)
{
    struct { const char* fen; const char* captures; const char* nonCaptures; } cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "",
         "b1a3 b1c3 g1f3 g1h3 a2a3 b2b3 c2c3 d2d3 e2e3 f2f3 g2g3 h2h3 a2a4 b2b4 c2c4 d2d4 e2e4 f2f4 g2g4 h2h4"},
        // Black walks its pieces and targets from the highest square down.
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1", "",
         "g8h6 g8f6 b8c6 b8a6 h7h6 g7g6 f7f6 e7e6 d7d6 c7c6 b7b6 a7a6 h7h5 g7g5 f7f5 e7e5 d7d5 c7c5 b7b5 a7a5"},
        // Piece captures (white: targets highest first), the queen promotion
        // push, pawn captures towards a then towards h (en passant included);
        // under-promotions go with the non-captures.
        {"r3k3/1P6/8/1n1pP3/8/2N5/8/4K3 w - d6 0 1", "c3d5 c3b5 b7b8q e5d6 b7a8q",
         "c3b1 c3d1 c3a2 c3e2 c3a4 c3e4 e1d1 e1f1 e1d2 e1e2 e1f2 b7b8r b7b8b b7b8n b7a8r b7a8b b7a8n e5e6"},
        // The same position mirrored, black to move.
        {"4k3/8/2n5/8/1N1Pp3/8/1p6/R3K3 b - d3 0 1", "c6b4 c6d4 b2b1q e4d3 b2a1q",
         "c6d8 c6b8 c6e7 c6a7 c6e5 c6a5 e8f8 e8d8 e8f7 e8e7 e8d7 b2b1r b2b1b b2b1n b2a1r b2a1b b2a1n e4e3"},
    };
    for (const auto& c : cases)
    {
        loadFen(c.fen);
        CMoveList captures, quiet;
        CBoard::generateCaptures(captures);
        CBoard::generateNonCaptures(quiet);
        EXPECT_EQ(texts(captures), splitWords(c.captures)) << c.fen;
        EXPECT_EQ(texts(quiet), splitWords(c.nonCaptures)) << c.fen;
    }
    // Word details: en passant and promotions carry the special bit and the right fields.
    loadFen(cases[2].fen);
    EXPECT_EQ(boardMove("e5d6"), makeMoveWord(36, 43, PAWN, PAWN, 0, true));
    EXPECT_EQ(boardMove("b7a8q"), makeMoveWord(49, 56, PAWN, ROOK, QUEEN, true));
}

// Which castlings the pseudo-legal generator offers (legal lists are the walk's business),
// and the foreign-word check agreeing with it.
TEST(BoardMoveGen, CastlingRules)
{
    struct { const char* fen; bool kingSide, queenSide; } cases[] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", true, true},
        {"r3kr2/8/8/8/8/8/8/R3K2R w KQq - 0 1", false, true},      // f1 attacked
        {"1r2k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", true, true},        // only b1 attacked: fine
        {"r3k2r/8/8/8/8/8/3b4/R3K2R w KQkq - 0 1", false, false},  // in check
        {"r3k1r1/8/8/8/8/8/8/R3K2R w KQq - 0 1", true, true},      // into an attacked g1: left to legality
        {"r3k2r/8/8/8/8/8/8/R3KN1R w KQkq - 0 1", false, true},    // f1 occupied
        {"r3k2r/8/8/8/8/8/8/R3K2R b Qkq - 0 1", true, true},       // black to move
    };
    for (const auto& c : cases)
    {
        loadFen(c.fen);
        const int home = CBoard::sideToMove() == WHITE ? 4 : 60;
        const Move kingSide = makeMoveWord(home, home + 2, KING, 0, 0, true);
        const Move queenSide = makeMoveWord(home, home - 2, KING, 0, 0, true);
        CMoveList quiet;
        CBoard::generateNonCaptures(quiet);
        EXPECT_EQ(quiet.contains(kingSide), c.kingSide) << c.fen;
        EXPECT_EQ(quiet.contains(queenSide), c.queenSide) << c.fen;
        EXPECT_EQ(CBoard::isPseudoLegal(kingSide), c.kingSide) << c.fen;
        EXPECT_EQ(CBoard::isPseudoLegal(queenSide), c.queenSide) << c.fen;
    }
}

TEST(BoardMoveGen, EvasionsInExactOrder)
{
    struct { const char* fen; const char* evasions; } cases[] = {
        // Knight check: king steps (d2 is covered) and the capture of the knight only.
        {"4k3/8/8/8/8/5n2/6B1/R3K2R w KQ - 0 1", "e1d1 e1f1 e1e2 e1f2 g2f3"},
        // A pawn that just stepped two squares gives check: en passant removes it.
        {"8/8/8/3pP3/4K3/8/8/7k w - d6 0 1", "e4d3 e4e3 e4f3 e4d4 e4f4 e4d5 e4f5 e5d6"},
        // Rook check along the rank: blocks, the capture, and four promotions on the block square.
        {"3r2k1/4P3/8/8/8/8/1N6/3K4 w - - 0 1", "d1c1 d1e1 d1c2 d1e2 b2d3 e7d8q e7d8r e7d8b e7d8n"},
        // Black in check from a bishop: king steps off the diagonal, then the
        // knight's two blocks (d7 stays covered with the king lifted off).
        {"1n2k3/8/8/1B6/8/8/8/4K3 b - - 0 1", "e8e7 e8f7 e8d8 e8f8 b8c6 b8d7"},
    };
    for (const auto& c : cases)
    {
        loadFen(c.fen);
        ASSERT_TRUE(CBoard::isInCheck(CBoard::sideToMove())) << c.fen;
        CMoveList evasions;
        CBoard::generateEvasions(evasions);
        EXPECT_EQ(texts(evasions), splitWords(c.evasions)) << c.fen;
    }
    // Not in check, or the side not to move in check: nothing.
    loadFen("4k3/8/8/8/8/8/8/4K2R w - - 0 1");
    CMoveList none;
    CBoard::generateEvasions(none);
    EXPECT_TRUE(none.empty());
    loadFen("4k3/8/8/8/8/8/8/4R1K1 b - - 0 1");
    CBoard::makeNullMove();  // white to move while the black king stands in check
    CBoard::generateEvasions(none);
    EXPECT_TRUE(none.empty());
    CBoard::unmakeNullMove();
}

// Pins are compared with a brute-force search by the walk; these are the queries it leaves open.
TEST(BoardMoveGen, CheckerAndAttackQueries)
{
    // Checkers are found in the order pawns, knights, diagonals, lines.
    struct { const char* fen; int checker; } cases[] = {
        {"4k3/8/8/8/8/3p4/4K3/6n1 w - - 0 1", 19},  // the d3 pawn before the g1 knight
        {"4k3/8/8/8/1b6/8/8/r3K3 w - - 0 1", 25},   // the b4 bishop before the a1 rook
        {"4k3/8/8/8/8/8/8/r3K2q w - - 0 1", 0},     // two on the rank: the lowest square
    };
    for (const auto& c : cases)
    {
        loadFen(c.fen);
        EXPECT_EQ(CBoard::findChecker(WHITE), c.checker) << c.fen;
    }
    // attacksFrom: pawns push and capture (en passant included), off-board squares give nothing.
    loadFen("4k3/8/8/3pP3/8/8/4P3/4K3 w - d6 0 1");
    EXPECT_EQ(CBoard::attacksFrom(36), (Bitboard(1) << 44) | (Bitboard(1) << 43));
    EXPECT_EQ(CBoard::attacksFrom(12), (Bitboard(1) << 20) | (Bitboard(1) << 28));
    EXPECT_EQ(CBoard::attacksFrom(20), 0u);
    EXPECT_EQ(CBoard::attacksFrom(-1), 0u);
    EXPECT_EQ(CBoard::attacksFrom(64), 0u);
}

// The walk offers random and bit-flipped words; these are the near misses worth naming.
TEST(BoardMoveGen, PseudoLegalityOfForeignWords)
{
    loadFen("r3k2r/1P6/8/3pP3/8/2N5/8/R3K2R w KQkq d6 0 1");
    struct { Move move; bool accepted; const char* what; } cases[] = {
        {makeMoveWord(18, 35, KNIGHT, 0), false, "Nxd5 without its victim"},
        {makeMoveWord(18, 35, BISHOP, PAWN), false, "wrong piece type"},
        {makeMoveWord(18, 36, KNIGHT), false, "knight to an own piece / off its pattern"},
        {makeMoveWord(36, 43, PAWN, PAWN, 0, true), true, "en passant"},
        {makeMoveWord(36, 43, PAWN, 0), false, "diagonal step onto the empty en-passant square without capture"},
        {makeMoveWord(36, 52, PAWN), false, "double push from the fifth rank"},
        {makeMoveWord(49, 57, PAWN, 0, 0), false, "pawn to the last rank without promotion"},
        {makeMoveWord(49, 57, PAWN, 0, KING, true), false, "promotion to a king"},
        {makeMoveWord(36, 44, PAWN, 0, QUEEN, true), false, "promotion off the last rank"},
        {makeMoveWord(4, 2, KING), true, "castling without the special bit"},
        {makeMoveWord(0, 8, ROOK, 0, QUEEN), false, "rook word with a promotion"},
        {makeMoveWord(60, 52, KING), false, "black piece with white to move"},
        {makeMoveWord(20, 28, PAWN), false, "from an empty square"},
        {makeMoveWord(0, 4, ROOK, KING), false, "own king as victim"},
        {makeMoveWord(7, 7, ROOK), false, "null step"},
        {makeMoveWord(0, 3, ROOK) | (1u << 19), false, "reserved bit"},
        {NO_MOVE, false, "no move"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CBoard::isPseudoLegal(c.move), c.accepted) << c.what;

    // Capturing the king is never accepted, even when the position allows it.
    loadFen("4k3/8/8/8/8/8/8/4R1K1 w - - 0 1");
    EXPECT_FALSE(CBoard::isPseudoLegal(makeMoveWord(4, 60, ROOK, KING)));
}

TEST(BoardMoveGen, SortedRootListPutsChecksAndGoodCapturesFirst)
{
    // Qxd5 wins a queen (worth more than a check), then the checking moves, then the
    // rest; equal scores keep the generation order.
    loadFen("4k3/8/8/3q4/8/8/3Q4/K6R w - - 0 1");
    CMoveList sorted, legal;
    CBoard::generateSortedLegalMoves(sorted);
    CBoard::generateLegalMoves(legal);
    EXPECT_EQ(sortedWords(sorted), sortedWords(legal));
    EXPECT_EQ(moveToCoordinate(sorted[0]), "d2d5");
    auto givesCheck = [](Move move) {
        CBoard::makeMove(move);
        bool check = CBoard::isInCheck(CBoard::sideToMove());
        CBoard::unmakeMove();
        return check;
    };
    std::vector<Move> quietInSorted, quietInLegal;
    bool quietSeen = false;
    for (Move move : sorted)
    {
        if (isCapture(move))
            continue;
        const bool check = givesCheck(move);
        EXPECT_FALSE(check && quietSeen) << moveToCoordinate(move);
        quietSeen = quietSeen || !check;
        if (!check)
            quietInSorted.push_back(move);
    }
    for (Move move : legal)
        if (!isCapture(move) && !givesCheck(move))
            quietInLegal.push_back(move);
    EXPECT_EQ(quietInSorted, quietInLegal);
}

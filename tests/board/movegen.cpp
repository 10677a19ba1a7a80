// Search-board generators: what the tree walk cannot see (pseudo-legal castling, the order
// in which checkers are found, attacks of odd squares). Generation order shows in the search
// node signature (search_test), legality and foreign words in the walk.
#include <gtest/gtest.h>

#include "support/helpers.h"

// Which castlings the pseudo-legal generator offers (legal lists are the walk's business),
// and the foreign-word check agreeing with it.
TEST(BoardMoveGen, CastlingRules)
{
    const std::tuple<const char*, bool, bool> cases[] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", true, true},
        {"r3kr2/8/8/8/8/8/8/R3K2R w KQq - 0 1", false, true},      // f1 attacked
        {"1r2k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", true, true},        // only b1 attacked: fine
        {"r3k2r/8/8/8/8/8/3b4/R3K2R w KQkq - 0 1", false, false},  // in check
        {"r3k1r1/8/8/8/8/8/8/R3K2R w KQq - 0 1", true, true},      // into an attacked g1: left to legality
        {"r3k2r/8/8/8/8/8/8/R3KN1R w KQkq - 0 1", false, true},    // f1 occupied
        {"r3k2r/8/8/8/8/8/8/R3K2R b Qkq - 0 1", true, true},       // black to move
    };
    for (const auto& [fen, canKing, canQueen] : cases)
    {
        loadFen(fen);
        const int home = CBoard::sideToMove() == WHITE ? 4 : 60;
        const Move kingSide = makeMoveWord(home, home + 2, KING, 0, 0, true);
        const Move queenSide = makeMoveWord(home, home - 2, KING, 0, 0, true);
        CMoveList quiet;
        CBoard::generateNonCaptures(quiet);
        EXPECT_EQ(quiet.contains(kingSide), canKing) << fen;
        EXPECT_EQ(quiet.contains(queenSide), canQueen) << fen;
        EXPECT_EQ(CBoard::isPseudoLegal(kingSide), canKing) << fen;
        EXPECT_EQ(CBoard::isPseudoLegal(queenSide), canQueen) << fen;
    }
}

// Pins are compared with a brute-force search by the walk; these are the queries it leaves open.
TEST(BoardMoveGen, CheckerAndAttackQueries)
{
    // Checkers are found in the order pawns, knights, diagonals, lines.
    const std::pair<const char*, int> cases[] = {
        {"4k3/8/8/8/8/3p4/4K3/6n1 w - - 0 1", 19},  // the d3 pawn before the g1 knight
        {"4k3/8/8/8/1b6/8/8/r3K3 w - - 0 1", 25},   // the b4 bishop before the a1 rook
        {"4k3/8/8/8/8/8/8/r3K2q w - - 0 1", 0},     // two on the rank: the lowest square
    };
    for (const auto& [fen, checker] : cases)
    {
        loadFen(fen);
        EXPECT_EQ(CBoard::findChecker(WHITE), checker) << fen;
    }
    // attacksFrom: pawns push and capture (en passant included), off-board squares give nothing.
    loadFen("4k3/8/8/3pP3/8/8/4P3/4K3 w - d6 0 1");
    EXPECT_EQ(CBoard::attacksFrom(36), (Bitboard(1) << 44) | (Bitboard(1) << 43));
    EXPECT_EQ(CBoard::attacksFrom(12), (Bitboard(1) << 20) | (Bitboard(1) << 28));
    EXPECT_EQ(CBoard::attacksFrom(20), 0u);
    EXPECT_EQ(CBoard::attacksFrom(-1), 0u);
    EXPECT_EQ(CBoard::attacksFrom(64), 0u);
}

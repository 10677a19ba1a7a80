// The derived tests on move words that the generators' round trips do not pin down.
#include <gtest/gtest.h>

#include "board/types.h"

TEST(MoveWord, DerivedTests)
{
    EXPECT_TRUE(isEnPassant(makeMoveWord(36, 43, PAWN, PAWN, 0, true)));
    EXPECT_FALSE(isEnPassant(makeMoveWord(36, 43, PAWN, KNIGHT)));
    EXPECT_FALSE(isEnPassant(makeMoveWord(52, 59, PAWN, ROOK, QUEEN, true)));
    // Castling is recognised by the king's two-file step, with or without the special bit.
    EXPECT_TRUE(isCastling(makeMoveWord(60, 58, KING)));
    EXPECT_FALSE(isCastling(makeMoveWord(4, 5, KING)));
    EXPECT_TRUE(sameMove(makeMoveWord(4, 6, KING, 0, 0, true), makeMoveWord(4, 6, KING)));
    EXPECT_FALSE(sameMove(makeMoveWord(52, 60, PAWN, 0, QUEEN, true), makeMoveWord(52, 60, PAWN, 0, KNIGHT, true)));
}

#include <gtest/gtest.h>

#include "board/types.h"

TEST(MoveWord, FieldsRoundTripAndDerivedTests)
{
    // e7xd8=Q capturing a rook.
    Move m = makeMoveWord(52, 59, PAWN, ROOK, QUEEN, true);
    EXPECT_EQ(moveFrom(m), 52);
    EXPECT_EQ(moveTo(m), 59);
    EXPECT_EQ(movePiece(m), PAWN);
    EXPECT_EQ(moveCaptured(m), ROOK);
    EXPECT_EQ(movePromotion(m), QUEEN);
    EXPECT_TRUE(isCapture(m));
    EXPECT_TRUE(isPromotion(m));
    EXPECT_FALSE(isEnPassant(m));
    EXPECT_TRUE(isEnPassant(makeMoveWord(36, 43, PAWN, PAWN, 0, true)));
    EXPECT_FALSE(isEnPassant(makeMoveWord(36, 43, PAWN, KNIGHT)));
    // Castling is recognised by the king's two-file step, with or without the special bit.
    EXPECT_TRUE(isCastling(makeMoveWord(4, 6, KING, 0, 0, true)));
    EXPECT_TRUE(isCastling(makeMoveWord(60, 58, KING)));
    EXPECT_FALSE(isCastling(makeMoveWord(4, 5, KING)));
    EXPECT_TRUE(sameMove(makeMoveWord(4, 6, KING, 0, 0, true), makeMoveWord(4, 6, KING)));
    EXPECT_FALSE(sameMove(makeMoveWord(52, 60, PAWN, 0, QUEEN, true), makeMoveWord(52, 60, PAWN, 0, KNIGHT, true)));
}

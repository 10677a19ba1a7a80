// The two board forms agree: along random games from the perft positions, the
// search board loaded from a CPosition has the same key, the same legal moves
// and the same check status, and storing it back gives the same position.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/notation.h"
#include "board/position.h"
#include "board_test_helpers.h"

namespace
{
bool containsSameMove(const CMoveList& list, Move move)
{
    for (Move m : list)
        if (sameMove(m, move))
            return true;
    return false;
}
} // namespace

TEST(PositionBoardAgreement, RandomGamesFromPerftPositions)
{
    std::mt19937 rng(42);
    int positions = 0;
    for (const std::string& fen : perftFens())
    {
        for (int game = 0; game < 4; ++game)
        {
            CPosition p;
            ASSERT_TRUE(p.setFromFen(fen));
            for (int ply = 0; ply < 60; ++ply)
            {
                ASSERT_TRUE(CBoard::load(p)) << p.toFullFen();
                ASSERT_EQ(CBoard::hashKey(), p.hashKey()) << p.toFullFen();
                const int side = p.sideToMove() ? WHITE : BLACK;
                ASSERT_EQ(CBoard::isInCheck(side), p.isInCheck()) << p.toFullFen();

                CMoveList mine, theirs;
                p.generateLegal(mine);
                CBoard::generateLegalMoves(theirs);
                ASSERT_EQ(mine.size(), theirs.size()) << p.toFullFen();
                for (Move m : mine)
                    ASSERT_TRUE(containsSameMove(theirs, m)) << p.toFullFen() << " " << moveToCoordinate(m);

                CPosition stored;
                CBoard::store(stored);
                ASSERT_EQ(stored.toFen(), p.toFen());
                ASSERT_EQ(stored.hashKey(), p.hashKey());
                ++positions;
                if (mine.empty())
                    break;
                // Play the move in both forms and compare the keys once more.
                const Move move = mine[int(rng() % unsigned(mine.size()))];
                CBoard::makeMove(move);
                p.makeMove(move);
                ASSERT_EQ(CBoard::hashKey(), p.hashKey()) << p.toFullFen();
            }
        }
    }
    EXPECT_GT(positions, 5000);
}

// Evaluation symmetry test.
#include "tools/evaltest.h"

#include <cstdlib>

#include "board/board.h"
#include "board/position.h"
#include "eval/evaluate.h"
#include "base/output.h"

namespace
{
int randomCount() { return std::rand() & 7; }

// A random empty square: anywhere, or on ranks 2 to 7 for a pawn.
int emptySquare(const CPosition& position, bool pawnRanks)
{
    int square;
    do
        square = pawnRanks ? std::rand() % 48 + 8 : std::rand() & 63;
    while (position.pieceAt(square) != 0);
    return square;
}

CPosition randomPosition()
{
    CPosition position;
    position.clear();
    int whiteKing = std::rand() & 63;
    int blackKing;
    do
        blackKing = std::rand() & 63;
    while (blackKing == whiteKing);
    position.setPiece(whiteKing, KING);
    position.setPiece(blackKing, -KING);
    for (int n = randomCount(); n > 0; --n)
        position.setPiece(emptySquare(position, true), PAWN);
    for (int n = randomCount(); n > 0; --n)
        position.setPiece(emptySquare(position, true), -PAWN);
    // The square is drawn before the kind (two statements: the order in which
    // function arguments are evaluated is unspecified).
    for (int n = randomCount(); n > 0; --n)
    {
        int square = emptySquare(position, false);
        position.setPiece(square, KNIGHT + (std::rand() & 3));
    }
    for (int n = randomCount(); n > 0; --n)
    {
        int square = emptySquare(position, false);
        position.setPiece(square, -(KNIGHT + (std::rand() & 3)));
    }
    return position;
}

int scoreOf(const CPosition& position, int failed)
{
    if (!CBoard::load(position))
        return failed;
    return Evaluate(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
}

void showFailure(const CPosition& position)
{
    output("FEN %s\n", position.toFen().c_str());
    if (CBoard::load(position))
        EvaluateVerbose(-EVAL_FULL_WINDOW, EVAL_FULL_WINDOW);
}
}

CPosition mirroredPosition(const CPosition& position)
{
    CPosition mirror;
    mirror.clear();
    for (int s = 0; s < 64; ++s)
        if (position.pieceAt(s) != 0)
            mirror.setPiece(s ^ 56, -position.pieceAt(s));
    mirror.setSideToMove(position.sideToMove() ? 0 : 1);
    mirror.setCastling(CPosition::WHITE_KINGSIDE, position.castling(CPosition::BLACK_KINGSIDE));
    mirror.setCastling(CPosition::WHITE_QUEENSIDE, position.castling(CPosition::BLACK_QUEENSIDE));
    mirror.setCastling(CPosition::BLACK_KINGSIDE, position.castling(CPosition::WHITE_KINGSIDE));
    mirror.setCastling(CPosition::BLACK_QUEENSIDE, position.castling(CPosition::WHITE_QUEENSIDE));
    mirror.setEpSquare(position.epSquare() >= 0 ? position.epSquare() ^ 56 : -1);
    mirror.setHalfmoveClock(position.halfmoveClock());
    mirror.setMoveNumber(position.moveNumber());
    return mirror;
}

bool runEvaluationSymmetryTest(int iterations)
{
    for (int n = 0; n < iterations; ++n)
    {
        if (n % 1000 == 0)
            output(" %d\r", n);
        CPosition a = randomPosition();
        int scoreA = scoreOf(a, -1);
        CPosition b = mirroredPosition(a);
        int scoreB = scoreOf(b, 1);
        if (scoreA != scoreB)
        {
            showFailure(a);
            showFailure(b);
            output("Evaluation test failed (%d) %d %d\n", n, scoreA, scoreB);
            output("Evaluation test complete\n");
            return false;
        }
    }
    output("Evaluation test complete\n");
    return true;
}

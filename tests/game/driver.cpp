// The game driver in-process: game-end detection over the real game history and draw offers
// from the opponent. Result lines, resign settings and wild 5 detection are pinned by the
// golden transcript game.in / game.out.
#include "board/game.h"
#include "game/commands.h"
#include "game/driver.h"

#include <gtest/gtest.h>

#include "support/helpers.h"

namespace
{
void playMoves(const std::string& moves)
{
    for (const std::string& text : splitWords(moves))
    {
        Move move = NO_MOVE;
        ASSERT_TRUE(theGame().parseMove(text, move)) << text;
        theGame().makeMove(move);
    }
}

// Plays knight moves back and forth, marking every second half-move as an engine move with
// its score and kind.
void playScoredShuffle(const std::vector<int>& engineScores, int kind)
{
    static const char* CYCLE[4] = {"Nf3", "Nf6", "Ng1", "Ng8"};
    theGame().reset();
    for (size_t i = 0; i < engineScores.size(); ++i)
    {
        playMoves(std::string(CYCLE[(2 * i) % 4]) + " " + CYCLE[(2 * i + 1) % 4]);
        theGame().setCurrentScore(engineScores[i]);
        theGame().setCurrentKind(kind);
    }
}
}  // namespace

TEST(GameDriver, GameEndSeesRepetitionsOfTheRealGame)
{
    CCapture capture;
    const char* const UNDECIDED = " Game finished test: 0\n";
    const std::tuple<const char*, bool, const char*> cases[] = {
        {"Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1", false, UNDECIDED},
        // The eighth half-move brings the start position back for the third time.
        {"Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8", false, " Game finished test: 1\n1/2-1/2 {Draw by repetition}\n"},
        // A pawn move in between makes the earlier positions unreachable.
        {"Nf3 Nf6 Ng1 Ng8 e4 e5 Nf3 Nf6 Ng1 Ng8", false, UNDECIDED},
        // Taking a move back takes its position out of the history too.
        {"Nf3 Nf6 Ng1 Ng8 Nf3 Nf6 Ng1 Ng8", true, UNDECIDED},
    };
    for (const auto& [moves, undoLast, printed] : cases)
    {
        theGame().reset();
        playMoves(moves);
        if (undoLast)
            theGame().undo();
        EXPECT_EQ(theDriver().gameFinishedTest(), printed != UNDECIDED) << moves;
        EXPECT_EQ(capture.take(), printed) << moves;
    }
}

TEST(GameDriver, OpponentsDrawOffer)
{
    CCapture capture;
    const std::vector<int> level(8, 0);
    const std::tuple<std::vector<int>, int, const char*> cases[] = {
        // Eight engine moves at 0 or worse than a pawn down: accepted.
        {{0, 0, -1500, 0, 0, -1000, 0, 0}, MOVE_KIND_SEARCH, "draw\n"},
        // The engine thinks it is better (or only slightly worse) on a recent move: declined.
        {{0, 0, 0, 0, 0, 0, 0, 0, 300}, MOVE_KIND_SEARCH, ""},
        {{0, 0, 0, 0, 0, 0, 0, 0, -999}, MOVE_KIND_SEARCH, ""},
        // Forced moves count with their score; book and outside moves are passed over.
        {level, MOVE_KIND_FORCED, "draw\n"},
        {level, MOVE_KIND_BOOK, ""},
        // Too few scored moves: declined without a word.
        {{0, 0, 0, 0, 0, 0, 0}, MOVE_KIND_SEARCH, ""},
    };
    for (const auto& [engineScores, kind, reply] : cases)
    {
        playScoredShuffle(engineScores, kind);
        handleDraw("");
        EXPECT_EQ(capture.take(), reply) << engineScores.size() << " moves, kind " << kind;
    }
}

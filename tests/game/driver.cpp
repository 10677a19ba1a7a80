// The game driver in-process: game-end detection over the real game history and draw offers
// from the opponent. Result lines, resign settings and wild 5 detection are pinned by the
// golden transcript game.in / game.out.
#include "board/game.h"
#include "board/position.h"
#include "game/commands.h"
#include "game/driver.h"
#include "game/player.h"
#include "game/timecontrol.h"
#include "base/output.h"

#include <gtest/gtest.h>

#include "support/helpers.h"

#include <string>
#include <vector>

namespace
{
void playMoves(const std::vector<const char*>& moves)
{
    for (const char* text : moves) {
        Move move = NO_MOVE;
        ASSERT_TRUE(theGame().parseMove(text, move)) << text;
        theGame().makeMove(move);
    }
}

// Marks the record's current entry as an engine move with this score and kind.
void annotate(int score, int kind)
{
    theGame().setCurrentScore(score);
    theGame().setCurrentKind(kind);
}

// Plays knight moves back and forth, annotating every second half-move as an engine move.
void playScoredShuffle(const std::vector<int>& engineScores, int kind = MOVE_KIND_SEARCH)
{
    static const char* CYCLE[4] = {"Nf3", "Nf6", "Ng1", "Ng8"};
    theGame().reset();
    for (size_t i = 0; i < engineScores.size(); ++i) {
        playMoves({CYCLE[(2 * i) % 4]});
        playMoves({CYCLE[(2 * i + 1) % 4]});
        annotate(engineScores[i], kind);
    }
}
}  // namespace

TEST(GameDriver, GameEndSeesRepetitionsOfTheRealGame)
{
    CCapture capture;
    theGame().reset();
    playMoves({"Nf3", "Nf6", "Ng1", "Ng8", "Nf3", "Nf6", "Ng1"});
    EXPECT_FALSE(theDriver().gameFinishedTest());
    EXPECT_EQ(capture.take(), " Game finished test: 0\n");
    // The eighth half-move brings the start position back for the third time.
    playMoves({"Ng8"});
    EXPECT_TRUE(theDriver().gameFinishedTest());
    EXPECT_EQ(capture.take(), " Game finished test: 1\n1/2-1/2 {Draw by repetition}\n");

    // A pawn move in between makes the earlier positions unreachable.
    theGame().reset();
    playMoves({"Nf3", "Nf6", "Ng1", "Ng8", "e4", "e5", "Nf3", "Nf6", "Ng1", "Ng8"});
    EXPECT_FALSE(theDriver().gameFinishedTest());
    capture.take();

    // Taking a move back takes its position out of the history too.
    theGame().reset();
    playMoves({"Nf3", "Nf6", "Ng1", "Ng8", "Nf3", "Nf6", "Ng1", "Ng8"});
    theGame().undo();
    EXPECT_FALSE(theDriver().gameFinishedTest());
    capture.take();
}

TEST(GameDriver, OpponentsDrawOffer)
{
    CCapture capture;
    // Eight engine moves at 0 or worse than a pawn down: accepted.
    playScoredShuffle({0, 0, -1500, 0, 0, -1000, 0, 0});
    handleDraw("");
    EXPECT_EQ(capture.take(), "draw\n");

    // The engine thinks it is better (or only slightly worse) on a recent move: declined.
    playScoredShuffle({0, 0, 0, 0, 0, 0, 0, 0, 300});
    handleDraw("");
    EXPECT_EQ(capture.take(), "");
    playScoredShuffle({0, 0, 0, 0, 0, 0, 0, 0, -999});
    handleDraw("");
    EXPECT_EQ(capture.take(), "");

    // Forced moves count with their score; book and outside moves are passed over.
    playScoredShuffle({0, 0, 0, 0, 0, 0, 0, 0}, MOVE_KIND_FORCED);
    handleDraw("");
    EXPECT_EQ(capture.take(), "draw\n");
    playScoredShuffle({0, 0, 0, 0, 0, 0, 0, 0}, MOVE_KIND_BOOK);
    handleDraw("");
    EXPECT_EQ(capture.take(), "");

    // Too few scored moves: declined without a word.
    playScoredShuffle({0, 0, 0, 0, 0, 0, 0});
    handleDraw("");
    EXPECT_EQ(capture.take(), "");
}

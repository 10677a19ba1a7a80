// The game driver in-process: game-end detection over the real game history, draw offers from
// the opponent, resign settings, wild 5 detection and the texts of the game commands.
#include "board/game.h"
#include "board/position.h"
#include "game/commands.h"
#include "game/driver.h"
#include "game/player.h"
#include "game/timecontrol.h"
#include "shell/output.h"

#include <gtest/gtest.h>

#include "support/helpers.h"

#include <string>
#include <vector>

namespace
{
// Collects everything printed while it lives.

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

TEST(GameDriver, ResultLinesOfFinishedPositions)
{
    CCapture capture;
    struct Case
    {
        const char* fen;
        const char* lines;
    } cases[] = {
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", " Game finished test: 4\n1/2-1/2 {Stalemate}\n"},
        {"7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", " Game finished test: 5\n1-0 {White Mates}\n"},
        {"8/8/8/8/8/5k2/6q1/7K w - - 0 1", " Game finished test: 5\n0-1 {Black Mates}\n"},
        {"8/8/4k3/8/8/3K4/8/8 w - - 0 1", " Game finished test: 3\n1/2-1/2 {Insufficient material}\n"},
        {"8/8/4k3/8/8/3K4/4R3/8 w - - 10 80", " Game finished test: 0\n"},
    };
    for (const Case& c : cases) {
        CPosition position;
        ASSERT_TRUE(position.setFromFen(c.fen)) << c.fen;
        ASSERT_TRUE(theGame().setStartPosition(position)) << c.fen;
        capture.take();
        handleEndTest("");
        EXPECT_EQ(capture.take(), c.lines) << c.fen;
    }
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

TEST(GameDriver, ResignSettings)
{
    CCapture capture;
    theDriver().newGame();
    capture.take();
    handleSetResign("");
    EXPECT_EQ(capture.take(), " Resign score (for standard) set to: -6.500 pawns\n");
    handleSetResign("-3");
    EXPECT_EQ(capture.take(), " Resign score (for standard) set to: -3.000 pawns\n");
    handleSetResign("3");
    EXPECT_EQ(capture.take(), " Resign score (for standard) set to: -3.000 pawns\n");
    EXPECT_EQ(theDriver().resignThreshold(), -3000);
    handleSetResign("lots");
    EXPECT_EQ(capture.take(), " Invalid resign score: \"lots\"\n");
    EXPECT_EQ(theDriver().resignThreshold(), -3000);
    handleSetResign("nan");
    EXPECT_EQ(theDriver().resignThreshold(), -3000);
    capture.take();
    handleSetResign("0");
    EXPECT_EQ(capture.take(), " Resign score (for standard) set to: 0.000 pawns (DISABLED)\n");

    // A wild 5 start makes its own threshold current; setresign then changes that one only.
    CPosition rotated;
    ASSERT_TRUE(rotated.setFromFen("RNBKQBNR/PPPPPPPP/8/8/8/8/pppppppp/rnbkqbnr w - - 0 1"));
    theDriver().detectWild5(rotated);
    EXPECT_EQ(capture.take(), " Detected wild/5 game... resign score set to -25\n");
    EXPECT_TRUE(theDriver().wild5());
    handleSetResign("-20");
    EXPECT_EQ(capture.take(), " Resign score (for wild 5) set to: -20.000 pawns\n");
    theDriver().detectWild5(CPosition());
    EXPECT_FALSE(theDriver().wild5());
    EXPECT_EQ(theDriver().resignThreshold(), 0);
    EXPECT_EQ(capture.take(), "");
    theDriver().detectWild5(rotated);
    EXPECT_EQ(theDriver().resignThreshold(), -20000);
    capture.take();

    // A new game keeps the thresholds but goes back to the standard one.
    handleSetResign("6.5");
    theDriver().newGame();
    EXPECT_FALSE(theDriver().wild5());
    EXPECT_EQ(theDriver().resignThreshold(), 0);
    handleSetResign("6.5");
    EXPECT_EQ(theDriver().resignThreshold(), -6500);
}

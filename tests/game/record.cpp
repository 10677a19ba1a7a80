// The game record (undo, redo, jumps), the game file and arbitrary command arguments. The
// texts of the position commands and the board display are pinned by the golden transcript
// board.in / board.out.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "board/game.h"
#include "board/notation.h"
#include "game/commands.h"
#include "game/display.h"
#include "game/driver.h"
#include "game/gamesettings.h"
#include "support/helpers.h"

namespace
{
void play(CGame& game, const std::string& text)
{
    Move move = NO_MOVE;
    ASSERT_TRUE(game.parseMove(text, move)) << text;
    game.makeMove(move);
}

class GameCommands : public ::testing::Test
{
protected:
    // Force mode: these tests look at what the position commands do, not at the engine's reply.
    void SetUp() override
    {
        theDriver().setForceMode(true);
        theGame().reset();
        setAutoDisplay(false);
    }
    void TearDown() override
    {
        theGame().reset();
        setAutoDisplay(true);
        theDriver().setForceMode(false);
    }
};
}  // namespace

TEST(GameRecord, UndoRedoAndBranching)
{
    // The commands test walking the record; here: a move after an undo drops the undone moves.
    CGame game;
    EXPECT_FALSE(game.canUndo());
    EXPECT_EQ(game.currentMove(), NO_MOVE);
    play(game, "e4");
    play(game, "e5");
    game.undo();
    EXPECT_TRUE(game.canRedo());
    play(game, "d5");
    ASSERT_EQ(game.entries().size(), 3u);
    EXPECT_FALSE(game.canRedo());
    EXPECT_EQ(moveToCoordinate(game.currentMove()), "d7d5");
    // Each entry is its move made on the entry before.
    for (size_t i = 1; i < game.entries().size(); ++i)
    {
        CPosition replay(game.entries()[i - 1].position);
        replay.makeMove(game.entries()[i].move);
        EXPECT_EQ(replay.toFullFen(), game.entries()[i].position.toFullFen());
        EXPECT_EQ(replay.hashKey(), game.entries()[i].position.hashKey());
    }
    for (int outside : {3, -1})
    {
        game.gotoEntry(outside);
        EXPECT_EQ(game.currentIndex(), 2);
    }
    // An engine move's score belongs to its entry.
    game.setCurrentScore(-250);
    game.undo();
    EXPECT_EQ(game.currentScore(), 0);
    game.redo();
    EXPECT_EQ(game.currentScore(), -250);
    // A word that moves nothing of the side to move leaves the record alone.
    game.undo();
    game.makeMove(makeMoveWord(28, 36, PAWN));  // the white e4 pawn, Black to move
    EXPECT_EQ(game.entries().size(), 3u);
    EXPECT_EQ(game.currentIndex(), 1);
}

TEST(GameRecord, StartPositionsGoThroughTheFenReader)
{
    CGame game;
    play(game, "e4");
    CPosition twoKings;
    twoKings.setPiece(3, KING);  // the queen's square gets a second white king
    EXPECT_FALSE(game.setStartPosition(twoKings));
    EXPECT_EQ(game.entries().size(), 2u);
    EXPECT_EQ(game.currentIndex(), 1);

    CPosition p;
    ASSERT_TRUE(p.setFromFen("4k3/8/8/8/8/8/8/4K2R w K - 0 30"));
    p.setHalfmoveClock(17);
    ASSERT_TRUE(game.setStartPosition(p));
    EXPECT_EQ(game.entries().size(), 1u);
    EXPECT_EQ(game.halfmoveClock(), 0);
    EXPECT_EQ(game.moveNumber(), 30);
    EXPECT_EQ(game.toFen(), "4k3/8/8/8/8/8/8/4K2R w K -");
    CMoveList legal;
    game.legalMoves(legal);
    EXPECT_EQ(legal.size(), 15);  // 5 king steps, castling and 9 rook moves
}

TEST_F(GameCommands, OnlyMovesActuallyMadeReachTheGameFile)
{
    FILE* file = tmpfile();
    ASSERT_NE(file, nullptr);
    FILE* previous = theGameSettings().m_gameRecordFile;
    theGameSettings().m_gameRecordFile = file;
    // The second e4 is illegal and Ke7 comes after the mate: neither is written.
    for (const char* move : {"e4", "e4", "e5", "Bc4", "Nc6", "Qh5", "Nf6", "Qxf7", "Ke7"})
        captureCommand(handleUsermove, move);
    theGameSettings().m_gameRecordFile = previous;
    rewind(file);
    char buffer[256] = {};
    const size_t length = fread(buffer, 1, sizeof buffer - 1, file);
    fclose(file);
    EXPECT_EQ(std::string(buffer, length), "1. e4\n1... e5\n2. Bc4\n2... Nc6\n3. Qh5\n3... Nf6\n4. Qxf7#\n");
}

// Random bytes as FEN, move and move-number arguments: each is answered with its error
// text (no control bytes echoed) or does what it says, and a refused one changes nothing.
TEST_F(GameCommands, ArbitraryArgumentsAreRefusedCleanly)
{
    std::mt19937 rng(99);
    const std::string alphabet = "abcdefgh12345678xX=+#-/ KQRBNPkqrbnpwO0\x07\x1b\xff";
    captureCommand(handleUsermove, "e4");
    int accepted = 0;
    for (int i = 0; i < 3000; ++i)
    {
        std::string text(rng() % (i % 100 == 0 ? 20000 : 12), ' ');
        for (char& c : text)
            c = rng() % 4 ? alphabet[rng() % alphabet.size()] : char(rng() % 256);
        const std::string before = theGame().toFullFen();
        const size_t entries = theGame().entries().size();
        const int which = i % 3;
        const std::string out = captureCommand(which == 0   ? handleSetboard
                                               : which == 1 ? handleUsermove
                                                            : handleGoto,
                                               text);
        EXPECT_EQ(out.find('\a'), std::string::npos);
        const std::string refusal = which == 0   ? "Error (invalid FEN): "
                                    : which == 1 ? "Invalid move: "
                                                 : "Error (invalid move number): ";
        if (out.compare(0, refusal.size(), refusal) == 0)
        {
            EXPECT_EQ(theGame().toFullFen(), before) << text;
            EXPECT_EQ(theGame().entries().size(), entries);
        }
        else
        {
            ++accepted;
        }
        if (theGame().entries().size() > 30)
            theGame().reset();
    }
    EXPECT_GT(accepted, 100);
}

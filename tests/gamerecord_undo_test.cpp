// The game record (undo, redo, jumps) and the commands that walk it, set up
// positions, take user moves and show the board.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "board/game.h"
#include "board/notation.h"
#include "game/commands.h"
#include "game/display.h"
#include "game/driver.h"
#include "base/output.h"
#include "game/gamesettings.h"

namespace
{
void play(CGame& game, const std::string& text)
{
    Move move = NO_MOVE;
    ASSERT_TRUE(game.parseMove(text, move)) << text;
    game.makeMove(move);
}

// Runs a handler and returns what it printed.
template <typename Handler>
std::string run(Handler handler, const std::string& args)
{
    std::string captured;
    std::string* previous = setOutputCapture(&captured);
    handler(args);
    setOutputCapture(previous);
    return captured;
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
} // namespace

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
    EXPECT_EQ(moveToCoordinate(game.entries()[2].move), "d7d5");
    EXPECT_EQ(moveToCoordinate(game.currentMove()), "d7d5");
    // Each entry is its move made on the entry before.
    for (size_t i = 1; i < game.entries().size(); ++i)
    {
        CPosition replay(game.entries()[i - 1].position);
        replay.makeMove(game.entries()[i].move);
        EXPECT_EQ(replay.toFullFen(), game.entries()[i].position.toFullFen());
        EXPECT_EQ(replay.hashKey(), game.entries()[i].position.hashKey());
    }

    EXPECT_FALSE(game.canRedo());
    for (int outside : {3, -1})
    {
        game.gotoEntry(outside);
        EXPECT_EQ(game.currentIndex(), 2);
    }

    // Per-entry data of engine moves.
    CMoveList pv;
    pv.add(makeMoveWord(6, 21, KNIGHT));
    game.setCurrentPv(pv);
    game.setCurrentScore(-250);
    game.setCurrentKind(MOVE_KIND_SEARCH);
    EXPECT_EQ(game.currentPv().size(), 1);
    EXPECT_EQ(game.currentScore(), -250);
    EXPECT_EQ(game.currentKind(), MOVE_KIND_SEARCH);
    game.undo();
    EXPECT_EQ(game.currentScore(), 0);
    // A word that moves nothing of the side to move leaves the record alone.
    game.makeMove(makeMoveWord(28, 36, PAWN)); // the white e4 pawn, Black to move
    EXPECT_EQ(game.entries().size(), 3u);
    EXPECT_EQ(game.currentIndex(), 1);
}

TEST(GameRecord, StartPositionsGoThroughTheFenReader)
{
    CGame game;
    play(game, "e4");
    CPosition twoKings;
    twoKings.setPiece(3, KING); // the queen's square gets a second white king
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
    EXPECT_EQ(legal.size(), 15); // 5 king steps, castling and 9 rook moves
    game.reset();
    EXPECT_TRUE(game.isStartPosition());
    EXPECT_EQ(game.entries().size(), 1u);
}

TEST_F(GameCommands, UsermoveMakesAndRecordsMoves)
{
    EXPECT_EQ(run(handleUsermove, "e2e4"), " fen rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -\n");
    EXPECT_EQ(run(handleUsermove, "e2e5"), "Invalid move: e2e5\n");
    EXPECT_EQ(run(handleUsermove, std::string("e7\x07\x01" "e5", 6)), "Invalid move: e7??e5\n");
    EXPECT_EQ(theGame().entries().size(), 2u);
    EXPECT_EQ(run(handleUsermove, "  e5 "), " fen rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -\n");
    EXPECT_EQ(run(handleUsermove, "Nf3"), " fen rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq -\n");

    // goto 1 returns to the start; goto 2 goes forward to move 2 with White to move.
    run(handleGoto, "1");
    EXPECT_TRUE(theGame().isStartPosition());
    run(handleGoto, "2");
    EXPECT_EQ(theGame().currentIndex(), 2);
    run(handleGoto, "9");
    EXPECT_EQ(theGame().currentIndex(), 3);
    EXPECT_EQ(run(handleGoto, "x"), "Error (invalid move number): x\n");
    EXPECT_EQ(theGame().currentIndex(), 3);

    struct { void (*handler)(const std::string&); int index; } steps[] = {
        {handleUndo, 2}, {handleRemove, 0}, {handleRemove, 0}, {handleUndo, 0},
        {handleRedoAll, 3}, {handleRedo, 3}, {handleUndoAll, 0}, {handleRedo, 1},
    };
    for (const auto& step : steps)
    {
        run(step.handler, "");
        EXPECT_EQ(theGame().currentIndex(), step.index);
        EXPECT_EQ(theGame().toFullFen(), theGame().entries()[step.index].position.toFullFen());
    }
    EXPECT_EQ(theGame().entries().size(), 4u);
}

TEST_F(GameCommands, OnlyMovesActuallyMadeReachTheGameFile)
{
    FILE* file = tmpfile();
    ASSERT_NE(file, nullptr);
    FILE* previous = theGameSettings().m_gameRecordFile;
    theGameSettings().m_gameRecordFile = file;
    run(handleUsermove, "e4");
    run(handleUsermove, "e4");   // illegal now: not written
    run(handleUsermove, "e5");
    run(handleUsermove, "Bc4");
    run(handleUsermove, "Nc6");
    run(handleUsermove, "Qh5");
    run(handleUsermove, "Nf6");
    run(handleUsermove, "Qxf7");
    run(handleUsermove, "Ke7"); // mated: not written
    theGameSettings().m_gameRecordFile = previous;
    rewind(file);
    char buffer[256] = {};
    const size_t length = fread(buffer, 1, sizeof buffer - 1, file);
    fclose(file);
    EXPECT_EQ(std::string(buffer, length), "1. e4\n1... e5\n2. Bc4\n2... Nc6\n3. Qh5\n3... Nf6\n4. Qxf7#\n");
}

TEST_F(GameCommands, AutoDisplayShowsOnlyChanges)
{
    setAutoDisplay(true);
    const std::string startBoard = boardDiagram(theGame(), theGame(), false);
    EXPECT_EQ(run(handleUndo, ""), "");
    EXPECT_EQ(run(handleRedoAll, ""), "");
    EXPECT_EQ(run(handleRemove, ""), startBoard); // shown in every case
    const std::string moved = run(handleUsermove, "e4");
    EXPECT_EQ(moved, " fen rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -\n" +
                         boardDiagram(theGame(), theGame(), false));
    // Back at the start; the record still holds the move that can be replayed.
    const std::string undone = run(handleUndo, "");
    EXPECT_EQ(undone, boardDiagram(theGame(), theGame(), false));
    EXPECT_NE(undone.find(" 4|\xb0 \xb0 \xb0 \xb0 |4"), std::string::npos);
    EXPECT_NE(undone.find("|8      1. e4     \n"), std::string::npos);
    EXPECT_EQ(run(handleUsermove, "e5"), "Invalid move: e5\n"); // White to move again
}

TEST_F(GameCommands, FenAndSetboard)
{
    EXPECT_EQ(run(handleFen, ""), " fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -\n");
    run(handleUsermove, "d4");
    const std::string bad = "  rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKKNR w KQkq - 0 1  ";
    EXPECT_EQ(run(handleSetboard, bad), "Error (invalid FEN): rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKKNR w KQkq - 0 1\n");
    EXPECT_EQ(theGame().entries().size(), 2u);
    EXPECT_EQ(run(handleSetboard, " 4k3/8/8/8/8/8/8/4K3 b - - 3 12 "), "");
    EXPECT_EQ(theGame().toFullFen(), "4k3/8/8/8/8/8/8/4K3 b - - 0 12");
    EXPECT_EQ(theGame().entries().size(), 1u);
    EXPECT_EQ(run(handleFen, "RNBKQBNR/PPPPPPPP/8/8/8/8/pppppppp/rnbkqbnr w - - 0 1"),
              " Detected wild/5 game... resign score set to -25\n");
    EXPECT_TRUE(theGame().isRotatedStartPosition());
}

// Random bytes as FEN, move and move-number arguments: each is answered with its error
// text (no control bytes echoed) or does what it says, and a refused one changes nothing.
TEST_F(GameCommands, ArbitraryArgumentsAreRefusedCleanly)
{
    std::mt19937 rng(99);
    const std::string alphabet = "abcdefgh12345678xX=+#-/ KQRBNPkqrbnpwO0\x07\x1b\xff";
    run(handleUsermove, "e4");
    int accepted = 0;
    for (int i = 0; i < 3000; ++i)
    {
        std::string text(rng() % (i % 100 == 0 ? 20000 : 12), ' ');
        for (char& c : text)
            c = rng() % 4 ? alphabet[rng() % alphabet.size()] : char(rng() % 256);
        const std::string before = theGame().toFullFen();
        const size_t entries = theGame().entries().size();
        const int which = i % 3;
        const std::string out = run(which == 0 ? handleSetboard : which == 1 ? handleUsermove : handleGoto, text);
        EXPECT_EQ(out.find('\a'), std::string::npos);
        const char* refusal = which == 0 ? "Error (invalid FEN): " : which == 1 ? "Invalid move: " : "Error (invalid move number): ";
        if (out.compare(0, strlen(refusal), refusal) == 0)
        {
            EXPECT_EQ(theGame().toFullFen(), before) << text;
            EXPECT_EQ(theGame().entries().size(), entries);
        }
        else
            ++accepted;
        if (theGame().entries().size() > 30)
            theGame().reset();
    }
    EXPECT_GT(accepted, 100);
}

TEST_F(GameCommands, BoardDiagramLayout)
{
    EXPECT_EQ(run(handleAutod, ""), " Auto display now: On\n");
    EXPECT_TRUE(autoDisplay());
    EXPECT_EQ(run(handleAutod, ""), " Auto display now: Off\n");
    EXPECT_FALSE(autoDisplay());

    const std::string start = boardDiagram(theGame(), theGame(), false);
    const std::string expected = "\n"
                                 "   abcdefgh      White to play     \n"
                                 "  +--------+     \n"
                                 " 8|rnbqkbnr|8    ---- ------- -------\n"
                                 " 7|pppppppp|7    \n"
                                 " 6|\xb0 \xb0 \xb0 \xb0 |6    \n"
                                 " 5| \xb0 \xb0 \xb0 \xb0|5    \n"
                                 " 4|\xb0 \xb0 \xb0 \xb0 |4    \n"
                                 " 3| \xb0 \xb0 \xb0 \xb0|3    \n"
                                 " 2|PPPPPPPP|2    \n"
                                 " 1|RNBQKBNR|1    \n"
                                 "  +--------+     \n"
                                 "   abcdefgh      \n"
                                 "\n\n";
    EXPECT_EQ(start, expected);

    // A game from a Black move: "1..." opens the list; at most 16 half-moves are shown.
    ASSERT_TRUE(theGame().setStartPosition([] {
        CPosition p;
        p.setFromFen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
        return p;
    }()));
    run(handleUsermove, "e5");
    run(handleUsermove, "Nf3");
    std::string text = boardDiagram(theGame(), theGame(), true);
    EXPECT_NE(text.find("   abcdefgh      Black to play     \n"), std::string::npos) << text;
    EXPECT_NE(text.find("  +--------+     \n 8|rnbqkbnr|8      1...       e5     \n"), std::string::npos) << text;
    EXPECT_NE(text.find(" 7|pppp ppp|7      2. Nf3    \n"), std::string::npos) << text;
    EXPECT_NE(text.find(" 6|\xe2\x96\x91 \xe2\x96\x91 \xe2\x96\x91 \xe2\x96\x91 |6    ---- ------- -------\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" 5| \xe2\x96\x91 \xe2\x96\x91p\xe2\x96\x91 \xe2\x96\x91|5    \n"), std::string::npos) << text;

    const char* moves[] = {"Nc6", "Bb5", "a6", "Ba4", "Nf6", "O-O", "Be7", "Re1", "b5", "Bb3", "d6", "c3", "O-O", "h3", "Nb8"};
    for (const char* m : moves)
        ASSERT_EQ(run(handleUsermove, m).substr(0, 5), " fen ") << m;
    text = boardDiagram(theGame(), theGame(), false);
    // 17 half-moves played (1...e5 to 9...Nb8): the last 16 start with White's 2.Nf3.
    EXPECT_EQ(text.find("1..."), std::string::npos) << text;
    EXPECT_NE(text.find("|8      2. Nf3     Nc6    \n"), std::string::npos) << text;
    EXPECT_NE(text.find("|1      9. h3      Nb8    \n"), std::string::npos) << text;
    EXPECT_NE(text.find("  +--------+     ---- ------- -------\n   abcdefgh      \n\n\n"), std::string::npos) << text;
    // One more half-move: the list would start at Black's 2...Nc6, so it starts at 3.Bb5.
    run(handleUsermove, "d4");
    text = boardDiagram(theGame(), theGame(), false);
    EXPECT_NE(text.find("|8      3. Bb5     a6     \n"), std::string::npos) << text;
    EXPECT_NE(text.find("|1     10. d4     \n"), std::string::npos) << text;
}

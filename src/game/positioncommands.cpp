// Position and display commands: setting up and showing positions, user moves,
// and walking through the game record. Each handler parses its argument text,
// changes the game record and prints through output().
#include <cstdlib>
#include <string>

#include "base/input.h"
#include "base/output.h"
#include "base/text.h"
#include "board/game.h"
#include "game/commands.h"
#include "game/display.h"
#include "game/driver.h"
#include "game/gamesettings.h"
#include "game/player.h"

namespace
{
// User text echoed in a message: control bytes (a bell among them) become '?'.
std::string printable(const std::string& text)
{
    std::string shown = text;
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return shown;
}

void displayIfAuto()
{
    if (autoDisplay())
        displayBoard(theGame());
}

// After a change of the current position an analysis in progress restarts on the new one.
void restartAnalysis() { theDriver().restartAnalysis(); }

// A change of the game while a search runs: stop the search and read the command again once
// it has unwound (the analysis then restarts on the new position).
bool requeueWhenBusy(const std::string& line)
{
    if (!thePlayer().isBusy())
        return false;
    thePlayer().stop();
    theInput().requeueFront(line);
    return true;
}

// Games from the rotated start position ("wild 5") get their own resign threshold.
void checkWild5(const CPosition& position) { theDriver().detectWild5(position); }

void setOrShowPosition(const std::string& command, const std::string& args)
{
    const std::string fen = trimmed(args);
    if (!fen.empty() && requeueWhenBusy(command + " " + args))
        return;
    if (fen.empty())
        output(" fen %s\n", theGame().toFen().c_str());
    else
    {
        CPosition position;
        if (position.setFromFen(fen) && theGame().setStartPosition(position))
        {
            thePlayer().reset(theGame().moveNumber());
            displayIfAuto();
        }
        else
            output("Error (invalid FEN): %s\n", printable(fen).c_str());
    }
    checkWild5(theGame());
    if (!fen.empty())
        restartAnalysis();
}

// Steps through the game record one half-move at a time; false when there is nowhere to go.
bool stepBack()
{
    if (!theGame().canUndo())
        return false;
    theGame().undo();
    return true;
}

bool stepForward()
{
    if (!theGame().canRedo())
        return false;
    theGame().redo();
    return true;
}

// undo, redo, undoall, redoall: one step (or all), the board shown only when something moved.
void walk(const char* command, bool (*possible)(), bool (*step)(), bool all)
{
    if (thePlayer().isBusy())
    {
        if (possible())
            requeueWhenBusy(command);
        return;
    }
    if (step())
    {
        while (all && step())
        {
        }
        displayIfAuto();
    }
    restartAnalysis();
}

// Writes the move to the game file in the form "12. Nf3" or "12... Nf6".
void recordMove(const CPosition& before, Move move)
{
    const std::string san = before.moveToSan(move);
    writeGameRecord(before.sideToMove() ? "%d. " : "%d... ", before.moveNumber());
    writeGameRecord("%s\n", san.c_str());
}
}  // namespace

bool canStepBack() { return theGame().canUndo(); }

bool canStepForward() { return theGame().canRedo(); }

void handleFen(const std::string& args) { setOrShowPosition("fen", args); }

void handleSetboard(const std::string& args) { setOrShowPosition("setboard", args); }

void handleDisplay(const std::string& /*args*/) { displayBoard(theGame()); }

void handleAutod(const std::string& /*args*/)
{
    setAutoDisplay(!autoDisplay());
    output(" Auto display now: %s\n", autoDisplay() ? "On" : "Off");
}

void handleUndo(const std::string& /*args*/) { walk("undo", canStepBack, stepBack, false); }

void handleRedo(const std::string& /*args*/) { walk("redo", canStepForward, stepForward, false); }

void handleUndoAll(const std::string& /*args*/) { walk("undoall", canStepBack, stepBack, true); }

void handleRedoAll(const std::string& /*args*/) { walk("redoall", canStepForward, stepForward, true); }

void handleRemove(const std::string& /*args*/)
{
    if (!thePlayer().isBusy())
    {
        stepBack();
        stepBack();
    }
    displayIfAuto();
}

void handleGoto(const std::string& args)
{
    const std::string text = trimmed(args);
    char* end = nullptr;
    const long target = strtol(text.c_str(), &end, 10);
    if (text.empty() || end == text.c_str())
    {
        // Said at once: a running analysis goes on as it is.
        output("Error (invalid move number): %s\n", printable(text).c_str());
        return;
    }
    if (requeueWhenBusy("goto " + args))
        return;
    CGame& game = theGame();
    // Move numbers grow along the record, so this settles; the bound only guards odd records.
    for (size_t steps = 0; steps <= 2 * game.entries().size(); ++steps)
    {
        if (game.moveNumber() == target && game.sideToMove() == 1)
            break;
        if (game.moveNumber() >= target ? !stepBack() : !stepForward())
            break;
    }
    displayIfAuto();
    restartAnalysis();
}

void handleUsermove(const std::string& args)
{
    CGameDriver& driver = theDriver();
    CPlayer& player = thePlayer();
    const std::string text = trimmed(args);
    CGame& game = theGame();
    // A ponder search has made the predicted move in the record: the opponent's move belongs
    // to the position before it.
    const bool pondering = player.isPondering() && game.currentIndex() > 0;
    const CPosition& before = pondering ? game.entries()[size_t(game.currentIndex() - 1)].position : game;
    Move move = NO_MOVE;
    if (!before.parseMove(text, move))
    {
        output("Invalid move: %s\n", printable(text).c_str());
        return;
    }
    // Analysis: stop, and make the move once the search has unwound. Only a legal move stops
    // it: after anything else the analysis would not restart and the engine would sit idle in
    // analysis mode, where exit no longer reaches it.
    if (driver.engineState() == ENGINE_ANALYSING && player.isBusy())
    {
        requeueWhenBusy("usermove " + args);
        return;
    }
    if (pondering)
    {
        if (driver.isPonderHit(move))
        {
            // The predicted move came: the ponder search goes on as the engine's own search.
            recordMove(before, move);
            driver.acceptPonderHit();
            output(" fen %s\n", game.toFen().c_str());
            displayIfAuto();
            theInput().setPrompt("Thinking>");
            return;
        }
        // Another move: stop pondering and make this move once the search has unwound (it
        // goes to the game file then).
        requeueWhenBusy("usermove " + args);
        return;
    }
    if (player.isBusy())
    {
        if (driver.engineState() == ENGINE_PLAYING)
            return;
        player.stop();
    }
    recordMove(game, move);
    game.makeMove(move);
    output(" fen %s\n", game.toFen().c_str());
    driver.greetOnFirstMove(game);
    displayIfAuto();
    if (driver.engineState() == ENGINE_ANALYSING)
        restartAnalysis();
    else if (!driver.forceMode())
        driver.thinkAndMove();
}

// WinBoard protocol and game-flow commands: handshake, new, force, go, move now, sides,
// pondering, kibitzing, quit, result and draw offers.
#include "game/commands.h"

#include "base/input.h"
#include "base/output.h"
#include "base/text.h"
#include "base/version.h"
#include "board/game.h"
#include "endgame/kpk.h"
#include "eval/learning.h"
#include "eval/parameters.h"
#include "game/display.h"
#include "game/driver.h"
#include "game/gamesettings.h"
#include "game/player.h"
#include "game/thinking.h"
#include "search/search.h"

#include <chrono>
#include <cstdlib>
#include <strings.h>
#include <thread>
#include <vector>

namespace
{
constexpr int XBOARD_NOISE = 0;
constexpr int CONSOLE_NOISE = 5000;

// Gives the interface time to take each feature line on its own.
void pause100ms() { std::this_thread::sleep_for(std::chrono::milliseconds(100)); }

// A search of the player, or any other search (an EPD run), is under way.
bool engineBusy() { return thePlayer().isBusy() || theSearch().isRunning(); }

void stopSearch()
{
    if (engineBusy())
        theSearch().stop(STOP_ABORT);
}

// The engine's moves of the game record, as learning takes them.
std::vector<LearningMove> engineMoves(int colour)
{
    const std::vector<GameEntry>& entries = theGame().entries();
    int last = theGame().currentIndex();
    std::vector<LearningMove> moves;
    for (int i = 1; i <= last; ++i)
    {
        if (entries[size_t(i - 1)].position.sideToMove() != colour)
            continue;
        const GameEntry& entry = entries[size_t(i)];
        LearningMove move;
        move.position = entry.position;
        move.pv.assign(entry.pv.begin(), entry.pv.end());
        move.score = entry.score;
        move.marker = entry.kind;
        move.reply = i < last ? entries[size_t(i + 1)].move : NO_MOVE;
        moves.push_back(move);
    }
    return moves;
}

void learnFromResult(const std::string& args)
{
    if (!theGameSettings().m_learning || theDriver().wild5())
        return;
    std::string text = trimmed(args);
    std::string word = text.substr(0, text.find(' '));
    bool whiteWon = word == "1-0";
    if (!whiteWon && word != "0-1")
        return;
    // +1 when the engine won, -1 when it lost.
    int outcome = whiteWon == theDriver().computerIsWhite() ? 1 : -1;
    int colour = theDriver().computerIsWhite() ? WHITE : BLACK;
    for (const LearnedParameter& parameter : learnedParameters())
        output("%s[%d]\n", parameter.label.c_str(), parameter.count);
    learnFromGame(engineMoves(colour), colour, outcome);
    // The board's material sums follow the learned piece values from its next load on.
    loadSearchBoardFromGame();
    std::string name = evalFileBaseName() + "-td.eval";
    std::string errorText;
    if (!saveEvalParameters(name, evalFileBaseName(), errorText))
        output("Error (%s): %s\n", errorText.c_str(), name.c_str());
}
}  // namespace

void handleXboard(const std::string& args)
{
    bool off = strcasecmp(trimmed(args).c_str(), "off") == 0;
    theDriver().setXboardMode(!off);
    theThinkingOutput().setXboardMode(!off);
    setAutoDisplay(off);
    theThinkingOutput().setNoiseLevel(off ? CONSOLE_NOISE : XBOARD_NOISE);
    output(" Noise level set to: %d\n", theThinkingOutput().noiseLevel());
}

void handleProtover(const std::string& args)
{
    if (std::atoi(args.c_str()) < 2)
        return;
    output("feature myname=\"%s\"\n", theGameSettings().m_winboardName.c_str());
    pause100ms();
    output("feature analyze=1 ics=1 name=1 setboard=1 usermove=1 variants=\"normal\"\n");
    pause100ms();
    output("feature done=0\n");
    // The table takes a moment to build; the interface waits for done=1.
    if (!theKpkTable().isGenerated())
        theKpkTable().generate();
    // Later additions go on a line of their own, so the lines above stay as interfaces know them.
    output("feature ping=1 memory=1\n");
    output("feature done=1\n");
    pause100ms();
}

void handlePing(const std::string& args)
{
    // The reply tells the interface that everything sent before it has been dealt with. While
    // the engine thinks on its own move that includes the move, so the reply waits for it;
    // pondering, analysing or idle, the earlier commands are done and it goes out at once.
    const CPlayer& player = thePlayer();
    if (player.isBusy() && !player.isPondering() && player.mode() != PLAYER_ANALYSE)
        theDriver().deferPong(trimmed(args));
    else
        output("pong %s\n", trimmed(args).c_str());
}

void handleComputer(const std::string& /*args*/) {}

void handleIcs(const std::string& args) { theDriver().setIcsMode(args != "-"); }

void handlePost(const std::string& /*args*/)
{
    // Thinking lines are always sent; the noise level governs how many.
}

void handleNopost(const std::string& /*args*/) {}

void handleNew(const std::string& /*args*/)
{
    stopSearch();
    theDriver().newGame();
    writeGameRecord("\n[event \"new game\"]\n\n");
    theDriver().restartAnalysis();
}

void handleForce(const std::string& /*args*/)
{
    theDriver().setForceMode(true);
    // An analysis plays no move, so there is nothing to stop; stopping it would leave the engine
    // idle in analysis mode.
    if (theDriver().engineState() != ENGINE_ANALYSING)
        stopSearch();
}

void handleGo(const std::string& args)
{
    CGameDriver& driver = theDriver();
    output(" fen %s\n", theGame().toFen().c_str());
    driver.greetOnFirstMove(theGame());
    driver.setForceMode(false);
    if (driver.engineState() == ENGINE_ANALYSING)
        driver.restartAnalysis();
    else if (args == "*ponder")
        driver.ponderStep();
    else
        driver.thinkAndMove();
}

void handleMoveNow(const std::string& /*args*/) { thePlayer().moveNow(); }

void handleWhite(const std::string& /*args*/) { theDriver().setComputerIsWhite(true); }

void handleBlack(const std::string& /*args*/) { theDriver().setComputerIsWhite(false); }

void handleHard(const std::string& /*args*/) { theDriver().setPonderEnabled(true); }

void handleEasy(const std::string& /*args*/) { theDriver().setPonderEnabled(false); }

void handleKibitz(const std::string& /*args*/)
{
    CGameDriver& driver = theDriver();
    bool wasOn = driver.kibitzEnabled();
    driver.setKibitzEnabled(!wasOn);
    if (driver.icsMode())
        output(wasOn ? "tellics kibitz Set kibitzing off\n" : "tellics kibitz Set kibitzing on\n");
}

void handleQuit(const std::string& /*args*/)
{
    // Reached only while a search runs: stop it and let the idle loop read "quit" and end.
    // The search is stopped even when the engine state is already 0 (an EPD run, or a
    // second quit), so that quit always ends the program promptly.
    stopSearch();
    theDriver().setEngineState(ENGINE_STOPPED);
    theInput().requeueFront("quit");
}

void handleResult(const std::string& args)
{
    if (engineBusy())
    {
        // The game is over: stop thinking and take the result once the search has unwound.
        stopSearch();
        theInput().requeueFront("result " + args);
        return;
    }
    learnFromResult(args);
    // An analysis stopped for the result goes on with the final position.
    theDriver().restartAnalysis();
}

void handleDraw(const std::string& /*args*/) { theDriver().considerDrawOffer(); }

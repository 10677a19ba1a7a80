// WinBoard protocol and game-flow commands: handshake, new, force, go, move now, sides,
// pondering, kibitzing, quit, result and draw offers.
#include "game/commands.h"

#include "board/game.h"
#include "endgame/kpk.h"
#include "game/display.h"
#include "game/driver.h"
#include "game/player.h"
#include "game/thinking.h"
#include "search/search.h"
#include "shell/console.h"
#include "base/output.h"
#include "base/text.h"
#include "shell/settings.h"
#include "base/version.h"

#include <chrono>
#include <cstdlib>
#include <strings.h>
#include <thread>

namespace
{
constexpr int XBOARD_NOISE = 0;
constexpr int CONSOLE_NOISE = 5000;

// Gives the interface time to take each feature line on its own.
void pause100ms()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

// A search of the player, or any other search (an EPD run), is under way.
bool engineBusy()
{
    return thePlayer().isBusy() || theSearch().isRunning();
}

void stopSearch()
{
    if (engineBusy())
        theSearch().stop(STOP_ABORT);
}

void learnFromResult(const std::string& args)
{
    if (!theSettings().m_learning || theDriver().wild5())
        return;
    std::string text = trimmed(args);
    std::string word = text.substr(0, text.find(' '));
    bool whiteWon = word == "1-0";
    if (!whiteWon && word != "0-1")
        return;
    // +1 when the engine won, -1 when it lost. The evaluation has no learning procedure to
    // hand this to yet: the decided game is recognised and nothing is learned from it.
    int outcome = whiteWon == theDriver().computerIsWhite() ? 1 : -1;
    (void)outcome;
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
    output("feature myname=\"%s\"\n", theSettings().m_winboardName.c_str());
    pause100ms();
    output("feature analyze=1 ics=1 name=1 setboard=1 usermove=1 variants=\"normal\"\n");
    pause100ms();
    output("feature done=0\n");
    // The table takes a moment to build; the interface waits for done=1.
    if (!theKpkTable().isGenerated())
        theKpkTable().generate();
    output("feature done=1\n");
    pause100ms();
}

void handleComputer(const std::string& /*args*/)
{
}

void handleIcs(const std::string& args)
{
    theDriver().setIcsMode(args != "-");
}

void handlePost(const std::string& /*args*/)
{
    // Thinking lines are always sent; the noise level governs how many.
}

void handleNopost(const std::string& /*args*/)
{
}

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

void handleMoveNow(const std::string& /*args*/)
{
    thePlayer().moveNow();
}

void handleWhite(const std::string& /*args*/)
{
    theDriver().setComputerIsWhite(true);
}

void handleBlack(const std::string& /*args*/)
{
    theDriver().setComputerIsWhite(false);
}

void handleHard(const std::string& /*args*/)
{
    theDriver().setPonderEnabled(true);
}

void handleEasy(const std::string& /*args*/)
{
    theDriver().setPonderEnabled(false);
}

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
    theConsole().pushLineFront("quit");
}

void handleResult(const std::string& args)
{
    if (engineBusy()) {
        // The game is over: stop thinking and take the result once the search has unwound.
        stopSearch();
        theConsole().pushLineFront("result " + args);
        return;
    }
    learnFromResult(args);
    // An analysis stopped for the result goes on with the final position.
    theDriver().restartAnalysis();
}

void handleDraw(const std::string& /*args*/)
{
    theDriver().considerDrawOffer();
}

// The game driver: what happens around each engine move, between the command handlers and
// the player.
#include "game/driver.h"

#include "base/input.h"
#include "base/output.h"
#include "base/version.h"
#include "board/board.h"
#include "board/game.h"
#include "board/notation.h"
#include "book/bookchoice.h"
#include "game/display.h"
#include "game/gamesettings.h"
#include "game/player.h"
#include "game/thinking.h"
#include "game/timecontrol.h"
#include "search/commands.h"
#include "search/hashtable.h"

#include <cstdlib>

namespace
{
// Consecutive bad scores before the engine resigns.
constexpr int RESIGN_AFTER = 3;
// Scored engine moves, all at 0, before a draw is offered or accepted.
constexpr int DRAW_MOVES = 8;
// Full moves between two draw offers.
constexpr int DRAW_OFFER_GAP = 5;
// Accepting a draw: the engine must not be better than this (millipawns).
constexpr int DRAW_ACCEPT_SCORE = -1000;

const char* RESULT_LINES[6] = {
    nullptr,
    "1/2-1/2 {Draw by repetition}\n",
    "1/2-1/2 {Draw by 50 move rule}\n",
    "1/2-1/2 {Insufficient material}\n",
    "1/2-1/2 {Stalemate}\n",
    nullptr,  // mate: depends on the side to move
};

// Runs a player search with the prompt and the commands of its mode installed.
template <typename Search>
void runWithModeList(const char* prompt, int modeBit, Search search, DeferredCommandHandler deferred = nullptr)
{
    CInputService& input = theInput();
    input.setPrompt(prompt);
    input.selectSearchMode(modeBit, deferred);
    search();
    input.selectSearchMode(0, nullptr);
}

// An interface sends commands such as remove, undo and new while the engine ponders: the
// ponder search ends (taking the predicted move back) and the idle loop reads the command again.
void deferUntilPonderEnds(const std::string& line)
{
    thePlayer().stop();
    theInput().requeueFront(line);
}

// An analysis with nothing left to search goes on reading commands until one stops it.
void waitForAnalysisCommands(const volatile int& stopRequest) { theInput().waitForCommands(stopRequest); }

// A command for the idle loop that arrived during analysis; the analysis loop carries it out.
std::string g_deferredAnalysisCommand;
bool g_hasDeferredAnalysisCommand = false;

void deferUntilAnalysisStops(const std::string& line)
{
    thePlayer().stop();
    g_deferredAnalysisCommand = line;
    g_hasDeferredAnalysisCommand = true;
}

CMoveList oneMoveList(const std::vector<Move>& moves)
{
    CMoveList list;
    for (Move m : moves)
        list.add(m);
    return list;
}
}  // namespace

void CGameDriver::setResignThreshold(int threshold)
{
    m_resignCurrent = threshold;
    if (m_wild5)
        m_resignWild5 = threshold;
    else
        m_resignStandard = threshold;
}

void CGameDriver::newGame()
{
    theGame().reset();
    thePlayer().reset(0);
    CBoard::load(theGame());

    theTimeControl().resetForNewGame();
    thePlayer().resetSearchSettings();
    thePlayer().setMaxDepth(theTimeControl().maxDepth());

    // Sizes and clears the table, and says so if the memory for it was refused.
    resizeHashTable();
    theBooks().resetForNewGame();
    resetSettingsForNewGame();
}

void CGameDriver::resetSettingsForNewGame()
{
    m_wild5 = false;
    m_resignCounter = 0;
    m_lastDrawOfferMove = 0;
    m_kibitzEnabled = false;
    m_forceMode = false;
    m_resignCurrent = m_resignStandard;
}

bool CGameDriver::gameFinishedTest()
{
    loadSearchBoardFromGame();
    int state = CBoard::gameState();
    output(" Game finished test: %d\n", state);
    if (state == GAME_CHECKMATE)
        output("%s", theGame().sideToMove() == WHITE ? "0-1 {Black Mates}\n" : "1-0 {White Mates}\n");
    else if (state > 0 && state < 5)
        output("%s", RESULT_LINES[state]);
    return state != GAME_PLAY_ON;
}

void CGameDriver::thinkAndMove()
{
    theThinkingOutput().reset();
    if (gameFinishedTest())
        return;

    // The engine takes over the side to move. At the console its clock goes with the side;
    // an interface states the engine's own clock with `time` before every move, so there the
    // clocks stay as they are.
    bool whiteToMove = theGame().sideToMove() == WHITE;
    if (whiteToMove != m_computerIsWhite)
    {
        if (!m_xboardMode)
            theTimeControl().swapClocks();
        m_computerIsWhite = whiteToMove;
    }
    CTimeControl& tc = theTimeControl();
    thePlayer().setAllotment(tc.setupTime(theGame().moveNumber(), tc.engineClock(), m_ponderEnabled));
    thePlayer().setMaxDepth(tc.maxDepth());

    m_engineState = ENGINE_PLAYING;
    bool clockMode = !tc.fixedTimePerMove();
    PlayResult result;
    runWithModeList("Thinking>", MODE_THINKING, [clockMode, &result] { result = thePlayer().think(clockMode); });
    playResult(result.played);
    sendDeferredPongs();
}

void CGameDriver::playResult(const SearchReport& result)
{
    CThinkingOutput& thinking = theThinkingOutput();
    // A search stopped before it found a move plays nothing: no clock, no record entry.
    if (result.kind == 0 || result.pv.empty())
        return;
    Move played = result.pv.front();

    if (!m_forceMode)
    {
        std::string text = moveToCoordinate(played);
        output("move %s\n", text.c_str());
        // The move is announced without a beep: a bell byte would reach the interface's pipe.
        writeGameRecord("%s\n", text.c_str());
    }
    if (autoDisplay())
        displayBoard(theGame());

    CTimeControl& tc = theTimeControl();
    tc.chargeMove(thePlayer().lastSearchTime());
    int moveNumber = theGame().moveNumber() - (theGame().sideToMove() == WHITE ? 1 : 0);
    tc.setupTimePostMove(moveNumber, tc.engineClock(), m_ponderEnabled);

    bool kibitz = m_icsMode && m_kibitzEnabled;
    bool bookMove = result.kind == REPORT_BOOK_MOVE;
    if (bookMove)
    {
        theGame().setCurrentPv(oneMoveList(result.pv));
        theGame().setCurrentScore(0);
        theGame().setCurrentKind(MOVE_KIND_BOOK);
        if (kibitz)
            output("tellics kibitz Book move, %1.2f%%, pv=%s\n", result.bookShare, thinking.pvTextOf(result).c_str());
    }
    else if (thePlayer().lastMoveForced())
    {
        // No line was searched: the move stands with a neutral score unless a line exists.
        int score = thinking.hasLine() ? thinking.lastLine().score : 0;
        theGame().setCurrentPv(oneMoveList(result.pv));
        theGame().setCurrentScore(score);
        theGame().setCurrentKind(MOVE_KIND_FORCED);
        if (kibitz)
            output("tellics kibitz Forced, 0 ply, pv=%s\n", thinking.pvTextOf(result).c_str());
    }
    else
    {
        // The record keeps the whole line the move came from (learning replays it), when the
        // last thinking line still starts with the move played.
        const bool lineFits =
            thinking.hasLine() && !thinking.lastLine().pv.empty() && sameMove(thinking.lastLine().pv.front(), played);
        theGame().setCurrentPv(oneMoveList(lineFits ? thinking.lastLine().pv : result.pv));
        theGame().setCurrentScore(result.score);
        theGame().setCurrentKind(MOVE_KIND_SEARCH);
        if (kibitz)
        {
            const SearchReport& line = thinking.hasLine() ? thinking.lastLine() : result;
            output("tellics kibitz %s, %d ply, pv=%s\n", scoreText(line.score).c_str(), line.depth / 8,
                   thinking.pvTextOf(line).c_str());
        }
    }

    if (gameFinishedTest())
        return;

    if (m_resignCurrent != 0 && result.score <= m_resignCurrent)
    {
        if (++m_resignCounter >= RESIGN_AFTER)
        {
            output("resign\n");
            if (m_icsMode)
                output("tellics resign\n");
            return;
        }
    }
    else if (m_resignCounter > 0)
    {
        --m_resignCounter;
    }

    if (bookMove)
        return;
    if (drawOfferDue())
    {
        output("draw\n");
        m_lastDrawOfferMove = theGame().moveNumber();
    }
    if (!m_forceMode && m_ponderEnabled && m_engineState == ENGINE_PLAYING && thePlayer().predictedMove() != NO_MOVE)
        theInput().requeueFront("go *ponder");
}

bool CGameDriver::drawOfferDue() const
{
    if (theGame().moveNumber() < m_lastDrawOfferMove + DRAW_OFFER_GAP)
        return false;
    const std::vector<GameEntry>& entries = theGame().entries();
    int zeros = 0;
    for (int i = theGame().currentIndex(); i > 0; --i)
    {
        const GameEntry& entry = entries[size_t(i)];
        if (entry.kind != MOVE_KIND_SEARCH)
            continue;
        if (entry.score != 0)
            return false;
        if (++zeros == DRAW_MOVES)
            return true;
    }
    return false;
}

void CGameDriver::considerDrawOffer()
{
    const std::vector<GameEntry>& entries = theGame().entries();
    int counted = 0;
    for (int i = theGame().currentIndex(); i > 0; --i)
    {
        const GameEntry& entry = entries[size_t(i)];
        if (entry.kind != MOVE_KIND_SEARCH && entry.kind != MOVE_KIND_FORCED)
            continue;
        if (entry.score != 0 && entry.score > DRAW_ACCEPT_SCORE)
            return;
        if (++counted == DRAW_MOVES)
        {
            output("draw\n");
            return;
        }
    }
}

void CGameDriver::deferPong(const std::string& number) { m_deferredPongs.push_back(number); }

void CGameDriver::sendDeferredPongs()
{
    for (const std::string& number : m_deferredPongs)
        output("pong %s\n", number.c_str());
    m_deferredPongs.clear();
}

void CGameDriver::ponderStep()
{
    theThinkingOutput().reset();
    Move predicted = thePlayer().predictedMove();
    if (m_forceMode || !m_ponderEnabled || m_engineState != ENGINE_PLAYING || predicted == NO_MOVE)
        return;
    output("\n Pondering %s...\n", theGame().moveToSan(predicted).c_str());
    CTimeControl& tc = theTimeControl();
    int moveNumber = theGame().moveNumber() + (theGame().sideToMove() == BLACK ? 1 : 0);
    thePlayer().setAllotment(tc.setupTime(moveNumber, tc.engineClock(), m_ponderEnabled));
    thePlayer().setMaxDepth(tc.maxDepth());
    if (gameFinishedTest())
        return;
    bool clockMode = !tc.fixedTimePerMove();
    PlayResult result;
    runWithModeList(
        "Pondering>", MODE_PONDERING,
        [predicted, clockMode, &result] { result = thePlayer().ponder(predicted, clockMode); }, deferUntilPonderEnds);
    if (result.played.kind != 0)
        playResult(result.played);
    sendDeferredPongs();
}

void CGameDriver::analyse()
{
    m_engineState = ENGINE_ANALYSING;
    // Asked again by a command that the loop below carries out (new, go, analyze): the loop
    // goes on with the new position, without a second loop inside this one.
    if (m_analysisLoopRunning)
        return;
    m_analysisLoopRunning = true;
    while (m_engineState == ENGINE_ANALYSING)
    {
        g_hasDeferredAnalysisCommand = false;
        runWithModeList(
            "Analyse>", MODE_ANALYSING, [] { thePlayer().analyse(waitForAnalysisCommands); }, deferUntilAnalysisStops);
        // Stopped by exit, quit, or a change of the game that the idle loop carries out (and
        // that restarts the analysis from there).
        if (!g_hasDeferredAnalysisCommand)
            break;
        // A command for the idle loop: carried out with the engine idle, as there, and the
        // analysis then goes on with the position as it is, unless the command ended it.
        std::string line = g_deferredAnalysisCommand;
        g_hasDeferredAnalysisCommand = false;
        theInput().dispatchIdleCommand(line);
    }
    m_analysisLoopRunning = false;
}

void CGameDriver::restartAnalysis()
{
    if (m_engineState == ENGINE_ANALYSING)
        analyse();
}

void CGameDriver::detectWild5(const CPosition& position)
{
    if (position.isRotatedStartPosition())
    {
        m_wild5 = true;
        m_resignCurrent = m_resignWild5;
        output(" Detected wild/5 game... resign score set to %g\n", m_resignCurrent * 0.001);
        if (m_icsMode)
            output("tellics kibitz Detected wild/5 game... resign score set to %g\n", m_resignCurrent * 0.001);
    }
    else
    {
        m_wild5 = false;
        m_resignCurrent = m_resignStandard;
    }
}

void CGameDriver::greetOnFirstMove(const CPosition& position)
{
    if (!m_icsMode || position.moveNumber() != 1)
        return;
    output("tellics kibitz Hello from %s!\n", fullEngineName().c_str());
    output("tellics kibitz If you would like me to kibitz, type \"say kibitz\"\n");
}

bool CGameDriver::isPonderHit(Move move) const
{
    return thePlayer().isPondering() && sameMove(move, thePlayer().predictedMove());
}

void CGameDriver::acceptPonderHit() { thePlayer().ponderHit(); }

CGameDriver& theDriver()
{
    static CGameDriver driver;
    return driver;
}

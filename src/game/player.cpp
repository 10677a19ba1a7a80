// CPlayer: the engine's think, ponder and analysis searches on the game record's position.
#include "game/player.h"

#include "board/board.h"
#include "board/game.h"
#include "book/bookchoice.h"
#include "endgame/kpk.h"
#include "game/thinking.h"
#include "game/timecontrol.h"
#include "search/search.h"
#include "base/output.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
// The legal move of the game's current position that is the same move as this one (the
// search board and the position spell some moves with different flag bits).
Move gameMoveFor(Move move)
{
    if (move == NO_MOVE)
        return NO_MOVE;
    CMoveList legal;
    theGame().legalMoves(legal);
    for (int i = 0; i < legal.size(); ++i)
    {
        if (sameMove(legal[i], move))
            return legal[i];
    }
    return NO_MOVE;
}

void ensureKpkTable()
{
    if (!theKpkTable().isGenerated())
        theKpkTable().generate();
}
}  // namespace

bool loadSearchBoardFromGame()
{
    const CGame& game = theGame();
    const std::vector<GameEntry>& entries = game.entries();
    int current = game.currentIndex();
    // Positions since the last capture or pawn move can repeat; older ones cannot.
    int count = std::min(std::max(game.halfmoveClock(), 0), current);
    count = std::min(count, CBoard::HISTORY_CAPACITY);
    std::vector<uint64_t> keys;
    keys.reserve(size_t(count));
    for (int i = current - count; i < current; ++i)
        keys.push_back(entries[size_t(i)].position.hashKey());
    // A history pointer (even for no earlier positions) makes the board take the game's
    // half-move clock as its fifty-move count.
    static const uint64_t NO_KEYS[1] = {0};
    return CBoard::load(game, keys.empty() ? NO_KEYS : keys.data(), count);
}

void CPlayer::reset(int moveNumber)
{
    m_busy = false;
    m_pondering = false;
    m_mode = 0;
    m_predictedMove = NO_MOVE;
    m_searchStartTime = CTimeValue();
    m_moveNumberAtReset = moveNumber;
    // Book moves are counted from the move the game (or the set-up position) started at.
    theBooks().setReferenceMoveNumber(moveNumber);
    m_lastOutcome = PLAY_NOTHING;
    m_lastMoveForced = false;
}

bool CPlayer::runSearch(bool clockMode, Move& move, int& score)
{
    move = NO_MOVE;
    score = 0;
    if (!loadSearchBoardFromGame())
        return false;
    CSearch& search = theSearch();
    search.setStartTime(CTimeValue::now());
    return search.think(move, score, clockMode);
}

void CPlayer::playFound(Move move, int score, SearchReport& played)
{
    CSearch& search = theSearch();
    Move gameMove = gameMoveFor(move);
    if (gameMove == NO_MOVE)
        return;
    const std::vector<Move>& pv = search.savedPv();
    m_lastMoveForced = search.iteration() == 0;
    m_predictedMove = pv.size() >= 2 && sameMove(pv[0], move) ? pv[1] : NO_MOVE;

    theGame().makeMove(gameMove);
    SearchReport report;
    report.kind = REPORT_FINISHED;
    int completed = search.iteration() - (search.stopRequest() == STOP_NONE ? 0 : 1);
    report.depth = std::max(completed, 0) * ONE_PLY;
    report.score = score;
    report.nodes = search.totalNodes();
    report.elapsed = search.elapsed();
    report.pv.push_back(gameMove);
    theThinkingOutput().report(report);
    played = report;
    m_lastOutcome = PLAY_MOVE;
}

bool CPlayer::playBookMove(SearchReport& played)
{
    Move bookMove = NO_MOVE;
    double share = 0.0;
    if (!theBooks().chooseBookMove(theGame(), bookMove, share))
        return false;
    Move gameMove = gameMoveFor(bookMove);
    if (gameMove == NO_MOVE)
        return false;
    theGame().makeMove(gameMove);
    m_predictedMove = NO_MOVE;
    SearchReport report;
    report.kind = REPORT_BOOK_MOVE;
    report.pv.push_back(gameMove);
    report.bookShare = share * 100.0;
    theThinkingOutput().report(report);
    played = report;
    m_lastOutcome = PLAY_MOVE;
    return true;
}

PlayResult CPlayer::think(bool clockMode)
{
    PlayResult result;
    if (m_busy)
        return result;
    result.started = true;
    m_busy = true;
    m_pondering = false;
    m_mode = clockMode ? PLAYER_THINK_CLOCK : PLAYER_THINK_FIXED;
    m_searchStartTime = CTimeValue();
    m_lastOutcome = PLAY_NOTHING;
    m_lastMoveForced = false;
    m_searchBegin = CTimeValue::now();
    CSearch& search = theSearch();
    search.setPondering(false);
    search.setPonderMove(NO_MOVE);
    ensureKpkTable();

    Move move = NO_MOVE;
    int score = 0;
    if (!playBookMove(result.played))
    {
        bool found = runSearch(clockMode, move, score);
        if (found && move != NO_MOVE && search.stopRequest() != STOP_ABORT)
            playFound(move, score, result.played);
    }
    m_lastSearchTime = (CTimeValue::now() - m_searchBegin).seconds();
    m_busy = false;
    m_mode = 0;
    return result;
}

PlayResult CPlayer::ponder(Move predicted, bool clockMode)
{
    PlayResult result;
    if (m_busy)
        return result;
    Move gameMove = gameMoveFor(predicted);
    if (gameMove == NO_MOVE)
        return result;
    result.started = true;
    m_busy = true;
    m_pondering = true;
    m_mode = clockMode ? PLAYER_THINK_CLOCK : PLAYER_THINK_FIXED;
    m_searchStartTime = CTimeValue();
    m_lastOutcome = PLAY_NOTHING;
    m_lastMoveForced = false;
    CSearch& search = theSearch();
    search.setPondering(true);
    search.setPonderMove(gameMove);
    ensureKpkTable();

    theGame().makeMove(gameMove);
    m_searchBegin = CTimeValue::now();
    Move move = NO_MOVE;
    int score = 0;
    bool found = runSearch(clockMode, move, score);
    search.setPondering(false);
    search.setPonderMove(NO_MOVE);

    if (m_pondering)
    {
        // No ponder hit: the predicted move was never played, take it back out.
        theGame().undo();
        if (search.stopRequest() != STOP_ABORT)
        {
            output("!ponder has exited\n");
            m_lastOutcome = PLAY_PONDER_EXITED;
        }
    }
    else if (found && move != NO_MOVE && search.stopRequest() != STOP_ABORT)
    {
        playFound(move, score, result.played);
    }
    CTimeValue start = hasSearchStartTime() ? m_searchStartTime : m_searchBegin;
    m_lastSearchTime = (CTimeValue::now() - start).seconds();
    m_busy = false;
    m_pondering = false;
    m_mode = 0;
    return result;
}

bool CPlayer::analyse(CommandWait waitForCommands)
{
    if (m_busy)
        return false;
    m_busy = true;
    m_pondering = false;
    m_mode = PLAYER_ANALYSE;
    CSearch& search = theSearch();
    search.setPondering(false);
    search.setPonderMove(NO_MOVE);
    search.stop(STOP_NONE);
    ensureKpkTable();
    if (loadSearchBoardFromGame())
    {
        Move move = NO_MOVE;
        int score = 0;
        search.setStartTime(CTimeValue::now());
        if (!search.analyse(move, score) && search.stopRequest() == STOP_NONE)
            output(" No legal move to analyse (%s)\n", score < 0 ? "checkmate" : "stalemate");
    }
    // Nothing more to search, yet the analysis lasts until a command ends or changes it.
    if (waitForCommands && search.stopRequest() == STOP_NONE)
        waitForCommands(search.stopFlag());
    m_busy = false;
    m_mode = 0;
    return true;
}

void CPlayer::ponderHit()
{
    if (!m_pondering)
        return;
    CTimeValue now = CTimeValue::now();
    theTimeControl().addPonderHitTime((now - m_searchBegin).seconds());
    m_searchStartTime = now;
    m_pondering = false;
    // The search's clock restarts now and its deadline is measured from here.
    theSearch().ponderHit();
}

void CPlayer::stop()
{
    if (m_busy)
        theSearch().stop(STOP_ABORT);
}

void CPlayer::moveNow()
{
    if (m_busy)
        theSearch().stop(STOP_MOVE_NOW);
}

void CPlayer::resetSearchSettings()
{
    theSearch().newGameDefaults();
    theSearch().setMaxIterations(100);
}

void CPlayer::setAllotment(const TimeAllotment& allotment)
{
    theSearch().setAllottedTime(allotment.allotted);
    theSearch().setMaximumTime(allotment.maximum);
}

void CPlayer::setMaxDepth(int depth) { theSearch().setMaxIterations(depth); }

std::string CPlayer::statusLine() const
{
    const CSearch& search = theSearch();
    // The root of the running search is the game's current position (a ponder search has
    // the predicted move made in the record).
    std::string san = search.currentRootMove() != NO_MOVE ? theGame().moveToSan(search.currentRootMove()) : "";
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, "stat01: %d %d %d %d %d %s\n", int(search.elapsed() * 100.0),
                  int(uint32_t(uint64_t(search.totalNodes()))), search.iteration(),
                  search.rootMoveCount() - search.currentRootIndex(), search.rootMoveCount(), san.c_str());
    return buffer;
}

CPlayer& thePlayer()
{
    static CPlayer player;
    return player;
}

// CPlayer: runs the engine's think, ponder and analysis searches on the game record's
// current position and plays the result into the record.
#pragma once

#include <cstdint>
#include <string>

#include "board/types.h"
#include "game/timecontrol.h"
#include "search/report.h"
#include "base/timevalue.h"

// Player modes (what the running search is for).
constexpr int PLAYER_THINK_FIXED = 1;  // fixed time per move
constexpr int PLAYER_THINK_CLOCK = 2;  // under a clock
constexpr int PLAYER_ANALYSE = 3;

// What a think or ponder search did.
struct PlayResult
{
    // False when the player refused to start (a search already runs).
    bool started = false;
    // The move made in the game record, as reported to the thinking output: a book move
    // (REPORT_BOOK_MOVE) or the search's move (REPORT_FINISHED) as a one-move line; kind 0
    // when nothing was played.
    SearchReport played;

    // True when the search ran, whether or not it played a move.
    explicit operator bool() const { return started; }
};

// How the last think or ponder search ended.
constexpr int PLAY_NOTHING = 0;        // aborted, refused, or nothing to play
constexpr int PLAY_MOVE = 1;           // a move was made in the game record
constexpr int PLAY_PONDER_EXITED = 2;  // a ponder search ended by itself; nothing played

class CPlayer
{
public:
    // Each returns false (not started) without doing anything when a search already runs.
    // think: book move or search on the current position; the move found is made in the
    // game record, reported (kind 7 or 8) to the thinking output and returned.
    PlayResult think(bool clockMode);
    // ponder: makes the predicted move in the game record and searches the position after it
    // until a ponder hit turns it into the engine's own search, or it is stopped. After a
    // ponder hit the move found is played and returned as think's is.
    PlayResult ponder(Move predicted, bool clockMode);
    // analyse: searches the current position until stopped; nothing is played. A search that
    // ends by itself (no legal move, every iteration done) does not end analysis mode: the
    // player stays busy and hands over to waitForCommands until a command stops it.
    typedef void (*CommandWait)(const volatile int& stopRequest);
    bool analyse(CommandWait waitForCommands = nullptr);

    bool isBusy() const { return m_busy; }
    bool isPondering() const { return m_pondering; }
    int mode() const { return m_mode; }
    Move predictedMove() const { return m_predictedMove; }
    // Zero until a ponder hit sets it (the time the opponent's predicted move arrived).
    CTimeValue searchStartTime() const { return m_searchStartTime; }
    bool hasSearchStartTime() const { return m_searchStartTime.seconds() != 0.0; }
    int moveNumberAtReset() const { return m_moveNumberAtReset; }
    int lastOutcome() const { return m_lastOutcome; }

    void reset(int moveNumber);
    // The opponent played the predicted move: the ponder search becomes the engine's own.
    void ponderHit();
    void stop();     // abort: nothing is played
    void moveNow();  // end the search and play the best move so far

    // ---- The search's settings and figures, for the driver -------------------------------
    // Search settings of a new game: depth limit, extensions, null move, no table clearing.
    void resetSearchSettings();
    // Hands the time for the next search over; the depth limit comes from `sd`.
    void setAllotment(const TimeAllotment& allotment);
    void setMaxDepth(int depth);
    // Wall time the last think or ponder search took (from its start, or from the ponder hit).
    double lastSearchTime() const { return m_lastSearchTime; }
    // The last search answered at once with its only legal move.
    bool lastMoveForced() const { return m_lastMoveForced; }
    // The "." status line of the running search (empty when none runs).
    std::string statusLine() const;

private:
    bool runSearch(bool clockMode, Move& move, int& score);
    bool playBookMove(SearchReport& played);
    void playFound(Move move, int score, SearchReport& played);

    bool m_busy = false;
    bool m_pondering = false;
    int m_mode = 0;
    Move m_predictedMove = NO_MOVE;
    CTimeValue m_searchStartTime;
    int m_moveNumberAtReset = 0;
    int m_lastOutcome = PLAY_NOTHING;
    CTimeValue m_searchBegin;
    double m_lastSearchTime = 0.0;
    bool m_lastMoveForced = false;
};

CPlayer& thePlayer();

// Loads the search board with the game record's current position and the keys of the game's
// positions since its last capture or pawn move, so that repetitions are seen.
bool loadSearchBoardFromGame();

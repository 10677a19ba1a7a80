// The search: iterative deepening with an aspiration window over a
// principal-variation alpha-beta search and a capture-only quiescence search,
// on the single search board (CBoard), with the transposition table.
//
// How the game driver uses it (all on the one thread, synchronously):
//
//   CSearch& s = theSearch();
//   s.setAllottedTime(t);           // seconds for this move (also sets the maximum to t)
//   s.setMaximumTime(max);          // how far a failing-low search may overrun
//   s.setStartTime(now);            // optional: otherwise the search starts its clock itself
//   s.setPondering(true/false);     // pondering: no deadline until ponderHit()
//   s.setPonderMove(predicted);     // while pondering: shown in braces in the thinking lines
//   s.setObserver(&theThinkingOutput());  // reports go to one observer (set once at start-up)
//   CBoard::load(...);              // the position to search
//   s.think(move, score, timed) / s.analyse(move, score)
//
// While a search runs, commands reach it through the input poll every 2048
// nodes (the current mode list); a handler ends it with stop(STOP_ABORT) (the
// result is not to be played) or stop(STOP_MOVE_NOW) (play the best move so
// far). ponderHit() turns a ponder search into the engine's own search.
// Readable during and after a search: bestMove(), currentScore() (pawns),
// iteration(), rootMoveCount(), currentRootMove(), currentRootIndex(),
// totalNodes(), elapsed(), savedPv(), savedPvEntry(), foundDepth(),
// bestMoveChangeTime().
// think/analyse return false when the root has no legal move (or a search
// already runs); otherwise the move is always a legal root move, even when
// the search was stopped before it finished its first iteration.
// Settings commands change the public members below; newGameDefaults()
// restores them (the `new` command). resizeHashTable() in search/commands.h
// sizes the table from the hash setting (start-up and every new game).
#pragma once

#include <cstdint>
#include <vector>

#include "board/board.h"
#include "board/movelist.h"
#include "board/types.h"
#include "search/hashtable.h"
#include "search/report.h"
#include "base/timevalue.h"

constexpr int MATE = 321000;
constexpr int MATE_BOUND = 320000;  // beyond this a score is a mate score
constexpr int ONE_PLY = 8;
constexpr int MAX_PLY = 99;
constexpr int PLY_SLOTS = 101;
constexpr int MAX_PV = 100;

// Stop requests.
constexpr int STOP_NONE = 0;
constexpr int STOP_TIME = 1;
constexpr int STOP_ABORT = 2;
constexpr int STOP_MOVE_NOW = 3;

// Search modes.
constexpr int SEARCH_IDLE = 0;
constexpr int SEARCH_UNTIMED = 1;
constexpr int SEARCH_TIMED = 2;
constexpr int SEARCH_ANALYSIS = 3;

// Exchange values by piece type, and the coarse units.
extern const int PIECE_VALUE[7];
extern const int COARSE_VALUE[7];

struct PlyInfo
{
    int recaptureSquare = -1;
    int capturedValue = 0;
    bool inCheck = false;
    Move currentMove = 0;
};

// The stages the move pickers step through. Out of check nextMove runs them
// from the hash move to the remaining moves in this order; in check
// nextEvasion goes from the hash move to scoring the evasions and then hands
// out the remaining ones.
enum MovePickStage
{
    PICK_HASH_MOVE,          // the table's move, when it can be played here
    PICK_GENERATE_CAPTURES,  // captures and promotions, scored and sorted
    PICK_GOOD_CAPTURES,      // those that win or keep material
    PICK_FIRST_KILLER,       // quiet moves that cut off at this ply before
    PICK_SECOND_KILLER,
    PICK_GENERATE_QUIET_MOVES,  // non-captures appended, moves already tried dropped
    PICK_HISTORY_MOVES,         // a few quiet moves with the best history
    PICK_SCORE_EVASIONS,        // in check: every evasion scored and sorted at once
    PICK_REMAINING_MOVES        // whatever is left, in list order
};

struct MoveOrderState
{
    Move hashMove = 0;
    Move killer1 = 0;
    Move killer2 = 0;
    MovePickStage stage = PICK_HASH_MOVE;
    int index = 0;
    int count = 0;
    CMoveList list;
    int scores[CMoveList::CAPACITY];
};

// A line stored deepest move first, with the table entry it ended in.
struct CPvLine
{
    Move moves[MAX_PV];
    int count = 0;
    CHashEntry entry;
    void clear()
    {
        count = 0;
        entry.clear();
    }
};

// History counters by side and by the from and to squares of a move.
constexpr int HISTORY_SLOTS = 4096;
typedef int32_t HistoryTable[2][HISTORY_SLOTS];
constexpr int historySlot(Move move) { return int(move & (HISTORY_SLOTS - 1)); }
// What a move that cut off at the given depth adds to its counter.
constexpr int historyBonus(int depth) { return depth * depth / 64; }

struct SearchStatistics
{
    uint64_t nodes, probes, hits, draftHits, cutsExact, cutsUpper, cutsLower;
    uint64_t storesExact, storesUpper, storesLower;
    uint64_t extCheck, extRecapture, extPawnPush, extOneReply, nullRefused, draws;
    uint64_t failHigh1, failHigh2, failHigh3, failHighs;
    uint64_t qnodes, qGenerated, qTested, qMade;
    int maxQDepth;
};

class CSearch
{
public:
    CSearch();

    // ---- Entry points -------------------------------------------------------------
    bool think(Move& move, int& score, bool timed);
    bool analyse(Move& move, int& score);
    bool run(Move& move, int& score);
    void stop(int reason) { m_stop = reason; }
    int stopRequest() const { return m_stop; }
    const volatile int& stopFlag() const { return m_stop; }
    bool isRunning() const { return m_mode != SEARCH_IDLE; }
    int mode() const { return m_mode; }

    // ---- Time and limits ---------------------------------------------------------
    void setAllottedTime(double seconds)
    {
        m_allotted = seconds;
        m_maximum = seconds;
    }
    void setMaximumTime(double seconds) { m_maximum = seconds; }
    double allottedTime() const { return m_allotted; }
    double maximumTime() const { return m_maximum; }
    // The clock of the next search starts here instead of when it is called.
    void setStartTime(CTimeValue start)
    {
        m_startTime = start;
        m_startTimeGiven = true;
    }
    CTimeValue startTime() const { return m_startTime; }
    void setPondering(bool on) { m_pondering = on; }
    bool pondering() const { return m_pondering; }
    // The predicted move being pondered on (shown in the thinking lines).
    void setPonderMove(Move move) { m_ponderMove = move; }
    // The pondered move was played: the clock starts now and the deadline applies.
    void ponderHit();
    void setMaxIterations(int n);
    int maxIterations() const { return m_maxIterations; }
    bool timeExtended() const { return m_timeExtended; }

    // ---- Settings (reset by newGameDefaults) -------------------------------------
    int checkExtension = 8;
    int recaptureExtension = 6;
    int pawnPushExtension = 8;
    int oneReplyExtension = 6;
    bool useNullMove = true;
    bool clearHashTable = false;
    bool showPvQuiescence = true;
    int hashAge = 1;
    void newGameDefaults();

    // ---- Observer ------------------------------------------------------------------
    void setObserver(SearchObserver* observer) { m_observer = observer; }
    SearchObserver* observer() const { return m_observer; }
    // The input poll run every 2048 nodes; none until start-up installs the
    // shell's dispatch through the current mode list. Tests may replace it.
    typedef void (*InputPoll)(const volatile int& stopRequest);
    void setInputPoll(InputPoll poll) { m_inputPoll = poll; }
    InputPoll inputPoll() const { return m_inputPoll; }

    // ---- State readable by others ----------------------------------------------------
    Move bestMove() const { return m_bestMove; }
    double currentScore() const { return m_currentScore; }
    int foundDepth() const { return m_foundDepth; }
    // Seconds from the search start to the last change of the best root move.
    double bestMoveChangeTime() const { return m_bestMoveChangeTime; }
    int iteration() const { return m_iteration; }
    int rootMoveCount() const { return m_rootMoveCount; }
    Move currentRootMove() const { return m_currentRootMove; }
    int currentRootIndex() const { return m_currentRootIndex; }
    int64_t totalNodes() const { return int64_t(m_stats.nodes + m_stats.qnodes); }
    int64_t cumulativeNodes() const { return m_cumulativeNodes; }
    // Seconds since the search started (after it: the whole search's time).
    double elapsed() const;
    const std::vector<Move>& savedPv() const { return m_savedPv; }
    const CHashEntry& savedPvEntry() const { return m_savedPvEntry; }
    const SearchStatistics& statistics() const { return m_stats; }
    int rootEval(int colour) const { return m_rootEval[colour]; }
    const CMoveList& rootMoves() const { return m_rootMoves; }

    // ---- The search proper ---------------------------------------------------------
    int search(int depth, int ply, int alpha, int beta, bool allowNull);
    int quiesce(int qdepth, int ply, int alpha, int beta);
    bool nextMove(int ply, Move& move, HistoryTable& history);
    bool nextEvasion(int ply, Move& move, HistoryTable& history);
    static int staticExchange(Move move);
    void updatePv(int ply, Move move);
    int aspirationSearch(int depth, int ply, Move& move, int previousScore);
    int searchRoot(int depth, int ply, int alpha, int beta, Move& bestMove);

    // ---- Statistics ----------------------------------------------------------------------
    void printStatistics(double elapsed);
    // The iteration number quiescence sizes its depth limit with (tests set it).
    void setIteration(int n) { m_iteration = n; }
    // Empties history, killers and counters as a new search does, with the
    // board's position taken as a node at the given ply (tests use it to call
    // search() and quiesce() directly).
    void prepareDirectSearch(int ply = 0);

private:
    friend class CSearchTestAccess;

    void resetOrdering(int ply);

    // The steps of search(), in the order it takes them; defined inline in
    // search.cpp, the only caller, so that they fold into the hot path.
    inline bool countNodeAndPoll();
    inline bool probeTable(int depth, int ply, int alpha, int beta, int nullReduction, bool& allowNull, int& value);
    inline bool tryNullMove(int depth, int ply, int alpha, int beta, int reduction, int& value);
    inline bool isOnRootWindow(int ply, int alpha, int beta) const;
    inline bool internalIterativeDeepening(int depth, int ply, int alpha, int beta);
    inline int moveExtension(Move move, int depth, int ply, bool givesCheck, bool inCheck, int moveCount);
    inline int searchChild(int depth, int ply, int alpha, int beta, bool firstMove);
    inline int childValue(int depth, int ply, int alpha, int beta);
    inline void recordCutOff(int ply, Move move, int moveCount, int depth, int side);
    inline void storeResult(int depth, int ply, int side, int result, int originalAlpha, int beta, Move bestMove);

    void report(int kind, int depth, int score);
    void copyRootLineToSavedPv(int ply);
    bool isRepetitionDraw(int ply);
    void pollClockAndInput();
    void historyUpdate(int side, Move move, int depth);
    void stuffSavedPv();
    int zugzwangSafeSquares();

    PlyInfo m_plyInfo[PLY_SLOTS + 1];
    MoveOrderState m_order[PLY_SLOTS + 1];
    CPvLine m_pvStore[PLY_SLOTS + 1];
    CPvLine* m_pv[PLY_SLOTS + 1];
    HistoryTable m_history;
    SearchStatistics m_stats;

    volatile int m_stop = STOP_NONE;
    int m_mode = SEARCH_IDLE;
    bool m_pondering = false;
    Move m_ponderMove = 0;
    int m_maxIterations = 100;
    double m_allotted = 10.0;
    double m_maximum = 10.0;
    CTimeValue m_startTime;
    bool m_startTimeGiven = false;
    double m_finalElapsed = 0.0;
    CTimeValue m_deadline;
    bool m_timeExtended = false;
    double m_bestMoveChangeTime = 0.0;
    double m_lastIterationEnd = 0.0;

    CMoveList m_rootMoves;
    int64_t m_rootNodes[CMoveList::CAPACITY];
    std::vector<Move> m_savedPv;
    CHashEntry m_savedPvEntry;
    int m_rootAlpha = -MATE;
    int m_rootBeta = MATE;
    int m_iteration = 0;
    Move m_currentRootMove = 0;
    int m_currentRootIndex = 0;
    int m_rootMoveCount = 0;
    Move m_bestMove = 0;
    double m_currentScore = 0.0;
    int m_foundDepth = 0;
    int m_rootEval[2] = {0, 0};
    int64_t m_cumulativeNodes = 0;
    double m_totalTime = 0.0;
    int m_rootSide = WHITE;

    SearchObserver* m_observer = nullptr;
    InputPoll m_inputPoll = nullptr;
};

CSearch& theSearch();

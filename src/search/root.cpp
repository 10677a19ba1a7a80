// Iterative deepening, the aspiration window and the root move loop.
#include <algorithm>
#include <cstring>

#include "eval/evaluate.h"
#include "search/search.h"
#include "base/output.h"

namespace
{
// The aspiration window: this far either side of the last iteration's score.
constexpr int ASPIRATION_WINDOW = 400;

// Moves the entry at 'from' to 'to' (to <= from), shifting the others down.
void moveToFront(CMoveList& list, int64_t* nodes, int from, int to)
{
    Move move = list[from];
    int64_t count = nodes[from];
    for (int i = from; i > to; --i)
    {
        list[i] = list[i - 1];
        nodes[i] = nodes[i - 1];
    }
    list[to] = move;
    nodes[to] = count;
}
}  // namespace

double CSearch::elapsed() const
{
    if (m_mode == SEARCH_IDLE)
        return m_finalElapsed;
    return (CTimeValue::now() - m_startTime).seconds();
}

void CSearch::ponderHit()
{
    m_startTime = CTimeValue::now();
    m_deadline = m_startTime + CTimeValue(m_allotted);
    m_timeExtended = false;
    m_pondering = false;
}

void CSearch::report(int kind, int depth, int score)
{
    if (!m_observer)
        return;
    SearchReport r;
    r.kind = kind;
    r.depth = depth;
    r.score = score;
    r.nodes = totalNodes();
    r.elapsed = elapsed();
    r.ponderMove = m_pondering ? m_ponderMove : 0;
    r.pv = m_savedPv;
    r.pvEndEntry = m_savedPvEntry;
    m_observer->report(r);
}

void CSearch::copyRootLineToSavedPv(int ply)
{
    const CPvLine& line = *m_pv[ply];
    m_savedPv.clear();
    for (int i = line.count - 1; i >= 0; --i)
        m_savedPv.push_back(line.moves[i]);
    m_savedPvEntry = line.entry;
}

bool CSearch::think(Move& move, int& score, bool timed)
{
    if (m_mode != SEARCH_IDLE)
        return false;
    m_mode = timed ? SEARCH_TIMED : SEARCH_UNTIMED;
    bool result = run(move, score);
    m_mode = SEARCH_IDLE;
    return result;
}

bool CSearch::analyse(Move& move, int& score)
{
    if (m_mode != SEARCH_IDLE)
        return false;
    m_mode = SEARCH_ANALYSIS;
    double allotted = m_allotted, maximum = m_maximum;
    int iterations = m_maxIterations;
    m_allotted = m_maximum = 365.0 * 86400.0;
    m_maxIterations = 100;
    bool result = run(move, score);
    m_allotted = allotted;
    m_maximum = maximum;
    m_maxIterations = iterations;
    m_mode = SEARCH_IDLE;
    return result;
}

// Writes the previous principal variation into the table so it is tried first.
void CSearch::stuffSavedPv()
{
    int made = 0;
    for (Move move : m_savedPv)
    {
        if (move == 0 || !CBoard::hasRoom() || !CBoard::isPseudoLegal(move))
            break;
        theHashTable().stuff(CBoard::hashKey(), CBoard::sideToMove(), hashAge, move);
        CBoard::makeMove(move);
        ++made;
    }
    while (made-- > 0)
        CBoard::unmakeMove();
}

bool CSearch::run(Move& move, int& score)
{
    // A fresh search: its clock, the evaluation's per-search state, nothing found yet.
    if (!m_startTimeGiven)
        m_startTime = CTimeValue::now();
    m_startTimeGiven = false;
    m_rootSide = CBoard::sideToMove();
    SetGameStage();
    m_iteration = 0;
    m_currentRootMove = 0;
    m_currentRootIndex = 0;
    m_rootMoveCount = 0;
    m_bestMove = 0;
    m_currentScore = 0.0;
    m_foundDepth = 0;
    m_bestMoveChangeTime = 0.0;
    // Entries of this search are told from older ones by their age.
    if (clearHashTable)
        theHashTable().clear();
    hashAge = hashAge >= 15 ? 1 : hashAge + 1;
    static const char* const STAGES[3] = {"Opening\n", "Middle game\n", "Endgame\n"};
    int stage = GameStage();
    output(" Game stage: %s", stage >= 0 && stage <= 2 ? STAGES[stage] : "");
    // Ordering knowledge and counters start empty.
    m_lastIterationEnd = 0.0;
    std::memset(m_history, 0, sizeof m_history);
    std::memset(&m_stats, 0, sizeof m_stats);
    for (int i = 0; i <= PLY_SLOTS; ++i)
    {
        m_order[i].killer1 = m_order[i].killer2 = 0;
        m_plyInfo[i] = PlyInfo();
    }
    // The root's own evaluation, the score before any iteration.
    int eval = Evaluate(-MATE_BOUND, MATE_BOUND);
    m_rootEval[m_rootSide] = eval;
    m_rootEval[1 - m_rootSide] = -eval;
    output(" Current eval: %1.3f\n", eval * 0.001);
    m_savedPv.clear();
    m_savedPvEntry.clear();
    report(REPORT_STARTED, 0, 0);
    m_stop = STOP_NONE;
    m_deadline = m_startTime + CTimeValue(m_allotted);
    m_timeExtended = false;
    // The legal root moves, each with the nodes its subtree took last time.
    m_rootMoves.clear();
    CBoard::generateSortedLegalMoves(m_rootMoves);
    std::fill(m_rootNodes, m_rootNodes + CMoveList::CAPACITY, 0);
    m_rootMoveCount = m_rootMoves.size();
    m_plyInfo[0].inCheck = CBoard::isInCheck(m_rootSide);
    // No legal move: mate or stalemate, nothing to search.
    if (m_rootMoves.empty())
    {
        move = 0;
        score = m_plyInfo[0].inCheck ? -MATE : 0;
        m_finalElapsed = elapsed();
        return false;
    }
    // Only one legal move: played without a search, unless pondering or analysing.
    if (m_rootMoves.size() == 1 && !m_pondering && m_mode != SEARCH_ANALYSIS)
    {
        move = m_rootMoves[0];
        score = 0;
        m_bestMove = move;
        m_savedPv.assign(1, move);
        report(REPORT_ONE_MOVE, 0, 0);
        m_finalElapsed = elapsed();
        return true;
    }
    // Iterative deepening.
    int previousScore = eval;
    Move previousMove = 0;
    Move resultMove = 0;
    int resultScore = eval;
    for (int iteration = 1; iteration <= m_maxIterations && m_stop == STOP_NONE; ++iteration)
    {
        m_iteration = iteration;
        double t0 = elapsed();
        const int depth = ONE_PLY * iteration;
        if (depth > ONE_PLY)
        {
            // Root moves after the first by subtree size of the last iteration.
            for (int i = 2; i < m_rootMoves.size(); ++i)
            {
                int j = i;
                while (j > 1 && m_rootNodes[j - 1] < m_rootNodes[i])
                    --j;
                if (j < i)
                    moveToFront(m_rootMoves, m_rootNodes, i, j);
            }
        }
        Move bestMove = previousMove;
        int v = aspirationSearch(depth, 0, bestMove, previousScore);
        double t1 = elapsed();
        double iterationTime = t1 - t0;
        m_lastIterationEnd = t1;
        if (m_stop != STOP_NONE)
        {
            resultMove = bestMove != 0 ? bestMove : previousMove;
            resultScore = bestMove != 0 ? v : previousScore;
            break;
        }
        report(REPORT_LINE, depth, v);
        resultMove = bestMove;
        resultScore = v;
        if (!m_pondering)
        {
            if (m_mode == SEARCH_TIMED && m_startTime + CTimeValue(t1 + iterationTime) > m_deadline)
                break;
            if (m_mode != SEARCH_ANALYSIS && v > MATE_BOUND && MATE - v < iteration)
                break;
        }
        previousMove = bestMove;
        previousScore = v;
    }
    // A search stopped before it found anything still answers with a legal move.
    if (resultMove == 0)
    {
        resultMove = m_rootMoves[0];
        resultScore = previousScore;
    }
    // The search is over: statistics and result.
    double total = elapsed();
    if (total <= 0.0)
        total = 0.001;
    printStatistics(total);
    m_bestMove = resultMove;
    m_currentScore = resultScore * 0.001;
    move = resultMove;
    score = resultScore;
    m_finalElapsed = total;
    return true;
}

int CSearch::aspirationSearch(int depth, int ply, Move& move, int previousScore)
{
    // The side not to move in check: the position is illegal.
    if (CBoard::isInCheck(1 - CBoard::sideToMove()))
        return MATE - ply;
    // The window around the last score; after a mate score, from just below it
    // to the end of that mate range.
    int alpha = previousScore - ASPIRATION_WINDOW, beta = previousScore + ASPIRATION_WINDOW;
    if (previousScore > MATE_BOUND)
    {
        alpha = previousScore - 1;
        beta = MATE;
    }
    else if (previousScore < -MATE_BOUND)
    {
        alpha = previousScore - 1;
        beta = -MATE_BOUND;
    }
    Move rootMove = move;
    move = 0;
    int result = 0;
    bool failedHigh = false, failedLow = false;
    // At most one re-search per direction, with the window opened on the failing side.
    while (m_stop == STOP_NONE)
    {
        int v = searchRoot(depth, ply, alpha, beta, rootMove);
        if (m_stop != STOP_NONE)
        {
            if (rootMove != 0)
            {
                result = v;
                move = rootMove;
            }
            break;
        }
        double spent = elapsed();
        if (v <= alpha && !failedLow)
        {
            report(REPORT_FAIL_LOW, depth, v);
            if (!failedHigh)
            {
                alpha = v <= -MATE_BOUND ? v : -MATE;
                beta = v + 1;
            }
            else
            {
                alpha = -MATE;
                beta = MATE;
            }
            failedLow = true;
            rootMove = move;
            if (m_mode == SEARCH_TIMED && !m_timeExtended && 3 * spent > m_allotted)
            {
                m_deadline = m_deadline + CTimeValue(m_maximum - m_allotted);
                m_timeExtended = true;
            }
        }
        else if (v >= beta && !failedHigh)
        {
            report(REPORT_FAIL_HIGH, depth, v);
            alpha = failedLow ? -MATE : v - 1;
            beta = MATE;
            failedHigh = true;
            move = rootMove;
            result = v;
        }
        else
        {
            result = v;
            move = rootMove;
            break;
        }
    }
    return result;
}

int CSearch::searchRoot(int depth, int ply, int alpha, int beta, Move& bestMove)
{
    // The last principal variation goes first in the second iteration on.
    if (depth > ONE_PLY)
        stuffSavedPv();
    if (isRepetitionDraw(ply))
    {
        m_pv[ply]->clear();
        m_savedPv.clear();
        m_savedPvEntry.clear();
        return 0;
    }
    if (depth <= 0)
        return quiesce(depth, ply, alpha, beta);
    int best = -MATE;
    bestMove = 0;
    m_rootAlpha = alpha;
    m_rootBeta = beta;
    const int originalAlpha = alpha;
    int moveCount = 0;
    m_order[ply + 1].killer1 = m_order[ply + 1].killer2 = 0;
    m_rootMoveCount = m_rootMoves.size();
    const int side = CBoard::sideToMove();
    PlyInfo& info = m_plyInfo[ply];
    // The root move loop: the moves in the order of the last iteration, each
    // by principal-variation search, with no extension but the one for check.
    for (int i = 0; i < m_rootMoves.size(); ++i)
    {
        const Move move = m_rootMoves[i];
        if (!CBoard::hasRoom())
            break;  // a game that filled the board: answered by the first root move
        m_currentRootMove = move;
        m_currentRootIndex = i;
        info.recaptureSquare = isCapture(move) ? moveTo(move) : -1;
        info.capturedValue = isCapture(move) ? COARSE_VALUE[moveCaptured(move)] : 0;
        CBoard::makeMove(move);
        info.currentMove = move;
        const bool givesCheck = CBoard::isInCheck(1 - side);
        m_plyInfo[ply + 1].inCheck = givesCheck;
        int ext = 0;
        if (givesCheck)
        {
            ext = checkExtension;
            ++m_stats.extCheck;
        }
        const int d = depth - ONE_PLY + ext;
        const int64_t before = totalNodes();
        int v;
        if (moveCount == 0)
            v = d > 0 ? -search(d, ply + 1, -beta, -alpha, useNullMove) : -quiesce(d, ply + 1, -beta, -alpha);
        else
        {
            v = d > 0 ? -search(d, ply + 1, -alpha - 1, -alpha, useNullMove) : -quiesce(d, ply + 1, -alpha - 1, -alpha);
            if (v > alpha && v < beta && m_stop == STOP_NONE)
                v = d > 0 ? -search(d, ply + 1, -beta, -alpha, useNullMove) : -quiesce(d, ply + 1, -beta, -alpha);
        }
        m_rootNodes[i] = totalNodes() - before;
        CBoard::unmakeMove();
        if (m_stop != STOP_NONE)
            break;
        ++moveCount;
        if (v > best)
        {
            bestMove = move;
            best = v;
            if (!sameMove(move, m_bestMove))
            {
                m_bestMove = move;
                m_bestMoveChangeTime = elapsed();
            }
            m_currentScore = v * 0.001;
            m_foundDepth = depth / ONE_PLY;
            updatePv(ply, move);
            copyRootLineToSavedPv(ply);
            if (v > alpha)
            {
                moveToFront(m_rootMoves, m_rootNodes, i, 0);
                alpha = v;
            }
            else if (moveCount == 1)
                break;  // the first move failed low: the aspiration window has to open first
            if (v >= beta)
            {
                m_history[side][historySlot(move)] += historyBonus(depth);
                break;
            }
            if (v > originalAlpha)
            {
                copyRootLineToSavedPv(ply);
                report(REPORT_LINE, depth, v);
            }
        }
    }
    // The best move leads the next iteration.
    if (moveCount > 0 && bestMove != 0)
    {
        for (int i = 0; i < m_rootMoves.size(); ++i)
            if (m_rootMoves[i] == bestMove)
            {
                moveToFront(m_rootMoves, m_rootNodes, i, 0);
                break;
            }
    }
    return alpha;
}

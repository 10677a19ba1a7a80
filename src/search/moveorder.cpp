// Staged move ordering: hash move, good captures by exchange value, two
// killers, up to five history picks, then everything else. Moves of the
// table, the killer slots and the generators are compared by from, to and
// promotion only, since the two generators spell castling differently.
#include "board/notation.h"
#include "board/position.h"
#include "search/search.h"
#include "base/output.h"

namespace
{
// Captures are scored by their gain (or exchange value) in these steps, so
// that the sort puts them in order of value.
constexpr int CAPTURE_SCORE_SCALE = 8192;
// Scores that sink a hash move already handed out to the end of its list
// (its slot is emptied as well).
constexpr int HASH_MOVE_CAPTURE_SCORE = -1000000;
constexpr int HASH_MOVE_EVASION_SCORE = -100000;
// Evasions that promote or capture without losing material come before the
// other evasions, whatever their history.
constexpr int EVASION_TACTICAL_BONUS = 10000;
// How many quiet moves are picked by their history before the rest follow in
// generation order.
constexpr int HISTORY_PICKS = 5;

// Insertion sort by score, highest first; equal scores keep their order.
void sortByScore(CMoveList& list, int* scores, int first)
{
    for (int i = first + 1; i < list.size(); ++i)
    {
        Move move = list[i];
        int score = scores[i];
        int j = i - 1;
        while (j >= first && scores[j] < score)
        {
            list[j + 1] = list[j];
            scores[j + 1] = scores[j];
            --j;
        }
        list[j + 1] = move;
        scores[j + 1] = score;
    }
}

void reportBadHashMove(Move move)
{
    CPosition position;
    CBoard::store(position);
    output(" Bad move from hash table! (%s)\n", moveToLongText(move).c_str());
    output(" FEN %s\n", position.toFen().c_str());
}

inline bool isSame(Move a, Move b) { return b != 0 && sameMove(a, b); }

// The first stage of both pickers: the hash move, when it can be played here. A hash move
// that cannot (a key collision) is reported and forgotten.
bool offerHashMove(MoveOrderState& order, Move& move)
{
    if (order.hashMove == 0)
        return false;
    if (CBoard::isPseudoLegal(order.hashMove))
    {
        move = order.hashMove;
        return true;
    }
    reportBadHashMove(order.hashMove);
    order.hashMove = 0;
    return false;
}

// A killer, when it is not the hash move (already tried) and can be played here.
bool offerKiller(const MoveOrderState& order, Move killer, Move& move)
{
    if (killer == 0 || isSame(killer, order.hashMove) || !CBoard::isPseudoLegal(killer))
        return false;
    move = killer;
    return true;
}

// Generates the captures and promotions and sorts them: those that win
// material by their gain, even and losing ones by their exchange value. The
// winning and even ones (and plain promotions) are counted as good.
void scoreCaptures(MoveOrderState& order)
{
    CMoveList& list = order.list;
    int* scores = order.scores;
    list.clear();
    CBoard::generateCaptures(list);
    int good = 0;
    for (int i = 0; i < list.size(); ++i)
    {
        Move m = list[i];
        if (isSame(m, order.hashMove))
        {
            scores[i] = HASH_MOVE_CAPTURE_SCORE;
            list[i] = 0;
            continue;
        }
        if (!isCapture(m))
        {
            scores[i] = 0;  // promotion without capture
            ++good;
            continue;
        }
        int gain = PIECE_VALUE[moveCaptured(m)] - PIECE_VALUE[movePiece(m)];
        if (gain > 0)
        {
            scores[i] = gain * CAPTURE_SCORE_SCALE;
            ++good;
            continue;
        }
        int exchange = CSearch::staticExchange(m);
        scores[i] = exchange * CAPTURE_SCORE_SCALE;
        if (exchange >= 0)
            ++good;
    }
    sortByScore(list, scores, 0);
    order.count = good;
    order.index = 0;
}

// Appends the non-captures after the captures, emptying the slots of the
// moves already handed out as hash move or killers.
void addQuietMoves(MoveOrderState& order)
{
    CMoveList& list = order.list;
    CBoard::generateNonCaptures(list);
    for (int i = order.index; i < list.size(); ++i)
    {
        Move m = list[i];
        if (m != 0 && (isSame(m, order.hashMove) || isSame(m, order.killer1) || isSame(m, order.killer2)))
            list[i] = 0;
    }
    order.count = HISTORY_PICKS;
}

// The move left in the list with the best history, above zero; its slot is emptied.
bool pickByHistory(MoveOrderState& order, const int32_t* history, Move& move)
{
    CMoveList& list = order.list;
    int bestIndex = -1;
    int bestValue = 0;
    for (int i = order.index; i < list.size(); ++i)
    {
        Move m = list[i];
        if (m != 0 && history[historySlot(m)] > bestValue)
        {
            bestValue = history[historySlot(m)];
            bestIndex = i;
        }
    }
    if (bestIndex < 0)
        return false;
    move = list[bestIndex];
    list[bestIndex] = 0;
    return true;
}

// Scores every evasion (generated already): by history, with promotions and
// captures that do not lose material ahead of the rest; then sorts them.
void scoreEvasions(MoveOrderState& order, const int32_t* history)
{
    CMoveList& list = order.list;
    int* scores = order.scores;
    for (int i = 0; i < list.size(); ++i)
    {
        Move m = list[i];
        int h = history[historySlot(m)];
        if (isSame(m, order.hashMove))
        {
            scores[i] = HASH_MOVE_EVASION_SCORE;
            list[i] = 0;
        }
        else if (isPromotion(m) && !isCapture(m))
            scores[i] = PIECE_VALUE[QUEEN] - PIECE_VALUE[movePiece(m)] + EVASION_TACTICAL_BONUS + h;
        else if (isCapture(m))
        {
            int gain = PIECE_VALUE[pieceType(CBoard::pieceAt(moveTo(m)))] -
                       PIECE_VALUE[pieceType(CBoard::pieceAt(moveFrom(m)))];
            if (gain > 0)
                scores[i] = h + EVASION_TACTICAL_BONUS + gain;
            else
            {
                int exchange = CSearch::staticExchange(m);
                scores[i] = exchange >= 0 ? h + EVASION_TACTICAL_BONUS + exchange : h;
            }
        }
        else
            scores[i] = h;
    }
    sortByScore(list, scores, 0);
    order.index = 0;
}

// The last stage of both pickers: the rest of the list in its order, skipping the moves
// already handed out (they were zeroed).
bool takeRemaining(MoveOrderState& order, const CMoveList& list, Move& move)
{
    while (order.index < list.size())
    {
        Move m = list[order.index++];
        if (m != 0)
        {
            move = m;
            return true;
        }
    }
    move = 0;
    return false;
}
}  // namespace

void CSearch::resetOrdering(int ply)
{
    MoveOrderState& order = m_order[ply];
    order.stage = PICK_HASH_MOVE;
    order.index = 0;
    order.count = 0;
    order.list.clear();
}

bool CSearch::nextMove(int ply, Move& move, HistoryTable& history)
{
    MoveOrderState& order = m_order[ply];
    const int32_t* sideHistory = history[CBoard::sideToMove()];
    for (;;)
    {
        switch (order.stage)
        {
        case PICK_HASH_MOVE:
            order.stage = PICK_GENERATE_CAPTURES;
            if (offerHashMove(order, move))
                return true;
            break;
        case PICK_GENERATE_CAPTURES:
            order.stage = PICK_GOOD_CAPTURES;
            scoreCaptures(order);
            break;
        case PICK_GOOD_CAPTURES:
            if (order.count > 0)
            {
                --order.count;
                move = order.list[order.index++];
                return true;
            }
            order.stage = PICK_FIRST_KILLER;
            break;
        case PICK_FIRST_KILLER:
            order.stage = PICK_SECOND_KILLER;
            if (offerKiller(order, order.killer1, move))
                return true;
            break;
        case PICK_SECOND_KILLER:
            order.stage = PICK_GENERATE_QUIET_MOVES;
            if (offerKiller(order, order.killer2, move))
                return true;
            break;
        case PICK_GENERATE_QUIET_MOVES:
            order.stage = PICK_HISTORY_MOVES;
            addQuietMoves(order);
            break;
        case PICK_HISTORY_MOVES:
            if (order.count > 0)
            {
                --order.count;
                if (pickByHistory(order, sideHistory, move))
                    return true;
            }
            order.stage = PICK_REMAINING_MOVES;
            break;
        case PICK_REMAINING_MOVES:
            return takeRemaining(order, order.list, move);
        default:
            move = 0;
            return false;
        }
    }
}

bool CSearch::nextEvasion(int ply, Move& move, HistoryTable& history)
{
    MoveOrderState& order = m_order[ply];
    for (;;)
    {
        switch (order.stage)
        {
        case PICK_HASH_MOVE:
            order.stage = PICK_SCORE_EVASIONS;
            order.list.clear();
            CBoard::generateEvasions(order.list);
            if (offerHashMove(order, move))
                return true;
            break;
        case PICK_SCORE_EVASIONS:
            order.stage = PICK_REMAINING_MOVES;
            scoreEvasions(order, history[CBoard::sideToMove()]);
            break;
        case PICK_REMAINING_MOVES:
            return takeRemaining(order, order.list, move);
        default:
            move = 0;
            return false;
        }
    }
}

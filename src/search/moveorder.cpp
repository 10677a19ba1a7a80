// Staged move ordering: hash move, good captures by exchange value, two
// killers, up to five history picks, then everything else. Moves of the
// table, the killer slots and the generators are compared by from, to and
// promotion only, since the two generators spell castling differently.
#include "board/notation.h"
#include "board/position.h"
#include "search/search.h"
#include "shell/output.h"

namespace
{
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
} // namespace

void CSearch::resetOrdering(int ply)
{
    MoveOrderState& order = m_order[ply];
    order.stage = 0;
    order.index = 0;
    order.count = 0;
    order.list.clear();
}

bool CSearch::nextMove(int ply, Move& move, HistoryTable& history)
{
    MoveOrderState& order = m_order[ply];
    CMoveList& list = order.list;
    int* scores = order.scores;
    const int side = CBoard::sideToMove();
    for (;;)
    {
        switch (order.stage)
        {
        case 0:
            order.stage = 1;
            if (offerHashMove(order, move))
                return true;
            break;
        case 1:
        {
            order.stage = 2;
            list.clear();
            CBoard::generateCaptures(list);
            int good = 0;
            for (int i = 0; i < list.size(); ++i)
            {
                Move m = list[i];
                if (isSame(m, order.hashMove))
                {
                    scores[i] = -1000000;
                    list[i] = 0;
                    continue;
                }
                if (!isCapture(m))
                {
                    scores[i] = 0; // promotion without capture
                    ++good;
                    continue;
                }
                int gain = PIECE_VALUE[moveCaptured(m)] - PIECE_VALUE[movePiece(m)];
                if (gain > 0)
                {
                    scores[i] = gain * 8192;
                    ++good;
                    continue;
                }
                int exchange = staticExchange(m);
                scores[i] = exchange * 8192;
                if (exchange >= 0)
                    ++good;
            }
            sortByScore(list, scores, 0);
            order.count = good;
            order.index = 0;
            break;
        }
        case 2:
            if (order.count > 0)
            {
                --order.count;
                move = list[order.index++];
                return true;
            }
            order.stage = 3;
            break;
        case 3:
            order.stage = 4;
            if (order.killer1 != 0 && !isSame(order.killer1, order.hashMove) && CBoard::isPseudoLegal(order.killer1))
            {
                move = order.killer1;
                return true;
            }
            break;
        case 4:
            order.stage = 5;
            if (order.killer2 != 0 && !isSame(order.killer2, order.hashMove) && CBoard::isPseudoLegal(order.killer2))
            {
                move = order.killer2;
                return true;
            }
            break;
        case 5:
        {
            order.stage = 6;
            CBoard::generateNonCaptures(list);
            for (int i = order.index; i < list.size(); ++i)
            {
                Move m = list[i];
                if (m != 0 && (isSame(m, order.hashMove) || isSame(m, order.killer1) || isSame(m, order.killer2)))
                    list[i] = 0;
            }
            order.count = 5;
            break;
        }
        case 6:
        {
            if (order.count > 0)
            {
                --order.count;
                int bestIndex = -1;
                int bestValue = 0;
                for (int i = order.index; i < list.size(); ++i)
                {
                    Move m = list[i];
                    if (m != 0 && history[side][m & 0xfff] > bestValue)
                    {
                        bestValue = history[side][m & 0xfff];
                        bestIndex = i;
                    }
                }
                if (bestIndex >= 0)
                {
                    move = list[bestIndex];
                    list[bestIndex] = 0;
                    return true;
                }
            }
            order.stage = 7;
            break;
        }
        case 7:
            return takeRemaining(order, list, move);
        default:
            move = 0;
            return false;
        }
    }
}

bool CSearch::nextEvasion(int ply, Move& move, HistoryTable& history)
{
    MoveOrderState& order = m_order[ply];
    CMoveList& list = order.list;
    int* scores = order.scores;
    const int side = CBoard::sideToMove();
    for (;;)
    {
        switch (order.stage)
        {
        case 0:
            order.stage = 5;
            list.clear();
            CBoard::generateEvasions(list);
            if (offerHashMove(order, move))
                return true;
            break;
        case 5:
        {
            order.stage = 7;
            for (int i = 0; i < list.size(); ++i)
            {
                Move m = list[i];
                int h = history[side][m & 0xfff];
                if (isSame(m, order.hashMove))
                {
                    scores[i] = -100000;
                    list[i] = 0;
                }
                else if (isPromotion(m) && !isCapture(m))
                    scores[i] = PIECE_VALUE[QUEEN] - PIECE_VALUE[movePiece(m)] + 10000 + h;
                else if (isCapture(m))
                {
                    int gain = PIECE_VALUE[pieceType(CBoard::pieceAt(moveTo(m)))] -
                               PIECE_VALUE[pieceType(CBoard::pieceAt(moveFrom(m)))];
                    if (gain > 0)
                        scores[i] = h + 10000 + gain;
                    else
                    {
                        int exchange = staticExchange(m);
                        scores[i] = exchange >= 0 ? h + 10000 + exchange : h;
                    }
                }
                else
                    scores[i] = h;
            }
            sortByScore(list, scores, 0);
            order.index = 0;
            break;
        }
        case 7:
            return takeRemaining(order, list, move);
        default:
            move = 0;
            return false;
        }
    }
}

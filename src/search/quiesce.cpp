// Quiescence search: captures and queen promotions only, with stand pat,
// delta pruning and an exchange filter. Legality is not tested here: an
// illegal line is refused one ply later, when the king can be taken.
#include <algorithm>

#include "eval/evaluate.h"
#include "search/search.h"
#include "shell/output.h"

int CSearch::quiesce(int qdepth, int ply, int alpha, int beta)
{
    m_pv[ply]->clear();
    if (ply >= MAX_PLY || !CBoard::hasRoom())
    {
        output("Hit maximum depth limit in q-search!!\n");
        return beta;
    }
    m_stats.maxQDepth = std::max(m_stats.maxQDepth, -qdepth);
    ++m_stats.qnodes;
    const int side = CBoard::sideToMove();
    if (beta <= -MATE_BOUND || alpha >= MATE_BOUND)
        return side == WHITE ? CBoard::m_materialBalance : -CBoard::m_materialBalance;

    // Stand pat.
    const int standPat = Evaluate(alpha, beta);
    if (standPat > alpha)
    {
        if (standPat >= beta)
            return standPat;
        alpha = standPat;
    }
    const int limit = std::max(32, 8 * m_iteration);
    if (-qdepth >= limit)
        return standPat;

    MoveOrderState& order = m_order[ply];
    CMoveList& list = order.list;
    int* scores = order.scores;
    list.clear();
    CBoard::generateCaptures(list);
    if (list.empty())
        return standPat;
    m_stats.qGenerated += uint64_t(list.size());

    // Most valuable victim (plus promotion) first.
    for (int i = 0; i < list.size(); ++i)
    {
        Move move = list[i];
        int score = PIECE_VALUE[moveCaptured(move)] + PIECE_VALUE[movePromotion(move)];
        int j = i - 1;
        while (j >= 0 && scores[j] < score)
        {
            list[j + 1] = list[j];
            scores[j + 1] = scores[j];
            --j;
        }
        list[j + 1] = move;
        scores[j + 1] = score;
    }
    // The king can be taken: the move that led here was illegal.
    if (scores[0] >= PIECE_VALUE[KING])
        return beta;

    for (int i = 0; i < list.size(); ++i)
    {
        ++m_stats.qTested;
        const Move move = list[i];
        const int score = scores[i];
        if (score + standPat < alpha)
            break;
        if (score <= PIECE_VALUE[movePiece(move)] && staticExchange(move) < -250)
            continue;
        CBoard::makeMove(move);
        ++m_stats.qMade;
        m_plyInfo[ply].currentMove = move;
        int v = -quiesce(qdepth - 8, ply + 1, -beta, -alpha);
        CBoard::unmakeMove();
        if (v > alpha)
        {
            if (showPvQuiescence)
                updatePv(ply, move);
            if (v >= beta)
                return v;
            alpha = v;
        }
    }
    return alpha;
}

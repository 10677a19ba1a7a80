// Quiescence search: captures and queen promotions only, with stand pat,
// delta pruning and an exchange filter. Legality is not tested here: an
// illegal line is refused one ply later, when the king can be taken.
#include <algorithm>

#include "eval/evaluate.h"
#include "search/search.h"
#include "base/output.h"

namespace
{
// Captures are followed at least four plies deep, and from the fifth
// iteration on as many plies as the iteration number.
constexpr int QUIESCE_MIN_DEPTH_LIMIT = 4 * ONE_PLY;
// A capture that may lose material is searched when the exchange costs no
// more than a quarter pawn.
constexpr int MAX_EXCHANGE_LOSS = 250;

// Scores the captures by what they win (the victim, plus the piece a pawn
// promotes to) and sorts them highest first; equal scores keep their order.
void sortByVictim(CMoveList& list, int* scores)
{
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
}
}  // namespace

int CSearch::quiesce(int qdepth, int ply, int alpha, int beta)
{
    m_pv[ply]->clear();
    // The per-ply tables, and the board's state stack, end here.
    if (ply >= MAX_PLY || !CBoard::hasRoom())
    {
        output("Hit maximum depth limit in q-search!!\n");
        return beta;
    }
    m_stats.maxQDepth = std::max(m_stats.maxQDepth, -qdepth);
    ++m_stats.qnodes;
    const int side = CBoard::sideToMove();
    // A window beyond a mate bound leaves nothing for the evaluation to
    // decide: the material is answer enough.
    if (beta <= -MATE_BOUND || alpha >= MATE_BOUND)
        return side == WHITE ? CBoard::m_materialBalance : -CBoard::m_materialBalance;

    // Stand pat: the side to move need not capture at all.
    const int standPat = Evaluate(alpha, beta);
    if (standPat > alpha)
    {
        if (standPat >= beta)
            return standPat;
        alpha = standPat;
    }
    if (-qdepth >= std::max(QUIESCE_MIN_DEPTH_LIMIT, ONE_PLY * m_iteration))
        return standPat;

    MoveOrderState& order = m_order[ply];
    CMoveList& list = order.list;
    int* scores = order.scores;
    list.clear();
    CBoard::generateCaptures(list);
    if (list.empty())
        return standPat;
    m_stats.qGenerated += uint64_t(list.size());
    sortByVictim(list, scores);
    // The king can be taken: the move that led here was illegal.
    if (scores[0] >= PIECE_VALUE[KING])
        return beta;

    for (int i = 0; i < list.size(); ++i)
    {
        ++m_stats.qTested;
        const Move move = list[i];
        const int score = scores[i];
        // Delta pruning: when even this victim cannot lift the stand pat to
        // alpha, no later (smaller) one can.
        if (score + standPat < alpha)
            break;
        // Taking a piece worth no more than the capturer may lose it back.
        if (score <= PIECE_VALUE[movePiece(move)] && staticExchange(move) < -MAX_EXCHANGE_LOSS)
            continue;
        CBoard::makeMove(move);
        ++m_stats.qMade;
        m_plyInfo[ply].currentMove = move;
        const int v = -quiesce(qdepth - ONE_PLY, ply + 1, -beta, -alpha);
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

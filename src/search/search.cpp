// The full-width alpha-beta search below the root.
#include "search/search.h"

#include <algorithm>
#include <cstring>

#include "board/bitboard.h"
#include "shell/command.h"
#include "shell/output.h"

const int PIECE_VALUE[7] = {0, 1000, 3497, 3505, 5505, 10001, 100000};
const int COARSE_VALUE[7] = {0, 1, 3, 3, 5, 9, 10000};

namespace
{
constexpr Bitboard LIGHT_SQUARES = 0x55aa55aa55aa55aaULL;

// Squares attacked by the pawns of a colour.
inline Bitboard pawnAttacks(int colour)
{
    if (colour == WHITE)
    {
        Bitboard p = CBoard::pieces(PAWN);
        return ((p << 7) & ~attacks::FILE_H) | ((p << 9) & ~attacks::FILE_A);
    }
    Bitboard p = CBoard::pieces(-PAWN);
    return ((p >> 9) & ~attacks::FILE_H) | ((p >> 7) & ~attacks::FILE_A);
}

inline int count(int code) { return CBoard::m_pieceCount[code + 6]; }
} // namespace

CSearch::CSearch()
{
    for (int i = 0; i <= PLY_SLOTS; ++i)
        m_pv[i] = &m_pvStore[i];
    std::memset(m_history, 0, sizeof m_history);
    std::memset(&m_stats, 0, sizeof m_stats);
    std::memset(m_rootNodes, 0, sizeof m_rootNodes);
    m_inputPoll = dispatchSearchInput;
    CBoard::setExchangeEvaluator(&CSearch::staticExchange);
}

void CSearch::newGameDefaults()
{
    m_maxIterations = 100;
    checkExtension = 8;
    recaptureExtension = 6;
    pawnPushExtension = 8;
    oneReplyExtension = 6;
    useNullMove = true;
    clearHashTable = false;
    hashAge = 1;
}

void CSearch::setMaxIterations(int n)
{
    m_maxIterations = std::clamp(n, 1, 100);
}

void CSearch::prepareDirectSearch(int ply)
{
    std::memset(m_history, 0, sizeof m_history);
    std::memset(&m_stats, 0, sizeof m_stats);
    for (int i = 0; i <= PLY_SLOTS; ++i)
    {
        m_order[i].killer1 = m_order[i].killer2 = 0;
        m_plyInfo[i] = PlyInfo();
        m_pv[i]->clear();
    }
    m_stop = STOP_NONE;
    m_rootAlpha = -MATE;
    m_rootBeta = MATE;
    if (m_iteration == 0)
        m_iteration = 1;
    m_plyInfo[std::clamp(ply, 0, PLY_SLOTS)].inCheck = CBoard::isInCheck(CBoard::sideToMove());
}

void CSearch::updatePv(int ply, Move move)
{
    CPvLine* child = m_pv[ply + 1];
    if (child->count < MAX_PV)
        child->moves[child->count++] = move;
    std::swap(m_pv[ply], m_pv[ply + 1]);
}

void CSearch::historyUpdate(int side, Move move, int depth)
{
    int32_t& entry = m_history[side][move & 0xfff];
    entry += depth * depth / 64;
    if (entry >= 8192)
        for (int i = 0; i < 4096; ++i)
            m_history[side][i] >>= 2;
}

void CSearch::pollClockAndInput()
{
    if (!m_pondering && CTimeValue::now() >= m_deadline)
    {
        m_stop = STOP_TIME;
        return;
    }
    if (m_inputPoll)
        m_inputPoll(m_stop);
}

// Fifty-move rule and repetitions (of the game before the root or inside the
// tree). Leaves the repetition count in the current record.
bool CSearch::isRepetitionDraw(int ply)
{
    BoardState& state = *CBoard::m_state;
    if (state.fiftyCount >= 100)
    {
        ++m_stats.draws;
        return true;
    }
    int n = std::min<int>(state.fiftyCount, CBoard::statesBelow());
    state.searchCount = 0;
    for (int back = 4; back <= n; back += 2)
    {
        if (CBoard::stateBack(back).hashKey == state.hashKey)
        {
            ++state.searchCount;
            if (ply >= 8 || back < ply || state.searchCount >= 2)
            {
                ++m_stats.draws;
                return true;
            }
        }
    }
    return false;
}

// Safe squares of the side to move's pieces, counted up to 3: a low count
// means a null move could hide a zugzwang.
int CSearch::zugzwangSafeSquares()
{
    const int side = CBoard::sideToMove();
    const int enemy = 1 - side;
    const int sign = side == WHITE ? 1 : -1;
    // A king can be missing only in the odd positions a FEN lets through (a king taken while
    // the side not to move stood in check); it then attacks nothing.
    const int enemyKing = CBoard::kingSquare(enemy);
    const Bitboard unsafe = CBoard::colourPieces(side) | pawnAttacks(enemy) |
                            (enemyKing >= 0 ? attacks::KING_ATTACKS[enemyKing] : Bitboard(0));
    int total = 0;
    for (int type = KNIGHT; type <= QUEEN; ++type)
    {
        Bitboard bits = CBoard::pieces(sign * type);
        while (bits)
        {
            int square = popLowest(bits);
            if (CBoard::isPinned(square))
                continue;
            total += popCount(CBoard::attacksFrom(square) & ~unsafe);
            if (total >= 3)
                return total;
        }
    }
    return total;
}

int CSearch::search(int depth, int ply, int alpha, int beta, bool allowNull)
{
    // 1. Ply limit (also the board's room for more plies).
    if (ply >= MAX_PLY || !CBoard::hasRoom())
    {
        output("Hit maximum depth limit in search!!\n");
        return beta;
    }
    // 2. Node count; clock and input every 2048 nodes.
    if ((++m_stats.nodes & 2047) == 0)
    {
        pollClockAndInput();
        if (m_stop == STOP_TIME)
            return beta;
    }
    // 3.
    m_pv[ply]->clear();
    // 4. Mate distance.
    if (alpha >= MATE - ply)
        return alpha;
    if (beta <= ply - MATE)
        return beta;
    // 5. Draws by rule.
    PlyInfo& info = m_plyInfo[ply];
    info.currentMove = 0;
    if (isRepetitionDraw(ply))
        return 0;
    // 6. Simple endings.
    const int men = CBoard::m_totalPieces;
    if (men == 2)
        return 0;
    if (men == 3)
    {
        int balance = std::abs(CBoard::m_materialBalance);
        if (balance > 1500 && balance < 4500)
            return 0;
        if (count(ROOK) == 1 || count(-ROOK) == 1)
            depth = std::min(depth, 152);
    }
    else if (men == 4)
    {
        int wMinor = count(KNIGHT) + count(BISHOP), bMinor = count(-KNIGHT) + count(-BISHOP);
        if (wMinor == 1 && bMinor == 1)
            depth = std::min(depth, 16);
        if (count(ROOK) == 1 && count(-ROOK) == 1)
            depth = std::min(depth, 48);
        if (count(QUEEN) == 1 && count(-QUEEN) == 1)
            depth = std::min(depth, 96);
        if ((count(ROOK) == 1 && count(-BISHOP) == 1) || (count(-ROOK) == 1 && count(BISHOP) == 1))
            depth = std::min(depth, 112);
        if ((count(ROOK) == 1 && count(-KNIGHT) == 1) || (count(-ROOK) == 1 && count(KNIGHT) == 1))
            depth = std::min(depth, 80);
        if ((count(QUEEN) == 1 && count(-BISHOP) == 1) || (count(-QUEEN) == 1 && count(BISHOP) == 1))
            depth = std::min(depth, 80);
        if ((count(QUEEN) == 1 && count(-KNIGHT) == 1) || (count(-QUEEN) == 1 && count(KNIGHT) == 1))
            depth = std::min(depth, 80);
    }
    if (men > 2)
    {
        int others = men - 2;
        for (int sign = -1; sign <= 1; sign += 2)
        {
            if (count(sign * BISHOP) != others)
                continue;
            Bitboard bishops = CBoard::pieces(sign * BISHOP);
            if ((bishops & LIGHT_SQUARES) == 0 || (bishops & ~LIGHT_SQUARES) == 0)
                return 0;
        }
    }
    // 7. Move ordering for this node.
    MoveOrderState& order = m_order[ply];
    resetOrdering(ply);
    order.hashMove = 0;
    ++m_stats.probes;
    const int side = CBoard::sideToMove();
    const bool inCheck = info.inCheck;
    const int nullReduction = depth <= 48 ? 24 : 32;
    // 8. Transposition table.
    if (ply >= 2)
    {
        uint64_t key = CBoard::hashKey();
        if (CBoard::m_state->searchCount != 0)
            key ^= CBoard::m_zobristValues[9][0];
        CHashEntry entry;
        if (theHashTable().probe(key, side, ply, depth, alpha, beta, entry))
        {
            ++m_stats.hits;
            int value = valueFromTable(entry.value(), ply);
            if (allowNull && (entry.bound() == HASH_FAIL_LOW || entry.bound() == HASH_EXACT) &&
                entry.draft() >= depth - nullReduction && value < beta)
                allowNull = false;
            if (entry.draft() >= depth)
            {
                ++m_stats.draftHits;
                uint64_t* counter = nullptr;
                if (entry.bound() == HASH_FAIL_LOW && value <= alpha)
                    counter = &m_stats.cutsLower;
                else if (entry.bound() == HASH_FAIL_HIGH && value >= beta)
                    counter = &m_stats.cutsUpper;
                else if (entry.bound() == HASH_EXACT)
                    counter = &m_stats.cutsExact;
                if (counter)
                {
                    ++*counter;
                    m_pv[ply]->entry = entry;
                    return value;
                }
            }
            order.hashMove = entry.move();
        }
    }
    // 9. Null move.
    if (allowNull && !inCheck)
    {
        int units = CBoard::m_pieceUnits[side];
        bool refused = false;
        if (units >= 1 && units <= 19 && zugzwangSafeSquares() < 3)
        {
            ++m_stats.nullRefused;
            refused = true;
        }
        if (!refused && CBoard::m_nonPawnMaterial[side] > 0)
        {
            info.recaptureSquare = -1;
            info.capturedValue = 0;
            m_plyInfo[ply + 1].inCheck = false;
            info.currentMove = 0;
            CBoard::makeNullMove();
            int reduced = depth - nullReduction;
            int v = reduced <= 0 ? -quiesce(0, ply + 1, -beta, -alpha)
                                 : -search(reduced, ply + 1, -beta, -alpha, false);
            CBoard::unmakeNullMove();
            if (m_stop != STOP_NONE)
                return beta;
            if (v > alpha && v >= beta)
                return v;
        }
    }
    // 10.
    const int materialBalance = side == WHITE ? CBoard::m_materialBalance : -CBoard::m_materialBalance;
    // 11. Internal iterative deepening on the principal variation.
    if (order.hashMove == 0 && depth > 16)
    {
        bool onPv = (ply & 1) == 0 ? (alpha == m_rootAlpha && beta == m_rootBeta)
                                   : (alpha == -m_rootBeta && beta == -m_rootAlpha);
        if (onPv)
        {
            int v = search(depth - 16, ply, alpha, beta, useNullMove);
            if (v <= alpha && m_stop == STOP_NONE)
                search(depth - 16, ply, -MATE, beta, useNullMove);
            if (m_stop != STOP_NONE)
                return beta;
            resetOrdering(ply);
            order.hashMove = info.currentMove;
            m_pv[ply]->clear();
        }
    }
    // 12. Move loop.
    const int originalAlpha = alpha;
    int best = -MATE;
    Move bestMove = 0;
    int moveCount = 0;
    Move move = 0;
    bool cutOff = false;
    for (;;)
    {
        bool have = inCheck ? nextEvasion(ply, move, m_history) : nextMove(ply, move, m_history);
        if (!have)
            break;
        // a.
        if (isCapture(move))
        {
            info.recaptureSquare = moveTo(move);
            info.capturedValue = COARSE_VALUE[moveCaptured(move)];
        }
        else
        {
            info.recaptureSquare = -1;
            info.capturedValue = 0;
        }
        // b.
        CBoard::makeMove(move);
        if (CBoard::isInCheck(side))
        {
            CBoard::unmakeMove();
            continue;
        }
        // c.
        info.currentMove = move;
        const bool givesCheck = CBoard::isInCheck(1 - side);
        m_plyInfo[ply + 1].inCheck = givesCheck;
        // d. Pawn-attack pruning.
        if (!inCheck && !givesCheck && depth <= 40 && movePiece(move) != PAWN &&
            COARSE_VALUE[movePiece(move)] > COARSE_VALUE[moveCaptured(move)] && materialBalance + 500 < alpha)
        {
            const int enemy = 1 - side;
            Bitboard pawns = CBoard::pieces(enemy == WHITE ? PAWN : -PAWN) &
                             attacks::PAWN_CAPTURE[1 - enemy][moveTo(move)];
            bool attacked = false;
            while (pawns && !attacked)
                attacked = !CBoard::isPinned(popLowest(pawns));
            if (attacked)
            {
                ++moveCount;
                CBoard::unmakeMove();
                continue;
            }
        }
        // e. Extensions.
        int ext = 0;
        if (givesCheck)
        {
            if (depth <= 8)
            {
                ext = 8;
                ++m_stats.extCheck;
            }
            else if (checkExtension != 0)
            {
                ext = checkExtension;
                ++m_stats.extCheck;
            }
        }
        else if (recaptureExtension != 0 && ply >= 1 && isCapture(move) &&
                 info.recaptureSquare == m_plyInfo[ply - 1].recaptureSquare &&
                 info.capturedValue == m_plyInfo[ply - 1].capturedValue)
        {
            ext = recaptureExtension;
            ++m_stats.extRecapture;
        }
        else if (pawnPushExtension != 0 && movePiece(move) == PAWN &&
                 (rankOf(moveTo(move)) == 1 || rankOf(moveTo(move)) == 6))
        {
            ext = pawnPushExtension;
            ++m_stats.extPawnPush;
        }
        else if (oneReplyExtension != 0 && inCheck && moveCount == 0 && order.list.size() == 1)
        {
            ext = oneReplyExtension;
            ++m_stats.extOneReply;
        }
        ext = std::min(ext, 8);
        // f. Futility.
        if (depth < 24 && !inCheck && ext == 0 && PIECE_VALUE[moveCaptured(move)] + materialBalance + 3000 < alpha)
            ext = -8;
        // g. Child search, null window after the first move.
        const int d = depth - 8 + ext;
        int v;
        if (moveCount == 0)
            v = d > 0 ? -search(d, ply + 1, -beta, -alpha, useNullMove) : -quiesce(0, ply + 1, -beta, -alpha);
        else
        {
            v = d > 0 ? -search(d, ply + 1, -alpha - 1, -alpha, useNullMove)
                      : -quiesce(0, ply + 1, -alpha - 1, -alpha);
            if (v > alpha && v < beta && m_stop == STOP_NONE)
                v = d > 0 ? -search(d, ply + 1, -beta, -alpha, useNullMove) : -quiesce(0, ply + 1, -beta, -alpha);
        }
        // h.
        ++moveCount;
        CBoard::unmakeMove();
        if (m_stop != STOP_NONE)
            return beta;
        // i.
        if (v > best)
        {
            best = v;
            bestMove = move;
            updatePv(ply, move);
            if (v > alpha)
            {
                alpha = v;
                if (v >= beta)
                {
                    cutOff = true;
                    break;
                }
            }
        }
    }
    // 13. Cut-off bookkeeping.
    if (cutOff)
    {
        ++m_stats.failHighs;
        if (moveCount == 1)
            ++m_stats.failHigh1;
        else if (moveCount == 2)
            ++m_stats.failHigh2;
        else if (moveCount == 3)
            ++m_stats.failHigh3;
        if ((move & (MOVE_CAPTURE_MASK | MOVE_PROMOTION_MASK)) == 0)
        {
            if (!sameMove(move, order.killer1))
            {
                order.killer2 = order.killer1;
                order.killer1 = move;
            }
            historyUpdate(side, move, depth);
        }
    }
    // 14. Result and table store.
    info.currentMove = bestMove;
    int result;
    if (moveCount == 0)
        result = inCheck ? ply - MATE : 0;
    else
        result = alpha;
    uint64_t key = CBoard::hashKey();
    if (CBoard::m_state->searchCount != 0)
        key ^= CBoard::m_zobristValues[9][0];
    int stored = valueToTable(result, ply);
    if (result <= originalAlpha)
    {
        theHashTable().store(key, side, HASH_FAIL_LOW, stored, depth, hashAge, 0);
        ++m_stats.storesLower;
    }
    else if (result >= beta)
    {
        theHashTable().store(key, side, HASH_FAIL_HIGH, stored, depth, hashAge, bestMove);
        ++m_stats.storesUpper;
    }
    else
    {
        theHashTable().store(key, side, HASH_EXACT, stored, depth, hashAge, bestMove);
        ++m_stats.storesExact;
    }
    return result;
}

CSearch& theSearch()
{
    static CSearch search;
    return search;
}

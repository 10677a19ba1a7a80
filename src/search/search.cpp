// The full-width alpha-beta search below the root.
#include "search/search.h"

#include <algorithm>
#include <cstring>

#include "board/bitboard.h"
#include "base/output.h"

const int PIECE_VALUE[7] = {0, 1000, 3497, 3505, 5505, 10001, 100000};
const int COARSE_VALUE[7] = {0, 1, 3, 3, 5, 9, 10000};

namespace
{
// Depths count eighths of a ply (ONE_PLY); margins are in millipawns.

// The null move's reply is searched three plies shallower (the null move's own
// ply included), four in nodes deeper than six plies.
constexpr int NULL_MOVE_REDUCTION = 3 * ONE_PLY;
constexpr int DEEP_NULL_MOVE_REDUCTION = 4 * ONE_PLY;
constexpr int DEEP_NULL_MOVE_DEPTH = 6 * ONE_PLY;
// Up to this much non-pawn material (coarse units) a side may be in zugzwang:
// the null move is tried only when its pieces have at least this many safe squares.
constexpr int ZUGZWANG_MATERIAL_LIMIT = 19;
constexpr int ZUGZWANG_SAFE_SQUARES = 3;

// Internal iterative deepening: nodes deeper than this without a table move
// first search two plies shallower to find one.
constexpr int IID_MIN_DEPTH = 2 * ONE_PLY;
constexpr int IID_REDUCTION = 2 * ONE_PLY;

// Extensions: a check in the last ply gets a full ply whatever the setting,
// and no move is extended by more than a ply.
constexpr int FRONTIER_DEPTH = ONE_PLY;
constexpr int FRONTIER_CHECK_EXTENSION = ONE_PLY;
constexpr int MAX_EXTENSION = ONE_PLY;

// Pawn-attack pruning: up to this depth, with the material this far below
// alpha, a piece moved where an enemy pawn can take it is not searched.
constexpr int PAWN_ATTACK_PRUNING_DEPTH = 5 * ONE_PLY;
constexpr int PAWN_ATTACK_PRUNING_MARGIN = 500;
// Futility: below this depth, an unextended move whose capture cannot bring
// the material within this margin of alpha is searched a ply shallower.
constexpr int FUTILITY_DEPTH = 3 * ONE_PLY;
constexpr int FUTILITY_MARGIN = 3000;
constexpr int FUTILITY_REDUCTION = ONE_PLY;

// The table is probed from this ply on.
constexpr int TABLE_MIN_PLY = 2;
// The clock and the input are looked at once every 2048 nodes.
constexpr uint64_t POLL_INTERVAL_MASK = 2047;

// Draws by rule: the fifty-move counter counts plies; the nearest earlier
// occurrence of a position is four plies back. A single repetition of a
// position from before the root counts as a draw only this deep in the tree
// (or after two repetitions).
constexpr int FIFTY_MOVE_PLIES = 100;
constexpr int NEAREST_REPETITION = 4;
constexpr int GAME_REPETITION_MIN_PLY = 8;
constexpr int REPETITIONS_FOR_DRAW = 2;

// A history counter that reaches this limit ages the whole side's table.
constexpr int HISTORY_LIMIT = 8192;
constexpr int HISTORY_AGING_SHIFT = 2;

// Simple endings. A material balance inside these bounds with three men left
// is a lone knight or bishop.
constexpr int LONE_MINOR_MIN_BALANCE = 1500;
constexpr int LONE_MINOR_MAX_BALANCE = 4500;
// Endings of three or four men are searched no deeper than these.
constexpr int ROOK_ENDING_DEPTH_LIMIT = 19 * ONE_PLY;  // king and rook against king
constexpr int MINOR_PAIR_DEPTH_LIMIT = 2 * ONE_PLY;    // a minor piece each
constexpr int ROOK_PAIR_DEPTH_LIMIT = 6 * ONE_PLY;
constexpr int QUEEN_PAIR_DEPTH_LIMIT = 12 * ONE_PLY;
constexpr int ROOK_BISHOP_DEPTH_LIMIT = 14 * ONE_PLY;
constexpr int ROOK_KNIGHT_DEPTH_LIMIT = 10 * ONE_PLY;
constexpr int QUEEN_MINOR_DEPTH_LIMIT = 10 * ONE_PLY;

inline int count(int code) { return CBoard::m_pieceCount[code + 6]; }

// The table key of the current position. A position that has already
// occurred in the game or the tree gets a key of its own: values shaped by
// the repetition must not stand in for the position met afresh.
inline uint64_t tableKey()
{
    uint64_t key = CBoard::hashKey();
    if (CBoard::m_state->searchCount != 0)
        key ^= CBoard::m_zobristValues[9][0];
    return key;
}

// Endings drawn by their material alone: bare kings, a lone knight or bishop,
// or only bishops of one side, all on squares of one colour.
inline bool isDrawnByMaterial()
{
    const int men = CBoard::m_totalPieces;
    if (men == 2)
        return true;
    if (men == 3)
    {
        const int balance = std::abs(CBoard::m_materialBalance);
        if (balance > LONE_MINOR_MIN_BALANCE && balance < LONE_MINOR_MAX_BALANCE)
            return true;
    }
    const int others = men - 2;
    for (int sign = -1; sign <= 1; sign += 2)
    {
        if (count(sign * BISHOP) != others)
            continue;
        Bitboard bishops = CBoard::pieces(sign * BISHOP);
        if ((bishops & attacks::DARK_SQUARES) == 0 || (bishops & attacks::LIGHT_SQUARES) == 0)
            return true;
    }
    return false;
}

inline bool oneEach(int code, int other) { return count(code) == 1 && count(other) == 1; }
inline bool oneAgainstOne(int piece, int other) { return oneEach(piece, -other) || oneEach(-piece, other); }

// The depth, capped for the endings of three or four men that need no deep search.
inline int cappedEndingDepth(int depth)
{
    const int men = CBoard::m_totalPieces;
    if (men == 3)
    {
        if (count(ROOK) == 1 || count(-ROOK) == 1)
            depth = std::min(depth, ROOK_ENDING_DEPTH_LIMIT);
    }
    else if (men == 4)
    {
        if (count(KNIGHT) + count(BISHOP) == 1 && count(-KNIGHT) + count(-BISHOP) == 1)
            depth = std::min(depth, MINOR_PAIR_DEPTH_LIMIT);
        if (oneEach(ROOK, -ROOK))
            depth = std::min(depth, ROOK_PAIR_DEPTH_LIMIT);
        if (oneEach(QUEEN, -QUEEN))
            depth = std::min(depth, QUEEN_PAIR_DEPTH_LIMIT);
        if (oneAgainstOne(ROOK, BISHOP))
            depth = std::min(depth, ROOK_BISHOP_DEPTH_LIMIT);
        if (oneAgainstOne(ROOK, KNIGHT))
            depth = std::min(depth, ROOK_KNIGHT_DEPTH_LIMIT);
        if (oneAgainstOne(QUEEN, BISHOP) || oneAgainstOne(QUEEN, KNIGHT))
            depth = std::min(depth, QUEEN_MINOR_DEPTH_LIMIT);
    }
    return depth;
}

inline int nullMoveReduction(int depth)
{
    return depth <= DEEP_NULL_MOVE_DEPTH ? NULL_MOVE_REDUCTION : DEEP_NULL_MOVE_REDUCTION;
}

// Pawn-attack pruning, asked once the move is made: near the leaves and far
// below alpha, a piece that took less than its worth and now stands where an
// enemy pawn (not pinned) can take it is not worth a search.
inline bool isPrunedByPawnAttack(Move move, int depth, int materialBalance, int alpha, int side)
{
    if (depth > PAWN_ATTACK_PRUNING_DEPTH || movePiece(move) == PAWN ||
        COARSE_VALUE[movePiece(move)] <= COARSE_VALUE[moveCaptured(move)] ||
        materialBalance + PAWN_ATTACK_PRUNING_MARGIN >= alpha)
        return false;
    const int enemy = 1 - side;
    Bitboard pawns = CBoard::pieces(enemy == WHITE ? PAWN : -PAWN) & attacks::PAWN_CAPTURE[1 - enemy][moveTo(move)];
    while (pawns)
        if (!CBoard::isPinned(popLowest(pawns)))
            return true;
    return false;
}

// Futility: near the leaves, an unextended move whose capture still leaves the
// material far below alpha.
inline bool isFutile(Move move, int depth, int materialBalance, int alpha)
{
    return depth < FUTILITY_DEPTH && PIECE_VALUE[moveCaptured(move)] + materialBalance + FUTILITY_MARGIN < alpha;
}

// A pawn move to its seventh rank (the second rank for Black).
inline bool isPawnToSeventh(Move move)
{
    return movePiece(move) == PAWN && (rankOf(moveTo(move)) == 1 || rankOf(moveTo(move)) == 6);
}
}  // namespace

CSearch::CSearch()
{
    for (int i = 0; i <= PLY_SLOTS; ++i)
        m_pv[i] = &m_pvStore[i];
    std::memset(m_history, 0, sizeof m_history);
    std::memset(&m_stats, 0, sizeof m_stats);
    std::memset(m_rootNodes, 0, sizeof m_rootNodes);
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

void CSearch::setMaxIterations(int n) { m_maxIterations = std::clamp(n, 1, 100); }

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
    int32_t& entry = m_history[side][historySlot(move)];
    entry += historyBonus(depth);
    if (entry >= HISTORY_LIMIT)
        for (int i = 0; i < HISTORY_SLOTS; ++i)
            m_history[side][i] >>= HISTORY_AGING_SHIFT;
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
    if (state.fiftyCount >= FIFTY_MOVE_PLIES)
    {
        ++m_stats.draws;
        return true;
    }
    int n = std::min<int>(state.fiftyCount, CBoard::statesBelow());
    state.searchCount = 0;
    for (int back = NEAREST_REPETITION; back <= n; back += 2)
    {
        if (CBoard::stateBack(back).hashKey == state.hashKey)
        {
            ++state.searchCount;
            if (ply >= GAME_REPETITION_MIN_PLY || back < ply || state.searchCount >= REPETITIONS_FOR_DRAW)
            {
                ++m_stats.draws;
                return true;
            }
        }
    }
    return false;
}

// Safe squares of the side to move's pieces, counted up to the number the
// null move needs: a low count means a null move could hide a zugzwang.
int CSearch::zugzwangSafeSquares()
{
    const int side = CBoard::sideToMove();
    const int enemy = 1 - side;
    const int sign = side == WHITE ? 1 : -1;
    // A king can be missing only in the odd positions a FEN lets through (a king taken while
    // the side not to move stood in check); it then attacks nothing.
    const int enemyKing = CBoard::kingSquare(enemy);
    const Bitboard unsafe = CBoard::colourPieces(side) |
                            attacks::pawnAttackSet(enemy, CBoard::pieces(enemy == WHITE ? PAWN : -PAWN)) |
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
            if (total >= ZUGZWANG_SAFE_SQUARES)
                return total;
        }
    }
    return total;
}

// Counts the node; every 2048 nodes looks at the clock and the input. True
// when the time is up.
inline bool CSearch::countNodeAndPoll()
{
    if ((++m_stats.nodes & POLL_INTERVAL_MASK) != 0)
        return false;
    pollClockAndInput();
    return m_stop == STOP_TIME;
}

// Looks the position up in the transposition table. True when the entry
// settles the node by itself (its value is then in 'value'). Otherwise its
// move is tried first, and an entry showing that this node stays below beta
// switches the null move off, since the null move could not cut here.
inline bool CSearch::probeTable(int depth, int ply, int alpha, int beta, int nullReduction, bool& allowNull, int& value)
{
    CHashEntry entry;
    if (!theHashTable().probe(tableKey(), CBoard::sideToMove(), ply, depth, alpha, beta, entry))
        return false;
    ++m_stats.hits;
    value = valueFromTable(entry.value(), ply);
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
            return true;
        }
    }
    m_order[ply].hashMove = entry.move();
    return false;
}

// Null move: the side to move passes, and the opponent's reply is searched
// shallower. When even that leaves this side at or above beta, the node cuts
// off without a search of its own. Passing is unsound in zugzwang, so with
// little material the pieces must first show a few safe squares. True when
// the node is settled (its value is then in 'value'), also when the search
// was stopped meanwhile.
inline bool CSearch::tryNullMove(int depth, int ply, int alpha, int beta, int reduction, int& value)
{
    const int side = CBoard::sideToMove();
    const int units = CBoard::m_pieceUnits[side];
    if (units >= 1 && units <= ZUGZWANG_MATERIAL_LIMIT && zugzwangSafeSquares() < ZUGZWANG_SAFE_SQUARES)
    {
        ++m_stats.nullRefused;
        return false;
    }
    // With pawns alone zugzwang is the rule rather than the exception.
    if (CBoard::m_nonPawnMaterial[side] <= 0)
        return false;
    PlyInfo& info = m_plyInfo[ply];
    info.recaptureSquare = -1;
    info.capturedValue = 0;
    m_plyInfo[ply + 1].inCheck = false;
    info.currentMove = 0;
    CBoard::makeNullMove();
    const int reduced = depth - reduction;
    const int v = reduced <= 0 ? -quiesce(0, ply + 1, -beta, -alpha) : -search(reduced, ply + 1, -beta, -alpha, false);
    CBoard::unmakeNullMove();
    if (m_stop != STOP_NONE)
    {
        value = beta;
        return true;
    }
    if (v > alpha && v >= beta)
    {
        value = v;
        return true;
    }
    return false;
}

// A node on the principal variation has the root's window (negated at odd plies).
inline bool CSearch::isOnRootWindow(int ply, int alpha, int beta) const
{
    return (ply & 1) == 0 ? (alpha == m_rootAlpha && beta == m_rootBeta)
                          : (alpha == -m_rootBeta && beta == -m_rootAlpha);
}

// Internal iterative deepening: a principal-variation node without a table
// move searches shallower first (again with the window opened downwards when
// that fails low), and the best move found there is tried first. False when
// the search was stopped meanwhile.
inline bool CSearch::internalIterativeDeepening(int depth, int ply, int alpha, int beta)
{
    const int reduced = depth - IID_REDUCTION;
    const int v = search(reduced, ply, alpha, beta, useNullMove);
    if (v <= alpha && m_stop == STOP_NONE)
        search(reduced, ply, -MATE, beta, useNullMove);
    if (m_stop != STOP_NONE)
        return false;
    resetOrdering(ply);
    m_order[ply].hashMove = m_plyInfo[ply].currentMove;
    m_pv[ply]->clear();
    return true;
}

// How much deeper the move (already made) is searched: checks, recaptures of
// equal value on the same square, pawns to the seventh rank and the only reply
// to a check, at most one of them and never more than a ply.
inline int CSearch::moveExtension(Move move, int depth, int ply, bool givesCheck, bool inCheck, int moveCount)
{
    const PlyInfo& info = m_plyInfo[ply];
    int extension = 0;
    if (givesCheck)
    {
        if (depth <= FRONTIER_DEPTH)
        {
            extension = FRONTIER_CHECK_EXTENSION;
            ++m_stats.extCheck;
        }
        else if (checkExtension != 0)
        {
            extension = checkExtension;
            ++m_stats.extCheck;
        }
    }
    else if (recaptureExtension != 0 && ply >= 1 && isCapture(move) &&
             info.recaptureSquare == m_plyInfo[ply - 1].recaptureSquare &&
             info.capturedValue == m_plyInfo[ply - 1].capturedValue)
    {
        extension = recaptureExtension;
        ++m_stats.extRecapture;
    }
    else if (pawnPushExtension != 0 && isPawnToSeventh(move))
    {
        extension = pawnPushExtension;
        ++m_stats.extPawnPush;
    }
    else if (oneReplyExtension != 0 && inCheck && moveCount == 0 && m_order[ply].list.size() == 1)
    {
        extension = oneReplyExtension;
        ++m_stats.extOneReply;
    }
    return std::min(extension, MAX_EXTENSION);
}

// The value of the move just made, for the side that made it: a full-width
// child while depth remains, a quiescence node below that.
inline int CSearch::childValue(int depth, int ply, int alpha, int beta)
{
    return depth > 0 ? -search(depth, ply + 1, -beta, -alpha, useNullMove) : -quiesce(0, ply + 1, -beta, -alpha);
}

// Principal-variation search of one child: the first move gets the whole
// window; later ones only have to show they are no better than alpha, and
// one that is gets searched again with the whole window.
inline int CSearch::searchChild(int depth, int ply, int alpha, int beta, bool firstMove)
{
    if (firstMove)
        return childValue(depth, ply, alpha, beta);
    int v = childValue(depth, ply, alpha, alpha + 1);
    if (v > alpha && v < beta && m_stop == STOP_NONE)
        v = childValue(depth, ply, alpha, beta);
    return v;
}

// A cut-off: how soon it came, and for a quiet move the killer slots and the
// history counter, which put the move early in other nodes.
inline void CSearch::recordCutOff(int ply, Move move, int moveCount, int depth, int side)
{
    ++m_stats.failHighs;
    if (moveCount == 1)
        ++m_stats.failHigh1;
    else if (moveCount == 2)
        ++m_stats.failHigh2;
    else if (moveCount == 3)
        ++m_stats.failHigh3;
    if (isCapture(move) || isPromotion(move))
        return;
    MoveOrderState& order = m_order[ply];
    if (!sameMove(move, order.killer1))
    {
        order.killer2 = order.killer1;
        order.killer1 = move;
    }
    historyUpdate(side, move, depth);
}

// Stores the node's result with its bound: no move for a node that failed low.
inline void CSearch::storeResult(int depth, int ply, int side, int result, int originalAlpha, int beta, Move bestMove)
{
    const uint64_t key = tableKey();
    const int stored = valueToTable(result, ply);
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
}

int CSearch::search(int depth, int ply, int alpha, int beta, bool allowNull)
{
    // The per-ply tables, and the board's state stack, end here.
    if (ply >= MAX_PLY || !CBoard::hasRoom())
    {
        output("Hit maximum depth limit in search!!\n");
        return beta;
    }
    if (countNodeAndPoll())
        return beta;
    m_pv[ply]->clear();

    // Mate distance: nothing from here beats a mate already found nearer the root.
    if (alpha >= MATE - ply)
        return alpha;
    if (beta <= ply - MATE)
        return beta;

    // Draws by rule and by material; simple endings are searched less deep.
    PlyInfo& info = m_plyInfo[ply];
    info.currentMove = 0;
    if (isRepetitionDraw(ply) || isDrawnByMaterial())
        return 0;
    depth = cappedEndingDepth(depth);

    // A fresh move ordering; the table may yet give it a first move.
    MoveOrderState& order = m_order[ply];
    resetOrdering(ply);
    order.hashMove = 0;
    ++m_stats.probes;
    const int side = CBoard::sideToMove();
    const bool inCheck = info.inCheck;
    const int nullReduction = nullMoveReduction(depth);

    int settled = 0;
    if (ply >= TABLE_MIN_PLY && probeTable(depth, ply, alpha, beta, nullReduction, allowNull, settled))
        return settled;
    if (allowNull && !inCheck && tryNullMove(depth, ply, alpha, beta, nullReduction, settled))
        return settled;

    const int materialBalance = side == WHITE ? CBoard::m_materialBalance : -CBoard::m_materialBalance;
    if (order.hashMove == 0 && depth > IID_MIN_DEPTH && isOnRootWindow(ply, alpha, beta) &&
        !internalIterativeDeepening(depth, ply, alpha, beta))
        return beta;

    // The move loop.
    const int originalAlpha = alpha;
    int best = -MATE;
    Move bestMove = 0;
    int moveCount = 0;
    Move move = 0;
    bool cutOff = false;
    while (inCheck ? nextEvasion(ply, move, m_history) : nextMove(ply, move, m_history))
    {
        // What this move captures, for the recapture extension one ply down.
        info.recaptureSquare = isCapture(move) ? moveTo(move) : -1;
        info.capturedValue = isCapture(move) ? COARSE_VALUE[moveCaptured(move)] : 0;

        // The pickers hand out pseudo-legal moves: one that leaves the king
        // attacked is dropped, and does not count.
        CBoard::makeMove(move);
        if (CBoard::isInCheck(side))
        {
            CBoard::unmakeMove();
            continue;
        }
        info.currentMove = move;
        const bool givesCheck = CBoard::isInCheck(1 - side);
        m_plyInfo[ply + 1].inCheck = givesCheck;

        // A pruned move still counts: a node whose moves were all pruned is
        // neither mate nor stalemate.
        if (!inCheck && !givesCheck && isPrunedByPawnAttack(move, depth, materialBalance, alpha, side))
        {
            ++moveCount;
            CBoard::unmakeMove();
            continue;
        }

        int extension = moveExtension(move, depth, ply, givesCheck, inCheck, moveCount);
        if (!inCheck && extension == 0 && isFutile(move, depth, materialBalance, alpha))
            extension = -FUTILITY_REDUCTION;

        const int v = searchChild(depth - ONE_PLY + extension, ply, alpha, beta, moveCount == 0);
        ++moveCount;
        CBoard::unmakeMove();
        if (m_stop != STOP_NONE)
            return beta;

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
    if (cutOff)
        recordCutOff(ply, move, moveCount, depth, side);

    // The result: mate or stalemate when no move was legal, else the best
    // value as it raised alpha; then into the table.
    info.currentMove = bestMove;
    const int result = moveCount == 0 ? (inCheck ? ply - MATE : 0) : alpha;
    storeResult(depth, ply, side, result, originalAlpha, beta, bestMove);
    return result;
}

CSearch& theSearch()
{
    static CSearch search;
    return search;
}

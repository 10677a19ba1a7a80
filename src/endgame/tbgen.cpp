// Retrograde tablebase generation and the move-by-move consistency check.
//
// Values are kept as file bytes throughout. The value a move brings its mover
// is backValue() of the byte of the position it leads to, and a position is
// worth the largest of these over its moves: the numeric order of the bytes
// (-126 checkmated .. -1 mated late, 0 draw, 1 mate late .. 126 mate in one)
// is already the order of preference.
#include "endgame/tbgen.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "board/bitboard.h"

namespace
{
constexpr int8_t UNRESOLVED = TB_UNKNOWN;
// Counter value of the positions with a double step the other side may take
// en passant: they are valued by looking at their moves, not by counting.
constexpr uint8_t SPECIAL = 255;
// Exit flag: a capture or promotion at least draws, so the position is not lost.
constexpr uint8_t CANNOT_LOSE = 0x80;
// Plies of the longest mate the byte legend holds (mate in 126 moves).
constexpr int MAX_PLY = 251;

int backValue(int v) { return v < 0 ? -v : v > 0 ? 1 - v : 0; }
int plyOf(int v) { return v > 0 ? 2 * (127 - v) - 1 : v < 0 ? 2 * (v + 126) : 0; }
int8_t valueOfPly(int ply) { return int8_t((ply & 1) ? 127 - (ply + 1) / 2 : ply / 2 - 126); }

struct CTransformTable
{
    uint8_t square[8][64];
    CTransformTable()
    {
        for (int t = 0; t < 8; ++t)
            for (int s = 0; s < 64; ++s)
                square[t][s] = uint8_t(tbTransform(t, s));
    }
};
const CTransformTable TRANSFORM;

// Squares a piece reaches on this occupancy (pawns: the squares they capture on).
Bitboard pieceAttacks(int type, bool first, int square, Bitboard occupied)
{
    switch (type)
    {
    case PAWN:
        return attacks::PAWN_CAPTURE[first ? WHITE : BLACK][square];
    case KNIGHT:
        return attacks::KNIGHT_ATTACKS[square];
    case KING:
        return attacks::KING_ATTACKS[square];
    default:
        break;
    }
    // Even directions run along ranks and files, odd ones along diagonals.
    Bitboard result = 0;
    for (int d = type == BISHOP ? 1 : 0; d < 8; d += type == QUEEN ? 1 : 2)
        result |= attacks::rayAttacks(square, d, occupied);
    return result;
}

// The men of a class: the first side as White playing up the board.
struct CMen
{
    int n = 0, firstMen = 0;
    int codes[TB_MAX_MEN] = {};
    int types[TB_MAX_MEN] = {};
    bool pawns = false;

    explicit CMen(const CTablebaseClass& tbClass)
    {
        n = tbClass.men();
        firstMen = tbClass.firstMen();
        for (int m = 0; m < n; ++m)
        {
            codes[m] = tbClass.code(m);
            types[m] = pieceType(codes[m]);
            pawns = pawns || types[m] == PAWN;
        }
    }
    int begin(bool first) const { return first ? 0 : firstMen; }
    int end(bool first) const { return first ? firstMen : n; }
    Bitboard occupancy(const int sq[], int skip = -1) const
    {
        Bitboard b = 0;
        for (int m = 0; m < n; ++m)
            if (m != skip)
                b |= bit(sq[m]);
        return b;
    }
    // Is the square attacked by a side's men (leaving out `skip`) on this occupancy?
    bool attacked(const int sq[], int target, bool byFirst, Bitboard occupied, int skip) const
    {
        for (int m = begin(byFirst); m < end(byFirst); ++m)
        {
            if (m == skip)
                continue;
            uint32_t relation = attacks::RELATION[sq[m]][target] & attacks::PIECE_RELATION[codes[m] + 6];
            if (relation && (!(relation & (attacks::REL_ORTHOGONAL | attacks::REL_DIAGONAL)) ||
                             !(attacks::BETWEEN[sq[m]][target] & occupied)))
                return true;
        }
        return false;
    }
    bool inCheck(const int sq[], bool first) const { return attacked(sq, sq[begin(first)], !first, occupancy(sq), -1); }
    // Distinct squares, no pawn on the first or last rank, kings apart, and
    // the side not to move not in check.
    bool legal(const int sq[], bool firstToMove) const
    {
        Bitboard seen = 0;
        for (int m = 0; m < n; ++m)
        {
            if ((seen & bit(sq[m])) || (types[m] == PAWN && (rankOf(sq[m]) == 0 || rankOf(sq[m]) == 7)))
                return false;
            seen |= bit(sq[m]);
        }
        return !(attacks::KING_ATTACKS[sq[0]] & bit(sq[firstMen])) && !inCheck(sq, !firstToMove);
    }
};

struct SMove
{
    int man, to, captured, promotion;
    bool doubleStep;
};

// Calls visit(move, squares after it) for every legal move; in the squares
// after a capture the captured man still stands on the target square.
template <class Visit>
void forEachMove(const CMen& men, int sq[], bool first, Visit&& visit)
{
    const Bitboard occupied = men.occupancy(sq);
    Bitboard own = 0;
    for (int m = men.begin(first); m < men.end(first); ++m)
        own |= bit(sq[m]);
    const int king = men.begin(first);
    auto tryMove = [&](int m, int from, int to, int promotion, bool doubleStep) {
        int captured = -1;
        if (occupied & bit(to))
            for (int e = men.begin(!first); e < men.end(!first); ++e)
                if (sq[e] == to)
                    captured = e;
        if (captured == men.begin(!first))
            return;  // never take a king
        sq[m] = to;
        bool legal = !men.attacked(sq, sq[king], !first, (occupied & ~bit(from)) | bit(to), captured);
        if (legal)
            for (int p = promotion ? QUEEN : 0; p >= (promotion ? KNIGHT : 0); --p)
                visit(SMove{m, to, captured, p, doubleStep}, static_cast<const int*>(sq));
        sq[m] = from;
    };
    for (int m = men.begin(first); m < men.end(first); ++m)
    {
        const int from = sq[m];
        if (men.types[m] != PAWN)
        {
            for (Bitboard targets = pieceAttacks(men.types[m], first, from, occupied) & ~own; targets;
                 targets &= targets - 1)
                tryMove(m, from, lowestSquare(targets), 0, false);
            continue;
        }
        const int step = first ? 8 : -8;
        const int lastRank = first ? 7 : 0;
        const int ahead = from + step;
        if (!(occupied & bit(ahead)))
        {
            tryMove(m, from, ahead, rankOf(ahead) == lastRank, false);
            if (rankOf(from) == (first ? 1 : 6) && !(occupied & bit(ahead + step)))
                tryMove(m, from, ahead + step, 0, true);
        }
        for (Bitboard targets = attacks::PAWN_CAPTURE[first ? WHITE : BLACK][from] & occupied & ~own; targets;
             targets &= targets - 1)
            tryMove(m, from, lowestSquare(targets), rankOf(lowestSquare(targets)) == lastRank, false);
    }
}

// Calls visit(squares before) for every way the side that has just moved
// could have got here without a capture or a promotion.
template <class Visit>
void forEachUnmove(const CMen& men, int sq[], bool moverFirst, Visit&& visit)
{
    const Bitboard occupied = men.occupancy(sq);
    for (int m = men.begin(moverFirst); m < men.end(moverFirst); ++m)
    {
        const int to = sq[m];
        Bitboard origins;
        if (men.types[m] != PAWN)
            origins = pieceAttacks(men.types[m], moverFirst, to, occupied) & ~occupied;
        else
        {
            const int step = moverFirst ? 8 : -8;
            origins = 0;
            int behind = to - step;
            if (rankOf(behind) >= 1 && rankOf(behind) <= 6 && !(occupied & bit(behind)))
            {
                origins |= bit(behind);
                if (rankOf(to) == (moverFirst ? 3 : 4) && !(occupied & bit(behind - step)))
                    origins |= bit(behind - step);
            }
        }
        for (; origins; origins &= origins - 1)
        {
            sq[m] = lowestSquare(origins);
            visit(static_cast<const int*>(sq));
        }
        sq[m] = to;
    }
}

bool hasLegalMove(const CMen& men, int sq[], bool first)
{
    bool any = false;
    forEachMove(men, sq, first, [&](const SMove&, const int*) { any = true; });
    return any;
}

// The classes captures and promotions lead into, with the map of the men.
class CExits
{
public:
    bool build(const CMen& men, CTablebaseGenerator& generator, std::string& error)
    {
        for (int captured = -1; captured < men.n; ++captured)
            for (int promoted = -1; promoted < men.n; ++promoted)
            {
                if ((captured < 0 && promoted < 0) || captured == 0 || captured == men.firstMen)
                    continue;
                if (promoted >= 0 && (men.types[promoted] != PAWN ||
                                      (captured >= 0 && (captured < men.firstMen) == (promoted < men.firstMen))))
                    continue;
                for (int piece = promoted >= 0 ? KNIGHT : 0; piece <= (promoted >= 0 ? QUEEN : 0); ++piece)
                    if (!add(men, captured, promoted, piece, generator, error))
                        return false;
            }
        return true;
    }

    // Byte of the position after a capture or promotion, for its side to move.
    int value(const SMove& move, const int after[], bool moverFirst) const
    {
        const CExit& exit = m_exits[move.captured + 1][move.promotion ? move.man + 1 : 0][move.promotion];
        if (!exit.files)
            return TB_DRAW;  // bare kings
        int squares[TB_MAX_MEN];
        for (int k = 0; k < exit.men; ++k)
            squares[k] = after[exit.from[k]] ^ exit.mirror;
        bool firstToMove = moverFirst == (exit.mirror != 0);
        return exit.files->bytes[firstToMove ? 0 : 1][size_t(exit.files->tbClass.indexOf(squares))];
    }

private:
    struct CExit
    {
        const TablebaseFiles* files = nullptr;
        int men = 0;
        int mirror = 0;
        int from[TB_MAX_MEN] = {};  // man of the class for each man of the exit class
    };

    bool add(const CMen& men, int captured, int promoted, int piece, CTablebaseGenerator& generator, std::string& error)
    {
        int codes[TB_MAX_MEN] = {}, places[TB_MAX_MEN] = {}, origin[TB_MAX_MEN] = {}, count = 0;
        for (int m = 0; m < men.n; ++m)
            if (m != captured)
            {
                codes[count] = m == promoted ? (men.codes[m] > 0 ? piece : -piece) : men.codes[m];
                places[count] = count;  // stand-in squares tell where each man went
                origin[count++] = m;
            }
        CExit& exit = m_exits[captured + 1][promoted + 1][piece];
        exit.men = count;
        if (count == 2)
            return true;
        CTablebaseClass target;
        int order[TB_MAX_MEN];
        bool firstToMove = true;
        tbLocate(codes, places, count, true, target, order, firstToMove);
        exit.mirror = firstToMove ? 0 : 56;
        for (int k = 0; k < count; ++k)
            exit.from[k] = origin[order[k] & 7];
        exit.files = generator.files(target.name(), error);
        return exit.files != nullptr;
    }

    CExit m_exits[TB_MAX_MEN + 1][TB_MAX_MEN + 1][QUEEN + 1];
};

// Best value of the replies that take a just double-stepped pawn en passant,
// for the side taking; false when no such capture is legal.
bool enPassantValue(const CMen& men, const CExits& exits, const int after[], const SMove& step, bool moverFirst,
                    int& best)
{
    const int passed = step.to + (moverFirst ? -8 : 8);
    bool any = false;
    int sq[TB_MAX_MEN];
    std::copy(after, after + men.n, sq);
    for (int e = men.begin(!moverFirst); e < men.end(!moverFirst); ++e)
    {
        if (men.types[e] != PAWN || rankOf(sq[e]) != rankOf(step.to) || std::abs(fileOf(sq[e]) - fileOf(step.to)) != 1)
            continue;
        const int from = sq[e];
        sq[e] = passed;
        Bitboard occupied = men.occupancy(sq, step.man);
        if (!men.attacked(sq, sq[men.begin(!moverFirst)], moverFirst, occupied, step.man))
        {
            int v = backValue(exits.value(SMove{e, passed, step.man, 0, false}, sq, !moverFirst));
            best = any ? std::max(best, v) : v;
            any = true;
        }
        sq[e] = from;
    }
    return any;
}

double cpuNow() { return double(std::clock()) / CLOCKS_PER_SEC; }

// Solves one class on its canonical positions: the first king brought to
// files a to d (with pawns) or into the a1-d1-d4 triangle (without), ties on
// the diagonal broken by the smaller key. Node = side * sideSize + key, side
// 0 with the first side to move.
class CSolver
{
public:
    CSolver(const CTablebaseClass& tbClass, const CExits& exits) : m_class(tbClass), m_men(tbClass), m_exits(exits)
    {
        m_anchorRadix = m_men.pawns ? 32 : 10;
        m_sideSize = m_anchorRadix;
        for (int m = 1; m < m_men.n; ++m)
            m_sideSize *= 64;
    }

    bool run(std::string& error)
    {
        m_value.assign(size_t(2) * m_sideSize, UNRESOLVED);
        m_count.assign(m_value.size(), 0);
        m_exit.assign(m_value.size(), 0);
        m_buckets.assign(MAX_PLY + 2, {});
        std::vector<uint32_t> current, next;
        initialise(current);
        for (int ply = 0; ply <= MAX_PLY; ++ply)
        {
            for (uint32_t node : m_buckets[size_t(ply)])
                if (m_value[node] == UNRESOLVED)
                {
                    m_value[node] = valueOfPly(ply);
                    current.push_back(node);
                }
            std::vector<uint32_t>().swap(m_buckets[size_t(ply)]);
            next.clear();
            for (uint32_t node : current)
                expand(node, next);
            reevaluateSpecials(ply, next);
            current.swap(next);
            if (current.empty() && ply >= m_horizon)
                break;
        }
        if (!current.empty() || !m_buckets[MAX_PLY + 1].empty())
        {
            error = std::string(m_class.name()) + ": a mate is too long for the byte legend";
            return false;
        }
        return true;
    }

    void write(TablebaseFiles& files, TablebaseGeneration& report) const
    {
        files.tbClass = m_class;
        for (auto& bytes : files.bytes)
            bytes.assign(size_t(m_class.size()), int8_t(TB_BROKEN));
        int sq[TB_MAX_MEN];
        for (uint64_t i = 0; i < m_class.size(); ++i)
        {
            m_class.squaresOf(i, sq);
            uint32_t key = canonical(sq);
            for (int side = 0; side < 2; ++side)
            {
                int8_t v = m_value[size_t(side) * m_sideSize + key];
                files.bytes[side][i] = v == UNRESOLVED ? int8_t(TB_DRAW) : v;
            }
        }
        for (int8_t v : m_value)
        {
            if (v == TB_BROKEN)
                continue;
            ++report.positions;
            if (v == UNRESOLVED || v == TB_DRAW)
                ++report.draws;
            else if (v > 0)
            {
                ++report.wins;
                report.longestMate = std::max(report.longestMate, 127 - v);
            }
            else
            {
                ++report.losses;
                report.longestMate = std::max(report.longestMate, v + 126);
            }
        }
    }

private:
    uint32_t key(int transform, const int sq[]) const
    {
        int s[TB_MAX_MEN];
        for (int m = 0; m < m_men.n; ++m)
        {
            s[m] = TRANSFORM.square[transform][sq[m]];
            for (int at = m; at > 1 && m_men.codes[at - 1] == m_men.codes[at] && s[at - 1] > s[at]; --at)
                std::swap(s[at - 1], s[at]);
        }
        uint32_t k = uint32_t(m_men.pawns ? 4 * rankOf(s[0]) + fileOf(s[0]) : tbTriangleCode(s[0]));
        for (int m = 1; m < m_men.n; ++m)
            k = k * 64 + uint32_t(s[m]);
        return k;
    }

    uint32_t canonical(const int sq[]) const
    {
        int transform = tbReferenceTransform(m_men.pawns, sq[0]);
        uint32_t k = key(transform, sq);
        int anchor = TRANSFORM.square[transform][sq[0]];
        if (!m_men.pawns && rankOf(anchor) == fileOf(anchor))
            k = std::min(k, key(transform ^ 4, sq));
        return k;
    }

    void decode(uint32_t k, int sq[]) const
    {
        for (int m = m_men.n - 1; m >= 1; --m)
        {
            sq[m] = int(k & 63);
            k >>= 6;
        }
        sq[0] = m_men.pawns ? squareOf(int(k) / 4, int(k) % 4) : tbTriangleSquare(int(k));
    }

    void initialise(std::vector<uint32_t>& mates)
    {
        int sq[TB_MAX_MEN];
        uint32_t successors[256];
        for (int side = 0; side < 2; ++side)
        {
            const bool first = side == 0;
            const uint32_t otherBase = first ? m_sideSize : 0;
            for (uint32_t k = 0; k < m_sideSize; ++k)
            {
                const size_t node = size_t(side) * m_sideSize + k;
                decode(k, sq);
                if (!m_men.legal(sq, first) || canonical(sq) != k)
                {
                    m_value[node] = TB_BROKEN;
                    continue;
                }
                int moves = 0, count = 0, bestExit = INT_MIN;
                bool special = false;
                forEachMove(m_men, sq, first, [&](const SMove& move, const int* after) {
                    ++moves;
                    int ep;
                    if (move.captured >= 0 || move.promotion)
                        bestExit = std::max(bestExit, backValue(m_exits.value(move, after, first)));
                    else if (move.doubleStep && enPassantValue(m_men, m_exits, after, move, first, ep))
                    {
                        special = true;
                        m_horizon = std::max(m_horizon, plyOf(ep) + 1);
                    }
                    else
                        successors[count++] = otherBase + canonical(after);
                });
                if (moves == 0)
                {
                    bool mated = m_men.inCheck(sq, first);
                    m_value[node] = mated ? int8_t(TB_CHECKMATED) : int8_t(TB_DRAW);
                    if (mated)
                        mates.push_back(uint32_t(node));
                    continue;
                }
                if (special)
                {
                    m_count[node] = SPECIAL;
                    m_specials.push_back(uint32_t(node));
                    if (bestExit != INT_MIN)
                        m_horizon = std::max(m_horizon, plyOf(bestExit));
                    continue;
                }
                std::sort(successors, successors + count);
                count = int(std::unique(successors, successors + count) - successors);
                m_count[node] = uint8_t(count);
                if (bestExit == INT_MIN)
                    continue;
                if (bestExit >= 0)
                    m_exit[node] = CANNOT_LOSE;
                else
                    m_exit[node] = uint8_t(bestExit + 126);  // mated in this many moves at best
                if (bestExit > 0 || (bestExit < 0 && count == 0))
                    schedule(uint32_t(node), plyOf(bestExit));
                else if (bestExit == 0 && count == 0)
                    m_value[node] = TB_DRAW;
            }
        }
    }

    void schedule(uint32_t node, int ply)
    {
        m_buckets[size_t(std::min(ply, MAX_PLY + 1))].push_back(node);
        m_horizon = std::max(m_horizon, ply);
    }

    // A position has just been valued: tell the positions one move before it.
    void expand(uint32_t node, std::vector<uint32_t>& next)
    {
        const int ply = plyOf(m_value[node]);
        const bool lost = m_value[node] < 0;
        const bool firstToMove = node < m_sideSize;
        const uint32_t base = firstToMove ? m_sideSize : 0;
        int sq[TB_MAX_MEN];
        decode(firstToMove ? node : node - m_sideSize, sq);
        uint32_t predecessors[256];
        int count = 0;
        forEachUnmove(m_men, sq, !firstToMove,
                      [&](const int* before) { predecessors[count++] = base + canonical(before); });
        std::sort(predecessors, predecessors + count);
        count = int(std::unique(predecessors, predecessors + count) - predecessors);
        for (int i = 0; i < count; ++i)
        {
            const uint32_t p = predecessors[i];
            if (m_value[p] != UNRESOLVED || m_count[p] == SPECIAL)
                continue;
            if (lost)
            {
                m_value[p] = valueOfPly(ply + 1);
                next.push_back(p);
            }
            else if (m_count[p] > 0 && --m_count[p] == 0 && !(m_exit[p] & CANNOT_LOSE))
            {
                int lossPly = std::max(ply + 1, 2 * (m_exit[p] & 0x7f));
                if (lossPly == ply + 1)
                {
                    m_value[p] = valueOfPly(lossPly);
                    next.push_back(p);
                }
                else
                    schedule(p, lossPly);
            }
        }
    }

    // Positions with an en-passant reply in their moves are valued from their
    // moves once every ply up to `ply` is known.
    void reevaluateSpecials(int ply, std::vector<uint32_t>& next)
    {
        int sq[TB_MAX_MEN];
        for (uint32_t node : m_specials)
        {
            if (m_value[node] != UNRESOLVED)
                continue;
            const bool first = node < m_sideSize;
            const uint32_t otherBase = first ? m_sideSize : 0;
            decode(first ? node : node - m_sideSize, sq);
            int fastestWin = INT_MAX, slowestLoss = 0;
            bool allLost = true;
            forEachMove(m_men, sq, first, [&](const SMove& move, const int* after) {
                int v;
                bool known = true;
                if (move.captured >= 0 || move.promotion)
                    v = m_exits.value(move, after, first);
                else
                {
                    v = m_value[otherBase + canonical(after)];
                    known = v != UNRESOLVED && plyOf(v) <= ply;
                    int ep;
                    if (move.doubleStep && enPassantValue(m_men, m_exits, after, move, first, ep))
                    {
                        int copy[TB_MAX_MEN];
                        std::copy(after, after + m_men.n, copy);
                        if (!hasLegalMove(m_men, copy, !first))
                            v = ep, known = true;
                        else if (known)
                            v = std::max(v, ep);
                        else if (ep > 0 && plyOf(ep) <= ply)
                            v = ep, known = true;
                    }
                }
                if (!known || v <= 0)
                    allLost = false;
                if (!known)
                    return;
                if (v < 0 && plyOf(v) <= ply)
                    fastestWin = std::min(fastestWin, plyOf(v) + 1);
                else if (v > 0)
                    slowestLoss = std::max(slowestLoss, plyOf(v) + 1);
            });
            int resolved = fastestWin != INT_MAX ? fastestWin : allLost && slowestLoss <= ply + 1 ? slowestLoss : 0;
            if (resolved)
            {
                m_value[node] = valueOfPly(resolved);
                next.push_back(node);
            }
        }
    }

    const CTablebaseClass& m_class;
    CMen m_men;
    const CExits& m_exits;
    uint32_t m_anchorRadix = 0;
    uint32_t m_sideSize = 0;
    int m_horizon = 0;  // last ply at which a capture, promotion or scheduled value can still settle something
    std::vector<int8_t> m_value;
    std::vector<uint8_t> m_count;                  // successors in the class not yet known to win for the other side
    std::vector<uint8_t> m_exit;                   // CANNOT_LOSE, or the longest loss through a capture or promotion
    std::vector<std::vector<uint32_t>> m_buckets;  // by ply: values settled by captures and promotions
    std::vector<uint32_t> m_specials;
};

std::string describe(const CTablebaseClass& tbClass, bool firstToMove, const int sq[])
{
    std::string text = std::string(tbClass.name()) + (firstToMove ? ".tbw" : ".tbb") + ":";
    for (int m = 0; m < tbClass.men(); ++m)
    {
        text += ' ';
        text += "KQRBNP"[6 - pieceType(tbClass.code(m))];
        text += char('a' + fileOf(sq[m]));
        text += char('1' + rankOf(sq[m]));
    }
    return text;
}

bool writeFile(const std::string& path, const std::vector<int8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}
}

CTablebaseGenerator::CTablebaseGenerator(std::string directory) : m_directory(std::move(directory)) {}

CTablebaseGenerator::~CTablebaseGenerator() = default;

std::string tbCanonicalName(const std::string& name)
{
    CTablebaseClass tbClass;
    if (!tbClass.setName(name))
        return "";
    int codes[TB_MAX_MEN], places[TB_MAX_MEN], order[TB_MAX_MEN];
    for (int m = 0; m < tbClass.men(); ++m)
    {
        codes[m] = tbClass.code(m);
        places[m] = m;
    }
    bool firstToMove;
    CTablebaseClass canonical;
    tbLocate(codes, places, tbClass.men(), true, canonical, order, firstToMove);
    return canonical.name();
}

std::vector<std::string> tbClassNames(int men)
{
    const char* pieces = "QRBNP";
    std::vector<std::string> names, pawnNames;
    auto add = [&](const std::string& name) {
        std::string canonical = tbCanonicalName(name);
        std::vector<std::string>& list = canonical.find('P') == std::string::npos ? names : pawnNames;
        if (std::find(list.begin(), list.end(), canonical) == list.end())
            list.push_back(canonical);
    };
    for (int a = 0; a < 5; ++a)
    {
        if (men == 3)
            add(std::string("K") + pieces[a] + "K");
        for (int b = a; b < 5 && men == 4; ++b)
        {
            add(std::string("K") + pieces[a] + pieces[b] + "K");
            add(std::string("K") + pieces[a] + "K" + pieces[b]);
        }
    }
    names.insert(names.end(), pawnNames.begin(), pawnNames.end());
    return names;
}

bool CTablebaseGenerator::checkName(const std::string& name, CTablebaseClass& tbClass, std::string& error) const
{
    if (!tbClass.setName(name) || tbClass.men() > 4)
    {
        error = "not a class of up to four men: " + name;
        return false;
    }
    std::string canonical = tbCanonicalName(name);
    if (canonical != name)
    {
        error = "the class " + name + " is spelled " + canonical;
        return false;
    }
    return true;
}

bool CTablebaseGenerator::load(const CTablebaseClass& tbClass)
{
    auto files = std::make_unique<TablebaseFiles>();
    files->tbClass = tbClass;
    for (int side = 0; side < 2; ++side)
        if (!tbReadFile(tbClass.fileName(m_directory, side == 0), tbClass.size(), files->bytes[side]) ||
            files->bytes[side].size() != tbClass.size())
            return false;
    m_files[tbClass.name()] = std::move(files);
    return true;
}

bool CTablebaseGenerator::solve(const CTablebaseClass& tbClass, std::string& error)
{
    CMen men(tbClass);
    CExits exits;
    if (!exits.build(men, *this, error))
        return false;
    TablebaseGeneration report;
    report.name = tbClass.name();
    auto wallStart = std::chrono::steady_clock::now();
    double cpuStart = cpuNow();
    auto files = std::make_unique<TablebaseFiles>();
    {
        CSolver solver(tbClass, exits);
        if (!solver.run(error))
            return false;
        solver.write(*files, report);
    }
    for (int side = 0; side < 2; ++side)
    {
        std::string path = tbClass.fileName(m_directory, side == 0);
        if (!writeFile(path, files->bytes[side]))
        {
            error = "cannot write " + path;
            return false;
        }
    }
    report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    report.cpuSeconds = cpuNow() - cpuStart;
    m_files[tbClass.name()] = std::move(files);
    m_generated.insert(tbClass.name());
    if (m_observer)
        m_observer(report);
    return true;
}

bool CTablebaseGenerator::generate(const std::string& name, std::string& error)
{
    CTablebaseClass tbClass;
    if (!checkName(name, tbClass, error))
        return false;
    return m_generated.count(name) || solve(tbClass, error);
}

const TablebaseFiles* CTablebaseGenerator::files(const std::string& name, std::string& error)
{
    auto found = m_files.find(name);
    if (found != m_files.end())
        return found->second.get();
    CTablebaseClass tbClass;
    if (!checkName(name, tbClass, error))
        return nullptr;
    if (load(tbClass))
    {
        TablebaseGeneration report;
        report.name = name;
        report.loaded = true;
        if (m_observer)
            m_observer(report);
    }
    else if (!solve(tbClass, error))
        return nullptr;
    return m_files[name].get();
}

bool CTablebaseGenerator::verify(const std::string& name, TablebaseCheck& check, std::string& error)
{
    check = TablebaseCheck();
    const TablebaseFiles* files = this->files(name, error);
    if (!files)
        return false;
    const CTablebaseClass& tbClass = files->tbClass;
    const CMen men(tbClass);
    // Successors outside the class are looked up through the probing path
    // (tbLocate), not through the generator's own map of the men.
    auto lookUp = [&](const int after[], const SMove& move, bool moverFirst, int& v) {
        int codes[TB_MAX_MEN], places[TB_MAX_MEN], order[TB_MAX_MEN], count = 0;
        for (int m = 0; m < men.n; ++m)
            if (m != move.captured)
            {
                codes[count] = m == move.man && move.promotion ? (men.codes[m] > 0 ? move.promotion : -move.promotion)
                                                               : men.codes[m];
                places[count++] = after[m];
            }
        CTablebaseClass target;
        bool firstToMove;
        if (count == 2)
        {
            v = TB_DRAW;
            return true;
        }
        tbLocate(codes, places, count, !moverFirst, target, order, firstToMove);
        const TablebaseFiles* exit = this->files(target.name(), error);
        if (!exit)
            return false;
        v = exit->bytes[firstToMove ? 0 : 1][size_t(target.indexOf(order))];
        return true;
    };
    CExits exits;  // only for the en-passant replies' captures, built on demand
    bool exitsBuilt = false;
    int sq[TB_MAX_MEN];
    for (int side = 0; side < 2; ++side)
    {
        const bool first = side == 0;
        for (uint64_t i = 0; i < tbClass.size(); ++i)
        {
            ++check.positions;
            tbClass.squaresOf(i, sq);
            int expected = TB_BROKEN;
            if (men.legal(sq, first))
            {
                int best = INT_MIN;
                bool failed = false;
                forEachMove(men, sq, first, [&](const SMove& move, const int* after) {
                    int v = TB_DRAW;
                    if (move.captured >= 0 || move.promotion)
                    {
                        failed = failed || !lookUp(after, move, first, v);
                        best = std::max(best, backValue(v));
                        return;
                    }
                    v = files->bytes[first ? 1 : 0][size_t(tbClass.indexOf(after))];
                    int ep;
                    if (move.doubleStep)
                    {
                        if (!exitsBuilt)
                        {
                            failed = failed || !exits.build(men, *this, error);
                            exitsBuilt = true;
                        }
                        if (enPassantValue(men, exits, after, move, first, ep))
                        {
                            int copy[TB_MAX_MEN];
                            std::copy(after, after + men.n, copy);
                            v = hasLegalMove(men, copy, !first) ? std::max(v, ep) : ep;
                        }
                    }
                    best = std::max(best, backValue(v));
                });
                if (failed)
                    return false;
                expected = best != INT_MIN ? best : men.inCheck(sq, first) ? TB_CHECKMATED : TB_DRAW;
            }
            int found = files->bytes[side][i];
            if (found != expected && check.errors++ == 0)
                check.firstError = describe(tbClass, first, sq) + " index " + std::to_string(i) + " holds " +
                                   std::to_string(found) + ", expected " + std::to_string(expected);
        }
    }
    return true;
}

// Retrograde analysis of king and pawn against king.
//
// Two value tables (weak side to move, strong side to move) are filled from
// the terminal positions backwards: a weak-side pass resolves every position
// whose king moves all lead to known results, a strong-side pass resolves every
// position with a known winning move. Passes alternate until nothing changes;
// whatever is still open then is a draw (neither side can force anything).
#include "endgame/kpk.h"

#include <chrono>

#include "board/bitboard.h"
#include "base/output.h"

namespace
{
constexpr int8_t UNKNOWN = 1;
constexpr int PROMOTED = 100;

// map[strong king][weak king][pawn] -> position index, with the left-right
// mirror built in, so that every lookup is a single array read.
struct CIndexMap
{
    uint32_t map[64][64][64];

    CIndexMap()
    {
        for (int s = 0; s < 64; ++s)
            for (int w = 0; w < 64; ++w)
                for (int p = 0; p < 64; ++p)
                {
                    int strong = s, weak = w, pawn = p;
                    if (fileOf(s) >= 4)
                    {
                        strong ^= 7;
                        weak ^= 7;
                        pawn ^= 7;
                    }
                    uint32_t f = uint32_t(4 * rankOf(strong) + fileOf(strong));
                    map[s][w][p] = (f << 12) | (uint32_t(weak) << 6) | uint32_t(pawn);
                }
    }
};

const CIndexMap& indexMap()
{
    static const CIndexMap table;
    return table;
}

// Kings on one square or next to each other.
bool kingsTouch(int a, int b) { return a == b || (attacks::KING_ATTACKS[a] & bit(b)) != 0; }

// Does a white pawn on 'pawn' attack 'square'?
bool pawnAttacks(int pawn, int square) { return (attacks::PAWN_CAPTURE[WHITE][pawn] & bit(square)) != 0; }

// Does a queen (diagonals too) or rook on 'from' attack 'target'? Only the
// strong king blocks: the weak king is the one that moves, so the squares
// behind it stay attacked.
bool sliderAttacks(int from, int target, int blocker, bool diagonals)
{
    const uint32_t lines = attacks::REL_ORTHOGONAL | (diagonals ? attacks::REL_DIAGONAL : 0);
    return (attacks::RELATION[from][target] & lines) && !(attacks::BETWEEN[from][target] & bit(blocker));
}

// Weak side to move just after the pawn reached the last rank: the strong
// side chose the new piece. A queen or rook wins unless the weak king takes it
// at once or has no move without being in check; a bishop or knight never
// wins. The queen is tried first, the rook saves the positions where the
// queen would stalemate.
int8_t valueAfterPromotion(int strong, int weak, int piece)
{
    if (kingsTouch(weak, piece) && !kingsTouch(strong, piece))
        return KPK_DRAW;
    for (int diagonals = 1; diagonals >= 0; --diagonals)
    {
        bool hasMove = false;
        for (Bitboard steps = attacks::KING_ATTACKS[weak]; steps && !hasMove;)
        {
            int target = popLowest(steps);
            hasMove =
                target != piece && !kingsTouch(target, strong) && !sliderAttacks(piece, target, strong, diagonals != 0);
        }
        if (hasMove || sliderAttacks(piece, weak, strong, diagonals != 0))
            return int8_t(-(PROMOTED - 1));
    }
    return KPK_DRAW;
}
}

CKpkTable::CKpkTable()
{
    for (auto& table : m_values)
        for (int8_t& v : table)
            v = UNKNOWN;
}

int CKpkTable::indexOf(int strongKing, int weakKing, int pawn)
{
    return int(indexMap().map[strongKing & 63][weakKing & 63][pawn & 63]);
}

void CKpkTable::squaresOf(int index, int& strongKing, int& weakKing, int& pawn)
{
    int f = (index >> 12) & 31;
    strongKing = squareOf(f >> 2, f & 3);
    weakKing = (index >> 6) & 63;
    pawn = index & 63;
}

void CKpkTable::initialise()
{
    int8_t* weakToMove = m_values[0];
    int8_t* strongToMove = m_values[1];
    for (int i = 0; i < KPK_INDEX_COUNT; ++i)
    {
        int s, w, p;
        squaresOf(i, s, w, p);
        if (s == p || rankOf(p) == 0 || kingsTouch(s, w))
        {
            weakToMove[i] = KPK_ILLEGAL;
            strongToMove[i] = KPK_ILLEGAL;
        }
        else if (w == p)
        {
            // The weak king has just taken the pawn.
            weakToMove[i] = KPK_ILLEGAL;
            strongToMove[i] = KPK_DRAW;
        }
        else if (pawnAttacks(p, w))
        {
            // Only legal with the weak king to move out of check.
            weakToMove[i] = UNKNOWN;
            strongToMove[i] = KPK_ILLEGAL;
        }
        else if (rankOf(p) == 7)
        {
            weakToMove[i] = valueAfterPromotion(s, w, p);
            strongToMove[i] = PROMOTED;
        }
        else
        {
            weakToMove[i] = UNKNOWN;
            strongToMove[i] = UNKNOWN;
        }
    }
}

bool CKpkTable::weakPass()
{
    const CIndexMap& map = indexMap();
    int8_t* weakToMove = m_values[0];
    const int8_t* strongToMove = m_values[1];
    bool changed = false;
    for (int i = 0; i < KPK_INDEX_COUNT; ++i)
    {
        if (weakToMove[i] != UNKNOWN)
            continue;
        int s, w, p;
        squaresOf(i, s, w, p);
        int best = -PROMOTED;
        bool pending = false, hasMove = false;
        for (Bitboard steps = attacks::KING_ATTACKS[w]; steps;)
        {
            int v = strongToMove[map.map[s][popLowest(steps)][p]];
            if (v == KPK_ILLEGAL)
                continue;
            if (v == UNKNOWN)
            {
                pending = true;
                break;
            }
            hasMove = true;
            if (-v > best)
                best = -v;
        }
        if (pending)
            continue;
        if (!hasMove && !pawnAttacks(p, w))
            best = KPK_DRAW;  // stalemate
        weakToMove[i] = int8_t(best > 0 ? best - 1 : best < 0 ? best + 1 : 0);
        changed = true;
    }
    return changed;
}

bool CKpkTable::strongPass()
{
    const CIndexMap& map = indexMap();
    const int8_t* weakToMove = m_values[0];
    int8_t* strongToMove = m_values[1];
    bool changed = false;
    for (int i = 0; i < KPK_INDEX_COUNT; ++i)
    {
        if (strongToMove[i] != UNKNOWN)
            continue;
        int s, w, p;
        squaresOf(i, s, w, p);
        // Only winning moves count: a known loss of the weak side after the move.
        int best = 2;
        bool won = false;
        auto consider = [&](int v) {
            if (v != KPK_ILLEGAL && v != UNKNOWN && -v >= best)
            {
                best = -v;
                won = true;
            }
        };
        for (Bitboard steps = attacks::KING_ATTACKS[s]; steps;)
            consider(weakToMove[map.map[popLowest(steps)][w][p]]);
        int push = p + 8;
        if (push < 64 && push != s && push != w)
        {
            consider(weakToMove[map.map[s][w][push]]);
            int jump = p + 16;
            if (rankOf(p) == 1 && jump != s && jump != w)
                consider(weakToMove[map.map[s][w][jump]]);
        }
        if (won)
        {
            strongToMove[i] = int8_t(best - 1);
            changed = true;
        }
    }
    return changed;
}

void CKpkTable::generate()
{
    if (m_generated)
        return;
    output(" Generating internal KP-K end-game table...\n");
    auto start = std::chrono::steady_clock::now();
    indexMap();
    initialise();
    // The first strong pass must run even if the weak pass found nothing new,
    // since the positions just after promotion are settled at initialisation.
    for (bool first = true;; first = false)
    {
        if (!weakPass() && !first)
            break;
        if (!strongPass())
            break;
    }
    for (auto& table : m_values)
        for (int8_t& v : table)
            if (v == UNKNOWN)
                v = KPK_DRAW;
    m_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m_generated = true;
    output(" Done (%1.3f secs)\n", m_seconds);
}

int CKpkTable::probe(bool whiteToMove, int whiteKing, int blackKing, bool pawnIsWhite, int pawnSquare)
{
    if (!m_generated)
        generate();
    const CIndexMap& map = indexMap();
    if (pawnIsWhite)
        return m_values[whiteToMove ? 1 : 0][map.map[whiteKing & 63][blackKing & 63][pawnSquare & 63]];
    return m_values[whiteToMove ? 0 : 1][map.map[63 - (blackKing & 63)][63 - (whiteKing & 63)][63 - (pawnSquare & 63)]];
}

CKpkTable& theKpkTable()
{
    static CKpkTable table;
    return table;
}

int kpkProbe(bool whiteToMove, int whiteKing, int blackKing, bool pawnIsWhite, int pawnSquare)
{
    return theKpkTable().probe(whiteToMove, whiteKing, blackKing, pawnIsWhite, pawnSquare);
}

// Builds the attack and geometry tables of bitboard.h.
#include "board/bitboard.h"

#include <initializer_list>

namespace attacks
{
Bitboard KNIGHT_ATTACKS[64];
Bitboard KING_ATTACKS[64];
Bitboard PAWN_CAPTURE[2][64];
Bitboard RANK_ATTACKS[64][256];
Bitboard FILE_ATTACKS[64][256];
Bitboard DIAG_ATTACKS[64][256];
Bitboard ANTI_DIAG_ATTACKS[64][256];
uint8_t CASTLE_PATH[2][256];
uint32_t RELATION[64][64];
Bitboard BETWEEN[64][64];
int8_t DIRECTION[64][64];
Bitboard RAYS[8][64];

const uint32_t PIECE_RELATION[13] = {
    REL_KING,
    REL_ORTHOGONAL | REL_DIAGONAL,
    REL_ORTHOGONAL,
    REL_DIAGONAL,
    REL_KNIGHT,
    REL_BLACK_PAWN,
    0,
    REL_WHITE_PAWN,
    REL_KNIGHT,
    REL_DIAGONAL,
    REL_ORTHOGONAL,
    REL_ORTHOGONAL | REL_DIAGONAL,
    REL_KING,
};

namespace
{
bool onBoard(int rank, int file) { return rank >= 0 && rank < 8 && file >= 0 && file < 8; }

Bitboard stepMask(int square, const int (*steps)[2], int count)
{
    Bitboard mask = 0;
    for (int i = 0; i < count; ++i)
    {
        int r = rankOf(square) + steps[i][0], f = fileOf(square) + steps[i][1];
        if (onBoard(r, f))
            mask |= bit(squareOf(r, f));
    }
    return mask;
}

// Squares a slider on `square` reaches along directions d1 and d2 when the
// line's squares are occupied as `occupancy` says; `lineIndex` gives the bit
// of a square within the line's occupancy byte.
template <typename LineIndex>
Bitboard slide(int square, int d1, int d2, int occupancy, LineIndex lineIndex)
{
    Bitboard result = 0;
    for (int d : {d1, d2})
    {
        int r = rankOf(square) + DIRECTION_RANK_STEP[d], f = fileOf(square) + DIRECTION_FILE_STEP[d];
        while (onBoard(r, f))
        {
            int s = squareOf(r, f);
            result |= bit(s);
            if (occupancy & (1 << lineIndex(s)))
                break;
            r += DIRECTION_RANK_STEP[d];
            f += DIRECTION_FILE_STEP[d];
        }
    }
    return result;
}

bool g_initialized = false;
}

void initialize()
{
    if (g_initialized)
        return;
    static const int KNIGHT_STEPS[8][2] = {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
    static const int KING_STEPS[8][2] = {{0, 1}, {1, 1}, {1, 0}, {1, -1}, {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};
    static const int WHITE_PAWN_STEPS[2][2] = {{1, -1}, {1, 1}};
    static const int BLACK_PAWN_STEPS[2][2] = {{-1, -1}, {-1, 1}};

    for (int s = 0; s < 64; ++s)
    {
        KNIGHT_ATTACKS[s] = stepMask(s, KNIGHT_STEPS, 8);
        KING_ATTACKS[s] = stepMask(s, KING_STEPS, 8);
        PAWN_CAPTURE[WHITE][s] = stepMask(s, WHITE_PAWN_STEPS, 2);
        PAWN_CAPTURE[BLACK][s] = stepMask(s, BLACK_PAWN_STEPS, 2);
        for (int occ = 0; occ < 256; ++occ)
        {
            RANK_ATTACKS[s][occ] = slide(s, EAST, WEST, occ, [](int t) { return fileOf(t); });
            FILE_ATTACKS[s][occ] = slide(s, NORTH, SOUTH, occ, [](int t) { return rankOf(t); });
            DIAG_ATTACKS[s][occ] = slide(s, NORTH_EAST, SOUTH_WEST, occ, [](int t) { return fileOf(t); });
            ANTI_DIAG_ATTACKS[s][occ] = slide(s, NORTH_WEST, SOUTH_EAST, occ, [](int t) { return fileOf(t); });
        }
    }

    for (int occ = 0; occ < 256; ++occ)
    {
        uint8_t path = 0;
        if ((occ & 0xF0) == 0x90)
            path |= 1;
        if ((occ & 0x1F) == 0x11)
            path |= 2;
        CASTLE_PATH[WHITE][occ] = path;
        CASTLE_PATH[BLACK][occ] = path;
    }

    for (int from = 0; from < 64; ++from)
    {
        for (int d = 0; d < 8; ++d)
        {
            Bitboard ray = 0;
            int r = rankOf(from) + DIRECTION_RANK_STEP[d], f = fileOf(from) + DIRECTION_FILE_STEP[d];
            while (onBoard(r, f))
            {
                ray |= bit(squareOf(r, f));
                r += DIRECTION_RANK_STEP[d];
                f += DIRECTION_FILE_STEP[d];
            }
            RAYS[d][from] = ray;
        }
        for (int to = 0; to < 64; ++to)
        {
            uint32_t relation = 0;
            Bitboard between = 0;
            int direction = -1;
            if (from != to)
            {
                int dr = rankOf(to) - rankOf(from), df = fileOf(to) - fileOf(from);
                int ar = dr < 0 ? -dr : dr, af = df < 0 ? -df : df;
                if (dr == 0 || df == 0)
                    relation |= REL_ORTHOGONAL;
                if (ar == af)
                    relation |= REL_DIAGONAL;
                if ((ar == 1 && af == 2) || (ar == 2 && af == 1))
                    relation |= REL_KNIGHT;
                if (ar <= 1 && af <= 1)
                    relation |= REL_KING;
                if (dr == 1 && af == 1)
                    relation |= REL_WHITE_PAWN;
                if (dr == -1 && af == 1)
                    relation |= REL_BLACK_PAWN;
                if (relation & (REL_ORTHOGONAL | REL_DIAGONAL))
                {
                    int sr = (dr > 0) - (dr < 0), sf = (df > 0) - (df < 0);
                    for (int d = 0; d < 8; ++d)
                        if (DIRECTION_RANK_STEP[d] == sr && DIRECTION_FILE_STEP[d] == sf)
                            direction = d;
                    for (int r = rankOf(from) + sr, f = fileOf(from) + sf; squareOf(r, f) != to; r += sr, f += sf)
                        between |= bit(squareOf(r, f));
                }
            }
            RELATION[from][to] = relation;
            BETWEEN[from][to] = between;
            DIRECTION[from][to] = int8_t(direction);
        }
    }
    g_initialized = true;
}

namespace
{
// The tables are ready before main runs.
struct Initializer
{
    Initializer() { initialize(); }
} g_initializer;
}
}

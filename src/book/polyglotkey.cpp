#include "book/polyglotkey.h"

#include "board/position.h"

namespace
{
// Piece kinds of the table alternate colours: black pawn, white pawn, black knight, ...
int pieceKind(int code) { return 2 * (pieceType(code) - 1) + (pieceColour(code) == WHITE ? 1 : 0); }

// Whether the side to move has a pawn beside the pawn that has just advanced two squares
// past the en-passant square: only then does the file count in the key.
bool enPassantCounts(const CPosition& position)
{
    int ep = position.epSquare();
    if (ep < 0 || ep >= 64)
        return false;
    bool whiteToMove = position.sideToMove() == WHITE;
    int pawnRank = rankOf(ep) + (whiteToMove ? -1 : 1);
    int ownPawn = whiteToMove ? PAWN : -PAWN;
    int file = fileOf(ep);
    return (file > 0 && position.pieceAt(pawnRank, file - 1) == ownPawn) ||
           (file < 7 && position.pieceAt(pawnRank, file + 1) == ownPawn);
}
}

uint64_t polyglotKey(const CPosition& position)
{
    uint64_t key = 0;
    for (int square = 0; square < 64; ++square)
    {
        int code = position.pieceAt(square);
        if (code != EMPTY)
            key ^= POLYGLOT_RANDOM[pieceKind(code) * 64 + square];
    }
    static const int RIGHTS[4] = {CPosition::WHITE_KINGSIDE, CPosition::WHITE_QUEENSIDE, CPosition::BLACK_KINGSIDE,
                                  CPosition::BLACK_QUEENSIDE};
    for (int i = 0; i < 4; ++i)
        if (position.castling(RIGHTS[i]))
            key ^= POLYGLOT_RANDOM[POLYGLOT_CASTLING + i];
    if (enPassantCounts(position))
        key ^= POLYGLOT_RANDOM[POLYGLOT_EN_PASSANT + fileOf(position.epSquare())];
    if (position.sideToMove() == WHITE)
        key ^= POLYGLOT_RANDOM[POLYGLOT_WHITE_TO_MOVE];
    return key;
}

uint16_t polyglotMove(Move move)
{
    int from = moveFrom(move);
    int to = moveTo(move);
    // The king's two-square step becomes the king taking the rook of that side.
    if (isCastling(move))
        to = squareOf(rankOf(from), to > from ? 7 : 0);
    int promotion = isPromotion(move) ? movePromotion(move) - 1 : 0;  // knight 2 .. queen 5 -> 1 .. 4
    return uint16_t(fileOf(to) | (rankOf(to) << 3) | (fileOf(from) << 6) | (rankOf(from) << 9) | (promotion << 12));
}

// FEN as setboard takes it: a position that is accepted must write itself back to the same
// FEN, and the search board loaded from it must agree with the game position on its moves.
#include "fuzzsupport.h"

#include "board/board.h"
#include "board/position.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CPosition position;
    if (!position.setFromFen(fuzzText(data, size)))
        return 0;
    const std::string fen = position.toFullFen();
    CPosition again;
    FUZZ_CHECK(again.setFromFen(fen));
    FUZZ_CHECK(again.toFullFen() == fen);
    CMoveList legal;
    position.generateLegal(legal);
    for (int i = 0; i < legal.size(); ++i)
    {
        CPosition after = position;
        after.makeMove(legal[i]);
        after.toFen();
    }
    if (CBoard::load(position))
    {
        CMoveList searchLegal;
        CBoard::generateLegalMoves(searchLegal);
        FUZZ_CHECK(searchLegal.size() == legal.size());
    }
    return 0;
}

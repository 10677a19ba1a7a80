// A Polyglot book file, damaged in any way: opened and probed along a few lines.
#include "fuzzsupport.h"

#include <vector>

#include "book/polyglotbook.h"
#include "board/position.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CPolyglotBook book;
    std::string error;
    if (!book.open(fuzzFile(data, size, ".bin"), error))
        return 0;
    CPosition position;
    position.setFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    for (int ply = 0; ply < 6; ++ply)
    {
        std::vector<BookMove> moves;
        book.probe(position, moves);
        CMoveList legal;
        position.generateLegal(legal);
        if (legal.size() == 0)
            break;
        position.makeMove(moves.empty() ? legal[ply % legal.size()] : moves[0].move);
    }
    return 0;
}

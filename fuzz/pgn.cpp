// Whole PGN files: tags, move text, variations, comments, NAGs, results.
#include "fuzzsupport.h"

#include "pgn/pgngame.h"
#include "pgn/pgnlexer.h"
#include "pgn/pgnreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PgnLexer lexer;
    lexer.openText(fuzzText(data, size));
    // Every call consumes input, so a file of N bytes holds fewer than N games.
    for (size_t games = 0; games <= size; ++games)
    {
        PgnGame game;
        std::string error;
        if (!readPgnGame(lexer, game, error))
            break;
    }
    return 0;
}

// The move reader: a FEN line, then a move as a user or GUI types it (SAN, coordinates).
// A move that is read must be legal and read back the same from its own SAN.
#include "fuzzsupport.h"

#include "board/position.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = fuzzText(data, size);
    const size_t newline = text.find('\n');
    CPosition position;
    if (newline == std::string::npos || !position.setFromFen(text.substr(0, newline)))
        return 0;
    Move move;
    if (!position.parseMove(text.substr(newline + 1), move))
        return 0;
    CMoveList legal;
    position.generateLegal(legal);
    bool found = false;
    for (int i = 0; i < legal.size(); ++i)
        found = found || legal[i] == move;
    FUZZ_CHECK(found);
    Move again;
    FUZZ_CHECK(position.parseMove(position.moveToSan(move), again) && again == move);
    return 0;
}

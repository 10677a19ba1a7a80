// Building books from PGN: every move of every game (main line and
// variations) up to a ply limit strengthens the record of its (position, move)
// pair in the book. The functions are CHashBook members (importPgn in
// hashbook.h); this header holds what a caller passes to them.
#pragma once

#include <cstdint>

#include "book/hashbook.h"

struct BookImportOptions
{
    uint8_t sideFlags = BOOK_WTM | BOOK_BTM;  // "-w": WTM only, "-b": BTM only
    double bias = 1.0;                        // "-bias B"
    int maxDepth = 40;                        // "-d N", in plies from the game's start
};

// White's half-points for a PGN result: "1-0" 2, "0-1" 0, anything else 1.
int whiteHalfPointsOf(const std::string& result);

// The bias of the options in quarters, rounded and kept within 0..15.
uint32_t biasQuarters(double bias);

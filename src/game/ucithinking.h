// The thinking output of a UCI session: an "info" line for every new principal variation.
// It sits in front of the WinBoard thinking output, which still keeps the reports the player
// and the driver read (its own lines are held back in UCI mode).
#pragma once

#include <cstdint>
#include <string>

#include "search/report.h"

class CPosition;

// "cp N" (centipawns) or "mate N": moves to the mate, negative when the side to move is mated.
std::string uciScoreText(int score);
// The info line of a report from the position at the root of the search (without its line
// end): depth, seldepth, score (with lowerbound/upperbound for a failed aspiration window),
// nodes, nps, time, hashfull and the principal variation in coordinates, castling as the
// king's two-square move. The line stops before a move that is not legal where it stands.
std::string uciInfoLine(const SearchReport& report, const CPosition& root, int selectiveDepth, int hashFull);
// Per mille of the transposition table in use, from a sample of its first entries.
int hashFullPermill();

class CUciThinking : public SearchObserver
{
public:
    void report(const SearchReport& report) override;
    void reset() override;
};

CUciThinking& theUciThinking();

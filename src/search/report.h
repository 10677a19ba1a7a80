// What the search tells its observer (the thinking output, the game driver).
#pragma once

#include <cstdint>
#include <vector>

#include "board/types.h"
#include "search/hashtable.h"

// Report kinds.
constexpr int REPORT_STARTED = 1;    // search started: print the column header
constexpr int REPORT_LINE = 2;       // new best line, or an iteration finished
constexpr int REPORT_FAIL_HIGH = 4;  // aspiration window failed high
constexpr int REPORT_FAIL_LOW = 5;   // aspiration window failed low
constexpr int REPORT_ONE_MOVE = 6;   // only one legal move: answered without searching
constexpr int REPORT_BOOK_MOVE = 7;  // book move (sent by the player)
constexpr int REPORT_FINISHED = 8;   // search finished, best move as a one-move line (player)

struct SearchReport
{
    int kind = 0;
    int depth = 0;           // eighths of a ply
    int score = 0;           // millipawns, side to move at the root
    int64_t nodes = 0;       // full-width plus quiescence nodes
    double elapsed = 0.0;    // seconds since the search started
    Move ponderMove = 0;     // while pondering: the predicted move being pondered on
    std::vector<Move> pv;    // root move first
    CHashEntry pvEndEntry;   // table entry the line ended in (all zero if none)
    double bookShare = 0.0;  // kind 7: the book move's share in percent
};

class SearchObserver
{
public:
    virtual ~SearchObserver() = default;
    virtual void report(const SearchReport& report) = 0;
    virtual void reset() = 0;
};

#include "game/ucithinking.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "board/board.h"
#include "board/notation.h"
#include "board/position.h"
#include "game/thinking.h"
#include "game/uci.h"
#include "search/hashtable.h"
#include "search/search.h"

namespace
{
// Entries of each side's primary table looked at for hashfull.
constexpr int64_t HASHFULL_SAMPLE = 500;

// The legal move of the position that is this move word, or NO_MOVE.
Move legalMove(const CPosition& position, Move move)
{
    if (move == NO_MOVE)
        return NO_MOVE;
    CMoveList legal;
    position.generateLegal(legal);
    for (Move candidate : legal)
        if (sameMove(candidate, move))
            return candidate;
    return NO_MOVE;
}
}  // namespace

std::string uciScoreText(int score)
{
    char text[32];
    if (score > MATE_BOUND)
        std::snprintf(text, sizeof text, "mate %d", (MATE - score + 1) / 2);
    else if (score < -MATE_BOUND)
        std::snprintf(text, sizeof text, "mate %d", -((MATE + score) / 2));
    else
        std::snprintf(text, sizeof text, "cp %d", score / 10);
    return text;
}

std::string uciInfoLine(const SearchReport& report, const CPosition& root, int selectiveDepth, int hashFull)
{
    const int depth = report.depth / ONE_PLY;
    const int64_t milliseconds = int64_t(report.elapsed * 1000.0);
    const int64_t nps = report.elapsed > 0.0 ? int64_t(double(report.nodes) / report.elapsed) : 0;
    const char* bound = report.kind == REPORT_FAIL_HIGH  ? " lowerbound"
                        : report.kind == REPORT_FAIL_LOW ? " upperbound"
                                                         : "";
    char head[256];
    std::snprintf(head, sizeof head,
                  "info depth %d seldepth %d score %s%s nodes %" PRId64 " nps %" PRId64 " time %" PRId64 " hashfull %d",
                  depth, std::max(selectiveDepth, depth), uciScoreText(report.score).c_str(), bound, report.nodes, nps,
                  milliseconds, hashFull);
    std::string line = head;
    std::string pv;
    CPosition position = root;
    for (Move move : report.pv)
    {
        Move legal = legalMove(position, move);
        if (legal == NO_MOVE)
            break;
        pv += ' ';
        pv += moveToCoordinate(legal);
        position.makeMove(legal);
    }
    if (!pv.empty())
        line += " pv" + pv;
    return line;
}

int hashFullPermill()
{
    const CHashTable& table = theHashTable();
    const int64_t sample = std::min(HASHFULL_SAMPLE, table.primaryCount());
    if (sample <= 0)
        return 0;
    int64_t used = 0;
    for (int side = 0; side < 2; ++side)
    {
        const CHashEntry* entries = table.primary(side);
        if (entries == nullptr)
            continue;
        for (int64_t i = 0; i < sample; ++i)
            used += !entries[i].isEmpty();
    }
    return int(used * 1000 / (2 * sample));
}

void CUciThinking::report(const SearchReport& report)
{
    // The WinBoard thinking output keeps the reports for the player; what it prints is held back.
    theThinkingOutput().report(report);
    if (report.kind != REPORT_LINE && report.kind != REPORT_FAIL_HIGH && report.kind != REPORT_FAIL_LOW)
        return;
    CPosition root;
    CBoard::store(root);
    const CSearch& search = theSearch();
    int selectiveDepth = report.depth / ONE_PLY + search.statistics().maxQDepth / ONE_PLY;
    sendUci("%s\n", uciInfoLine(report, root, selectiveDepth, hashFullPermill()).c_str());
}

void CUciThinking::reset() { theThinkingOutput().reset(); }

CUciThinking& theUciThinking()
{
    static CUciThinking thinking;
    return thinking;
}

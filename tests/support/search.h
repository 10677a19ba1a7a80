// Helpers shared by the search tests: run a fixed-depth search with its printing captured,
// and record the reports.
#pragma once

#include <gtest/gtest.h>

#include "search/hashtable.h"
#include "search/search.h"
#include "support/helpers.h"

namespace searchtest
{
class CRecordingObserver : public SearchObserver
{
public:
    void report(const SearchReport& r) override { reports.push_back(r); }
    void reset() override { reports.clear(); }
    // Iteration (depth / 8) of the first line report carrying this score, 0 if none.
    int firstIterationWithScore(int score) const
    {
        for (const SearchReport& r : reports)
            if (r.kind == REPORT_LINE && r.score == score)
                return r.depth / 8;
        return 0;
    }
    std::vector<SearchReport> reports;
};

// What think (or analyse) gave, how far it got, what it printed and its move in SAN.
struct SearchResult
{
    bool ok = false;
    Move move = 0;
    int score = 0, iteration = 0;
    int64_t nodes = 0;
    std::string printed, san;
};

// A search with a table the size of the default setting, cleared first.
inline void prepareTable()
{
    static bool sized = false;
    if (!sized)
        sized = theHashTable().setSize(8 * 1048576);
    theHashTable().clear();
    theHashTable().clearStatistics();
}

// Searches the position on the board to the given number of iterations.
inline SearchResult runSearch(int iterations, CRecordingObserver* observer = nullptr, bool analyse = false)
{
    CSearch& search = theSearch();
    search.setInputPoll(nullptr);
    search.setObserver(observer);
    search.setPondering(false);
    search.setMaxIterations(iterations);
    search.setAllottedTime(100000.0);
    CPosition root;
    CBoard::store(root);
    SearchResult result;
    std::string* previous = setOutputCapture(&result.printed);
    result.ok = analyse ? search.analyse(result.move, result.score) : search.think(result.move, result.score, false);
    setOutputCapture(previous);
    result.iteration = search.iteration();
    result.nodes = search.totalNodes();
    result.san = result.move ? root.moveToSan(result.move) : "";
    search.setObserver(nullptr);
    return result;
}

// The same from this FEN, with a cleared table (a FEN that does not load is a failure).
inline SearchResult searchFen(const std::string& fen, int iterations, CRecordingObserver* observer = nullptr)
{
    if (!loadFen(fen))
        return SearchResult();
    prepareTable();
    return runSearch(iterations, observer);
}
}  // namespace searchtest

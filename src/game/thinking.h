// The thinking output: the search's observer. Prints the column header and one
// thinking line per new principal variation (WinBoard or console format) and
// keeps the latest line and result reports for the game driver.
#pragma once

#include <cstdint>
#include <string>

#include "search/report.h"

class CPosition;

// Text helpers, also used for the game driver's kibitz lines.
std::string scoreText(int score);
int winboardScore(int score);
std::string nodesText(int64_t nodes);
std::string timeText(double seconds);
// The principal variation in SAN, numbered from the root position. With a
// ponder move in the report and a position before it, the predicted move comes
// first in braces. Fail-high/low marks and the table-entry note follow.
std::string pvText(const SearchReport& report, const CPosition& root, const CPosition* beforePonder, bool showHashInfo);
class CThinkingOutput : public SearchObserver
{
public:
    void report(const SearchReport& report) override;
    void reset() override;

    const SearchReport& lastLine() const { return m_lastLine; }
    const SearchReport& lastResult() const { return m_lastResult; }
    bool hasLine() const { return m_lastLine.kind != 0; }
    bool hasResult() const { return m_lastResult.kind != 0; }

    int noiseLevel() const { return m_noiseLevel; }
    void setNoiseLevel(int level) { m_noiseLevel = level; }
    bool xboardMode() const { return m_xboardMode; }
    void setXboardMode(bool on) { m_xboardMode = on; }
    bool showPvHashInfo() const { return m_showPvHashInfo; }
    void setShowPvHashInfo(bool on) { m_showPvHashInfo = on; }
    // Whether quiescence moves enter principal variations: the search reads
    // it at every quiescence node, so it lives there.
    bool showPvQuiescence() const;
    void setShowPvQuiescence(bool on);

    // The pv text of a report as the thinking line shows it, from the search
    // board's root and, while pondering, the game record's position before
    // the predicted move (the search board only holds the one after it).
    std::string pvTextOf(const SearchReport& report) const;

private:
    SearchReport m_lastLine;
    SearchReport m_lastResult;
    int m_noiseLevel = 5000;
    bool m_xboardMode = false;
    bool m_showPvHashInfo = false;
};

CThinkingOutput& theThinkingOutput();

// Clocks and time controls: reading the time commands, the per-move allotment and the
// clock bookkeeping after each move.
#include "game/timecontrol.h"

#include "game/thinking.h"
#include "base/output.h"
#include "base/timevalue.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace
{
constexpr int MAX_MOVES_PER_CONTROL = 10000;
// Safety margin kept on the clock for everything the search does not see (I/O, the GUI).
constexpr double CLOCK_RESERVE = 5.0;
constexpr double MIN_ALLOTMENT = 0.02;
constexpr double MAX_PONDER_EFFICIENCY = 0.6;

std::vector<std::string> words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> result;
    std::string word;
    while (in >> word)
        result.push_back(word);
    return result;
}

// The whole word must be a finite, non-negative number.
bool readSeconds(const std::string& word, double& value)
{
    if (word.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(word.c_str(), &end);
    if (end == word.c_str() || *end != '\0' || !std::isfinite(v) || v < 0.0)
        return false;
    value = std::min(v, CTimeControl::MAX_SECONDS);
    return true;
}

// The whole word must be a decimal integer; out-of-range values are clamped.
bool readInteger(const std::string& word, long long lo, long long hi, long long& value)
{
    if (word.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(word.c_str(), &end, 10);
    if (end == word.c_str() || *end != '\0')
        return false;
    value = std::max(lo, std::min(hi, v));
    return true;
}

// Leading integer of the text, as scanf's "%d" reads it; false when there is none.
bool readLeadingInteger(const std::string& text, long long lo, long long hi, long long& value)
{
    const char* start = text.c_str();
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(start, &end, 10);
    if (end == start)
        return false;
    value = std::max(lo, std::min(hi, v));
    return true;
}

double ponderFactor(int movesToGo)
{
    static const double FACTORS[6] = {0.0, 0.0, 0.2, 0.4, 0.6, 0.8};
    return movesToGo >= 6 ? 1.0 : FACTORS[std::max(movesToGo, 0)];
}
}  // namespace

bool readCentiseconds(const std::string& text, double& seconds)
{
    long long centis = 0;
    const long long limit = (long long)(CTimeControl::MAX_SECONDS * 100.0);
    if (!readLeadingInteger(text, -limit, limit, centis))
        return false;
    seconds = double(centis) * 0.01;
    return true;
}

CTimeControl::CTimeControl()
    : m_movesPerControl(1), m_baseSeconds(10.0), m_increment(0.0), m_engineClock(10.0), m_opponentClock(10.0),
      m_totalThinking(0.0), m_ponderHit(0.0), m_ponderEfficiency(0.0), m_maxDepth(DEFAULT_MAX_DEPTH)
{
}

bool CTimeControl::setLevel(const std::string& args)
{
    // "moves minutes[:seconds] increment"; minutes, seconds and increment may carry fractions
    // (interfaces send "level 0 0:10 0.1"), words after the third are ignored.
    std::vector<std::string> w = words(args);
    if (w.size() < 3)
        return false;
    long long moves = 0;
    if (!readInteger(w[0], 0, MAX_MOVES_PER_CONTROL, moves) || w[0][0] == '-')
        return false;
    double minutes = 0.0, seconds = 0.0, increment = 0.0;
    const std::string& base = w[1];
    std::string::size_type colon = base.find(':');
    if (colon == std::string::npos)
    {
        if (!readSeconds(base, minutes))
            return false;
    }
    else if (!readSeconds(base.substr(0, colon), minutes) || !readSeconds(base.substr(colon + 1), seconds))
    {
        return false;
    }
    if (!readSeconds(w[2], increment))
        return false;
    double total = std::min(minutes * 60.0 + seconds, MAX_SECONDS);
    m_movesPerControl = int(moves);
    m_baseSeconds = std::floor(total * 1000.0) / 1000.0;
    m_increment = increment;
    m_engineClock = m_baseSeconds;
    m_opponentClock = m_baseSeconds;
    return true;
}

bool CTimeControl::setFixedTime(const std::string& args)
{
    std::vector<std::string> w = words(args);
    double seconds = 0.0;
    if (w.empty() || !readSeconds(w[0], seconds))
        return false;
    m_movesPerControl = 1;
    m_baseSeconds = std::floor(seconds * 1000.0) / 1000.0;
    m_increment = 0.0;
    m_engineClock = m_baseSeconds;
    m_opponentClock = m_baseSeconds;
    return true;
}

bool CTimeControl::setMaxDepth(const std::string& args)
{
    long long depth = 0;
    if (!readLeadingInteger(args, 1, DEFAULT_MAX_DEPTH, depth))
        return false;
    m_maxDepth = int(depth);
    return true;
}

bool CTimeControl::setEngineClockCentis(const std::string& args)
{
    double seconds = 0.0;
    if (!readCentiseconds(args, seconds))
        return false;
    m_engineClock = seconds;
    return true;
}

bool CTimeControl::setOpponentClockCentis(const std::string& args)
{
    double seconds = 0.0;
    if (!readCentiseconds(args, seconds))
        return false;
    m_opponentClock = seconds;
    return true;
}

void CTimeControl::setEngineClock(double seconds)
{
    if (std::isfinite(seconds))
        m_engineClock = std::max(-MAX_SECONDS, std::min(seconds, MAX_SECONDS));
}

void CTimeControl::setOpponentClock(double seconds)
{
    if (std::isfinite(seconds))
        m_opponentClock = std::max(-MAX_SECONDS, std::min(seconds, MAX_SECONDS));
}

void CTimeControl::swapClocks() { std::swap(m_engineClock, m_opponentClock); }

void CTimeControl::resetForNewGame()
{
    m_engineClock = m_baseSeconds;
    m_opponentClock = m_baseSeconds;
    m_totalThinking = 0.0;
    m_ponderHit = 0.0;
    m_ponderEfficiency = 0.0;
    m_maxDepth = DEFAULT_MAX_DEPTH;
}

TimeAllotment CTimeControl::setupTime(int moveNumber, double clock, bool ponderEnabled) const
{
    output(" SetupTime( %d, %s )\n", moveNumber, CTimeValue(clock).formatTime().c_str());
    double cap = clock - CLOCK_RESERVE;
    double t = 0.0;
    int movesToGo = 1;
    if (m_movesPerControl == 0)
    {
        movesToGo = std::max(51 - moveNumber, 25);
        t = (clock + m_increment * movesToGo - 2.0) / movesToGo;
    }
    else if (fixedTimePerMove())
    {
        cap = clock;
        t = clock;
    }
    else if (m_movesPerControl > 1)
    {
        int done = (moveNumber - 1) % m_movesPerControl;
        if (done < 0)
            done += m_movesPerControl;
        movesToGo = m_movesPerControl - done;
        t = (clock - CLOCK_RESERVE) / movesToGo;
    }
    else
    {
        t = clock - CLOCK_RESERVE;
    }
    t = std::min(t, cap);
    if (ponderEnabled)
    {
        t += ponderFactor(movesToGo) * m_ponderEfficiency * t;
        t = std::min(t, cap);
    }
    if (t < MIN_ALLOTMENT)
        t = MIN_ALLOTMENT;

    double maximum = t;
    double half = cap * 0.5;
    if (3.0 * t < half)
        maximum = 3.0 * t;
    else if (t < half)
        maximum = half;
    if (maximum >= cap)
        maximum = cap;
    // On a clock inside the reserve the cap is below the floor of the allotment; the
    // overrun limit must still let the search use what it was allotted.
    maximum = std::max(maximum, t);

    output("  time limit %s (%d moves left)  max time limit %s\n", CTimeValue(t).formatTime().c_str(), movesToGo,
           CTimeValue(maximum).formatTime().c_str());
    TimeAllotment result;
    result.allotted = t;
    result.maximum = maximum;
    result.movesToGo = movesToGo;
    return result;
}

void CTimeControl::setupTimePostMove(int moveNumber, double clock, bool ponderEnabled)
{
    output(" SetupTimePostMove( %d, %s )\n", moveNumber, CTimeValue(clock).formatTime().c_str());
    setEngineClock(clock);
    if (m_movesPerControl == 0)
        setEngineClock(m_engineClock + m_increment);
    else if (fixedTimePerMove())
        m_engineClock = m_baseSeconds;
    else if (m_movesPerControl > 0 && moveNumber % m_movesPerControl == 0)
        setEngineClock(m_engineClock + m_baseSeconds);
    output("  time left %1.2f\n", m_engineClock);

    if (ponderEnabled && m_totalThinking > 0.0)
    {
        double efficiency = m_ponderHit / m_totalThinking;
        if (efficiency < 0.0)
            efficiency = 0.0;
        if (efficiency > MAX_PONDER_EFFICIENCY)
            efficiency = MAX_PONDER_EFFICIENCY;
        m_ponderEfficiency = efficiency;
        output("  ponder efficiency %g (%s, %s)\n", efficiency, timeText(m_ponderHit).c_str(),
               timeText(m_totalThinking).c_str());
    }
}

void CTimeControl::chargeMove(double usedSeconds)
{
    if (!std::isfinite(usedSeconds) || usedSeconds < 0.0)
        usedSeconds = 0.0;
    setEngineClock(m_engineClock - usedSeconds);
    m_totalThinking += usedSeconds;
}

void CTimeControl::addPonderHitTime(double seconds)
{
    if (std::isfinite(seconds) && seconds > 0.0)
        m_ponderHit += seconds;
}

CTimeControl& theTimeControl()
{
    static CTimeControl timeControl;
    return timeControl;
}

#include "base/timevalue.h"

#include "platform/clock.h"

#include <cmath>
#include <cstdio>

CTimeValue CTimeValue::now() { return CTimeValue(wallClockSeconds()); }

std::string CTimeValue::formatTime() const
{
    double t = std::fabs(m_seconds);
    // Values past what an int holds would make the casts below undefined; no clock gets there.
    if (!(t < 2.0e9))
        return m_seconds < 0 ? "-inf" : "inf";
    double minutes = std::floor(t / 60);
    double seconds = t - 60 * minutes;
    double hours = std::floor(minutes / 60);
    minutes -= 60 * hours;
    char text[64];
    if (hours != 0)
        std::snprintf(text, sizeof text, "%02d:%02d:%05.2f", static_cast<int>(hours), static_cast<int>(minutes),
                      seconds);
    else if (minutes != 0)
        std::snprintf(text, sizeof text, "%02d:%05.2f", static_cast<int>(minutes), seconds);
    else
        std::snprintf(text, sizeof text, "%04.2f", seconds);
    return m_seconds < 0 ? std::string("-") + text : std::string(text);
}

bool CTimeValue::parseTime(const std::string& text)
{
    // The '@' sentinel must be the character read right after the last number, so anything
    // trailing the time makes it invalid.
    // The number reader also takes "nan", "inf" and numbers too large for a double; a clock
    // set from such a value would never run out (or always), so only finite times are taken.
    std::string marked = text + "@";
    double hours = 0, minutes = 0, seconds = 0;
    char end = 0;
    double result;
    if (std::sscanf(marked.c_str(), "%lg:%lg:%lg%c", &hours, &minutes, &seconds, &end) == 4 && end == '@')
        result = hours * 3600 + minutes * 60 + seconds;
    else if (std::sscanf(marked.c_str(), "%lg:%lg%c", &minutes, &seconds, &end) == 3 && end == '@')
        result = minutes * 60 + seconds;
    else if (std::sscanf(marked.c_str(), "%lg%c", &seconds, &end) == 2 && end == '@')
        result = seconds;
    else
        return false;
    if (!std::isfinite(result))
        return false;
    m_seconds = result;
    return true;
}

// A wall-clock instant or a span of time, in seconds.
#pragma once

#include <string>

class CTimeValue
{
public:
    CTimeValue() = default;
    explicit CTimeValue(double seconds) : m_seconds(seconds) {}
    CTimeValue(int days, int hours, int minutes, int seconds, int milliseconds)
        : m_seconds(((static_cast<double>(days) * 24 + hours) * 60 + minutes) * 60 + seconds + milliseconds * 0.001)
    {
    }

    // Seconds since 1601-01-01 00:00 UTC, to 100 ns.
    static CTimeValue now();

    double seconds() const { return m_seconds; }

    // "hh:mm:ss.ss", "mm:ss.ss" or "s.ss", with "-" in front of negative values.
    std::string formatTime() const;
    // Reads "h:m:s", "m:s" or "s" (fractions allowed in every field, nothing may follow).
    // Returns false and leaves the value unchanged when the text is not such a time.
    bool parseTime(const std::string& text);

    CTimeValue operator+(const CTimeValue& other) const { return CTimeValue(m_seconds + other.m_seconds); }
    CTimeValue operator-(const CTimeValue& other) const { return CTimeValue(m_seconds - other.m_seconds); }
    CTimeValue operator*(double factor) const { return CTimeValue(m_seconds * factor); }
    CTimeValue operator/(double divisor) const { return CTimeValue(m_seconds / divisor); }
    CTimeValue& operator+=(const CTimeValue& other)
    {
        m_seconds += other.m_seconds;
        return *this;
    }
    CTimeValue& operator-=(const CTimeValue& other)
    {
        m_seconds -= other.m_seconds;
        return *this;
    }
    bool operator==(const CTimeValue& other) const { return m_seconds == other.m_seconds; }
    bool operator!=(const CTimeValue& other) const { return m_seconds != other.m_seconds; }
    bool operator<(const CTimeValue& other) const { return m_seconds < other.m_seconds; }
    bool operator<=(const CTimeValue& other) const { return m_seconds <= other.m_seconds; }
    bool operator>(const CTimeValue& other) const { return m_seconds > other.m_seconds; }
    bool operator>=(const CTimeValue& other) const { return m_seconds >= other.m_seconds; }

private:
    double m_seconds = 0.0;
};

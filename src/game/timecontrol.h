// Clocks and time controls: how long the engine may think for each move.
#pragma once

#include <string>

// What the search gets for one move: the time it should use and how far it may overrun.
struct TimeAllotment
{
    double allotted = 0.0;  // seconds
    double maximum = 0.0;   // seconds, never below allotted
    int movesToGo = 1;      // moves left in the current control, this one included
};

class CTimeControl
{
public:
    // Longest clock or control accepted; larger readings are clamped to it (about 116 days),
    // so no later arithmetic on the clock can overflow or lose all precision.
    static constexpr double MAX_SECONDS = 1.0e7;
    static constexpr int DEFAULT_MAX_DEPTH = 100;

    CTimeControl();

    // Command readers. Each returns false (and changes nothing) when the text is unreadable;
    // the handlers print the messages.
    bool setLevel(const std::string& args);                // "MPS BASE INC", BASE as minutes or minutes:seconds
    bool setFixedTime(const std::string& args);            // st: seconds per move, fractions allowed
    bool setMaxDepth(const std::string& args);             // sd: clamped to 1..100
    bool setEngineClockCentis(const std::string& args);    // time
    bool setOpponentClockCentis(const std::string& args);  // otim

    // Moves per control (0: all remaining moves), base time and increment in seconds.
    int movesPerControl() const { return m_movesPerControl; }
    double baseSeconds() const { return m_baseSeconds; }
    double incrementSeconds() const { return m_increment; }
    // True when every move has the same fixed time (one move per control, no increment):
    // the search then runs untimed, stopping only at its deadline.
    bool fixedTimePerMove() const { return m_movesPerControl == 1 && m_increment == 0.0; }
    int maxDepth() const { return m_maxDepth; }

    double engineClock() const { return m_engineClock; }
    double opponentClock() const { return m_opponentClock; }
    void setEngineClock(double seconds);
    void setOpponentClock(double seconds);
    void swapClocks();

    // Start of a game: both clocks to the base time, totals cleared, full depth.
    void resetForNewGame();

    // Computes (and prints) the allotment for the move with this number on this clock.
    TimeAllotment setupTime(int moveNumber, double clock, bool ponderEnabled) const;
    // After the engine's move: adds increments or the next control and updates the
    // ponder efficiency; the clock passed in already has the used time subtracted.
    void setupTimePostMove(int moveNumber, double clock, bool ponderEnabled);

    // Time used by a move: off the engine's clock, onto the total thinking time.
    void chargeMove(double usedSeconds);
    // Time pondered before a ponder hit.
    void addPonderHitTime(double seconds);

    double totalThinkingTime() const { return m_totalThinking; }
    double ponderHitTime() const { return m_ponderHit; }
    double ponderEfficiency() const { return m_ponderEfficiency; }

private:
    int m_movesPerControl;
    double m_baseSeconds;
    double m_increment;
    double m_engineClock;
    double m_opponentClock;
    double m_totalThinking;
    double m_ponderHit;
    double m_ponderEfficiency;
    int m_maxDepth;
};

CTimeControl& theTimeControl();

// Reads a clock reading in centiseconds ("%d" style: a leading integer, extra text ignored).
// Returns false when no number is there; values beyond the clock range are clamped.
bool readCentiseconds(const std::string& text, double& seconds);

// The program's random sources: a TT800 twisted GFSR generator, and a 64-bit
// additive lagged-Fibonacci generator (lags 250 and 103) seeded from it.
#pragma once

#include <cstdint>

class CTT800
{
public:
    CTT800() { reset(); }
    // Back to the generator's published initial state.
    void reset();
    uint32_t next();

private:
    static constexpr int N = 25;
    static constexpr int M = 7;
    uint32_t m_state[N];
    int m_index;
};

class CLaggedFibonacci
{
public:
    static constexpr int LONG_LAG = 250;
    static constexpr int SHORT_LAG = 103;

    CLaggedFibonacci() { seed(); }
    // Fills the ring from a fresh TT800 (two 32-bit outputs per value, high
    // half first), then discards 1000 draws.
    void seed();
    uint64_t next();

private:
    uint64_t m_ring[LONG_LAG];
    int m_i;
    int m_j;
};

// The process-wide 64-bit source used by the key generator.
CLaggedFibonacci& theRandom();

// The process-wide 32-bit source for move choices (book moves); start-up advances it by a
// time-dependent number of steps so that every run plays differently.
CTT800& theTT800();

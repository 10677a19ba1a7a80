#include "board/random.h"

void CTT800::reset()
{
    static const uint32_t INITIAL[N] = {
        0x95f24dab, 0x0b685215, 0xe76ccae7, 0xaf3ec239, 0x715fad23, 0x24a590ad, 0x69e4b5ef, 0xbf456141, 0x96bc1b7b,
        0xa7bdf825, 0xc1de75b7, 0x8858a9c9, 0x2da87693, 0xb657f9dd, 0xffdc8a9f, 0x8121da71, 0x8b823ecb, 0x885d05f5,
        0x4e20cd47, 0x5a9ad5d9, 0x512c0c03, 0xea857ccd, 0x4cc1d30f, 0x8891a8a1, 0xa6b7aadb,
    };
    for (int k = 0; k < N; ++k)
        m_state[k] = INITIAL[k];
    m_index = N;  // the first call twists the whole state
}

uint32_t CTT800::next()
{
    static const uint32_t MAG01[2] = {0x0, 0x8ebfd028};
    if (m_index >= N)
    {
        int kk = 0;
        for (; kk < N - M; ++kk)
            m_state[kk] = m_state[kk + M] ^ (m_state[kk] >> 1) ^ MAG01[m_state[kk] & 1];
        for (; kk < N; ++kk)
            m_state[kk] = m_state[kk + (M - N)] ^ (m_state[kk] >> 1) ^ MAG01[m_state[kk] & 1];
        m_index = 0;
    }
    uint32_t y = m_state[m_index++];
    y ^= (y << 7) & 0x2b5b2500u;
    y ^= (y << 15) & 0xdb8b0000u;
    y ^= y >> 16;
    return y;
}

void CLaggedFibonacci::seed()
{
    CTT800 source;
    for (int k = 0; k < LONG_LAG; ++k)
    {
        uint64_t high = source.next();
        uint64_t low = source.next();
        m_ring[k] = (high << 32) | low;
    }
    m_i = 0;
    m_j = LONG_LAG - SHORT_LAG;
    for (int k = 0; k < 1000; ++k)
        next();
}

uint64_t CLaggedFibonacci::next()
{
    m_ring[m_i] += m_ring[m_j];
    uint64_t result = m_ring[m_i];
    if (++m_i == LONG_LAG)
        m_i = 0;
    if (++m_j == LONG_LAG)
        m_j = 0;
    return result;
}

CLaggedFibonacci& theRandom()
{
    static CLaggedFibonacci generator;
    return generator;
}

CTT800& theTT800()
{
    static CTT800 generator;
    return generator;
}

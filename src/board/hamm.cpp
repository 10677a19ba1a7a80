#include "board/hamm.h"

#include <cinttypes>
#include <cstdio>

#include "board/bitboard.h"
#include "board/random.h"

namespace
{
// Draws allowed for one entry before the generator gives up.
constexpr uint64_t DRAW_BUDGET = 5000000;
}

bool generateKeyTable(uint64_t values[64][13], int minDistance, void (*progress)(int, int))
{
    uint64_t accepted[64 * 13];
    CLaggedFibonacci& random = theRandom();
    for (int k = 0; k < 64 * 13; ++k)
    {
        if (progress)
            progress(k, minDistance);
        bool found = false;
        for (uint64_t draw = 0; draw < DRAW_BUDGET && !found; ++draw)
        {
            uint64_t candidate = random.next();
            int bits = popCount(candidate);
            if (candidate == 0 || bits < 31 || bits > 33)
                continue;
            found = true;
            for (int i = 0; i < k && found; ++i)
                found = popCount(candidate ^ accepted[i]) >= minDistance;
            if (found)
                accepted[k] = candidate;
        }
        if (!found)
            return false;
    }
    for (int k = 0; k < 64 * 13; ++k)
        values[k / 13][k % 13] = accepted[k];
    return true;
}

HammStatistics keyTableStatistics(const uint64_t values[64][13])
{
    HammStatistics stats = {};
    const uint64_t* flat = &values[0][0];
    uint64_t total = 0;
    for (int i = 0; i < 64 * 13; ++i)
        for (int j = i + 1; j < 64 * 13; ++j)
        {
            int distance = popCount(flat[i] ^ flat[j]);
            ++stats.histogram[distance];
            total += uint64_t(distance);
            ++stats.pairs;
        }
    stats.average = stats.pairs ? double(total) / double(stats.pairs) : 0.0;
    return stats;
}

std::string keyTableSource(const uint64_t values[64][13])
{
    std::string text = "UINT64\tCBoard::m_zobristValues[64][13] =\n{\n";
    char line[128];
    for (int s = 0; s < 64; ++s)
    {
        text += "\t{\n";
        for (int row = 0; row < 4; ++row)
        {
            std::snprintf(line, sizeof line, "\t\t0x%016" PRIx64 ", 0x%016" PRIx64 ", 0x%016" PRIx64 ",\n",
                          values[s][row * 3], values[s][row * 3 + 1], values[s][row * 3 + 2]);
            text += line;
        }
        std::snprintf(line, sizeof line, "\t\t0x%016" PRIx64 ",\n\t},\n", values[s][12]);
        text += line;
    }
    text += "};\n";
    return text;
}

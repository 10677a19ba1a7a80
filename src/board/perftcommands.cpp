// Console test commands of the search board: perft, perf, perfc and hamm.
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "board/board.h"
#include "board/commands.h"
#include "board/game.h"
#include "board/hamm.h"
#include "board/perft.h"
#include "base/output.h"

namespace
{
// Reads a whole token as an integer.
bool parseInteger(const std::string& token, int& value)
{
    char* end = nullptr;
    long parsed = std::strtol(token.c_str(), &end, 10);
    if (token.empty() || *end != '\0' || parsed < -1000000 || parsed > 1000000)
        return false;
    value = int(parsed);
    return true;
}

void hammProgress(int entry, int minDistance) { output("\r %d (min %d)...\r", entry, minDistance); }
}

void handlePerft(const std::string& args)
{
    int depth = 5;
    bool divide = args.find("-d") != std::string::npos;
    std::istringstream tokens(args);
    std::string token;
    while (tokens >> token)
    {
        if (token == "-d")
            continue;
        if (!parseInteger(token, depth))
        {
            output("Error (invalid depth): %s\n", token.c_str());
            return;
        }
        break;
    }
    if (depth > PERFT_MAX_DEPTH)
    {
        output("Error (depth above %d): %s\n", PERFT_MAX_DEPTH, args.c_str());
        return;
    }
    perft(theGame(), depth, divide);
}

void handlePerf(const std::string& /*args*/) { perf(theGame()); }

void handlePerfc(const std::string& /*args*/) { perfc(theGame()); }

void handleHamm(const std::string& args)
{
    int minDistance = HAMM_MIN_DISTANCE;
    std::istringstream tokens(args);
    std::string token;
    if (tokens >> token)
    {
        int value = 0;
        if (!parseInteger(token, value))
            value = std::atoi(token.c_str());
        if (value > HAMM_MAX_DISTANCE)
        {
            output("Error (distance above %d cannot be reached): %s\n", HAMM_MAX_DISTANCE, token.c_str());
            return;
        }
        if (value > minDistance)
            minDistance = value;
    }

    static uint64_t values[64][13];
    if (!generateKeyTable(values, minDistance, hammProgress))
    {
        output("Error (no key table found with distance %d)\n", minDistance);
        return;
    }
    CBoard::installZobristValues(values);
    // Every position the game record holds follows the new keys at once.
    theGame().recomputeKeys();

    HammStatistics stats = keyTableStatistics(values);
    for (int distance = 0; distance <= 64; ++distance)
        if (stats.histogram[distance])
            output("hamm %d, freq %d\n", distance, int(stats.histogram[distance]));
    output("avg %1.4f\n", stats.average);

    FILE* file = std::fopen("hashlookup.h", "w");
    if (!file)
    {
        output("Error (cannot write file): hashlookup.h\n");
        return;
    }
    std::string text = keyTableSource(values);
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written)
        output("Error (cannot write file): hashlookup.h\n");
}

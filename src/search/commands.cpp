// Command handlers; each parses its argument text, calls its subsystem and prints through output().
#include "search/commands.h"

void handleHash(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleExt(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleNull(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleNoise(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleShowPvh(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleShowPvq(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleAnalHash(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}


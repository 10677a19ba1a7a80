// Command handlers; each parses its argument text, calls its subsystem and prints through output().
#include "board/commands.h"

void handlePerft(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handlePerf(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handlePerfc(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleHamm(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}


// Command handlers; each parses its argument text, calls its subsystem and prints through output().
#include "endgame/commands.h"

void handleKpk(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleKpkTest(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleTbAnal(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleTbProbe(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}


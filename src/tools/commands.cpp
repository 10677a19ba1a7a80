// Command handlers; each parses its argument text, calls its subsystem and prints through output().
#include "tools/commands.h"

void handleTestEval(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleEpd(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}


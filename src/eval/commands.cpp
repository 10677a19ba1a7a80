// Command handlers; each parses its argument text, calls its subsystem and prints through output().
#include "eval/commands.h"

void handleScore(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleLoadEval(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

void handleSaveEval(const std::string& /*args*/)
{
    // Not built yet: accepted without effect.
}

